#include "frmQuillet.h"

#include "SetIcons.h"

frmQuillet::frmQuillet(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Quillet %1").arg(QStringLiteral(QUILLET_VERSION)));
    SetIcon(this, QStringLiteral("QLT"), true);
    resize(529, 264);
}
