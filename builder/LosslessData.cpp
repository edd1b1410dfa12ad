#include "LosslessData.h"

#include <zlib.h>

namespace {

uint8_t Premultiply(uint8_t Colour, uint8_t Alpha) {
    return static_cast<uint8_t>((Colour * Alpha + 127) / 255);
}

bool AllAlphaZero(const TBMPReader& B) {
    for (int32_t Y = 0; Y < B.Height(); ++Y) {
        const uint8_t* Row = B.ScanLine(Y);
        for (int32_t X = 0; X < B.Width(); ++X)
            if (Row[4 * X + 3]) return false;
    }
    return true;
}

}  // namespace

TLosslessInfo AnalyseLosslessBitmap(TBMPReader& B) {
    if (B.Empty()) throw ESWFError("no bitmap to analyse");
    TLosslessInfo I;
    I.Width = static_cast<uint16_t>(B.Width());
    I.Height = static_cast<uint16_t>(B.Height());
    switch (B.BitCount()) {
        case 16:
            I.Format = 4;
            I.PaddedWidth = (I.Width + 1u) & ~1u;
            break;
        case 24:
            I.Format = 5;
            I.PaddedWidth = I.Width;
            break;
        case 32:
            I.Format = 1;
            I.PaddedWidth = I.Width;
            I.HasAlpha = true;
            break;
        default:
            I.Format = 3;
            I.PaddedWidth = (I.Width + 3u) & ~3u;
            I.ColorCount = static_cast<uint32_t>(B.CompactPalette());
            if (B.TransparentIndex() >= 0 && static_cast<uint32_t>(B.TransparentIndex()) < I.ColorCount) {
                I.HasAlpha = true;
                B.Palette()[B.TransparentIndex()] = TRGBQuad{0, 0, 0, 0};
            }
    }
    return I;
}

std::vector<uint8_t> LosslessPixels(const TBMPReader& B, const TLosslessInfo& I, bool CheckAlpha) {
    std::vector<uint8_t> Out;
    const int32_t W = B.Width(), H = B.Height();
    switch (I.Format) {
        case 1: {
            const bool Opaque = !CheckAlpha || AllAlphaZero(B);
            Out.reserve(size_t{4} * W * H);
            for (int32_t Y = 0; Y < H; ++Y) {
                const uint8_t* P = B.ImageRow(Y);
                for (int32_t X = 0; X < W; ++X, P += 4) {
                    const uint8_t A = Opaque ? 255 : P[3];
                    Out.insert(Out.end(),
                               {A, Premultiply(P[2], A), Premultiply(P[1], A), Premultiply(P[0], A)});
                }
            }
            break;
        }
        case 3: {
            Out.reserve(I.ColorCount * 4 + size_t{I.PaddedWidth} * H);
            for (uint32_t i = 0; i < I.ColorCount; ++i) {
                const TRGBQuad& E = B.Palette()[i];
                if (I.HasAlpha)
                    Out.insert(Out.end(),
                               {Premultiply(E.rgbRed, E.rgbReserved), Premultiply(E.rgbGreen, E.rgbReserved),
                                Premultiply(E.rgbBlue, E.rgbReserved), E.rgbReserved});
                else
                    Out.insert(Out.end(), {E.rgbRed, E.rgbGreen, E.rgbBlue});
            }
            for (int32_t Y = 0; Y < H; ++Y) {
                const uint8_t* Row = B.ImageRow(Y);
                for (int32_t X = 0; X < W; ++X) Out.push_back(static_cast<uint8_t>(B.PixelIndex(Row, X)));
                Out.resize(Out.size() + (I.PaddedWidth - W));
            }
            break;
        }
        case 4:
            Out.reserve(size_t{2} * I.PaddedWidth * H);
            for (int32_t Y = 0; Y < H; ++Y) {
                const uint8_t* P = B.ImageRow(Y);
                for (int32_t X = 0; X < W; ++X) Out.insert(Out.end(), {P[2 * X + 1], P[2 * X]});
                Out.resize(Out.size() + 2 * (I.PaddedWidth - W));
            }
            break;
        case 5:
            Out.reserve(size_t{4} * W * H);
            for (int32_t Y = 0; Y < H; ++Y) {
                const uint8_t* P = B.ImageRow(Y);
                for (int32_t X = 0; X < W; ++X, P += 3)
                    Out.insert(Out.end(), {uint8_t{255}, P[2], P[1], P[0]});
            }
            break;
        default:
            throw ESWFError("lossless format " + std::to_string(I.Format) + " is not known");
    }
    return Out;
}

std::vector<uint8_t> MakeLosslessData(const TBMPReader& B, const TLosslessInfo& I, bool CheckAlpha) {
    const std::vector<uint8_t> Pixels = LosslessPixels(B, I, CheckAlpha);
    return ZlibCompress(Pixels.data(), Pixels.size());
}

std::vector<uint8_t> ZlibCompress(const uint8_t* Data, size_t Size) {
    uLongf Length = compressBound(static_cast<uLong>(Size));
    std::vector<uint8_t> Out(Length);
    if (compress2(Out.data(), &Length, Data, static_cast<uLong>(Size), Z_DEFAULT_COMPRESSION) != Z_OK)
        throw ESWFError("zlib compression failed");
    Out.resize(Length);
    return Out;
}
