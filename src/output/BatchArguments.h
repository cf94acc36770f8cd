#pragma once
// The command line of quillet-batch: options, output folder and files.

#include "cSaveJob.h"

#include <QString>
#include <QStringList>

// Most worker threads -j accepts.
inline constexpr int kMaxBatchJobs = 64;

// How a question is answered when no one is asked.
enum class eBatchAnswer { Ask, Yes, No };

struct cBatchArguments {
    cSaveJob Job;
    QString OutputFolder;
    QStringList Files;
    eBatchAnswer Overwrite = eBatchAnswer::Ask; // Yes = replace all
    eBatchAnswer PngFallback = eBatchAnswer::Ask;
    int Jobs = 0;           // worker threads; 0 = the number of processor cores
    bool Recursive = false; // folders' subfolders too
    bool Quiet = false;
    bool ShowHelp = false;
    bool ShowVersion = false;
    QString Error; // why the command line is unusable; "" when it is fine
};

// Parses the arguments after the program's name. On a usage error, Error
// says what is wrong; the rest is then meaningless.
cBatchArguments ParseBatchArguments(const QStringList& aArguments);

// The text of --help.
QString BatchHelpText();
