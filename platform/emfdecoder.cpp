#include "platform/emfdecoder.h"

#include "platform/metafiledraw.h"
#include "platform/picture.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <uemf.h>

namespace brenvik {

namespace {

using namespace metafile;

// `count` points of type P starting at `offset` of a record of `size` bytes.
template <class P>
bool readPoints(const char* rec, quint64 size, quint64 offset, quint64 count, QPolygonF* out) {
    if (count > 1000000 || offset > size || count * sizeof(P) > size - offset) return false;
    out->reserve(qsizetype(count));
    for (quint64 i = 0; i < count; ++i)
        *out << pt(load<P>(rec + offset + i * sizeof(P)));
    return true;
}

template <class T> bool fits(quint32 size) {
    return size >= sizeof(T);
}

QString utf16Text(const char* p, quint64 count) {
    QString s(qsizetype(count), Qt::Uninitialized);
    std::memcpy(s.data(), p, count * 2);
    return s;
}

void playEmfText(Player& player, const char* rec, quint32 size, bool wide) {
    if (!fits<U_EMREXTTEXTOUTW>(size)) return;
    const auto r = load<U_EMREXTTEXTOUTW>(rec);
    const quint64 count = r.emrtext.nChars, offset = r.emrtext.offString;
    const quint64 bytes = count * (wide ? 2 : 1);
    if (count > 100000 || offset > size || bytes > size - offset) return;
    const QString s =
        wide ? utf16Text(rec + offset, count) : QString::fromLatin1(rec + offset, qsizetype(count));
    player.text(pt(r.emrtext.ptlReference), s);
}

void playEmfPoly(Player& player, quint32 type, const char* rec, quint32 size) {
    const bool small = type >= U_EMR_POLYBEZIER16;
    if (size < U_SIZE_EMRPOLYLINE) return;
    const quint32 count = load<quint32>(rec + offsetof(U_EMRPOLYLINE, cptl));
    constexpr quint64 at = offsetof(U_EMRPOLYLINE, aptl);
    QPolygonF points;
    const bool ok = small ? readPoints<U_POINT16>(rec, size, at, count, &points)
                          : readPoints<U_POINTL>(rec, size, at, count, &points);
    if (!ok) return;
    switch (small ? type - U_EMR_POLYBEZIER16 + U_EMR_POLYBEZIER : type) {
    case U_EMR_POLYBEZIER:
        player.polyBezier(points, false);
        break;
    case U_EMR_POLYGON:
        player.polygons({points});
        break;
    case U_EMR_POLYLINE:
        player.polyline(points);
        break;
    case U_EMR_POLYBEZIERTO:
        player.polyBezier(points, true);
        break;
    case U_EMR_POLYLINETO:
        player.polylineTo(points);
        break;
    default:
        break;
    }
}

void playEmfPolyPoly(Player& player, quint32 type, const char* rec, quint32 size) {
    const bool small = type == U_EMR_POLYPOLYLINE16 || type == U_EMR_POLYPOLYGON16;
    if (size < U_SIZE_EMRPOLYPOLYLINE) return;
    constexpr quint64 countsAt = offsetof(U_EMRPOLYPOLYLINE, aPolyCounts);
    const quint64 polys = load<quint32>(rec + offsetof(U_EMRPOLYPOLYLINE, nPolys)),
                  total = load<quint32>(rec + offsetof(U_EMRPOLYPOLYLINE, cptl));
    if (polys > 100000 || countsAt + polys * 4 > size) return;
    QPolygonF all;
    const quint64 pointsAt = countsAt + polys * 4;
    const bool ok = small ? readPoints<U_POINT16>(rec, size, pointsAt, total, &all)
                          : readPoints<U_POINTL>(rec, size, pointsAt, total, &all);
    if (!ok) return;
    QList<QPolygonF> list;
    quint64 at = 0;
    for (quint64 i = 0; i < polys; ++i) {
        const quint64 n = load<quint32>(rec + countsAt + i * 4);
        if (n > total - at) return;
        list << all.mid(qsizetype(at), qsizetype(n));
        at += n;
    }
    if (type == U_EMR_POLYPOLYGON || type == U_EMR_POLYPOLYGON16) {
        player.polygons(list);
    } else {
        for (const QPolygonF& p : std::as_const(list))
            player.polyline(p);
    }
}

QImage recordBitmap(const char* rec, quint32 size, quint32 offBmi, quint32 cbBmi, quint32 offBits,
                    quint32 cbBits) {
    if (cbBmi == 0 || offBmi > size || cbBmi > size - offBmi || offBits > size ||
        cbBits > size - offBits)
        return {};
    return dibToImage(rec + offBmi, cbBmi, rec + offBits, cbBits);
}

// The records drawn or tracked below; the rest are skipped unread.
bool emfRecordUsed(quint32 type) {
    static const quint32 used[] = {U_EMR_POLYBEZIER,
                                   U_EMR_POLYGON,
                                   U_EMR_POLYLINE,
                                   U_EMR_POLYBEZIERTO,
                                   U_EMR_POLYLINETO,
                                   U_EMR_POLYPOLYLINE,
                                   U_EMR_POLYPOLYGON,
                                   U_EMR_SETWINDOWEXTEX,
                                   U_EMR_SETWINDOWORGEX,
                                   U_EMR_SETVIEWPORTEXTEX,
                                   U_EMR_SETVIEWPORTORGEX,
                                   U_EMR_SETPIXELV,
                                   U_EMR_SETMAPMODE,
                                   U_EMR_SETBKMODE,
                                   U_EMR_SETPOLYFILLMODE,
                                   U_EMR_SETTEXTALIGN,
                                   U_EMR_SETTEXTCOLOR,
                                   U_EMR_SETBKCOLOR,
                                   U_EMR_MOVETOEX,
                                   U_EMR_INTERSECTCLIPRECT,
                                   U_EMR_SCALEVIEWPORTEXTEX,
                                   U_EMR_SCALEWINDOWEXTEX,
                                   U_EMR_SAVEDC,
                                   U_EMR_RESTOREDC,
                                   U_EMR_SETWORLDTRANSFORM,
                                   U_EMR_MODIFYWORLDTRANSFORM,
                                   U_EMR_SELECTOBJECT,
                                   U_EMR_CREATEPEN,
                                   U_EMR_CREATEBRUSHINDIRECT,
                                   U_EMR_DELETEOBJECT,
                                   U_EMR_ELLIPSE,
                                   U_EMR_RECTANGLE,
                                   U_EMR_ROUNDRECT,
                                   U_EMR_ARC,
                                   U_EMR_CHORD,
                                   U_EMR_PIE,
                                   U_EMR_CREATEPALETTE,
                                   U_EMR_LINETO,
                                   U_EMR_ARCTO,
                                   U_EMR_BEGINPATH,
                                   U_EMR_ENDPATH,
                                   U_EMR_CLOSEFIGURE,
                                   U_EMR_FILLPATH,
                                   U_EMR_STROKEANDFILLPATH,
                                   U_EMR_STROKEPATH,
                                   U_EMR_ABORTPATH,
                                   U_EMR_EXTSELECTCLIPRGN,
                                   U_EMR_BITBLT,
                                   U_EMR_STRETCHBLT,
                                   U_EMR_SETDIBITSTODEVICE,
                                   U_EMR_STRETCHDIBITS,
                                   U_EMR_EXTCREATEFONTINDIRECTW,
                                   U_EMR_EXTTEXTOUTA,
                                   U_EMR_EXTTEXTOUTW,
                                   U_EMR_POLYBEZIER16,
                                   U_EMR_POLYGON16,
                                   U_EMR_POLYLINE16,
                                   U_EMR_POLYBEZIERTO16,
                                   U_EMR_POLYLINETO16,
                                   U_EMR_POLYPOLYLINE16,
                                   U_EMR_POLYPOLYGON16,
                                   U_EMR_CREATEMONOBRUSH,
                                   U_EMR_CREATEDIBPATTERNBRUSHPT,
                                   U_EMR_EXTCREATEPEN,
                                   U_EMR_CREATECOLORSPACE,
                                   U_EMR_CREATECOLORSPACEW};
    return std::find(std::begin(used), std::end(used), type) != std::end(used);
}

// A block transfer: a raster-operation fill when it carries no bitmap, else the bitmap
// (stretched when the record gives a source size).
template <class R> void playEmfBlt(Player& player, const char* rec, quint32 size) {
    if (!fits<R>(size)) return;
    const auto r = load<R>(rec);
    const QRectF dest(pt(r.Dest), QSizeF(r.cDest.x, r.cDest.y));
    if (r.cbBmiSrc == 0) {
        player.fillRect(dest, r.dwRop);
        return;
    }
    const QImage img = recordBitmap(rec, size, r.offBmiSrc, r.cbBmiSrc, r.offBitsSrc, r.cbBitsSrc);
    QSizeF source = dest.size();
    if constexpr (requires { r.cSrc; }) source = QSizeF(r.cSrc.x, r.cSrc.y);
    player.image(dest, img, QRectF(pt(r.Src), source));
}

void playEmfRecord(Player& player, quint32 type, const char* rec, quint32 size) {
    switch (type) {
    case U_EMR_POLYBEZIER:
    case U_EMR_POLYGON:
    case U_EMR_POLYLINE:
    case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYLINETO:
    case U_EMR_POLYBEZIER16:
    case U_EMR_POLYGON16:
    case U_EMR_POLYLINE16:
    case U_EMR_POLYBEZIERTO16:
    case U_EMR_POLYLINETO16:
        playEmfPoly(player, type, rec, size);
        break;
    case U_EMR_POLYPOLYLINE:
    case U_EMR_POLYPOLYGON:
    case U_EMR_POLYPOLYLINE16:
    case U_EMR_POLYPOLYGON16:
        playEmfPolyPoly(player, type, rec, size);
        break;
    case U_EMR_SETWINDOWEXTEX:
    case U_EMR_SETVIEWPORTEXTEX:
        if (fits<U_EMRSETWINDOWEXTEX>(size)) {
            const auto r = load<U_EMRSETWINDOWEXTEX>(rec);
            const QPointF e(r.szlExtent.cx, r.szlExtent.cy);
            type == U_EMR_SETWINDOWEXTEX ? player.setWindowExt(e) : player.setViewportExt(e);
        }
        break;
    case U_EMR_SETWINDOWORGEX:
    case U_EMR_SETVIEWPORTORGEX:
        if (fits<U_EMRSETWINDOWORGEX>(size)) {
            const QPointF o = pt(load<U_EMRSETWINDOWORGEX>(rec).ptlOrigin);
            type == U_EMR_SETWINDOWORGEX ? player.setWindowOrg(o) : player.setViewportOrg(o);
        }
        break;
    case U_EMR_SCALEVIEWPORTEXTEX:
    case U_EMR_SCALEWINDOWEXTEX:
        if (fits<U_EMRSCALEWINDOWEXTEX>(size)) {
            const auto r = load<U_EMRSCALEWINDOWEXTEX>(rec);
            player.scaleExt(type == U_EMR_SCALEWINDOWEXTEX, r.xNum, r.xDenom, r.yNum, r.yDenom);
        }
        break;
    case U_EMR_SETPIXELV:
        if (fits<U_EMRSETPIXELV>(size)) {
            const auto r = load<U_EMRSETPIXELV>(rec);
            player.setPixel(pt(r.ptlPixel), toColor(r.crColor));
        }
        break;
    case U_EMR_SETMAPMODE:
    case U_EMR_SETBKMODE:
    case U_EMR_SETPOLYFILLMODE:
    case U_EMR_SETTEXTALIGN:
        if (fits<U_EMRSETMAPMODE>(size)) {
            const quint32 mode = load<U_EMRSETMAPMODE>(rec).iMode;
            if (type == U_EMR_SETMAPMODE)
                player.setMapMode(mode);
            else if (type == U_EMR_SETBKMODE)
                player.dc.opaque = mode == U_OPAQUE;
            else if (type == U_EMR_SETPOLYFILLMODE)
                player.dc.fillRule = mode == U_WINDING ? Qt::WindingFill : Qt::OddEvenFill;
            else
                player.dc.textAlign = mode;
        }
        break;
    case U_EMR_SETTEXTCOLOR:
    case U_EMR_SETBKCOLOR:
        if (fits<U_EMRSETTEXTCOLOR>(size)) {
            const QColor c = toColor(load<U_EMRSETTEXTCOLOR>(rec).crColor);
            (type == U_EMR_SETTEXTCOLOR ? player.dc.textColor : player.dc.bkColor) = c;
        }
        break;
    case U_EMR_MOVETOEX:
        if (fits<U_EMRMOVETOEX>(size)) player.moveTo(pt(load<U_EMRMOVETOEX>(rec).ptl));
        break;
    case U_EMR_LINETO:
        if (fits<U_EMRLINETO>(size)) player.lineTo(pt(load<U_EMRLINETO>(rec).ptl));
        break;
    case U_EMR_INTERSECTCLIPRECT:
        if (fits<U_EMRINTERSECTCLIPRECT>(size))
            player.intersectClip(rect(load<U_EMRINTERSECTCLIPRECT>(rec).rclClip));
        break;
    case U_EMR_EXTSELECTCLIPRGN:
        if (size >= U_SIZE_EMREXTSELECTCLIPRGN &&
            load<quint32>(rec + offsetof(U_EMREXTSELECTCLIPRGN, cbRgnData)) == 0 &&
            load<quint32>(rec + offsetof(U_EMREXTSELECTCLIPRGN, iMode)) == U_RGN_COPY)
            player.resetClip();
        break;
    case U_EMR_SAVEDC:
        player.saveDc();
        break;
    case U_EMR_RESTOREDC:
        if (fits<U_EMRRESTOREDC>(size)) player.restoreDc(load<U_EMRRESTOREDC>(rec).iRelative);
        break;
    case U_EMR_SETWORLDTRANSFORM:
        if (fits<U_EMRSETWORLDTRANSFORM>(size))
            player.setWorld(load<U_EMRSETWORLDTRANSFORM>(rec).xform, kWorldSet);
        break;
    case U_EMR_MODIFYWORLDTRANSFORM:
        if (fits<U_EMRMODIFYWORLDTRANSFORM>(size)) {
            const auto r = load<U_EMRMODIFYWORLDTRANSFORM>(rec);
            player.setWorld(r.xform, r.iMode);
        }
        break;
    case U_EMR_SELECTOBJECT:
        if (fits<U_EMRSELECTOBJECT>(size))
            player.selectObject(load<U_EMRSELECTOBJECT>(rec).ihObject);
        break;
    case U_EMR_DELETEOBJECT:
        if (fits<U_EMRDELETEOBJECT>(size))
            player.deleteObject(load<U_EMRDELETEOBJECT>(rec).ihObject);
        break;
    case U_EMR_CREATEPEN:
        if (fits<U_EMRCREATEPEN>(size)) {
            const auto r = load<U_EMRCREATEPEN>(rec);
            GdiObject o;
            o.kind = GdiObject::Kind::Pen;
            o.pen = makePen(r.lopn.lopnStyle, r.lopn.lopnWidth.x, toColor(r.lopn.lopnColor), false);
            player.putObject(r.ihPen, o);
        }
        break;
    case U_EMR_EXTCREATEPEN:
        if (size >= U_SIZE_EMREXTCREATEPEN) {
            const quint32 ih = load<quint32>(rec + 8);
            // The pen without its style entries, which are not used: a pen that has none
            // ends where the first would begin.
            U_EXTLOGPEN elp;
            std::memset(&elp, 0, sizeof elp);
            static_assert(28 + offsetof(U_EXTLOGPEN, elpStyleEntry) == U_SIZE_EMREXTCREATEPEN);
            std::memcpy(&elp, rec + 28, offsetof(U_EXTLOGPEN, elpStyleEntry));
            GdiObject o;
            o.kind = GdiObject::Kind::Pen;
            const bool geometric = elp.elpPenStyle & U_PS_GEOMETRIC;
            o.pen = makePen(elp.elpPenStyle, geometric ? elp.elpWidth : 0, toColor(elp.elpColor),
                            geometric);
            if (elp.elpBrushStyle == U_BS_NULL) o.pen = QPen(Qt::NoPen);
            player.putObject(ih, o);
        }
        break;
    case U_EMR_CREATEBRUSHINDIRECT:
        if (fits<U_EMRCREATEBRUSHINDIRECT>(size)) {
            const auto r = load<U_EMRCREATEBRUSHINDIRECT>(rec);
            GdiObject o;
            o.kind = GdiObject::Kind::Brush;
            o.brush = makeBrush(r.lb.lbStyle, toColor(r.lb.lbColor), r.lb.lbHatch);
            player.putObject(r.ihBrush, o);
        }
        break;
    case U_EMR_CREATEMONOBRUSH:
    case U_EMR_CREATEDIBPATTERNBRUSHPT:
        if (size >= 12) {
            GdiObject o;
            o.kind = GdiObject::Kind::Brush;
            o.brush = makeBrush(U_BS_PATTERN, Qt::gray, 0);
            player.putObject(load<quint32>(rec + 8), o);
        }
        break;
    case U_EMR_CREATEPALETTE:
    case U_EMR_CREATECOLORSPACE:
    case U_EMR_CREATECOLORSPACEW:
        if (size >= 12) {
            GdiObject o;
            o.kind = GdiObject::Kind::Other;
            player.putObject(load<quint32>(rec + 8), o);
        }
        break;
    case U_EMR_EXTCREATEFONTINDIRECTW:
        if (size >= U_SIZE_EMREXTCREATEFONTINDIRECTW_LOGFONT) {
            const quint32 ih = load<quint32>(rec + 8);
            const auto lf = load<U_LOGFONT>(rec + 12);
            qsizetype n = 0;
            while (n < U_LF_FACESIZE && lf.lfFaceName[n])
                ++n;
            const QString face =
                QString::fromUtf16(reinterpret_cast<const char16_t*>(lf.lfFaceName), n);
            GdiObject o;
            o.kind = GdiObject::Kind::Font;
            o.font = makeFont(face, lf.lfWeight, lf.lfItalic, lf.lfUnderline, lf.lfStrikeOut);
            o.fontHeight = lf.lfHeight;
            o.escapement = lf.lfEscapement % 3600;
            player.putObject(ih, o);
        }
        break;
    case U_EMR_ELLIPSE:
        if (fits<U_EMRELLIPSE>(size)) player.ellipse(rect(load<U_EMRELLIPSE>(rec).rclBox));
        break;
    case U_EMR_RECTANGLE:
        if (fits<U_EMRRECTANGLE>(size)) player.rectangle(rect(load<U_EMRRECTANGLE>(rec).rclBox));
        break;
    case U_EMR_ROUNDRECT:
        if (fits<U_EMRROUNDRECT>(size)) {
            const auto r = load<U_EMRROUNDRECT>(rec);
            player.roundRect(rect(r.rclBox), QSizeF(r.szlCorner.cx, r.szlCorner.cy));
        }
        break;
    case U_EMR_ARC:
    case U_EMR_CHORD:
    case U_EMR_PIE:
    case U_EMR_ARCTO:
        if (fits<U_EMRARC>(size)) {
            const auto r = load<U_EMRARC>(rec);
            const auto kind = type == U_EMR_CHORD ? Player::ArcKind::Chord
                              : type == U_EMR_PIE ? Player::ArcKind::Pie
                                                  : Player::ArcKind::Arc;
            player.arc(kind, rect(r.rclBox), pt(r.ptlStart), pt(r.ptlEnd));
        }
        break;
    case U_EMR_BEGINPATH:
        player.beginPath();
        break;
    case U_EMR_ENDPATH:
        player.endPath();
        break;
    case U_EMR_CLOSEFIGURE:
        player.closeFigure();
        break;
    case U_EMR_ABORTPATH:
        player.abortPath();
        break;
    case U_EMR_FILLPATH:
        player.drawPath(true, false);
        break;
    case U_EMR_STROKEPATH:
        player.drawPath(false, true);
        break;
    case U_EMR_STROKEANDFILLPATH:
        player.drawPath(true, true);
        break;
    case U_EMR_BITBLT:
        playEmfBlt<U_EMRBITBLT>(player, rec, size);
        break;
    case U_EMR_STRETCHBLT:
        playEmfBlt<U_EMRSTRETCHBLT>(player, rec, size);
        break;
    case U_EMR_STRETCHDIBITS:
        if (fits<U_EMRSTRETCHDIBITS>(size)) {
            const auto r = load<U_EMRSTRETCHDIBITS>(rec);
            const QImage img =
                recordBitmap(rec, size, r.offBmiSrc, r.cbBmiSrc, r.offBitsSrc, r.cbBitsSrc);
            player.image(QRectF(pt(r.Dest), QSizeF(r.cDest.x, r.cDest.y)), img,
                         QRectF(pt(r.Src), QSizeF(r.cSrc.x, r.cSrc.y)));
        }
        break;
    case U_EMR_SETDIBITSTODEVICE:
        if (fits<U_EMRSETDIBITSTODEVICE>(size)) {
            const auto r = load<U_EMRSETDIBITSTODEVICE>(rec);
            const QImage img =
                recordBitmap(rec, size, r.offBmiSrc, r.cbBmiSrc, r.offBitsSrc, r.cbBitsSrc);
            const QSizeF s(r.cSrc.x, r.cSrc.y);
            player.image(QRectF(pt(r.Dest), s), img, QRectF(pt(r.Src), s));
        }
        break;
    case U_EMR_EXTTEXTOUTA:
        playEmfText(player, rec, size, false);
        break;
    case U_EMR_EXTTEXTOUTW:
        playEmfText(player, rec, size, true);
        break;
    default:
        break; // not drawn
    }
}

} // namespace

Result<QImage> RenderEmf(const QByteArray& data) {
    const char* base = data.constData();
    const quint64 size = quint64(data.size());
    if (size < U_SIZE_EMRHEADER_MIN)
        return Result<QImage>::failure("it is not an enhanced metafile.");
    U_EMRHEADER header;
    std::memset(&header, 0, sizeof header);
    std::memcpy(&header, base, std::min<quint64>(size, sizeof header));
    if (header.emr.iType != U_EMR_HEADER || header.dSignature != U_ENHMETA_SIGNATURE ||
        header.emr.nSize < U_SIZE_EMRHEADER_MIN || header.emr.nSize > size)
        return Result<QImage>::failure("it is not an enhanced metafile.");
    double perMm = 96 / 25.4;
    if (header.szlDevice.cx > 0 && header.szlMillimeters.cx > 0)
        perMm = double(header.szlDevice.cx) / header.szlMillimeters.cx;
    QRectF bounds(QPointF(header.rclBounds.left, header.rclBounds.top),
                  QPointF(double(header.rclBounds.right) + 1, double(header.rclBounds.bottom) + 1));
    if (bounds.width() <= 1 || bounds.height() <= 1) {
        // No drawn bounds: the frame, in hundredths of a millimetre.
        const U_RECTL& f = header.rclFrame;
        bounds = QRectF(QPointF(f.left * perMm / 100, f.top * perMm / 100),
                        QPointF(f.right * perMm / 100, f.bottom * perMm / 100));
    }
    if (!(bounds.width() >= 1 && bounds.height() >= 1) || !finite(bounds.width()) ||
        !finite(bounds.height()))
        return Result<QImage>::failure("the metafile has no size.");
    // A drawing is made at most kMaxSide a side, so a vast frame costs no more than that;
    // only the picture actually made is held to the bound every decoder keeps.
    const double scale = std::min(1.0, kMaxSide / std::max(bounds.width(), bounds.height()));
    if (tooLarge(bounds.width() * scale, bounds.height() * scale))
        return Result<QImage>::failure(PictureTooLarge(qint64(std::ceil(bounds.width() * scale)),
                                                       qint64(std::ceil(bounds.height() * scale))));
    QImage image(std::max(1, int(std::ceil(bounds.width() * scale))),
                 std::max(1, int(std::ceil(bounds.height() * scale))),
                 QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return Result<QImage>::failure("not enough memory for the picture.");
    image.fill(Qt::white);
    bool ended = false;
    {
        Player player(image,
                      QTransform::fromTranslate(-bounds.left(), -bounds.top()) *
                          QTransform::fromScale(scale, scale),
                      perMm);
        quint64 off = header.emr.nSize;
        while (off + 8 <= size) {
            const char* rec = base + off;
            const quint32 type = load<quint32>(rec), recSize = load<quint32>(rec + 4);
            if (recSize < 8 || recSize % 4 || recSize > size - off) break;
            if (type == U_EMR_EOF) {
                ended = true;
                break;
            }
            // Each kind checks every count and offset it reads against the record's size,
            // which lies inside the file: the library's own checks are not relied on.
            if (emfRecordUsed(type)) playEmfRecord(player, type, rec, recSize);
            off += recSize;
        }
    }
    if (!ended) return Result<QImage>::failure("the metafile is damaged or cut short.");
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace brenvik
