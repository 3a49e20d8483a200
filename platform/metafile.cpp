#include "platform/metafile.h"

#include "platform/picture.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QImageReader>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QTransform>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <uemf.h>
#include <uwmf.h>

namespace brenvik {

namespace {

// A metafile may claim any size; the picture is scaled down to this many pixels a side.
constexpr double kMaxSide = 4096;
constexpr quint32 kMaxObjects = 65536;
constexpr int kMaxSavedStates = 1024;
constexpr quint32 kPlaceableKey = 0x9AC6CDD7u;

enum MapMode : quint32 {
    MapText = 1,
    MapLoMetric,
    MapHiMetric,
    MapLoEnglish,
    MapHiEnglish,
    MapTwips,
    MapIsotropic,
    MapAnisotropic,
};

// Records sit at any 2-byte boundary in a WMF and hold unaligned fields: copy, never cast.
template <class T> T load(const char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

QColor toColor(const U_COLORREF& c) {
    return QColor(c.Red, c.Green, c.Blue);
}

bool finite(double v) {
    return std::isfinite(v) && std::fabs(v) < 1e9;
}

// A metafile is drawn scaled down, but the size it declares is held to the same bound as
// every picture: past it the header is damaged or made to exhaust the reader.
bool tooLarge(double width, double height) {
    return std::ceil(width) * std::ceil(height) > double(kMaxPicturePixels);
}

struct GdiObject {
    enum class Kind { Empty, Pen, Brush, Font, Other };
    Kind kind = Kind::Empty;
    QPen pen;
    QBrush brush;
    QFont font;
    double fontHeight = 0; // logical units; negative: character height, positive: cell height
    int escapement = 0;    // tenths of a degree
};

struct DcState {
    QPen pen{QBrush(Qt::black), 0};
    QBrush brush{Qt::white};
    QFont font;
    double fontHeight = 0;
    int escapement = 0;
    QColor textColor{Qt::black};
    QColor bkColor{Qt::white};
    bool opaque = true;
    quint32 textAlign = 0;
    Qt::FillRule fillRule = Qt::OddEvenFill;
    QPointF position;
    quint32 mapMode = MapText;
    QPointF winOrg{0, 0}, winExt{1, 1}, vpOrg{0, 0}, vpExt{1, 1};
    QTransform world;
};

QPen makePen(quint32 style, double width, const QColor& color, bool geometric) {
    if ((style & 0x0F) == 5) return QPen(Qt::NoPen);
    QPen pen(color);
    // Thin pens are one device pixel, as on the system the files come from.
    pen.setWidthF(width <= 1 || !finite(width) ? 0 : width);
    switch (style & 0x0F) {
    case 1:
        pen.setStyle(Qt::DashLine);
        break;
    case 2:
        pen.setStyle(Qt::DotLine);
        break;
    case 3:
        pen.setStyle(Qt::DashDotLine);
        break;
    case 4:
        pen.setStyle(Qt::DashDotDotLine);
        break;
    default:
        pen.setStyle(Qt::SolidLine);
        break;
    }
    if (geometric || width > 1) {
        const quint32 cap = style & 0x0F00, join = style & 0xF000;
        pen.setCapStyle(cap == 0x100 ? Qt::SquareCap : cap == 0x200 ? Qt::FlatCap : Qt::RoundCap);
        pen.setJoinStyle(join == 0x1000   ? Qt::BevelJoin
                         : join == 0x2000 ? Qt::MiterJoin
                                          : Qt::RoundJoin);
    } else {
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    return pen;
}

QBrush makeBrush(quint32 style, const QColor& color, quint32 hatch) {
    switch (style) {
    case 0:
        return QBrush(color);
    case 1:
        return QBrush(Qt::NoBrush);
    case 2: {
        static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                 Qt::FDiagPattern, Qt::BDiagPattern,
                                                 Qt::CrossPattern, Qt::DiagCrossPattern};
        return QBrush(color, hatch < 6 ? hatches[hatch] : Qt::SolidPattern);
    }
    default:
        return QBrush(Qt::gray); // pattern brushes: their bitmaps are not drawn
    }
}

QFont makeFont(const QString& face, int weight, bool italic, bool underline, bool strikeOut) {
    QFont font;
    if (!face.isEmpty()) font.setFamily(face);
    if (weight > 0) font.setWeight(QFont::Weight(std::clamp(weight, 100, 900)));
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
    return font;
}

// A device-independent bitmap as held in a record: a BMP file without its file header.
QImage dibToImage(const char* bmi, quint32 bmiSize, const char* bits, quint32 bitsSize) {
    if (bmiSize < 12 || bmiSize > 0x7FFFFFF || bitsSize > 0x7FFFFFF) return {};
    // A bitmap of a few bytes may declare any size: the picture's bound holds for it too.
    const bool core = load<quint32>(bmi) == 12;
    const qint64 width = core ? load<quint16>(bmi + 4) : load<qint32>(bmi + 4);
    const qint64 height = core ? load<quint16>(bmi + 6) : load<qint32>(bmi + 8);
    if (std::abs(width) * std::abs(height) > kMaxPicturePixels) return {};
    QByteArray bmp;
    bmp.reserve(int(14 + bmiSize + bitsSize));
    const quint32 fileSize = 14 + bmiSize + bitsSize, offset = 14 + bmiSize, zero = 0;
    bmp.append("BM", 2);
    bmp.append(reinterpret_cast<const char*>(&fileSize), 4);
    bmp.append(reinterpret_cast<const char*>(&zero), 4);
    bmp.append(reinterpret_cast<const char*>(&offset), 4);
    bmp.append(bmi, int(bmiSize));
    if (bits) bmp.append(bits, int(bitsSize));
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    reader.setAllocationLimit(kMaxPictureMegabytes);
    return reader.read();
}

// A packed DIB (header, colours, pixels in one run), as WMF records hold it.
QImage packedDibToImage(const char* dib, const char* end) {
    if (!dib || end - dib < 12) return {};
    const quint32 headerSize = load<quint32>(dib);
    quint32 colours = 0, entry = 4;
    if (headerSize == 12) {
        const quint16 bitCount = load<quint16>(dib + 10);
        colours = bitCount <= 8 ? 1u << bitCount : 0;
        entry = 3;
    } else if (headerSize >= 40 && headerSize <= quint32(end - dib)) {
        const quint16 bitCount = load<quint16>(dib + 14);
        const quint32 compression = load<quint32>(dib + 16), used = load<quint32>(dib + 32);
        colours = used ? used : bitCount <= 8 ? 1u << bitCount : 0;
        if (compression == 3 && headerSize == 40) colours += 3; // the three colour masks
    } else {
        return {};
    }
    if (colours > 65536) return {};
    const quint64 bmiSize = quint64(headerSize) + quint64(colours) * entry;
    if (bmiSize > quint64(end - dib)) return {};
    return dibToImage(dib, quint32(bmiSize), dib + bmiSize, quint32(end - dib - bmiSize));
}

// The drawing state of one playback and the drawing calls that records map to. Coordinates
// are the metafile's logical units; the painter's transform takes them to the image.
class Player {
public:
    Player(QImage& image, const QTransform& deviceToImage, double pixelsPerMm)
        : painter_(&image), toImage_(deviceToImage), perMm_(pixelsPerMm) {
        painter_.setRenderHint(QPainter::Antialiasing);
        painter_.setRenderHint(QPainter::TextAntialiasing);
        painter_.setRenderHint(QPainter::SmoothPixmapTransform);
        applyTransform();
    }

    ~Player() {
        for (qsizetype i = 0; i < saved_.size(); ++i)
            painter_.restore();
    }

    DcState dc;
    bool wmf = false;

    void applyTransform() { painter_.setTransform(dc.world * pageTransform() * toImage_); }

    void setMapMode(quint32 mode) {
        if (mode < MapText || mode > MapAnisotropic) return;
        dc.mapMode = mode;
        applyTransform();
    }
    void setWindowOrg(QPointF p) {
        dc.winOrg = p;
        applyTransform();
    }
    void setViewportOrg(QPointF p) {
        dc.vpOrg = p;
        applyTransform();
    }
    void setWindowExt(QPointF e) {
        if (e.x() == 0 || e.y() == 0) return;
        dc.winExt = e;
        applyTransform();
    }
    void setViewportExt(QPointF e) {
        if (e.x() == 0 || e.y() == 0) return;
        dc.vpExt = e;
        applyTransform();
    }
    void scaleExt(bool window, double xNum, double xDenom, double yNum, double yDenom) {
        if (xDenom == 0 || yDenom == 0) return;
        const QPointF e = window ? dc.winExt : dc.vpExt;
        const QPointF scaled(e.x() * xNum / xDenom, e.y() * yNum / yDenom);
        window ? setWindowExt(scaled) : setViewportExt(scaled);
    }
    void setWorld(const U_XFORM& x, quint32 mode) {
        const QTransform t(x.eM11, x.eM12, x.eM21, x.eM22, x.eDx, x.eDy);
        for (double v : {x.eM11, x.eM12, x.eM21, x.eM22, x.eDx, x.eDy})
            if (!finite(v)) return;
        switch (mode) {
        case 1:
            dc.world = QTransform();
            break;
        case 2:
            dc.world = t * dc.world;
            break;
        case 3:
            dc.world = dc.world * t;
            break;
        case 4:
            dc.world = t;
            break;
        default:
            return;
        }
        applyTransform();
    }

    void saveDc() {
        if (saved_.size() >= kMaxSavedStates) return;
        saved_.push_back(dc);
        painter_.save();
    }
    void restoreDc(qint64 which) {
        const qint64 target = which < 0 ? saved_.size() + which : which - 1;
        if (target < 0 || target >= saved_.size()) return;
        while (saved_.size() > target) {
            dc = saved_.takeLast();
            painter_.restore();
        }
        applyTransform();
    }

    // EMF objects live at the index the record names; WMF objects take the first free slot.
    void putObject(quint32 index, const GdiObject& object) {
        if (index == 0 || index >= kMaxObjects) return;
        if (objects_.size() <= qsizetype(index)) objects_.resize(index + 1);
        objects_[index] = object;
    }
    void addObject(const GdiObject& object) {
        for (qsizetype i = 0; i < objects_.size(); ++i)
            if (objects_[i].kind == GdiObject::Kind::Empty) {
                objects_[i] = object;
                return;
            }
        if (objects_.size() < qsizetype(kMaxObjects)) objects_.push_back(object);
    }
    void deleteObject(quint32 index) {
        if (index < quint32(objects_.size())) objects_[index] = GdiObject();
    }
    void selectObject(quint32 index) {
        if (!wmf && (index & 0x80000000u)) {
            selectStock(index & 0x7FFFFFFFu);
            return;
        }
        if (index >= quint32(objects_.size())) return;
        const GdiObject& o = objects_[index];
        switch (o.kind) {
        case GdiObject::Kind::Pen:
            dc.pen = o.pen;
            break;
        case GdiObject::Kind::Brush:
            dc.brush = o.brush;
            break;
        case GdiObject::Kind::Font:
            dc.font = o.font;
            dc.fontHeight = o.fontHeight;
            dc.escapement = o.escapement;
            break;
        default:
            break;
        }
    }

    void moveTo(QPointF p) {
        dc.position = p;
        if (inPath_) path_.moveTo(p);
    }
    void lineTo(QPointF p) {
        if (inPath_) {
            if (path_.elementCount() == 0) path_.moveTo(dc.position);
            path_.lineTo(p);
        } else {
            stroke(QLineF(dc.position, p));
        }
        dc.position = p;
    }
    void polyline(const QPolygonF& points) {
        if (points.size() < 2) return;
        if (inPath_) {
            path_.moveTo(points.first());
            for (qsizetype i = 1; i < points.size(); ++i)
                path_.lineTo(points[i]);
            return;
        }
        painter_.setPen(dc.pen);
        painter_.setBrush(Qt::NoBrush);
        painter_.drawPolyline(points);
    }
    void polylineTo(const QPolygonF& points) {
        for (const QPointF& p : points)
            lineTo(p);
    }
    void polygons(const QList<QPolygonF>& list) {
        QPainterPath p;
        p.setFillRule(dc.fillRule);
        for (const QPolygonF& poly : list)
            if (poly.size() >= 2) {
                p.addPolygon(poly);
                p.closeSubpath();
            }
        shape(p, true, true);
    }
    void polyBezier(const QPolygonF& points, bool fromCurrent) {
        QPainterPath p;
        qsizetype i = 0;
        if (fromCurrent) {
            p.moveTo(dc.position);
        } else {
            if (points.isEmpty()) return;
            p.moveTo(points[0]);
            i = 1;
        }
        for (; i + 2 < points.size(); i += 3)
            p.cubicTo(points[i], points[i + 1], points[i + 2]);
        if (fromCurrent) dc.position = p.currentPosition();
        if (inPath_) {
            if (fromCurrent && path_.elementCount() > 0)
                path_.connectPath(p);
            else
                path_.addPath(p);
            return;
        }
        shape(p, false, true);
    }
    void rectangle(const QRectF& r) {
        QPainterPath p;
        p.addRect(r.normalized());
        shape(p, true, true);
    }
    void roundRect(const QRectF& r, QSizeF corner) {
        QPainterPath p;
        p.addRoundedRect(r.normalized(), std::fabs(corner.width()) / 2,
                         std::fabs(corner.height()) / 2);
        shape(p, true, true);
    }
    void ellipse(const QRectF& r) {
        QPainterPath p;
        p.addEllipse(r.normalized());
        shape(p, true, true);
    }
    enum class ArcKind { Arc, Chord, Pie };
    // Counter-clockwise from the ray through `start` to the ray through `end`.
    void arc(ArcKind kind, const QRectF& box, QPointF start, QPointF end) {
        const QRectF r = box.normalized();
        if (r.width() <= 0 || r.height() <= 0) return;
        const QPointF c = r.center();
        auto angle = [&](QPointF p) {
            return qRadiansToDegrees(
                std::atan2(-(p.y() - c.y()) / r.height(), (p.x() - c.x()) / r.width()));
        };
        const double a1 = angle(start);
        double sweep = angle(end) - a1;
        if (sweep <= 0) sweep += 360;
        QPainterPath p;
        if (kind == ArcKind::Pie) {
            p.moveTo(c);
            p.arcTo(r, a1, sweep);
            p.closeSubpath();
        } else {
            p.arcMoveTo(r, a1);
            p.arcTo(r, a1, sweep);
            if (kind == ArcKind::Chord) p.closeSubpath();
        }
        shape(p, kind != ArcKind::Arc, true);
    }
    void setPixel(QPointF p, const QColor& color) {
        painter_.fillRect(QRectF(painter_.transform().map(p), QSizeF(1, 1))
                              .translated(-0.5, -0.5)
                              .intersected(QRectF(painter_.window())),
                          color);
    }
    // Pattern fills of bit-block transfers without a bitmap.
    void fillRect(const QRectF& r, quint32 rop) {
        QBrush b = dc.brush;
        if (rop == 0x00000042)
            b = QBrush(Qt::black);
        else if (rop == 0x00FF0062)
            b = QBrush(Qt::white);
        else if (rop != 0x00F00021)
            return; // only copies of the pattern are drawn
        painter_.fillRect(r.normalized(), b);
    }
    void image(const QRectF& dest, const QImage& img, QRectF source) {
        if (img.isNull() || dest.normalized().isEmpty()) return;
        source = source.normalized().intersected(QRectF(img.rect()));
        if (source.isEmpty()) source = QRectF(img.rect());
        painter_.drawImage(dest.normalized(), img, source);
    }
    void text(QPointF reference, const QString& s) {
        if (s.isEmpty()) return;
        const bool updateCp = dc.textAlign & U_TA_UPDATECP;
        if (updateCp) reference = dc.position;
        const QTransform full = painter_.transform();
        const QPointF at = full.map(reference);
        double scale = std::hypot(full.m12(), full.m22());
        if (!(scale > 0) || !finite(scale)) scale = 1;
        double px = dc.fontHeight == 0 ? 12 : std::fabs(dc.fontHeight) * scale;
        if (dc.fontHeight > 0) px /= 1.15; // cell height to character height
        QFont f = dc.font;
        f.setPixelSize(int(std::clamp(std::lround(px), 1L, 2000L)));
        const QFontMetricsF fm(f);
        const double w = fm.horizontalAdvance(s);
        double x = 0, y = fm.ascent();
        if ((dc.textAlign & U_TA_CENTER) == U_TA_CENTER)
            x = -w / 2;
        else if (dc.textAlign & U_TA_RIGHT)
            x = -w;
        if ((dc.textAlign & U_TA_BASELINE) == U_TA_BASELINE)
            y = 0;
        else if (dc.textAlign & U_TA_BOTTOM)
            y = -fm.descent();
        painter_.save();
        painter_.resetTransform();
        painter_.translate(at);
        if (dc.escapement) painter_.rotate(-dc.escapement / 10.0);
        if (dc.opaque) painter_.fillRect(QRectF(x, y - fm.ascent(), w, fm.height()), dc.bkColor);
        painter_.setFont(f);
        painter_.setPen(dc.textColor);
        painter_.drawText(QPointF(x, y), s);
        painter_.restore();
        if (updateCp && full.isInvertible())
            dc.position = full.inverted().map(at + QPointF(x + w, 0) - QPointF(x, 0));
    }
    void intersectClip(const QRectF& r) {
        painter_.setClipRect(r.normalized(),
                             painter_.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    }
    void resetClip() { painter_.setClipping(false); }

    void beginPath() {
        inPath_ = true;
        path_ = QPainterPath();
    }
    void endPath() { inPath_ = false; }
    void abortPath() {
        inPath_ = false;
        path_ = QPainterPath();
    }
    void closeFigure() {
        if (inPath_) path_.closeSubpath();
    }
    void drawPath(bool fill, bool strokeIt) {
        if (inPath_) return;
        QPainterPath p = path_;
        p.setFillRule(dc.fillRule);
        path_ = QPainterPath();
        shape(p, fill, strokeIt);
    }

private:
    QTransform pageTransform() const {
        double sx = 1, sy = 1;
        switch (dc.mapMode) {
        case MapLoMetric:
            sx = perMm_ * 0.1, sy = -sx;
            break;
        case MapHiMetric:
            sx = perMm_ * 0.01, sy = -sx;
            break;
        case MapLoEnglish:
            sx = perMm_ * 0.254, sy = -sx;
            break;
        case MapHiEnglish:
            sx = perMm_ * 0.0254, sy = -sx;
            break;
        case MapTwips:
            sx = perMm_ * 25.4 / 1440, sy = -sx;
            break;
        case MapIsotropic:
        case MapAnisotropic:
            sx = dc.vpExt.x() / dc.winExt.x();
            sy = dc.vpExt.y() / dc.winExt.y();
            if (dc.mapMode == MapIsotropic) {
                const double m = std::min(std::fabs(sx), std::fabs(sy));
                sx = std::copysign(m, sx);
                sy = std::copysign(m, sy);
            }
            break;
        default:
            break;
        }
        return QTransform(sx, 0, 0, sy, dc.vpOrg.x() - dc.winOrg.x() * sx,
                          dc.vpOrg.y() - dc.winOrg.y() * sy);
    }

    void stroke(const QLineF& line) {
        painter_.setPen(dc.pen);
        painter_.drawLine(line);
    }
    // Inside a path bracket shapes only add to the path; else they are drawn at once.
    void shape(const QPainterPath& p, bool fill, bool strokeIt) {
        if (inPath_) {
            path_.addPath(p);
            return;
        }
        painter_.setPen(strokeIt ? dc.pen : QPen(Qt::NoPen));
        painter_.setBrush(fill ? dc.brush : QBrush(Qt::NoBrush));
        painter_.drawPath(p);
    }

    // The stock objects a record may select without creating them: brushes 0-5, pens 6-8,
    // fonts 10-17 (the default font), the DC brush 18 and pen 19.
    void selectStock(quint32 which) {
        struct Stock {
            quint32 index;
            bool pen;
            QColor color; // invalid: no brush or no pen
        };
        static const Stock stock[] = {
            {0, false, Qt::white},
            {1, false, QColor(192, 192, 192)},
            {2, false, QColor(128, 128, 128)},
            {3, false, QColor(64, 64, 64)},
            {4, false, Qt::black},
            {5, false, QColor()},
            {6, true, Qt::white},
            {7, true, Qt::black},
            {8, true, QColor()},
            {18, false, Qt::white},
            {19, true, Qt::black},
        };
        for (const Stock& s : stock) {
            if (s.index != which) continue;
            if (s.pen)
                dc.pen = s.color.isValid() ? QPen(QBrush(s.color), 0) : QPen(Qt::NoPen);
            else
                dc.brush = s.color.isValid() ? QBrush(s.color) : QBrush(Qt::NoBrush);
            return;
        }
        if (which >= 10 && which <= 17) {
            dc.font = QFont();
            dc.fontHeight = 0;
            dc.escapement = 0;
        }
    }

    QPainter painter_;
    QTransform toImage_;
    double perMm_;
    QList<DcState> saved_;
    QList<GdiObject> objects_{GdiObject()}; // EMF index 0 is the metafile itself
    bool inPath_ = false;
    QPainterPath path_;
};

// ---- Enhanced metafiles ----

QPointF pt(const U_POINTL& p) {
    return QPointF(p.x, p.y);
}
QPointF pt(const U_POINT16& p) {
    return QPointF(p.x, p.y);
}
QRectF rect(const U_RECTL& r) {
    return QRectF(QPointF(r.left, r.top), QPointF(r.right, r.bottom));
}
QRectF rect(const U_RECT16& r) {
    return QRectF(QPointF(r.left, r.top), QPointF(r.right, r.bottom));
}

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
    const quint32 count = load<quint32>(rec + 24);
    QPolygonF points;
    const bool ok = small ? readPoints<U_POINT16>(rec, size, 28, count, &points)
                          : readPoints<U_POINTL>(rec, size, 28, count, &points);
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
    const quint64 polys = load<quint32>(rec + 24), total = load<quint32>(rec + 28);
    if (polys > 100000 || 32 + polys * 4 > size) return;
    QPolygonF all;
    const quint64 pointsAt = 32 + polys * 4;
    const bool ok = small ? readPoints<U_POINT16>(rec, size, pointsAt, total, &all)
                          : readPoints<U_POINTL>(rec, size, pointsAt, total, &all);
    if (!ok) return;
    QList<QPolygonF> list;
    quint64 at = 0;
    for (quint64 i = 0; i < polys; ++i) {
        const quint64 n = load<quint32>(rec + 32 + i * 4);
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
                player.dc.opaque = mode == 2;
            else if (type == U_EMR_SETPOLYFILLMODE)
                player.dc.fillRule = mode == 2 ? Qt::WindingFill : Qt::OddEvenFill;
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
        if (size >= 16 && load<quint32>(rec + 8) == 0 && load<quint32>(rec + 12) == U_RGN_COPY)
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
            player.setWorld(load<U_EMRSETWORLDTRANSFORM>(rec).xform, 4);
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
            const bool geometric = elp.elpPenStyle & 0x00010000;
            o.pen = makePen(elp.elpPenStyle, geometric ? elp.elpWidth : 0, toColor(elp.elpColor),
                            geometric);
            if (elp.elpBrushStyle == 1) o.pen = QPen(Qt::NoPen);
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
            o.brush = makeBrush(3, Qt::gray, 0);
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

Result<QImage> renderEmf(const QByteArray& data) {
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

// ---- Windows metafiles ----

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
        if (U_WMRSETBKMODE_get(rec, &mode) > 0) player.dc.opaque = mode == 2;
        break;
    }
    case U_WMR_SETPOLYFILLMODE: {
        uint16_t mode;
        if (U_WMRSETPOLYFILLMODE_get(rec, &mode) > 0)
            player.dc.fillRule = mode == 2 ? Qt::WindingFill : Qt::OddEvenFill;
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
        o.brush = makeBrush(3, Qt::gray, 0);
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

Result<QImage> renderWmf(const QByteArray& data) {
    const char* base = data.constData();
    const char* limit = base + data.size();
    const bool placeable = data.size() >= 22 && load<quint32>(base) == kPlaceableKey;
    // The headers are read here: the library's reader wants tens of bytes more than a small
    // file has, and takes the header's own size on trust.
    const qsizetype at = placeable ? 22 : 0;
    if (data.size() < at + 18) return Result<QImage>::failure("it is not a Windows metafile.");
    const quint16 kind = load<quint16>(base + at), headerWords = load<quint16>(base + at + 2);
    const qsizetype headerBytes = at + 2 * qsizetype(headerWords);
    if ((kind != 1 && kind != 2) || headerWords < 9 || headerBytes > data.size())
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
        player.dc.mapMode = MapAnisotropic;
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

} // namespace

Result<QImage> RenderMetafile(const QByteArray& data, bool enhanced) {
    return enhanced ? renderEmf(data) : renderWmf(data);
}

} // namespace brenvik
