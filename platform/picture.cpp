#include "platform/picture.h"

#include "platform/metafile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QList>
#include <QPair>
#include <QStringList>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

namespace brenvik {

namespace {

// libjpeg's own error_exit calls exit(); this one jumps back to the decoder instead.
struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool truncated;
};

void jpegErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void jpegEmitMessage(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    if (level < 0) {
        // A warning. Data that runs out early is filled with grey by libjpeg; a picture with
        // a missing part is reported as damaged rather than shown half grey.
        if (cinfo->err->msg_code == JWRN_JPEG_EOF && !err->truncated) {
            err->truncated = true;
            (*cinfo->err->format_message)(cinfo, err->message);
        }
        cinfo->err->num_warnings++;
    }
}

void jpegOutputMessage(j_common_ptr) {} // never print to stderr

struct RawImage {
    unsigned char* pixels = nullptr;
    int width = 0, height = 0, components = 0;
    bool invertedCmyk = false;
};

constexpr std::uint64_t MaxJpegPixels = 100'000'000;

// Plain C data only between setjmp and longjmp: nothing here has a destructor to skip.
bool decodeRaw(const unsigned char* data, unsigned long size, RawImage* out, char* message) {
    jpeg_decompress_struct cinfo;
    JpegError err;
    std::memset(&err, 0, sizeof err);
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegErrorExit;
    err.mgr.emit_message = jpegEmitMessage;
    err.mgr.output_message = jpegOutputMessage;
    unsigned char* volatile pixels = nullptr;
    if (setjmp(err.jump)) {
        std::free(pixels);
        jpeg_destroy_decompress(&cinfo);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const int comps = cinfo.output_components;
    const size_t stride = size_t(cinfo.output_width) * size_t(comps);
    if (cinfo.output_width == 0 || cinfo.output_height == 0 || (comps != 3 && comps != 4)) {
        jpeg_destroy_decompress(&cinfo);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", "Unsupported JPEG colour layout");
        return false;
    }
    // A header may claim any size up to 65,500 pixels a side: a few damaged bytes must not
    // ask for gigabytes. 100 megapixels is beyond any camera a library picture comes from.
    if (std::uint64_t(cinfo.output_width) * cinfo.output_height > MaxJpegPixels) {
        std::snprintf(message, JMSG_LENGTH_MAX, "the picture is too large (%u x %u pixels)",
                      unsigned(cinfo.output_width), unsigned(cinfo.output_height));
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    pixels = static_cast<unsigned char*>(std::malloc(stride * cinfo.output_height));
    if (!pixels) {
        jpeg_destroy_decompress(&cinfo);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", "Not enough memory for the picture");
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels + stride * cinfo.output_scanline;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
        if (err.truncated) break;
    }
    if (err.truncated) {
        std::free(pixels);
        jpeg_destroy_decompress(&cinfo);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
        return false;
    }
    jpeg_finish_decompress(&cinfo);
    out->pixels = pixels;
    out->width = int(cinfo.output_width);
    out->height = int(cinfo.output_height);
    out->components = comps;
    out->invertedCmyk = cmyk && cinfo.saw_Adobe_marker;
    jpeg_destroy_decompress(&cinfo);
    return true;
}

QImage toImage(const RawImage& raw) {
    QImage image(raw.width, raw.height, QImage::Format_RGB32);
    if (image.isNull()) return image;
    for (int y = 0; y < raw.height; ++y) {
        const unsigned char* src = raw.pixels + size_t(y) * size_t(raw.width) * raw.components;
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < raw.width; ++x, src += raw.components) {
            if (raw.components == 3) {
                dst[x] = qRgb(src[0], src[1], src[2]);
            } else {
                // Adobe writes CMYK inverted; k scales the other three.
                int c = src[0], m = src[1], ye = src[2], k = src[3];
                if (!raw.invertedCmyk) {
                    c = 255 - c;
                    m = 255 - m;
                    ye = 255 - ye;
                    k = 255 - k;
                }
                dst[x] = qRgb(c * k / 255, m * k / 255, ye * k / 255);
            }
        }
    }
    return image;
}

// One entry of the picture dialog's filter: a kind of picture and its extensions.
struct PictureKind {
    QString description;
    QStringList extensions; // lower case, without the dot
};

enum class Decoder { Jpeg, Metafile, EnhancedMetafile, Qt };

const QStringList& jpegExtensions() {
    static const QStringList list{"jpg", "jpeg", "jpe", "jfif"};
    return list;
}

// The kinds the loader knows, in the dialog's order: the Windows kinds first, then whatever
// Qt's image readers add on this system.
const QList<PictureKind>& pictureKinds() {
    static const QList<PictureKind> kinds = [] {
        QList<PictureKind> list{
            {"JPEG files", jpegExtensions()}, {"Bitmap files", {"bmp", "dib"}},
            {"Icon files", {"ico", "cur"}},   {"Metafiles", {"wmf"}},
            {"Enhanced metafiles", {"emf"}},
        };
        QStringList taken;
        for (const PictureKind& k : list)
            taken += k.extensions;
        // Several names of one format share an entry.
        const QList<QPair<QString, QStringList>> groups{
            {"TIFF files", {"tif", "tiff"}},
            {"SVG files", {"svg", "svgz"}},
        };
        QStringList qtNames;
        for (const QByteArray& format : QImageReader::supportedImageFormats())
            qtNames << QString::fromLatin1(format).toLower();
        qtNames.sort();
        for (const QString& name : std::as_const(qtNames)) {
            if (taken.contains(name)) continue;
            PictureKind kind{name.toUpper() + QStringLiteral(" files"), {name}};
            for (const auto& g : groups) {
                if (!g.second.contains(name)) continue;
                kind.description = g.first;
                kind.extensions.clear();
                for (const QString& e : g.second)
                    if (qtNames.contains(e)) kind.extensions << e;
            }
            taken += kind.extensions;
            list << kind;
        }
        return list;
    }();
    return kinds;
}

bool knownExtension(const QString& lowerExt) {
    for (const PictureKind& k : pictureKinds())
        if (k.extensions.contains(lowerExt)) return true;
    return false;
}

Decoder decoderFor(const QString& lowerExt) {
    if (jpegExtensions().contains(lowerExt)) return Decoder::Jpeg;
    if (lowerExt == QLatin1String("wmf")) return Decoder::Metafile;
    if (lowerExt == QLatin1String("emf")) return Decoder::EnhancedMetafile;
    return Decoder::Qt;
}

template <class T> T little(const QByteArray& data, int at) {
    T v = 0;
    for (int i = int(sizeof(T)) - 1; i >= 0; --i)
        v = T(v << 8 | T(uchar(data[at + i])));
    return v;
}

// Qt's bitmap reader shows whatever rows a cut-off file still has; the rest of the picture
// would be garbage, so an uncompressed bitmap shorter than its rows is refused.
bool bitmapCutShort(const QByteArray& data) {
    if (data.size() < 26 || !data.startsWith("BM")) return false;
    const quint64 offset = little<quint32>(data, 10), headerSize = little<quint32>(data, 14);
    qint64 width = 0, height = 0;
    quint32 bits = 0, compression = 0;
    if (headerSize == 12) {
        width = little<quint16>(data, 18);
        height = little<quint16>(data, 20);
        bits = little<quint16>(data, 24);
    } else if (data.size() >= 34) {
        width = qint32(little<quint32>(data, 18));
        height = qint32(little<quint32>(data, 22));
        bits = little<quint16>(data, 28);
        compression = little<quint32>(data, 30);
    } else {
        return false;
    }
    if (compression != 0 && compression != 3) return false; // run-length data: Qt checks it
    if (width <= 0 || bits == 0 || bits > 32) return false;
    const quint64 rowBytes = (quint64(width) * bits + 31) / 32 * 4;
    return quint64(data.size()) < offset + rowBytes * quint64(height < 0 ? -height : height);
}

// File names and Qt's reasons are Unicode; the error carries them as UTF-8 like every
// error text.
PictureResult failed(const QString& text) {
    return PictureResult::failure(text.toStdString());
}

// Qt's reader for the format the extension names, never guessing from the content: a file is
// what its name says it is.
PictureResult readWithQt(const QString& path, const QString& lowerExt) {
    const bool bitmap = lowerExt == QLatin1String("bmp") || lowerExt == QLatin1String("dib");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return failed(QStringLiteral("The picture \"%1\" cannot be opened: %2")
                          .arg(path, file.errorString()));
    }
    QByteArray whole;
    QBuffer buffer(&whole);
    QIODevice* device = &file;
    if (bitmap) {
        whole = file.readAll();
        if (bitmapCutShort(whole)) {
            return failed(
                QStringLiteral("The picture \"%1\" could not be read: the file is cut short.")
                    .arg(path));
        }
        buffer.open(QIODevice::ReadOnly);
        device = &buffer;
    }
    QImageReader reader(device, bitmap ? QByteArray("bmp") : lowerExt.toLatin1());
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull())
        return failed(QStringLiteral("The picture \"%1\" could not be read: %2")
                          .arg(path, reader.errorString()));
    return image;
}

} // namespace

PictureResult DecodeJpeg(const QByteArray& data, const QString& name) {
    RawImage raw;
    char message[JMSG_LENGTH_MAX] = {};
    if (!decodeRaw(reinterpret_cast<const unsigned char*>(data.constData()),
                   static_cast<unsigned long>(data.size()), &raw, message)) {
        return failed(QStringLiteral("The picture \"%1\" could not be read: %2")
                          .arg(name, QString::fromLatin1(message)));
    }
    QImage image = toImage(raw);
    std::free(raw.pixels);
    if (image.isNull())
        return failed(QStringLiteral("Not enough memory for the picture \"%1\".").arg(name));
    return image;
}

PictureResult LoadPicture(const QString& path) {
    const QString ext = QFileInfo(path).suffix();
    const QString lowerExt = ext.toLower();
    if (!knownExtension(lowerExt)) {
        return failed(QStringLiteral("Unknown picture file extension (.%1)").arg(ext));
    }
    if (!QFileInfo(path).isFile()) {
        return failed(QStringLiteral("The picture \"%1\" does not exist.").arg(path));
    }
    const Decoder decoder = decoderFor(lowerExt);
    if (decoder == Decoder::Qt) return readWithQt(path, lowerExt);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return failed(QStringLiteral("The picture \"%1\" cannot be opened: %2")
                          .arg(path, file.errorString()));
    }
    const QByteArray data = file.readAll();
    file.close();
    if (decoder == Decoder::Jpeg) return DecodeJpeg(data, path);
    const Result<QImage> drawn = RenderMetafile(data, decoder == Decoder::EnhancedMetafile);
    if (drawn && !drawn.value().isNull()) return drawn.value();
    // The renderer's reasons are its own plain texts.
    return failed(QStringLiteral("The picture \"%1\" could not be read: %2")
                      .arg(path, QString::fromStdString(drawn ? std::string() : drawn.error())));
}

QString PictureDialogFilter() {
    QStringList all, entries;
    for (const PictureKind& k : pictureKinds()) {
        QStringList patterns;
        for (const QString& e : k.extensions)
            patterns << QStringLiteral("*.") + e;
        all += patterns;
        const QString joined = patterns.join(QLatin1Char(';'));
        entries << k.description + QStringLiteral(" (") + joined + QStringLiteral(")|") + joined;
    }
    const QString allJoined = all.join(QLatin1Char(';'));
    entries.prepend(QStringLiteral("All pictures (") + allJoined + QStringLiteral(")|") +
                    allJoined);
    return entries.join(QLatin1Char('|'));
}

bool IsPictureExtension(const QString& path) {
    return knownExtension(QFileInfo(path).suffix().toLower());
}

} // namespace brenvik
