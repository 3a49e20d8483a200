// The picture loader by file name extension: every kind, metafiles drawn from their records,
// the exact refusal of unknown extensions, damaged, oversized and crafted files that must be
// refused, never crash and never take more memory than a picture may have.
#include "platform/metafile.h"
#include "platform/picture.h"
#include "tests/fuzz/guardedinput.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace brenvik;

namespace {

bool writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QImage pattern(int w = 40, int h = 30) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(20, 160, 40));
    QPainter p(&img);
    p.fillRect(0, 0, w / 2, h, QColor(200, 30, 30));
    return img;
}

// Little-endian record writer for hand-made metafiles.
class Bytes {
public:
    Bytes& u8(quint8 v) { return raw(&v, 1); }
    Bytes& u16(quint16 v) { return raw(&v, 2); }
    Bytes& i16(qint16 v) { return raw(&v, 2); }
    Bytes& u32(quint32 v) { return raw(&v, 4); }
    Bytes& i32(qint32 v) { return raw(&v, 4); }
    Bytes& rgb(int r, int g, int b) { return u8(quint8(r)).u8(quint8(g)).u8(quint8(b)).u8(0); }
    Bytes& bytes(const QByteArray& b) {
        data.append(b);
        return *this;
    }
    QByteArray data;

private:
    Bytes& raw(const void* p, int n) {
        data.append(static_cast<const char*>(p), n); // the test machine is little-endian
        return *this;
    }
};

// A placeable WMF of 100 × 50 logical units at 96 per inch: a red filled rectangle on the
// left, a blue filled triangle on the right drawn with a pen of the same colour.
QByteArray makeWmf() {
    Bytes records;
    auto record = [&](quint16 function, const Bytes& params) {
        records.u32(quint32(3 + params.data.size() / 2)).u16(function).bytes(params.data);
    };
    record(0x02FC, Bytes().u16(0).rgb(220, 0, 0).u16(0));      // brush 0: solid red
    record(0x012D, Bytes().u16(0));                            // select it
    record(0x02FA, Bytes().u16(5).i16(0).i16(0).rgb(0, 0, 0)); // pen 1: none
    record(0x012D, Bytes().u16(1));
    record(0x041B, Bytes().i16(40).i16(40).i16(10).i16(10)); // rectangle: b, r, t, l
    record(0x02FC, Bytes().u16(0).rgb(0, 0, 230).u16(0));    // brush 2: solid blue
    record(0x012D, Bytes().u16(2));
    record(0x0324, Bytes().u16(3).i16(60).i16(5).i16(95).i16(5).i16(78).i16(45)); // triangle
    record(0x0000, Bytes());                                                      // end
    Bytes header;
    header.u16(1)
        .u16(9)
        .u16(0x0300)
        .u32(quint32(9 + records.data.size() / 2))
        .u16(3)
        .u32(10)
        .u16(0);
    Bytes placeable;
    placeable.u32(0x9AC6CDD7).u16(0).i16(0).i16(0).i16(100).i16(50).u16(96).u32(0);
    quint16 sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= quint16(quint8(placeable.data[2 * i]) | quint8(placeable.data[2 * i + 1]) << 8);
    placeable.u16(sum);
    return placeable.data + header.data + records.data;
}

// An EMF whose drawn bounds are 100 × 50 device pixels: a green rectangle, a thick black
// polyline across its middle and a yellow ellipse on the right.
QByteArray makeEmf() {
    Bytes records;
    int count = 1;
    auto record = [&](quint32 type, const Bytes& params) {
        records.u32(type).u32(quint32(8 + params.data.size())).bytes(params.data);
        ++count;
    };
    record(39, Bytes().u32(1).u32(0).rgb(0, 200, 0).u32(0)); // brush 1: green
    record(37, Bytes().u32(1));
    record(37, Bytes().u32(0x80000008));                          // stock null pen
    record(43, Bytes().i32(5).i32(5).i32(45).i32(45));            // rectangle
    record(38, Bytes().u32(2).u32(0).i32(4).i32(0).rgb(0, 0, 0)); // pen 2: black, 4 wide
    record(37, Bytes().u32(2));
    record(87, Bytes().i32(0).i32(0).i32(0).i32(0).u32(2).i16(0).i16(25).i16(50).i16(25));
    record(39, Bytes().u32(3).u32(0).rgb(240, 220, 0).u32(0)); // brush 3: yellow
    record(37, Bytes().u32(3));
    record(37, Bytes().u32(0x80000008));
    record(42, Bytes().i32(60).i32(10).i32(95).i32(40)); // ellipse
    record(14, Bytes().u32(0).u32(16).u32(20));          // end
    Bytes header;
    const quint32 headerSize = 108;
    header.u32(1).u32(headerSize);
    header.i32(0).i32(0).i32(99).i32(49);     // bounds, device pixels
    header.i32(0).i32(0).i32(2646).i32(1322); // frame, 0.01 mm
    header.u32(0x464D4520).u32(0x10000);      // signature, version
    header.u32(quint32(headerSize + records.data.size())).u32(quint32(count));
    header.u16(4).u16(0).u32(0).u32(0).u32(0);   // handles, reserved, description, palette
    header.i32(1024).i32(768).i32(271).i32(203); // device in pixels and millimetres
    header.u32(0).u32(0).u32(0).i32(271000).i32(203000);
    return header.data + records.data;
}

// A metafile of 120 × 40 that writes "WWW" in red with a 24-unit font at (10, 8).
QByteArray makeTextEmf() {
    Bytes records;
    int count = 1;
    auto record = [&](quint32 type, const Bytes& params) {
        records.u32(type).u32(quint32(8 + params.data.size())).bytes(params.data);
        ++count;
    };
    Bytes font;
    font.u32(1).i32(-24).i32(0).i32(0).i32(0).i32(700);
    font.u8(0).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0);
    const QString face = "Liberation Sans";
    for (int i = 0; i < 32; ++i)
        font.u16(i < face.size() ? face[i].unicode() : 0);
    record(82, font);
    record(37, Bytes().u32(1));
    record(24, Bytes().rgb(230, 0, 0)); // text colour
    record(18, Bytes().u32(1));         // transparent background
    Bytes text;
    text.i32(0).i32(0).i32(-1).i32(-1).u32(1).u32(0).u32(0); // bounds, mode, scales
    text.i32(10).i32(8).u32(3).u32(60).u32(0x100);           // at, chars, text offset, no rectangle
    text.u32(68);                                            // offset of the spacing
    text.u16('W').u16('W').u16('W').u16(0);
    text.u32(18).u32(18).u32(18);
    record(84, text);
    record(14, Bytes().u32(0).u32(16).u32(20));
    Bytes header;
    header.u32(1).u32(108).i32(0).i32(0).i32(119).i32(39).i32(0).i32(0).i32(3175).i32(1058);
    header.u32(0x464D4520).u32(0x10000).u32(quint32(108 + records.data.size())).u32(quint32(count));
    header.u16(2).u16(0).u32(0).u32(0).u32(0).i32(1024).i32(768).i32(271).i32(203);
    header.u32(0).u32(0).u32(0).i32(271000).i32(203000);
    return header.data + records.data;
}

int redPixels(const QImage& img, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.red() > 150 && c.green() < 120 && c.blue() < 120) ++n;
        }
    return n;
}

void expectColor(const QImage& img, int x, int y, const QColor& want, int tolerance = 20) {
    const QColor c = img.pixelColor(x, y);
    EXPECT_NEAR(c.red(), want.red(), tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(c.green(), want.green(), tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(c.blue(), want.blue(), tolerance) << "at " << x << "," << y;
}

} // namespace

TEST(PictureKinds, EachKindLoadsByItsExtensionInAnyCase) {
    QTemporaryDir dir;
    const QImage img = pattern();
    struct Saved {
        QString name;
        const char* format;
    };
    QList<Saved> saved{{"a.png", "PNG"}, {"b.BMP", "BMP"},  {"c.jpg", "JPG"}, {"d.JPEG", "JPG"},
                       {"e.Jpe", "JPG"}, {"f.jfif", "JPG"}, {"g.ico", "ICO"}, {"h.GIF", "GIF"}};
    for (const Saved& s : saved) {
        SCOPED_TRACE(qPrintable(s.name));
        const QString path = dir.filePath(s.name);
        if (!img.save(path, s.format)) continue; // no writer for it on this system
        const PictureResult r = LoadPicture(path);
        ASSERT_TRUE(r.ok()) << qPrintable(ErrorText(r));
        EXPECT_EQ(r.value().size(), img.size());
        expectColor(r.value(), 5, 15, QColor(200, 30, 30), 30);
        expectColor(r.value(), 35, 15, QColor(20, 160, 40), 30);
    }

    // SVG through Qt's reader.
    const QString svg = dir.filePath("i.svg");
    ASSERT_TRUE(writeFile(svg, "<svg xmlns='http://www.w3.org/2000/svg' width='20' height='10'>"
                               "<rect width='20' height='10' fill='#0000ff'/></svg>"));
    if (QImageReader::supportedImageFormats().contains("svg")) {
        const PictureResult r = LoadPicture(svg);
        ASSERT_TRUE(r.ok()) << qPrintable(ErrorText(r));
        EXPECT_EQ(r.value().size(), QSize(20, 10));
        expectColor(r.value(), 10, 5, QColor(0, 0, 255));
    }

    // The content does not overrule the name: JPEG data called .bmp is not a bitmap.
    const QString misnamed = dir.filePath("edit.bmp");
    ASSERT_TRUE(QFile::copy(dir.filePath("c.jpg"), misnamed));
    const PictureResult wrong = LoadPicture(misnamed);
    EXPECT_FALSE(wrong.ok());
    EXPECT_TRUE(ErrorText(wrong).contains("edit.bmp")) << qPrintable(ErrorText(wrong));
}

TEST(PictureKinds, MetafilesAreDrawnFromTheirRecords) {
    QTemporaryDir dir;
    const QString wmf = dir.filePath("shapes.WMF");
    ASSERT_TRUE(writeFile(wmf, makeWmf()));
    const PictureResult w = LoadPicture(wmf);
    ASSERT_TRUE(w.ok()) << qPrintable(ErrorText(w));
    EXPECT_EQ(w.value().size(), QSize(100, 50));
    expectColor(w.value(), 25, 25, QColor(220, 0, 0)); // inside the rectangle
    expectColor(w.value(), 5, 45, Qt::white);          // outside everything
    expectColor(w.value(), 78, 15, QColor(0, 0, 230)); // inside the triangle
    expectColor(w.value(), 62, 40, Qt::white);         // beside the triangle

    const QString emf = dir.filePath("shapes.emf");
    ASSERT_TRUE(writeFile(emf, makeEmf()));
    const PictureResult e = LoadPicture(emf);
    ASSERT_TRUE(e.ok()) << qPrintable(ErrorText(e));
    EXPECT_EQ(e.value().size(), QSize(100, 50));
    expectColor(e.value(), 15, 10, QColor(0, 200, 0));   // rectangle, away from the line
    expectColor(e.value(), 25, 25, Qt::black);           // the polyline
    expectColor(e.value(), 77, 25, QColor(240, 220, 0)); // ellipse centre
    expectColor(e.value(), 61, 11, Qt::white);           // ellipse's box corner, outside it
    expectColor(e.value(), 55, 45, Qt::white);
}

TEST(PictureKinds, MetafileTextIsWrittenWithItsFontAndColour) {
    QTemporaryDir dir;
    const QString emf = dir.filePath("text.emf");
    ASSERT_TRUE(writeFile(emf, makeTextEmf()));
    const PictureResult r = LoadPicture(emf);
    ASSERT_TRUE(r.ok()) << qPrintable(ErrorText(r));
    ASSERT_EQ(r.value().size(), QSize(120, 40));
    // Top-left aligned at (10, 8), about 24 pixels high: red inside, nothing outside.
    EXPECT_GT(redPixels(r.value(), QRect(10, 8, 60, 24)), 40);
    EXPECT_EQ(redPixels(r.value(), QRect(0, 0, 120, 6)), 0);
    EXPECT_EQ(redPixels(r.value(), QRect(0, 0, 8, 40)), 0);
    expectColor(r.value(), 5, 35, Qt::white); // a transparent background leaves the ground

    // The same text in a Windows metafile.
    Bytes records;
    auto record = [&](quint16 function, const Bytes& params) {
        records.u32(quint32(3 + params.data.size() / 2)).u16(function).bytes(params.data);
    };
    Bytes font;
    font.i16(-24).i16(0).i16(0).i16(0).i16(700).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0);
    font.bytes(QByteArray("Liberation Sans").leftJustified(32, '\0'));
    record(0x02FB, font);
    record(0x012D, Bytes().u16(0));
    record(0x0209, Bytes().rgb(230, 0, 0));
    record(0x0102, Bytes().u16(1));
    record(0x0521, Bytes().i16(3).bytes("WWW").u8(0).i16(8).i16(10)); // count, text, y, x
    record(0x0000, Bytes());
    Bytes header;
    header.u16(1)
        .u16(9)
        .u16(0x0300)
        .u32(quint32(9 + records.data.size() / 2))
        .u16(1)
        .u32(30)
        .u16(0);
    Bytes placeable;
    placeable.u32(0x9AC6CDD7).u16(0).i16(0).i16(0).i16(120).i16(40).u16(96).u32(0).u16(0);
    const QString wmf = dir.filePath("text.wmf");
    ASSERT_TRUE(writeFile(wmf, placeable.data + header.data + records.data));
    const PictureResult w = LoadPicture(wmf);
    ASSERT_TRUE(w.ok()) << qPrintable(ErrorText(w));
    EXPECT_GT(redPixels(w.value(), QRect(10, 8, 60, 24)), 40);
    EXPECT_EQ(redPixels(w.value(), QRect(0, 0, 120, 6)), 0);
}

TEST(PictureKinds, UnknownExtensionsAndDamagedFilesFailWithAText) {
    QTemporaryDir dir;
    const QString txt = dir.filePath("notes.Txt");
    ASSERT_TRUE(writeFile(txt, "hello"));
    EXPECT_EQ(ErrorText(LoadPicture(txt)), "Unknown picture file extension (.Txt)");
    EXPECT_EQ(ErrorText(LoadPicture(dir.filePath("noextension"))),
              "Unknown picture file extension (.)");
    EXPECT_FALSE(IsPictureExtension("notes.txt"));
    EXPECT_TRUE(IsPictureExtension("/x/y/Photo.JPEG"));
    EXPECT_TRUE(IsPictureExtension("drawing.Emf"));
    EXPECT_TRUE(IsPictureExtension("drawing.wmf"));
    EXPECT_TRUE(IsPictureExtension("cursor.cur"));

    struct Cut {
        QString name;
        QByteArray whole;
    };
    QByteArray bmp, jpg;
    {
        QBuffer b(&bmp);
        b.open(QIODevice::WriteOnly);
        pattern(64, 64).save(&b, "BMP");
    }
    {
        QImage detailed(200, 150, QImage::Format_RGB32);
        for (int y = 0; y < detailed.height(); ++y)
            for (int x = 0; x < detailed.width(); ++x)
                detailed.setPixel(x, y, qRgb(x * 7 % 256, x * y % 256, (x ^ y) % 256));
        QBuffer b(&jpg);
        b.open(QIODevice::WriteOnly);
        detailed.save(&b, "JPG", 90);
    }
    for (const Cut& c : {Cut{"cut.bmp", bmp}, Cut{"cut.jpg", jpg}, Cut{"cut.emf", makeEmf()},
                         Cut{"cut.wmf", makeWmf()}}) {
        SCOPED_TRACE(qPrintable(c.name));
        const QString path = dir.filePath(c.name);
        ASSERT_TRUE(writeFile(path, c.whole.left(c.whole.size() * 6 / 10)));
        const PictureResult r = LoadPicture(path);
        EXPECT_FALSE(r.ok());
        EXPECT_TRUE(ErrorText(r).contains(c.name)) << qPrintable(ErrorText(r));
    }
    // A metafile whose header claims no size.
    QByteArray flat = makeEmf();
    for (int i = 8; i < 40; ++i)
        flat[i] = 0;
    ASSERT_TRUE(writeFile(dir.filePath("flat.emf"), flat));
    const PictureResult f = LoadPicture(dir.filePath("flat.emf"));
    EXPECT_FALSE(f.ok());
    EXPECT_TRUE(ErrorText(f).contains("no size")) << qPrintable(ErrorText(f));
}

TEST(PictureKinds, DialogFilterListsEveryKindAfterAllPictures) {
    const QString filter = PictureDialogFilter();
    const QStringList parts = filter.split('|');
    ASSERT_EQ(parts.size() % 2, 0);
    ASSERT_GE(parts.size(), 12);
    EXPECT_TRUE(parts[0].startsWith("All pictures (")) << qPrintable(parts[0]);
    const QStringList all = parts[1].split(';');
    for (const char* e : {"*.jpg", "*.jpeg", "*.bmp", "*.ico", "*.wmf", "*.emf", "*.png"})
        EXPECT_TRUE(all.contains(e)) << e;
    EXPECT_EQ(parts[2], "JPEG files (*.jpg;*.jpeg;*.jpe;*.jfif)");
    EXPECT_EQ(parts[3], "*.jpg;*.jpeg;*.jpe;*.jfif");
    QStringList perKind;
    for (int i = 2; i < parts.size(); i += 2) {
        EXPECT_TRUE(parts[i].endsWith("(" + parts[i + 1] + ")")) << qPrintable(parts[i]);
        perKind += parts[i + 1].split(';');
    }
    perKind.sort();
    QStringList sortedAll = all;
    sortedAll.sort();
    EXPECT_EQ(perKind, sortedAll); // each extension in exactly one kind
    for (const QString& pattern : all)
        EXPECT_TRUE(IsPictureExtension("x" + pattern.mid(1))) << qPrintable(pattern);
}

// Random and mutated files of every kind: each load ends with a picture or a text.
TEST(PictureKinds, RandomAndMutatedFilesNeverCrash) {
    QTemporaryDir dir;
    QRandomGenerator rng(20240611);
    QByteArray png, ico;
    {
        QBuffer b(&png);
        b.open(QIODevice::WriteOnly);
        pattern().save(&b, "PNG");
    }
    {
        QBuffer b(&ico);
        b.open(QIODevice::WriteOnly);
        pattern(32, 32).save(&b, "ICO");
    }
    QByteArray jpg, bmp;
    {
        QBuffer b(&jpg);
        b.open(QIODevice::WriteOnly);
        pattern().save(&b, "JPG");
    }
    {
        QBuffer b(&bmp);
        b.open(QIODevice::WriteOnly);
        pattern().save(&b, "BMP");
    }
    const QList<QPair<QString, QByteArray>> seeds{{"jpg", jpg},       {"bmp", bmp},
                                                  {"ico", ico},       {"png", png},
                                                  {"wmf", makeWmf()}, {"emf", makeEmf()}};
    int loaded = 0, refused = 0;
    for (const auto& seed : seeds) {
        for (int i = 0; i < 60; ++i) {
            QByteArray data;
            if (i % 3 == 0) {
                data.resize(int(rng.bounded(600)));
                for (char& c : data)
                    c = char(rng.bounded(256));
            } else {
                data = seed.second;
                const int flips = 1 + int(rng.bounded(8));
                for (int k = 0; k < flips && !data.isEmpty(); ++k)
                    data[int(rng.bounded(quint32(data.size())))] = char(rng.bounded(256));
                if (i % 5 == 0) data.truncate(int(rng.bounded(quint32(data.size()))));
            }
            const QString path = dir.filePath(QString("fuzz%1.%2").arg(i).arg(seed.first));
            ASSERT_TRUE(writeFile(path, data));
            const PictureResult r = LoadPicture(path);
            if (r.ok()) {
                ++loaded;
                EXPECT_TRUE(ErrorText(r).isEmpty());
            } else {
                ++refused;
                EXPECT_FALSE(ErrorText(r).isEmpty()) << qPrintable(path);
            }
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(loaded, 0); // some mutations only touch pixels
}

namespace {

// The largest picture file the loader reads.
constexpr qint64 kFileBound = qint64(256) << 20;

// The most memory the process has held so far, in MB.
long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

QByteArray encoded(const QImage& img, const char* format, int quality = -1) {
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    img.save(&b, format, quality);
    return out;
}

quint32 crc32(const QByteArray& data) {
    quint32 crc = 0xFFFFFFFFu;
    for (char c : data) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

void putBig16(QByteArray& data, qsizetype at, quint16 v) {
    data[at] = char(v >> 8);
    data[at + 1] = char(v);
}
void putBig32(QByteArray& data, qsizetype at, quint32 v) {
    putBig16(data, at, quint16(v >> 16));
    putBig16(data, at + 2, quint16(v));
}
void putLittle32(QByteArray& data, qsizetype at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        data[at + i] = char(v >> (8 * i));
}

// A JPEG of a few hundred bytes whose frame header declares `width` x `height` pixels.
QByteArray jpegDeclaring(quint16 width, quint16 height) {
    QByteArray jpg = encoded(pattern(16, 16), "JPG");
    const qsizetype sof = jpg.indexOf("\xFF\xC0");
    if (sof < 0) return {};
    putBig16(jpg, sof + 5, height);
    putBig16(jpg, sof + 7, width);
    return jpg;
}

// A WMF record: its size in 16-bit words, its function, its parameters.
QByteArray wmfRecord(quint16 function, const Bytes& params) {
    return Bytes().u32(quint32(3 + params.data.size() / 2)).u16(function).bytes(params.data).data;
}

// A placeable WMF of 100 x 50 pixels holding `records` as they are (an end record is not
// added: a test that wants one gives it), after a record that is not drawn: a file as small
// as the records alone is refused whole by a stricter header check.
QByteArray wmfWith(QByteArray records, qint16 right = 100, qint16 bottom = 50, quint16 inch = 96) {
    records.prepend(wmfRecord(0x0626, Bytes().bytes(QByteArray(32, '\0'))));
    Bytes header;
    header.u16(1).u16(9).u16(0x0300).u32(quint32(9 + records.size() / 2)).u16(3).u32(10).u16(0);
    Bytes placeable;
    placeable.u32(0x9AC6CDD7).u16(0).i16(0).i16(0).i16(right).i16(bottom).u16(inch).u32(0).u16(0);
    return placeable.data + header.data + records;
}

// An EMF of 100 x 50 pixels holding `records` as they are.
QByteArray emfWith(const QByteArray& records, qint32 right = 99, qint32 bottom = 49) {
    Bytes header;
    header.u32(1).u32(108).i32(0).i32(0).i32(right).i32(bottom).i32(0).i32(0).i32(2646).i32(1322);
    header.u32(0x464D4520).u32(0x10000).u32(quint32(108 + records.size())).u32(2);
    header.u16(1).u16(0).u32(0).u32(0).u32(0).i32(1024).i32(768).i32(271).i32(203);
    header.u32(0).u32(0).u32(0).i32(271000).i32(203000);
    return header.data + records;
}

QByteArray emfRecord(quint32 type, const Bytes& params) {
    return Bytes().u32(type).u32(quint32(8 + params.data.size())).bytes(params.data).data;
}

const QByteArray kWmfEnd = wmfRecord(0x0000, Bytes());
const QByteArray kEmfEnd = emfRecord(14, Bytes().u32(0).u32(16).u32(20));

// Renders `data` placed right before a page that may not be read: a read past its end faults.
Result<QImage> renderGuarded(const QByteArray& data, bool enhanced) {
    const GuardedInput input(data);
    return RenderMetafile(input.bytes(), enhanced);
}

} // namespace

// Files bigger than a picture file may be are refused before a byte of them is read; sparse
// files take no disk.
TEST(PictureLimits, FilesOverTheSizeBoundAreRefusedUnread) {
    QTemporaryDir dir;
    const long before = peakMegabytes();
    for (const char* ext : {"jpg", "png", "bmp", "wmf", "emf", "gif"}) {
        SCOPED_TRACE(ext);
        const QString path = dir.filePath(QStringLiteral("huge.") + ext);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.write(encoded(pattern(), "PNG")) > 0);
        ASSERT_TRUE(f.resize(kFileBound + 1));
        f.close();
        const PictureResult r = LoadPicture(path);
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(ErrorText(r), QStringLiteral("The picture \"%1\" could not be read: the file "
                                               "is too large (257 MB; a picture file may have "
                                               "at most 256 MB).")
                                    .arg(path));
    }
    // A file of 40 GB, where the file system lets a sparse one be made.
    const QString vast = dir.filePath("vast.jpg");
    QFile f(vast);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    if (f.resize(qint64(40) << 30)) {
        f.close();
        EXPECT_TRUE(ErrorText(LoadPicture(vast)).contains("the file is too large (40960 MB"))
            << qPrintable(ErrorText(LoadPicture(vast)));
    }
    EXPECT_LT(peakMegabytes() - before, 64);
    // A file just at the bound is read (and here found not to be a picture).
    const QString edge = dir.filePath("edge.bmp");
    QFile e(edge);
    ASSERT_TRUE(e.open(QIODevice::WriteOnly));
    ASSERT_TRUE(e.resize(kFileBound));
    e.close();
    EXPECT_FALSE(ErrorText(LoadPicture(edge)).contains("too large"));
}

// A tiny file of every decoder whose header declares a huge picture is refused before the
// picture is allocated, with its size in the reason.
TEST(PictureLimits, HeadersDeclaringHugePicturesAreRefusedBeforeDecoding) {
    QTemporaryDir dir;
    struct Crafted {
        QString name;
        QByteArray data;
        QString size; // as the reason gives it
    };
    QList<Crafted> crafted;

    // JPEG: 1371 x 53764 pixels (74 million), from a few hundred bytes.
    const QByteArray jpg = jpegDeclaring(1371, 53764);
    ASSERT_FALSE(jpg.isEmpty());
    ASSERT_LT(jpg.size(), 2000);
    crafted << Crafted{"tall.jpg", jpg, "1371 x 53764 pixels"};

    // PNG: 30000 x 30000, with the header's checksum made right so the reader believes it.
    QByteArray png = encoded(pattern(8, 8), "PNG");
    ASSERT_EQ(png.mid(12, 4), QByteArray("IHDR"));
    putBig32(png, 16, 30000);
    putBig32(png, 20, 30000);
    putBig32(png, 29, crc32(png.mid(12, 17)));
    crafted << Crafted{"wide.png", png, "30000 x 30000 pixels"};

    // BMP: 20000 x 20000 at 24 bits in a file of a few dozen bytes.
    QByteArray bmp = encoded(pattern(4, 4), "BMP");
    putLittle32(bmp, 18, 20000);
    putLittle32(bmp, 22, 20000);
    crafted << Crafted{"vast.bmp", bmp, "20000 x 20000 pixels"};

    const long before = peakMegabytes();
    for (const Crafted& c : crafted) {
        SCOPED_TRACE(qPrintable(c.name));
        const QString path = dir.filePath(c.name);
        ASSERT_TRUE(writeFile(path, c.data));
        const PictureResult r = LoadPicture(path);
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(ErrorText(r),
                  QStringLiteral("The picture \"%1\" could not be read: the picture is too large "
                                 "(%2; a picture may have at most 64 million pixels).")
                      .arg(path, c.size))
            << qPrintable(ErrorText(r));
    }
    EXPECT_LT(peakMegabytes() - before, 64);

    // Metafiles are drawn at most 4096 pixels a side, so a vast frame (a placeable WMF of
    // 30000 x 30000 units at one unit an inch, an EMF of 100000 pixels a side, a page at
    // printer resolution) is drawn smaller instead of being refused.
    const QList<QPair<QString, QByteArray>> metafiles{
        {"vast.wmf", wmfWith(kWmfEnd, 30000, 30000, 1)},
        {"vast.emf", emfWith(kEmfEnd, 99999, 99999)},
        {"page.emf", emfWith(kEmfEnd, 9921, 14032)}};
    for (const auto& [name, data] : metafiles) {
        SCOPED_TRACE(qPrintable(name));
        const QString path = dir.filePath(name);
        ASSERT_TRUE(writeFile(path, data));
        const PictureResult r = LoadPicture(path);
        ASSERT_TRUE(r.ok()) << qPrintable(ErrorText(r));
        EXPECT_EQ(std::max(r.value().width(), r.value().height()), 4096);
    }
    EXPECT_LT(peakMegabytes() - before, 140);

    // A progressive picture, which libjpeg holds whole while it decodes, within its memory.
    QByteArray progressive;
    {
        QBuffer b(&progressive);
        b.open(QIODevice::WriteOnly);
        QImageWriter writer(&b, "jpeg");
        writer.setProgressiveScanWrite(true);
        ASSERT_TRUE(writer.write(pattern(300, 200)));
    }
    ASSERT_TRUE(progressive.contains(QByteArray("\xFF\xC2", 2))); // a progressive frame
    const PictureResult p = DecodeJpeg(progressive, "p.jpg");
    ASSERT_TRUE(p.ok()) << qPrintable(ErrorText(p));
    EXPECT_EQ(p.value().size(), QSize(300, 200));
    expectColor(p.value(), 20, 100, QColor(200, 30, 30), 30);

    // The JPEG decoder itself, on data in memory, and just under the bound a picture loads.
    EXPECT_TRUE(ErrorText(DecodeJpeg(jpegDeclaring(8000, 8001), "m.jpg")).contains("too large"));
    const PictureResult fits = DecodeJpeg(jpegDeclaring(16, 16), "m.jpg");
    EXPECT_TRUE(fits.ok()) << qPrintable(ErrorText(fits));
}

// libjpeg fills what it cannot decode with grey and goes on, whether the data stops early or
// an end marker comes in the middle of the scan: either is a damaged picture.
TEST(PictureLimits, JpegWithDamagedScanDataIsReportedNotShownGrey) {
    QImage detailed(200, 150, QImage::Format_RGB32);
    for (int y = 0; y < detailed.height(); ++y)
        for (int x = 0; x < detailed.width(); ++x)
            detailed.setPixel(x, y, qRgb(x * 7 % 256, x * y % 256, (x ^ y) % 256));
    const QByteArray jpg = encoded(detailed, "JPG", 90);
    ASSERT_TRUE(DecodeJpeg(jpg, "whole.jpg").ok());
    const qsizetype scan = jpg.indexOf("\xFF\xDA");
    ASSERT_GT(scan, 0);
    // The scan cut at half its length, then the end-of-picture marker.
    const QByteArray cut = jpg.left(scan + (jpg.size() - scan) / 2) + QByteArray("\xFF\xD9", 2);
    const PictureResult r = DecodeJpeg(cut, "cut.jpg");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(ErrorText(r), "The picture \"cut.jpg\" could not be read: the file is damaged "
                            "(Corrupt JPEG data: premature end of data segment).");
    // The same through a file, and garbage in the middle of the scan.
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.filePath("cut.jpg"), cut));
    EXPECT_TRUE(ErrorText(LoadPicture(dir.filePath("cut.jpg"))).contains("the file is damaged"));
    QByteArray garbled = jpg;
    for (qsizetype i = scan + 200; i < scan + 260; ++i)
        garbled[i] = char(0xFF);
    EXPECT_TRUE(ErrorText(DecodeJpeg(garbled, "g.jpg")).contains("the file is damaged"))
        << qPrintable(ErrorText(DecodeJpeg(garbled, "g.jpg")));
    // Cut short without an end marker, as before.
    EXPECT_TRUE(ErrorText(DecodeJpeg(jpg.left(jpg.size() * 6 / 10), "short.jpg"))
                    .contains("Premature end of JPEG file"));
}

// Bytes left over after the last scan, before the end marker, or an end marker missing after
// the whole scan, spoil nothing: such pictures are shown, baseline and progressive alike.
TEST(PictureLimits, JpegWithStrayBytesAfterItsScanIsShown) {
    const QImage picture = pattern(120, 80);
    QByteArray progressive;
    {
        QBuffer b(&progressive);
        b.open(QIODevice::WriteOnly);
        QImageWriter writer(&b, "jpeg");
        writer.setProgressiveScanWrite(true);
        ASSERT_TRUE(writer.write(picture));
    }
    const QList<QPair<const char*, QByteArray>> whole{{"baseline", encoded(picture, "JPG", 90)},
                                                      {"progressive", progressive}};
    for (const auto& [kind, jpg] : whole) {
        ASSERT_TRUE(jpg.endsWith(QByteArray("\xFF\xD9", 2))) << kind;
        const QByteArray scan = jpg.left(jpg.size() - 2);
        const QList<QPair<const char*, QByteArray>> cases{
            {"junk before the end marker", scan + "junk" + QByteArray("\xFF\xD9", 2)},
            {"one zero byte before the end marker", scan + QByteArray(1, '\0') + "\xFF\xD9"},
            {"no end marker", scan}};
        for (const auto& [what, data] : cases) {
            SCOPED_TRACE(std::string(kind) + ": " + what);
            const PictureResult r = DecodeJpeg(data, "stray.jpg");
            ASSERT_TRUE(r.ok()) << qPrintable(ErrorText(r));
            EXPECT_EQ(r.value().size(), QSize(120, 80));
            expectColor(r.value(), 20, 40, QColor(200, 30, 30), 30);
            expectColor(r.value(), 100, 40, QColor(20, 160, 40), 30);
        }
    }
    // Junk inside the scan is still damage.
    QByteArray baseline = whole[0].second;
    const qsizetype sos = baseline.indexOf("\xFF\xDA");
    ASSERT_GT(sos, 0);
    const QByteArray cut = baseline.left(sos + (baseline.size() - sos) / 2) + "junk\xFF\xD9";
    EXPECT_TRUE(ErrorText(DecodeJpeg(cut, "cut.jpg")).contains("the file is damaged"));
}

// Records whose lengths and counts point outside themselves, each at the end of the data with
// nothing readable after it: a reader that trusts them faults. Each is refused or skipped.
TEST(PictureLimits, CraftedMetafileRecordsAreCheckedBeforeTheyAreRead) {
    struct Case {
        const char* what;
        QByteArray data;
        bool enhanced;
    };
    const Bytes rect = Bytes().i16(40).i16(40).i16(10).i16(10);
    QList<Case> cases{
        // A text whose length runs far past the record (the position is read after the text).
        {"TEXTOUT length past the file",
         wmfWith(wmfRecord(0x0521, Bytes().i16(200).bytes("ab").i16(8).i16(10))), false},
        {"TEXTOUT length past the record",
         wmfWith(wmfRecord(0x0521, Bytes().i16(3000).bytes("ab").i16(8).i16(10)) + kWmfEnd), false},
        {"TEXTOUT negative length",
         wmfWith(wmfRecord(0x0521, Bytes().i16(-4).bytes("ab").i16(8).i16(10)) + kWmfEnd), false},
        {"TEXTOUT odd length with no room for the position",
         wmfWith(wmfRecord(0x0521, Bytes().i16(3).bytes("abc").u8(0))), false},
        // Fewer bytes left than a record's size field.
        {"cut inside a size field", wmfWith(wmfRecord(0x012D, Bytes().u16(0)) + "\x05\x00"), false},
        {"the headers and no record", wmfWith(QByteArray()).left(40), false},
        // Records too short for their fields.
        {"short window origin", wmfWith(wmfRecord(0x020B, Bytes())), false},
        {"short pixel", wmfWith(wmfRecord(0x041F, Bytes().rgb(1, 2, 3))), false},
        {"short rectangle", wmfWith(wmfRecord(0x041B, Bytes().i16(1))), false},
        {"short arc", wmfWith(wmfRecord(0x0817, rect)), false},
        {"short pen", wmfWith(wmfRecord(0x02FA, Bytes().u16(0))), false},
        {"short scale", wmfWith(wmfRecord(0x0410, Bytes().i16(1).i16(1))), false},
        {"short bit block", wmfWith(wmfRecord(0x0940, Bytes().u32(0xCC0020))), false},
        {"short stretched bits", wmfWith(wmfRecord(0x0F43, Bytes().u32(0xCC0020).u16(0))), false},
        // Bitmaps whose header the record cuts short: the library checks them against a limit
        // past the record's end, then reads a whole header. Each record is 46 bytes, more
        // than a header, and the last in the file.
        {"STRETCHDIB bitmap header past the record",
         wmfWith(wmfRecord(0x0F43, Bytes()
                                       .u32(0xCC0020)
                                       .u16(0)
                                       .bytes(QByteArray(16, '\1'))
                                       .u32(40)
                                       .bytes(QByteArray(14, '\1')))),
         false},
        {"DIBSTRETCHBLT bitmap header past the record",
         wmfWith(wmfRecord(0x0B41, Bytes()
                                       .u32(0xCC0020)
                                       .bytes(QByteArray(16, '\1'))
                                       .u32(40)
                                       .bytes(QByteArray(16, '\1')))),
         false},
        {"DIBBITBLT bitmap header past the record",
         wmfWith(wmfRecord(0x0940, Bytes()
                                       .u32(0xCC0020)
                                       .bytes(QByteArray(12, '\1'))
                                       .u32(40)
                                       .bytes(QByteArray(20, '\1')))),
         false},
        {"EXTTEXTOUT rectangle missing",
         wmfWith(wmfRecord(0x0A32, Bytes().i16(8).i16(10).i16(0).u16(0x0006))), false},
        {"EXTTEXTOUT length past the record",
         wmfWith(wmfRecord(0x0A32, Bytes().i16(8).i16(10).i16(5000).u16(0).bytes("ab"))), false},
        {"polygon with more points than it holds",
         wmfWith(wmfRecord(0x0324, Bytes().u16(2000).i16(1).i16(1))), false},
        {"polypolygon with more counts than it holds",
         wmfWith(wmfRecord(0x0538, Bytes().u16(3000).u16(3))), false},
        {"font without its fields", wmfWith(wmfRecord(0x02FB, Bytes().i16(-24))), false},
        // A pen with no style entries, which ends where the first would begin.
        {"EMF pen without style entries",
         emfWith(emfRecord(95, Bytes()
                                   .u32(1)
                                   .u32(0)
                                   .u32(0)
                                   .u32(0)
                                   .u32(0)
                                   .u32(0x00010000)
                                   .u32(3)
                                   .u32(0)
                                   .rgb(0, 0, 0)
                                   .u32(0)
                                   .u32(0))),
         true},
        {"EMF text past the record",
         emfWith(emfRecord(84, Bytes()
                                   .i32(0)
                                   .i32(0)
                                   .i32(-1)
                                   .i32(-1)
                                   .u32(1)
                                   .u32(0)
                                   .u32(0)
                                   .i32(10)
                                   .i32(8)
                                   .u32(40000)
                                   .u32(56)
                                   .u32(0))),
         true},
        {"EMF polyline with more points than it holds",
         emfWith(emfRecord(4, Bytes().i32(0).i32(0).i32(9).i32(9).u32(900000))), true},
        {"EMF record cut inside its header", emfWith(QByteArray("\x02\x00\x00\x00", 4)), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Result<QImage> r = renderGuarded(c.data, c.enhanced);
        if (r.ok()) {
            EXPECT_EQ(r.value().size(), QSize(100, 50));
        } else {
            EXPECT_FALSE(r.error().empty());
        }
    }
    // A metafile that ends without its end record is reported as such, after the record
    // that could not be read is skipped.
    const Result<QImage> open = renderGuarded(cases[0].data, false);
    ASSERT_FALSE(open.ok());
    EXPECT_EQ(open.error(), "the metafile is damaged or cut short.");
    // A well-formed metafile still draws when it sits at the very end of readable memory.
    const Result<QImage> whole = renderGuarded(makeWmf(), false);
    ASSERT_TRUE(whole.ok()) << whole.error();
    expectColor(whole.value(), 25, 25, QColor(220, 0, 0));
    const Result<QImage> enhanced = renderGuarded(makeEmf(), true);
    ASSERT_TRUE(enhanced.ok()) << enhanced.error();
    expectColor(enhanced.value(), 77, 25, QColor(240, 220, 0));
}

// Bitmaps Qt's reader takes for pictures although their headers say otherwise: a header of an
// unknown kind (read as the oldest kind), headers or pixels past the end of the file. Qt then
// gives a picture of whatever memory held; each is refused, with the reason.
TEST(PictureLimits, BitmapsWithHeadersQtMisreadsAreRefused) {
    QTemporaryDir dir;
    // Found by fuzzing: 30 bytes whose header size is 0x45000000.
    const QByteArray unknown = QByteArray::fromBase64("Qk3GAAAAAAAAACAAAAAAAABF/woIAAEAGAAAAAAe");
    ASSERT_EQ(unknown.size(), 30);
    const QByteArray whole = encoded(pattern(16, 16), "BMP");
    QByteArray rleOffsetPast = whole;
    putLittle32(rleOffsetPast, 30, 1); // run-length coded, its pixels past the end
    putLittle32(rleOffsetPast, 10, quint32(whole.size() + 100));
    struct Case {
        QString name;
        QByteArray data;
        QString reason;
    };
    for (const Case& c :
         {Case{"unknown.bmp", unknown, "the file is damaged (a bitmap header of an unknown kind)."},
          Case{"header.dib", whole.left(40), "the file is cut short."},
          Case{"rle.bmp", rleOffsetPast, "the file is cut short."}}) {
        SCOPED_TRACE(qPrintable(c.name));
        const QString path = dir.filePath(c.name);
        ASSERT_TRUE(writeFile(path, c.data));
        const PictureResult r = LoadPicture(path);
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(ErrorText(r),
                  QStringLiteral("The picture \"%1\" could not be read: %2").arg(path, c.reason))
            << qPrintable(ErrorText(r));
    }
    ASSERT_TRUE(writeFile(dir.filePath("whole.bmp"), whole));
    EXPECT_TRUE(LoadPicture(dir.filePath("whole.bmp")).ok());
}
