#include <gtest/gtest.h>

#include "BitsEngine.h"

namespace {
std::vector<uint8_t> Written(const std::function<void(TBitsEngine&)>& Write) {
    TMemoryStream S;
    TBitsEngine BE(S);
    Write(BE);
    return S.Bytes();
}
using Bytes = std::vector<uint8_t>;
}  // namespace

TEST(BitsEngine, PacksBitFieldsMostSignificantFirst) {
    EXPECT_EQ(Written([](TBitsEngine& BE) {
                  BE.WriteBits(5u, 3);
                  BE.WriteBits(1u, 5);
              }),
              Bytes({0xA1}));
    EXPECT_EQ(Written([](TBitsEngine& BE) {
                  BE.WriteBit(true);
                  BE.WriteWord(0x1234);
              }),
              Bytes({0x80, 0x34, 0x12}));
}
