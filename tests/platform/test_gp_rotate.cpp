/* The turned draw the save makes. (The flat call that turns a bitmap in
 * place is the reference here; nothing else in the program calls it.) */
#include "gp_test_util.h"

namespace {

/* Scaling first and turning after (a draw through a quarter-turn world
 * transform) gives exactly the pixels of turning the source and drawing it
 * straight, whatever the filter, format and which axes are scaled. */
TEST(TurnedDraw, EqualsTurningTheSourceFirst) {
    /* Large enough that float sums taken in another order would round some
     * of the 8-bit results differently. */
    const int w = 401, h = 301;
    uint32_t seed = 12345;
    const std::vector<ARGB> src = Grid(w, h, [&](int, int) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) | 0x40000000u;
    });
    /* Quarter turns and the turned output's size. */
    const int cases[][3] = {{1, 113, 150}, {2, 150, 113}, {3, 113, 150}, {1, 97, 401}, {3, 301, 61}};
    for (PixelFormat format : {PixelFormat24bppRGB, PixelFormat32bppARGB})
        for (InterpolationMode mode : {InterpolationModeHighQualityBilinear, InterpolationModeHighQualityBicubic})
            for (const auto& [turn, dw, dh] : cases) {
                GpImageOwner turned(MakeBitmap(w, h, format, src)), source(MakeBitmap(w, h, format, src));
                ASSERT_EQ(GdipImageRotateFlip(turned.get(), static_cast<RotateFlipType>(turn)), Ok);
                GpImageOwner first(DrawScaled(turned.get(), dw, dh, format, mode));
                GpImageOwner after(DrawScaled(source.get(), dw, dh, format, mode, turn));
                EXPECT_EQ(ReadPixels(after.get()), ReadPixels(first.get()))
                    << "format " << std::hex << format << std::dec << " mode " << mode << " turn " << turn << " to "
                    << dw << "x" << dh;
            }
}

} // namespace
