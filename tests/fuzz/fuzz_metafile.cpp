// Windows metafiles and enhanced metafiles as libuemf and the drawing code read them. The
// first byte chooses the kind. A render either gives an image and no error or an error and
// no image, its size follows the file's bounds within the drawing limits, and the same
// bytes draw the same pixels. The file ends right before a guard page: libuemf is not built
// with the sanitizers, and a read of it past the end faults there.
#include "fuzzcheck.h"
#include "guardedinput.h"
#include "platform/metafile.h"

#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

using namespace brenvik;

namespace {
// Never destroyed: Qt's own statics may be gone by the time exit handlers run.
QGuiApplication* app = nullptr;
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = new QGuiApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool enhanced = data[0] & 1;
    const GuardedInput input(data + 1, size - 1);
    const QByteArray bytes = input.bytes();
    const Result<QImage> drawn = RenderMetafile(bytes, enhanced);
    FUZZ_CHECK(drawn.ok() == drawn.error().empty());
    if (!drawn) return 0;
    const QImage& first = drawn.value();
    FUZZ_CHECK(!first.isNull());
    FUZZ_CHECK(first.width() > 0 && first.height() > 0);
    FUZZ_CHECK(qint64(first.width()) * first.height() <= qint64(64) * 1024 * 1024);
    const Result<QImage> second = RenderMetafile(bytes, enhanced);
    FUZZ_CHECK(second.ok());
    FUZZ_CHECK(second.value() == first);
    return 0;
}
