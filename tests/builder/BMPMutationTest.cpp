// The fuzz target's body run over a few thousand mutated BMP files of every kind (under the sanitizers in
// the ASan build), so damaged input is exercised by every test run, not only by ./dev fuzz.
#include <gtest/gtest.h>

#include <random>

#include "../fuzz/fuzz_bmp_reader.cpp"
#include "BMPTestUtil.h"

using namespace bmptest;

TEST(BMPReader, SurvivesMutatedFiles) {
    std::vector<TRGBQuad> Palette(16, {10, 20, 30, 0});
    Palette[3].rgbReserved = 255;
    std::vector<uint8_t> Masks;
    for (uint32_t M : {0xF800u, 0x07E0u, 0x001Fu}) Put32(Masks, M);
    std::vector<uint8_t> Fields = MakeBMP(3, 2, 16, BI_BITFIELDS, {}, std::vector<uint8_t>(16, 0x5A));
    Fields.insert(Fields.begin() + 54, Masks.begin(), Masks.end());
    Fields[10] += 12;
    const std::vector<std::vector<uint8_t>> Seeds = {
        MakeBMP(5, 3, 1, BI_RGB, {Palette.begin(), Palette.begin() + 2}, std::vector<uint8_t>(12, 0xA5)),
        MakeBMP(5, 3, 4, BI_RGB, Palette, std::vector<uint8_t>(12, 0x3C)),
        MakeBMP(5, 3, 8, BI_RGB, Palette, std::vector<uint8_t>(24, 3), 16),
        MakeBMP(4, 3, 8, BI_RLE8, Palette,
                {3, 1, 0, 0, 0, 3, 2, 3, 4, 0, 6, 5, 0, 0, 0, 2, 1, 0, 2, 7, 0, 1}),
        MakeBMP(4, 2, 4, BI_RLE4, Palette, {4, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 1}),
        MakeBMP(3, 2, 24, BI_RGB, {}, std::vector<uint8_t>(24, 0x77)),
        MakeBMP(3, -2, 32, BI_RGB, {}, std::vector<uint8_t>(24, 0x80)),
        Fields,
    };
    std::mt19937 Random(20240611);
    const uint8_t Interesting[] = {0, 1, 2, 3, 4, 8, 12, 16, 24, 32, 40, 0x7F, 0x80, 0xFE, 0xFF};
    for (int Round = 0; Round < 4000; ++Round) {
        std::vector<uint8_t> F = Seeds[Round % Seeds.size()];
        const int Edits = 1 + static_cast<int>(Random() % 4);
        for (int e = 0; e < Edits && !F.empty(); ++e) {
            // most edits hit the headers, where counts and sizes live
            const size_t At = Random() % 2 ? Random() % std::min<size_t>(F.size(), 70) : Random() % F.size();
            switch (Random() % 4) {
                case 0:
                    F[At] = Interesting[Random() % sizeof(Interesting)];
                    break;
                case 1:
                    F[At] ^= static_cast<uint8_t>(1 << (Random() % 8));
                    break;
                case 2:
                    F.resize(At);
                    break;
                default:
                    F[At] = static_cast<uint8_t>(Random());
            }
        }
        LLVMFuzzerTestOneInput(F.data(), F.size());
    }
}
