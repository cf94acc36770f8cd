#include "SetIcons.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>
#include <QWidget>

void SetIcon(QWidget* hWnd, const QString& sIconResName, bool bSetAsAppIcon) {
    const QIcon source(QStringLiteral(":/icons/%1.svg").arg(sIconResName));
    QIcon icon;
    for (const QStyle::PixelMetric metric : {QStyle::PM_LargeIconSize, QStyle::PM_SmallIconSize}) {
        const int side = QApplication::style()->pixelMetric(metric);
        const QPixmap pixmap = source.pixmap(side, side);
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    if (bSetAsAppIcon) {
        hWnd->window()->setWindowIcon(icon);
        QApplication::setWindowIcon(icon);
    }
    hWnd->setWindowIcon(icon);
}
