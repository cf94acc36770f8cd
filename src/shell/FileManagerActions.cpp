#include "FileManagerActions.h"

#include "ThunarActions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

#include <map>

namespace {

const QString kInstallOption = QStringLiteral("--install-file-manager-actions");
const QString kRemoveOption = QStringLiteral("--remove-file-manager-actions");
const QString kHelper = QStringLiteral("quillet/resize-to-large-jpg");
const QString kThunarFile = QStringLiteral("Thunar/uca.xml");
const QString kThunarBackup = QStringLiteral("Thunar/uca.xml.before-quillet");

struct cActionFile {
    const char* Template; // resource name under :/file-manager/
    const char* Path;     // relative to the data folder
    bool Executable;
};

const cActionFile kActionFiles[] = {
    {"resize-to-large-jpg", "quillet/resize-to-large-jpg", true},
    {"nautilus-resize", "nautilus/scripts/Resize with Quillet", true},
    {"nautilus-large-jpg", "nautilus/scripts/Resize to Large JPG here", true},
    {"quillet-resize.nemo_action", "nemo/actions/quillet-resize.nemo_action", false},
    {"quillet-resize-large-jpg.nemo_action", "nemo/actions/quillet-resize-large-jpg.nemo_action", false},
    // Dolphin only offers service menus that may be executed.
    {"quillet-resize.desktop", "kio/servicemenus/quillet-resize.desktop", true},
};

// Folders the files above may have created, deepest first; each is removed
// when removing our files leaves it empty.
const char* const kDataFolders[] = {"quillet", "nautilus/scripts", "nautilus", "nemo/actions",
                                    "nemo",    "kio/servicemenus", "kio"};

// sPath as one word of a shell command line.
QString ShellQuoted(const QString& sPath) {
    QString quoted = sPath;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

// sPath as the program of a desktop entry's Exec key: in double quotes, with
// the characters that are special there escaped, and backslashes doubled
// once more for the key's string value.
QString ExecQuoted(const QString& sPath) {
    QString quoted;
    for (const QChar c : sPath) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    return u'"' + quoted + u'"';
}

QByteArray Filled(const char* sTemplate, const std::map<QString, QString>& aValues) {
    QFile resource(QStringLiteral(":/file-manager/") + QLatin1String(sTemplate));
    resource.open(QIODevice::ReadOnly);
    QString text = QString::fromUtf8(resource.readAll());
    for (const auto& [name, value] : aValues)
        text.replace(u'@' + name + u'@', value);
    return text.toUtf8();
}

bool WriteFile(const QString& sPath, const QByteArray& aContent, bool bExecutable) {
    if (!QDir().mkpath(QFileInfo(sPath).absolutePath()))
        return false;
    QSaveFile file(sPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(aContent) != aContent.size())
        return false;
    // Executable for whoever may read it, as the user's umask lets a new file be read.
    if (bExecutable)
        file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeUser |
                            (file.permissions() & QFile::ReadGroup ? QFile::ExeGroup : QFile::Permissions()) |
                            (file.permissions() & QFile::ReadOther ? QFile::ExeOther : QFile::Permissions()));
    return file.commit();
}

QByteArray ReadFile(const QString& sPath) {
    QFile file(sPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Merges aOurs into Thunar's file (aOurs "": takes ours out).
void MergeIntoThunar(const cActionPlaces& oPlaces, const QByteArray& aOurs, cActionsOutcome& outcome) {
    const QDir config(oPlaces.ConfigHome);
    const QString path = config.filePath(kThunarFile);
    const QString backup = config.filePath(kThunarBackup);
    const bool existed = QFileInfo::exists(path);
    if (!existed && aOurs.isEmpty())
        return;
    const QByteArray before = ReadFile(path);
    const cThunarMerge merged = MergeThunarActions(before, aOurs);
    if (!merged.Problem.isEmpty()) {
        outcome.Problem = QStringLiteral("%1 was left alone: it cannot be read as Thunar's list of actions (%2).")
                              .arg(path, merged.Problem);
        return;
    }
    if (merged.Text == before)
        return;
    if (aOurs.isEmpty() && !QFileInfo::exists(backup) && !HasOtherThunarActions(merged.Text)) {
        // Ours were all the file held, and it was ours: it goes.
        QFile::remove(path);
        outcome.Changed.append(path);
        return;
    }
    if (existed && !aOurs.isEmpty() && !QFileInfo::exists(backup) && !WriteFile(backup, before, false)) {
        outcome.Problem = QStringLiteral("%1 was left alone: its copy %2 cannot be written.").arg(path, backup);
        return;
    }
    if (!WriteFile(path, merged.Text, false)) {
        outcome.Problem = QStringLiteral("%1 cannot be written.").arg(path);
        return;
    }
    outcome.Changed.append(path);
    // Back to what the copy holds: the copy says nothing more.
    if (aOurs.isEmpty() && ReadFile(backup) == merged.Text)
        QFile::remove(backup);
}

} // namespace

cActionPlaces UserActionPlaces() {
    return {QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)};
}

cActionsOutcome InstallFileManagerActions(const cActionPlaces& oPlaces, const QString& sQuillet,
                                          const QString& sBatch) {
    const QDir data(oPlaces.DataHome);
    const QString helper = data.filePath(kHelper);
    const std::map<QString, QString> values = {
        {QStringLiteral("BATCH_SH"), ShellQuoted(sBatch)},
        {QStringLiteral("QUILLET_SH"), ShellQuoted(sQuillet)},
        {QStringLiteral("HELPER_SH"), ShellQuoted(helper)},
        {QStringLiteral("QUILLET_EXEC"), ExecQuoted(sQuillet)},
        {QStringLiteral("HELPER_EXEC"), ExecQuoted(helper)},
        {QStringLiteral("QUILLET_XML"), ExecQuoted(sQuillet).toHtmlEscaped()},
        {QStringLiteral("HELPER_XML"), ExecQuoted(helper).toHtmlEscaped()},
    };
    cActionsOutcome outcome;
    for (const cActionFile& file : kActionFiles) {
        const QString path = data.filePath(QString::fromUtf8(file.Path));
        if (!WriteFile(path, Filled(file.Template, values), file.Executable)) {
            outcome.Problem = QStringLiteral("%1 cannot be written.").arg(path);
            return outcome;
        }
        outcome.Changed.append(path);
    }
    MergeIntoThunar(oPlaces, Filled("thunar-actions.xml", values), outcome);
    return outcome;
}

cActionsOutcome RemoveFileManagerActions(const cActionPlaces& oPlaces) {
    const QDir data(oPlaces.DataHome);
    cActionsOutcome outcome;
    for (const cActionFile& file : kActionFiles) {
        const QString path = data.filePath(QString::fromUtf8(file.Path));
        if (QFileInfo(path).isFile() && QFile::remove(path))
            outcome.Changed.append(path);
    }
    for (const char* folder : kDataFolders)
        data.rmdir(QString::fromUtf8(folder));
    MergeIntoThunar(oPlaces, {}, outcome);
    QDir(oPlaces.ConfigHome).rmdir(QStringLiteral("Thunar"));
    return outcome;
}

cActionsOutcome InstallFileManagerActionsForThisProgram() {
    const QString batch = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("quillet-batch"));
    return InstallFileManagerActions(UserActionPlaces(), QCoreApplication::applicationFilePath(),
                                     QFileInfo::exists(batch) ? batch : QStringLiteral("quillet-batch"));
}

bool FileManagerActionsInstalled(const cActionPlaces& oPlaces) {
    return QFileInfo(QDir(oPlaces.DataHome).filePath(kHelper)).isFile();
}

std::optional<int> RunFileManagerOption(const QStringList& aArguments) {
    if (aArguments.size() != 1 || (aArguments[0] != kInstallOption && aArguments[0] != kRemoveOption))
        return std::nullopt;
    const cActionsOutcome outcome = aArguments[0] == kInstallOption ? InstallFileManagerActionsForThisProgram()
                                                                    : RemoveFileManagerActions(UserActionPlaces());
    QTextStream out(stdout);
    for (const QString& path : outcome.Changed)
        out << (aArguments[0] == kInstallOption ? "written: " : "removed: ") << path << Qt::endl;
    if (outcome.Problem.isEmpty())
        return 0;
    QTextStream(stderr) << "quillet: " << outcome.Problem << Qt::endl;
    return 1;
}
