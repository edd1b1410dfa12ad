#include <gtest/gtest.h>

#include <cmath>

#include "ADPCM.h"
#include "SoundFixtures.h"

namespace {

std::vector<int16_t> Sine(size_t Frames, int Channels, double Hz, double Rate = 44100) {
    std::vector<int16_t> S;
    for (size_t i = 0; i < Frames; ++i)
        for (int C = 0; C < Channels; ++C)
            S.push_back(int16_t(20000 * std::sin(2 * M_PI * Hz * (C + 1) * double(i) / Rate)));
    return S;
}

// The packet layout to the bit: code size 2 (4 bits), sample 1000, step index 3 (step 10 reaches the
// difference 10), then the code 0100 of the second sample.
TEST(ADPCMTest, WritesThePacketLayout) {
    const int16_t Samples[] = {1000, 1010};
    EXPECT_EQ(Hex(EncodeADPCM(Samples, 2, 1, 4)), "80 FA 03 40");
}

// Sizes to the bit: a stereo sound of one packet and one sample starts a second packet with only its headers.
TEST(ADPCMTest, SplitsIntoPacketsOf4096Samples) {
    for (int Bits = 2; Bits <= 5; ++Bits)
        for (int Channels = 1; Channels <= 2; ++Channels) {
            const auto S = Sine(4097, Channels, 1000);
            const auto Data = EncodeADPCM(S.data(), 4097, Channels, Bits);
            const size_t BitsUsed = 2 + 2 * Channels * 22 + 4095 * Channels * Bits;
            EXPECT_EQ(Data.size(), (BitsUsed + 7) / 8) << Bits << " bits, " << Channels << " channels";
            const auto Decoded = ReferenceADPCMDecode(Data, Channels, 4097);
            for (int C = 0; C < Channels; ++C)
                EXPECT_EQ(Decoded[4096 * Channels + C], S[4096 * Channels + C]);
        }
}

// Decoded by the reference decoder, more bits give more signal to noise; 4 bits reach 25 dB.
TEST(ADPCMTest, DecodesCloseToTheSource) {
    const double MinSNR[] = {6, 14, 25, 30};
    for (int Channels = 1; Channels <= 2; ++Channels) {
        const auto S = Sine(44100, Channels, 440);
        double Last = 0;
        for (int Bits = 2; Bits <= 5; ++Bits) {
            const double Quality =
                SNR(S, ReferenceADPCMDecode(EncodeADPCM(S.data(), 44100, Channels, Bits), Channels, 44100));
            EXPECT_GE(Quality, MinSNR[Bits - 2]) << Bits << " bits";
            EXPECT_GT(Quality, Last) << Bits << " bits";
            Last = Quality;
        }
    }
}

// Full-scale square waves and silence: the prediction is clamped and the step index stays in range.
TEST(ADPCMTest, EncodesExtremes) {
    std::vector<int16_t> S;
    for (int i = 0; i < 10000; ++i) S.push_back(i < 5000 ? ((i / 7) % 2 ? 32767 : -32768) : 0);
    const auto Decoded = ReferenceADPCMDecode(EncodeADPCM(S.data(), S.size(), 1, 4), 1, S.size());
    EXPECT_GT(SNR(S, Decoded), 6);
    EXPECT_LT(std::abs(Decoded.back()), 64);
}

}  // namespace
