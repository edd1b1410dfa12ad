// Pictures other than JPEG and BMP (PNG, GIF, TIFF, WebP, ...), decoded with libvips into the bitmap model
// of TBMPReader: 8-bit colour-mapped when the file is colour-mapped (GIF, palette PNG) and has at most 256
// colours and no partial transparency, else 24-bit, or 32-bit when some pixel is not opaque.
#pragma once

#include <string>

#include "BMPReader.h"

// The extension of FileName without the dot, upper-cased ("" when it has none).
std::string UpperExtension(const std::string& FileName);

// Whether pictures with this (upper-cased) extension are decoded by LoadPictureWithVips.
bool VipsLoadsExtension(const std::string& Extension);

// Decodes FileName into Bitmap. An extension not listed above raises "Image format "XYZ" not supported!";
// a file that cannot be read or decoded raises ESWFError naming the file.
void LoadPictureWithVips(const std::string& FileName, TBMPReader& Bitmap);
