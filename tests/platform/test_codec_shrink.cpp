/* Shrink-on-load: a deferred JPEG drawn much smaller is decoded at a reduced
 * scale, yet reports its own size and gives the picture a full decode gives,
 * in every layout the decoder handles (odd sizes, grey, CMYK, EXIF turns). */
#include "codec_test_util.h"
#include "gp_internal.h"
#include "gp_test_util.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <jpeglib.h>

using namespace codectest;

namespace {

/* Four quadrant colours (top left, top right, bottom left, bottom right),
 * as RGB for the RGB and CMYK files and as levels for the grey ones. */
const uint8_t kQuadrants[4][3] = {{220, 30, 30}, {30, 200, 40}, {40, 50, 210}, {235, 235, 90}};

/* A baseline JPEG of width x height in colour space, written with libjpeg itself
 * (our encoder writes RGB only). CMYK is stored inverted, as Adobe does,
 * with no black ink. */
std::vector<uint8_t> EncodeQuadrants(uint32_t width, uint32_t height, J_COLOR_SPACE space) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    const int components = space == JCS_RGB ? 3 : space == JCS_GRAYSCALE ? 1 : 4;
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row;
    while (cinfo.next_scanline < height) {
        row.clear();
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* q = kQuadrants[(cinfo.next_scanline * 2 / height) * 2 + x * 2 / width];
            row.insert(row.end(), {q[0], q[1], q[2], 255});
            row.resize(row.size() - 4 + components);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

/* Writes bytes to a new temporary file; its name in UTF-16 for the API. */
struct TempFile {
    std::string path = testing::TempDir() + "quillet-shrink-" + std::to_string(getpid()) + ".jpg";
    std::u16string name{path.begin(), path.end()};
    explicit TempFile(const std::vector<uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    }
    ~TempFile() { std::remove(path.c_str()); }
    const WCHAR* wide() const { return reinterpret_cast<const WCHAR*>(name.c_str()); }
};

/* Stored size, colour space, EXIF orientation 6 or none, the upright size drawn and
 * the upright size of the reduced decode. */
struct Case {
    const char* label;
    uint32_t width, height;
    J_COLOR_SPACE space;
    bool orientation6;
    int drawWidth, drawHeight;
    uint32_t reducedWidth, reducedHeight;
};

class ShrinkOnLoad : public ::testing::TestWithParam<Case> {};

TEST_P(ShrinkOnLoad, ReducedDecodeKeepsSizeOrientationAndColours) {
    const Case c = GetParam();
    const std::vector<uint8_t> plain = EncodeQuadrants(c.width, c.height, c.space);
    const TempFile file(c.orientation6 ? WithSegment(plain, ExifSegment(6)) : plain);
    const uint32_t uprightWidth = c.orientation6 ? c.height : c.width,
                   uprightHeight = c.orientation6 ? c.width : c.height;

    GpImage* loaded = nullptr;
    ASSERT_EQ(GdipLoadImageFromFileDeferred(file.wide(), &loaded), Ok);
    ASSERT_EQ(GdipSetImageReducedDecode(loaded, true), Ok);
    GpImageOwner deferred(loaded);
    uint32_t said[2] = {};
    ASSERT_EQ(GdipGetImageDecodedSizeFor(loaded, uint32_t(c.drawWidth), uint32_t(c.drawHeight), &said[0], &said[1]),
              Ok);
    GpImageOwner drawn(
        DrawScaled(loaded, c.drawWidth, c.drawHeight, PixelFormat24bppRGB, InterpolationModeHighQualityBilinear));
    EXPECT_FALSE(loaded->decoded);
    EXPECT_EQ(said[0], c.reducedWidth); /* the size set aside for is the size decoded */
    EXPECT_EQ(said[1], c.reducedHeight);
    EXPECT_EQ(loaded->reduced.width, c.reducedWidth);
    EXPECT_EQ(loaded->reduced.height, c.reducedHeight);
    float width = 0, height = 0;
    GdipGetImageDimension(loaded, &width, &height);
    EXPECT_EQ(width, float(uprightWidth));
    EXPECT_EQ(height, float(uprightHeight));

    ASSERT_EQ(GdipLoadImageFromFile(file.wide(), &loaded), Ok);
    GpImageOwner full(loaded);
    GpImageOwner reference(
        DrawScaled(loaded, c.drawWidth, c.drawHeight, PixelFormat24bppRGB, InterpolationModeHighQualityBilinear));
    const std::vector<ARGB> got = ReadPixels(drawn.get()), want = ReadPixels(reference.get());
    /* Inside each quadrant: the file's colour (turned when the file says
     * so), as the full decode gives it. */
    for (int q = 0; q < 4; ++q) {
        const int x = (q % 2) * c.drawWidth / 2 + c.drawWidth / 4;
        const int y = (q / 2) * c.drawHeight / 2 + c.drawHeight / 4;
        const size_t i = static_cast<size_t>(y) * c.drawWidth + x;
        for (int shift = 0; shift < 24; shift += 8)
            EXPECT_NEAR(int(got[i] >> shift & 255), int(want[i] >> shift & 255), 3)
                << c.label << " quadrant " << q << std::hex << " got " << got[i] << " want " << want[i];
    }
    /* A quarter turn clockwise puts the bottom left on top. */
    const ARGB corner = got[static_cast<size_t>(c.drawHeight / 4) * c.drawWidth + c.drawWidth / 4];
    EXPECT_NEAR(int(corner >> 16 & 255), kQuadrants[c.orientation6 ? 2 : 0][0], 8)
        << c.label << std::hex << " " << corner;

    /* Any other use gets the full frame. */
    ARGB pixel = 0;
    EXPECT_EQ(GdipBitmapGetPixel(deferred.get(), int(uprightWidth) - 1, int(uprightHeight) - 1, &pixel), Ok);
    EXPECT_TRUE(deferred.get()->decoded);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ShrinkOnLoad,
    ::testing::Values(Case{"4:3 to an eighth", 1600, 1200, JCS_RGB, false, 200, 150, 200, 150},
                      Case{"one pixel over an eighth", 1600, 1200, JCS_RGB, false, 201, 150, 400, 300},
                      Case{"3:4 to a quarter", 1200, 1600, JCS_RGB, false, 300, 400, 300, 400},
                      Case{"just over half", 1200, 1600, JCS_RGB, false, 300, 401, 600, 800},
                      Case{"odd sides", 3001, 1999, JCS_RGB, false, 300, 200, 376, 250},
                      Case{"greyscale", 800, 600, JCS_GRAYSCALE, false, 100, 75, 100, 75},
                      Case{"CMYK", 800, 600, JCS_CMYK, false, 100, 75, 100, 75},
                      Case{"EXIF turned", 800, 600, JCS_RGB, true, 75, 100, 75, 100},
                      Case{"EXIF turned, the stored width decides", 800, 600, JCS_RGB, true, 75, 101, 150, 200},
                      Case{"a quarter at five fourths of the drawn size", 1600, 1200, JCS_RGB, false, 320, 240, 400,
                           300},
                      Case{"a quarter just short of five fourths", 1600, 1200, JCS_RGB, false, 321, 240, 800, 600},
                      Case{"a quarter just over the drawn size", 1632, 1224, JCS_RGB, false, 400, 300, 816, 612},
                      Case{"an eighth just over, one side exact", 1608, 1200, JCS_RGB, false, 200, 150, 402, 300}),
    [](const ::testing::TestParamInfo<Case>& param) {
        std::string name;
        for (const char* p = param.param.label; *p != 0; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

/* A table selector in the scan header that names no table: the header reads,
 * the pixels do not. The deferred load succeeds and the draw fails, so the
 * caller can report the file instead of saving a blank picture. */
TEST(ShrinkOnLoadDamage, DamagedPixelDataFailsTheDraw) {
    std::vector<uint8_t> bytes = EncodeQuadrants(64, 48, JCS_RGB);
    for (size_t i = 0; i + 6 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) {
            bytes[i + 6] = 0x33; /* first component: DC and AC table 3 */
            break;
        }
    const TempFile file(bytes);
    GpImage* loaded = nullptr;
    EXPECT_NE(GdipLoadImageFromFile(file.wide(), &loaded), Ok);
    ASSERT_EQ(GdipLoadImageFromFileDeferred(file.wide(), &loaded), Ok);
    ASSERT_EQ(GdipSetImageReducedDecode(loaded, true), Ok);
    GpImageOwner deferred(loaded);
    GpImageOwner out(
        DrawScaled(loaded, 16, 12, PixelFormat24bppRGB, InterpolationModeHighQualityBilinear, 0, GenericError));
}

/* The size of a file read from its start alone is the size the whole file
 * loads with: the EXIF turn, header segments longer than the first read,
 * formats that are read whole, and pixel data missing (refused alike). */
TEST(FileDimensions, EqualTheDeferredLoads) {
    const std::vector<uint8_t> trailer(300 * 1024, 0); /* after EOI: the file is longer than any first read */
    const auto tail = [&](std::vector<uint8_t> bytes) {
        bytes.insert(bytes.end(), trailer.begin(), trailer.end());
        return bytes;
    };
    std::vector<uint8_t> comment{0xFF, 0xFE, 0xFF, 0xFF};
    comment.resize(0xFFFF + 2, 'c');
    const std::vector<uint8_t> jpeg = EncodeQuadrants(3000, 2000, JCS_RGB);
    /* The header of a 6000 x 8000 photo and 100 KiB, too little for its pixel data. */
    std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + 4096);
    cut.resize(100 * 1024, 0);
    for (size_t i = 0; i + 9 < cut.size(); ++i)
        if (cut[i] == 0xFF && cut[i + 1] == 0xC0) {
            cut[i + 5] = 8000 >> 8, cut[i + 6] = 8000 & 0xFF, cut[i + 7] = 6000 >> 8, cut[i + 8] = 6000 & 0xFF;
            break;
        }
    std::vector<uint8_t> bmp = BmpHeader(300, 200, 24, 0, 0, 54).v;
    bmp.resize(54 + 300 * 3 * 200, 0x80);
    const struct {
        const char* label;
        std::vector<uint8_t> bytes;
        GpStatus status;
        uint32_t width, height;
    } cases[] = {
        {"turned", tail(WithSegment(jpeg, ExifSegment(6))), Ok, 2000, 3000},
        {"long header", tail(WithSegment(WithSegment(WithSegment(jpeg, comment), comment), ExifSegment(8))), Ok, 2000,
         3000},
        {"read whole", bmp, Ok, 300, 200},
        {"no pixel data", cut, GenericError, 0, 0},
    };
    for (const auto& c : cases) {
        const TempFile file(c.bytes);
        GpImage* loaded = nullptr;
        const GpStatus deferred = GdipLoadImageFromFileDeferred(file.wide(), &loaded);
        GpImageOwner owner(loaded);
        uint32_t width = 0, height = 0;
        EXPECT_EQ(GdipGetImageFileDimensions(file.wide(), &width, &height), c.status) << c.label;
        EXPECT_EQ(deferred, c.status) << c.label;
        EXPECT_EQ(std::pair(width, height), std::pair(c.width, c.height)) << c.label;
    }
}

} // namespace
