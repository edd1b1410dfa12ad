#include <gtest/gtest.h>

#include <functional>

#include "FamilyCorpus.h"
#include "SWFFilters.h"

using namespace family;

namespace {
// The filter list of a PlaceObject3 body, located by walking the fields before it.
Bytes PlaceObject3FilterList(const Bytes& Body) {
    TBoundedReadStream S(Body.data(), Body.size());
    TBitsEngine BE(S);
    uint8_t Flags = BE.ReadByte(), Flags2 = BE.ReadByte();
    if (!(Flags2 & 0x01)) return {};
    BE.ReadWord();  // Depth
    if ((Flags2 & 0x08) || ((Flags2 & 0x10) && (Flags & 0x02))) BE.ReadString();
    if (Flags & 0x02) BE.ReadWord();
    if (Flags & 0x04) BE.ReadMatrix();
    if (Flags & 0x08) BE.ReadColorTransform(true);
    if (Flags & 0x10) BE.ReadWord();
    if (Flags & 0x20) BE.ReadString();
    if (Flags & 0x40) BE.ReadWord();
    int64_t Start = S.Position();
    TSWFFilterList Skip;
    Skip.ReadFromStream(BE);
    return Bytes(Body.begin() + Start, Body.begin() + S.Position());
}

Bytes WrittenList(const TSWFFilterList& List) {
    TMemoryStream S;
    TBitsEngine BE(S);
    List.WriteToStream(BE);
    return S.Bytes();
}

TSWFFilterList ReadList(const Bytes& B) {
    TBoundedReadStream S(B.data(), B.size());
    TBitsEngine BE(S);
    TSWFFilterList List;
    List.ReadFromStream(BE);
    EXPECT_EQ(S.Remaining(), 0);
    return List;
}
}  // namespace

TEST(Filters, PlaceObject3FilterListsWriteBackTheSameBytes) {
    TCorpusFile F = LoadCorpusFile("PlaceObject3-theworks.swf");
    std::vector<uint8_t> IDs;
    for (const auto* T : F.WithCode(70)) {
        Bytes Original = PlaceObject3FilterList(T->Body);
        if (Original.empty()) continue;
        TSWFFilterList List = ReadList(Original);
        for (const auto& Filter : List) IDs.push_back(Filter->FilterID);
        EXPECT_EQ(WrittenList(List), Original);
        TSWFFilterList Copy = List;
        EXPECT_EQ(WrittenList(Copy), Original);
    }
    EXPECT_EQ(IDs.size(), 3u);
}

TEST(Filters, BuiltFiltersWriteTheirParameters) {
    struct TCase {
        const char* Name;
        std::function<std::unique_ptr<TSWFFilter>()> Make;
        Bytes Expected;  // the filter ID byte, then the parameters
    };
    const TCase Cases[] = {
        {"DropShadow",
         [] {
             auto F = std::make_unique<TSWFDropShadowFilter>();
             F->DropShadowColor = SWFRGBA(0x11, 0x22, 0x33, 0x80);
             F->BlurX = F->BlurY = 5 << 16;
             F->InnerShadow = true;
             return F;
         },
         {0x00, 0x11, 0x22, 0x33, 0x80, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x05,
          0x00, 0x0F, 0xC9, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x01, 0xA1}},
        {"Blur",
         [] {
             auto F = std::make_unique<TSWFBlurFilter>();
             F->BlurX = 0x18000;  // 1.5
             F->Passes = 3;
             return F;
         },
         {0x01, 0x00, 0x80, 0x01, 0x00, 0x00, 0x00, 0x04, 0x00, 0x18}},
        {"GradientGlow",
         [] {
             auto F = std::make_unique<TSWFGradientGlowFilter>();
             F->GradientColors = {{SWFRGBA(255, 0, 0, 0), 0}, {SWFRGBA(0, 0, 255, 255), 255}};
             F->Angle = F->Distance = 0;
             F->Strength = 0x0280;  // 2.5
             F->OnTop = true;
             F->Passes = 2;
             return F;
         },
         {0x04, 0x02, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x04, 0x00,
          0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x02, 0x32}},
        {"Convolution with a missing matrix value",
         [] {
             auto F = std::make_unique<TSWFConvolutionFilter>();
             F->MatrixX = 2;
             F->MatrixY = 1;
             F->Matrix = {1.0f};
             F->DefaultColor = SWFRGBA(1, 2, 3, 4);
             F->Clamp = false;
             return F;
         },
         {0x05, 0x02, 0x01, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00,
          0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x01}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        TSWFFilterList List;
        List.Add(C.Make());
        Bytes Expected = C.Expected;
        Expected.insert(Expected.begin(), 0x01);  // the count byte
        EXPECT_EQ(WrittenList(List), Expected);
        EXPECT_EQ(WrittenList(ReadList(Expected)), Expected);
    }
}

TEST(Filters, UnknownOrTruncatedFiltersRaise) {
    EXPECT_THROW(ReadList({0x01, 0x08, 0x00, 0x00}), ESWFError);
    EXPECT_THROW(ReadList({0x01, 0x05, 0xFF, 0xFF, 0x00}), ESWFError);  // a 255 x 255 matrix in 3 bytes
    EXPECT_THROW(ReadList({0x02, 0x01, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x04, 0x00, 0x08}), ESWFError);
}

TEST(Filters, DamagedListsNeverCrash) {
    TCorpusFile F = LoadCorpusFile("PlaceObject3-theworks.swf");
    for (const auto* T : F.WithCode(70)) {
        Bytes Original = PlaceObject3FilterList(T->Body);
        for (size_t i = 0; i < Original.size(); ++i) {
            for (Bytes B : {Bytes(Original.begin(), Original.begin() + i), Original}) {
                if (B.size() == Original.size()) B[i] ^= 0xFF;
                try {
                    TSWFFilterList List = ReadList(B);
                    WrittenList(List);
                } catch (const ESWFError&) {
                }
            }
        }
    }
}
