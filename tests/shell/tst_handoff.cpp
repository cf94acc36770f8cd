// One running window: later starts of the program hand their files to it,
// over the session bus or, without one, the socket (ctest runs this program
// both ways), and open their own window whenever the first does not answer.

#include "HandOff.h"
#include "cHandOffServer.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

// Starts the program with aArguments in a settings folder of its own.
void StartQuillet(QProcess& process, const QStringList& aArguments, const QString& sConfig) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), sConfig);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUILLET_PROGRAM), aArguments);
}

} // namespace

class tst_handoff : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        QVERIFY(mRuntime.isValid() && mConfig.isValid());
        QFile::setPermissions(mRuntime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", mRuntime.path().toLocal8Bit());
        qInfo() << "session bus:" << QDBusConnection::sessionBus().isConnected();
    }

    void laterStartsHandTheirFilesOver_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("files") << QStringList{"a.png", "/photos/with space.jpg", "/odd/line\nbreak%20.png"};
        QTest::newRow("a folder") << QStringList{"/photos/trip"};
        QTest::newRow("nothing: the window comes to the front") << QStringList{};
        QStringList many; // more than one read of the socket or one bus message part holds
        for (int i = 0; i < 500; ++i)
            many.append(QStringLiteral("/photos/a long folder name/photo %1.jpg").arg(i));
        QTest::newRow("500 files") << many;
    }
    void laterStartsHandTheirFilesOver() {
        QFETCH(QStringList, arguments);
        cHandOffServer server;
        QVERIFY(server.Start());
        QSignalSpy handed(&server, &cHandOffServer::FilesHanded);
        QProcess later;
        StartQuillet(later, arguments, mConfig.path());
        QTRY_COMPARE_WITH_TIMEOUT(handed.size(), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(later.state(), QProcess::NotRunning, 5000);
        QCOMPARE(later.exitCode(), 0);
        QStringList absolute;
        for (const QString& path : arguments)
            absolute.append(QFileInfo(path).absoluteFilePath());
        QCOMPARE(handed.at(0).at(0).toStringList(), absolute);
    }

    // A window that does not answer (stopped) or is gone (killed) takes
    // nothing: the caller hears so and opens its own window. A window that
    // died leaves its socket behind; the next window replaces it.
    void aWindowThatDoesNotAnswerTakesNothing() {
        QProcess first;
        StartQuillet(first, {}, mConfig.path());
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(HandOffToRunningWindow({}, 1000), 15000);

        ::kill(static_cast<pid_t>(first.processId()), SIGSTOP);
        QElapsedTimer waited;
        waited.start();
        QVERIFY(!HandOffToRunningWindow({QStringLiteral("/photos/a.png")}, 300));
        QVERIFY(waited.elapsed() < 3000);

        first.kill();
        QVERIFY(first.waitForFinished(5000));
        QVERIFY(!HandOffToRunningWindow({QStringLiteral("/photos/a.png")}, 1000));
        cHandOffServer next;
        QVERIFY(next.Start());
        QSignalSpy handed(&next, &cHandOffServer::FilesHanded);
        QProcess later;
        StartQuillet(later, {QStringLiteral("/photos/b.png")}, mConfig.path());
        QTRY_COMPARE_WITH_TIMEOUT(handed.size(), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(later.state(), QProcess::NotRunning, 5000);
    }

  private:
    QTemporaryDir mRuntime;
    QTemporaryDir mConfig;
};

QTEST_MAIN(tst_handoff)
#include "tst_handoff.moc"
