#include "cGDIP.h"

#include <vector>

namespace {

/* Status texts, indexed by status code (0 has none). */
const char* const kStatusTexts[] = {
    nullptr,
    "Generic Error",
    "Invalid Parameter",
    "Out Of Memory",
    "Object Busy",
    "Insufficient Buffer",
    "Not Implemented",
    "Win32 Error",
    "Wrong State",
    "Aborted",
    "File Not Found",
    "Value Overflow",
    "Access Denied",
    "Unknown Image Format",
    "FontFamily Not Found",
    "FontStyle Not Found",
    "Not TrueType Font",
    "Unsupported Gdiplus Version",
    "Gdiplus Not Initialized",
    "Property Not Found",
    "Property Not Supported",
};

constexpr int32_t kStatusTextCount = static_cast<int32_t>(sizeof(kStatusTexts) / sizeof(kStatusTexts[0]));

} // namespace

cGDIP::cGDIP(QObject* parent) : QObject(parent) {
    GdiplusStartupInput input{1, nullptr, 0, 0};
    uintptr_t token = 0;
    if (GdiplusStartup(&token, &input, nullptr) != Ok)
        return;
    mToken = token;
    LoadEncoders();
}

cGDIP::~cGDIP() {
    if (mToken != 0)
        GdiplusShutdown(mToken);
}

QVariant cGDIP::Error(int32_t lGdiError, const QString& sClassName) {
    emit Error(lGdiError, ErrorDescription(lGdiError), sClassName);
    return QVariant();
}

int32_t cGDIP::ExtensionExists(const QString& sKey) const {
    if (!mHasExtensionIndex)
        return -1;
    return mExtensions.value(sKey.toUpper(), -1);
}

CLSID cGDIP::EncoderClsid(int32_t lIndex) const {
    if (lIndex < 0 || lIndex >= mEncoders.size())
        return CLSID{};
    return mEncoders[lIndex];
}

std::optional<CLSID> cGDIP::FormatEncoder(const QString& sCode) const {
    const int32_t index = mFormats.value(sCode.toUpper(), -1);
    if (index < 0)
        return std::nullopt;
    return mEncoders[index];
}

GUID cGDIP::StringToGuid(const QString& sGuid) {
    GUID guid{};
    IIDFromString(reinterpret_cast<const WCHAR*>(sGuid.utf16()), &guid);
    return guid;
}

QString cGDIP::ErrorDescription(int32_t lGdiError) {
    if (lGdiError > 0 && lGdiError < kStatusTextCount)
        return QString::fromLatin1(kStatusTexts[lGdiError]);
    return QStringLiteral("Unknown GDI+ Error");
}

void cGDIP::LoadEncoders() {
    uint32_t count = 0;
    uint32_t size = 0;
    if (GdipGetImageEncodersSize(&count, &size) != Ok)
        return;
    /* ImageCodecInfo records followed by their strings; kept aligned for the records. */
    std::vector<ImageCodecInfo> buffer((size + sizeof(ImageCodecInfo) - 1) / sizeof(ImageCodecInfo) + 1);
    if (GdipGetImageEncoders(count, size, buffer.data()) != Ok)
        return;
    mEncoders.resize(static_cast<qsizetype>(count));
    mEncoderCount = static_cast<int32_t>(count);
    mExtensions.clear();
    mHasExtensionIndex = true;
    for (int32_t i = mEncoderCount - 1; i >= 0; --i) {
        mEncoders[i] = buffer[static_cast<size_t>(i)].Clsid;
        mFormats.insert(StringFromPointer(buffer[static_cast<size_t>(i)].FormatDescription).toUpper(), i);
        AddExtensions(StringFromPointer(buffer[static_cast<size_t>(i)].FilenameExtension), QStringLiteral(";"), i);
    }
}

void cGDIP::AddExtensions(const QString& sList, const QString& sDelimiter, int32_t lIndex) {
    qsizetype start = 0;
    qsizetype p = sList.indexOf(sDelimiter, start, Qt::CaseSensitive);
    while (p >= 0) {
        mExtensions.insert(sList.mid(start, p - start).toUpper(), lIndex);
        start = p + sDelimiter.size();
        p = sList.indexOf(sDelimiter, start, Qt::CaseSensitive);
    }
    /* Only the last pattern is trimmed, and only of spaces. */
    QString last = sList.mid(start);
    qsizetype first = 0;
    while (first < last.size() && last[first] == u' ')
        ++first;
    qsizetype end = last.size();
    while (end > first && last[end - 1] == u' ')
        --end;
    last = last.mid(first, end - first);
    if (!last.isEmpty())
        mExtensions.insert(last.toUpper(), lIndex);
}

QString cGDIP::StringFromPointer(const WCHAR* pointer) {
    if (pointer == nullptr)
        return QString();
    qsizetype length = 0;
    while (pointer[length] != 0)
        ++length;
    return QString::fromUtf16(pointer, length);
}
