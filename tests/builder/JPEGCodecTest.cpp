#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "BMPTestUtil.h"
#include "JPEGCodec.h"

using namespace bmptest;

namespace {

TBMPReader Decode(const std::vector<uint8_t>& JPEG) {
    TBMPReader B;
    DecodeJPEG(JPEG.data(), JPEG.size(), "test.jpg", B);
    return B;
}

void ExpectError(const std::function<void()>& Run, const std::string& Name) {
    try {
        Run();
        ADD_FAILURE() << "no error";
    } catch (const ESWFError& E) {
        EXPECT_EQ(std::string(E.what()).rfind(Name + ": ", 0), 0u) << E.what();
    }
}

}  // namespace

TEST(JPEGCodec, SizeFromMarkersWithoutDecoding) {
    TTempDir Dir;
    const std::string Baseline = Dir.File("b.jpg"), Progressive = Dir.File("p.jpg");
    Convert("-size 800x600 gradient:red-blue -quality 90 " + Baseline);
    Convert("-size 640x480 gradient:red-blue -interlace JPEG " + Progressive);
    const std::vector<uint8_t> Bytes = ReadFile(Baseline);
    struct TCase {
        const char* Name;
        TJPEGFrame Frame;
        uint8_t Marker;
        int Width, Height;
    };
    std::vector<uint8_t> NotJPEG = Bytes;
    NotJPEG[1] = 0xD9;
    std::vector<uint8_t> Padded = {0xFF, 0xD8, 0xFF, 0xFF, 0xFF};  // fill bytes before a marker
    Padded.insert(Padded.end(), Bytes.begin() + 3, Bytes.end());
    const TCase Cases[] = {
        {"baseline file", ReadJPEGFrame(Baseline), 0xC0, 800, 600},
        {"baseline in memory", ReadJPEGFrame(Bytes.data(), Bytes.size()), 0xC0, 800, 600},
        {"fill bytes", ReadJPEGFrame(Padded.data(), Padded.size()), 0xC0, 800, 600},
        {"progressive", ReadJPEGFrame(Progressive), 0xC2, 640, 480},
        {"not a JPEG", ReadJPEGFrame(NotJPEG.data(), NotJPEG.size()), 0, 0, 0},
        {"cut before the frame header", ReadJPEGFrame(Bytes.data(), 30), 0, 0, 0},
        {"empty", ReadJPEGFrame(Bytes.data(), 0), 0, 0, 0},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(C.Frame.Marker, C.Marker);
        EXPECT_EQ(C.Frame.Width, C.Width);
        EXPECT_EQ(C.Frame.Height, C.Height);
    }
    EXPECT_TRUE(ReadJPEGFrame(Baseline).Sequential());
    EXPECT_TRUE(ReadJPEGFrame(Progressive).Progressive());
    EXPECT_FALSE(ReadJPEGFrame(Progressive).Sequential());
}

// The baseline copy decodes to exactly the pixels of the progressive original.
TEST(JPEGCodec, ProgressiveBecomesBaselineWithTheSamePixels) {
    TTempDir Dir;
    for (const char* Source :
         {"-size 67x45 gradient:red-blue -swirl 120", "-size 40x24 pattern:checkerboard"}) {
        SCOPED_TRACE(Source);
        const std::string Name = Dir.File("p.jpg");
        Convert(std::string(Source) + " -quality 80 -interlace JPEG " + Name);
        const std::vector<uint8_t> Original = ReadFile(Name);
        ASSERT_TRUE(ReadJPEGFrame(Original.data(), Original.size()).Progressive());
        const std::vector<uint8_t> Baseline = ConvertToBaselineJPEG(Original, Name);
        const TJPEGFrame Frame = ReadJPEGFrame(Baseline.data(), Baseline.size());
        EXPECT_TRUE(Frame.Sequential());
        const TBMPReader A = Decode(Original), B = Decode(Baseline);
        ASSERT_EQ(Frame.Width, A.Width());
        ASSERT_EQ(Frame.Height, A.Height());
        ASSERT_EQ(B.Width(), A.Width());
        ASSERT_EQ(B.Height(), A.Height());
        EXPECT_EQ(std::memcmp(A.ScanLine(0), B.ScanLine(0), A.RowStride() * A.Height()), 0);
    }
}

TEST(JPEGCodec, EncodesEveryDepthAndDecodesAgain) {
    std::vector<TRGBQuad> Palette = {{0, 0, 255, 0}, {255, 0, 0, 0}};
    std::vector<uint8_t> Indices(16 * 4);  // 16 x 16 8-bit, left half red, right half blue
    for (size_t i = 0; i < Indices.size(); ++i) Indices[i] = i % 16 >= 8;
    std::vector<uint8_t> Pixels8;
    for (int Y = 0; Y < 16; ++Y) Pixels8.insert(Pixels8.end(), Indices.begin(), Indices.begin() + 16);
    std::vector<uint8_t> Pixels32;
    for (int i = 0; i < 256; ++i) Pixels32.insert(Pixels32.end(), {0, 128, 255, 77});
    struct TCase {
        const char* Name;
        std::vector<uint8_t> File;
        TRGBA Left, Right;
    };
    const TCase Cases[] = {
        {"8-bit", MakeBMP(16, 16, 8, BI_RGB, Palette, Pixels8, 2), {255, 0, 0}, {0, 0, 255}},
        {"32-bit", MakeBMP(16, 16, 32, BI_RGB, {}, Pixels32), {255, 128, 0}, {255, 128, 0}},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        const TBMPReader B = Decode(EncodeJPEG(LoadBMP(C.File), 100));
        EXPECT_EQ(B.BitCount(), 24);
        for (auto [X, Want] : {std::pair{2, C.Left}, std::pair{13, C.Right}}) {
            const TRGBA Got = PixelAt(B, X, 5);
            EXPECT_NEAR(Got.R, Want.R, 3);
            EXPECT_NEAR(Got.G, Want.G, 3);
            EXPECT_NEAR(Got.B, Want.B, 3);
        }
    }
}

TEST(JPEGCodec, AlphaPlaneTopRowFirst) {
    // bottom row stored first: alpha 1 2 (bottom), 3 4 (top)
    const TBMPReader B =
        LoadBMP(MakeBMP(2, 2, 32, BI_RGB, {}, {0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4}));
    EXPECT_EQ(AlphaPlane(B), (std::vector<uint8_t>{3, 4, 1, 2}));
    // a 32-bit bitmap without alpha (all 0) is opaque
    const TBMPReader Opaque = LoadBMP(MakeBMP(1, 1, 32, BI_RGB, {}, {9, 9, 9, 0}));
    EXPECT_EQ(AlphaPlane(Opaque), (std::vector<uint8_t>{255}));
    const TBMPReader Mask8 = LoadBMP(MakeBMP(3, 1, 8, BI_RGB, {}, {0, 128, 255, 0}));
    EXPECT_EQ(AlphaPlane(Mask8), (std::vector<uint8_t>{0, 128, 255}));
    const TBMPReader Mask4 = LoadBMP(MakeBMP(2, 1, 4, BI_RGB, {}, {0x0F, 0, 0, 0}));
    EXPECT_EQ(AlphaPlane(Mask4), (std::vector<uint8_t>{0, 255}));
}

TEST(JPEGCodec, DamagedDataRaisesErrorsNamingTheFile) {
    TTempDir Dir;
    const std::string Name = Dir.File("p.jpg");
    Convert("-size 64x48 gradient:red-blue -swirl 90 -interlace JPEG " + Name);
    const std::vector<uint8_t> Good = ReadFile(Name);
    const std::vector<uint8_t> Truncated(Good.begin(), Good.begin() + Good.size() / 2);
    std::vector<uint8_t> Corrupt = Good;
    for (size_t i = Good.size() / 2; i < Good.size() / 2 + 64; ++i) Corrupt[i] = 0xFF;
    std::vector<uint8_t> Huge = Good;  // the frame says 65000 x 65000 pixels
    const uint8_t SOF2[] = {0xFF, 0xC2};
    const size_t At =
        static_cast<size_t>(std::search(Huge.begin(), Huge.end(), SOF2, SOF2 + 2) - Huge.begin());
    ASSERT_LT(At + 9, Huge.size());
    for (int i : {5, 6, 7, 8}) Huge[At + i] = i % 2 ? 0xFD : 0xE8;
    for (const auto& [What, Bytes] :
         {std::pair{"truncated", Truncated}, std::pair{"corrupt", Corrupt}, std::pair{"huge", Huge},
          std::pair{"header only", std::vector<uint8_t>(Good.begin(), Good.begin() + 20)}}) {
        SCOPED_TRACE(What);
        ExpectError(
            [&] {
                TBMPReader B;
                DecodeJPEG(Bytes.data(), Bytes.size(), Name, B);
            },
            Name);
        ExpectError([&] { ConvertToBaselineJPEG(Bytes, Name); }, Name);
    }
}
