#include "RgbaImage.h"

#include <jpeglib.h>
#include <png.h>

#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

RgbaImage::RgbaImage(int width, int height) {
    if (width < 1 || height < 1) return;
    width_ = width;
    height_ = height;
    pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
}

Rgba RgbaImage::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
    const uint8_t* p = &pixels_[(static_cast<size_t>(y) * width_ + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

void RgbaImage::setPixel(int x, int y, Rgba colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    uint8_t* p = &pixels_[(static_cast<size_t>(y) * width_ + x) * 4];
    p[0] = colour.r;
    p[1] = colour.g;
    p[2] = colour.b;
    p[3] = colour.a;
}

void RgbaImage::fill(Rgba colour) {
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) setPixel(x, y, colour);
}

void RgbaImage::blendPixel(int x, int y, Rgba colour, float coverage) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    const float srcA = std::clamp(coverage, 0.0f, 1.0f) * (colour.a / 255.0f);
    if (srcA <= 0.0f) return;
    const Rgba dst = pixel(x, y);
    const float dstA = dst.a / 255.0f;
    const float outA = srcA + dstA * (1.0f - srcA);
    auto channel = [&](uint8_t s, uint8_t d) {
        const float value = (s * srcA + d * dstA * (1.0f - srcA)) / outA;
        return static_cast<uint8_t>(std::lround(std::clamp(value, 0.0f, 255.0f)));
    };
    setPixel(x, y,
             {channel(colour.r, dst.r), channel(colour.g, dst.g), channel(colour.b, dst.b),
              static_cast<uint8_t>(std::lround(outA * 255.0f))});
}

void RgbaImage::copyBlock(const RgbaImage& source, int srcX, int srcY, int w, int h, int dstX, int dstY) {
    for (int row = 0; row < h; ++row) {
        const uint8_t* from = &source.pixels_[(static_cast<size_t>(srcY + row) * source.width_ + srcX) * 4];
        uint8_t* to = &pixels_[(static_cast<size_t>(dstY + row) * width_ + dstX) * 4];
        std::memmove(to, from, static_cast<size_t>(w) * 4);
    }
}

std::optional<RgbaImage> RgbaImage::loadPng(const std::string& path, std::string& error) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        error = path + ": " + image.message;
        return std::nullopt;
    }
    image.format = PNG_FORMAT_RGBA;
    RgbaImage result(static_cast<int>(image.width), static_cast<int>(image.height));
    if (!result.isValid() || !png_image_finish_read(&image, nullptr, result.pixels_.data(), 0, nullptr)) {
        error = path + ": " + (result.isValid() ? image.message : "empty picture");
        png_image_free(&image);
        return std::nullopt;
    }
    return result;
}

bool RgbaImage::savePng(const std::string& path, std::string& error) const {
    if (!isValid()) {
        error = path + ": nothing to write";
        return false;
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width_);
    image.height = static_cast<png_uint_32>(height_);
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels_.data(), 0, nullptr)) {
        error = path + ": " + image.message;
        return false;
    }
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels_.data(), 0, nullptr)) {
        error = path + ": " + image.message;
        return false;
    }
    bytes.resize(size);
    return writeFileAtomically(path, bytes, error);
}

bool RgbaImage::saveJpeg(const std::string& path, int quality, std::string& error) const {
    if (!isValid()) {
        error = path + ": nothing to write";
        return false;
    }
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width_);
    info.image_height = static_cast<JDIMENSION>(height_);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, std::clamp(quality, 1, 100), TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(width_) * 3);
    while (info.next_scanline < info.image_height) {
        const int y = static_cast<int>(info.next_scanline);
        for (int x = 0; x < width_; ++x) {
            const Rgba p = pixel(x, y);
            row[x * 3] = p.r;
            row[x * 3 + 1] = p.g;
            row[x * 3 + 2] = p.b;
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const std::string bytes(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return writeFileAtomically(path, bytes, error);
}

bool writeFileAtomically(const std::string& path, const std::string& bytes, std::string& error) {
    const std::string temporary = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            error = temporary + ": cannot write";
            std::remove(temporary.c_str());
            return false;
        }
    }
    std::error_code code;
    std::filesystem::rename(temporary, path, code);
    if (code) {
        error = path + ": " + code.message();
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
