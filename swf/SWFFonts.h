// Font records: glyph outlines (DefineFont, DefineFont2, DefineFont3, DefineFont4), code tables and names
// (DefineFontInfo, DefineFontInfo2, DefineFontName) and the hints of advanced anti-aliasing
// (DefineFontAlignZones).
#pragma once

#include <string>
#include <vector>

#include "SWFObject.h"
#include "SWFShapes.h"

// The root of the font and text records. Their writers normalise what they write (bit widths, derived
// flags, string encodings); a body read from a file that the writer would encode differently is kept and
// written back unchanged for as long as the record still encodes as it did when it was read.
class TSWFKeptBodyObject : public TSWFObject {
  public:
    void WriteTagBody(TBitsEngine& BE) final;
    void ReadFromStream(TBitsEngine& BE) final;
    // True when the body read from a file is kept because the writer would encode the record differently.
    bool KeepsReadBody() const { return KeepsBody_; }

  protected:
    virtual void WriteBody(TBitsEngine& BE) = 0;
    virtual void ReadBody(TBitsEngine& BE) = 0;

  private:
    std::vector<uint8_t> Encoded();
    bool KeepsBody_ = false;
    std::vector<uint8_t> ReadBody_;      // the body as read, only when it differs from ReadEncoding_
    std::vector<uint8_t> ReadEncoding_;  // what the writer made of the record just after reading
};

// Writes FontNameLen and FontName (UTF-8 when UTF8 is set); a name longer than the length byte allows is
// cut at the last whole character that fits.
void WriteFontName(TBitsEngine& BE, const std::string& Name, bool UTF8);
std::string ReadFontName(TBitsEngine& BE);

// The outline of one glyph: shape records that fill with style 1 and draw no lines. Font tags write each
// glyph as a byte 10 hexadecimal (one fill bit, no line bits) and its records, the first record selecting
// fill style 1.
using TSWFGlyphShape = TSWFShapeRecordList;

class TSWFDefineFont : public TSWFKeptBodyObject {
  public:
    uint16_t FontID = 0;
    std::vector<TSWFGlyphShape> GlyphShapeTable;

    TSWFDefineFont() { TagID = 10; }
    SWF_RECORD_COPY(TSWFDefineFont)
    void VisitDefinedIDs(const TIDVisitor& Visit) override { Visit(FontID); }

  protected:
    void WriteBody(TBitsEngine& BE) override;
    void ReadBody(TBitsEngine& BE) override;
};

struct TSWFKerningRecord {
    uint16_t FontKerningCode1 = 0, FontKerningCode2 = 0;
    int16_t FontKerningAdjustment = 0;
};

class TSWFDefineFont2 : public TSWFKeptBodyObject {
  public:
    uint16_t FontID = 0;
    bool HasLayout = false, ShiftJIS = false, SmallText = false, ANSI = false, WideCodes = false;
    bool Italic = false, Bold = false;
    uint8_t LanguageCode = 0;
    std::string FontName;
    // The SWF version the name is written for: above 5 it is written as UTF-8.
    uint8_t Version = 0;
    std::vector<TSWFGlyphShape> GlyphShapeTable;
    std::vector<uint16_t> CodeTable;  // one code per glyph
    // The layout, written with HasLayout.
    uint16_t FontAscent = 0, FontDescent = 0;
    int16_t FontLeading = 0;
    std::vector<int16_t> FontAdvanceTable;      // one advance per glyph
    std::vector<TSWFKeptRect> FontBoundsTable;  // one rectangle per glyph
    std::vector<TSWFKerningRecord> FontKerningTable;

    TSWFDefineFont2() { TagID = 48; }
    SWF_RECORD_COPY(TSWFDefineFont2)
    int MinVersion() const override { return 3; }
    void SetReadContext(const TSWFReadContext& Context) override { Version = Context.Version; }
    void VisitDefinedIDs(const TIDVisitor& Visit) override { Visit(FontID); }

  protected:
    void WriteBody(TBitsEngine& BE) override;
    void ReadBody(TBitsEngine& BE) override;
};

// DefineFont2 whose glyph outlines are drawn at twenty times the resolution (an EM square of 20480).
class TSWFDefineFont3 : public TSWFDefineFont2 {
  public:
    TSWFDefineFont3() { TagID = 75; }
    SWF_RECORD_COPY(TSWFDefineFont3)
    int MinVersion() const override { return 8; }
};

class TSWFDefineFontInfo : public TSWFKeptBodyObject {
  public:
    uint16_t FontID = 0;
    std::string FontName;
    // The SWF version the name is written for: above 5 it is written as UTF-8.
    uint8_t Version = 0;
    bool SmallText = false, ShiftJIS = false, ANSI = false, Italic = false, Bold = false, WideCodes = false;
    std::vector<uint16_t> CodeTable;

    TSWFDefineFontInfo() { TagID = 13; }
    SWF_RECORD_COPY(TSWFDefineFontInfo)
    void SetReadContext(const TSWFReadContext& Context) override { Version = Context.Version; }
    void VisitReferences(const TIDVisitor& Visit) override { Visit(FontID); }

  protected:
    void WriteBody(TBitsEngine& BE) override;
    void ReadBody(TBitsEngine& BE) override;
    // The parts in which DefineFontInfo2 differs.
    virtual bool UTF8Name() const { return Version > 5; }
    virtual bool WrittenWideCodes() const { return WideCodes; }
    virtual void WriteLanguage(TBitsEngine&) {}
    virtual void ReadLanguage(TBitsEngine&) {}
};

class TSWFDefineFontInfo2 : public TSWFDefineFontInfo {
  public:
    uint8_t LanguageCode = 0;

    TSWFDefineFontInfo2() {
        TagID = 62;
        WideCodes = true;
    }
    SWF_RECORD_COPY(TSWFDefineFontInfo2)
    int MinVersion() const override { return 6; }

  protected:
    bool UTF8Name() const override { return true; }
    bool WrittenWideCodes() const override { return true; }
    void WriteLanguage(TBitsEngine& BE) override { BE.WriteByte(LanguageCode); }
    void ReadLanguage(TBitsEngine& BE) override { LanguageCode = BE.ReadByte(); }
};

struct TSWFZoneData {
    uint16_t AlignmentCoordinate = 0;  // half-precision float bits
    uint16_t Range = 0;                // half-precision float bits
};

struct TSWFZoneRecord {
    std::vector<TSWFZoneData> ZoneData;
    bool ZoneMaskY = false, ZoneMaskX = false;
};

class TSWFDefineFontAlignZones : public TSWFKeptBodyObject {
  public:
    uint16_t FontID = 0;
    uint8_t CSMTableHint = 0;  // 0 thin, 1 medium, 2 thick
    std::vector<TSWFZoneRecord> ZoneTable;

    TSWFDefineFontAlignZones() { TagID = 73; }
    SWF_RECORD_COPY(TSWFDefineFontAlignZones)
    int MinVersion() const override { return 8; }
    void VisitReferences(const TIDVisitor& Visit) override { Visit(FontID); }

  protected:
    void WriteBody(TBitsEngine& BE) override;
    void ReadBody(TBitsEngine& BE) override;
};

class TSWFDefineFontName : public TSWFKeptBodyObject {
  public:
    uint16_t FontID = 0;
    std::string FontName;
    std::string FontCopyright;

    TSWFDefineFontName() { TagID = 88; }
    SWF_RECORD_COPY(TSWFDefineFontName)
    int MinVersion() const override { return 9; }
    void VisitReferences(const TIDVisitor& Visit) override { Visit(FontID); }

  protected:
    void WriteBody(TBitsEngine& BE) override;
    void ReadBody(TBitsEngine& BE) override;
};

// A CFF font kept as its bytes.
class TSWFDefineFont4 : public TSWFKeptBodyObject {
  public:
    uint16_t FontID = 0;
    bool Italic = false, Bold = false;
    std::string FontName;
    std::vector<uint8_t> FontData;  // HasFontData is written when it is not empty

    TSWFDefineFont4() { TagID = 91; }
    SWF_RECORD_COPY(TSWFDefineFont4)
    int MinVersion() const override { return 10; }
    void VisitDefinedIDs(const TIDVisitor& Visit) override { Visit(FontID); }

  protected:
    void WriteBody(TBitsEngine& BE) override;
    void ReadBody(TBitsEngine& BE) override;
};
