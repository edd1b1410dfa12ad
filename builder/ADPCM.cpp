#include "ADPCM.h"

#include <algorithm>

namespace {

const int32_t StepSizes[89] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

// Index moves by code magnitude, for 2 to 5 bits per code.
const int8_t IndexTable2[] = {-1, 2};
const int8_t IndexTable3[] = {-1, -1, 2, 4};
const int8_t IndexTable4[] = {-1, -1, -1, -1, 2, 4, 6, 8};
const int8_t IndexTable5[] = {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16};
const int8_t* const IndexTables[] = {IndexTable2, IndexTable3, IndexTable4, IndexTable5};

// An MSB-first bit writer with a 64-bit accumulator: far quicker than a byte stream per code.
class TBitPacker {
  public:
    explicit TBitPacker(std::vector<uint8_t>& Out) : Out_(Out) {}
    void Put(uint32_t Value, int Bits) {
        Acc_ = (Acc_ << Bits) | (Value & ((1u << Bits) - 1));
        Count_ += Bits;
        while (Count_ >= 8) {
            Count_ -= 8;
            Out_.push_back(static_cast<uint8_t>(Acc_ >> Count_));
        }
    }
    void Flush() {
        if (Count_) Out_.push_back(static_cast<uint8_t>(Acc_ << (8 - Count_)));
        Count_ = 0;
    }

  private:
    std::vector<uint8_t>& Out_;
    uint64_t Acc_ = 0;
    int Count_ = 0;
};

struct TChannelState {
    int32_t Predicted = 0;
    int32_t Index = 0;
};

int InitialIndex(int32_t First, int32_t Second) {
    const int32_t Diff = Second > First ? Second - First : First - Second;
    int Index = 0;
    while (Index < 63 && StepSizes[Index] < Diff) ++Index;
    return Index;
}

template <int Bits>
inline uint32_t EncodeSample(TChannelState& S, int32_t Sample) {
    constexpr uint32_t SignBit = 1u << (Bits - 1);
    int32_t Step = StepSizes[S.Index];
    int32_t Diff = Sample - S.Predicted;
    uint32_t Code = 0;
    if (Diff < 0) {
        Code = SignBit;
        Diff = -Diff;
    }
    int32_t Delta = Step >> (Bits - 1);
    for (uint32_t Mask = SignBit >> 1; Mask; Mask >>= 1) {
        if (Diff >= Step) {
            Code |= Mask;
            Diff -= Step;
            Delta += Step;
        }
        Step >>= 1;
    }
    S.Predicted = std::clamp(S.Predicted + ((Code & SignBit) ? -Delta : Delta), -32768, 32767);
    S.Index = std::clamp(S.Index + IndexTables[Bits - 2][Code & (SignBit - 1)], 0, 88);
    return Code;
}

template <int Bits>
void EncodePackets(const int16_t* Samples, size_t Frames, int Channels, TBitPacker& Out) {
    for (size_t Start = 0; Start < Frames; Start += ADPCMPacketSamples) {
        const size_t Count = std::min(ADPCMPacketSamples, Frames - Start);
        const int16_t* P = Samples + Start * Channels;
        TChannelState State[2];
        for (int C = 0; C < Channels; ++C) {
            State[C].Predicted = P[C];
            State[C].Index = Count > 1 ? InitialIndex(P[C], P[Channels + C]) : 0;
            Out.Put(static_cast<uint16_t>(P[C]), 16);
            Out.Put(static_cast<uint32_t>(State[C].Index), 6);
        }
        for (size_t i = 1; i < Count; ++i)
            for (int C = 0; C < Channels; ++C)
                Out.Put(EncodeSample<Bits>(State[C], P[i * Channels + C]), Bits);
    }
}

const int32_t MSAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                  768, 614, 512, 409, 307, 230, 230, 230};
const int16_t MSStandardCoefficients[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                              {240, 0}, {460, -208}, {392, -232}};

int16_t ReadInt16(const uint8_t* B) {
    return static_cast<int16_t>(B[0] | B[1] << 8);
}

}  // namespace

std::vector<uint8_t> EncodeADPCM(const int16_t* Samples, size_t Frames, int Channels, int Bits) {
    Bits = std::clamp(Bits, 2, 5);
    Channels = std::clamp(Channels, 1, 2);
    std::vector<uint8_t> Out;
    Out.reserve(Frames * Channels * Bits / 8 + 64);
    TBitPacker Packer(Out);
    Packer.Put(static_cast<uint32_t>(Bits - 2), 2);
    switch (Bits) {
        case 2:
            EncodePackets<2>(Samples, Frames, Channels, Packer);
            break;
        case 3:
            EncodePackets<3>(Samples, Frames, Channels, Packer);
            break;
        case 4:
            EncodePackets<4>(Samples, Frames, Channels, Packer);
            break;
        default:
            EncodePackets<5>(Samples, Frames, Channels, Packer);
            break;
    }
    Packer.Flush();
    return Out;
}

std::vector<int16_t> DecodeMSADPCM(const uint8_t* Data, size_t Size, const TMSADPCMFormat& Format) {
    std::vector<int16_t> Out;
    const int Channels = Format.Channels;
    const size_t HeaderSize = 7 * static_cast<size_t>(Channels);
    if ((Channels != 1 && Channels != 2) || Format.BlockAlign <= 0 || size_t(Format.BlockAlign) < HeaderSize)
        return Out;
    std::vector<std::array<int16_t, 2>> Coefs = Format.Coefficients;
    if (Coefs.empty())
        for (const auto& C : MSStandardCoefficients) Coefs.push_back({C[0], C[1]});
    // Samples per block follow from the block size; a smaller stated count shortens every block.
    const size_t BlockSamples = (Format.BlockAlign - HeaderSize) * 2 / Channels + 2;
    const size_t PerBlock =
        Format.SamplesPerBlock > 1 ? std::min<size_t>(BlockSamples, Format.SamplesPerBlock) : BlockSamples;
    Out.reserve(Size / Format.BlockAlign * PerBlock * Channels + PerBlock * Channels);

    for (size_t BlockStart = 0; BlockStart + HeaderSize <= Size; BlockStart += Format.BlockAlign) {
        const uint8_t* B = Data + BlockStart;
        const size_t BlockSize = std::min<size_t>(Format.BlockAlign, Size - BlockStart);
        int32_t Coef1[2], Coef2[2], Delta[2], Sample1[2], Sample2[2];
        bool Valid = true;
        for (int C = 0; C < Channels; ++C) {
            const uint8_t Predictor = B[C];
            Valid = Valid && Predictor < Coefs.size();
            Coef1[C] = Valid ? Coefs[Predictor][0] : 0;
            Coef2[C] = Valid ? Coefs[Predictor][1] : 0;
            Delta[C] = ReadInt16(B + Channels + 2 * C);
            Sample1[C] = ReadInt16(B + 3 * Channels + 2 * C);
            Sample2[C] = ReadInt16(B + 5 * Channels + 2 * C);
        }
        const size_t Start = Out.size();
        for (int C = 0; C < Channels; ++C) Out.push_back(static_cast<int16_t>(Sample2[C]));
        for (int C = 0; C < Channels; ++C) Out.push_back(static_cast<int16_t>(Sample1[C]));
        const size_t Nibbles = std::min((BlockSize - HeaderSize) * 2, (PerBlock - 2) * Channels);
        for (size_t n = 0; n < Nibbles; ++n) {
            const int C = Channels == 2 ? static_cast<int>(n & 1) : 0;
            const uint8_t Byte = B[HeaderSize + n / 2];
            const int Code = (n & 1) ? Byte & 15 : Byte >> 4;
            const int Signed = Code >= 8 ? Code - 16 : Code;
            const int64_t Predicted = (int64_t(Sample1[C]) * Coef1[C] + int64_t(Sample2[C]) * Coef2[C]) >> 8;
            const auto Sample =
                static_cast<int32_t>(std::clamp<int64_t>(Predicted + Signed * Delta[C], -32768, 32767));
            Sample2[C] = Sample1[C];
            Sample1[C] = Sample;
            // Bounded above as well, so that a hostile block cannot overflow the next product.
            Delta[C] =
                std::clamp(static_cast<int32_t>(int64_t(MSAdaptation[Code]) * Delta[C] >> 8), 16, 1 << 21);
            Out.push_back(static_cast<int16_t>(Sample));
        }
        if (!Valid) std::fill(Out.begin() + static_cast<std::ptrdiff_t>(Start), Out.end(), int16_t(0));
    }
    // Stereo blocks cut in the middle of a sample pair drop the half pair.
    Out.resize(Out.size() / Channels * Channels);
    return Out;
}
