#include <gtest/gtest.h>

#include <algorithm>

#include "FlashMovie.h"
#include "FlashSprite.h"
#include "MovieTestUtil.h"

namespace {
TFlashMovie PixelMovie() {
    return TFlashMovie(0, 0, 100, 80, 12, true);
}

// The position of Object in the movie's list, -1 when absent.
int IndexIn(TFlashMovie& M, const TBasedSWFObject* Object) {
    for (size_t i = 0; i < M.ObjectList().Count(); ++i)
        if (M.ObjectList()[i] == Object) return static_cast<int>(i);
    return -1;
}

bool IsShowFrameAt(TFlashMovie& M, size_t i) {
    return IsSWFRecord(M.ObjectList()[i], 1);
}

// A fake streaming sound that writes an empty block per frame and records the frames it was asked for.
class TTestStreamSound : public TFlashIDObject, public TFlashStreamSound {
  public:
    uint16_t Start = 0;
    int Blocks = 0;
    void Assign(const TBasedSWFObject& S) override { *this = dynamic_cast<const TTestStreamSound&>(S); }
    std::unique_ptr<TBasedSWFObject> Clone() const override {
        return std::make_unique<TTestStreamSound>(*this);
    }
    void WriteToStream(TBitsEngine&) override {}
    int StreamMinVersion() const override { return 4; }
    void FillStreamHead(TSWFSoundStreamHead2& Head, float FrameRate) override {
        Head.StreamSoundCompression = 1;
        Head.StreamSoundSampleCount = static_cast<uint16_t>(11025 / FrameRate);
        Blocks = 0;
    }
    void WriteStreamBlock(TBitsEngine& BE) override {
        TSWFSoundStreamBlock Block;
        Block.StreamSoundCompression = 1;
        Block.Data().Write("\x01\x02", 2);
        Block.WriteToStream(BE);
        ++Blocks;
    }
    uint16_t StreamStartFrame() const override { return Start; }
};
}  // namespace

TEST(Movie, CharacterIDsFollowCreationFromTheCallersRange) {
    TFlashMovie M = PixelMovie();
    EXPECT_EQ(AddTestShape(M)->CharacterID(), 1);
    M.NextCharacterID = 1000;
    std::vector<uint16_t> IDs;
    for (int i = 0; i < 3; ++i) IDs.push_back(M.AddSprite()->CharacterID());
    IDs.push_back(AddTestShape(M)->CharacterID());
    EXPECT_EQ(IDs, (std::vector<uint16_t>{1000, 1001, 1002, 1003}));
    EXPECT_EQ(M.NextCharacterID, 1004);
    EXPECT_EQ(M.Sprites().Count(), 3u);
}

TEST(Movie, FramesAreClosedAutomaticallyOnlyWhenSomethingIsPlaced) {
    {
        TFlashMovie M = PixelMovie();
        M.PlaceObject(AddTestShape(M), 1);
        TBytes File = BuiltFile(M);
        EXPECT_EQ(ParsedCodes(File), (std::vector<uint16_t>{2, 26, 1, 0}));
        EXPECT_EQ(M.FrameCount, 1);
        EXPECT_EQ(Hex(TBytes(File.end() - 4, File.end())), "40 00 00 00");
    }
    {
        TFlashMovie M = PixelMovie();
        AddTestShape(M);
        EXPECT_EQ(ParsedCodes(BuiltFile(M)), (std::vector<uint16_t>{2, 0}));
        EXPECT_EQ(M.FrameCount, 0);
    }
    {
        // An End already in the list is not doubled.
        TFlashMovie M = PixelMovie();
        M.ShowFrame();
        M.AddFlashObject(std::make_unique<TSWFEnd>());
        EXPECT_EQ(ParsedCodes(BuiltFile(M)), (std::vector<uint16_t>{1, 0}));
    }
}

TEST(Movie, ShowFrameWritesLabelThenScriptThenFrames) {
    TFlashMovie M = PixelMovie();
    M.ShowFrame(0);
    EXPECT_EQ(M.FrameCount, 1);
    EXPECT_EQ(M.ObjectList().Count(), 1u);
    M.SetFrameLabel("intro");
    M.FrameActions().FSCommand("fullscreen", "true");
    M.ShowFrame(2);
    EXPECT_EQ(M.FrameCount, 3);
    EXPECT_EQ(M.CurrentFrame(), 2);
    EXPECT_FALSE(M.HasFrameActions());
    EXPECT_EQ(ParsedCodes(BuiltFile(M)), (std::vector<uint16_t>{1, 43, 12, 1, 1, 0}));
    EXPECT_EQ(M.FrameCount, 3);

    // A sprite puts its script before its label.
    TFlashMovie N = PixelMovie();
    TFlashSprite* S = N.AddSprite();
    S->SetFrameLabel("a");
    S->FrameActions().SetVar("x", int64_t(1), true);
    S->ShowFrame();
    auto R = ReadBack(BuiltFile(N));
    auto* Sprite = dynamic_cast<TSWFDefineSprite*>(R->TagInfo(0).SWFObject);
    ASSERT_NE(Sprite, nullptr);
    std::vector<uint16_t> Inner;
    for (const auto& T : Sprite->ControlTags) Inner.push_back(T->TagID);
    EXPECT_EQ(Inner, (std::vector<uint16_t>{12, 43, 1, 0}));
}

TEST(Movie, ObjectsGoWhereTheAddModeSays) {
    TFlashMovie M = PixelMovie();
    TTestShape* A = AddTestShape(M);
    TTestShape* B = AddTestShape(M);
    EXPECT_EQ(IndexIn(M, A), 0);
    EXPECT_EQ(IndexIn(M, B), 1);

    // Mode 2 on a movie without frames closes a frame; new objects land in front of its ShowFrame.
    M.SetAddMode(2);
    EXPECT_EQ(M.FrameCount, 1);
    ASSERT_EQ(M.ObjectList().Count(), 3u);
    EXPECT_TRUE(IsShowFrameAt(M, 2));
    TTestShape* C = AddTestShape(M);
    EXPECT_EQ(IndexIn(M, C), 2);
    EXPECT_TRUE(IsShowFrameAt(M, 3));

    // Frame 0 again: the next object goes to the very front, the one after it behind it.
    M.SetCurrentFrame(0);
    TTestShape* D = AddTestShape(M);
    TTestShape* E = AddTestShape(M);
    EXPECT_EQ(IndexIn(M, D), 0);
    EXPECT_EQ(IndexIn(M, E), 1);

    // The preloader idiom: drop the ShowFrame the mode caused and go back to appending.
    M.ObjectList().Delete(M.ObjectList().Count() - 1);
    M.SetAddMode(0);
    TTestShape* F = AddTestShape(M);
    EXPECT_EQ(IndexIn(M, F), static_cast<int>(M.ObjectList().Count()) - 1);
    M.BuildBody();
    EXPECT_EQ(M.FrameCount, 0);
}

TEST(Movie, ModeOneInsertsAtTheFramesShowFrame) {
    TFlashMovie M = PixelMovie();
    AddTestShape(M);
    M.ShowFrame();
    AddTestShape(M);
    M.ShowFrame();
    M.SetAddMode(1);
    M.SetCurrentFrame(1);  // the first ShowFrame stands at index 1
    TTestShape* X = AddTestShape(M);
    EXPECT_EQ(IndexIn(M, X), 1);
    EXPECT_TRUE(IsShowFrameAt(M, 2));
    // A frame beyond the end is created.
    M.SetCurrentFrame(3);
    EXPECT_EQ(M.FrameCount, 4);
    EXPECT_EQ(M.CurrentFrame(), 3);
}

TEST(Movie, FrameTagIndexFindsTheNthShowFrame) {
    TFlashMovie M = PixelMovie();
    EXPECT_EQ(M.FrameTagIndex(2), 0);
    AddTestShape(M);
    M.ShowFrame();
    AddTestShape(M);
    M.ShowFrame();  // list: shape, SF, shape, SF
    const std::pair<int, int> Cases[] = {{0, 0}, {1, 1}, {2, 3}, {3, 3}, {-1, 0}};
    for (auto [Frame, Index] : Cases) EXPECT_EQ(M.FrameTagIndex(Frame), Index) << Frame;
}

TEST(Movie, SpritePlacementMovesALaterDefinitionInFrontOfTheSprite) {
    TFlashMovie M = PixelMovie();
    TFlashSprite* S = M.AddSprite();
    TTestShape* Early = AddTestShape(M);
    TTestShape* Shape = AddTestShape(M);
    S->PlaceObject(Shape, 3);
    EXPECT_EQ(IndexIn(M, Shape), 0);
    EXPECT_EQ(IndexIn(M, S), 1);
    EXPECT_EQ(IndexIn(M, Early), 2);
    EXPECT_EQ(S->MaxDepth(), 3);
    // A definition already in front stays.
    TTestShape* Before = AddTestShape(M);
    TFlashSprite* Later = M.AddSprite();
    Later->PlaceObject(Before, 1);
    EXPECT_LT(IndexIn(M, Before), IndexIn(M, Later));
    EXPECT_EQ(ParsedCodes(BuiltFile(M)), (std::vector<uint16_t>{2, 39, 2, 2, 39, 0}));
}

TEST(Movie, AddSpriteWithContentMakesAOneFrameSprite) {
    TFlashMovie M = PixelMovie();
    TTestShape* Shape = AddTestShape(M);
    TFlashSprite* S = M.AddSprite(Shape);
    M.PlaceObject(S, 1);
    auto R = ReadBack(BuiltFile(M));
    auto* Sprite = dynamic_cast<TSWFDefineSprite*>(R->TagInfo(1).SWFObject);
    ASSERT_NE(Sprite, nullptr);
    EXPECT_EQ(Sprite->SpriteID, S->CharacterID());
    EXPECT_EQ(Sprite->FrameCount, 1);
    ASSERT_EQ(Sprite->ControlTags.Count(), 3u);
    auto* Place = dynamic_cast<TSWFPlaceObject2*>(Sprite->ControlTags[0]);
    ASSERT_NE(Place, nullptr);
    EXPECT_EQ(Place->Depth, 1);
    EXPECT_EQ(Place->CharacterID(), Shape->CharacterID());
}

TEST(Movie, MaskedPairPlacesMaskAndContentInANewSprite) {
    TFlashMovie M = PixelMovie();
    TFlashSprite* Outer = M.AddSprite();
    TTestShape* Mask = AddTestShape(M);
    TTestShape* Content = AddTestShape(M);
    TFlashPlaceObject* P = Outer->PlaceObject(Mask, Content, 5);
    auto* Pair = dynamic_cast<TFlashSprite*>(P->Character());
    ASSERT_NE(Pair, nullptr);
    EXPECT_EQ(P->Depth(), 5);
    auto* MaskPlace = dynamic_cast<TFlashPlaceObject*>(Pair->ObjectList()[0]);
    auto* ContentPlace = dynamic_cast<TFlashPlaceObject*>(Pair->ObjectList()[1]);
    ASSERT_TRUE(MaskPlace && ContentPlace);
    EXPECT_EQ(MaskPlace->Character(), Mask);
    EXPECT_EQ(MaskPlace->Depth(), 1);
    EXPECT_EQ(MaskPlace->Record().ClipDepth(), 2);
    EXPECT_EQ(ContentPlace->Depth(), 2);
    // Everything is defined before the sprite that uses it.
    EXPECT_LT(IndexIn(M, Mask), IndexIn(M, Pair));
    EXPECT_LT(IndexIn(M, Pair), IndexIn(M, Outer));
    ParsedCodes(BuiltFile(M));
}

TEST(Movie, VersionRisesToWhatTheContentNeedsAndNeverFalls) {
    struct TCase {
        const char* Name;
        uint8_t Version;
        std::function<void(TFlashMovie&, TFlashPlaceObject&)> Setup;
        uint8_t Expected;
    };
    const TCase Cases[] = {
        {"blend mode 6", 6, [](TFlashMovie&, TFlashPlaceObject& P) { P.SetBlendMode(6); }, 8},
        {"blend mode 1", 6, [](TFlashMovie&, TFlashPlaceObject& P) { P.SetBlendMode(1); }, 6},
        {"clip actions", 6, [](TFlashMovie&, TFlashPlaceObject& P) { P.OnRelease().GetURL("a", "b"); }, 6},
        {"clip actions on 4", 4, [](TFlashMovie&, TFlashPlaceObject& P) { P.OnRelease().GetURL("a", ""); },
         5},
        {"plain on 8", 8, [](TFlashMovie&, TFlashPlaceObject&) {}, 8},
        {"password", 4, [](TFlashMovie& M, TFlashPlaceObject&) { M.Protect = true, M.Password = "x"; }, 5},
        {"file attributes", 6, [](TFlashMovie& M, TFlashPlaceObject&) { M.FileAttributes(); }, 8},
    };
    for (const auto& C : Cases) {
        TFlashMovie M = PixelMovie();
        M.SetVersion(C.Version);
        TFlashPlaceObject* P = M.PlaceObject(M.AddSprite(), 1);
        C.Setup(M, *P);
        TBytes File = BuiltFile(M);
        EXPECT_EQ(M.Version(), C.Expected) << C.Name;
        EXPECT_EQ(File[3], C.Expected) << C.Name;
        EXPECT_EQ(M.CorrectImageFill(), C.Expected < 8) << C.Name;
        ParsedCodes(File);
    }
}

TEST(Movie, PlacementWritesPlaceObject2UnlessItNeedsPlaceObject3) {
    const std::pair<uint8_t, uint16_t> Cases[] = {{0, 26}, {1, 26}, {2, 70}, {6, 70}};
    for (auto [Blend, Code] : Cases) {
        TFlashMovie M = PixelMovie();
        M.SetVersion(8);
        M.PlaceObject(AddTestShape(M), 1)->SetBlendMode(Blend);
        EXPECT_EQ(ParsedCodes(BuiltFile(M))[1], Code) << int(Blend);
    }
}

TEST(Movie, PlacementTranslatesInTheRightUnits) {
    TFlashMovie M = PixelMovie();
    TTestShape* Shape = AddTestShape(M);
    TFlashPlaceObject* P = M.PlaceObject(Shape, 1);
    P->SetTranslate(0, 0);
    EXPECT_FALSE(P->Record().HasMatrix);
    P->SetTranslate(3, 4);
    EXPECT_EQ(P->Record().Matrix().TranslateX, 60);
    EXPECT_EQ(P->Record().Matrix().TranslateY, 80);
    P->SetTranslate(0, 0);  // with a matrix a zero translation is written
    EXPECT_EQ(P->Record().Matrix().TranslateX, 0);
    Shape->IgnoreMovieUnits = true;
    P->SetX(7);
    P->SetY(9);
    EXPECT_EQ(P->Record().Matrix().TranslateX, 7);
    EXPECT_EQ(P->Record().Matrix().TranslateY, 9);
    P->SetName("pic");
    P->SetScale(2, 0.5f);
    P->SetRatio(3);
    P->ColorTransform().SetAlphaMult(128);
    TBytes File = BuiltFile(M);
    auto R = ReadBack(File);
    auto* Back = dynamic_cast<TSWFPlaceObject2*>(R->TagInfo(1).SWFObject);
    ASSERT_NE(Back, nullptr);
    EXPECT_EQ(Back->Name(), "pic");
    EXPECT_EQ(Back->Matrix(), P->Record().Matrix());
    EXPECT_EQ(Back->Ratio(), 3);
    EXPECT_EQ(Back->ColorTransform().AlphaMult, 128);
}

TEST(Movie, ClipActionsOfSpritePlacements) {
    TFlashMovie M = PixelMovie();
    M.SetVersion(8);
    TFlashPlaceObject* Linked = M.PlaceObject(M.AddSprite(), 1);
    Linked->OnRelease().GetURL("http://example.com/", "_blank");
    Linked->OnRelease().SetVar("clicked", true, true);  // the same record again
    TFlashPlaceObject* Plain = M.PlaceObject(M.AddSprite(), 2);
    Plain->OnKeyPress(0).GetURL("", "");
    EXPECT_THROW(M.PlaceObject(AddTestShape(M), 3)->OnRelease(), ESWFError);

    ASSERT_EQ(Linked->Record().ClipActions().Records.Count(), 1u);
    EXPECT_EQ(Linked->Record().ClipActions().Records[0]->Actions.Count(), 3u);
    const auto& Keys = Plain->Record().ClipActions();
    ASSERT_EQ(Keys.Records.Count(), 1u);
    EXPECT_EQ(Keys.Records[0]->EventFlags, 0u);
    EXPECT_EQ(Keys.AllEventFlags, uint32_t(ceKeyPress));

    auto R = ReadBack(BuiltFile(M));
    auto* Back = dynamic_cast<TSWFPlaceObject2*>(R->TagInfo(1).SWFObject);
    ASSERT_NE(Back, nullptr);
    ASSERT_TRUE(Back->HasClipActionRecords());
    EXPECT_EQ(Back->ClipActions().Records[0]->EventFlags, uint32_t(ceRelease));
    auto* Url = dynamic_cast<TSWFActionGetUrl*>(Back->ClipActions().Records[0]->Actions[0]);
    ASSERT_NE(Url, nullptr);
    EXPECT_EQ(Url->Target, "_blank");
}

TEST(Movie, MovieWideRecordsComeFirstInTheirOrder) {
    TFlashMovie M = PixelMovie();
    M.SetVersion(8);
    M.SetMetadata("<rdf/>");
    M.FileAttributes().SetUseNetwork(true);
    M.BackgroundColor() = TSWFRGB(1, 2, 3);
    M.Protect = true;
    M.Password = "secret";
    TFlashSprite* S = M.AddSprite(AddTestShape(M));
    S->InitActions().SetVar("ready", true, false);
    M.PlaceObject(S, 1)->SetName("s");
    M.ExportAssets("Slide0", S->CharacterID());
    M.FrameActions().FSCommand("fullscreen", "true");
    M.FlushFrameActions();
    M.ShowFrame();
    M.RemoveObject(1);
    M.RemoveObject(1, S);
    TBytes File = BuiltFile(M);
    EXPECT_EQ(ParsedCodes(File), (std::vector<uint16_t>{69, 77, 9, 24, 2, 39, 59, 26, 56, 12, 1, 28, 5, 0}));
    auto R = ReadBack(File);
    EXPECT_EQ(dynamic_cast<TSWFMetadata*>(R->TagInfo(1).SWFObject)->MetaData, "<rdf/>");
    EXPECT_EQ(dynamic_cast<TSWFSetBackgroundColor*>(R->TagInfo(2).SWFObject)->Color, TSWFRGB(1, 2, 3));
    EXPECT_EQ(dynamic_cast<TSWFDoInitAction*>(R->TagInfo(6).SWFObject)->SpriteID, S->CharacterID());
    auto* Export = dynamic_cast<TSWFExportAssets*>(R->TagInfo(8).SWFObject);
    ASSERT_EQ(Export->Assets.Entries.size(), 1u);
    EXPECT_EQ(Export->Assets.Entries[0].Name, "Slide0");
    EXPECT_EQ(Export->Assets.Entries[0].ID, S->CharacterID());

    // A second build writes the same movie (the password digest has a new salt).
    TBytes Again = BuiltFile(M);
    EXPECT_EQ(ParsedCodes(Again), ParsedCodes(File));
    EXPECT_EQ(Again.size(), File.size());

    // A transparent movie drops the background again.
    M.HasBackgroundColor = false;
    EXPECT_EQ(CountOf(ParsedCodes(BuiltFile(M)), 9), 0);
}

TEST(Movie, StreamSoundWritesItsHeadAndABlockPerFrameFromItsStart) {
    TFlashMovie M = PixelMovie();
    auto* Sound = M.SetStreamSound(std::make_unique<TTestStreamSound>());
    Sound->Start = 1;
    M.ShowFrame(3);
    TBytes File = BuiltFile(M);
    EXPECT_EQ(ParsedCodes(File), (std::vector<uint16_t>{45, 1, 19, 1, 19, 1, 0}));
    EXPECT_EQ(Sound->Blocks, 2);

    // The same inside a sprite.
    TFlashMovie N = PixelMovie();
    TFlashSprite* S = N.AddSprite();
    S->SetStreamSound(std::make_unique<TTestStreamSound>());
    S->ShowFrame(2);
    auto R = ReadBack(BuiltFile(N));
    auto* Sprite = dynamic_cast<TSWFDefineSprite*>(R->TagInfo(0).SWFObject);
    ASSERT_NE(Sprite, nullptr);
    std::vector<uint16_t> Inner;
    for (const auto& T : Sprite->ControlTags) Inner.push_back(T->TagID);
    EXPECT_EQ(Inner, (std::vector<uint16_t>{45, 19, 1, 19, 1, 0}));
}

TEST(Movie, MoveDefinitionsBringsBitmapsSoundsAndFontsToTheFront) {
    TFlashMovie M = PixelMovie();
    TTestShape* Shape = AddTestShape(M);
    auto Bits = [](uint16_t ID) {
        auto B = std::make_unique<TSWFDefineBitsLossless>();
        B->CharacterID = ID;
        return B;
    };
    auto* B1 = M.AddFlashObject(Bits(10));
    M.PlaceObject(Shape, 1);
    auto* Sound = M.AddFlashObject(std::make_unique<TSWFDefineSound>());
    auto* B2 = M.AddFlashObject(Bits(11));
    M.MoveDefinitions(0, 0, 0);
    EXPECT_EQ(IndexIn(M, B1), 0);
    EXPECT_EQ(IndexIn(M, Sound), 1);
    EXPECT_EQ(IndexIn(M, B2), 2);
    EXPECT_EQ(IndexIn(M, Shape), 3);
}

TEST(Movie, ProgressIsReportedPerObject) {
    TFlashMovie M = PixelMovie();
    for (int i = 0; i < 4; ++i) AddTestShape(M);
    std::vector<int> Seen;
    M.OnProgress = [&](TBasedSWFStream&, int Percent, uint8_t Stage) {
        EXPECT_EQ(Stage, 1);
        Seen.push_back(Percent);
    };
    M.BuildBody();
    EXPECT_EQ(Seen, (std::vector<int>{25, 50, 75, 100}));
}

TEST(Movie, ClipEventFlagsFollowTheVersionARaisedHeaderGives) {
    TFlashMovie M = PixelMovie();
    M.SetVersion(5);
    TFlashSprite* S = M.AddSprite();
    M.PlaceObject(S, 1)->OnRelease().GetURL("a", "");
    TFlashSprite* Inner = M.AddSprite();
    S->PlaceObject(Inner, 1)->OnRelease().GetURL("b", "");
    M.PlaceObject(AddTestShape(M), 2)->SetBlendMode(6);  // raises the movie to 8 after the clip actions
    TBytes File = BuiltFile(M);
    EXPECT_EQ(File[3], 8);
    auto R = ReadBack(File);
    int Found = 0;
    for (size_t i = 0; i < R->TagList.size(); ++i) {
        TSWFObject* Record = R->TagInfo(i).SWFObject;
        if (auto* Sprite = dynamic_cast<TSWFDefineSprite*>(Record);
            Sprite && Sprite->SpriteID == S->CharacterID())
            Record = Sprite->ControlTags[0];
        auto* Place = dynamic_cast<TSWFPlaceObject2*>(Record);
        if (!Place || !Place->HasClipActions) continue;
        ASSERT_EQ(Place->ClipActions().Records.Count(), 1u);
        EXPECT_EQ(Place->ClipActions().Records[0]->EventFlags, uint32_t(ceRelease));
        ++Found;
    }
    EXPECT_EQ(Found, 2);
}
