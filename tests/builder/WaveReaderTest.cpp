#include <gtest/gtest.h>

#include <cstring>

#include "SoundFixtures.h"
#include "WaveReader.h"

namespace {

// The sample bytes sox writes for a file, without any header.
TBytes RawSamples(const std::string& Path) {
    const std::string S = RunCommand("sox '" + Path + "' -t raw -");
    return TBytes(S.begin(), S.end());
}

TEST(WaveReaderTest, ReadsPCM) {
    struct TCase {
        int Rate, Channels, Bits;
    };
    for (const TCase C : {TCase{22050, 1, 8}, TCase{44100, 2, 8}, TCase{11025, 1, 16}, TCase{44100, 2, 16},
                          TCase{8000, 2, 16}}) {
        const std::string Path = TSoundFixtures::Get().Source(C.Rate, C.Channels, C.Bits, 0.5);
        TWaveReader R(Path);
        SCOPED_TRACE(Path);
        ASSERT_EQ(R.Kind, TSoundKind::PCM);
        EXPECT_EQ(R.Format.SamplesPerSec, uint32_t(C.Rate));
        EXPECT_EQ(R.Format.Channels, C.Channels);
        EXPECT_EQ(R.Format.BitsPerSample, C.Bits);
        const TBytes Raw = RawSamples(Path);
        EXPECT_EQ(R.SampleCount, Raw.size() / (C.Channels * C.Bits / 8));
        EXPECT_NEAR(R.Duration, 0.5, 1.0 / C.Rate);
        ASSERT_EQ(R.DataSize, int64_t(Raw.size()));
        EXPECT_EQ(std::memcmp(R.Data(), Raw.data(), Raw.size()), 0);
    }
}

// MS ADPCM written by sox decodes as ffmpeg decodes it, and close to the 16-bit source.
TEST(WaveReaderTest, DecodesMSADPCM) {
    for (int Channels = 1; Channels <= 2; ++Channels) {
        auto& F = TSoundFixtures::Get();
        const std::string Source = F.Source(22050, Channels, 16, 1);
        const std::string Path =
            F.Make("msadpcm" + std::to_string(Channels) + ".wav", "sox '" + Source + "' -e ms-adpcm {out}");
        TWaveReader R(Path);
        ASSERT_EQ(R.Kind, TSoundKind::MSADPCM);
        EXPECT_EQ(R.Format.Channels, Channels);
        EXPECT_NEAR(R.SampleCount, 22050, R.Format.SamplesPerBlock);
        const auto& PCM = R.DecodedPCM();
        ASSERT_EQ(PCM.size(), size_t(R.SampleCount) * Channels);
        const auto Reference = FFmpegPCM(Path);
        EXPECT_GT(SNR(Reference, PCM), 60);
        EXPECT_GT(SNR(FFmpegPCM(Source), PCM), 20);
    }
}

// MPEG Layer III data inside a WAV file is read as MP3 from the data chunk.
TEST(WaveReaderTest, ReadsMP3InWAV) {
    auto& F = TSoundFixtures::Get();
    const std::string Path = F.Make(
        "mp3in.wav", "ffmpeg -v error -i '" + F.Source(44100, 2, 16) + "' -c:a libmp3lame -b:a 128k {out}");
    TWaveReader R(Path);
    ASSERT_EQ(R.Kind, TSoundKind::MP3);
    EXPECT_EQ(R.Format.FormatTag, TWaveReader::FormatMPEGLayer3);
    EXPECT_NEAR(R.Duration, ProbeDuration(Path), 1152.0 / 44100);
    EXPECT_EQ(R.Data()[0], 0xFF);
}

// A WAV file built by hand from chunks.
struct TWav {
    TBytes B;
    TWav() {
        const char Head[] = "RIFF\0\0\0\0WAVE";
        B.assign(Head, Head + 12);
    }
    TWav& Chunk(const char* ID, TBytes Body, int64_t Claimed = -1) {
        const uint32_t Size = Claimed < 0 ? uint32_t(Body.size()) : uint32_t(Claimed);
        B.insert(B.end(), ID, ID + 4);
        for (int i = 0; i < 4; ++i) B.push_back(uint8_t(Size >> (8 * i)));
        B.insert(B.end(), Body.begin(), Body.end());
        if (Body.size() % 2 && Claimed < 0) B.push_back(0);
        return *this;
    }
    static TBytes Fmt(uint16_t Tag, uint16_t Channels, uint32_t Rate, uint16_t Bits) {
        const uint16_t Align = uint16_t(Channels * Bits / 8);
        const uint32_t Bytes = Rate * Align;
        return {uint8_t(Tag),         uint8_t(Tag >> 8),
                uint8_t(Channels),    0,
                uint8_t(Rate),        uint8_t(Rate >> 8),
                uint8_t(Rate >> 16),  0,
                uint8_t(Bytes),       uint8_t(Bytes >> 8),
                uint8_t(Bytes >> 16), 0,
                uint8_t(Align),       0,
                uint8_t(Bits),        0};
    }
};

// Chunks are walked with their padding, unknown ones skipped; a data chunk longer than the file is cut to
// the whole samples present, every other damage leaves the reader empty.
TEST(WaveReaderTest, WalksChunks) {
    const TBytes Fmt16 = TWav::Fmt(1, 1, 22050, 16), Data(1000, 0x11);
    struct TCase {
        const char* Name;
        TBytes Bytes;
        uint32_t Samples;
    };
    const TCase Cases[] = {
        {"plain", TWav().Chunk("fmt ", Fmt16).Chunk("data", Data).B, 500},
        {"odd unknown chunks first",
         TWav()
             .Chunk("LIST", TBytes(3, 'x'))
             .Chunk("junk", TBytes(1, 0))
             .Chunk("fmt ", Fmt16)
             .Chunk("data", Data)
             .B,
         500},
        {"data before fmt", TWav().Chunk("data", Data).Chunk("fmt ", Fmt16).B, 500},
        {"data longer than the file", TWav().Chunk("fmt ", Fmt16).Chunk("data", TBytes(999, 1), 100000).B,
         499},
        {"data size FFFFFFFF", TWav().Chunk("fmt ", Fmt16).Chunk("data", Data, 0xFFFFFFFF).B, 500},
        {"fmt longer than the file", TWav().Chunk("fmt ", Fmt16, 5000).B, 0},
        {"no data", TWav().Chunk("fmt ", Fmt16).B, 0},
        {"no fmt", TWav().Chunk("data", Data).B, 0},
        {"short fmt", TWav().Chunk("fmt ", TBytes(Fmt16.begin(), Fmt16.begin() + 14)).Chunk("data", Data).B,
         0},
        {"empty data", TWav().Chunk("fmt ", Fmt16).Chunk("data", {}).B, 0},
        {"24 bits", TWav().Chunk("fmt ", TWav::Fmt(1, 1, 22050, 24)).Chunk("data", Data).B, 0},
        {"three channels", TWav().Chunk("fmt ", TWav::Fmt(1, 3, 22050, 16)).Chunk("data", Data).B, 0},
        {"float", TWav().Chunk("fmt ", TWav::Fmt(3, 1, 22050, 32)).Chunk("data", Data).B, 0},
        {"rate 0", TWav().Chunk("fmt ", TWav::Fmt(1, 1, 0, 16)).Chunk("data", Data).B, 0},
        {"MP3 tag with no MP3", TWav().Chunk("fmt ", TWav::Fmt(0x55, 2, 44100, 0)).Chunk("data", Data).B, 0},
        {"no WAVE form", TBytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}, 0},
        {"cut header", TBytes{'R', 'I', 'F', 'F', 0, 0}, 0},
    };
    for (const auto& C : Cases) {
        TWaveReader R(C.Bytes, false);
        EXPECT_EQ(R.SampleCount, C.Samples) << C.Name;
        EXPECT_EQ(R.IsEmpty(), C.Samples == 0) << C.Name;
        EXPECT_LE(R.DataOffset + R.DataSize, int64_t(C.Bytes.size())) << C.Name;
    }
}

// The parser is chosen by the upper-cased extension; a missing file or another extension gives no sound.
TEST(WaveReaderTest, ChoosesTheParserByExtension) {
    auto& F = TSoundFixtures::Get();
    const std::string Source = F.Source(22050, 1, 16, 0.5);
    const std::string Upper = (F.Dir() / "UPPER.WAV").string(), Text = (F.Dir() / "sound.txt").string();
    std::filesystem::copy_file(Source, Upper, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(Source, Text, std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(TWaveReader(Upper).Kind, TSoundKind::PCM);
    EXPECT_TRUE(TWaveReader(Text).IsEmpty());
    EXPECT_TRUE(TWaveReader((F.Dir() / "missing.wav").string()).IsEmpty());
    // A WAV file named .mp3 is no MP3.
    const std::string Misnamed = (F.Dir() / "wave.mp3").string();
    std::filesystem::copy_file(Source, Misnamed, std::filesystem::copy_options::overwrite_existing);
    EXPECT_TRUE(TWaveReader(Misnamed).IsEmpty());
}

}  // namespace
