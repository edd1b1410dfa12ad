// Every DoAction and DoInitAction body of the corpus files, parsed into actions, writes back the same bytes.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "SWFActions.h"

namespace {
using Bytes = std::vector<uint8_t>;

struct TActionBody {
    std::string Where;
    Bytes Body;
};

Bytes LoadFile(const std::filesystem::path& P) {
    std::ifstream F(P, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(F), std::istreambuf_iterator<char>());
}

// The file after its first eight bytes, inflated for CWS; empty for other signatures.
Bytes FileBody(const Bytes& File) {
    if (File.size() < 8) return {};
    if (File[0] == 'F' && File[1] == 'W' && File[2] == 'S') return Bytes(File.begin() + 8, File.end());
    if (File[0] != 'C' || File[1] != 'W' || File[2] != 'S') return {};
    uLongf Size = File[4] | File[5] << 8 | File[6] << 16 | static_cast<uint32_t>(File[7]) << 24;
    Bytes Out(Size > 8 ? Size - 8 : 0);
    uLongf Got = Out.size();
    if (uncompress(Out.data(), &Got, File.data() + 8, File.size() - 8) != Z_OK) return {};
    Out.resize(Got);
    return Out;
}

// Readers of the action lists inside placements and buttons; each adds the lists of one tag body.
struct TTagReader {
    const Bytes& B;
    size_t Pos, End;
    uint16_t Word() {
        Pos += 2;
        return static_cast<uint16_t>(B.at(Pos - 2) | B.at(Pos - 1) << 8);
    }
    uint32_t DWord() {
        uint32_t Low = Word();
        return Low | static_cast<uint32_t>(Word()) << 16;
    }
    // Skips a bit-packed structure read by Read through the bit engine.
    template <class F>
    void Skip(F Read) {
        TBoundedReadStream S(B.data() + Pos, End - Pos);
        TBitsEngine BE(S);
        Read(BE);
        Pos += static_cast<size_t>(S.Position());
    }
    void SkipString() {
        while (B.at(Pos++) != 0) {
        }
    }
    Bytes Slice(size_t Len) {
        if (Len > End - Pos) throw std::out_of_range("slice");
        Bytes R(B.begin() + Pos, B.begin() + Pos + Len);
        Pos += Len;
        return R;
    }
};

void ClipActions(TTagReader R, uint8_t Version, const std::string& At, std::vector<TActionBody>& Out) {
    uint8_t Flags = R.B[R.Pos++];
    R.Pos += 2;  // depth
    if (Flags & 0x02) R.Pos += 2;
    if (Flags & 0x04) R.Skip([](TBitsEngine& BE) { BE.ReadMatrix(); });
    if (Flags & 0x08) R.Skip([](TBitsEngine& BE) { BE.ReadColorTransform(true); });
    if (Flags & 0x10) R.Pos += 2;
    if (Flags & 0x20) R.SkipString();
    if (Flags & 0x40) R.Pos += 2;
    if (!(Flags & 0x80)) return;
    R.Pos += Version >= 6 ? 6 : 4;  // reserved word, all event flags
    for (;;) {
        uint32_t Events = Version >= 6 ? R.DWord() : R.Word();
        if (Events == 0) return;
        uint32_t Size = R.DWord();
        if (Events & 0x00020000u) {  // KeyPress: a key code precedes the actions
            R.Pos++;
            --Size;
        }
        Out.push_back({At + " clip", R.Slice(Size)});
    }
}

void ButtonActions(TTagReader R, bool Button2, const std::string& At, std::vector<TActionBody>& Out) {
    R.Pos += 2;  // button ID
    if (Button2) {
        R.Pos++;  // flags
        size_t Offset = R.Word();
        if (Offset == 0) return;
        R.Pos += Offset - 2;
        for (;;) {
            size_t Size = R.Word();
            R.Pos += 2;  // condition
            Out.push_back({At + " condition", R.Slice(Size ? Size - 4 : R.End - R.Pos)});
            if (Size == 0) return;
        }
    }
    while (R.B.at(R.Pos) != 0) {
        R.Pos += 5;  // flags, character, depth
        R.Skip([](TBitsEngine& BE) { BE.ReadMatrix(); });
    }
    R.Pos++;
    Out.push_back({At + " button", R.Slice(R.End - R.Pos)});
}

// Walks the tags in [Pos, End), descending into sprites, collecting action lists.
void CollectActions(const Bytes& B, size_t Pos, size_t End, uint8_t Version, const std::string& Where,
                    std::vector<TActionBody>& Out) {
    while (Pos + 2 <= End) {
        uint16_t Header = B[Pos] | B[Pos + 1] << 8;
        Pos += 2;
        uint16_t Code = Header >> 6;
        size_t Len = Header & 63;
        if (Len == 63) {
            if (Pos + 4 > End) return;
            Len = B[Pos] | B[Pos + 1] << 8 | B[Pos + 2] << 16 | static_cast<size_t>(B[Pos + 3]) << 24;
            Pos += 4;
        }
        if (Len > End - Pos) return;
        const std::string At = Where + " @" + std::to_string(Pos);
        TTagReader R{B, Pos, Pos + Len};
        if (Code == 0) return;
        if (Code == 12) Out.push_back({At, R.Slice(Len)});
        if (Code == 59 && Len >= 2) Out.push_back({At, Bytes(B.begin() + Pos + 2, B.begin() + Pos + Len)});
        if (Code == 39 && Len >= 4) CollectActions(B, Pos + 4, Pos + Len, Version, At, Out);
        if (Code == 26) ClipActions(R, Version, At, Out);
        if (Code == 7 || Code == 34) ButtonActions(R, Code == 34, At, Out);
        Pos += Len;
    }
}

std::vector<TActionBody> CorpusActionBodies() {
    std::vector<TActionBody> Out;
    for (const auto& Entry : std::filesystem::directory_iterator(PICTAVO_CORPUS_DIR)) {
        Bytes File = LoadFile(Entry.path());
        Bytes Body = FileBody(File);
        if (Body.empty()) continue;
        size_t RectBytes = (5 + 4 * (Body[0] >> 3) + 7) / 8;
        CollectActions(Body, RectBytes + 4, Body.size(), File[3], Entry.path().filename().string(), Out);
    }
    return Out;
}
}  // namespace

TEST(ActionsCorpus, ParsedBodiesWriteBackTheSameBytes) {
    std::vector<TActionBody> Bodies = CorpusActionBodies();
    size_t Parsed = 0, Raw = 0;
    for (const TActionBody& A : Bodies) {
        TBoundedReadStream S(A.Body.data(), A.Body.size());
        TBitsEngine BE(S);
        TSWFActionList List;
        ReadActions(BE, List, static_cast<int64_t>(A.Body.size()));
        EXPECT_EQ(S.Remaining(), 0) << A.Where;
        TMemoryStream Out;
        TBitsEngine OE(Out);
        WriteActions(OE, List);
        if (!ActionsEndWithZero(List)) OE.WriteByte(0);
        EXPECT_EQ(Out.Bytes(), A.Body) << A.Where;
        for (const auto& Action : List) {
            if (dynamic_cast<TSWFActionByteCode*>(Action.get())) {
                ++Raw;
                ADD_FAILURE() << A.Where << ": an action kept raw";
            } else if (Action->ActionCode != 255) {
                ++Parsed;
            }
        }
    }
    // The corpus holds few scripts: frame, init, button, condition and clip actions.
    EXPECT_GE(Bodies.size(), 8u);
    EXPECT_GE(Parsed, 10u);
    EXPECT_EQ(Raw, 0u);
}
