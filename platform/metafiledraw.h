#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QTransform>
#include <cmath>
#include <cstring>
#include <uemf.h>
#include <uwmf.h>

// What the enhanced and the Windows metafile decoders share: the device context a playback keeps,
// the objects records create, and the drawing calls records map to.
namespace brenvik::metafile {

// A metafile may claim any size; the picture is scaled down to this many pixels a side.
constexpr double kMaxSide = 4096;
constexpr quint32 kMaxObjects = 65536;
constexpr int kMaxSavedStates = 1024;
// The world transform a record sets outright, which libuemf does not name.
constexpr quint32 kWorldSet = 4;

// Records sit at any 2-byte boundary in a WMF and hold unaligned fields: copy, never cast.
template <class T> T load(const char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline QColor toColor(const U_COLORREF& c) {
    return QColor(c.Red, c.Green, c.Blue);
}

inline bool finite(double v) {
    return std::isfinite(v) && std::fabs(v) < 1e9;
}

inline QPointF pt(const U_POINTL& p) {
    return QPointF(p.x, p.y);
}
inline QPointF pt(const U_POINT16& p) {
    return QPointF(p.x, p.y);
}
inline QRectF rect(const U_RECTL& r) {
    return QRectF(QPointF(r.left, r.top), QPointF(r.right, r.bottom));
}
inline QRectF rect(const U_RECT16& r) {
    return QRectF(QPointF(r.left, r.top), QPointF(r.right, r.bottom));
}

// A metafile is drawn scaled down, but the size it declares is held to the same bound as
// every picture: past it the header is damaged or made to exhaust the reader.
bool tooLarge(double width, double height);

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
    quint32 mapMode = U_MM_TEXT;
    QPointF winOrg{0, 0}, winExt{1, 1}, vpOrg{0, 0}, vpExt{1, 1};
    QTransform world;
};

QPen makePen(quint32 style, double width, const QColor& color, bool geometric);
QBrush makeBrush(quint32 style, const QColor& color, quint32 hatch);
QFont makeFont(const QString& face, int weight, bool italic, bool underline, bool strikeOut);
// A device-independent bitmap as held in a record: a BMP file without its file header.
QImage dibToImage(const char* bmi, quint32 bmiSize, const char* bits, quint32 bitsSize);
// A packed DIB (header, colours, pixels in one run), as WMF records hold it.
QImage packedDibToImage(const char* dib, const char* end);

// The drawing state of one playback and the drawing calls that records map to. Coordinates
// are the metafile's logical units; the painter's transform takes them to the image.
class Player {
public:
    Player(QImage& image, const QTransform& deviceToImage, double pixelsPerMm);

    ~Player();

    DcState dc;
    bool wmf = false;

    void applyTransform() { painter_.setTransform(dc.world * pageTransform() * toImage_); }

    void setMapMode(quint32 mode);
    void setWindowOrg(QPointF p);
    void setViewportOrg(QPointF p);
    void setWindowExt(QPointF e);
    void setViewportExt(QPointF e);
    void scaleExt(bool window, double xNum, double xDenom, double yNum, double yDenom);
    void setWorld(const U_XFORM& x, quint32 mode);

    void saveDc();
    void restoreDc(qint64 which);

    // EMF objects live at the index the record names; WMF objects take the first free slot.
    void putObject(quint32 index, const GdiObject& object);
    void addObject(const GdiObject& object);
    void deleteObject(quint32 index);
    void selectObject(quint32 index);

    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void polyline(const QPolygonF& points);
    void polylineTo(const QPolygonF& points);
    void polygons(const QList<QPolygonF>& list);
    void polyBezier(const QPolygonF& points, bool fromCurrent);
    void rectangle(const QRectF& r);
    void roundRect(const QRectF& r, QSizeF corner);
    void ellipse(const QRectF& r);
    enum class ArcKind { Arc, Chord, Pie };
    // Counter-clockwise from the ray through `start` to the ray through `end`.
    void arc(ArcKind kind, const QRectF& box, QPointF start, QPointF end);
    void setPixel(QPointF p, const QColor& color);
    // Pattern fills of bit-block transfers without a bitmap.
    void fillRect(const QRectF& r, quint32 rop);
    void image(const QRectF& dest, const QImage& img, QRectF source);
    void text(QPointF reference, const QString& s);
    void intersectClip(const QRectF& r);
    void resetClip() { painter_.setClipping(false); }

    void beginPath();
    void endPath() { inPath_ = false; }
    void abortPath();
    void closeFigure();
    void drawPath(bool fill, bool strokeIt);

private:
    QTransform pageTransform() const;

    void stroke(const QLineF& line);
    // Inside a path bracket shapes only add to the path; else they are drawn at once.
    void shape(const QPainterPath& p, bool fill, bool strokeIt);

    // The stock objects a record may select without creating them: brushes 0-5, pens 6-8,
    // fonts 10-17 (the default font), the DC brush 18 and pen 19.
    void selectStock(quint32 which);

    QPainter painter_;
    QTransform toImage_;
    double perMm_;
    QList<DcState> saved_;
    QList<GdiObject> objects_{GdiObject()}; // EMF index 0 is the metafile itself
    bool inPath_ = false;
    QPainterPath path_;
};

} // namespace brenvik::metafile
