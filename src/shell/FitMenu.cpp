// The choices in the Save button's drop-down menu that shape every output
// beyond its format: never enlarging, keeping file dates, keeping the folder
// structure of added folders and the file-size limit, each remembered in the
// settings store ("NoEnlarge", "KeepDates", "KeepFolders", "LimitSize" and
// "MaxSize").

#include "AppState.h"
#include "Registry.h"
#include "SizeLimit.h"
#include "cNameTemplate.h"
#include "cQuestions.h"
#include "frmQuillet.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QWidgetAction>

namespace {

constexpr int kDefaultLimitKB = 300;
constexpr int kMaxLimitKB = 1024 * 1024;

// A remembered "1"/"0" choice, bDefault when absent.
bool ReadChoice(const QString& sName, bool bDefault) {
    if (!ValueExists(SettingsKey, sName))
        return bDefault;
    return ReadValue(SettingsKey, sName).toString() == QStringLiteral("1");
}

void WriteChoice(const QString& sName, bool bValue) {
    WriteString(SettingsKey, sName, bValue ? QStringLiteral("1") : QStringLiteral("0"));
}

QAction* AddChoice(QMenu* oMenu, const char* sName, const QString& sCaption, bool bChecked) {
    QAction* action = oMenu->addAction(sCaption);
    action->setObjectName(QLatin1String(sName));
    action->setCheckable(true);
    action->setChecked(bChecked);
    return action;
}

} // namespace

void frmQuillet::BuildFitMenu() {
    gNoEnlarge = ReadChoice(QStringLiteral("NoEnlarge"), false);
    gKeepDates = ReadChoice(QStringLiteral("KeepDates"), true);
    gKeepFolders = ReadChoice(QStringLiteral("KeepFolders"), false);
    const int limitKB = static_cast<int>(std::clamp<int64_t>(
        ParseSizeLimit(ReadValue(SettingsKey, QStringLiteral("MaxSize")).toString()).value_or(kDefaultLimitKB * 1024) /
            1024,
        1, kMaxLimitKB));
    gMaxBytes = ReadChoice(QStringLiteral("LimitSize"), false) ? int64_t{limitKB} * 1024 : 0;

    mnuDropDown->addSeparator();
    QAction* noEnlarge =
        AddChoice(mnuDropDown, "mnuNoEnlarge", QStringLiteral("Don't enlarge smaller images"), gNoEnlarge);
    connect(noEnlarge, &QAction::toggled, this, [](bool bChecked) {
        gNoEnlarge = bChecked;
        WriteChoice(QStringLiteral("NoEnlarge"), bChecked);
    });
    QAction* keepDates = AddChoice(mnuDropDown, "mnuKeepDates", QStringLiteral("Keep file dates"), gKeepDates);
    connect(keepDates, &QAction::toggled, this, [](bool bChecked) {
        gKeepDates = bChecked;
        WriteChoice(QStringLiteral("KeepDates"), bChecked);
    });
    // Images of an added folder's subfolders go into the same subfolders of
    // the chosen folder.
    QAction* keepFolders = AddChoice(mnuDropDown, "mnuKeepFolders", QStringLiteral("Keep subfolders"), gKeepFolders);
    connect(keepFolders, &QAction::toggled, this, [](bool bChecked) {
        gKeepFolders = bChecked;
        WriteChoice(QStringLiteral("KeepFolders"), bChecked);
    });

    // "Limit each file to:" and the limit in a number box below it, inside
    // the menu, so that the limit is set without a dialog.
    mnuSizeLimit = AddChoice(mnuDropDown, "mnuSizeLimit", QStringLiteral("Limit each file to:"), gMaxBytes > 0);
    auto* row = new QWidget(mnuDropDown);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(24, 0, 6, 2);
    txtSizeLimit = new QSpinBox(row);
    txtSizeLimit->setObjectName(QStringLiteral("txtSizeLimit"));
    txtSizeLimit->setRange(1, kMaxLimitKB);
    txtSizeLimit->setSuffix(QStringLiteral(" KB"));
    txtSizeLimit->setValue(limitKB);
    layout->addWidget(txtSizeLimit);
    auto* limitAction = new QWidgetAction(mnuDropDown);
    limitAction->setDefaultWidget(row);
    mnuDropDown->addAction(limitAction);
    connect(mnuSizeLimit, &QAction::toggled, this, [this] { SizeLimit_Change(); });
    connect(txtSizeLimit, &QSpinBox::valueChanged, this, [this] { SizeLimit_Change(); });

    // "Name:" and the output name template, "" for the sources' own names.
    mNameTemplate = ReadValue(SettingsKey, QStringLiteral("NameTemplate")).toString();
    QString error;
    if (!mNameTemplate.isEmpty() && !cNameTemplate::Parse(mNameTemplate, error))
        mNameTemplate.clear();
    auto* nameRow = new QWidget(mnuDropDown);
    auto* nameLayout = new QHBoxLayout(nameRow);
    nameLayout->setContentsMargins(24, 2, 6, 2);
    nameLayout->addWidget(new QLabel(QStringLiteral("Name:"), nameRow));
    txtNameTemplate = new QLineEdit(mNameTemplate, nameRow);
    txtNameTemplate->setObjectName(QStringLiteral("txtNameTemplate"));
    txtNameTemplate->setPlaceholderText(QStringLiteral("{name}"));
    txtNameTemplate->setToolTip(QStringLiteral("{name} {w} {h} {q} {n} {n:3} {date}"));
    nameLayout->addWidget(txtNameTemplate);
    auto* nameAction = new QWidgetAction(mnuDropDown);
    nameAction->setDefaultWidget(nameRow);
    mnuDropDown->addSeparator();
    mnuDropDown->addAction(nameAction);
    connect(txtNameTemplate, &QLineEdit::editingFinished, this, [this] { NameTemplate_Change(); });
}

void frmQuillet::NameTemplate_Change() {
    const QString text = txtNameTemplate->text().trimmed();
    QString error;
    if (!text.isEmpty() && !cNameTemplate::Parse(text, error)) {
        txtNameTemplate->setText(mNameTemplate);
        Questions().Warn(QStringLiteral("Output Names"), QStringLiteral("This name cannot be used: %1.").arg(error));
        return;
    }
    mNameTemplate = text;
    WriteString(SettingsKey, QStringLiteral("NameTemplate"), text);
}

void frmQuillet::SizeLimit_Change() {
    const int64_t bytes = int64_t{txtSizeLimit->value()} * 1024;
    gMaxBytes = mnuSizeLimit->isChecked() ? bytes : 0;
    WriteChoice(QStringLiteral("LimitSize"), mnuSizeLimit->isChecked());
    WriteString(SettingsKey, QStringLiteral("MaxSize"), QStringLiteral("%1K").arg(txtSizeLimit->value()));
}
