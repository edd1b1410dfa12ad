#include <gtest/gtest.h>

#include "SWFTags.h"
#include "TestUtil.h"

namespace {
// Parses Body as tag Code the way the reader does, with records required to write back their bytes.
std::unique_ptr<TSWFObject> Parsed(uint16_t Code, const TBytes& Body, uint8_t Version = 8,
                                   bool ParseActions = false) {
    TSWFReadContext C;
    C.Version = Version;
    C.ParseActions = ParseActions;
    return ReadTagRecord(Code, Body.data(), Body.size(), false, C);
}
}  // namespace

TEST(Tags, FrameLabelAnchor) {
    TSWFFrameLabel L;
    L.Name = "Intro";
    L.IsAnchor = true;
    EXPECT_EQ(Hex(BodyOf(L)), "49 6E 74 72 6F 00 01");
    EXPECT_EQ(L.MinVersion(), 6);
    L.IsAnchor = false;
    EXPECT_EQ(Hex(BodyOf(L)), "49 6E 74 72 6F 00");
    EXPECT_EQ(L.MinVersion(), 3);
    auto Back = Parsed(43, FromHex("49 6E 74 72 6F 00 01"));
    auto* R = dynamic_cast<TSWFFrameLabel*>(Back.get());
    ASSERT_TRUE(R);
    EXPECT_TRUE(R->IsAnchor);
    EXPECT_EQ(R->Name, "Intro");
}

TEST(Tags, ExportNamesMergeWithoutRegardToCase) {
    TSWFExportAssets E;
    E.Assets.Add("Slide0", 1001);
    E.Assets.Add("slide0", 1005);
    E.Assets.Add("Sound0", 1002);
    ASSERT_EQ(E.Assets.Entries.size(), 2u);
    EXPECT_EQ(E.Assets.Entries[0].Name, "Slide0");
    EXPECT_EQ(E.Assets.Entries[0].ID, 1005);
    EXPECT_EQ(Hex(BodyOf(E)), "02 00 ED 03 53 6C 69 64 65 30 00 EA 03 53 6F 75 6E 64 30 00");
}

TEST(Tags, PlaceObject2Bodies) {
    TSWFPlaceObject2 P;
    P.Depth = 1;
    P.SetCharacterID(5);
    EXPECT_EQ(Hex(BodyOf(P)), "02 01 00 05 00");
    P.ClipActions();  // accessed but left empty
    EXPECT_EQ(Hex(BodyOf(P)), "02 01 00 05 00");
    EXPECT_EQ(P.MinVersion(), 3);

    P.Matrix().SetTranslate(20, -20);
    P.ColorTransform().SetRedMult(128);
    P.SetName("pic");
    P.SetRatio(7);
    P.SetClipDepth(9);
    EXPECT_EQ(Hex(BodyOf(P)), "7E 01 00 05 00 0C A5 80 " + Hex(Written([](TBitsEngine& BE) {
                                  recColorTransform CX;
                                  CX.HasMult = CX.HasAlpha = 1;
                                  CX.RedMult = 128;
                                  BE.WriteColorTransform(CX);
                              })) +
                                  " 07 00 70 69 63 00 09 00");
}

TEST(Tags, ClipActionEventFlagsByFormatVersion) {
    struct Case {
        uint8_t FormatVersion;
        const char* Body;
    };
    // One Release action whose script is Play (06): reserved word, all-events, the record, the end flag.
    const Case Cases[] = {
        {5, "80 01 00 00 00 00 08 00 08 02 00 00 00 06 00 00 00"},
        {6, "80 01 00 00 00 00 08 00 00 00 08 00 00 02 00 00 00 06 00 00 00 00 00"},
    };
    for (const auto& C : Cases) {
        TSWFPlaceObject2 P;
        P.Depth = 1;
        P.FormatVersion = C.FormatVersion;
        auto* R = P.ClipActions().AddRecord(ceRelease);
        auto Play = std::make_unique<TSWFActionByteCode>();
        Play->SetBytes({0x06});
        R->Actions.Add(std::move(Play));
        EXPECT_EQ(Hex(BodyOf(P)), C.Body) << int(C.FormatVersion);
        EXPECT_EQ(P.MinVersion(), std::max<int>(5, C.FormatVersion));
        auto Back = Parsed(26, FromHex(C.Body), C.FormatVersion, true);
        ASSERT_TRUE(dynamic_cast<TSWFPlaceObject2*>(Back.get())) << int(C.FormatVersion);
        EXPECT_EQ(Hex(BodyOf(*Back)), C.Body);
    }
    TSWFClipActionRecord K;
    K.SetKeyCode(13);
    EXPECT_TRUE(K.EventFlags & ceKeyPress);
    K.SetKeyCode(0);
    EXPECT_FALSE(K.EventFlags & ceKeyPress);
}

TEST(Tags, JPEGFraming) {
    TSWFDefineBitsJPEG2 J;
    J.CharacterID = 1;
    J.Data().Write(FromHex("FF D8 FF E0 01 02").data(), 6);
    EXPECT_EQ(Hex(BodyOf(J)), "01 00 FF D9 FF D8 FF D8 FF E0 01 02");
    TSWFDefineBitsJPEG2 K;
    K.CharacterID = 1;
    K.Data().Write(FromHex("FF C0 01").data(), 3);
    EXPECT_EQ(Hex(BodyOf(K)), "01 00 FF D8 FF C0 01 FF D9");
    // Bodies read back write the same bytes, PNG data included.
    for (const char* Body : {"01 00 FF D9 FF D8 FF D8 FF E0 01 02", "01 00 FF D8 FF C0 01 FF D9",
                             "01 00 89 50 4E 47 0D 0A 1A 0A 00"}) {
        auto Back = Parsed(21, FromHex(Body));
        ASSERT_TRUE(dynamic_cast<TSWFDefineBitsJPEG2*>(Back.get())) << Body;
        EXPECT_EQ(Hex(BodyOf(*Back)), Body);
    }
    TSWFDefineBitsJPEG3 A;
    A.CharacterID = 2;
    A.Data().Write(FromHex("FF D8 FF E0").data(), 4);
    A.AlphaData().Write(FromHex("78 9C").data(), 2);
    EXPECT_EQ(Hex(BodyOf(A)), "02 00 08 00 00 00 FF D9 FF D8 FF D8 FF E0 78 9C");
}

TEST(Tags, SpriteEndsWithOneEnd) {
    TSWFDefineSprite S;
    S.SpriteID = 3;
    S.FrameCount = 1;
    S.ControlTags.Add(std::make_unique<TSWFShowFrame>());
    EXPECT_EQ(Hex(BodyOf(S)), "03 00 01 00 40 00 00 00");
    S.ControlTags.Add(std::make_unique<TSWFEnd>());
    EXPECT_EQ(Hex(BodyOf(S)), "03 00 01 00 40 00 00 00");
    auto Back = Parsed(39, FromHex("03 00 01 00 40 00 00 00"));
    auto* R = dynamic_cast<TSWFDefineSprite*>(Back.get());
    ASSERT_TRUE(R);
    EXPECT_EQ(R->ControlTags.Count(), 2u);
    // A copy is deep: changing it leaves the original alone.
    TSWFDefineSprite Copy = *R;
    Copy.ControlTags.Delete(0);
    EXPECT_EQ(R->ControlTags.Count(), 2u);
}

TEST(Tags, SoundRecords) {
    TSWFDefineSound S;
    S.SoundID = 4;
    S.SoundFormat = 2;
    S.SoundRate = 3;
    S.SoundSize = 1;
    S.SoundType = 1;
    S.SoundSampleCount = 1152;
    S.SeekSamples = 0x0102;
    EXPECT_EQ(S.MinVersion(), 4);
    EXPECT_EQ(Hex(BodyOf(S)), "04 00 2F 80 04 00 00 02 01");
    S.SoundFormat = 0;
    EXPECT_EQ(S.MinVersion(), 1);
    EXPECT_EQ(Hex(BodyOf(S)), "04 00 0F 80 04 00 00");

    TSWFStartSound Start;
    Start.SoundID = 4;
    Start.SoundInfo.SetLoopCount(3);
    Start.SoundInfo.SetInPoint(5);
    Start.SoundInfo.SetInPoint(0);
    EXPECT_EQ(Hex(BodyOf(Start)), "04 00 04 03 00");
    Start.SoundInfo.AddEnvelope(44100, 32768, 0);
    EXPECT_EQ(Hex(BodyOf(Start)), "04 00 0C 03 00 01 44 AC 00 00 00 80 00 00");

    TSWFSoundStreamBlock B;
    B.StreamSoundCompression = 2;
    B.SampleCount = 1152;
    B.Data().Write("\x01", 1);
    EXPECT_EQ(Hex(TagOf(B)), "FF 04 05 00 00 00 80 04 00 00 01");
}

TEST(Tags, ProtectDigest) {
    TSWFProtect P;
    EXPECT_TRUE(BodyOf(P).empty());
    EXPECT_EQ(P.MinVersion(), 2);
    P.SetPassword("secret");
    TBytes Body = BodyOf(P);
    ASSERT_EQ(Body.size(), 2u + 28u + 1u);
    EXPECT_EQ(Body[0], 0);
    EXPECT_EQ(Body[1], 0);
    EXPECT_EQ(std::string(Body.begin() + 2, Body.begin() + 5), "$1$");
    EXPECT_EQ(Body.back(), 0);
    EXPECT_EQ(P.MinVersion(), 5);
}

TEST(Tags, BrokenBodiesBecomeRawTags) {
    // Truncated fields, a sprite whose inner tag runs past its end, an alpha offset past the tag.
    const std::pair<uint16_t, const char*> Cases[] = {
        {26, "06 01"},
        {39, "01 00 01 00 3F 00 FF FF 00 00"},
        {35, "01 00 FF 00 00 00 FF D8"},
        {15, "01"},
        {56, "05 00 01 00 41"},
    };
    for (const auto& [Code, Body] : Cases) {
        auto R = Parsed(Code, FromHex(Body));
        auto* Raw = dynamic_cast<TSWFByteCodeTag*>(R.get());
        ASSERT_TRUE(Raw) << Code;
        EXPECT_EQ(Raw->OriginalTagID, Code);
        EXPECT_FALSE(Raw->Message.empty());
        EXPECT_EQ(Hex(TagOf(*Raw)).substr(6), Hex(FromHex(Body))) << Code;
    }
}
