// A sprite of the movie builder: its own timeline of placements, scripts and frames, written as DefineSprite.
#pragma once

#include <memory>
#include <string>

#include "FlashActionScript.h"
#include "FlashMovie.h"
#include "FlashObject.h"
#include "SWFTags.h"

class TFlashPlaceObject;

class TFlashSprite : public TFlashVisualObject {
  public:
    explicit TFlashSprite(TFlashMovie* Owner = nullptr);
    TFlashSprite(const TFlashSprite& Other);
    TFlashSprite& operator=(const TFlashSprite& Other);
    void Assign(const TBasedSWFObject& Source) override;
    std::unique_ptr<TBasedSWFObject> Clone() const override;

    void SetCharacterID(uint16_t ID) override;
    TFlashMovieObjectList& ObjectList() { return ObjectList_; }
    const TFlashMovieObjectList& ObjectList() const { return ObjectList_; }
    uint16_t FrameCount() const { return Record_.FrameCount; }
    void SetFrameCount(uint16_t N) { Record_.FrameCount = N; }
    int CurrentFrame() const { return CurrentFrame_; }
    uint16_t MaxDepth() const { return MaxDepth_; }

    // Places Character in this sprite; a character defined after the sprite is moved in front of it.
    TFlashPlaceObject* PlaceObject(TFlashIDObject* Character, uint16_t Depth);
    // Places, at Depth, a new sprite holding Mask at depth 1 (clipping depth 2) and Content at depth 2.
    TFlashPlaceObject* PlaceObject(TFlashIDObject* Mask, TFlashIDObject* Content, uint16_t Depth);
    TFlashActionScript& FrameActions();
    // Written as DoInitAction for this sprite after its DefineSprite.
    TFlashActionScript& InitActions();
    bool HasInitActions() const { return static_cast<bool>(InitActions_); }
    void SetFrameLabel(const std::string& Name) { FrameLabel_ = Name; }
    void ShowFrame(uint16_t Count = 1);
    TFlashStreamSound* StreamSound() const { return StreamSound_.Get(); }
    template <class T>
    T* SetStreamSound(std::unique_ptr<T> Sound) {
        return StreamSound_.Set(std::move(Sound));
    }

    int MinVersion() const override;
    void WriteToStream(TBitsEngine& BE) override;

  private:
    TFlashStreamSoundSlot StreamSound_;
    int CurrentFrame_ = 0;
    std::unique_ptr<TFlashActionScript> FrameActions_;
    std::string FrameLabel_;
    std::unique_ptr<TFlashActionScript> InitActions_;
    uint16_t MaxDepth_ = 0;
    TSWFDefineSprite Record_;  // sprite ID and frame count
    TFlashMovieObjectList ObjectList_;
    int InsertIndex_ = -1;
};

// A placement of a character on a timeline, kept as a PlaceObject3 record and written as PlaceObject2 unless
// it needs what only PlaceObject3 carries.
class TFlashPlaceObject : public TFlashObject {
  public:
    TFlashPlaceObject(TFlashMovie* Owner, TFlashIDObject* Character, uint16_t Depth);
    TFlashPlaceObject(const TFlashPlaceObject& Other);
    TFlashPlaceObject& operator=(const TFlashPlaceObject& Other);
    void Assign(const TBasedSWFObject& Source) override;
    std::unique_ptr<TBasedSWFObject> Clone() const override;

    TSWFPlaceObject3& Record() { return Record_; }
    const TSWFPlaceObject3& Record() const { return Record_; }
    TFlashIDObject* Character() const { return Character_; }
    uint16_t CharacterID() const { return Character_ ? Character_->CharacterID() : Record_.CharacterID(); }
    uint16_t Depth() const { return Record_.Depth; }

    void SetName(const std::string& Name) { Record_.SetName(Name); }
    void SetScale(float ScaleX, float ScaleY) { Record_.Matrix().SetScale(ScaleX, ScaleY); }
    // In the movie's units.
    void SetTranslate(int32_t X, int32_t Y);
    // In the placed character's units.
    void SetX(int32_t X);
    void SetY(int32_t Y);
    void SetRotate(float Angle) { Record_.Matrix().SetRotate(Angle); }
    void SetClipDepth(uint16_t Depth) { Record_.SetClipDepth(Depth); }
    void SetRatio(uint16_t Ratio) { Record_.SetRatio(Ratio); }
    void SetMove(bool Move) { Record_.Move = Move; }
    TSWFColorTransform& ColorTransform() { return Record_.ColorTransform(); }
    void SetBlendMode(uint8_t Mode);
    // The script of the clip action on Release (sprites only); its calls append to that action's list.
    TFlashActionScript& OnRelease();
    // The same for KeyPress with KeyCode; a zero key code leaves the action's own event set empty.
    TFlashActionScript& OnKeyPress(uint8_t KeyCode);
    bool HasClipActions() const { return Record_.HasClipActionRecords(); }
    // The SWF version the clip-event flags are written for.
    void SetClipEventVersion(uint8_t Version) { Record_.FormatVersion = Version; }
    bool NeedsPlaceObject3() const;

    int MinVersion() const override;
    void WriteToStream(TBitsEngine& BE) override;

  private:
    TFlashActionScript& ClipScript(TSWFClipActionRecord& Record);
    int CharacterUnitFactor() const;

    std::unique_ptr<TFlashActionScript> ClipScript_;
    TFlashIDObject* Character_ = nullptr;
    TSWFPlaceObject3 Record_;
};
