// The picture loader by file name extension: every kind, metafiles drawn from their records,
// the exact refusal of unknown extensions, and damaged or random files that must not crash.
#include "platform/picture.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
