// The SWF side of a read sound: the DefineSound fields and data, and the split of a streaming sound into
// one SoundStreamBlock per frame.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "SWFTags.h"
#include "WaveReader.h"

// The SWF rate code of a sample rate: 5.5, 11, 22 or 44 kHz; 0 for rates without a code.
uint8_t SWFSoundRate(uint32_t SampleRate);

class TSoundData {
  public:
    // The reader must live as long as this object.
    explicit TSoundData(const TWaveReader& Reader);

    uint8_t SoundFormat = 0;  // 0 uncompressed, 1 ADPCM, 2 MP3
    uint8_t SoundRate = 0, SoundSize = 0, SoundType = 0;
    uint32_t SampleCount = 0;
    uint16_t SeekSamples = 0;  // MP3 latency seek of the first block and of DefineSound
    bool Loop = false;         // streaming: start again at the end of the data

    int ADPCMBits() const { return ADPCMBits_; }
    // Above 5 gives 5, 1 gives 0 (keep PCM), otherwise N.
    void SetADPCMBits(int N);
    // The format written: PCM with ADPCMBits set is written as ADPCM.
    uint8_t WrittenFormat() const;
    uint8_t WrittenSize() const { return WrittenFormat() != 0 ? 1 : SoundSize; }
    int MinVersion() const { return SoundFormat == 2 ? 4 : 1; }

    // Every field of DefineSound but SoundId, and the sound data.
    void FillDefineSound(TSWFDefineSound& Tag) const;
    // The DefineSound sound data, after SeekSamples.
    std::vector<uint8_t> SoundBytes() const;

    // Fills a SoundStreamHead(2) for a movie of FrameRate frames per second and restarts the stream.
    void FillStreamHead(TSWFSoundStreamHead& Head, float FrameRate);
    // The next frame's SoundStreamBlock; none once a PCM or ADPCM sound without Loop is used up.
    std::unique_ptr<TSWFSoundStreamBlock> NextStreamBlock();
    // Writes the next block as a tag; false when there is none.
    bool WriteStreamBlock(TBitsEngine& BE);
    uint32_t SamplesPerSWFFrame() const { return SamplesPerFrame_; }

  private:
    int EncodingBits() const;
    // Frames samples per channel from the PCM source, from sample frame First on, as 16-bit samples.
    void SamplesAt(uint32_t First, uint32_t Frames, std::vector<int16_t>& Out) const;
    void MP3Block(TSWFSoundStreamBlock& Block);
    bool PCMBlock(TSWFSoundStreamBlock& Block);

    const TWaveReader& Reader_;
    int ADPCMBits_ = 4;
    // Stream state.
    uint32_t SamplesPerFrame_ = 0;
    size_t FrameCursor_ = 0;  // MP3 frame list, or PCM sample frame
    int64_t SamplesWritten_ = 0;
    int64_t Blocks_ = 0;
    bool Finished_ = false;
};
