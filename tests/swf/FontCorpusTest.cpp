// Every font and text tag of the real SWF files is read through its record class and written back.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <random>
#include <set>

#include "SWFFonts.h"
#include "SWFTexts.h"

namespace {
using TBytes = std::vector<uint8_t>;

struct TCorpusTag {
    std::string File;
    uint8_t Version = 0;
    uint16_t Code = 0;
    TBytes Tag;  // header and body
    size_t BodyStart = 0;
};

const std::set<uint16_t> FontTextCodes = {10, 11, 13, 33, 37, 48, 62, 73, 74, 75, 88, 91};

void CollectTags(const std::string& File, uint8_t Version, const TBytes& Data, size_t Pos, size_t End,
                 std::vector<TCorpusTag>& Tags) {
    while (Pos + 2 <= End) {
        const size_t Start = Pos;
        const uint16_t Word = static_cast<uint16_t>(Data[Pos] | Data[Pos + 1] << 8);
        Pos += 2;
        size_t Length = Word & 63;
        if (Length == 63) {
            Length = Data[Pos] | Data[Pos + 1] << 8 | Data[Pos + 2] << 16 |
                     static_cast<size_t>(Data[Pos + 3]) << 24;
            Pos += 4;
        }
        const uint16_t Code = Word >> 6;
        if (Pos + Length > End) return;
        if (Code == 39 && Length >= 4) CollectTags(File, Version, Data, Pos + 4, Pos + Length, Tags);
        if (FontTextCodes.count(Code))
            Tags.push_back({File, Version, Code, TBytes(Data.begin() + Start, Data.begin() + Pos + Length),
                            Pos - Start});
        Pos += Length;
        if (Code == 0) return;
    }
}

std::vector<TCorpusTag> CorpusTags() {
    std::vector<TCorpusTag> Tags;
    for (const auto& Entry : std::filesystem::directory_iterator(PICTAVO_CORPUS_DIR)) {
        if (Entry.path().extension() != ".swf") continue;
        TMemoryStream File;
        File.LoadFromFile(Entry.path().string());
        TBytes Data = File.Bytes();
        if (Data.size() < 8 || Data[1] != 'W' || Data[2] != 'S') continue;
        const uint32_t Length = Data[4] | Data[5] << 8 | Data[6] << 16 | static_cast<uint32_t>(Data[7]) << 24;
        if (Data[0] == 'C') {
            TBytes Plain(Length);
            std::copy(Data.begin(), Data.begin() + 8, Plain.begin());
            uLongf Size = Length - 8;
            if (uncompress(Plain.data() + 8, &Size, Data.data() + 8, Data.size() - 8) != Z_OK) continue;
            Plain.resize(8 + Size);
            Data = std::move(Plain);
        } else if (Data[0] != 'F') {
            continue;  // LZMA files are outside what these records deal with
        }
        const size_t RectBits = 5 + 4 * (Data[8] >> 3);
        CollectTags(Entry.path().filename().string(), Data[3], Data, 8 + (RectBits + 7) / 8 + 4, Data.size(),
                    Tags);
    }
    return Tags;
}

std::unique_ptr<TSWFObject> ReadTag(const TCorpusTag& Tag) {
    auto Record = Tag.Code == 91 ? std::make_unique<TSWFDefineFont4>() : CreateSWFObject(Tag.Code);
    Record->SetReadContext({Tag.Version, false, 0});
    TBoundedReadStream Body(Tag.Tag.data() + Tag.BodyStart, Tag.Tag.size() - Tag.BodyStart);
    TBitsEngine BE(Body);
    Record->BodySize = static_cast<int32_t>(Body.Size());
    Record->ForceLongHeader = Tag.BodyStart == 6;
    Record->ReadFromStream(BE);
    return Record;
}

TBytes Written(TSWFObject& Record) {
    TMemoryStream S;
    TBitsEngine BE(S);
    Record.WriteToStream(BE);
    return S.Bytes();
}
}  // namespace

TEST(FontCorpus, EveryFontAndTextTagWritesBackItsBytes) {
    std::vector<TCorpusTag> Tags = CorpusTags();
    std::set<uint16_t> Seen;
    for (const TCorpusTag& Tag : Tags) {
        SCOPED_TRACE(Tag.File + " tag " + std::to_string(Tag.Code));
        auto Record = ReadTag(Tag);
        auto* Kept = dynamic_cast<TSWFKeptBodyObject*>(Record.get());
        ASSERT_NE(Kept, nullptr);
        EXPECT_EQ(Written(*Record), Tag.Tag);
        // A copy writes the same bytes.
        auto Copy = Record->Clone();
        EXPECT_EQ(Written(static_cast<TSWFObject&>(*Copy)), Tag.Tag);
        Seen.insert(Tag.Code);
    }
    EXPECT_EQ(Seen, (std::set<uint16_t>{10, 11, 13, 33, 37, 48, 62, 73, 74, 75, 88, 91}));
}

// The writers themselves reproduce the files; the read body is kept only where a file made a choice the
// writer does not: this font without glyphs omits the code table offset.
TEST(FontCorpus, WritersEncodeTheFilesThemselves) {
    for (const TCorpusTag& Tag : CorpusTags()) {
        SCOPED_TRACE(Tag.File + " tag " + std::to_string(Tag.Code));
        auto Record = ReadTag(Tag);
        const bool Expected = Tag.File == "DefineFont3-DeviceText.swf" && Tag.Code == 75;
        EXPECT_EQ(static_cast<TSWFKeptBodyObject&>(*Record).KeepsReadBody(), Expected);
    }
}

// Cut and scrambled bodies of every class either parse or raise ESWFError, and what parses writes.
TEST(FontCorpus, DamagedBodiesRaiseESWFError) {
    std::mt19937 Random(7);
    auto Survive = [](uint16_t Code, const TBytes& Body) {
        auto Record = Code == 91 ? std::make_unique<TSWFDefineFont4>() : CreateSWFObject(Code);
        Record->SetReadContext({10, false, 0});
        TBoundedReadStream Stream(Body.data(), Body.size());
        TBitsEngine BE(Stream);
        try {
            Record->ReadFromStream(BE);
            Written(*Record);
        } catch (const ESWFError&) {
        }
    };
    for (const TCorpusTag& Tag : CorpusTags()) {
        SCOPED_TRACE(Tag.File + " tag " + std::to_string(Tag.Code));
        const TBytes Body(Tag.Tag.begin() + Tag.BodyStart, Tag.Tag.end());
        const size_t Step = std::max<size_t>(1, Body.size() / 97);
        for (size_t Length = 0; Length < Body.size(); Length += Step)
            Survive(Tag.Code, TBytes(Body.begin(), Body.begin() + Length));
        for (int Round = 0; Round < 40; ++Round) {
            TBytes Scrambled = Body;
            for (int K = 0; K < 4 && !Scrambled.empty(); ++K)
                Scrambled[Random() % Scrambled.size()] = Random() & 0xFF;
            Survive(Tag.Code, Scrambled);
        }
    }
    for (uint16_t Code : FontTextCodes)
        for (int Round = 0; Round < 200; ++Round) {
            TBytes Noise(Random() % 64);
            for (uint8_t& B : Noise) B = Random() & 0xFF;
            Survive(Code, Noise);
        }
}
