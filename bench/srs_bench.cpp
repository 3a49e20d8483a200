// Measures the study history on a big library: 100,000 questions with a year of history
// (a million rows, grades and seen visits). Each figure has its target and a baseline
// measured in the same run: the due list against collecting the same questions, a durable
// grade against the least a durable write costs (4 KB written and synced), and opening the
// library with its history against opening it without.

#include "bench/biglibrary.h"
#include "library/librarytree.h"
#include "library/outline.h"
#include "srs/history.h"
#include "study/core/collect.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

using namespace brenvik;
using namespace brenvik::bench;
using namespace brenvik::srs;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

const char* verdict(bool met) {
    return met ? "met" : "MISSED";
}

bool load(LibraryTree& tree, const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = f.readAll();
    if (!OutlineLoader(tree, std::string(bytes.constData(), std::size_t(bytes.size()))))
        return false;
    DeriveNodeKinds(tree);
    return true;
}

// A year of study, question by question: introduced on a day of the year, then graded
// whenever due (a quarter of the reviews forgotten, so intervals stay short enough for a
// busy year), and seen visits besides, ten rows a question in all.
long long fillHistory(StudyHistory& history, const std::vector<NodeId>& questions,
                      UnixSeconds now) {
    std::mt19937 random(7);
    std::discrete_distribution<int> grades({25, 10, 55, 10}); // Again, Hard, Good, Easy
    const UnixSeconds yearAgo = now - 365 * SecondsPerDay;
    long long rows = 0;
    for (NodeId q : questions) {
        UnixSeconds t = yearAgo + UnixSeconds(random() % (300 * SecondsPerDay));
        int visits = 0;
        bool past = false; // nothing more is due before now
        while (visits < 10) {
            const bool seen = past || random() % 5 == 0;
            if (!history.record(q, seen ? Grade::Seen : Grade(grades(random) + 1), t)) return -1;
            ++visits;
            const UnixSeconds due = history.card(q).due;
            const UnixSeconds next = std::max(due, t + 60);
            // Past now: the rest are seen visits in the time that is left.
            past = past || next >= now;
            t = past ? t + (now - t) / 2 : next;
        }
        rows += visits;
    }
    return rows;
}

double durableWriteMs(const QString& folder, int times) {
    const QByteArray path = QFile::encodeName(folder + QStringLiteral("/sync-probe"));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    char block[4096] = {};
    const auto t = Clock::now();
    for (int i = 0; i < times; ++i)
        if (::pwrite(fd, block, sizeof block, off_t(i) * off_t(sizeof block)) < 0 ||
            ::fdatasync(fd) != 0)
            break;
    const double ms = msSince(t) / times;
    ::close(fd);
    ::unlink(path.constData());
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString file = dir.filePath(QStringLiteral("big.bv1"));
    {
        const std::string text = buildLibrary(count);
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly) ||
            f.write(text.data(), qint64(text.size())) != qint64(text.size())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    const UnixSeconds now = 1800000000; // 2027-01-15T08:00:00Z

    long long rows = 0;
    {
        LibraryTree tree;
        if (!load(tree, file)) return 1;
        const std::vector<NodeId> questions = CollectAllQuestions(tree);
        // Built in memory, then written beside the library as a first Save As writes it.
        StudyHistory history(tree);
        history.openUnsaved();
        const auto t = Clock::now();
        rows = fillHistory(history, questions, now);
        if (rows < 0) return 1;
        if (const Status written = history.savedAs(file); !written) {
            std::fprintf(stderr, "%s\n", written.error.c_str());
            return 1;
        }
        std::printf("history: %zu questions, %lld rows, made in %.1f s, %.1f MB\n",
                    questions.size(), rows, msSince(t) / 1000,
                    double(QFile(StudyHistory::FileFor(file)).size()) / 1e6);
    }

    // Opening with the history against opening the same library without one (a copy with
    // no history beside it), taken in turns so that both meet the same machine. The load of
    // a library this size swings by hundreds of milliseconds on a busy machine, more than the
    // history costs: so the history's own open is timed apart, and what it adds is the least
    // of its opens over the least of the loads.
    const QString plain = dir.filePath(QStringLiteral("plain.bv1"));
    if (!QFile::copy(file, plain)) return 1;
    double loadMs = 1e300, historyMs = 1e300, plainOpenMs = 1e300;
    for (int i = 0; i < 6; ++i) {
        for (const bool with : {false, true}) {
            LibraryTree tree;
            auto t = Clock::now();
            if (!load(tree, with ? file : plain)) return 1;
            loadMs = std::min(loadMs, msSince(t));
            t = Clock::now();
            StudyHistory history(tree);
            Result<OpenReport> opened = history.open(with ? file : plain);
            double& best = with ? historyMs : plainOpenMs;
            best = std::min(best, msSince(t));
            if (!opened || opened.value().unmatched != 0 ||
                opened.value().matched != (with ? count : 0)) {
                std::fprintf(stderr, "the history did not open whole: %s\n",
                             opened ? "questions unmatched" : opened.error().c_str());
                return 1;
            }
        }
    }
    const double withMs = loadMs + historyMs, withoutMs = loadMs + plainOpenMs;

    LibraryTree tree;
    if (!load(tree, file)) return 1;
    StudyHistory history(tree);
    if (!history.open(file)) return 1;

    // Due list of the whole library, against collecting its questions.
    double collectMs = 1e300, dueMs = 1e300;
    std::size_t listed = 0;
    for (int i = 0; i < 5; ++i) {
        auto t = Clock::now();
        const std::size_t n = CollectAllQuestions(tree).size();
        collectMs = std::min(collectMs, msSince(t));
        t = Clock::now();
        const DueList list = history.dueList(NoNode, now, 20);
        dueMs = std::min(dueMs, msSince(t));
        listed = list.due.size() + list.fresh.size();
        if (n != std::size_t(count)) return 1;
    }
    std::printf("due list: %zu questions in %.1f ms  (target < 100 ms: %s; baseline: "
                "collecting the %d questions %.1f ms)\n",
                listed, dueMs, verdict(dueMs < 100), count, collectMs);

    // Durable grades, one transaction each, against a synced 4 KB write.
    const std::vector<NodeId> questions = CollectAllQuestions(tree);
    constexpr int Grades = 200;
    const double syncMs = durableWriteMs(dir.path(), Grades);
    const auto t = Clock::now();
    for (int i = 0; i < Grades; ++i)
        if (!history.record(questions[std::size_t(i) * questions.size() / Grades], Grade::Good,
                            now + i)) {
            std::fprintf(stderr, "%s\n", history.failure().error.c_str());
            return 1;
        }
    const double gradeMs = msSince(t) / Grades;
    std::printf("grade: %.2f ms per grade  (target < 5 ms: %s; baseline: a 4 KB write and sync "
                "%.2f ms)\n",
                gradeMs, verdict(gradeMs < 5), syncMs);

    const double overhead = (withMs / withoutMs - 1) * 100;
    std::printf("open: %.0f ms with the history, %.0f ms without (%+.1f %%)  (target < 20 %%: "
                "%s)\n",
                withMs, withoutMs, overhead, verdict(overhead < 20));
    std::printf("open: the library's load %.0f ms (the least of 12), the history's own open "
                "%.0f ms (the least of 6; %.0f ms with no history file)\n",
                loadMs, historyMs, plainOpenMs);

    // For the panels and windows built on these: no targets of their own.
    auto c = Clock::now();
    const StudyCounts counts = history.counts(NoNode, now);
    const double countsFirst = msSince(c);
    c = Clock::now();
    history.counts(NoNode, now);
    const double countsAgain = msSince(c);
    std::printf("counts: %.1f ms the first time, %.1f ms after (%d due today, retention %.3f)\n",
                countsFirst, countsAgain, counts.dueToday, counts.retention());

    // The statistics of the whole library, against the least a reading of the year's rows
    // costs: counting them in SQL, on a connection of its own.
    double statsMs = 1e300, countMs = 1e300;
    long long yearRows = 0;
    int graded = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "baseline");
        db.setDatabaseName(StudyHistory::FileFor(file));
        if (!db.open()) return 1;
        for (int i = 0; i < 5; ++i) {
            c = Clock::now();
            const Result<StudyStatistics> stats = history.statistics(NoNode, now);
            statsMs = std::min(statsMs, msSince(c));
            if (!stats) {
                std::fprintf(stderr, "%s\n", stats.error().c_str());
                return 1;
            }
            graded = 0;
            for (const DayGrades& d : stats.value().calendar)
                for (int n : d.grades)
                    graded += n;
            c = Clock::now();
            QSqlQuery q(db);
            q.prepare(QStringLiteral(
                "SELECT count(*) FROM grades NOT INDEXED WHERE time >= ? AND time < ?"));
            q.addBindValue(qint64(now - 366 * SecondsPerDay));
            q.addBindValue(qint64(now + SecondsPerDay));
            if (!q.exec() || !q.next()) return 1;
            yearRows = q.value(0).toLongLong();
            countMs = std::min(countMs, msSince(c));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("baseline"));
    std::printf("statistics: %d questions in %.1f ms  (target < 300 ms: %s; baseline: counting "
                "the year's %lld rows in SQL %.1f ms; %d visits in the calendar)\n",
                count, statsMs, verdict(statsMs < 300), yearRows, countMs, graded);
    return 0;
}
