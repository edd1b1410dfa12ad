#include "SWFVideo.h"

void TSWFDefineVideoStream::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(CharacterID);
    BE.WriteWord(NumFrames);
    BE.WriteWord(Width);
    BE.WriteWord(Height);
    BE.WriteByte(static_cast<uint8_t>((VideoFlagsReserved & 0x0F) << 4 | (VideoFlagsDeblocking & 7) << 1 |
                                      (VideoFlagsSmoothing ? 1 : 0)));
    BE.WriteByte(CodecID);
}

void TSWFDefineVideoStream::ReadFromStream(TBitsEngine& BE) {
    CharacterID = BE.ReadWord();
    NumFrames = BE.ReadWord();
    Width = BE.ReadWord();
    Height = BE.ReadWord();
    uint8_t F = BE.ReadByte();
    VideoFlagsReserved = F >> 4;
    VideoFlagsDeblocking = (F >> 1) & 7;
    VideoFlagsSmoothing = F & 1;
    CodecID = BE.ReadByte();
}

void TSWFVideoFrame::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(StreamID);
    BE.WriteWord(FrameNum);
    WriteData(BE);
}

void TSWFVideoFrame::ReadFromStream(TBitsEngine& BE) {
    StreamID = BE.ReadWord();
    FrameNum = BE.ReadWord();
    ReadRestAsData(BE);
}
