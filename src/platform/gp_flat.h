#pragma once
/*
 * gp_flat.h - the flat imaging API: decoding, bitmaps, drawing, encoding.
 *
 * A C-style API over opaque handles with the function names, argument order,
 * status numbering and records of the GDI+ flat interface, so that the object
 * layer above (cGDIP, cBitmap, cGraphics) maps one-to-one onto it. It is our
 * own implementation over libjpeg-turbo, libpng, giflib, libtiff and small
 * bounds-checked decoders of our own; it links no Qt.
 *
 * Every function returns a GpStatus, never throws, prints or aborts.
 * Where this stand-in differs from the original library, the function's doc
 * block says so and why.
 *
 * This first part holds the shared records and codes; the functions follow.
 */

#include <cstddef>
#include <cstdint>

/* ---- Status codes: 0 = Ok, the numbering of the original library ---------- */

enum GpStatus : int32_t {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    FontFamilyNotFound = 14,
    FontStyleNotFound = 15,
    NotTrueTypeFont = 16,
    UnsupportedGdiplusVersion = 17,
    GdiplusNotInitialized = 18,
    PropertyNotFound = 19,
    PropertyNotSupported = 20,
};

/* ---- Basic types ------------------------------------------------------------ */

typedef uint32_t ARGB;   /* 0xAARRGGBB; in memory: blue, green, red, alpha */
typedef int32_t PixelFormat;
typedef uint32_t PROPID;
typedef char16_t WCHAR;  /* UTF-16 code unit, as in the original records */

/* Pixel formats handled everywhere (create, lock, draw source, encode). */
inline constexpr PixelFormat PixelFormat1bppIndexed = 0x00030101;
inline constexpr PixelFormat PixelFormat4bppIndexed = 0x00030402;
inline constexpr PixelFormat PixelFormat8bppIndexed = 0x00030803;
inline constexpr PixelFormat PixelFormat24bppRGB = 0x00021808;   /* B, G, R */
inline constexpr PixelFormat PixelFormat32bppRGB = 0x00022009;   /* B, G, R, unused */
inline constexpr PixelFormat PixelFormat32bppARGB = 0x0026200A;  /* B, G, R, A */

/* Bits per pixel of a format code (bits 8..15 of the code). */
inline constexpr uint32_t GetPixelFormatSize(PixelFormat format) {
    return (static_cast<uint32_t>(format) >> 8) & 0xFF;
}

/* 16-byte GUID in the Windows layout. */
struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
typedef GUID CLSID;

inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}

/* ---- Records ------------------------------------------------------------------ */

struct GpRect {
    int32_t X;
    int32_t Y;
    int32_t Width;
    int32_t Height;
};

/* Lock-mode flags of GdipBitmapLockBits. */
enum ImageLockMode : uint32_t {
    ImageLockModeRead = 1,
    ImageLockModeWrite = 2,
    ImageLockModeUserInputBuf = 4,
};

struct BitmapData {
    uint32_t Width;
    uint32_t Height;
    int32_t Stride;        /* bytes from one row to the next */
    PixelFormat PixelFormat;
    void* Scan0;           /* first row */
    uintptr_t Reserved;
};

/* Palette flags. */
enum PaletteFlags : uint32_t {
    PaletteFlagsHasAlpha = 1,
    PaletteFlagsGrayScale = 2,
    PaletteFlagsHalftone = 4,
};

/* Count entries follow Flags and Count (callers allocate Count * 4 + 8 bytes). */
struct ColorPalette {
    uint32_t Flags;
    uint32_t Count;
    ARGB Entries[1];
};

/* Property item types. */
enum PropertyTagType : uint16_t {
    PropertyTagTypeByte = 1,
    PropertyTagTypeASCII = 2,
    PropertyTagTypeShort = 3,
    PropertyTagTypeLong = 4,
    PropertyTagTypeRational = 5,
    PropertyTagTypeUndefined = 7,
    PropertyTagTypeSLONG = 9,
    PropertyTagTypeSRational = 10,
};

/* Property ids this layer reports. */
inline constexpr PROPID PropertyTagEquipMake = 0x010F;
inline constexpr PROPID PropertyTagEquipModel = 0x0110;
inline constexpr PROPID PropertyTagOrientation = 0x0112;
inline constexpr PROPID PropertyTagExifDTOrig = 0x9003;
inline constexpr PROPID PropertyTagFrameDelay = 0x5100;
inline constexpr PROPID PropertyTagLoopCount = 0x5101;

/* The value bytes follow the record in the same buffer; value points there. */
struct PropertyItem {
    PROPID id;
    uint32_t length;       /* bytes of value */
    uint16_t type;
    void* value;
};

struct EncoderParameter {
    GUID Guid;
    uint32_t NumberOfValues;
    uint32_t Type;         /* 4 = 32-bit unsigned values */
    void* Value;
};

struct EncoderParameters {
    uint32_t Count;
    EncoderParameter Parameter[1];
};

inline constexpr uint32_t EncoderParameterValueTypeLong = 4;

/* Encoder description; strings point into the caller's buffer. */
struct ImageCodecInfo {
    CLSID Clsid;
    GUID FormatID;
    const WCHAR* CodecName;
    const WCHAR* DllName;
    const WCHAR* FormatDescription;
    const WCHAR* FilenameExtension;   /* e.g. u"*.JPG;*.JPEG;*.JPE;*.JFIF" */
    const WCHAR* MimeType;
    uint32_t Flags;
    uint32_t Version;
    uint32_t SigCount;
    uint32_t SigSize;
    const uint8_t* SigPattern;
    const uint8_t* SigMask;
};

/* Rotate-flip types of GdipImageRotateFlip. */
enum RotateFlipType : int32_t {
    RotateNoneFlipNone = 0,
    Rotate90FlipNone = 1,
    Rotate180FlipNone = 2,
    Rotate270FlipNone = 3,
    RotateNoneFlipX = 4,
    Rotate90FlipX = 5,
    Rotate180FlipX = 6,
    Rotate270FlipX = 7,
};

/* Interpolation modes of GdipSetInterpolationMode. */
enum InterpolationMode : int32_t {
    InterpolationModeDefault = 0,
    InterpolationModeLowQuality = 1,
    InterpolationModeHighQuality = 2,
    InterpolationModeBilinear = 3,
    InterpolationModeBicubic = 4,
    InterpolationModeNearestNeighbor = 5,
    InterpolationModeHighQualityBilinear = 6,
    InterpolationModeHighQualityBicubic = 7,
};

/* Units of GdipDrawImageRectRectI's source rectangle. */
inline constexpr int32_t UnitPixel = 2;

/* Largest side and pixel count any decoder or create call accepts. Sides are
 * 16-bit in the program; the pixel cap keeps one image under 1 GiB at 32 bits
 * per pixel. Larger images fail with ValueOverflow before anything is allocated. */
inline constexpr uint32_t GpMaxImageSide = 32767;
inline constexpr uint64_t GpMaxImagePixels = uint64_t{1} << 28;
