#include <gtest/gtest.h>
#include <zlib.h>

#include "SWFTags.h"
#include "TestUtil.h"

namespace {
// A container whose body is filled by the test.
class TTestMovie : public TBasedSWFStream {
  public:
    using TBasedSWFStream::TBasedSWFStream;
    int FrameTagIndex(int) override { return 0; }
    void BuildBody() override {}
    void MoveDefinitions(int, int, int) override {}
};

TBytes Saved(TBasedSWFStream& Movie) {
    TMemoryStream Out;
    Movie.SaveToStream(Out);
    return Out.TakeBytes();
}
}  // namespace

TEST(Container, HeaderOfA550x400Movie) {
    TTestMovie Movie(0, 0, 550, 400, 12, true);
    Movie.FrameCount = 1;
    EXPECT_EQ(Movie.HeaderSize(), 21);
    TBytes File = Saved(Movie);
    ASSERT_EQ(File.size(), 21u);
    EXPECT_EQ(Hex(File), "46 57 53 05 15 00 00 00 78 00 05 5F 00 00 0F A0 00 00 0C 01 00");
    EXPECT_EQ(Movie.Width(), 550);
    Movie.SetPixelUnits(false);
    EXPECT_EQ(Movie.Width(), 11000);
}

TEST(Container, FrameRateAndVersionRules) {
    TTestMovie Movie(0, 0, 10, 10, 29.97f, true);
    EXPECT_EQ(Movie.FrameRateWord(), 0x1DF8);
    EXPECT_EQ(Movie.Version(), 5);
    Movie.SetCompressed(true);
    EXPECT_EQ(Movie.Version(), 6);
    Movie.SetVersion(4);
    EXPECT_EQ(Movie.Version(), 6);
    Movie.SetCompressed(false);
    EXPECT_EQ(Movie.Version(), 6);
    Movie.SetVersion(4);
    EXPECT_EQ(Movie.Version(), 4);
}

TEST(Container, CompressedFileInflatesToTheRestOfThePlainFile) {
    TTestMovie Movie(0, 0, 550, 400, 24, true);
    TBitsEngine BE(Movie.BodyStream());
    for (int i = 0; i < 3000; ++i) {
        TSWFSetBackgroundColor Tag;
        Tag.Color = TSWFRGB(i & 255, 7, 9);
        Tag.WriteToStream(BE);
        TSWFShowFrame().WriteToStream(BE);
    }
    TSWFEnd().WriteToStream(BE);
    Movie.FrameCount = 3000;
    TBytes Plain = Saved(Movie);
    std::vector<int> Progress;
    Movie.OnProgress = [&](TBasedSWFStream&, int Percent, uint8_t Stage) {
        EXPECT_EQ(Stage, 2);
        Progress.push_back(Percent);
    };
    Movie.SetCompressed(true);
    TBytes Packed = Saved(Movie);
    ASSERT_GT(Packed.size(), 8u);
    EXPECT_EQ(std::string(Packed.begin(), Packed.begin() + 3), "CWS");
    EXPECT_EQ(Packed[3], 6);
    EXPECT_EQ(TBytes(Packed.begin() + 4, Packed.begin() + 8), TBytes(Plain.begin() + 4, Plain.begin() + 8));
    uLongf Size = Plain.size() - 8;
    TBytes Inflated(Size);
    ASSERT_EQ(uncompress(Inflated.data(), &Size, Packed.data() + 8, Packed.size() - 8), Z_OK);
    EXPECT_EQ(Size, Plain.size() - 8);
    EXPECT_EQ(Inflated, TBytes(Plain.begin() + 8, Plain.end()));
    for (int P : Progress) EXPECT_TRUE(P >= 0 && P <= 100);
}

TEST(Container, TagFraming) {
    struct Case {
        uint16_t Code;
        size_t BodyLength;
        const char* Header;
    };
    const Case Cases[] = {
        {9, 62, "7E 02"},               // short form holds 62
        {9, 63, "7F 02 3F 00 00 00"},   // long form from 63
        {20, 10, "3F 05 0A 00 00 00"},  // DefineBitsLossless: always long
        {60, 10, "3F 0F 0A 00 00 00"},  // DefineVideoStream: always long
        {19, 1, "FF 04 01 00 00 00"},   // SoundStreamBlock: always long
        {91, 3, "C3 16"},               // a raw tag writes back its own code
    };
    for (const auto& C : Cases) {
        TSWFByteCodeTag Tag;
        Tag.OriginalTagID = C.Code;
        Tag.Data().SetSize(static_cast<int64_t>(C.BodyLength));
        TBytes Bytes = TagOf(Tag);
        EXPECT_EQ(Hex(TBytes(Bytes.begin(), Bytes.end() - static_cast<std::ptrdiff_t>(C.BodyLength))),
                  C.Header)
            << C.Code;
        EXPECT_EQ(Tag.TagID, TSWFByteCodeTag::RawTagID);
        EXPECT_EQ(Tag.BodySize, static_cast<int32_t>(C.BodyLength));
    }
    TSWFEnd End;
    TSWFShowFrame Show;
    EXPECT_EQ(Hex(TagOf(End)), "00 00");
    EXPECT_EQ(Hex(TagOf(Show)), "40 00");
}

TEST(Container, FailedSaveKeepsTheOldFile) {
    const std::string Dir = testing::TempDir() + "/pictavo-save";
    std::filesystem::create_directories(Dir);
    const std::string Target = Dir + "/movie.swf";
    TTestMovie Movie(0, 0, 10, 10, 12, true);
    TBitsEngine BE(Movie.BodyStream());
    TSWFEnd().WriteToStream(BE);
    Movie.SaveToFile(Target);
    TBytes Before = FileBytes(Target);
    // A body stream that fails half-way through the copy.
    class TFailingStream : public TMemoryStream {
      public:
        size_t Read(void*, size_t) override { throw ESWFError("disk gone"); }
    } Failing;
    Failing.SetSize(100);
    Movie.SetBodyStream(&Failing);
    EXPECT_THROW(Movie.SaveToFile(Target), ESWFError);
    EXPECT_EQ(FileBytes(Target), Before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir), {}), 1);
    EXPECT_THROW(Movie.SaveToFile(Dir + "/missing/movie.swf"), ESWFError);
}
