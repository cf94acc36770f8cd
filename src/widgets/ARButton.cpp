#include "ARButton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

constexpr int kCaptionGap = 2; // pixels between picture and caption
constexpr qreal kCornerRadius = 4.0;

} // namespace

ARButton::ARButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
}

void ARButton::SetPicture(const QPixmap& oPicture) {
    mPicture = oPicture;
    update();
}

void ARButton::SetPictureDisabled(const QPixmap& oPicture) {
    mPictureDisabled = oPicture;
    update();
}

void ARButton::SetBackColors(const QColor& oColor, const QColor& oColorOnMouse) {
    mBackColor = oColor;
    mBackColorOnMouse = oColorOnMouse;
    update();
}

void ARButton::SetDropDownWidth(int lPixels) {
    mDropDownWidth = std::max(0, lPixels);
    update();
}

void ARButton::enterEvent(QEnterEvent* event) {
    mMouseOver = true;
    update();
    emit MouseEnter();
    QAbstractButton::enterEvent(event);
}

void ARButton::leaveEvent(QEvent* event) {
    mMouseOver = false;
    update();
    emit MouseLeave();
    QAbstractButton::leaveEvent(event);
}

void ARButton::keyPressEvent(QKeyEvent* event) {
    const bool altDown = event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier);
    if (mDropDownWidth > 0 && (altDown || event->key() == Qt::Key_F4 || event->key() == Qt::Key_Menu)) {
        emit DropDownRequested();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void ARButton::focusInEvent(QFocusEvent* event) {
    // The focus frame shows only for keyboard users, as on most desktops.
    mKeyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
                     event->reason() == Qt::ShortcutFocusReason;
    QAbstractButton::focusInEvent(event);
}

void ARButton::mousePressEvent(QMouseEvent* event) {
    if (mDropDownWidth > 0 && event->position().toPoint().x() >= width() - mDropDownWidth) {
        emit DropDownRequested();
        event->accept();
        return;
    }
    QAbstractButton::mousePressEvent(event);
}

void ARButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool hot = isEnabled() && (mMouseOver || isDown());
    const QColor back = hot ? mBackColorOnMouse : mBackColor;
    painter.fillRect(rect(), back);

    // The hover and press looks sit on top of whatever colours were chosen,
    // so a button whose two colours match still answers to the pointer.
    const QRectF frame = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    if (hot) {
        QPainterPath path;
        path.addRoundedRect(frame, kCornerRadius, kCornerRadius);
        painter.fillPath(path, isDown() ? QColor(0, 0, 0, 40) : QColor(255, 255, 255, 38));
        painter.setPen(QPen(QColor(255, 255, 255, isDown() ? 90 : 140), 1.0));
        painter.drawPath(path);
    }
    if (hasFocus() && mKeyboardFocus) {
        painter.setPen(QPen(QColor(255, 255, 255, 200), 1.0, Qt::DotLine));
        painter.drawRoundedRect(frame.adjusted(1, 1, -1, -1), kCornerRadius, kCornerRadius);
    }

    const QPixmap& picture = isEnabled() || mPictureDisabled.isNull() ? mPicture : mPictureDisabled;
    const QRect face = rect().adjusted(0, 0, -mDropDownWidth, 0);
    const int captionHeight = text().isEmpty() ? 0 : fontMetrics().height() + kCaptionGap;
    const QSize pictureSize = picture.deviceIndependentSize().toSize();
    const int shift = isDown() ? 1 : 0;
    const QPoint pictureAt(face.left() + (face.width() - pictureSize.width()) / 2 + shift,
                           face.top() + (face.height() - pictureSize.height() - captionHeight) / 2 + shift);
    if (!picture.isNull())
        painter.drawPixmap(pictureAt, picture);

    const QColor ink = isEnabled() ? QColor(Qt::white) : QColor(255, 255, 255, 110);
    if (!text().isEmpty()) {
        painter.setPen(ink);
        const QRect captionRect(face.left(), pictureAt.y() + pictureSize.height() + kCaptionGap, face.width(),
                                fontMetrics().height());
        painter.drawText(captionRect.translated(shift, 0), Qt::AlignHCenter | Qt::AlignTop, text());
    }
    if (mDropDownWidth > 0)
        PaintDropDownZone(painter, ink);
}

void ARButton::PaintDropDownZone(QPainter& painter, const QColor& oInk) const {
    const int zoneLeft = width() - mDropDownWidth;
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QColor(255, 255, 255, isEnabled() ? 90 : 45));
    painter.drawLine(zoneLeft, 6, zoneLeft, height() - 7);
    painter.setRenderHint(QPainter::Antialiasing, true);

    // A small downward arrow centred in the zone: 7 pixels wide, 4 high.
    const QPointF centre(zoneLeft + mDropDownWidth / 2.0 + 0.5, height() / 2.0 + 1.0);
    QPainterPath arrow;
    arrow.moveTo(centre + QPointF(-3.5, -2.0));
    arrow.lineTo(centre + QPointF(3.5, -2.0));
    arrow.lineTo(centre + QPointF(0.0, 2.0));
    arrow.closeSubpath();
    painter.fillPath(arrow, oInk);
}
