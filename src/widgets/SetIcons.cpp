#include "SetIcons.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>
#include <QWidget>

namespace {

QPixmap IconPixmap(const QIcon& source, QStyle::PixelMetric eSizeMetric) {
    const int side = QApplication::style()->pixelMetric(eSizeMetric);
    return source.pixmap(side, side);
}

} // namespace

void SetIcon(QWidget* hWnd, const QString& sIconResName, bool bSetAsAppIcon) {
    const QIcon source(QStringLiteral(":/icons/%1.svg").arg(sIconResName));
    QIcon icon;
    for (const QStyle::PixelMetric metric : {QStyle::PM_LargeIconSize, QStyle::PM_SmallIconSize}) {
        const QPixmap pixmap = IconPixmap(source, metric);
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    if (bSetAsAppIcon) {
        hWnd->window()->setWindowIcon(icon);
        QApplication::setWindowIcon(icon);
    }
    hWnd->setWindowIcon(icon);
}
