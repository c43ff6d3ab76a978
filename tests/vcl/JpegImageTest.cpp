#include "platform/vcl/JpegImage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes ReadBanner() {
    std::ifstream file(ORVALLA_SOURCE_DIR "/src/resources/banner.jpg", std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A picture in the colour space given, every sample `value`, encoded by
// libjpeg. The encoder's errors are not expected and end the test program.
Bytes Encode(int width, int height, J_COLOR_SPACE space, int components, bool progressive,
             unsigned char value = 128) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(static_cast<std::size_t>(width * components), value);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes result(buffer, buffer + size);
    std::free(buffer);
    return result;
}

std::string DecodeError(const Bytes& data) {
    try {
        DecodeJpeg(data.data(), data.size());
    } catch (const EInvalidGraphic& error) {
        return error.what();
    }
    return "";
}

TEST(JpegImage, BannerDecodesToABlueBandWithALightName) {
    const Bytes banner = ReadBanner();
    ASSERT_FALSE(banner.empty());
    const QImage image = DecodeJpeg(banner.data(), banner.size());
    ASSERT_EQ(image.size(), QSize(600, 30));

    const QColor edge = image.pixelColor(5, 5);
    EXPECT_GT(edge.blue(), edge.red() + 20);
    EXPECT_LT(edge.lightness(), 100);

    // The name sits inside the 522 pixels that the window shows.
    int lightPixels = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 600; ++x)
            if (image.pixelColor(x, y).lightness() > 200) {
                ++lightPixels;
                EXPECT_GE(x, 39);
                EXPECT_LT(x, 600 - 39);
            }
    EXPECT_GT(lightPixels, 50);
}

TEST(JpegImage, GreyAndProgressivePicturesDecodeToRgb) {
    const Bytes grey = Encode(17, 9, JCS_GRAYSCALE, 1, false, 200);
    const QImage image = DecodeJpeg(grey.data(), grey.size());
    ASSERT_EQ(image.size(), QSize(17, 9));
    const QColor pixel = image.pixelColor(16, 8);
    EXPECT_NEAR(pixel.red(), 200, 2);
    EXPECT_EQ(pixel.red(), pixel.green());
    EXPECT_EQ(pixel.red(), pixel.blue());

    const Bytes progressive = Encode(40, 20, JCS_RGB, 3, true);
    EXPECT_EQ(DecodeJpeg(progressive.data(), progressive.size()).size(), QSize(40, 20));
}

// Empty or tiny data is refused before libjpeg sees it; other data and four
// components with libjpeg's reason.
TEST(JpegImage, WhatIsNotAnRgbOrGreyJpegIsRefused) {
    EXPECT_EQ(DecodeError({}), "The picture is not a JPEG image");
    EXPECT_EQ(DecodeError({0xff}), "The picture is not a JPEG image");
    EXPECT_THROW(DecodeJpeg(nullptr, 10), EInvalidGraphic);

    const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13};
    const std::string error = DecodeError(png);
    EXPECT_EQ(error.rfind("JPEG error #", 0), 0u) << error;
    EXPECT_NE(error.find("Not a JPEG file"), std::string::npos) << error;
    EXPECT_EQ(DecodeError(Encode(8, 8, JCS_CMYK, 4, false)).rfind("JPEG error #", 0), 0u);
}

TEST(JpegImage, EveryCutOffBannerIsAnErrorAndDamageNeverCrashes) {
    const Bytes banner = ReadBanner();
    ASSERT_GT(banner.size(), 100u);
    for (std::size_t size = 0; size < banner.size(); ++size) {
        const Bytes cut(banner.begin(), banner.begin() + static_cast<long>(size));
        ASSERT_NE(DecodeError(cut), "") << "decoded with " << size << " bytes";
    }
    // Damaged bytes never crash.
    std::srand(7);
    for (int round = 0; round < 400; ++round) {
        Bytes damaged = banner;
        const int changes = 1 + round % 8;
        for (int i = 0; i < changes; ++i)
            damaged[static_cast<std::size_t>(std::rand()) % damaged.size()] =
                static_cast<unsigned char>(std::rand());
        try {
            const QImage image = DecodeJpeg(damaged.data(), damaged.size());
            EXPECT_FALSE(image.isNull());
        } catch (const EInvalidGraphic&) {
        }
    }
}

TEST(JpegImage, HugeDimensionsAreRefusedBeforeDecoding) {
    Bytes banner = ReadBanner();
    for (std::size_t i = 0; i + 8 < banner.size(); ++i) {
        if (banner[i] == 0xff && banner[i + 1] == 0xc0) {  // start of frame, baseline
            // 65278 x 65278, within libjpeg's limit of 65500.
            for (std::size_t b = i + 5; b < i + 9; ++b)
                banner[b] = 0xfe;
            break;
        }
    }
    EXPECT_EQ(DecodeError(banner), "The picture is too large");
}

}  // namespace
