// Saves onto a nearly full disk: a file-size limit (SIGXFSZ ignored, so a write past it
// fails with EFBIG as a full disk fails with ENOSPC) stands in for the free space. Each
// attempt runs in a forked child so the limit never reaches the test runner's own files.
#include "library/demodata.h"
#include "library/outline.h"
#include "library/settingskeys.h"
#include "library/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <set>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace brenvik;

namespace {

// Runs `save` in a child limited to files of `limit` bytes. 0 when it reported success, 1
// when it reported a failure, -1 when the child did not end normally.
int SaveInChild(rlim_t limit, const std::function<bool()>& save) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit r{limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &r) != 0) _exit(3);
        _exit(save() ? 0 : 1);
    }
    if (pid < 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    const int code = WEXITSTATUS(status);
    return code <= 1 ? code : -1;
}

// Limits from `size` − 20 KiB (or 0) to `size` + 1 KiB: every 512 bytes, and around every
// 16 KiB boundary (the file device's buffer) and around the size itself.
std::vector<qint64> LimitsAround(qint64 size) {
    std::set<qint64> limits;
    const qint64 low = std::max<qint64>(0, size - 20 * 1024), high = size + 1024;
    for (qint64 l = low; l <= high; l += 512)
        limits.insert(l);
    for (qint64 b = (low / 16384) * 16384; b <= high; b += 16384)
        for (qint64 d : {-1, 0, 1})
            if (b + d >= low) limits.insert(b + d);
    for (qint64 d : {-2, -1, 0, 1, 2})
        limits.insert(size + d);
    return {limits.begin(), limits.end()};
}

QByteArray Contents(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<unreadable>";
    return f.readAll();
}

void Put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// Saves `newBytes` over an old file at every limit around its size: the save must fail
// exactly when the new content does not fit, and then leave the old file byte for byte and
// no temporary file; when it fits, the file holds the new content.
void ExpectWholeOrOld(const QString& path, const QByteArray& oldBytes, const QByteArray& newBytes,
                      const std::function<bool()>& save) {
    const QDir dir = QFileInfo(path).dir();
    for (qint64 limit : LimitsAround(newBytes.size())) {
        Put(path, oldBytes);
        const int code = SaveInChild(rlim_t(limit), save);
        ASSERT_NE(code, -1) << "limit " << limit;
        const bool fits = limit >= newBytes.size();
        EXPECT_EQ(code == 0, fits) << "limit " << limit << " of " << newBytes.size();
        const QByteArray now = Contents(path);
        if (code == 0)
            EXPECT_TRUE(now == newBytes) << "limit " << limit << ": " << now.size() << " bytes";
        else
            EXPECT_TRUE(now == oldBytes) << "limit " << limit << ": " << now.size() << " bytes";
        EXPECT_EQ(dir.entryList(QDir::Files | QDir::Hidden).size(), 1) << "limit " << limit;
    }
}

// A library of `lines` lines of about 100 bytes under one root.
void BuildLibrary(LibraryTree& tree, int lines) {
    std::string text = "Root\n";
    for (int i = 0; i < lines; ++i)
        text += "\tLibrary " + std::to_string(i) + ' ' + std::string(88, 'x') + '\n';
    ASSERT_TRUE(OutlineLoader(tree, text).ok());
}

} // namespace

TEST(FullDisk, LibrarySaveFailsAndKeepsTheOldFileWhenTheTailDoesNotFit) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("lib.bv1");
    const QByteArray old = "Old\r\n\tNotes\r\n\tKept library\r\n";
    // A small library sits in the write buffer whole; a large one is written in blocks of a
    // megabyte and ends with a buffered tail.
    for (int lines : {120, 10600}) {
        LibraryTree tree;
        BuildLibrary(tree, lines);
        const QByteArray bytes = QByteArray::fromStdString(WriteOutline(tree));
        SCOPED_TRACE(bytes.size());
        ExpectWholeOrOld(path, old, bytes, [&] { return SaveLibraryFile(tree, path).ok(); });
    }
    // The failure names the file and the system's reason.
    LibraryTree tree;
    BuildLibrary(tree, 120);
    const QString message = QStringLiteral("Could not save \"%1\": File too large").arg(path);
    const int code =
        SaveInChild(1000, [&] { return ErrorText(SaveLibraryFile(tree, path)) == message; });
    EXPECT_EQ(code, 0) << qPrintable(message);
}

TEST(FullDisk, SettingsFlushFailsAndKeepsTheOldFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("brenvik.ini");
    const QByteArray old = "[main]\ntop=1\n";
    Put(path, old);
    SettingsStore store(path);
    for (int i = 1; i <= 40; ++i)
        store.WriteText(QStringLiteral("recent"), QStringLiteral("file%1").arg(i),
                        QStringLiteral("/home/user/Libraries/library number %1.bv1").arg(i));
    store.write(settings::MainTop, 99);
    // What a successful flush writes, found by flushing a copy without a limit.
    QByteArray full;
    {
        QTemporaryDir other;
        const QString copy = other.filePath("brenvik.ini");
        Put(copy, old);
        SettingsStore second(copy);
        for (int i = 1; i <= 40; ++i)
            second.WriteText(QStringLiteral("recent"), QStringLiteral("file%1").arg(i),
                             QStringLiteral("/home/user/Libraries/library number %1.bv1").arg(i));
        second.write(settings::MainTop, 99);
        ASSERT_TRUE(second.flush().ok());
        full = Contents(copy);
    }
    ASSERT_GT(full.size(), 2000);
    ExpectWholeOrOld(path, old, full, [&] { return store.flush().ok(); });
    const int code = SaveInChild(10, [&] {
        return ErrorText(store.flush())
            .startsWith("Cannot write the settings file \"" + path + "\": ");
    });
    EXPECT_EQ(code, 0);
}

TEST(FullDisk, DemoFileIsWrittenWholeOrNotAtAll) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("Demo");
    const std::string demo = DemoFileBytes();
    ExpectWholeOrOld(path, "an older demo\r\n", QByteArray::fromStdString(demo),
                     [&] { return WriteDemoFile(path).ok(); });
}
