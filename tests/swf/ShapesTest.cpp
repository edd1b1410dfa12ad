#include <gtest/gtest.h>

#include "SWFShapes.h"

namespace {
using Bytes = std::vector<uint8_t>;

// Bytes of a bit string such as "11 0010 0"; spaces are ignored, the last byte is padded with zeros.
Bytes FromBits(std::string S) {
    std::erase(S, ' ');
    S.append((8 - S.size() % 8) % 8, '0');
    Bytes Out;
    for (size_t I = 0; I < S.size(); I += 8)
        Out.push_back(static_cast<uint8_t>(std::stoi(S.substr(I, 8), nullptr, 2)));
    return Out;
}

Bytes BodyOf(TSWFObject& Tag) {
    TMemoryStream S;
    TBitsEngine BE(S);
    Tag.WriteTagBody(BE);
    BE.FlushLastByte(true);
    return S.Bytes();
}
Bytes BodyOf(TSWFObject&& Tag) {
    return BodyOf(Tag);
}

Bytes RecordsBytes(TSWFShapeRecordList& Records, uint8_t FillBits = 0, uint8_t LineBits = 0) {
    TMemoryStream S;
    TBitsEngine BE(S);
    WriteShapeRecords(BE, Records, FillBits, LineBits, true);
    BE.FlushLastByte(true);
    return S.Bytes();
}

TSWFShapeRecordList ReadRecords(const Bytes& B, uint8_t FillBits = 0, uint8_t LineBits = 0) {
    TBoundedReadStream In(B.data(), B.size());
    TBitsEngine BE(In);
    TSWFShapeRecordList Records;
    ReadShapeRecords(BE, Records, FillBits, LineBits, true, false);
    return Records;
}

template <class T>
T ReadTag(const Bytes& Body) {
    T Tag;
    TBoundedReadStream In(Body.data(), Body.size());
    TBitsEngine BE(In);
    Tag.ReadFromStream(BE);
    return Tag;
}

template <class... R>
TSWFShapeRecordList List(std::unique_ptr<R>... Items) {
    TSWFShapeRecordList L;
    (L.Add(std::move(Items)), ...);
    return L;
}

std::unique_ptr<TSWFStraightEdgeRecord> Line(int32_t DX, int32_t DY) {
    return std::make_unique<TSWFStraightEdgeRecord>(DX, DY);
}

std::unique_ptr<TSWFCurvedEdgeRecord> Curve(int32_t CX, int32_t CY, int32_t AX, int32_t AY) {
    return std::make_unique<TSWFCurvedEdgeRecord>(CX, CY, AX, AY);
}

std::unique_ptr<TSWFStyleChangeRecord> Styles(uint16_t Fill0, uint16_t Fill1, uint16_t LineStyle) {
    auto S = std::make_unique<TSWFStyleChangeRecord>();
    if (Fill0) S->SetFillStyle0(Fill0);
    if (Fill1) S->SetFillStyle1(Fill1);
    if (LineStyle) S->SetLineStyle(LineStyle);
    return S;
}
}  // namespace

TEST(Shapes, RedSquareInDefineShape3) {
    TSWFDefineShape3 Shape;
    Shape.ShapeID = 1;
    Shape.ShapeBounds.SetRect({0, 0, 2000, 2000});
    auto* Fill = Shape.FillStyles.Add(std::make_unique<TSWFColorFill>());
    Fill->Color.SetPackedRGB(0x0000FF);
    auto* Move = Shape.Records.Add(std::make_unique<TSWFStyleChangeRecord>());
    Move->SetMoveTo(0, 0);
    Move->SetFillStyle1(1);
    for (auto [DX, DY] : {std::pair{2000, 0}, {0, 2000}, {-2000, 0}, {0, -2000}})
        Shape.Records.Add(std::make_unique<TSWFStraightEdgeRecord>(DX, DY));

    const Bytes Expected = {0x01, 0x00,                                      // ShapeID
                            0x60, 0x00, 0x3E, 0x80, 0x00, 0x3E, 0x80,        // bounds
                            0x01, 0x00, 0xFF, 0x00, 0x00, 0xFF,              // one solid red fill with alpha
                            0x00,                                            // no line styles
                            0x10,                                            // NumFillBits 1, NumLineBits 0
                            0x14, 0x1E, 0x87, 0xD0, 0xE9, 0x7D, 0x0E, 0x88,  // records
                            0x30, 0xE9, 0x83, 0x00, 0x00};
    ASSERT_EQ(BodyOf(Shape), Expected);

    auto Back = ReadTag<TSWFDefineShape3>(Expected);
    EXPECT_EQ(BodyOf(Back), Expected);
    ASSERT_EQ(Back.Records.Count(), 6u);
    auto& S = static_cast<TSWFStyleChangeRecord&>(*Back.Records[0]);
    EXPECT_EQ(S.FillStyle1(), 1);
    EXPECT_TRUE(S.StateFillStyle1 && S.StateMoveTo && !S.StateFillStyle0);
    EXPECT_EQ(static_cast<TSWFStraightEdgeRecord&>(*Back.Records[3]).DeltaX, -2000);
    EXPECT_EQ(Back.Records[5]->ShapeRecType, rtEndShape);
}

TEST(Shapes, StyleCountsOf255AndMoreUseTheLongForm) {
    TSWFDefineShape Shape;
    for (int I = 0; I < 255; ++I) Shape.FillStyles.Add(std::make_unique<TSWFColorFill>());
    Bytes Body = BodyOf(Shape);
    // ShapeID, the zero RECT byte, then the count.
    EXPECT_EQ(Bytes(Body.begin() + 3, Body.begin() + 6), Bytes({0xFF, 0xFF, 0x00}));
    EXPECT_EQ(Body[6 + 255 * 4 + 1], 0x80) << "NumFillBits 8, NumLineBits 0";
    EXPECT_EQ(BodyOf(ReadTag<TSWFDefineShape>(Body)), Body);
}

// The shape writer's rules for style change records, end records and edge encodings.
TEST(Shapes, RecordsAreWrittenByTheWriterRules) {
    struct TCase {
        const char* Name;
        std::function<TSWFShapeRecordList()> Records;
        uint8_t FillBits, LineBits;
        const char* ExpectedBits;
    };
    const TCase Cases[] = {
        {"line style without line styles becomes a move",
         [] {
             auto S = Styles(0, 0, 1);
             S->MoveDeltaX = 10;
             S->MoveDeltaY = -10;
             return List(std::move(S));
         },
         0, 0, "000001 00101 01010 10110  000000"},
        {"fill styles in 2 bits", [] { return List(Styles(2, 3, 0)); }, 2, 0, "000110 10 11  000000"},
        {"no records", [] { return List(); }, 0, 0, "000000"},
        {"straight (5,0)", [] { return List(Line(5, 0)); }, 0, 0, "11 0010 0 0 0101  000000"},
        {"straight (0,0)", [] { return List(Line(0, 0)); }, 0, 0, "11 0000 0 1 00  000000"},
        {"general line (3,-4)", [] { return List(Line(3, -4)); }, 0, 0, "11 0010 1 0011 1100  000000"},
        {"curve of zeros writes nothing", [] { return List(Curve(0, 0, 0, 0)); }, 0, 0, "000000"},
        {"curve (1,2,3,-4)", [] { return List(Curve(1, 2, 3, -4)); }, 0, 0,
         "10 0010 0001 0010 0011 1100  000000"},
        {"inner end skipped, final end added",
         [] { return List(Line(5, 0), std::make_unique<TSWFEndShapeRecord>(), Line(0, 5)); }, 0, 0,
         "11 0010 0 0 0101  11 0010 0 1 0101  000000"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        auto Records = C.Records();
        EXPECT_EQ(RecordsBytes(Records, C.FillBits, C.LineBits), FromBits(C.ExpectedBits));
    }
}

// Encodings a file may choose beyond the minimal ones are kept while the values still fit them.
TEST(Shapes, RecordsReadFromAFileWriteBackTheirEncoding) {
    const struct {
        const char* Name;
        const char* Bits;
        uint8_t FillBits;
    } Cases[] = {
        {"edge NumBits wider than needed", "11 0110 0 0 00000101  000000", 0},
        {"general line with a zero delta", "11 0000 1 00 01  000000", 0},
        {"horizontal line of length 0", "11 0000 0 0 00  000000", 0},
        {"curve of zeros", "10 0000 00 00 00 00  000000", 0},
        {"curve NumBits wider than needed", "10 0011 00001 00010 00011 11100  000000", 0},
        {"move bits wider than needed", "000001 01000 00000011 11111101  000000", 0},
        {"fill style flag with zero-width indices", "000011 00000  000000", 0},
        {"fill index wider than the style count needs", "000100 0001  000000", 4},
        {"new styles with wide index bits",
         "010000 / 00000001 00000000 00010001 00100010 00110011 00000000 / 0100 0000  000100 0001  000000",
         0},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        std::string Bits = C.Bits;
        // A '/' marks a byte boundary: new style arrays start and end on one.
        Bytes Input;
        for (size_t From = 0;;) {
            size_t To = Bits.find('/', From);
            Bytes Part = FromBits(Bits.substr(From, To == std::string::npos ? std::string::npos : To - From));
            Input.insert(Input.end(), Part.begin(), Part.end());
            if (To == std::string::npos) break;
            From = To + 1;
        }
        TBoundedReadStream In(Input.data(), Input.size());
        TBitsEngine BE(In);
        TSWFShapeRecordList Records;
        ReadShapeRecords(BE, Records, C.FillBits, 0, false, false);
        TSWFShapeRecordList Copy = Records;
        TMemoryStream Out;
        TBitsEngine W(Out);
        WriteShapeRecords(W, Copy, C.FillBits, 0, false);
        W.FlushLastByte(true);
        EXPECT_EQ(Out.Bytes(), Input);
    }
}

TEST(Shapes, KeptWidthsGiveWayToValuesThatNoLongerFit) {
    auto Records = ReadRecords(FromBits("11 0000 0 0 01  000001 00010 01 11  000000"));
    static_cast<TSWFStraightEdgeRecord&>(*Records[0]).DeltaX = 100;
    static_cast<TSWFStyleChangeRecord&>(*Records[1]).MoveDeltaY = 2;
    EXPECT_EQ(RecordsBytes(Records), FromBits("11 0110 0 0 01100100  000001 00011 001 010  000000"));
}

TEST(Shapes, DefineShape4StrokeFlagsFollowTheLineStyles) {
    TSWFDefineShape4 Shape;
    auto* Line = static_cast<TSWFLineStyle2*>(Shape.LineStyles.Add(std::make_unique<TSWFLineStyle2>()));
    Line->NoHScaleFlag = true;
    Bytes Body = BodyOf(Shape);
    // ShapeID, ShapeBounds and EdgeBounds (one zero byte each), then the stroke byte.
    EXPECT_EQ(Body[4], 0x02);

    // Read back, the flags are kept; a line style that scales again adds the scaling flag.
    auto Back = ReadTag<TSWFDefineShape4>(Body);
    EXPECT_EQ(BodyOf(Back), Body);
    static_cast<TSWFLineStyle2&>(*Back.LineStyles[0]).NoHScaleFlag = false;
    EXPECT_EQ(BodyOf(Back)[4], 0x01);
}

TEST(Shapes, LineStyle2WithFillAndMiterJoin) {
    TSWFDefineShape4 Shape;
    auto* Line = static_cast<TSWFLineStyle2*>(Shape.LineStyles.Add(std::make_unique<TSWFLineStyle2>()));
    Line->Width = 40;
    Line->JoinStyle = 2;
    Line->MiterLimitFactor = 3.5f;
    Line->HasFillFlag = true;
    auto* Fill = static_cast<TSWFImageFill*>(Line->FillType(fsRepeatingBitmap));
    Fill->BitmapID = 7;
    EXPECT_TRUE(Fill->HasAlpha);
    EXPECT_EQ(Line->FillType(), Fill);
    Bytes Body = BodyOf(Shape);
    // Count, width, flags (JoinStyle 2, HasFillFlag), miter 3.5 as 8.8, the bitmap fill.
    EXPECT_EQ(Bytes(Body.begin() + 6, Body.begin() + 16),
              Bytes({0x01, 0x28, 0x00, 0x28, 0x00, 0x80, 0x03, 0x40, 0x07, 0x00}));
    EXPECT_EQ(BodyOf(ReadTag<TSWFDefineShape4>(Body)), Body);
}

TEST(Shapes, GradientsWriteTheirModesStopsAndFocalPoint) {
    TSWFDefineShape3 Shape;
    auto* G =
        static_cast<TSWFFocalGradientFill*>(Shape.FillStyles.Add(std::make_unique<TSWFFocalGradientFill>()));
    G->SpreadMode = 1;
    G->InterpolationMode = 1;
    TSWFRGBA Red(true);
    Red.SetPackedRGBA(0x800000FF);
    G->AddGradient(0, Red);
    G->AddGradient(255, TSWFRGBA(true));
    G->SetFocalPointValue(-2.0f);
    EXPECT_EQ(G->FocalPoint, -255);
    EXPECT_FLOAT_EQ(G->FocalPointValue(), -1.0f);
    G->SetFocalPointValue(0.5f);
    Bytes Body = BodyOf(Shape);
    EXPECT_EQ(Bytes(Body.begin() + 3, Body.begin() + 19),
              Bytes({0x01, 0x13, 0x00, 0x52, 0x00, 0xFF, 0x00, 0x00, 0x80, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x80,
                     0x00}));
    EXPECT_EQ(BodyOf(ReadTag<TSWFDefineShape3>(Body)), Body);
}

TEST(Shapes, CopiesAreDeepAndReferencesReachEveryBitmapFill) {
    TSWFDefineShape4 Shape;
    Shape.ShapeID = 3;
    auto* Fill = static_cast<TSWFImageFill*>(Shape.FillStyles.Add(CreateFillStyle(fsClippedBitmap)));
    Fill->BitmapID = 10;
    auto* Line = static_cast<TSWFLineStyle2*>(Shape.LineStyles.Add(std::make_unique<TSWFLineStyle2>()));
    Line->HasFillFlag = true;
    static_cast<TSWFImageFill*>(Line->FillType(fsRepeatingBitmapNotSmoothed))->BitmapID = 11;
    auto* Change = Shape.Records.Add(std::make_unique<TSWFStyleChangeRecord>());
    auto* NewFill =
        static_cast<TSWFImageFill*>(Change->NewFillStyles().Add(CreateFillStyle(fsRepeatingBitmap)));
    NewFill->BitmapID = 12;
    Change->NewFillStyles().Add(std::make_unique<TSWFColorFill>());
    EXPECT_TRUE(Change->StateNewStyles);

    auto Copy = Shape.Clone();
    auto& C = static_cast<TSWFDefineShape4&>(*Copy);
    std::vector<uint16_t> Seen;
    C.VisitReferences([&](uint16_t& ID) {
        Seen.push_back(ID);
        ID += 100;
    });
    EXPECT_EQ(Seen, std::vector<uint16_t>({10, 11, 12}));
    C.VisitDefinedIDs([](uint16_t& ID) { ID = 99; });
    EXPECT_EQ(C.ShapeID, 99);
    // The original keeps its IDs; the copy writes the new ones.
    EXPECT_EQ(Fill->BitmapID, 10);
    EXPECT_EQ(NewFill->BitmapID, 12);
    auto Back = ReadTag<TSWFDefineShape4>(BodyOf(C));
    std::vector<uint16_t> Written;
    Back.VisitReferences([&](uint16_t& ID) { Written.push_back(ID); });
    EXPECT_EQ(Written, std::vector<uint16_t>({110, 111, 112}));
}

TEST(Shapes, DamagedBodiesRaiseInsteadOfReadingOutOfBounds) {
    TSWFDefineShape4 Shape;
    Shape.FillStyles.Add(CreateFillStyle(fsLinearGradient));
    Shape.LineStyles.Add(std::make_unique<TSWFLineStyle2>());
    auto* Change = Shape.Records.Add(std::make_unique<TSWFStyleChangeRecord>());
    Change->SetMoveTo(100, 100);
    Change->NewLineStyles().Add(std::make_unique<TSWFLineStyle2>());
    Shape.Records.Add(std::make_unique<TSWFCurvedEdgeRecord>(10, 20, 30, 40));
    Bytes Body = BodyOf(Shape);
    for (size_t N = 0; N < Body.size(); ++N) {
        Bytes Cut(Body.begin(), Body.begin() + static_cast<std::ptrdiff_t>(N));
        EXPECT_THROW(ReadTag<TSWFDefineShape4>(Cut), ESWFError) << N << " bytes";
    }
    Bytes BadFill = {0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x05};
    EXPECT_THROW(ReadTag<TSWFDefineShape4>(BadFill), ESWFError);
}
