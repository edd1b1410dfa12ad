#include "SWFFilters.h"

void TSWFFilter::WriteToStream(TBitsEngine& BE) {
    BE.WriteByte(FilterID);
    BE.WriteBytes(Params.data(), Params.size());
}

void TSWFFilter::ReadFromStream(TBitsEngine&) {
    throw ESWFError("Filter lists are not read yet");
}

void TSWFFilterList::WriteToStream(TBitsEngine& BE) const {
    BE.WriteByte(static_cast<uint8_t>(Count()));
    for (const auto& F : *this) F->WriteToStream(BE);
}

void TSWFFilterList::ReadFromStream(TBitsEngine& BE) {
    Clear();
    uint8_t N = BE.ReadByte();
    for (int i = 0; i < N; ++i) {
        auto F = std::make_unique<TSWFFilter>();
        F->FilterID = BE.ReadByte();
        F->ReadFromStream(BE);
        Add(std::move(F));
    }
}
