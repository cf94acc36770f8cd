#include "MetafileCanvas.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>

namespace metafile {
namespace {

/* Output coordinates beyond this many pixels mean a hostile or broken
 * transform; such shapes are not drawn (the rasterizer would only clip them). */
constexpr double CoordinateLimit = 1 << 24;

constexpr uint32_t PenNull = 5, PenUserStyle = 7, PenGeometric = 0x10000;
constexpr uint32_t BrushSolid = 0, BrushNull = 1, BrushHatched = 2;
constexpr uint32_t AlignUpdateCp = 1, AlignRight = 2, AlignCenter = 6, AlignHorizontal = 6;
constexpr uint32_t AlignBottom = 8, AlignBaseline = 24, AlignVertical = 24;

/* False for NaN too. */
bool IsReasonable(const QRectF& oRect) {
    const double edges[] = {oRect.left(), oRect.top(), oRect.right(), oRect.bottom()};
    return std::all_of(std::begin(edges), std::end(edges), [](double v) { return std::abs(v) < CoordinateLimit; });
}

QPainterPath RectPath(const QRectF& oBox) {
    QPainterPath path;
    path.addRect(oBox.normalized());
    return path;
}

/* Parametric angle (degrees, Qt's counter-clockwise) of the radial through
 * oPoint on the ellipse inscribed in oBox. */
double EllipseAngle(const QRectF& oBox, QPointF oPoint) {
    QPointF center = oBox.center();
    double rx = oBox.width() / 2, ry = oBox.height() / 2;
    return std::atan2(-(oPoint.y() - center.y()) / ry, (oPoint.x() - center.x()) / rx) * 180.0 / M_PI;
}

/* Sweep in (0, 360] from a0 to a1, counter-clockwise; negative when clockwise. */
double ArcSweep(double a0, double a1, bool bClockwise) {
    double sweep = std::fmod(bClockwise ? a0 - a1 : a1 - a0, 360.0);
    if (sweep <= 0)
        sweep += 360.0;
    return bClockwise ? -sweep : sweep;
}

} // namespace

cMetafileCanvas::cMetafileCanvas(QImage& target, const MetafileLimits& limits)
    : mTarget(target), mPainter(&target), mLimits(limits) {
    mPainter.setRenderHint(QPainter::TextAntialiasing);
    const double pixels = std::max<double>(double(target.width()) * target.height(), 1 << 22);
    mWorkLeft = pixels * limits.workPerPixel;
}

QTransform cMetafileCanvas::PageTransform() const {
    /* 0.01 mm per logical unit of the fixed modes, MapLoMetric to MapTwips; y grows upwards. */
    static constexpr double hmmPerUnit[] = {10, 1, 25.4, 2.54, 2540.0 / 1440};
    double sx = 1, sy = 1;
    switch (mDc.mapMode) {
    case MapLoMetric:
    case MapHiMetric:
    case MapLoEnglish:
    case MapHiEnglish:
    case MapTwips:
        sx = hmmPerUnit[mDc.mapMode - MapLoMetric] * mDevice.perHmmX;
        sy = -hmmPerUnit[mDc.mapMode - MapLoMetric] * mDevice.perHmmY;
        break;
    case MapIsotropic:
    case MapAnisotropic:
        sx = mDc.viewportExt.x() / mDc.windowExt.x();
        sy = mDc.viewportExt.y() / mDc.windowExt.y();
        if (mDc.mapMode == MapIsotropic) {
            double scale = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(scale, sx);
            sy = std::copysign(scale, sy);
        }
        break;
    default: break;
    }
    if (!std::isfinite(sx) || !std::isfinite(sy))
        sx = sy = 1;
    return {sx, 0, 0, sy, mDc.viewportOrg.x() - mDc.windowOrg.x() * sx, mDc.viewportOrg.y() - mDc.windowOrg.y() * sy};
}

QTransform cMetafileCanvas::LogicalToOutput() const {
    return mDc.world * PageTransform() * mDevice.toOutput;
}

double cMetafileCanvas::LinearScale() const {
    return std::sqrt(std::abs(LogicalToOutput().determinant()));
}

void cMetafileCanvas::SaveDc() {
    if (mSaved.size() < mLimits.maxSavedStates)
        mSaved.push_back(mDc);
}

void cMetafileCanvas::RestoreDc(int32_t lRelative) {
    const int64_t depth = static_cast<int64_t>(mSaved.size());
    const int64_t level = lRelative < 0 ? depth + lRelative : int64_t{lRelative} - 1;
    if (level < 0 || level >= depth)
        return;
    mDc = mSaved[static_cast<size_t>(level)];
    mSaved.resize(static_cast<size_t>(level));
    ApplyClip();
}

void cMetafileCanvas::ResetObjects(size_t lCount) {
    mObjects.assign(lCount, std::nullopt);
}

void cMetafileCanvas::StoreObject(uint32_t lIndex, GdiObject oObject) {
    if (lIndex < mObjects.size())
        mObjects[lIndex] = std::move(oObject);
}

void cMetafileCanvas::StoreObjectFirstFree(GdiObject oObject) {
    auto slot = std::find(mObjects.begin(), mObjects.end(), std::nullopt);
    if (slot != mObjects.end())
        *slot = std::move(oObject);
}

void cMetafileCanvas::SelectObject(uint32_t lIndex) {
    if (lIndex & 0x80000000u) {
        SelectStockObject(lIndex & 0x7FFFFFFFu);
        return;
    }
    if (lIndex >= mObjects.size() || !mObjects[lIndex])
        return;
    const GdiObject& object = *mObjects[lIndex];
    if (auto* pen = std::get_if<LogPen>(&object))
        mDc.pen = *pen;
    if (auto* brush = std::get_if<LogBrush>(&object))
        mDc.brush = *brush;
    if (auto* font = std::get_if<LogFont>(&object))
        mDc.font = *font;
}

void cMetafileCanvas::SelectStockObject(uint32_t lStock) {
    static constexpr int brushGrays[] = {255, 192, 128, 64, 0};
    if (lStock <= 4) {
        int gray = brushGrays[lStock];
        mDc.brush = LogBrush{BrushSolid, QColor(gray, gray, gray), 0, {}};
    } else if (lStock == 5) {
        mDc.brush = LogBrush{BrushNull, Qt::white, 0, {}};
    } else if (lStock >= 6 && lStock <= 8) {
        mDc.pen = LogPen{lStock == 8 ? PenNull : 0, 0, lStock == 6 ? Qt::white : Qt::black, {}};
    } else if (lStock >= 10 && lStock <= 17) {
        mDc.font = LogFont{};
    } else if (lStock == 18) {
        mDc.brush = LogBrush{};
    } else if (lStock == 19) {
        mDc.pen = LogPen{};
    }
}

void cMetafileCanvas::DeleteObject(uint32_t lIndex) {
    if (lIndex < mObjects.size())
        mObjects[lIndex].reset();
}

bool cMetafileCanvas::Charge(double sngWork) {
    mWorkLeft -= sngWork;
    if (mWorkLeft < 0 && mStatus == Ok)
        mStatus = ValueOverflow;
    return mStatus == Ok;
}

QPen cMetafileCanvas::OutputPen() const {
    const LogPen& logPen = mDc.pen;
    const uint32_t style = logPen.style & 0xF;
    if (style == PenNull)
        return Qt::NoPen;
    const bool geometric = (logPen.style & PenGeometric) || logPen.width > 1;
    double width = geometric ? logPen.width * LinearScale() : 0;
    const double maxWidth = 4.0 * (mTarget.width() + mTarget.height());
    width = width < 1 ? (geometric ? 1 : 0) : std::min(width, maxWidth);
    QPen pen(logPen.color, width);
    static constexpr Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                              Qt::DashDotDotLine};
    if (style < 5)
        pen.setStyle(styles[style]);
    if (style == PenUserStyle && !logPen.dashes.empty() && logPen.dashes.size() % 2 == 0) {
        const double unit = width > 0 ? width : 1;
        const double scale = geometric ? LinearScale() : 1;
        QList<qreal> pattern;
        for (double entry : logPen.dashes)
            pattern.append(std::max(entry * scale / unit, 0.1));
        if (std::all_of(pattern.begin(), pattern.end(), [](qreal v) { return std::isfinite(v) && v < 1e4; }))
            pen.setDashPattern(pattern);
    }
    if (!geometric) {
        pen.setCapStyle(Qt::FlatCap);
        return pen;
    }
    /* End caps in bits 8-11, joins in bits 12-15; unknown values are round. */
    static constexpr Qt::PenCapStyle caps[] = {Qt::RoundCap, Qt::SquareCap, Qt::FlatCap};
    static constexpr Qt::PenJoinStyle joins[] = {Qt::RoundJoin, Qt::BevelJoin, Qt::MiterJoin};
    const uint32_t cap = (logPen.style >> 8) & 0xF, join = (logPen.style >> 12) & 0xF;
    pen.setCapStyle(cap < 3 ? caps[cap] : Qt::RoundCap);
    pen.setJoinStyle(join < 3 ? joins[join] : Qt::RoundJoin);
    return pen;
}

QBrush cMetafileCanvas::CurrentBrush() const {
    const LogBrush& brush = mDc.brush;
    switch (brush.style) {
    case BrushNull: return Qt::NoBrush;
    case BrushHatched: {
        static constexpr Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                                     Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        return QBrush(brush.color, brush.hatch < 6 ? hatches[brush.hatch] : Qt::SolidPattern);
    }
    case BrushSolid: return QBrush(brush.color);
    default: return brush.pattern.isNull() ? QBrush(brush.color) : QBrush(brush.pattern);
    }
}

void cMetafileCanvas::DrawOutputPath(const QPainterPath& oPath, bool bFill, bool bStroke) {
    if (mPathOpen) {
        AddToPath(oPath);
        return;
    }
    const QPen pen = bStroke ? OutputPen() : QPen(Qt::NoPen);
    const QBrush brush = bFill ? CurrentBrush() : QBrush(Qt::NoBrush);
    if (pen.style() == Qt::NoPen && brush.style() == Qt::NoBrush)
        return;
    const QRectF bounds = oPath.controlPointRect();
    if (!IsReasonable(bounds))
        return;
    const double margin = pen.widthF() + 1;
    const QRectF touched = bounds.adjusted(-margin, -margin, margin, margin).intersected(QRectF(mTarget.rect()));
    double work = touched.width() * touched.height();
    if (!bFill)
        work = std::min(work, oPath.length() * margin);
    if (!Charge(work + oPath.elementCount()))
        return;
    QPainterPath path = oPath;
    path.setFillRule(mDc.fillRule);
    Paint(path, pen, brush);
}

void cMetafileCanvas::Paint(const QPainterPath& oPath, const QPen& oPen, const QBrush& oBrush) {
    mPainter.setBackgroundMode(mDc.bkMode == BkOpaque ? Qt::OpaqueMode : Qt::TransparentMode);
    mPainter.setBackground(mDc.bkColor);
    mPainter.setPen(oPen);
    mPainter.setBrush(oBrush);
    mPainter.drawPath(oPath);
}

void cMetafileCanvas::AddToPath(const QPainterPath& oOutputPath) {
    if (!Charge(oOutputPath.elementCount()))
        return;
    mPath.addPath(oOutputPath);
    mFigureOpen = false;
}

void cMetafileCanvas::ContinueFigure() {
    if (!mFigureOpen) {
        mPath.moveTo(LogicalToOutput().map(mDc.position));
        mFigureOpen = true;
    }
}

void cMetafileCanvas::MoveTo(QPointF oPoint) {
    mDc.position = oPoint;
    mFigureOpen = false;
}

void cMetafileCanvas::LineTo(QPointF oPoint) {
    PolylineTo(QPolygonF{oPoint});
}

void cMetafileCanvas::Polyline(const QPolygonF& oPoints) {
    if (oPoints.size() < 2)
        return;
    QPainterPath path;
    path.addPolygon(oPoints);
    DrawOutputPath(LogicalToOutput().map(path), false, true);
}

void cMetafileCanvas::PolylineTo(const QPolygonF& oPoints) {
    if (oPoints.isEmpty())
        return;
    QPolygonF line{mDc.position};
    line += oPoints;
    QPainterPath path;
    path.addPolygon(line);
    DrawFromPosition(path);
}

void cMetafileCanvas::PolyBezier(const QPolygonF& oPoints) {
    if (oPoints.size() < 4 || (oPoints.size() - 1) % 3 != 0)
        return;
    QPainterPath path(oPoints[0]);
    for (qsizetype i = 1; i + 2 < oPoints.size(); i += 3)
        path.cubicTo(oPoints[i], oPoints[i + 1], oPoints[i + 2]);
    DrawOutputPath(LogicalToOutput().map(path), false, true);
}

void cMetafileCanvas::PolyBezierTo(const QPolygonF& oPoints) {
    if (oPoints.isEmpty() || oPoints.size() % 3 != 0)
        return;
    QPainterPath path(mDc.position);
    for (qsizetype i = 0; i + 2 < oPoints.size(); i += 3)
        path.cubicTo(oPoints[i], oPoints[i + 1], oPoints[i + 2]);
    DrawFromPosition(path);
}

void cMetafileCanvas::Polygons(const std::vector<QPolygonF>& oPolygons) {
    QPainterPath path;
    for (const QPolygonF& polygon : oPolygons) {
        if (polygon.size() < 2)
            continue;
        path.addPolygon(polygon);
        path.closeSubpath();
    }
    DrawOutputPath(LogicalToOutput().map(path), true, true);
}

void cMetafileCanvas::Rectangle(const QRectF& oBox) {
    DrawOutputPath(LogicalToOutput().map(RectPath(oBox)), true, true);
}

void cMetafileCanvas::RoundRect(const QRectF& oBox, QSizeF oCorner) {
    QPainterPath path;
    path.addRoundedRect(oBox.normalized(), std::abs(oCorner.width()) / 2, std::abs(oCorner.height()) / 2);
    DrawOutputPath(LogicalToOutput().map(path), true, true);
}

void cMetafileCanvas::Ellipse(const QRectF& oBox) {
    QPainterPath path;
    path.addEllipse(oBox.normalized());
    DrawOutputPath(LogicalToOutput().map(path), true, true);
}

QPainterPath cMetafileCanvas::ArcPath(const QRectF& oBox, QPointF oStart, QPointF oEnd, bool bMoveToStart) const {
    const QRectF box = oBox.normalized();
    QPainterPath path;
    if (box.width() <= 0 || box.height() <= 0)
        return path;
    /* Arc direction is seen on the output: a mirroring transform reverses it. */
    const bool clockwise = mDc.clockwiseArcs != (LogicalToOutput().determinant() < 0);
    const double a0 = EllipseAngle(box, oStart), a1 = EllipseAngle(box, oEnd);
    if (bMoveToStart)
        path.arcMoveTo(box, a0);
    else
        path.moveTo(mDc.position);
    path.arcTo(box, a0, ArcSweep(a0, a1, clockwise));
    return path;
}

void cMetafileCanvas::ArcShape(ArcKind eKind, const QRectF& oBox, QPointF oStart, QPointF oEnd) {
    QPainterPath path = ArcPath(oBox, oStart, oEnd, eKind != ArcKind::ArcTo);
    if (path.isEmpty())
        return;
    if (eKind == ArcKind::ArcTo)
        return DrawFromPosition(path);
    if (eKind == ArcKind::Pie) {
        /* Centre, line to the arc's start, the arc, back to the centre. */
        QPainterPath pie;
        pie.moveTo(oBox.normalized().center());
        pie.lineTo(path.elementAt(0).x, path.elementAt(0).y);
        pie.connectPath(path);
        path = pie;
    }
    if (eKind != ArcKind::Arc)
        path.closeSubpath();
    DrawOutputPath(LogicalToOutput().map(path), eKind != ArcKind::Arc, true);
}

void cMetafileCanvas::AngleArc(QPointF oCenter, double sngRadius, double sngStart, double sngSweep) {
    if (!std::isfinite(sngStart) || !std::isfinite(sngSweep) || sngRadius <= 0)
        return;
    const QRectF box(oCenter.x() - sngRadius, oCenter.y() - sngRadius, 2 * sngRadius, 2 * sngRadius);
    QPainterPath path(mDc.position);
    path.arcTo(box, std::fmod(sngStart, 360.0), std::clamp(sngSweep, -360.0, 360.0));
    DrawFromPosition(path);
}

void cMetafileCanvas::DrawFromPosition(const QPainterPath& oPath) {
    const QTransform toOutput = LogicalToOutput();
    if (mPathOpen) {
        ContinueFigure();
        if (Charge(oPath.elementCount()))
            mPath.connectPath(toOutput.map(oPath));
    } else {
        DrawOutputPath(toOutput.map(oPath), false, true);
    }
    mDc.position = oPath.currentPosition();
}

void cMetafileCanvas::SetPixel(QPointF oPoint, const QColor& oColor) {
    const QPointF at = LogicalToOutput().map(oPoint);
    if (mPathOpen || !IsReasonable(QRectF(at, QSizeF(1, 1))) || !Charge(1))
        return;
    mPainter.fillRect(QRectF(std::floor(at.x()), std::floor(at.y()), 1, 1), oColor);
}

void cMetafileCanvas::FillRect(const QRectF& oBox, const QBrush& oBrush) {
    if (mPathOpen)
        return;
    const QPainterPath path = LogicalToOutput().map(RectPath(oBox));
    const QRectF bounds = path.controlPointRect();
    if (!IsReasonable(bounds))
        return;
    const QRectF touched = bounds.intersected(QRectF(mTarget.rect()));
    if (Charge(touched.width() * touched.height()))
        Paint(path, Qt::NoPen, oBrush);
}

void cMetafileCanvas::PatBlt(const QRectF& oBox, uint32_t lRop) {
    constexpr uint32_t RopPatCopy = 0x00F00021, RopBlackness = 0x00000042, RopWhiteness = 0x00FF0062;
    if (lRop == RopBlackness)
        FillRect(oBox, QBrush(Qt::black));
    else if (lRop == RopWhiteness)
        FillRect(oBox, QBrush(Qt::white));
    else if (lRop == RopPatCopy)
        FillRect(oBox, CurrentBrush());
}

QFont cMetafileCanvas::OutputFont() const {
    const QTransform toOutput = LogicalToOutput();
    const double scaleX = std::hypot(toOutput.m11(), toOutput.m12());
    const double scaleY = std::hypot(toOutput.m21(), toOutput.m22());
    const LogFont& logFont = mDc.font;
    QFont font;
    if (!logFont.face.isEmpty())
        font.setFamilies({logFont.face});
    /* Height 0 asks for the default size: 12 points at 96 dpi. */
    double size = logFont.height == 0 ? 16 * std::hypot(mDevice.toOutput.m21(), mDevice.toOutput.m22())
                                      : std::abs(logFont.height) * scaleY;
    const double maxSize = std::min(4096.0, 2.0 * std::max(mTarget.width(), mTarget.height()) + 16);
    size = std::isfinite(size) ? std::clamp(size, 1.0, maxSize) : 1.0;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    if (logFont.height > 0) {
        /* A positive height is the cell height (ascent + descent). */
        const double cell = QFontMetricsF(font).height();
        if (cell > 0)
            size = std::clamp(size * size / cell, 1.0, maxSize);
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    }
    if (logFont.weight > 0)
        font.setWeight(QFont::Weight(std::clamp(logFont.weight, 100, 900)));
    font.setItalic(logFont.italic);
    font.setUnderline(logFont.underline);
    font.setStrikeOut(logFont.strikeOut);
    if (logFont.width > 0) {
        const double average = QFontMetricsF(font).averageCharWidth();
        const double stretch = average > 0 ? logFont.width * scaleX / average * 100 : 100;
        if (std::isfinite(stretch))
            font.setStretch(std::clamp(static_cast<int>(stretch), 1, 4000));
    }
    return font;
}

void cMetafileCanvas::Text(QPointF oReference, const QString& sText, const std::vector<double>& lDx, uint32_t lOptions,
                           const std::optional<QRectF>& oBox) {
    if (mPathOpen || (lOptions & TextGlyphIndex))
        return;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        mStatus = WrongState;
        return;
    }
    const QTransform toOutput = LogicalToOutput();
    if (oBox && (lOptions & TextOpaque))
        FillRect(*oBox, mDc.bkColor);
    if (sText.isEmpty())
        return;
    const bool updateCp = mDc.textAlign & AlignUpdateCp;
    const QPointF reference = updateCp ? mDc.position : oReference;
    const QPointF origin = toOutput.map(reference);
    if (!IsReasonable(QRectF(origin, QSizeF(1, 1))))
        return;

    const QFont font = OutputFont();
    const QFontMetricsF metrics(font);
    const double scaleX = std::hypot(toOutput.m11(), toOutput.m12());
    std::vector<double> advances;
    double total = 0;
    if (lDx.size() >= static_cast<size_t>(sText.size())) {
        for (qsizetype i = 0; i < sText.size(); ++i) {
            advances.push_back(total);
            total += lDx[static_cast<size_t>(i)] * scaleX;
        }
        if (!std::isfinite(total))
            return;
    } else {
        total = metrics.horizontalAdvance(sText);
    }
    const double extent = std::min(std::abs(total), 4.0 * (mTarget.width() + mTarget.height()));
    /* Laying out and drawing a string costs some tens of microseconds on top
     * of its pixels, about as much as filling 20000 pixels. */
    if (!Charge(extent * metrics.height() + 20000.0 * (1 + sText.size() / 16)))
        return;

    const uint32_t horizontal = mDc.textAlign & AlignHorizontal, vertical = mDc.textAlign & AlignVertical;
    const double x = horizontal == AlignRight ? -total : horizontal == AlignCenter ? -total / 2 : 0;
    const double y = vertical == AlignBaseline ? 0 : vertical == AlignBottom ? -metrics.descent() : metrics.ascent();

    mPainter.save();
    if (oBox && (lOptions & TextClipped)) {
        const QPainterPath box = toOutput.map(RectPath(*oBox));
        mPainter.setClipPath(mDc.clip ? mDc.clip->intersected(box) : box);
    }
    QTransform placement;
    placement.translate(origin.x(), origin.y());
    placement.rotate(-mDc.font.escapement / 10.0);
    mPainter.setTransform(placement);
    if (mDc.bkMode == BkOpaque)
        mPainter.fillRect(QRectF(std::min(x, x + total), y - metrics.ascent(), std::abs(total), metrics.height()),
                          mDc.bkColor);
    mPainter.setFont(font);
    mPainter.setPen(mDc.textColor);
    mPainter.setBackgroundMode(Qt::TransparentMode); /* the background box is filled above */
    if (advances.empty()) {
        mPainter.drawText(QPointF(x, y), sText);
    } else {
        for (qsizetype i = 0; i < sText.size(); ++i) {
            /* Keep surrogate pairs together; their second unit's advance is 0 or its own. */
            const qsizetype length = sText[i].isHighSurrogate() && i + 1 < sText.size() ? 2 : 1;
            mPainter.drawText(QPointF(x + advances[static_cast<size_t>(i)], y), sText.mid(i, length));
            i += length - 1;
        }
    }
    mPainter.restore();
    if (updateCp) {
        const double logicalScale = std::hypot(mDc.world.m11(), mDc.world.m12()) * std::abs(PageTransform().m11()) *
                                    std::hypot(mDevice.toOutput.m11(), mDevice.toOutput.m12());
        if (logicalScale > 0)
            mDc.position.rx() += total / logicalScale;
    }
}

void cMetafileCanvas::Blit(const QImage& oImage, const QRectF& oSource, const QRectF& oDest) {
    if (mPathOpen || oImage.isNull() || oSource.width() == 0 || oSource.height() == 0)
        return;
    const QRectF source = oSource.normalized().intersected(QRectF(oImage.rect()));
    if (source.isEmpty())
        return;
    /* Source pixels -> logical destination -> output. */
    QTransform toDest;
    toDest.translate(oDest.x(), oDest.y());
    toDest.scale(oDest.width() / oSource.width(), oDest.height() / oSource.height());
    toDest.translate(-oSource.x(), -oSource.y());
    const QTransform toOutput = toDest * LogicalToOutput();
    const QRectF bounds = toOutput.mapRect(source);
    if (!IsReasonable(bounds))
        return;
    const QRectF touched = bounds.intersected(QRectF(mTarget.rect()));
    if (!Charge(touched.width() * touched.height() + source.width() * source.height()))
        return;
    mPainter.save();
    mPainter.setTransform(toOutput);
    mPainter.drawImage(source.topLeft(), oImage, source);
    mPainter.restore();
}

void cMetafileCanvas::BeginPath() {
    AbortPath();
    mPathOpen = true;
}

void cMetafileCanvas::AbortPath() {
    mPath = QPainterPath();
    mPathOpen = false;
    mFigureOpen = false;
}

void cMetafileCanvas::CloseFigure() {
    if (!mPathOpen)
        return;
    mPath.closeSubpath();
    mFigureOpen = false;
}

void cMetafileCanvas::FillPath(bool bFill, bool bStroke) {
    mPathOpen = false;
    const QPainterPath path = mPath;
    AbortPath();
    DrawOutputPath(path, bFill, bStroke);
}

void cMetafileCanvas::WidenPath() {
    QPainterPathStroker stroker(OutputPen());
    if (stroker.width() < 1)
        stroker.setWidth(1);
    if (Charge(mPath.elementCount() * 16.0))
        mPath = stroker.createStroke(mPath);
}

void cMetafileCanvas::SelectClipPath(int32_t eMode) {
    QPainterPath path = mPath;
    path.closeSubpath();
    path.setFillRule(mDc.fillRule);
    AbortPath();
    CombineClip(path, eMode);
}

void cMetafileCanvas::ClipRect(const QRectF& oBox, int32_t eMode) {
    CombineClip(LogicalToOutput().map(RectPath(oBox)), eMode);
}

void cMetafileCanvas::SelectClipRegion(const QPainterPath& oDeviceRegion, int32_t eMode) {
    CombineClip(mDevice.toOutput.map(oDeviceRegion), eMode);
}

void cMetafileCanvas::ResetClip() {
    mDc.clip.reset();
    ApplyClip();
}

void cMetafileCanvas::OffsetClip(QPointF oLogicalOffset) {
    if (!mDc.clip)
        return;
    const QTransform toOutput = LogicalToOutput();
    const QPointF offset = toOutput.map(oLogicalOffset) - toOutput.map(QPointF(0, 0));
    if (!IsReasonable(QRectF(offset, QSizeF(1, 1))))
        return;
    mDc.clip->translate(offset);
    ApplyClip();
}

void cMetafileCanvas::CombineClip(const QPainterPath& oOutputPath, int32_t eMode) {
    if (!IsReasonable(oOutputPath.controlPointRect()))
        return;
    const QPainterPath whole = RectPath(QRectF(mTarget.rect()));
    const QPainterPath base = mDc.clip.value_or(whole);
    /* Boolean path operations grow faster than linearly with the element
     * counts (about 0.2 s for 20000 elements); a copy costs nothing. */
    const double elements = double(base.elementCount()) + oOutputPath.elementCount();
    if (!Charge(eMode == RgnCopy ? oOutputPath.elementCount() : elements * elements / 4))
        return;
    switch (eMode) {
    case RgnAnd: mDc.clip = base.intersected(oOutputPath); break;
    case RgnOr: mDc.clip = base.united(oOutputPath); break;
    case RgnXor: mDc.clip = base.united(oOutputPath).subtracted(base.intersected(oOutputPath)); break;
    case RgnDiff: mDc.clip = base.subtracted(oOutputPath); break;
    case RgnCopy: mDc.clip = oOutputPath; break;
    default: return;
    }
    ApplyClip();
}

void cMetafileCanvas::ApplyClip() {
    if (mDc.clip)
        mPainter.setClipPath(*mDc.clip);
    else
        mPainter.setClipping(false);
}

} // namespace metafile
