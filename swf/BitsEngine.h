// The bit-level writer and reader of SWF structures, the fixed-point and colour helpers, and the small value
// records (rectangles, matrices, colour transforms, colours) that tags keep their geometry in.
#pragma once

#include <cstdint>
#include <string>

#include "Stream.h"

// A system rectangle: Left, Top, Right, Bottom.
struct TRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TRect&) const = default;
};

struct TPoint {
    int32_t X = 0, Y = 0;
    bool operator==(const TPoint&) const = default;
};

// RGB colour record.
struct recRGB {
    uint8_t R = 0, G = 0, B = 0;
    bool operator==(const recRGB&) const = default;
};

// Packed colour: R in bits 0-7, G 8-15, B 16-23, alpha 24-31.
using recRGBA = uint32_t;

// SWF rectangle in file order.
struct recRect {
    int32_t XMin = 0, XMax = 0, YMin = 0, YMax = 0;
    bool operator==(const recRect&) const = default;
};

struct recMatrix {
    uint8_t HasScale = 0, HasRotate = 0;
    int32_t ScaleX = 0, ScaleY = 0;            // 16.16
    int32_t RotateSkew1 = 0, RotateSkew0 = 0;  // 16.16; the field written second in the file is stored first
    int32_t TranslateX = 0, TranslateY = 0;    // twips
    bool operator==(const recMatrix&) const = default;
};

struct recColorTransform {
    int16_t RedAdd = 0, GreenAdd = 0, BlueAdd = 0, AlphaAdd = 0;
    int16_t RedMult = 0, GreenMult = 0, BlueMult = 0, AlphaMult = 0;
    uint8_t HasAdd = 0, HasMult = 0, HasAlpha = 0;
    bool operator==(const recColorTransform&) const = default;
};

class TBitsEngine {
  public:
    explicit TBitsEngine(TStream& Stream) : Stream(&Stream) {}

    TStream* Stream;
    uint8_t BitBuffer = 0;
    uint8_t BitCount = 0;

    // Writing.
    void WriteBits(uint32_t Value, uint8_t Count);
    void WriteBits(int32_t Value, uint8_t Count) { WriteBits(static_cast<uint32_t>(Value), Count); }
    void WriteBits(uint16_t Value, uint8_t Count) { WriteBits(static_cast<uint32_t>(Value), Count); }
    void WriteBits(uint8_t Value, uint8_t Count) { WriteBits(static_cast<uint32_t>(Value), Count); }
    void WriteBit(bool Flag) { WriteBits(static_cast<uint32_t>(Flag ? 1 : 0), 1); }
    void FlushLastByte(bool Write = true);
    void WriteByte(uint8_t B);
    void WriteWord(uint16_t W);
    void WriteDWord(uint32_t D);
    void WriteInteger(int32_t I) { WriteDWord(static_cast<uint32_t>(I)); }
    void WriteFixed(float Value);
    void WriteFloat(float Value);
    void WriteDouble(double Value);
    void WriteRGB(const recRGB& Color);
    void WriteRGBA(recRGBA Color);
    void WriteString(const std::string& S, bool NullTerminated = true, bool UTF8 = false);
    void WriteChars(const void* Buffer, size_t Count, bool AddZero);
    void WriteEncodedU32(uint32_t Value);
    void WriteEncodedString(const std::string& S);
    void WriteRect(const TRect& R);
    void WriteSWFRect(const recRect& Rect);
    void WriteMatrix(const recMatrix& M);
    void WriteColorTransform(const recColorTransform& CX);
    // Raw bytes straight to the stream (callers use it at byte boundaries only).
    void WriteBytes(const void* Buffer, size_t Count);

    // Reading.
    uint8_t ReadByte();
    uint16_t ReadWord();
    uint32_t ReadDWord();
    uint16_t ReadSwapWord();
    double ReadDouble();
    float ReadFixed();
    float ReadFloat();
    uint32_t ReadEncodedU32();
    recRGB ReadRGB();
    recRGBA ReadRGBA();
    uint32_t GetBits(int Count);
    int32_t GetSBits(int Count);
    bool GetBit() { return GetBits(1) != 0; }
    TRect ReadRect();
    recMatrix ReadMatrix();
    recColorTransform ReadColorTransform(bool WithAlpha);
    std::string ReadString(int Len = 0);
    std::string ReadLengthString(bool Encoded);
    void ReadBytes(void* Buffer, size_t Count);
};

// Free helpers.
uint8_t GetBitsCount(uint32_t V);
uint8_t GetSignedBitsCount(int32_t V, uint8_t Extra);
uint32_t MaxAbs(int32_t V1, int32_t V2);
uint32_t MaxAbs(int32_t V1, int32_t V2, int32_t V3, int32_t V4);
bool CheckBit(uint16_t V, int N);
uint16_t SingleToWord(float X);
float WordToSingle(uint16_t W);
int32_t SingleToFixed(float X);
float FixedToSingle(int32_t V);
recRGB SWFRGB(uint8_t R, uint8_t G, uint8_t B);
// From a packed value (also a system colour on this platform: there are no palette or system colours here).
recRGB SWFRGB(uint32_t Packed);
recRGBA SWFRGBA(uint8_t R, uint8_t G, uint8_t B, uint8_t A);
recRGBA SWFRGBA(uint32_t Color, uint8_t Alpha);
recRGBA ReplaceAlpha(uint8_t A, recRGBA Packed);
uint32_t SwapRB(recRGBA Packed);
TRect OrderedRect(const TRect& R);
recRect SWFRectOf(const TRect& R, bool ToTwips);
recMatrix SWFMatrix(bool HasScale, bool HasRotate, int32_t ScaleX, int32_t ScaleY, int32_t RotateSkew1,
                    int32_t RotateSkew0, int32_t TranslateX, int32_t TranslateY);
double BezierPoint(double P0, double P1, double P2, double P3, double T);
// UTF-8 of a text in the system code page; this platform's code page is UTF-8 already, so Latin-1 bytes that
// do not form valid UTF-8 are converted and valid UTF-8 passes unchanged.
std::string SystemToUTF8(const std::string& S);

class TSWFRect {
  public:
    TSWFRect() = default;
    TSWFRect(int32_t XMin, int32_t YMin, int32_t XMax, int32_t YMax);

    int32_t XMin() const { return R_.XMin; }
    int32_t XMax() const { return R_.XMax; }
    int32_t YMin() const { return R_.YMin; }
    int32_t YMax() const { return R_.YMax; }
    void SetXMin(int32_t V);
    void SetXMax(int32_t V);
    void SetYMin(int32_t V);
    void SetYMax(int32_t V);
    void SetRect(const TRect& R);
    TRect Rect() const { return {R_.XMin, R_.YMin, R_.XMax, R_.YMax}; }
    const recRect& Rec() const { return R_; }
    int32_t Width() const { return R_.XMax - R_.XMin; }
    int32_t Height() const { return R_.YMax - R_.YMin; }
    bool operator==(const TSWFRect&) const = default;

  private:
    void OrderX();
    void OrderY();
    recRect R_;
};

class TSWFMatrix {
  public:
    uint8_t HasScale = 0, HasSkew = 0;
    int32_t ScaleX = 0, ScaleY = 0, RotateSkew1 = 0, RotateSkew0 = 0;
    int32_t TranslateX = 0, TranslateY = 0;

    void SetScale(float X, float Y);
    void SetSkew(float Skew1, float Skew0);
    void SetTranslate(int32_t X, int32_t Y);
    void SetRotate(float Angle);
    float GetScaleX() const { return FixedToSingle(ScaleX); }
    float GetScaleY() const { return FixedToSingle(ScaleY); }
    float GetSkew0() const { return FixedToSingle(RotateSkew0); }
    float GetSkew1() const { return FixedToSingle(RotateSkew1); }
    recMatrix Rec() const;
    void SetRec(const recMatrix& M);
    bool operator==(const TSWFMatrix&) const = default;
};

class TSWFColorTransform {
  public:
    int32_t RedAdd = 0, GreenAdd = 0, BlueAdd = 0, AlphaAdd = 0;
    int32_t RedMult = 0, GreenMult = 0, BlueMult = 0, AlphaMult = 0;
    bool HasAdd = false, HasMult = false, HasAlpha = false;

    void SetRedAdd(int32_t V) { RedAdd = ClampAdd(V); }
    void SetGreenAdd(int32_t V) { GreenAdd = ClampAdd(V); }
    void SetBlueAdd(int32_t V) { BlueAdd = ClampAdd(V); }
    void SetAlphaAdd(int32_t V) {
        AlphaAdd = ClampAdd(V);
        HasAlpha = true;
    }
    void SetRedMult(int32_t V) { RedMult = ClampMult(V); }
    void SetGreenMult(int32_t V) { GreenMult = ClampMult(V); }
    void SetBlueMult(int32_t V) { BlueMult = ClampMult(V); }
    void SetAlphaMult(int32_t V) {
        AlphaMult = ClampMult(V);
        HasAlpha = true;
    }
    recColorTransform Rec() const;
    void SetRec(const recColorTransform& CX);
    bool operator==(const TSWFColorTransform&) const = default;

  private:
    int32_t ClampAdd(int32_t V);
    int32_t ClampMult(int32_t V);
};

class TSWFRGB {
  public:
    uint8_t R = 0, G = 0, B = 0;
    TSWFRGB() = default;
    TSWFRGB(uint8_t R, uint8_t G, uint8_t B) : R(R), G(G), B(B) {}
    uint32_t Packed() const { return R | (G << 8) | (B << 16); }
    void SetPacked(uint32_t V);
    recRGB Rec() const { return {R, G, B}; }
    bool operator==(const TSWFRGB&) const = default;
};

class TSWFRGBA : public TSWFRGB {
  public:
    explicit TSWFRGBA(bool HasAlpha = false) : HasAlpha_(HasAlpha) {}
    uint8_t A() const { return A_; }
    void SetA(uint8_t V);
    bool HasAlpha() const { return HasAlpha_; }
    void SetHasAlpha(bool V);
    void SetPackedRGB(uint32_t V);  // alpha becomes 255
    void SetPackedRGBA(recRGBA V);  // alpha from bits 24-31
    recRGBA PackedRGBA() const { return Packed() | (static_cast<uint32_t>(A_) << 24); }
    void AssignRGB(const TSWFRGB& Source);
    // Writes 4 bytes when WithAlpha, else 3.
    void Write(TBitsEngine& BE, bool WithAlpha) const;
    void Read(TBitsEngine& BE, bool WithAlpha);
    bool operator==(const TSWFRGBA&) const = default;

  private:
    uint8_t A_ = 255;
    bool HasAlpha_ = false;
};
