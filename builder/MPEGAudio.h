// MPEG audio (MP3) parsing: the ID3 tags around the audio, the first frame header, VBR headers and the list
// of frames that a sound copies frame for frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Stream.h"

// One frame of the audio data; positions are counted from the end of the ID3v2 tag.
struct TMP3FrameInfo {
    int64_t Position = 0;
    uint32_t Length = 0;
    uint32_t Header = 0;  // the four header bytes, big-endian
    bool IsAudio = true;  // false for the VBR information frame
};

// The decoded fields of a four-byte frame header.
struct TMP3Header {
    uint8_t Version = 0;  // 0 MPEG-2.5, 2 MPEG-2, 3 MPEG-1
    uint8_t Layer = 0;    // 1 Layer III, 2 Layer II, 3 Layer I
    uint8_t Protection = 0, BitRateIndex = 0, SampleRateIndex = 0, Padding = 0, Private = 0;
    uint8_t ChannelMode = 0, ModeExtension = 0, Copyright = 0, Original = 0, Emphasis = 0;

    // Decodes B[0..3]; false when they are no valid header (free format and reserved values included).
    bool Decode(const uint8_t* B);
    uint32_t BitRate() const;     // kbit/s
    uint32_t SampleRate() const;  // Hz
    // Samples per frame divided by 8: 48 Layer I, 144 Layer II and MPEG-1 Layer III, 72 otherwise.
    uint32_t SamplesFactor() const;
    uint32_t SamplesPerFrame() const { return SamplesFactor() * 8; }
    uint32_t PaddingBytes() const { return Padding ? (Layer == 3 ? 4 : 1) : 0; }
    uint32_t FrameLength() const;
    uint8_t Channels() const { return ChannelMode == 3 ? 1 : 2; }
    // Where a Xing or Info header sits: at the end of the side information.
    uint32_t SideInfoEnd() const;
};

class TID3v1 {
  public:
    bool Exists = false;
    std::string Title, Artist, Album, Year, Comment;
    uint8_t Track = 0, Genre = 0;
    // Reads the tag from the last 128 bytes of Stream, when they start with "TAG".
    void ReadFromStream(TStream& Stream);
    uint32_t Size() const { return Exists ? 128 : 0; }
};

class TID3v2 {
  public:
    bool Exists = false;
    uint8_t Version = 0, Revision = 0, Flags = 0;
    std::string Title, Artist, Album, Year;
    // Reads the tag at the start of Stream; a tag claiming more bytes than the stream holds is ignored.
    void ReadFromStream(TStream& Stream);
    uint32_t Size() const { return Size_; }

  private:
    void ReadTextFrames(const std::vector<uint8_t>& Body);
    uint32_t Size_ = 0;
};

struct TMP3VBRInfo {
    bool Present = false;
    std::string ID;  // "Xing", "VBRI" or "Info"
    uint32_t Frames = 0, Bytes = 0, Quality = 0;
};

class TMPEGaudio {
  public:
    TID3v1 ID3v1;
    TID3v2 ID3v2;
    TMP3VBRInfo VBR;
    TMP3Header FirstHeader;
    bool FirstFrameFound = false;
    int64_t FirstFramePosition = 0;  // from the end of the ID3v2 tag
    uint32_t FirstFrameLength = 0;
    bool FirstFrameEmpty = false;  // the first frame holds the VBR information
    bool WAVContainer = false;
    int64_t FileSize = 0;
    uint32_t AudioFrames = 0;

    // Parses the whole stream; false (and every field reset) when no first frame is found.
    bool LoadFromStream(TStream& Stream);
    uint32_t FrameCount() const { return FrameCount_; }
    double Duration() const { return Duration_; }
    uint32_t BitRate() const { return BitRate_; }
    uint32_t SampleRate() const { return FirstFrameFound ? FirstHeader.SampleRate() : 0; }
    const TMP3FrameInfo& Frame(size_t Index) const { return Frames_.at(Index); }
    const std::vector<TMP3FrameInfo>& Frames() const { return Frames_; }
    // Byte offset of the first frame in the stream.
    int64_t DataOffset() const { return FirstFrameFound ? ID3v2.Size() + FirstFramePosition : 0; }

  private:
    void Reset();
    void Parse(TStream& Stream);
    bool FindFirstFrame(TStream& Stream, int64_t From);
    void ReadVBRHeader(TStream& Stream);
    void ReadFrameList(TStream& Stream);
    std::vector<TMP3FrameInfo> Frames_;
    uint32_t FrameCount_ = 0, BitRate_ = 0;
    double Duration_ = 0;
};
