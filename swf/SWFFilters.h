// The filters of PlaceObject3 and of button records: DropShadow, Blur, Glow, Bevel, GradientGlow,
// Convolution, ColorMatrix, GradientBevel.
//
// FIXED parameters are kept as their signed 16.16 values and FIXED8 parameters as their 8.8 words, so a
// filter read from a file writes back the same bytes (SingleToFixed and SingleToWord convert from numbers).
// Every bit of the flag bytes has a field of its own, the reserved ones included.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "SWFObject.h"

class TSWFFilter : public TBasedSWFObject {
  public:
    enum : uint8_t {
        DropShadow = 0,
        Blur = 1,
        Glow = 2,
        Bevel = 3,
        GradientGlow = 4,
        Convolution = 5,
        ColorMatrix = 6,
        GradientBevel = 7
    };
    uint8_t FilterID = 0;

    int MinVersion() const override { return 8; }
    // Writes the filter ID byte and the parameters.
    void WriteToStream(TBitsEngine& BE) override;
    // Reads the parameters (the ID byte was read by the caller).
    void ReadFromStream(TBitsEngine& BE) override { ReadParams(BE); }

  protected:
    virtual void WriteParams(TBitsEngine& BE) = 0;
    virtual void ReadParams(TBitsEngine& BE) = 0;
};

// A new filter of the class for FilterID; nullptr for an ID without one.
std::unique_ptr<TSWFFilter> CreateSWFFilter(uint8_t FilterID);

class TSWFDropShadowFilter : public TSWFFilter {
  public:
    recRGBA DropShadowColor = SWFRGBA(0, 0, 0, 255);
    int32_t BlurX = 4 << 16, BlurY = 4 << 16;  // 16.16
    int32_t Angle = 51471;                     // 16.16 radians (45 degrees)
    int32_t Distance = 4 << 16;                // 16.16
    uint16_t Strength = 0x0100;                // 8.8
    bool InnerShadow = false, Knockout = false, CompositeSource = true;
    uint8_t Passes = 1;  // 5 bits

    TSWFDropShadowFilter() { FilterID = DropShadow; }
    SWF_RECORD_COPY(TSWFDropShadowFilter)

  protected:
    void WriteParams(TBitsEngine& BE) override;
    void ReadParams(TBitsEngine& BE) override;
};

class TSWFBlurFilter : public TSWFFilter {
  public:
    int32_t BlurX = 4 << 16, BlurY = 4 << 16;  // 16.16
    uint8_t Passes = 1;                        // 5 bits
    uint8_t Reserved = 0;                      // 3 bits

    TSWFBlurFilter() { FilterID = Blur; }
    SWF_RECORD_COPY(TSWFBlurFilter)

  protected:
    void WriteParams(TBitsEngine& BE) override;
    void ReadParams(TBitsEngine& BE) override;
};

class TSWFGlowFilter : public TSWFFilter {
  public:
    recRGBA GlowColor = SWFRGBA(255, 0, 0, 255);
    int32_t BlurX = 4 << 16, BlurY = 4 << 16;  // 16.16
    uint16_t Strength = 0x0100;                // 8.8
    bool InnerGlow = false, Knockout = false, CompositeSource = true;
    uint8_t Passes = 1;  // 5 bits

    TSWFGlowFilter() { FilterID = Glow; }
    SWF_RECORD_COPY(TSWFGlowFilter)

  protected:
    void WriteParams(TBitsEngine& BE) override;
    void ReadParams(TBitsEngine& BE) override;
};

class TSWFBevelFilter : public TSWFFilter {
  public:
    recRGBA ShadowColor = SWFRGBA(0, 0, 0, 255);
    recRGBA HighlightColor = SWFRGBA(255, 255, 255, 255);
    int32_t BlurX = 4 << 16, BlurY = 4 << 16;  // 16.16
    int32_t Angle = 51471;                     // 16.16 radians (45 degrees)
    int32_t Distance = 4 << 16;                // 16.16
    uint16_t Strength = 0x0100;                // 8.8
    bool InnerShadow = false, Knockout = false, CompositeSource = true, OnTop = false;
    uint8_t Passes = 1;  // 4 bits

    TSWFBevelFilter() { FilterID = Bevel; }
    SWF_RECORD_COPY(TSWFBevelFilter)

  protected:
    void WriteParams(TBitsEngine& BE) override;
    void ReadParams(TBitsEngine& BE) override;
};

struct TSWFGradientFilterColor {
    recRGBA Color = 0;
    uint8_t Ratio = 0;
    bool operator==(const TSWFGradientFilterColor&) const = default;
};

// GradientGlow and GradientBevel share one layout.
class TSWFGradientFilter : public TSWFFilter {
  public:
    std::vector<TSWFGradientFilterColor> GradientColors;  // at most 255
    int32_t BlurX = 4 << 16, BlurY = 4 << 16;             // 16.16
    int32_t Angle = 51471;                                // 16.16 radians (45 degrees)
    int32_t Distance = 4 << 16;                           // 16.16
    uint16_t Strength = 0x0100;                           // 8.8
    bool InnerShadow = false, Knockout = false, CompositeSource = true, OnTop = false;
    uint8_t Passes = 1;  // 4 bits

  protected:
    void WriteParams(TBitsEngine& BE) override;
    void ReadParams(TBitsEngine& BE) override;
};

class TSWFGradientGlowFilter : public TSWFGradientFilter {
  public:
    TSWFGradientGlowFilter() { FilterID = GradientGlow; }
    SWF_RECORD_COPY(TSWFGradientGlowFilter)
};

class TSWFGradientBevelFilter : public TSWFGradientFilter {
  public:
    TSWFGradientBevelFilter() { FilterID = GradientBevel; }
    SWF_RECORD_COPY(TSWFGradientBevelFilter)
};

class TSWFConvolutionFilter : public TSWFFilter {
  public:
    uint8_t MatrixX = 3, MatrixY = 3;
    float Divisor = 1, Bias = 0;
    // MatrixX * MatrixY values, row by row; missing values are written as 0, extra ones are not written.
    std::vector<float> Matrix = std::vector<float>(9, 0.0f);
    recRGBA DefaultColor = 0;
    uint8_t Reserved = 0;  // 6 bits
    bool Clamp = true, PreserveAlpha = true;

    TSWFConvolutionFilter() { FilterID = Convolution; }
    SWF_RECORD_COPY(TSWFConvolutionFilter)

  protected:
    void WriteParams(TBitsEngine& BE) override;
    void ReadParams(TBitsEngine& BE) override;
};

class TSWFColorMatrixFilter : public TSWFFilter {
  public:
    // Four rows of five values (R, G, B, A multipliers and an offset); the identity by default.
    std::array<float, 20> Matrix{1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};

    TSWFColorMatrixFilter() { FilterID = ColorMatrix; }
    SWF_RECORD_COPY(TSWFColorMatrixFilter)

  protected:
    void WriteParams(TBitsEngine& BE) override;
    void ReadParams(TBitsEngine& BE) override;
};

class TSWFFilterList : public TObjectList<TSWFFilter> {
  public:
    // A count byte, then each filter.
    void WriteToStream(TBitsEngine& BE) const;
    // Raises ESWFError for a filter ID without a class: its length is unknown, so nothing after it can be
    // read.
    void ReadFromStream(TBitsEngine& BE);
};
