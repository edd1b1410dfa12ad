// Every shape and morph shape tag of the real files, top level and inside sprites, parsed and written back
// byte for byte.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <set>

#include "SWFMorphShapes.h"
#include "SWFObject.h"

namespace {
struct TTagSpan {
    uint16_t Code;
    std::vector<uint8_t> Body;
};

// The bytes after the eight-byte header of an FWS or CWS file; empty for other signatures.
std::vector<uint8_t> MovieAfterHeader(const std::vector<uint8_t>& File) {
    if (File.size() < 8 || File[1] != 'W' || File[2] != 'S') return {};
    std::vector<uint8_t> Out;
    if (File[0] == 'F') return {File.begin() + 8, File.end()};
    if (File[0] != 'C') return {};
    uint32_t Length = File[4] | File[5] << 8 | File[6] << 16 | static_cast<uint32_t>(File[7]) << 24;
    Out.resize(Length > 8 ? Length - 8 : 0);
    uLongf OutLen = Out.size();
    int Rc = uncompress(Out.data(), &OutLen, File.data() + 8, File.size() - 8);
    if (Rc != Z_OK && Rc != Z_BUF_ERROR) return {};
    Out.resize(OutLen);
    return Out;
}

// Walks a tag sequence from Pos, descending into sprites.
void CollectTags(const std::vector<uint8_t>& Data, size_t Pos, size_t End, std::vector<TTagSpan>& Tags) {
    while (Pos + 2 <= End) {
        uint16_t Header = Data[Pos] | Data[Pos + 1] << 8;
        Pos += 2;
        uint16_t Code = Header >> 6;
        size_t Len = Header & 63;
        if (Len == 63) {
            if (Pos + 4 > End) return;
            Len = Data[Pos] | Data[Pos + 1] << 8 | Data[Pos + 2] << 16 |
                  static_cast<size_t>(Data[Pos + 3]) << 24;
            Pos += 4;
        }
        if (Code == 0 || Len > End - Pos) return;
        Tags.push_back({Code, {Data.begin() + Pos, Data.begin() + Pos + Len}});
        if (Code == 39 && Len >= 4) CollectTags(Data, Pos + 4, Pos + Len, Tags);
        Pos += Len;
    }
}

std::vector<TTagSpan> TagsOfFile(const std::filesystem::path& Path) {
    TMemoryStream File;
    File.LoadFromFile(Path.string());
    std::vector<uint8_t> Movie = MovieAfterHeader(File.Bytes());
    std::vector<TTagSpan> Tags;
    if (Movie.empty()) return Tags;
    size_t RectBytes = (5 + 4 * (Movie[0] >> 3) + 7) / 8;
    CollectTags(Movie, RectBytes + 4, Movie.size(), Tags);
    return Tags;
}
}  // namespace

TEST(ShapesCorpus, EveryShapeAndMorphShapeTagWritesBackItsBytes) {
    const std::set<uint16_t> Codes = {2, 22, 32, 83, 46, 84};
    std::set<uint16_t> Seen;
    int Count = 0;
    for (const auto& Entry : std::filesystem::directory_iterator(PICTAVO_CORPUS_DIR)) {
        if (Entry.path().extension() != ".swf") continue;
        int Index = 0;
        for (const TTagSpan& Tag : TagsOfFile(Entry.path())) {
            ++Index;
            if (!Codes.count(Tag.Code)) continue;
            SCOPED_TRACE(Entry.path().filename().string() + " tag " + std::to_string(Index) + " code " +
                         std::to_string(Tag.Code));
            auto Record = CreateSWFObject(Tag.Code);
            if (Record->TagID != Tag.Code) {
                ADD_FAILURE() << "no record class";
                continue;
            }
            TBoundedReadStream In(Tag.Body.data(), Tag.Body.size());
            TBitsEngine Reader(In);
            Record->ReadFromStream(Reader);
            auto Copy = Record->Clone();
            TMemoryStream Out;
            TBitsEngine Writer(Out);
            static_cast<TSWFObject&>(*Copy).WriteTagBody(Writer);
            Writer.FlushLastByte(true);
            EXPECT_EQ(Out.Bytes(), Tag.Body);
            // The records must account for the whole body, not leave it to the kept trailing bytes.
            if (auto* Shape = dynamic_cast<TSWFDefineShape*>(Record.get())) {
                EXPECT_TRUE(Shape->TrailingBytes.empty());
            }
            if (auto* Morph = dynamic_cast<TSWFDefineMorphShape*>(Record.get())) {
                EXPECT_TRUE(Morph->TrailingBytes.empty() && Morph->GapBytes.empty());
            }
            Seen.insert(Tag.Code);
            ++Count;
        }
    }
    // The corpus holds no DefineShape2.
    EXPECT_EQ(Seen, std::set<uint16_t>({2, 32, 83, 46, 84}));
    RecordProperty("TagsCompared", Count);
}
