#include <gtest/gtest.h>

#include "FamilyCorpus.h"
#include "SWFButtons.h"

using namespace family;

namespace {
struct TButtonCase {
    const char* File;
    uint16_t Code;
};
const TButtonCase ButtonCases[] = {
    {"DefineButton-MX.swf", 7},
    {"DefineButton2-CS6.swf", 34},
    {"DefineButtonCxformSound-MX.swf", 7},
    {"DefineButtonCxformSound-MX.swf", 23},
    {"DefineButtonCxformSound-MX.swf", 17},
};

std::unique_ptr<TSWFActionByteCode> RawAction(Bytes B) {
    auto A = std::make_unique<TSWFActionByteCode>();
    A->SetBytes(std::move(B));
    return A;
}
}  // namespace

TEST(ButtonTags, CorpusTagsWriteBackTheSameBytes) {
    for (const auto& C : ButtonCases) {
        SCOPED_TRACE(C.File);
        TCorpusFile F = LoadCorpusFile(C.File);
        auto Tags = F.WithCode(C.Code);
        ASSERT_FALSE(Tags.empty());
        for (const auto* T : Tags)
            for (bool Parse : {false, true}) ExpectRoundTrip(*T, F.Version, Parse);
    }
}

TEST(ButtonTags, DefineButton2ReadsRecordsFiltersAndConditions) {
    TCorpusFile F = LoadCorpusFile("DefineButton2-CS6.swf");
    auto Record = ReadTag(34, F.WithCode(34).at(0)->Body, F.Version, true);
    auto& B = dynamic_cast<TSWFDefineButton2&>(*Record);
    ASSERT_EQ(B.Characters.size(), 2u);
    const auto& First = B.Characters[0];
    EXPECT_TRUE(First.ButtonStateUp && First.ButtonStateOver && !First.ButtonStateDown);
    ASSERT_EQ(First.FilterList.Count(), 1u);
    EXPECT_EQ(First.FilterList[0]->FilterID, TSWFFilter::Blur);
    EXPECT_EQ(dynamic_cast<TSWFBlurFilter&>(*First.FilterList[0]).BlurX, 5 << 16);
    ASSERT_EQ(B.Actions.size(), 2u);
    EXPECT_TRUE(B.Actions[0].CondOverDownToOverUp);
    EXPECT_EQ(B.Actions[1].CondKeyPress, 3);
    ASSERT_EQ(B.Actions[0].Actions.Count(), 2u);  // Push "A", Trace: parsed, not one raw block
    EXPECT_EQ(B.Actions[0].Actions[1]->ActionCode, 0x26);
    EXPECT_GE(B.MinVersion(), 8);  // the filter and the blend mode

    std::vector<uint16_t> Refs;
    B.VisitReferences([&](uint16_t& ID) { Refs.push_back(ID); });
    EXPECT_EQ(Refs, (std::vector<uint16_t>{2, 3}));
    std::vector<uint16_t> Defined;
    B.VisitDefinedIDs([&](uint16_t& ID) { Defined.push_back(ID); });
    EXPECT_EQ(Defined, (std::vector<uint16_t>{4}));
}

TEST(ButtonTags, BuiltDefineButton2WritesOffsetsAndConditions) {
    TSWFDefineButton2 B;
    B.ButtonId = 1;
    auto& R = B.Characters.emplace_back();
    R.ButtonStateUp = R.ButtonStateOver = true;
    R.CharacterID = 5;
    R.PlaceDepth = 1;
    auto& Release = B.Actions.emplace_back();
    Release.CondOverDownToOverUp = true;
    Release.Actions.Add(RawAction({0x07}));  // Stop
    B.Actions.emplace_back().CondKeyPress = 3;
    EXPECT_EQ(Written(B), Bytes({0x98, 0x08, 0x01, 0x00, 0x00, 0x0A, 0x00,        // id, flags, ActionOffset
                                 0x03, 0x05, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,  // record, end flag
                                 0x06, 0x00, 0x08, 0x00, 0x07, 0x00,              // release: size 6
                                 0x00, 0x00, 0x00, 0x06, 0x00}));                 // last: size 0, key 3
}

TEST(ButtonTags, DefineButtonLeavesOutRecordsWithoutStates) {
    TSWFDefineButton B;
    B.ButtonId = 2;
    auto& Shown = B.Characters.emplace_back();
    Shown.ButtonStateUp = true;
    Shown.CharacterID = 1;
    Shown.PlaceDepth = 1;
    B.Characters.emplace_back().CharacterID = 9;  // no state: its flag byte would end the list
    EXPECT_EQ(Written(B), Bytes({0xCA, 0x01, 0x02, 0x00, 0x01, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}));
}

TEST(ButtonTags, InconsistentBodiesAreRefused) {
    const Bytes Bodies[] = {
        {0x01, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00},  // ActionOffset past the records
        {0x01, 0x00, 0x00, 0x03, 0x00, 0x00, 0x09, 0x00, 0x08, 0x00, 0x00},  // CondActionSize past the end
        {0x01, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x07},  // actions without the end flag
    };
    for (const auto& Body : Bodies) EXPECT_THROW(ReadTag(34, Body, 8, false), ESWFError);
    EXPECT_THROW(ReadTag(7, {0x01, 0x00, 0x00}, 3, false), ESWFError);  // no ActionEndFlag
}

TEST(ButtonTags, DamagedBodiesNeverCrash) {
    for (const auto& C : ButtonCases) {
        TCorpusFile F = LoadCorpusFile(C.File);
        for (const auto* T : F.WithCode(C.Code)) ExpectDamagedBodiesAreSafe(C.Code, T->Body);
    }
}

TEST(ButtonTags, DefineButtonSoundWritesSoundInfoOnlyForSounds) {
    TSWFDefineButtonSound S;
    S.ButtonId = 3;
    auto& Press = S.ButtonSounds[TSWFDefineButtonSound::OverUpToOverDown];
    Press.SoundChar = 2;
    Press.SoundInfo.SyncNoMultiple = true;
    Press.SoundInfo.SetLoopCount(2);
    S.ButtonSounds[TSWFDefineButtonSound::OverDownToOverUp].SoundInfo.SyncStop =
        true;  // no sound: not written
    EXPECT_EQ(Written(S), Bytes({0x4D, 0x04, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x14, 0x02, 0x00,
                                 0x00, 0x00}));
    EXPECT_EQ(S.MinVersion(), 2);

    std::vector<uint16_t> Refs;
    S.VisitReferences([&](uint16_t& ID) { Refs.push_back(ID); });
    EXPECT_EQ(Refs, (std::vector<uint16_t>{3, 2}));
}

TEST(ButtonTags, DefineButtonCxformReadsOneTransformPerRecord) {
    TCorpusFile F = LoadCorpusFile("DefineButtonCxformSound-MX.swf");
    auto Record = ReadTag(23, F.WithCode(23).at(0)->Body, F.Version, false);
    auto& C = dynamic_cast<TSWFDefineButtonCxform&>(*Record);
    EXPECT_EQ(C.ButtonColorTransforms.size(), 3u);
    EXPECT_TRUE(C.ButtonColorTransforms[0].HasMult);
    std::vector<uint16_t> Refs;
    C.VisitReferences([&](uint16_t& ID) { Refs.push_back(ID); });
    EXPECT_EQ(Refs, std::vector<uint16_t>{3});
}
