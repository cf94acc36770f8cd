#include "FileNames.h"

namespace {

// Position (0-based) of the "." that separates base and extension, or -1 when
// the name has none that counts (no ".", or the only "." is the first character).
qsizetype ExtensionDot(const QString& sFilename) {
    const qsizetype dot = sFilename.lastIndexOf(u'.');
    return dot >= 1 ? dot : -1;
}

} // namespace

QString GetBaseName(const QString& sFilename) {
    const qsizetype dot = ExtensionDot(sFilename);
    QString base = dot >= 0 ? sFilename.left(dot) : sFilename;
    return base.replace(u' ', u'_');
}

QString GetExtension(const QString& sFilename) {
    const qsizetype dot = ExtensionDot(sFilename);
    return dot < 0 ? QStringLiteral("JPG") : sFilename.mid(dot + 1).toUpper();
}

QString FolderWithSeparator(const QString& sFolder) {
    return sFolder.endsWith(u'/') ? sFolder : sFolder + u'/';
}
