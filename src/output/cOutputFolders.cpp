#include "cOutputFolders.h"

#include "NameBytes.h"

namespace {

// The parts of a subfolder path: its names between "/", without empty ones,
// "." and "..", so that the path stays below the folder it is taken in.
QStringList SubFolderParts(const QString& sSubFolder) {
    QStringList parts = sSubFolder.split(u'/', Qt::SkipEmptyParts);
    parts.removeIf([](const QString& sPart) { return sPart == QLatin1String(".") || sPart == QLatin1String(".."); });
    return parts;
}

} // namespace

cOutputFolders::cOutputFolders(const QString& sRoot) : mRoot(std::make_unique<cFolder>(NameBytesStd(sRoot))) {}

const cFolder* cOutputFolders::Folder(const QString& sSubFolder, bool bCreate) {
    const cFolder* parent = mRoot.get();
    QString reached;
    for (const QString& part : SubFolderParts(sSubFolder)) {
        reached = InSubFolder(reached, part);
        if (const auto found = mBelow.find(reached); found != mBelow.end()) {
            parent = found->second.get();
            continue;
        }
        auto opened = std::make_unique<cFolder>(*parent, NameBytesStd(part), bCreate);
        if (!opened->Valid()) {
            if (!bCreate)
                return nullptr;
            mFailed = std::move(opened);
            return mFailed.get();
        }
        parent = opened.get();
        mBelow.emplace(reached, std::move(opened));
    }
    return parent;
}

QString InSubFolder(const QString& sSubFolder, const QString& sName) {
    return sSubFolder.isEmpty() ? sName : sSubFolder + u'/' + sName;
}
