// Measures the library document on a large library: 100,000 questions built from the
// demo library's questions. Every time is also given as a ratio to a baseline measured in
// the same run (reading the same file and splitting it into lines), so the figures
// compare across machines.

#include "bench/biglibrary.h"
#include "library/colors.h"
#include "library/demodata.h"
#include "library/librarytree.h"
#include "library/objects.h"
#include "library/outline.h"
#include "library/questionrecord.h"
#include "library/treecommands.h"
#include "library/undostore.h"
#include "study/core/collect.h"
#include "study/core/schedule.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <unistd.h>

#if BRENVIK_BENCH_VIEW
#include "mainwindow/libraryitemmodel.h"

#include <QApplication>
#include <QTreeView>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using namespace brenvik;
using namespace brenvik::bench;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool readWhole(const QString& path, std::string& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    bytes.resize(std::size_t(file.size()));
    return file.read(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

// The least any loader must do: read the bytes and find every line.
std::size_t baselineOnce(const QString& path) {
    std::string bytes;
    readWhole(path, bytes);
    std::vector<std::string_view> lines;
    lines.reserve(bytes.size() / 24);
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', std::size_t(end - p)));
        const char* stop = nl ? nl : end;
        const char* e = (stop > p && stop[-1] == '\r') ? stop - 1 : stop;
        lines.emplace_back(p, std::size_t(e - p));
        p = stop + 1;
    }
    return lines.size();
}

long residentMegabytes() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024) / 1024;
}

long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024; // kilobytes on Linux
}

void figure(const char* what, double seconds, double baseline, const char* target = nullptr,
            double limit = 0) {
    double ratio = seconds / baseline;
    std::printf("%-34s %9.3f s  %6.2fx baseline", what, seconds, ratio);
    if (target) std::printf("  (target %s: %s)", target, ratio <= limit ? "met" : "MISSED");
    std::printf("\n");
}

} // namespace

#if BRENVIK_BENCH_VIEW
// Copying a concept of `questions` questions with the tree view's model attached, as the
// copy command does it, then undoing and redoing the copy; the view takes in every change.
void copyBranch(int questions, const QString& path) {
    {
        std::string text = buildLibrary(questions, true);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) ||
            f.write(text.data(), qint64(text.size())) != qint64(text.size()))
            return;
    }
    LibraryTree tree;
    if (!LoadLibraryFile(tree, path).error.isEmpty()) return;
    NodeId topic = NoNode;
    for (NodeId n = tree.first(); n != NoNode && topic == NoNode; n = tree.preorderNext(n))
        if (tree.kind(n) == Concept) topic = n;
    if (topic == NoNode) return;
    const NodeId section = tree.parent(topic);

    LibraryItemModel model(tree);
    QTreeView view;
    view.setModel(&model);
    view.setUniformRowHeights(true);
    view.resize(600, 800);
    view.show();
    for (NodeId n = topic; n != NoNode; n = tree.parent(n))
        view.expand(model.indexFromNode(n));
    view.scrollTo(model.indexFromNode(topic));
    QCoreApplication::processEvents();

    std::size_t branchNodes = 0, branchText = 0;
    const int base = tree.depth(topic);
    for (NodeId n = topic; n != NoNode && (n == topic || tree.depth(n) > base);
         n = tree.preorderNext(n)) {
        ++branchNodes;
        branchText += tree.text(n).size();
    }
    const long before = residentMegabytes();
    auto t = Clock::now();
    tree.beginJournal();
    const NodeId copy = CopySubtree(tree, topic, section, CopyMode::Append);
    tree.setText(copy, "Copy of " + std::string(tree.text(topic)));
    const Journal journal = tree.takeJournal();
    const double inTree = secondsSince(t);
    view.setCurrentIndex(model.indexFromNode(copy));
    QCoreApplication::processEvents();
    const double copied = secondsSince(t);
    t = Clock::now();
    tree.undo(journal);
    QCoreApplication::processEvents();
    const double undone = secondsSince(t);
    t = Clock::now();
    tree.redo(journal);
    QCoreApplication::processEvents();
    const double redone = secondsSince(t);
    const long grown = residentMegabytes() - before;
    const double branchMb = double(branchNodes * LibraryTree::nodeBytes()) / 1048576.0;
    const double branchWithText = branchMb + double(branchText) / 1048576.0;
    const bool met = copied < 1 && undone < 1 && redone < 1 && double(grown) <= branchWithText;
    std::printf("copy branch                        copy %.3f s, undo %.3f s, redo %.3f s  "
                "(%d questions, %zu nodes; memory +%ld MB, the branch %.0f MB of nodes and "
                "%.0f MB of text; target each < 1 s, memory <= branch: %s)\n",
                copied, undone, redone, questions, branchNodes, grown, branchMb,
                branchWithText - branchMb, met ? "met" : "MISSED");
    std::printf("%-34s the copy in the tree %.3f s, the view taking it in %.3f s\n", "", inTree,
                copied - inTree);
    if (model.rowCount(model.indexFromNode(section)) != tree.childCount(section))
        std::fprintf(stderr, "the view's rows lost track of the copy\n");

    // Dragging the original concept onto its copy, as the tree's drop does it: a move of
    // the whole branch, one undo point.
    FixedDesktopColors colors;
    UndoStore undo(tree);
    TreeCommands commands(tree, undo, colors);
    t = Clock::now();
    const Result<NodeId> moved = commands.drop(topic, copy);
    view.setCurrentIndex(model.indexFromNode(topic));
    QCoreApplication::processEvents();
    const double movedIn = secondsSince(t);
    if (!moved || moved.value() != topic || tree.parent(topic) != section)
        std::fprintf(stderr, "the drop did not move the branch\n");
    std::printf("move branch                        move %.3f s  (%zu nodes, the view taking "
                "it in; target < 1 s: %s)\n",
                movedIn, branchNodes, movedIn < 1 ? "met" : "MISSED");
}
#endif

int main(int argc, char** argv) {
    int questions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
#if BRENVIK_BENCH_VIEW
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#endif
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString input = dir.filePath(QStringLiteral("big.bv1"));
    const QString output = dir.filePath(QStringLiteral("written.bv1"));

    std::size_t bytes = 0, lineCount = 0;
    {
        std::string text = buildLibrary(questions);
        bytes = text.size();
        lineCount = std::size_t(std::count(text.begin(), text.end(), '\n'));
        QFile f(input);
        if (!f.open(QIODevice::WriteOnly) ||
            f.write(text.data(), qint64(text.size())) != qint64(text.size())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(input));
            return 1;
        }
    }
    std::printf("library: %d questions, %zu lines, %zu bytes (%.1f MB)\n", questions, lineCount,
                bytes, double(bytes) / 1e6);

    double baseline = 1e9;
    for (int i = 0; i < 3; ++i) {
        auto t = Clock::now();
        std::size_t n = baselineOnce(input);
        baseline = std::min(baseline, secondsSince(t));
        if (n != lineCount) std::fprintf(stderr, "baseline counted %zu lines\n", n);
    }
    std::printf("%-34s %9.3f s\n", "baseline (read + split lines)", baseline);

    LibraryTree tree;
    {
        auto t = Clock::now();
        std::string text;
        readWhole(input, text);
        double read = secondsSince(t);
        auto t2 = Clock::now();
        Status status = OutlineLoader(tree, std::move(text));
        if (!status.ok()) {
            std::fprintf(stderr, "load failed: %s\n", status.error.c_str());
            return 1;
        }
        double loader = secondsSince(t2);
        t2 = Clock::now();
        DeriveNodeKinds(tree);
        double kinds = secondsSince(t2);
        figure("load (read, loader, kinds)", secondsSince(t), baseline, "<= 10x", 10);
        std::printf("%-34s read %.3f s, OutlineLoader %.3f s, DeriveNodeKinds %.3f s\n", "", read,
                    loader, kinds);
    }
    std::printf("%-34s %zu nodes, %.1f MB in the tree\n", "tree", tree.nodeCount(),
                double(tree.memoryBytes()) / 1e6);
    {
        auto t = Clock::now();
        const QString error = ErrorText(SaveLibraryFile(tree, output));
        double s = secondsSince(t);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "write failed: %s\n", qPrintable(error));
            return 1;
        }
        figure("write (SaveLibraryFile)", s, baseline, "<= 10x", 10);
        if (QFileInfo(output).size() != qint64(bytes))
            std::fprintf(stderr, "written file has %lld bytes, expected %zu\n",
                         QFileInfo(output).size(), bytes);
    }

    FixedDesktopColors desktop;
    std::vector<NodeId> questionNodes;
    {
        auto t = Clock::now();
        int errors = 0;
        for (NodeId n = tree.first(); n != NoNode; n = tree.preorderNext(n)) {
            if (tree.kind(n) != Question) continue;
            questionNodes.push_back(n);
            QuestionRecord r = QuestionRecord::newRecord(desktop);
            if (!ReadQuestionRecord(tree, n, r, desktop)) ++errors;
        }
        figure("read every question record", secondsSince(t), baseline);
        std::printf("%-34s %zu questions, %d errors\n", "", questionNodes.size(), errors);
    }

    // What a flash session of the whole library does before its first question shows.
    if (!questionNodes.empty()) {
        auto t = Clock::now();
        const std::vector<NodeId> collected =
            CollectQuestions(tree, questionNodes.front(), Library);
        figure("collect questions (level 1)", secondsSince(t), baseline);
        if (collected != questionNodes)
            std::fprintf(stderr, "collected %zu questions, expected %zu\n", collected.size(),
                         questionNodes.size());

        t = Clock::now();
        const StudyCheck check =
            CheckStudyQuestions(tree, collected, desktop, StudyFolders{dir.path(), dir.path()});
        figure("validate every question", secondsSince(t), baseline);
        std::printf("%-34s %d questions passed%s\n", "", check.checked,
                    check.ok() ? "" : qPrintable(QStringLiteral(", then: ") + check.message));

        t = Clock::now();
        RandomGenerator random;
        const std::vector<NodeId> flash = BuildFlashList(collected, random);
        figure("build the flash list", secondsSince(t), baseline);
        std::printf("%-34s %zu visits\n", "", flash.size());
    }

    if (!questionNodes.empty()) {
        NodeId q = questionNodes[questionNodes.size() / 2];
        auto undoPoint = [&](const char* what, auto edit) {
            auto t = Clock::now();
            tree.beginJournal();
            edit();
            Journal j = tree.takeJournal();
            double recorded = secondsSince(t);
            t = Clock::now();
            tree.undo(j);
            double undone = secondsSince(t);
            t = Clock::now();
            tree.redo(j);
            double redone = secondsSince(t);
            std::printf("%-34s edit+journal %.1f us, undo %.1f us, redo %.1f us, "
                        "journal %zu ops (%zu bytes)\n",
                        what, recorded * 1e6, undone * 1e6, redone * 1e6, j.ops.size(),
                        j.ops.size() * sizeof(JournalOp));
            tree.discard(j, false);
        };
        undoPoint("undo point: rename a question", [&] { tree.setText(q, "Renamed question"); });
        undoPoint("undo point: delete a question", [&] { tree.remove(q); });
    }

    long peak = peakMegabytes();
    std::printf("%-34s %ld MB  (target < 1024 MB: %s)\n", "peak memory (ru_maxrss)", peak,
                peak < 1024 ? "met" : "MISSED");
#if BRENVIK_BENCH_VIEW
    tree.clear();
    QFile::remove(output);
    copyBranch(questions, input);
#endif
    return 0;
}
