#pragma once
// quillet-batch run by the tests as a user runs it, one image after the other
// unless the arguments say otherwise.

#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <sys/resource.h>
#include <sys/stat.h>

struct cRun {
    int ExitCode = -1; // -1: it did not end by itself
    QString Out, Err;
};

struct cRunSettings {
    QString Home = {};       // "": the test's own; else a fresh account (that HOME, no XDG_DATA_HOME) working beside it
    int FileBlocks = 0;      // > 0: every file it writes is limited to that many 512-byte blocks
    QString FileSystem = {}; // what the file system lacks (FileSystemShim.c)
    rlim_t AddressSpace = 0; // > 0: its address-space limit in bytes
    QStringList Environment = {}; // "NAME=value" added
    mode_t Umask = 022;
};

inline void StartBatch(QProcess& process, QStringList aArguments, const cRunSettings& oSettings = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!oSettings.Home.isEmpty()) {
        environment.remove(QStringLiteral("XDG_DATA_HOME"));
        environment.insert(QStringLiteral("HOME"), oSettings.Home);
        process.setWorkingDirectory(QFileInfo(oSettings.Home).absolutePath());
    }
#ifdef FILE_SYSTEM_SHIM
    if (!oSettings.FileSystem.isEmpty()) {
        environment.insert(QStringLiteral("QUILLET_TEST_FS"), oSettings.FileSystem);
        environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(FILE_SYSTEM_SHIM));
        environment.insert(QStringLiteral("ASAN_OPTIONS"), environment.value(QStringLiteral("ASAN_OPTIONS")) +
                                                               QStringLiteral(":verify_asan_link_order=0"));
    }
#endif
    for (const QString& setting : oSettings.Environment)
        environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier([oSettings] {
        const rlimit files{rlim_t(oSettings.FileBlocks) * 512, RLIM_INFINITY};
        const rlimit memory{oSettings.AddressSpace, oSettings.AddressSpace};
        if (oSettings.FileBlocks > 0)
            ::setrlimit(RLIMIT_FSIZE, &files);
        if (oSettings.AddressSpace > 0)
            ::setrlimit(RLIMIT_AS, &memory);
        ::umask(oSettings.Umask);
    });
    if (!aArguments.contains(QStringLiteral("-j")))
        aArguments = QStringList{"-j", "1"} + aArguments;
    process.start(QStringLiteral(QUILLET_BATCH), aArguments);
}

inline cRun RunBatch(const QStringList& aArguments, const cRunSettings& oSettings = {}) {
    QProcess process;
    StartBatch(process, aArguments, oSettings);
    process.closeWriteChannel();
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}
