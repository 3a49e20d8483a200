// The Statistics window on a graded library, opened from both menus, its PNG, and the
// summary a session ends with.
#include "library/objects.h"
#include "library/questionrecord.h"
#include "mainharness.h"
#include "srs/history.h"
#include "study/core/collect.h"
#include "study/fspacedselected.h"
#include "study/fstatistics.h"

#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

constexpr srs::UnixSeconds Day = srs::SecondsPerDay;

class StatisticsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(h.start());
        w = h.window.get();
        h.speech.setDurationMs(1);
        h.prompts.shown.clear();
    }

    TFormStatistics* statistics() const { return w->statisticsWindow(); }
    NodeId conceptOf(const char* name) {
        const NodeId n = h.find(name);
        return n == NoNode ? NoNode : GetObjAtLevel(w->tree(), n, 7);
    }
    std::vector<NodeId> questions(NodeId object) {
        return CollectQuestions(w->tree(), object, w->tree().depth(object));
    }

    MainHarness h;
    TFormMain* w = nullptr;
};

} // namespace

TEST_F(StatisticsTest, OpensFromBothMenusWithTheFiguresOfTheSelection) {
    const NodeId us = conceptOf("United States"), canada = conceptOf("Canada");
    ASSERT_NE(us, NoNode);
    ASSERT_NE(canada, NoNode);
    // The demo has never been graded: empty charts, and the window says so.
    w->selectNode(us);
    w->findChild<QAction*>(QStringLiteral("MIStatistics"))->trigger();
    ASSERT_TRUE(statistics());
    ASSERT_TRUE(waitUntil([this] { return statistics()->isVisible(); }));
    EXPECT_EQ(statistics()->object(), us);
    EXPECT_TRUE(statistics()->totals().empty());
    EXPECT_FALSE(statistics()->LEmpty->isHidden());
    EXPECT_TRUE(statistics()->LFigures->text().contains(QStringLiteral("0 visits on 0 days")));
    statistics()->close();

    // Two questions learned ten days ago (Easy), reviewed two days ago: one passed, one
    // forgotten; a third graded once, in its learning steps.
    const std::vector<NodeId> q = questions(us);
    ASSERT_GE(q.size(), 3u);
    srs::StudyHistory& history = w->history();
    const srs::UnixSeconds now = QDateTime::currentSecsSinceEpoch();
    ASSERT_TRUE(history.record(q[0], srs::Grade::Easy, now - 10 * Day));
    ASSERT_TRUE(history.record(q[1], srs::Grade::Easy, now - 10 * Day + 60));
    ASSERT_TRUE(history.record(q[0], srs::Grade::Good, now - 2 * Day));
    ASSERT_TRUE(history.record(q[1], srs::Grade::Again, now - 2 * Day + 60));
    ASSERT_TRUE(history.record(q[2], srs::Grade::Hard, now - 2 * Day + 120));
    ASSERT_TRUE(history.record(q[2], srs::Grade::Seen, now - 2 * Day + 180));

    // Help > Statistics... of the selection below the concept: the concept's figures.
    w->selectNode(q[0]);
    w->findChild<QAction*>(QStringLiteral("MIHelpStatistics"))->trigger();
    ASSERT_TRUE(waitUntil([this] { return statistics() && statistics()->isVisible(); }));
    TFormStatistics* s = statistics();
    EXPECT_EQ(s->object(), q[0]); // a question is an object of its own
    w->selectNode(us);
    EXPECT_EQ(s->object(), us); // the open window follows the selection
    const srs::StatisticsTotals& t = s->totals();
    EXPECT_EQ(t.visitsYear, 6);
    EXPECT_EQ(t.daysStudied, 2);
    EXPECT_EQ(t.busiestDay, 4);
    EXPECT_EQ(t.year, (std::array<int, 5>{1, 1, 1, 1, 2}));
    // Only grades given in review count for retention.
    EXPECT_EQ(t.reviews, 2);
    EXPECT_EQ(t.passed, 1);
    // The forgotten one and the one in its steps are overdue; the passed one is weeks away.
    EXPECT_EQ(t.dueToday, 2);
    EXPECT_EQ(s->statistics().calendar.size(), 365u);
    EXPECT_TRUE(s->LEmpty->isHidden());
    const QString figures = s->LFigures->text();
    EXPECT_TRUE(figures.contains(QStringLiteral("6 visits on 2 days"))) << figures.toStdString();
    EXPECT_TRUE(figures.contains(QStringLiteral("Again 1, Hard 1, Good 1, Easy 2")));
    EXPECT_TRUE(figures.contains(QStringLiteral("50.0 % of 2 review grades")));
    EXPECT_TRUE(s->LTitle->text().endsWith(QStringLiteral("United States")));

    // Another object holds none of it.
    w->selectNode(canada);
    EXPECT_EQ(s->object(), canada);
    EXPECT_EQ(s->totals().visitsYear, 0);
    EXPECT_FALSE(s->LEmpty->isHidden());
    // The Level menu's item raises the same window, and so does the spaced panel's button.
    w->findChild<QAction*>(QStringLiteral("MIStatistics"))->trigger();
    EXPECT_EQ(statistics(), s);
    s->close();
    QApplication::processEvents();
    TFormSpacedSelected* spaced = ui(*w).FormSpacedSelected;
    ASSERT_NE(spaced, nullptr);
    w->findChild<QAction*>(QStringLiteral("Study1"))->trigger();
    w->showSession(Session::Spaced);
    ASSERT_TRUE(part<QPushButton>(spaced, "BStatistics")->isVisible());
    QTest::mouseClick(part<QPushButton>(spaced, "BStatistics"), Qt::LeftButton);
    ASSERT_NE(statistics(), nullptr);
    EXPECT_TRUE(statistics()->isVisible());
    EXPECT_EQ(statistics()->object(), canada);
    EXPECT_TRUE(h.prompts.shown.isEmpty());
}

TEST_F(StatisticsTest, SaveAsPngWritesThePictureAtomicallyAndReportsAFailure) {
    const NodeId us = conceptOf("United States");
    const srs::UnixSeconds now = QDateTime::currentSecsSinceEpoch();
    ASSERT_TRUE(w->history().record(questions(us)[0], srs::Grade::Good, now - Day));
    w->selectNode(us);
    w->showStatistics();
    TFormStatistics* s = statistics();
    ASSERT_TRUE(s);
    ASSERT_TRUE(waitUntil([s] { return s->isVisible(); }));

    const QString path = h.folder.filePath(QStringLiteral("stats.png"));
    h.prompts.files = {path};
    QTest::mouseClick(s->BSavePng, Qt::LeftButton);
    EXPECT_EQ(h.prompts.fileTitles.value(0), QStringLiteral("Save Statistics as PNG"));
    QImage saved;
    ASSERT_TRUE(saved.load(path, "PNG"));
    EXPECT_EQ(saved.size(), s->Chart->size());
    EXPECT_EQ(saved, s->render().convertToFormat(saved.format()));
    EXPECT_TRUE(h.prompts.shown.isEmpty());

    // A folder that cannot be written (a file stands where it would be): the old picture
    // stays, and the message names the file.
    const QString blocked = h.folder.filePath(QStringLiteral("stats.png/again.png"));
    h.prompts.files = {blocked};
    EXPECT_FALSE(s->BSavePngClick());
    ASSERT_EQ(h.prompts.shown.size(), 1);
    EXPECT_EQ(h.prompts.shown[0].icon, Prompts::Icon::Error);
    EXPECT_TRUE(h.prompts.shown[0].text.startsWith(
        QStringLiteral("Could not save the statistics as \"") + blocked + QStringLiteral("\": ")))
        << h.prompts.shown[0].text.toStdString();
    EXPECT_TRUE(QImage(path).size() == saved.size());
    // Cancelled: nothing asked, nothing written.
    EXPECT_FALSE(s->BSavePngClick());
    EXPECT_EQ(h.prompts.shown.size(), 1);
}

TEST_F(StatisticsTest, ASessionEndsWithASummaryOfItsVisitsAndGrades) {
    EXPECT_TRUE(w->sessionSummaryText().isEmpty());
    const NodeId us = conceptOf("United States");
    // A concept of three questions: graded Good and Again, the third seen and left.
    const NodeId section = GetObjAtLevel(w->tree(), us, 6);
    const NodeId three = AddNewObj(w->tree(), section, h.colors).value();
    w->tree().setText(three, "Three");
    for (int i = 1; i <= 3; ++i) {
        const NodeId q = AddNewObj(w->tree(), three, h.colors).value();
        QuestionRecord r = QuestionRecord::newRecord(h.colors);
        r.name = "Q" + std::to_string(i);
        r.layout = 1;
        r.panes[0].textLines = {"Question " + std::to_string(i)};
        r.answer = "Answer " + std::to_string(i);
        WriteQuestionRecord(w->tree(), q, r, h.colors);
    }
    w->selectNode(three);
    w->startStudy(Session::Review, 7);
    TFormStudyQuestion* s = nullptr;
    auto shown = [&] {
        s = ui(*w).FormStudyQuestion;
        return s && s->isVisible() && !s->building() && s->questionShown();
    };
    auto key = [&](int k) { QTest::keyClick(s, Qt::Key(k)); };
    ASSERT_TRUE(waitUntil(shown));
    for (int k : {Qt::Key_3, Qt::Key_1}) {
        key(Qt::Key_Space);
        key(k);
        key(Qt::Key_Right);
        ASSERT_TRUE(waitUntil(shown));
    }
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([this] { return !w->studyBusy(); }));
    ASSERT_TRUE(waitUntil([this] { return !w->sessionSummaryText().isEmpty(); }));
    EXPECT_EQ(w->sessionSummaryText(),
              QStringLiteral("Last session: 3 questions visited, 2 graded: Again 1, Hard 0, Good "
                             "1, Easy 0"));
    QWidget* bar = w->findChild<QWidget*>(QStringLiteral("SessionBar"));
    ASSERT_TRUE(bar);
    EXPECT_TRUE(bar->isVisible());
    // Nothing was asked of the user on the way out.
    EXPECT_TRUE(h.prompts.shown.isEmpty());

    // A flash session of one question visits it five times; ungraded, it says so.
    QLabel* line = w->findChild<QLabel*>(QStringLiteral("LSessionSummary"));
    ASSERT_TRUE(line);
    part<QLineEdit>(ui(*w).FormFlashSelected, "EPauseAfterQ")->setText(QStringLiteral("0"));
    part<QLineEdit>(ui(*w).FormFlashSelected, "EPauseAfterA")->setText(QStringLiteral("0"));
    w->selectNode(h.find("Q1"));
    w->startStudy(Session::Flash, 8);
    ASSERT_TRUE(waitUntil([this] { return w->studyWindowShowing(); }));
    ASSERT_TRUE(waitUntil([this] { return !w->studyBusy(); }, 20000));
    ASSERT_TRUE(waitUntil([&] { return line->text().contains(QStringLiteral("(5 visits)")); }));
    EXPECT_EQ(line->text(),
              QStringLiteral("Last session: 1 question visited (5 visits), 0 graded"));
}
