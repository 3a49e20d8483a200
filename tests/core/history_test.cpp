// The study history: durable rows, questions found again after changes inside and outside
// the program, failures reported once, and the figures of a spaced session.
#include "library/demodata.h"
#include "library/outline.h"
#include "srs/history.h"
#include "study/core/collect.h"
#include "toolrun.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace brenvik;
using namespace brenvik::srs;

namespace {

constexpr UnixSeconds T0 = 1800000000; // 2027-01-15T08:00:00Z
constexpr UnixSeconds Day = SecondsPerDay;
const QString US = QStringLiteral("Capitals Demo - Press [F9] > Travel > Geography > Western "
                                  "Hemisphere > North America > U.S. & Canada > United States");
const QString Canada = QStringLiteral("Capitals Demo - Press [F9] > Travel > Geography > Western "
                                      "Hemisphere > North America > U.S. & Canada > Canada");

void LoadInto(LibraryTree& tree, const QString& file) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_TRUE(OutlineLoader(tree, std::string(bytes.constData(), std::size_t(bytes.size()))));
    DeriveNodeKinds(tree);
}

NodeId Find(const LibraryTree& tree, const QString& path) {
    return FindObjectByPath(tree, path);
}

// Rows of a history file, read through a connection of its own.
int Rows(const QString& file, const char* table) {
    int count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "rows");
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT count(*) FROM ") + QLatin1String(table)) && q.next())
                count = q.value(0).toInt();
        }
    }
    QSqlDatabase::removeDatabase("rows");
    return count;
}

class HistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        library = dir.filePath("Capitals.bv1");
        ASSERT_TRUE(WriteDemoFile(library));
        LoadInto(tree, library);
    }
    NodeId q(const QString& object, const char* name) {
        return Find(tree, object + QStringLiteral(" > ") + QLatin1String(name));
    }
    std::unique_ptr<StudyHistory> opened(LibraryTree& t, const QString& file) {
        auto h = std::make_unique<StudyHistory>(t);
        h->setTimeZone(QTimeZone::utc());
        Result<OpenReport> r = h->open(file);
        EXPECT_TRUE(r) << r.error();
        if (r) last = r.value();
        return h;
    }

    QTemporaryDir dir;
    QString library;
    LibraryTree tree;
    OpenReport last;
};

} // namespace

TEST_F(HistoryTest, GradesSurviveAKilledProcess) {
    const QString history = StudyHistory::FileFor(library);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // No clean-up after the last grade: the parent kills this process where it stands.
        close(ready[0]);
        StudyHistory h(tree);
        if (!h.open(library)) _exit(3);
        const NodeId alabama = q(US, "Alabama");
        for (int i = 0; i < 5; ++i)
            if (!h.record(alabama, i == 2 ? Grade::Seen : Grade::Good, T0 + i * Day)) _exit(4);
        if (write(ready[1], "k", 1) != 1) _exit(5);
        for (;;)
            pause();
    }
    close(ready[1]);
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    EXPECT_EQ(Rows(history, "grades"), 5);
    auto h = opened(tree, library);
    EXPECT_EQ(last.stored, 1);
    EXPECT_EQ(last.matched, 1);
    const Card card = h->card(q(US, "Alabama"));
    EXPECT_EQ(card.reps, 4); // the seen visit changed nothing
    EXPECT_EQ(card.phase, Phase::Review);
    EXPECT_EQ(h->card(q(US, "Alaska")), Card());
}

TEST_F(HistoryTest, OpeningWritesNothingUntilTheFirstGrade) {
    const QString history = StudyHistory::FileFor(library);
    auto h = opened(tree, library);
    EXPECT_TRUE(h->recording());
    EXPECT_TRUE(h->saved());
    EXPECT_FALSE(QFile::exists(history));
    EXPECT_TRUE(h->record(q(US, "Alabama"), Grade::Good, T0));
    EXPECT_EQ(h->file(), history);
    EXPECT_EQ(Rows(history, "grades"), 1);
}

TEST_F(HistoryTest, QuestionsKeepTheirHistoryThroughChanges) {
    auto h = opened(tree, library);
    const NodeId alabama = q(US, "Alabama"), alaska = q(US, "Alaska"),
                 ontario = q(Canada, "Ontario");
    ASSERT_NE(ontario, NoNode);
    for (NodeId n : {alabama, alaska, ontario})
        ASSERT_TRUE(h->record(n, Grade::Easy, T0));
    const Card easy = h->card(alabama);

    // Inside the program: a rename and a move keep the node, a copy starts afresh.
    tree.setText(alabama, "Alabama (AL)");
    tree.move(alabama, Find(tree, Canada), NoNode);
    EXPECT_EQ(h->card(alabama), easy);
    const NodeId copy = tree.copySubtree(alaska, Find(tree, US), NoNode);
    EXPECT_EQ(h->card(copy), Card());
    tree.remove(copy);
    // A deleted question's id freed for good is no one's history when it comes back.
    tree.remove(ontario);
    std::vector<NodeId> added;
    while (added.size() < 500 && (added.empty() || added.back() != ontario))
        added.push_back(tree.appendChild(Find(tree, Canada), "Nunavut again", Question));
    ASSERT_EQ(added.back(), ontario);
    EXPECT_EQ(h->card(ontario), Card());
    for (NodeId n : added)
        tree.remove(n);
    ASSERT_TRUE(SaveLibraryFile(tree, library));
    ASSERT_TRUE(h->saved());

    // Reopened: every question is found by its new path and text; Ontario is gone.
    {
        LibraryTree again;
        LoadInto(again, library);
        auto h2 = opened(again, library);
        EXPECT_EQ(last.stored, 2);
        EXPECT_EQ(last.unmatched, 0);
        EXPECT_EQ(h2->card(Find(again, Canada + " > Alabama (AL)")), easy);
        EXPECT_EQ(h2->card(Find(again, US + " > Alaska")), easy);
    }

    // Outside the program: one question renamed (found by text), another's answer changed
    // (found by path), a third deleted (not found).
    ASSERT_TRUE(h->record(q(US, "Arizona"), Grade::Good, T0));
    ASSERT_TRUE(h->saved());
    std::string text = WriteOutline(tree);
    auto replace = [&](const std::string& from, const std::string& to) {
        const auto at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
    };
    replace("\tAlabama (AL)\r\n", "\tAlabama, the state\r\n");
    replace("Answer: Juneau", "Answer: Juneau, on the Gastineau Channel");
    {
        LibraryTree outside;
        ASSERT_TRUE(OutlineLoader(outside, text));
        DeriveNodeKinds(outside);
        outside.remove(Find(outside, US + " > Arizona"));
        ASSERT_TRUE(SaveLibraryFile(outside, library));
    }
    LibraryTree changed;
    LoadInto(changed, library);
    auto h3 = opened(changed, library);
    EXPECT_EQ(last.stored, 3);
    EXPECT_EQ(last.matched, 2);
    EXPECT_EQ(last.unmatched, 1);
    EXPECT_EQ(h3->card(Find(changed, Canada + " > Alabama, the state")), easy);
    EXPECT_EQ(h3->card(Find(changed, US + " > Alaska")), easy);
}

TEST_F(HistoryTest, SaveAsTakesTheHistoryAlong) {
    // A library without a file keeps its history in memory until its first Save As.
    auto h = std::make_unique<StudyHistory>(tree);
    h->openUnsaved();
    EXPECT_FALSE(h->recording());
    const NodeId alabama = q(US, "Alabama");
    ASSERT_TRUE(h->record(alabama, Grade::Good, T0));
    ASSERT_TRUE(h->record(alabama, Grade::Good, T0 + 600));
    ASSERT_TRUE(QDir(dir.path()).mkpath("elsewhere"));
    const QString moved = dir.filePath("elsewhere/Renamed.bv1");
    ASSERT_TRUE(SaveLibraryFile(tree, moved));
    ASSERT_TRUE(h->savedAs(moved));
    EXPECT_TRUE(h->recording());
    EXPECT_EQ(Rows(StudyHistory::FileFor(moved), "grades"), 2);
    ASSERT_TRUE(h->record(alabama, Grade::Hard, T0 + 3 * Day));

    // Save As again: the new file has it all, the old one keeps what it had.
    const QString third = dir.filePath("Third.bv1");
    ASSERT_TRUE(SaveLibraryFile(tree, third));
    ASSERT_TRUE(h->savedAs(third));
    ASSERT_TRUE(h->record(alabama, Grade::Good, T0 + 9 * Day));
    EXPECT_EQ(Rows(StudyHistory::FileFor(moved), "grades"), 3);
    EXPECT_EQ(Rows(StudyHistory::FileFor(third), "grades"), 4);
    const Card card = h->card(alabama);
    h.reset();
    LibraryTree again;
    LoadInto(again, third);
    auto h2 = opened(again, third);
    EXPECT_EQ(h2->card(Find(again, US + " > Alabama")), card);
}

TEST_F(HistoryTest, ADamagedOrLockedDatabaseIsReportedOnceAndKept) {
    const QString history = StudyHistory::FileFor(library);
    const QByteArray garbage(4096, 'x');
    {
        QFile f(history);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(garbage);
    }
    StudyHistory h(tree);
    Result<OpenReport> r = h.open(library);
    ASSERT_FALSE(r);
    EXPECT_NE(r.error().find("Capitals.bv1.history: "), std::string::npos) << r.error();
    EXPECT_NE(r.error().find("not a database"), std::string::npos) << r.error();
    // Studying goes on in memory, without a second report, and the file stays as it was.
    const NodeId alabama = q(US, "Alabama");
    EXPECT_TRUE(h.record(alabama, Grade::Good, T0));
    EXPECT_EQ(h.card(alabama).reps, 1);
    EXPECT_FALSE(h.recording());
    EXPECT_EQ(h.failure().error, r.error());
    EXPECT_TRUE(h.saved());
    EXPECT_TRUE(h.savedAs(library));
    QFile f(history);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), garbage);
    f.close();

    // Locked by another writer while grading: the grade that meets it reports it.
    ASSERT_TRUE(QFile::remove(history));
    ASSERT_TRUE(h.open(library));
    ASSERT_TRUE(h.record(alabama, Grade::Good, T0));
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "other");
        other.setDatabaseName(history);
        ASSERT_TRUE(other.open());
        QSqlQuery lock(other);
        ASSERT_TRUE(lock.exec("BEGIN IMMEDIATE"));
        const Status locked = h.record(alabama, Grade::Good, T0 + Day);
        EXPECT_FALSE(locked);
        EXPECT_NE(locked.error.find("locked"), std::string::npos) << locked.error;
        EXPECT_TRUE(h.record(alabama, Grade::Good, T0 + 2 * Day));
        EXPECT_FALSE(h.recording());
        lock.exec("ROLLBACK");
    }
    QSqlDatabase::removeDatabase("other");
    EXPECT_EQ(Rows(history, "grades"), 1);
}

TEST_F(HistoryTest, DueListCountsAndStatistics) {
    auto h = opened(tree, library);
    const NodeId us = Find(tree, US);
    const std::vector<NodeId> states = CollectQuestions(tree, us, tree.depth(us));
    ASSERT_GE(states.size(), 10u);
    // Three questions learned on day 0 (Easy: 8 days), one still in its steps.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(h->record(states[std::size_t(i)], Grade::Easy, T0 + i));
    ASSERT_TRUE(h->record(states[3], Grade::Good, T0));
    const UnixSeconds later = T0 + 9 * Day;
    // One review passed, one forgotten on day 9: both reviews count for retention.
    ASSERT_TRUE(h->record(states[0], Grade::Good, later));
    ASSERT_TRUE(h->record(states[1], Grade::Again, later + 60));

    DueList due = h->dueList(us, later + 120, 2);
    // Most overdue first: the learning question (due 10 minutes after day 0), then the
    // Easy one not yet reviewed; the relearning one is not due for another 9 minutes.
    ASSERT_EQ(due.due.size(), 2u);
    EXPECT_EQ(due.due[0], states[3]);
    EXPECT_EQ(due.due[1], states[2]);
    EXPECT_EQ(due.fresh, (std::vector<NodeId>{states[4], states[5]}));
    EXPECT_EQ(due.nextDue, later + 60 + 600);
    // Two new questions introduced today leave no room for more with a limit of 2.
    ASSERT_TRUE(h->record(states[4], Grade::Good, later + 200));
    ASSERT_TRUE(h->record(states[5], Grade::Good, later + 201));
    EXPECT_EQ(h->dueList(us, later + 300, 2).fresh.size(), 0u);
    EXPECT_EQ(h->dueList(us, later + 300, 3).fresh, (std::vector<NodeId>{states[6]}));

    const StudyCounts c = h->counts(us, later + 300);
    EXPECT_EQ(c.questions, int(states.size()));
    EXPECT_EQ(c.fresh, int(states.size()) - 6);
    EXPECT_EQ(c.learning, 4); // states 1 (relearning), 3, 4, 5
    EXPECT_EQ(c.dueToday, 5); // all but states[0], reviewed for longer
    EXPECT_EQ(c.dueWeek, 5);
    EXPECT_EQ(c.reviews30, 2);
    EXPECT_EQ(c.passed30, 1);
    EXPECT_DOUBLE_EQ(c.retention(), 0.5);
    // Another object's counts hold none of these.
    const StudyCounts canada = h->counts(Find(tree, Canada), later);
    EXPECT_EQ(canada.reviews30, 0);
    EXPECT_EQ(canada.fresh, canada.questions);

    Result<StudyStatistics> s = h->statistics(us, later + 300);
    ASSERT_TRUE(s) << s.error();
    EXPECT_EQ(s.value().calendar.size(), 365u);
    EXPECT_EQ(s.value().calendar.back().day, QDate(2027, 1, 24));
    EXPECT_EQ(s.value().calendar.back().grades, (std::array<int, 5>{0, 1, 0, 3, 0}));
    EXPECT_EQ(s.value().calendar[365 - 10].grades, (std::array<int, 5>{0, 0, 0, 1, 3}));
    int forecast = 0;
    for (int n : s.value().forecast)
        forecast += n;
    EXPECT_EQ(forecast, 5); // the sixth is due in 41 days
    EXPECT_EQ(s.value().forecast[0], 5);
    ASSERT_EQ(s.value().retentionByMonth.size(), 12u);
    EXPECT_EQ(s.value().retentionByMonth.back().month, 1);
    EXPECT_EQ(s.value().retentionByMonth.back().reviews, 2);
    EXPECT_EQ(s.value().retentionByMonth.back().passed, 1);
}

// The statistics read a year of rows in one pass with the local days worked out from the
// zone's offsets; held here to the plain computation, row by row with QDateTime, in a zone
// with summer time, over rows near midnight and across both changes of the clock.
TEST_F(HistoryTest, StatisticsMatchAPlainComputation) {
    const QTimeZone oslo("Europe/Oslo");
    ASSERT_TRUE(oslo.isValid());
    auto h = opened(tree, library);
    h->setTimeZone(oslo);
    const NodeId us = Find(tree, US);
    const std::vector<NodeId> all = CollectAllQuestions(tree);
    ASSERT_GE(all.size(), 40u);
    struct Row {
        NodeId question;
        UnixSeconds time;
        int grade;
        Phase before;
    };
    std::vector<Row> rows;
    std::mt19937 random(19);
    const UnixSeconds now = T0 + 200 * Day; // 2027-08-03, summer time
    UnixSeconds t = now - 430 * Day;
    while (t < now) {
        const NodeId q = all[random() % 40];
        // Every few rows one just before or after a local midnight.
        if (random() % 4 == 0) {
            const QDateTime local = QDateTime::fromSecsSinceEpoch(t, oslo);
            t = local.date().addDays(1).startOfDay(oslo).toSecsSinceEpoch() +
                UnixSeconds(random() % 3) - 1;
        }
        const int grade = int(random() % 5);
        rows.push_back({q, t, grade, h->card(q).phase});
        ASSERT_TRUE(h->record(q, Grade(grade), t));
        t += UnixSeconds(random() % (2 * Day));
    }
    ASSERT_GT(rows.size(), 300u);

    for (const NodeId object : {NoNode, us}) {
        const std::vector<NodeId> questions =
            object == NoNode ? all : CollectQuestions(tree, us, tree.depth(us));
        auto below = [&](NodeId q) {
            return std::find(questions.begin(), questions.end(), q) != questions.end();
        };
        const QDate today = QDateTime::fromSecsSinceEpoch(now, oslo).date();
        StudyStatistics plain;
        for (NodeId q : questions) {
            const Card c = h->card(q);
            if (c.phase == Phase::New) continue;
            const qint64 d = std::max<qint64>(
                0, today.daysTo(QDateTime::fromSecsSinceEpoch(c.due, oslo).date()));
            if (d < 30) ++plain.forecast[std::size_t(d)];
        }
        for (int i = 364; i >= 0; --i)
            plain.calendar.push_back({today.addDays(-i), {}});
        const QDate firstMonth = QDate(today.year(), today.month(), 1).addMonths(-11);
        for (int i = 0; i < 12; ++i)
            plain.retentionByMonth.push_back(
                {firstMonth.addMonths(i).year(), firstMonth.addMonths(i).month(), 0, 0});
        for (const Row& r : rows) {
            if (!below(r.question)) continue;
            const QDate day = QDateTime::fromSecsSinceEpoch(r.time, oslo).date();
            const qint64 back = day.daysTo(today);
            if (back >= 0 && back < 365) ++plain.calendar[std::size_t(364 - back)].grades[r.grade];
            const int month =
                (day.year() - firstMonth.year()) * 12 + day.month() - firstMonth.month();
            if (r.grade == 0 || r.before != Phase::Review || month < 0 || month >= 12) continue;
            ++plain.retentionByMonth[std::size_t(month)].reviews;
            if (r.grade >= 2) ++plain.retentionByMonth[std::size_t(month)].passed;
        }

        Result<StudyStatistics> fast = h->statistics(object, now);
        ASSERT_TRUE(fast) << fast.error();
        const StudyStatistics& s = fast.value();
        EXPECT_EQ(s.forecast, plain.forecast);
        ASSERT_EQ(s.calendar.size(), plain.calendar.size());
        int visits = 0;
        for (std::size_t i = 0; i < s.calendar.size(); ++i) {
            EXPECT_EQ(s.calendar[i].day, plain.calendar[i].day);
            EXPECT_EQ(s.calendar[i].grades, plain.calendar[i].grades) << i;
            for (int n : s.calendar[i].grades)
                visits += n;
        }
        EXPECT_GT(visits, 50);
        ASSERT_EQ(s.retentionByMonth.size(), 12u);
        int reviews = 0;
        for (std::size_t i = 0; i < 12; ++i) {
            EXPECT_EQ(s.retentionByMonth[i].month, plain.retentionByMonth[i].month);
            EXPECT_EQ(s.retentionByMonth[i].reviews, plain.retentionByMonth[i].reviews) << i;
            EXPECT_EQ(s.retentionByMonth[i].passed, plain.retentionByMonth[i].passed) << i;
            reviews += s.retentionByMonth[i].reviews;
        }
        EXPECT_GT(reviews, 5);
    }
}

TEST_F(HistoryTest, CompactionDropsQuestionsThatAreGone) {
    auto h = opened(tree, library);
    const NodeId alabama = q(US, "Alabama"), alaska = q(US, "Alaska");
    ASSERT_TRUE(h->record(alabama, Grade::Good, T0));
    ASSERT_TRUE(h->record(alaska, Grade::Good, T0));
    ASSERT_TRUE(h->record(alaska, Grade::Good, T0 + 600));
    // Deleted but still undoable: kept.
    tree.beginJournal();
    tree.remove(alaska);
    Journal deletion = tree.takeJournal();
    Result<int> kept = h->compact();
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept.value(), 0);
    // The undo history let go of it: dropped with its rows.
    tree.discard(deletion, false);
    Result<int> dropped = h->compact();
    ASSERT_TRUE(dropped) << dropped.error();
    EXPECT_EQ(dropped.value(), 1);
    EXPECT_EQ(Rows(h->file(), "grades"), 1);
    EXPECT_EQ(Rows(h->file(), "questions"), 1);
    EXPECT_EQ(h->card(alabama).reps, 1);
}

TEST_F(HistoryTest, ToolRecordsAndPrintsSchedules) {
    const QString alabama = US + QStringLiteral(" > Alabama");
    QFile f(library);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();

    ToolRun r = RunTool({"grade", library, alabama, "3", "--at", "2027-03-01T08:00:00Z"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    r = RunTool({"grade", library, alabama, "3", "--at", "2027-03-01T08:10:00Z"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out,
              (alabama + "\treview\t2.3065\t2.1112\t1.0000\t2027-03-03T08:10:00Z\n").toUtf8());

    // The library file itself is never written by grading.
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    f.close();

    r = RunTool({"due", library, US, "--at", "2027-03-03T08:10:00Z"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QList<QByteArray> lines = r.out.split('\n');
    const NodeId us = Find(tree, US);
    ASSERT_EQ(lines.size(), qsizetype(CollectQuestions(tree, us, tree.depth(us)).size()) + 1);
    // Two whole days after the last grade, of a stability of 2.3065 days.
    EXPECT_EQ(lines[0],
              (alabama + "\treview\t2.3065\t2.1112\t0.9095\t2027-03-03T08:10:00Z").toUtf8());
    EXPECT_EQ(lines[1], (US + " > Alaska\tnew\t\t\t\t").toUtf8());
    r = RunTool({"due", library, Canada + " > Ontario"});
    EXPECT_EQ(r.out, (Canada + " > Ontario\tnew\t\t\t\t\n").toUtf8());

    // A path of no question, or of two, a bad grade or time: status 2, nothing recorded.
    tree.copySubtree(q(US, "Alaska"), us, NoNode);
    ASSERT_TRUE(SaveLibraryFile(tree, library));
    const QString twice = US + QStringLiteral(" > Alaska");
    for (const QStringList& args :
         {QStringList{"grade", library, US, "3"}, QStringList{"grade", library, twice, "3"},
          QStringList{"grade", library, alabama, "5"},
          QStringList{"grade", library, alabama, "3", "--at", "2027-03-01T08:00:00"},
          QStringList{"due", library, US + " > Nowhere"}}) {
        r = RunTool(args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_TRUE(r.err.contains("no such object")) << r.err.toStdString();
    r = RunTool({"grade", library, twice, "3"});
    EXPECT_TRUE(r.err.contains("names 2 questions")) << r.err.toStdString();
    EXPECT_EQ(Rows(StudyHistory::FileFor(library), "grades"), 2);

    // A question deleted in the program keeps its rows until the history is compacted; one
    // that is only missing from the file (changed outside, or never saved) keeps them even then.
    r = RunTool({"grade", library, US + " > Arizona", "1", "--at", "2027-03-02T08:00:00Z"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    {
        auto h = opened(tree, library);
        tree.remove(q(US, "Alabama"));
        ASSERT_TRUE(SaveLibraryFile(tree, library));
        ASSERT_TRUE(h->saved()); // as the program saves: Alabama is gone
    }
    LibraryTree outside;
    ASSERT_TRUE(LoadLibraryFile(outside, library).error.isEmpty());
    outside.remove(Find(outside, US + " > Arizona"));
    const QString edited = dir.filePath("edited.bv1");
    ASSERT_TRUE(SaveLibraryFile(outside, edited));
    ASSERT_TRUE(QFile::copy(StudyHistory::FileFor(library), StudyHistory::FileFor(edited)));
    r = RunTool({"compact", edited});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("1 question(s) deleted from the library dropped"))
        << r.out.toStdString();
    EXPECT_EQ(Rows(StudyHistory::FileFor(edited), "grades"), 1); // Arizona's, kept

    // A file read only in part is no ground to drop anything.
    QFile cut(edited);
    ASSERT_TRUE(cut.open(QIODevice::ReadOnly));
    QByteArray bytes = cut.readAll();
    cut.close();
    bytes.insert(bytes.indexOf("Alaska"), '\0');
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
    cut.write(bytes);
    cut.close();
    r = RunTool({"compact", edited});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(Rows(StudyHistory::FileFor(edited), "grades"), 1);
}
