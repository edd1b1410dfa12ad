// libFuzzer target: any bytes handed to the bitmap reader either load or raise ESWFError, and a loaded
// bitmap always turns into lossless pixel data.
#include <cstddef>
#include <cstdint>

#include "BMPReader.h"
#include "LosslessData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TBoundedReadStream Stream(Data, Size);
    TBMPReader Bitmap;
    try {
        Bitmap.LoadFromStream(Stream, "fuzz.bmp");
    } catch (const ESWFError&) {
        return 0;
    }
    const TLosslessInfo Info = AnalyseLosslessBitmap(Bitmap);
    LosslessPixels(Bitmap, Info);
    return 0;
}
