/*
 * colour_lcms.cpp - embedded ICC profiles to sRGB over Little CMS 2.
 *
 * Intent: perceptual when the profile carries perceptual tables (a CLUT
 * profile made for it), else relative colorimetric with black-point
 * compensation, which is what a matrix-shaper profile (Adobe RGB, ProPhoto,
 * Display P3) supports anyway.
 *
 * Grey profiles become a 256-entry table applied to grey pixels (decoders
 * give grey images as 24-bit pixels with three equal samples). A grey
 * profile on an image with any coloured pixel does not describe it (a colour
 * JPEG tagged grey by a careless writer) and is ignored: applied to the grey
 * pixels alone it would speckle the picture.
 */
#include "colour_lcms.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <mutex>
#include <string_view>

namespace gp {

/* Owners of lcms handles. */
using cl_profile = std::unique_ptr<void, cmsBool (*)(cmsHPROFILE)>;
using cl_transform = std::unique_ptr<void, void (*)(cmsHTRANSFORM)>;

/* Either an lcms transform (RGB and CMYK profiles) or a grey table. */
struct colour_transform {
    cl_transform handle{nullptr, cmsDeleteTransform};
    bool grey = false;
    uint8_t grey_table[256][3] = {}; /* B, G, R for each grey level */
};

namespace {

/* Pixel layouts a transform is built for. */
enum class cl_layout : uint8_t { bgr, bgra, cmyk, cmyk_inverted };

/* Transforms of the profiles seen last, newest at the back, known by the
 * size and hash of their bytes. A null transform remembers a profile that is
 * unusable or already sRGB. */
constexpr size_t kCacheSize = 16;
/* Real profiles stay under 1 MiB (large CLUT printer profiles included);
 * anything bigger is ignored rather than parsed. */
constexpr size_t kMaxProfileBytes = size_t{4} << 20;

struct cl_entry {
    size_t size;
    size_t hash;
    cl_layout layout;
    std::shared_ptr<const colour_transform> transform;
};

std::mutex gCacheMutex; /* guards gCache */
std::vector<cl_entry> gCache;

cl_transform cl_create(cmsHPROFILE source, cmsUInt32Number inType, cmsUInt32Number outType) {
    const cl_profile srgb(cmsCreate_sRGBProfile(), cmsCloseProfile);
    if (!srgb)
        return {nullptr, cmsDeleteTransform};
    const bool perceptual = cmsIsCLUT(source, INTENT_PERCEPTUAL, LCMS_USED_AS_INPUT);
    const cmsUInt32Number intent = perceptual ? INTENT_PERCEPTUAL : INTENT_RELATIVE_COLORIMETRIC;
    cmsUInt32Number flags = perceptual ? cmsFLAGS_NOCACHE : cmsFLAGS_NOCACHE | cmsFLAGS_BLACKPOINTCOMPENSATION;
    if (T_EXTRA(inType) != 0)
        flags |= cmsFLAGS_COPY_ALPHA;
    return {cmsCreateTransform(source, inType, srgb.get(), outType, intent, flags), cmsDeleteTransform};
}

/* True when t maps a 16-step grid of B, G, R values onto itself within one
 * level: such a profile is sRGB in all but name and is not applied. */
bool cl_is_identity(const cl_transform& t) {
    uint8_t in[16 * 16 * 16 * 3];
    uint8_t out[sizeof(in)];
    size_t n = 0;
    for (int b = 0; b < 256; b += 17)
        for (int g = 0; g < 256; g += 17)
            for (int r = 0; r < 256; r += 17) {
                in[n++] = static_cast<uint8_t>(b);
                in[n++] = static_cast<uint8_t>(g);
                in[n++] = static_cast<uint8_t>(r);
            }
    cmsDoTransform(t.get(), in, out, sizeof(in) / 3);
    for (size_t i = 0; i < sizeof(in); ++i)
        if (std::abs(int{in[i]} - int{out[i]}) > 1)
            return false;
    return true;
}

std::shared_ptr<colour_transform> cl_build_grey(cmsHPROFILE source) {
    auto result = std::make_shared<colour_transform>();
    const cl_transform t = cl_create(source, TYPE_GRAY_8, TYPE_BGR_8);
    if (!t)
        return nullptr;
    uint8_t levels[256];
    for (int i = 0; i < 256; ++i)
        levels[i] = static_cast<uint8_t>(i);
    cmsDoTransform(t.get(), levels, result->grey_table, 256);
    result->grey = true;
    bool identity = true;
    for (int i = 0; i < 256; ++i)
        for (uint8_t v : result->grey_table[i])
            identity = identity && std::abs(int{v} - i) <= 1;
    return identity ? nullptr : result;
}

std::shared_ptr<colour_transform> cl_build(const std::vector<uint8_t>& bytes, cl_layout layout) {
    const cl_profile source(cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size())),
                            cmsCloseProfile);
    if (!source.get())
        return nullptr;
    const cmsColorSpaceSignature space = cmsGetColorSpace(source.get());
    const bool cmyk = layout == cl_layout::cmyk || layout == cl_layout::cmyk_inverted;
    if (cmyk != (space == cmsSigCmykData))
        return nullptr;
    if (space == cmsSigGrayData)
        return cl_build_grey(source.get());
    if (space != cmsSigRgbData && !cmyk)
        return nullptr;
    if (!cmyk) {
        const cl_transform probe = cl_create(source.get(), TYPE_BGR_8, TYPE_BGR_8);
        if (!probe || cl_is_identity(probe))
            return nullptr;
    }
    /* The lcms pixel type of each layout, in cl_layout's order. */
    static constexpr cmsUInt32Number kInTypes[] = {TYPE_BGR_8, TYPE_BGRA_8, TYPE_CMYK_8, TYPE_CMYK_8_REV};
    const cmsUInt32Number outType = layout == cl_layout::bgra ? TYPE_BGRA_8 : TYPE_BGR_8;
    auto result = std::make_shared<colour_transform>();
    result->handle = cl_create(source.get(), kInTypes[static_cast<int>(layout)], outType);
    return result->handle ? result : nullptr;
}

std::shared_ptr<const colour_transform> cl_lookup(const std::vector<uint8_t>& profile, cl_layout layout) {
    if (profile.size() > kMaxProfileBytes)
        return nullptr;
    const size_t hash =
        std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(profile.data()), profile.size()));
    std::lock_guard<std::mutex> lock(gCacheMutex);
    for (const cl_entry& e : gCache)
        if (e.layout == layout && e.size == profile.size() && e.hash == hash)
            return e.transform;
    std::shared_ptr<const colour_transform> built = cl_build(profile, layout);
    if (gCache.size() >= kCacheSize)
        gCache.erase(gCache.begin());
    gCache.push_back(cl_entry{profile.size(), hash, layout, built});
    return built;
}

/* Pixels of bytesPerPixel bytes (B, G, R first), width a row, rows stride
 * bytes apart. */
struct cl_pixels {
    uint8_t* data;
    uint32_t width;
    uint32_t height;
    size_t stride;
    uint32_t bytesPerPixel;
};

bool cl_all_grey(const cl_pixels& r) {
    for (uint32_t y = 0; y < r.height; ++y) {
        const uint8_t* p = r.data + y * r.stride;
        for (uint32_t x = 0; x < r.width; ++x, p += r.bytesPerPixel)
            if (p[0] != p[1] || p[1] != p[2])
                return false;
    }
    return true;
}

void cl_grey_pixels(const colour_transform& t, const cl_pixels& r) {
    if (!cl_all_grey(r))
        return;
    for (uint32_t y = 0; y < r.height; ++y) {
        uint8_t* p = r.data + y * r.stride;
        for (uint32_t x = 0; x < r.width; ++x, p += r.bytesPerPixel)
            std::memcpy(p, t.grey_table[p[0]], 3);
    }
}

} // namespace

void colour_to_srgb(const std::vector<uint8_t>& profile, raster& r) noexcept {
    if (profile.empty())
        return;
    const bool indexed = GetPixelFormatSize(r.format) <= 8;
    const bool packed24 = r.format == PixelFormat24bppRGB;
    try {
        const auto t = cl_lookup(profile, packed24 ? cl_layout::bgr : cl_layout::bgra);
        if (!t)
            return;
        if (indexed && !r.palette.empty()) {
            /* ARGB entries lie in memory as B, G, R, A on our little-endian targets */
            auto* entries = reinterpret_cast<uint8_t*>(r.palette.data());
            const auto count = static_cast<uint32_t>(r.palette.size());
            if (t->grey)
                cl_grey_pixels(*t, {entries, count, 1, size_t{count} * 4, 4});
            else
                cmsDoTransform(t->handle.get(), entries, entries, count);
        } else if (indexed) {
            return;
        } else if (t->grey) {
            cl_grey_pixels(*t, {r.pixels.data(), r.width, r.height, r.stride, packed24 ? 3u : 4u});
        } else {
            cmsDoTransformLineStride(t->handle.get(), r.pixels.data(), r.pixels.data(), r.width, r.height, r.stride,
                                     r.stride, 0, 0);
        }
    } catch (...) {
        /* out of memory while caching: the pixels stay as decoded */
    }
}

std::shared_ptr<const colour_transform> colour_cmyk_transform(const std::vector<uint8_t>& profile,
                                                              bool inverted) noexcept {
    if (profile.empty())
        return nullptr;
    try {
        return cl_lookup(profile, inverted ? cl_layout::cmyk_inverted : cl_layout::cmyk);
    } catch (...) {
        return nullptr;
    }
}

void colour_apply(const colour_transform& transform, const uint8_t* cmyk, uint8_t* bgr, uint32_t count) noexcept {
    cmsDoTransform(transform.handle.get(), cmyk, bgr, count);
}

std::vector<uint8_t> colour_profile_from_chromaticities(const double* chromaticities, double gamma) noexcept {
    static constexpr double kSrgb[8] = {0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06};
    const double* xy = chromaticities ? chromaticities : kSrgb;
    bool nearSrgb = std::abs(gamma - 1 / 2.2) < 0.005;
    for (int i = 0; i < 8; ++i) {
        if (!(xy[i] >= 0 && xy[i] <= 1) || (i % 2 == 1 && xy[i] <= 0))
            return {};
        nearSrgb = nearSrgb && std::abs(xy[i] - kSrgb[i]) < 0.01;
    }
    if (nearSrgb || !(gamma > 0.05 && gamma <= 10))
        return {};
    std::vector<uint8_t> out;
    try {
        const cmsCIExyY white{xy[0], xy[1], 1.0};
        const cmsCIExyYTRIPLE primaries{{xy[2], xy[3], 1.0}, {xy[4], xy[5], 1.0}, {xy[6], xy[7], 1.0}};
        cmsToneCurve* curve = cmsBuildGamma(nullptr, 1 / gamma);
        if (!curve)
            return {};
        cmsToneCurve* curves[3] = {curve, curve, curve};
        const cl_profile made(cmsCreateRGBProfile(&white, &primaries, curves), cmsCloseProfile);
        cmsFreeToneCurve(curve);
        cmsUInt32Number size = 0;
        if (!made.get() || !cmsSaveProfileToMem(made.get(), nullptr, &size) || size == 0)
            return {};
        out.resize(size);
        if (!cmsSaveProfileToMem(made.get(), out.data(), &size))
            return {};
    } catch (...) {
        return {};
    }
    return out;
}

} // namespace gp
