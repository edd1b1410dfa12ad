#include "SWFScenes.h"

namespace {
// A count of entries that take at least two bytes each (an EncodedU32 and a string terminator).
uint32_t ReadEntryCount(TBitsEngine& BE) {
    uint32_t N = BE.ReadEncodedU32();
    if (N > BE.Stream->Remaining() / 2) throw ESWFError("Scene or label count beyond the end of the data");
    return N;
}
}  // namespace

void TSWFDefineSceneAndFrameLabelData::WriteTagBody(TBitsEngine& BE) {
    BE.WriteEncodedU32(static_cast<uint32_t>(Scenes.size()));
    for (const auto& S : Scenes) {
        BE.WriteEncodedU32(S.Offset);
        BE.WriteString(S.Name);
    }
    BE.WriteEncodedU32(static_cast<uint32_t>(FrameLabels.size()));
    for (const auto& L : FrameLabels) {
        BE.WriteEncodedU32(L.FrameNum);
        BE.WriteString(L.FrameLabel);
    }
}

void TSWFDefineSceneAndFrameLabelData::ReadFromStream(TBitsEngine& BE) {
    Scenes.assign(ReadEntryCount(BE), {});
    for (auto& S : Scenes) {
        S.Offset = BE.ReadEncodedU32();
        S.Name = BE.ReadString();
    }
    FrameLabels.assign(ReadEntryCount(BE), {});
    for (auto& L : FrameLabels) {
        L.FrameNum = BE.ReadEncodedU32();
        L.FrameLabel = BE.ReadString();
    }
}
