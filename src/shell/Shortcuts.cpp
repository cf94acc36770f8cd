// The main window's keys. Each one does what its button or menu item does,
// and only while that is enabled (a disabled button ignores its key too).

#include "cImageList.h"
#include "frmQuillet.h"

#include <QAction>
#include <QKeySequence>
#include <QLineEdit>

void frmQuillet::BuildShortcuts() {
    const std::pair<QKeySequence, ARButton*> buttons[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_O), OpenButton},
        {QKeySequence(Qt::CTRL | Qt::Key_S), SaveButton},
        {QKeySequence(Qt::CTRL | Qt::Key_P), PreviewButton},
        {QKeySequence(Qt::Key_F1), HelpButton},
    };
    for (const auto& [keys, button] : buttons) {
        auto* action = new QAction(this);
        action->setShortcut(keys);
        addAction(action);
        connect(action, &QAction::triggered, button, [this, button = button] {
            // A number still being typed counts as typed, as when the
            // pointer moves to a button.
            if (txtSize->hasFocus())
                txtSize_LostFocus();
            button->click();
        });
    }
    addAction(ImageList().mnuAddImages);
    auto* quit = new QAction(this);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    addAction(quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);
}
