// The file managers' actions: every file they need is valid for its file
// manager, Thunar's list keeps the user's own actions byte for byte, and
// installing then removing leaves the user's folders as they were.

#include "FileManagerActions.h"
#include "ThunarActions.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <map>

namespace {

const QByteArray kUsersList = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<actions>\n"
                              "<action>\n\t<icon>utilities-terminal</icon>\n\t<name>\xc3\x96"
                              "ffne Terminal</name>\n"
                              "\t<unique-id>1700000000000000-1</unique-id>\n\t<command>exo-open %f</command>\n"
                              "\t<patterns>*</patterns>\n\t<directories/>\n</action>\n"
                              "<!-- kept -->\n"
                              "<action><name>Zweite</name><unique-id>1700000000000000-2</unique-id>"
                              "<command>true</command></action>\n"
                              "</actions>\n";
const QByteArray kOurs = "<action>\n\t<name>Resize with Quillet</name>\n\t<unique-id>quillet-resize</unique-id>\n"
                         "</action>\n";

void Write(const QString& sPath, const QByteArray& aBytes) {
    QDir().mkpath(QFileInfo(sPath).absolutePath());
    QFile file(sPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(aBytes);
}

QByteArray Read(const QString& sPath) {
    QFile file(sPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every folder and file below sRoot with its content and permissions.
std::map<QString, QByteArray> Snapshot(const QString& sRoot) {
    std::map<QString, QByteArray> snapshot;
    QDirIterator it(sRoot, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        snapshot[QDir(sRoot).relativeFilePath(info.filePath())] =
            (info.isDir() ? QByteArray("folder ") : Read(info.filePath())) +
            QByteArray::number(int(info.permissions()));
    }
    return snapshot;
}

// The unique-ids of a Thunar list, in order; "" when it does not parse.
QStringList ThunarIds(const QByteArray& aXml) {
    QStringList ids;
    QXmlStreamReader reader(aXml);
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == QLatin1String("unique-id"))
            ids.append(reader.readElementText());
    return reader.hasError() ? QStringList{QStringLiteral("")} : ids;
}

// A desktop-format file's keys of one group.
std::map<QString, QString> Keys(const QByteArray& aText, const QString& sGroup) {
    std::map<QString, QString> keys;
    bool inGroup = false;
    for (const QString& line : QString::fromUtf8(aText).split(u'\n')) {
        if (line.startsWith(u'['))
            inGroup = line == u'[' + sGroup + u']';
        else if (inGroup && line.contains(u'='))
            keys[line.section(u'=', 0, 0)] = line.section(u'=', 1);
    }
    return keys;
}

} // namespace

TEST(ThunarActions, OursComeAndGoAndTheUsersStayByteForByte) {
    struct cCase {
        const char* Name;
        QByteArray Before;
        QStringList IdsAfterInstall;
        QByteArray AfterRemoval;
    };
    const QByteArray oursInTheMiddle = QByteArray(kUsersList).replace("<!-- kept -->\n", "<!-- kept -->\n" + kOurs);
    const cCase cases[] = {
        {"no list yet", "", {"quillet-resize"}, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n</actions>\n"},
        {"the user's list", kUsersList, {"1700000000000000-1", "1700000000000000-2", "quillet-resize"}, kUsersList},
        {"ours there already",
         oursInTheMiddle,
         {"1700000000000000-1", "1700000000000000-2", "quillet-resize"},
         kUsersList},
    };
    for (const cCase& c : cases) {
        const cThunarMerge installed = MergeThunarActions(c.Before, kOurs);
        ASSERT_EQ(installed.Problem, QString()) << c.Name;
        EXPECT_EQ(ThunarIds(installed.Text), c.IdsAfterInstall) << c.Name;
        const cThunarMerge removed = MergeThunarActions(installed.Text, {});
        EXPECT_EQ(removed.Text, c.AfterRemoval) << c.Name;
    }
    EXPECT_TRUE(HasOtherThunarActions(kUsersList));
    EXPECT_FALSE(HasOtherThunarActions(MergeThunarActions("", kOurs).Text));
    for (const QByteArray& broken : {QByteArray("<actions><action></actions>"), QByteArray("<nothing/>")}) {
        const cThunarMerge refused = MergeThunarActions(broken, kOurs);
        EXPECT_FALSE(refused.Problem.isEmpty()) << broken.constData();
        EXPECT_TRUE(refused.Text.isEmpty());
    }
}

class FileManagerActions : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(mHome.isValid());
        mPlaces = {mHome.filePath("data"), mHome.filePath("config")};
    }
    QString Data(const QString& sRelative) const { return QDir(mPlaces.DataHome).filePath(sRelative); }
    QString Config(const QString& sRelative) const { return QDir(mPlaces.ConfigHome).filePath(sRelative); }

    QTemporaryDir mHome;
    cActionPlaces mPlaces;
};

TEST_F(FileManagerActions, InstallThenRemoveLeavesTheUsersFoldersAsTheyWere) {
    Write(Data("nemo/actions/mine.nemo_action"), "[Nemo Action]\nName=Mine\n");
    Write(Data("nautilus/scripts/My Script"), "#!/bin/sh\n");
    Write(Config("Thunar/uca.xml"), kUsersList);
    const std::map<QString, QByteArray> before = Snapshot(mHome.path());

    const cActionsOutcome installed = InstallFileManagerActions(mPlaces, "/opt/q q/quillet", "/opt/q q/quillet-batch");
    ASSERT_EQ(installed.Problem, QString());
    EXPECT_EQ(installed.Changed.size(), 7);
    EXPECT_EQ(Read(Config("Thunar/uca.xml.before-quillet")), kUsersList);
    EXPECT_EQ(ThunarIds(Read(Config("Thunar/uca.xml"))),
              (QStringList{"1700000000000000-1", "1700000000000000-2", "quillet-resize", "quillet-resize-large-jpg"}));

    EXPECT_EQ(RemoveFileManagerActions(mPlaces).Problem, QString());
    EXPECT_EQ(Snapshot(mHome.path()), before);

    // Into an account that had none of the folders: all of them go again
    // but the data and configuration folders themselves.
    QDir(mHome.path()).removeRecursively();
    QDir().mkpath(mHome.path());
    ASSERT_EQ(InstallFileManagerActions(mPlaces, "/usr/bin/quillet", "/usr/bin/quillet-batch").Problem, QString());
    RemoveFileManagerActions(mPlaces);
    QStringList left;
    for (const auto& [path, content] : Snapshot(mHome.path()))
        left.append(path);
    EXPECT_EQ(left, (QStringList{"config", "data"}));
    // A Thunar list that does not parse is left as it is, and said.
    Write(Config("Thunar/uca.xml"), "<actions><action>");
    EXPECT_TRUE(InstallFileManagerActions(mPlaces, "/usr/bin/quillet", "/usr/bin/quillet-batch")
                    .Problem.contains(Config("Thunar/uca.xml")));
    EXPECT_EQ(Read(Config("Thunar/uca.xml")), "<actions><action>");
}

// Each file as its file manager reads it: the service menu validates as a
// desktop entry, the Nemo actions name programs that exist, the scripts are
// executable shell; and "Resize to Large JPG here" writes large JPG files
// into "resized" and ends with a notification.
TEST_F(FileManagerActions, EveryFileWorksForItsFileManager) {
    const QString quillet = QStringLiteral(QUILLET_PROGRAM);
    ASSERT_EQ(InstallFileManagerActions(mPlaces, quillet, QStringLiteral(QUILLET_BATCH)).Problem, QString());
    const QString menu = Data("kio/servicemenus/quillet-resize.desktop");
    QProcess validate;
    validate.start("desktop-file-validate", {menu});
    ASSERT_TRUE(validate.waitForFinished());
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();

    const struct {
        const char* File;
        QString Program;
    } nemo[] = {{"nemo/actions/quillet-resize.nemo_action", quillet},
                {"nemo/actions/quillet-resize-large-jpg.nemo_action", Data("quillet/resize-to-large-jpg")}};
    for (const auto& action : nemo) {
        const std::map<QString, QString> keys = Keys(Read(Data(action.File)), "Nemo Action");
        EXPECT_EQ(keys.at("Exec"), u'"' + action.Program + QStringLiteral("\" %F")) << action.File;
        EXPECT_EQ(keys.at("Selection"), "notnone");
        EXPECT_FALSE(keys.at("Name").isEmpty());
    }
    for (const char* script : {"quillet/resize-to-large-jpg", "nautilus/scripts/Resize with Quillet",
                               "nautilus/scripts/Resize to Large JPG here", "kio/servicemenus/quillet-resize.desktop"})
        EXPECT_TRUE(QFileInfo(Data(script)).isExecutable()) << script;
    EXPECT_TRUE(Read(Data("nautilus/scripts/Resize with Quillet")).contains("exec '" + quillet.toUtf8() + "' \"$@\""));

    // A notify-send that notes what it was told.
    const QString tools = mHome.filePath("tools");
    Write(tools + "/notify-send", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/told\"\n");
    QFile::setPermissions(tools + "/notify-send", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QImage photo(1600, 1200, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    QDir().mkpath(mHome.filePath("photos"));
    ASSERT_TRUE(photo.save(mHome.filePath("photos/holiday.png")));
    QProcess helper;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PATH", tools + u':' + environment.value("PATH"));
    helper.setProcessEnvironment(environment);
    helper.start(Data("quillet/resize-to-large-jpg"), {mHome.filePath("photos/holiday.png")});
    ASSERT_TRUE(helper.waitForFinished(60000));
    EXPECT_EQ(helper.exitCode(), 0) << helper.readAllStandardError().toStdString();
    const QImage resized(mHome.filePath("photos/resized/holiday.jpg"));
    EXPECT_EQ(resized.size(), QSize(640, 480));
    EXPECT_EQ(Read(tools + "/told"), "--icon=quillet\n--app-name=Quillet\nResize to Large JPG here\n1 Images Saved\n");
}
