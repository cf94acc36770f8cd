/*
 * MetafileWmf.cpp - plays 16-bit Windows Metafile records onto a
 * cMetafileCanvas.
 *
 * A record is (size in 16-bit words u32, function u16, parameters). Rectangle
 * and point parameters come in reverse order (bottom, right, top, left; y, x).
 * A placeable file starts with a 22-byte header giving the picture's bounds
 * in logical units and the units per inch; the player maps that box (or the
 * window the file sets) onto the whole output, as a picture viewer does.
 */

#include "MetafileCanvas.h"
#include "MetafileDib.h"
#include "MetafilePlay.h"

namespace metafile {
namespace {

constexpr uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr size_t PlaceableSize = 22, HeaderSize = 18;

enum WmfRecord : uint16_t {
    MetaEof = 0x0000,
    MetaSaveDc = 0x001E,
    MetaRealizePalette = 0x0035,
    MetaSetPalEntries = 0x0037,
    MetaCreatePalette = 0x00F7,
    MetaSetBkMode = 0x0102,
    MetaSetMapMode = 0x0103,
    MetaSetPolyFillMode = 0x0106,
    MetaRestoreDc = 0x0127,
    MetaSelectClipRegion = 0x012C,
    MetaSelectObject = 0x012D,
    MetaSetTextAlign = 0x012E,
    MetaDibCreatePatternBrush = 0x0142,
    MetaDeleteObject = 0x01F0,
    MetaCreatePatternBrush = 0x01F9,
    MetaSetBkColor = 0x0201,
    MetaSetTextColor = 0x0209,
    MetaSetWindowOrg = 0x020B,
    MetaSetWindowExt = 0x020C,
    MetaOffsetWindowOrg = 0x020F,
    MetaLineTo = 0x0213,
    MetaMoveTo = 0x0214,
    MetaOffsetClipRgn = 0x0220,
    MetaCreatePenIndirect = 0x02FA,
    MetaCreateFontIndirect = 0x02FB,
    MetaCreateBrushIndirect = 0x02FC,
    MetaPolygon = 0x0324,
    MetaPolyline = 0x0325,
    MetaScaleWindowExt = 0x0410,
    MetaExcludeClipRect = 0x0415,
    MetaIntersectClipRect = 0x0416,
    MetaEllipse = 0x0418,
    MetaRectangle = 0x041B,
    MetaSetPixel = 0x041F,
    MetaTextOut = 0x0521,
    MetaPolyPolygon = 0x0538,
    MetaRoundRect = 0x061C,
    MetaPatBlt = 0x061D,
    MetaCreateRegion = 0x06FF,
    MetaArc = 0x0817,
    MetaPie = 0x081A,
    MetaChord = 0x0830,
    MetaDibBitBlt = 0x0940,
    MetaExtTextOut = 0x0A32,
    MetaDibStretchBlt = 0x0B41,
    MetaStretchDib = 0x0F43,
};

/* Rectangle stored as bottom, right, top, left at offset at. */
QRectF ReadRect(cMetafileBytes& p, size_t at) {
    const double bottom = p.I16(at), right = p.I16(at + 2), top = p.I16(at + 4), left = p.I16(at + 6);
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

/* Point stored as y, x. */
QPointF ReadPoint(cMetafileBytes& p, size_t at) {
    return QPointF(p.I16(at + 2), p.I16(at));
}

class cWmfPlayer {
  public:
    cWmfPlayer(cMetafileCanvas& canvas, const MetafileLimits& limits) : mCanvas(canvas), mLimits(limits) {}
    /* Plays one record's parameters; false at the end-of-file record. */
    bool Play(uint16_t lFunction, cMetafileBytes p);

  private:
    bool PlayState(uint16_t lFunction, cMetafileBytes& p);
    bool PlayShape(uint16_t lFunction, cMetafileBytes& p);
    void PlayArc(ArcKind eKind, cMetafileBytes& p);
    void PlayObject(uint16_t lFunction, cMetafileBytes& p);
    void PlayText(uint16_t lFunction, cMetafileBytes& p);
    void PlayBlit(uint16_t lFunction, cMetafileBytes& p);

    cMetafileCanvas& mCanvas;
    const MetafileLimits& mLimits;
};

bool cWmfPlayer::PlayState(uint16_t lFunction, cMetafileBytes& p) {
    DcState& dc = mCanvas.Dc();
    switch (lFunction) {
    case MetaSetBkMode:
        if (const uint16_t m = p.U16(0); p.Ok() && (m == 1 || m == 2))
            dc.bkMode = m;
        break;
    case MetaSetMapMode:
        /* The player fixes the window-to-output mapping; only the aspect rule counts. */
        SetIfWhole(p, dc.mapMode, p.U16(0) == MapIsotropic ? MapIsotropic : MapAnisotropic);
        break;
    case MetaSetPolyFillMode: SetIfWhole(p, dc.fillRule, p.U16(0) == 2 ? Qt::WindingFill : Qt::OddEvenFill); break;
    case MetaSetTextAlign: SetIfWhole(p, dc.textAlign, p.U16(0)); break;
    case MetaSetBkColor: SetIfWhole(p, dc.bkColor, ColorFromRef(p.U32(0))); break;
    case MetaSetTextColor: SetIfWhole(p, dc.textColor, ColorFromRef(p.U32(0))); break;
    case MetaSetWindowOrg: SetIfWhole(p, dc.windowOrg, ReadPoint(p, 0)); break;
    case MetaSetWindowExt:
        if (const QPointF ext = ReadPoint(p, 0); p.Ok() && ext.x() != 0 && ext.y() != 0)
            dc.windowExt = ext;
        break;
    case MetaOffsetWindowOrg:
        if (const QPointF d = ReadPoint(p, 0); p.Ok())
            dc.windowOrg += d;
        break;
    case MetaScaleWindowExt: {
        const double yDenom = p.I16(0), yNum = p.I16(2), xDenom = p.I16(4), xNum = p.I16(6);
        if (p.Ok())
            ScaleExtent(dc.windowExt, xNum, xDenom, yNum, yDenom);
        break;
    }
    case MetaSaveDc: mCanvas.SaveDc(); break;
    case MetaRestoreDc: PlayIfWhole(p, mCanvas, &cMetafileCanvas::RestoreDc, p.I16(0)); break;
    case MetaExcludeClipRect: PlayIfWhole(p, mCanvas, &cMetafileCanvas::ClipRect, ReadRect(p, 0), RgnDiff); break;
    case MetaIntersectClipRect: PlayIfWhole(p, mCanvas, &cMetafileCanvas::ClipRect, ReadRect(p, 0), RgnAnd); break;
    case MetaOffsetClipRgn: PlayIfWhole(p, mCanvas, &cMetafileCanvas::OffsetClip, ReadPoint(p, 0)); break;
    case MetaSelectClipRegion: mCanvas.ResetClip(); break; /* regions are not kept */
    default: return false;
    }
    return true;
}

/* End, start, box: the reverse of EMF's order. */
void cWmfPlayer::PlayArc(ArcKind eKind, cMetafileBytes& p) {
    PlayIfWhole(p, mCanvas, &cMetafileCanvas::ArcShape, eKind, ReadRect(p, 8), ReadPoint(p, 4), ReadPoint(p, 0));
}

bool cWmfPlayer::PlayShape(uint16_t lFunction, cMetafileBytes& p) {
    switch (lFunction) {
    case MetaMoveTo: PlayIfWhole(p, mCanvas, &cMetafileCanvas::MoveTo, ReadPoint(p, 0)); break;
    case MetaLineTo: PlayIfWhole(p, mCanvas, &cMetafileCanvas::LineTo, ReadPoint(p, 0)); break;
    case MetaSetPixel:
        PlayIfWhole(p, mCanvas, &cMetafileCanvas::SetPixel, ReadPoint(p, 4), ColorFromRef(p.U32(0)));
        break;
    case MetaRectangle: PlayIfWhole(p, mCanvas, &cMetafileCanvas::Rectangle, ReadRect(p, 0)); break;
    case MetaEllipse: PlayIfWhole(p, mCanvas, &cMetafileCanvas::Ellipse, ReadRect(p, 0)); break;
    case MetaRoundRect:
        PlayIfWhole(p, mCanvas, &cMetafileCanvas::RoundRect, ReadRect(p, 4), QSizeF(p.I16(2), p.I16(0)));
        break;
    case MetaArc: PlayArc(ArcKind::Arc, p); break;
    case MetaPie: PlayArc(ArcKind::Pie, p); break;
    case MetaChord: PlayArc(ArcKind::Chord, p); break;
    case MetaPolygon:
    case MetaPolyline: {
        const QPolygonF points = ReadPoints(p, 2, p.U16(0), 2);
        if (!p.Ok())
            break;
        if (lFunction == MetaPolygon)
            mCanvas.Polygons({points});
        else
            mCanvas.Polyline(points);
        break;
    }
    case MetaPolyPolygon: {
        const size_t polyCount = p.U16(0);
        size_t at = 2 + 2 * polyCount;
        std::vector<QPolygonF> polygons;
        for (size_t i = 0; i < polyCount && p.Ok(); ++i) {
            const size_t count = p.U16(2 + 2 * i);
            polygons.push_back(ReadPoints(p, at, count, 2));
            at += 4 * count;
        }
        if (p.Ok())
            mCanvas.Polygons(polygons);
        break;
    }
    default: return false;
    }
    return true;
}

void cWmfPlayer::PlayObject(uint16_t lFunction, cMetafileBytes& p) {
    GdiObject object;
    switch (lFunction) {
    case MetaCreatePenIndirect: object = ReadLogPen(p, 0, 2); break;
    case MetaCreateBrushIndirect: object = ReadLogBrush(p, 0, 2); break;
    case MetaCreateFontIndirect: object = ReadLogFont(p, 0, 2); break;
    case MetaDibCreatePatternBrush: {
        /* Takes its slot even when the bitmap is unusable. */
        const uint16_t style = p.U16(0), usage = p.U16(2);
        QImage pattern;
        if (style != 3 && p.Has(4, 0))
            pattern = DecodePackedDib(p.Sub(4, p.Size() - 4), usage, mLimits);
        return mCanvas.StoreObjectFirstFree(LogBrush{5, Qt::black, 0, pattern});
    }
    case MetaCreatePalette:
    case MetaCreatePatternBrush:
    case MetaCreateRegion: break; /* these only hold their slot */
    case MetaSelectObject: return PlayIfWhole(p, mCanvas, &cMetafileCanvas::SelectObject, p.U16(0));
    case MetaDeleteObject: return PlayIfWhole(p, mCanvas, &cMetafileCanvas::DeleteObject, p.U16(0));
    default: return;
    }
    if (p.Ok())
        mCanvas.StoreObjectFirstFree(std::move(object));
}

void cWmfPlayer::PlayText(uint16_t lFunction, cMetafileBytes& p) {
    if (lFunction == MetaTextOut) {
        const size_t length = p.U16(0);
        const QString text = ReadChars(p, 2, length, 1);
        const QPointF at = ReadPoint(p, 2 + ((length + 1) & ~size_t{1}));
        if (p.Ok())
            mCanvas.Text(at, text, {}, 0, std::nullopt);
        return;
    }
    const QPointF at = ReadPoint(p, 0);
    const size_t length = p.U16(4);
    const uint16_t options = p.U16(6);
    size_t offset = 8;
    std::optional<QRectF> box;
    if (options & (TextOpaque | TextClipped)) {
        /* This rectangle is stored left, top, right, bottom. */
        box = QRectF(QPointF(p.I16(8), p.I16(10)), QPointF(p.I16(12), p.I16(14)));
        offset += 8;
    }
    const QString text = ReadChars(p, offset, length, 1);
    if (!p.Ok())
        return;
    offset += (length + 1) & ~size_t{1};
    mCanvas.Text(at, text, ReadAdvances(p, offset, length, 2, 2), options, box);
}

void cWmfPlayer::PlayBlit(uint16_t lFunction, cMetafileBytes& p) {
    const uint32_t rop = p.U32(0);
    if (!p.Ok())
        return;
    if (lFunction == MetaPatBlt)
        return PlayIfWhole(p, mCanvas, &cMetafileCanvas::PatBlt, QRectF(p.I16(10), p.I16(8), p.I16(6), p.I16(4)), rop);
    QRectF source, dest;
    size_t dibAt = 0;
    uint32_t usage = DibRgbColors;
    if (lFunction == MetaDibBitBlt) {
        source = QRectF(p.I16(6), p.I16(4), p.I16(10), p.I16(8));
        dest = QRectF(p.I16(14), p.I16(12), source.width(), source.height());
        dibAt = 16;
    } else {
        /* StretchDIB has the colour usage where DIBStretchBlt starts its source. */
        const size_t at = lFunction == MetaStretchDib ? 6 : 4;
        if (lFunction == MetaStretchDib)
            usage = p.U16(4);
        source = QRectF(p.I16(at + 6), p.I16(at + 4), p.I16(at + 2), p.I16(at));
        dest = QRectF(p.I16(at + 14), p.I16(at + 12), p.I16(at + 10), p.I16(at + 8));
        dibAt = at + 16;
    }
    if (!p.Ok() || !p.Has(dibAt, 0))
        return;
    const QImage image = DecodePackedDib(p.Sub(dibAt, p.Size() - dibAt), usage, mLimits);
    if (image.isNull())
        return;
    /* Source rows count from the bottom of the bitmap. */
    source.moveTop(image.height() - source.y() - source.height());
    mCanvas.Blit(image, source, dest);
}

bool cWmfPlayer::Play(uint16_t lFunction, cMetafileBytes p) {
    if (lFunction == MetaEof)
        return false;
    if (PlayState(lFunction, p) || PlayShape(lFunction, p))
        return true;
    switch (lFunction) {
    case MetaTextOut:
    case MetaExtTextOut: PlayText(lFunction, p); break;
    case MetaPatBlt:
    case MetaDibBitBlt:
    case MetaDibStretchBlt:
    case MetaStretchDib:
        /* Blits without a bitmap carry no DIB; only the pattern blit fills then. */
        if (lFunction == MetaPatBlt || p.Size() > (lFunction == MetaDibBitBlt ? 18u : 20u))
            PlayBlit(lFunction, p);
        break;
    default: PlayObject(lFunction, p); break;
    }
    return true;
}

/* The picture's box in logical units and the output size it maps to. Without
 * a placeable header, the first window origin and extent set by the records
 * give the box, in pixels. */
bool FindFrame(cMetafileBytes& file, size_t lFirstRecord, QRectF& oBox, double& sngPerInch) {
    if (file.U32(0) == PlaceableKey) {
        oBox = QRectF(QPointF(file.I16(6), file.I16(8)), QPointF(file.I16(10), file.I16(12)));
        sngPerInch = file.U16(14);
        return file.Ok() && sngPerInch > 0;
    }
    sngPerInch = 96;
    QPointF origin(0, 0);
    size_t offset = lFirstRecord;
    while (file.Has(offset, 6)) {
        const uint64_t size = uint64_t{file.U32(offset)} * 2;
        const uint16_t function = file.U16(offset + 4);
        if (size < 6 || !file.Has(offset, size) || function == MetaEof)
            break;
        if (function == MetaSetWindowOrg && size >= 10)
            origin = QPointF(file.I16(offset + 8), file.I16(offset + 6));
        if (function == MetaSetWindowExt && size >= 10) {
            oBox = QRectF(origin, QSizeF(file.I16(offset + 8), file.I16(offset + 6)));
            return oBox.width() != 0 && oBox.height() != 0;
        }
        offset += size;
    }
    return false;
}

} // namespace

bool IsWmf(const uint8_t* data, size_t size) {
    cMetafileBytes file(data, size);
    const size_t at = file.U32(0) == PlaceableKey ? PlaceableSize : 0;
    const uint16_t type = file.U16(at), headerWords = file.U16(at + 2), version = file.U16(at + 4);
    return file.Ok() && file.Has(at, HeaderSize) && (type == 1 || type == 2) && headerWords == 9 &&
           (version == 0x0100 || version == 0x0300);
}

GpStatus PlayWmf(cMetafileBytes file, const MetafileLimits& limits, QImage& out) {
    const size_t header = file.U32(0) == PlaceableKey ? PlaceableSize : 0;
    const size_t firstRecord = header + HeaderSize;
    QRectF box;
    double perInch = 96;
    if (!FindFrame(file, firstRecord, box, perInch))
        return InvalidParameter;
    const GpStatus status =
        AllocateOutput(std::abs(box.width()) * 96 / perInch, std::abs(box.height()) * 96 / perInch, limits, out);
    if (status != Ok)
        return status;
    cMetafileCanvas canvas(out, limits);
    DcState& dc = canvas.Dc();
    dc.mapMode = MapAnisotropic;
    dc.windowOrg = box.topLeft();
    dc.windowExt = QPointF(box.width(), box.height());
    dc.viewportExt = QPointF(out.width(), out.height());
    canvas.ResetObjects(file.U16(header + 10));
    cWmfPlayer player(canvas, limits);
    size_t offset = firstRecord;
    bool ended = false;
    /* Records are at least 6 bytes; one whose size runs past the end ends playback. */
    while (!ended && file.Has(offset, 6) && canvas.Status() == Ok) {
        const uint64_t size = uint64_t{file.U32(offset)} * 2;
        if (size < 6 || !file.Has(offset, size))
            break;
        ended = !player.Play(file.U16(offset + 4), file.Sub(offset + 6, size - 6));
        offset += size;
    }
    if (canvas.Status() != Ok)
        return canvas.Status();
    return ended ? Ok : GenericError; /* no end-of-file record: cut short */
}

} // namespace metafile
