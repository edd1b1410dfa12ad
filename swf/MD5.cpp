#include "MD5.h"

#include <cstring>
#include <random>

namespace {
constexpr uint32_t K[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
constexpr int R[64] = {7,  12, 17, 22, 7,  12, 17, 22, 7,  12, 17, 22, 7,  12, 17, 22, 5,  9,  14, 20, 5,  9,
                       14, 20, 5,  9,  14, 20, 5,  9,  14, 20, 4,  11, 16, 23, 4,  11, 16, 23, 4,  11, 16, 23,
                       4,  11, 16, 23, 6,  10, 15, 21, 6,  10, 15, 21, 6,  10, 15, 21, 6,  10, 15, 21};

uint32_t Rotl(uint32_t X, int C) {
    return (X << C) | (X >> (32 - C));
}

void Transform(uint32_t State[4], const uint8_t Block[64]) {
    uint32_t M[16];
    for (int i = 0; i < 16; ++i)
        M[i] = Block[i * 4] | (Block[i * 4 + 1] << 8) | (Block[i * 4 + 2] << 16) |
               (static_cast<uint32_t>(Block[i * 4 + 3]) << 24);
    uint32_t A = State[0], B = State[1], C = State[2], D = State[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t F;
        int G;
        if (i < 16) {
            F = (B & C) | (~B & D);
            G = i;
        } else if (i < 32) {
            F = (D & B) | (~D & C);
            G = (5 * i + 1) % 16;
        } else if (i < 48) {
            F = B ^ C ^ D;
            G = (3 * i + 5) % 16;
        } else {
            F = C ^ (B | ~D);
            G = (7 * i) % 16;
        }
        uint32_t T = D;
        D = C;
        C = B;
        B = B + Rotl(A + F + K[i] + M[G], R[i]);
        A = T;
    }
    State[0] += A;
    State[1] += B;
    State[2] += C;
    State[3] += D;
}

const char* const CryptAlphabet = "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

void Update(TMD5Context& C, const std::string& S) {
    MD5Update(C, S.data(), S.size());
}

std::string Encode(uint32_t Value, int Chars) {
    std::string Out;
    for (int i = 0; i < Chars; ++i) {
        Out.push_back(CryptAlphabet[Value & 0x3F]);
        Value >>= 6;
    }
    return Out;
}
}  // namespace

void MD5Init(TMD5Context& Context) {
    Context.State[0] = 0x67452301;
    Context.State[1] = 0xefcdab89;
    Context.State[2] = 0x98badcfe;
    Context.State[3] = 0x10325476;
    Context.Count = 0;
    std::memset(Context.Buffer, 0, sizeof(Context.Buffer));
}

void MD5Update(TMD5Context& Context, const void* Buffer, size_t Length) {
    const auto* P = static_cast<const uint8_t*>(Buffer);
    size_t Used = Context.Count % 64;
    Context.Count += Length;
    if (Used) {
        size_t Take = std::min(Length, 64 - Used);
        std::memcpy(Context.Buffer + Used, P, Take);
        P += Take;
        Length -= Take;
        if (Used + Take < 64) return;
        Transform(Context.State, Context.Buffer);
    }
    while (Length >= 64) {
        Transform(Context.State, P);
        P += 64;
        Length -= 64;
    }
    if (Length) std::memcpy(Context.Buffer, P, Length);
}

void MD5Final(TMD5Context& Context, uint8_t Digest[16]) {
    uint64_t Bits = Context.Count * 8;
    static const uint8_t Pad[64] = {0x80};
    size_t Used = Context.Count % 64;
    MD5Update(Context, Pad, Used < 56 ? 56 - Used : 120 - Used);
    uint8_t Len[8];
    for (int i = 0; i < 8; ++i) Len[i] = static_cast<uint8_t>(Bits >> (8 * i));
    MD5Update(Context, Len, 8);
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 4; ++k) Digest[i * 4 + k] = static_cast<uint8_t>(Context.State[i] >> (8 * k));
    std::memset(&Context, 0, sizeof(Context));
}

std::string MD5Crypt(const std::string& Password, const std::string& SaltIn) {
    std::string Salt = SaltIn.rfind("$1$", 0) == 0 ? SaltIn.substr(3) : SaltIn;
    if (Salt.size() >= 2) {
        Salt.resize(2);
    } else {
        static std::mt19937 Random(std::random_device{}());
        Salt.clear();
        for (int i = 0; i < 2; ++i) Salt.push_back(CryptAlphabet[Random() % 64]);
    }
    TMD5Context A;
    MD5Init(A);
    Update(A, Password);
    Update(A, "$1$");
    Update(A, Salt);
    uint8_t Alt[16];
    TMD5Context B;
    MD5Init(B);
    Update(B, Password);
    Update(B, Salt);
    Update(B, Password);
    MD5Final(B, Alt);
    for (size_t Left = Password.size(); Left > 0; Left -= std::min<size_t>(Left, 16))
        MD5Update(A, Alt, std::min<size_t>(Left, 16));
    const uint8_t Zero = 0;
    for (size_t Bits = Password.size(); Bits; Bits >>= 1) {
        if (Bits & 1)
            MD5Update(A, &Zero, 1);
        else
            MD5Update(A, Password.data(), 1);
    }
    uint8_t Final[16];
    MD5Final(A, Final);
    for (int i = 0; i < 1000; ++i) {
        TMD5Context C;
        MD5Init(C);
        if (i & 1)
            Update(C, Password);
        else
            MD5Update(C, Final, 16);
        if (i % 3) Update(C, Salt);
        if (i % 7) Update(C, Password);
        if (i & 1)
            MD5Update(C, Final, 16);
        else
            Update(C, Password);
        MD5Final(C, Final);
    }
    auto Triple = [&](int X, int Y, int Z) {
        return Encode((static_cast<uint32_t>(Final[X]) << 16) | (Final[Y] << 8) | Final[Z], 4);
    };
    return "$1$" + Salt + "$" + Triple(0, 6, 12) + Triple(1, 7, 13) + Triple(2, 8, 14) + Triple(3, 9, 15) +
           Triple(4, 10, 5) + Encode(Final[11], 2);
}
