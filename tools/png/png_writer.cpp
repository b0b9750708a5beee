#include "png_writer.h"

#include <png.h>

#include <cstdio>
#include <cstring>

namespace {

// libpng reports errors by long jump; everything that must be released
// afterwards lives outside the jumping function's frame.
struct WriteJob {
    const char* path;
    int width;
    int height;
    int colourType;
    int bytesPerPixel;
    const unsigned char* rows;  // tightly packed
};

bool writeRows(const WriteJob& job) {
    std::FILE* file = std::fopen(job.path, "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    volatile bool ok = false;
    if (png != nullptr && info != nullptr) {
        if (setjmp(png_jmpbuf(png)) == 0) {
            png_init_io(png, file);
            png_set_IHDR(png, info, static_cast<png_uint_32>(job.width), static_cast<png_uint_32>(job.height), 8,
                         job.colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                         PNG_FILTER_TYPE_DEFAULT);
            png_write_info(png, info);
            const size_t stride = static_cast<size_t>(job.width) * static_cast<size_t>(job.bytesPerPixel);
            for (int y = 0; y < job.height; ++y)
                png_write_row(png, job.rows + static_cast<size_t>(y) * stride);
            png_write_end(png, nullptr);
            ok = true;
        }
    }
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0) ok = false;
    if (!ok) std::remove(job.path);
    return ok;
}

}  // namespace

bool writeFramePng(const char* path, const uint32_t* pixels, int width, int height) {
    if (path == nullptr || pixels == nullptr || width <= 0 || height <= 0) return false;
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    for (size_t i = 0, n = static_cast<size_t>(width) * static_cast<size_t>(height); i < n; ++i) {
        rgb[i * 3 + 0] = static_cast<unsigned char>(pixels[i] >> 16);
        rgb[i * 3 + 1] = static_cast<unsigned char>(pixels[i] >> 8);
        rgb[i * 3 + 2] = static_cast<unsigned char>(pixels[i]);
    }
    return writeRows({path, width, height, PNG_COLOR_TYPE_RGB, 3, rgb.data()});
}

bool writeGreyPng(const char* path, const unsigned char* grey, int width, int height) {
    if (path == nullptr || grey == nullptr || width <= 0 || height <= 0) return false;
    return writeRows({path, width, height, PNG_COLOR_TYPE_GRAY, 1, grey});
}

bool readFramePng(const char* path, std::vector<uint32_t>& pixels, int& width, int& height) {
    if (path == nullptr) return false;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path) == 0) return false;
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) {
        png_image_free(&image);
        return false;
    }
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = (static_cast<uint32_t>(rgb[i * 3]) << 16) | (static_cast<uint32_t>(rgb[i * 3 + 1]) << 8) |
                    rgb[i * 3 + 2];
    }
    return true;
}
