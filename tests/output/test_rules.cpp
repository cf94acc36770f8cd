// The rules every output image is shaped by: rounding, GetDimensions, the
// custom size box, the option values and the output names.
#include "AppState.h"
#include "Dimensions.h"
#include "FileNames.h"
#include "ImageFormats.h"
#include "NameBytes.h"
#include "Numbers.h"
#include "OutputNaming.h"
#include "OutputOptions.h"
#include "SizeList.h"

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const cDimensions& d, std::ostream* os) {
    *os << d.Width << " x " << d.Height;
}

// Halves go to the even neighbour; 16-bit conversions round first; numeric
// text is plain decimal or exponent notation, nothing else.
TEST(Numbers, RoundingRangesAndText) {
    const double halves[][2] = {{12.5, 12}, {37.5, 38}, {50.5, 50},   {51.5, 52},
                                {-2.5, -2}, {-3.5, -4}, {0.49999, 0}, {-0.6, -1}};
    for (const auto& c : halves)
        EXPECT_EQ(RoundHalfEven(c[0]), c[1]) << c[0];
    EXPECT_EQ(ToInt16(32767.4), 32767);
    EXPECT_EQ(ToInt16(32767.5), std::nullopt); // rounds to 32768
    EXPECT_EQ(ToInt16(-32768.5), -32768);      // tie to even stays in range
    EXPECT_EQ(ToInt16(-32769.0), std::nullopt);
    EXPECT_EQ(std::pair(ClampToInt16(1e9), ClampToInt16(-1e9)), std::pair(int16_t(32767), int16_t(-32768)));
    for (const auto& [text, value] : {std::pair("12.5", 12.5), {"  640 ", 640.0}, {"-5", -5.0}, {"1e3", 1000.0}})
        EXPECT_EQ(ParseNumber(text), value) << text;
    for (const char* text : {"", " ", "abc", "12px", "inf", "nan", "0x10", "1,5", "--1"})
        EXPECT_EQ(ParseNumber(text), std::nullopt) << text;
}

TEST(GetDimensions, GivesTheOutputSize) {
    const struct {
        int16_t size, width, height, outWidth, outHeight;
    } cases[] = {{640, 1024, 768, 640, 480},  // landscape reduced
                 {640, 768, 1024, 480, 640},  // portrait
                 {800, 500, 500, 800, 800},   // square enlarged
                 {100, 200, 101, 100, 50},    // 50.5 -> 50
                 {100, 200, 103, 100, 52},    // 51.5 -> 52
                 {12, 1, 1000, 1, 12},        // thin portrait: 0.012 -> 1
                 {100, 5000, 1, 100, 1},      // 1 x N: never 0 pixels
                 {0, 1024, 768, 1024, 768},   // own size
                 {640, 0, 0, 0, 0},           // nothing measured
                 {32767, 2, 1, 32767, 16384}, // the full 16-bit range
                 {32767, 3, 2, 32767, 21845}};
    for (const auto& c : cases)
        EXPECT_EQ(GetDimensionsOf(c.size, c.width, c.height), (cDimensions{c.outWidth, c.outHeight}))
            << c.width << " x " << c.height << " at " << c.size;
}

// Never enlarging: a result larger than the image on either side keeps the
// image's own size; a reduction is left as GetDimensionsOf makes it.
TEST(GetDimensions, NeverLargerKeepsSmallImages) {
    const struct {
        int16_t size, width, height, outWidth, outHeight;
    } cases[] = {{800, 500, 500, 500, 500},  // square, would grow
                 {800, 800, 600, 800, 600},  // exactly the target: unchanged
                 {640, 1024, 768, 640, 480}, // reduced as ever
                 {640, 300, 900, 213, 640},  // portrait reduced
                 {1000, 999, 10, 999, 10},   // one pixel short on the long side
                 {0, 1024, 768, 1024, 768},  // own size
                 {100, 5000, 1, 100, 1}};    // the short side's 1-pixel floor is no enlargement
    for (const auto& c : cases)
        EXPECT_EQ(GetDimensionsNoLarger(c.size, c.width, c.height), (cDimensions{c.outWidth, c.outHeight}))
            << c.width << " x " << c.height << " at " << c.size;
}

// Numeric text is taken with halves to even; other text, or a value beyond
// 16 bits, falls back to the tag.
TEST(CustomSize, NumericTextOrTheTag) {
    for (const auto& [text, value] : {std::pair("12.5", 12), {"13.5", 14}, {"0", 0}, {"-5", -5}})
        EXPECT_EQ(ValidateCustomSize(text), value) << text;
    for (const char* text : {"abc", "", "40000", "-40000"}) {
        EXPECT_EQ(ValidateCustomSize(text), std::nullopt) << text;
        EXPECT_EQ(TargetSizes(kCustomSizeIndex, text), std::vector<int16_t>{1024}) << text;
    }
}

// Several sizes: a list in the order given, each a whole number of pixels;
// drawn largest first (0, the image's own size, before all); the errors name
// what is wrong.
TEST(SizeList, ListsInOrderDrawnLargestFirst) {
    const struct {
        const char* Text;
        std::vector<int16_t> Sizes, Drawn;
        const char* Error;
    } cases[] = {
        {"320, 640,1280", {320, 640, 1280}, {1280, 640, 320}, ""},
        {" 800 ", {800}, {800}, ""},
        {"100,0,16384", {100, 0, 16384}, {0, 16384, 100}, ""},
        {"320,,640", {}, {}, "a size is missing between two commas"},
        {"320,", {}, {}, "a size is missing"},
        {"320, 320", {}, {}, "320 is given twice"},
        {"320,-5", {}, {}, "'-5' is not a number of pixels"},
        {"1e3", {}, {}, "'1e3' is not a number"},
        {"16385", {}, {}, "16385 pixels is more than the largest size, 16384"},
        {"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17", {}, {}, "at most 16 sizes"},
    };
    for (const auto& c : cases) {
        const cSizeList list = ParseSizeList(QString::fromLatin1(c.Text));
        EXPECT_EQ(list.Sizes, c.Sizes) << c.Text;
        EXPECT_EQ(LargestFirst(list.Sizes), c.Drawn) << c.Text;
        EXPECT_TRUE(*c.Error ? list.Error.contains(QLatin1String(c.Error)) : list.Error.isEmpty())
            << c.Text << " -> " << list.Error.toStdString();
    }
    EXPECT_EQ(TargetSizes(kCustomSizeIndex, "320, 640"), (std::vector<int16_t>{320, 640}));
    EXPECT_EQ(TargetSizes(kCustomSizeIndex, "abc"), (std::vector<int16_t>{1024}));
    EXPECT_EQ(TargetSizes(3, "320, 640"), (std::vector<int16_t>{640}));
}

// Names from a template: every token filled, text kept as written; several
// sizes without a template put the size after the name, size folders keep the
// name and hold the entry's subfolder; templates that cannot name a file are
// refused with the reason.
TEST(NameTemplate, TokensFilledAndBadTemplatesRefused) {
    const cNameFields fields{QStringLiteral("My_Photo"), 640, 480, 84, 7, QStringLiteral("2024-05-01")};
    const struct {
        const char* Template;
        int SizeCount;
        bool SizeFolders;
        const char* Name;
        const char* Folder;
    } names[] = {
        {"", 1, false, "My_Photo", "Trip"},
        {"", 3, false, "My_Photo-640", "Trip"},
        {"", 3, true, "My_Photo", "640/Trip"},
        {"{name}-{w}x{h}", 1, false, "My_Photo-640x480", "Trip"},
        {"{n:3}_{q} {date}", 1, false, "007_84 2024-05-01", "Trip"},
        {"{n}{n:1}{n:2}", 1, false, "7707", "Trip"},
        {"web-{name}.small", 2, true, "web-My_Photo.small", "640/Trip"},
    };
    for (const auto& c : names) {
        const cNaming naming = cNaming::For(QString::fromLatin1(c.Template), c.SizeCount, c.SizeFolders);
        EXPECT_EQ(OutputBaseFor(naming, fields, 640), QString::fromLatin1(c.Name)) << c.Template;
        EXPECT_EQ(OutputFolderFor(naming, 640, "Trip"), QString::fromLatin1(c.Folder)) << c.Template;
    }
    const std::pair<const char*, const char*> refused[] = {
        {"", "empty"},
        {"{name}-{size}", "unknown token {size}"},
        {"{Name}", "unknown token {Name}"},
        {"{n:0}", "unknown token {n:0}"},
        {"{n:10}", "unknown token {n:10}"},
        {"{name", "'{' is not closed"},
        {"name}", "'}' closes no '{'"},
        {"{w}/{name}", "cannot contain '/'"},
        {"a\tb", "control character"},
    };
    for (const auto& [text, expected] : refused) {
        QString error;
        EXPECT_FALSE(cNameTemplate::Parse(QString::fromLatin1(text), error)) << text;
        EXPECT_TRUE(error.contains(QLatin1String(expected))) << text << " -> " << error.toStdString();
    }
}

// Base names and extensions; which names the list takes as images.
TEST(OutputNames, BaseExtensionAndImageFiles) {
    const char* const cases[][3] = {{"My Photo.jpg", "My_Photo", "JPG"},
                                    {"scan.001.tif", "scan.001", "TIF"},
                                    {"README", "README", "JPG"},
                                    {".hidden", ".hidden", "JPG"},
                                    {"name.", "name", ""},
                                    {"a b c.Jpeg", "a_b_c", "JPEG"},
                                    {"x.png", "x", "PNG"}};
    for (const auto& c : cases) {
        EXPECT_EQ(GetBaseName(c[0]), QString(c[1])) << c[0];
        EXPECT_EQ(GetExtension(c[0]), QString(c[2])) << c[0];
    }
    for (const char* name : {"a.bmp", "a.EMF", "a.gif", "a.ico", "a.jpg", "a.jpeg", "a.png", "a.tga", "a.tif", "a.TIFF",
                             "a.wmf", "README", ".hidden", "a.HEIC", "a.heif", "a.avif", "a.webp"})
        EXPECT_TRUE(IsImageFile(name)) << name;
    for (const char* name : {"a.txt", "name.", "a.jpg.bak", "a.heics", "a."})
        EXPECT_FALSE(IsImageFile(name)) << name;
}

// What an output extension gets from the format table: the quality and the
// palette go by the format's own code only, transparency by any of its names.
TEST(OutputNames, WhatEachExtensionTakes) {
    struct cCase {
        const char* Extension;
        bool Quality, Palette, DropsAlpha;
    };
    const cCase cases[] = {{"jpg", true, false, true},   {"JPEG", false, false, true}, {"jfif", false, false, true},
                           {"gif", false, true, false},  {"bmp", false, false, true},  {"png", false, false, false},
                           {"webp", true, false, false}, {"AVIF", true, false, false}, {"jxl", true, false, false},
                           {"tif", false, false, false}, {"ico", false, false, false}, {"txt", false, false, false}};
    for (const cCase& c : cases) {
        EXPECT_EQ(TakesQuality(c.Extension), c.Quality) << c.Extension;
        EXPECT_EQ(ReducesToPalette(c.Extension), c.Palette) << c.Extension;
        EXPECT_EQ(DropsTransparency(c.Extension), c.DropsAlpha) << c.Extension;
    }
    EXPECT_EQ(SaveFormatCodes(), QStringList({"DFT", "BMP", "GIF", "JPG", "PNG", "WEBP", "AVIF", "JXL"}));
}

// File names reach the system with the bytes they came with, valid UTF-8 or
// not, from the command line or a drop, and are shown with U+FFFD for each byte that is not part of UTF-8.
TEST(NameBytes, EveryNameKeepsItsBytesAndShowsReplacementCharacters) {
    const std::pair<const char*, const char16_t*> names[] = {
        {"caf\xe9.jpg", u"caf\uFFFD.jpg"},                 // Latin-1
        {"caf\xc3\xa9.jpg", u"caf\u00E9.jpg"},             // UTF-8
        {"\xf0\x9f\x93\xa9.png", u"\U0001F4E9.png"},       // its low half is U+DCE9
        {"\xed\xa0\x80", u"\uFFFD\uFFFD\uFFFD"},           // an encoded surrogate
        {"\xc0\xaf", u"\uFFFD\uFFFD"},                     // overlong "/"
        {"\xf4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // beyond U+10FFFF
        {"\xe2\x82\xac\xe2\x82", u"\u20AC\uFFFD\uFFFD"},   // a euro sign, then one cut short
    };
    for (const auto& [bytes, shown] : names) {
        const QString name = NameFromBytes(QByteArray(bytes));
        EXPECT_EQ(NameBytes(name), QByteArray(bytes)) << bytes;
        EXPECT_EQ(DisplayName(name), QString::fromUtf16(shown)) << bytes;
    }
    // A dropped file's address keeps the stray bytes percent-encoded.
    EXPECT_EQ(NameBytes(NameOfLocalFile(QUrl::fromEncoded("file:///tmp/caf%E9%20x.jpg"))),
              QByteArray("/tmp/caf\xe9 x.jpg"));
    EXPECT_EQ(NameOfLocalFile(QUrl::fromEncoded("https://example.org/caf%E9.jpg")), QString());
}
