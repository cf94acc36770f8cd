#include "NameBytes.h"

namespace {

constexpr char16_t kStrayBase = 0xDC00; // a stray byte b is kept as U+DC00 + b (b >= 0x80)

// A stray byte at sName[lAt]: a low surrogate in its range that is not the
// second half of a pair.
bool IsStray(const QString& sName, qsizetype lAt) {
    const char16_t unit = sName[lAt].unicode();
    return unit >= kStrayBase + 0x80 && unit <= kStrayBase + 0xFF && (lAt == 0 || !sName[lAt - 1].isHighSurrogate());
}

// The length of the valid UTF-8 sequence at bytes[lAt] (1 for ASCII), 0 when there is none
// (Qt's check refuses overlong forms, surrogates and values beyond U+10FFFF).
int ValidSequence(const QByteArray& bytes, qsizetype lAt) {
    const auto lead = static_cast<unsigned char>(bytes[lAt]);
    const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0x80 ? 2 : 1;
    return lAt + length <= bytes.size() && QByteArrayView(bytes).sliced(lAt, length).isValidUtf8() ? length : 0;
}

} // namespace

QString NameFromBytes(const QByteArray& bytes) {
    QString name;
    name.reserve(bytes.size());
    qsizetype at = 0;
    while (at < bytes.size()) {
        if (const int length = ValidSequence(bytes, at)) {
            name += QString::fromUtf8(bytes.constData() + at, length);
            at += length;
        } else {
            name += QChar(static_cast<char16_t>(kStrayBase + static_cast<unsigned char>(bytes[at])));
            ++at;
        }
    }
    return name;
}

QByteArray NameBytes(const QString& sName) {
    QByteArray bytes;
    bytes.reserve(sName.size());
    qsizetype start = 0; // of the text not yet converted
    for (qsizetype i = 0; i < sName.size(); ++i) {
        if (!IsStray(sName, i))
            continue;
        bytes += QStringView(sName).sliced(start, i - start).toUtf8();
        bytes += static_cast<char>(sName[i].unicode() - kStrayBase);
        start = i + 1;
    }
    bytes += QStringView(sName).sliced(start).toUtf8();
    return bytes;
}

QString DisplayName(const QString& sName) {
    QString shown = sName;
    for (qsizetype i = 0; i < sName.size(); ++i)
        if (IsStray(sName, i))
            shown[i] = QChar::ReplacementCharacter;
    return shown;
}

QStringList ArgumentNames(int argc, char* argv[]) {
    QStringList names;
    for (int i = 1; i < argc; ++i)
        names << NameFromBytes(QByteArray(argv[i]));
    return names;
}

QString NameOfLocalFile(const QUrl& oAddress) {
    if (!oAddress.isLocalFile())
        return {};
    // The address keeps stray bytes percent-encoded; toLocalFile would replace them.
    return NameFromBytes(QByteArray::fromPercentEncoding(oAddress.path(QUrl::FullyEncoded).toLatin1()));
}
