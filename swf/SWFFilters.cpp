#include "SWFFilters.h"

#include <algorithm>
#include <string>

namespace {
uint8_t Bit(bool Flag, int Position) {
    return static_cast<uint8_t>(Flag ? 1u << Position : 0u);
}
bool HasBit(uint8_t Byte, int Position) {
    return (Byte >> Position) & 1;
}

void WriteFixedValue(TBitsEngine& BE, int32_t V) {
    BE.WriteDWord(static_cast<uint32_t>(V));
}
int32_t ReadFixedValue(TBitsEngine& BE) {
    return static_cast<int32_t>(BE.ReadDWord());
}

// The flag byte shared by the shadow, bevel and gradient filters: three or four flags, then the passes.
uint8_t ShadowFlags(bool Inner, bool Knockout, bool CompositeSource, uint8_t PassesAndOnTop) {
    return static_cast<uint8_t>(Bit(Inner, 7) | Bit(Knockout, 6) | Bit(CompositeSource, 5) | PassesAndOnTop);
}
}  // namespace

void TSWFFilter::WriteToStream(TBitsEngine& BE) {
    BE.WriteByte(FilterID);
    WriteParams(BE);
}

std::unique_ptr<TSWFFilter> CreateSWFFilter(uint8_t FilterID) {
    switch (FilterID) {
        case TSWFFilter::DropShadow:
            return std::make_unique<TSWFDropShadowFilter>();
        case TSWFFilter::Blur:
            return std::make_unique<TSWFBlurFilter>();
        case TSWFFilter::Glow:
            return std::make_unique<TSWFGlowFilter>();
        case TSWFFilter::Bevel:
            return std::make_unique<TSWFBevelFilter>();
        case TSWFFilter::GradientGlow:
            return std::make_unique<TSWFGradientGlowFilter>();
        case TSWFFilter::Convolution:
            return std::make_unique<TSWFConvolutionFilter>();
        case TSWFFilter::ColorMatrix:
            return std::make_unique<TSWFColorMatrixFilter>();
        case TSWFFilter::GradientBevel:
            return std::make_unique<TSWFGradientBevelFilter>();
        default:
            return nullptr;
    }
}

void TSWFDropShadowFilter::WriteParams(TBitsEngine& BE) {
    BE.WriteRGBA(DropShadowColor);
    WriteFixedValue(BE, BlurX);
    WriteFixedValue(BE, BlurY);
    WriteFixedValue(BE, Angle);
    WriteFixedValue(BE, Distance);
    BE.WriteWord(Strength);
    BE.WriteByte(ShadowFlags(InnerShadow, Knockout, CompositeSource, Passes & 0x1F));
}

void TSWFDropShadowFilter::ReadParams(TBitsEngine& BE) {
    DropShadowColor = BE.ReadRGBA();
    BlurX = ReadFixedValue(BE);
    BlurY = ReadFixedValue(BE);
    Angle = ReadFixedValue(BE);
    Distance = ReadFixedValue(BE);
    Strength = BE.ReadWord();
    uint8_t F = BE.ReadByte();
    InnerShadow = HasBit(F, 7);
    Knockout = HasBit(F, 6);
    CompositeSource = HasBit(F, 5);
    Passes = F & 0x1F;
}

void TSWFBlurFilter::WriteParams(TBitsEngine& BE) {
    WriteFixedValue(BE, BlurX);
    WriteFixedValue(BE, BlurY);
    BE.WriteByte(static_cast<uint8_t>((Passes & 0x1F) << 3 | (Reserved & 7)));
}

void TSWFBlurFilter::ReadParams(TBitsEngine& BE) {
    BlurX = ReadFixedValue(BE);
    BlurY = ReadFixedValue(BE);
    uint8_t F = BE.ReadByte();
    Passes = F >> 3;
    Reserved = F & 7;
}

void TSWFGlowFilter::WriteParams(TBitsEngine& BE) {
    BE.WriteRGBA(GlowColor);
    WriteFixedValue(BE, BlurX);
    WriteFixedValue(BE, BlurY);
    BE.WriteWord(Strength);
    BE.WriteByte(ShadowFlags(InnerGlow, Knockout, CompositeSource, Passes & 0x1F));
}

void TSWFGlowFilter::ReadParams(TBitsEngine& BE) {
    GlowColor = BE.ReadRGBA();
    BlurX = ReadFixedValue(BE);
    BlurY = ReadFixedValue(BE);
    Strength = BE.ReadWord();
    uint8_t F = BE.ReadByte();
    InnerGlow = HasBit(F, 7);
    Knockout = HasBit(F, 6);
    CompositeSource = HasBit(F, 5);
    Passes = F & 0x1F;
}

void TSWFBevelFilter::WriteParams(TBitsEngine& BE) {
    BE.WriteRGBA(ShadowColor);
    BE.WriteRGBA(HighlightColor);
    WriteFixedValue(BE, BlurX);
    WriteFixedValue(BE, BlurY);
    WriteFixedValue(BE, Angle);
    WriteFixedValue(BE, Distance);
    BE.WriteWord(Strength);
    BE.WriteByte(ShadowFlags(InnerShadow, Knockout, CompositeSource, Bit(OnTop, 4) | (Passes & 0x0F)));
}

void TSWFBevelFilter::ReadParams(TBitsEngine& BE) {
    ShadowColor = BE.ReadRGBA();
    HighlightColor = BE.ReadRGBA();
    BlurX = ReadFixedValue(BE);
    BlurY = ReadFixedValue(BE);
    Angle = ReadFixedValue(BE);
    Distance = ReadFixedValue(BE);
    Strength = BE.ReadWord();
    uint8_t F = BE.ReadByte();
    InnerShadow = HasBit(F, 7);
    Knockout = HasBit(F, 6);
    CompositeSource = HasBit(F, 5);
    OnTop = HasBit(F, 4);
    Passes = F & 0x0F;
}

void TSWFGradientFilter::WriteParams(TBitsEngine& BE) {
    size_t N = std::min<size_t>(GradientColors.size(), 255);
    BE.WriteByte(static_cast<uint8_t>(N));
    for (size_t i = 0; i < N; ++i) BE.WriteRGBA(GradientColors[i].Color);
    for (size_t i = 0; i < N; ++i) BE.WriteByte(GradientColors[i].Ratio);
    WriteFixedValue(BE, BlurX);
    WriteFixedValue(BE, BlurY);
    WriteFixedValue(BE, Angle);
    WriteFixedValue(BE, Distance);
    BE.WriteWord(Strength);
    BE.WriteByte(ShadowFlags(InnerShadow, Knockout, CompositeSource, Bit(OnTop, 4) | (Passes & 0x0F)));
}

void TSWFGradientFilter::ReadParams(TBitsEngine& BE) {
    uint8_t N = BE.ReadByte();
    if (N * 5 > BE.Stream->Remaining()) throw ESWFError("Gradient filter colours beyond the end of the data");
    GradientColors.assign(N, {});
    for (auto& C : GradientColors) C.Color = BE.ReadRGBA();
    for (auto& C : GradientColors) C.Ratio = BE.ReadByte();
    BlurX = ReadFixedValue(BE);
    BlurY = ReadFixedValue(BE);
    Angle = ReadFixedValue(BE);
    Distance = ReadFixedValue(BE);
    Strength = BE.ReadWord();
    uint8_t F = BE.ReadByte();
    InnerShadow = HasBit(F, 7);
    Knockout = HasBit(F, 6);
    CompositeSource = HasBit(F, 5);
    OnTop = HasBit(F, 4);
    Passes = F & 0x0F;
}

void TSWFConvolutionFilter::WriteParams(TBitsEngine& BE) {
    BE.WriteByte(MatrixX);
    BE.WriteByte(MatrixY);
    BE.WriteFloat(Divisor);
    BE.WriteFloat(Bias);
    size_t N = size_t{MatrixX} * MatrixY;
    for (size_t i = 0; i < N; ++i) BE.WriteFloat(i < Matrix.size() ? Matrix[i] : 0.0f);
    BE.WriteRGBA(DefaultColor);
    BE.WriteByte(static_cast<uint8_t>((Reserved & 0x3F) << 2 | Bit(Clamp, 1) | Bit(PreserveAlpha, 0)));
}

void TSWFConvolutionFilter::ReadParams(TBitsEngine& BE) {
    MatrixX = BE.ReadByte();
    MatrixY = BE.ReadByte();
    Divisor = BE.ReadFloat();
    Bias = BE.ReadFloat();
    size_t N = size_t{MatrixX} * MatrixY;
    if (N * 4 > static_cast<size_t>(BE.Stream->Remaining()))
        throw ESWFError("Convolution matrix beyond the end of the data");
    Matrix.assign(N, 0.0f);
    for (auto& V : Matrix) V = BE.ReadFloat();
    DefaultColor = BE.ReadRGBA();
    uint8_t F = BE.ReadByte();
    Reserved = F >> 2;
    Clamp = HasBit(F, 1);
    PreserveAlpha = HasBit(F, 0);
}

void TSWFColorMatrixFilter::WriteParams(TBitsEngine& BE) {
    for (float V : Matrix) BE.WriteFloat(V);
}

void TSWFColorMatrixFilter::ReadParams(TBitsEngine& BE) {
    for (auto& V : Matrix) V = BE.ReadFloat();
}

void TSWFFilterList::WriteToStream(TBitsEngine& BE) const {
    size_t N = std::min<size_t>(Count(), 255);
    BE.WriteByte(static_cast<uint8_t>(N));
    for (size_t i = 0; i < N; ++i) At(i)->WriteToStream(BE);
}

void TSWFFilterList::ReadFromStream(TBitsEngine& BE) {
    Clear();
    uint8_t N = BE.ReadByte();
    for (int i = 0; i < N; ++i) {
        uint8_t ID = BE.ReadByte();
        auto F = CreateSWFFilter(ID);
        if (!F) throw ESWFError("Unknown filter ID " + std::to_string(ID));
        F->ReadFromStream(BE);
        Add(std::move(F));
    }
}
