#include <gtest/gtest.h>

#include "SWFFonts.h"

namespace {
using TBytes = std::vector<uint8_t>;

TBytes Body(TSWFObject& Record) {
    TMemoryStream S;
    TBitsEngine BE(S);
    Record.WriteTagBody(BE);
    return S.Bytes();
}

template <class T>
T Read(const TBytes& Bytes, uint8_t Version = 8) {
    T Record;
    Record.SetReadContext({Version, false, 0});
    TBoundedReadStream S(Bytes.data(), Bytes.size());
    TBitsEngine BE(S);
    Record.ReadFromStream(BE);
    return Record;
}

// A glyph drawn from the origin by straight edges, its first record selecting no fill.
TSWFGlyphShape Glyph(std::initializer_list<std::pair<int32_t, int32_t>> Edges) {
    TSWFGlyphShape Shape;
    auto Move = std::make_unique<TSWFStyleChangeRecord>();
    Move->SetMoveTo(0, 0);
    Shape.Add(std::move(Move));
    for (auto [DX, DY] : Edges) Shape.Add(std::make_unique<TSWFStraightEdgeRecord>(DX, DY));
    return Shape;
}

TSWFDefineFont2 TwoGlyphFont() {
    TSWFDefineFont2 Font;
    Font.FontID = 1;
    Font.FontName = "Ab";
    Font.Version = 8;
    Font.WideCodes = true;
    Font.HasLayout = true;
    Font.LanguageCode = 1;
    Font.GlyphShapeTable.push_back(Glyph({{10, 0}}));
    Font.GlyphShapeTable.emplace_back();  // a glyph without outline, such as a space
    Font.CodeTable = {'A', 'B'};
    Font.FontAscent = 800;
    Font.FontDescent = 200;
    Font.FontLeading = 10;
    Font.FontAdvanceTable = {500, 600};
    Font.FontBoundsTable.resize(2);
    Font.FontKerningTable.push_back({'A', 'B', -20});
    return Font;
}

const TBytes TwoGlyphFontBody = {
    0x01, 0x00,                          // FontID
    0x84,                                // HasLayout, WideCodes
    0x01,                                // LanguageCode
    0x02, 'A',  'b',                     // FontNameLen, FontName
    0x02, 0x00,                          // NumGlyphs
    0x06, 0x00, 0x0B, 0x00,              // glyph offsets
    0x0D, 0x00,                          // code table offset
    0x10, 0x34, 0x1C, 0xC5, 0x00,        // 1 fill bit; move to 0,0 selecting fill 1; edge (10, 0); end
    0x10, 0x00,                          // an end record alone
    0x41, 0x00, 0x42, 0x00,              // codes
    0x20, 0x03, 0xC8, 0x00, 0x0A, 0x00,  // ascent, descent, leading
    0xF4, 0x01, 0x58, 0x02,              // advances
    0x00, 0x00,                          // bounds
    0x01, 0x00, 0x41, 0x00, 0x42, 0x00, 0xEC, 0xFF,  // one kerning pair
};
}  // namespace

TEST(Font, DefineFont2WritesEveryFieldInOrder) {
    TSWFDefineFont2 Font = TwoGlyphFont();
    EXPECT_EQ(Body(Font), TwoGlyphFontBody);

    auto Back = Read<TSWFDefineFont2>(TwoGlyphFontBody);
    EXPECT_FALSE(Back.KeepsReadBody());
    EXPECT_EQ(Back.FontName, "Ab");
    EXPECT_TRUE(Back.HasLayout && Back.WideCodes);
    EXPECT_FALSE(Back.ANSI || Back.Bold || Back.Italic);
    EXPECT_EQ(Back.LanguageCode, 1);
    ASSERT_EQ(Back.GlyphShapeTable.size(), 2u);
    EXPECT_EQ(Back.GlyphShapeTable[0].Count(), 3u);  // style change, edge, end
    auto& Edge = static_cast<TSWFStraightEdgeRecord&>(*Back.GlyphShapeTable[0][1]);
    EXPECT_EQ(Edge.DeltaX, 10);
    EXPECT_EQ(Back.CodeTable, (std::vector<uint16_t>{'A', 'B'}));
    EXPECT_EQ(Back.FontAscent, 800);
    EXPECT_EQ(Back.FontDescent, 200);
    EXPECT_EQ(Back.FontLeading, 10);
    EXPECT_EQ(Back.FontAdvanceTable, (std::vector<int16_t>{500, 600}));
    ASSERT_EQ(Back.FontKerningTable.size(), 1u);
    EXPECT_EQ(Back.FontKerningTable[0].FontKerningAdjustment, -20);
}

TEST(Font, DefineFont2DerivedFlags) {
    // No glyphs: ANSI is written set, HasLayout clear, and the offset table is the code table offset alone.
    TSWFDefineFont2 Device;
    Device.FontID = 2;
    Device.FontName = "_sans";
    Device.HasLayout = true;
    EXPECT_EQ(Body(Device),
              (TBytes{0x02, 0x00, 0x10, 0x00, 0x05, '_', 's', 'a', 'n', 's', 0x00, 0x00, 0x02, 0x00}));
    // Without wide codes the codes are bytes; DefineFont3 writes the same body under its own code.
    TSWFDefineFont3 Narrow;
    Narrow.GlyphShapeTable.emplace_back();
    Narrow.CodeTable = {'x'};
    EXPECT_EQ(Body(Narrow),
              (TBytes{0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x04, 0x00, 0x06, 0x00, 0x10, 0x00, 'x'}));
    EXPECT_EQ(Narrow.TagID, 75);
    EXPECT_EQ(Narrow.MinVersion(), 8);
    Narrow.CodeTable = {0x4E2D};
    EXPECT_THROW(Body(Narrow), ESWFError);
}

// 16-bit offsets as long as the glyphs fit them, whatever the glyph count; 32-bit ones beyond.
TEST(Font, DefineFont2ChoosesWideOffsetsBySize) {
    TSWFDefineFont2 Font;
    TSWFGlyphShape Big = Glyph({});
    for (int I = 0; I < 20000; ++I) Big.Add(std::make_unique<TSWFStraightEdgeRecord>(1000, 1000));
    Font.GlyphShapeTable.push_back(std::move(Big));
    Font.GlyphShapeTable.push_back(Glyph({{10, 0}}));
    Font.CodeTable = {1, 2};
    TBytes Bytes = Body(Font);
    ASSERT_GT(Bytes.size(), 65536u);
    EXPECT_EQ(Bytes[2] & 0x08, 0x08);
    EXPECT_EQ(TBytes(Bytes.begin() + 7, Bytes.begin() + 11), (TBytes{12, 0, 0, 0}));
    auto Back = Read<TSWFDefineFont2>(Bytes);
    EXPECT_EQ(Back.GlyphShapeTable[0].Count(), 20002u);
    EXPECT_EQ(Body(Back), Bytes);

    TSWFDefineFont2 Many;
    Many.GlyphShapeTable.resize(300);
    EXPECT_EQ(Body(Many)[2] & 0x08, 0);
}

// A file's own choices (here 32-bit offsets for a small font) are written back while the record is
// unchanged; a changed record is written by the rules.
TEST(Font, ReadFontKeepsItsEncodingUntilChanged) {
    TBytes Wide(TwoGlyphFontBody.begin(), TwoGlyphFontBody.begin() + 9);
    Wide[2] |= 0x08;
    for (uint32_t Offset : {12u, 17u, 19u}) Wide.insert(Wide.end(), {uint8_t(Offset), 0, 0, 0});
    Wide.insert(Wide.end(), TwoGlyphFontBody.begin() + 15, TwoGlyphFontBody.end());

    auto Font = Read<TSWFDefineFont2>(Wide);
    EXPECT_TRUE(Font.KeepsReadBody());
    EXPECT_EQ(Body(Font), Wide);
    Font.FontName = "Ab";  // the same value: nothing changed
    EXPECT_EQ(Body(Font), Wide);
    Font.FontName = "123Ab";
    TBytes Renamed = TwoGlyphFontBody;
    Renamed[4] = 5;
    Renamed.insert(Renamed.begin() + 5, {'1', '2', '3'});
    EXPECT_EQ(Body(Font), Renamed);
}

TEST(Font, DefineFontWritesOffsetsAndGlyphs) {
    TSWFDefineFont Font;
    Font.FontID = 3;
    Font.GlyphShapeTable.push_back(Glyph({{10, 0}}));
    Font.GlyphShapeTable.emplace_back();
    const TBytes Expected = {0x03, 0x00, 0x04, 0x00, 0x09, 0x00, 0x10, 0x34, 0x1C, 0xC5, 0x00, 0x10, 0x00};
    EXPECT_EQ(Body(Font), Expected);
    auto Back = Read<TSWFDefineFont>(Expected);
    EXPECT_EQ(Back.GlyphShapeTable.size(), 2u);
    EXPECT_EQ(Body(Back), Expected);

    TSWFDefineFont Empty;
    EXPECT_EQ(Body(Empty), (TBytes{0x00, 0x00}));
}

// The first record of a glyph is made to select fill style 1, with the line style flag, as Flash writes it.
TEST(Font, GlyphFirstRecordSelectsFillStyle1) {
    auto Selecting = [](bool Fill0, uint16_t Fill1) {
        TSWFDefineFont Font;
        TSWFGlyphShape Shape = Glyph({});
        auto& First = static_cast<TSWFStyleChangeRecord&>(*Shape[0]);
        if (Fill0) First.SetFillStyle0(1);
        if (Fill1 != 0xFFFF) First.SetFillStyle1(Fill1);
        Font.GlyphShapeTable.push_back(std::move(Shape));
        return Body(Font)[5];  // the flags of the first record
    };
    EXPECT_EQ(Selecting(false, 0xFFFF), 0x34);  // nothing selected: LineStyle, FillStyle1, MoveTo
    EXPECT_EQ(Selecting(false, 0), 0x34);       // fill style 1 with index 0
    EXPECT_EQ(Selecting(true, 0xFFFF), 0x0C);   // fill style 0 stays as it is: FillStyle0, MoveTo
}

TEST(Font, FontInfoNameEncodingByVersion) {
    struct TCase {
        bool Info2;
        uint8_t Version;
        std::string Name;
        TBytes Expected;
    };
    const std::string Long(300, 'x');
    const std::vector<TCase> Cases = {
        {false, 5, "Caf\xE9", {0x05, 0x00, 0x04, 'C', 'a', 'f', 0xE9, 0x00, 'a'}},
        {false, 6, "Caf\xE9", {0x05, 0x00, 0x05, 'C', 'a', 'f', 0xC3, 0xA9, 0x00, 'a'}},
        {true, 0, "Caf\xE9", {0x05, 0x00, 0x05, 'C', 'a', 'f', 0xC3, 0xA9, 0x01, 0x02, 'a', 0x00}},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Expected.size());
        std::unique_ptr<TSWFDefineFontInfo> Info;
        if (Case.Info2) {
            auto Info2 = std::make_unique<TSWFDefineFontInfo2>();
            Info2->LanguageCode = 2;
            Info2->WideCodes = false;  // DefineFontInfo2 always has wide codes
            Info = std::move(Info2);
        } else {
            Info = std::make_unique<TSWFDefineFontInfo>();
        }
        Info->FontID = 5;
        Info->FontName = Case.Name;
        Info->Version = Case.Version;
        Info->CodeTable = {'a'};
        EXPECT_EQ(Body(*Info), Case.Expected);
    }
    // A name longer than its length byte is cut before a character that does not fit whole.
    TSWFDefineFontInfo Info;
    Info.Version = 6;
    Info.FontName = std::string(254, 'x') + "\xC3\xA9";
    TBytes Bytes = Body(Info);
    EXPECT_EQ(Bytes[2], 254);
    EXPECT_EQ(Bytes.size(), 2u + 1u + 254u + 1u);
}

TEST(Font, ReadContextVersionReachesTheNameWriter) {
    TSWFDefineFontInfo Info;
    Info.SetReadContext({7, false, 0});
    EXPECT_EQ(Info.Version, 7);
    TSWFDefineFont2 Font;
    Font.SetReadContext({8, false, 0});
    EXPECT_EQ(Font.Version, 8);
}

TEST(Font, DefinedAndReferencedIDs) {
    auto Defined = [](TSWFObject& R) {
        std::vector<uint16_t> IDs;
        R.VisitDefinedIDs([&](uint16_t& ID) { IDs.push_back(ID); });
        return IDs;
    };
    auto Referenced = [](TSWFObject& R) {
        std::vector<uint16_t> IDs;
        R.VisitReferences([&](uint16_t& ID) { IDs.push_back(ID++); });
        return IDs;
    };
    TSWFDefineFont F1;
    TSWFDefineFont2 F2;
    TSWFDefineFont3 F3;
    TSWFDefineFont4 F4;
    F1.FontID = 1, F2.FontID = 2, F3.FontID = 3, F4.FontID = 4;
    for (TSWFObject* R : std::initializer_list<TSWFObject*>{&F1, &F2, &F3, &F4}) {
        EXPECT_EQ(Defined(*R).size(), 1u);
        EXPECT_TRUE(Referenced(*R).empty());
    }
    TSWFDefineFontInfo I1;
    TSWFDefineFontInfo2 I2;
    TSWFDefineFontAlignZones Zones;
    TSWFDefineFontName Name;
    I1.FontID = 7, I2.FontID = 7, Zones.FontID = 7, Name.FontID = 7;
    for (TSWFObject* R : std::initializer_list<TSWFObject*>{&I1, &I2, &Zones, &Name}) {
        EXPECT_TRUE(Defined(*R).empty());
        EXPECT_EQ(Referenced(*R), std::vector<uint16_t>{7});
        EXPECT_EQ(Referenced(*R), std::vector<uint16_t>{8});  // the visitor can renumber
    }
}

TEST(Font, AlignZonesNameAndFont4Bodies) {
    const TBytes ZonesBody = {0x01, 0x00, 0x40,  // font, medium hint
                              0x02, 0x2A, 0x33, 0x00, 0x00,
                              0x00, 0x00, 0xCE, 0x42, 0x03,  // two zones, X and Y
                              0x00, 0x02};                   // no zones, Y
    auto Zones = Read<TSWFDefineFontAlignZones>(ZonesBody);
    EXPECT_FALSE(Zones.KeepsReadBody());
    EXPECT_EQ(Zones.CSMTableHint, 1);
    ASSERT_EQ(Zones.ZoneTable.size(), 2u);
    EXPECT_EQ(Zones.ZoneTable[0].ZoneData[0].AlignmentCoordinate, 0x332A);
    EXPECT_EQ(Zones.ZoneTable[0].ZoneData[1].Range, 0x42CE);
    EXPECT_TRUE(Zones.ZoneTable[0].ZoneMaskX && Zones.ZoneTable[0].ZoneMaskY);
    EXPECT_TRUE(Zones.ZoneTable[1].ZoneData.empty());
    EXPECT_FALSE(Zones.ZoneTable[1].ZoneMaskX);

    TSWFDefineFontName Name;
    Name.FontID = 1;
    Name.FontName = "A";
    Name.FontCopyright = "\xA9";
    EXPECT_EQ(Body(Name), (TBytes{0x01, 0x00, 'A', 0x00, 0xC2, 0xA9, 0x00}));

    TSWFDefineFont4 Font4;
    Font4.FontID = 1;
    Font4.Bold = true;
    Font4.FontName = "A";
    Font4.FontData = {0x01, 0x02};
    EXPECT_EQ(Body(Font4), (TBytes{0x01, 0x00, 0x05, 'A', 0x00, 0x01, 0x02}));
    EXPECT_EQ(Read<TSWFDefineFont4>(Body(Font4)).FontData, Font4.FontData);
}
