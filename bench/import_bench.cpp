// Measures the import of a big Anki package: 100,000 notes made from the test packages'
// basic.apkg by tests/data/import/apkg/maker/make-big-package.py at run time. The import is
// what the student waits for after pressing Import: reading the package, building its
// questions into the open library and copying its media. Saving the library is a step of
// its own (Save, or the tool's write after its import) and is timed on its own line. The
// baseline, measured in the same run, is loading the library the import wrote from its
// .bv1, so the ratio compares across machines. Each runs in its own child process, so
// that their peak memory does not mix.

#include "import/apkgimport.h"
#include "library/colors.h"
#include "library/demodata.h"
#include "library/librarytree.h"
#include "library/outline.h"
#include "library/undostore.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

using namespace brenvik;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// What a child reports back through its pipe.
struct Figures {
    bool ok = false;
    int questions = 0;
    double total = 0, import = 0, save = 0, media = 0, cold = 0;
    long peakMb = 0; // filled in by the parent from the child's rusage
};

// Runs `work` in a forked child; its figures come back through a pipe, its peak memory
// from wait4's rusage of that child alone.
Figures inChild(const std::function<Figures()>& work) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0) return {};
    if (pid == 0) {
        close(fds[0]);
        const Figures f = work();
        const bool written = write(fds[1], &f, sizeof f) == ssize_t(sizeof f);
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(written ? 0 : 1);
    }
    close(fds[1]);
    Figures f;
    if (read(fds[0], &f, sizeof f) != ssize_t(sizeof f)) f = {};
    close(fds[0]);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        f.ok = false;
    f.peakMb = usage.ru_maxrss / 1024; // kilobytes on Linux
    return f;
}

FixedDesktopColors benchDesktop() {
    DesktopColorScheme s;
    s.buttonFace = 15790320;
    s.buttonText = 0;
    s.window = 16777215;
    s.windowText = 0;
    return FixedDesktopColors(s);
}

// The best of three imports, as the load below is the best of three loads; the first,
// with none of its memory yet in the process, is reported too. The last one is saved.
Figures importPackage(const QString& package, const QString& library) {
    Figures f;
    f.total = 1e9;
    for (int run = 0; run < 3; ++run) {
        const auto start = Clock::now();
        LibraryTree tree;
        NewEmptyLibrary(tree, {}, {});
        UndoStore undo(tree);
        Result<PackageImport> imported =
            ImportAnkiPackage(tree, undo, tree.first(), package, library, {}, benchDesktop());
        if (!imported) {
            std::fprintf(stderr, "import failed: %s\n", imported.error().c_str());
            return {};
        }
        const double import = secondsSince(start);
        auto t = Clock::now();
        if (const Status media = imported.value().media->commit(); !media) {
            std::fprintf(stderr, "media failed: %s\n", media.error.c_str());
            return {};
        }
        const double media = secondsSince(t);
        const double total = secondsSince(start);
        if (run == 0) f.cold = total;
        if (total < f.total) {
            f.total = total;
            f.import = import;
            f.media = media;
        }
        f.questions = imported.value().summary.questions;
        if (run < 2) continue;
        t = Clock::now();
        if (const Status saved = SaveLibraryFile(tree, library); !saved) {
            std::fprintf(stderr, "save failed: %s\n", saved.error.c_str());
            return {};
        }
        f.save = secondsSince(t);
    }
    f.ok = true;
    return f;
}

// The core loader as library_bench's load figure times it: read, OutlineLoader,
// DeriveNodeKinds; the best of three.
Figures loadLibrary(const QString& library) {
    Figures f;
    f.total = 1e9;
    for (int i = 0; i < 3; ++i) {
        const auto start = Clock::now();
        LibraryTree tree;
        std::string bytes;
        QFile file(library);
        if (!file.open(QIODevice::ReadOnly)) return f;
        bytes.resize(std::size_t(file.size()));
        if (file.read(bytes.data(), qint64(bytes.size())) != qint64(bytes.size())) return f;
        if (Status status = OutlineLoader(tree, std::move(bytes)); !status.ok()) {
            std::fprintf(stderr, "load failed: %s\n", status.error.c_str());
            return f;
        }
        DeriveNodeKinds(tree);
        if (i == 0) f.cold = secondsSince(start);
        f.total = std::min(f.total, secondsSince(start));
        f.questions = int(tree.nodeCount());
    }
    f.ok = true;
    return f;
}

} // namespace

int main(int argc, char** argv) {
    const int notes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) {
        std::fprintf(stderr, "python3 is not on the PATH; it writes the package\n");
        return 1;
    }
    const QString package = dir.filePath(QStringLiteral("big.apkg"));
    const QString library = dir.filePath(QStringLiteral("imported.bv1"));
    {
        const auto t = Clock::now();
        QProcess maker;
        maker.setProcessChannelMode(QProcess::ForwardedChannels);
        maker.start(python,
                    {QStringLiteral(BRENVIK_BIG_PACKAGE_MAKER), package, QString::number(notes)});
        if (!maker.waitForFinished(-1) || maker.exitStatus() != QProcess::NormalExit ||
            maker.exitCode() != 0 || !QFile::exists(package)) {
            std::fprintf(stderr, "make-big-package.py failed\n");
            return 1;
        }
        std::printf("package: %d notes, %.1f MB, made in %.1f s\n", notes,
                    double(QFileInfo(package).size()) / 1e6, secondsSince(t));
    }

    const Figures imported = inChild([&] { return importPackage(package, library); });
    if (!imported.ok) return 1;
    const Figures loaded = inChild([&] { return loadLibrary(library); });
    if (!loaded.ok) return 1;

    const double ratio = imported.total / loaded.total;
    std::printf("import package: %d notes in %.3f s (%.2f x loading the same library from its "
                ".bv1)  (target Y <= 2: %s)\n",
                notes, imported.total, ratio, ratio <= 2 ? "met" : "MISSED");
    std::printf(
        "import package: best of three runs each; ImportAnkiPackage %.3f s, media commit "
        "%.3f s; %d questions from the package's %d notes (each Cloze deletion is a "
        "question of its own); loading the .bv1 %.3f s (%d nodes); the first runs, with none of "
        "their memory yet in the process: import %.3f s, load %.3f s (%.2f x); saving "
        "the imported library afterwards, not in the import's figure: %.3f s\n",
        imported.import, imported.media, imported.questions, notes, loaded.total, loaded.questions,
        imported.cold, loaded.cold, imported.cold / loaded.cold, imported.save);
    std::printf("import package: peak memory %ld MB (%ld MB loading the .bv1)\n", imported.peakMb,
                loaded.peakMb);
    return 0;
}
