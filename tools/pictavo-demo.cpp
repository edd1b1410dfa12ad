// pictavo-demo: writes a small demonstration movie built with the SWF layer: a solid, a gradient and a
// bitmap-filled shape, a JPEG and a lossless bitmap, and a sprite placed twice, once with a colour transform
// and once rotated.
//   pictavo-demo [OUTPUT_FOLDER]   writes OUTPUT_FOLDER/demo.swf (default: out) and prints its path
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <vector>

#include "SWFShapes.h"
#include "SWFTags.h"
#include "SolidJPEG.h"

namespace {
// A movie made of records in the order they are added.
class TRecordMovie : public TBasedSWFStream {
  public:
    using TBasedSWFStream::TBasedSWFStream;
    TSWFObjectList Records;

    template <class T>
    T& Add(std::unique_ptr<T> Record) {
        return *Records.Add(std::move(Record));
    }
    int FrameTagIndex(int) override { return 0; }
    void MoveDefinitions(int, int, int) override {}
    void BuildBody() override {
        TMemoryStream& Body = static_cast<TMemoryStream&>(BodyStream());
        Body.Clear();
        TBitsEngine BE(Body);
        FrameCount = 0;
        int Highest = Version();
        for (const auto& R : Records) {
            R->WriteToStream(BE);
            Highest = std::max(Highest, R->MinVersion());
            if (R->TagID == 1) ++FrameCount;
        }
        TSWFEnd().WriteToStream(BE);
        SetVersion(static_cast<uint8_t>(Highest));
    }
};

constexpr int Twips = 20;

// Lossless 32-bit pixels (alpha, red, green, blue per pixel), zlib-compressed: four coloured quadrants.
std::vector<uint8_t> QuadrantPixels(int W, int H) {
    const uint8_t Quadrants[4][3] = {{220, 20, 60}, {30, 144, 255}, {50, 205, 50}, {255, 215, 0}};
    std::vector<uint8_t> Pixels;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const uint8_t* Q = Quadrants[(y >= H / 2) * 2 + (x >= W / 2)];
            Pixels.insert(Pixels.end(), {255, Q[0], Q[1], Q[2]});
        }
    uLongf Size = compressBound(Pixels.size());
    std::vector<uint8_t> Packed(Size);
    if (compress2(Packed.data(), &Size, Pixels.data(), Pixels.size(), Z_BEST_COMPRESSION) != Z_OK)
        throw ESWFError("zlib: cannot compress the bitmap");
    Packed.resize(Size);
    return Packed;
}

// A rectangle outline path filled with fill style 1 (FillStyle1), in twips.
void AddRectangle(TSWFDefineShape& Shape, int X, int Y, int W, int H) {
    Shape.ShapeBounds = TSWFKeptRect(X, Y, X + W, Y + H);
    auto Start = std::make_unique<TSWFStyleChangeRecord>();
    Start->SetMoveTo(X, Y);
    Start->SetFillStyle1(1);
    Shape.Records.Add(std::move(Start));
    const int Deltas[4][2] = {{W, 0}, {0, H}, {-W, 0}, {0, -H}};
    for (const auto& D : Deltas) {
        auto Edge = std::make_unique<TSWFStraightEdgeRecord>();
        Edge->DeltaX = D[0];
        Edge->DeltaY = D[1];
        Shape.Records.Add(std::move(Edge));
    }
    Shape.Records.Add(std::make_unique<TSWFEndShapeRecord>());
}

std::unique_ptr<TSWFDefineShape3> SolidRectangle(uint16_t ID, int X, int Y, int W, int H, uint32_t RGB) {
    auto Shape = std::make_unique<TSWFDefineShape3>();
    Shape->ShapeID = ID;
    auto Fill = std::make_unique<TSWFColorFill>();
    Fill->Color.SetPackedRGB(RGB);
    Shape->FillStyles.Add(std::move(Fill));
    AddRectangle(*Shape, X, Y, W, H);
    return Shape;
}

std::unique_ptr<TSWFDefineShape> BitmapRectangle(uint16_t ID, uint16_t BitmapID, int X, int Y, int W, int H) {
    auto Shape = std::make_unique<TSWFDefineShape>();
    Shape->ShapeID = ID;
    auto Fill = std::make_unique<TSWFImageFill>();
    Fill->FillStyleType = 67;  // clipped, not smoothed: the pixels stay exact
    Fill->BitmapID = BitmapID;
    Fill->BitmapMatrix.SetScale(Twips, Twips);
    Fill->BitmapMatrix.SetTranslate(X, Y);
    Shape->FillStyles.Add(std::move(Fill));
    AddRectangle(*Shape, X, Y, W, H);
    return Shape;
}

std::unique_ptr<TSWFPlaceObject2> Place(uint16_t ID, uint16_t Depth) {
    auto P = std::make_unique<TSWFPlaceObject2>();
    P->SetCharacterID(ID);
    P->Depth = Depth;
    return P;
}

std::string WriteDemo(const std::filesystem::path& Folder) {
    TRecordMovie Movie(0, 0, 550, 400, 12, true);
    Movie.SetCompressed(true);
    Movie.SetVersion(8);
    auto Background = std::make_unique<TSWFSetBackgroundColor>();
    Background->Color = TSWFRGB(255, 255, 255);
    Movie.Add(std::move(Background));

    // 1: solid red square.
    Movie.Add(SolidRectangle(1, 20 * Twips, 20 * Twips, 100 * Twips, 100 * Twips, 0x0000FF));

    // 2: linear gradient from blue on the left to green on the right.
    auto Gradient = std::make_unique<TSWFDefineShape3>();
    Gradient->ShapeID = 2;
    auto GFill = std::make_unique<TSWFGradientFill>();
    GFill->GradientMatrix.SetScale(200 * Twips / 32768.0f, 100 * Twips / 32768.0f);
    GFill->GradientMatrix.SetTranslate(240 * Twips, 70 * Twips);
    TSWFRGBA Blue(true), Green(true);
    Blue.SetPackedRGB(0xFF0000);
    Green.SetPackedRGB(0x00FF00);
    GFill->AddGradient(0, Blue);
    GFill->AddGradient(255, Green);
    Gradient->FillStyles.Add(std::move(GFill));
    AddRectangle(*Gradient, 140 * Twips, 20 * Twips, 200 * Twips, 100 * Twips);
    Movie.Add(std::move(Gradient));

    // 3: lossless bitmap of four quadrants, 4: a shape filled with it.
    auto Lossless = std::make_unique<TSWFDefineBitsLossless>();
    Lossless->CharacterID = 3;
    Lossless->BitmapFormat = 5;
    Lossless->BitmapWidth = 160;
    Lossless->BitmapHeight = 100;
    std::vector<uint8_t> Pixels = QuadrantPixels(160, 100);
    Lossless->Data().Write(Pixels.data(), Pixels.size());
    Movie.Add(std::move(Lossless));
    Movie.Add(BitmapRectangle(4, 3, 370 * Twips, 20 * Twips, 160 * Twips, 100 * Twips));

    // 5: JPEG, orange above purple, 6: a shape filled with it.
    const uint8_t Orange[3] = {255, 128, 0}, Purple[3] = {128, 0, 128};
    std::vector<uint8_t> JPEG = TwoColourJPEG(160, 120, Orange, Purple);
    auto Jpeg = std::make_unique<TSWFDefineBitsJPEG2>();
    Jpeg->CharacterID = 5;
    Jpeg->Data().Write(JPEG.data(), JPEG.size());
    Movie.Add(std::move(Jpeg));
    Movie.Add(BitmapRectangle(6, 5, 20 * Twips, 150 * Twips, 160 * Twips, 120 * Twips));

    // 7: a yellow square centred on its origin, 8: a sprite holding it.
    Movie.Add(SolidRectangle(7, -30 * Twips, -30 * Twips, 60 * Twips, 60 * Twips, 0x00FFFF));
    auto Sprite = std::make_unique<TSWFDefineSprite>();
    Sprite->SpriteID = 8;
    Sprite->FrameCount = 1;
    Sprite->ControlTags.Add(Place(7, 1));
    Sprite->ControlTags.Add(std::make_unique<TSWFShowFrame>());
    Movie.Add(std::move(Sprite));

    for (uint16_t ID : {1, 2, 4, 6}) Movie.Add(Place(ID, ID));
    // The sprite once turned cyan by a colour transform, once rotated by 45 degrees.
    auto Cyan = Place(8, 10);
    Cyan->Matrix().SetTranslate(300 * Twips, 210 * Twips);
    Cyan->ColorTransform().SetRedMult(0);
    Cyan->ColorTransform().SetGreenMult(256);
    Cyan->ColorTransform().SetBlueMult(256);
    Cyan->ColorTransform().SetAlphaMult(256);
    Cyan->ColorTransform().SetBlueAdd(255);
    Movie.Add(std::move(Cyan));
    auto Turned = Place(8, 11);
    Turned->Matrix().SetRotate(45);
    Turned->Matrix().SetTranslate(450 * Twips, 210 * Twips);
    Movie.Add(std::move(Turned));
    Movie.Add(std::make_unique<TSWFShowFrame>());

    Movie.BuildBody();
    std::filesystem::create_directories(Folder);
    std::filesystem::path File = Folder / "demo.swf";
    Movie.SaveToFile(File.string());
    return std::filesystem::absolute(File).lexically_normal().string();
}
}  // namespace

int main(int argc, char** argv) {
    try {
        std::cout << WriteDemo(argc > 1 ? argv[1] : "out") << "\n";
        return 0;
    } catch (const std::exception& E) {
        std::cerr << "pictavo-demo: " << E.what() << "\n";
        return 1;
    }
}
