#include "SWFActions.h"

void TSWFAction::ReadData(TBitsEngine& BE) {
    std::vector<uint8_t> Skip(Length);
    if (Length) BE.ReadBytes(Skip.data(), Skip.size());
}

void TSWFAction::WriteToStream(TBitsEngine& BE) {
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
    Length = static_cast<uint16_t>(Payload.Size());
    BE.WriteWord(Length);
    BE.WriteBytes(Payload.Memory(), Payload.Bytes().size());
}

void TSWFActionByteCode::WriteData(TBitsEngine& BE) {
    if (!Bytes.empty()) BE.WriteBytes(Bytes.data(), Bytes.size());
}

void TSWFActionByteCode::SetBytes(std::vector<uint8_t> B) {
    Bytes = std::move(B);
    Length = static_cast<uint16_t>(Bytes.size());
}

void ReadActions(TBitsEngine& BE, TSWFActionList& List, int64_t MaxSize) {
    // Until every action has a class of its own, each action is kept as a raw block.
    int64_t Start = BE.Stream->Position();
    while (BE.Stream->Position() - Start < MaxSize) {
        uint8_t Code = BE.ReadByte();
        if (Code == 0) break;
        std::vector<uint8_t> Bytes{Code};
        if (Code >= 128) {
            uint16_t Len = BE.ReadWord();
            Bytes.push_back(static_cast<uint8_t>(Len));
            Bytes.push_back(static_cast<uint8_t>(Len >> 8));
            size_t At = Bytes.size();
            Bytes.resize(At + Len);
            if (Len) BE.ReadBytes(Bytes.data() + At, Len);
        }
        auto Raw = std::make_unique<TSWFActionByteCode>();
        Raw->SetBytes(std::move(Bytes));
        List.Add(std::move(Raw));
    }
}

int ActionsMinVersion(const TSWFActionList& List, int Floor) {
    int V = Floor;
    for (const auto& A : List) V = std::max(V, A->MinVersion());
    return V;
}

bool ActionsEndWithZero(const TSWFActionList& List) {
    const TSWFAction* Last = List.Last();
    if (!Last) return false;
    if (Last->ActionCode == 0) return true;
    if (auto* Raw = dynamic_cast<const TSWFActionByteCode*>(Last))
        return !Raw->Bytes.empty() && Raw->Bytes.back() == 0;
    return false;
}

void WriteActions(TBitsEngine& BE, const TSWFActionList& List) {
    for (const auto& A : List) A->WriteToStream(BE);
}
