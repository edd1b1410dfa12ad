#include "SoundData.h"

#include <algorithm>
#include <cstring>

#include "ADPCM.h"

uint8_t SWFSoundRate(uint32_t SampleRate) {
    switch (SampleRate / 5000) {
        case 1:
            return 0;
        case 2:
            return 1;
        case 3:
        case 4:
            return 2;
        case 8:
            return 3;
        default:
            return 0;
    }
}

TSoundData::TSoundData(const TWaveReader& Reader) : Reader_(Reader) {
    if (Reader.IsEmpty()) return;
    switch (Reader.Kind) {
        case TSoundKind::PCM:
            SoundFormat = 0;
            break;
        case TSoundKind::MSADPCM:
            SoundFormat = 1;
            break;
        default:
            SoundFormat = 2;
            break;
    }
    SoundRate = SWFSoundRate(Reader.Format.SamplesPerSec);
    SoundSize = SoundFormat == 0 && Reader.Format.BitsPerSample == 8 ? 0 : 1;
    SoundType = Reader.Format.Channels == 2 ? 1 : 0;
    SampleCount = Reader.SampleCount;
}

void TSoundData::SetADPCMBits(int N) {
    ADPCMBits_ = N > 5 ? 5 : (N == 1 ? 0 : N);
}

uint8_t TSoundData::WrittenFormat() const {
    return SoundFormat == 0 && ADPCMBits_ != 0 ? 1 : SoundFormat;
}

// An MS ADPCM source keeps its own bits per sample when ADPCMBits asks for none or for more.
int TSoundData::EncodingBits() const {
    if (Reader_.Kind != TSoundKind::MSADPCM) return ADPCMBits_;
    const int FileBits = Reader_.Format.BitsPerSample;
    return ADPCMBits_ == 0 || ADPCMBits_ > FileBits ? FileBits : ADPCMBits_;
}

void TSoundData::SamplesAt(uint32_t First, uint32_t Frames, std::vector<int16_t>& Out) const {
    const int Channels = Reader_.Format.Channels;
    const size_t Count = size_t(Frames) * Channels, From = size_t(First) * Channels;
    Out.resize(Count);
    if (Reader_.Kind == TSoundKind::MSADPCM) {
        std::copy_n(Reader_.DecodedPCM().begin() + static_cast<std::ptrdiff_t>(From), Count, Out.begin());
    } else if (Reader_.Format.BitsPerSample == 8) {
        const uint8_t* B = Reader_.Data() + From;
        for (size_t i = 0; i < Count; ++i) Out[i] = static_cast<int16_t>((B[i] - 128) * 256);
    } else {
        const uint8_t* B = Reader_.Data() + 2 * From;
        for (size_t i = 0; i < Count; ++i) Out[i] = static_cast<int16_t>(B[2 * i] | B[2 * i + 1] << 8);
    }
}

std::vector<uint8_t> TSoundData::SoundBytes() const {
    if (Reader_.IsEmpty()) return {};
    if (Reader_.Kind == TSoundKind::MP3 || (Reader_.Kind == TSoundKind::PCM && ADPCMBits_ == 0))
        return {Reader_.Data(), Reader_.Data() + Reader_.DataSize};
    std::vector<int16_t> Samples;
    SamplesAt(0, Reader_.SampleCount, Samples);
    return EncodeADPCM(Samples.data(), Reader_.SampleCount, Reader_.Format.Channels, EncodingBits());
}

void TSoundData::FillDefineSound(TSWFDefineSound& Tag) const {
    Tag.SoundFormat = WrittenFormat();
    Tag.SoundRate = SoundRate;
    Tag.SoundSize = WrittenSize();
    Tag.SoundType = SoundType;
    Tag.SoundSampleCount = SampleCount;
    Tag.SeekSamples = SeekSamples;
    const auto Bytes = SoundBytes();
    Tag.Data().Clear();
    if (!Bytes.empty()) Tag.Data().Write(Bytes.data(), Bytes.size());
}

void TSoundData::FillStreamHead(TSWFSoundStreamHead& Head, float FrameRate) {
    Head.StreamSoundCompression = WrittenFormat();
    Head.StreamSoundRate = Head.PlaybackSoundRate = SoundRate;
    Head.StreamSoundSize = Head.PlaybackSoundSize = WrittenSize();
    Head.StreamSoundType = Head.PlaybackSoundType = SoundType;
    const double PerFrame = FrameRate > 0 ? Reader_.Format.SamplesPerSec / double(FrameRate) : 0;
    SamplesPerFrame_ = static_cast<uint32_t>(std::min<double>(PerFrame, UINT16_MAX));
    Head.StreamSoundSampleCount = static_cast<uint16_t>(SamplesPerFrame_);
    Head.LatencySeek = 0;
    FrameCursor_ = 0;
    SamplesWritten_ = Blocks_ = 0;
    Finished_ = false;
}

std::unique_ptr<TSWFSoundStreamBlock> TSoundData::NextStreamBlock() {
    if (Reader_.IsEmpty() || SamplesPerFrame_ == 0) return nullptr;
    auto Block = std::make_unique<TSWFSoundStreamBlock>();
    Block->StreamSoundCompression = WrittenFormat();
    if (Reader_.Kind == TSoundKind::MP3)
        MP3Block(*Block);
    else if (!PCMBlock(*Block))
        return nullptr;
    ++Blocks_;
    return Block;
}

bool TSoundData::WriteStreamBlock(TBitsEngine& BE) {
    auto Block = NextStreamBlock();
    if (!Block) return false;
    Block->WriteToStream(BE);
    return true;
}

// As many whole MP3 frames as keep the samples written in step with the SWF frames; the carry of samples
// owed goes into SeekSamples. Once the data ends without Loop the carry grows past a frame and the blocks
// stay empty.
void TSoundData::MP3Block(TSWFSoundStreamBlock& Block) {
    const int64_t PerMP3 = Reader_.SamplesPerFrame;
    const int64_t Carry = Blocks_ == 0 ? SeekSamples : Blocks_ * SamplesPerFrame_ - SamplesWritten_;
    if (Finished_ || Carry > PerMP3 || Reader_.MPEG->AudioFrames == 0) {
        Finished_ = true;
        return;
    }
    int64_t Count = std::max<int64_t>(0, (Carry + SamplesPerFrame_) / PerMP3);
    if (Blocks_ == 0) Count = std::max<int64_t>(Count, 1);
    Block.SampleCount = static_cast<uint16_t>(Count * PerMP3);
    Block.SeekSamples = static_cast<uint16_t>(Carry);
    const auto& Frames = Reader_.MPEG->Frames();
    TMemoryStream& Out = Block.Data();
    for (int64_t n = 0; n < Count;) {
        if (FrameCursor_ >= Frames.size()) {
            if (!Loop) {
                const std::vector<uint8_t> Zeros(size_t(Count - n) * Reader_.FrameLength, 0);
                Out.Write(Zeros.data(), Zeros.size());
                break;
            }
            FrameCursor_ = 0;
        }
        const TMP3FrameInfo& F = Frames[FrameCursor_++];
        if (!F.IsAudio) continue;
        Out.Write(Reader_.FrameBytes(F), F.Length);
        SamplesWritten_ += PerMP3;
        ++n;
    }
}

// One SWF frame of samples, raw or encoded; past the end of the data the reading starts again with Loop,
// else the block is filled with silence.
bool TSoundData::PCMBlock(TSWFSoundStreamBlock& Block) {
    const uint32_t Total = Reader_.SampleCount;
    if (FrameCursor_ >= Total && !Loop) return false;
    const int Channels = Reader_.Format.Channels;
    std::vector<int16_t> Samples;
    Samples.reserve(size_t(SamplesPerFrame_) * Channels);
    std::vector<int16_t> Part;
    uint32_t Filled = 0;
    while (Filled < SamplesPerFrame_) {
        if (FrameCursor_ >= Total) {
            if (!Loop) break;
            FrameCursor_ = 0;
        }
        const uint32_t Take = std::min<uint32_t>(SamplesPerFrame_ - Filled, Total - uint32_t(FrameCursor_));
        SamplesAt(uint32_t(FrameCursor_), Take, Part);
        Samples.insert(Samples.end(), Part.begin(), Part.end());
        FrameCursor_ += Take;
        Filled += Take;
    }
    Samples.resize(size_t(SamplesPerFrame_) * Channels, 0);
    TMemoryStream& Out = Block.Data();
    if (WrittenFormat() != 0) {
        const auto Bytes = EncodeADPCM(Samples.data(), SamplesPerFrame_, Channels, EncodingBits());
        Out.Write(Bytes.data(), Bytes.size());
    } else if (Reader_.Format.BitsPerSample == 8) {
        std::vector<uint8_t> Bytes(Samples.size());
        for (size_t i = 0; i < Samples.size(); ++i) Bytes[i] = static_cast<uint8_t>((Samples[i] >> 8) + 128);
        Out.Write(Bytes.data(), Bytes.size());
    } else {
        std::vector<uint8_t> Bytes(Samples.size() * 2);
        for (size_t i = 0; i < Samples.size(); ++i) {
            Bytes[2 * i] = static_cast<uint8_t>(Samples[i] & 0xFF);
            Bytes[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(Samples[i]) >> 8);
        }
        Out.Write(Bytes.data(), Bytes.size());
    }
    return true;
}
