#include "VipsLoader.h"

#include <vips/vips.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace {

// Owns one reference to a VipsImage.
struct TVipsRef {
    VipsImage* Image = nullptr;
    TVipsRef() = default;
    TVipsRef(const TVipsRef&) = delete;
    TVipsRef& operator=(const TVipsRef&) = delete;
    ~TVipsRef() {
        if (Image) g_object_unref(Image);
    }
    // Replaces the image by the result of an operation.
    void Take(VipsImage* Next) {
        if (Image) g_object_unref(Image);
        Image = Next;
    }
};

[[noreturn]] void FailVips(const std::string& FileName) {
    std::string Why = vips_error_buffer();
    vips_error_clear();
    while (!Why.empty() && std::isspace(static_cast<unsigned char>(Why.back()))) Why.pop_back();
    throw ESWFError(FileName + ": " + (Why.empty() ? "the picture cannot be decoded" : Why));
}

void StartVips() {
    static std::once_flag Once;
    std::call_once(Once, [] {
        if (vips_init("pictavo")) throw ESWFError("libvips cannot be started");
    });
}

bool IsColourMapped(VipsImage* Image) {
    const char* Loader = nullptr;
    if (!vips_image_get_string(Image, "vips-loader", &Loader) && Loader &&
        std::string(Loader).rfind("gif", 0) == 0)
        return true;
    return vips_image_get_typeof(Image, "palette-bit-depth") != 0;
}

// RGB(A) pixels with at most 256 colours and only fully opaque or fully clear pixels become 8-bit.
bool FillColourMapped(const uint8_t* Pixels, int W, int H, int Bands, TBMPReader& B) {
    std::map<uint32_t, int> Index;  // 0xRRGGBB, or 0xFF000000 for the one clear entry
    for (size_t i = 0, N = size_t(W) * H; i < N; ++i) {
        const uint8_t* P = Pixels + i * Bands;
        const int A = Bands == 4 ? P[3] : 255;
        if (A != 0 && A != 255) return false;
        const uint32_t Key = A ? uint32_t(P[0]) << 16 | P[1] << 8 | P[2] : 0xFF000000u;
        if (Index.emplace(Key, 0).second && Index.size() > 256) return false;
    }
    B.Create(W, H, 8);
    int Next = 0;
    for (auto& [Key, I] : Index) I = -1;
    for (int32_t Y = 0; Y < H; ++Y) {
        uint8_t* Row = B.ImageRow(Y);
        for (int32_t X = 0; X < W; ++X) {
            const uint8_t* P = Pixels + (size_t(Y) * W + X) * Bands;
            const bool Clear = Bands == 4 && P[3] == 0;
            int& I = Index[Clear ? 0xFF000000u : uint32_t(P[0]) << 16 | P[1] << 8 | P[2]];
            if (I < 0) {
                I = Next++;
                B.Palette()[I] = Clear ? TRGBQuad{0, 0, 0, 0} : TRGBQuad{P[2], P[1], P[0], 255};
                if (Clear) B.SetTransparentIndex(I);
            }
            Row[X] = static_cast<uint8_t>(I);
        }
    }
    return true;
}

}  // namespace

std::string UpperExtension(const std::string& FileName) {
    const size_t Dot = FileName.find_last_of("./\\");
    if (Dot == std::string::npos || FileName[Dot] != '.') return "";
    std::string Ext = FileName.substr(Dot + 1);
    for (char& C : Ext) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    return Ext;
}

bool VipsLoadsExtension(const std::string& Extension) {
    static const char* const Known[] = {"PNG", "GIF", "TIF", "TIFF", "WEBP", "PNM",
                                        "PPM", "PGM", "PBM", "HEIC", "HEIF", "AVIF"};
    return std::find(std::begin(Known), std::end(Known), Extension) != std::end(Known);
}

void LoadPictureWithVips(const std::string& FileName, TBMPReader& Bitmap) {
    const std::string Ext = UpperExtension(FileName);
    if (!VipsLoadsExtension(Ext)) throw ESWFError("Image format \"" + Ext + "\" not supported!");
    StartVips();
    TVipsRef Image;
    Image.Image = vips_image_new_from_file(FileName.c_str(), "fail_on", VIPS_FAIL_ON_ERROR, nullptr);
    if (!Image.Image) FailVips(FileName);
    const int W = vips_image_get_width(Image.Image), H = vips_image_get_height(Image.Image);
    if (W > TBMPReader::MaxDimension || H > TBMPReader::MaxDimension ||
        int64_t{W} * H > TBMPReader::MaxPixels)
        throw ESWFError(FileName + ": the picture of " + std::to_string(W) + " x " + std::to_string(H) +
                        " pixels is too large");
    const bool ColourMapped = IsColourMapped(Image.Image);

    // sRGB, 8 bits per channel, 3 bands or 4 with alpha
    VipsImage* Out = nullptr;
    if (vips_colourspace(Image.Image, &Out, VIPS_INTERPRETATION_sRGB, nullptr)) FailVips(FileName);
    Image.Take(Out);
    if (vips_cast_uchar(Image.Image, &Out, nullptr)) FailVips(FileName);
    Image.Take(Out);
    const int Bands = std::min(vips_image_get_bands(Image.Image), 4);
    if (Bands < 3) throw ESWFError(FileName + ": the picture has no colour channels");
    if (vips_image_get_bands(Image.Image) > Bands) {
        if (vips_extract_band(Image.Image, &Out, 0, "n", Bands, nullptr)) FailVips(FileName);
        Image.Take(Out);
    }
    size_t Size = 0;
    void* Memory = vips_image_write_to_memory(Image.Image, &Size);
    if (!Memory) FailVips(FileName);
    std::unique_ptr<uint8_t, decltype(&g_free)> Pixels(static_cast<uint8_t*>(Memory), &g_free);
    if (Size != size_t(W) * H * Bands) throw ESWFError(FileName + ": the picture cannot be decoded");

    const uint8_t* P = Pixels.get();
    if (ColourMapped && FillColourMapped(P, W, H, Bands, Bitmap)) return;
    bool Clear = false;
    for (size_t i = 0, N = size_t(W) * H; Bands == 4 && i < N && !Clear; ++i) Clear = P[i * 4 + 3] != 255;
    Bitmap.Create(W, H, Clear ? 32 : 24);
    for (int32_t Y = 0; Y < H; ++Y) {
        uint8_t* Row = Bitmap.ImageRow(Y);
        for (int32_t X = 0; X < W; ++X, P += Bands) {
            uint8_t* T = Row + X * (Clear ? 4 : 3);
            T[0] = P[2];
            T[1] = P[1];
            T[2] = P[0];
            if (Clear) T[3] = P[3];
        }
    }
}
