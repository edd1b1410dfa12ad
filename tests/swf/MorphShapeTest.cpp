#include <gtest/gtest.h>

#include "SWFMorphShapes.h"

namespace {
using Bytes = std::vector<uint8_t>;

Bytes BodyOf(TSWFObject& Tag) {
    TMemoryStream S;
    TBitsEngine BE(S);
    Tag.WriteTagBody(BE);
    BE.FlushLastByte(true);
    return S.Bytes();
}

template <class T>
T ReadTag(const Bytes& Body) {
    T Tag;
    TBoundedReadStream In(Body.data(), Body.size());
    TBitsEngine BE(In);
    Tag.ReadFromStream(BE);
    return Tag;
}

uint32_t OffsetField(const Bytes& Body, size_t At) {
    return Body[At] | Body[At + 1] << 8 | Body[At + 2] << 16 | static_cast<uint32_t>(Body[At + 3]) << 24;
}

// A square-to-line morph: a solid fill and one line style, a move and an edge at each end.
template <class T>
T SimpleMorph() {
    T M;
    M.CharacterId = 4;
    auto* Fill = M.MorphFillStyles.Add(std::make_unique<TSWFMorphFillStyle>());
    Fill->EndColor.SetPackedRGBA(0x8000FF00);
    M.MorphLineStyles.Add(
        std::make_unique<typename std::conditional_t<std::is_same_v<T, TSWFDefineMorphShape2>,
                                                     TSWFMorphLineStyle2, TSWFMorphLineStyle>>());
    auto* Start = M.StartEdges.Add(std::make_unique<TSWFStyleChangeRecord>());
    Start->SetMoveTo(20, 20);
    Start->SetFillStyle1(1);
    Start->SetLineStyle(1);
    M.StartEdges.Add(std::make_unique<TSWFStraightEdgeRecord>(100, 0));
    M.EndEdges.Add(std::make_unique<TSWFStyleChangeRecord>())->SetMoveTo(40, 40);
    M.EndEdges.Add(std::make_unique<TSWFStraightEdgeRecord>(0, 300));
    return M;
}
}  // namespace

TEST(MorphShape, OffsetPointsAtTheEndEdgesAndIsRecomputed) {
    auto M = SimpleMorph<TSWFDefineMorphShape>();
    Bytes Body = BodyOf(M);
    // CharacterId, two zero RECT bytes, then Offset; the end edges start with their zero bit-width byte.
    uint32_t Offset = OffsetField(Body, 4);
    ASSERT_LT(8 + Offset, Body.size());
    EXPECT_EQ(Body[8 + Offset], 0x00);
    EXPECT_EQ(Bytes(Body.begin() + 8, Body.begin() + 21),
              Bytes({0x01, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x80, 0x01, 0x00, 0x00}))
        << "one solid fill (start and end RGBA), one line style";

    auto Back = ReadTag<TSWFDefineMorphShape>(Body);
    EXPECT_EQ(BodyOf(Back), Body);
    ASSERT_EQ(Back.EndEdges.Count(), 3u);
    EXPECT_EQ(static_cast<TSWFStraightEdgeRecord&>(*Back.EndEdges[1]).DeltaY, 300);

    Back.StartEdges.Insert(2, std::make_unique<TSWFCurvedEdgeRecord>(1000, 1000, -1000, 1000));
    Bytes Longer = BodyOf(Back);
    EXPECT_EQ(OffsetField(Longer, 4), Offset + (Longer.size() - Body.size()));
    auto Again = ReadTag<TSWFDefineMorphShape>(Longer);
    EXPECT_EQ(Again.StartEdges.Count(), 4u);
    EXPECT_EQ(static_cast<TSWFStraightEdgeRecord&>(*Again.EndEdges[1]).DeltaY, 300);
}

TEST(MorphShape, MorphShape2StylesWithFillsAndReferences) {
    auto M = SimpleMorph<TSWFDefineMorphShape2>();
    M.MorphFillStyles[0]->FillStyleType = fsClippedBitmap;
    M.MorphFillStyles[0]->BitmapID = 8;
    auto& Line = static_cast<TSWFMorphLineStyle2&>(*M.MorphLineStyles[0]);
    Line.NoVScaleFlag = true;
    Line.JoinStyle = 2;
    Line.MiterLimitFactor = 2;
    Line.HasFillFlag = true;
    auto Gradient = std::make_unique<TSWFMorphFillStyle>();
    Gradient->FillStyleType = fsFocalGradient;
    Gradient->SpreadMode = 2;
    Gradient->Gradient.resize(2);
    Gradient->EndFocalPoint = -128;
    Line.FillType.Reset(std::move(Gradient));

    Bytes Body = BodyOf(M);
    // CharacterId and four zero RECT bytes, then the stroke byte.
    EXPECT_EQ(Body[6], 0x02);
    auto Back = ReadTag<TSWFDefineMorphShape2>(Body);
    EXPECT_EQ(BodyOf(Back), Body);
    auto& BackLine = static_cast<TSWFMorphLineStyle2&>(*Back.MorphLineStyles[0]);
    ASSERT_TRUE(BackLine.FillType);
    EXPECT_EQ(BackLine.FillType->EndFocalPoint, -128);
    EXPECT_EQ(BackLine.FillType->Gradient.size(), 2u);
    EXPECT_FLOAT_EQ(BackLine.MiterLimitFactor, 2.0f);

    auto Copy = Back.Clone();
    auto& C = static_cast<TSWFDefineMorphShape2&>(*Copy);
    static_cast<TSWFMorphLineStyle2&>(*C.MorphLineStyles[0]).FillType->FillStyleType = fsRepeatingBitmap;
    EXPECT_EQ(BackLine.FillType->FillStyleType, fsFocalGradient) << "the copy owns its own line fill";
    std::vector<uint16_t> IDs;
    C.VisitReferences([&](uint16_t& ID) { IDs.push_back(ID); });
    EXPECT_EQ(IDs, std::vector<uint16_t>({8, 0}));
    C.VisitDefinedIDs([&](uint16_t& ID) { ID = 50; });
    EXPECT_EQ(C.CharacterId, 50);
    EXPECT_EQ(Back.CharacterId, 4);
}

TEST(MorphShape, DamagedBodiesRaise) {
    auto M = SimpleMorph<TSWFDefineMorphShape2>();
    Bytes Body = BodyOf(M);
    for (size_t N = 0; N < Body.size(); ++N) {
        Bytes Cut(Body.begin(), Body.begin() + static_cast<std::ptrdiff_t>(N));
        EXPECT_THROW(ReadTag<TSWFDefineMorphShape2>(Cut), ESWFError) << N << " bytes";
    }
    // An Offset pointing back into the start edges, or past the body.
    for (uint32_t Offset : {1u, 0xFFFFFFF0u}) {
        Bytes Bad = Body;
        for (int I = 0; I < 4; ++I) Bad[7 + I] = static_cast<uint8_t>(Offset >> (8 * I));
        EXPECT_THROW(ReadTag<TSWFDefineMorphShape2>(Bad), ESWFError) << Offset;
    }
}
