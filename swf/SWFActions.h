// ActionScript 1/2 byte code held as a list of action records.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "SWFObject.h"

class TSWFAction : public TBasedSWFObject {
  public:
    uint8_t ActionCode = 0;
    uint16_t Length = 0;

    int MinVersion() const override { return 3; }
    // Parses the payload; the code and length were read by the caller. The base skips Length bytes.
    virtual void ReadData(TBitsEngine& BE);
    virtual void WriteData(TBitsEngine&) {}
    void WriteToStream(TBitsEngine& BE) override;
};

using TSWFActionList = TObjectList<TSWFAction>;

// Undecoded byte code, written as it is, without a header.
class TSWFActionByteCode : public TSWFAction {
  public:
    std::vector<uint8_t> Bytes;

    TSWFActionByteCode() { ActionCode = 254; }
    SWF_RECORD_COPY(TSWFActionByteCode)
    int MinVersion() const override { return 4; }
    void WriteData(TBitsEngine& BE) override;
    void SetBytes(std::vector<uint8_t> B);
};

// Reads action records until the End action (not stored) or until MaxSize bytes are used.
void ReadActions(TBitsEngine& BE, TSWFActionList& List, int64_t MaxSize);
// The highest MinVersion of the actions, at least Floor.
int ActionsMinVersion(const TSWFActionList& List, int Floor);
// True when the written actions already end with a 0 byte (an End action, or a raw block ending with 0).
bool ActionsEndWithZero(const TSWFActionList& List);
void WriteActions(TBitsEngine& BE, const TSWFActionList& List);
