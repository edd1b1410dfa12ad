#include "SWFFonts.h"

namespace {
std::vector<uint8_t> ReadRest(TBitsEngine& BE) {
    std::vector<uint8_t> Bytes(static_cast<size_t>(BE.Stream->Remaining()));
    BE.ReadBytes(Bytes.data(), Bytes.size());
    return Bytes;
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
}  // namespace

void TSWFKeptBodyObject::WriteTagBody(TBitsEngine& BE) {
    std::vector<uint8_t> Now = Encoded();
    const std::vector<uint8_t>& Bytes = !ReadBody_.empty() && Now == ReadEncoding_ ? ReadBody_ : Now;
    BE.WriteBytes(Bytes.data(), Bytes.size());
}

void TSWFKeptBodyObject::ReadFromStream(TBitsEngine& BE) {
    ReadBody_.clear();
    ReadEncoding_.clear();
    std::vector<uint8_t> Body = ReadRest(BE);
    TBoundedReadStream Stream(Body.data(), Body.size());
    TBitsEngine Reader(Stream);
    ReadBody(Reader);
    std::vector<uint8_t> Encoding = Encoded();
    if (Encoding != Body) {
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
