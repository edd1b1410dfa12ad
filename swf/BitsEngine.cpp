#include "BitsEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

void TBitsEngine::WriteBits(uint32_t Value, uint8_t Count) {
    if (Count == 0) return;
    if (Count < 32) Value &= (1u << Count) - 1;
    unsigned Total = BitCount + Count;
    if (Total <= 7) {
        BitBuffer = static_cast<uint8_t>((BitBuffer << Count) | Value);
        BitCount = static_cast<uint8_t>(Total);
        return;
    }
    unsigned Rest = Total % 8, Bytes = Total / 8;
    // The pending bits followed by the high Count - Rest bits of Value: at most 39 bits, so 64 bits hold
    // them.
    uint64_t Out =
        (static_cast<uint64_t>(BitBuffer) << (Count - Rest)) | (static_cast<uint64_t>(Value) >> Rest);
    uint8_t Buf[5];
    for (unsigned i = 0; i < Bytes; ++i) Buf[i] = static_cast<uint8_t>(Out >> (8 * (Bytes - 1 - i)));
    Stream->Write(Buf, Bytes);
    BitBuffer = static_cast<uint8_t>(Rest ? Value & ((1u << Rest) - 1) : 0);
    BitCount = static_cast<uint8_t>(Rest);
}

void TBitsEngine::FlushLastByte(bool Write) {
    if (BitCount == 0) return;
    if (Write) {
        uint8_t B = static_cast<uint8_t>(BitBuffer << (8 - BitCount));
        Stream->Write(&B, 1);
    }
    BitBuffer = 0;
    BitCount = 0;
}

void TBitsEngine::WriteByte(uint8_t B) {
    if (BitCount > 0)
        WriteBits(static_cast<uint32_t>(B), 8);
    else
        Stream->Write(&B, 1);
}

void TBitsEngine::WriteWord(uint16_t W) {
    FlushLastByte(true);
    uint8_t Buf[2] = {static_cast<uint8_t>(W), static_cast<uint8_t>(W >> 8)};
    Stream->Write(Buf, 2);
}

void TBitsEngine::WriteDWord(uint32_t D) {
    FlushLastByte(true);
    uint8_t Buf[4] = {static_cast<uint8_t>(D), static_cast<uint8_t>(D >> 8), static_cast<uint8_t>(D >> 16),
                      static_cast<uint8_t>(D >> 24)};
    Stream->Write(Buf, 4);
}

void TBitsEngine::WriteFixed(float Value) {
    WriteDWord(static_cast<uint32_t>(SingleToFixed(Value)));
}

void TBitsEngine::WriteFloat(float Value) {
    uint32_t D;
    std::memcpy(&D, &Value, 4);
    WriteDWord(D);
}

void TBitsEngine::WriteDouble(double Value) {
    uint8_t Buf[8];
    std::memcpy(Buf, &Value, 8);
    Stream->Write(Buf, 8);
}

void TBitsEngine::WriteRGB(const recRGB& Color) {
    uint8_t Buf[3] = {Color.R, Color.G, Color.B};
    Stream->Write(Buf, 3);
}

void TBitsEngine::WriteRGBA(recRGBA Color) {
    uint8_t Buf[4] = {static_cast<uint8_t>(Color), static_cast<uint8_t>(Color >> 8),
                      static_cast<uint8_t>(Color >> 16), static_cast<uint8_t>(Color >> 24)};
    Stream->Write(Buf, 4);
}

void TBitsEngine::WriteString(const std::string& S, bool NullTerminated, bool UTF8) {
    const std::string Bytes = UTF8 ? SystemToUTF8(S) : S;
    if (BitCount == 0)
        Stream->Write(Bytes.data(), Bytes.size());
    else
        for (unsigned char C : Bytes) WriteByte(C);
    if (NullTerminated) WriteByte(0);
}

void TBitsEngine::WriteChars(const void* Buffer, size_t Count, bool AddZero) {
    const auto* P = static_cast<const uint8_t*>(Buffer);
    for (size_t i = 0; i < Count; ++i) WriteByte(P[i]);
    if (AddZero && (Count == 0 || P[Count - 1] != 0)) WriteByte(0);
}

void TBitsEngine::WriteEncodedU32(uint32_t Value) {
    do {
        uint8_t B = Value & 0x7F;
        Value >>= 7;
        if (Value) B |= 0x80;
        WriteByte(B);
    } while (Value);
}

void TBitsEngine::WriteEncodedString(const std::string& S) {
    WriteEncodedU32(static_cast<uint32_t>(S.size()));
    WriteChars(S.data(), S.size(), false);
}

void TBitsEngine::WriteRect(const TRect& R) {
    WriteSWFRect(SWFRectOf(R, false));
}

void TBitsEngine::WriteSWFRect(const recRect& Rect) {
    uint8_t N =
        GetSignedBitsCount(static_cast<int32_t>(MaxAbs(Rect.XMin, Rect.XMax, Rect.YMin, Rect.YMax)), 1);
    WriteBits(static_cast<uint32_t>(N), 5);
    WriteBits(Rect.XMin, N);
    WriteBits(Rect.XMax, N);
    WriteBits(Rect.YMin, N);
    WriteBits(Rect.YMax, N);
    FlushLastByte(true);
}

void TBitsEngine::WriteMatrix(const recMatrix& M) {
    WriteBit(M.HasScale);
    if (M.HasScale) {
        uint8_t N = GetSignedBitsCount(static_cast<int32_t>(MaxAbs(M.ScaleX, M.ScaleY)), 1);
        WriteBits(static_cast<uint32_t>(N), 5);
        WriteBits(M.ScaleX, N);
        WriteBits(M.ScaleY, N);
    }
    WriteBit(M.HasRotate);
    if (M.HasRotate) {
        uint8_t N = GetSignedBitsCount(static_cast<int32_t>(MaxAbs(M.RotateSkew0, M.RotateSkew1)), 1);
        WriteBits(static_cast<uint32_t>(N), 5);
        WriteBits(M.RotateSkew0, N);
        WriteBits(M.RotateSkew1, N);
    }
    uint8_t N = GetSignedBitsCount(static_cast<int32_t>(MaxAbs(M.TranslateX, M.TranslateY)), 1);
    WriteBits(static_cast<uint32_t>(N), 5);
    if (N > 0) {
        WriteBits(M.TranslateX, N);
        WriteBits(M.TranslateY, N);
    }
    FlushLastByte(true);
}

void TBitsEngine::WriteColorTransform(const recColorTransform& CX) {
    bool A = CX.HasAlpha;
    uint8_t AddBits = 0, MultBits = 0;
    if (CX.HasAdd)
        AddBits = GetSignedBitsCount(
            static_cast<int32_t>(MaxAbs(CX.RedAdd, CX.GreenAdd, CX.BlueAdd, A ? CX.AlphaAdd : 0)), 1);
    if (CX.HasMult)
        MultBits = GetSignedBitsCount(
            static_cast<int32_t>(MaxAbs(CX.RedMult, CX.GreenMult, CX.BlueMult, A ? CX.AlphaMult : 0)), 1);
    uint8_t N = std::max(AddBits, MultBits);
    WriteBit(CX.HasAdd);
    WriteBit(CX.HasMult);
    if (CX.HasAdd || CX.HasMult) {
        WriteBits(static_cast<uint32_t>(N), 4);
        if (CX.HasMult) {
            WriteBits(static_cast<int32_t>(CX.RedMult), N);
            WriteBits(static_cast<int32_t>(CX.GreenMult), N);
            WriteBits(static_cast<int32_t>(CX.BlueMult), N);
            if (A) WriteBits(static_cast<int32_t>(CX.AlphaMult), N);
        }
        if (CX.HasAdd) {
            WriteBits(static_cast<int32_t>(CX.RedAdd), N);
            WriteBits(static_cast<int32_t>(CX.GreenAdd), N);
            WriteBits(static_cast<int32_t>(CX.BlueAdd), N);
            if (A) WriteBits(static_cast<int32_t>(CX.AlphaAdd), N);
        }
    }
    FlushLastByte(true);
}

void TBitsEngine::WriteBytes(const void* Buffer, size_t Count) {
    if (BitCount == 0)
        Stream->Write(Buffer, Count);
    else
        WriteChars(Buffer, Count, false);
}

void TBitsEngine::ReadBytes(void* Buffer, size_t Count) {
    Stream->ReadBuffer(Buffer, Count);
}

uint8_t TBitsEngine::ReadByte() {
    uint8_t B = 0;
    Stream->ReadBuffer(&B, 1);
    return B;
}

uint16_t TBitsEngine::ReadWord() {
    uint8_t B[2] = {0, 0};
    Stream->ReadBuffer(B, 2);
    return static_cast<uint16_t>(B[0] | (B[1] << 8));
}

uint32_t TBitsEngine::ReadDWord() {
    uint8_t B[4] = {0, 0, 0, 0};
    Stream->ReadBuffer(B, 4);
    return B[0] | (B[1] << 8) | (B[2] << 16) | (static_cast<uint32_t>(B[3]) << 24);
}

uint16_t TBitsEngine::ReadSwapWord() {
    uint8_t B[2] = {0, 0};
    Stream->ReadBuffer(B, 2);
    return static_cast<uint16_t>((B[0] << 8) | B[1]);
}

double TBitsEngine::ReadDouble() {
    uint8_t B[8] = {};
    Stream->ReadBuffer(B, 8);
    double D;
    std::memcpy(&D, B, 8);
    return D;
}

float TBitsEngine::ReadFixed() {
    return static_cast<int32_t>(ReadDWord()) / 65536.0f;
}

float TBitsEngine::ReadFloat() {
    uint32_t D = ReadDWord();
    float F;
    std::memcpy(&F, &D, 4);
    return F;
}

uint32_t TBitsEngine::ReadEncodedU32() {
    uint32_t Result = 0;
    for (int i = 0; i < 5; ++i) {
        uint8_t B = ReadByte();
        Result |= static_cast<uint32_t>(B & 0x7F) << (7 * i);
        if (!(B & 0x80)) break;
    }
    return Result;
}

recRGB TBitsEngine::ReadRGB() {
    uint8_t B[3] = {};
    Stream->ReadBuffer(B, 3);
    return {B[0], B[1], B[2]};
}

recRGBA TBitsEngine::ReadRGBA() {
    uint8_t B[4] = {};
    Stream->ReadBuffer(B, 4);
    return B[0] | (B[1] << 8) | (B[2] << 16) | (static_cast<uint32_t>(B[3]) << 24);
}

uint32_t TBitsEngine::GetBits(int Count) {
    if (Count < 1) return 0;
    uint64_t Result = 0;
    while (Count > BitCount) {
        Result = (Result << BitCount) | BitBuffer;
        Count -= BitCount;
        BitBuffer = 0;
        Stream->ReadBuffer(&BitBuffer, 1);
        BitCount = 8;
    }
    unsigned Shift = BitCount - Count;
    Result = (Result << Count) | (BitBuffer >> Shift);
    BitBuffer = static_cast<uint8_t>(BitBuffer & ((1u << Shift) - 1));
    BitCount = static_cast<uint8_t>(Shift);
    return static_cast<uint32_t>(Result);
}

int32_t TBitsEngine::GetSBits(int Count) {
    if (Count < 1) return 0;
    uint32_t V = GetBits(Count);
    if (Count < 32 && (V & (1u << (Count - 1)))) V |= ~((1u << Count) - 1);
    return static_cast<int32_t>(V);
}

TRect TBitsEngine::ReadRect() {
    int N = static_cast<int>(GetBits(5));
    TRect R;
    R.Left = GetSBits(N);
    R.Right = GetSBits(N);
    R.Top = GetSBits(N);
    R.Bottom = GetSBits(N);
    FlushLastByte(false);
    return R;
}

recMatrix TBitsEngine::ReadMatrix() {
    recMatrix M;
    M.HasScale = static_cast<uint8_t>(GetBits(1));
    if (M.HasScale) {
        int N = static_cast<int>(GetBits(5));
        M.ScaleX = GetSBits(N);
        M.ScaleY = GetSBits(N);
    }
    M.HasRotate = static_cast<uint8_t>(GetBits(1));
    if (M.HasRotate) {
        int N = static_cast<int>(GetBits(5));
        M.RotateSkew0 = GetSBits(N);
        M.RotateSkew1 = GetSBits(N);
    }
    int N = static_cast<int>(GetBits(5));
    M.TranslateX = GetSBits(N);
    M.TranslateY = GetSBits(N);
    FlushLastByte(false);
    return M;
}

recColorTransform TBitsEngine::ReadColorTransform(bool WithAlpha) {
    recColorTransform CX;
    CX.HasAlpha = WithAlpha;
    CX.HasAdd = static_cast<uint8_t>(GetBits(1));
    CX.HasMult = static_cast<uint8_t>(GetBits(1));
    if (CX.HasAdd || CX.HasMult) {
        int N = static_cast<int>(GetBits(4));
        if (CX.HasMult) {
            CX.RedMult = static_cast<int16_t>(GetSBits(N));
            CX.GreenMult = static_cast<int16_t>(GetSBits(N));
            CX.BlueMult = static_cast<int16_t>(GetSBits(N));
            if (WithAlpha) CX.AlphaMult = static_cast<int16_t>(GetSBits(N));
        }
        if (CX.HasAdd) {
            CX.RedAdd = static_cast<int16_t>(GetSBits(N));
            CX.GreenAdd = static_cast<int16_t>(GetSBits(N));
            CX.BlueAdd = static_cast<int16_t>(GetSBits(N));
            if (WithAlpha) CX.AlphaAdd = static_cast<int16_t>(GetSBits(N));
        }
    }
    FlushLastByte(false);
    return CX;
}

std::string TBitsEngine::ReadString(int Len) {
    std::string S;
    if (Len > 0) {
        S.resize(static_cast<size_t>(Len));
        Stream->ReadBuffer(S.data(), S.size());
        return S;
    }
    for (;;) {
        char C = static_cast<char>(ReadByte());
        if (C == 0) break;
        S.push_back(C);
    }
    return S;
}

std::string TBitsEngine::ReadLengthString(bool Encoded) {
    uint32_t Len = Encoded ? ReadEncodedU32() : ReadSwapWord();
    if (Len > Stream->Remaining()) throw ESWFError("String length beyond the end of the data");
    std::string S(Len, '\0');
    Stream->ReadBuffer(S.data(), Len);
    return S;
}

uint8_t GetBitsCount(uint32_t V) {
    if (V == 0) return 0;
    uint8_t N = 0;
    while (N < 32 && (V >> N) != 0) ++N;
    return N;
}

uint8_t GetSignedBitsCount(int32_t V, uint8_t Extra) {
    if (V == 0) return 0;
    uint32_t A = V < 0 ? 0u - static_cast<uint32_t>(V) : static_cast<uint32_t>(V);
    return static_cast<uint8_t>(GetBitsCount(A) + Extra);
}

static uint32_t AbsU(int32_t V) {
    return V < 0 ? 0u - static_cast<uint32_t>(V) : static_cast<uint32_t>(V);
}

uint32_t MaxAbs(int32_t V1, int32_t V2) {
    return std::max(AbsU(V1), AbsU(V2));
}

uint32_t MaxAbs(int32_t V1, int32_t V2, int32_t V3, int32_t V4) {
    return std::max(MaxAbs(V1, V2), MaxAbs(V3, V4));
}

bool CheckBit(uint16_t V, int N) {
    return N >= 1 && N <= 16 && ((V >> (N - 1)) & 1);
}

uint16_t SingleToWord(float X) {
    double Int = std::trunc(static_cast<double>(X));
    double Frac = std::nearbyint((static_cast<double>(X) - Int) * 256.0);  // ties to even
    return static_cast<uint16_t>((static_cast<int32_t>(Int) << 8) + static_cast<int32_t>(Frac));
}

float WordToSingle(uint16_t W) {
    return static_cast<float>(W >> 8) + static_cast<float>(W & 0xFF) / 256.0f;
}

int32_t SingleToFixed(float X) {
    double V = std::trunc(static_cast<double>(X) * 65536.0);
    V = std::clamp(V, -2147483648.0, 2147483647.0);
    return static_cast<int32_t>(V);
}

float FixedToSingle(int32_t V) {
    return static_cast<float>(V / 65536.0);
}

recRGB SWFRGB(uint8_t R, uint8_t G, uint8_t B) {
    return {R, G, B};
}

recRGB SWFRGB(uint32_t Packed) {
    return {static_cast<uint8_t>(Packed), static_cast<uint8_t>(Packed >> 8),
            static_cast<uint8_t>(Packed >> 16)};
}

recRGBA SWFRGBA(uint8_t R, uint8_t G, uint8_t B, uint8_t A) {
    return R | (G << 8) | (B << 16) | (static_cast<uint32_t>(A) << 24);
}

recRGBA SWFRGBA(uint32_t Color, uint8_t Alpha) {
    return ReplaceAlpha(Alpha, Color);
}

recRGBA ReplaceAlpha(uint8_t A, recRGBA Packed) {
    return (Packed & 0x00FFFFFFu) | (static_cast<uint32_t>(A) << 24);
}

uint32_t SwapRB(recRGBA Packed) {
    return ((Packed & 0xFF) << 16) | (Packed & 0xFF00) | ((Packed >> 16) & 0xFF);
}

TRect OrderedRect(const TRect& R) {
    return {std::min(R.Left, R.Right), std::min(R.Top, R.Bottom), std::max(R.Left, R.Right),
            std::max(R.Top, R.Bottom)};
}

recRect SWFRectOf(const TRect& R, bool ToTwips) {
    TRect O = OrderedRect(R);
    int32_t F = ToTwips ? 20 : 1;
    return {O.Left * F, O.Right * F, O.Top * F, O.Bottom * F};
}

recMatrix SWFMatrix(bool HasScale, bool HasRotate, int32_t ScaleX, int32_t ScaleY, int32_t RotateSkew1,
                    int32_t RotateSkew0, int32_t TranslateX, int32_t TranslateY) {
    recMatrix M;
    M.HasScale = HasScale;
    M.HasRotate = HasRotate;
    M.ScaleX = ScaleX;
    M.ScaleY = ScaleY;
    M.RotateSkew1 = RotateSkew1;
    M.RotateSkew0 = RotateSkew0;
    M.TranslateX = TranslateX;
    M.TranslateY = TranslateY;
    return M;
}

double BezierPoint(double P0, double P1, double P2, double P3, double T) {
    double F = 3 * (P1 - P0);
    double G = 3 * (P2 - P1) - F;
    return P0 + T * F + T * T * G + T * T * T * (P3 - P0 - G - F);
}

static bool IsValidUTF8(const std::string& S) {
    size_t i = 0;
    while (i < S.size()) {
        unsigned char C = S[i];
        int Extra = C < 0x80 ? 0 : (C >> 5) == 6 ? 1 : (C >> 4) == 14 ? 2 : (C >> 3) == 30 ? 3 : -1;
        if (Extra < 0 || i + Extra >= S.size()) return false;
        for (int k = 1; k <= Extra; ++k)
            if ((static_cast<unsigned char>(S[i + k]) >> 6) != 2) return false;
        i += Extra + 1;
    }
    return true;
}

std::string SystemToUTF8(const std::string& S) {
    if (IsValidUTF8(S)) return S;
    std::string Out;
    for (unsigned char C : S) {
        if (C < 0x80) {
            Out.push_back(static_cast<char>(C));
        } else {
            Out.push_back(static_cast<char>(0xC0 | (C >> 6)));
            Out.push_back(static_cast<char>(0x80 | (C & 0x3F)));
        }
    }
    return Out;
}

TSWFRect::TSWFRect(int32_t XMin, int32_t YMin, int32_t XMax, int32_t YMax) {
    SetRect({XMin, YMin, XMax, YMax});
}

void TSWFRect::OrderX() {
    if (R_.XMin > R_.XMax) std::swap(R_.XMin, R_.XMax);
}
void TSWFRect::OrderY() {
    if (R_.YMin > R_.YMax) std::swap(R_.YMin, R_.YMax);
}
void TSWFRect::SetXMin(int32_t V) {
    R_.XMin = V;
    OrderX();
}
void TSWFRect::SetXMax(int32_t V) {
    R_.XMax = V;
    OrderX();
}
void TSWFRect::SetYMin(int32_t V) {
    R_.YMin = V;
    OrderY();
}
void TSWFRect::SetYMax(int32_t V) {
    R_.YMax = V;
    OrderY();
}
void TSWFRect::SetRect(const TRect& R) {
    R_ = {R.Left, R.Right, R.Top, R.Bottom};
    OrderX();
    OrderY();
}

void TSWFMatrix::SetScale(float X, float Y) {
    ScaleX = SingleToFixed(X);
    ScaleY = SingleToFixed(Y);
    HasScale = 1;
}

void TSWFMatrix::SetSkew(float Skew1, float Skew0) {
    RotateSkew1 = SingleToFixed(Skew1);
    RotateSkew0 = SingleToFixed(Skew0);
    HasSkew = 1;
}

void TSWFMatrix::SetTranslate(int32_t X, int32_t Y) {
    TranslateX = X;
    TranslateY = Y;
}

void TSWFMatrix::SetRotate(float Angle) {
    double A = Angle * M_PI / 180.0;
    double C = std::cos(A), S = std::sin(A);
    double SX = HasScale ? FixedToSingle(ScaleX) : 1.0, SY = HasScale ? FixedToSingle(ScaleY) : 1.0;
    double K1 = HasSkew ? FixedToSingle(RotateSkew1) : 0.0, K0 = HasSkew ? FixedToSingle(RotateSkew0) : 0.0;
    // Q x M with Q = [[c, s], [-s, c]] and M = [[ScaleX, RotateSkew1], [RotateSkew0, ScaleY]].
    double NSX = C * SX + S * K0, NK1 = C * K1 + S * SY;
    double NK0 = -S * SX + C * K0, NSY = -S * K1 + C * SY;
    ScaleX = SingleToFixed(static_cast<float>(NSX));
    ScaleY = SingleToFixed(static_cast<float>(NSY));
    RotateSkew1 = SingleToFixed(static_cast<float>(NK1));
    RotateSkew0 = SingleToFixed(static_cast<float>(NK0));
    HasScale = 1;
    HasSkew = 1;
}

recMatrix TSWFMatrix::Rec() const {
    return SWFMatrix(HasScale, HasSkew, ScaleX, ScaleY, RotateSkew1, RotateSkew0, TranslateX, TranslateY);
}

void TSWFMatrix::SetRec(const recMatrix& M) {
    HasScale = M.HasScale;
    HasSkew = M.HasRotate;
    ScaleX = M.ScaleX;
    ScaleY = M.ScaleY;
    RotateSkew1 = M.RotateSkew1;
    RotateSkew0 = M.RotateSkew0;
    TranslateX = M.TranslateX;
    TranslateY = M.TranslateY;
}

int32_t TSWFColorTransform::ClampAdd(int32_t V) {
    HasAdd = true;
    return std::clamp(V, -255, 255);
}

int32_t TSWFColorTransform::ClampMult(int32_t V) {
    HasMult = true;
    return std::clamp(V, 0, 256);
}

recColorTransform TSWFColorTransform::Rec() const {
    recColorTransform CX;
    CX.HasAdd = HasAdd;
    CX.HasMult = HasMult;
    CX.HasAlpha = HasAlpha;
    if (HasAdd) {
        CX.RedAdd = static_cast<int16_t>(RedAdd);
        CX.GreenAdd = static_cast<int16_t>(GreenAdd);
        CX.BlueAdd = static_cast<int16_t>(BlueAdd);
        CX.AlphaAdd = static_cast<int16_t>(AlphaAdd);
    }
    if (HasMult) {
        CX.RedMult = static_cast<int16_t>(RedMult);
        CX.GreenMult = static_cast<int16_t>(GreenMult);
        CX.BlueMult = static_cast<int16_t>(BlueMult);
        CX.AlphaMult = static_cast<int16_t>(AlphaMult);
    }
    return CX;
}

// Terms read from a file are taken as they are, unclamped, so that they write back unchanged.
void TSWFColorTransform::SetRec(const recColorTransform& CX) {
    HasAdd = CX.HasAdd;
    HasMult = CX.HasMult;
    HasAlpha = CX.HasAlpha;
    if (HasAdd) {
        RedAdd = CX.RedAdd;
        GreenAdd = CX.GreenAdd;
        BlueAdd = CX.BlueAdd;
        AlphaAdd = CX.AlphaAdd;
    }
    if (HasMult) {
        RedMult = CX.RedMult;
        GreenMult = CX.GreenMult;
        BlueMult = CX.BlueMult;
        AlphaMult = CX.AlphaMult;
    }
}

void TSWFRGB::SetPacked(uint32_t V) {
    R = static_cast<uint8_t>(V);
    G = static_cast<uint8_t>(V >> 8);
    B = static_cast<uint8_t>(V >> 16);
}

void TSWFRGBA::SetA(uint8_t V) {
    A_ = V;
    if (V != 255) HasAlpha_ = true;
}

void TSWFRGBA::SetHasAlpha(bool V) {
    HasAlpha_ = V;
    if (!V) A_ = 255;
}

void TSWFRGBA::SetPackedRGB(uint32_t V) {
    SetPacked(V);
    A_ = 255;
}

void TSWFRGBA::SetPackedRGBA(recRGBA V) {
    SetPacked(V);
    SetA(static_cast<uint8_t>(V >> 24));
}

void TSWFRGBA::AssignRGB(const TSWFRGB& Source) {
    R = Source.R;
    G = Source.G;
    B = Source.B;
    A_ = 255;
}

void TSWFRGBA::Write(TBitsEngine& BE, bool WithAlpha) const {
    if (WithAlpha)
        BE.WriteRGBA(PackedRGBA());
    else
        BE.WriteRGB(Rec());
}

// The alpha byte is kept as read, even 255, so the record writes back what the file held.
void TSWFRGBA::Read(TBitsEngine& BE, bool WithAlpha) {
    if (WithAlpha) {
        recRGBA V = BE.ReadRGBA();
        SetPacked(V);
        A_ = static_cast<uint8_t>(V >> 24);
        HasAlpha_ = true;
    } else {
        recRGB C = BE.ReadRGB();
        R = C.R;
        G = C.G;
        B = C.B;
        A_ = 255;
    }
}
