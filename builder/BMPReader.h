// One device-independent bitmap held in memory, as read from a BMP file or filled by a picture decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "Stream.h"

// The BITMAPINFOHEADER fields; a core header (OS/2) is widened into it on reading.
struct TBitmapInfoHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};

struct TRGBQuad {
    uint8_t rgbBlue = 0, rgbGreen = 0, rgbRed = 0, rgbReserved = 0;  // rgbReserved is the alpha byte
    bool operator==(const TRGBQuad&) const = default;
};

enum : uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6 };

// Pixels are kept bottom-up (memory row 0 is the bottom image row) with rows padded to 4 bytes, the layout
// of a DIB section. 16-bit pixels are always 5-5-5 and 32-bit pixels blue, green, red, alpha: bit-field
// files are converted on reading, so the lossless writer needs no masks. Top-down files are flipped, so
// Height is never negative.
class TBMPReader {
  public:
    // Larger pictures are refused before any pixel memory is taken.
    static constexpr int64_t MaxPixels = int64_t{16384} * 16384;
    static constexpr int32_t MaxDimension = 65535;

    void LoadFromFile(const std::string& FileName);
    // Reads a BMP file image from Stream's position; Name is used in error messages.
    void LoadFromStream(TStream& Stream, const std::string& Name = "bitmap stream");
    // An empty (zeroed) bitmap of the given size; BitCount 1, 4, 8, 16, 24 or 32.
    void Create(int32_t Width, int32_t Height, int BitCount);
    void FreeBitmap();

    bool Empty() const { return !Bits_; }
    int32_t Width() const { return Header_.biWidth; }
    int32_t Height() const { return Header_.biHeight; }
    int BitCount() const { return Header_.biBitCount; }
    const TBitmapInfoHeader& Header() const { return Header_; }
    TRGBQuad* Palette() { return Palette_; }
    const TRGBQuad* Palette() const { return Palette_; }
    // -1 when the bitmap has no transparent palette entry.
    int TransparentIndex() const { return TransparentIndex_; }
    void SetTransparentIndex(int Index) { TransparentIndex_ = Index; }

    size_t RowStride() const { return Stride_; }
    // Row in memory order (0 = bottom image row).
    uint8_t* ScanLine(int32_t Row) { return Bits_.get() + static_cast<size_t>(Row) * Stride_; }
    const uint8_t* ScanLine(int32_t Row) const { return Bits_.get() + static_cast<size_t>(Row) * Stride_; }
    // Row in image order (0 = top image row).
    uint8_t* ImageRow(int32_t Y) { return ScanLine(Height() - 1 - Y); }
    const uint8_t* ImageRow(int32_t Y) const { return ScanLine(Height() - 1 - Y); }
    // Palette index of pixel X in an image row of a 1-, 4- or 8-bit bitmap.
    int PixelIndex(const uint8_t* Row, int32_t X) const;
    void SetPixelIndex(uint8_t* Row, int32_t X, int Index);

    // Sets the palette's alpha bytes the way readers of BMP files expect (see the .cpp).
    void ApplyPaletteAlphaRule();
    // Number of palette entries the pixels use. 4- and 8-bit palettes are compacted so the used entries
    // come first in their old order, with the pixels and the transparent index renumbered to match.
    int CompactPalette();

    static size_t StrideFor(int32_t Width, int BitCount);

  private:
    friend class TBMPParser;
    struct TFreeDeleter {
        void operator()(uint8_t* P) const { std::free(P); }
    };
    void Allocate(int32_t Width, int32_t Height, int BitCount);

    TBitmapInfoHeader Header_;
    TRGBQuad Palette_[256];
    int TransparentIndex_ = -1;
    size_t Stride_ = 0;
    std::unique_ptr<uint8_t, TFreeDeleter> Bits_;
};
