#include <gtest/gtest.h>
#include <zlib.h>

#include "BMPTestUtil.h"
#include "LosslessData.h"

using namespace bmptest;

namespace {

std::vector<uint8_t> Inflate(const std::vector<uint8_t>& Z, size_t Size) {
    std::vector<uint8_t> Out(Size + 16);
    uLongf Length = static_cast<uLongf>(Out.size());
    EXPECT_EQ(uncompress(Out.data(), &Length, Z.data(), static_cast<uLong>(Z.size())), Z_OK);
    Out.resize(Length);
    return Out;
}

}  // namespace

// Each depth gives the tag format, row padding and bytes players expect; the zlib data inflates to them.
TEST(LosslessData, PixelDataOfEveryFormat) {
    std::vector<TRGBQuad> Five;
    for (int i = 0; i < 9; ++i) Five.push_back({uint8_t(i), uint8_t(10 + i), uint8_t(20 + i), 0});
    struct TCase {
        const char* Name;
        std::vector<uint8_t> File;
        uint8_t Format, BitmapFormat;
        uint32_t PaddedWidth, ColorCount;
        bool HasAlpha;
        std::vector<uint8_t> Pixels;
    };
    const TCase Cases[] = {
        {"24-bit 3 x 2: 255 R G B, top row first",
         MakeBMP(3, 2, 24, BI_RGB, {},
                 {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0}),
         5,
         5,
         3,
         0,
         false,
         {255, 13, 12, 11, 255, 16, 15, 14, 255, 19, 18, 17, 255, 3, 2, 1, 255, 6, 5, 4, 255, 9, 8, 7}},
        {"8-bit using 5 of 9 entries: compact table, rows padded to 4",
         MakeBMP(5, 1, 8, BI_RGB, Five, {8, 2, 4, 0, 6, 0, 0, 0}, 9),
         3,
         3,
         8,
         5,
         false,
         {20, 10, 0, 22, 12, 2, 24, 14, 4, 26, 16, 6, 28, 18, 8, 4, 1, 2, 0, 3, 0, 0, 0}},
        {"4-bit high nibble first",
         MakeBMP(3, 1, 4, BI_RGB, Five, {0x21, 0x20, 0, 0}, 9),
         3,
         3,
         4,
         2,
         false,
         {21, 11, 1, 22, 12, 2, 1, 0, 1, 0}},
        {"1-bit most significant bit first",
         MakeBMP(3, 1, 1, BI_RGB, {{0, 0, 0, 0}, {255, 255, 255, 0}}, {0x40, 0, 0, 0}),
         3,
         3,
         4,
         2,
         false,
         {0, 0, 0, 255, 255, 255, 0, 1, 0, 0}},
        {"8-bit mix of alpha 0 and 255: RGBA table, transparent entry black",
         MakeBMP(2, 1, 8, BI_RGB, {{1, 2, 3, 255}, {4, 5, 6, 0}}, {1, 0, 0, 0}, 2),
         3,
         3,
         4,
         2,
         true,
         {3, 2, 1, 255, 0, 0, 0, 0, 1, 0, 0, 0}},
        {"16-bit odd width: high byte first, one zero pixel of padding",
         MakeBMP(3, 1, 16, BI_RGB, {}, {0x34, 0x12, 0x78, 0x56, 0xBC, 0x1A, 0, 0}),
         4,
         4,
         4,
         0,
         false,
         {0x12, 0x34, 0x56, 0x78, 0x1A, 0xBC, 0, 0}},
        {"32-bit with all alpha bytes 0 is opaque",
         MakeBMP(2, 1, 32, BI_RGB, {}, {1, 2, 3, 0, 4, 5, 6, 0}),
         1,
         5,
         2,
         0,
         true,
         {255, 3, 2, 1, 255, 6, 5, 4}},
        {"32-bit alpha: premultiplied, clear pixels all zero",
         MakeBMP(3, 1, 32, BI_RGB, {}, {100, 200, 50, 255, 100, 200, 50, 128, 100, 200, 50, 0}),
         1,
         5,
         3,
         0,
         true,
         {255, 50, 200, 100, 128, 25, 100, 50, 0, 0, 0, 0}},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TBMPReader B = LoadBMP(C.File);
        const TLosslessInfo I = AnalyseLosslessBitmap(B);
        EXPECT_EQ(I.Format, C.Format);
        EXPECT_EQ(I.BitmapFormat(), C.BitmapFormat);
        EXPECT_EQ(I.Width, B.Width());
        EXPECT_EQ(I.Height, B.Height());
        EXPECT_EQ(I.PaddedWidth, C.PaddedWidth);
        EXPECT_EQ(I.ColorCount, C.ColorCount);
        EXPECT_EQ(I.HasAlpha, C.HasAlpha);
        EXPECT_EQ(LosslessPixels(B, I), C.Pixels);
        EXPECT_EQ(Inflate(MakeLosslessData(B, I), C.Pixels.size()), C.Pixels);
    }
}

TEST(LosslessData, AlphaCheckOffTakes32BitAsOpaque) {
    TBMPReader B = LoadBMP(MakeBMP(1, 1, 32, BI_RGB, {}, {10, 20, 30, 0}));
    B.ImageRow(0)[3] = 7;
    const TLosslessInfo I = AnalyseLosslessBitmap(B);
    EXPECT_EQ(LosslessPixels(B, I, false), (std::vector<uint8_t>{255, 30, 20, 10}));
    EXPECT_EQ(LosslessPixels(B, I, true), (std::vector<uint8_t>{7, 1, 1, 0}));
}
