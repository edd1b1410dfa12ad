#include <gtest/gtest.h>

#include "BMPReader.h"
#include "BMPTestUtil.h"

using namespace bmptest;

namespace {

constexpr int W = 7, H = 5;  // odd width: rows of every depth need padding

enum class TSource { TwoColours, FourColours, TwentyColours };

TRGBA SourcePixel(TSource S, int X, int Y) {
    switch (S) {
        case TSource::TwoColours:
            return (X + Y) % 2 ? TRGBA{255, 255, 255} : TRGBA{0, 0, 0};
        case TSource::FourColours: {
            static const TRGBA C[] = {{255, 0, 0}, {0, 0, 255}, {255, 255, 255}, {0, 255, 0}};
            return C[(X + 2 * Y) % 4];
        }
        default: {
            const int I = (X + W * Y) % 20;
            return {uint8_t(I * 12), uint8_t(255 - I * 12), uint8_t(I * 37 % 256)};
        }
    }
}

void ExpectPixels(const TBMPReader& B, TSource S, int Tolerance, uint8_t Alpha = 255) {
    ASSERT_EQ(B.Width(), W);
    ASSERT_EQ(B.Height(), H);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) {
            const TRGBA Want = SourcePixel(S, X, Y), Got = PixelAt(B, X, Y);
            EXPECT_NEAR(Got.R, Want.R, Tolerance) << X << "," << Y;
            EXPECT_NEAR(Got.G, Want.G, Tolerance) << X << "," << Y;
            EXPECT_NEAR(Got.B, Want.B, Tolerance) << X << "," << Y;
            EXPECT_EQ(Got.A, Alpha) << X << "," << Y;
        }
}

std::string MakeSource(const TTempDir& Dir, TSource S) {
    std::vector<TRGBA> Pixels;
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) Pixels.push_back(SourcePixel(S, X, Y));
    const std::string Name = Dir.File("source" + std::to_string(int(S)) + ".ppm");
    WritePPM(Name, W, H, Pixels);
    return Name;
}

uint32_t HeaderSize(const std::vector<uint8_t>& F) {
    return F[14] | F[15] << 8 | F[16] << 16 | F[17] << 24;
}

// A V5 file turned into the same picture with a V4 header (the V5 fields are the last 16 header bytes).
std::vector<uint8_t> V5ToV4(std::vector<uint8_t> F) {
    F.erase(F.begin() + 14 + 108, F.begin() + 14 + 124);
    F[14] = 108;
    const uint32_t Offset = (F[10] | F[11] << 8 | F[12] << 16 | F[13] << 24) - 16;
    for (int i = 0; i < 4; ++i) F[10 + i] = uint8_t(Offset >> (8 * i));
    return F;
}

}  // namespace

// Every kind of BMP file ImageMagick writes decodes to the pixels it was made from.
TEST(BMPReader, DecodesEveryKindOfFile) {
    struct TCase {
        const char* Name;
        TSource Source;
        const char* Options;
        const char* Format;
        int Bits;
        uint32_t Header;  // bytes of the info header in the file
        int Tolerance;
    };
    const TCase Cases[] = {
        {"1-bit", TSource::TwoColours, "-type Bilevel", "BMP3", 1, 40, 0},
        {"4-bit", TSource::FourColours, "-type Palette", "BMP3", 4, 40, 0},
        {"8-bit", TSource::TwentyColours, "-type Palette", "BMP3", 8, 40, 0},
        {"RLE8 few colours", TSource::FourColours, "-type Palette -compress RLE", "BMP3", 8, 40, 0},
        {"RLE8", TSource::TwentyColours, "-type Palette -compress RLE", "BMP3", 8, 40, 0},
        {"24-bit", TSource::TwentyColours, "-type TrueColor", "BMP3", 24, 40, 0},
        {"32-bit", TSource::TwentyColours, "-type TrueColorAlpha -define bmp3:alpha=true", "BMP3", 32, 40, 0},
        {"16-bit 5-5-5 without masks", TSource::TwentyColours, "-type TrueColor -define bmp:subtype=RGB555",
         "BMP3", 16, 40, 10},
        {"16-bit 5-6-5 V5", TSource::TwentyColours, "-type TrueColor -define bmp:subtype=RGB565", "BMP", 16,
         124, 10},
        {"16-bit 5-5-5 V5", TSource::TwentyColours, "-type TrueColor -define bmp:subtype=RGB555", "BMP", 16,
         124, 10},
        {"4-bit V5", TSource::FourColours, "-type Palette", "BMP", 4, 124, 0},
        {"32-bit V5 bit fields", TSource::TwentyColours, "-type TrueColorAlpha", "BMP", 32, 124, 0},
        {"core 1-bit", TSource::TwoColours, "-type Bilevel", "BMP2", 1, 12, 0},
        {"core 4-bit", TSource::FourColours, "-type Palette", "BMP2", 4, 12, 0},
        {"core 8-bit", TSource::TwentyColours, "-type Palette", "BMP2", 8, 12, 0},
        {"core 24-bit", TSource::FourColours, "-type TrueColor", "BMP2", 24, 12, 0},
    };
    TTempDir Dir;
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        const std::string Out = Dir.File(std::string(C.Name) + ".bmp");
        Convert(MakeSource(Dir, C.Source) + " " + C.Options + " " + C.Format + ":'" + Out + "'");
        const std::vector<uint8_t> File = ReadFile(Out);
        ASSERT_EQ(HeaderSize(File), C.Header);
        TBMPReader B;
        B.LoadFromFile(Out);
        EXPECT_EQ(B.BitCount(), C.Bits);
        EXPECT_EQ(B.TransparentIndex(), -1);
        ExpectPixels(B, C.Source, C.Tolerance);
        if (C.Header == 124) {
            SCOPED_TRACE("as V4");
            ExpectPixels(LoadBMP(V5ToV4(File)), C.Source, C.Tolerance);
        }
    }
}

TEST(BMPReader, TopDownRowsAreFlipped) {
    TTempDir Dir;
    const std::string Out = Dir.File("a.bmp");
    Convert(MakeSource(Dir, TSource::TwentyColours) + " -type TrueColor BMP3:" + Out);
    std::vector<uint8_t> F = ReadFile(Out);
    // reverse the rows and negate the height
    const size_t Stride = TBMPReader::StrideFor(W, 24), Offset = F[10];
    std::vector<uint8_t> Flipped(F.begin(), F.begin() + Offset);
    for (int Row = H - 1; Row >= 0; --Row)
        Flipped.insert(Flipped.end(), F.begin() + Offset + Row * Stride,
                       F.begin() + Offset + (Row + 1) * Stride);
    const uint32_t Negative = static_cast<uint32_t>(-H);
    for (int i = 0; i < 4; ++i) Flipped[22 + i] = uint8_t(Negative >> (8 * i));
    const TBMPReader B = LoadBMP(Flipped);
    EXPECT_EQ(B.Height(), H);
    ExpectPixels(B, TSource::TwentyColours, 0);
}

// Runs, literal runs with and without padding, clipped runs, end of line, delta moves and end of bitmap.
TEST(BMPReader, DecodesRunLengthData) {
    std::vector<TRGBQuad> Palette;
    for (int i = 0; i < 16; ++i) Palette.push_back({uint8_t(i), uint8_t(16 * i), uint8_t(255 - i), 0});
    struct TCase {
        const char* Name;
        int Bits;
        uint32_t Compression;
        std::vector<uint8_t> Data;
        std::vector<std::vector<int>> Rows;  // top row first
    };
    const TCase Cases[] = {
        {"RLE8",
         8,
         1,
         {3, 1, 0, 0,                    // bottom row: run of three 1s, end of line
          0, 3, 2, 3, 4, 0, 6, 5, 0, 0,  // literal 2 3 4 padded to a word, run of six 5s clipped to one
          0, 2, 1, 0, 2, 7, 0, 1},       // delta one right, run of two 7s, end of bitmap
         {{0, 7, 7, 0}, {2, 3, 4, 5}, {1, 1, 1, 0}}},
        {"RLE4",
         4,
         2,
         {4, 0x12, 0, 0,            // bottom row: alternating 1 2 1 2
          0, 3, 0x34, 0x50, 0, 1},  // literal 3 4 5 (two bytes, no padding), end of bitmap
         {{3, 4, 5, 0}, {1, 2, 1, 2}}},
        {"RLE4 padded literal and delta",
         4,
         2,
         {0, 2, 0, 1, 0, 5, 0x9A, 0xBC, 0xD0, 0,  // delta one row up; literal 9 A B C (D clipped), padded
          0, 1},
         {{9, 10, 11, 12}, {0, 0, 0, 0}}},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        const int Height = static_cast<int>(C.Rows.size());
        const TBMPReader B = LoadBMP(MakeBMP(4, Height, C.Bits, C.Compression, Palette, C.Data));
        ASSERT_EQ(B.BitCount(), C.Bits);
        for (int Y = 0; Y < Height; ++Y)
            for (int X = 0; X < 4; ++X)
                EXPECT_EQ(B.PixelIndex(B.ImageRow(Y), X), C.Rows[Y][X]) << X << "," << Y;
    }
}

TEST(BMPReader, ReadsBitFieldMasks) {
    // 32-bit pixels stored as R, G, B, A bytes (masks 0xFF, 0xFF00, 0xFF0000, 0xFF000000), and 16-bit
    // 4-4-4 pixels; both after a 40-byte header followed by their masks.
    std::vector<uint8_t> F32 = MakeBMP(2, 1, 32, BI_BITFIELDS, {}, {10, 20, 30, 40, 200, 100, 50, 0});
    std::vector<uint8_t> Masks;
    for (uint32_t M : {0xFFu, 0xFF00u, 0xFF0000u}) Put32(Masks, M);
    F32.insert(F32.begin() + 54, Masks.begin(), Masks.end());
    F32[10] += 12;
    // the 40-byte header carries no alpha mask, so alpha is 0 (a bitmap without alpha)
    const TBMPReader B32 = LoadBMP(F32);
    EXPECT_EQ(PixelAt(B32, 0, 0), (TRGBA{10, 20, 30, 0}));
    EXPECT_EQ(PixelAt(B32, 1, 0), (TRGBA{200, 100, 50, 0}));

    std::vector<uint8_t> F16 =
        MakeBMP(1, 1, 16, BI_BITFIELDS, {}, {0x0F, 0x0F, 0, 0});  // 0x0F0F: R 15 G 0 B 15
    std::vector<uint8_t> Masks16;
    for (uint32_t M : {0x0F00u, 0x00F0u, 0x000Fu}) Put32(Masks16, M);
    F16.insert(F16.begin() + 54, Masks16.begin(), Masks16.end());
    F16[10] += 12;
    EXPECT_EQ(PixelAt(LoadBMP(F16), 0, 0), (TRGBA{255, 0, 255, 255}));
}

TEST(BMPReader, PaletteAlphaRule) {
    struct TCase {
        const char* Name;
        int Bits;
        std::vector<uint8_t> Alphas;  // of the palette entries written
        uint32_t ClrUsed;
        std::vector<uint8_t> Expected;  // alpha bytes of the first entries after loading
        int Transparent;
    };
    const TCase Cases[] = {
        {"8-bit all zero becomes opaque", 8, {0, 0, 0, 0}, 4, {255, 255, 255, 255}, -1},
        {"8-bit mix of 0 and 255 is kept", 8, {255, 0, 255, 0}, 4, {255, 0, 255, 0}, 1},
        {"8-bit without 0 is kept", 8, {255, 128, 7, 255}, 4, {255, 128, 7, 255}, -1},
        {"8-bit 0 without 255 becomes opaque", 8, {128, 0, 7, 0}, 4, {255, 255, 255, 255}, -1},
        {"8-bit unused entries count when no colours-used count",
         8,
         {255, 255, 255, 255},
         0,
         {255, 255, 255, 255},
         4},
        {"4-bit is always opaque", 4, {255, 0, 255, 0}, 4, {255, 255, 255, 255}, -1},
        {"1-bit is always opaque", 1, {0, 255}, 2, {255, 255}, -1},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        std::vector<TRGBQuad> Palette;
        for (uint8_t A : C.Alphas) Palette.push_back({1, 2, 3, A});
        const TBMPReader B = LoadBMP(MakeBMP(1, 1, C.Bits, BI_RGB, Palette, {0, 0, 0, 0}, C.ClrUsed));
        for (size_t i = 0; i < C.Expected.size(); ++i)
            EXPECT_EQ(B.Palette()[i].rgbReserved, C.Expected[i]) << i;
        EXPECT_EQ(B.TransparentIndex(), C.Transparent);
    }
}

TEST(BMPReader, CompactsPaletteToUsedEntries) {
    std::vector<TRGBQuad> Palette;
    for (int i = 0; i < 16; ++i) Palette.push_back({uint8_t(i), 0, 0, 255});
    struct TCase {
        const char* Name;
        int Bits;
        std::vector<uint8_t> Row;  // one row of four pixels, as stored
        int Transparent;
        int Count;
        std::vector<int> Indices;  // after compaction
        int NewTransparent;
    };
    const TCase Cases[] = {
        {"8-bit", 8, {7, 3, 7, 9}, 9, 3, {1, 0, 1, 2}, 2},
        {"8-bit transparent entry unused", 8, {7, 3, 7, 9}, 5, 3, {1, 0, 1, 2}, -1},
        {"4-bit", 4, {0xF3, 0x3F, 0, 0}, -1, 2, {1, 0, 0, 1}, -1},
        {"8-bit using only entry 1", 8, {1, 1, 1, 1}, -1, 2, {1, 1, 1, 1}, -1},
        {"1-bit using only entry 0", 1, {0x00, 0, 0, 0}, -1, 1, {0, 0, 0, 0}, -1},
        {"1-bit padding bits do not count", 1, {0x0F, 0, 0, 0}, -1, 1, {0, 0, 0, 0}, -1},
        {"1-bit", 1, {0x40, 0, 0, 0}, -1, 2, {0, 1, 0, 0}, -1},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TBMPReader B = LoadBMP(MakeBMP(4, 1, C.Bits, BI_RGB,
                                       {Palette.begin(), Palette.begin() + (C.Bits == 1 ? 2 : 16)}, C.Row));
        B.SetTransparentIndex(C.Transparent);
        const TRGBQuad Before = B.Palette()[C.Indices.empty() ? 0 : B.PixelIndex(B.ImageRow(0), 1)];
        EXPECT_EQ(B.CompactPalette(), C.Count);
        for (int X = 0; X < 4; ++X) EXPECT_EQ(B.PixelIndex(B.ImageRow(0), X), C.Indices[X]) << X;
        EXPECT_EQ(B.Palette()[B.PixelIndex(B.ImageRow(0), 1)], Before);  // pixels keep their colour
        EXPECT_EQ(B.TransparentIndex(), C.NewTransparent);
    }
}

// Damaged or hostile files raise an error naming the file, before taking memory for pixels.
TEST(BMPReader, RefusesBadFiles) {
    auto Header = [](int32_t Width, int32_t Height, int Bits, uint32_t Compression, uint32_t Size = 40) {
        std::vector<uint8_t> F = MakeBMP(Width, Height, Bits, Compression, {}, {0, 0, 0, 0});
        F[14] = static_cast<uint8_t>(Size);
        return F;
    };
    std::vector<uint8_t> NoMagic = Header(1, 1, 24, 0);
    NoMagic[0] = 'X';
    const std::vector<uint8_t> Complete = MakeBMP(4, 2, 8, BI_RLE8, {}, {4, 1, 0, 0, 4, 2, 0, 1});
    struct TCase {
        const char* Name;
        std::vector<uint8_t> File;
        const char* Message;
    };
    const TCase Cases[] = {
        {"100000 x 100000 pixels", Header(100000, 100000, 24, 0), "too large"},
        {"100000 x 100000 compressed", Header(100000, 100000, 8, BI_RLE8), "too large"},
        {"top-down 100000 x 100000", Header(100000, -100000, 32, 0), "too large"},
        {"height -2^31", Header(1, INT32_MIN, 24, 0), "too large"},
        {"pixels missing", Header(3000, 3000, 24, 0), "truncated"},
        {"no pixels", Header(0, 5, 24, 0), "no pixels"},
        {"OS/2 2.x header", Header(1, 1, 24, 0, 64), "header of 64 bytes is not supported"},
        {"7 bits", Header(1, 1, 7, 0), "7 bits per pixel are not supported"},
        {"embedded JPEG", Header(1, 1, 24, 4), "compression 4 is not supported"},
        {"RLE8 with 24 bits", Header(1, 1, 24, BI_RLE8), "does not fit"},
        {"not a bitmap", NoMagic, "not a bitmap file"},
        {"header cut short", std::vector<uint8_t>(Complete.begin(), Complete.begin() + 30), "truncated"},
        {"RLE data ends early", std::vector<uint8_t>(Complete.begin(), Complete.end() - 2), "truncated"},
        {"RLE literal beyond the end", MakeBMP(4, 2, 8, BI_RLE8, {}, {0, 10, 1, 2}), "truncated"},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        try {
            LoadBMP(C.File);
            ADD_FAILURE() << "no error";
        } catch (const ESWFError& E) {
            EXPECT_EQ(std::string(E.what()).rfind("test.bmp: ", 0), 0u) << E.what();
            EXPECT_NE(std::string(E.what()).find(C.Message), std::string::npos) << E.what();
        }
    }
}

TEST(BMPReader, TruncatedFileErrorNamesTheFile) {
    TTempDir Dir;
    const std::string Out = Dir.File("cut.bmp");
    Convert(MakeSource(Dir, TSource::TwentyColours) + " -type TrueColor BMP3:" + Out);
    std::vector<uint8_t> F = ReadFile(Out);
    F.resize(F.size() / 2);
    WriteFile(Out, F);
    TBMPReader B;
    try {
        B.LoadFromFile(Out);
        FAIL() << "no error";
    } catch (const ESWFError& E) {
        EXPECT_EQ(std::string(E.what()), Out + ": the bitmap file is truncated");
    }
    EXPECT_THROW(B.LoadFromFile(Dir.File("missing.bmp")), ESWFError);
}

TEST(BMPReader, FreeBitmapReleasesEverything) {
    TBMPReader B = LoadBMP(MakeBMP(1, 1, 8, BI_RGB, {{1, 2, 3, 255}, {0, 0, 0, 0}}, {0, 0, 0, 0}, 2));
    EXPECT_EQ(B.TransparentIndex(), 1);
    B.FreeBitmap();
    EXPECT_TRUE(B.Empty());
    EXPECT_EQ(B.Width(), 0);
    EXPECT_EQ(B.TransparentIndex(), -1);
    EXPECT_EQ(B.Palette()[0], TRGBQuad{});
}
