// The pixel data of the lossless bitmap tags (DefineBitsLossless and DefineBitsLossless2) made from a bitmap.
#pragma once

#include <cstdint>
#include <vector>

#include "BMPReader.h"

// What the lossless tags need to know about a bitmap.
struct TLosslessInfo {
    // 3 colour-mapped, 4 15-bit RGB, 5 24-bit RGB, 1 32-bit with alpha (written as BitmapFormat 5)
    uint8_t Format = 0;
    uint16_t Width = 0, Height = 0;
    uint32_t PaddedWidth = 0;  // pixels per written row including padding
    uint32_t ColorCount = 0;   // palette entries written (format 3)
    bool HasAlpha = false;     // DefineBitsLossless2
    uint8_t BitmapFormat() const { return Format == 1 ? 5 : Format; }
};

// Analyses Bitmap for the lossless tags. A colour-mapped bitmap's palette is compacted to the entries in
// use, and its transparent entry (if any) gets alpha 0 and colour black.
TLosslessInfo AnalyseLosslessBitmap(TBMPReader& Bitmap);

// The uncompressed pixel data, top image row first. CheckAlpha false takes a 32-bit bitmap as opaque;
// otherwise it is opaque only when all its alpha bytes are 0 (as BMP files without alpha store them).
// DefineBitsLossless2 colours are premultiplied by their alpha, as players expect.
std::vector<uint8_t> LosslessPixels(const TBMPReader& Bitmap, const TLosslessInfo& Info,
                                    bool CheckAlpha = true);

// The same, zlib-compressed: the tag's ZlibBitmapData.
std::vector<uint8_t> MakeLosslessData(const TBMPReader& Bitmap, const TLosslessInfo& Info,
                                      bool CheckAlpha = true);

// zlib at the default level; raises ESWFError on failure.
std::vector<uint8_t> ZlibCompress(const uint8_t* Data, size_t Size);
