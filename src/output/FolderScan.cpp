#include "FolderScan.h"

#include "ImageFormats.h"
#include "NameBytes.h"

#include <QDir>
#include <QFileInfo>

#include <dirent.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <set>

namespace {

// The names in sFolder other than "." and "..", or nullopt when the folder
// cannot be read. Qt's own listing returns an empty list for both an empty
// and an unreadable folder, so the folder is read here directly.
std::optional<QStringList> ReadFolderNames(const QString& sFolder) {
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(opendir(NameBytes(sFolder).constData()), closedir);
    if (!folder)
        return std::nullopt;
    QStringList names;
    while (const dirent* entry = readdir(folder.get())) {
        const QString name = NameFromBytes(QByteArray(entry->d_name));
        if (name != QLatin1String(".") && name != QLatin1String(".."))
            names.append(name);
    }
    return names;
}

// sName inside sFolder; the root folder is "/" and takes no second separator.
QString Inside(const QString& sFolder, const QString& sName) {
    return sFolder.endsWith(u'/') ? sFolder + sName : sFolder + u'/' + sName;
}

// Whether a sorts before b as file managers sort: letter case aside, and
// runs of digits by their value ("img2" before "img10"); names equal that
// way keep a fixed order by their characters.
bool NameLess(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype iEnd = i;
            qsizetype jEnd = j;
            while (iEnd < a.size() && a[iEnd].isDigit())
                ++iEnd;
            while (jEnd < b.size() && b[jEnd].isDigit())
                ++jEnd;
            // Leading zeros aside, a longer run is the larger number.
            while (i < iEnd - 1 && a[i] == u'0')
                ++i;
            while (j < jEnd - 1 && b[j] == u'0')
                ++j;
            if (iEnd - i != jEnd - j)
                return iEnd - i < jEnd - j;
            const int order = QStringView(a).sliced(i, iEnd - i).compare(QStringView(b).sliced(j, jEnd - j));
            if (order != 0)
                return order < 0;
            i = iEnd;
            j = jEnd;
            continue;
        }
        const QChar x = a[i].toCaseFolded();
        const QChar y = b[j].toCaseFolded();
        if (x != y)
            return x < y;
        ++i;
        ++j;
    }
    if (a.size() - i != b.size() - j)
        return a.size() - i < b.size() - j;
    return a < b;
}

bool IsHidden(const QString& sName) {
    return sName.startsWith(u'.');
}

class cScanner {
public:
    cScanner(bool bSubfolders, cFolderScan& oScan) : mSubfolders(bSubfolders), mScan(oScan) {}

    void Scan(const QString& sFolder, const QString& sSubFolder) {
        const QString canonical = QFileInfo(sFolder).canonicalFilePath();
        if (!canonical.isEmpty() && !mVisited.insert(canonical).second)
            return;
        const std::optional<QStringList> listed = ReadFolderNames(sFolder);
        if (!listed) {
            mScan.Unreadable.append(sFolder);
            return;
        }
        QStringList names = *listed;
        std::sort(names.begin(), names.end(), NameLess);
        QStringList subfolders;
        for (const QString& name : names) {
            if (IsHidden(name))
                continue;
            const QFileInfo info(Inside(sFolder, name));
            if (info.isDir())
                subfolders.append(name);
            else if (info.isFile() && IsImageFile(name))
                mScan.Images.push_back({sFolder, name, sSubFolder});
            else
                ++mScan.OtherFiles;
        }
        if (!mSubfolders)
            return;
        for (const QString& name : subfolders)
            Scan(Inside(sFolder, name), sSubFolder.isEmpty() ? name : sSubFolder + u'/' + name);
    }

private:
    const bool mSubfolders;
    cFolderScan& mScan;
    std::set<QString> mVisited; // canonical paths of the folders read so far
};

} // namespace

void ScanFolder(const QString& sFolder, bool bSubfolders, cFolderScan& oScan) {
    cScanner(bSubfolders, oScan).Scan(QDir::cleanPath(QFileInfo(sFolder).absoluteFilePath()), {});
}

bool HasSubfolders(const QString& sFolder) {
    const std::optional<QStringList> names = ReadFolderNames(sFolder);
    if (!names)
        return false;
    for (const QString& name : *names)
        if (!IsHidden(name) && QFileInfo(Inside(sFolder, name)).isDir())
            return true;
    return false;
}

QString FolderScanText(int lImages, int lOtherFiles) {
    QString text = QStringLiteral("%1 images added").arg(lImages);
    if (lOtherFiles > 0)
        text += QStringLiteral(", %1 other files skipped").arg(lOtherFiles);
    return text;
}
