// Real movies made by Flash authoring tools: every record read writes back the bytes it was read from.
#include <gtest/gtest.h>

#include <random>

#include "SWFReader.h"
#include "SWFTags.h"
#include "TestUtil.h"

namespace {
const TBytes& BodyBytes(TSWFStreamReader& R) {
    return static_cast<TMemoryStream&>(R.BodyStream()).Bytes();
}

// Raw records that stand for a failure rather than for a tag without a class.
void CollectFailures(const std::vector<std::unique_ptr<TSWFTagInfo>>& Tags, std::vector<std::string>& Out) {
    for (const auto& T : Tags) {
        auto* Raw = dynamic_cast<TSWFByteCodeTag*>(T->SWFObject);
        if (Raw && Raw->Message != "Uniknow tag")
            Out.push_back(std::string(SWFTagName(Raw->OriginalTagID)) + ": " + Raw->Message);
        CollectFailures(T->SubTags, Out);
    }
}

bool Readable(const std::filesystem::path& P) {
    TBytes B = FileBytes(P);
    return B.size() >= 4 && (B[0] == 'F' || B[0] == 'C') && B[1] == 'W' && B[2] == 'S';
}
}  // namespace

TEST(Corpus, EveryRecordWritesBackItsBytes) {
    int Files = 0;
    for (const auto& P : CorpusFiles()) {
        if (!Readable(P)) continue;
        ++Files;
        for (bool ParseActions : {false, true}) {
            TSWFStreamReader R;
            R.VerifyRecords = false;  // a record that cannot write back its bytes must show here
            R.LoadFromFile(P.string());
            ASSERT_TRUE(R.IsValid) << P;
            const TBytes Original = BodyBytes(R);
            R.ReadTags(true, ParseActions);
            std::vector<std::string> Failures;
            CollectFailures(R.TagList, Failures);
            for (const auto& F : Failures) ADD_FAILURE() << P.filename() << " " << F;
            R.BuildBody();
            EXPECT_EQ(BodyBytes(R) == Original, true)
                << P.filename() << (ParseActions ? " with parsed actions" : "");
        }
    }
    EXPECT_GT(Files, 40);
}

TEST(Corpus, FilesThatAreNotFWSOrCWSAreNotValid) {
    int Checked = 0;
    for (const auto& P : CorpusFiles()) {
        if (Readable(P)) continue;
        TSWFStreamReader R;
        EXPECT_NO_THROW(R.LoadFromFile(P.string())) << P;
        EXPECT_FALSE(R.IsValid) << P;
        ++Checked;
    }
    EXPECT_GE(Checked, 3);  // the LZMA-compressed (ZWS) files
}

// Truncated and mutated movies never crash the reader, and what it reads still writes back unchanged.
TEST(Corpus, DamagedFilesNeverCrashTheReader) {
    std::mt19937 Random(20261211);
    int Variants = 0;
    auto Check = [&](const TBytes& File) {
        ++Variants;
        TSWFStreamReader R;
        TMemoryStream S(File);
        try {
            R.LoadFromStream(S);
        } catch (const ESWFError&) {
            return;
        }
        if (!R.IsValid) return;
        const TBytes Original = BodyBytes(R);
        for (bool ParseActions : {false, true}) {
            R.ReadTags(true, ParseActions);
            R.BuildBody();
            const TBytes& Again = BodyBytes(R);
            if (Again == Original) continue;
            size_t At = std::mismatch(Again.begin(), Again.end(), Original.begin(), Original.end()).first -
                        Again.begin();
            std::string Where;
            for (const auto& T : R.TagList)
                if (T->Position <= static_cast<int32_t>(At)) Where = SWFTagName(T->TagID);
            FAIL() << "differs at " << At << " in " << Where << ": "
                   << Hex(TBytes(Again.begin() + At, Again.begin() + std::min(Again.size(), At + 12)))
                   << " vs "
                   << Hex(TBytes(Original.begin() + At,
                                 Original.begin() + std::min(Original.size(), At + 12)));
        }
    };
    for (const auto& P : CorpusFiles()) {
        if (!Readable(P)) continue;
        const TBytes File = FileBytes(P);
        // Plain files are cut at every length (large ones at 400 places); compressed files' bodies are cut
        // after inflating, so a plain copy is made first.
        TBytes Plain = File;
        if (File[0] == 'C') {
            TSWFStreamReader R(P.string());
            R.SetCompressed(false);
            TMemoryStream Out;
            R.SaveToStream(Out);
            Plain = Out.TakeBytes();
        }
        size_t Step = std::max<size_t>(1, Plain.size() / 400);
        for (size_t Cut = 0; Cut < Plain.size(); Cut += Step)
            Check(TBytes(Plain.begin(), Plain.begin() + Cut));
        for (int i = 0; i < 60; ++i) {
            TBytes M = Plain;
            int Changes = 1 + static_cast<int>(Random() % 4);
            for (int k = 0; k < Changes; ++k)
                M[8 + Random() % (M.size() - 8)] = static_cast<uint8_t>(Random());
            Check(M);
        }
        for (int i = 0; i < 5; ++i) {
            TBytes M = File;
            M[8 + Random() % (M.size() - 8)] ^= static_cast<uint8_t>(1 + Random() % 255);
            Check(M);
        }
    }
    EXPECT_GT(Variants, 5000);
}
