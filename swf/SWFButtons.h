// Button tags: DefineButton, DefineButton2, DefineButtonCxform and DefineButtonSound.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "SWFActions.h"
#include "SWFFilters.h"
#include "SWFObject.h"
#include "SWFTags.h"

// One character of a button, shown in the states whose flags are set.
class TSWFButtonRecord {
  public:
    uint8_t ButtonReserved = 0;  // the 2 top bits of the flag byte
    // The filter list and the blend mode belong to DefineButton2 records; a DefineButton keeps these two bits
    // only as they were read.
    bool ButtonHasBlendMode = false, ButtonHasFilterList = false;
    bool ButtonStateHitTest = false, ButtonStateDown = false, ButtonStateOver = false, ButtonStateUp = false;
    uint16_t CharacterID = 0;
    uint16_t PlaceDepth = 0;
    TSWFMatrix PlaceMatrix;
    TSWFColorTransform ColorTransform;  // DefineButton2 only, written with alpha
    // DefineButton2 only: written when ButtonHasFilterList is set or the list is not empty.
    TSWFFilterList FilterList;
    // DefineButton2 only: written when ButtonHasBlendMode is set or the mode is not 0.
    uint8_t BlendMode = 0;

    // The flag byte as written; never 0 for a record that shows in some state.
    uint8_t Flags(bool Button2) const;
    void Write(TBitsEngine& BE, bool Button2) const;
    // Reads the record after its flag byte (a 0 flag byte ends the record list and is read by the caller).
    void Read(TBitsEngine& BE, bool Button2, uint8_t FlagByte);
};

using TSWFButtonRecordList = std::vector<TSWFButtonRecord>;

class TSWFDefineButton : public TSWFObject {
  public:
    uint16_t ButtonId = 0;
    TSWFButtonRecordList Characters;
    TSWFActionList Actions;  // run on release; the ActionEndFlag is not a member
    bool ParseActions = false;

    TSWFDefineButton() { TagID = 7; }
    SWF_RECORD_COPY(TSWFDefineButton)
    int MinVersion() const override { return ActionsMinVersion(Actions, 3); }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void SetReadContext(const TSWFReadContext& Context) override { ParseActions = Context.ParseActions; }
    void VisitDefinedIDs(const TIDVisitor& Visit) override { Visit(ButtonId); }
    void VisitReferences(const TIDVisitor& Visit) override;
};

// The actions a DefineButton2 runs on the state transitions whose flags are set, or on a key press.
class TSWFButtonCondAction {
  public:
    bool CondIdleToOverDown = false, CondOutDownToIdle = false, CondOutDownToOverDown = false,
         CondOverDownToOutDown = false, CondOverDownToOverUp = false, CondOverUpToOverDown = false,
         CondOverUpToIdle = false, CondIdleToOverUp = false;
    uint8_t CondKeyPress = 0;  // 7 bits, 0 for none
    bool CondOverDownToIdle = false;
    TSWFActionList Actions;

    // The two condition bytes in file order, first byte in the high half.
    uint16_t Conditions() const;
    void SetConditions(uint16_t Word);
};

class TSWFDefineButton2 : public TSWFObject {
  public:
    uint16_t ButtonId = 0;
    uint8_t ReservedFlags = 0;  // 7 bits
    bool TrackAsMenu = false;
    TSWFButtonRecordList Characters;
    std::vector<TSWFButtonCondAction> Actions;
    bool ParseActions = false;

    TSWFDefineButton2() { TagID = 34; }
    SWF_RECORD_COPY(TSWFDefineButton2)
    // 3, raised by the actions, and to 8 by filters or blend modes of the records.
    int MinVersion() const override;
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void SetReadContext(const TSWFReadContext& Context) override { ParseActions = Context.ParseActions; }
    void VisitDefinedIDs(const TIDVisitor& Visit) override { Visit(ButtonId); }
    void VisitReferences(const TIDVisitor& Visit) override;
};

// Colour transforms of a DefineButton's characters, one per button record, in record order.
class TSWFDefineButtonCxform : public TSWFObject {
  public:
    uint16_t ButtonId = 0;
    std::vector<TSWFColorTransform> ButtonColorTransforms;  // written without alpha

    TSWFDefineButtonCxform() { TagID = 23; }
    SWF_RECORD_COPY(TSWFDefineButtonCxform)
    int MinVersion() const override { return 2; }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void VisitReferences(const TIDVisitor& Visit) override { Visit(ButtonId); }
};

// The sounds of a button's state transitions. Each entry is a sound ID (0 for none) and, for a sound, how it
// plays.
class TSWFDefineButtonSound : public TSWFObject {
  public:
    enum : uint8_t { OverUpToIdle = 0, IdleToOverUp = 1, OverUpToOverDown = 2, OverDownToOverUp = 3 };
    struct TButtonSound {
        uint16_t SoundChar = 0;
        TSWFSoundInfo SoundInfo;  // written when SoundChar is not 0
    };
    uint16_t ButtonId = 0;
    std::array<TButtonSound, 4>
        ButtonSounds;  // ButtonSoundChar0..3 and ButtonSoundInfo0..3, by the enum above

    TSWFDefineButtonSound() { TagID = 17; }
    SWF_RECORD_COPY(TSWFDefineButtonSound)
    int MinVersion() const override { return 2; }
    void WriteTagBody(TBitsEngine& BE) override;
    void ReadFromStream(TBitsEngine& BE) override;
    void VisitReferences(const TIDVisitor& Visit) override;
};
