// Writes one movie holding every kind of tag the SWF layer writes, and beside it a JSON list of the tags in
// order with the key fields an independent reader must find in them.
//   e2e_all_tags FOLDER   writes FOLDER/all-tags.swf and FOLDER/all-tags.json
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <type_traits>

#include "SWFMorphShapes.h"
#include "SWFShapes.h"
#include "SWFTags.h"
#include "SolidJPEG.h"

namespace {
// The expected fields of one tag, as JSON.
class TExpect {
  public:
    explicit TExpect(uint16_t Code) { S_ << "{\"code\":" << Code; }
    TExpect& Num(const char* Key, long long V) {
        S_ << ",\"" << Key << "\":" << V;
        return *this;
    }
    TExpect& Str(const char* Key, const std::string& V) {
        S_ << ",\"" << Key << "\":\"" << V << "\"";
        return *this;
    }
    TExpect& Raw(const char* Key, const std::string& Json) {
        S_ << ",\"" << Key << "\":" << Json;
        return *this;
    }
    std::string Json() const { return S_.str() + "}"; }

  private:
    std::ostringstream S_;
};

class TAllTagsMovie : public TBasedSWFStream {
  public:
    TAllTagsMovie() : TBasedSWFStream(0, 0, 400, 300, 24, true) {}
    TSWFObjectList Records;
    std::vector<std::string> Expected;

    template <class T>
    T& Add(std::unique_ptr<T> Record, const TExpect& E) {
        Expected.push_back(E.Json());
        return *Records.Add(std::move(Record));
    }
    int FrameTagIndex(int) override { return 0; }
    void MoveDefinitions(int, int, int) override {}
    void BuildBody() override {
        TBitsEngine BE(BodyStream());
        int V = Version();
        for (const auto& R : Records) {
            R->WriteToStream(BE);
            V = std::max(V, R->MinVersion());
            if (R->TagID == 1) ++FrameCount;
        }
        SetVersion(static_cast<uint8_t>(V));
    }
};

std::unique_ptr<TSWFActionByteCode> RawActions(std::initializer_list<uint8_t> Bytes) {
    auto A = std::make_unique<TSWFActionByteCode>();
    A->SetBytes(Bytes);
    return A;
}

// Push "color", 16777215; SetVariable; Play; Stop.
const std::initializer_list<uint8_t> Script = {0x96, 0x0C, 0x00, 0x00, 'c',  'o',  'l',  'o',  'r',
                                               0x00, 0x07, 0xFF, 0xFF, 0xFF, 0x00, 0x1D, 0x06, 0x07};
const char* ScriptCodes = "[150,29,6,7]";

void AddSquare(TSWFDefineShape& Shape, int Size) {
    Shape.ShapeBounds = TSWFKeptRect(0, 0, Size, Size);
    auto Move = std::make_unique<TSWFStyleChangeRecord>();
    Move->SetMoveTo(0, 0);
    Move->SetFillStyle1(1);
    if (!Shape.LineStyles.Empty()) Move->SetLineStyle(1);
    Shape.Records.Add(std::move(Move));
    for (auto [X, Y] : {std::pair{Size, 0}, {0, Size}, {-Size, 0}, {0, -Size}}) {
        auto E = std::make_unique<TSWFStraightEdgeRecord>();
        E->DeltaX = X;
        E->DeltaY = Y;
        Shape.Records.Add(std::move(E));
    }
    auto Curve = std::make_unique<TSWFCurvedEdgeRecord>();
    Curve->ControlDeltaX = 10;
    Curve->ControlDeltaY = 10;
    Curve->AnchorDeltaX = -10;
    Curve->AnchorDeltaY = 10;
    Shape.Records.Add(std::move(Curve));
}

template <class TShape>
std::unique_ptr<TShape> Shape(uint16_t ID, uint32_t RGB) {
    auto S = std::make_unique<TShape>();
    S->ShapeID = ID;
    auto Fill = std::make_unique<TSWFColorFill>();
    Fill->Color.SetPackedRGB(RGB);
    S->FillStyles.Add(std::move(Fill));
    // DefineShape4 takes the second kind of line style.
    std::unique_ptr<TSWFLineStyle> Line;
    if constexpr (std::is_same_v<TShape, TSWFDefineShape4>)
        Line = std::make_unique<TSWFLineStyle2>();
    else
        Line = std::make_unique<TSWFLineStyle>();
    Line->Width = 40;
    S->LineStyles.Add(std::move(Line));
    AddSquare(*S, 2000);
    return S;
}

std::string Bounds(int XMin, int XMax, int YMin, int YMax) {
    std::ostringstream S;
    S << "{\"xMin\":" << XMin << ",\"xMax\":" << XMax << ",\"yMin\":" << YMin << ",\"yMax\":" << YMax << "}";
    return S.str();
}

void Build(TAllTagsMovie& M) {
    auto Attributes = std::make_unique<TSWFFileAttributes>();
    Attributes->SetHasMetadata(true);
    Attributes->SetUseNetwork(true);
    M.Add(std::move(Attributes), TExpect(69).Raw("hasMetadata", "true").Raw("useNetwork", "true"));
    auto Meta = std::make_unique<TSWFMetadata>();
    Meta->MetaData = "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'/>";
    M.Add(std::move(Meta), TExpect(77));
    auto Limits = std::make_unique<TSWFScriptLimits>();
    Limits->MaxRecursionDepth = 256;
    Limits->ScriptTimeoutSeconds = 15;
    M.Add(std::move(Limits), TExpect(65).Num("maxRecursionDepth", 256).Num("scriptTimeout", 15));
    auto Background = std::make_unique<TSWFSetBackgroundColor>();
    Background->Color = TSWFRGB(0xFF, 0x80, 0x00);
    M.Add(std::move(Background), TExpect(9).Raw("color", "{\"hex\":\"#ff8000\"}"));
    auto Protect = std::make_unique<TSWFProtect>();
    Protect->SetPassword("secret");
    M.Add(std::move(Protect), TExpect(24));
    auto Debugger = std::make_unique<TSWFEnableDebugger2>();
    Debugger->SetPassword("debug");
    M.Add(std::move(Debugger), TExpect(64));
    auto Label = std::make_unique<TSWFFrameLabel>();
    Label->Name = "Intro";
    Label->IsAnchor = true;
    M.Add(std::move(Label), TExpect(43).Str("name", "Intro").Raw("isAnchor", "true"));

    M.Add(Shape<TSWFDefineShape>(1, 0x0000FF),
          TExpect(2).Num("characterId", 1).Raw("bounds", Bounds(0, 2000, 0, 2000)));
    M.Add(Shape<TSWFDefineShape2>(2, 0x00FF00), TExpect(22).Num("characterId", 2));
    M.Add(Shape<TSWFDefineShape3>(3, 0xFF0000), TExpect(32).Num("characterId", 3));
    auto Shape4 = Shape<TSWFDefineShape4>(4, 0x808080);
    Shape4->EdgeBounds = TSWFKeptRect(0, 0, 2000, 2000);
    M.Add(std::move(Shape4), TExpect(83).Num("characterId", 4));

    auto Morph = std::make_unique<TSWFDefineMorphShape>();
    Morph->CharacterId = 5;
    Morph->StartBounds = TSWFKeptRect(0, 0, 100, 100);
    Morph->EndBounds = TSWFKeptRect(0, 0, 200, 200);
    M.Add(std::move(Morph), TExpect(46).Num("characterId", 5));

    const uint8_t Grey[3] = {128, 128, 128}, White[3] = {255, 255, 255};
    const std::vector<uint8_t> Jpeg = TwoColourJPEG(16, 8, Grey, White);
    // The picture without its start and end markers, which the framing adds again.
    const std::vector<uint8_t> Picture(Jpeg.begin() + 2, Jpeg.end() - 2);
    auto Tables = std::make_unique<TSWFJPEGTables>();
    Tables->Data().Write("\xFF\xDB\x00\x03\x00", 5);
    M.Add(std::move(Tables), TExpect(8));
    auto Bits = std::make_unique<TSWFDefineBits>();
    Bits->CharacterID = 6;
    Bits->Data().Write(Picture.data(), Picture.size());
    M.Add(std::move(Bits), TExpect(6).Num("characterId", 6).Num("width", 16).Num("height", 8));
    auto Jpeg2 = std::make_unique<TSWFDefineBitsJPEG2>();
    Jpeg2->CharacterID = 7;
    Jpeg2->Data().Write(Picture.data(), Picture.size());
    M.Add(std::move(Jpeg2), TExpect(21).Num("characterId", 7).Num("width", 16).Num("height", 8));
    // A whole JPEG gets the erroneous header of older movies in front of it.
    auto Jpeg3 = std::make_unique<TSWFDefineBitsJPEG3>();
    Jpeg3->CharacterID = 8;
    Jpeg3->Data().Write(Jpeg.data(), Jpeg.size());
    Jpeg3->AlphaData().Write("\x78\x9C\x03\x00\x00\x00\x00\x01", 8);
    M.Add(std::move(Jpeg3), TExpect(35).Num("characterId", 8).Raw("erroneousHeader", "true"));
    for (uint16_t Code : {20, 36}) {
        std::unique_ptr<TSWFDefineBitsLossless> L;
        if (Code == 20)
            L = std::make_unique<TSWFDefineBitsLossless>();
        else
            L = std::make_unique<TSWFDefineBitsLossless2>();
        L->CharacterID = Code == 20 ? 9 : 10;
        L->BitmapFormat = 3;
        L->BitmapWidth = 2;
        L->BitmapHeight = 2;
        L->BitmapColorTableSize = 1;
        L->Data().Write("\x78\x9C\x63\x00\x00\x00\x01\x00\x01", 9);
        M.Add(std::move(L),
              TExpect(Code).Num("characterId", Code == 20 ? 9 : 10).Num("width", 2).Num("height", 2));
    }
    auto Sound = std::make_unique<TSWFDefineSound>();
    Sound->SoundID = 11;
    Sound->SoundFormat = 3;
    Sound->SoundRate = 1;
    Sound->SoundSize = 1;
    Sound->SoundSampleCount = 4;
    Sound->Data().Write("\x00\x00\x00\x00\x00\x00\x00\x00", 8);
    M.Add(std::move(Sound), TExpect(14).Num("characterId", 11).Num("sampleCount", 4));
    auto Binary = std::make_unique<TSWFDefineBinaryData>();
    Binary->CharacterID = 12;
    Binary->Data().Write("data", 4);
    M.Add(std::move(Binary), TExpect(87).Num("characterId", 12).Num("dataLength", 4));
    auto Grid = std::make_unique<TSWFDefineScalingGrid>();
    Grid->CharacterID = 3;
    Grid->Splitter = TSWFRect(200, 200, 1800, 1800);
    M.Add(std::move(Grid), TExpect(78));

    auto Sprite = std::make_unique<TSWFDefineSprite>();
    Sprite->SpriteID = 13;
    Sprite->FrameCount = 2;
    auto Inner = std::make_unique<TSWFPlaceObject2>();
    Inner->SetCharacterID(1);
    Inner->Depth = 1;
    Inner->SetName("CONTROLLER");
    Sprite->ControlTags.Add(std::move(Inner));
    auto Head = std::make_unique<TSWFSoundStreamHead>();
    Head->StreamSoundCompression = 3;
    Head->StreamSoundRate = Head->PlaybackSoundRate = 1;
    Head->StreamSoundSize = Head->PlaybackSoundSize = 1;
    Head->StreamSoundSampleCount = 2;
    Sprite->ControlTags.Add(std::move(Head));
    auto Block = std::make_unique<TSWFSoundStreamBlock>();
    Block->StreamSoundCompression = 3;
    Block->Data().Write("\x00\x00\x00\x00", 4);
    Sprite->ControlTags.Add(std::move(Block));
    Sprite->ControlTags.Add(std::make_unique<TSWFShowFrame>());
    Sprite->ControlTags.Add(std::make_unique<TSWFShowFrame>());
    M.Add(std::move(Sprite), TExpect(39).Num("characterId", 13).Num("frameCount", 2));

    auto Exports = std::make_unique<TSWFExportAssets>();
    Exports->Assets.Add("Slide0", 13);
    Exports->Assets.Add("Sound0", 11);
    M.Add(std::move(Exports),
          TExpect(56).Raw("assets", "[{\"id\":13,\"name\":\"Slide0\"},{\"id\":11,\"name\":\"Sound0\"}]"));
    auto Classes = std::make_unique<TSWFSymbolClass>();
    Classes->Assets.Add("Main", 0);
    M.Add(std::move(Classes), TExpect(76).Raw("assets", "[{\"id\":0,\"name\":\"Main\"}]"));
    auto Import = std::make_unique<TSWFImportAssets>();
    Import->URL = "library.swf";
    Import->Assets.Add("Shared", 14);
    M.Add(std::move(Import), TExpect(57).Str("url", "library.swf"));
    auto Import2 = std::make_unique<TSWFImportAssets2>();
    Import2->URL = "library2.swf";
    Import2->Assets.Add("Shared2", 15);
    M.Add(std::move(Import2), TExpect(71).Str("url", "library2.swf"));

    auto Init = std::make_unique<TSWFDoInitAction>();
    Init->SpriteID = 13;
    Init->Actions().Add(RawActions(Script));
    M.Add(std::move(Init), TExpect(59).Num("spriteId", 13).Raw("actionCodes", ScriptCodes));
    auto Action = std::make_unique<TSWFDoAction>();
    Action->Actions().Add(RawActions(Script));
    M.Add(std::move(Action), TExpect(12).Raw("actionCodes", ScriptCodes));

    auto Place1 = std::make_unique<TSWFPlaceObject>();
    Place1->CharacterID = 1;
    Place1->Depth = 1;
    Place1->Matrix.SetTranslate(100, 200);
    M.Add(std::move(Place1), TExpect(4).Num("characterId", 1).Num("depth", 1));
    auto Place2 = std::make_unique<TSWFPlaceObject2>();
    Place2->SetCharacterID(13);
    Place2->Depth = 2;
    Place2->SetName("ScriptContainer");
    Place2->Matrix().SetScale(2, 0.5);
    Place2->ColorTransform().SetAlphaMult(128);
    Place2->FormatVersion = 8;
    auto* Clip = Place2->ClipActions().AddRecord(ceEnterFrame | ceLoad);
    Clip->Actions.Add(RawActions({0x06}));
    auto* Key = Place2->ClipActions().AddRecord(0);
    Key->SetKeyCode(32);
    Key->Actions.Add(RawActions({0x07}));
    M.Add(std::move(Place2), TExpect(26)
                                 .Num("characterId", 13)
                                 .Num("depth", 2)
                                 .Str("name", "ScriptContainer")
                                 .Raw("hasColorTransform", "true")
                                 .Num("clipActionCount", 2));
    auto Place3 = std::make_unique<TSWFPlaceObject3>();
    Place3->SetCharacterID(3);
    Place3->Depth = 3;
    Place3->HasBlendMode = true;
    Place3->BlendMode = 3;
    Place3->HasCacheAsBitmap = true;
    M.Add(std::move(Place3), TExpect(70).Num("characterId", 3).Num("depth", 3));
    auto Start = std::make_unique<TSWFStartSound>();
    Start->SoundID = 11;
    Start->SoundInfo.SetLoopCount(2);
    M.Add(std::move(Start), TExpect(15).Num("soundId", 11));
    auto Start2 = std::make_unique<TSWFStartSound2>();
    Start2->SoundClassName = "Sound0";
    M.Add(std::move(Start2), TExpect(89).Str("soundClassName", "Sound0"));
    auto Head2 = std::make_unique<TSWFSoundStreamHead2>();
    Head2->StreamSoundCompression = 2;
    Head2->StreamSoundRate = 3;
    Head2->StreamSoundSampleCount = 1152;
    M.Add(std::move(Head2), TExpect(45).Num("streamSampleCount", 1152));
    auto TabIndex = std::make_unique<TSWFSetTabIndex>();
    TabIndex->Depth = 2;
    TabIndex->TabIndex = 1;
    M.Add(std::move(TabIndex), TExpect(66));
    M.Add(std::make_unique<TSWFShowFrame>(), TExpect(1));

    auto Remove = std::make_unique<TSWFRemoveObject>();
    Remove->CharacterID = 1;
    Remove->Depth = 1;
    M.Add(std::move(Remove), TExpect(5).Num("characterId", 1).Num("depth", 1));
    auto Remove2 = std::make_unique<TSWFRemoveObject2>();
    Remove2->Depth = 2;
    M.Add(std::move(Remove2), TExpect(28).Num("depth", 2));
    M.Add(std::make_unique<TSWFShowFrame>(), TExpect(1));
    M.Add(std::make_unique<TSWFEnd>(), TExpect(0));
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "Usage: e2e_all_tags FOLDER\n";
        return 2;
    }
    try {
        TAllTagsMovie M;
        Build(M);
        M.BuildBody();
        std::filesystem::create_directories(argv[1]);
        const std::filesystem::path Folder = argv[1];
        M.SaveToFile((Folder / "all-tags.swf").string());
        std::ofstream Json(Folder / "all-tags.json");
        Json << "{\"version\":" << int(M.Version()) << ",\"frameCount\":" << M.FrameCount << ",\"tags\":[\n";
        for (size_t i = 0; i < M.Expected.size(); ++i) Json << (i ? ",\n" : "") << M.Expected[i];
        Json << "\n]}\n";
        return Json ? 0 : 1;
    } catch (const std::exception& E) {
        std::cerr << "e2e_all_tags: " << E.what() << "\n";
        return 1;
    }
}
