#include <gtest/gtest.h>

#include "BMPTestUtil.h"
#include "VipsLoader.h"

using namespace bmptest;

namespace {

TBMPReader Load(const std::string& Name) {
    TBMPReader B;
    LoadPictureWithVips(Name, B);
    return B;
}

}  // namespace

// A 3 x 2 picture: red, half-transparent green, clear / blue, white, black.
TEST(VipsLoader, PicturesBecomeTheRightBitmapKind) {
    TTempDir Dir;
    const std::string Source = Dir.File("s.ppm");
    WritePPM(Source, 3, 2, {{255, 0, 0}, {0, 255, 0}, {0, 0, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}});
    const std::string Alpha = Dir.File("alpha.pgm");
    WriteFile(Alpha, {'P', '5', '\n', '3', ' ', '2', '\n', '2', '5', '5', '\n', 255, 128, 0, 255, 255, 255});
    const std::string Opaque = Dir.File("opaque.png"), WithAlpha = Dir.File("alpha.png"),
                      Gif = Dir.File("clear.gif"), Tiff = Dir.File("p.tif");
    Convert(Source + " PNG24:" + Opaque);
    Convert(Source + " " + Alpha + " -alpha off -compose CopyOpacity -composite PNG32:" + WithAlpha);
    Convert(Source + " -fill none -draw 'color 2,0 point' -draw 'color 1,0 point' " + Gif);
    Convert(Source + " " + Tiff);

    const TBMPReader P24 = Load(Opaque), Tif = Load(Tiff);
    for (const TBMPReader* B : {&P24, &Tif}) {
        EXPECT_EQ(B->BitCount(), 24);
        EXPECT_EQ(PixelAt(*B, 0, 0), (TRGBA{255, 0, 0}));
        EXPECT_EQ(PixelAt(*B, 1, 0), (TRGBA{0, 255, 0}));
        EXPECT_EQ(PixelAt(*B, 0, 1), (TRGBA{0, 0, 255}));
        EXPECT_EQ(PixelAt(*B, 1, 1), (TRGBA{255, 255, 255}));
    }

    const TBMPReader P32 = Load(WithAlpha);
    EXPECT_EQ(P32.BitCount(), 32);
    EXPECT_EQ(PixelAt(P32, 0, 0), (TRGBA{255, 0, 0, 255}));
    EXPECT_EQ(PixelAt(P32, 1, 0), (TRGBA{0, 255, 0, 128}));
    EXPECT_EQ(PixelAt(P32, 2, 0).A, 0);
    EXPECT_EQ(PixelAt(P32, 1, 1), (TRGBA{255, 255, 255, 255}));

    const std::string Palette = Dir.File("palette.png");
    Convert(Source + " PNG8:" + Palette);
    const TBMPReader P8 = Load(Palette);
    EXPECT_EQ(P8.BitCount(), 8);
    EXPECT_EQ(P8.TransparentIndex(), -1);
    EXPECT_EQ(PixelAt(P8, 1, 1), (TRGBA{255, 255, 255, 255}));

    const TBMPReader G = Load(Gif);
    ASSERT_EQ(G.BitCount(), 8);
    ASSERT_GE(G.TransparentIndex(), 0);
    EXPECT_EQ(G.PixelIndex(G.ImageRow(0), 1), G.TransparentIndex());
    EXPECT_EQ(G.PixelIndex(G.ImageRow(0), 2), G.TransparentIndex());
    EXPECT_EQ(PixelAt(G, 1, 0).A, 0);
    EXPECT_EQ(PixelAt(G, 0, 0), (TRGBA{255, 0, 0, 255}));
    EXPECT_EQ(PixelAt(G, 0, 1), (TRGBA{0, 0, 255, 255}));
    EXPECT_EQ(PixelAt(G, 2, 1), (TRGBA{0, 0, 0, 255}));
}

TEST(VipsLoader, UnknownExtensionIsNotSupported) {
    TBMPReader B;
    for (const auto& [File, Message] : {std::pair{"picture.xyz", "Image format \"XYZ\" not supported!"},
                                        std::pair{"dir.v2/picture", "Image format \"\" not supported!"}}) {
        try {
            LoadPictureWithVips(File, B);
            ADD_FAILURE() << File;
        } catch (const ESWFError& E) {
            EXPECT_STREQ(E.what(), Message);
        }
    }
    EXPECT_EQ(UpperExtension("a/b.Png"), "PNG");
    EXPECT_TRUE(VipsLoadsExtension("GIF"));
}

TEST(VipsLoader, DamagedFilesRaiseErrorsNamingTheFile) {
    TTempDir Dir;
    const std::string Good = Dir.File("good.png");
    Convert("-size 64x64 gradient:red-blue -swirl 90 " + Good);
    const std::vector<uint8_t> Bytes = ReadFile(Good);
    std::vector<uint8_t> Corrupt = Bytes;
    for (size_t i = Bytes.size() / 2; i < Bytes.size() / 2 + 16; ++i) Corrupt[i] ^= 0x5A;
    const std::string Truncated = Dir.File("cut.png"), Damaged = Dir.File("bad.png"),
                      Empty = Dir.File("e.gif");
    WriteFile(Truncated, std::vector<uint8_t>(Bytes.begin(), Bytes.begin() + Bytes.size() / 2));
    WriteFile(Damaged, Corrupt);
    WriteFile(Empty, {});
    for (const std::string& Name : {Truncated, Damaged, Empty, Dir.File("missing.png")}) {
        SCOPED_TRACE(Name);
        try {
            Load(Name);
            ADD_FAILURE() << "no error";
        } catch (const ESWFError& E) {
            EXPECT_EQ(std::string(E.what()).rfind(Name + ": ", 0), 0u) << E.what();
        }
    }
}
