// Thousands of mutated MP3 and WAV files through the readers and the sound data (ASan and UBSan watch).
#include <gtest/gtest.h>

#include <random>

#include "SoundData.h"
#include "SoundFixtures.h"

namespace {

void Exercise(const TBytes& Bytes, bool MP3) {
    TWaveReader R(Bytes, MP3);
    ASSERT_LE(R.DataOffset + R.DataSize, int64_t(Bytes.size()));
    TSoundData S(R);
    S.Loop = true;
    TSWFDefineSound Tag;
    S.FillDefineSound(Tag);
    TSWFSoundStreamHead2 Head;
    S.FillStreamHead(Head, 30);
    for (int i = 0; i < 3; ++i) S.NextStreamBlock();
}

// Byte flips, 0xFF bytes (false syncs), overwritten 32-bit sizes and cuts.
TBytes Mutate(TBytes B, std::mt19937& Rng) {
    const int Edits = 1 + int(Rng() % 8);
    for (int e = 0; e < Edits && !B.empty(); ++e) {
        const size_t At = Rng() % B.size();
        switch (Rng() % 5) {
            case 0:
                B[At] ^= uint8_t(1 << (Rng() % 8));
                break;
            case 1:
                B[At] = 0xFF;
                break;
            case 2:
                B[At] = uint8_t(Rng());
                break;
            case 3:
                for (size_t i = At; i < std::min(B.size(), At + 4); ++i)
                    B[i] = uint8_t(Rng() % 2 ? 0xFF : Rng());
                break;
            default:
                B.resize(At);
                break;
        }
    }
    return B;
}

TEST(SoundFuzzTest, MutatedFilesNeverCrash) {
    auto& F = TSoundFixtures::Get();
    const std::string Short = F.Source(22050, 2, 16, 0.2);
    const std::pair<std::string, bool> Seeds[] = {
        {F.Make("fz.mp3", "lame -S -b 64 --add-id3v2 --tt T '" + Short + "' {out}"), true},
        {F.Make("fzv.mp3", "lame -S -m m -V 5 '" + F.Source(8000, 1, 16, 0.5) + "' {out}"), true},
        {Short, false},
        {F.Make("fz-adpcm.wav", "sox '" + Short + "' -e ms-adpcm {out}"), false},
        {F.Make("fz-mp3.wav", "ffmpeg -v error -i '" + Short + "' -c:a libmp3lame -b:a 64k {out}"), false},
    };
    std::mt19937 Rng(20240601);
    for (const auto& [Path, MP3] : Seeds) {
        const TBytes Seed = ReadBytes(Path);
        ASSERT_FALSE(TWaveReader(Seed, MP3).IsEmpty()) << Path;
        for (int i = 0; i < 1000; ++i) Exercise(Mutate(Seed, Rng), MP3);
    }
}

}  // namespace
