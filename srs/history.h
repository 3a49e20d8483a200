#pragma once

// The study history: every grade and every seen visit of a library's questions, and each
// question's current schedule, kept in an SQLite database beside the library file
// ("NAME.bv1" -> "NAME.bv1.history", FileFor()). The library file is never touched.
//
// Identity. While the program runs, a question is its NodeId, which survives rename, edit,
// move, undo and redo; a copy has new ids and so starts a history of its own, and a
// deleted question keeps its rows. On disk a question is a row of its own with the path
// and text it had at the last save (path: the names from the library down joined by " > ",
// as brenvik-tool takes PATH; text: the lines of its text panes and its "Answer: ..." line,
// not its name, which is in the path; both also kept as 64-bit hashes, which opening
// compares). open() matches the stored questions to the tree by path where one question
// has it on each side; then, for the rest, by path and text together, by path alone and by
// text alone (each only where the pairing is unique); and reports how many it could not
// match.
// At every save, saved() brings the stored paths and texts up to date and marks the stored
// questions that the saved library no longer holds as gone: gone ones are not counted as
// unmatched again, and compact() drops them.
//
// Durability. Every record() is one transaction, in WAL mode with synchronous FULL: once it
// has returned, a crash or a power loss keeps it. A library without a file keeps its
// history in memory (an in-memory database) and writes it beside the file at its first
// savedAs(); a library with a file gets its database at its first grade, so opening a
// library never leaves a file behind.
//
// Failures. A database that is damaged, locked, read-only or of a newer version is one error
// value naming the file and the reason, returned once by the call that met it (open(),
// record(), savedAs(), ...). From then on the history goes on in memory without recording
// (recording() is false, failure() keeps the error), and the database is never written
// over: the next savedAs() to another file starts recording there.
//
// Days. "Today", "this week" and the statistics' days are local calendar days of the time
// zone set (the system's by default). All times are UTC seconds (UnixSeconds).

#include "library/librarytree.h"
#include "library/result.h"
#include "srs/fsrs.h"

#include <QDate>
#include <QString>
#include <QTimeZone>
#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

namespace brenvik::srs {

// What open() found.
struct OpenReport {
    int stored = 0;    // questions the database holds that were in the library at its last save
    int matched = 0;   // of those, found again in the tree
    int unmatched = 0; // of those, not found (the library was changed outside Brenvik)
};

// The questions a spaced session asks, for an object's subtree at a time.
struct DueList {
    std::vector<NodeId> due;   // due at that time, most overdue (earliest due) first
    std::vector<NodeId> fresh; // new questions to introduce, in tree order
    int introducedToday = 0;   // new questions first graded today, in the whole library
    UnixSeconds nextDue = 0;   // the earliest due time after `now` in the subtree; 0: none
};

// The figures a spaced session's panel shows for an object's subtree.
struct StudyCounts {
    int questions = 0;
    int fresh = 0;    // never graded
    int learning = 0; // in learning or relearning steps
    int dueToday = 0; // graded before and due by the end of today (learning ones included)
    int dueWeek = 0;  // the same by the end of the sixth day after today
    // True retention over the last 30 days: grades given to questions in review (not
    // learning), and how many of them were not Again. retention() is -1 without any.
    int reviews30 = 0;
    int passed30 = 0;
    double retention() const { return reviews30 ? double(passed30) / reviews30 : -1.0; }
};

// One local calendar day of grades; grades[0] counts seen visits, grades[1..4] each grade.
struct DayGrades {
    QDate day;
    std::array<int, 5> grades{};
};

// Review grades of one calendar month (as StudyCounts::reviews30 and passed30).
struct MonthRetention {
    int year = 0, month = 0;
    int reviews = 0, passed = 0;
    double retention() const { return reviews ? double(passed) / reviews : -1.0; }
};

struct StudyStatistics {
    // Questions falling due on each of the next 30 days, today first (overdue ones count
    // today).
    std::array<int, 30> forecast{};
    std::vector<DayGrades> calendar;              // the 365 days ending today, oldest first
    std::vector<MonthRetention> retentionByMonth; // the 12 months ending this one
};

class StudyHistory final : private NodeReleaseListener {
public:
    // The history of the library in `tree`; it registers as the tree's release listener.
    explicit StudyHistory(LibraryTree& tree, Scheduler scheduler = Scheduler());
    ~StudyHistory() override;
    StudyHistory(const StudyHistory&) = delete;
    StudyHistory& operator=(const StudyHistory&) = delete;

    // Where the history of `libraryFile` is kept: the same path with ".history" added.
    static QString FileFor(const QString& libraryFile);

    // After a library file has been loaded into the tree: reads its history and matches it
    // to the tree. Any earlier history is closed first. Writes nothing.
    Result<OpenReport> open(const QString& libraryFile);
    // After a library without a file (a new one, the demo) has come into the tree: an empty
    // history in memory.
    void openUnsaved();

    // After every successful save of the library to its file.
    Status saved();
    // After a successful Save As to `libraryFile`: the history is written beside it (an old
    // history there is replaced) and recording goes on there; the history beside the old file
    // stays as it is, for the old file. Brings paths and texts up to date, as saved().
    Status savedAs(const QString& libraryFile);

    // Records a visit of `question` (attached, a question) at `now`: a grade updates its
    // schedule, Seen leaves it as it is. Returns the failure that stops recording, once.
    Status record(NodeId question, Grade grade, UnixSeconds now);

    Card card(NodeId question) const; // a new card for a question never graded
    double retrievability(NodeId question, UnixSeconds now) const;

    // The subtree of `object` (NoNode: the whole library): the questions due at `now`, then
    // up to `newPerDay` new questions a day, less those introduced today.
    DueList dueList(NodeId object, UnixSeconds now, int newPerDay = 20) const;
    StudyCounts counts(NodeId object, UnixSeconds now) const;
    // Reads the year's grades from the database: a window's worth of work, not a panel's.
    Result<StudyStatistics> statistics(NodeId object, UnixSeconds now) const;

    // Drops the stored questions that are not in the library (not even in its undo
    // history) with all their rows, and returns how many. With `goneOnly`, only those a save
    // found deleted: a question merely not matched (the file changed outside, or a question
    // graded but never saved) keeps its rows.
    Result<int> compact(bool goneOnly = false);

    bool recording() const;        // visits reach a database file
    const Status& failure() const; // why not, once something failed
    QString file() const;          // the database file, empty while in memory only

    const Scheduler& scheduler() const { return scheduler_; }
    void setScheduler(Scheduler scheduler) { scheduler_ = std::move(scheduler); }
    void setTimeZone(const QTimeZone& zone) { zone_ = zone; }

private:
    struct Entry {
        qint64 id = 0;
        Card card;
        std::uint64_t pathHash = 0, textHash = 0; // of the path and text as stored
        bool gone = false;
        NodeId node = NoNode;
    };
    struct Recent {
        std::uint32_t entry;
        UnixSeconds time;
        Grade grade;
    };
    class Store;

    void released(NodeId node) override;
    void reset();
    bool current() const; // the bindings belong to the tree's present content
    const Entry* entryOf(NodeId question) const;
    std::size_t entryIndexById(qint64 id) const;
    std::vector<NodeId> questionsOf(NodeId object) const;
    Status fail(const QString& file, const QString& reason);
    Status ensureFile();
    Status syncNames(Store& store);
    void match(OpenReport& report);
    void loadRecent(UnixSeconds since) const;
    UnixSeconds startOfDay(QDate day) const;
    QDate dayOf(UnixSeconds t) const;

    LibraryTree& tree_;
    Scheduler scheduler_;
    QTimeZone zone_;
    std::unique_ptr<Store> store_; // the database in use: a file, or memory
    QString pendingFile_;          // where the first grade creates the database
    Status failure_;
    QString failedFile_; // the database that failed, if any
    std::uint64_t generation_ = 0;
    std::vector<Entry> entries_; // by id, ascending
    std::unordered_map<NodeId, std::uint32_t> byNode_;
    qint64 nextId_ = 1;
    // Review grades since recentSince_, read at the first counts() and kept up to date.
    mutable std::vector<Recent> recent_;
    mutable UnixSeconds recentSince_ = 0;
    mutable bool recentLoaded_ = false;
};

} // namespace brenvik::srs
