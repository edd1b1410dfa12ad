// JPEG files: sizing from the markers without decoding, and the few conversions that need libjpeg.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "BMPReader.h"

// The frame header of a JPEG file as found by walking its markers.
struct TJPEGFrame {
    uint8_t Marker = 0;  // the SOFn marker byte (C0 baseline ... CF), 0 when no frame header was found
    uint16_t Width = 0, Height = 0;
    // Baseline or extended sequential Huffman frames, the ones players show as they are.
    bool Sequential() const { return Marker == 0xC0 || Marker == 0xC1; }
    bool Progressive() const { return Marker == 0xC2 || Marker == 0xC6 || Marker == 0xCA || Marker == 0xCE; }
};

// Walks the markers up to the frame header; no pixel is decoded. A file that does not start with SOI, or
// whose markers end before a frame header, gives Marker 0 and size 0 x 0. The file version reads only the
// bytes up to the frame header.
TJPEGFrame ReadJPEGFrame(const uint8_t* Data, size_t Size);
TJPEGFrame ReadJPEGFrame(const std::string& FileName);

// Re-encodes a JPEG (progressive or not) as a baseline JPEG. The DCT coefficients are copied, so the
// pixels stay exactly as they were. Name is used in error messages.
std::vector<uint8_t> ConvertToBaselineJPEG(const std::vector<uint8_t>& JPEG, const std::string& Name);

// Decodes a JPEG into a 24-bit bitmap. Truncated or corrupt data raises ESWFError naming Name.
void DecodeJPEG(const uint8_t* Data, size_t Size, const std::string& Name, TBMPReader& Bitmap);

// Encodes a bitmap of any depth as a baseline JPEG (alpha is dropped).
std::vector<uint8_t> EncodeJPEG(const TBMPReader& Bitmap, int Quality);

// The alpha plane DefineBitsJPEG3 carries: one byte per pixel, rows top to bottom, no padding. A 32-bit
// mask gives its alpha bytes (all 0 means a bitmap without alpha, which is opaque); an 8-bit mask its pixel
// values; 1- and 4-bit masks their values scaled to 0..255.
std::vector<uint8_t> AlphaPlane(const TBMPReader& Mask);
