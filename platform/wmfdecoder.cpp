#include "platform/wmfdecoder.h"

#include "platform/metafiledraw.h"
#include "platform/picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <uemf.h>
#include <uwmf.h>

namespace brenvik {

namespace {

using namespace metafile;

constexpr quint32 kPlaceableKey = 0x9AC6CDD7u;

bool wmfPoints(const char* data, quint16 count, const char* end, QPolygonF* out) {
    if (!data || data > end || quint64(count) * 4 > quint64(end - data)) return false;
    out->reserve(count);
    for (quint16 i = 0; i < count; ++i)
        *out << pt(load<U_POINT16>(data + i * 4));
    return true;
}

// The size of the record at `p`, or 0 when what is left of the file cannot hold it. Read here
// rather than by the library, which reads the size field even past the end of the data.
quint64 wmfRecordSize(const char* p, const char* limit) {
    if (limit - p < 6) return 0; // the size and the function
    const quint64 size = 2 * quint64(load<quint32>(p));
    return size >= 6 && size <= quint64(limit - p) ? size : 0;
}

// The bitmap header libuemf reads of a bitmap in a record, and the test it makes for a block
// transfer without one (the record holds three words more than the function's high byte).
constexpr quint64 kDibHeaderRead = 40;
bool withoutBitmap(quint64 size, const char* rec) {
    return size / 2 == quint64(quint8(rec[5])) + 3;
}

// Whether a record of `size` bytes holds every field the library's reader for its kind reads,
// lengths and options included. The readers take the record's own size on trust (some read
// their fields even when it is too small, the text reader reads past the text whatever length
// the record gives), so nothing reaches them unchecked. Arrays and bitmaps that follow the
// fields are checked where they are read, against the record's end.
bool wmfRecordFits(quint8 type, const char* rec, quint64 size) {
    auto atLeast = [&](quint64 n) { return size >= n; };
    switch (type) {
    case U_WMR_SETBKMODE:
    case U_WMR_SETPOLYFILLMODE:
    case U_WMR_SETTEXTALIGN:
    case U_WMR_RESTOREDC:
    case U_WMR_SELECTOBJECT:
    case U_WMR_DELETEOBJECT:
    case U_WMR_POLYGON:
    case U_WMR_POLYLINE:
    case U_WMR_POLYPOLYGON:
        return atLeast(8);
    case U_WMR_SETBKCOLOR:
    case U_WMR_SETTEXTCOLOR:
    case U_WMR_SETWINDOWORG:
    case U_WMR_SETWINDOWEXT:
    case U_WMR_OFFSETWINDOWORG:
    case U_WMR_MOVETO:
    case U_WMR_LINETO:
        return atLeast(10);
    case U_WMR_SCALEWINDOWEXT:
    case U_WMR_INTERSECTCLIPRECT:
    case U_WMR_ELLIPSE:
    case U_WMR_RECTANGLE:
    case U_WMR_SETPIXEL:
    case U_WMR_CREATEBRUSHINDIRECT:
        return atLeast(14);
    case U_WMR_CREATEPENINDIRECT:
        return atLeast(16);
    case U_WMR_ROUNDRECT:
    case U_WMR_PATBLT:
        return atLeast(18);
    case U_WMR_ARC:
    case U_WMR_PIE:
    case U_WMR_CHORD:
        return atLeast(22);
    case U_WMR_CREATEFONTINDIRECT:
        return atLeast(24); // the font's fields before its face name
    // The block transfers: the fields, then a bitmap, which the form without one replaces
    // by a spare field. The library's readers check a bitmap against a limit past the end of
    // the record and read a whole 40-byte bitmap header whatever its kind: that much must be
    // there.
    case U_WMR_DIBBITBLT:
        return withoutBitmap(size, rec) ? atLeast(24) : atLeast(22 + kDibHeaderRead);
    case U_WMR_DIBSTRETCHBLT:
        return withoutBitmap(size, rec) ? atLeast(28) : atLeast(26 + kDibHeaderRead);
    case U_WMR_STRETCHDIB:
        return atLeast(28 + kDibHeaderRead);
    case U_WMR_TEXTOUT: {
        // The length, the text padded to an even length, then the position.
        if (!atLeast(8)) return false;
        const qint16 length = load<qint16>(rec + 6);
        return length >= 0 && 8 + quint64(length + 1) / 2 * 2 + 4 <= size;
    }
    case U_WMR_EXTTEXTOUT: {
        // The position, the length and the options, a rectangle when the options ask for one,
        // then the text.
        if (!atLeast(14)) return false;
        const qint16 length = load<qint16>(rec + 10);
        const quint16 options = load<quint16>(rec + 12);
        const quint64 text = options & (U_ETO_OPAQUE | U_ETO_CLIPPED) ? 22 : 14;
        return length >= 0 && text + quint64(length) <= size;
    }
    default:
        return true; // not read
    }
}

QString wmfText(const char* s, qint64 length, const char* end) {
    if (!s || length <= 0 || s > end || length > end - s) return {};
    return QString::fromLatin1(s, qsizetype(length));
}

void playWmfRecord(Player& player, quint8 type, const char* rec, const char* end) {
    if (!wmfRecordFits(type, rec, quint64(end - rec))) return;
    switch (type) {
    case U_WMR_SETBKCOLOR:
    case U_WMR_SETTEXTCOLOR: {
        U_COLORREF c;
        const int ok = type == U_WMR_SETBKCOLOR ? U_WMRSETBKCOLOR_get(rec, &c)
                                                : U_WMRSETTEXTCOLOR_get(rec, &c);
        if (ok > 0)
            (type == U_WMR_SETBKCOLOR ? player.dc.bkColor : player.dc.textColor) = toColor(c);
        break;
    }
    case U_WMR_SETBKMODE: {
        uint16_t mode;
        if (U_WMRSETBKMODE_get(rec, &mode) > 0) player.dc.opaque = mode == U_OPAQUE;
        break;
    }
    case U_WMR_SETPOLYFILLMODE: {
        uint16_t mode;
        if (U_WMRSETPOLYFILLMODE_get(rec, &mode) > 0)
            player.dc.fillRule = mode == U_WINDING ? Qt::WindingFill : Qt::OddEvenFill;
        break;
    }
    case U_WMR_SETTEXTALIGN: {
        uint16_t mode;
        if (U_WMRSETTEXTALIGN_get(rec, &mode) > 0) player.dc.textAlign = mode;
        break;
    }
    case U_WMR_SETWINDOWORG:
    case U_WMR_SETWINDOWEXT: {
        U_POINT16 p;
        const int ok = type == U_WMR_SETWINDOWORG ? U_WMRSETWINDOWORG_get(rec, &p)
                                                  : U_WMRSETWINDOWEXT_get(rec, &p);
        if (ok <= 0) break;
        type == U_WMR_SETWINDOWORG ? player.setWindowOrg(pt(p)) : player.setWindowExt(pt(p));
        break;
    }
    case U_WMR_OFFSETWINDOWORG: {
        U_POINT16 p;
        if (U_WMROFFSETWINDOWORG_get(rec, &p) > 0) player.setWindowOrg(player.dc.winOrg + pt(p));
        break;
    }
    case U_WMR_SCALEWINDOWEXT: {
        U_POINT16 denom, num;
        if (U_WMRSCALEWINDOWEXT_get(rec, &denom, &num) > 0)
            player.scaleExt(true, num.x, denom.x, num.y, denom.y);
        break;
    }
    case U_WMR_MOVETO:
    case U_WMR_LINETO: {
        U_POINT16 p;
        if (type == U_WMR_MOVETO ? U_WMRMOVETO_get(rec, &p) > 0 : false)
            player.moveTo(pt(p));
        else if (type == U_WMR_LINETO && U_WMRLINETO_get(rec, &p) > 0)
            player.lineTo(pt(p));
        break;
    }
    case U_WMR_INTERSECTCLIPRECT: {
        U_RECT16 r;
        if (U_WMRINTERSECTCLIPRECT_get(rec, &r) > 0) player.intersectClip(rect(r));
        break;
    }
    case U_WMR_ARC:
    case U_WMR_PIE:
    case U_WMR_CHORD: {
        U_POINT16 a, b;
        U_RECT16 r;
        const int ok = type == U_WMR_ARC   ? U_WMRARC_get(rec, &a, &b, &r)
                       : type == U_WMR_PIE ? U_WMRPIE_get(rec, &a, &b, &r)
                                           : U_WMRCHORD_get(rec, &a, &b, &r);
        if (ok <= 0) break;
        const auto kind = type == U_WMR_ARC   ? Player::ArcKind::Arc
                          : type == U_WMR_PIE ? Player::ArcKind::Pie
                                              : Player::ArcKind::Chord;
        player.arc(kind, rect(r), pt(a), pt(b));
        break;
    }
    case U_WMR_ELLIPSE:
    case U_WMR_RECTANGLE: {
        U_RECT16 r;
        if (type == U_WMR_ELLIPSE && U_WMRELLIPSE_get(rec, &r) > 0) player.ellipse(rect(r));
        if (type == U_WMR_RECTANGLE && U_WMRRECTANGLE_get(rec, &r) > 0) player.rectangle(rect(r));
        break;
    }
    case U_WMR_ROUNDRECT: {
        int16_t w, h;
        U_RECT16 r;
        if (U_WMRROUNDRECT_get(rec, &w, &h, &r) > 0) player.roundRect(rect(r), QSizeF(w, h));
        break;
    }
    case U_WMR_PATBLT: {
        U_POINT16 dst, cwh;
        uint32_t rop;
        if (U_WMRPATBLT_get(rec, &dst, &cwh, &rop) > 0)
            player.fillRect(QRectF(pt(dst), QSizeF(cwh.x, cwh.y)), rop);
        break;
    }
    case U_WMR_SAVEDC:
        player.saveDc();
        break;
    case U_WMR_RESTOREDC: {
        int16_t which;
        if (U_WMRRESTOREDC_get(rec, &which) > 0) player.restoreDc(which);
        break;
    }
    case U_WMR_SETPIXEL: {
        U_COLORREF c;
        U_POINT16 p;
        if (U_WMRSETPIXEL_get(rec, &c, &p) > 0) player.setPixel(pt(p), toColor(c));
        break;
    }
    case U_WMR_TEXTOUT: {
        U_POINT16 dst;
        int16_t length;
        const char* s = nullptr;
        if (U_WMRTEXTOUT_get(rec, &dst, &length, &s) > 0)
            player.text(pt(dst), wmfText(s, length, end));
        break;
    }
    case U_WMR_EXTTEXTOUT: {
        U_POINT16 dst;
        int16_t length;
        uint16_t options;
        const char* s = nullptr;
        const int16_t* dx = nullptr;
        U_RECT16 r;
        if (U_WMREXTTEXTOUT_get(rec, &dst, &length, &options, &s, &dx, &r) > 0)
            player.text(pt(dst), wmfText(s, length, end));
        break;
    }
    case U_WMR_POLYGON:
    case U_WMR_POLYLINE: {
        uint16_t count;
        const char* data = nullptr;
        const int ok = type == U_WMR_POLYGON ? U_WMRPOLYGON_get(rec, &count, &data)
                                             : U_WMRPOLYLINE_get(rec, &count, &data);
        QPolygonF points;
        if (ok <= 0 || !wmfPoints(data, count, end, &points)) break;
        type == U_WMR_POLYGON ? player.polygons({points}) : player.polyline(points);
        break;
    }
    case U_WMR_POLYPOLYGON: {
        uint16_t polys;
        const uint16_t* counts = nullptr;
        const char* data = nullptr;
        if (U_WMRPOLYPOLYGON_get(rec, &polys, &counts, &data) <= 0 || !counts) break;
        const char* countBytes = reinterpret_cast<const char*>(counts);
        if (countBytes > end || quint64(polys) * 2 > quint64(end - countBytes)) break;
        QList<QPolygonF> list;
        for (uint16_t i = 0; i < polys; ++i) {
            const quint16 n = load<quint16>(countBytes + i * 2);
            QPolygonF p;
            if (!wmfPoints(data, n, end, &p)) return;
            list << p;
            data += n * 4;
        }
        player.polygons(list);
        break;
    }
    case U_WMR_SELECTOBJECT:
    case U_WMR_DELETEOBJECT: {
        uint16_t index;
        if (type == U_WMR_SELECTOBJECT && U_WMRSELECTOBJECT_get(rec, &index) > 0)
            player.selectObject(index);
        if (type == U_WMR_DELETEOBJECT && U_WMRDELETEOBJECT_get(rec, &index) > 0)
            player.deleteObject(index);
        break;
    }
    case U_WMR_CREATEPENINDIRECT: {
        U_PEN pen;
        GdiObject o;
        o.kind = GdiObject::Kind::Pen;
        if (U_WMRCREATEPENINDIRECT_get(rec, &pen) > 0)
            o.pen = makePen(pen.Style, pen.Widthw[0], toColor(pen.Color), false);
        player.addObject(o); // a slot is taken even by a record that cannot be read
        break;
    }
    case U_WMR_CREATEBRUSHINDIRECT: {
        const char* p = nullptr;
        GdiObject o;
        o.kind = GdiObject::Kind::Brush;
        if (U_WMRCREATEBRUSHINDIRECT_get(rec, &p) > 0 && p && p <= end &&
            end - p >= qint64(sizeof(U_WLOGBRUSH))) {
            const auto b = load<U_WLOGBRUSH>(p);
            o.brush = makeBrush(b.Style, toColor(b.Color), b.Hatch);
        }
        player.addObject(o);
        break;
    }
    case U_WMR_CREATEFONTINDIRECT: {
        const char* p = nullptr;
        GdiObject o;
        o.kind = GdiObject::Kind::Font;
        constexpr qint64 fixed = 18; // the fields before the face name
        if (U_WMRCREATEFONTINDIRECT_get(rec, &p) > 0 && p && p <= end && end - p >= fixed) {
            const qint16 height = load<qint16>(p), escapement = load<qint16>(p + 4),
                         weight = load<qint16>(p + 8);
            const char* face = p + fixed;
            qsizetype n = 0;
            while (n < 32 && face + n < end && face[n])
                ++n;
            o.font = makeFont(QString::fromLatin1(face, n), weight, p[10], p[11], p[12]);
            o.fontHeight = height;
            o.escapement = escapement % 3600;
        }
        player.addObject(o);
        break;
    }
    case U_WMR_DIBCREATEPATTERNBRUSH:
    case U_WMR_CREATEPATTERNBRUSH: {
        GdiObject o;
        o.kind = GdiObject::Kind::Brush;
        o.brush = makeBrush(U_BS_PATTERN, Qt::gray, 0);
        player.addObject(o);
        break;
    }
    case U_WMR_CREATEPALETTE:
    case U_WMR_CREATEBITMAPINDIRECT:
    case U_WMR_CREATEBITMAP:
    case U_WMR_CREATEREGION: {
        GdiObject o;
        o.kind = GdiObject::Kind::Other;
        player.addObject(o);
        break;
    }
    case U_WMR_STRETCHDIB: {
        U_POINT16 dst, cDst, src, cSrc;
        uint16_t usage;
        uint32_t rop;
        const char* dib = nullptr;
        if (U_WMRSTRETCHDIB_get(rec, &dst, &cDst, &src, &cSrc, &usage, &rop, &dib) > 0)
            player.image(QRectF(pt(dst), QSizeF(cDst.x, cDst.y)), packedDibToImage(dib, end),
                         QRectF(pt(src), QSizeF(cSrc.x, cSrc.y)));
        break;
    }
    case U_WMR_DIBSTRETCHBLT: {
        U_POINT16 dst, cDst, src, cSrc;
        uint32_t rop;
        const char* dib = nullptr;
        if (U_WMRDIBSTRETCHBLT_get(rec, &dst, &cDst, &src, &cSrc, &rop, &dib) <= 0) break;
        const QRectF dest(pt(dst), QSizeF(cDst.x, cDst.y));
        if (!dib)
            player.fillRect(dest, rop);
        else
            player.image(dest, packedDibToImage(dib, end), QRectF(pt(src), QSizeF(cSrc.x, cSrc.y)));
        break;
    }
    case U_WMR_DIBBITBLT: {
        U_POINT16 dst, cwh, src;
        uint32_t rop;
        const char* dib = nullptr;
        if (U_WMRDIBBITBLT_get(rec, &dst, &cwh, &src, &rop, &dib) <= 0) break;
        const QRectF dest(pt(dst), QSizeF(cwh.x, cwh.y));
        if (!dib)
            player.fillRect(dest, rop);
        else
            player.image(dest, packedDibToImage(dib, end), QRectF(pt(src), dest.size()));
        break;
    }
    default:
        break; // not drawn
    }
}

} // namespace

Result<QImage> RenderWmf(const QByteArray& data) {
    const char* base = data.constData();
    const char* limit = base + data.size();
    const bool placeable =
        data.size() >= U_SIZE_WMRPLACEABLE && load<quint32>(base) == kPlaceableKey;
    // The headers are read here: the library's reader wants tens of bytes more than a small
    // file has, and takes the header's own size on trust.
    const qsizetype at = placeable ? U_SIZE_WMRPLACEABLE : 0;
    if (data.size() < at + U_SIZE_WMRHEADER)
        return Result<QImage>::failure("it is not a Windows metafile.");
    const quint16 kind = load<quint16>(base + at), headerWords = load<quint16>(base + at + 2);
    const qsizetype headerBytes = at + 2 * qsizetype(headerWords);
    if ((kind != U_MEMORYMETAFILE && kind != U_DISKMETAFILE) || headerWords < 9 ||
        headerBytes > data.size())
        return Result<QImage>::failure("it is not a Windows metafile.");
    // The picture's window: from the placeable header, else from the first window records.
    QRectF window;
    double pixelsPerUnit = 1;
    if (placeable) {
        // The bounding box (left, top, right, bottom), then the units an inch.
        window = QRectF(QPointF(load<qint16>(base + 6), load<qint16>(base + 8)),
                        QPointF(load<qint16>(base + 10), load<qint16>(base + 12)));
        const quint16 inch = load<quint16>(base + 14);
        pixelsPerUnit = 96.0 / (inch ? inch : 1440);
    } else {
        bool haveExt = false;
        for (const char* p = base + headerBytes; p < limit;) {
            const quint64 recSize = wmfRecordSize(p, limit);
            if (!recSize) break;
            const quint8 type = quint8(p[4]);
            U_POINT16 v;
            if (type == U_WMR_EOF) break;
            const bool fits = wmfRecordFits(type, p, recSize);
            if (type == U_WMR_SETWINDOWORG && fits && U_WMRSETWINDOWORG_get(p, &v) > 0)
                window.moveTopLeft(pt(v));
            if (type == U_WMR_SETWINDOWEXT && fits && !haveExt &&
                U_WMRSETWINDOWEXT_get(p, &v) > 0) {
                window.setSize(QSizeF(v.x, v.y));
                haveExt = true;
            }
            p += recSize;
        }
    }
    const double w = std::fabs(window.width()) * pixelsPerUnit,
                 h = std::fabs(window.height()) * pixelsPerUnit;
    if (!(w >= 1 && h >= 1)) return Result<QImage>::failure("the metafile has no size.");
    const double scale = std::min(1.0, kMaxSide / std::max(w, h));
    if (tooLarge(w * scale, h * scale))
        return Result<QImage>::failure(
            PictureTooLarge(qint64(std::ceil(w * scale)), qint64(std::ceil(h * scale))));
    QImage image(std::max(1, int(std::ceil(w * scale))), std::max(1, int(std::ceil(h * scale))),
                 QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return Result<QImage>::failure("not enough memory for the picture.");
    image.fill(Qt::white);
    bool ended = false;
    {
        // The window records are the file's; the viewport is the picture.
        Player player(image, QTransform(), 96 / 25.4);
        player.wmf = true;
        player.dc.mapMode = U_MM_ANISOTROPIC;
        player.dc.winOrg = window.topLeft();
        player.dc.winExt = QPointF(window.width(), window.height());
        player.dc.vpExt = QPointF(image.width(), image.height());
        player.applyTransform();
        for (const char* p = base + headerBytes; p < limit;) {
            const quint64 recSize = wmfRecordSize(p, limit);
            if (!recSize) break;
            const quint8 type = quint8(p[4]);
            if (type == U_WMR_EOF) {
                ended = true;
                break;
            }
            playWmfRecord(player, type, p, p + recSize);
            p += recSize;
        }
    }
    if (!ended) return Result<QImage>::failure("the metafile is damaged or cut short.");
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace brenvik
