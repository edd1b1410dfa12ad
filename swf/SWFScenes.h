// DefineSceneAndFrameLabelData: the scenes of the main timeline and its frame labels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SWFObject.h"

struct TSWFSceneInfo {
    uint32_t Offset = 0;  // the scene's first frame
    std::string Name;     // bytes as in the file (UTF-8)
    bool operator==(const TSWFSceneInfo&) const = default;
};

struct TSWFFrameLabelInfo {
    uint32_t FrameNum = 0;
    std::string FrameLabel;  // bytes as in the file (UTF-8)
    bool operator==(const TSWFFrameLabelInfo&) const = default;
};

class TSWFDefineSceneAndFrameLabelData : public TSWFObject {
  public:
    std::vector<TSWFSceneInfo> Scenes;
    std::vector<TSWFFrameLabelInfo> FrameLabels;

    TSWFDefineSceneAndFrameLabelData() { TagID = 86; }
    SWF_RECORD_COPY(TSWFDefineSceneAndFrameLabelData)
    int MinVersion() const override { return 9; }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
};
