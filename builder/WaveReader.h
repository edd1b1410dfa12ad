// The reader of music files: WAV files (PCM, MS ADPCM, MPEG data) parsed here, MP3 files handed to
// TMPEGaudio. A file it cannot use leaves the reader empty.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "MPEGAudio.h"
#include "Stream.h"

enum class TSoundKind { None, PCM, MSADPCM, MP3 };

// The WAVE format block of the "fmt " chunk.
struct TWaveFormat {
    uint16_t FormatTag = 0, Channels = 0;
    uint32_t SamplesPerSec = 0, AvgBytesPerSec = 0;
    uint16_t BlockAlign = 0, BitsPerSample = 0;
    uint16_t SamplesPerBlock = 0;                      // MS ADPCM
    std::vector<std::array<int16_t, 2>> Coefficients;  // MS ADPCM
};

class TWaveReader {
  public:
    static constexpr uint16_t FormatPCM = 1, FormatMSADPCM = 2, FormatMPEGLayer3 = 0x55;

    // Chooses the parser by the upper-cased extension: ".MP3" or ".WAV"; other files stay empty.
    explicit TWaveReader(const std::string& FileName);
    // A sound file held in memory; MP3 picks the MP3 parser, else the WAV parser.
    TWaveReader(std::vector<uint8_t> Bytes, bool MP3);

    std::string FileName;
    TSoundKind Kind = TSoundKind::None;
    TWaveFormat Format;  // channels, sample rate and bits per sample also for MP3 files
    std::unique_ptr<TMPEGaudio> MPEG;
    double Duration = 0;  // seconds
    int64_t DataOffset = 0, DataSize = 0;
    uint32_t SampleCount = 0;  // per channel
    // MP3 only.
    uint32_t SamplesPerFrame = 0, FrameLength = 0, FrameCount = 0, AvgBitRate = 0;

    bool IsEmpty() const { return Kind == TSoundKind::None; }
    // The DataSize bytes of sound data at DataOffset.
    const uint8_t* Data() const { return File_.Memory() + DataOffset; }
    // The bytes of one frame of the MP3 frame list.
    const uint8_t* FrameBytes(const TMP3FrameInfo& Frame) const;
    // MS ADPCM data decoded to interleaved 16-bit samples, SampleCount per channel.
    const std::vector<int16_t>& DecodedPCM() const { return Decoded_; }

  private:
    void Load(bool MP3);
    void LoadMP3(int64_t Offset, int64_t Size);
    void LoadWAV();
    bool ReadFormat(const uint8_t* B, uint32_t Size);
    void Clear();

    TMemoryStream File_;
    int64_t MPEGBase_ = 0;  // where the bytes that TMPEGaudio parsed begin
    std::vector<int16_t> Decoded_;
};
