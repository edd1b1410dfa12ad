// Text records: static texts (DefineText, DefineText2), text fields (DefineEditText) and the anti-aliasing
// settings of a text (CSMTextSettings).
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "SWFFonts.h"

struct TSWFGlyphEntry {
    uint32_t GlyphIndex = 0;
    int32_t GlyphAdvance = 0;
};

// One TEXTRECORD: a run of glyphs with the style changes that precede it.
struct TSWFTextRecord {
    bool HasFont = false, HasColor = false, HasYOffset = false, HasXOffset = false;
    uint16_t FontID = 0;
    TSWFRGBA TextColor{true};
    int16_t XOffset = 0, YOffset = 0;
    uint16_t TextHeight = 0;
    std::vector<TSWFGlyphEntry> GlyphEntries;  // at most 255

    void SetFont(uint16_t ID, uint16_t Height) {
        FontID = ID;
        TextHeight = Height;
        HasFont = true;
    }
    void SetTextColor(const TSWFRGBA& Color) {
        TextColor = Color;
        HasColor = true;
    }
    void SetXOffset(int16_t X) {
        XOffset = X;
        HasXOffset = true;
    }
    void SetYOffset(int16_t Y) {
        YOffset = Y;
        HasYOffset = true;
    }
};

class TSWFDefineText : public TSWFKeptBodyObject {
  public:
    uint16_t CharacterID = 0;
    TSWFKeptRect TextBounds;
    TSWFKeptMatrix TextMatrix;
    // Widths of the glyph entry fields, kept as set: the writer refuses values that do not fit.
    uint8_t GlyphBits = 0, AdvanceBits = 0;
    std::vector<TSWFTextRecord> TextRecords;

    TSWFDefineText() { TagID = 11; }
    SWF_RECORD_COPY(TSWFDefineText)
    void VisitDefinedIDs(const TIDVisitor& Visit) override { Visit(CharacterID); }
    void VisitReferences(const TIDVisitor& Visit) override;

  protected:
    void WriteBody(TBitsEngine& BE) override;
    void ReadBody(TBitsEngine& BE) override;
    virtual bool ColorsWithAlpha() const { return false; }
};

class TSWFDefineText2 : public TSWFDefineText {
  public:
    TSWFDefineText2() { TagID = 33; }
    SWF_RECORD_COPY(TSWFDefineText2)
    int MinVersion() const override { return 3; }

  protected:
    bool ColorsWithAlpha() const override { return true; }
};

class TSWFDefineEditText : public TSWFKeptBodyObject {
  public:
    uint16_t CharacterID = 0;
    TSWFKeptRect Bounds;
    bool HasText = false, WordWrap = false, Multiline = false, Password = false, ReadOnly = false;
    bool HasTextColor = false, HasMaxLength = false, HasFont = false, HasFontClass = false, AutoSize = false;
    bool HasLayout = false, NoSelect = false, Border = false, WasStatic = false, HTML = false;
    bool UseOutlines = false;
    uint16_t FontID = 0;
    std::string FontClass;
    uint16_t FontHeight = 0;
    TSWFRGBA TextColor{true};
    uint16_t MaxLength = 0;
    uint8_t Align = 0;
    uint16_t LeftMargin = 0, RightMargin = 0, Indent = 0;
    int16_t Leading = 0;
    std::string VariableName;
    std::string InitialText;         // bytes in the system code page, or HTML
    std::u16string WideInitialText;  // written instead of InitialText when set
    // The SWF version the strings are written for; 0 (as read) writes them unchanged.
    uint8_t Version = 0;

    TSWFDefineEditText() { TagID = 37; }
    SWF_RECORD_COPY(TSWFDefineEditText)
    int MinVersion() const override;
    void SetReadContext(const TSWFReadContext& Context) override { FileVersion_ = Context.Version; }
    void VisitDefinedIDs(const TIDVisitor& Visit) override { Visit(CharacterID); }
    void VisitReferences(const TIDVisitor& Visit) override {
        if (HasFont) Visit(FontID);
    }

    void SetFont(uint16_t ID, uint16_t Height);
    void SetFontClass(const std::string& Name, uint16_t Height);
    void SetTextColor(const TSWFRGBA& Color);
    void SetMaxLength(uint16_t Length);
    void SetLayout(uint8_t Alignment, uint16_t Left, uint16_t Right, uint16_t FirstIndent,
                   int16_t LineLeading);
    void SetInitialText(const std::string& Text);
    void SetWideInitialText(const std::u16string& Text);

  protected:
    void WriteBody(TBitsEngine& BE) override;
    void ReadBody(TBitsEngine& BE) override;

  private:
    // Font classes exist from version 9; a record read from such a file keeps its font class.
    bool FontClassWritten() const { return HasFontClass && std::max(Version, FileVersion_) > 8; }
    uint8_t FileVersion_ = 0;
};

class TSWFCSMTextSettings : public TSWFKeptBodyObject {
  public:
    uint16_t TextID = 0;
    uint8_t UseFlashType = 0;  // 2 bits
    uint8_t GridFit = 0;       // 3 bits
    float Thickness = 0;
    float Sharpness = 0;

    TSWFCSMTextSettings() { TagID = 74; }
    SWF_RECORD_COPY(TSWFCSMTextSettings)
    int MinVersion() const override { return 8; }
    void VisitReferences(const TIDVisitor& Visit) override { Visit(TextID); }

  protected:
    void WriteBody(TBitsEngine& BE) override;
    void ReadBody(TBitsEngine& BE) override;
};
