#include <gtest/gtest.h>

#include <functional>

#include "MPEGAudio.h"
#include "SoundFixtures.h"
#include "WaveReader.h"

namespace {

// An ID3v2.3 tag of exactly Size bytes (header included), padded with zeros.
TBytes ID3v2Tag(uint32_t Size) {
    const uint32_t S = Size - 10;
    TBytes T = {'I',
                'D',
                '3',
                3,
                0,
                0,
                uint8_t(S >> 21 & 127),
                uint8_t(S >> 14 & 127),
                uint8_t(S >> 7 & 127),
                uint8_t(S & 127)};
    T.resize(Size, 0);
    return T;
}

TBytes Concat(std::initializer_list<TBytes> Parts) {
    TBytes Out;
    for (const auto& P : Parts) Out.insert(Out.end(), P.begin(), P.end());
    return Out;
}

std::string Lame(const std::string& Name, const std::string& Args, int Rate = 44100, int Channels = 2) {
    auto& F = TSoundFixtures::Get();
    return F.Make(Name, "lame -S " + Args + " '" + F.Source(Rate, Channels, 16) + "' {out}");
}

// A file built from an MP3 without tags, with an ID3v2 tag and junk before the first frame.
std::string WithJunk(const std::string& Name, uint32_t TagSize, size_t Junk) {
    const std::string Path = (TSoundFixtures::Get().Dir() / Name).string();
    TBytes JunkBytes(Junk);
    for (size_t i = 0; i < Junk; ++i) JunkBytes[i] = uint8_t(i * 7 + 1);  // no 0xFF: no false sync
    WriteBytes(Path, Concat({TagSize ? ID3v2Tag(TagSize) : TBytes(), JunkBytes,
                             ReadBytes(Lame("plain.mp3", "-t -b 128"))}));
    return Path;
}

constexpr uint32_t AnyTag = UINT32_MAX;  // an ID3v2 tag of the size lame chooses

struct TMP3Case {
    const char* Name;
    std::function<std::string()> Make;
    uint32_t ID3v2Size, ID3v1Size;
    const char* VBR;  // identifier of the VBR header, "" for none
    uint32_t Rate, Channels;
};

class MPEGFileTest : public ::testing::TestWithParam<TMP3Case> {};

// Durations and sample counts agree with ffprobe within one MP3 frame; the data runs from the first frame to
// the ID3v1 tag.
TEST_P(MPEGFileTest, AgreesWithFFprobe) {
    const TMP3Case& C = GetParam();
    const std::string Path = C.Make();
    const TBytes File = ReadBytes(Path);
    TWaveReader R(Path);
    ASSERT_EQ(R.Kind, TSoundKind::MP3);
    const TMPEGaudio& M = *R.MPEG;
    const double Frame = double(R.SamplesPerFrame) / R.Format.SamplesPerSec;
    const double Probed = ProbeDuration(Path);
    EXPECT_NEAR(R.Duration, Probed, Frame);
    EXPECT_NEAR(double(R.SampleCount), Probed * C.Rate, R.SamplesPerFrame);
    EXPECT_EQ(R.Format.SamplesPerSec, C.Rate);
    EXPECT_EQ(R.Format.Channels, C.Channels);
    if (C.ID3v2Size == AnyTag)
        EXPECT_GT(M.ID3v2.Size(), 2048u);
    else
        EXPECT_EQ(M.ID3v2.Size(), C.ID3v2Size);
    EXPECT_EQ(M.ID3v1.Size(), C.ID3v1Size);
    EXPECT_EQ(M.VBR.ID, C.VBR);
    ASSERT_GT(R.DataSize, 4);
    EXPECT_EQ(File[R.DataOffset], 0xFF);
    EXPECT_EQ(R.DataOffset + R.DataSize, int64_t(File.size() - C.ID3v1Size));
    // The frame list covers the data without gaps; the VBR frame is no audio frame.
    int64_t Next = M.FirstFramePosition;
    for (const auto& F : M.Frames()) {
        EXPECT_EQ(F.Position, Next);
        Next += F.Length;
    }
    EXPECT_EQ(M.AudioFrames, M.Frames().size() - (*C.VBR ? 1 : 0));
    if (*C.VBR) {
        EXPECT_EQ(M.VBR.Frames, M.AudioFrames);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, MPEGFileTest,
    ::testing::Values(
        TMP3Case{"CBR", [] { return Lame("cbr.mp3", "-t -b 128"); }, 0, 0, "", 44100, 2},
        TMP3Case{"CBRInfo", [] { return Lame("cbrinfo.mp3", "-b 192"); }, 0, 0, "Info", 44100, 2},
        TMP3Case{"VBRXing", [] { return Lame("vbr.mp3", "-V 4"); }, 0, 0, "Xing", 44100, 2},
        TMP3Case{"MPEG2Mono", [] { return Lame("m2.mp3", "-t -m m -b 64", 22050, 1); }, 0, 0, "", 22050, 1},
        TMP3Case{"MPEG25VBR", [] { return Lame("m25.mp3", "-m m -V 6", 8000, 1); }, 0, 0, "Xing", 8000, 1},
        TMP3Case{"Rate48k", [] { return Lame("48k.mp3", "-t -b 160", 48000, 2); }, 0, 0, "", 48000, 2},
        TMP3Case{"ID3Tags",
                 [] {
                     return Lame("id3.mp3",
                                 "-t -b 128 --add-id3v2 --pad-id3v2-size 2048 --tt Title --ta Artist");
                 },
                 AnyTag, 128, "", 44100, 2},
        TMP3Case{"JunkAfterID3v2", [] { return WithJunk("junk.mp3", 2048, 500); }, 2048, 0, "", 44100, 2},
        TMP3Case{"JunkAtStart", [] { return WithJunk("junk0.mp3", 0, 1200); }, 0, 0, "", 44100, 2}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// The ID3 case above is checked for its own tag size, which lame chooses; here the tags are read.
TEST(MPEGAudioTest, ReadsID3Tags) {
    TWaveReader R(Lame("id3.mp3", "-t -b 128 --add-id3v2 --pad-id3v2-size 2048 --tt Title --ta Artist"));
    ASSERT_EQ(R.Kind, TSoundKind::MP3);
    EXPECT_GT(R.MPEG->ID3v2.Size(), 2048u);
    EXPECT_EQ(R.DataOffset, R.MPEG->ID3v2.Size());
    EXPECT_EQ(R.MPEG->ID3v2.Title, "Title");
    EXPECT_EQ(R.MPEG->ID3v1.Artist, "Artist");
}

TEST(MPEGAudioTest, DecodesHeaders) {
    struct TCase {
        uint8_t B[4];
        bool Valid;
        uint32_t BitRate, Rate, Length, Samples;
    };
    const TCase Cases[] = {
        {{0xFF, 0xFB, 0x90, 0x64}, true, 128, 44100, 417, 1152},  // MPEG-1 Layer III
        {{0xFF, 0xFB, 0x92, 0x64}, true, 128, 44100, 418, 1152},  // padded
        {{0xFF, 0xFB, 0xE4, 0xC4}, true, 320, 48000, 960, 1152},
        {{0xFF, 0xF3, 0x80, 0xC4}, true, 64, 22050, 208, 576},    // MPEG-2 Layer III mono
        {{0xFF, 0xE3, 0x28, 0xC4}, true, 16, 8000, 144, 576},     // MPEG-2.5
        {{0xFF, 0xFD, 0x90, 0x04}, true, 160, 44100, 522, 1152},  // Layer II
        {{0xFF, 0xFF, 0x90, 0x04}, true, 288, 44100, 313, 384},   // Layer I
        {{0xFF, 0xFB, 0x00, 0x64}, false, 0, 0, 0, 0},            // free format
        {{0xFF, 0xFB, 0xF0, 0x64}, false, 0, 0, 0, 0},            // bit-rate index 15
        {{0xFF, 0xFB, 0x9C, 0x64}, false, 0, 0, 0, 0},            // sample-rate index 3
        {{0xFF, 0xEB, 0x90, 0x64}, false, 0, 0, 0, 0},            // reserved version
        {{0xFF, 0xF9, 0x90, 0x64}, false, 0, 0, 0, 0},            // reserved layer
        {{0xFF, 0xFB, 0x90, 0x66}, false, 0, 0, 0, 0},            // emphasis 2
        {{0xFE, 0xFB, 0x90, 0x64}, false, 0, 0, 0, 0},            // no sync
    };
    for (const auto& C : Cases) {
        TMP3Header H;
        ASSERT_EQ(H.Decode(C.B), C.Valid) << std::hex << int(C.B[1]) << " " << int(C.B[2]);
        if (!C.Valid) continue;
        EXPECT_EQ(H.BitRate(), C.BitRate);
        EXPECT_EQ(H.SampleRate(), C.Rate);
        EXPECT_EQ(H.FrameLength(), C.Length) << std::hex << int(C.B[2]);
        EXPECT_EQ(H.SamplesPerFrame(), C.Samples);
    }
}

// Damaged files leave the parser empty, never crash, and never list a frame beyond the end of the data.
TEST(MPEGAudioTest, DamagedFilesLeaveTheSoundEmpty) {
    const TBytes Good = ReadBytes(Lame("cbr.mp3", "-t -b 128"));
    TBytes HugeTag = ID3v2Tag(10);
    HugeTag[6] = HugeTag[7] = HugeTag[8] = HugeTag[9] = 0x7F;  // claims 256 MB
    struct TCase {
        const char* Name;
        TBytes Bytes;
        bool Empty;
    };
    const TCase Cases[] = {
        {"nothing", {}, true},
        {"one header", TBytes(Good.begin(), Good.begin() + 4), true},
        {"two frames", TBytes(Good.begin(), Good.begin() + 900), true},
        {"zeros", TBytes(20000, 0), true},
        {"sync bytes only", TBytes(20000, 0xFF), true},
        {"ID3v2 tag only", ID3v2Tag(4000), true},
        {"cut in the middle", TBytes(Good.begin(), Good.begin() + long(Good.size() / 2) + 100), false},
        {"tag larger than the file", Concat({HugeTag, Good}), false},
    };
    for (const auto& C : Cases) {
        TWaveReader R(C.Bytes, true);
        EXPECT_EQ(R.IsEmpty(), C.Empty) << C.Name;
        EXPECT_EQ(R.SampleCount == 0, C.Empty) << C.Name;
        if (!R.MPEG) continue;
        EXPECT_EQ(R.MPEG->ID3v2.Size(), 0u) << C.Name;
        for (const auto& F : R.MPEG->Frames())
            EXPECT_LE(R.MPEG->DataOffset() - R.MPEG->FirstFramePosition + F.Position + F.Length,
                      int64_t(C.Bytes.size()))
                << C.Name;
    }
}

}  // namespace
