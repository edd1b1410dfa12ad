// Helpers of the movie builder's tests: small characters and the reading back of built movies.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "../swf/TestUtil.h"
#include "FlashMovie.h"
#include "SWFReader.h"
#include "SWFShapes.h"
#include "SWFTags.h"

// A character written as an empty DefineShape.
class TTestShape : public TFlashVisualObject {
  public:
    void Assign(const TBasedSWFObject& Source) override { *this = dynamic_cast<const TTestShape&>(Source); }
    std::unique_ptr<TBasedSWFObject> Clone() const override { return std::make_unique<TTestShape>(*this); }
    void WriteToStream(TBitsEngine& BE) override {
        TSWFDefineShape Shape;
        Shape.ShapeID = CharacterID();
        Shape.WriteToStream(BE);
    }
};

inline TTestShape* AddTestShape(TFlashMovie& M) {
    return M.RegisterCharacter(std::make_unique<TTestShape>());
}

// The complete file of a movie after BuildBody.
inline TBytes BuiltFile(TFlashMovie& M) {
    M.BuildBody();
    TMemoryStream S;
    M.SaveToStream(S);
    return S.TakeBytes();
}

// A reader over a whole file, its tags parsed with their actions.
inline std::unique_ptr<TSWFStreamReader> ReadBack(const TBytes& File) {
    TMemoryStream S{TBytes(File)};
    auto R = std::make_unique<TSWFStreamReader>(S);
    R->ReadTags(true, true);
    return R;
}

inline bool IsRaw(const TSWFObject* R) {
    return !R || dynamic_cast<const TSWFByteCodeTag*>(R);
}

// The tag codes of a built movie; every record must parse into its own class.
inline std::vector<uint16_t> ParsedCodes(const TBytes& File) {
    auto R = ReadBack(File);
    EXPECT_TRUE(R->IsValid);
    std::vector<uint16_t> Codes;
    for (const auto& Info : R->TagList) {
        EXPECT_FALSE(IsRaw(Info->SWFObject)) << "tag " << Info->TagID << " did not parse";
        if (auto* Sprite = dynamic_cast<TSWFDefineSprite*>(Info->SWFObject)) {
            for (const auto& Inner : Sprite->ControlTags)
                EXPECT_FALSE(IsRaw(Inner.get())) << "sprite tag " << Inner->TagID << " did not parse";
        }
        Codes.push_back(Info->TagID);
    }
    return Codes;
}

inline int CountOf(const std::vector<uint16_t>& Codes, uint16_t Code) {
    return static_cast<int>(std::count(Codes.begin(), Codes.end(), Code));
}
