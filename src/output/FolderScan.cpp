#include "FolderScan.h"

#include "FileNames.h"
#include "ImageFormats.h"
#include "NameBytes.h"

#include "gp_folder.h"

#include <QDir>

#include <algorithm>
#include <optional>
#include <set>

namespace {

struct cListedName {
    QString Name; // stray bytes kept (NameBytes.h)
    gp::folder_entry_kind Kind;
};

struct cListedFolder {
    std::vector<cListedName> Entries;
    gp::folder_id Id;
};

// What sFolder holds, or nullopt when it cannot be read. The folder is read
// by its bytes: Qt's listing cannot tell an unreadable folder from an empty
// one, and it loses names that are no valid UTF-8.
std::optional<cListedFolder> ListFolder(const QString& sFolder) {
    std::vector<gp::folder_entry> entries;
    cListedFolder listed;
    if (gp::list_folder(NameBytes(sFolder).constData(), &entries, &listed.Id) != Ok)
        return std::nullopt;
    for (const gp::folder_entry& entry : entries)
        listed.Entries.push_back({NameFromBytes(QByteArray::fromStdString(entry.name)), entry.kind});
    return listed;
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

// Adds the images of sFolder, which lies at sSubFolder of the folder
// scanned, to oScan, and with bSubfolders those of its subfolders; visited
// holds the folders read so far, however they were reached.
void Scan(const QString& sFolder, const QString& sSubFolder, bool bSubfolders, cFolderScan& oScan,
          std::set<gp::folder_id>& visited) {
    std::optional<cListedFolder> listed = ListFolder(sFolder);
    if (!listed) {
        oScan.Unreadable.append(sFolder);
        return;
    }
    if (!visited.insert(listed->Id).second)
        return;
    std::vector<cListedName>& entries = listed->Entries;
    std::sort(entries.begin(), entries.end(),
              [](const cListedName& a, const cListedName& b) { return NameLess(a.Name, b.Name); });
    QStringList subfolders;
    for (const cListedName& entry : entries) {
        if (IsHidden(entry.Name))
            continue;
        if (entry.Kind == gp::folder_entry_kind::folder)
            subfolders.append(entry.Name);
        else if (entry.Kind == gp::folder_entry_kind::file && IsImageFile(entry.Name))
            oScan.Images.push_back({sFolder, entry.Name, sSubFolder});
        else
            ++oScan.OtherFiles;
    }
    if (!bSubfolders)
        return;
    for (const QString& name : subfolders)
        Scan(FolderWithSeparator(sFolder) + name, sSubFolder.isEmpty() ? name : sSubFolder + u'/' + name, bSubfolders,
             oScan, visited);
}

} // namespace

void ScanFolder(const QString& sFolder, bool bSubfolders, cFolderScan& oScan) {
    // Made absolute as text: QFileInfo would replace the stray bytes of a name.
    const QString absolute =
        QDir::isAbsolutePath(sFolder) ? sFolder : FolderWithSeparator(QDir::currentPath()) + sFolder;
    std::set<gp::folder_id> visited;
    Scan(QDir::cleanPath(absolute), {}, bSubfolders, oScan, visited);
}

bool HasSubfolders(const QString& sFolder) {
    const std::optional<cListedFolder> listed = ListFolder(sFolder);
    return listed && std::any_of(listed->Entries.begin(), listed->Entries.end(), [](const cListedName& entry) {
               return !IsHidden(entry.Name) && entry.Kind == gp::folder_entry_kind::folder;
           });
}

QString FolderScanText(int lImages, int lOtherFiles) {
    QString text = QStringLiteral("%1 images added").arg(lImages);
    if (lOtherFiles > 0)
        text += QStringLiteral(", %1 other files skipped").arg(lOtherFiles);
    return text;
}
