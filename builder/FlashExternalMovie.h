// The content of another SWF file put into the movie being built: its tags are parsed when it is added and
// written when the movie builds its body, so a caller can change them in between.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "FlashObject.h"
#include "SWFReader.h"

class TFlashSprite;

class TFlashExternalMovie : public TFlashIDObject {
  public:
    // 0 main timeline, 1 definitions only, 2 everything in one frame, 3 wrapped in a sprite.
    uint8_t Mode = 0;
    // Asked for every tag the mode lets through; Accept false drops it.
    std::function<void(TSWFTagInfo& Tag, bool& Accept)> OnImportTag;
    // Prefix embedded font names, so they do not mix with fonts of the same name from elsewhere.
    bool RenameFonts = true;
    // The source of the font prefix (0..65534); the owner movie's random generator when not set.
    std::function<uint32_t()> OnFontPrefix;

    TFlashExternalMovie(std::unique_ptr<TSWFStreamReader> Reader, uint8_t Mode);
    TFlashExternalMovie(const TFlashExternalMovie&) = delete;
    TFlashExternalMovie& operator=(const TFlashExternalMovie&) = delete;
    ~TFlashExternalMovie() override;
    // An imported movie holds a parsed file and is never copied.
    void Assign(const TBasedSWFObject&) override;
    std::unique_ptr<TBasedSWFObject> Clone() const override;

    TSWFStreamReader& Reader() { return *Reader_; }
    // Mode 3: the wrapping sprite, with the ID of this object.
    TFlashSprite* Sprite() const { return Sprite_.get(); }
    void SetCharacterID(uint16_t ID) override;

    // The characters the file defines (imported assets included).
    int CharacterCount() const;
    // Gives the file's characters consecutive IDs from FirstID; returns the ID after the last one given.
    uint16_t RenumberIDs(uint16_t FirstID) { return Reader_->RenumberIDs(FirstID); }

    int MinVersion() const override { return 1; }
    void WriteToStream(TBitsEngine& BE) override;

  protected:
    void OwnerChanged() override;

  private:
    void WriteRaw(TBitsEngine& BE, const TSWFTagInfo& Info);
    // A copy of a placement whose clip actions must be written for the movie's version, else nothing.
    std::unique_ptr<TBasedSWFObject> ForMovieVersion(const TSWFObject& Record) const;
    void WriteRenamed(TBitsEngine& BE, TSWFObject& Record, const std::string& Prefix);

    std::unique_ptr<TSWFStreamReader> Reader_;
    std::unique_ptr<TFlashSprite> Sprite_;
};

// The tag code of a tag of the reader's list: a record kept raw reports the code it was read with.
uint16_t ImportedTagCode(const TSWFTagInfo& Info);
// Inserts Prefix after the opening quote of every face attribute value of an HTML text.
template <class TString>
TString PrefixHTMLFontFaces(const TString& Text, const TString& Prefix);
