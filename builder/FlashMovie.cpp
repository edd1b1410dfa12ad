#include "FlashMovie.h"

#include <cmath>

#include "FlashExternalMovie.h"
#include "FlashSprite.h"
#include "SWFReader.h"

bool IsSWFRecord(const TBasedSWFObject* Object, uint16_t TagID) {
    if (!Object || Object->LibraryLevel() != 0) return false;
    auto* Record = dynamic_cast<const TSWFObject*>(Object);
    return Record && Record->TagID == TagID;
}

int TFlashVisualObject::UnitFactor() const {
    return (IgnoreMovieUnits || !Owner_) ? 1 : Owner_->UnitFactor();
}

TFlashStreamSoundSlot& TFlashStreamSoundSlot::operator=(const TFlashStreamSoundSlot& Other) {
    if (this == &Other) return *this;
    Object_ = Other.Object_ ? Other.Object_->Clone() : nullptr;
    Sound_ = dynamic_cast<TFlashStreamSound*>(Object_.get());
    return *this;
}

TFlashMovie::TFlashMovie(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom, float FrameRate,
                         bool PixelUnits)
    : TBasedSWFStream(Left, Top, Right, Bottom, FrameRate, PixelUnits) {}

TFlashMovie::~TFlashMovie() = default;

// ---- Characters -------------------------------------------------------------------------------------------

TFlashSprite* TFlashMovie::AddSprite(TFlashVisualObject* Content) {
    TFlashSprite* Sprite = RegisterCharacter(std::make_unique<TFlashSprite>(this));
    Sprites_.Add(Sprite);
    if (Content) Sprite->PlaceObject(Content, 1);
    return Sprite;
}

TFlashExternalMovie* TFlashMovie::AddExternalMovie(const std::string& FileName, uint8_t Mode, bool AutoID) {
    return AddExternalMovie(std::make_unique<TSWFStreamReader>(FileName), Mode, AutoID);
}

TFlashExternalMovie* TFlashMovie::AddExternalMovie(TStream& Stream, uint8_t Mode, bool AutoID) {
    return AddExternalMovie(std::make_unique<TSWFStreamReader>(Stream), Mode, AutoID);
}

TFlashExternalMovie* TFlashMovie::AddExternalMovie(std::unique_ptr<TSWFStreamReader> Reader, uint8_t Mode,
                                                   bool AutoID) {
    if (Mode > 3) throw ESWFError("Unknown import mode " + std::to_string(Mode));
    TFlashExternalMovie* Movie =
        RegisterCharacter(std::make_unique<TFlashExternalMovie>(std::move(Reader), Mode));
    const uint16_t ID = Movie->CharacterID();
    Movie->Reader().ReadTags(true, false);
    uint32_t Next = ID + Movie->CharacterCount() + 1 + (Mode == 3 ? 1 : 0);
    if (AutoID) {
        // Records that define IDs without being counted as characters still get IDs of the range.
        uint16_t After = Movie->RenumberIDs(Mode == 3 ? ID + 1 : ID);
        Next = std::max<uint32_t>(Next, After);
    }
    NextCharacterID = static_cast<uint16_t>(std::min<uint32_t>(Next, 0xFFFF));
    if (Mode == 3) Sprites_.Add(Movie->Sprite());
    return Movie;
}

// ---- Timeline ---------------------------------------------------------------------------------------------

void TFlashMovie::InsertObject(std::unique_ptr<TBasedSWFObject> Object) {
    const int Count = static_cast<int>(ObjectList_.Count());
    if (InsertIndex_ == -1) InsertIndex_ = Count - 1;
    if (AddMode_ != 0 && (InsertIndex_ < Count - 1 || FrameCount != 0)) {
        InsertIndex_ = std::clamp(InsertIndex_, 0, Count);
        // Only the first object after the insertion point was set walks back to the frame's ShowFrame; the
        // objects that follow it keep their call order behind it.
        if (AddMode_ == 2 && WalkToFrameStart_) {
            while (InsertIndex_ > 0 && (InsertIndex_ >= Count || !IsSWFRecord(ObjectList_[InsertIndex_], 1)))
                --InsertIndex_;
        }
        WalkToFrameStart_ = false;
        ObjectList_.Insert(static_cast<size_t>(InsertIndex_), std::move(Object));
        ++InsertIndex_;
        return;
    }
    ObjectList_.Add(std::move(Object));
    InsertIndex_ = static_cast<int>(ObjectList_.Count()) - 1;
}

TFlashPlaceObject* TFlashMovie::PlaceObject(TFlashIDObject* Character, uint16_t Depth) {
    MaxDepth_ = std::max(MaxDepth_, Depth);
    return AddFlashObject(std::make_unique<TFlashPlaceObject>(this, Character, Depth));
}

TSWFObject* TFlashMovie::RemoveObject(uint16_t Depth, TFlashIDObject* Character) {
    if (!Character) {
        auto R = std::make_unique<TSWFRemoveObject2>();
        R->Depth = Depth;
        return AddFlashObject(std::move(R));
    }
    auto R = std::make_unique<TSWFRemoveObject>();
    R->CharacterID = Character->CharacterID();
    R->Depth = Depth;
    return AddFlashObject(std::move(R));
}

TSWFExportAssets* TFlashMovie::ExportAssets(const std::string& Name, uint16_t CharacterID) {
    auto E = std::make_unique<TSWFExportAssets>();
    E->Assets.Entries.push_back({CharacterID, Name});
    return AddFlashObject(std::move(E));
}

TFlashActionScript& TFlashMovie::FrameActions() {
    if (!FrameActions_) FrameActions_ = std::make_unique<TFlashActionScript>(this);
    return *FrameActions_;
}

void TFlashMovie::FlushFrameActions() {
    if (FrameActions_) AddFlashObject(std::move(FrameActions_));
}

void TFlashMovie::ShowFrame(uint16_t Count) {
    if (Count == 0) Count = 1;
    if (!FrameLabel_.empty()) {
        auto Label = std::make_unique<TSWFFrameLabel>();
        Label->Name = FrameLabel_;
        ObjectList_.Add(std::move(Label));
        FrameLabel_.clear();
    }
    if (FrameActions_) ObjectList_.Add(std::move(FrameActions_));
    for (uint16_t i = 0; i < Count; ++i) ObjectList_.Add(std::make_unique<TSWFShowFrame>());
    FrameCount = static_cast<uint16_t>(FrameCount + Count);
    CurrentFrame_ = FrameCount - 1;
}

void TFlashMovie::SetAddMode(uint8_t Mode) {
    if (Mode == AddMode_ && AddMode_ != 3) return;
    AddMode_ = Mode;
    if (Mode != 0) {
        SetCurrentFrame(CurrentFrame_);
    } else {
        CurrentFrame_ = FrameCount - 1;
        InsertIndex_ = static_cast<int>(ObjectList_.Count()) - 1;
    }
}

void TFlashMovie::SetCurrentFrame(int Frame) {
    if (AddMode_ == 0 || ObjectList_.Empty()) return;
    WalkToFrameStart_ = true;
    if (Frame >= FrameCount) {
        while (FrameCount <= Frame) ShowFrame(1);
        CurrentFrame_ = FrameCount - 1;
        InsertIndex_ = static_cast<int>(ObjectList_.Count()) - 1;
        return;
    }
    if (AddMode_ == 1)
        InsertIndex_ = FrameTagIndex(Frame);
    else
        InsertIndex_ = Frame > 0 ? FrameTagIndex(Frame - 1) + 1 : 0;
    CurrentFrame_ = Frame;
}

int TFlashMovie::FrameTagIndex(int Frame) {
    if (Frame <= 0 || ObjectList_.Empty()) return 0;
    int Seen = 0;
    for (size_t i = 0; i < ObjectList_.Count(); ++i)
        if (IsSWFRecord(ObjectList_[i], 1) && ++Seen == Frame) return static_cast<int>(i);
    return static_cast<int>(ObjectList_.Count()) - 1;
}

bool TFlashMovie::IsMovableDefinition(const TBasedSWFObject* Object) const {
    if (Object->LibraryLevel() == 0) {
        static const uint16_t Codes[] = {6, 8, 21, 35, 20, 36, 10, 48, 75, 14};
        auto* Record = dynamic_cast<const TSWFObject*>(Object);
        return Record && std::find(std::begin(Codes), std::end(Codes), Record->TagID) != std::end(Codes);
    }
    // Images, sounds and fonts register themselves in their lists when they are created.
    return Images_.Contains(Object) || Sounds_.Contains(Object) || Fonts_.Contains(Object);
}

void TFlashMovie::MoveDefinitions(int ToFrame, int FromFrame, int LastFrame) {
    ToFrame = std::min(ToFrame, FromFrame);
    if (LastFrame == -1) LastFrame = FrameCount;
    if (LastFrame <= 0 || LastFrame < FromFrame) LastFrame = FromFrame;
    if (ObjectList_.Empty()) return;
    int T = FrameTagIndex(ToFrame);
    if (IsSWFRecord(ObjectList_[T], 1)) ++T;
    int Start = ToFrame == FromFrame ? T + 1 : FrameTagIndex(FromFrame) + 1;
    int End = FrameTagIndex(LastFrame + 1);
    if (IsSWFRecord(ObjectList_[End], 1)) --End;
    if (End <= Start) return;
    int Moved = 0;
    for (int i = Start; i <= End; ++i) {
        if (!IsMovableDefinition(ObjectList_[i])) continue;
        // The target lies before i, so the objects after i keep their indices.
        ObjectList_.Insert(static_cast<size_t>(T + Moved), ObjectList_.Extract(static_cast<size_t>(i)));
        ++Moved;
    }
}

// ---- Movie-wide records -----------------------------------------------------------------------------------

TSWFRGB& TFlashMovie::BackgroundColor() {
    if (!BackgroundColor_) BackgroundColor_.emplace();
    HasBackgroundColor = true;
    return *BackgroundColor_;
}

TSWFFileAttributes& TFlashMovie::FileAttributes() {
    if (!FileAttributes_) FileAttributes_.emplace();
    UseFileAttributes = true;
    return *FileAttributes_;
}

void TFlashMovie::SetMetadata(const std::string& XML) {
    Metadata_ = XML;
    FileAttributes().SetHasMetadata(!XML.empty());
}

void TFlashMovie::HeaderChanged() {
    if (Version_ >= 8) CorrectImageFill_ = false;
}

uint32_t TFlashMovie::Random(uint32_t Bound) {
    return Bound ? std::uniform_int_distribution<uint32_t>(0, Bound - 1)(Random_) : 0;
}

// ---- Building the body ------------------------------------------------------------------------------------

void TFlashMovie::BuildBody() {
    TStream& Body = BodyStream();
    Body.SetSize(0);
    Body.SetPosition(0);
    TBitsEngine BE(Body);
    // The version is settled before anything is written: clip-event flags are written in the width of the
    // version the header will give.
    const int V = RequiredVersion();
    if (V > Version_) SetVersion(static_cast<uint8_t>(std::min(V, 255)));

    if (UseFileAttributes) {
        TSWFFileAttributes& Attributes = FileAttributes();
        Attributes.WriteToStream(BE);
        if (Attributes.HasMetadata()) {
            TSWFMetadata Meta;
            Meta.MetaData = Metadata_;
            Meta.WriteToStream(BE);
        }
    }
    if (HasBackgroundColor) {
        TSWFSetBackgroundColor Background;
        Background.Color = BackgroundColor();
        Background.WriteToStream(BE);
    }
    TFlashStreamSound* Sound = StreamSound();
    if (Sound) {
        TSWFSoundStreamHead2 Head;
        Sound->FillStreamHead(Head, FrameRate());
        Head.WriteToStream(BE);
    }
    if (Protect) {
        TSWFProtect P;
        P.SetPassword(Password);
        P.WriteToStream(BE);
    }

    int Frames = 0;
    bool HasPlacement = false;
    const size_t Count = ObjectList_.Count();
    for (size_t i = 0; i < Count; ++i) {
        if (OnProgress) OnProgress(*this, static_cast<int>(std::lround(100.0 * (i + 1) / Count)), 1);
        TBasedSWFObject* Object = ObjectList_[i];
        if (Object->LibraryLevel() == 0) {
            auto* Record = dynamic_cast<TSWFObject*>(Object);
            const uint16_t Code = Record ? Record->TagID : 0xFFFF;
            if (Code == 1) {
                if (Sound && Frames >= Sound->StreamStartFrame()) Sound->WriteStreamBlock(BE);
                ++Frames;
            }
            if (Code == 4 || Code == 26 || Code == 70) HasPlacement = true;
        } else if (auto* Place = dynamic_cast<TFlashPlaceObject*>(Object)) {
            Place->SetClipEventVersion(Version_);
            HasPlacement = true;
        } else if (auto* Import = dynamic_cast<TFlashExternalMovie*>(Object); Import && Import->Mode == 0) {
            Frames += Import->Reader().FrameCount;
        }
        Object->WriteToStream(BE);
    }
    if (Frames == 0 && HasPlacement) {
        TSWFShowFrame().WriteToStream(BE);
        Frames = 1;
    }
    if (!IsSWFRecord(ObjectList_.Last(), 0)) TSWFEnd().WriteToStream(BE);
    BE.FlushLastByte(true);
    FrameCount = static_cast<uint16_t>(Frames);
}

int TFlashMovie::RequiredVersion() {
    int V = Version_;
    if (UseFileAttributes) V = std::max(V, FileAttributes().MinVersion());
    if (StreamSound()) V = std::max(V, StreamSound()->StreamMinVersion());
    if (Protect) {
        TSWFProtect P;
        P.SetPassword(Password);
        V = std::max(V, P.MinVersion());
    }
    for (const auto& Object : ObjectList_) V = std::max(V, Object->MinVersion());
    return V;
}
