#include <gtest/gtest.h>

#include "SWFTexts.h"

namespace {
using TBytes = std::vector<uint8_t>;

TBytes Body(TSWFObject& Record) {
    TMemoryStream S;
    TBitsEngine BE(S);
    Record.WriteTagBody(BE);
    return S.Bytes();
}

template <class T>
T Read(const TBytes& Bytes, uint8_t Version) {
    T Record;
    Record.SetReadContext({Version, false, 0});
    TBoundedReadStream S(Bytes.data(), Bytes.size());
    TBitsEngine BE(S);
    Record.ReadFromStream(BE);
    return Record;
}

template <class T>
T StaticText() {
    T Text;
    Text.CharacterID = 2;
    Text.GlyphBits = 3;
    Text.AdvanceBits = 8;
    TSWFTextRecord Record;
    Record.SetFont(1, 240);
    TSWFRGBA Color;
    Color.SetPackedRGBA(SWFRGBA(255, 0, 0, 128));
    Record.SetTextColor(Color);
    Record.SetXOffset(20);
    Record.SetYOffset(-40);
    Record.GlyphEntries = {{1, 100}, {5, -3}};
    Text.TextRecords.push_back(Record);
    return Text;
}
}  // namespace

TEST(Text, StaticTextRecords) {
    // DefineText2 writes colours with alpha, DefineText without.
    const TBytes Text2 = {0x02, 0x00, 0x00, 0x00, 0x03, 0x08,  // ID, bounds, matrix, GlyphBits, AdvanceBits
                          0x8F, 0x01, 0x00, 0xFF, 0x00, 0x00, 0x80,  // flags, font, colour
                          0x14, 0x00, 0xD8, 0xFF, 0xF0, 0x00, 0x02,  // X, Y, height, glyph count
                          0x2C, 0x97, 0xF4, 0x00};                   // (1, 100), (5, -3); end of records
    TBytes Text1 = Text2;
    Text1.erase(Text1.begin() + 12);
    auto T2 = StaticText<TSWFDefineText2>();
    auto T1 = StaticText<TSWFDefineText>();
    EXPECT_EQ(Body(T2), Text2);
    EXPECT_EQ(Body(T1), Text1);
    EXPECT_EQ(T1.MinVersion(), 1);
    EXPECT_EQ(T2.MinVersion(), 3);

    auto Back = Read<TSWFDefineText2>(Text2, 8);
    EXPECT_FALSE(Back.KeepsReadBody());
    ASSERT_EQ(Back.TextRecords.size(), 1u);
    const TSWFTextRecord& R = Back.TextRecords[0];
    EXPECT_EQ(R.FontID, 1);
    EXPECT_EQ(R.TextHeight, 240);
    EXPECT_EQ(R.TextColor.A(), 128);
    EXPECT_EQ(R.YOffset, -40);
    ASSERT_EQ(R.GlyphEntries.size(), 2u);
    EXPECT_EQ(R.GlyphEntries[1].GlyphIndex, 5u);
    EXPECT_EQ(R.GlyphEntries[1].GlyphAdvance, -3);
}

// GlyphBits and AdvanceBits are not recomputed: a value that does not fit them is refused, not cut.
TEST(Text, GlyphEntriesMustFitTheirWidths) {
    for (TSWFGlyphEntry Entry : {TSWFGlyphEntry{8, 0}, TSWFGlyphEntry{0, 128}, TSWFGlyphEntry{0, -129}}) {
        auto Text = StaticText<TSWFDefineText>();
        Text.TextRecords[0].GlyphEntries = {Entry};
        EXPECT_THROW(Body(Text), ESWFError);
    }
    auto Text = StaticText<TSWFDefineText>();
    Text.TextRecords[0].GlyphEntries.resize(256);
    Text.GlyphBits = 0;
    Text.AdvanceBits = 0;
    EXPECT_THROW(Body(Text), ESWFError);
}

TEST(Text, EditTextStringsByVersion) {
    struct TCase {
        uint8_t Version;
        bool HTML;
        std::u16string Wide;
        TBytes Strings;
    };
    const std::vector<TCase> Cases = {
        {0, false, u"", {'v', 0xE9, 0x00, 0xE9, 0x00}},  // as read: the bytes unchanged
        {6, false, u"", {'v', 0xC3, 0xA9, 0x00, 0xC3, 0xA9, 0x00}},
        {6, true, u"", {'v', 0xC3, 0xA9, 0x00, 0xE9, 0x00}},  // HTML text is written as it is
        {0, false, u"\u00E9\u4E2D", {'v', 0xE9, 0x00, 0xC3, 0xA9, 0xE4, 0xB8, 0xAD, 0x00}},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Strings.size());
        TSWFDefineEditText Edit;
        Edit.CharacterID = 1;
        Edit.Version = Case.Version;
        Edit.HTML = Case.HTML;
        Edit.VariableName = "v\xE9";
        Edit.SetInitialText("\xE9");
        if (!Case.Wide.empty()) Edit.SetWideInitialText(Case.Wide);
        TBytes Expected = {0x01, 0x00, 0x00, 0x80, static_cast<uint8_t>(Case.HTML ? 0x02 : 0x00)};
        Expected.insert(Expected.end(), Case.Strings.begin(), Case.Strings.end());
        EXPECT_EQ(Body(Edit), Expected);
    }
}

TEST(Text, EditTextFontClassFromVersion9) {
    TSWFDefineEditText Edit;
    Edit.SetFontClass("F", 240);
    EXPECT_EQ(Edit.MinVersion(), 9);
    Edit.Version = 8;
    EXPECT_EQ(Body(Edit), (TBytes{0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    Edit.Version = 9;
    const TBytes WithClass = {0x00, 0x00, 0x00, 0x00, 0x80, 'F', 0x00, 0xF0, 0x00, 0x00};
    EXPECT_EQ(Body(Edit), WithClass);

    // Read from a version 9 file, the font class stays with a record that is changed afterwards.
    auto Read9 = Read<TSWFDefineEditText>(WithClass, 9);
    EXPECT_TRUE(Read9.HasFontClass);
    EXPECT_EQ(Read9.FontClass, "F");
    Read9.CharacterID = 4;
    TBytes Changed = WithClass;
    Changed[0] = 4;
    EXPECT_EQ(Body(Read9), Changed);

    TSWFDefineEditText Sized;
    Sized.AutoSize = true;
    EXPECT_EQ(Sized.MinVersion(), 6);
    EXPECT_EQ(TSWFDefineEditText().MinVersion(), 4);
}

TEST(Text, EditTextOptionalFields) {
    TSWFDefineEditText Edit;
    Edit.CharacterID = 3;
    Edit.SetFont(1, 240);
    TSWFRGBA Color;
    Color.SetPackedRGBA(SWFRGBA(1, 2, 3, 4));
    Edit.SetTextColor(Color);
    Edit.SetMaxLength(10);
    Edit.SetLayout(2, 40, 60, 0, -20);
    const TBytes Expected = {0x03, 0x00, 0x00, 0x07, 0x20,                          // ID, bounds, flags
                             0x01, 0x00, 0xF0, 0x00,                                // font and height
                             0x01, 0x02, 0x03, 0x04, 0x0A, 0x00,                    // colour, max length
                             0x02, 0x28, 0x00, 0x3C, 0x00, 0x00, 0x00, 0xEC, 0xFF,  // layout
                             0x00};                                                 // variable name
    EXPECT_EQ(Body(Edit), Expected);
    auto Back = Read<TSWFDefineEditText>(Expected, 8);
    EXPECT_FALSE(Back.KeepsReadBody());
    EXPECT_EQ(Back.FontHeight, 240);
    EXPECT_EQ(Back.Leading, -20);
    EXPECT_EQ(Back.TextColor.A(), 4);
}

TEST(Text, CSMTextSettingsBody) {
    TSWFCSMTextSettings Settings;
    Settings.TextID = 2;
    Settings.UseFlashType = 1;
    Settings.GridFit = 2;
    Settings.Thickness = 1.0f;
    Settings.Sharpness = 2.0f;
    EXPECT_EQ(Body(Settings),
              (TBytes{0x02, 0x00, 0x50, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x40, 0x00}));
}

TEST(Text, DefinedAndReferencedIDs) {
    auto Referenced = [](TSWFObject& R) {
        std::vector<uint16_t> IDs;
        R.VisitReferences([&](uint16_t& ID) { IDs.push_back(ID); });
        return IDs;
    };
    auto Defined = [](TSWFObject& R) {
        std::vector<uint16_t> IDs;
        R.VisitDefinedIDs([&](uint16_t& ID) { IDs.push_back(ID); });
        return IDs;
    };
    auto Text = StaticText<TSWFDefineText2>();
    Text.TextRecords.push_back({});  // a record without a font change
    Text.TextRecords.push_back({});
    Text.TextRecords.back().SetFont(9, 100);
    EXPECT_EQ(Defined(Text), std::vector<uint16_t>{2});
    EXPECT_EQ(Referenced(Text), (std::vector<uint16_t>{1, 9}));

    TSWFDefineEditText Edit;
    Edit.CharacterID = 5;
    EXPECT_EQ(Defined(Edit), std::vector<uint16_t>{5});
    EXPECT_TRUE(Referenced(Edit).empty());
    Edit.SetFont(6, 100);
    EXPECT_EQ(Referenced(Edit), std::vector<uint16_t>{6});

    TSWFCSMTextSettings Settings;
    Settings.TextID = 5;
    EXPECT_TRUE(Defined(Settings).empty());
    EXPECT_EQ(Referenced(Settings), std::vector<uint16_t>{5});
}
