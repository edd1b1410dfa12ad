#include "SWFFonts.h"

namespace {
std::vector<uint8_t> ReadBytes(TBitsEngine& BE, size_t Count) {
    std::vector<uint8_t> Bytes(Count);
    if (Count) BE.ReadBytes(Bytes.data(), Count);  // an empty vector has no buffer to read into
    return Bytes;
}

std::vector<uint8_t> ReadRest(TBitsEngine& BE) {
    return ReadBytes(BE, static_cast<size_t>(BE.Stream->Remaining()));
}

// Cuts S to at most Max bytes without splitting a UTF-8 sequence.
std::string CutUTF8(const std::string& S, size_t Max) {
    if (S.size() <= Max) return S;
    size_t Len = Max;
    while (Len > 0 && (static_cast<unsigned char>(S[Len]) & 0xC0) == 0x80) --Len;
    return S.substr(0, Len);
}

void CheckCount(TBitsEngine& BE, size_t Count, size_t BytesEach) {
    if (Count * BytesEach > static_cast<size_t>(BE.Stream->Remaining()))
        throw ESWFError("Table larger than the tag body");
}

using TBytes = std::vector<uint8_t>;

// A glyph as font tags store it: the bit widths byte 10 hexadecimal and the records with one fill bit and no
// line bits; a first record that selects no fill style, or fill style 1 with the index 0, is made to select
// fill style 1.
TBytes EncodeGlyph(const TSWFGlyphShape& Shape) {
    TSWFGlyphShape Records = Shape;  // the shape writer adjusts the records it writes
    if (!Records.Empty() && Records[0]->ShapeRecType == rtStyleChange) {
        auto& First = static_cast<TSWFStyleChangeRecord&>(*Records[0]);
        if ((!First.StateFillStyle0 && !First.StateFillStyle1) ||
            (First.StateFillStyle1 && First.FillStyle1() == 0)) {
            First.SetFillStyle1(1);
            // The line style flag is written as well, although a glyph has no line style bits.
            First.StateLineStyle = true;
            First.KeptStateFlags = true;
        }
    }
    TMemoryStream Stream;
    TBitsEngine BE(Stream);
    BE.WriteByte(0x10);
    WriteShapeRecords(BE, Records, 1, 0, false);
    BE.FlushLastByte(true);
    return Stream.TakeBytes();
}

std::vector<TBytes> EncodeGlyphs(const std::vector<TSWFGlyphShape>& Glyphs) {
    std::vector<TBytes> Encoded;
    Encoded.reserve(Glyphs.size());
    for (const TSWFGlyphShape& Glyph : Glyphs) Encoded.push_back(EncodeGlyph(Glyph));
    return Encoded;
}

size_t TotalSize(const std::vector<TBytes>& Parts) {
    size_t Size = 0;
    for (const TBytes& Part : Parts) Size += Part.size();
    return Size;
}

// Writes the offset table (each offset counted from the start of the table, which is TableSize bytes
// long) and the glyphs after it.
void WriteGlyphTable(TBitsEngine& BE, const std::vector<TBytes>& Glyphs, size_t TableSize, bool Wide,
                     bool WithEndOffset) {
    size_t Offset = TableSize;
    for (const TBytes& Glyph : Glyphs) {
        Wide ? BE.WriteDWord(static_cast<uint32_t>(Offset)) : BE.WriteWord(static_cast<uint16_t>(Offset));
        Offset += Glyph.size();
    }
    if (WithEndOffset)
        Wide ? BE.WriteDWord(static_cast<uint32_t>(Offset)) : BE.WriteWord(static_cast<uint16_t>(Offset));
    for (const TBytes& Glyph : Glyphs) BE.WriteBytes(Glyph.data(), Glyph.size());
}

// Reads Offsets.size() glyphs from Region, the bytes from the start of the offset table to the end of the
// glyphs; each glyph starts at its offset and ends with its end record.
std::vector<TSWFGlyphShape> ReadGlyphs(const TBytes& Region, const std::vector<uint32_t>& Offsets) {
    std::vector<TSWFGlyphShape> Glyphs(Offsets.size());
    for (size_t I = 0; I < Offsets.size(); ++I) {
        if (Offsets[I] > Region.size()) throw ESWFError("Glyph offset beyond the glyph table");
        if (Offsets[I] == Region.size() || (I + 1 < Offsets.size() && Offsets[I + 1] == Offsets[I]))
            continue;  // an empty glyph
        TBoundedReadStream Stream(Region.data() + Offsets[I], Region.size() - Offsets[I]);
        TBitsEngine BE(Stream);
        uint8_t Bits = BE.ReadByte();
        ReadShapeRecords(BE, Glyphs[I], Bits >> 4, Bits & 15, false, false);
    }
    return Glyphs;
}

uint32_t ReadOffset(TBitsEngine& BE, bool Wide) {
    return Wide ? BE.ReadDWord() : BE.ReadWord();
}

void WriteCode(TBitsEngine& BE, uint16_t Code, bool Wide) {
    if (Wide) return BE.WriteWord(Code);
    if (Code > 255) throw ESWFError("Glyph code above 255 in a font without wide codes");
    BE.WriteByte(static_cast<uint8_t>(Code));
}

uint16_t ReadCode(TBitsEngine& BE, bool Wide) {
    return Wide ? BE.ReadWord() : BE.ReadByte();
}
}  // namespace

void TSWFKeptBodyObject::WriteTagBody(TBitsEngine& BE) {
    std::vector<uint8_t> Now = Encoded();
    const std::vector<uint8_t>& Bytes = KeepsBody_ && Now == ReadEncoding_ ? ReadBody_ : Now;
    BE.WriteBytes(Bytes.data(), Bytes.size());
}

void TSWFKeptBodyObject::ReadFromStream(TBitsEngine& BE) {
    KeepsBody_ = false;
    ReadBody_.clear();
    ReadEncoding_.clear();
    std::vector<uint8_t> Body = ReadRest(BE);
    TBoundedReadStream Stream(Body.data(), Body.size());
    TBitsEngine Reader(Stream);
    ReadBody(Reader);
    std::vector<uint8_t> Encoding = Encoded();
    if (Encoding != Body) {
        KeepsBody_ = true;
        ReadBody_ = std::move(Body);
        ReadEncoding_ = std::move(Encoding);
    }
}

std::vector<uint8_t> TSWFKeptBodyObject::Encoded() {
    TMemoryStream Stream;
    TBitsEngine Writer(Stream);
    WriteBody(Writer);
    Writer.FlushLastByte(true);
    return Stream.TakeBytes();
}

void WriteFontName(TBitsEngine& BE, const std::string& Name, bool UTF8) {
    std::string Bytes = CutUTF8(UTF8 ? SystemToUTF8(Name) : Name, 255);
    BE.WriteByte(static_cast<uint8_t>(Bytes.size()));
    BE.WriteString(Bytes, false);
}

std::string ReadFontName(TBitsEngine& BE) {
    uint8_t Len = BE.ReadByte();
    return Len ? BE.ReadString(Len) : std::string();
}

void TSWFDefineFontInfo::WriteBody(TBitsEngine& BE) {
    const bool Wide = WrittenWideCodes();
    BE.WriteWord(FontID);
    WriteFontName(BE, FontName, UTF8Name());
    BE.WriteBits(0u, 2);
    BE.WriteBit(SmallText);
    BE.WriteBit(ShiftJIS);
    BE.WriteBit(ANSI);
    BE.WriteBit(Italic);
    BE.WriteBit(Bold);
    BE.WriteBit(Wide);
    WriteLanguage(BE);
    for (uint16_t Code : CodeTable) Wide ? BE.WriteWord(Code) : BE.WriteByte(static_cast<uint8_t>(Code));
}

void TSWFDefineFontInfo::ReadBody(TBitsEngine& BE) {
    FontID = BE.ReadWord();
    FontName = ReadFontName(BE);
    uint8_t Flags = BE.ReadByte();
    SmallText = Flags & 0x20;
    ShiftJIS = Flags & 0x10;
    ANSI = Flags & 0x08;
    Italic = Flags & 0x04;
    Bold = Flags & 0x02;
    WideCodes = Flags & 0x01;
    ReadLanguage(BE);
    // The code table fills the rest of the body.
    CodeTable.assign(static_cast<size_t>(BE.Stream->Remaining()) / (WideCodes ? 2 : 1), 0);
    for (uint16_t& Code : CodeTable) Code = WideCodes ? BE.ReadWord() : BE.ReadByte();
}

void TSWFDefineFontAlignZones::WriteBody(TBitsEngine& BE) {
    BE.WriteWord(FontID);
    BE.WriteBits(static_cast<uint32_t>(CSMTableHint), 2);
    BE.WriteBits(0u, 6);
    for (const TSWFZoneRecord& Zone : ZoneTable) {
        BE.WriteByte(static_cast<uint8_t>(Zone.ZoneData.size()));
        for (const TSWFZoneData& Data : Zone.ZoneData) {
            BE.WriteWord(Data.AlignmentCoordinate);
            BE.WriteWord(Data.Range);
        }
        BE.WriteBits(0u, 6);
        BE.WriteBit(Zone.ZoneMaskY);
        BE.WriteBit(Zone.ZoneMaskX);
    }
}

void TSWFDefineFontAlignZones::ReadBody(TBitsEngine& BE) {
    FontID = BE.ReadWord();
    CSMTableHint = static_cast<uint8_t>(BE.ReadByte() >> 6);
    // One zone record per glyph of the font, up to the end of the body.
    ZoneTable.clear();
    while (BE.Stream->Remaining() > 0) {
        TSWFZoneRecord Zone;
        uint8_t NumZoneData = BE.ReadByte();
        CheckCount(BE, NumZoneData, 4);
        Zone.ZoneData.resize(NumZoneData);
        for (TSWFZoneData& Data : Zone.ZoneData) {
            Data.AlignmentCoordinate = BE.ReadWord();
            Data.Range = BE.ReadWord();
        }
        uint8_t Mask = BE.ReadByte();
        Zone.ZoneMaskY = Mask & 0x02;
        Zone.ZoneMaskX = Mask & 0x01;
        ZoneTable.push_back(std::move(Zone));
    }
}

void TSWFDefineFontName::WriteBody(TBitsEngine& BE) {
    BE.WriteWord(FontID);
    BE.WriteString(FontName, true, true);
    BE.WriteString(FontCopyright, true, true);
}

void TSWFDefineFontName::ReadBody(TBitsEngine& BE) {
    FontID = BE.ReadWord();
    FontName = BE.ReadString();
    FontCopyright = BE.ReadString();
}

void TSWFDefineFont4::WriteBody(TBitsEngine& BE) {
    BE.WriteWord(FontID);
    BE.WriteBits(0u, 5);
    BE.WriteBit(!FontData.empty());
    BE.WriteBit(Italic);
    BE.WriteBit(Bold);
    BE.WriteString(FontName, true, true);
    BE.WriteBytes(FontData.data(), FontData.size());
}

void TSWFDefineFont4::ReadBody(TBitsEngine& BE) {
    FontID = BE.ReadWord();
    uint8_t Flags = BE.ReadByte();
    Italic = Flags & 0x02;
    Bold = Flags & 0x01;
    FontName = BE.ReadString();
    FontData = ReadRest(BE);
}

void TSWFDefineFont::WriteBody(TBitsEngine& BE) {
    std::vector<TBytes> Glyphs = EncodeGlyphs(GlyphShapeTable);
    const size_t TableSize = 2 * Glyphs.size();
    if (TableSize + TotalSize(Glyphs) - (Glyphs.empty() ? 0 : Glyphs.back().size()) > 65535)
        throw ESWFError("Glyph shapes too large for DefineFont");
    BE.WriteWord(FontID);
    WriteGlyphTable(BE, Glyphs, TableSize, false, false);
}

void TSWFDefineFont::ReadBody(TBitsEngine& BE) {
    FontID = BE.ReadWord();
    GlyphShapeTable.clear();
    if (BE.Stream->Remaining() == 0) return;
    // The first offset is the size of the offset table, two bytes per glyph.
    TBytes Region = ReadRest(BE);
    TBoundedReadStream Table(Region.data(), Region.size());
    TBitsEngine TableReader(Table);
    std::vector<uint32_t> Offsets{TableReader.ReadWord()};
    if (Offsets[0] == 0 || Offsets[0] % 2 != 0) throw ESWFError("Bad DefineFont offset table");
    Offsets.resize(Offsets[0] / 2);
    for (size_t I = 1; I < Offsets.size(); ++I) Offsets[I] = TableReader.ReadWord();
    GlyphShapeTable = ReadGlyphs(Region, Offsets);
}

void TSWFDefineFont2::WriteBody(TBitsEngine& BE) {
    if (GlyphShapeTable.size() > 65535) throw ESWFError("More than 65535 glyphs in a font");
    std::vector<TBytes> Glyphs = EncodeGlyphs(GlyphShapeTable);
    const size_t NumGlyphs = Glyphs.size();
    // 32-bit offsets only when the table and the glyphs do not fit 16-bit ones.
    const bool WideOffsets = 2 * (NumGlyphs + 1) + TotalSize(Glyphs) > 65535;
    const bool Layout = HasLayout && NumGlyphs > 0;
    BE.WriteWord(FontID);
    for (bool Flag :
         {Layout, ShiftJIS, SmallText, ANSI || NumGlyphs == 0, WideOffsets, WideCodes, Italic, Bold})
        BE.WriteBit(Flag);
    BE.WriteByte(LanguageCode);
    WriteFontName(BE, FontName, Version > 5);
    BE.WriteWord(static_cast<uint16_t>(NumGlyphs));
    WriteGlyphTable(BE, Glyphs, (WideOffsets ? 4 : 2) * (NumGlyphs + 1), WideOffsets, true);
    for (size_t I = 0; I < NumGlyphs; ++I) WriteCode(BE, I < CodeTable.size() ? CodeTable[I] : 0, WideCodes);
    if (!Layout) return;
    BE.WriteWord(FontAscent);
    BE.WriteWord(FontDescent);
    BE.WriteWord(static_cast<uint16_t>(FontLeading));
    for (size_t I = 0; I < NumGlyphs; ++I)
        BE.WriteWord(static_cast<uint16_t>(I < FontAdvanceTable.size() ? FontAdvanceTable[I] : 0));
    for (size_t I = 0; I < NumGlyphs; ++I)
        I < FontBoundsTable.size() ? FontBoundsTable[I].Write(BE) : BE.WriteSWFRect(recRect{});
    BE.WriteWord(static_cast<uint16_t>(FontKerningTable.size()));
    for (const TSWFKerningRecord& Kerning : FontKerningTable) {
        WriteCode(BE, Kerning.FontKerningCode1, WideCodes);
        WriteCode(BE, Kerning.FontKerningCode2, WideCodes);
        BE.WriteWord(static_cast<uint16_t>(Kerning.FontKerningAdjustment));
    }
}

void TSWFDefineFont2::ReadBody(TBitsEngine& BE) {
    FontID = BE.ReadWord();
    const uint8_t Flags = BE.ReadByte();
    HasLayout = Flags & 0x80;
    ShiftJIS = Flags & 0x40;
    SmallText = Flags & 0x20;
    ANSI = Flags & 0x10;
    const bool WideOffsets = Flags & 0x08;
    WideCodes = Flags & 0x04;
    Italic = Flags & 0x02;
    Bold = Flags & 0x01;
    LanguageCode = BE.ReadByte();
    FontName = ReadFontName(BE);
    const size_t NumGlyphs = BE.ReadWord();
    GlyphShapeTable.clear();
    CodeTable.clear();
    FontAdvanceTable.clear();
    FontBoundsTable.clear();
    FontKerningTable.clear();
    // A font without glyphs has no tables (a code table offset may follow, which is not needed).
    if (NumGlyphs == 0) return;

    const size_t OffsetSize = WideOffsets ? 4 : 2;
    CheckCount(BE, NumGlyphs + 1, OffsetSize);
    const int64_t TableStart = BE.Stream->Position();
    std::vector<uint32_t> Offsets(NumGlyphs);
    for (uint32_t& Offset : Offsets) Offset = ReadOffset(BE, WideOffsets);
    const uint32_t CodeTableOffset = ReadOffset(BE, WideOffsets);
    if (CodeTableOffset > BE.Stream->Size() - TableStart) throw ESWFError("Code table beyond the tag body");
    BE.Stream->SetPosition(TableStart);
    TBytes Region = ReadBytes(BE, CodeTableOffset);
    GlyphShapeTable = ReadGlyphs(Region, Offsets);

    CheckCount(BE, NumGlyphs, WideCodes ? 2 : 1);
    CodeTable.resize(NumGlyphs);
    for (uint16_t& Code : CodeTable) Code = ReadCode(BE, WideCodes);
    if (!HasLayout) return;
    FontAscent = BE.ReadWord();
    FontDescent = BE.ReadWord();
    FontLeading = static_cast<int16_t>(BE.ReadWord());
    CheckCount(BE, NumGlyphs, 2);
    FontAdvanceTable.resize(NumGlyphs);
    for (int16_t& Advance : FontAdvanceTable) Advance = static_cast<int16_t>(BE.ReadWord());
    CheckCount(BE, NumGlyphs, 1);
    FontBoundsTable.resize(NumGlyphs);
    for (TSWFKeptRect& Bounds : FontBoundsTable) Bounds.Read(BE);
    const size_t KerningCount = BE.ReadWord();
    CheckCount(BE, KerningCount, WideCodes ? 6 : 4);
    FontKerningTable.resize(KerningCount);
    for (TSWFKerningRecord& Kerning : FontKerningTable) {
        Kerning.FontKerningCode1 = ReadCode(BE, WideCodes);
        Kerning.FontKerningCode2 = ReadCode(BE, WideCodes);
        Kerning.FontKerningAdjustment = static_cast<int16_t>(BE.ReadWord());
    }
}
