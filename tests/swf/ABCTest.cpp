#include <gtest/gtest.h>

#include "FamilyCorpus.h"
#include "SWFABC.h"

using namespace family;

namespace {
const char* const ABCFiles[] = {"Avm2DefaultValue.swf",   "Avm2Dummy.swf",          "DefineBinaryData.swf",
                                "DefineBitsJpeg3.swf",    "DefineBitsLossless.swf", "DefineBitsLossless2.swf",
                                "DefineFont4.swf",        "DefineSound.swf",        "DefineVideoStream.swf",
                                "PlaceObject3-Image.swf", "PlaceObject4.swf",       "SymbolClass.swf"};

// A small ABC file: an int -1, the string "trace", a namespace and a QName, one method with a body, and a
// script with one slot.
const Bytes SmallABC = {
    0x10, 0x00, 0x2E, 0x00,                                                  // minor 16, major 46
    0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F,                                      // integers: -1
    0x00, 0x00,                                                              // no uints, no doubles
    0x02, 0x05, 't',  'r',  'a',  'c',  'e',                                 // strings
    0x02, 0x16, 0x01,                                                        // namespaces: package "trace"
    0x00,                                                                    // no namespace sets
    0x02, 0x07, 0x01, 0x01,                                                  // multinames: QName
    0x01, 0x00, 0x00, 0x00, 0x00,                                            // one method
    0x00, 0x00,                                                              // no metadata, no classes
    0x01, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00,                          // a script with one slot trait
    0x01, 0x00, 0x01, 0x01, 0x00, 0x01, 0x03, 0xD0, 0x30, 0x47, 0x00, 0x00,  // one method body
};

TABCFile SmallABCModel() {
    TABCFile F;
    F.ConstantPool.Integers = {-1};
    F.ConstantPool.Strings = {"trace"};
    F.ConstantPool.Namespaces = {{0x16, 1}};
    F.ConstantPool.Multinames = {{TABCMultiname::QName, 1, 1, 0, {}}};
    F.Methods.emplace_back();
    auto& Script = F.Scripts.emplace_back();
    Script.Traits.emplace_back().Name = 1;
    auto& Body = F.MethodBodies.emplace_back();
    Body.MaxStack = Body.LocalCount = Body.MaxScopeDepth = 1;
    Body.Code = {0xD0, 0x30, 0x47};  // getlocal0, pushscope, returnvoid
    return F;
}

Bytes DoABCBody(const Bytes& ABC) {
    const Bytes Head = {0x01, 0x00, 0x00, 0x00, 'm', 0x00};  // lazy initialise, name "m"
    Bytes B(Head.size() + ABC.size());
    std::copy(Head.begin(), Head.end(), B.begin());
    std::copy(ABC.begin(), ABC.end(), B.begin() + static_cast<std::ptrdiff_t>(Head.size()));
    return B;
}
}  // namespace

TEST(DoABC, CorpusTagsParseAndWriteBackTheSameBytes) {
    for (const char* Name : ABCFiles) {
        SCOPED_TRACE(Name);
        TCorpusFile F = LoadCorpusFile(Name);
        auto Tags = F.WithCode(82);
        ASSERT_FALSE(Tags.empty());
        for (const auto* T : Tags) {
            for (bool Parse : {false, true}) {
                ExpectRoundTrip(*T, F.Version, Parse);
                auto Record = ReadTag(82, T->Body, F.Version, Parse);
                EXPECT_EQ(dynamic_cast<TSWFDoABC&>(*Record).ABC.has_value(), Parse);
            }
        }
    }
}

TEST(DoABC, BuiltModelWritesItsByteCode) {
    TSWFDoABC Tag;
    Tag.Name = "m";
    Tag.ABC = SmallABCModel();
    Bytes Expected = {0xBC, 0x14};  // a 60-byte body
    Bytes Body = DoABCBody(SmallABC);
    Expected.insert(Expected.end(), Body.begin(), Body.end());
    EXPECT_EQ(Written(Tag), Expected);
    EXPECT_EQ(Tag.MinVersion(), 9);

    auto Read = ReadTag(82, Body, 9, true);
    auto& ReadABC = dynamic_cast<TSWFDoABC&>(*Read);
    ASSERT_TRUE(ReadABC.ABC.has_value());
    EXPECT_EQ(ReadABC.ABC->ConstantPool.Integers, std::vector<int32_t>{-1});
    EXPECT_EQ(ReadABC.ABC->MethodBodies.at(0).Code, (Bytes{0xD0, 0x30, 0x47}));
}

TEST(DoABC, ByteCodeThatDoesNotReencodeStaysRaw) {
    Bytes NonCanonical = SmallABC;
    NonCanonical[10] = 0x80;  // the uint count 0 written in two bytes
    NonCanonical.insert(NonCanonical.begin() + 11, 0x00);
    Bytes Truncated(SmallABC.begin(), SmallABC.end() - 4);
    Bytes Trailing = SmallABC;
    Trailing.push_back(0x00);
    for (const Bytes& ABC : {NonCanonical, Truncated, Trailing}) {
        TCorpusTag T;
        T.Code = 82;
        T.Body = DoABCBody(ABC);
        T.Whole = {static_cast<uint8_t>(82 << 6 | T.Body.size()), static_cast<uint8_t>(82 >> 2)};
        T.Whole.insert(T.Whole.end(), T.Body.begin(), T.Body.end());
        ExpectRoundTrip(T, 9, true);
        auto Record = ReadTag(82, T.Body, 9, true);
        EXPECT_FALSE(dynamic_cast<TSWFDoABC&>(*Record).ABC.has_value());
    }
}

TEST(DoABC, OldTagHoldsTheByteCodeAlone) {
    TCorpusTag T;
    T.Code = 72;
    T.Body = SmallABC;
    T.Whole = {static_cast<uint8_t>(72 << 6 | T.Body.size()), static_cast<uint8_t>(72 >> 2)};
    T.Whole.insert(T.Whole.end(), T.Body.begin(), T.Body.end());
    ExpectRoundTrip(T, 9, true);
    auto Record = ReadTag(72, T.Body, 9, true);
    EXPECT_TRUE(dynamic_cast<TSWFDoABCOld&>(*Record).ABC.has_value());
}

TEST(DoABC, DamagedBodiesNeverCrash) {
    for (const char* Name : {"Avm2Dummy.swf", "Avm2DefaultValue.swf"}) {
        TCorpusFile F = LoadCorpusFile(Name);
        for (const auto* T : F.WithCode(82)) ExpectDamagedBodiesAreSafe(82, T->Body);
    }
}
