#include "WaveReader.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "ADPCM.h"

namespace {

uint16_t Word(const uint8_t* B) {
    return static_cast<uint16_t>(B[0] | B[1] << 8);
}
uint32_t DWord(const uint8_t* B) {
    return uint32_t(Word(B)) | uint32_t(Word(B + 2)) << 16;
}
bool Is(const uint8_t* B, const char* ID) {
    return std::memcmp(B, ID, 4) == 0;
}

constexpr uint16_t FormatExtensible = 0xFFFE;

}  // namespace

TWaveReader::TWaveReader(const std::string& FileName) : FileName(FileName) {
    std::string Ext = std::filesystem::path(FileName).extension().string();
    for (auto& C : Ext) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    if (Ext != ".MP3" && Ext != ".WAV") return;
    try {
        File_.LoadFromFile(FileName);
    } catch (const std::exception&) {
        return;  // a missing or unreadable file leaves the sound empty
    }
    Load(Ext == ".MP3");
}

TWaveReader::TWaveReader(std::vector<uint8_t> Bytes, bool MP3) : File_(std::move(Bytes)) {
    Load(MP3);
}

const uint8_t* TWaveReader::FrameBytes(const TMP3FrameInfo& Frame) const {
    return File_.Memory() + MPEGBase_ + MPEG->ID3v2.Size() + Frame.Position;
}

void TWaveReader::Clear() {
    Kind = TSoundKind::None;
    Format = TWaveFormat();
    MPEG.reset();
    Duration = 0;
    DataOffset = DataSize = 0;
    SampleCount = SamplesPerFrame = FrameLength = FrameCount = AvgBitRate = 0;
    Decoded_.clear();
}

void TWaveReader::Load(bool MP3) {
    try {
        if (MP3)
            LoadMP3(0, File_.Size());
        else
            LoadWAV();
    } catch (const std::exception&) {
        Clear();
    }
}

void TWaveReader::LoadMP3(int64_t Offset, int64_t Size) {
    TBoundedReadStream Stream(File_.Memory() + Offset, static_cast<size_t>(Size));
    auto Audio = std::make_unique<TMPEGaudio>();
    if (!Audio->LoadFromStream(Stream)) return Clear();
    const TMP3Header& H = Audio->FirstHeader;
    const int64_t Start = Audio->DataOffset();
    const int64_t Bytes = Size - Start - Audio->ID3v1.Size();
    if (Bytes <= 0) return Clear();
    Kind = TSoundKind::MP3;
    MPEGBase_ = Offset;
    DataOffset = Offset + Start;
    DataSize = Bytes;
    Format.Channels = H.Channels();
    Format.SamplesPerSec = H.SampleRate();
    Format.BitsPerSample = 16;
    Duration = Audio->Duration();
    SampleCount = static_cast<uint32_t>(std::nearbyint(H.SampleRate() * Duration));
    SamplesPerFrame = H.SamplesPerFrame();
    FrameLength = Audio->FirstFrameLength;
    FrameCount = std::min<uint32_t>(Audio->FrameCount(), static_cast<uint32_t>(Size / FrameLength));
    AvgBitRate = Audio->BitRate();
    MPEG = std::move(Audio);
}

// Walks the RIFF chunks of the "WAVE" form: odd sizes are padded, unknown chunks skipped, a "data" chunk
// longer than the file is cut to the bytes present, a "fmt " chunk longer than the file refuses the file.
void TWaveReader::LoadWAV() {
    const uint8_t* B = File_.Memory();
    const uint64_t Size = static_cast<uint64_t>(File_.Size());
    if (Size < 12 || !Is(B, "RIFF") || !Is(B + 8, "WAVE")) return;
    bool HaveFormat = false, HaveData = false;
    uint64_t DataStart = 0, DataBytes = 0;
    for (uint64_t Pos = 12; Pos + 8 <= Size && !(HaveFormat && HaveData);) {
        const uint64_t Body = Pos + 8, ChunkSize = DWord(B + Pos + 4);
        if (Is(B + Pos, "fmt ") && !HaveFormat) {
            if (ChunkSize > Size - Body || !ReadFormat(B + Body, static_cast<uint32_t>(ChunkSize))) return;
            HaveFormat = true;
        } else if (Is(B + Pos, "data") && !HaveData) {
            HaveData = true;
            DataStart = Body;
            DataBytes = std::min(ChunkSize, Size - Body);
        }
        Pos = Body + ChunkSize + (ChunkSize & 1);
    }
    if (!HaveFormat || !HaveData) return;

    const uint32_t Rate = Format.SamplesPerSec;
    const uint16_t Channels = Format.Channels;
    switch (Format.FormatTag) {
        case FormatPCM: {
            const uint32_t FrameBytes = Channels * Format.BitsPerSample / 8u;
            SampleCount = static_cast<uint32_t>(std::min<uint64_t>(DataBytes / FrameBytes, UINT32_MAX));
            DataBytes = uint64_t(SampleCount) * FrameBytes;  // whole sample frames only
            Kind = TSoundKind::PCM;
            break;
        }
        case FormatMSADPCM: {
            TMSADPCMFormat F{Channels, Format.BlockAlign, Format.SamplesPerBlock, Format.Coefficients};
            Decoded_ = DecodeMSADPCM(B + DataStart, DataBytes, F);
            const int64_t Stated =
                static_cast<int64_t>(DataBytes * Format.SamplesPerBlock / Format.BlockAlign) - 2;
            SampleCount = static_cast<uint32_t>(
                std::clamp<int64_t>(Stated, 0, static_cast<int64_t>(Decoded_.size() / Channels)));
            Decoded_.resize(size_t(SampleCount) * Channels);
            Kind = TSoundKind::MSADPCM;
            break;
        }
        case FormatMPEGLayer3:
            LoadMP3(static_cast<int64_t>(DataStart), static_cast<int64_t>(DataBytes));
            Format.FormatTag = FormatMPEGLayer3;
            if (IsEmpty()) Clear();
            return;
        default:
            return;
    }
    if (SampleCount == 0) return Clear();
    DataOffset = static_cast<int64_t>(DataStart);
    DataSize = static_cast<int64_t>(DataBytes);
    Duration = double(SampleCount) / Rate;
}

// Reads the format block; false for formats a SWF sound cannot carry (more than two channels, PCM of other
// than 8 or 16 bits, float, a-law, mu-law, MPEG Layer I/II).
bool TWaveReader::ReadFormat(const uint8_t* B, uint32_t Size) {
    if (Size < 16) return false;
    TWaveFormat& F = Format;
    F.FormatTag = Word(B);
    F.Channels = Word(B + 2);
    F.SamplesPerSec = DWord(B + 4);
    F.AvgBytesPerSec = DWord(B + 8);
    F.BlockAlign = Word(B + 12);
    F.BitsPerSample = Word(B + 14);
    const uint16_t Extra =
        Size >= 18 ? std::min<uint16_t>(Word(B + 16), static_cast<uint16_t>(Size - 18)) : 0;
    // WAVE_FORMAT_EXTENSIBLE names the real format in the first word of its sub-format GUID.
    if (F.FormatTag == FormatExtensible && Extra >= 22) F.FormatTag = Word(B + 24);
    if (F.Channels < 1 || F.Channels > 2 || F.SamplesPerSec == 0) return false;
    switch (F.FormatTag) {
        case FormatPCM:
            return F.BitsPerSample == 8 || F.BitsPerSample == 16;
        case FormatMSADPCM: {
            if (F.BlockAlign < 7 * F.Channels + 1) return false;
            if (Extra >= 4) {
                F.SamplesPerBlock = Word(B + 18);
                const size_t Count = std::min<size_t>(Word(B + 20), (Extra - 4) / 4);
                for (size_t i = 0; i < Count; ++i)
                    F.Coefficients.push_back({static_cast<int16_t>(Word(B + 22 + 4 * i)),
                                              static_cast<int16_t>(Word(B + 24 + 4 * i))});
            }
            const uint32_t BlockSamples =
                std::min<uint32_t>((F.BlockAlign - 7u * F.Channels) * 2 / F.Channels + 2, UINT16_MAX);
            if (F.SamplesPerBlock < 2 || F.SamplesPerBlock > BlockSamples)
                F.SamplesPerBlock = static_cast<uint16_t>(BlockSamples);
            if (F.BitsPerSample == 0) F.BitsPerSample = 4;
            return true;
        }
        case FormatMPEGLayer3:
            return true;
        default:
            return false;
    }
}
