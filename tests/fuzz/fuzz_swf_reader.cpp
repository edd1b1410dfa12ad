// Feeds arbitrary bytes to the SWF reader: loading, reading every tag with parsed actions, rebuilding the
// body.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "SWFReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TMemoryStream In(std::vector<uint8_t>(Data, Data + Size));
    TSWFStreamReader Reader;
    try {
        Reader.LoadFromStream(In);
    } catch (const ESWFError&) {
        return 0;
    }
    if (!Reader.IsValid) return 0;
    const std::vector<uint8_t> Body = static_cast<TMemoryStream&>(Reader.BodyStream()).Bytes();
    for (bool ParseActions : {false, true}) {
        Reader.ReadTags(true, ParseActions);
        Reader.BuildBody();
        // Whatever was read must write back unchanged.
        if (static_cast<TMemoryStream&>(Reader.BodyStream()).Bytes() != Body) std::abort();
    }
    return 0;
}
