// Any bytes as an MP3 file: the reader and the SWF sound data made from it must never crash.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "SoundData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TWaveReader R(std::vector<uint8_t>(Data, Data + Size), true);
    TSoundData S(R);
    TSWFDefineSound Tag;
    S.FillDefineSound(Tag);
    TSWFSoundStreamHead2 Head;
    S.FillStreamHead(Head, 12);
    for (int i = 0; i < 4 && S.NextStreamBlock(); ++i) {
    }
    return 0;
}
