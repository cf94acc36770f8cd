// The photo-details choice in the Save button's drop-down menu: a second
// exclusive group below the formats, remembered in the "PhotoDetails" setting.

#include "AppState.h"
#include "Registry.h"
#include "frmQuillet.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

void frmQuillet::BuildDetailsMenu() {
    gPhotoDetails = PhotoDetailsFromCode(ReadValue(SettingsKey, QStringLiteral("PhotoDetails")).toString())
                        .value_or(ePhotoDetails::Keep);
    struct cDetailsItem {
        const char* Name;
        const char* Caption;
        ePhotoDetails Choice;
    };
    const cDetailsItem items[] = {{"mnuKeepDetails", "Keep photo details", ePhotoDetails::Keep},
                                  {"mnuKeepLocation", "Keep photo details and location", ePhotoDetails::KeepLocation},
                                  {"mnuRemoveDetails", "Remove all photo details", ePhotoDetails::Strip}};
    mnuDropDown->addSeparator();
    auto* group = new QActionGroup(mnuDropDown);
    for (const cDetailsItem& item : items) {
        QAction* action = group->addAction(QLatin1String(item.Caption));
        action->setObjectName(QLatin1String(item.Name));
        action->setCheckable(true);
        action->setChecked(gPhotoDetails == item.Choice);
        const ePhotoDetails choice = item.Choice;
        connect(action, &QAction::triggered, this, [choice] { DetailsMenu_Click(choice); });
        mnuDropDown->addAction(action);
    }
}

void frmQuillet::DetailsMenu_Click(ePhotoDetails eChoice) {
    gPhotoDetails = eChoice;
    WriteString(SettingsKey, QStringLiteral("PhotoDetails"), PhotoDetailsCode(eChoice));
}
