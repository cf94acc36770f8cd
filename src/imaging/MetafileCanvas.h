#pragma once
/*
 * MetafileCanvas.h - the drawing state of a metafile player and its QPainter
 * renderer: mapping modes, world transform, saved states, the object table
 * (pens, brushes, fonts), the path bracket, clipping and the work budget.
 *
 * The EMF and WMF players decode records and call into one cMetafileCanvas.
 * Geometry arrives in logical units and is mapped here to output pixels
 * (logical -> world -> page (window/viewport) -> reference device -> output);
 * the painter itself always draws with an identity transform.
 */

#include "Metafile.h"
#include "MetafileBytes.h"

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>

#include <optional>
#include <variant>
#include <vector>

namespace metafile {

/* Mapping modes. */
inline constexpr int32_t MapText = 1, MapLoMetric = 2, MapHiMetric = 3, MapLoEnglish = 4, MapHiEnglish = 5,
                         MapTwips = 6, MapIsotropic = 7, MapAnisotropic = 8;
/* Background modes. */
inline constexpr int32_t BkTransparent = 1, BkOpaque = 2;
/* Text output options shared by EMF and WMF. */
inline constexpr uint32_t TextOpaque = 0x0002, TextClipped = 0x0004, TextGlyphIndex = 0x0010;
/* Clip combination modes. */
inline constexpr int32_t RgnAnd = 1, RgnOr = 2, RgnXor = 3, RgnDiff = 4, RgnCopy = 5;

struct LogPen {
    uint32_t style = 0; /* PS_* style, end-cap, join and type bits */
    double width = 0;   /* logical units; 0 = one device pixel */
    QColor color = Qt::black;
    std::vector<double> dashes; /* user style entries, logical units */
};

struct LogBrush {
    uint32_t style = 0; /* BS_* */
    QColor color = Qt::white;
    uint32_t hatch = 0; /* HS_* */
    QImage pattern;     /* BS_DIBPATTERN */
};

struct LogFont {
    double height = 0; /* logical units; < 0 character height, > 0 cell height */
    double width = 0;
    double escapement = 0; /* tenths of a degree, counter-clockwise */
    int32_t weight = 0;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QString face;
};

/* Palettes, regions and other objects only hold their table slot. */
struct OtherObject {};
using GdiObject = std::variant<OtherObject, LogPen, LogBrush, LogFont>;

struct DcState {
    int32_t mapMode = MapText;
    QPointF windowOrg{0, 0}, windowExt{1, 1}, viewportOrg{0, 0}, viewportExt{1, 1};
    QTransform world;
    LogPen pen;
    LogBrush brush;
    LogFont font;
    QColor textColor = Qt::black;
    QColor bkColor = Qt::white;
    int32_t bkMode = BkOpaque;
    Qt::FillRule fillRule = Qt::OddEvenFill;
    uint32_t textAlign = 0;
    QPointF position;                 /* current position, logical units */
    std::optional<QPainterPath> clip; /* output pixels; none = whole picture */
    bool clockwiseArcs = false;
};

/* The reference device of the records: its pixels per 0.01 mm (for the
 * metric mapping modes) and where its pixels lie on the output. */
struct DeviceMapping {
    double perHmmX = 96.0 / 2540.0, perHmmY = 96.0 / 2540.0;
    QTransform toOutput;
};

/* ArcTo draws from the current position to the arc and moves there. */
enum class ArcKind { Arc, Chord, Pie, ArcTo };

class cMetafileCanvas {
  public:
    /* Draws onto target, which must stay alive while the canvas does. */
    cMetafileCanvas(QImage& target, const MetafileLimits& limits);
    cMetafileCanvas(const cMetafileCanvas&) = delete;
    cMetafileCanvas& operator=(const cMetafileCanvas&) = delete;

    /* Ok, or the first failure that must stop playback (work budget
     * exceeded, text without a GUI application). */
    GpStatus Status() const { return mStatus; }

    DcState& Dc() { return mDc; }
    void SetDevice(const DeviceMapping& oDevice) { mDevice = oDevice; }
    /* Logical units to reference-device pixels (window/viewport, mapping mode). */
    QTransform PageTransform() const;
    /* Logical units to output pixels: world, page, device. */
    QTransform LogicalToOutput() const;

    void SaveDc();
    /* lRelative < 0: back that many levels; > 0: to that absolute level. */
    void RestoreDc(int32_t lRelative);

    /* Object table. The table has a fixed size; out-of-range indices are ignored. */
    void ResetObjects(size_t lCount);
    void StoreObject(uint32_t lIndex, GdiObject oObject);
    /* Stores in the lowest free slot (WMF numbering). */
    void StoreObjectFirstFree(GdiObject oObject);
    void SelectObject(uint32_t lIndex);
    void SelectStockObject(uint32_t lStock);
    void DeleteObject(uint32_t lIndex);

    /* Drawing, logical units. Inside a path bracket the shapes go to the path. */
    void MoveTo(QPointF oPoint);
    void LineTo(QPointF oPoint);
    void Polyline(const QPolygonF& oPoints);
    void PolylineTo(const QPolygonF& oPoints);
    void PolyBezier(const QPolygonF& oPoints);
    void PolyBezierTo(const QPolygonF& oPoints);
    void Polygons(const std::vector<QPolygonF>& oPolygons);
    void Rectangle(const QRectF& oBox);
    void RoundRect(const QRectF& oBox, QSizeF oCorner);
    void Ellipse(const QRectF& oBox);
    void ArcShape(ArcKind eKind, const QRectF& oBox, QPointF oStart, QPointF oEnd);
    void AngleArc(QPointF oCenter, double sngRadius, double sngStart, double sngSweep);
    void SetPixel(QPointF oPoint, const QColor& oColor);
    /* Fills a logical rectangle with the current brush (pattern blits) or a colour. */
    void FillRect(const QRectF& oBox, const QBrush& oBrush);
    /* A blit without a source bitmap: fills oBox with black, white or the
     * current brush by the raster operation lRop; other operations draw nothing. */
    void PatBlt(const QRectF& oBox, uint32_t lRop);
    QBrush CurrentBrush() const;

    /* Text at a reference point; lDx holds the advance of each UTF-16 unit in
     * logical units (may be empty). oBox is the clip/opaque rectangle. */
    void Text(QPointF oReference, const QString& sText, const std::vector<double>& lDx, uint32_t lOptions,
              const std::optional<QRectF>& oBox);

    /* Draws the part oSource of a bitmap into a logical destination rectangle
     * (negative extents mirror). */
    void Blit(const QImage& oImage, const QRectF& oSource, const QRectF& oDest);

    /* Path bracket. */
    void BeginPath();
    void EndPath() { mPathOpen = false; }
    void AbortPath();
    void CloseFigure();
    void FillPath(bool bFill, bool bStroke);
    void WidenPath();
    void SelectClipPath(int32_t eMode);

    /* Clipping. Rectangles in logical units (RgnAnd to intersect, RgnDiff to
     * exclude); regions in device pixels. */
    void ClipRect(const QRectF& oBox, int32_t eMode);
    void SelectClipRegion(const QPainterPath& oDeviceRegion, int32_t eMode);
    void ResetClip();
    void OffsetClip(QPointF oLogicalOffset);

  private:
    void DrawOutputPath(const QPainterPath& oPath, bool bFill, bool bStroke);
    /* Paints an output path with the background mode and colour of the state. */
    void Paint(const QPainterPath& oPath, const QPen& oPen, const QBrush& oBrush);
    void AddToPath(const QPainterPath& oOutputPath);
    void ContinueFigure();
    /* Strokes oPath (logical units, starting at the current position), or
     * adds it to an open path; the current position moves to its end. */
    void DrawFromPosition(const QPainterPath& oPath);
    void CombineClip(const QPainterPath& oOutputPath, int32_t eMode);
    void ApplyClip();
    bool Charge(double sngWork);
    QPen OutputPen() const;
    QFont OutputFont() const;
    double LinearScale() const;
    QPainterPath ArcPath(const QRectF& oBox, QPointF oStart, QPointF oEnd, bool bMoveToStart) const;

    QImage& mTarget;
    QPainter mPainter;
    MetafileLimits mLimits;
    GpStatus mStatus = Ok;
    double mWorkLeft = 0;
    DcState mDc;
    std::vector<DcState> mSaved;
    std::vector<std::optional<GdiObject>> mObjects;
    DeviceMapping mDevice;
    QPainterPath mPath;       /* output pixels */
    bool mPathOpen = false;   /* between BeginPath and EndPath */
    bool mFigureOpen = false; /* the path's last figure continues at the current position */
};

/* The players read all of a record's fields first and act only on a whole
 * record: these store a value, or call a canvas operation with the values
 * read, when every read of r succeeded. */
template <typename T, typename V> void SetIfWhole(const cMetafileBytes& r, T& oField, const V& vValue) {
    if (r.Ok())
        oField = vValue;
}
template <typename... A, typename... V>
void PlayIfWhole(const cMetafileBytes& r, cMetafileCanvas& oCanvas, void (cMetafileCanvas::*fn)(A...),
                 const V&... vValues) {
    if (r.Ok())
        (oCanvas.*fn)(vValues...);
}

} // namespace metafile
