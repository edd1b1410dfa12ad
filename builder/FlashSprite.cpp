#include "FlashSprite.h"

#include "SWFTags.h"

namespace {
// The index of Object in List, -1 when absent.
int IndexOf(const TFlashMovieObjectList& List, const TBasedSWFObject* Object) {
    for (size_t i = 0; i < List.Count(); ++i)
        if (List[i] == Object) return static_cast<int>(i);
    return -1;
}

// Moves Character to index Target when it stands after it; a moved sprite takes the characters it places
// along, so that every definition still precedes its use.
void MoveDefinitionTo(TFlashMovieObjectList& List, TBasedSWFObject* Character, int Target, int Nesting = 0) {
    const int At = IndexOf(List, Character);
    if (Target < 0 || At <= Target) return;
    List.Insert(static_cast<size_t>(Target), List.Extract(static_cast<size_t>(At)));
    auto* Sprite = dynamic_cast<TFlashSprite*>(Character);
    if (!Sprite || Nesting > 64) return;
    for (const auto& Object : Sprite->ObjectList())
        if (auto* Place = dynamic_cast<TFlashPlaceObject*>(Object.get()); Place && Place->Character())
            MoveDefinitionTo(List, Place->Character(), IndexOf(List, Sprite), Nesting + 1);
}
}  // namespace

// ---- TFlashSprite -----------------------------------------------------------------------------------------

TFlashSprite::TFlashSprite(TFlashMovie* Owner) {
    Owner_ = Owner;
}

TFlashSprite::TFlashSprite(const TFlashSprite& Other) : TFlashVisualObject(Other) {
    *this = Other;
}

TFlashSprite& TFlashSprite::operator=(const TFlashSprite& Other) {
    if (this == &Other) return *this;
    AssignCharacter(Other);
    IgnoreMovieUnits = Other.IgnoreMovieUnits;
    StreamSound_ = Other.StreamSound_;
    CurrentFrame_ = Other.CurrentFrame_;
    FrameActions_ =
        Other.FrameActions_ ? std::make_unique<TFlashActionScript>(*Other.FrameActions_) : nullptr;
    FrameLabel_ = Other.FrameLabel_;
    InitActions_ = Other.InitActions_ ? std::make_unique<TFlashActionScript>(*Other.InitActions_) : nullptr;
    MaxDepth_ = Other.MaxDepth_;
    Record_ = Other.Record_;
    ObjectList_ = Other.ObjectList_;
    InsertIndex_ = Other.InsertIndex_;
    return *this;
}

void TFlashSprite::Assign(const TBasedSWFObject& Source) {
    *this = dynamic_cast<const TFlashSprite&>(Source);
}

std::unique_ptr<TBasedSWFObject> TFlashSprite::Clone() const {
    return std::make_unique<TFlashSprite>(*this);
}

void TFlashSprite::SetCharacterID(uint16_t ID) {
    TFlashVisualObject::SetCharacterID(ID);
    Record_.SpriteID = ID;
}

TFlashPlaceObject* TFlashSprite::PlaceObject(TFlashIDObject* Character, uint16_t Depth) {
    auto Place = std::make_unique<TFlashPlaceObject>(Owner_, Character, Depth);
    TFlashPlaceObject* P = Place.get();
    const int Last = static_cast<int>(ObjectList_.Count()) - 1;
    if (Owner_ && Owner_->AddMode() != 0 && InsertIndex_ != -1 && (InsertIndex_ < Last || FrameCount() > 0)) {
        ObjectList_.Insert(static_cast<size_t>(std::min(InsertIndex_, Last + 1)), std::move(Place));
        ++InsertIndex_;
    } else {
        ObjectList_.Add(std::move(Place));
        InsertIndex_ = Last + 1;
    }
    // The definition must precede the sprite that uses it.
    if (Owner_ && Character) {
        TFlashMovieObjectList& Movie = Owner_->ObjectList();
        MoveDefinitionTo(Movie, Character, IndexOf(Movie, this));
    }
    MaxDepth_ = std::max(MaxDepth_, Depth);
    return P;
}

TFlashPlaceObject* TFlashSprite::PlaceObject(TFlashIDObject* Mask, TFlashIDObject* Content, uint16_t Depth) {
    if (!Owner_) throw ESWFError("A masked placement needs the sprite's movie");
    TFlashSprite* Pair = Owner_->AddSprite();
    Pair->PlaceObject(Mask, 1)->SetClipDepth(2);
    Pair->PlaceObject(Content, 2);
    return PlaceObject(Pair, Depth);
}

TFlashActionScript& TFlashSprite::FrameActions() {
    if (!FrameActions_) FrameActions_ = std::make_unique<TFlashActionScript>(Owner_);
    return *FrameActions_;
}

TFlashActionScript& TFlashSprite::InitActions() {
    if (!InitActions_) InitActions_ = std::make_unique<TFlashActionScript>(Owner_);
    return *InitActions_;
}

void TFlashSprite::ShowFrame(uint16_t Count) {
    if (Count == 0) Count = 1;
    if (FrameActions_) ObjectList_.Add(std::move(FrameActions_));
    if (!FrameLabel_.empty()) {
        auto Label = std::make_unique<TSWFFrameLabel>();
        Label->Name = FrameLabel_;
        ObjectList_.Add(std::move(Label));
        FrameLabel_.clear();
    }
    for (uint16_t i = 0; i < Count; ++i) ObjectList_.Add(std::make_unique<TSWFShowFrame>());
    Record_.FrameCount = static_cast<uint16_t>(Record_.FrameCount + Count);
    CurrentFrame_ = Record_.FrameCount - 1;
    InsertIndex_ = static_cast<int>(ObjectList_.Count()) - 1;
}

int TFlashSprite::MinVersion() const {
    int V = 3;
    for (const auto& Object : ObjectList_) V = std::max(V, Object->MinVersion());
    if (StreamSound()) V = std::max(V, StreamSound()->StreamMinVersion());
    if (InitActions_) V = std::max(V, 6);
    return V;
}

void TFlashSprite::WriteToStream(TBitsEngine& BE) {
    if (FrameCount() == 0) ShowFrame(1);
    TMemoryStream Body;
    TBitsEngine Inner(Body);
    Inner.WriteWord(CharacterID());
    Inner.WriteWord(FrameCount());
    TFlashStreamSound* Sound = StreamSound();
    if (Sound) {
        TSWFSoundStreamHead2 Head;
        Sound->FillStreamHead(Head, Owner_ ? Owner_->FrameRate() : 12.0f);
        Head.WriteToStream(Inner);
    }
    const uint8_t Version = Owner_ ? Owner_->Version() : Record_.Context.Version;
    int Frame = 0;
    for (const auto& Object : ObjectList_) {
        if (auto* Place = dynamic_cast<TFlashPlaceObject*>(Object.get())) Place->SetClipEventVersion(Version);
        if (IsSWFRecord(Object.get(), 1)) {
            if (Sound && Frame >= Sound->StreamStartFrame()) Sound->WriteStreamBlock(Inner);
            ++Frame;
        }
        Object->WriteToStream(Inner);
    }
    if (!IsSWFRecord(ObjectList_.Last(), 0)) Inner.WriteWord(0);
    Inner.FlushLastByte(true);

    TSWFByteCodeTag Tag;
    Tag.OriginalTagID = 39;
    Tag.Data().Write(Body.Memory(), Body.Bytes().size());
    Tag.WriteToStream(BE);

    if (InitActions_) {
        TSWFDoInitAction Init;
        Init.SpriteID = CharacterID();
        Init.Actions() = InitActions_->Actions();
        Init.WriteToStream(BE);
    }
}

// ---- TFlashPlaceObject ------------------------------------------------------------------------------------

TFlashPlaceObject::TFlashPlaceObject(TFlashMovie* Owner, TFlashIDObject* Character, uint16_t Depth)
    : Character_(Character) {
    Owner_ = Owner;
    Record_.Depth = Depth;
    if (Character) Record_.SetCharacterID(Character->CharacterID());
}

TFlashPlaceObject::TFlashPlaceObject(const TFlashPlaceObject& Other)
    : TFlashObject(Other), Character_(Other.Character_), Record_(Other.Record_) {}

TFlashPlaceObject& TFlashPlaceObject::operator=(const TFlashPlaceObject& Other) {
    if (this != &Other) {
        Owner_ = Other.Owner_;
        Character_ = Other.Character_;
        Record_ = Other.Record_;
        ClipScript_.reset();  // it pointed into the old record's clip actions
    }
    return *this;
}

void TFlashPlaceObject::Assign(const TBasedSWFObject& Source) {
    *this = dynamic_cast<const TFlashPlaceObject&>(Source);
}

std::unique_ptr<TBasedSWFObject> TFlashPlaceObject::Clone() const {
    return std::make_unique<TFlashPlaceObject>(*this);
}

void TFlashPlaceObject::SetTranslate(int32_t X, int32_t Y) {
    if (X == 0 && Y == 0 && !Record_.HasMatrix && !Record_.Move) return;
    const int F = Owner_ ? Owner_->UnitFactor() : 1;
    Record_.Matrix().SetTranslate(X * F, Y * F);
}

int TFlashPlaceObject::CharacterUnitFactor() const {
    if (auto* Visual = dynamic_cast<TFlashVisualObject*>(Character_)) return Visual->UnitFactor();
    return Owner_ ? Owner_->UnitFactor() : 1;
}

void TFlashPlaceObject::SetX(int32_t X) {
    Record_.Matrix().TranslateX = X * CharacterUnitFactor();
}

void TFlashPlaceObject::SetY(int32_t Y) {
    Record_.Matrix().TranslateY = Y * CharacterUnitFactor();
}

void TFlashPlaceObject::SetBlendMode(uint8_t Mode) {
    Record_.BlendMode = Mode;
    Record_.HasBlendMode = Mode > 1;
}

TFlashActionScript& TFlashPlaceObject::ClipScript(TSWFClipActionRecord& Record) {
    if (!ClipScript_) ClipScript_ = std::make_unique<TFlashActionScript>(Owner_, &Record.Actions);
    ClipScript_->SetActionList(&Record.Actions);
    return *ClipScript_;
}

namespace {
TSWFClipActionRecord& FindOrAddClipAction(TSWFPlaceObject2& Record, uint32_t Event) {
    TSWFClipActions& Actions = Record.ClipActions();
    for (const auto& R : Actions.Records)
        if (R->EventFlags & Event) return *R;
    return *Actions.AddRecord(Event);
}
}  // namespace

TFlashActionScript& TFlashPlaceObject::OnRelease() {
    if (!dynamic_cast<TFlashSprite*>(Character_))
        throw ESWFError("Only placements of sprites have clip actions");
    return ClipScript(FindOrAddClipAction(Record_, ceRelease));
}

TFlashActionScript& TFlashPlaceObject::OnKeyPress(uint8_t KeyCode) {
    if (!dynamic_cast<TFlashSprite*>(Character_))
        throw ESWFError("Only placements of sprites have clip actions");
    TSWFClipActionRecord& R = FindOrAddClipAction(Record_, ceKeyPress);
    R.SetKeyCode(KeyCode);
    return ClipScript(R);
}

bool TFlashPlaceObject::NeedsPlaceObject3() const {
    return Record_.BlendMode > 1 || Record_.HasFilterList || Record_.HasCacheAsBitmap;
}

int TFlashPlaceObject::MinVersion() const {
    if (NeedsPlaceObject3()) return 8;
    return HasClipActions() ? 5 : 3;
}

void TFlashPlaceObject::WriteToStream(TBitsEngine& BE) {
    if (Character_) Record_.SetCharacterID(Character_->CharacterID());
    Record_.SetAsPlaceObject2(!NeedsPlaceObject3());
    Record_.WriteToStream(BE);
}
