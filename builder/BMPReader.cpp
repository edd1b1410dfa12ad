#include "BMPReader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace {

uint16_t U16(const uint8_t* P) {
    return static_cast<uint16_t>(P[0] | P[1] << 8);
}
uint32_t U32(const uint8_t* P) {
    return static_cast<uint32_t>(P[0]) | static_cast<uint32_t>(P[1]) << 8 |
           static_cast<uint32_t>(P[2]) << 16 | static_cast<uint32_t>(P[3]) << 24;
}

// One colour channel of a bit-field pixel: where it sits and how wide it is.
struct TChannel {
    uint32_t Mask = 0;
    int Shift = 0;
    int Bits = 0;
    explicit TChannel(uint32_t M) : Mask(M) {
        if (!M) return;
        Shift = std::countr_zero(M);
        Bits = std::bit_width(M >> Shift);
    }
    // The channel's value scaled to Width bits.
    uint32_t Get(uint32_t Pixel, int Width) const {
        if (!Bits) return 0;
        const uint64_t V = (Pixel & Mask) >> Shift;
        const uint64_t Max = (uint64_t{1} << Bits) - 1;
        return static_cast<uint32_t>((V * ((uint64_t{1} << Width) - 1) + Max / 2) / Max);
    }
};

}  // namespace

// Reads one BMP file image held in memory into a TBMPReader.
class TBMPParser {
  public:
    TBMPParser(const uint8_t* Data, size_t Size, const std::string& Name)
        : Data_(Data), Size_(Size), Name_(Name) {}

    void Parse(TBMPReader& B);

  private:
    [[noreturn]] void Fail(const std::string& Why) const { throw ESWFError(Name_ + ": " + Why); }
    const uint8_t* At(size_t Offset, size_t Count) const {
        if (Offset > Size_ || Count > Size_ - Offset) Fail("the bitmap file is truncated");
        return Data_ + Offset;
    }
    void ReadHeader(TBitmapInfoHeader& H, uint32_t Masks[4], size_t& PaletteAt, int& EntrySize);
    void ReadRLE(TBMPReader& B, size_t Offset, bool FourBit);
    void ConvertBitFields(TBMPReader& B, const uint32_t Masks[4]);

    const uint8_t* Data_;
    size_t Size_;
    const std::string& Name_;
};

void TBMPParser::ReadHeader(TBitmapInfoHeader& H, uint32_t Masks[4], size_t& PaletteAt, int& EntrySize) {
    const uint8_t* F = At(0, 18);
    if (F[0] != 'B' || F[1] != 'M') Fail("not a bitmap file");
    const uint32_t HeaderSize = U32(F + 14);
    if (HeaderSize == 12) {
        const uint8_t* C = At(14, 12);
        H.biSize = 12;
        H.biWidth = U16(C + 4);
        H.biHeight = U16(C + 6);
        H.biPlanes = U16(C + 8);
        H.biBitCount = U16(C + 10);
        PaletteAt = 26;
        EntrySize = 3;
        return;
    }
    // 40: BITMAPINFOHEADER; 52 and 56: the same with masks; 108 and 124: V4 and V5 (the colour space and
    // profile fields are not needed to show the pixels).
    if (HeaderSize != 40 && HeaderSize != 52 && HeaderSize != 56 && HeaderSize != 108 && HeaderSize != 124)
        Fail("bitmap header of " + std::to_string(HeaderSize) + " bytes is not supported");
    const uint8_t* I = At(14, HeaderSize);
    H.biSize = HeaderSize;
    H.biWidth = static_cast<int32_t>(U32(I + 4));
    H.biHeight = static_cast<int32_t>(U32(I + 8));
    H.biPlanes = U16(I + 12);
    H.biBitCount = U16(I + 14);
    H.biCompression = U32(I + 16);
    H.biSizeImage = U32(I + 20);
    H.biXPelsPerMeter = static_cast<int32_t>(U32(I + 24));
    H.biYPelsPerMeter = static_cast<int32_t>(U32(I + 28));
    H.biClrUsed = U32(I + 32);
    H.biClrImportant = U32(I + 36);
    PaletteAt = 14 + HeaderSize;
    EntrySize = 4;
    if (H.biCompression == BI_BITFIELDS || H.biCompression == BI_ALPHABITFIELDS) {
        const int Count = H.biCompression == BI_ALPHABITFIELDS ? 4 : 3;
        // Some writers leave out the masks after a 40-byte header; the pixel offset tells.
        const bool Missing = HeaderSize == 40 && U32(F + 10) < PaletteAt + 4 * Count;
        if (Missing) {
            Masks[0] = H.biBitCount == 16 ? 0x7C00 : 0xFF0000;
            Masks[1] = H.biBitCount == 16 ? 0x03E0 : 0xFF00;
            Masks[2] = H.biBitCount == 16 ? 0x001F : 0xFF;
            return;
        }
        const uint8_t* M = HeaderSize > 40 ? I + 40 : At(PaletteAt, 4 * Count);
        if (HeaderSize == 40) PaletteAt += 4 * Count;
        for (int i = 0; i < Count; ++i) Masks[i] = U32(M + 4 * i);
        if (HeaderSize >= 56) Masks[3] = U32(I + 52);
    }
}

void TBMPParser::Parse(TBMPReader& B) {
    TBitmapInfoHeader H;
    uint32_t Masks[4] = {0, 0, 0, 0};
    size_t PaletteAt = 0;
    int EntrySize = 4;
    ReadHeader(H, Masks, PaletteAt, EntrySize);

    const int Bits = H.biBitCount;
    if (Bits != 1 && Bits != 4 && Bits != 8 && Bits != 16 && Bits != 24 && Bits != 32)
        Fail(std::to_string(Bits) + " bits per pixel are not supported");
    const bool TopDown = H.biHeight < 0;
    const int64_t Width = H.biWidth, Height = TopDown ? -int64_t{H.biHeight} : H.biHeight;
    if (Width <= 0 || Height <= 0) Fail("the bitmap has no pixels");
    if (Width > TBMPReader::MaxDimension || Height > TBMPReader::MaxDimension ||
        Width * Height > TBMPReader::MaxPixels)
        Fail("the bitmap of " + std::to_string(Width) + " x " + std::to_string(Height) +
             " pixels is too large");

    const uint32_t C = H.biCompression;
    const bool RLE = C == BI_RLE8 || C == BI_RLE4;
    const bool Fields = C == BI_BITFIELDS || C == BI_ALPHABITFIELDS;
    if (C != BI_RGB && !RLE && !Fields) Fail("bitmap compression " + std::to_string(C) + " is not supported");
    if ((C == BI_RLE8 && Bits != 8) || (C == BI_RLE4 && Bits != 4) || (Fields && Bits != 16 && Bits != 32))
        Fail("bitmap compression " + std::to_string(C) + " does not fit " + std::to_string(Bits) + " bits");
    if (RLE && TopDown) Fail("a compressed bitmap cannot be top-down");

    // The pixel data is checked against the file before any memory is taken for it.
    const size_t Offset = U32(At(10, 4));
    const size_t Stride = TBMPReader::StrideFor(static_cast<int32_t>(Width), Bits);
    const size_t PixelBytes = Stride * static_cast<size_t>(Height);
    if (Offset >= Size_) Fail("the bitmap file is truncated");
    if (!RLE) At(Offset, PixelBytes);

    B.Allocate(static_cast<int32_t>(Width), static_cast<int32_t>(Height), Bits);
    TBitmapInfoHeader& Own = B.Header_;
    const auto Created = Own;
    Own = H;
    Own.biWidth = Created.biWidth;
    Own.biHeight = Created.biHeight;
    Own.biCompression = BI_RGB;
    Own.biSizeImage = Created.biSizeImage;

    if (Bits <= 8) {
        const uint32_t Max = 1u << Bits;
        const uint32_t Count = H.biClrUsed && H.biClrUsed < Max ? H.biClrUsed : Max;
        Own.biClrUsed = H.biClrUsed > Max ? 0 : H.biClrUsed;
        // A palette cut short by the pixel data keeps its missing entries black.
        const size_t Available = Offset > PaletteAt ? (Offset - PaletteAt) / EntrySize : 0;
        const uint32_t Read = static_cast<uint32_t>(std::min<size_t>(Count, Available));
        const uint8_t* P = At(PaletteAt, size_t{Read} * EntrySize);
        for (uint32_t i = 0; i < Read; ++i, P += EntrySize)
            B.Palette_[i] = {P[0], P[1], P[2], EntrySize == 4 ? P[3] : uint8_t{0}};
    }

    if (RLE) {
        ReadRLE(B, Offset, C == BI_RLE4);
    } else {
        const uint8_t* Src = Data_ + Offset;
        for (int64_t Row = 0; Row < Height; ++Row) {
            const int64_t Target = TopDown ? Height - 1 - Row : Row;
            std::memcpy(B.ScanLine(static_cast<int32_t>(Target)), Src + Row * Stride, Stride);
        }
        if (Fields) ConvertBitFields(B, Masks);
    }
    B.ApplyPaletteAlphaRule();
}

void TBMPParser::ReadRLE(TBMPReader& B, size_t Offset, bool FourBit) {
    const int32_t W = B.Width(), H = B.Height();
    int32_t X = 0, Y = 0;  // Y counts memory rows, bottom up
    size_t Pos = Offset;
    auto Next = [&] { return *At(Pos++, 1); };
    auto Put = [&](int Index) {
        if (X < W && Y < H) B.SetPixelIndex(B.ScanLine(Y), X, Index);
        ++X;
    };
    while (Y < H) {
        const int Count = Next(), Value = Next();
        if (Count > 0) {
            for (int i = 0; i < Count && X < W; ++i) Put(FourBit ? (i & 1 ? Value & 15 : Value >> 4) : Value);
        } else if (Value == 0) {
            X = 0;
            ++Y;
        } else if (Value == 1) {
            return;
        } else if (Value == 2) {
            X += Next();
            Y += Next();
        } else {
            const size_t Bytes = FourBit ? (Value + 1) / 2 : Value;
            const uint8_t* Literal = At(Pos, Bytes);
            Pos += Bytes + (Bytes & 1);
            for (int i = 0; i < Value && X < W; ++i)
                Put(FourBit ? (i & 1 ? Literal[i / 2] & 15 : Literal[i / 2] >> 4) : Literal[i]);
        }
    }
}

void TBMPParser::ConvertBitFields(TBMPReader& B, const uint32_t Masks[4]) {
    const TChannel R(Masks[0]), G(Masks[1]), Bl(Masks[2]), A(Masks[3]);
    const bool Sixteen = B.BitCount() == 16;
    for (int32_t Row = 0; Row < B.Height(); ++Row) {
        uint8_t* P = B.ScanLine(Row);
        for (int32_t X = 0; X < B.Width(); ++X) {
            if (Sixteen) {
                const uint32_t V = U16(P + 2 * X);
                const uint32_t Out = R.Get(V, 5) << 10 | G.Get(V, 5) << 5 | Bl.Get(V, 5);
                P[2 * X] = static_cast<uint8_t>(Out);
                P[2 * X + 1] = static_cast<uint8_t>(Out >> 8);
            } else {
                const uint32_t V = U32(P + 4 * X);
                P[4 * X] = static_cast<uint8_t>(Bl.Get(V, 8));
                P[4 * X + 1] = static_cast<uint8_t>(G.Get(V, 8));
                P[4 * X + 2] = static_cast<uint8_t>(R.Get(V, 8));
                P[4 * X + 3] = static_cast<uint8_t>(A.Get(V, 8));
            }
        }
    }
}

size_t TBMPReader::StrideFor(int32_t Width, int BitCount) {
    return (static_cast<size_t>(Width) * BitCount + 31) / 32 * 4;
}

void TBMPReader::Allocate(int32_t Width, int32_t Height, int BitCount) {
    FreeBitmap();
    Header_ = TBitmapInfoHeader{};
    Header_.biWidth = Width;
    Header_.biHeight = Height;
    Header_.biBitCount = static_cast<uint16_t>(BitCount);
    Stride_ = StrideFor(Width, BitCount);
    Header_.biSizeImage = static_cast<uint32_t>(Stride_ * Height);
    // calloc leaves untouched pages unmapped, so a sparse RLE picture costs only what it draws.
    Bits_.reset(static_cast<uint8_t*>(std::calloc(Stride_ * Height, 1)));
    if (!Bits_)
        throw ESWFError("out of memory for a bitmap of " + std::to_string(Width) + " x " +
                        std::to_string(Height) + " pixels");
}

void TBMPReader::Create(int32_t Width, int32_t Height, int BitCount) {
    if (Width <= 0 || Height <= 0 || Width > MaxDimension || Height > MaxDimension ||
        int64_t{Width} * Height > MaxPixels)
        throw ESWFError("bitmap size " + std::to_string(Width) + " x " + std::to_string(Height) +
                        " is not valid");
    if (BitCount != 1 && BitCount != 4 && BitCount != 8 && BitCount != 16 && BitCount != 24 && BitCount != 32)
        throw ESWFError(std::to_string(BitCount) + " bits per pixel are not supported");
    Allocate(Width, Height, BitCount);
}

void TBMPReader::FreeBitmap() {
    Bits_.reset();
    Stride_ = 0;
    Header_ = TBitmapInfoHeader{};
    std::fill(std::begin(Palette_), std::end(Palette_), TRGBQuad{});
    TransparentIndex_ = -1;
}

void TBMPReader::LoadFromFile(const std::string& FileName) {
    TMemoryStream S;
    try {
        S.LoadFromFile(FileName);
    } catch (const ESWFError& E) {
        throw ESWFError(FileName + ": " + E.what());
    }
    TBMPParser(S.Memory(), S.Bytes().size(), FileName).Parse(*this);
}

void TBMPReader::LoadFromStream(TStream& Stream, const std::string& Name) {
    std::vector<uint8_t> Bytes(static_cast<size_t>(Stream.Remaining()));
    Stream.ReadBuffer(Bytes.data(), Bytes.size());
    TBMPParser(Bytes.data(), Bytes.size(), Name).Parse(*this);
}

int TBMPReader::PixelIndex(const uint8_t* Row, int32_t X) const {
    switch (BitCount()) {
        case 1:
            return Row[X >> 3] >> (7 - (X & 7)) & 1;
        case 4:
            return X & 1 ? Row[X >> 1] & 15 : Row[X >> 1] >> 4;
        default:
            return Row[X];
    }
}

void TBMPReader::SetPixelIndex(uint8_t* Row, int32_t X, int Index) {
    switch (BitCount()) {
        case 1: {
            const uint8_t Bit = static_cast<uint8_t>(0x80 >> (X & 7));
            Row[X >> 3] = static_cast<uint8_t>(Index & 1 ? Row[X >> 3] | Bit : Row[X >> 3] & ~Bit);
            break;
        }
        case 4:
            Row[X >> 1] = static_cast<uint8_t>(X & 1 ? (Row[X >> 1] & 0xF0) | (Index & 15)
                                                     : (Row[X >> 1] & 0x0F) | (Index & 15) << 4);
            break;
        default:
            Row[X] = static_cast<uint8_t>(Index);
    }
}

// BMP files mostly leave the palette's alpha bytes 0, meaning opaque. 1- and 4-bit palettes are always
// opaque; an 8-bit palette is taken as carrying alpha only when its used entries mix 0 and 255, and then the
// first entry with alpha 0 is the transparent one.
void TBMPReader::ApplyPaletteAlphaRule() {
    TransparentIndex_ = -1;
    if (BitCount() == 1 || BitCount() == 4) {
        for (auto& E : Palette_) E.rgbReserved = 255;
        return;
    }
    if (BitCount() != 8) return;
    const uint32_t Used = Header_.biClrUsed && Header_.biClrUsed <= 256 ? Header_.biClrUsed : 256;
    bool Zero = false, Full = false;
    for (uint32_t i = 0; i < Used; ++i) {
        Zero |= Palette_[i].rgbReserved == 0;
        Full |= Palette_[i].rgbReserved == 255;
    }
    if (Zero && !Full) {
        for (auto& E : Palette_) E.rgbReserved = 255;
    } else if (Zero && Full) {
        for (int i = 0; i < 256; ++i)
            if (Palette_[i].rgbReserved == 0) {
                TransparentIndex_ = i;
                break;
            }
    }
}

int TBMPReader::CompactPalette() {
    const int Bits = BitCount();
    if (Bits > 8 || Empty()) return 0;
    bool Used[256] = {};
    int Count = 0;
    for (int32_t Y = 0; Y < Height(); ++Y) {
        const uint8_t* Row = ScanLine(Y);
        for (int32_t X = 0; X < Width(); ++X) {
            const int I = PixelIndex(Row, X);
            if (!Used[I]) Count += Used[I] = true;
        }
    }
    if (Bits == 1) return Used[1] ? 2 : 1;
    // An 8-bit bitmap using only entry 1 keeps two entries, so entry 1 stays where it is.
    if (Bits == 8 && Count == 1 && Used[1]) return 2;
    int Map[256];
    TRGBQuad Old[256];
    std::copy(std::begin(Palette_), std::end(Palette_), Old);
    int Next = 0;
    for (int i = 0; i < 256; ++i)
        if (Used[i]) {
            Map[i] = Next;
            Palette_[Next++] = Old[i];
        }
    std::fill(Palette_ + Next, Palette_ + 256, TRGBQuad{});
    if (TransparentIndex_ >= 0) TransparentIndex_ = Used[TransparentIndex_] ? Map[TransparentIndex_] : -1;
    for (int32_t Y = 0; Y < Height(); ++Y) {
        uint8_t* Row = ScanLine(Y);
        for (int32_t X = 0; X < Width(); ++X) SetPixelIndex(Row, X, Map[PixelIndex(Row, X)]);
    }
    Header_.biClrUsed = static_cast<uint32_t>(Count);
    return Count;
}
