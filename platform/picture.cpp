#include "platform/picture.h"

#include "platform/metafile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QList>
#include <QPair>
#include <QStringList>
#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
// jpeglib.h needs FILE and size_t declared first; jerror.h needs jpeglib.h's configuration
// (whether arithmetic coding, and its warning, are there).
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace brenvik {

namespace {

// libjpeg's own error_exit calls exit(); this one jumps back to the decoder instead.
struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool damaged;
    // Set once every row has been decoded: what libjpeg finds after that (bytes it skips
    // before the end marker, an end marker missing) cannot have spoilt the picture.
    bool rowsDone;
    // The data ran out. The decoder reads ahead, so this alone does not mean that anything it
    // needed was missing (a picture without its end marker); a warning after it does.
    bool endSeen;
};

void jpegErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// The warnings libjpeg gives for damaged data, where it goes on with grey or repeated rows in
// place of what is missing or unreadable. The others (an unknown JFIF revision or colour
// transform, a bad colour profile) leave the picture whole.
bool damageWarning(const jpeg_error_mgr& mgr) {
    switch (mgr.msg_code) {
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_EXTRANEOUS_DATA:
        // Bytes skipped before the end marker come after the last scan was decoded whole;
        // progressive pictures read them before the first row, so the row count cannot tell.
        return mgr.msg_parm.i[1] != 0xD9;
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_HUFF_BAD_CODE:
#if JPEG_LIB_VERSION >= 70 || defined(C_ARITH_CODING_SUPPORTED) || defined(D_ARITH_CODING_SUPPORTED)
    case JWRN_ARITH_BAD_CODE:
#endif
    case JWRN_BOGUS_PROGRESSION:
        return true;
    default:
        return false;
    }
}

void jpegEmitMessage(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    if (level < 0) {
        // A picture with a missing or garbled part is reported as damaged, not shown with
        // libjpeg's grey stand-in rows.
        if (!err->rowsDone && !err->damaged) {
            if (cinfo->err->msg_code == JWRN_JPEG_EOF) {
                if (!err->endSeen) (*cinfo->err->format_message)(cinfo, err->message);
                err->endSeen = true;
            } else if (damageWarning(*cinfo->err)) {
                err->damaged = true;
                // The end of the data, when it came first, says best what is wrong.
                if (!err->endSeen) (*cinfo->err->format_message)(cinfo, err->message);
            }
        }
        cinfo->err->num_warnings++;
    }
}

void jpegOutputMessage(j_common_ptr) {} // never print to stderr

// Where the decoder puts its rows: the picture is made once the header has given its size,
// and each decoded row goes into it at once, so no second copy of the whole picture is held.
struct JpegSink {
    // Makes the picture; false when there is no memory for it.
    bool (*begin)(JpegSink* sink, int width, int height);
    QImage image;
    int components = 0;
    bool invertedCmyk = false;
};

enum class JpegFailure { None, Damaged, Error, TooLarge, Layout, Memory };

// Plain C data only between setjmp and longjmp: nothing here has a destructor to skip (the
// picture lives in the caller's sink).
JpegFailure decodeRaw(const unsigned char* data, unsigned long size, JpegSink* sink, char* message,
                      unsigned* width, unsigned* height) {
    jpeg_decompress_struct cinfo;
    JpegError err;
    std::memset(&err, 0, sizeof err);
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegErrorExit;
    err.mgr.emit_message = jpegEmitMessage;
    err.mgr.output_message = jpegOutputMessage;
    unsigned char* volatile row = nullptr;
    if (setjmp(err.jump)) {
        std::free(row);
        const bool noMemory = cinfo.err->msg_code == JERR_NO_BACKING_STORE ||
                              cinfo.err->msg_code == JERR_OUT_OF_MEMORY;
        jpeg_destroy_decompress(&cinfo);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
        return noMemory ? JpegFailure::TooLarge : JpegFailure::Error;
    }
    jpeg_create_decompress(&cinfo);
    // Progressive pictures keep every coefficient while decoding (two bytes each, up to four
    // colour components a pixel): enough for any picture within the pixel bound, past which
    // libjpeg stops with an error instead of asking for more.
    cinfo.mem->max_memory_to_use = long(8 * kMaxPicturePixels);
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);
    *width = cinfo.image_width;
    *height = cinfo.image_height;
    // Refused before anything of the picture's size is allocated.
    if (std::uint64_t(cinfo.image_width) * cinfo.image_height > std::uint64_t(kMaxPicturePixels)) {
        jpeg_destroy_decompress(&cinfo);
        return JpegFailure::TooLarge;
    }
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const int comps = cinfo.output_components;
    if (cinfo.output_width == 0 || cinfo.output_height == 0 || (comps != 3 && comps != 4)) {
        jpeg_destroy_decompress(&cinfo);
        return JpegFailure::Layout;
    }
    sink->components = comps;
    sink->invertedCmyk = cmyk && cinfo.saw_Adobe_marker;
    row = static_cast<unsigned char*>(std::malloc(size_t(cinfo.output_width) * size_t(comps)));
    if (!row || !sink->begin(sink, int(cinfo.output_width), int(cinfo.output_height))) {
        std::free(row);
        jpeg_destroy_decompress(&cinfo);
        return JpegFailure::Memory;
    }
    while (cinfo.output_scanline < cinfo.output_height && !err.damaged) {
        JSAMPROW rows = row;
        const int y = int(cinfo.output_scanline);
        if (jpeg_read_scanlines(&cinfo, &rows, 1) != 1) break;
        const unsigned char* src = row;
        auto* dst = reinterpret_cast<QRgb*>(sink->image.scanLine(y));
        for (unsigned x = 0; x < cinfo.output_width; ++x, src += comps) {
            if (comps == 3) {
                dst[x] = qRgb(src[0], src[1], src[2]);
                continue;
            }
            // Adobe writes CMYK inverted; k scales the other three.
            int c = src[0], m = src[1], ye = src[2], k = src[3];
            if (!sink->invertedCmyk) {
                c = 255 - c;
                m = 255 - m;
                ye = 255 - ye;
                k = 255 - k;
            }
            dst[x] = qRgb(c * k / 255, m * k / 255, ye * k / 255);
        }
    }
    // Stops with an error when rows are missing; past the last row it only reads on to the
    // end marker, and what it finds there is no damage (other viewers show such pictures).
    if (!err.damaged) {
        err.rowsDone = cinfo.output_scanline == cinfo.output_height;
        jpeg_finish_decompress(&cinfo);
    }
    std::free(row);
    jpeg_destroy_decompress(&cinfo);
    if (err.damaged) {
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
        return JpegFailure::Damaged;
    }
    return JpegFailure::None;
}

bool beginJpegImage(JpegSink* sink, int width, int height) {
    sink->image = QImage(width, height, QImage::Format_RGB32);
    return !sink->image.isNull();
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

// The fields of a bitmap's headers that say how much data its rows take.
struct BitmapHeader {
    quint64 offset = 0;
    qint64 width = 0, height = 0;
    quint32 bits = 0, compression = 0;
};

enum class BitmapHeaderRead { NotBitmap, Read, Unknown, CutShort };

// The headers as Qt's reader takes them. A header of a size Qt does not know, Qt reads as the
// oldest kind; data that ends inside the headers it reads past: both give a picture of
// whatever memory held, so they are refused here.
BitmapHeaderRead readBitmapHeader(const QByteArray& data, BitmapHeader* h) {
    if (!data.startsWith("BM")) return BitmapHeaderRead::NotBitmap;
    if (data.size() < 18) return BitmapHeaderRead::CutShort;
    h->offset = little<quint32>(data, 10);
    const quint32 headerSize = little<quint32>(data, 14);
    static const quint32 known[] = {12, 40, 52, 56, 64, 108, 124};
    if (std::find(std::begin(known), std::end(known), headerSize) == std::end(known))
        return BitmapHeaderRead::Unknown;
    if (quint64(data.size()) < 14 + quint64(headerSize)) return BitmapHeaderRead::CutShort;
    if (headerSize == 12) {
        h->width = little<quint16>(data, 18);
        h->height = little<quint16>(data, 20);
        h->bits = little<quint16>(data, 24);
        return BitmapHeaderRead::Read;
    }
    h->width = qint32(little<quint32>(data, 18));
    h->height = qint32(little<quint32>(data, 22));
    h->bits = little<quint16>(data, 28);
    h->compression = little<quint32>(data, 30);
    return BitmapHeaderRead::Read;
}

// Qt's bitmap reader shows whatever rows a cut-off file still has; the rest of the picture
// would be garbage, so an uncompressed bitmap shorter than its rows is refused.
bool bitmapCutShort(const BitmapHeader& h, qsizetype size) {
    if (h.offset > quint64(size)) return true; // Qt reads the pixels from wherever it was
    if (h.compression != 0 && h.compression != 3) return false; // run-length data: Qt checks it
    if (h.width <= 0 || h.bits == 0 || h.bits > 32) return false;
    const quint64 rowBytes = (quint64(h.width) * h.bits + 31) / 32 * 4;
    return quint64(size) < h.offset + rowBytes * quint64(h.height < 0 ? -h.height : h.height);
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
        whole = file.read(std::min(file.size(), kMaxPictureFileBytes));
        buffer.open(QIODevice::ReadOnly);
        device = &buffer;
    }
    QImageReader reader(device, bitmap ? QByteArray("bmp") : lowerExt.toLatin1());
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(true);
    // The size the header declares, refused before anything is allocated; Qt's own limit
    // covers the readers that learn the size only while decoding.
    reader.setAllocationLimit(kMaxPictureMegabytes);
    const QSize declared = reader.size();
    if (declared.isValid() && qint64(declared.width()) * declared.height() > kMaxPicturePixels) {
        return failed(QStringLiteral("The picture \"%1\" could not be read: %2")
                          .arg(path, QString::fromStdString(
                                         PictureTooLarge(declared.width(), declared.height()))));
    }
    BitmapHeader header;
    const BitmapHeaderRead headerRead =
        bitmap ? readBitmapHeader(whole, &header) : BitmapHeaderRead::NotBitmap;
    if (headerRead == BitmapHeaderRead::Unknown) {
        return failed(QStringLiteral("The picture \"%1\" could not be read: the file is damaged "
                                     "(a bitmap header of an unknown kind).")
                          .arg(path));
    }
    const bool read = headerRead == BitmapHeaderRead::Read;
    if (read && std::abs(header.width) * std::abs(header.height) > kMaxPicturePixels) {
        return failed(QStringLiteral("The picture \"%1\" could not be read: %2")
                          .arg(path, QString::fromStdString(PictureTooLarge(
                                         std::abs(header.width), std::abs(header.height)))));
    }
    if (headerRead == BitmapHeaderRead::CutShort ||
        (read && bitmapCutShort(header, whole.size()))) {
        return failed(QStringLiteral("The picture \"%1\" could not be read: the file is cut short.")
                          .arg(path));
    }
    QImage image = reader.read();
    if (image.isNull())
        return failed(QStringLiteral("The picture \"%1\" could not be read: %2")
                          .arg(path, reader.errorString()));
    return image;
}

} // namespace

PictureResult DecodeJpeg(const QByteArray& data, const QString& name) {
    JpegSink sink;
    sink.begin = beginJpegImage;
    char message[JMSG_LENGTH_MAX] = {};
    unsigned width = 0, height = 0;
    const JpegFailure failure =
        decodeRaw(reinterpret_cast<const unsigned char*>(data.constData()),
                  static_cast<unsigned long>(data.size()), &sink, message, &width, &height);
    const QString text = QString::fromLatin1(message);
    switch (failure) {
    case JpegFailure::None:
        return sink.image;
    case JpegFailure::Damaged:
        return failed(
            QStringLiteral("The picture \"%1\" could not be read: the file is damaged (%2).")
                .arg(name, text));
    case JpegFailure::TooLarge:
        return failed(QStringLiteral("The picture \"%1\" could not be read: %2")
                          .arg(name, QString::fromStdString(PictureTooLarge(width, height))));
    case JpegFailure::Layout:
        return failed(QStringLiteral("The picture \"%1\" could not be read: Unsupported JPEG "
                                     "colour layout")
                          .arg(name));
    case JpegFailure::Memory:
        return failed(QStringLiteral("Not enough memory for the picture \"%1\".").arg(name));
    case JpegFailure::Error:
        break;
    }
    return failed(QStringLiteral("The picture \"%1\" could not be read: %2").arg(name, text));
}

std::string PictureTooLarge(qint64 width, qint64 height) {
    const QString size = width > 0 && height > 0
                             ? QStringLiteral("%1 x %2 pixels").arg(width).arg(height)
                             : QStringLiteral("more memory than a picture may take");
    return QStringLiteral("the picture is too large (%1; a picture may have at most %2 million "
                          "pixels).")
        .arg(size)
        .arg(kMaxPicturePixels / 1000000)
        .toStdString();
}

PictureResult LoadPicture(const QString& path) {
    const QString ext = QFileInfo(path).suffix();
    const QString lowerExt = ext.toLower();
    if (!knownExtension(lowerExt)) {
        return failed(QStringLiteral("Unknown picture file extension (.%1)").arg(ext));
    }
    const QFileInfo info(path);
    if (!info.isFile()) {
        return failed(QStringLiteral("The picture \"%1\" does not exist.").arg(path));
    }
    // Before a byte is read: every decoder takes the whole file into memory.
    if (info.size() > kMaxPictureFileBytes) {
        return failed(QStringLiteral("The picture \"%1\" could not be read: the file is too "
                                     "large (%2 MB; a picture file may have at most %3 MB).")
                          .arg(path)
                          .arg((info.size() + (1 << 20) - 1) >> 20)
                          .arg(kMaxPictureFileBytes >> 20));
    }
    const Decoder decoder = decoderFor(lowerExt);
    if (decoder == Decoder::Qt) return readWithQt(path, lowerExt);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return failed(QStringLiteral("The picture \"%1\" cannot be opened: %2")
                          .arg(path, file.errorString()));
    }
    // What the file held when it was measured: bounded even if it grew since (a read of
    // the bound itself would set that much memory aside first).
    const QByteArray data = file.read(std::min(file.size(), kMaxPictureFileBytes));
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
