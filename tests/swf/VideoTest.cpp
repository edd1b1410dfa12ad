#include <gtest/gtest.h>

#include "FamilyCorpus.h"
#include "SWFVideo.h"

using namespace family;

TEST(VideoTags, CorpusTagsWriteBackTheSameBytes) {
    TCorpusFile F = LoadCorpusFile("DefineVideoStream.swf");
    for (uint16_t Code : {60, 61}) {
        auto Tags = F.WithCode(Code);
        ASSERT_FALSE(Tags.empty());
        for (const auto* T : Tags) {
            ExpectRoundTrip(*T, F.Version, false);
            ExpectDamagedBodiesAreSafe(Code, T->Body);
        }
    }
}

TEST(VideoTags, DefineVideoStreamAlwaysUsesTheLongHeader) {
    TSWFDefineVideoStream V;
    V.CharacterID = 1;
    V.NumFrames = 4;
    V.Width = V.Height = 8;
    V.VideoFlagsDeblocking = 1;
    V.VideoFlagsSmoothing = true;
    V.CodecID = TSWFDefineVideoStream::ScreenVideo;
    EXPECT_EQ(Written(V), Bytes({0x3F, 0x0F, 0x0A, 0x00, 0x00, 0x00, 0x01, 0x00, 0x04, 0x00, 0x08, 0x00, 0x08,
                                 0x00, 0x03, 0x03}));
    EXPECT_EQ(V.MinVersion(), 7);
    V.CodecID = TSWFDefineVideoStream::SorensonH263;
    EXPECT_EQ(V.MinVersion(), 6);
}

TEST(VideoTags, VideoFrameCarriesItsDataAndRefersToItsStream) {
    TSWFVideoFrame Frame;
    Frame.StreamID = 1;
    Frame.FrameNum = 2;
    Frame.Data().Write("\xAA\xBB", 2);
    EXPECT_EQ(Written(Frame), Bytes({0x46, 0x0F, 0x01, 0x00, 0x02, 0x00, 0xAA, 0xBB}));
    Frame.VisitReferences([](uint16_t& ID) { ID = 7; });
    EXPECT_EQ(Frame.StreamID, 7);
}
