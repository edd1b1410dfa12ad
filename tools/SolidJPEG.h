// Small JPEG pictures of plain colours, made with libjpeg, for demonstration and test movies.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <vector>
// libjpeg needs size_t and FILE declared before it
#include <jpeglib.h>

// A JPEG of W x H pixels whose top half is Top and bottom half Bottom.
inline std::vector<uint8_t> TwoColourJPEG(int W, int H, const uint8_t Top[3], const uint8_t Bottom[3]) {
    jpeg_compress_struct C;
    jpeg_error_mgr Err;
    C.err = jpeg_std_error(&Err);
    jpeg_create_compress(&C);
    unsigned char* Out = nullptr;
    unsigned long OutSize = 0;
    jpeg_mem_dest(&C, &Out, &OutSize);
    C.image_width = W;
    C.image_height = H;
    C.input_components = 3;
    C.in_color_space = JCS_RGB;
    jpeg_set_defaults(&C);
    jpeg_set_quality(&C, 95, TRUE);
    jpeg_start_compress(&C, TRUE);
    std::vector<uint8_t> Row(static_cast<size_t>(W) * 3);
    while (C.next_scanline < C.image_height) {
        const uint8_t* Colour = static_cast<int>(C.next_scanline) < H / 2 ? Top : Bottom;
        for (int x = 0; x < W; ++x) std::copy(Colour, Colour + 3, &Row[static_cast<size_t>(x) * 3]);
        JSAMPROW P = Row.data();
        jpeg_write_scanlines(&C, &P, 1);
    }
    jpeg_finish_compress(&C);
    jpeg_destroy_compress(&C);
    std::vector<uint8_t> Bytes(Out, Out + OutSize);
    std::free(Out);
    return Bytes;
}
