#include "platform/picture.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <csetjmp>
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

bool looksLikeJpeg(const QByteArray& data) {
    return data.size() >= 3 && uchar(data[0]) == 0xFF && uchar(data[1]) == 0xD8 &&
           uchar(data[2]) == 0xFF;
}

} // namespace

PictureResult DecodeJpeg(const QByteArray& data, const QString& name) {
    PictureResult result;
    RawImage raw;
    char message[JMSG_LENGTH_MAX] = {};
    if (!decodeRaw(reinterpret_cast<const unsigned char*>(data.constData()),
                   static_cast<unsigned long>(data.size()), &raw, message)) {
        result.error = QStringLiteral("The picture \"%1\" could not be read: %2")
                           .arg(name, QString::fromLatin1(message));
        return result;
    }
    result.image = toImage(raw);
    std::free(raw.pixels);
    if (result.image.isNull())
        result.error = QStringLiteral("Not enough memory for the picture \"%1\".").arg(name);
    return result;
}

PictureResult LoadPicture(const QString& path) {
    PictureResult result;
    QFile file(path);
    if (!QFileInfo(path).isFile()) {
        result.error = QStringLiteral("The picture \"%1\" does not exist.").arg(path);
        return result;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result.error =
            QStringLiteral("The picture \"%1\" cannot be opened: %2").arg(path, file.errorString());
        return result;
    }
    const QByteArray data = file.readAll();
    file.close();
    if (looksLikeJpeg(data)) return DecodeJpeg(data, path);
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    result.image = reader.read();
    if (result.image.isNull())
        result.error = QStringLiteral("The picture \"%1\" could not be read: %2")
                           .arg(path, reader.errorString());
    return result;
}

} // namespace brenvik
