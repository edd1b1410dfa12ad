#include "JPEGCodec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
// libjpeg needs size_t and FILE declared before it
#include <jerror.h>
#include <jpeglib.h>

namespace {

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to the setjmp of
// RunJPEG. Warnings about damaged data are fatal too, so a truncated file is an error, not a grey picture.
struct TJPEGError {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void ErrorExit(j_common_ptr C) {
    auto* E = reinterpret_cast<TJPEGError*>(C->err);
    C->err->format_message(C, E->Message);
    std::longjmp(E->Jump, 1);
}

void EmitMessage(j_common_ptr C, int Level) {
    if (Level < 0 && C->err->msg_code != JWRN_EXTRANEOUS_DATA) ErrorExit(C);
}

void InitError(TJPEGError& E) {
    jpeg_std_error(&E.Manager);
    E.Manager.error_exit = ErrorExit;
    E.Manager.emit_message = EmitMessage;
}

// Runs Body, which calls libjpeg on Object. Body must hold no object with a destructor across a libjpeg
// call, since an error jumps over its frame. Object is destroyed in every case; errors raise ESWFError.
template <class TBody>
void RunJPEG(j_common_ptr Object, TJPEGError& E, const std::string& Name, TBody&& Body) {
    if (setjmp(E.Jump)) {
        jpeg_destroy(Object);
        throw ESWFError(Name + ": " + E.Message);
    }
    try {
        Body();
    } catch (...) {
        jpeg_destroy(Object);
        throw;
    }
    jpeg_destroy(Object);
}

void CheckSize(j_decompress_ptr D, const std::string& Name) {
    if (D->image_width > static_cast<unsigned>(TBMPReader::MaxDimension) ||
        D->image_height > static_cast<unsigned>(TBMPReader::MaxDimension) ||
        int64_t{D->image_width} * D->image_height > TBMPReader::MaxPixels)
        throw ESWFError(Name + ": the picture of " + std::to_string(D->image_width) + " x " +
                        std::to_string(D->image_height) + " pixels is too large");
}

// Walks the markers of a JPEG held anywhere: Byte() returns the next byte or -1, Skip(n) skips n bytes.
template <class TByte, class TSkip>
TJPEGFrame WalkMarkers(TByte&& Byte, TSkip&& Skip) {
    TJPEGFrame F;
    if (Byte() != 0xFF || Byte() != 0xD8) return F;
    auto Word = [&]() -> int {
        const int Hi = Byte(), Lo = Byte();
        return Hi < 0 || Lo < 0 ? -1 : Hi << 8 | Lo;
    };
    int B = Byte();
    while (B == 0xFF) {
        const int M = Byte();
        if (M == 0xFF) continue;  // fill byte
        if (M < 0) break;
        if (M == 0x01 || (M >= 0xD0 && M <= 0xD7)) {
            B = Byte();
            continue;
        }
        const int Length = Word();
        if (Length < 2) break;
        // SOFn, except DHT (C4), JPG (C8) and DAC (CC), which share the range
        if (M >= 0xC0 && M <= 0xCF && M != 0xC4 && M != 0xC8 && M != 0xCC) {
            if (Length < 7 || Byte() < 0) break;
            const int H = Word(), W = Word();
            if (H < 0 || W < 0) break;
            F.Marker = static_cast<uint8_t>(M);
            F.Height = static_cast<uint16_t>(H);
            F.Width = static_cast<uint16_t>(W);
            return F;
        }
        if (!Skip(Length - 2)) break;
        B = Byte();
    }
    return F;
}

}  // namespace

TJPEGFrame ReadJPEGFrame(const uint8_t* Data, size_t Size) {
    size_t Pos = 0;
    return WalkMarkers([&]() -> int { return Pos < Size ? Data[Pos++] : -1; },
                       [&](size_t N) {
                           if (N > Size - Pos) return false;
                           Pos += N;
                           return true;
                       });
}

TJPEGFrame ReadJPEGFrame(const std::string& FileName) {
    TFileStream S(FileName, TFileStream::Mode::Read);
    const int64_t Size = S.Size();
    return WalkMarkers(
        [&]() -> int {
            uint8_t B;
            return S.Read(&B, 1) == 1 ? B : -1;
        },
        [&](size_t N) {
            if (static_cast<int64_t>(N) > Size - S.Position()) return false;
            S.SetPosition(S.Position() + static_cast<int64_t>(N));
            return true;
        });
}

std::vector<uint8_t> ConvertToBaselineJPEG(const std::vector<uint8_t>& JPEG, const std::string& Name) {
    jpeg_decompress_struct D;
    jpeg_compress_struct C;
    TJPEGError DE, CE;
    InitError(DE);
    InitError(CE);
    D.err = &DE.Manager;
    C.err = &CE.Manager;
    jpeg_create_decompress(&D);
    unsigned char* Out = nullptr;
    unsigned long OutSize = 0;
    // The compressor lives inside the decompressor's run so both are freed whichever fails.
    RunJPEG(reinterpret_cast<j_common_ptr>(&D), DE, Name, [&] {
        jpeg_mem_src(&D, JPEG.data(), static_cast<unsigned long>(JPEG.size()));
        jpeg_read_header(&D, TRUE);
        CheckSize(&D, Name);
        jvirt_barray_ptr* Coefficients = jpeg_read_coefficients(&D);
        jpeg_create_compress(&C);
        RunJPEG(reinterpret_cast<j_common_ptr>(&C), CE, Name, [&] {
            jpeg_mem_dest(&C, &Out, &OutSize);
            jpeg_copy_critical_parameters(&D, &C);
            C.optimize_coding = TRUE;  // the progressive file's tables do not fit sequential scans
            jpeg_write_coefficients(&C, Coefficients);
            jpeg_finish_compress(&C);
        });
        jpeg_finish_decompress(&D);
    });
    std::vector<uint8_t> Result(Out, Out + OutSize);
    std::free(Out);
    return Result;
}

void DecodeJPEG(const uint8_t* Data, size_t Size, const std::string& Name, TBMPReader& Bitmap) {
    jpeg_decompress_struct D;
    TJPEGError E;
    InitError(E);
    D.err = &E.Manager;
    jpeg_create_decompress(&D);
    std::vector<uint8_t> CMYK;
    RunJPEG(reinterpret_cast<j_common_ptr>(&D), E, Name, [&] {
        jpeg_mem_src(&D, Data, static_cast<unsigned long>(Size));
        jpeg_read_header(&D, TRUE);
        CheckSize(&D, Name);
        const bool Inked = D.jpeg_color_space == JCS_CMYK || D.jpeg_color_space == JCS_YCCK;
        D.out_color_space = Inked ? JCS_CMYK : JCS_EXT_BGR;
        jpeg_start_decompress(&D);
        Bitmap.Create(static_cast<int32_t>(D.output_width), static_cast<int32_t>(D.output_height), 24);
        if (Inked) CMYK.resize(size_t{4} * D.output_width);
        while (D.output_scanline < D.output_height) {
            uint8_t* Row = Bitmap.ImageRow(static_cast<int32_t>(D.output_scanline));
            JSAMPROW Target = Inked ? CMYK.data() : Row;
            jpeg_read_scanlines(&D, &Target, 1);
            // Adobe writes CMYK inverted: each byte is already 255 minus the ink.
            for (size_t X = 0; Inked && X < D.output_width; ++X) {
                const uint8_t* P = &CMYK[4 * X];
                Row[3 * X] = static_cast<uint8_t>(P[2] * P[3] / 255);
                Row[3 * X + 1] = static_cast<uint8_t>(P[1] * P[3] / 255);
                Row[3 * X + 2] = static_cast<uint8_t>(P[0] * P[3] / 255);
            }
        }
        jpeg_finish_decompress(&D);
    });
}

std::vector<uint8_t> EncodeJPEG(const TBMPReader& Bitmap, int Quality) {
    if (Bitmap.Empty()) throw ESWFError("no bitmap to encode as JPEG");
    jpeg_compress_struct C;
    TJPEGError E;
    InitError(E);
    C.err = &E.Manager;
    jpeg_create_compress(&C);
    const int Bits = Bitmap.BitCount();
    std::vector<uint8_t> BGR(size_t{3} * Bitmap.Width());
    unsigned char* Out = nullptr;
    unsigned long OutSize = 0;
    RunJPEG(reinterpret_cast<j_common_ptr>(&C), E, "JPEG encoder", [&] {
        jpeg_mem_dest(&C, &Out, &OutSize);
        C.image_width = static_cast<JDIMENSION>(Bitmap.Width());
        C.image_height = static_cast<JDIMENSION>(Bitmap.Height());
        C.input_components = Bits == 32 ? 4 : 3;
        C.in_color_space = Bits == 32 ? JCS_EXT_BGRX : JCS_EXT_BGR;
        jpeg_set_defaults(&C);
        jpeg_set_quality(&C, Quality, TRUE);
        jpeg_start_compress(&C, TRUE);
        while (C.next_scanline < C.image_height) {
            const uint8_t* Row = Bitmap.ImageRow(static_cast<int32_t>(C.next_scanline));
            if (Bits <= 16) {
                for (int32_t X = 0; X < Bitmap.Width(); ++X) {
                    uint8_t* P = &BGR[3 * static_cast<size_t>(X)];
                    if (Bits == 16) {
                        const unsigned V = Row[2 * X] | Row[2 * X + 1] << 8;
                        P[0] = static_cast<uint8_t>((V & 31) * 255 / 31);
                        P[1] = static_cast<uint8_t>((V >> 5 & 31) * 255 / 31);
                        P[2] = static_cast<uint8_t>((V >> 10 & 31) * 255 / 31);
                    } else {
                        const TRGBQuad& Q = Bitmap.Palette()[Bitmap.PixelIndex(Row, X)];
                        P[0] = Q.rgbBlue;
                        P[1] = Q.rgbGreen;
                        P[2] = Q.rgbRed;
                    }
                }
                Row = BGR.data();
            }
            JSAMPROW Source = const_cast<uint8_t*>(Row);
            jpeg_write_scanlines(&C, &Source, 1);
        }
        jpeg_finish_compress(&C);
    });
    std::vector<uint8_t> Result(Out, Out + OutSize);
    std::free(Out);
    return Result;
}

std::vector<uint8_t> AlphaPlane(const TBMPReader& Mask) {
    const int Bits = Mask.BitCount();
    if (Mask.Empty() || Bits == 16 || Bits == 24)
        throw ESWFError("an alpha mask needs 1, 4, 8 or 32 bits per pixel");
    std::vector<uint8_t> Alpha;
    Alpha.reserve(static_cast<size_t>(Mask.Width()) * Mask.Height());
    bool AnyAlpha = Bits != 32;
    for (int32_t Y = 0; Y < Mask.Height(); ++Y) {
        const uint8_t* Row = Mask.ImageRow(Y);
        for (int32_t X = 0; X < Mask.Width(); ++X) {
            const int V = Bits == 32 ? Row[4 * X + 3] : Mask.PixelIndex(Row, X);
            AnyAlpha |= V != 0;
            Alpha.push_back(static_cast<uint8_t>(Bits == 1 ? V * 255 : Bits == 4 ? V * 17 : V));
        }
    }
    if (!AnyAlpha) std::fill(Alpha.begin(), Alpha.end(), uint8_t{255});
    return Alpha;
}
