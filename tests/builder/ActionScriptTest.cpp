#include <gtest/gtest.h>

#include "FlashActionScript.h"
#include "MovieTestUtil.h"
#include "SWFTags.h"

namespace {
TBytes ActionBytes(const TFlashActionScript& Script) {
    return Written([&](TBitsEngine& BE) { WriteActions(BE, Script.Actions()); });
}

TSWFActionPush* PushAt(const TFlashActionScript& Script, size_t Index) {
    return dynamic_cast<TSWFActionPush*>(Script.ActionByIndex(Index));
}
}  // namespace

TEST(ActionScript, SetVarWritesPushAndDefineLocalInADoAction) {
    TFlashActionScript Script;
    Script.SetVar("FPS", uint8_t(25), true);
    EXPECT_EQ(Hex(ActionBytes(Script)), "96 0A 00 00 46 50 53 00 07 19 00 00 00 3C");
    TBytes Tag = Written([&](TBitsEngine& BE) { Script.WriteToStream(BE); });
    EXPECT_EQ(Hex(Tag), "0F 03 96 0A 00 00 46 50 53 00 07 19 00 00 00 3C 00");
    EXPECT_EQ(Script.MinVersion(), 5);

    TFlashActionScript Global;
    Global.SetVar("a", std::string("b"), false);
    EXPECT_EQ(Hex(ActionBytes(Global)), "96 06 00 00 61 00 00 62 00 1D");
}

TEST(ActionScript, FSCommandIsAGetURLWithTheCommandPrefix) {
    TFlashActionScript Script;
    Script.FSCommand("fullscreen", "true");
    ASSERT_EQ(Script.Count(), 1u);
    auto* Url = dynamic_cast<TSWFActionGetUrl*>(Script.ActionByIndex(0));
    ASSERT_NE(Url, nullptr);
    EXPECT_EQ(Url->URL, "FSCommand:fullscreen");
    EXPECT_EQ(Url->Target, "true");
    EXPECT_EQ(Hex(ActionBytes(Script)),
              "83 1A 00 46 53 43 6F 6D 6D 61 6E 64 3A 66 75 6C 6C 73 63 72 65 65 6E 00 74 72 75 65 00");
    EXPECT_EQ(Script.MinVersion(), 3);
}

TEST(ActionScript, PushedValuesAreTypedFromTheirKind) {
    struct TCase {
        TPushValue Value;
        uint8_t Type;
        TPushValue Stored;
    };
    const TCase Cases[] = {
        {uint8_t(25), 7, int64_t(25)},
        {int64_t(-7), 7, int64_t(-7)},
        {true, 5, true},
        {2.5, 6, 2.5},
        {1.5f, 1, 1.5f},
        {std::monostate{}, 3, std::monostate{}},
        {nullptr, 2, nullptr},
        {std::string("FlashVar_null"), 2, std::string("null")},
        {std::string("FlashVar_undefined"), 3, std::string("undefined")},
        {std::string("FlashVar_other"), 0, std::string("FlashVar_other")},
        {std::string("text"), 0, std::string("text")},
    };
    for (const auto& C : Cases) {
        TFlashActionScript Script;
        Script.Push(C.Value);
        const TPushValueInfo& V = PushAt(Script, 0)->Values.at(0);
        EXPECT_EQ(V.ValueType, C.Type) << C.Value.index();
        EXPECT_TRUE(V.Value == C.Stored) << C.Value.index();
        EXPECT_TRUE(V.IsValid);
    }
}

TEST(ActionScript, PushMergesIntoTheLastPushButSetVarStartsANewOne) {
    TFlashActionScript Script;
    Script.Push(int64_t(1));
    Script.Push(int64_t(2));
    ASSERT_EQ(Script.Count(), 1u);
    EXPECT_EQ(PushAt(Script, 0)->Values.size(), 2u);
    Script.SetVar("x", int64_t(3), true);
    ASSERT_EQ(Script.Count(), 3u);
    EXPECT_EQ(PushAt(Script, 1)->Values.size(), 2u);

    // The array idiom: name, elements last to first, count, InitArray, DefineLocal.
    Script.Push(std::string("stopPoints"));
    for (int64_t v : {300, 200, 100}) Script.Push(v);
    Script.Push(int64_t(3));
    Script.InitArray();
    Script.DefineLocal();
    ASSERT_EQ(Script.Count(), 6u);
    EXPECT_EQ(PushAt(Script, 3)->Values.size(), 5u);
    EXPECT_EQ(Script.ActionByIndex(4)->ActionCode, 0x42);
    EXPECT_EQ(Script.ActionByIndex(5)->ActionCode, 0x3C);
}

TEST(ActionScript, AForeignListIsAppendedToAndOutlivesTheBuilder) {
    TSWFDoAction Tag;
    Tag.Actions().Add(std::make_unique<TSWFActionStop>());
    {
        TFlashActionScript Script(nullptr, &Tag.Actions());
        EXPECT_FALSE(Script.OwnsActions());
        Script.SetVar("color", int64_t(0xFF0000), true);
        // A copy owns its own copy of the actions.
        TFlashActionScript Copy(Script);
        EXPECT_TRUE(Copy.OwnsActions());
        Copy.InitArray();
        EXPECT_EQ(Copy.Count(), 4u);
    }
    ASSERT_EQ(Tag.Actions().Count(), 3u);
    EXPECT_EQ(Tag.Actions()[0]->ActionCode, 0x07);
    EXPECT_EQ(Tag.Actions()[2]->ActionCode, 0x3C);
}
