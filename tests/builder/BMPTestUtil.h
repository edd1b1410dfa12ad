// Picture fixtures for the image tests: BMP files built byte by byte, files made with ImageMagick in a
// temporary folder, and pixel access independent of the bitmap's depth.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BMPReader.h"

namespace bmptest {

// A temporary folder removed with the object.
class TTempDir {
  public:
    TTempDir() {
        std::string Pattern = (std::filesystem::temp_directory_path() / "pictavo-img-XXXXXX").string();
        Path_ = mkdtemp(Pattern.data());
    }
    ~TTempDir() { std::filesystem::remove_all(Path_); }
    std::string File(const std::string& Name) const { return (Path_ / Name).string(); }

  private:
    std::filesystem::path Path_;
};

inline std::vector<uint8_t> ReadFile(const std::string& Name) {
    std::ifstream F(Name, std::ios::binary);
    return {std::istreambuf_iterator<char>(F), {}};
}

inline void WriteFile(const std::string& Name, const std::vector<uint8_t>& Bytes) {
    std::ofstream(Name, std::ios::binary).write(reinterpret_cast<const char*>(Bytes.data()), Bytes.size());
}

// Runs ImageMagick's convert with Args; fails the test when it fails.
inline void Convert(const std::string& Args) {
    const std::string Command = "convert " + Args + " 2>&1";
    ASSERT_EQ(std::system(Command.c_str()), 0) << Command;
}

struct TRGBA {
    uint8_t R = 0, G = 0, B = 0, A = 255;
    bool operator==(const TRGBA&) const = default;
};

inline std::ostream& operator<<(std::ostream& S, const TRGBA& C) {
    return S << "rgba(" << int(C.R) << "," << int(C.G) << "," << int(C.B) << "," << int(C.A) << ")";
}

// The colour of pixel (X, Y), Y = 0 the top row; 16-bit channels are widened from 5 bits, the alpha byte
// of colour-mapped pixels comes from the palette, 24-bit pixels are opaque.
inline TRGBA PixelAt(const TBMPReader& B, int X, int Y) {
    const uint8_t* Row = B.ImageRow(Y);
    switch (B.BitCount()) {
        case 16: {
            const unsigned V = Row[2 * X] | Row[2 * X + 1] << 8;
            auto Wide = [](unsigned C) { return static_cast<uint8_t>(C * 255 / 31); };
            return {Wide(V >> 10 & 31), Wide(V >> 5 & 31), Wide(V & 31), 255};
        }
        case 24:
            return {Row[3 * X + 2], Row[3 * X + 1], Row[3 * X], 255};
        case 32:
            return {Row[4 * X + 2], Row[4 * X + 1], Row[4 * X], Row[4 * X + 3]};
        default: {
            const TRGBQuad& Q = B.Palette()[B.PixelIndex(Row, X)];
            return {Q.rgbRed, Q.rgbGreen, Q.rgbBlue, Q.rgbReserved};
        }
    }
}

// Writes a binary PPM of W x H pixels, RGB triples top row first.
inline void WritePPM(const std::string& Name, int W, int H, const std::vector<TRGBA>& Pixels) {
    std::vector<uint8_t> Bytes;
    const std::string Head = "P6\n" + std::to_string(W) + " " + std::to_string(H) + "\n255\n";
    Bytes.assign(Head.begin(), Head.end());
    for (const TRGBA& P : Pixels) Bytes.insert(Bytes.end(), {P.R, P.G, P.B});
    WriteFile(Name, Bytes);
}

inline void Put16(std::vector<uint8_t>& B, unsigned V) {
    B.insert(B.end(), {uint8_t(V), uint8_t(V >> 8)});
}
inline void Put32(std::vector<uint8_t>& B, uint32_t V) {
    B.insert(B.end(), {uint8_t(V), uint8_t(V >> 8), uint8_t(V >> 16), uint8_t(V >> 24)});
}

// A BMP file with a 40-byte header: Palette entries (blue, green, red, alpha) then Pixels exactly as given.
inline std::vector<uint8_t> MakeBMP(int32_t W, int32_t H, int Bits, uint32_t Compression,
                                    const std::vector<TRGBQuad>& Palette, const std::vector<uint8_t>& Pixels,
                                    uint32_t ClrUsed = 0) {
    std::vector<uint8_t> B = {'B', 'M'};
    const uint32_t Offset = 54 + 4 * static_cast<uint32_t>(Palette.size());
    Put32(B, Offset + static_cast<uint32_t>(Pixels.size()));
    Put32(B, 0);
    Put32(B, Offset);
    Put32(B, 40);
    Put32(B, static_cast<uint32_t>(W));
    Put32(B, static_cast<uint32_t>(H));
    Put16(B, 1);
    Put16(B, static_cast<unsigned>(Bits));
    Put32(B, Compression);
    Put32(B, static_cast<uint32_t>(Pixels.size()));
    Put32(B, 2835);
    Put32(B, 2835);
    Put32(B, ClrUsed);
    Put32(B, 0);
    for (const TRGBQuad& Q : Palette) B.insert(B.end(), {Q.rgbBlue, Q.rgbGreen, Q.rgbRed, Q.rgbReserved});
    B.insert(B.end(), Pixels.begin(), Pixels.end());
    return B;
}

inline TBMPReader LoadBMP(const std::vector<uint8_t>& Bytes) {
    TMemoryStream S(Bytes);
    TBMPReader B;
    B.LoadFromStream(S, "test.bmp");
    return B;
}

}  // namespace bmptest
