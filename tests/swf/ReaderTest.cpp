#include <gtest/gtest.h>

#include "SWFReader.h"
#include "SWFTags.h"
#include "TestUtil.h"

namespace {
// A movie written tag by tag through the records, as bytes of an FWS file.
class TMovieBytes : public TBasedSWFStream {
  public:
    TMovieBytes() : TBasedSWFStream(0, 0, 100, 100, 12, true) {}
    int FrameTagIndex(int) override { return 0; }
    void BuildBody() override {}
    void MoveDefinitions(int, int, int) override {}
    template <class T>
    T& Add(std::unique_ptr<T> Tag) {
        TBitsEngine BE(BodyStream());
        Tag->WriteToStream(BE);
        T& Ref = *Tag;
        Kept.push_back(std::move(Tag));
        return Ref;
    }
    TBytes File() {
        TMemoryStream S;
        SaveToStream(S);
        return S.TakeBytes();
    }
    std::vector<std::unique_ptr<TSWFObject>> Kept;
};

std::unique_ptr<TSWFDefineBitsLossless> Bitmap(uint16_t ID) {
    auto B = std::make_unique<TSWFDefineBitsLossless>();
    B->CharacterID = ID;
    B->BitmapWidth = B->BitmapHeight = 1;
    B->Data().Write("\x78\x9c", 2);
    return B;
}

std::unique_ptr<TSWFPlaceObject2> Place(uint16_t ID, uint16_t Depth, const std::string& Name = "") {
    auto P = std::make_unique<TSWFPlaceObject2>();
    P->SetCharacterID(ID);
    P->Depth = Depth;
    if (!Name.empty()) P->SetName(Name);
    return P;
}

void Load(TSWFStreamReader& R, const TBytes& File) {
    TMemoryStream S(File);
    R.LoadFromStream(S);
    ASSERT_TRUE(R.IsValid);
    R.ReadTags(true, false);
}
}  // namespace

TEST(Reader, Signatures) {
    struct Case {
        const char* Bytes;
        bool Valid;
    };
    for (const Case& C : {Case{"46 57 53", false}, Case{"5A 57 53 0A 00 00 00 00", false},
                          Case{"46 57 53 08", true}, Case{"43 57 53 08", true}, Case{"", false}}) {
        TSWFStreamReader R;
        TMemoryStream S(FromHex(C.Bytes));
        EXPECT_EQ(R.CheckSignature(S), C.Valid) << C.Bytes;
    }
    // A valid signature with a truncated header is an error, not a crash.
    TSWFStreamReader R;
    TMemoryStream S(FromHex("46 57 53 08 20 00 00 00 78"));
    EXPECT_THROW(R.LoadFromStream(S), ESWFError);
}

TEST(Reader, FramesHeadersAndCompressedFiles) {
    TMovieBytes M;
    M.Add(Bitmap(1));
    M.Add(std::make_unique<TSWFShowFrame>());
    auto Label = std::make_unique<TSWFFrameLabel>();
    Label->Name = "first";
    M.Add(std::move(Label));
    M.Add(std::make_unique<TSWFShowFrame>());
    M.Add(std::make_unique<TSWFRemoveObject2>());
    M.Add(std::make_unique<TSWFEnd>());
    M.FrameCount = 2;
    TBytes Plain = M.File();
    M.SetCompressed(true);
    TBytes Packed = M.File();

    TSWFStreamReader P, C;
    Load(P, Plain);
    Load(C, Packed);
    EXPECT_TRUE(C.Compressed());
    EXPECT_EQ(C.Version(), 6);
    EXPECT_EQ(P.FrameSize, C.FrameSize);
    EXPECT_EQ(C.FrameCount, 2);
    EXPECT_EQ(C.FrameRateWord(), 0x0C00);
    EXPECT_EQ(static_cast<TMemoryStream&>(P.BodyStream()).Bytes(),
              static_cast<TMemoryStream&>(C.BodyStream()).Bytes());
    ASSERT_EQ(P.TagList.size(), 6u);
    const uint16_t Frames[] = {1, 1, 2, 2, 3, 3};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(P.TagInfo(i).Frame, Frames[i]) << i;
    EXPECT_TRUE(P.TagInfo(0).LongHeader);  // DefineBitsLossless
    EXPECT_EQ(P.TagInfo(0).ByteSize(), P.TagInfo(0).Length + 6);
    EXPECT_FALSE(P.TagInfo(2).LongHeader);
    EXPECT_EQ(P.FrameTagIndex(0), 0);
    EXPECT_EQ(P.FrameTagIndex(2), 3);
    EXPECT_EQ(P.FrameTagIndex(9), 5);

    // Entries without records copy their bytes; the body comes back byte for byte either way.
    TBytes Body(static_cast<TMemoryStream&>(P.BodyStream()).Bytes());
    for (bool Records : {false, true}) {
        TSWFStreamReader R;
        Load(R, Plain);
        R.ReadTags(Records, false);
        R.BuildBody();
        EXPECT_EQ(static_cast<TMemoryStream&>(R.BodyStream()).Bytes(), Body);
    }
}

TEST(Reader, CompressedLengthBeyondTheDataFails) {
    TMovieBytes M;
    M.Add(std::make_unique<TSWFEnd>());
    M.SetCompressed(true);
    TBytes File = M.File();
    File[7] = 0xF0;  // claims about 4 GB
    TSWFStreamReader R;
    TMemoryStream S(File);
    try {
        R.LoadFromStream(S);
        FAIL() << "no error";
    } catch (const ESWFError& E) {
        EXPECT_NE(std::string(E.what()).find("before the length its header gives"), std::string::npos)
            << E.what();
    }
    File = M.File();
    File[12] ^= 0x55;  // corrupt deflate data
    TMemoryStream S2(File);
    EXPECT_THROW(R.LoadFromStream(S2), ESWFError);
}

TEST(Reader, FindsDefinitionsByName) {
    TMovieBytes M;
    M.Add(Bitmap(1));
    M.Add(Bitmap(2));
    auto Sprite = std::make_unique<TSWFDefineSprite>();
    Sprite->SpriteID = 3;
    Sprite->ControlTags.Add(Place(2, 1, "CONTROLLER"));
    M.Add(std::move(Sprite));
    auto Exports = std::make_unique<TSWFExportAssets>();
    Exports->Assets.Add("Missing", 77);
    Exports->Assets.Add("First", 1);
    M.Add(std::move(Exports));
    M.Add(Place(3, 1, "holder"));
    M.Add(std::make_unique<TSWFEnd>());
    TSWFStreamReader R;
    Load(R, M.File());
    auto IDOf = [](TSWFObject* O) {
        uint16_t ID = 0;
        if (O) O->VisitDefinedIDs([&](uint16_t& V) { ID = V; });
        return ID;
    };
    EXPECT_EQ(IDOf(R.FindObjectByName("CONTROLLER")), 2);
    EXPECT_EQ(IDOf(R.FindObjectByName("First")), 1);
    EXPECT_EQ(IDOf(R.FindObjectByName("holder")), 3);
    EXPECT_EQ(R.FindObjectByName("Missing"), nullptr);
    EXPECT_EQ(R.FindObjectByName("controller"), nullptr);
    EXPECT_EQ(R.FindIndexByID(2), 1);
    EXPECT_EQ(R.FindIndexByID(9), -1);
}

TEST(Reader, DeletesANamedObjectAndItsDefinition) {
    TMovieBytes M;
    M.Add(Bitmap(1));
    auto Sprite = std::make_unique<TSWFDefineSprite>();
    Sprite->SpriteID = 5;
    M.Add(std::move(Sprite));
    M.Add(Place(1, 1, "picture"));
    M.Add(Place(5, 2, "ScriptContainer"));
    M.Add(std::make_unique<TSWFShowFrame>());
    M.Add(std::make_unique<TSWFEnd>());
    TSWFStreamReader R;
    Load(R, M.File());
    R.DeleteByName(true, true, "ScriptContainer");
    std::vector<uint16_t> Codes;
    for (const auto& T : R.TagList) Codes.push_back(T->TagID);
    EXPECT_EQ(Codes, (std::vector<uint16_t>{20, 26, 1, 0}));
    EXPECT_EQ(dynamic_cast<TSWFPlaceObject2*>(R.TagInfo(1).SWFObject)->Name(), "picture");
    // A placement without a definition is a clear error.
    TMovieBytes N;
    N.Add(Place(9, 1, "orphan"));
    TSWFStreamReader O;
    Load(O, N.File());
    EXPECT_THROW(O.DeleteByName(true, true, "orphan"), ESWFError);
}

TEST(Reader, RenumbersCharactersAndTheirReferences) {
    TMovieBytes M;
    M.Add(Bitmap(1));
    M.Add(Bitmap(3));
    auto Sprite = std::make_unique<TSWFDefineSprite>();
    Sprite->SpriteID = 7;
    Sprite->ControlTags.Add(Place(3, 1));
    M.Add(std::move(Sprite));
    M.Add(Place(7, 1));
    M.Add(Place(7, 2));
    M.Add(Place(42, 3));  // not defined here: left alone
    auto Exports = std::make_unique<TSWFExportAssets>();
    Exports->Assets.Add("Sprite", 7);
    M.Add(std::move(Exports));
    M.Add(std::make_unique<TSWFEnd>());
    TSWFStreamReader R;
    Load(R, M.File());
    EXPECT_EQ(R.RenumberIDs(2000), 2003);
    auto PlacedID = [&](size_t i) {
        return dynamic_cast<TSWFPlaceObject2*>(R.TagInfo(i).SWFObject)->CharacterID();
    };
    EXPECT_EQ(PlacedID(3), 2002);
    EXPECT_EQ(PlacedID(4), 2002);
    EXPECT_EQ(PlacedID(5), 42);
    auto* S = dynamic_cast<TSWFDefineSprite*>(R.TagInfo(2).SWFObject);
    EXPECT_EQ(S->SpriteID, 2002);
    EXPECT_EQ(dynamic_cast<TSWFPlaceObject2*>(S->ControlTags[0])->CharacterID(), 2001);
    EXPECT_EQ(dynamic_cast<TSWFExportAssets*>(R.TagInfo(6).SWFObject)->Assets.Entries[0].ID, 2002);
    // A refused character keeps its ID.
    TSWFStreamReader Q;
    Load(Q, M.File());
    Q.OnRenumber = [](TSWFObject& O, bool& Change) { Change = O.TagID != 39; };
    EXPECT_EQ(Q.RenumberIDs(100), 102);
    EXPECT_EQ(dynamic_cast<TSWFPlaceObject2*>(Q.TagInfo(3).SWFObject)->CharacterID(), 7);
}

TEST(Reader, MovesDefinitionsToAnEarlierFrame) {
    TMovieBytes M;
    M.Add(std::make_unique<TSWFShowFrame>());
    M.Add(Place(1, 1));
    M.Add(Bitmap(1));
    M.Add(std::make_unique<TSWFShowFrame>());
    M.Add(Bitmap(2));
    M.Add(std::make_unique<TSWFShowFrame>());
    M.Add(std::make_unique<TSWFEnd>());
    M.FrameCount = 3;
    TSWFStreamReader R;
    Load(R, M.File());
    R.MoveDefinitions(0, 2, -1);
    std::vector<uint16_t> Codes;
    for (const auto& T : R.TagList) Codes.push_back(T->TagID);
    EXPECT_EQ(Codes, (std::vector<uint16_t>{20, 20, 1, 26, 1, 1, 0}));
}
