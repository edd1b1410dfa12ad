// The roots of the movie builder's objects: characters with IDs and visual objects measured in movie units.
#pragma once

#include <cstdint>

#include "SWFObject.h"

class TFlashMovie;

class TFlashObject : public TBasedSWFObject {
  public:
    int LibraryLevel() const override { return 1; }
    TFlashMovie* Owner() const { return Owner_; }
    void SetOwner(TFlashMovie* M) {
        Owner_ = M;
        OwnerChanged();
    }

  protected:
    virtual void OwnerChanged() {}
    TFlashMovie* Owner_ = nullptr;
};

class TFlashIDObject : public TFlashObject {
  public:
    virtual uint16_t CharacterID() const { return CharacterID_; }
    virtual void SetCharacterID(uint16_t ID) { CharacterID_ = ID; }

  protected:
    // Assign of a character: the owner only when this object has none yet, and the ID.
    void AssignCharacter(const TFlashIDObject& Source) {
        if (!Owner_) Owner_ = Source.Owner_;
        SetCharacterID(Source.CharacterID());
    }
    uint16_t CharacterID_ = 0;
};

// A character whose coordinates are given in the movie's units (pixels in a pixel movie) and stored in twips.
class TFlashVisualObject : public TFlashIDObject {
  public:
    bool IgnoreMovieUnits = false;

    // Twips per unit of this object: the movie's factor, or 1 without an owner or when told to ignore it.
    int UnitFactor() const;
};
