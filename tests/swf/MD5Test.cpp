#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "MD5.h"

namespace {
std::string Md5Hex(const std::string& S) {
    TMD5Context C;
    MD5Init(C);
    MD5Update(C, S.data(), S.size());
    uint8_t D[16];
    MD5Final(C, D);
    char Out[33];
    for (int i = 0; i < 16; ++i) std::snprintf(Out + 2 * i, 3, "%02x", D[i]);
    return Out;
}

// The digest of the system's own md5-crypt, from the openssl command line.
std::string OpenSSLCrypt(const std::string& Password, const std::string& Salt) {
    std::string Command = "openssl passwd -1 -salt '" + Salt + "' '" + Password + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> Pipe(popen(Command.c_str(), "r"), pclose);
    if (!Pipe) return "";
    char Line[256] = {};
    if (!std::fgets(Line, sizeof(Line), Pipe.get())) return "";
    std::string S = Line;
    while (!S.empty() && (S.back() == '\n' || S.back() == '\r')) S.pop_back();
    return S;
}
}  // namespace

TEST(MD5, RFC1321TestSuite) {
    EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(Md5Hex("1234567890123456789012345678901234567890"
                     "1234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(MD5Crypt, AgreesWithOpenSSL) {
    const std::pair<const char*, const char*> Cases[] = {
        {"password", "ab"},
        {"", "xy"},
        {"a", "./"},
        {"0123456789abcdef", "Zz"},
        {"a rather long password that spans more than one block of sixteen", "q1"},
        {"p\xc3\xa4ss", "AB"},
    };
    for (const auto& [Password, Salt] : Cases) {
        std::string Expected = OpenSSLCrypt(Password, Salt);
        ASSERT_FALSE(Expected.empty()) << "openssl is missing";
        EXPECT_EQ(MD5Crypt(Password, Salt), Expected) << Password;
    }
}

TEST(MD5Crypt, SaltRules) {
    std::string D = MD5Crypt("anything", "ab");
    EXPECT_EQ(D.size(), 28u);
    EXPECT_EQ(D.substr(0, 6), "$1$ab$");
    EXPECT_EQ(MD5Crypt("pw", "$1$abcdef"), MD5Crypt("pw", "ab"));
    std::string R1 = MD5Crypt("pw", ""), R2 = MD5Crypt("pw", ""), R3 = MD5Crypt("pw", "x");
    const std::string Alphabet = "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    for (const auto& R : {R1, R2, R3}) {
        EXPECT_EQ(R.size(), 28u);
        EXPECT_NE(Alphabet.find(R[3]), std::string::npos);
        EXPECT_NE(Alphabet.find(R[4]), std::string::npos);
    }
    // Random salts differ from call to call (two equal pairs in a row are unlikely but possible).
    EXPECT_TRUE(R1.substr(3, 2) != R2.substr(3, 2) || R2.substr(3, 2) != MD5Crypt("pw", "").substr(3, 2));
}
