#pragma once
// What the window tests share: their usual includes, a new run's settings
// and options, test files in a throw-away folder, and a main window whose
// questions are scripted.

#include "AppState.h"
#include "ImageEntry.h"
#include "Registry.h"
#include "Words.h"
#include "cImageList.h"
#include "cScriptedQuestions.h"
#include "dlgPreview.h"
#include "frmQuillet.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using eKind = cScriptedQuestions::eKind;

// The folder the test files are written to; it lasts as long as the program.
inline const QTemporaryDir& TestFolder() {
    static const QTemporaryDir folder;
    return folder;
}

// A new run: settings and the trash in a throw-away folder, nothing stored but
// the first-run answer, every option at its start value.
inline void StartFresh() {
    static const QTemporaryDir home;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    QSettings(QStringLiteral("Norvane"), QStringLiteral("Quillet")).clear();
    WriteString(SettingsKey, QStringLiteral("FirstTime"), QStringLiteral("N"));
    gSizeIndex = gRotationIndex = gImageWidth = gImageHeight = 0;
    gQualityIndex = 1;
    gOutputFormat = QStringLiteral("DFT");
    gPhotoDetails = ePhotoDetails::Keep;
    gDefaultFolder = QStringLiteral("/pictures");
}

// Writes sBytes as sName in the test folder; returns sName.
inline QString WriteFile(const QString& sName, const QByteArray& sBytes) {
    QFile file(TestFolder().filePath(sName));
    if (!file.open(QIODevice::WriteOnly) || file.write(sBytes) != sBytes.size())
        qFatal("cannot write %s", qPrintable(sName));
    return sName;
}

// A file that claims to be a PNG and is none.
inline QString Broken(const QString& sName) {
    return WriteFile(sName, "\x89PNG\r\n\x1a\nnot really");
}

// A picture of smooth gradients (work for encoders and the palette
// reduction): red grows rightwards, green downwards. Returns sName.
inline QString Picture(const QString& sName, int lWidth, int lHeight) {
    QImage image(lWidth, lHeight, QImage::Format_RGB32);
    for (int y = 0; y < lHeight; ++y)
        for (int x = 0; x < lWidth; ++x)
            image.setPixel(x, y, qRgb(x * 255 / lWidth, y * 255 / lHeight, (x * y) % 256));
    if (!image.save(TestFolder().filePath(sName), "PNG"))
        qFatal("cannot write %s", qPrintable(sName));
    return sName;
}

// The file names of list entries.
inline QStringList Texts(const QList<QTreeWidgetItem*>& aItems) {
    QStringList texts;
    for (const QTreeWidgetItem* item : aItems)
        texts.append(EntryText(item));
    return texts;
}

// The named child, which must exist.
template <class T> T* Child(const QObject& oParent, const char* sName) {
    T* found = oParent.findChild<T*>(QLatin1String(sName));
    if (found == nullptr)
        qFatal("no child %s", sName);
    return found;
}

// The questions come first so that they outlive the window.
struct cQuestionsHolder {
    cScriptedQuestions Script;
};

class cTestWindow : public cQuestionsHolder, public frmQuillet {
  public:
    cTestWindow() : frmQuillet(&Script) {}

    // Opens aNames from the test folder through the Open button.
    void Open(const QStringList& aNames) {
        Script.OpenAnswers.push_back(cScriptedQuestions::Chosen(TestFolder().path(), aNames));
        QTest::mouseClick(OpenButton, Qt::LeftButton);
    }

    QStringList EntryTexts() const { return Texts(lvwImages->findItems(QStringLiteral("*"), Qt::MatchWildcard)); }
};
