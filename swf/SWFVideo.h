// Embedded video: DefineVideoStream and its VideoFrame tags.
#pragma once

#include <cstdint>

#include "SWFObject.h"

class TSWFDefineVideoStream : public TSWFObject {
  public:
    enum : uint8_t { SorensonH263 = 2, ScreenVideo = 3, VP6 = 4, VP6Alpha = 5, ScreenVideo2 = 6 };
    uint16_t CharacterID = 0;
    uint16_t NumFrames = 0;
    uint16_t Width = 0, Height = 0;
    uint8_t VideoFlagsReserved = 0;    // 4 bits
    uint8_t VideoFlagsDeblocking = 0;  // 3 bits
    bool VideoFlagsSmoothing = false;
    uint8_t CodecID = SorensonH263;

    TSWFDefineVideoStream() { TagID = 60; }
    SWF_RECORD_COPY(TSWFDefineVideoStream)
    int MinVersion() const override { return CodecID == ScreenVideo ? 7 : 6; }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void VisitDefinedIDs(const TIDVisitor& Visit) override { Visit(CharacterID); }
};

// One frame of a video stream; the encoded frame is in Data, or OnDataWrite writes it.
class TSWFVideoFrame : public TSWFDataObject {
  public:
    uint16_t StreamID = 0;
    uint16_t FrameNum = 0;

    TSWFVideoFrame() { TagID = 61; }
    SWF_RECORD_COPY(TSWFVideoFrame)
    int MinVersion() const override { return 6; }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void VisitReferences(const TIDVisitor& Visit) override { Visit(StreamID); }
};
