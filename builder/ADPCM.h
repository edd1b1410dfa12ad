// ADPCM codecs of the sound readers: the SWF ADPCM encoder and the MS ADPCM decoder of WAV files.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Samples per channel in one SWF ADPCM packet.
constexpr size_t ADPCMPacketSamples = 4096;

// Encodes interleaved 16-bit samples (Frames samples per channel) as SWF ADPCM sound data with Bits (2..5)
// bits per code: the code size, then the packets, padded to a byte at the end.
std::vector<uint8_t> EncodeADPCM(const int16_t* Samples, size_t Frames, int Channels, int Bits);

struct TMSADPCMFormat {
    int Channels = 1;
    int BlockAlign = 0;
    int SamplesPerBlock = 0;
    std::vector<std::array<int16_t, 2>> Coefficients;  // the file's table; the standard seven when empty
};

// Decodes MS ADPCM blocks to interleaved 16-bit samples. A last, shorter block gives the samples it holds;
// a block naming a predictor outside the table decodes as silence.
std::vector<int16_t> DecodeMSADPCM(const uint8_t* Data, size_t Size, const TMSADPCMFormat& Format);
