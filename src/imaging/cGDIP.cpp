#include "cGDIP.h"

#include <QRegularExpression>

#include <iterator>
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

int32_t cGDIP::ReportStatus(cGDIP* gdip, GpStatus status, int32_t& lCurErr, const QString& sClassName) {
    lCurErr = status == Ok ? 0 : status;
    if (lCurErr != 0 && gdip != nullptr)
        gdip->Error(status, sClassName);
    return lCurErr;
}

QString cGDIP::ErrorDescription(int32_t lGdiError) {
    if (lGdiError > 0 && lGdiError < static_cast<int32_t>(std::size(kStatusTexts)))
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
    mExtensions.clear();
    for (int32_t i = static_cast<int32_t>(count) - 1; i >= 0; --i) {
        const ImageCodecInfo& info = buffer[static_cast<size_t>(i)];
        mEncoders[i] = info.Clsid;
        mFormats.insert(QString::fromUtf16(info.FormatDescription).toUpper(), i);
        AddExtensions(QString::fromUtf16(info.FilenameExtension), QStringLiteral(";"), i);
    }
}

void cGDIP::AddExtensions(const QString& sList, const QString& sDelimiter, int32_t lIndex) {
    QStringList patterns = sList.split(sDelimiter);
    QString last = patterns.takeLast();
    for (const QString& pattern : patterns)
        mExtensions.insert(pattern.toUpper(), lIndex);
    /* Only the last pattern is trimmed, and only of spaces. */
    static const QRegularExpression outerSpaces(QStringLiteral("^ +| +$"));
    last.remove(outerSpaces);
    if (!last.isEmpty())
        mExtensions.insert(last.toUpper(), lIndex);
}
