// The movie object model: characters, placements, frames and exports, turned into the tags of one SWF file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "FlashActionScript.h"
#include "FlashObject.h"
#include "SWFObject.h"
#include "SWFTags.h"

class TFlashExternalMovie;
class TFlashFont;
class TFlashImage;
class TFlashPlaceObject;
class TFlashShape;
class TFlashSound;
class TFlashSprite;
class TFlashText;
class TSWFStreamReader;

// A streaming sound of a timeline: its SoundStreamHead2 and one SoundStreamBlock per frame from its start
// frame on. The sound character implements it; the timeline that streams it owns it.
class TFlashStreamSound {
  public:
    virtual ~TFlashStreamSound() = default;
    virtual int StreamMinVersion() const = 0;
    // Fills the head for the timeline's frame rate and rewinds the stream.
    virtual void FillStreamHead(TSWFSoundStreamHead2& Head, float FrameRate) = 0;
    // Writes the block of the next frame (or nothing once the sound has ended).
    virtual void WriteStreamBlock(TBitsEngine& BE) = 0;
    virtual uint16_t StreamStartFrame() const = 0;
};

// The owned stream sound of a timeline; a copy clones the sound object.
class TFlashStreamSoundSlot {
  public:
    TFlashStreamSoundSlot() = default;
    TFlashStreamSoundSlot(const TFlashStreamSoundSlot& Other) { *this = Other; }
    TFlashStreamSoundSlot& operator=(const TFlashStreamSoundSlot& Other);

    // Sound must derive from TBasedSWFObject and TFlashStreamSound.
    template <class T>
    T* Set(std::unique_ptr<T> Sound) {
        T* P = Sound.get();
        Sound_ = P;
        Object_ = std::move(Sound);
        return P;
    }
    TFlashStreamSound* Get() const { return Sound_; }

  private:
    std::unique_ptr<TBasedSWFObject> Object_;
    TFlashStreamSound* Sound_ = nullptr;
};

// A non-owning list of characters of one kind, in creation order.
template <class T>
class TFlashObjectList {
  public:
    void Add(T* Item) { Items_.push_back(Item); }
    size_t Count() const { return Items_.size(); }
    T* Item(size_t Index) const { return Items_.at(Index); }
    bool Contains(const void* Item) const {
        return std::find(Items_.begin(), Items_.end(), static_cast<const T*>(Item)) != Items_.end();
    }
    auto begin() const { return Items_.begin(); }
    auto end() const { return Items_.end(); }

  private:
    std::vector<T*> Items_;
};

using TFlashMovieObjectList = TObjectList<TBasedSWFObject>;

class TFlashMovie : public TBasedSWFStream {
  public:
    // Asked by an image before it loads a file; setting Continue to false skips the load.
    std::function<void(TFlashImage& Image, const std::string& FileName, bool& Continue)> OnLoadCustomImage;
    // The ID the next character receives; a caller may move it forward to start a new range.
    uint16_t NextCharacterID = 1;
    bool HasBackgroundColor = false;
    // Read by 32-bit lossless images.
    bool CheckImageAlpha = false;

    TFlashMovie(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom, float FrameRate, bool PixelUnits);
    ~TFlashMovie() override;

    TFlashMovieObjectList& ObjectList() { return ObjectList_; }

    // ---- Characters -------------------------------------------------------------------------------------
    // Gives a new character the next ID and the insertion point; the caller registers it in its kind's list.
    template <class T>
    T* RegisterCharacter(std::unique_ptr<T> Character) {
        Character->SetOwner(this);
        Character->SetCharacterID(NextCharacterID);
        T* P = AddFlashObject(std::move(Character));
        ++NextCharacterID;
        return P;
    }
    // These are provided by the image, shape and sound builders.
    TFlashImage* AddImage(const std::string& FileName);
    TFlashShape* AddShape(std::unique_ptr<TFlashShape> Shape = nullptr);
    TFlashShape* AddRectangle(int32_t XMin, int32_t YMin, int32_t XMax, int32_t YMax);
    TFlashSound* AddSound(const std::string& FileName);

    // A new sprite; Content, when given, is placed in it at depth 1.
    TFlashSprite* AddSprite(TFlashVisualObject* Content = nullptr);
    // Imports a whole SWF file: 0 main timeline, 1 definitions only, 2 one frame, 3 wrapped in a sprite.
    TFlashExternalMovie* AddExternalMovie(const std::string& FileName, uint8_t Mode, bool AutoID);
    TFlashExternalMovie* AddExternalMovie(TStream& Stream, uint8_t Mode, bool AutoID);

    // ---- Timeline ---------------------------------------------------------------------------------------
    TFlashPlaceObject* PlaceObject(TFlashIDObject* Character, uint16_t Depth);
    // RemoveObject2 for Depth, or RemoveObject for the character at Depth.
    TSWFObject* RemoveObject(uint16_t Depth, TFlashIDObject* Character = nullptr);
    TSWFExportAssets* ExportAssets(const std::string& Name, uint16_t CharacterID);
    TFlashActionScript& FrameActions();
    bool HasFrameActions() const { return static_cast<bool>(FrameActions_); }
    void FlushFrameActions();
    // The label of the frame being built, written at its ShowFrame.
    void SetFrameLabel(const std::string& Name) { FrameLabel_ = Name; }
    // Closes the frame (Count 0 counts as 1).
    void ShowFrame(uint16_t Count = 1);
    uint8_t AddMode() const { return AddMode_; }
    void SetAddMode(uint8_t Mode);
    int CurrentFrame() const { return CurrentFrame_; }
    void SetCurrentFrame(int Frame);
    int InsertIndex() const { return InsertIndex_; }
    uint16_t MaxDepth() const { return MaxDepth_; }
    // Inserts an object according to AddMode and takes ownership.
    template <class T>
    T* AddFlashObject(std::unique_ptr<T> Object) {
        T* P = Object.get();
        InsertObject(std::move(Object));
        return P;
    }

    int FrameTagIndex(int Frame) override;
    void MoveDefinitions(int ToFrame, int FromFrame, int LastFrame) override;
    void BuildBody() override;

    // ---- Movie-wide records -----------------------------------------------------------------------------
    TSWFRGB& BackgroundColor();
    TFlashStreamSound* StreamSound() const { return StreamSound_.Get(); }
    template <class T>
    T* SetStreamSound(std::unique_ptr<T> Sound) {
        return StreamSound_.Set(std::move(Sound));
    }
    bool Protect = false;
    std::string Password;
    bool UseFileAttributes = false;
    // Created on first access, which also turns UseFileAttributes on.
    TSWFFileAttributes& FileAttributes();
    const std::string& Metadata() const { return Metadata_; }
    // Metadata is written after the FileAttributes tag, whose metadata flag this sets.
    void SetMetadata(const std::string& XML);
    // Bitmap fills shift by half a pixel in players before version 8.
    bool CorrectImageFill() const { return CorrectImageFill_; }
    void HeaderChanged() override;

    // ---- Per-kind lists (not owning) --------------------------------------------------------------------
    TFlashObjectList<TFlashImage>& Images() { return Images_; }
    TFlashObjectList<TFlashShape>& Shapes() { return Shapes_; }
    TFlashObjectList<TFlashSound>& Sounds() { return Sounds_; }
    TFlashObjectList<TFlashSprite>& Sprites() { return Sprites_; }
    TFlashObjectList<TFlashFont>& Fonts() { return Fonts_; }
    TFlashObjectList<TFlashText>& Texts() { return Texts_; }

    // Integers 0..Bound - 1, for the name prefixes of imported fonts.
    uint32_t Random(uint32_t Bound);
    void SeedRandom(uint32_t Seed) { Random_.seed(Seed); }

  private:
    void InsertObject(std::unique_ptr<TBasedSWFObject> Object);
    TFlashExternalMovie* AddExternalMovie(std::unique_ptr<TSWFStreamReader> Reader, uint8_t Mode,
                                          bool AutoID);
    bool IsMovableDefinition(const TBasedSWFObject* Object) const;
    // The version the content needs, never below the one set.
    int RequiredVersion();

    uint8_t AddMode_ = 0;
    std::optional<TSWFRGB> BackgroundColor_;
    TFlashStreamSoundSlot StreamSound_;
    int CurrentFrame_ = 0;
    std::unique_ptr<TFlashActionScript> FrameActions_;
    std::string FrameLabel_;
    uint16_t MaxDepth_ = 0;
    TFlashMovieObjectList ObjectList_;
    std::optional<TSWFFileAttributes> FileAttributes_;
    std::string Metadata_;
    bool CorrectImageFill_ = true;
    int InsertIndex_ = 0;  // -1: recompute from the end of the list
    bool WalkToFrameStart_ = true;
    TFlashObjectList<TFlashImage> Images_;
    TFlashObjectList<TFlashShape> Shapes_;
    TFlashObjectList<TFlashSound> Sounds_;
    TFlashObjectList<TFlashSprite> Sprites_;
    TFlashObjectList<TFlashFont> Fonts_;
    TFlashObjectList<TFlashText> Texts_;
    std::mt19937 Random_{std::random_device{}()};
};

// True for a plain SWF record of the given tag code.
bool IsSWFRecord(const TBasedSWFObject* Object, uint16_t TagID);
