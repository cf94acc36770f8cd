// The rules every output image is shaped by: rounding, GetDimensions, the
// custom size box, the option values and the output names.
#include "AppState.h"
#include "Dimensions.h"
#include "FileNames.h"
#include "Numbers.h"
#include "OutputOptions.h"

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const cDimensions& d, std::ostream* os) { *os << d.Width << " x " << d.Height; }

TEST(Numbers, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(12.5), 12);
    EXPECT_EQ(RoundHalfEven(37.5), 38);
    EXPECT_EQ(RoundHalfEven(50.5), 50);
    EXPECT_EQ(RoundHalfEven(51.5), 52);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-3.5), -4);
    EXPECT_EQ(RoundHalfEven(0.49999), 0);
    EXPECT_EQ(RoundHalfEven(-0.6), -1);
}

TEST(Numbers, SixteenBitRange) {
    EXPECT_EQ(ToInt16(32767.4), 32767);
    EXPECT_EQ(ToInt16(32767.5), std::nullopt); // rounds to 32768
    EXPECT_EQ(ToInt16(-32768.5), -32768);      // tie to even stays in range
    EXPECT_EQ(ToInt16(-32769.0), std::nullopt);
    EXPECT_EQ(ClampToInt16(1e9), 32767);
    EXPECT_EQ(ClampToInt16(-1e9), -32768);
}

TEST(Numbers, NumericText) {
    EXPECT_EQ(ParseNumber("12.5"), 12.5);
    EXPECT_EQ(ParseNumber("  640 "), 640.0);
    EXPECT_EQ(ParseNumber("-5"), -5.0);
    EXPECT_EQ(ParseNumber("1e3"), 1000.0);
    for (const char* text : {"", " ", "abc", "12px", "inf", "nan", "0x10", "1,5", "--1"})
        EXPECT_EQ(ParseNumber(text), std::nullopt) << text;
}

struct DimensionsCase {
    int16_t size, width, height, outWidth, outHeight;
};

class GetDimensionsTable : public testing::TestWithParam<DimensionsCase> {};

TEST_P(GetDimensionsTable, GivesTheOutputSize) {
    const DimensionsCase c = GetParam();
    gImageWidth = c.width;
    gImageHeight = c.height;
    EXPECT_EQ(GetDimensions(c.size), (cDimensions{c.outWidth, c.outHeight}))
        << c.width << " x " << c.height << " at " << c.size;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, GetDimensionsTable,
    testing::Values(DimensionsCase{640, 1024, 768, 640, 480},   // landscape reduced
                    DimensionsCase{100, 1024, 768, 100, 75},    //
                    DimensionsCase{640, 768, 1024, 480, 640},   // portrait
                    DimensionsCase{800, 500, 500, 800, 800},    // square enlarged
                    DimensionsCase{100, 200, 101, 100, 50},     // 50.5 -> 50
                    DimensionsCase{100, 200, 103, 100, 52},     // 51.5 -> 52
                    DimensionsCase{12, 1, 1000, 1, 12},         // thin portrait: 0.012 -> 1
                    DimensionsCase{100, 5000, 1, 100, 1},       // 1 x N: never 0 pixels
                    DimensionsCase{0, 1024, 768, 1024, 768},    // own size
                    DimensionsCase{-5, 1024, 768, 1024, 768},   //
                    DimensionsCase{640, 0, 0, 0, 0},            // nothing measured
                    DimensionsCase{32767, 2, 1, 32767, 16384},  // the full 16-bit range
                    DimensionsCase{32767, 3, 2, 32767, 21845}));

TEST(CustomSize, NumericTextIsTakenWithHalvesToEven) {
    EXPECT_EQ(ValidateCustomSize("12.5"), 12);
    EXPECT_EQ(ValidateCustomSize("13.5"), 14);
    EXPECT_EQ(ValidateCustomSize("0"), 0);
    EXPECT_EQ(ValidateCustomSize("-5"), -5);
}

TEST(CustomSize, NonNumericOrOutOfRangeFallsBackToTheTag) {
    for (const char* text : {"abc", "", "40000", "-40000"}) {
        EXPECT_EQ(ValidateCustomSize(text), std::nullopt) << text;
        EXPECT_EQ(TargetSize(kCustomSizeIndex, text), 1024) << text;
    }
    EXPECT_EQ(TargetSize(kCustomSizeIndex, "300"), 300);
    EXPECT_EQ(TargetSize(3, "300"), 640);
}

// Which way each angle turns is checked end to end by the batch tests.
TEST(OptionValues, Tags) {
    const int16_t sizes[] = {100, 200, 350, 640, 800, 1024};
    for (int16_t i = 0; i < 6; ++i)
        EXPECT_EQ(SizeTagValue(i), sizes[i]);
    const int16_t qualities[] = {48, 66, 84, 100};
    for (int16_t i = 0; i < 4; ++i)
        EXPECT_EQ(QualityTagValue(i), qualities[i]);
}

TEST(StartState, QualityShownAndSavedAgree) {
    EXPECT_EQ(gQualityIndex, 1);
    EXPECT_EQ(QualityTagValue(gQualityIndex), 66);
    EXPECT_EQ(gOutputFormat, "DFT");
}

struct NameCase {
    const char* name;
    const char* base;
    const char* extension;
};

class OutputNames : public testing::TestWithParam<NameCase> {};

TEST_P(OutputNames, BaseAndExtension) {
    const NameCase c = GetParam();
    EXPECT_EQ(GetBaseName(c.name), QString(c.base)) << c.name;
    EXPECT_EQ(GetExtension(c.name), QString(c.extension)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Rules, OutputNames,
                         testing::Values(NameCase{"My Photo.jpg", "My_Photo", "JPG"},
                                         NameCase{"scan.001.tif", "scan.001", "TIF"},
                                         NameCase{"README", "README", "JPG"},
                                         NameCase{".hidden", ".hidden", "JPG"},
                                         NameCase{"name.", "name", ""},
                                         NameCase{"a b c.Jpeg", "a_b_c", "JPEG"},
                                         NameCase{"x.png", "x", "PNG"}));

TEST(IsImageFile, AcceptsByExtension) {
    for (const char* name : {"a.bmp", "a.EMF", "a.gif", "a.ico", "a.jpg", "a.jpeg", "a.png",
                             "a.tga", "a.tif", "a.TIFF", "a.wmf", "README", ".hidden", "a.HEIC", "a.heif",
                             "a.avif", "a.webp"})
        EXPECT_TRUE(IsImageFile(name)) << name;
    for (const char* name : {"a.txt", "name.", "a.jpg.bak", "a.heics", "a."})
        EXPECT_FALSE(IsImageFile(name)) << name;
}
