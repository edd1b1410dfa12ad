#include "SWFTexts.h"

namespace {
bool FitsUnsigned(uint32_t V, uint8_t Bits) {
    return Bits >= 32 || V < (1u << Bits);
}

bool FitsSigned(int32_t V, uint8_t Bits) {
    if (Bits >= 32) return true;
    if (Bits == 0) return V == 0;
    const int64_t Half = int64_t{1} << (Bits - 1);
    return V >= -Half && V < Half;
}

std::string UTF16ToUTF8(const std::u16string& S) {
    std::string Out;
    for (size_t i = 0; i < S.size(); ++i) {
        uint32_t C = S[i];
        if (C >= 0xD800 && C < 0xDC00 && i + 1 < S.size() && S[i + 1] >= 0xDC00 && S[i + 1] < 0xE000)
            C = 0x10000 + ((C - 0xD800) << 10) + (S[++i] - 0xDC00);
        else if (C >= 0xD800 && C < 0xE000)
            C = 0xFFFD;  // an unpaired surrogate has no UTF-8 form
        if (C < 0x80) {
            Out.push_back(static_cast<char>(C));
        } else if (C < 0x800) {
            Out.push_back(static_cast<char>(0xC0 | (C >> 6)));
            Out.push_back(static_cast<char>(0x80 | (C & 0x3F)));
        } else if (C < 0x10000) {
            Out.push_back(static_cast<char>(0xE0 | (C >> 12)));
            Out.push_back(static_cast<char>(0x80 | ((C >> 6) & 0x3F)));
            Out.push_back(static_cast<char>(0x80 | (C & 0x3F)));
        } else {
            Out.push_back(static_cast<char>(0xF0 | (C >> 18)));
            Out.push_back(static_cast<char>(0x80 | ((C >> 12) & 0x3F)));
            Out.push_back(static_cast<char>(0x80 | ((C >> 6) & 0x3F)));
            Out.push_back(static_cast<char>(0x80 | (C & 0x3F)));
        }
    }
    return Out;
}
}  // namespace

void TSWFDefineText::VisitReferences(const TIDVisitor& Visit) {
    for (TSWFTextRecord& Record : TextRecords)
        if (Record.HasFont) Visit(Record.FontID);
}

void TSWFDefineText::WriteBody(TBitsEngine& BE) {
    if (GlyphBits > 32 || AdvanceBits > 32) throw ESWFError("Glyph field wider than 32 bits");
    BE.WriteWord(CharacterID);
    TextBounds.Write(BE);
    TextMatrix.Write(BE);
    BE.WriteByte(GlyphBits);
    BE.WriteByte(AdvanceBits);
    for (const TSWFTextRecord& Record : TextRecords) {
        if (Record.GlyphEntries.size() > 255) throw ESWFError("More than 255 glyphs in one text record");
        // TextRecordType 1, three reserved bits, HasFont, HasColor, HasYOffset, HasXOffset.
        BE.WriteByte(static_cast<uint8_t>(0x80 | Record.HasFont << 3 | Record.HasColor << 2 |
                                          Record.HasYOffset << 1 | Record.HasXOffset));
        if (Record.HasFont) BE.WriteWord(Record.FontID);
        if (Record.HasColor) Record.TextColor.Write(BE, ColorsWithAlpha());
        if (Record.HasXOffset) BE.WriteWord(static_cast<uint16_t>(Record.XOffset));
        if (Record.HasYOffset) BE.WriteWord(static_cast<uint16_t>(Record.YOffset));
        if (Record.HasFont) BE.WriteWord(Record.TextHeight);
        BE.WriteByte(static_cast<uint8_t>(Record.GlyphEntries.size()));
        for (const TSWFGlyphEntry& Entry : Record.GlyphEntries) {
            if (!FitsUnsigned(Entry.GlyphIndex, GlyphBits) || !FitsSigned(Entry.GlyphAdvance, AdvanceBits))
                throw ESWFError("Glyph entry does not fit GlyphBits or AdvanceBits");
            BE.WriteBits(Entry.GlyphIndex, GlyphBits);
            BE.WriteBits(Entry.GlyphAdvance, AdvanceBits);
        }
        BE.FlushLastByte(true);
    }
    BE.WriteByte(0);
}

void TSWFDefineText::ReadBody(TBitsEngine& BE) {
    CharacterID = BE.ReadWord();
    TextBounds.Read(BE);
    TextMatrix.Read(BE);
    GlyphBits = BE.ReadByte();
    AdvanceBits = BE.ReadByte();
    if (GlyphBits > 32 || AdvanceBits > 32) throw ESWFError("Glyph field wider than 32 bits");
    TextRecords.clear();
    // The records end with a 0 byte; a body cut short before it is taken as ending there.
    while (BE.Stream->Remaining() > 0) {
        uint8_t Flags = BE.ReadByte();
        if (Flags == 0) break;
        if (!(Flags & 0x80)) throw ESWFError("Bad text record");
        TSWFTextRecord Record;
        Record.HasFont = Flags & 0x08;
        Record.HasColor = Flags & 0x04;
        Record.HasYOffset = Flags & 0x02;
        Record.HasXOffset = Flags & 0x01;
        if (Record.HasFont) Record.FontID = BE.ReadWord();
        if (Record.HasColor) Record.TextColor.Read(BE, ColorsWithAlpha());
        if (Record.HasXOffset) Record.XOffset = static_cast<int16_t>(BE.ReadWord());
        if (Record.HasYOffset) Record.YOffset = static_cast<int16_t>(BE.ReadWord());
        if (Record.HasFont) Record.TextHeight = BE.ReadWord();
        Record.GlyphEntries.resize(BE.ReadByte());
        for (TSWFGlyphEntry& Entry : Record.GlyphEntries) {
            Entry.GlyphIndex = BE.GetBits(GlyphBits);
            Entry.GlyphAdvance = BE.GetSBits(AdvanceBits);
        }
        BE.FlushLastByte(false);
        TextRecords.push_back(std::move(Record));
    }
}

int TSWFDefineEditText::MinVersion() const {
    if (HasFontClass) return 9;
    return AutoSize ? 6 : 4;
}

void TSWFDefineEditText::SetFont(uint16_t ID, uint16_t Height) {
    FontID = ID;
    FontHeight = Height;
    HasFont = true;
}

void TSWFDefineEditText::SetFontClass(const std::string& Name, uint16_t Height) {
    FontClass = Name;
    FontHeight = Height;
    HasFontClass = true;
}

void TSWFDefineEditText::SetTextColor(const TSWFRGBA& Color) {
    TextColor = Color;
    HasTextColor = true;
}

void TSWFDefineEditText::SetMaxLength(uint16_t Length) {
    MaxLength = Length;
    HasMaxLength = true;
}

void TSWFDefineEditText::SetLayout(uint8_t Alignment, uint16_t Left, uint16_t Right, uint16_t FirstIndent,
                                   int16_t LineLeading) {
    Align = Alignment;
    LeftMargin = Left;
    RightMargin = Right;
    Indent = FirstIndent;
    Leading = LineLeading;
    HasLayout = true;
}

void TSWFDefineEditText::SetInitialText(const std::string& Text) {
    InitialText = Text;
    HasText = true;
}

void TSWFDefineEditText::SetWideInitialText(const std::u16string& Text) {
    WideInitialText = Text;
    HasText = true;
}

void TSWFDefineEditText::WriteBody(TBitsEngine& BE) {
    const bool WithFontClass = FontClassWritten();
    BE.WriteWord(CharacterID);
    Bounds.Write(BE);
    for (bool Flag : {HasText, WordWrap, Multiline, Password, ReadOnly, HasTextColor, HasMaxLength, HasFont,
                      WithFontClass, AutoSize, HasLayout, NoSelect, Border, WasStatic, HTML, UseOutlines})
        BE.WriteBit(Flag);
    if (HasFont) BE.WriteWord(FontID);
    if (WithFontClass) BE.WriteString(FontClass, true, true);
    if (HasFont || WithFontClass) BE.WriteWord(FontHeight);
    if (HasTextColor) TextColor.Write(BE, true);
    if (HasMaxLength) BE.WriteWord(MaxLength);
    if (HasLayout) {
        BE.WriteByte(Align);
        BE.WriteWord(LeftMargin);
        BE.WriteWord(RightMargin);
        BE.WriteWord(Indent);
        BE.WriteWord(static_cast<uint16_t>(Leading));
    }
    BE.WriteString(VariableName, true, Version > 5);
    if (HasText) {
        if (!WideInitialText.empty())
            BE.WriteString(UTF16ToUTF8(WideInitialText));
        else
            BE.WriteString(InitialText, true, Version > 5 && !HTML);
    }
}

void TSWFDefineEditText::ReadBody(TBitsEngine& BE) {
    CharacterID = BE.ReadWord();
    Bounds.Read(BE);
    uint16_t Flags = BE.ReadSwapWord();  // sixteen flags, the first in the most significant bit
    auto Flag = [Flags](int Bit) { return (Flags >> (15 - Bit) & 1) != 0; };
    HasText = Flag(0);
    WordWrap = Flag(1);
    Multiline = Flag(2);
    Password = Flag(3);
    ReadOnly = Flag(4);
    HasTextColor = Flag(5);
    HasMaxLength = Flag(6);
    HasFont = Flag(7);
    HasFontClass = FileVersion_ >= 9 && Flag(8);
    AutoSize = Flag(9);
    HasLayout = Flag(10);
    NoSelect = Flag(11);
    Border = Flag(12);
    WasStatic = Flag(13);
    HTML = Flag(14);
    UseOutlines = Flag(15);
    if (HasFont) FontID = BE.ReadWord();
    if (HasFontClass) FontClass = BE.ReadString();
    if (HasFont || HasFontClass) FontHeight = BE.ReadWord();
    if (HasTextColor) TextColor.Read(BE, true);
    if (HasMaxLength) MaxLength = BE.ReadWord();
    if (HasLayout) {
        Align = BE.ReadByte();
        LeftMargin = BE.ReadWord();
        RightMargin = BE.ReadWord();
        Indent = BE.ReadWord();
        Leading = static_cast<int16_t>(BE.ReadWord());
    }
    VariableName = BE.ReadString();
    WideInitialText.clear();
    InitialText = HasText ? BE.ReadString() : std::string();
}

void TSWFCSMTextSettings::WriteBody(TBitsEngine& BE) {
    BE.WriteWord(TextID);
    BE.WriteBits(static_cast<uint32_t>(UseFlashType), 2);
    BE.WriteBits(static_cast<uint32_t>(GridFit), 3);
    BE.WriteBits(0u, 3);
    BE.WriteFloat(Thickness);
    BE.WriteFloat(Sharpness);
    BE.WriteByte(0);
}

void TSWFCSMTextSettings::ReadBody(TBitsEngine& BE) {
    TextID = BE.ReadWord();
    uint8_t Flags = BE.ReadByte();
    UseFlashType = Flags >> 6;
    GridFit = (Flags >> 3) & 7;
    Thickness = BE.ReadFloat();
    Sharpness = BE.ReadFloat();
}
