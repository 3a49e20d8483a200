#include "platform/metafiledraw.h"

#include "platform/picture.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QImageReader>
#include <QtMath>
#include <algorithm>
#include <cstdlib>

namespace brenvik::metafile {

namespace {

// The stock DC brush and pen, which libuemf does not name.
constexpr quint32 kDcBrush = U_STOCK_OBJECT | 18, kDcPen = U_STOCK_OBJECT | 19;

} // namespace

// A metafile is drawn scaled down, but the size it declares is held to the same bound as
// every picture: past it the header is damaged or made to exhaust the reader.
bool tooLarge(double width, double height) {
    return std::ceil(width) * std::ceil(height) > double(kMaxPicturePixels);
}

QPen makePen(quint32 style, double width, const QColor& color, bool geometric) {
    if ((style & U_PS_STYLE_MASK) == U_PS_NULL) return QPen(Qt::NoPen);
    QPen pen(color);
    // Thin pens are one device pixel, as on the system the files come from.
    pen.setWidthF(width <= 1 || !finite(width) ? 0 : width);
    switch (style & U_PS_STYLE_MASK) {
    case U_PS_DASH:
        pen.setStyle(Qt::DashLine);
        break;
    case U_PS_DOT:
        pen.setStyle(Qt::DotLine);
        break;
    case U_PS_DASHDOT:
        pen.setStyle(Qt::DashDotLine);
        break;
    case U_PS_DASHDOTDOT:
        pen.setStyle(Qt::DashDotDotLine);
        break;
    default:
        pen.setStyle(Qt::SolidLine);
        break;
    }
    if (geometric || width > 1) {
        const quint32 cap = style & U_PS_ENDCAP_MASK, join = style & U_PS_JOIN_MASK;
        pen.setCapStyle(cap == U_PS_ENDCAP_SQUARE ? Qt::SquareCap
                        : cap == U_PS_ENDCAP_FLAT ? Qt::FlatCap
                                                  : Qt::RoundCap);
        pen.setJoinStyle(join == U_PS_JOIN_BEVEL   ? Qt::BevelJoin
                         : join == U_PS_JOIN_MITER ? Qt::MiterJoin
                                                   : Qt::RoundJoin);
    } else {
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    return pen;
}

QBrush makeBrush(quint32 style, const QColor& color, quint32 hatch) {
    switch (style) {
    case U_BS_SOLID:
        return QBrush(color);
    case U_BS_NULL:
        return QBrush(Qt::NoBrush);
    case U_BS_HATCHED: {
        static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                 Qt::FDiagPattern, Qt::BDiagPattern,
                                                 Qt::CrossPattern, Qt::DiagCrossPattern};
        return QBrush(color, hatch <= U_HS_DIAGCROSS ? hatches[hatch] : Qt::SolidPattern);
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

Player::Player(QImage& image, const QTransform& deviceToImage, double pixelsPerMm)
    : painter_(&image), toImage_(deviceToImage), perMm_(pixelsPerMm) {
    painter_.setRenderHint(QPainter::Antialiasing);
    painter_.setRenderHint(QPainter::TextAntialiasing);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform);
    applyTransform();
}

Player::~Player() {
    for (qsizetype i = 0; i < saved_.size(); ++i)
        painter_.restore();
}

void Player::setMapMode(quint32 mode) {
    if (mode < U_MM_TEXT || mode > U_MM_ANISOTROPIC) return;
    dc.mapMode = mode;
    applyTransform();
}

void Player::setWindowOrg(QPointF p) {
    dc.winOrg = p;
    applyTransform();
}

void Player::setViewportOrg(QPointF p) {
    dc.vpOrg = p;
    applyTransform();
}

void Player::setWindowExt(QPointF e) {
    if (e.x() == 0 || e.y() == 0) return;
    dc.winExt = e;
    applyTransform();
}

void Player::setViewportExt(QPointF e) {
    if (e.x() == 0 || e.y() == 0) return;
    dc.vpExt = e;
    applyTransform();
}

void Player::scaleExt(bool window, double xNum, double xDenom, double yNum, double yDenom) {
    if (xDenom == 0 || yDenom == 0) return;
    const QPointF e = window ? dc.winExt : dc.vpExt;
    const QPointF scaled(e.x() * xNum / xDenom, e.y() * yNum / yDenom);
    window ? setWindowExt(scaled) : setViewportExt(scaled);
}

void Player::setWorld(const U_XFORM& x, quint32 mode) {
    const QTransform t(x.eM11, x.eM12, x.eM21, x.eM22, x.eDx, x.eDy);
    for (double v : {x.eM11, x.eM12, x.eM21, x.eM22, x.eDx, x.eDy})
        if (!finite(v)) return;
    switch (mode) {
    case U_MWT_IDENTITY:
        dc.world = QTransform();
        break;
    case U_MWT_LEFTMULTIPLY:
        dc.world = t * dc.world;
        break;
    case U_MWT_RIGHTMULTIPLY:
        dc.world = dc.world * t;
        break;
    case kWorldSet:
        dc.world = t;
        break;
    default:
        return;
    }
    applyTransform();
}

void Player::saveDc() {
    if (saved_.size() >= kMaxSavedStates) return;
    saved_.push_back(dc);
    painter_.save();
}

void Player::restoreDc(qint64 which) {
    const qint64 target = which < 0 ? saved_.size() + which : which - 1;
    if (target < 0 || target >= saved_.size()) return;
    while (saved_.size() > target) {
        dc = saved_.takeLast();
        painter_.restore();
    }
    applyTransform();
}

void Player::putObject(quint32 index, const GdiObject& object) {
    if (index == 0 || index >= kMaxObjects) return;
    if (objects_.size() <= qsizetype(index)) objects_.resize(index + 1);
    objects_[index] = object;
}

void Player::addObject(const GdiObject& object) {
    for (qsizetype i = 0; i < objects_.size(); ++i)
        if (objects_[i].kind == GdiObject::Kind::Empty) {
            objects_[i] = object;
            return;
        }
    if (objects_.size() < qsizetype(kMaxObjects)) objects_.push_back(object);
}

void Player::deleteObject(quint32 index) {
    if (index < quint32(objects_.size())) objects_[index] = GdiObject();
}

void Player::selectObject(quint32 index) {
    if (!wmf && (index & U_STOCK_OBJECT)) {
        selectStock(index);
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

void Player::moveTo(QPointF p) {
    dc.position = p;
    if (inPath_) path_.moveTo(p);
}

void Player::lineTo(QPointF p) {
    if (inPath_) {
        if (path_.elementCount() == 0) path_.moveTo(dc.position);
        path_.lineTo(p);
    } else {
        stroke(QLineF(dc.position, p));
    }
    dc.position = p;
}

void Player::polyline(const QPolygonF& points) {
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

void Player::polylineTo(const QPolygonF& points) {
    for (const QPointF& p : points)
        lineTo(p);
}

void Player::polygons(const QList<QPolygonF>& list) {
    QPainterPath p;
    p.setFillRule(dc.fillRule);
    for (const QPolygonF& poly : list)
        if (poly.size() >= 2) {
            p.addPolygon(poly);
            p.closeSubpath();
        }
    shape(p, true, true);
}

void Player::polyBezier(const QPolygonF& points, bool fromCurrent) {
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

void Player::rectangle(const QRectF& r) {
    QPainterPath p;
    p.addRect(r.normalized());
    shape(p, true, true);
}

void Player::roundRect(const QRectF& r, QSizeF corner) {
    QPainterPath p;
    p.addRoundedRect(r.normalized(), std::fabs(corner.width()) / 2, std::fabs(corner.height()) / 2);
    shape(p, true, true);
}

void Player::ellipse(const QRectF& r) {
    QPainterPath p;
    p.addEllipse(r.normalized());
    shape(p, true, true);
}

void Player::arc(ArcKind kind, const QRectF& box, QPointF start, QPointF end) {
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

void Player::setPixel(QPointF p, const QColor& color) {
    painter_.fillRect(QRectF(painter_.transform().map(p), QSizeF(1, 1))
                          .translated(-0.5, -0.5)
                          .intersected(QRectF(painter_.window())),
                      color);
}

void Player::fillRect(const QRectF& r, quint32 rop) {
    QBrush b = dc.brush;
    if (rop == U_BLACKNESS)
        b = QBrush(Qt::black);
    else if (rop == U_WHITENESS)
        b = QBrush(Qt::white);
    else if (rop != U_PATCOPY)
        return; // only copies of the pattern are drawn
    painter_.fillRect(r.normalized(), b);
}

void Player::image(const QRectF& dest, const QImage& img, QRectF source) {
    if (img.isNull() || dest.normalized().isEmpty()) return;
    source = source.normalized().intersected(QRectF(img.rect()));
    if (source.isEmpty()) source = QRectF(img.rect());
    painter_.drawImage(dest.normalized(), img, source);
}

void Player::text(QPointF reference, const QString& s) {
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

void Player::intersectClip(const QRectF& r) {
    painter_.setClipRect(r.normalized(),
                         painter_.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

void Player::beginPath() {
    inPath_ = true;
    path_ = QPainterPath();
}

void Player::abortPath() {
    inPath_ = false;
    path_ = QPainterPath();
}

void Player::closeFigure() {
    if (inPath_) path_.closeSubpath();
}

void Player::drawPath(bool fill, bool strokeIt) {
    if (inPath_) return;
    QPainterPath p = path_;
    p.setFillRule(dc.fillRule);
    path_ = QPainterPath();
    shape(p, fill, strokeIt);
}

QTransform Player::pageTransform() const {
    double sx = 1, sy = 1;
    switch (dc.mapMode) {
    case U_MM_LOMETRIC:
        sx = perMm_ * 0.1, sy = -sx;
        break;
    case U_MM_HIMETRIC:
        sx = perMm_ * 0.01, sy = -sx;
        break;
    case U_MM_LOENGLISH:
        sx = perMm_ * 0.254, sy = -sx;
        break;
    case U_MM_HIENGLISH:
        sx = perMm_ * 0.0254, sy = -sx;
        break;
    case U_MM_TWIPS:
        sx = perMm_ * 25.4 / 1440, sy = -sx;
        break;
    case U_MM_ISOTROPIC:
    case U_MM_ANISOTROPIC:
        sx = dc.vpExt.x() / dc.winExt.x();
        sy = dc.vpExt.y() / dc.winExt.y();
        if (dc.mapMode == U_MM_ISOTROPIC) {
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

void Player::stroke(const QLineF& line) {
    painter_.setPen(dc.pen);
    painter_.drawLine(line);
}

void Player::shape(const QPainterPath& p, bool fill, bool strokeIt) {
    if (inPath_) {
        path_.addPath(p);
        return;
    }
    painter_.setPen(strokeIt ? dc.pen : QPen(Qt::NoPen));
    painter_.setBrush(fill ? dc.brush : QBrush(Qt::NoBrush));
    painter_.drawPath(p);
}

void Player::selectStock(quint32 which) {
    struct Stock {
        quint32 index;
        bool pen;
        QColor color; // invalid: no brush or no pen
    };
    static const Stock stock[] = {
        {U_WHITE_BRUSH, false, Qt::white},
        {U_LTGRAY_BRUSH, false, QColor(192, 192, 192)},
        {U_GRAY_BRUSH, false, QColor(128, 128, 128)},
        {U_DKGRAY_BRUSH, false, QColor(64, 64, 64)},
        {U_BLACK_BRUSH, false, Qt::black},
        {U_NULL_BRUSH, false, QColor()},
        {U_WHITE_PEN, true, Qt::white},
        {U_BLACK_PEN, true, Qt::black},
        {U_NULL_PEN, true, QColor()},
        {kDcBrush, false, Qt::white},
        {kDcPen, true, Qt::black},
    };
    for (const Stock& s : stock) {
        if (s.index != which) continue;
        if (s.pen)
            dc.pen = s.color.isValid() ? QPen(QBrush(s.color), 0) : QPen(Qt::NoPen);
        else
            dc.brush = s.color.isValid() ? QBrush(s.color) : QBrush(Qt::NoBrush);
        return;
    }
    if (which >= U_OEM_FIXED_FONT && which <= U_DEFAULT_GUI_FONT) {
        dc.font = QFont();
        dc.fontHeight = 0;
        dc.escapement = 0;
    }
}

} // namespace brenvik::metafile
