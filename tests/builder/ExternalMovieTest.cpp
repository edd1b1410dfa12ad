#include <gtest/gtest.h>

#include <set>

#include "FlashExternalMovie.h"
#include "FlashMovie.h"
#include "FlashSprite.h"
#include "MovieTestUtil.h"
#include "SWFFonts.h"
#include "SWFTexts.h"

namespace {
// A file with the movie-wide records, four shapes and a sprite placing the first (five characters), all
// placed in frame 1, a script, an export, and Frames frames with a removal in the second.
TBytes SourceMovie(int Frames) {
    TFlashMovie M(0, 0, 50, 50, 12, true);
    M.SetVersion(8);
    M.BackgroundColor() = TSWFRGB(9, 9, 9);
    M.SetMetadata("<rdf/>");
    std::vector<TFlashIDObject*> Characters;
    for (int i = 0; i < 4; ++i) Characters.push_back(AddTestShape(M));
    Characters.push_back(M.AddSprite(static_cast<TTestShape*>(Characters[0])));
    for (size_t i = 0; i < Characters.size(); ++i) M.PlaceObject(Characters[i], static_cast<uint16_t>(i + 1));
    M.ExportAssets("Thing", Characters[4]->CharacterID());
    M.FrameActions().SetVar("v", int64_t(1), true);
    M.ShowFrame();
    M.RemoveObject(1);
    M.RemoveObject(2, Characters[1]);
    M.ShowFrame(static_cast<uint16_t>(Frames - 1));
    return BuiltFile(M);
}

// A version 8 movie to import into.
#define HOST_MOVIE(M)                        \
    TFlashMovie M(0, 0, 100, 100, 12, true); \
    M.SetVersion(8)

TFlashExternalMovie* Import(TFlashMovie& M, const TBytes& File, uint8_t Mode, bool AutoID = true) {
    TMemoryStream S{TBytes(File)};
    return M.AddExternalMovie(S, Mode, AutoID);
}

// The IDs defined by the main-timeline records of a file, and every ID they refer to.
void CollectIDs(TSWFStreamReader& R, std::set<uint16_t>& Defined, std::set<uint16_t>& Referenced) {
    for (const auto& Info : R.TagList) {
        if (!Info->SWFObject) continue;
        Info->SWFObject->VisitDefinedIDs([&](uint16_t& ID) { Defined.insert(ID); });
        Info->SWFObject->VisitReferences([&](uint16_t& ID) { Referenced.insert(ID); });
    }
}
}  // namespace

TEST(ExternalMovie, MainTimelineImportIsRenumberedIntoTheMoviesRange) {
    HOST_MOVIE(M);
    M.NextCharacterID = 2000;
    TFlashExternalMovie* E = Import(M, SourceMovie(3), 0);
    EXPECT_EQ(E->CharacterID(), 2000);
    EXPECT_EQ(E->CharacterCount(), 5);
    EXPECT_EQ(M.NextCharacterID, 2006);

    TBytes File = BuiltFile(M);
    std::vector<uint16_t> Codes = ParsedCodes(File);
    EXPECT_EQ(M.FrameCount, 3);
    auto R = ReadBack(File);
    EXPECT_EQ(R->FrameCount, 3);
    std::set<uint16_t> Defined, Referenced;
    CollectIDs(*R, Defined, Referenced);
    EXPECT_EQ(Defined, (std::set<uint16_t>{2000, 2001, 2002, 2003, 2004}));
    for (uint16_t ID : Referenced) EXPECT_TRUE(Defined.count(ID)) << ID;
}

TEST(ExternalMovie, SpriteImportWrapsTheTimelineAfterItsDefinitions) {
    HOST_MOVIE(M);
    M.NextCharacterID = 2000;
    TFlashExternalMovie* E = Import(M, SourceMovie(10), 3);
    ASSERT_NE(E->Sprite(), nullptr);
    EXPECT_EQ(E->Sprite()->CharacterID(), 2000);
    EXPECT_EQ(E->Sprite()->FrameCount(), 10);
    EXPECT_EQ(M.NextCharacterID, 2007);
    EXPECT_TRUE(M.Sprites().Contains(E->Sprite()));
    M.PlaceObject(E->Sprite(), 1);

    TBytes File = BuiltFile(M);
    std::vector<uint16_t> Codes = ParsedCodes(File);
    EXPECT_EQ(Codes, (std::vector<uint16_t>{2, 2, 2, 2, 39, 56, 39, 26, 1, 0}));
    auto R = ReadBack(File);
    std::set<uint16_t> Defined, Referenced;
    CollectIDs(*R, Defined, Referenced);
    EXPECT_EQ(Defined, (std::set<uint16_t>{2000, 2001, 2002, 2003, 2004, 2005}));
    auto* Sprite = dynamic_cast<TSWFDefineSprite*>(R->TagInfo(6).SWFObject);
    ASSERT_NE(Sprite, nullptr);
    EXPECT_EQ(Sprite->SpriteID, 2000);
    EXPECT_EQ(Sprite->FrameCount, 10);
    const std::set<uint16_t> Control = {1, 4, 5, 12, 15, 18, 19, 26, 28, 43, 45, 70, 0};
    int ShowFrames = 0;
    for (const auto& T : Sprite->ControlTags) {
        EXPECT_TRUE(Control.count(T->TagID)) << T->TagID;
        ShowFrames += T->TagID == 1;
    }
    EXPECT_EQ(ShowFrames, 10);

    // A second build rebuilds the sprite's content from the file.
    EXPECT_EQ(BuiltFile(M), File);
}

TEST(ExternalMovie, ModesDecideWhichTagsAreTaken) {
    struct TCase {
        uint8_t Mode;
        int ShowFrames, Places, Removes, Frames;
    };
    const TCase Cases[] = {{0, 3, 5, 2, 3}, {1, 0, 0, 0, 0}, {2, 0, 5, 2, 0}};
    const TBytes Source = SourceMovie(3);
    for (const auto& C : Cases) {
        HOST_MOVIE(M);
        Import(M, Source, C.Mode);
        std::vector<uint16_t> Codes = ParsedCodes(BuiltFile(M));
        EXPECT_EQ(CountOf(Codes, 1), C.ShowFrames) << int(C.Mode);
        EXPECT_EQ(CountOf(Codes, 26), C.Places) << int(C.Mode);
        EXPECT_EQ(CountOf(Codes, 28) + CountOf(Codes, 5), C.Removes) << int(C.Mode);
        EXPECT_EQ(M.FrameCount, C.Frames) << int(C.Mode);
        // Definitions, scripts and exports are taken in every mode; the file's own framing never.
        EXPECT_EQ(CountOf(Codes, 2), 4) << int(C.Mode);
        EXPECT_EQ(CountOf(Codes, 39), 1) << int(C.Mode);
        EXPECT_EQ(CountOf(Codes, 12), 1) << int(C.Mode);
        EXPECT_EQ(CountOf(Codes, 56), 1) << int(C.Mode);
        for (uint16_t Never : {9, 69, 77}) EXPECT_EQ(CountOf(Codes, Never), 0) << int(C.Mode) << " " << Never;
        EXPECT_EQ(CountOf(Codes, 0), 1) << int(C.Mode);
        EXPECT_EQ(Codes.back(), 0);
    }
}

TEST(ExternalMovie, OnImportTagCanDropTags) {
    HOST_MOVIE(M);
    TFlashExternalMovie* E = Import(M, SourceMovie(2), 0);
    std::set<uint16_t> Offered;
    E->OnImportTag = [&](TSWFTagInfo& Tag, bool& Accept) {
        Offered.insert(ImportedTagCode(Tag));
        Accept = ImportedTagCode(Tag) != 12;
    };
    std::vector<uint16_t> Codes = ParsedCodes(BuiltFile(M));
    EXPECT_EQ(CountOf(Codes, 12), 0);
    EXPECT_EQ(Offered, (std::set<uint16_t>{1, 2, 5, 12, 26, 28, 39, 56}));
}

TEST(ExternalMovie, EmbeddedFontNamesGetThePrefix) {
    TFlashMovie Source(0, 0, 50, 50, 12, true);
    Source.SetVersion(8);
    auto Font = [](uint16_t ID, const std::string& Name, bool Glyph) {
        auto F = std::make_unique<TSWFDefineFont2>();
        F->FontID = ID;
        F->FontName = Name;
        F->Version = 8;
        if (Glyph) {
            F->GlyphShapeTable.emplace_back();
            F->CodeTable.push_back('x');
        }
        return F;
    };
    Source.AddFlashObject(Font(1, "Arial", true));
    Source.AddFlashObject(Font(2, "Device", false));
    auto Outline = std::make_unique<TSWFDefineFont>();
    Outline->FontID = 3;
    Outline->GlyphShapeTable.emplace_back();
    Source.AddFlashObject(std::move(Outline));
    auto Info = std::make_unique<TSWFDefineFontInfo>();
    Info->FontID = 3;
    Info->FontName = "Times";
    Info->CodeTable.push_back('x');
    Source.AddFlashObject(std::move(Info));
    auto Edit = std::make_unique<TSWFDefineEditText>();
    Edit->CharacterID = 4;
    Edit->HTML = true;
    Edit->SetFont(1, 240);
    Edit->SetInitialText("<p><font face=\"Arial\" size=\"12\">x</font></p>");
    Source.AddFlashObject(std::move(Edit));
    const TBytes File = BuiltFile(Source);

    HOST_MOVIE(M);
    TFlashExternalMovie* E = Import(M, File, 1, false);
    E->OnFontPrefix = [] { return 123u; };
    for (int Build = 0; Build < 2; ++Build) {  // the parsed file keeps its names for the next build
        auto R = ReadBack(BuiltFile(M));
        ASSERT_EQ(R->TagList.size(), 6u);
        EXPECT_EQ(dynamic_cast<TSWFDefineFont2*>(R->TagInfo(0).SWFObject)->FontName, "123Arial");
        EXPECT_EQ(dynamic_cast<TSWFDefineFont2*>(R->TagInfo(1).SWFObject)->FontName, "Device");
        EXPECT_EQ(dynamic_cast<TSWFDefineFontInfo*>(R->TagInfo(3).SWFObject)->FontName, "123Times");
        EXPECT_EQ(dynamic_cast<TSWFDefineEditText*>(R->TagInfo(4).SWFObject)->InitialText,
                  "<p><font face=\"123Arial\" size=\"12\">x</font></p>");
    }
    E->RenameFonts = false;
    auto R = ReadBack(BuiltFile(M));
    EXPECT_EQ(dynamic_cast<TSWFDefineFont2*>(R->TagInfo(0).SWFObject)->FontName, "Arial");
}

TEST(ExternalMovie, HTMLFontFacesArePrefixedInsideTheirQuotes) {
    const std::pair<std::string, std::string> Cases[] = {
        {"<font face=\"Arial\">", "<font face=\"7Arial\">"},
        {"<FONT FACE='Verdana'>a</FONT><font Face = \"Arial\">",
         "<FONT FACE='7Verdana'>a</FONT><font Face = \"7Arial\">"},
        {"<font face=\"it's\">", "<font face=\"7it's\">"},
        {"no faces here", "no faces here"},
        {"typeface without quote", "typeface without quote"},
        {"face=\"open", "face=\"7open"},
    };
    for (const auto& [In, Out] : Cases) EXPECT_EQ(PrefixHTMLFontFaces(In, std::string("7")), Out) << In;
}

TEST(ExternalMovie, ImportedAssetsCountAsCharacters) {
    TFlashMovie Source(0, 0, 50, 50, 12, true);
    auto Imports = std::make_unique<TSWFImportAssets>();
    Imports->URL = "lib.swf";
    Imports->Assets.Add("a", 1);
    Imports->Assets.Add("b", 2);
    Source.AddFlashObject(std::move(Imports));
    AddTestShape(Source)->SetCharacterID(3);
    HOST_MOVIE(M);
    M.NextCharacterID = 50;
    EXPECT_EQ(Import(M, BuiltFile(Source), 1)->CharacterCount(), 3);
    EXPECT_EQ(M.NextCharacterID, 54);
}

TEST(ExternalMovie, ANonSWFStreamImportsNothing) {
    const TBytes Junk = {'n', 'o', 't', ' ', 'a', ' ', 's', 'w', 'f'};
    for (uint8_t Mode : {0, 3}) {
        HOST_MOVIE(M);
        M.NextCharacterID = 10;
        TFlashExternalMovie* E = Import(M, Junk, Mode);
        EXPECT_FALSE(E->Reader().IsValid);
        EXPECT_EQ(E->CharacterCount(), 0);
        EXPECT_EQ(M.NextCharacterID, Mode == 3 ? 12 : 11);
        EXPECT_EQ(ParsedCodes(BuiltFile(M)), (std::vector<uint16_t>{0}));
    }
}

// Every corpus file imported on the main timeline writes its own tags back byte for byte, less the
// movie-wide ones; wrapped in a sprite it still reads back.
TEST(ExternalMovie, CorpusFilesImportUnchanged) {
    for (const auto& Path : CorpusFiles()) {
        SCOPED_TRACE(Path.filename().string());
        TSWFStreamReader Source(Path.string());
        Source.ReadTags(false, false);
        if (Source.TagList.empty()) continue;  // not a file this reader takes
        auto* SourceBody = dynamic_cast<TMemoryStream*>(&Source.BodyStream());
        ASSERT_NE(SourceBody, nullptr);
        TBytes Expected;
        for (const auto& Info : Source.TagList) {
            if (std::set<uint16_t>{0, 9, 24, 58, 64, 69, 77}.count(Info->TagID)) continue;
            const uint8_t* At = SourceBody->Memory() + Info->Position;
            Expected.insert(Expected.end(), At,
                            At + std::min<int64_t>(Info->ByteSize(), SourceBody->Size() - Info->Position));
        }
        Expected.push_back(0);
        Expected.push_back(0);

        HOST_MOVIE(M);
        M.SetVersion(Source.Version());
        M.NextCharacterID = 1;
        M.AddExternalMovie(Path.string(), 0, false)->RenameFonts = false;
        M.BuildBody();
        auto& Body = static_cast<TMemoryStream&>(M.BodyStream());
        EXPECT_TRUE(Body.Bytes() == Expected);
        EXPECT_EQ(M.FrameCount, Source.FrameCount);

        HOST_MOVIE(W);
        W.SetVersion(Source.Version());
        W.NextCharacterID = 1000;
        TFlashExternalMovie* E = W.AddExternalMovie(Path.string(), 3, true);
        W.PlaceObject(E->Sprite(), 1);
        auto R = ReadBack(BuiltFile(W));
        int SpriteAt = R->FindIndexByID(1000);
        ASSERT_GE(SpriteAt, 0);
        auto* Sprite = dynamic_cast<TSWFDefineSprite*>(R->TagInfo(SpriteAt).SWFObject);
        ASSERT_NE(Sprite, nullptr);
        int ShowFrames = 0;
        for (const auto& T : Sprite->ControlTags) ShowFrames += T->TagID == 1;
        EXPECT_EQ(Sprite->FrameCount, std::max(1, ShowFrames));
    }
}

TEST(ExternalMovie, ClipActionsOfAnOlderFileAreWrittenForTheMoviesVersion) {
    TFlashMovie Source(0, 0, 50, 50, 12, true);
    Source.SetVersion(5);
    Source.PlaceObject(Source.AddSprite(), 1)->OnRelease().GetURL("x", "");
    const TBytes File = BuiltFile(Source);
    ASSERT_EQ(File[3], 5);
    for (uint8_t Mode : {0, 3}) {
        HOST_MOVIE(M);
        TFlashExternalMovie* E = Import(M, File, Mode);
        if (Mode == 3) M.PlaceObject(E->Sprite(), 1);
        auto R = ReadBack(BuiltFile(M));
        TSWFObject* Record = R->TagInfo(1).SWFObject;
        if (auto* Sprite = dynamic_cast<TSWFDefineSprite*>(Record)) Record = Sprite->ControlTags[0];
        auto* Place = dynamic_cast<TSWFPlaceObject2*>(Record);
        ASSERT_NE(Place, nullptr) << int(Mode);
        ASSERT_EQ(Place->ClipActions().Records.Count(), 1u) << int(Mode);
        EXPECT_EQ(Place->ClipActions().Records[0]->EventFlags, uint32_t(ceRelease)) << int(Mode);
    }
}
