#include <gtest/gtest.h>

#include <cstring>

#include "SoundData.h"
#include "SoundFixtures.h"

namespace {

std::string Lame(const std::string& Name, const std::string& Args, int Rate, int Channels) {
    auto& F = TSoundFixtures::Get();
    return F.Make(Name, "lame -S " + Args + " '" + F.Source(Rate, Channels, 16) + "' {out}");
}

TEST(SoundDataTest, RateCodes) {
    const std::pair<uint32_t, uint8_t> Cases[] = {{5512, 0},  {11025, 1}, {16000, 2}, {22050, 2},
                                                  {44100, 3}, {48000, 0}, {32000, 0}, {8000, 0}};
    for (const auto& [Rate, Code] : Cases) EXPECT_EQ(SWFSoundRate(Rate), Code) << Rate;
}

TEST(SoundDataTest, ADPCMBits) {
    TWaveReader Empty(TBytes{}, false);
    TSoundData S(Empty);
    EXPECT_EQ(S.ADPCMBits(), 4);
    for (const auto& [N, Bits] : {std::pair{9, 5}, {5, 5}, {3, 3}, {2, 2}, {1, 0}, {0, 0}}) {
        S.SetADPCMBits(N);
        EXPECT_EQ(S.ADPCMBits(), Bits) << N;
    }
}

struct TDefineCase {
    const char* Name;
    std::function<std::string()> File;
    int ADPCMBits;
    uint8_t Format, Rate, Size, Type;
    int MinVersion;
};

class DefineSoundTest : public ::testing::TestWithParam<TDefineCase> {};

// The DefineSound fields, and data that reads back: MP3 bytes unchanged, raw PCM unchanged, ADPCM decoding
// to the sample count.
TEST_P(DefineSoundTest, Fields) {
    const TDefineCase& C = GetParam();
    TWaveReader R(C.File());
    ASSERT_FALSE(R.IsEmpty());
    TSoundData S(R);
    S.SetADPCMBits(C.ADPCMBits);
    TSWFDefineSound Tag;
    S.FillDefineSound(Tag);
    EXPECT_EQ(Tag.SoundFormat, C.Format);
    EXPECT_EQ(Tag.SoundRate, C.Rate);
    EXPECT_EQ(Tag.SoundSize, C.Size);
    EXPECT_EQ(Tag.SoundType, C.Type);
    EXPECT_EQ(Tag.SoundSampleCount, R.SampleCount);
    EXPECT_EQ(S.MinVersion(), C.MinVersion);
    const TBytes& Data = Tag.Data().Bytes();
    if (C.Format == 1) {
        const auto PCM = ReferenceADPCMDecode(Data, R.Format.Channels, R.SampleCount);
        EXPECT_EQ(PCM.size(), size_t(R.SampleCount) * R.Format.Channels);
        EXPECT_LT(Data.size(), size_t(R.SampleCount) * R.Format.Channels);
    } else {
        ASSERT_EQ(int64_t(Data.size()), R.DataSize);
        EXPECT_EQ(std::memcmp(Data.data(), R.Data(), Data.size()), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sounds, DefineSoundTest,
    ::testing::Values(
        TDefineCase{"MP3Stereo44k", [] { return Lame("s44.mp3", "-b 128", 44100, 2); }, 4, 2, 3, 1, 1, 4},
        TDefineCase{"MP3At48k", [] { return Lame("s48.mp3", "-b 128", 48000, 2); }, 4, 2, 0, 1, 1, 4},
        TDefineCase{"PCM8Mono22k", [] { return TSoundFixtures::Get().Source(22050, 1, 8, 0.5); }, 4, 1, 2, 1,
                    0, 1},
        TDefineCase{"PCM8MonoRaw", [] { return TSoundFixtures::Get().Source(22050, 1, 8, 0.5); }, 0, 0, 2, 0,
                    0, 1},
        TDefineCase{"PCM16Stereo11k", [] { return TSoundFixtures::Get().Source(11025, 2, 16, 0.5); }, 3, 1, 1,
                    1, 1, 1},
        TDefineCase{"MSADPCM",
                    [] {
                        auto& F = TSoundFixtures::Get();
                        return F.Make("sd-adpcm.wav",
                                      "sox '" + F.Source(44100, 2, 16, 0.5) + "' -e ms-adpcm {out}");
                    },
                    0, 1, 3, 1, 1, 1}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// An MP3 with a 2048-byte ID3v2 tag and an ID3v1 tag: the data starts at the first frame after the tag and
// ends 128 bytes before the end of the file.
TEST(SoundDataTest, MP3DataBetweenTheTags) {
    const std::string Path =
        Lame("tags.mp3", "-b 128 --add-id3v2 --pad-id3v2-size 2048 --tt Title --ta Artist", 44100, 2);
    const TBytes File = ReadBytes(Path);
    TWaveReader R(Path);
    TSoundData S(R);
    TSWFDefineSound Tag;
    S.FillDefineSound(Tag);
    const size_t Start = R.MPEG->ID3v2.Size();
    ASSERT_GT(Start, 2048u);
    EXPECT_EQ(Tag.Data().Bytes(), TBytes(File.begin() + long(Start), File.end() - 128));
}

// A missing file gives an empty sound, still written, with no stream blocks.
TEST(SoundDataTest, EmptySound) {
    TWaveReader R((TSoundFixtures::Get().Dir() / "none.wav").string());
    TSoundData S(R);
    TSWFDefineSound Tag;
    S.FillDefineSound(Tag);
    EXPECT_EQ(Tag.SoundSampleCount, 0u);
    EXPECT_EQ(Tag.DataSize(), 0);
    TSWFSoundStreamHead2 Head;
    S.FillStreamHead(Head, 12);
    EXPECT_EQ(S.NextStreamBlock(), nullptr);
}

// MP3 streaming: whole frames per block keep the samples in step with the SWF frames, the carry goes into
// SeekSamples; past the end the blocks are empty unless the sound loops.
TEST(SoundDataTest, StreamsMP3) {
    for (const bool Loop : {false, true}) {
        TWaveReader R(Lame("stream.mp3", "-b 128", 44100, 2));
        TSoundData S(R);
        S.Loop = Loop;
        TSWFSoundStreamHead2 Head;
        S.FillStreamHead(Head, 12);
        EXPECT_EQ(Head.StreamSoundCompression, 2);
        EXPECT_EQ(Head.StreamSoundSampleCount, 3675);
        EXPECT_EQ(Head.StreamSoundRate, 3);
        EXPECT_EQ(Head.PlaybackSoundType, 1);
        const uint32_t Audio = R.MPEG->AudioFrames;
        int64_t Written = 0;
        uint32_t Frames = 0;
        for (int k = 0; k < 60; ++k) {
            auto Block = S.NextStreamBlock();
            ASSERT_NE(Block, nullptr);
            const TBytes& D = Block->Data().Bytes();
            if (Frames >= Audio && !Loop) {
                EXPECT_EQ(Block->SampleCount, 0) << k;
                continue;
            }
            EXPECT_EQ(int16_t(Block->SeekSamples), k * 3675 - Written) << k;
            Written += Block->SampleCount;
            EXPECT_LT(std::abs(k * 3675 + 3675 - Written), 1152) << k;
            // The block is whole frames, the first starting at byte 0.
            for (size_t Pos = 0; Pos < D.size() && Frames < Audio;) {
                TMP3Header H;
                ASSERT_TRUE(H.Decode(&D[Pos])) << k;
                Pos += H.FrameLength();
                ++Frames;
            }
        }
        EXPECT_GE(Frames, Audio);
    }
}

// PCM and ADPCM streaming: one SWF frame of samples per block, the last filled with silence, then none.
TEST(SoundDataTest, StreamsPCMAndADPCM) {
    const std::string Path = TSoundFixtures::Get().Source(22050, 1, 16, 0.45);
    for (const int Bits : {0, 4}) {
        TWaveReader R(Path);
        TSoundData S(R);
        S.SetADPCMBits(Bits);
        TSWFSoundStreamHead2 Head;
        S.FillStreamHead(Head, 10);
        EXPECT_EQ(Head.StreamSoundCompression, Bits ? 1 : 0);
        EXPECT_EQ(Head.StreamSoundSampleCount, 2205);
        int Blocks = 0;
        TBytes Joined;
        while (auto Block = S.NextStreamBlock()) {
            const TBytes& D = Block->Data().Bytes();
            if (Bits) {
                const auto PCM = ReferenceADPCMDecode(D, 1, 2205);
                for (int16_t V : PCM) Joined.insert(Joined.end(), {uint8_t(V), uint8_t(uint16_t(V) >> 8)});
            } else {
                EXPECT_EQ(D.size(), 4410u);
                Joined.insert(Joined.end(), D.begin(), D.end());
            }
            ASSERT_LT(++Blocks, 100);
        }
        EXPECT_EQ(Blocks, int((R.SampleCount + 2204) / 2205));
        ASSERT_EQ(Joined.size(), size_t(Blocks) * 4410);
        EXPECT_EQ(Joined.back(), 0);  // silence after the end
        if (!Bits) {
            EXPECT_EQ(std::memcmp(Joined.data(), R.Data(), size_t(R.DataSize)), 0);
        }
    }
}

// A looping PCM stream starts again at the data start and never ends.
TEST(SoundDataTest, LoopsPCM) {
    TWaveReader R(TSoundFixtures::Get().Source(22050, 1, 8, 0.45));
    TSoundData S(R);
    S.SetADPCMBits(0);
    S.Loop = true;
    TSWFSoundStreamHead2 Head;
    S.FillStreamHead(Head, 10);
    TBytes Joined;
    for (int k = 0; k < 12; ++k) {
        auto Block = S.NextStreamBlock();
        ASSERT_NE(Block, nullptr);
        Joined.insert(Joined.end(), Block->Data().Bytes().begin(), Block->Data().Bytes().end());
    }
    const size_t N = size_t(R.DataSize);
    ASSERT_GT(Joined.size(), 2 * N);
    EXPECT_EQ(std::memcmp(Joined.data(), R.Data(), N), 0);
    EXPECT_EQ(std::memcmp(Joined.data() + N, R.Data(), N), 0);
}

}  // namespace
