#include <gtest/gtest.h>

#include "BitsEngine.h"
#include "TestUtil.h"

TEST(BitsEngine, PacksBitFieldsMostSignificantFirst) {
    EXPECT_EQ(Hex(Written([](TBitsEngine& BE) {
                  BE.WriteBits(5u, 3);
                  BE.WriteBits(1u, 5);
              })),
              "A1");
    EXPECT_EQ(Hex(Written([](TBitsEngine& BE) {
                  BE.WriteBit(true);
                  BE.WriteWord(0x1234);
              })),
              "80 34 12");
    // Bytes written while bits are pending are shifted into the bit stream.
    EXPECT_EQ(Hex(Written([](TBitsEngine& BE) {
                  BE.WriteBits(1u, 4);
                  BE.WriteByte(0xAB);
              })),
              "1A B0");
    TMemoryStream S;
    TBitsEngine BE(S);
    BE.WriteBits(5u, 3);
    BE.WriteBits(1u, 5);
    EXPECT_EQ(BE.BitCount, 0);
}

TEST(BitsEngine, WritesRecords) {
    struct Case {
        const char* Name;
        std::function<void(TBitsEngine&)> Write;
        const char* Bytes;
    };
    const Case Cases[] = {
        {"stage rect 550x400",
         [](TBitsEngine& BE) {
             BE.WriteRect({0, 0, 11000, 8000});
         },
         "78 00 05 5F 00 00 0F A0 00"},
        {"zero rect",
         [](TBitsEngine& BE) {
             BE.WriteRect({0, 0, 0, 0});
         },
         "00"},
        {"identity matrix", [](TBitsEngine& BE) { BE.WriteMatrix(recMatrix{}); }, "00"},
        // NTranslateBits 6: 0 0 00110 010100 101100 -> 0000 1100 1010 0101 1000 0000
        {"translate 20,-20",
         [](TBitsEngine& BE) { BE.WriteMatrix(SWFMatrix(false, false, 0, 0, 0, 0, 20, -20)); }, "0C A5 80"},
        {"cxform red add -255",
         [](TBitsEngine& BE) {
             recColorTransform CX;
             CX.HasAdd = 1;
             CX.RedAdd = -255;
             BE.WriteColorTransform(CX);
         },
         // 1 0 1001 100000001 000000000 000000000 -> 1010 0110 0000 0010 0000 0000 0000 0000 0000 0000
         "A6 02 00 00 00"},
        {"encoded 127", [](TBitsEngine& BE) { BE.WriteEncodedU32(127); }, "7F"},
        {"encoded 128", [](TBitsEngine& BE) { BE.WriteEncodedU32(128); }, "80 01"},
        {"encoded 16384", [](TBitsEngine& BE) { BE.WriteEncodedU32(16384); }, "80 80 01"},
        {"encoded 65536", [](TBitsEngine& BE) { BE.WriteEncodedU32(65536); }, "80 80 04"},
        {"encoded all bits", [](TBitsEngine& BE) { BE.WriteEncodedU32(0xFFFFFFFF); }, "FF FF FF FF 0F"},
        {"encoded 0", [](TBitsEngine& BE) { BE.WriteEncodedU32(0); }, "00"},
        {"string A", [](TBitsEngine& BE) { BE.WriteString("A", true, false); }, "41 00"},
        {"latin-1 to UTF-8", [](TBitsEngine& BE) { BE.WriteString("\xE9", false, true); }, "C3 A9"},
        {"UTF-8 kept", [](TBitsEngine& BE) { BE.WriteString("\xC3\xA9", false, true); }, "C3 A9"},
        {"chars with zero added", [](TBitsEngine& BE) { BE.WriteChars("ab", 2, true); }, "61 62 00"},
        {"chars ending with zero", [](TBitsEngine& BE) { BE.WriteChars("a\0", 2, true); }, "61 00"},
        {"double", [](TBitsEngine& BE) { BE.WriteDouble(0.5); }, "00 00 00 00 00 00 E0 3F"},
    };
    for (const auto& C : Cases) EXPECT_EQ(Hex(Written(C.Write)), C.Bytes) << C.Name;
    // Reversed corners write the same rectangle.
    EXPECT_EQ(Written([](TBitsEngine& BE) {
                  BE.WriteRect({100, 100, 0, 0});
              }),
              Written([](TBitsEngine& BE) {
                  BE.WriteRect({0, 0, 100, 100});
              }));
}

TEST(BitsEngine, ReadsWhatItWrites) {
    recMatrix M = SWFMatrix(true, true, 65536 * 2, -32768, 1234, -4321, -200, 7000);
    recColorTransform CX;
    CX.HasAdd = CX.HasMult = CX.HasAlpha = 1;
    CX.RedAdd = -255;
    CX.AlphaAdd = 12;
    CX.GreenMult = 256;
    CX.AlphaMult = 128;
    TBytes B = Written([&](TBitsEngine& BE) {
        BE.WriteRect({-40, 20, 11000, 8000});
        BE.WriteMatrix(M);
        BE.WriteColorTransform(CX);
        BE.WriteEncodedU32(300000);
        BE.WriteString("hello");
        BE.WriteFixed(-1.5f);
        BE.WriteFloat(3.25f);
    });
    TBoundedReadStream S(B.data(), B.size());
    TBitsEngine BE(S);
    EXPECT_EQ(BE.ReadRect(), (TRect{-40, 20, 11000, 8000}));
    EXPECT_EQ(BE.ReadMatrix(), M);
    EXPECT_EQ(BE.ReadColorTransform(true), CX);
    EXPECT_EQ(BE.ReadEncodedU32(), 300000u);
    EXPECT_EQ(BE.ReadString(0), "hello");
    EXPECT_EQ(BE.ReadFixed(), -1.5f);
    EXPECT_EQ(BE.ReadFloat(), 3.25f);
    EXPECT_EQ(S.Remaining(), 0);
    EXPECT_THROW(BE.ReadByte(), ESWFError);
}

TEST(BitsEngine, SignedBitsAndSignExtension) {
    TBytes B = Written([](TBitsEngine& BE) {
        BE.WriteBits(-16, 6);
        BE.WriteBits(15, 5);
    });
    TBoundedReadStream S(B.data(), B.size());
    TBitsEngine BE(S);
    EXPECT_EQ(BE.GetSBits(6), -16);
    EXPECT_EQ(BE.GetSBits(5), 15);
    EXPECT_EQ(GetSignedBitsCount(-16, 1), 6);
    EXPECT_EQ(GetSignedBitsCount(0, 1), 0);
    EXPECT_EQ(GetBitsCount(0x80000000u), 32);
    EXPECT_EQ(GetBitsCount(1), 1);
    EXPECT_EQ(GetBitsCount(255), 8);
    EXPECT_EQ(GetBitsCount(256), 9);
}

TEST(BitsEngine, FixedPointAndColours) {
    EXPECT_EQ(SingleToWord(12.5f), 0x0C80);
    EXPECT_EQ(SingleToWord(24.0f), 0x1800);
    EXPECT_EQ(SingleToWord(29.97f), 0x1DF8);
    EXPECT_FLOAT_EQ(WordToSingle(0x0C80), 12.5f);
    EXPECT_EQ(SingleToFixed(-1.5f), -98304);
    EXPECT_EQ(SwapRB(SWFRGBA(0x11, 0x22, 0x33, 0x44)), 0x112233u);
    EXPECT_EQ(ReplaceAlpha(0x80, 0xFF112233u), 0x80112233u);
    EXPECT_TRUE(CheckBit(0x0004, 3));
    EXPECT_FALSE(CheckBit(0x0004, 2));
    EXPECT_DOUBLE_EQ(BezierPoint(0, 10, 20, 30, 0.5), 15.0);
}

TEST(BitsEngine, RecordClasses) {
    TSWFRect R;
    R.SetXMin(100);  // XMax is 0: the pair is put in order
    EXPECT_EQ(R.XMin(), 0);
    EXPECT_EQ(R.XMax(), 100);
    R.SetRect({50, 60, 10, 20});
    EXPECT_EQ(R.Rect(), (TRect{10, 20, 50, 60}));
    EXPECT_EQ(R.Width(), 40);

    TSWFMatrix M;
    M.SetRotate(90);
    EXPECT_TRUE(M.HasScale && M.HasSkew);
    EXPECT_NEAR(M.GetScaleX(), 0.0, 1e-4);
    EXPECT_NEAR(M.GetSkew1(), 1.0, 1e-4);
    EXPECT_NEAR(M.GetSkew0(), -1.0, 1e-4);

    TSWFColorTransform CX;
    CX.SetRedAdd(-300);
    CX.SetBlueMult(999);
    EXPECT_EQ(CX.RedAdd, -255);
    EXPECT_EQ(CX.BlueMult, 256);
    EXPECT_TRUE(CX.HasAdd && CX.HasMult);
    EXPECT_FALSE(CX.HasAlpha);
    CX.SetAlphaMult(128);
    EXPECT_TRUE(CX.HasAlpha);

    TSWFRGBA C;
    C.SetA(255);
    EXPECT_FALSE(C.HasAlpha());
    C.SetA(10);
    EXPECT_TRUE(C.HasAlpha());
    C.SetHasAlpha(false);
    EXPECT_EQ(C.A(), 255);
    C.SetPackedRGBA(0x80112233u);
    EXPECT_EQ(C.A(), 0x80);
    EXPECT_EQ(C.R, 0x33);
}
