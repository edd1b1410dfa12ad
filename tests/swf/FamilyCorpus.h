// Test support for the button, filter, video, ABC and scene records: the tags of the real SWF files, and the
// byte round trip of one tag through its record class.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "SWFObject.h"

namespace family {

using Bytes = std::vector<uint8_t>;

struct TCorpusTag {
    uint16_t Code = 0;
    bool LongHeader = false;
    Bytes Whole;  // header and body, as in the file
    Bytes Body;
};

struct TCorpusFile {
    uint8_t Version = 0;
    std::vector<TCorpusTag> Tags;  // top-level tags and the tags inside sprites, in file order

    std::vector<const TCorpusTag*> WithCode(uint16_t Code) const {
        std::vector<const TCorpusTag*> R;
        for (const auto& T : Tags)
            if (T.Code == Code) R.push_back(&T);
        return R;
    }
};

inline void WalkTags(const Bytes& Data, size_t Pos, size_t End, std::vector<TCorpusTag>& Tags) {
    while (Pos + 2 <= End) {
        size_t Start = Pos;
        uint16_t Header = static_cast<uint16_t>(Data[Pos] | Data[Pos + 1] << 8);
        Pos += 2;
        TCorpusTag T;
        T.Code = Header >> 6;
        uint32_t Length = Header & 63;
        if (Length == 63) {
            if (Pos + 4 > End) throw std::runtime_error("truncated tag header");
            Length = Data[Pos] | Data[Pos + 1] << 8 | Data[Pos + 2] << 16 |
                     static_cast<uint32_t>(Data[Pos + 3]) << 24;
            Pos += 4;
            T.LongHeader = true;
        }
        if (Length > End - Pos) throw std::runtime_error("truncated tag body");
        T.Body.assign(Data.begin() + Pos, Data.begin() + Pos + Length);
        T.Whole.assign(Data.begin() + Start, Data.begin() + Pos + Length);
        Pos += Length;
        uint16_t Code = T.Code;
        Tags.push_back(std::move(T));
        if (Code == 39) WalkTags(Data, Pos - Length + 4, Pos, Tags);  // the sprite's own tags
        if (Code == 0) break;
    }
}

// A corpus file, inflated when it is CWS.
inline TCorpusFile LoadCorpusFile(const std::string& Name) {
    TMemoryStream File;
    File.LoadFromFile(std::string(PICTAVO_CORPUS_DIR) + "/" + Name);
    Bytes Data = File.Bytes();
    if (Data.size() < 8) throw std::runtime_error("not an SWF file: " + Name);
    if (Data[0] == 'C') {
        uLongf Length = Data[4] | Data[5] << 8 | Data[6] << 16 | static_cast<uint32_t>(Data[7]) << 24;
        Bytes Plain(Length);
        std::copy(Data.begin(), Data.begin() + 8, Plain.begin());
        uLongf Out = Length - 8;
        if (uncompress(Plain.data() + 8, &Out, Data.data() + 8, static_cast<uLong>(Data.size() - 8)) != Z_OK)
            throw std::runtime_error("cannot inflate " + Name);
        Data = std::move(Plain);
    }
    TCorpusFile F;
    F.Version = Data[3];
    int NBits = Data[8] >> 3;
    size_t HeaderSize = 8 + (5 + 4 * NBits + 7) / 8 + 4;
    WalkTags(Data, HeaderSize, Data.size(), F.Tags);
    return F;
}

inline Bytes Written(TSWFObject& Record) {
    TMemoryStream S;
    TBitsEngine BE(S);
    Record.WriteToStream(BE);
    return S.Bytes();
}

// Reads a tag through the factory's record for its code, checking the whole body was taken.
inline std::unique_ptr<TSWFObject> ReadTag(uint16_t Code, const Bytes& Body, uint8_t Version,
                                           bool ParseActions) {
    auto Record = CreateSWFObject(Code);
    TSWFReadContext Context;
    Context.Version = Version;
    Context.ParseActions = ParseActions;
    Record->SetReadContext(Context);
    TBoundedReadStream S(Body.data(), Body.size());
    TBitsEngine BE(S);
    Record->ReadFromStream(BE);
    EXPECT_EQ(S.Remaining(), 0) << "tag " << Code << " left bytes unread";
    return Record;
}

// Reads the tag and writes it back, header included; the copy made by Clone must write the same bytes.
inline void ExpectRoundTrip(const TCorpusTag& T, uint8_t Version, bool ParseActions) {
    auto Record = ReadTag(T.Code, T.Body, Version, ParseActions);
    EXPECT_EQ(dynamic_cast<TSWFByteCodeTag*>(Record.get()), nullptr) << "no record class for tag " << T.Code;
    Record->ForceLongHeader = T.LongHeader;
    EXPECT_EQ(Written(*Record), T.Whole) << "tag " << T.Code;
    auto Copy = std::unique_ptr<TSWFObject>(static_cast<TSWFObject*>(Record->Clone().release()));
    EXPECT_EQ(Written(*Copy), T.Whole) << "copy of tag " << T.Code;
}

// Damaged bodies (every truncation, every byte inverted, runs of 0xFF) either read or raise ESWFError;
// a body that reads also writes. Anything else (a crash, another exception) fails.
inline void ExpectDamagedBodiesAreSafe(uint16_t Code, const Bytes& Body) {
    std::vector<Bytes> Damaged;
    for (size_t N = 0; N < Body.size(); ++N) Damaged.emplace_back(Body.begin(), Body.begin() + N);
    for (size_t i = 0; i < Body.size(); ++i) {
        Bytes B = Body;
        B[i] ^= 0xFF;
        Damaged.push_back(B);
        B = Body;
        for (size_t k = i; k < std::min(Body.size(), i + 6); ++k) B[k] = 0xFF;
        Damaged.push_back(B);
    }
    for (const auto& B : Damaged) {
        for (bool Parse : {false, true}) {
            try {
                auto Record = CreateSWFObject(Code);
                TSWFReadContext Context;
                Context.ParseActions = Parse;
                Record->SetReadContext(Context);
                TBoundedReadStream S(B.data(), B.size());
                TBitsEngine BE(S);
                Record->ReadFromStream(BE);
                Written(*Record);
            } catch (const ESWFError&) {
            }
        }
    }
}

}  // namespace family
