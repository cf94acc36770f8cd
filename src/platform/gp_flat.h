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
 * The records and codes come first, then the functions.
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

typedef uint32_t ARGB; /* 0xAARRGGBB; in memory: blue, green, red, alpha */
typedef int32_t PixelFormat;
typedef uint32_t PROPID;
typedef char16_t WCHAR; /* UTF-16 code unit, as in the original records */

/* Pixel formats handled everywhere (create, lock, draw source, encode). */
inline constexpr PixelFormat PixelFormat1bppIndexed = 0x00030101;
inline constexpr PixelFormat PixelFormat4bppIndexed = 0x00030402;
inline constexpr PixelFormat PixelFormat8bppIndexed = 0x00030803;
inline constexpr PixelFormat PixelFormat24bppRGB = 0x00021808;  /* B, G, R */
inline constexpr PixelFormat PixelFormat32bppRGB = 0x00022009;  /* B, G, R, unused */
inline constexpr PixelFormat PixelFormat32bppARGB = 0x0026200A; /* B, G, R, A */

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
    bool operator==(const GUID&) const = default;
};
typedef GUID CLSID;

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
    int32_t Stride; /* bytes from one row to the next */
    ::PixelFormat PixelFormat;
    void* Scan0; /* first row */
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
inline constexpr PROPID PropertyTagOrientation = 0x0112;
inline constexpr PROPID PropertyTagFrameDelay = 0x5100;
inline constexpr PROPID PropertyTagLoopCount = 0x5101;

/* The value bytes follow the record in the same buffer; value points there. */
struct PropertyItem {
    PROPID id;
    uint32_t length; /* bytes of value */
    uint16_t type;
    void* value;
};

struct EncoderParameter {
    GUID Guid;
    uint32_t NumberOfValues;
    uint32_t Type; /* 4 = 32-bit unsigned values */
    void* Value;
};

struct EncoderParameters {
    uint32_t Count;
    EncoderParameter Parameter[1];
};

inline constexpr uint32_t EncoderParameterValueTypeLong = 4;
/* Bytes of any meaning; NumberOfValues counts the bytes. */
inline constexpr uint32_t EncoderParameterValueTypeUndefined = 7;

/* Encoder description; strings point into the caller's buffer. */
struct ImageCodecInfo {
    CLSID Clsid;
    GUID FormatID;
    const WCHAR* CodecName;
    const WCHAR* DllName;
    const WCHAR* FormatDescription;
    const WCHAR* FilenameExtension; /* e.g. u"*.JPG;*.JPEG;*.JPE;*.JFIF" */
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

/* ---- Well-known GUIDs ----------------------------------------------------------- */

/* Raw formats reported by decoders (image_info.raw_format). */
inline constexpr GUID ImageFormatMemoryBMP = {
    0xb96b3caa, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatBMP = {0xb96b3cab, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatEMF = {0xb96b3cac, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatWMF = {0xb96b3cad, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatJPEG = {0xb96b3cae, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatPNG = {0xb96b3caf, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatGIF = {0xb96b3cb0, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatTIFF = {0xb96b3cb1, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatIcon = {0xb96b3cb5, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatHEIF = {0xb96b3cb6, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatWEBP = {0xb96b3cb7, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
/* AVIF (HEIF with AV1 pictures) has no identifier of its own there; this one is ours. */
inline constexpr GUID ImageFormatAVIF = {0x3b8e5c21, 0x9d47, 0x4f6a, {0xb1, 0x0c, 0x41, 0x56, 0x49, 0x46, 0x2d, 0x71}};
/* Nor has JPEG XL; this one is ours. */
inline constexpr GUID ImageFormatJXL = {0x3b8e5c22, 0x9d47, 0x4f6a, {0xb1, 0x0c, 0x4a, 0x58, 0x4c, 0x2d, 0x2d, 0x71}};
/* TGA has no identifier in the original library; this one is ours. */
inline constexpr GUID ImageFormatTGA = {0x5d1f0a3c, 0x6e2b, 0x4c1d, {0x9a, 0x51, 0x51, 0x75, 0x69, 0x6c, 0x54, 0x47}};

/* Frame dimensions of GdipImageGetFrameCount / GdipImageSelectActiveFrame. */
inline constexpr GUID FrameDimensionTime = {
    0x6aedbd6d, 0x3fb5, 0x418a, {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};
inline constexpr GUID FrameDimensionPage = {
    0x7462dc86, 0x6180, 0x4c7e, {0x8e, 0x3f, 0xee, 0x73, 0x33, 0xa7, 0xa4, 0x83}};

/* Encoder parameters understood by the save calls. */
inline constexpr GUID EncoderQuality = {0x1d5be4b5, 0xfa4a, 0x452d, {0x9c, 0xdd, 0x5d, 0xb3, 0x51, 0x05, 0xe7, 0xeb}};
inline constexpr GUID EncoderSaveFlag = {0x292266fc, 0xac40, 0x47bf, {0x8c, 0xfc, 0xa8, 0x5b, 0x89, 0xa6, 0x55, 0xde}};
/* Ours: photo details the AVIF, JPEG XL and WebP encoders write into their
 * own containers (Undefined bytes, up to GpMaxDetailBytes each): the EXIF
 * block from its TIFF header on, and the XMP packet. */
inline constexpr GUID EncoderExifBlock = {0x7c1e4a90, 0x2b6d, 0x4f3e, {0x9a, 0x41, 0x45, 0x58, 0x49, 0x46, 0x62, 0x6b}};
inline constexpr GUID EncoderXmpPacket = {0x7c1e4a91, 0x2b6d, 0x4f3e, {0x9a, 0x41, 0x58, 0x4d, 0x50, 0x70, 0x6b, 0x74}};
inline constexpr uint32_t GpMaxDetailBytes = 1u << 24;

/* Values of EncoderSaveFlag. */
enum EncoderValue : uint32_t {
    EncoderValueMultiFrame = 18,
    EncoderValueFlush = 20,
    EncoderValueFrameDimensionPage = 23,
};

/* ---- Further records and codes ------------------------------------------------ */

struct GdiplusStartupInput {
    uint32_t GdiplusVersion;  /* must be 1 */
    void* DebugEventCallback; /* ignored */
    int32_t SuppressBackgroundThread;
    int32_t SuppressExternalCodecs;
};

struct GdiplusStartupOutput {
    void* NotificationHook;
    void* NotificationUnhook;
};

enum ColorAdjustType : int32_t {
    ColorAdjustTypeDefault = 0,
    ColorAdjustTypeBitmap = 1,
};

enum MatrixOrder : int32_t {
    MatrixOrderPrepend = 0,
    MatrixOrderAppend = 1,
};

/* Stored by GdipSetTextRenderingHint; this layer draws no text. */
enum TextRenderingHint : int32_t {
    TextRenderingHintSystemDefault = 0,
    TextRenderingHintSingleBitPerPixelGridFit = 1,
    TextRenderingHintSingleBitPerPixel = 2,
    TextRenderingHintAntiAliasGridFit = 3,
    TextRenderingHintAntiAlias = 4,
    TextRenderingHintClearTypeGridFit = 5,
};

typedef int32_t GpUnit; /* only UnitPixel is accepted */

/* Callbacks of the original signatures; this layer never calls them. */
typedef int32_t (*GetThumbnailImageAbort)(void* callbackData);
typedef int32_t (*DrawImageAbort)(void* callbackData);

/* COM-style result codes of the stream and GUID functions. */
typedef int32_t HRESULT;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT STG_E_MEDIUMFULL = static_cast<HRESULT>(0x80030070u);
inline constexpr HRESULT STG_E_INVALIDFUNCTION = static_cast<HRESULT>(0x80030001u);
inline constexpr HRESULT CO_E_IIDSTRING = static_cast<HRESULT>(0x800401F4u);

/* Seek origins of GpStreamSeek. */
enum StreamSeek : uint32_t {
    STREAM_SEEK_SET = 0,
    STREAM_SEEK_CUR = 1,
    STREAM_SEEK_END = 2,
};

/* ---- Opaque handles --------------------------------------------------------------- */

/* An image. Every image of this layer is a raster bitmap, so GpBitmap is the
 * same type (in the original library it is a subclass). */
struct GpImage;
typedef GpImage GpBitmap;
struct GpGraphics;
struct GpImageAttributes;
/* In-memory byte stream standing for the COM IStream of CreateStreamOnHGlobal. */
struct GpStream;
/* Device-context stand-in: a 32bppARGB pixel surface that outside code (the
 * screen capture) writes into; see GdipGetDC and GpGetDCBits. */
struct GpDeviceContext;
typedef GpDeviceContext* HDC;
/* Displayable-bitmap stand-in for a GDI bitmap handle: 32bppARGB pixels. */
struct GpDisplayBitmap;
typedef GpDisplayBitmap* HBITMAP;
typedef void* HPALETTE; /* accepted and ignored */
typedef void* HWND;

/* ---- Functions ---------------------------------------------------------------------- */

/*
 * Start-up and shut-down.
 *
 * GdiplusStartup hands out a new non-zero token for every successful call;
 * GdiplusShutdown takes it back. Several instances may be alive at once.
 * Differs from the original: the other functions do not depend on a live
 * token (there is no background thread or global state to set up), so a call
 * made without start-up works instead of returning GdiplusNotInitialized.
 *
 * token  receives the token; must not be NULL
 * input  GdiplusVersion must be 1; other fields are ignored
 * output may be NULL; when given, both hooks are set to NULL
 * Returns Ok, InvalidParameter, or UnsupportedGdiplusVersion.
 * GdiplusShutdown with 0 or an unknown token does nothing.
 */
GpStatus GdiplusStartup(uintptr_t* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output);
void GdiplusShutdown(uintptr_t token);

/*
 * Encoder enumeration: BMP, JPEG, GIF, TIFF, PNG, WebP, in that order.
 *
 * GdipGetImageEncodersSize gives the number of encoders and the bytes needed
 * for GdipGetImageEncoders: numEncoders ImageCodecInfo records followed by the
 * UTF-16 strings they point to. The caller owns the buffer; the strings stay
 * valid as long as it does. FormatDescription is the code of the encoder's
 * row in the format table (gp_formats.h): "JPG", "PNG".
 * Returns InvalidParameter for NULL pointers, or for a count or size that
 * differs from what GdipGetImageEncodersSize reported.
 * Unlike the original, the descriptions are laid out for this machine's
 * pointer size, not in 76-byte records; use sizeof(ImageCodecInfo).
 */
GpStatus GdipGetImageEncodersSize(uint32_t* numEncoders, uint32_t* size);
GpStatus GdipGetImageEncoders(uint32_t numEncoders, uint32_t size, ImageCodecInfo* encoders);

/*
 * Loading.
 *
 * GdipLoadImageFromFile reads the whole file (UTF-16 name, converted to the
 * platform's path encoding) into memory, recognises the format by its first
 * bytes and reads the header. GdipLoadImageFromStream does the same with the
 * bytes from the stream's current position to its end. The first frame is
 * decoded at once, so a file whose pixel data is damaged fails here, not at
 * its first draw; the encoded bytes stay with the image for frame selection.
 * Differs from the original: the image keeps its own copy of the encoded
 * bytes, so neither the file nor the stream is held open or read later; the
 * caller may release the stream at once. Only a regular file is read: a FIFO
 * or device gives FileNotFound at once instead of blocking.
 *
 * *image receives a new image, freed with GdipDisposeImage; it is left
 * untouched on failure.
 * Returns InvalidParameter (NULL argument), FileNotFound, AccessDenied,
 * OutOfMemory, UnknownImageFormat (no decoder recognises the bytes or the
 * header is bad), ValueOverflow (beyond GpMaxImageSide / GpMaxImagePixels).
 */
GpStatus GdipLoadImageFromFile(const WCHAR* filename, GpImage** image);
GpStatus GdipLoadImageFromStream(GpStream* stream, GpImage** image);

/*
 * GdipLoadImageFromFileDeferred is GdipLoadImageFromFile without the decode:
 * only the header is read, and the pixels are decoded at their first use,
 * in full unless a reduced decode was asked for (GdipSetImageReducedDecode).
 * Width, height and format report the file's own values throughout.
 * A file whose pixel data is damaged loads without error and fails its
 * first use (the draw returns the decoder's status), so a caller that draws
 * must check that draw's status. Returns as GdipLoadImageFromFile.
 */
GpStatus GdipLoadImageFromFileDeferred(const WCHAR* filename, GpImage** image);

/*
 * GdipGetImageFileDimensions gives the width and height a file loads with
 * (as GdipLoadImageFromFileDeferred reports them, a turn its EXIF asks for
 * included) without keeping the file: of a JPEG or PNG only the start is
 * read, other files whole. *width and *height are left untouched on failure.
 * Returns as GdipLoadImageFromFileDeferred.
 */
GpStatus GdipGetImageFileDimensions(const WCHAR* filename, uint32_t* width, uint32_t* height);

/*
 * GdipGetDecodeCount gives the number of pixel decodes made in this process
 * so far: every time a decoder turned an image's encoded bytes into pixels,
 * at full or reduced scale, for any format, successful or not. Header reads
 * do not count. The count only grows; it is one atomic counter, so any
 * thread may read it while others decode. Comparing it before and after a
 * piece of work tells how often that work decoded its sources.
 * *count receives the count. Returns InvalidParameter for a NULL count.
 */
GpStatus GdipGetDecodeCount(uint64_t* count);

/*
 * Asks (allow true) that a deferred image not decoded yet be decoded for the
 * draw that uses it first, at a reduced scale where that draw is much
 * smaller than the image: the decoder then gives no more pixels than the draw
 * needs (JPEG: 1/2, 1/4 or 1/8, never below the drawn size; HEIF: an
 * embedded thumbnail of the same shape and at least the drawn size). The
 * request is granted only to a draw of the whole image through a transform
 * of quarter turns without scaling, with InterpolationModeHighQualityBilinear,
 * whose averaging the reduction stands in for; every other use gets the full
 * frame. allow false withdraws the request.
 * Returns InvalidParameter (NULL image).
 */
GpStatus GdipSetImageReducedDecode(GpImage* image, bool allow);

/*
 * The size of the pixels image holds now: the full frame once decoded, the
 * reduced one after a draw that took a reduced decode, 0 x 0 while a deferred
 * image is not decoded yet.
 * Returns InvalidParameter (NULL argument).
 */
GpStatus GdipGetImageDecodedSize(GpImage* image, uint32_t* width, uint32_t* height);

/*
 * The size the active frame of a deferred image not decoded yet is decoded at
 * for a draw of all of it at draw_width x draw_height (upright) when a
 * reduced decode is allowed: a JPEG by the rule of GdipSetImageReducedDecode,
 * other formats whole (their reductions are never larger). For the caller to
 * set memory aside before the draw.
 * Returns InvalidParameter (NULL argument).
 */
GpStatus GdipGetImageDecodedSizeFor(GpImage* image, uint32_t draw_width, uint32_t draw_height, uint32_t* width,
                                    uint32_t* height);

/*
 * Creates a bitmap of width x height in one of the six formats.
 * scan0 NULL: the layer allocates zeroed pixels (transparent black; indexed
 * formats get a greyscale ramp of 2^bpp palette entries) and stride is
 * ignored. scan0 given: height rows of stride bytes (a multiple of 4 covering
 * one row; negative for bottom-up rows) are copied in. Differs from the
 * original, which would keep using the caller's memory: copying keeps every
 * bitmap's lifetime independent of its creator.
 * Returns InvalidParameter (sizes <= 0, bad format, bad stride, NULL
 * bitmap), ValueOverflow (beyond the size caps), OutOfMemory.
 */
GpStatus GdipCreateBitmapFromScan0(int32_t width, int32_t height, int32_t stride, PixelFormat format, uint8_t* scan0,
                                   GpBitmap** bitmap);

/* Creates a 32bppARGB bitmap holding a copy of the displayable bitmap's pixels.
 * hpal is ignored. Returns InvalidParameter for NULL arguments. */
GpStatus GdipCreateBitmapFromHBITMAP(HBITMAP hbm, HPALETTE hpal, GpBitmap** bitmap);

/* Creates a zeroed width x height 32bppARGB bitmap; target must be a live
 * graphics object (its resolution would matter in the original only). */
GpStatus GdipCreateBitmapFromGraphics(int32_t width, int32_t height, GpGraphics* target, GpBitmap** bitmap);

/* Copies the area (x, y, width, height) of src into a new bitmap in format,
 * converting pixels as GdipBitmapLockBits does (an indexed copy of an indexed
 * source keeps its palette). The area must lie inside src.
 * Returns InvalidParameter, OutOfMemory, or the decode status of src. */
GpStatus GdipCloneBitmapAreaI(int32_t x, int32_t y, int32_t width, int32_t height, PixelFormat format, GpBitmap* src,
                              GpBitmap** dst);

/* A new 32bppARGB image of thumbWidth x thumbHeight (0 x 0: 120 x 120)
 * holding the whole image scaled with high-quality bicubic interpolation.
 * callback and callbackData are ignored. */
GpStatus GdipGetImageThumbnail(GpImage* image, uint32_t thumbWidth, uint32_t thumbHeight, GpImage** thumbImage,
                               GetThumbnailImageAbort callback, void* callbackData);

/* Frees an image and everything it holds. NULL gives InvalidParameter, as in
 * the original; an image that is locked or bound to a live graphics object is
 * still freed (the graphics object then reports InvalidParameter). */
GpStatus GdipDisposeImage(GpImage* image);

/* Pixel format and size of the active frame (after EXIF orientation and any
 * RotateFlip). Sizes are whole numbers given as floats. */
GpStatus GdipGetImagePixelFormat(GpImage* image, PixelFormat* format);
GpStatus GdipGetImageDimension(GpImage* image, float* width, float* height);
/* What the decoding libraries printed on stderr while the image was read and
 * decoded (their warnings about damaged data), as UTF-8 lines; stderr itself
 * gets none of it. With buffer null, *size receives the length; else up to
 * *size bytes are copied into the caller's buffer (not terminated) and *size
 * receives the number copied. */
GpStatus GdipGetImageDecoderMessages(GpImage* image, char* buffer, uint32_t* size);

/* Rotates clockwise by a quarter-turn multiple, then mirrors left-right when
 * the type says FlipX (types 0..7). Returns InvalidParameter for other
 * types, WrongState while locked. */
GpStatus GdipImageRotateFlip(GpImage* image, RotateFlipType type);

/*
 * Pixel access.
 *
 * GdipBitmapLockBits gives the pixels of rect (NULL: the whole image) in
 * format (any of the six), converting as needed:
 *  - flags Read (1): lockedData describes a buffer holding the pixels;
 *  - flags Write (2): on unlock, the buffer's pixels are converted back and
 *    written into the image;
 *  - flags UserInputBuf (4): lockedData->Scan0 and ->Stride, given by the
 *    caller, name the buffer to use instead of one of the layer's.
 * Conversions: indexed to direct through the palette; direct to indexed by
 * the nearest palette entry; indexed to indexed keeps the index values;
 * ARGB to 24bppRGB/32bppRGB drops alpha; 32bppRGB and 24bppRGB read as
 * opaque. Only one lock may be held at a time (WrongState otherwise).
 * GdipBitmapUnlockBits ends the lock; lockedData must be the record given to
 * GdipBitmapLockBits.
 */
GpStatus GdipBitmapLockBits(GpBitmap* bitmap, const GpRect* rect, uint32_t flags, PixelFormat format,
                            BitmapData* lockedData);
GpStatus GdipBitmapUnlockBits(GpBitmap* bitmap, BitmapData* lockedData);

/* One pixel as non-premultiplied ARGB (indexed: its palette entry). */
GpStatus GdipBitmapGetPixel(GpBitmap* bitmap, int32_t x, int32_t y, ARGB* color);

/*
 * Palettes. GdipGetImagePalette copies min(entries, (size - 8) / 4) entries and sets Count to that number;
 * size below 8 gives InvalidParameter. GdipSetImagePalette replaces the
 * palette of an indexed image (at most 2^bpp entries) and of any other image
 * stores it for later use; Count 0 gives InvalidParameter.
 */
GpStatus GdipGetImagePalette(GpImage* image, ColorPalette* palette, int32_t size);
GpStatus GdipSetImagePalette(GpImage* image, const ColorPalette* palette);

/*
 * Property items (the EXIF orientation 0x0112 as one 16-bit value; GIF frame
 * delays 0x5100 as 32-bit hundredths of a second per frame, loop count
 * 0x5101 as one 16-bit value).
 * GdipGetPropertyItemSize gives sizeof(PropertyItem) + value length;
 * GdipGetPropertyItem fills buffer with the record followed by the value,
 * value pointing into the buffer. PropertyNotFound when the image has no
 * such item; InvalidParameter when size differs from the reported one.
 */
GpStatus GdipGetPropertyItemSize(GpImage* image, PROPID propId, uint32_t* size);
GpStatus GdipGetPropertyItem(GpImage* image, PROPID propId, uint32_t propSize, PropertyItem* buffer);

/*
 * Frames: GIF time frames (FrameDimensionTime) or TIFF pages
 * (FrameDimensionPage); other images have one page. Selecting a frame decodes
 * it afresh and drops changes made to the previous one, as in the original.
 * Returns InvalidParameter for a dimension the image does not have or an
 * index beyond the count.
 */
GpStatus GdipImageGetFrameCount(GpImage* image, const GUID* dimensionID, uint32_t* count);
GpStatus GdipImageSelectActiveFrame(GpImage* image, const GUID* dimensionID, uint32_t frameIndex);

/*
 * Image attributes: colour keys. Source pixels whose red, green and blue each
 * lie between colorLow's and colorHigh's (inclusive; alpha is not compared)
 * are drawn fully transparent.
 * GdipDisposeImageAttributes(NULL) does nothing.
 */
GpStatus GdipCreateImageAttributes(GpImageAttributes** imageattr);
GpStatus GdipDisposeImageAttributes(GpImageAttributes* imageattr);
GpStatus GdipSetImageAttributesColorKeys(GpImageAttributes* imageattr, ColorAdjustType type, int32_t enableFlag,
                                         ARGB colorLow, ARGB colorHigh);

/*
 * Saving. clsidEncoder names one of GdipGetImageEncoders' encoders
 * (an unknown one gives UnknownImageFormat). params may be
 * NULL; understood: EncoderQuality (one Long 0..100, JPEG, WebP, AVIF and
 * JPEG XL; others ignore it), EncoderSaveFlag, and EncoderExifBlock and
 * EncoderXmpPacket (the bytes are copied; an empty one is no block; more than
 * GpMaxDetailBytes gives InvalidParameter). GdipSaveImageToFile writes the file only after a
 * successful encode, so a failure leaves no partial file behind; the stream
 * variant writes at the stream's position.
 *
 * Multi-page TIFF: save with EncoderSaveFlag = EncoderValueMultiFrame, then
 * add pages with GdipSaveAdd (FrameDimensionPage: the image's active frame
 * again) or GdipSaveAddImage (another image's active frame), and finish with
 * GdipSaveAdd(EncoderValueFlush), which encodes and writes all pages.
 * Differs from the original: nothing is written before the flush.
 * Returns WrongState for SaveAdd without a pending multi-frame save.
 */
GpStatus GdipSaveImageToFile(GpImage* image, const WCHAR* filename, const CLSID* clsidEncoder,
                             const EncoderParameters* encoderParams);
GpStatus GdipSaveImageToStream(GpImage* image, GpStream* stream, const CLSID* clsidEncoder,
                               const EncoderParameters* encoderParams);
GpStatus GdipSaveAdd(GpImage* image, const EncoderParameters* encoderParams);
GpStatus GdipSaveAddImage(GpImage* image, GpImage* newImage, const EncoderParameters* encoderParams);

/*
 * Graphics objects.
 *
 * GdipGetImageGraphicsContext binds a drawing surface to a non-indexed
 * bitmap; an indexed bitmap gives OutOfMemory, the status the original
 * library returns for it. GdipCreateFromHDC binds one to a device-context
 * stand-in. GdipCreateFromHWND is NotImplemented: there are
 * no native windows in this layer (the program draws on screen through Qt).
 * Each graphics object is freed with GdipDeleteGraphics (NULL:
 * InvalidParameter).
 */
GpStatus GdipGetImageGraphicsContext(GpImage* image, GpGraphics** graphics);
GpStatus GdipCreateFromHDC(HDC hdc, GpGraphics** graphics);
GpStatus GdipCreateFromHWND(HWND hwnd, GpGraphics** graphics);
GpStatus GdipDeleteGraphics(GpGraphics* graphics);

/* Fills the whole surface with color (no blending). */
GpStatus GdipGraphicsClear(GpGraphics* graphics, ARGB color);

/* Interpolation used by the draws: 6 prefiltered bilinear (a triangle filter
 * widened by the reduction factor), 7 and 2 prefiltered bicubic, 4 bicubic,
 * 3, 0 and 1 bilinear, 5 nearest neighbour; new objects start at 0. Other
 * values: InvalidParameter. */
GpStatus GdipSetInterpolationMode(GpGraphics* graphics, InterpolationMode mode);
/* Checked and otherwise ignored: no text is drawn by this layer. */
GpStatus GdipSetTextRenderingHint(GpGraphics* graphics, TextRenderingHint mode);

/* World transform (device = world x transform), honoured by the draws. Angles
 * in degrees, clockwise on screen (y points down). */
GpStatus GdipRotateWorldTransform(GpGraphics* graphics, float angle, MatrixOrder order);
GpStatus GdipTranslateWorldTransform(GpGraphics* graphics, float dx, float dy, MatrixOrder order);
GpStatus GdipResetWorldTransform(GpGraphics* graphics);

/*
 * Draws. GdipDrawImageI draws the whole image at its own size at (x, y);
 * GdipDrawImageRectI scales the whole image into the rectangle;
 * GdipDrawImageRectRectI scales the source rectangle (srcUnit must be
 * UnitPixel) into the destination rectangle, through the colour keys of
 * imageAttributes when given. Source pixels are composited over the surface
 * (source-over, alpha non-premultiplied in storage, premultiplied while
 * resampled). Negative destination sizes give InvalidParameter; zero sizes
 * draw nothing. callback and callbackData are ignored. ObjectBusy while the
 * device context is lent out.
 */
GpStatus GdipDrawImageI(GpGraphics* graphics, GpImage* image, int32_t x, int32_t y);
GpStatus GdipDrawImageRectI(GpGraphics* graphics, GpImage* image, int32_t x, int32_t y, int32_t width, int32_t height);
GpStatus GdipDrawImageRectRectI(GpGraphics* graphics, GpImage* image, int32_t dstx, int32_t dsty, int32_t dstwidth,
                                int32_t dstheight, int32_t srcx, int32_t srcy, int32_t srcwidth, int32_t srcheight,
                                GpUnit srcUnit, const GpImageAttributes* imageAttributes, DrawImageAbort callback,
                                void* callbackData);

/*
 * Device context of a surface. GdipGetDC lends a device-context stand-in
 * holding a 32bppARGB copy of the surface (reach its pixels with
 * GpGetDCBits); GdipReleaseDC writes those pixels back into the surface
 * (converted to its format) and ends the loan. Between the two, draws on the
 * graphics object return ObjectBusy and a second GdipGetDC returns
 * ObjectBusy. For a graphics object made from a device context, GdipGetDC
 * lends that context itself.
 */
GpStatus GdipGetDC(GpGraphics* graphics, HDC* hdc);
GpStatus GdipReleaseDC(GpGraphics* graphics, HDC hdc);

/*
 * Device-context stand-in (no counterpart in the original library, where
 * this is a GDI call). GpGetDCBits describes the pixels of a context lent by
 * GdipGetDC (32bppARGB, writable, valid until the context is released).
 */
GpStatus GpGetDCBits(HDC hdc, BitmapData* bits);

/*
 * Displayable bitmap. GdipCreateHBITMAPFromBitmap makes a 32bppARGB copy of
 * the bitmap's active frame composited over background (ARGB; alpha 0 keeps
 * the pixels as they are). The caller frees it with GpDeleteObject (NULL:
 * nothing). GpGetHBITMAPBits describes its pixels (read-only use).
 */
GpStatus GdipCreateHBITMAPFromBitmap(GpBitmap* bitmap, HBITMAP* hbmReturn, ARGB background);
GpStatus GpGetHBITMAPBits(HBITMAP hbm, BitmapData* bits);
void GpDeleteObject(HBITMAP hbm);

/*
 * Memory streams, standing for CreateStreamOnHGlobal and the IStream methods
 * the program uses.
 *
 * CreateStreamOnHGlobal(NULL, 0, ...) makes an empty growable stream that
 * owns its memory. CreateStreamOnHGlobal(bytes, size, FALSE, ...) makes a
 * stream over the caller's size bytes without copying them: reads see them
 * in place, writes overwrite them and cannot grow the stream
 * (STG_E_MEDIUMFULL). The caller's bytes must outlive the stream. Differs from
 * the original: the size is passed (there is no memory-handle size query
 * here), and a caller's buffer cannot be handed over for deletion
 * (fDeleteOnRelease TRUE with bytes gives E_INVALIDARG).
 * A stream starts with one reference; GpStreamRelease(NULL) does nothing.
 */
HRESULT CreateStreamOnHGlobal(void* hGlobal, size_t size, int32_t fDeleteOnRelease, GpStream** ppstm);
/*
 * GpCreateStreamOnFile reads a whole file, as GdipLoadImageFromFile does,
 * into a new stream that owns its memory, positioned at 0. Only a regular
 * file is read; a FIFO or device is refused without waiting on it.
 * Returns InvalidParameter, FileNotFound (missing, or not a regular file),
 * AccessDenied, OutOfMemory (beyond GdipLoadImageFromFile's size cap) or
 * Win32Error; *stream is left untouched on failure, else released with
 * GpStreamRelease.
 */
GpStatus GpCreateStreamOnFile(const WCHAR* filename, GpStream** stream);
HRESULT GpStreamRead(GpStream* stream, void* pv, uint32_t cb, uint32_t* pcbRead);
HRESULT GpStreamWrite(GpStream* stream, const void* pv, uint32_t cb, uint32_t* pcbWritten);
/* newPosition may be NULL. Seeking before 0 gives STG_E_INVALIDFUNCTION;
 * beyond the end is allowed (a later write fills the gap with zeros). */
HRESULT GpStreamSeek(GpStream* stream, int64_t move, StreamSeek origin, uint64_t* newPosition);
/* Current size in bytes. */
HRESULT GpStreamStat(GpStream* stream, uint64_t* size);
uint32_t GpStreamAddRef(GpStream* stream);
uint32_t GpStreamRelease(GpStream* stream);

/*
 * Photo details of a HEIF or AVIF file (no counterpart in the original
 * library): the EXIF and XMP blocks attached to its primary image, read
 * without decoding any pixel. On Ok, *exif is a new stream holding the first
 * EXIF block as a TIFF structure (from its byte-order mark) and *xmp one
 * holding the first XMP packet, each positioned at 0; either is NULL when the
 * file has no such block or only one over 4 MiB. The caller releases both
 * with GpStreamRelease. Returns InvalidParameter, the statuses of
 * GpCreateStreamOnFile, UnknownImageFormat (not a readable HEIF or AVIF file)
 * or OutOfMemory; both are NULL on failure.
 */
GpStatus GpGetHeifDetails(const WCHAR* filename, GpStream** exif, GpStream** xmp);

/* Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (38 characters, hex digits
 * of either case). Returns S_OK, or CO_E_IIDSTRING leaving *lpiid zeroed. */
HRESULT IIDFromString(const WCHAR* lpsz, GUID* lpiid);
