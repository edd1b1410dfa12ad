// The filters of PlaceObject3: DropShadow, Blur, Glow, Bevel, GradientGlow, Convolution, ColorMatrix,
// GradientBevel.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "SWFObject.h"

class TSWFFilter : public TBasedSWFObject {
  public:
    uint8_t FilterID = 0;
    // Writes the filter ID byte and the parameters.
    void WriteToStream(TBitsEngine& BE) override;
    // Reads the parameters (the ID byte was read by the caller).
    void ReadFromStream(TBitsEngine& BE) override;
    SWF_RECORD_COPY(TSWFFilter)
    std::vector<uint8_t> Params;  // placeholder until the filter classes exist
};

class TSWFFilterList : public TObjectList<TSWFFilter> {
  public:
    // A count byte, then each filter.
    void WriteToStream(TBitsEngine& BE) const;
    void ReadFromStream(TBitsEngine& BE);
};
