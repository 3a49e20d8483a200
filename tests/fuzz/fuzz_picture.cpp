// The picture decoders the program reads pictures with: JPEG through libjpeg, Windows
// bitmaps and icons through the file path the panes use. The first byte chooses the kind.
// A decode either gives an image with a sane size and no error or an error and no image,
// the same bytes decode to the same pixels, and a decoded picture written as a bitmap reads
// back through the bitmap path pixel for pixel. JPEG data in memory ends right before a guard
// page: libjpeg is not built with the sanitizers, and a read of it past the end faults there.
#include "fuzzcheck.h"
#include "guardedinput.h"
#include "platform/picture.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <utility>

using namespace brenvik;

namespace {
// Never destroyed: Qt's own statics may be gone by the time exit handlers run.
QGuiApplication* app = nullptr;
QTemporaryDir* dir = nullptr;

PictureResult loadAs(const QByteArray& bytes, const char* name) {
    const QString path = dir->filePath(QString::fromLatin1(name));
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(f.write(bytes) == bytes.size());
    f.close();
    return LoadPicture(path);
}

void checkResult(const PictureResult& r) {
    FUZZ_CHECK(r.ok() == r.error().empty());
    if (r.ok()) FUZZ_CHECK(r.value().width() > 0 && r.value().height() > 0);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = new QGuiApplication(*argc, *argv);
    // A RAM-backed folder when there is one: every input is written as a file.
    dir = new QTemporaryDir(QFile::exists(QStringLiteral("/dev/shm"))
                                ? QStringLiteral("/dev/shm/brenvik-fuzz-XXXXXX")
                                : QString());
    std::atexit([] { dir->remove(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const GuardedInput input(data + 1, size - 1);
    const QByteArray bytes = input.bytes();
    const auto [first, second] = [&]() -> std::pair<PictureResult, PictureResult> {
        switch (data[0] % 3) {
        case 0:
            return {DecodeJpeg(bytes, QStringLiteral("fuzz.jpg")), loadAs(bytes, "fuzz.jpg")};
        case 1:
            return {loadAs(bytes, "fuzz.bmp"), loadAs(bytes, "fuzz.dib")};
        default:
            return {loadAs(bytes, "fuzz.ico"), loadAs(bytes, "fuzz.ico")};
        }
    }();
    checkResult(first);
    checkResult(second);
    FUZZ_CHECK(first.ok() == second.ok());
    if (!first.ok()) return 0;
    // Compared as drawn: an indexed picture may hold indices past its colour table, which
    // QImage::operator== reads beyond the table; drawing maps them to a fixed colour.
    FUZZ_CHECK(first.value().convertToFormat(QImage::Format_ARGB32) ==
               second.value().convertToFormat(QImage::Format_ARGB32));
    // Small pictures only: a bitmap of a huge one costs time without finding more.
    if (qint64(first.value().width()) * first.value().height() > 1 << 16) return 0;
    const QImage rgb = first.value().convertToFormat(QImage::Format_RGB32);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    FUZZ_CHECK(rgb.save(&out, "BMP"));
    const PictureResult back = loadAs(out.data(), "back.bmp");
    FUZZ_CHECK(back.ok());
    FUZZ_CHECK(back.value().convertToFormat(QImage::Format_RGB32) == rgb);
    return 0;
}
