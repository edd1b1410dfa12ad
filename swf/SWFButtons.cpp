#include "SWFButtons.h"

#include <algorithm>

namespace {
uint8_t Bit(bool Flag, int Position) {
    return static_cast<uint8_t>(Flag ? 1u << Position : 0u);
}
bool HasBit(uint32_t Value, int Position) {
    return (Value >> Position) & 1;
}

// Writes the actions and the ActionEndFlag; an End action at the end of the list stands for the flag.
void WriteButtonActions(TBitsEngine& BE, const TSWFActionList& Actions) {
    WriteActions(BE, Actions);
    const TSWFAction* Last = Actions.Last();
    if (!Last || Last->ActionCode != 0) BE.WriteByte(0);
}

// Parses action bytes that end with the ActionEndFlag; false when the records would not write back as the
// same bytes (bytes after the End action, a last action whose payload holds the final 0).
bool ParseButtonActions(const std::vector<uint8_t>& Bytes, TSWFActionList& Actions) {
    try {
        TBoundedReadStream S(Bytes.data(), Bytes.size());
        TBitsEngine AE(S);
        ReadActions(AE, Actions, S.Size());
        TMemoryStream Written;
        TBitsEngine WE(Written);
        WriteButtonActions(WE, Actions);
        return Written.Bytes() == Bytes;
    } catch (const ESWFError&) {
        return false;
    }
}

// Reads Size bytes of actions that end with the ActionEndFlag: parsed into action records when Parse is set
// and they write back the same way, else kept as one raw block without the flag. Raises ESWFError when the
// last byte is not the end flag, so the reader keeps the whole tag raw.
void ReadButtonActions(TBitsEngine& BE, TSWFActionList& Actions, int64_t Size, bool Parse) {
    if (Size < 1 || Size > BE.Stream->Remaining())
        throw ESWFError("Button actions beyond the end of the data");
    std::vector<uint8_t> Bytes(static_cast<size_t>(Size));
    BE.ReadBytes(Bytes.data(), Bytes.size());
    if (Bytes.back() != 0) throw ESWFError("Button actions without an end flag");
    Actions.Clear();
    if (Parse && ParseButtonActions(Bytes, Actions)) return;
    Actions.Clear();
    if (Size > 1) {
        auto Raw = std::make_unique<TSWFActionByteCode>();
        Raw->SetBytes(std::vector<uint8_t>(Bytes.begin(), Bytes.end() - 1));
        Actions.Add(std::move(Raw));
    }
}

// Writes the records and the CharacterEndFlag. A record whose flag byte is 0 (no state, no filters, no blend
// mode) would read as the end flag, so it is left out.
void WriteButtonRecords(TBitsEngine& BE, const TSWFButtonRecordList& Records, bool Button2) {
    for (const auto& R : Records)
        if (R.Flags(Button2)) R.Write(BE, Button2);
    BE.WriteByte(0);
}

void ReadButtonRecords(TBitsEngine& BE, TSWFButtonRecordList& Records, bool Button2) {
    Records.clear();
    for (;;) {
        uint8_t Flags = BE.ReadByte();
        if (Flags == 0) break;
        Records.emplace_back().Read(BE, Button2, Flags);
    }
}

void VisitRecordCharacters(TSWFButtonRecordList& Records, const TIDVisitor& Visit) {
    for (auto& R : Records) Visit(R.CharacterID);
}
}  // namespace

uint8_t TSWFButtonRecord::Flags(bool Button2) const {
    bool BlendFlag = ButtonHasBlendMode || (Button2 && BlendMode != 0);
    bool FilterFlag = ButtonHasFilterList || (Button2 && !FilterList.Empty());
    return static_cast<uint8_t>((ButtonReserved & 3) << 6 | Bit(BlendFlag, 5) | Bit(FilterFlag, 4) |
                                Bit(ButtonStateHitTest, 3) | Bit(ButtonStateDown, 2) |
                                Bit(ButtonStateOver, 1) | Bit(ButtonStateUp, 0));
}

void TSWFButtonRecord::Write(TBitsEngine& BE, bool Button2) const {
    uint8_t F = Flags(Button2);
    BE.WriteByte(F);
    BE.WriteWord(CharacterID);
    BE.WriteWord(PlaceDepth);
    BE.WriteMatrix(PlaceMatrix.Rec());
    if (!Button2) return;
    recColorTransform CX = ColorTransform.Rec();
    CX.HasAlpha = 1;
    BE.WriteColorTransform(CX);
    if (HasBit(F, 4)) FilterList.WriteToStream(BE);
    if (HasBit(F, 5)) BE.WriteByte(BlendMode);
}

void TSWFButtonRecord::Read(TBitsEngine& BE, bool Button2, uint8_t FlagByte) {
    ButtonReserved = FlagByte >> 6;
    ButtonHasBlendMode = HasBit(FlagByte, 5);
    ButtonHasFilterList = HasBit(FlagByte, 4);
    ButtonStateHitTest = HasBit(FlagByte, 3);
    ButtonStateDown = HasBit(FlagByte, 2);
    ButtonStateOver = HasBit(FlagByte, 1);
    ButtonStateUp = HasBit(FlagByte, 0);
    CharacterID = BE.ReadWord();
    PlaceDepth = BE.ReadWord();
    PlaceMatrix.SetRec(BE.ReadMatrix());
    if (!Button2) return;
    ColorTransform.SetRec(BE.ReadColorTransform(true));
    if (ButtonHasFilterList) FilterList.ReadFromStream(BE);
    if (ButtonHasBlendMode) BlendMode = BE.ReadByte();
}

void TSWFDefineButton::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(ButtonId);
    WriteButtonRecords(BE, Characters, false);
    WriteButtonActions(BE, Actions);
}

void TSWFDefineButton::ReadFromStream(TBitsEngine& BE) {
    ButtonId = BE.ReadWord();
    ReadButtonRecords(BE, Characters, false);
    ReadButtonActions(BE, Actions, BE.Stream->Remaining(), ParseActions);
}

void TSWFDefineButton::VisitReferences(const TIDVisitor& Visit) {
    VisitRecordCharacters(Characters, Visit);
}

uint16_t TSWFButtonCondAction::Conditions() const {
    return static_cast<uint16_t>((Bit(CondIdleToOverDown, 7) | Bit(CondOutDownToIdle, 6) |
                                  Bit(CondOutDownToOverDown, 5) | Bit(CondOverDownToOutDown, 4) |
                                  Bit(CondOverDownToOverUp, 3) | Bit(CondOverUpToOverDown, 2) |
                                  Bit(CondOverUpToIdle, 1) | Bit(CondIdleToOverUp, 0))
                                     << 8 |
                                 (CondKeyPress & 0x7F) << 1 | Bit(CondOverDownToIdle, 0));
}

void TSWFButtonCondAction::SetConditions(uint16_t Word) {
    CondIdleToOverDown = HasBit(Word, 15);
    CondOutDownToIdle = HasBit(Word, 14);
    CondOutDownToOverDown = HasBit(Word, 13);
    CondOverDownToOutDown = HasBit(Word, 12);
    CondOverDownToOverUp = HasBit(Word, 11);
    CondOverUpToOverDown = HasBit(Word, 10);
    CondOverUpToIdle = HasBit(Word, 9);
    CondIdleToOverUp = HasBit(Word, 8);
    CondKeyPress = (Word >> 1) & 0x7F;
    CondOverDownToIdle = HasBit(Word, 0);
}

int TSWFDefineButton2::MinVersion() const {
    int V = 3;
    for (const auto& A : Actions) V = ActionsMinVersion(A.Actions, V);
    for (const auto& R : Characters)
        if (R.Flags(true) & 0x30) V = std::max(V, 8);
    return V;
}

void TSWFDefineButton2::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(ButtonId);
    BE.WriteByte(static_cast<uint8_t>((ReservedFlags & 0x7F) << 1 | Bit(TrackAsMenu, 0)));
    // ActionOffset counts from its own first byte to the first condition action.
    TMemoryStream Records;
    TBitsEngine RE(Records);
    WriteButtonRecords(RE, Characters, true);
    BE.WriteWord(Actions.empty() ? 0 : static_cast<uint16_t>(2 + Records.Size()));
    BE.WriteBytes(Records.Memory(), Records.Bytes().size());
    for (size_t i = 0; i < Actions.size(); ++i) {
        TMemoryStream Body;
        TBitsEngine AE(Body);
        uint16_t Conditions = Actions[i].Conditions();
        AE.WriteByte(static_cast<uint8_t>(Conditions >> 8));
        AE.WriteByte(static_cast<uint8_t>(Conditions));
        WriteButtonActions(AE, Actions[i].Actions);
        // CondActionSize is the distance to the next condition action, 0 for the last one.
        bool Last = i + 1 == Actions.size();
        BE.WriteWord(Last ? 0 : static_cast<uint16_t>(2 + Body.Size()));
        BE.WriteBytes(Body.Memory(), Body.Bytes().size());
    }
}

void TSWFDefineButton2::ReadFromStream(TBitsEngine& BE) {
    ButtonId = BE.ReadWord();
    uint8_t F = BE.ReadByte();
    ReservedFlags = F >> 1;
    TrackAsMenu = F & 1;
    int64_t OffsetAt = BE.Stream->Position();
    uint16_t ActionOffset = BE.ReadWord();
    ReadButtonRecords(BE, Characters, true);
    Actions.clear();
    if (ActionOffset == 0) return;
    if (BE.Stream->Position() != OffsetAt + ActionOffset || BE.Stream->Remaining() == 0)
        throw ESWFError("ActionOffset does not point to the condition actions");
    for (bool Last = false; !Last;) {
        uint16_t Size = BE.ReadWord();
        Last = Size == 0;
        if (!Last && (Size < 5 || Size >= 2 + BE.Stream->Remaining()))
            throw ESWFError("Bad CondActionSize in DefineButton2");
        auto& A = Actions.emplace_back();
        uint8_t High = BE.ReadByte();
        A.SetConditions(static_cast<uint16_t>(High << 8 | BE.ReadByte()));
        ReadButtonActions(BE, A.Actions, Last ? BE.Stream->Remaining() : Size - 4, ParseActions);
    }
}

void TSWFDefineButton2::VisitReferences(const TIDVisitor& Visit) {
    VisitRecordCharacters(Characters, Visit);
}

void TSWFDefineButtonCxform::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(ButtonId);
    for (const auto& CX : ButtonColorTransforms) {
        recColorTransform R = CX.Rec();
        R.HasAlpha = 0;
        BE.WriteColorTransform(R);
    }
}

void TSWFDefineButtonCxform::ReadFromStream(TBitsEngine& BE) {
    ButtonId = BE.ReadWord();
    ButtonColorTransforms.clear();
    while (BE.Stream->Remaining() > 0)
        ButtonColorTransforms.emplace_back().SetRec(BE.ReadColorTransform(false));
}

void TSWFDefineButtonSound::WriteTagBody(TBitsEngine& BE) {
    BE.WriteWord(ButtonId);
    for (const auto& S : ButtonSounds) {
        BE.WriteWord(S.SoundChar);
        if (S.SoundChar) S.SoundInfo.Write(BE);
    }
}

void TSWFDefineButtonSound::ReadFromStream(TBitsEngine& BE) {
    ButtonId = BE.ReadWord();
    for (auto& S : ButtonSounds) {
        S.SoundChar = BE.ReadWord();
        S.SoundInfo = TSWFSoundInfo();
        if (S.SoundChar) S.SoundInfo.Read(BE);
    }
}

void TSWFDefineButtonSound::VisitReferences(const TIDVisitor& Visit) {
    Visit(ButtonId);
    for (auto& S : ButtonSounds)
        if (S.SoundChar) Visit(S.SoundChar);
}
