#include <gtest/gtest.h>

#include "FamilyCorpus.h"
#include "SWFScenes.h"

using namespace family;

TEST(SceneTags, CorpusTagsWriteBackTheSameBytes) {
    for (const char* Name : {"DefineSceneAndFrameLabelData.swf", "Avm2Dummy.swf", "DefineShape.swf"}) {
        SCOPED_TRACE(Name);
        TCorpusFile F = LoadCorpusFile(Name);
        auto Tags = F.WithCode(86);
        ASSERT_FALSE(Tags.empty());
        for (const auto* T : Tags) {
            ExpectRoundTrip(*T, F.Version, false);
            ExpectDamagedBodiesAreSafe(86, T->Body);
        }
    }
}

TEST(SceneTags, ReadsScenesWithTheirOffsetsAndLabels) {
    TCorpusFile F = LoadCorpusFile("DefineSceneAndFrameLabelData.swf");
    auto Record = ReadTag(86, F.WithCode(86).at(0)->Body, F.Version, false);
    auto& D = dynamic_cast<TSWFDefineSceneAndFrameLabelData&>(*Record);
    ASSERT_EQ(D.Scenes.size(), 3u);
    EXPECT_EQ(D.Scenes[0], (TSWFSceneInfo{0, "Scene 1"}));
    EXPECT_EQ(D.Scenes[1].Offset, 25u);
    EXPECT_EQ(D.Scenes[2].Name, "test\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9Etest");
    ASSERT_EQ(D.FrameLabels.size(), 4u);
    EXPECT_EQ(D.FrameLabels[3], (TSWFFrameLabelInfo{25, "frameInScene2"}));
}

TEST(SceneTags, BuiltRecordWritesEncodedCounts) {
    TSWFDefineSceneAndFrameLabelData D;
    D.Scenes = {{0, "A"}, {200, "B"}};
    D.FrameLabels = {{1, "x"}};
    EXPECT_EQ(Written(D),
              Bytes({0x8C, 0x15, 0x02, 0x00, 0x41, 0x00, 0xC8, 0x01, 0x42, 0x00, 0x01, 0x01, 0x78, 0x00}));
    EXPECT_EQ(D.MinVersion(), 9);
    EXPECT_THROW(ReadTag(86, {0x05, 0x00, 0x41, 0x00}, 9, false), ESWFError);  // count beyond the data
}
