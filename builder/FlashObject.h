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
    uint16_t CharacterID_ = 0;
};
