#include "OutputNaming.h"

#include <QStringList>

cNaming cNaming::For(const QString& sTemplate, size_t iSizeCount, bool bSizeFolders) {
    cNaming naming;
    QString error;
    if (!sTemplate.isEmpty())
        naming.Template = cNameTemplate::Parse(sTemplate, error);
    naming.SeveralSizes = iSizeCount > 1;
    naming.SizeFolders = bSizeFolders;
    return naming;
}

QString OutputBaseFor(const cNaming& naming, const cNameFields& fields, int16_t iSize) {
    if (naming.Template)
        return naming.Template->Expand(fields);
    if (naming.SeveralSizes && !naming.SizeFolders)
        return fields.Name + u'-' + QString::number(iSize);
    return fields.Name;
}

QString OutputFolderFor(const cNaming& naming, int16_t iSize, const QString& sSubFolder) {
    QStringList parts{naming.SizeFolders ? QString::number(iSize) : QString(), sSubFolder};
    parts.removeAll(QString());
    return parts.join(u'/');
}
