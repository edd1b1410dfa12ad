#include "SWFActions.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <unordered_map>

// ---- Root and raw block ----

void TSWFAction::ReadData(TBitsEngine& BE) {
    std::vector<uint8_t> Skip(Length);
    if (Length) BE.ReadBytes(Skip.data(), Skip.size());
}

void TSWFAction::WriteToStream(TBitsEngine& BE) {
    StartPosition = BE.Stream->Position();
    if (ActionCode == 254 || ActionCode == 255) {
        WriteData(BE);
        return;
    }
    BE.WriteByte(ActionCode);
    if (ActionCode < 128) return;
    TMemoryStream Payload;
    TBitsEngine PE(Payload);
    WriteData(PE);
    PE.FlushLastByte(true);
    if (Payload.Size() > 0xFFFF) throw ESWFError("Action payload longer than 65535 bytes");
    Length = static_cast<uint16_t>(Payload.Size());
    BE.WriteWord(Length);
    if (Length) BE.WriteBytes(Payload.Memory(), Payload.Bytes().size());
}

void TSWFActionByteCode::WriteData(TBitsEngine& BE) {
    if (!Bytes.empty()) BE.WriteBytes(Bytes.data(), Bytes.size());
}

void TSWFActionByteCode::SetBytes(std::vector<uint8_t> B) {
    Bytes = std::move(B);
    Length = static_cast<uint16_t>(std::min<size_t>(Bytes.size(), 0xFFFF));
}

// ---- Markers ----

namespace {
std::atomic<uint32_t> NextMarkerID{1};

void WriteOffsetValue(TStream& S, int64_t Value, uint8_t Size) {
    if (Size == 2 && (Value < -32768 || Value > 0xFFFF)) throw ESWFError("Action offset out of range");
    uint8_t B[4];
    for (int i = 0; i < 4; ++i) B[i] = static_cast<uint8_t>(static_cast<uint64_t>(Value) >> (8 * i));
    S.Write(B, Size);
}
}  // namespace

TSWFOffsetMarker::TSWFOffsetMarker() : ID(NextMarkerID++) {
    ActionCode = 255;
}

void TSWFOffsetMarker::ResetWrite() {
    Written = false;
    FieldPosition = -1;
    MarkerPosition = -1;
    OriginMarker = nullptr;
}

void TSWFOffsetMarker::WriteData(TBitsEngine& BE) {
    TStream& S = *BE.Stream;
    int64_t Pos = S.Position();
    if (Active && !Backward && FieldPosition >= 0) {
        int64_t From = OriginMarker ? OriginMarker->MarkerPosition : Origin;
        S.SetPosition(FieldPosition);
        WriteOffsetValue(S, Pos - From, OffsetSize == 4 ? 4 : 2);
        S.SetPosition(Pos);
        FieldPosition = -1;
    }
    MarkerPosition = Pos;
    Written = true;
}

void TSWFMarkerRef::WriteField(TBitsEngine& PE, int64_t RecordStart, int64_t Origin,
                               const TSWFOffsetMarker* OriginMarker) {
    TSWFOffsetMarker* M = Bound && Bound->Active ? Bound : nullptr;
    uint8_t Size = M && M->OffsetSize == 4 ? 4 : 2;
    PE.FlushLastByte(true);
    int64_t FieldPos = RecordStart + 3 + PE.Stream->Position();
    if (Origin < 0) Origin = FieldPos + Size;
    int64_t Value = 0;
    if (M && M->Backward) {
        if (M->Written) Value = M->MarkerPosition - Origin;
    } else if (M) {
        M->FieldPosition = FieldPos;
        M->Origin = Origin;
        M->OriginMarker = OriginMarker;
    }
    WriteOffsetValue(*PE.Stream, Value, Size);
}

// ---- Actions with operands ----

void TSWFActionGotoFrame::ReadData(TBitsEngine& BE) {
    Frame = BE.ReadWord();
}
void TSWFActionGotoFrame::WriteData(TBitsEngine& BE) {
    BE.WriteWord(Frame);
}

void TSWFActionGetUrl::ReadData(TBitsEngine& BE) {
    URL = BE.ReadString();
    Target = BE.ReadString();
}
void TSWFActionGetUrl::WriteData(TBitsEngine& BE) {
    BE.WriteString(URL, true, true);
    BE.WriteString(Target);
}

void TSWFActionStoreRegister::ReadData(TBitsEngine& BE) {
    RegisterNumber = BE.ReadByte();
}
void TSWFActionStoreRegister::WriteData(TBitsEngine& BE) {
    BE.WriteByte(RegisterNumber);
}

void TSWFActionConstantPool::ReadData(TBitsEngine& BE) {
    int64_t Start = BE.Stream->Position();
    uint16_t Count = BE.ReadWord();
    // Every string takes at least its terminator.
    if (Count > BE.Stream->Remaining()) throw ESWFError("ConstantPool count beyond the action");
    ConstantPool.clear();
    ConstantPool.reserve(Count);
    for (uint16_t i = 0; i < Count; ++i) ConstantPool.push_back(BE.ReadString());
    Length = static_cast<uint16_t>(BE.Stream->Position() - Start);
}
void TSWFActionConstantPool::WriteData(TBitsEngine& BE) {
    BE.WriteWord(static_cast<uint16_t>(ConstantPool.size()));
    for (const auto& S : ConstantPool) BE.WriteString(S);
}

void TSWFActionWaitForFrame::ReadData(TBitsEngine& BE) {
    Frame = BE.ReadWord();
    SkipCount = BE.ReadByte();
}
void TSWFActionWaitForFrame::WriteData(TBitsEngine& BE) {
    BE.WriteWord(Frame);
    BE.WriteByte(SkipCount);
}

void TSWFActionSetTarget::ReadData(TBitsEngine& BE) {
    TargetName = BE.ReadString();
}
void TSWFActionSetTarget::WriteData(TBitsEngine& BE) {
    BE.WriteString(TargetName);
}

void TSWFActionGoToLabel::ReadData(TBitsEngine& BE) {
    Label = BE.ReadString();
}
void TSWFActionGoToLabel::WriteData(TBitsEngine& BE) {
    BE.WriteString(Label);
}

void TSWFActionWaitForFrame2::ReadData(TBitsEngine& BE) {
    SkipCount = BE.ReadByte();
}
void TSWFActionWaitForFrame2::WriteData(TBitsEngine& BE) {
    BE.WriteByte(SkipCount);
}

void TSWFActionJump::ReadData(TBitsEngine& BE) {
    SetBranchOffset(static_cast<int16_t>(BE.ReadWord()));
}
void TSWFActionIf::ReadData(TBitsEngine& BE) {
    SetBranchOffset(static_cast<int16_t>(BE.ReadWord()));
}
void TSWFActionWith::ReadData(TBitsEngine& BE) {
    SetSize(BE.ReadWord());
}

void TSWFActionDefineFunction::ReadData(TBitsEngine& BE) {
    FunctionName = BE.ReadString();
    uint16_t NumParams = BE.ReadWord();
    if (NumParams > BE.Stream->Remaining()) throw ESWFError("DefineFunction parameters beyond the action");
    Params.clear();
    Params.reserve(NumParams);
    for (uint16_t i = 0; i < NumParams; ++i) Params.push_back(BE.ReadString());
    SetCodeSize(BE.ReadWord());
}
void TSWFActionDefineFunction::WriteData(TBitsEngine& BE) {
    BE.WriteString(FunctionName);
    BE.WriteWord(static_cast<uint16_t>(Params.size()));
    for (const auto& P : Params) BE.WriteString(P);
    WriteMarkedField(BE);
}

void TSWFActionDefineFunction2::ReadData(TBitsEngine& BE) {
    FunctionName = BE.ReadString();
    uint16_t NumParams = BE.ReadWord();
    RegisterCount = BE.ReadByte();
    uint8_t F = BE.ReadByte();
    PreloadParentFlag = F & 0x80;
    PreloadRootFlag = F & 0x40;
    SuppressSuperFlag = F & 0x20;
    PreloadSuperFlag = F & 0x10;
    SuppressArgumentsFlag = F & 0x08;
    PreloadArgumentsFlag = F & 0x04;
    SuppressThisFlag = F & 0x02;
    PreloadThisFlag = F & 0x01;
    PreloadGlobalFlag = BE.ReadByte() & 0x01;  // other bits reserved: a record with them set stays raw
    if (NumParams > BE.Stream->Remaining() / 2)
        throw ESWFError("DefineFunction2 parameters beyond the action");
    Parameters.clear();
    Parameters.reserve(NumParams);
    for (uint16_t i = 0; i < NumParams; ++i) {
        TSWFRegisterParam P;
        P.Register = BE.ReadByte();
        P.ParamName = BE.ReadString();
        Parameters.push_back(std::move(P));
    }
    SetCodeSize(BE.ReadWord());
}
void TSWFActionDefineFunction2::WriteData(TBitsEngine& BE) {
    BE.WriteString(FunctionName);
    BE.WriteWord(static_cast<uint16_t>(Parameters.size()));
    BE.WriteByte(RegisterCount);
    BE.WriteByte(static_cast<uint8_t>(PreloadParentFlag << 7 | PreloadRootFlag << 6 | SuppressSuperFlag << 5 |
                                      PreloadSuperFlag << 4 | SuppressArgumentsFlag << 3 |
                                      PreloadArgumentsFlag << 2 | SuppressThisFlag << 1 | PreloadThisFlag));
    BE.WriteByte(PreloadGlobalFlag ? 1 : 0);
    for (const auto& P : Parameters) {
        BE.WriteByte(P.Register);
        BE.WriteString(P.ParamName);
    }
    WriteMarkedField(BE);
}

void TSWFActionTry::SetTrySize(uint16_t V) {
    TrySize_ = V;
    Static = true;
}
void TSWFActionTry::SetCatchSize(uint16_t V) {
    CatchSize_ = V;
    Static = true;
}
void TSWFActionTry::SetFinallySize(uint16_t V) {
    FinallySize_ = V;
    Static = true;
}

std::vector<TSWFMarkedTarget> TSWFActionTry::MarkedTargets() {
    int64_t CatchEnd = TrySize_ + CatchSize_;
    return {{&TryMarker, TrySize_, TrySize_, true, "Try "},
            {&CatchMarker, CatchEnd, CatchSize_, CatchBlockFlag, "Catch "},
            {&FinallyMarker, CatchEnd + FinallySize_, FinallySize_, FinallyBlockFlag, "Finally "}};
}

void TSWFActionTry::ReadData(TBitsEngine& BE) {
    uint8_t F = BE.ReadByte();  // five reserved bits: a record with them set stays raw
    CatchInRegisterFlag = F & 0x04;
    FinallyBlockFlag = F & 0x02;
    CatchBlockFlag = F & 0x01;
    SetTrySize(BE.ReadWord());
    SetCatchSize(BE.ReadWord());
    SetFinallySize(BE.ReadWord());
    if (CatchInRegisterFlag)
        CatchRegister = BE.ReadByte();
    else
        CatchName = BE.ReadString();
}

void TSWFActionTry::WriteData(TBitsEngine& BE) {
    BE.WriteByte(static_cast<uint8_t>(CatchInRegisterFlag << 2 | FinallyBlockFlag << 1 | CatchBlockFlag));
    if (Static) {
        BE.WriteWord(TrySize_);
        BE.WriteWord(CatchSize_);
        BE.WriteWord(FinallySize_);
    } else {
        int64_t PayloadSize = 7 + (CatchInRegisterFlag ? 1 : static_cast<int64_t>(CatchName.size()) + 1);
        TryMarker.WriteField(BE, StartPosition, StartPosition + 3 + PayloadSize);
        if (CatchBlockFlag)
            CatchMarker.WriteField(BE, StartPosition, -1, TryMarker.Bound);
        else
            BE.WriteWord(0);
        if (FinallyBlockFlag)
            FinallyMarker.WriteField(BE, StartPosition, -1,
                                     CatchBlockFlag ? CatchMarker.Bound : TryMarker.Bound);
        else
            BE.WriteWord(0);
    }
    if (CatchInRegisterFlag)
        BE.WriteByte(CatchRegister);
    else
        BE.WriteString(CatchName);
}

// ---- Push ----

namespace {
constexpr const char* kNullText = "FlashVar_null";
constexpr const char* kUndefinedText = "FlashVar_undefined";

uint8_t TypeOfValue(const TPushValue& V) {
    switch (V.index()) {
        case 0:
            return 3;
        case 1:
            return 2;
        case 2:
            return 5;
        case 3:
            return 7;
        case 4:
            return 1;
        case 5:
            return 6;
        default: {
            const auto& S = std::get<std::string>(V);
            return S == kNullText ? 2 : S == kUndefinedText ? 3 : 0;
        }
    }
}

bool IsIntegral(const TPushValue& V) {
    return std::holds_alternative<bool>(V) || std::holds_alternative<int64_t>(V);
}
bool IsNumber(const TPushValue& V) {
    return IsIntegral(V) || std::holds_alternative<float>(V) || std::holds_alternative<double>(V);
}

bool CanWriteAs(const TPushValue& V, uint8_t Type) {
    switch (Type) {
        case 0:
            return std::holds_alternative<std::string>(V);
        case 1:
        case 6:
            return IsNumber(V);
        case 2:
        case 3:
            return true;
        case 4:
        case 5:
        case 7:
        case 8:
        case 9:
            return IsIntegral(V);
        default:
            return false;
    }
}

double NumberOf(const TPushValue& V) {
    switch (V.index()) {
        case 2:
            return std::get<bool>(V) ? 1 : 0;
        case 3:
            return static_cast<double>(std::get<int64_t>(V));
        case 4:
            return std::get<float>(V);
        default:
            return std::get<double>(V);
    }
}

int64_t IntegerOf(const TPushValue& V) {
    return std::holds_alternative<bool>(V) ? (std::get<bool>(V) ? 1 : 0) : std::get<int64_t>(V);
}

// A double in a Push is stored with its two 32-bit halves swapped.
void SwapHalves(uint8_t (&B)[8]) {
    for (int i = 0; i < 4; ++i) std::swap(B[i], B[i + 4]);
}
}  // namespace

TPushValueInfo& TSWFActionPush::AddValue(TPushValue Value, uint8_t ExplicitType) {
    TPushValueInfo Info;
    Info.ValueType = TypeOfValue(Value);
    if (auto* S = std::get_if<std::string>(&Value); S && Info.ValueType != 0) {
        *S = Info.ValueType == 2 ? "null" : "undefined";
    }
    if (ExplicitType != 10) Info.ValueType = ExplicitType;
    Info.IsValid = CanWriteAs(Value, Info.ValueType);
    Info.Value = std::move(Value);
    Values.push_back(std::move(Info));
    return Values.back();
}

int TSWFActionPush::MinVersion() const {
    for (const auto& V : Values)
        if (V.IsValid && V.ValueType > 1) return 5;
    return 4;
}

void TSWFActionPush::ReadData(TBitsEngine& BE) {
    Values.clear();
    while (BE.Stream->Remaining() > 0) {
        TPushValueInfo Info;
        Info.ValueType = BE.ReadByte();
        switch (Info.ValueType) {
            case 0:
                Info.Value = BE.ReadString();
                break;
            case 1:
                Info.Value = BE.ReadFloat();
                break;
            case 2:
                Info.Value = std::string(kNullText);
                break;
            case 3:
                Info.Value = std::string(kUndefinedText);
                break;
            case 5: {
                uint8_t B = BE.ReadByte();  // any other byte stays an integer, so it writes back the same
                Info.Value = B <= 1 ? TPushValue(B == 1) : TPushValue(static_cast<int64_t>(B));
                break;
            }
            case 4:
            case 8:
                Info.Value = static_cast<int64_t>(BE.ReadByte());
                break;
            case 6: {
                uint8_t B[8];
                BE.ReadBytes(B, 8);
                SwapHalves(B);
                double D;
                std::memcpy(&D, B, 8);
                Info.Value = D;
                break;
            }
            case 7:
                Info.Value = static_cast<int64_t>(static_cast<int32_t>(BE.ReadDWord()));
                break;
            case 9:
                Info.Value = static_cast<int64_t>(BE.ReadWord());
                break;
            default:
                throw ESWFError("Unknown push value type");  // its size is unknown
        }
        Values.push_back(std::move(Info));
    }
}

void TSWFActionPush::WriteData(TBitsEngine& BE) {
    for (const auto& V : Values) {
        if (!V.IsValid || !CanWriteAs(V.Value, V.ValueType)) continue;
        BE.WriteByte(V.ValueType);
        switch (V.ValueType) {
            case 0:
                BE.WriteString(std::get<std::string>(V.Value));
                break;
            case 1:
                BE.WriteFloat(static_cast<float>(NumberOf(V.Value)));
                break;
            case 4:
            case 5:
            case 8:
                BE.WriteByte(static_cast<uint8_t>(IntegerOf(V.Value)));
                break;
            case 6: {
                double D = NumberOf(V.Value);
                uint8_t B[8];
                std::memcpy(B, &D, 8);
                SwapHalves(B);
                BE.WriteChars(B, 8, false);
                break;
            }
            case 7:
                BE.WriteDWord(static_cast<uint32_t>(IntegerOf(V.Value)));
                break;
            case 9:
                BE.WriteWord(static_cast<uint16_t>(IntegerOf(V.Value)));
                break;
            default:
                break;  // null and undefined have no data
        }
    }
}

// ---- GetURL2, GotoFrame2 ----

void TSWFActionGetUrl2::ReadData(TBitsEngine& BE) {
    uint8_t B = BE.ReadByte();  // four reserved bits: a record with them set stays raw
    LoadVariablesFlag = B & 0x80;
    LoadTargetFlag = B & 0x40;
    SendVarsMethod = B & 0x03;
}
void TSWFActionGetUrl2::WriteData(TBitsEngine& BE) {
    BE.WriteByte(static_cast<uint8_t>(LoadVariablesFlag << 7 | LoadTargetFlag << 6 | (SendVarsMethod & 3)));
}

void TSWFActionGotoFrame2::ReadData(TBitsEngine& BE) {
    uint8_t B = BE.ReadByte();
    SceneBiasFlag = B & 0x02;
    PlayFlag = B & 0x01;
    if (SceneBiasFlag) SceneBias = BE.ReadWord();
}
void TSWFActionGotoFrame2::WriteData(TBitsEngine& BE) {
    BE.WriteByte(static_cast<uint8_t>(SceneBiasFlag << 1 | PlayFlag));
    if (SceneBiasFlag) BE.WriteWord(SceneBias);
}

// ---- Factory ----

namespace {
template <class T>
std::unique_ptr<TSWFAction> MakeAction() {
    return std::make_unique<T>();
}
using TActionMaker = std::unique_ptr<TSWFAction> (*)();

const std::array<TActionMaker, 256>& ActionMakers() {
    static const std::array<TActionMaker, 256> Table = [] {
        std::array<TActionMaker, 256> T{};
        // clang-format off
        const std::pair<uint8_t, TActionMaker> Entries[] = {
            {0x04, MakeAction<TSWFActionNextFrame>}, {0x05, MakeAction<TSWFActionPreviousFrame>},
            {0x06, MakeAction<TSWFActionPlay>}, {0x07, MakeAction<TSWFActionStop>},
            {0x08, MakeAction<TSWFActionToggleQuality>}, {0x09, MakeAction<TSWFActionStopSounds>},
            {0x0A, MakeAction<TSWFActionAdd>}, {0x0B, MakeAction<TSWFActionSubtract>},
            {0x0C, MakeAction<TSWFActionMultiply>}, {0x0D, MakeAction<TSWFActionDivide>},
            {0x0E, MakeAction<TSWFActionEquals>}, {0x0F, MakeAction<TSWFActionLess>},
            {0x10, MakeAction<TSWFActionAnd>}, {0x11, MakeAction<TSWFActionOr>},
            {0x12, MakeAction<TSWFActionNot>}, {0x13, MakeAction<TSWFActionStringEquals>},
            {0x14, MakeAction<TSWFActionStringLength>}, {0x15, MakeAction<TSWFActionStringExtract>},
            {0x17, MakeAction<TSWFActionPop>}, {0x18, MakeAction<TSWFActionToInteger>},
            {0x1C, MakeAction<TSWFActionGetVariable>}, {0x1D, MakeAction<TSWFActionSetVariable>},
            {0x20, MakeAction<TSWFActionSetTarget2>}, {0x21, MakeAction<TSWFActionStringAdd>},
            {0x22, MakeAction<TSWFActionGetProperty>}, {0x23, MakeAction<TSWFActionSetProperty>},
            {0x24, MakeAction<TSWFActionCloneSprite>}, {0x25, MakeAction<TSWFActionRemoveSprite>},
            {0x26, MakeAction<TSWFActionTrace>}, {0x27, MakeAction<TSWFActionStartDrag>},
            {0x28, MakeAction<TSWFActionEndDrag>}, {0x29, MakeAction<TSWFActionStringLess>},
            {0x2A, MakeAction<TSWFActionThrow>}, {0x2B, MakeAction<TSWFActionCastOp>},
            {0x2C, MakeAction<TSWFActionImplementsOp>}, {0x2D, MakeAction<TSWFActionFSCommand2>},
            {0x30, MakeAction<TSWFActionRandomNumber>}, {0x31, MakeAction<TSWFActionMBStringLength>},
            {0x32, MakeAction<TSWFActionCharToAscii>}, {0x33, MakeAction<TSWFActionAsciiToChar>},
            {0x34, MakeAction<TSWFActionGetTime>}, {0x35, MakeAction<TSWFActionMBStringExtract>},
            {0x36, MakeAction<TSWFActionMBCharToAscii>}, {0x37, MakeAction<TSWFActionMBAsciiToChar>},
            {0x3A, MakeAction<TSWFActionDelete>}, {0x3B, MakeAction<TSWFActionDelete2>},
            {0x3C, MakeAction<TSWFActionDefineLocal>}, {0x3D, MakeAction<TSWFActionCallFunction>},
            {0x3E, MakeAction<TSWFActionReturn>}, {0x3F, MakeAction<TSWFActionModulo>},
            {0x40, MakeAction<TSWFActionNewObject>}, {0x41, MakeAction<TSWFActionDefineLocal2>},
            {0x42, MakeAction<TSWFActionInitArray>}, {0x43, MakeAction<TSWFActionInitObject>},
            {0x44, MakeAction<TSWFActionTypeOf>}, {0x45, MakeAction<TSWFActionTargetPath>},
            {0x46, MakeAction<TSWFActionEnumerate>}, {0x47, MakeAction<TSWFActionAdd2>},
            {0x48, MakeAction<TSWFActionLess2>}, {0x49, MakeAction<TSWFActionEquals2>},
            {0x4A, MakeAction<TSWFActionToNumber>}, {0x4B, MakeAction<TSWFActionToString>},
            {0x4C, MakeAction<TSWFActionPushDuplicate>}, {0x4D, MakeAction<TSWFActionStackSwap>},
            {0x4E, MakeAction<TSWFActionGetMember>}, {0x4F, MakeAction<TSWFActionSetMember>},
            {0x50, MakeAction<TSWFActionIncrement>}, {0x51, MakeAction<TSWFActionDecrement>},
            {0x52, MakeAction<TSWFActionCallMethod>}, {0x53, MakeAction<TSWFActionNewMethod>},
            {0x54, MakeAction<TSWFActionInstanceOf>}, {0x55, MakeAction<TSWFActionEnumerate2>},
            {0x60, MakeAction<TSWFActionBitAnd>}, {0x61, MakeAction<TSWFActionBitOr>},
            {0x62, MakeAction<TSWFActionBitXor>}, {0x63, MakeAction<TSWFActionBitLShift>},
            {0x64, MakeAction<TSWFActionBitRShift>}, {0x65, MakeAction<TSWFActionBitURShift>},
            {0x66, MakeAction<TSWFActionStrictEquals>}, {0x67, MakeAction<TSWFActionGreater>},
            {0x68, MakeAction<TSWFActionStringGreater>}, {0x69, MakeAction<TSWFActionExtends>},
            {0x81, MakeAction<TSWFActionGotoFrame>}, {0x83, MakeAction<TSWFActionGetUrl>},
            {0x87, MakeAction<TSWFActionStoreRegister>}, {0x88, MakeAction<TSWFActionConstantPool>},
            {0x8A, MakeAction<TSWFActionWaitForFrame>}, {0x8B, MakeAction<TSWFActionSetTarget>},
            {0x8C, MakeAction<TSWFActionGoToLabel>}, {0x8D, MakeAction<TSWFActionWaitForFrame2>},
            {0x8E, MakeAction<TSWFActionDefineFunction2>}, {0x8F, MakeAction<TSWFActionTry>},
            {0x94, MakeAction<TSWFActionWith>}, {0x96, MakeAction<TSWFActionPush>},
            {0x99, MakeAction<TSWFActionJump>}, {0x9A, MakeAction<TSWFActionGetUrl2>},
            {0x9B, MakeAction<TSWFActionDefineFunction>}, {0x9D, MakeAction<TSWFActionIf>},
            {0x9E, MakeAction<TSWFActionCall>}, {0x9F, MakeAction<TSWFActionGotoFrame2>},
            {0xFE, MakeAction<TSWFActionByteCode>}, {0xFF, MakeAction<TSWFOffsetMarker>},
        };
        // clang-format on
        for (const auto& [Code, Make] : Entries) T[Code] = Make;
        return T;
    }();
    return Table;
}
}  // namespace

std::unique_ptr<TSWFAction> CreateSWFAction(uint8_t Code) {
    TActionMaker Make = ActionMakers()[Code];
    return Make ? Make() : nullptr;
}

// ---- Reading and writing lists ----

namespace {
std::unique_ptr<TSWFAction> RawAction(std::vector<uint8_t> Bytes) {
    auto Raw = std::make_unique<TSWFActionByteCode>();
    Raw->SetBytes(std::move(Bytes));
    return Raw;
}

// The record for the complete bytes of one action, raw unless its class parses the payload and writes the
// same bytes back. Codes 254 and 255 in a file are not ours to interpret.
std::unique_ptr<TSWFAction> ParseAction(std::vector<uint8_t> Bytes) {
    uint8_t Code = Bytes[0];
    std::unique_ptr<TSWFAction> A = Code < 254 ? CreateSWFAction(Code) : nullptr;
    if (A && Code >= 128) {
        try {
            TBoundedReadStream Payload(Bytes.data() + 3, Bytes.size() - 3);
            TBitsEngine PE(Payload);
            A->Length = static_cast<uint16_t>(Bytes.size() - 3);
            A->ReadData(PE);
            TMemoryStream Again;
            TBitsEngine AE(Again);
            A->WriteToStream(AE);
            if (Again.Bytes() != Bytes) A.reset();
        } catch (const ESWFError&) {
            A.reset();
        }
    }
    return A ? std::move(A) : RawAction(std::move(Bytes));
}

void AppendBytes(TBitsEngine& BE, std::vector<uint8_t>& Bytes, int64_t Count) {
    if (Count <= 0) return;
    size_t At = Bytes.size();
    Bytes.resize(At + static_cast<size_t>(Count));
    BE.ReadBytes(Bytes.data() + At, static_cast<size_t>(Count));
}

struct TPlacedMarker {
    size_t Index;  // the marker goes before the read action at Index
    std::unique_ptr<TSWFOffsetMarker> Marker;
};

// Inactive markers at the targets of the branches and blocks among the read actions; Starts holds each
// action's byte position, Total the byte size of all of them.
std::vector<TPlacedMarker> PlaceMarkers(const std::vector<std::unique_ptr<TSWFAction>>& Actions,
                                        const std::vector<int64_t>& Starts, int64_t Total) {
    std::vector<TPlacedMarker> Placed;
    int LabelNumber = 0, TryNumber = 0;
    for (size_t k = 0; k < Actions.size(); ++k) {
        auto* Marked = dynamic_cast<TSWFMarkedAction*>(Actions[k].get());
        if (!Marked) continue;
        bool IsTry = dynamic_cast<TSWFActionTry*>(Actions[k].get()) != nullptr;
        if (IsTry) ++TryNumber;
        int64_t End = k + 1 < Starts.size() ? Starts[k + 1] : Total;
        for (const TSWFMarkedTarget& T : Marked->MarkedTargets()) {
            if (!T.Used) continue;
            int64_t Pos = End + T.Distance;
            size_t Index;
            if (Pos <= 0) {
                Index = 0;
            } else if (Pos >= Total) {
                Index = Actions.size();
            } else {
                auto It = std::lower_bound(Starts.begin(), Starts.end(), Pos);
                if (*It != Pos) {
                    T.Ref->MarkerID = 0;
                    T.Ref->Error = "Error Size offset: " + std::to_string(T.Offset);
                    continue;
                }
                Index = static_cast<size_t>(It - Starts.begin());
            }
            std::unique_ptr<TSWFOffsetMarker> M;
            if (IsTry) {
                M = T.Ref->NewMarker<TSWFTryOffsetMarker>();
                M->Label = T.Kind + std::to_string(TryNumber);
            } else {
                M = T.Ref->NewMarker();
                M->Label = "label " + std::to_string(++LabelNumber);
            }
            T.Ref->Error.clear();
            M->Active = false;
            M->Backward = Index <= k;
            Placed.push_back({Index, std::move(M)});
        }
    }
    std::stable_sort(Placed.begin(), Placed.end(),
                     [](const TPlacedMarker& A, const TPlacedMarker& B) { return A.Index < B.Index; });
    return Placed;
}

bool EmitsNothing(const TSWFAction& A) {
    return A.ActionCode == 255;
}
}  // namespace

void ReadActions(TBitsEngine& BE, TSWFActionList& List, int64_t MaxSize) {
    const int64_t Limit = std::max<int64_t>(0, std::min(MaxSize, BE.Stream->Remaining()));
    std::vector<std::unique_ptr<TSWFAction>> Actions;
    std::vector<int64_t> Starts;
    int64_t Used = 0, Total = 0;  // Total: the bytes of the stored actions, without the End
    while (Used < Limit) {
        const int64_t Start = Used;
        std::vector<uint8_t> Bytes{BE.ReadByte()};
        ++Used;
        if (Bytes[0] == 0) break;
        if (Bytes[0] >= 128) {
            // A header or payload cut off by the limit: the rest is kept as it is.
            int64_t Len = Limit - Used >= 2 ? BE.ReadWord() : -1;
            if (Len < 0 || Len > Limit - Used - 2) {
                if (Len >= 0) {
                    Bytes.push_back(static_cast<uint8_t>(Len));
                    Bytes.push_back(static_cast<uint8_t>(Len >> 8));
                    Used += 2;
                }
                AppendBytes(BE, Bytes, Limit - Used);
                Used = Total = Limit;
                Starts.push_back(Start);
                Actions.push_back(RawAction(std::move(Bytes)));
                break;
            }
            Bytes.push_back(static_cast<uint8_t>(Len));
            Bytes.push_back(static_cast<uint8_t>(Len >> 8));
            AppendBytes(BE, Bytes, Len);
            Used += 2 + Len;
        }
        Starts.push_back(Start);
        Actions.push_back(ParseAction(std::move(Bytes)));
        Total = Used;
    }
    std::vector<TPlacedMarker> Placed = PlaceMarkers(Actions, Starts, Total);
    size_t Next = 0;
    for (size_t i = 0; i <= Actions.size(); ++i) {
        while (Next < Placed.size() && Placed[Next].Index == i) List.Add(std::move(Placed[Next++].Marker));
        if (i < Actions.size()) List.Add(std::move(Actions[i]));
    }
}

int ActionsMinVersion(const TSWFActionList& List, int Floor) {
    int V = Floor;
    for (const auto& A : List) V = std::max(V, A->MinVersion());
    return V;
}

bool ActionsEndWithZero(const TSWFActionList& List) {
    for (size_t i = List.Count(); i-- > 0;) {
        const TSWFAction* A = List[i];
        if (EmitsNothing(*A)) continue;
        if (A->ActionCode == 0) return true;
        if (auto* Raw = dynamic_cast<const TSWFActionByteCode*>(A)) {
            if (Raw->Bytes.empty()) continue;
            return Raw->Bytes.back() == 0;
        }
        return false;
    }
    return false;
}

void WriteActions(TBitsEngine& BE, const TSWFActionList& List) {
    // Link every marked action to its marker in this list; a marker before its action is a backward target.
    std::unordered_map<uint32_t, std::pair<TSWFOffsetMarker*, size_t>> Markers;
    for (size_t i = 0; i < List.Count(); ++i)
        if (auto* M = dynamic_cast<TSWFOffsetMarker*>(List[i])) {
            M->ResetWrite();
            Markers.emplace(M->ID, std::make_pair(M, i));
        }
    std::vector<TSWFMarkerRef*> Bound;
    for (size_t i = 0; i < List.Count() && !Markers.empty(); ++i)
        if (auto* Marked = dynamic_cast<TSWFMarkedAction*>(List[i]))
            for (const TSWFMarkedTarget& T : Marked->MarkedTargets()) {
                auto It = Markers.find(T.Ref->MarkerID);
                if (It == Markers.end()) continue;
                T.Ref->Bound = It->second.first;
                It->second.first->Backward = It->second.second < i;
                Bound.push_back(T.Ref);
            }
    // The links point into this list only while it is written.
    struct TUnbind {
        std::vector<TSWFMarkerRef*>& Refs;
        ~TUnbind() {
            for (auto* R : Refs) R->Bound = nullptr;
        }
    } Unbind{Bound};
    for (const auto& A : List) A->WriteToStream(BE);
}
