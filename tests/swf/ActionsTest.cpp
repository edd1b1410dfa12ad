#include <gtest/gtest.h>

#include <random>
#include <string>

#include "SWFActions.h"

namespace {
using Bytes = std::vector<uint8_t>;

Bytes Written(const TSWFActionList& List) {
    TMemoryStream S;
    TBitsEngine BE(S);
    WriteActions(BE, List);
    return S.Bytes();
}

Bytes Written(TSWFAction& Action) {
    TMemoryStream S;
    TBitsEngine BE(S);
    Action.WriteToStream(BE);
    return S.Bytes();
}

Bytes Str(const std::string& S, bool Zero = true) {
    Bytes B(S.begin(), S.end());
    if (Zero) B.push_back(0);
    return B;
}

Bytes operator+(Bytes A, const Bytes& B) {
    A.insert(A.end(), B.begin(), B.end());
    return A;
}

// Reads Body as a DoAction body; Consumed gets the bytes used.
TSWFActionList Read(const Bytes& Body, int64_t* Consumed = nullptr) {
    TBoundedReadStream S(Body.data(), Body.size());
    TBitsEngine BE(S);
    TSWFActionList List;
    ReadActions(BE, List, static_cast<int64_t>(Body.size()));
    if (Consumed) *Consumed = S.Position();
    return List;
}

// The codes of a list, markers as 255.
Bytes Codes(const TSWFActionList& List) {
    Bytes C;
    for (const auto& A : List) C.push_back(A->ActionCode);
    return C;
}

template <class T>
T* Add(TSWFActionList& List) {
    return List.Add(std::make_unique<T>());
}
}  // namespace

TEST(Actions, PushTypesValuesFromTheVariantAndWritesTheirPayload) {
    struct Case {
        const char* Name;
        TPushValue Value;
        uint8_t ExplicitType;
        Bytes Payload;
    };
    const Case Cases[] = {
        {"string", std::string("color"), 10, Bytes{0x00} + Str("color")},
        {"integer", int64_t{16777215}, 10, {0x07, 0xFF, 0xFF, 0xFF, 0x00}},
        {"negative integer", -2, 10, {0x07, 0xFE, 0xFF, 0xFF, 0xFF}},
        {"unsigned integer", 7u, 10, {0x07, 0x07, 0x00, 0x00, 0x00}},
        {"double halves swapped", 0.5, 10, {0x06, 0x00, 0x00, 0xE0, 0x3F, 0x00, 0x00, 0x00, 0x00}},
        {"single", 1.5f, 10, {0x01, 0x00, 0x00, 0xC0, 0x3F}},
        {"null text", std::string("FlashVar_null"), 10, {0x02}},
        {"undefined text", std::string("FlashVar_undefined"), 10, {0x03}},
        {"other FlashVar_ text", std::string("FlashVar_x"), 10, Bytes{0x00} + Str("FlashVar_x")},
        {"empty", std::monostate{}, 10, {0x03}},
        {"null", nullptr, 10, {0x02}},
        {"boolean", true, 10, {0x05, 0x01}},
        {"register", 3, 4, {0x04, 0x03}},
        {"constant8", 5, 8, {0x08, 0x05}},
        {"constant16", 0x1234, 9, {0x09, 0x34, 0x12}},
        {"integer as double", 2, 6, {0x06, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00}},
        {"string as integer is skipped", std::string("a"), 7, {}},
        {"type beyond constant16 is skipped", 1, 11, {}},
    };
    for (const Case& C : Cases) {
        TSWFActionPush Push;
        TPushValueInfo& Info = Push.AddValue(C.Value, C.ExplicitType);
        EXPECT_EQ(Info.IsValid, !C.Payload.empty()) << C.Name;
        const auto Size = static_cast<uint8_t>(C.Payload.size());
        EXPECT_EQ(Written(Push), Bytes({0x96, Size, 0x00}) + C.Payload) << C.Name;
    }
}

TEST(Actions, PushOfAStringAndAnIntegerNeedsVersion5) {
    TSWFActionPush Push;
    Push.AddValue(std::string("color"));
    EXPECT_EQ(Push.MinVersion(), 4);
    Push.AddValue(16777215);
    EXPECT_EQ(Written(Push), Bytes({0x96, 0x0C, 0x00, 0x00, 0x63, 0x6F, 0x6C, 0x6F, 0x72, 0x00, 0x07, 0xFF,
                                    0xFF, 0xFF, 0x00}));
    EXPECT_EQ(Push.MinVersion(), 5);
    EXPECT_EQ(Push.Length, 12);
}

TEST(Actions, SpecialStringsKeepTheWordAfterThePrefix) {
    TSWFActionPush Push;
    EXPECT_EQ(std::get<std::string>(Push.AddValue(std::string("FlashVar_null")).Value), "null");
    EXPECT_EQ(std::get<std::string>(Push.AddValue(std::string("FlashVar_undefined")).Value), "undefined");
    // Reading gives the prefixed strings back.
    TSWFActionList List = Read({0x96, 0x02, 0x00, 0x02, 0x03, 0x00});
    auto* Parsed = dynamic_cast<TSWFActionPush*>(List[0]);
    ASSERT_TRUE(Parsed);
    EXPECT_EQ(std::get<std::string>(Parsed->Values[0].Value), "FlashVar_null");
    EXPECT_EQ(std::get<std::string>(Parsed->Values[1].Value), "FlashVar_undefined");
    EXPECT_EQ(Parsed->Values[1].ValueType, 3);
    TSWFActionList Boolean = Read({0x96, 0x04, 0x00, 0x05, 0x01, 0x05, 0x02, 0x00});
    auto* Flags = dynamic_cast<TSWFActionPush*>(Boolean[0]);
    ASSERT_TRUE(Flags);
    EXPECT_EQ(Flags->Values[0].Value, TPushValue(true));
    EXPECT_EQ(Flags->Values[1].Value, TPushValue(int64_t{2}));
}

TEST(Actions, RecordsWriteTheirHeaderAndPayload) {
    TSWFActionGetUrl FSCommand;
    FSCommand.URL = "FSCommand:fullscreen";
    FSCommand.Target = "true";
    TSWFActionGetUrl Latin1;
    Latin1.URL = "caf\xE9";  // converted to UTF-8
    Latin1.Target = "\xE9";  // written as it is
    TSWFActionCall Call;
    TSWFActionStop Stop;
    TSWFActionGotoFrame2 Goto;
    Goto.PlayFlag = true;
    Goto.SceneBiasFlag = true;
    Goto.SceneBias = 3;
    TSWFActionGetUrl2 GetUrl2;
    GetUrl2.LoadTargetFlag = true;
    GetUrl2.SendVarsMethod = 2;
    TSWFActionWaitForFrame2 Wait2;
    Wait2.SkipCount = 4;
    TSWFActionConstantPool Pool;
    Pool.ConstantPool = {"a", "bc"};
    struct Case {
        TSWFAction& Action;
        Bytes Expected;
    };
    const Case Cases[] = {
        {FSCommand, Bytes{0x83, 0x1A, 0x00} + Str("FSCommand:fullscreen") + Str("true")},
        {Latin1, Bytes{0x83, 0x08, 0x00} + Str("caf\xC3\xA9") + Bytes{0xE9, 0x00}},
        {Call, {0x9E, 0x00, 0x00}},
        {Stop, {0x07}},
        {Goto, {0x9F, 0x03, 0x00, 0x03, 0x03, 0x00}},
        {GetUrl2, {0x9A, 0x01, 0x00, 0x42}},
        {Wait2, {0x8D, 0x01, 0x00, 0x04}},
        {Pool, Bytes{0x88, 0x07, 0x00, 0x02, 0x00} + Str("a") + Str("bc")},
    };
    for (const Case& C : Cases) EXPECT_EQ(Written(C.Action), C.Expected) << int(C.Action.ActionCode);
}

TEST(Actions, FactoryCoversTheFamilyWithItsVersions) {
    struct Case {
        uint8_t Code;
        int MinVersion;
    };
    const Case Known[] = {{0x04, 3}, {0x09, 3}, {0x0A, 4}, {0x1D, 4}, {0x2A, 7}, {0x2D, 4}, {0x37, 4},
                          {0x3A, 5}, {0x53, 5}, {0x54, 6}, {0x55, 6}, {0x60, 5}, {0x66, 6}, {0x69, 7},
                          {0x81, 3}, {0x83, 3}, {0x87, 5}, {0x88, 5}, {0x8A, 3}, {0x8C, 3}, {0x8D, 4},
                          {0x8E, 7}, {0x8F, 7}, {0x94, 5}, {0x96, 4}, {0x99, 4}, {0x9A, 4}, {0x9B, 5},
                          {0x9D, 4}, {0x9E, 4}, {0x9F, 4}, {0xFE, 4}, {0xFF, 3}};
    for (const Case& C : Known) {
        auto A = CreateSWFAction(C.Code);
        ASSERT_TRUE(A) << int(C.Code);
        EXPECT_EQ(A->ActionCode, C.Code);
        EXPECT_EQ(A->MinVersion(), C.MinVersion) << int(C.Code);
        EXPECT_TRUE(dynamic_cast<TSWFAction*>(A->Clone().get())) << int(C.Code);
    }
    for (uint8_t Code : {0x00, 0x01, 0x16, 0x19, 0x56, 0x80, 0x82, 0x95, 0xA0, 0xFD})
        EXPECT_FALSE(CreateSWFAction(Code)) << int(Code);
}

TEST(Actions, BranchesResolveThroughMarkers) {
    // Forward to a marker right after the jump: offset 0.
    TSWFActionList Forward;
    Forward.Add(Add<TSWFActionJump>(Forward)->NewMarker());
    EXPECT_EQ(Written(Forward), Bytes({0x99, 0x02, 0x00, 0x00, 0x00}));

    // Backward with no action between: the offset counts back over the jump itself.
    TSWFActionList Backward;
    auto Jump = std::make_unique<TSWFActionJump>();
    Backward.Add(Jump->NewMarker());
    Backward.Add(std::move(Jump));
    EXPECT_EQ(Written(Backward), Bytes({0x99, 0x02, 0x00, 0xFB, 0xFF}));

    // A loop: If back over a Play, then Jump forward over a Stop, both in one stream after other bytes.
    TSWFActionList Loop;
    Add<TSWFActionNextFrame>(Loop);
    auto If = std::make_unique<TSWFActionIf>();
    Loop.Add(If->NewMarker());
    Add<TSWFActionPlay>(Loop);
    Loop.Add(std::move(If));
    auto* Over = Add<TSWFActionJump>(Loop);
    Add<TSWFActionStop>(Loop);
    Loop.Add(Over->NewMarker());
    EXPECT_EQ(Written(Loop),
              Bytes({0x04, 0x06, 0x9D, 0x02, 0x00, 0xFA, 0xFF, 0x99, 0x02, 0x00, 0x01, 0x00, 0x07}));
    // Writing again, and writing a copy, give the same bytes.
    EXPECT_EQ(Written(Loop), Written(TSWFActionList(Loop)));

    // A stored offset is written as it is; a marker that is not in the list leaves the field 0.
    TSWFActionList Stored;
    Add<TSWFActionJump>(Stored)->SetBranchOffset(-7);
    auto* Lost = Add<TSWFActionIf>(Stored);
    auto Orphan = Lost->NewMarker();
    EXPECT_EQ(Written(Stored), Bytes({0x99, 0x02, 0x00, 0xF9, 0xFF, 0x9D, 0x02, 0x00, 0x00, 0x00}));
}

TEST(Actions, BlocksGetTheirSizesFromTheClosingMarker) {
    TSWFActionList List;
    auto* Function = Add<TSWFActionDefineFunction2>(List);
    Function->FunctionName = "f";
    Function->RegisterCount = 2;
    Function->PreloadThisFlag = true;
    Function->PreloadGlobalFlag = true;
    Function->Parameters.push_back({1, "x"});
    Add<TSWFActionPlay>(List);
    Add<TSWFActionPush>(List)->AddValue(1);
    List.Add(Function->NewMarker());
    auto* With = Add<TSWFActionWith>(List);
    Add<TSWFActionStop>(List);
    List.Add(With->NewMarker());
    auto* Old = Add<TSWFActionDefineFunction>(List);
    Old->FunctionName = "g";
    Old->Params = {"a", "b"};
    List.Add(Old->NewMarker());
    const Bytes Function2 = Bytes{0x8E, 0x0C, 0x00} + Str("f") + Bytes{0x01, 0x00, 0x02, 0x01, 0x01, 0x01} +
                            Str("x") + Bytes{0x09, 0x00};  // CodeSize 9: the Play and the Push
    const Bytes Body = {0x06, 0x96, 0x05, 0x00, 0x07, 0x01, 0x00, 0x00, 0x00};
    const Bytes WithStop = {0x94, 0x02, 0x00, 0x01, 0x00, 0x07};
    const Bytes Function1 =
        Bytes{0x9B, 0x0A, 0x00} + Str("g") + Bytes{0x02, 0x00} + Str("a") + Str("b") + Bytes{0x00, 0x00};
    EXPECT_EQ(Written(List), Function2 + Body + WithStop + Function1);
    EXPECT_EQ(ActionsMinVersion(List, 3), 7);
}

TEST(Actions, TrySizesCountTheirBlocks) {
    TSWFActionList List;
    auto* Try = Add<TSWFActionTry>(List);
    Try->CatchName = "e";
    Add<TSWFActionStop>(List);
    List.Add(Try->NewTryMarker());
    Add<TSWFActionPlay>(List);
    Add<TSWFActionPlay>(List);
    List.Add(Try->NewCatchMarker());
    Add<TSWFActionStop>(List);
    List.Add(Try->NewFinallyMarker());
    const Bytes Expected = Bytes{0x8F, 0x09, 0x00, 0x03, 0x01, 0x00, 0x02, 0x00, 0x01, 0x00} + Str("e") +
                           Bytes{0x07, 0x06, 0x06, 0x07};
    EXPECT_EQ(Written(List), Expected);

    // Reading places the three markers where they were, named after the block.
    TSWFActionList Again = Read(Expected + Bytes{0x00});
    EXPECT_EQ(Codes(Again), Bytes({0x8F, 0x07, 0xFF, 0x06, 0x06, 0xFF, 0x07, 0xFF}));
    EXPECT_EQ(dynamic_cast<TSWFTryOffsetMarker*>(Again[2])->Label, "Try 1");
    EXPECT_EQ(dynamic_cast<TSWFTryOffsetMarker*>(Again[5])->Label, "Catch 1");
    EXPECT_EQ(dynamic_cast<TSWFTryOffsetMarker*>(Again[7])->Label, "Finally 1");
    EXPECT_EQ(Written(Again), Expected);
}

TEST(Actions, ReadingParsesActionsUpToTheEnd) {
    int64_t Consumed = 0;
    TSWFActionList List = Read({0x96, 0x05, 0x00, 0x07, 0x01, 0x00, 0x00, 0x00, 0x1D, 0x00, 0x07}, &Consumed);
    ASSERT_EQ(List.Count(), 2u);
    auto* Push = dynamic_cast<TSWFActionPush*>(List[0]);
    ASSERT_TRUE(Push);
    ASSERT_EQ(Push->Values.size(), 1u);
    EXPECT_EQ(Push->Values[0].ValueType, 7);
    EXPECT_EQ(std::get<int64_t>(Push->Values[0].Value), 1);
    EXPECT_TRUE(dynamic_cast<TSWFActionSetVariable*>(List[1]));
    EXPECT_EQ(Consumed, 10);
    EXPECT_FALSE(ActionsEndWithZero(List));

    // MaxSize stops reading before the End.
    Bytes Two{0x07, 0x06, 0x00};
    TBoundedReadStream S2(Two.data(), Two.size());
    TBitsEngine BE(S2);
    TSWFActionList First;
    ReadActions(BE, First, 1);
    EXPECT_EQ(Codes(First), Bytes({0x07}));
}

TEST(Actions, PayloadsThatWouldNotWriteBackStayRaw) {
    struct Case {
        const char* Name;
        Bytes Action;
    };
    const Case Cases[] = {
        {"unknown short code", {0x01}},
        {"unknown long code", {0xC0, 0x02, 0x00, 0xAA, 0xBB}},
        {"marker code from a file", {0xFF, 0x01, 0x00, 0x00}},
        {"push type outside 0..9", {0x96, 0x02, 0x00, 0x0A, 0x01}},
        {"push string without terminator", {0x96, 0x03, 0x00, 0x00, 0x61, 0x62}},
        {"push integer cut short", {0x96, 0x03, 0x00, 0x07, 0x01, 0x00}},
        {"GetURL not UTF-8", Bytes{0x83, 0x04, 0x00} + Str("\xE9\x61") + Str("")},
        {"ConstantPool longer than its strings", {0x88, 0x05, 0x00, 0x01, 0x00, 0x61, 0x00, 0xFF}},
        {"ConstantPool count beyond its strings", {0x88, 0x04, 0x00, 0x02, 0x00, 0x61, 0x00}},
        {"Call with a payload", {0x9E, 0x01, 0x00, 0x00}},
        {"Jump with a long payload", {0x99, 0x03, 0x00, 0x00, 0x00, 0x00}},
        {"GotoFrame2 reserved bits", {0x9F, 0x01, 0x00, 0x81}},
        {"GetURL2 reserved bits", {0x9A, 0x01, 0x00, 0x10}},
        {"DefineFunction2 reserved bits", Bytes{0x8E, 0x08, 0x00} + Str("") + Bytes{0, 0, 0, 0, 0x02, 0, 0}},
        {"DefineFunction too many parameters", Bytes{0x9B, 0x05, 0x00} + Str("") + Bytes{0xFF, 0xFF, 0, 0}},
    };
    for (const Case& C : Cases) {
        TSWFActionList List = Read(C.Action + Bytes{0x00});
        ASSERT_EQ(List.Count(), 1u) << C.Name;
        auto* Raw = dynamic_cast<TSWFActionByteCode*>(List[0]);
        ASSERT_TRUE(Raw) << C.Name;
        EXPECT_EQ(Raw->Bytes, C.Action) << C.Name;
        EXPECT_EQ(Written(List), C.Action) << C.Name;
    }
    // A sound ConstantPool is parsed; its Length is what it used.
    TSWFActionList Pool = Read(Bytes{0x88, 0x05, 0x00, 0x01, 0x00, 0x61, 0x62, 0x00, 0x00});
    auto* P = dynamic_cast<TSWFActionConstantPool*>(Pool[0]);
    ASSERT_TRUE(P);
    EXPECT_EQ(P->ConstantPool, std::vector<std::string>{"ab"});
    EXPECT_EQ(P->Length, 5);
}

TEST(Actions, ATruncatedTailIsKeptRaw) {
    for (const Bytes& Body :
         {Bytes{0x07, 0x96, 0x05, 0x00, 0x07, 0x01}, Bytes{0x07, 0x96, 0x05}, Bytes{0x96}}) {
        int64_t Consumed = 0;
        TSWFActionList List = Read(Body, &Consumed);
        EXPECT_EQ(Consumed, static_cast<int64_t>(Body.size()));
        EXPECT_TRUE(dynamic_cast<TSWFActionByteCode*>(List.Last()));
        EXPECT_EQ(Written(List), Body);
    }
}

TEST(Actions, ReadingPlacesInactiveMarkersAtBranchTargets) {
    const Bytes Body =
        Bytes{0x99, 0x02, 0x00, 0x01, 0x00} +                    // 0: Jump over the Stop
        Bytes{0x07} +                                            // 5: Stop
        Bytes{0x06} +                                            // 6: Play, target of the Jump and of the If
        Bytes{0x9D, 0x02, 0x00, 0xFA, 0xFF} +                    // 7: If back to the Play
        Bytes{0x99, 0x02, 0x00, 0x01, 0x00} +                    // 12: Jump into the middle of the If below
        Bytes{0x9D, 0x02, 0x00, 0x00, 0x00} +                    // 17: If to the end
        Bytes{0x9B, 0x05, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00} +  // 22: DefineFunction, 1 byte body
        Bytes{0x07, 0x00};
    TSWFActionList List = Read(Body);
    EXPECT_EQ(Codes(List), Bytes({0x99, 0x07, 0xFF, 0xFF, 0x06, 0x9D, 0x99, 0x9D, 0xFF, 0x9B, 0x07, 0xFF}));
    auto Label = [&](size_t i) { return dynamic_cast<TSWFOffsetMarker*>(List[i])->Label; };
    EXPECT_EQ(Label(2), "label 1");  // the Jump's
    EXPECT_EQ(Label(3), "label 2");  // the If's, backward
    EXPECT_TRUE(dynamic_cast<TSWFOffsetMarker*>(List[3])->Backward);
    EXPECT_FALSE(dynamic_cast<TSWFOffsetMarker*>(List[3])->Active);
    EXPECT_EQ(Label(8), "label 3");
    EXPECT_EQ(Label(11), "label 4");
    EXPECT_EQ(dynamic_cast<TSWFActionJump*>(List[6])->Target.Error, "Error Size offset: 1");
    Bytes Back = Written(List);
    Back.push_back(0);
    EXPECT_EQ(Back, Body);
    EXPECT_EQ(Written(TSWFActionList(List)), Written(List));
}

TEST(Actions, EveryActionOfTheFamilyReadsBackAsItself) {
    TSWFActionList List;
    for (int Code = 1; Code < 254; ++Code)
        if (auto A = CreateSWFAction(static_cast<uint8_t>(Code))) List.Add(std::move(A));
    auto* Goto = Add<TSWFActionGotoFrame>(List);
    Goto->Frame = 513;
    Add<TSWFActionStoreRegister>(List)->RegisterNumber = 3;
    auto* Wait = Add<TSWFActionWaitForFrame>(List);
    Wait->Frame = 2;
    Wait->SkipCount = 7;
    Add<TSWFActionSetTarget>(List)->TargetName = "/clip";
    Add<TSWFActionGoToLabel>(List)->Label = "intro";
    const Bytes Body = Written(List);
    TSWFActionList Again = Read(Body + Bytes{0x00});
    // Reading adds markers for the zero offsets and sizes of the branch and block actions.
    std::vector<const TSWFAction*> Actions;
    for (const auto& A : Again)
        if (A->ActionCode != 255) Actions.push_back(A.get());
    ASSERT_EQ(Actions.size(), List.Count());
    for (size_t i = 0; i < List.Count(); ++i)
        EXPECT_EQ(typeid(*Actions[i]), typeid(*List[i])) << int(List[i]->ActionCode);
    EXPECT_EQ(Written(Again), Body);
}

TEST(Actions, EndWithZeroLooksAtTheLastBytesWritten) {
    TSWFActionList List;
    EXPECT_FALSE(ActionsEndWithZero(List));
    Add<TSWFActionByteCode>(List)->SetBytes({0x07, 0x00});
    EXPECT_TRUE(ActionsEndWithZero(List));
    Add<TSWFOffsetMarker>(List);
    EXPECT_TRUE(ActionsEndWithZero(List));
    Add<TSWFActionStop>(List);
    EXPECT_FALSE(ActionsEndWithZero(List));
    Add<TSWFActionEnd>(List);
    EXPECT_TRUE(ActionsEndWithZero(List));
}

TEST(Actions, RandomBytesReadAndWriteBackWhatWasConsumed) {
    std::mt19937 Rng(12345);
    // Biased towards long action codes and short lengths, so headers and payloads get parsed.
    const uint8_t Codes[] = {0x96, 0x99, 0x9D, 0x8E, 0x8F, 0x9B, 0x88, 0x83, 0x94, 0x9F, 0x07, 0x01};
    for (int Round = 0; Round < 3000; ++Round) {
        Bytes Body(Rng() % 200);
        for (size_t i = 0; i < Body.size(); ++i) {
            uint32_t R = Rng();
            Body[i] = R % 4 == 0 ? Codes[(R >> 8) % std::size(Codes)] : R % 4 == 1 ? (R >> 8) % 12 : R >> 8;
        }
        int64_t Consumed = 0;
        TSWFActionList List = Read(Body, &Consumed);
        Bytes Back = Written(List);
        if (Consumed > 0 && Body[Consumed - 1] == 0 && Back.size() + 1 == size_t(Consumed)) Back.push_back(0);
        ASSERT_EQ(Back, Bytes(Body.begin(), Body.begin() + Consumed)) << "round " << Round;
    }
}
