// ActionScript 1/2 byte code held as a list of action records.
//
// Branches (Jump, If) and blocks (With, DefineFunction, DefineFunction2, Try) find their targets through
// label markers that sit in the list like actions but emit no bytes; offsets and sizes are resolved while the
// list is written. An action refers to its marker by the marker's ID, so a copied list links its own copies.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "SWFObject.h"

class TSWFOffsetMarker;

class TSWFAction : public TBasedSWFObject {
  public:
    uint8_t ActionCode = 0;
    uint16_t Length = 0;

    int MinVersion() const override { return 3; }
    // Parses the payload; the code and length were read by the caller. The base skips Length bytes.
    virtual void ReadData(TBitsEngine& BE);
    virtual void WriteData(TBitsEngine&) {}
    void WriteToStream(TBitsEngine& BE) override;

  protected:
    // Where the code byte of the last write went in the target stream; offset fields are placed from it.
    int64_t StartPosition = 0;
};

class TSWFAction4 : public TSWFAction {
  public:
    int MinVersion() const override { return 4; }
};
class TSWFAction5 : public TSWFAction {
  public:
    int MinVersion() const override { return 5; }
};
class TSWFAction6 : public TSWFAction {
  public:
    int MinVersion() const override { return 6; }
};
class TSWFAction7 : public TSWFAction {
  public:
    int MinVersion() const override { return 7; }
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

// A label in an action list. It emits no bytes; when written it patches the offset field of the action that
// branches forward to it, or records its position for an action that branches back to it.
class TSWFOffsetMarker : public TSWFAction {
  public:
    std::string Label;
    bool Written = false;
    bool Backward = false;  // stands before the action that refers to it
    bool Active = true;     // markers inserted by ReadActions are inactive: their actions keep static offsets
    uint8_t OffsetSize = 2;
    int64_t FieldPosition = -1;  // offset field waiting for this marker (forward case), -1 for none
    int64_t MarkerPosition = -1;
    // The position the offset counts from: the end of the referring record, or the position of OriginMarker.
    int64_t Origin = 0;
    const TSWFOffsetMarker* OriginMarker = nullptr;
    uint32_t ID;  // kept by copies, so the actions of a copied list find the copied markers

    TSWFOffsetMarker();
    SWF_RECORD_COPY(TSWFOffsetMarker)
    void WriteData(TBitsEngine& BE) override;
    // Forgets the state of an earlier write.
    void ResetWrite();
};

// The markers of a Try block: end of the try, the catch and the finally block.
class TSWFTryOffsetMarker : public TSWFOffsetMarker {
  public:
    SWF_RECORD_COPY(TSWFTryOffsetMarker)
};

// The link from an action to the marker ending one of its offsets or sizes.
class TSWFMarkerRef {
  public:
    uint32_t MarkerID = 0;
    TSWFOffsetMarker* Bound = nullptr;  // the marker in the list being written; set by WriteActions only
    std::string Error;                  // why reading placed no marker for this offset

    TSWFMarkerRef() = default;
    TSWFMarkerRef(const TSWFMarkerRef& Other) : MarkerID(Other.MarkerID), Error(Other.Error) {}
    TSWFMarkerRef& operator=(const TSWFMarkerRef& Other) {
        MarkerID = Other.MarkerID;
        Error = Other.Error;
        Bound = nullptr;
        return *this;
    }
    // A new marker linked to this reference; the caller places it in the list.
    template <class TMarker = TSWFOffsetMarker>
    std::unique_ptr<TMarker> NewMarker() {
        auto M = std::make_unique<TMarker>();
        MarkerID = M->ID;
        return M;
    }
    // Writes the field (OffsetSize bytes of the bound marker, else a word) into the payload engine PE of a
    // record whose code byte went to RecordStart: the resolved value for a backward marker, zeros to be
    // patched for a forward one, zero without an active marker. The value counts from Origin (the end of the
    // field when < 0) or from the position of OriginMarker.
    void WriteField(TBitsEngine& PE, int64_t RecordStart, int64_t Origin = -1,
                    const TSWFOffsetMarker* OriginMarker = nullptr);
};

// One offset or size of a marked action: its marker reference and, as read from a file, the distance of its
// target from the end of the action's record.
struct TSWFMarkedTarget {
    TSWFMarkerRef* Ref;
    int64_t Distance;
    int32_t Offset;    // the stored field value
    bool Used;         // false for a Try block part that is absent
    const char* Kind;  // label prefix of Try markers ("Try "...), nullptr for plain labels
};

// Actions that own marker references, so lists can link and resolve them.
class TSWFMarkedAction {
  public:
    virtual ~TSWFMarkedAction() = default;
    virtual std::vector<TSWFMarkedTarget> MarkedTargets() = 0;
};

// Actions without operands.
#define SWF_SIMPLE_ACTION(Name, Base, Code)       \
    class TSWFAction##Name : public Base {        \
      public:                                     \
        TSWFAction##Name() { ActionCode = Code; } \
        SWF_RECORD_COPY(TSWFAction##Name)         \
    };

SWF_SIMPLE_ACTION(End, TSWFAction, 0x00)
SWF_SIMPLE_ACTION(NextFrame, TSWFAction, 0x04)
SWF_SIMPLE_ACTION(PreviousFrame, TSWFAction, 0x05)
SWF_SIMPLE_ACTION(Play, TSWFAction, 0x06)
SWF_SIMPLE_ACTION(Stop, TSWFAction, 0x07)
SWF_SIMPLE_ACTION(ToggleQuality, TSWFAction, 0x08)
SWF_SIMPLE_ACTION(StopSounds, TSWFAction, 0x09)
SWF_SIMPLE_ACTION(Add, TSWFAction4, 0x0A)
SWF_SIMPLE_ACTION(Subtract, TSWFAction4, 0x0B)
SWF_SIMPLE_ACTION(Multiply, TSWFAction4, 0x0C)
SWF_SIMPLE_ACTION(Divide, TSWFAction4, 0x0D)
SWF_SIMPLE_ACTION(Equals, TSWFAction4, 0x0E)
SWF_SIMPLE_ACTION(Less, TSWFAction4, 0x0F)
SWF_SIMPLE_ACTION(And, TSWFAction4, 0x10)
SWF_SIMPLE_ACTION(Or, TSWFAction4, 0x11)
SWF_SIMPLE_ACTION(Not, TSWFAction4, 0x12)
SWF_SIMPLE_ACTION(StringEquals, TSWFAction4, 0x13)
SWF_SIMPLE_ACTION(StringLength, TSWFAction4, 0x14)
SWF_SIMPLE_ACTION(StringExtract, TSWFAction4, 0x15)
SWF_SIMPLE_ACTION(Pop, TSWFAction4, 0x17)
SWF_SIMPLE_ACTION(ToInteger, TSWFAction4, 0x18)
SWF_SIMPLE_ACTION(GetVariable, TSWFAction4, 0x1C)
SWF_SIMPLE_ACTION(SetVariable, TSWFAction4, 0x1D)
SWF_SIMPLE_ACTION(SetTarget2, TSWFAction4, 0x20)
SWF_SIMPLE_ACTION(StringAdd, TSWFAction4, 0x21)
SWF_SIMPLE_ACTION(GetProperty, TSWFAction4, 0x22)
SWF_SIMPLE_ACTION(SetProperty, TSWFAction4, 0x23)
SWF_SIMPLE_ACTION(CloneSprite, TSWFAction4, 0x24)
SWF_SIMPLE_ACTION(RemoveSprite, TSWFAction4, 0x25)
SWF_SIMPLE_ACTION(Trace, TSWFAction4, 0x26)
SWF_SIMPLE_ACTION(StartDrag, TSWFAction4, 0x27)
SWF_SIMPLE_ACTION(EndDrag, TSWFAction4, 0x28)
SWF_SIMPLE_ACTION(StringLess, TSWFAction4, 0x29)
SWF_SIMPLE_ACTION(Throw, TSWFAction7, 0x2A)
SWF_SIMPLE_ACTION(CastOp, TSWFAction7, 0x2B)
SWF_SIMPLE_ACTION(ImplementsOp, TSWFAction7, 0x2C)
SWF_SIMPLE_ACTION(FSCommand2, TSWFAction4, 0x2D)
SWF_SIMPLE_ACTION(RandomNumber, TSWFAction4, 0x30)
SWF_SIMPLE_ACTION(MBStringLength, TSWFAction4, 0x31)
SWF_SIMPLE_ACTION(CharToAscii, TSWFAction4, 0x32)
SWF_SIMPLE_ACTION(AsciiToChar, TSWFAction4, 0x33)
SWF_SIMPLE_ACTION(GetTime, TSWFAction4, 0x34)
SWF_SIMPLE_ACTION(MBStringExtract, TSWFAction4, 0x35)
SWF_SIMPLE_ACTION(MBCharToAscii, TSWFAction4, 0x36)
SWF_SIMPLE_ACTION(MBAsciiToChar, TSWFAction4, 0x37)
SWF_SIMPLE_ACTION(Delete, TSWFAction5, 0x3A)
SWF_SIMPLE_ACTION(Delete2, TSWFAction5, 0x3B)
SWF_SIMPLE_ACTION(DefineLocal, TSWFAction5, 0x3C)
SWF_SIMPLE_ACTION(CallFunction, TSWFAction5, 0x3D)
SWF_SIMPLE_ACTION(Return, TSWFAction5, 0x3E)
SWF_SIMPLE_ACTION(Modulo, TSWFAction5, 0x3F)
SWF_SIMPLE_ACTION(NewObject, TSWFAction5, 0x40)
SWF_SIMPLE_ACTION(DefineLocal2, TSWFAction5, 0x41)
SWF_SIMPLE_ACTION(InitArray, TSWFAction5, 0x42)
SWF_SIMPLE_ACTION(InitObject, TSWFAction5, 0x43)
SWF_SIMPLE_ACTION(TypeOf, TSWFAction5, 0x44)
SWF_SIMPLE_ACTION(TargetPath, TSWFAction5, 0x45)
SWF_SIMPLE_ACTION(Enumerate, TSWFAction5, 0x46)
SWF_SIMPLE_ACTION(Add2, TSWFAction5, 0x47)
SWF_SIMPLE_ACTION(Less2, TSWFAction5, 0x48)
SWF_SIMPLE_ACTION(Equals2, TSWFAction5, 0x49)
SWF_SIMPLE_ACTION(ToNumber, TSWFAction5, 0x4A)
SWF_SIMPLE_ACTION(ToString, TSWFAction5, 0x4B)
SWF_SIMPLE_ACTION(PushDuplicate, TSWFAction5, 0x4C)
SWF_SIMPLE_ACTION(StackSwap, TSWFAction5, 0x4D)
SWF_SIMPLE_ACTION(GetMember, TSWFAction5, 0x4E)
SWF_SIMPLE_ACTION(SetMember, TSWFAction5, 0x4F)
SWF_SIMPLE_ACTION(Increment, TSWFAction5, 0x50)
SWF_SIMPLE_ACTION(Decrement, TSWFAction5, 0x51)
SWF_SIMPLE_ACTION(CallMethod, TSWFAction5, 0x52)
SWF_SIMPLE_ACTION(NewMethod, TSWFAction5, 0x53)
SWF_SIMPLE_ACTION(InstanceOf, TSWFAction6, 0x54)
SWF_SIMPLE_ACTION(Enumerate2, TSWFAction6, 0x55)
SWF_SIMPLE_ACTION(BitAnd, TSWFAction5, 0x60)
SWF_SIMPLE_ACTION(BitOr, TSWFAction5, 0x61)
SWF_SIMPLE_ACTION(BitXor, TSWFAction5, 0x62)
SWF_SIMPLE_ACTION(BitLShift, TSWFAction5, 0x63)
SWF_SIMPLE_ACTION(BitRShift, TSWFAction5, 0x64)
SWF_SIMPLE_ACTION(BitURShift, TSWFAction5, 0x65)
SWF_SIMPLE_ACTION(StrictEquals, TSWFAction6, 0x66)
SWF_SIMPLE_ACTION(Greater, TSWFAction6, 0x67)
SWF_SIMPLE_ACTION(StringGreater, TSWFAction6, 0x68)
SWF_SIMPLE_ACTION(Extends, TSWFAction7, 0x69)
// Call has the long header with an empty payload.
SWF_SIMPLE_ACTION(Call, TSWFAction4, 0x9E)

#undef SWF_SIMPLE_ACTION

class TSWFActionGotoFrame : public TSWFAction {
  public:
    uint16_t Frame = 0;

    TSWFActionGotoFrame() { ActionCode = 0x81; }
    SWF_RECORD_COPY(TSWFActionGotoFrame)
    void ReadData(TBitsEngine& BE) override;
    void WriteData(TBitsEngine& BE) override;
};

class TSWFActionGetUrl : public TSWFAction {
  public:
    std::string URL;     // written as UTF-8
    std::string Target;  // written as it is

    TSWFActionGetUrl() { ActionCode = 0x83; }
    SWF_RECORD_COPY(TSWFActionGetUrl)
    void ReadData(TBitsEngine& BE) override;
    void WriteData(TBitsEngine& BE) override;
};

class TSWFActionStoreRegister : public TSWFAction5 {
  public:
    uint8_t RegisterNumber = 0;

    TSWFActionStoreRegister() { ActionCode = 0x87; }
    SWF_RECORD_COPY(TSWFActionStoreRegister)
    void ReadData(TBitsEngine& BE) override;
    void WriteData(TBitsEngine& BE) override;
};

class TSWFActionConstantPool : public TSWFAction5 {
  public:
    std::vector<std::string> ConstantPool;

    TSWFActionConstantPool() { ActionCode = 0x88; }
    SWF_RECORD_COPY(TSWFActionConstantPool)
    void ReadData(TBitsEngine& BE) override;
    void WriteData(TBitsEngine& BE) override;
};

class TSWFActionWaitForFrame : public TSWFAction {
  public:
    uint16_t Frame = 0;
    uint8_t SkipCount = 0;

    TSWFActionWaitForFrame() { ActionCode = 0x8A; }
    SWF_RECORD_COPY(TSWFActionWaitForFrame)
    void ReadData(TBitsEngine& BE) override;
    void WriteData(TBitsEngine& BE) override;
};

class TSWFActionSetTarget : public TSWFAction {
  public:
    std::string TargetName;

    TSWFActionSetTarget() { ActionCode = 0x8B; }
    SWF_RECORD_COPY(TSWFActionSetTarget)
    void ReadData(TBitsEngine& BE) override;
    void WriteData(TBitsEngine& BE) override;
};

class TSWFActionGoToLabel : public TSWFAction {
  public:
    std::string Label;

    TSWFActionGoToLabel() { ActionCode = 0x8C; }
    SWF_RECORD_COPY(TSWFActionGoToLabel)
    void ReadData(TBitsEngine& BE) override;
    void WriteData(TBitsEngine& BE) override;
};

// Keeps its SkipCount, so a record read from a file writes back the same bytes.
class TSWFActionWaitForFrame2 : public TSWFAction4 {
  public:
    uint8_t SkipCount = 0;

    TSWFActionWaitForFrame2() { ActionCode = 0x8D; }
    SWF_RECORD_COPY(TSWFActionWaitForFrame2)
    void ReadData(TBitsEngine& BE) override;
    void WriteData(TBitsEngine& BE) override;
};

// Base of the actions with one offset or size resolved through a marker (Jump, If, With, DefineFunction,
// DefineFunction2). Setting the value (as reading does) makes it static: it is then written as stored.
template <class Base>
class TSWFOneMarkerAction : public Base, public TSWFMarkedAction {
  public:
    TSWFMarkerRef Target;
    bool Static = false;

    std::unique_ptr<TSWFOffsetMarker> NewMarker() { return Target.NewMarker(); }
    std::vector<TSWFMarkedTarget> MarkedTargets() override {
        return {{&Target, StoredValue, StoredValue, true, nullptr}};
    }

  protected:
    // The field is the last of the payload, so its value counts from the end of the record.
    void WriteMarkedField(TBitsEngine& PE) {
        if (Static) {
            PE.WriteWord(static_cast<uint16_t>(StoredValue));
        } else {
            Target.WriteField(PE, this->StartPosition);
        }
    }
    int32_t StoredValue = 0;
};

class TSWFActionJump : public TSWFOneMarkerAction<TSWFAction4> {
  public:
    TSWFActionJump() { ActionCode = 0x99; }
    SWF_RECORD_COPY(TSWFActionJump)
    int16_t BranchOffset() const { return static_cast<int16_t>(StoredValue); }
    void SetBranchOffset(int16_t V) {
        StoredValue = V;
        Static = true;
    }
    void ReadData(TBitsEngine& BE) override;
    void WriteData(TBitsEngine& BE) override { WriteMarkedField(BE); }
};

class TSWFActionIf : public TSWFOneMarkerAction<TSWFAction4> {
  public:
    TSWFActionIf() { ActionCode = 0x9D; }
    SWF_RECORD_COPY(TSWFActionIf)
    int16_t BranchOffset() const { return static_cast<int16_t>(StoredValue); }
    void SetBranchOffset(int16_t V) {
        StoredValue = V;
        Static = true;
    }
    void ReadData(TBitsEngine& BE) override;
    void WriteData(TBitsEngine& BE) override { WriteMarkedField(BE); }
};

class TSWFActionWith : public TSWFOneMarkerAction<TSWFAction5> {
  public:
    TSWFActionWith() { ActionCode = 0x94; }
    SWF_RECORD_COPY(TSWFActionWith)
    uint16_t Size() const { return static_cast<uint16_t>(StoredValue); }
    void SetSize(uint16_t V) {
        StoredValue = V;
        Static = true;
    }
    void ReadData(TBitsEngine& BE) override;
    void WriteData(TBitsEngine& BE) override { WriteMarkedField(BE); }
};

class TSWFActionDefineFunction : public TSWFOneMarkerAction<TSWFAction5> {
  public:
    std::string FunctionName;
    std::vector<std::string> Params;

    TSWFActionDefineFunction() { ActionCode = 0x9B; }
    SWF_RECORD_COPY(TSWFActionDefineFunction)
    uint16_t CodeSize() const { return static_cast<uint16_t>(StoredValue); }
    void SetCodeSize(uint16_t V) {
        StoredValue = V;
        Static = true;
    }
    void ReadData(TBitsEngine& BE) override;
    void WriteData(TBitsEngine& BE) override;
};

struct TSWFRegisterParam {
    uint8_t Register = 0;
    std::string ParamName;
};

class TSWFActionDefineFunction2 : public TSWFOneMarkerAction<TSWFAction7> {
  public:
    std::string FunctionName;
    uint8_t RegisterCount = 0;
    bool PreloadParentFlag = false, PreloadRootFlag = false, SuppressSuperFlag = false,
         PreloadSuperFlag = false, SuppressArgumentsFlag = false, PreloadArgumentsFlag = false,
         SuppressThisFlag = false, PreloadThisFlag = false, PreloadGlobalFlag = false;
    std::vector<TSWFRegisterParam> Parameters;

    TSWFActionDefineFunction2() { ActionCode = 0x8E; }
    SWF_RECORD_COPY(TSWFActionDefineFunction2)
    uint16_t CodeSize() const { return static_cast<uint16_t>(StoredValue); }
    void SetCodeSize(uint16_t V) {
        StoredValue = V;
        Static = true;
    }
    void ReadData(TBitsEngine& BE) override;
    void WriteData(TBitsEngine& BE) override;
};

// Try block. Its sizes resolved through markers count as the player reads them: the try size from the end of
// this record, the catch size from the try marker, the finally size from the catch (or try) marker.
class TSWFActionTry : public TSWFAction7, public TSWFMarkedAction {
  public:
    bool CatchInRegisterFlag = false, FinallyBlockFlag = false, CatchBlockFlag = false;
    uint8_t CatchRegister = 0;
    std::string CatchName;
    TSWFMarkerRef TryMarker, CatchMarker, FinallyMarker;
    bool Static = false;  // one flag for the three sizes

    TSWFActionTry() { ActionCode = 0x8F; }
    SWF_RECORD_COPY(TSWFActionTry)
    uint16_t TrySize() const { return TrySize_; }
    uint16_t CatchSize() const { return CatchSize_; }
    uint16_t FinallySize() const { return FinallySize_; }
    void SetTrySize(uint16_t V);
    void SetCatchSize(uint16_t V);
    void SetFinallySize(uint16_t V);
    std::unique_ptr<TSWFTryOffsetMarker> NewTryMarker() { return TryMarker.NewMarker<TSWFTryOffsetMarker>(); }
    std::unique_ptr<TSWFTryOffsetMarker> NewCatchMarker() {
        CatchBlockFlag = true;
        return CatchMarker.NewMarker<TSWFTryOffsetMarker>();
    }
    std::unique_ptr<TSWFTryOffsetMarker> NewFinallyMarker() {
        FinallyBlockFlag = true;
        return FinallyMarker.NewMarker<TSWFTryOffsetMarker>();
    }
    std::vector<TSWFMarkedTarget> MarkedTargets() override;
    void ReadData(TBitsEngine& BE) override;
    void WriteData(TBitsEngine& BE) override;

  private:
    uint16_t TrySize_ = 0, CatchSize_ = 0, FinallySize_ = 0;
};

// A pushed value: strings "FlashVar_null" and "FlashVar_undefined" stand for null and undefined.
using TPushValue = std::variant<std::monostate, std::nullptr_t, bool, int64_t, float, double, std::string>;

struct TPushValueInfo {
    TPushValue Value;
    uint8_t ValueType = 3;  // 0 string, 1 float, 2 null, 3 undefined, 4 register, 5 boolean, 6 double,
                            // 7 integer, 8 constant8, 9 constant16
    bool IsValid = true;    // invalid values (a type their value cannot be written as) are skipped
};

class TSWFActionPush : public TSWFAction4 {
  public:
    std::vector<TPushValueInfo> Values;

    TSWFActionPush() { ActionCode = 0x96; }
    SWF_RECORD_COPY(TSWFActionPush)
    // Adds a value typed from its variant; an ExplicitType other than 10 overrides that type.
    TPushValueInfo& AddValue(TPushValue Value, uint8_t ExplicitType = 10);
    int MinVersion() const override;
    void ReadData(TBitsEngine& BE) override;
    void WriteData(TBitsEngine& BE) override;
};

class TSWFActionGetUrl2 : public TSWFAction4 {
  public:
    bool LoadVariablesFlag = false, LoadTargetFlag = false;
    uint8_t SendVarsMethod = 0;  // 0 none, 1 GET, 2 POST

    TSWFActionGetUrl2() { ActionCode = 0x9A; }
    SWF_RECORD_COPY(TSWFActionGetUrl2)
    void ReadData(TBitsEngine& BE) override;
    void WriteData(TBitsEngine& BE) override;
};

class TSWFActionGotoFrame2 : public TSWFAction4 {
  public:
    bool SceneBiasFlag = false, PlayFlag = false;
    uint16_t SceneBias = 0;

    TSWFActionGotoFrame2() { ActionCode = 0x9F; }
    SWF_RECORD_COPY(TSWFActionGotoFrame2)
    void ReadData(TBitsEngine& BE) override;
    void WriteData(TBitsEngine& BE) override;
};

// A new record for an action code; nothing for codes without a class.
std::unique_ptr<TSWFAction> CreateSWFAction(uint8_t Code);

// Reads action records until the End action (not stored) or until MaxSize bytes are used, then places
// inactive label markers at the targets of branches and blocks. Actions whose payload would not write back
// the same bytes, unknown codes and a truncated tail are kept as raw blocks.
void ReadActions(TBitsEngine& BE, TSWFActionList& List, int64_t MaxSize);
// The highest MinVersion of the actions, at least Floor.
int ActionsMinVersion(const TSWFActionList& List, int Floor);
// True when the written actions already end with a 0 byte (an End action, or a raw block ending with 0).
bool ActionsEndWithZero(const TSWFActionList& List);
// Writes the actions; branches and blocks are resolved against the markers of this list.
void WriteActions(TBitsEngine& BE, const TSWFActionList& List);
