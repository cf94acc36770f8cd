/*
 * MetafileEmf.cpp - plays Enhanced Metafile records onto a cMetafileCanvas.
 *
 * A record is (type u32, size u32, fields); sizes are checked against the
 * file before the record is looked at, and every field read is checked
 * against the record. Offsets inside a record (text, bitmaps) are relative
 * to the record's start.
 */

#include "MetafileCanvas.h"
#include "MetafileDib.h"
#include "MetafilePlay.h"

#include <algorithm>
#include <cmath>

namespace metafile {
namespace {

constexpr uint32_t EmfSignature = 0x464D4520; /* " EMF" */
constexpr size_t EmfHeaderSize = 88;

enum EmfRecord : uint32_t {
    EmrHeader = 1,
    EmrPolyBezier = 2,
    EmrPolygon = 3,
    EmrPolyline = 4,
    EmrPolyBezierTo = 5,
    EmrPolylineTo = 6,
    EmrPolyPolyline = 7,
    EmrPolyPolygon = 8,
    EmrSetWindowExtEx = 9,
    EmrSetWindowOrgEx = 10,
    EmrSetViewportExtEx = 11,
    EmrSetViewportOrgEx = 12,
    EmrEof = 14,
    EmrSetPixelV = 15,
    EmrSetMapMode = 17,
    EmrSetBkMode = 18,
    EmrSetPolyFillMode = 19,
    EmrSetTextAlign = 22,
    EmrSetTextColor = 24,
    EmrSetBkColor = 25,
    EmrOffsetClipRgn = 26,
    EmrMoveToEx = 27,
    EmrExcludeClipRect = 29,
    EmrIntersectClipRect = 30,
    EmrScaleViewportExtEx = 31,
    EmrScaleWindowExtEx = 32,
    EmrSaveDc = 33,
    EmrRestoreDc = 34,
    EmrSetWorldTransform = 35,
    EmrModifyWorldTransform = 36,
    EmrSelectObject = 37,
    EmrCreatePen = 38,
    EmrCreateBrushIndirect = 39,
    EmrDeleteObject = 40,
    EmrAngleArc = 41,
    EmrEllipse = 42,
    EmrRectangle = 43,
    EmrRoundRect = 44,
    EmrArc = 45,
    EmrChord = 46,
    EmrPie = 47,
    EmrCreatePalette = 49,
    EmrLineTo = 54,
    EmrArcTo = 55,
    EmrSetArcDirection = 57,
    EmrBeginPath = 59,
    EmrEndPath = 60,
    EmrCloseFigure = 61,
    EmrFillPath = 62,
    EmrStrokeAndFillPath = 63,
    EmrStrokePath = 64,
    EmrFlattenPath = 65,
    EmrWidenPath = 66,
    EmrSelectClipPath = 67,
    EmrAbortPath = 68,
    EmrComment = 70,
    EmrExtSelectClipRgn = 75,
    EmrBitBlt = 76,
    EmrStretchBlt = 77,
    EmrSetDiBitsToDevice = 80,
    EmrStretchDiBits = 81,
    EmrExtCreateFontIndirectW = 82,
    EmrExtTextOutA = 83,
    EmrExtTextOutW = 84,
    EmrPolyBezier16 = 85,
    EmrPolygon16 = 86,
    EmrPolyline16 = 87,
    EmrPolyBezierTo16 = 88,
    EmrPolylineTo16 = 89,
    EmrPolyPolyline16 = 90,
    EmrPolyPolygon16 = 91,
    EmrCreateMonoBrush = 93,
    EmrCreateDibPatternBrushPt = 94,
    EmrExtCreatePen = 95,
};

constexpr uint32_t TextNoRect = 0x0100, TextPdy = 0x2000;
/* EMF+ records ride in comments: "EMF+" identifier, then the EMF+ header
 * record whose flag bit 0 says the EMF records draw the same picture. */
constexpr uint32_t EmfPlusIdentifier = 0x2B464D45;
constexpr uint16_t EmfPlusHeader = 0x4001, EmfPlusDual = 0x0001;

QRectF ReadRect(cMetafileBytes& r, size_t at) {
    const double left = r.I32(at), top = r.I32(at + 4), right = r.I32(at + 8), bottom = r.I32(at + 12);
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QPointF ReadPoint(cMetafileBytes& r, size_t at) {
    return QPointF(r.I32(at), r.I32(at + 4));
}

class cEmfPlayer {
  public:
    cEmfPlayer(cMetafileCanvas& canvas, const MetafileLimits& limits) : mCanvas(canvas), mLimits(limits) {}
    /* Plays one record; false at the end-of-file record. */
    bool Play(uint32_t lType, cMetafileBytes r);
    /* True when an EMF+ header says the EMF records are no copy of the picture. */
    bool PlusOnly() const { return mPlusOnly; }

  private:
    void PlayPoly(uint32_t lType, cMetafileBytes& r, bool bShort);
    void PlayPolyPoly(uint32_t lType, cMetafileBytes& r, bool bShort);
    void PlayTransform(uint32_t lType, cMetafileBytes& r);
    void PlayArc(ArcKind eKind, cMetafileBytes& r);
    void PlayObject(uint32_t lType, cMetafileBytes& r);
    void PlayText(cMetafileBytes& r, bool bWide);
    void PlayBlit(uint32_t lType, cMetafileBytes& r);
    void PlayClipRegion(cMetafileBytes& r);
    QImage RecordDib(cMetafileBytes& r, size_t lAt, uint32_t lUsage);

    cMetafileCanvas& mCanvas;
    const MetafileLimits& mLimits;
    bool mPlusOnly = false;
};

void cEmfPlayer::PlayPoly(uint32_t lType, cMetafileBytes& r, bool bShort) {
    const QPolygonF points = ReadPoints(r, 28, r.U32(24), bShort ? 2 : 4);
    if (!r.Ok())
        return;
    const uint32_t base = bShort ? lType - (EmrPolyBezier16 - EmrPolyBezier) : lType;
    switch (base) {
    case EmrPolyBezier: mCanvas.PolyBezier(points); break;
    case EmrPolygon: mCanvas.Polygons({points}); break;
    case EmrPolyline: mCanvas.Polyline(points); break;
    case EmrPolyBezierTo: mCanvas.PolyBezierTo(points); break;
    case EmrPolylineTo: mCanvas.PolylineTo(points); break;
    default: break;
    }
}

void cEmfPlayer::PlayPolyPoly(uint32_t lType, cMetafileBytes& r, bool bShort) {
    const uint64_t polyCount = r.U32(24), pointCount = r.U32(28);
    if (!r.Ok() || polyCount > r.Size() / 4)
        return;
    const QPolygonF points = ReadPoints(r, 32 + polyCount * 4, pointCount, bShort ? 2 : 4);
    if (!r.Ok())
        return;
    std::vector<QPolygonF> polygons;
    uint64_t used = 0;
    for (uint64_t i = 0; i < polyCount; ++i) {
        const uint64_t count = r.U32(32 + i * 4);
        if (count > pointCount - used)
            return;
        polygons.push_back(points.mid(static_cast<qsizetype>(used), static_cast<qsizetype>(count)));
        used += count;
    }
    if (lType == EmrPolyPolygon || lType == EmrPolyPolygon16) {
        mCanvas.Polygons(polygons);
    } else {
        for (const QPolygonF& line : polygons)
            mCanvas.Polyline(line);
    }
}

/* Box, start, end. */
void cEmfPlayer::PlayArc(ArcKind eKind, cMetafileBytes& r) {
    PlayIfWhole(r, mCanvas, &cMetafileCanvas::ArcShape, eKind, ReadRect(r, 8), ReadPoint(r, 24), ReadPoint(r, 32));
}

void cEmfPlayer::PlayTransform(uint32_t lType, cMetafileBytes& r) {
    const QTransform xform(r.F32(8), r.F32(12), r.F32(16), r.F32(20), r.F32(24), r.F32(28));
    const double terms[] = {xform.m11(), xform.m12(), xform.m21(), xform.m22(), xform.dx(), xform.dy()};
    if (!std::all_of(std::begin(terms), std::end(terms), [](double v) { return std::isfinite(v); }))
        return;
    QTransform& world = mCanvas.Dc().world;
    if (lType == EmrSetWorldTransform) {
        if (r.Ok())
            world = xform;
        return;
    }
    const uint32_t mode = r.U32(32);
    if (!r.Ok())
        return;
    switch (mode) {
    case 1: world.reset(); break;
    case 2: world = xform * world; break; /* the new transform applies first */
    case 3: world = world * xform; break;
    case 4: world = xform; break;
    default: break;
    }
}

QImage cEmfPlayer::RecordDib(cMetafileBytes& r, size_t lAt, uint32_t lUsage) {
    const uint32_t offBmi = r.U32(lAt), cbBmi = r.U32(lAt + 4);
    const uint32_t offBits = r.U32(lAt + 8), cbBits = r.U32(lAt + 12);
    if (!r.Ok() || cbBmi == 0)
        return {};
    cMetafileBytes bmi = r.Sub(offBmi, cbBmi), bits = r.Sub(offBits, cbBits);
    if (!r.Ok())
        return {};
    return DecodeDib(bmi, bits, lUsage, mLimits);
}

void cEmfPlayer::PlayObject(uint32_t lType, cMetafileBytes& r) {
    const uint32_t index = r.U32(8);
    GdiObject object;
    switch (lType) {
    case EmrCreatePen: object = ReadLogPen(r, 12, 4); break;
    case EmrExtCreatePen: {
        LogPen pen{r.U32(28), static_cast<double>(r.U32(32)), ColorFromRef(r.U32(40)), {}};
        const uint32_t entries = r.U32(48);
        for (uint32_t i = 0; i < entries && i < 16 && r.Has(52 + 4 * i, 4); ++i)
            pen.dashes.push_back(r.U32(52 + 4 * i));
        if (r.U32(36) == 1)
            pen.style = (pen.style & ~0xFu) | 5; /* hollow brush: no line */
        object = pen;
        break;
    }
    case EmrCreateBrushIndirect: object = ReadLogBrush(r, 12, 4); break;
    case EmrCreateMonoBrush:
    case EmrCreateDibPatternBrushPt: object = LogBrush{5, Qt::black, 0, RecordDib(r, 16, r.U32(12))}; break;
    case EmrExtCreateFontIndirectW: object = ReadLogFont(r, 12, 4); break;
    case EmrSelectObject: return PlayIfWhole(r, mCanvas, &cMetafileCanvas::SelectObject, index);
    case EmrDeleteObject: return PlayIfWhole(r, mCanvas, &cMetafileCanvas::DeleteObject, index);
    default: break; /* palettes only hold their slot */
    }
    if (r.Ok())
        mCanvas.StoreObject(index, std::move(object));
}

void cEmfPlayer::PlayText(cMetafileBytes& r, bool bWide) {
    const QPointF reference = ReadPoint(r, 36);
    const uint32_t count = r.U32(44), offString = r.U32(48), options = r.U32(52);
    std::optional<QRectF> box;
    size_t dxField = 72;
    if (options & TextNoRect)
        dxField = 56;
    else
        box = ReadRect(r, 56);
    const uint32_t offDx = r.U32(dxField);
    const QString text = ReadChars(r, offString, count, bWide ? 2 : 1);
    if (!r.Ok())
        return;
    /* Advances: one per character, or (x, y) pairs with ETO_PDY; optional. */
    const std::vector<double> dx =
        offDx != 0 ? ReadAdvances(r, offDx, count, options & TextPdy ? 8 : 4, 4) : std::vector<double>{};
    mCanvas.Text(reference, text, dx, options, box);
}

void cEmfPlayer::PlayBlit(uint32_t lType, cMetafileBytes& r) {
    if (lType == EmrSetDiBitsToDevice || lType == EmrStretchDiBits) {
        QRectF source(r.I32(32), r.I32(36), r.I32(40), r.I32(44));
        const QSizeF destSize = lType == EmrStretchDiBits ? QSizeF(r.I32(72), r.I32(76)) : source.size();
        const QRectF dest(QPointF(r.I32(24), r.I32(28)), destSize);
        const QImage image = RecordDib(r, 48, r.U32(64));
        if (!r.Ok() || image.isNull())
            return;
        /* Source rows count from the bottom of the bitmap. */
        source.moveTop(image.height() - source.y() - source.height());
        mCanvas.Blit(image, source, dest);
        return;
    }
    const QRectF dest(r.I32(24), r.I32(28), r.I32(32), r.I32(36));
    const uint32_t rop = r.U32(40);
    const uint32_t cbBmi = r.U32(88);
    if (!r.Ok())
        return;
    if (cbBmi == 0) {
        /* No source: a fill with the brush or black/white. */
        mCanvas.PatBlt(dest, rop);
        return;
    }
    QRectF source(r.I32(44), r.I32(48), dest.width(), dest.height());
    if (lType == EmrStretchBlt)
        source.setSize(QSizeF(r.I32(100), r.I32(104)));
    const QImage image = RecordDib(r, 84, r.U32(80));
    if (r.Ok() && !image.isNull())
        mCanvas.Blit(image, source, dest);
}

void cEmfPlayer::PlayClipRegion(cMetafileBytes& r) {
    const uint32_t dataSize = r.U32(8), mode = r.U32(12);
    if (!r.Ok())
        return;
    if (mode == RgnCopy && dataSize == 0) {
        mCanvas.ResetClip();
        return;
    }
    cMetafileBytes data = r.Sub(16, dataSize);
    const uint64_t rectCount = data.U32(8);
    if (!r.Ok() || !data.Ok() || rectCount > data.Size() / 16 || !data.Has(32, rectCount * 16))
        return;
    QPainterPath region;
    for (uint64_t i = 0; i < rectCount; ++i)
        region.addRect(ReadRect(data, 32 + i * 16).normalized());
    mCanvas.SelectClipRegion(region, static_cast<int32_t>(mode));
}

bool cEmfPlayer::Play(uint32_t lType, cMetafileBytes r) {
    DcState& dc = mCanvas.Dc();
    switch (lType) {
    case EmrEof: return false;
    case EmrPolyBezier:
    case EmrPolygon:
    case EmrPolyline:
    case EmrPolyBezierTo:
    case EmrPolylineTo: PlayPoly(lType, r, false); break;
    case EmrPolyBezier16:
    case EmrPolygon16:
    case EmrPolyline16:
    case EmrPolyBezierTo16:
    case EmrPolylineTo16: PlayPoly(lType, r, true); break;
    case EmrPolyPolyline:
    case EmrPolyPolygon: PlayPolyPoly(lType, r, false); break;
    case EmrPolyPolyline16:
    case EmrPolyPolygon16: PlayPolyPoly(lType, r, true); break;
    case EmrSetWindowExtEx:
    case EmrSetViewportExtEx:
        if (const QPointF ext = ReadPoint(r, 8); r.Ok() && ext.x() != 0 && ext.y() != 0)
            (lType == EmrSetWindowExtEx ? dc.windowExt : dc.viewportExt) = ext;
        break;
    case EmrSetWindowOrgEx: SetIfWhole(r, dc.windowOrg, ReadPoint(r, 8)); break;
    case EmrSetViewportOrgEx: SetIfWhole(r, dc.viewportOrg, ReadPoint(r, 8)); break;
    case EmrScaleViewportExtEx:
    case EmrScaleWindowExtEx: {
        QPointF& ext = lType == EmrScaleWindowExtEx ? dc.windowExt : dc.viewportExt;
        const double xNum = r.I32(8), xDenom = r.I32(12), yNum = r.I32(16), yDenom = r.I32(20);
        if (r.Ok())
            ScaleExtent(ext, xNum, xDenom, yNum, yDenom);
        break;
    }
    case EmrSetMapMode:
        if (const uint32_t m = r.U32(8); r.Ok() && m >= 1 && m <= 8)
            dc.mapMode = int32_t(m);
        break;
    case EmrSetBkMode:
        if (const uint32_t m = r.U32(8); r.Ok() && (m == 1 || m == 2))
            dc.bkMode = int32_t(m);
        break;
    case EmrSetPolyFillMode: SetIfWhole(r, dc.fillRule, r.U32(8) == 2 ? Qt::WindingFill : Qt::OddEvenFill); break;
    case EmrSetTextAlign: SetIfWhole(r, dc.textAlign, r.U32(8)); break;
    case EmrSetTextColor: SetIfWhole(r, dc.textColor, ColorFromRef(r.U32(8))); break;
    case EmrSetBkColor: SetIfWhole(r, dc.bkColor, ColorFromRef(r.U32(8))); break;
    case EmrSetArcDirection: SetIfWhole(r, dc.clockwiseArcs, r.U32(8) == 2); break;
    case EmrOffsetClipRgn: PlayIfWhole(r, mCanvas, &cMetafileCanvas::OffsetClip, ReadPoint(r, 8)); break;
    case EmrMoveToEx: PlayIfWhole(r, mCanvas, &cMetafileCanvas::MoveTo, ReadPoint(r, 8)); break;
    case EmrLineTo: PlayIfWhole(r, mCanvas, &cMetafileCanvas::LineTo, ReadPoint(r, 8)); break;
    case EmrSetPixelV:
        PlayIfWhole(r, mCanvas, &cMetafileCanvas::SetPixel, ReadPoint(r, 8), ColorFromRef(r.U32(16)));
        break;
    case EmrExcludeClipRect: PlayIfWhole(r, mCanvas, &cMetafileCanvas::ClipRect, ReadRect(r, 8), RgnDiff); break;
    case EmrIntersectClipRect: PlayIfWhole(r, mCanvas, &cMetafileCanvas::ClipRect, ReadRect(r, 8), RgnAnd); break;
    case EmrSaveDc: mCanvas.SaveDc(); break;
    case EmrRestoreDc: PlayIfWhole(r, mCanvas, &cMetafileCanvas::RestoreDc, r.I32(8)); break;
    case EmrSetWorldTransform:
    case EmrModifyWorldTransform: PlayTransform(lType, r); break;
    case EmrCreatePen:
    case EmrExtCreatePen:
    case EmrCreateBrushIndirect:
    case EmrCreateMonoBrush:
    case EmrCreateDibPatternBrushPt:
    case EmrExtCreateFontIndirectW:
    case EmrCreatePalette:
    case EmrSelectObject:
    case EmrDeleteObject: PlayObject(lType, r); break;
    case EmrEllipse: PlayIfWhole(r, mCanvas, &cMetafileCanvas::Ellipse, ReadRect(r, 8)); break;
    case EmrRectangle: PlayIfWhole(r, mCanvas, &cMetafileCanvas::Rectangle, ReadRect(r, 8)); break;
    case EmrRoundRect:
        PlayIfWhole(r, mCanvas, &cMetafileCanvas::RoundRect, ReadRect(r, 8), QSizeF(r.I32(24), r.I32(28)));
        break;
    case EmrArc: PlayArc(ArcKind::Arc, r); break;
    case EmrChord: PlayArc(ArcKind::Chord, r); break;
    case EmrPie: PlayArc(ArcKind::Pie, r); break;
    case EmrArcTo: PlayArc(ArcKind::ArcTo, r); break;
    case EmrAngleArc:
        PlayIfWhole(r, mCanvas, &cMetafileCanvas::AngleArc, ReadPoint(r, 8), r.U32(16), r.F32(20), r.F32(24));
        break;
    case EmrBeginPath: mCanvas.BeginPath(); break;
    case EmrEndPath: mCanvas.EndPath(); break;
    case EmrCloseFigure: mCanvas.CloseFigure(); break;
    case EmrAbortPath: mCanvas.AbortPath(); break;
    case EmrFillPath: mCanvas.FillPath(true, false); break;
    case EmrStrokePath: mCanvas.FillPath(false, true); break;
    case EmrStrokeAndFillPath: mCanvas.FillPath(true, true); break;
    case EmrWidenPath: mCanvas.WidenPath(); break;
    case EmrSelectClipPath: PlayIfWhole(r, mCanvas, &cMetafileCanvas::SelectClipPath, int32_t(r.U32(8))); break;
    case EmrExtSelectClipRgn: PlayClipRegion(r); break;
    case EmrBitBlt:
    case EmrStretchBlt:
    case EmrSetDiBitsToDevice:
    case EmrStretchDiBits: PlayBlit(lType, r); break;
    case EmrComment:
        if (r.U32(12) == EmfPlusIdentifier && r.U16(16) == EmfPlusHeader && r.Ok() && !(r.U16(18) & EmfPlusDual)) {
            mPlusOnly = true;
            return false;
        }
        break;
    case EmrExtTextOutA:
    case EmrExtTextOutW: PlayText(r, lType == EmrExtTextOutW); break;
    default: break; /* palettes, colour management, unknown records */
    }
    return true;
}

/* Output size and the reference-device mapping from the header. */
GpStatus SetUpFrame(cMetafileBytes& file, const MetafileLimits& limits, QImage& out, DeviceMapping& device) {
    const QRectF bounds = ReadRect(file, 8), frame = ReadRect(file, 24);
    const double deviceX = file.I32(72), deviceY = file.I32(76);
    const double millimetersX = file.I32(80), millimetersY = file.I32(84);
    if (!file.Ok())
        return UnknownImageFormat;
    if (deviceX > 0 && millimetersX > 0)
        device.perHmmX = deviceX / (millimetersX * 100);
    if (deviceY > 0 && millimetersY > 0)
        device.perHmmY = deviceY / (millimetersY * 100);
    constexpr double OutputPerHmm = 96.0 / 2540;
    if (frame.width() > 0 && frame.height() > 0) {
        const GpStatus status =
            AllocateOutput(frame.width() * OutputPerHmm, frame.height() * OutputPerHmm, limits, out);
        if (status != Ok)
            return status;
        /* Device pixels -> 0.01 mm -> output pixels, relative to the frame's corner. */
        device.toOutput = QTransform::fromScale(1 / device.perHmmX, 1 / device.perHmmY) *
                          QTransform::fromTranslate(-frame.left(), -frame.top()) *
                          QTransform::fromScale(out.width() / frame.width(), out.height() / frame.height());
        return Ok;
    }
    /* No frame: the bounds, in device pixels, are inclusive. */
    if (bounds.width() < 0 || bounds.height() < 0)
        return InvalidParameter;
    const GpStatus status = AllocateOutput(bounds.width() + 1, bounds.height() + 1, limits, out);
    device.toOutput = QTransform::fromTranslate(-bounds.left(), -bounds.top());
    return status;
}

} // namespace

bool IsEmf(const uint8_t* data, size_t size) {
    cMetafileBytes file(data, size);
    const uint32_t headerSize = file.U32(4);
    return file.U32(0) == EmrHeader && file.U32(40) == EmfSignature && file.Ok() && headerSize >= EmfHeaderSize &&
           headerSize <= size;
}

GpStatus PlayEmf(cMetafileBytes file, const MetafileLimits& limits, QImage& out) {
    DeviceMapping device;
    const GpStatus status = SetUpFrame(file, limits, out, device);
    if (status != Ok)
        return status;
    cMetafileCanvas canvas(out, limits);
    canvas.SetDevice(device);
    canvas.ResetObjects(file.U16(56));
    cEmfPlayer player(canvas, limits);
    size_t offset = file.U32(4);
    bool ended = false;
    /* Records are at least 8 bytes, so the loop ends within size / 8 steps.
     * A record whose size runs past the end of the file ends playback. */
    while (!ended && file.Has(offset, 8) && canvas.Status() == Ok) {
        const uint32_t type = file.U32(offset), recordSize = file.U32(offset + 4);
        if (recordSize < 8 || !file.Has(offset, recordSize))
            break;
        ended = !player.Play(type, file.Sub(offset, recordSize));
        offset += recordSize;
    }
    if (canvas.Status() != Ok)
        return canvas.Status();
    /* EMF+ drawing is not supported: an EMF+-only file would come out blank. */
    if (player.PlusOnly())
        return NotImplemented;
    return ended ? Ok : GenericError; /* no end-of-file record: cut short */
}

} // namespace metafile
