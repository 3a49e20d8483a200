// The spaced review session through the real main window on fakes and a clock of the test's:
// its routes, the order of its questions, learning steps coming back, the "nothing due"
// message, the panel's figures and settings, and a fully heard answer.
#include "library/objects.h"
#include "library/questionrecord.h"
#include "mainharness.h"
#include "mainwindow/studylauncher.h"
#include "srs/history.h"
#include "study/fspacedselected.h"
#include "study/fstudyquestion.h"

#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

using namespace brenvik;
using srs::Grade;
using srs::Phase;

namespace {

constexpr std::int64_t Day = srs::SecondsPerDay;

class SpacedTest : public ::testing::Test {
protected:
    void SetUp() override {
        clock = QDateTime::currentSecsSinceEpoch();
        h.deps.clock = [this] { return clock; };
        h.deps.studyWebWaitMs = 700;
        ASSERT_TRUE(h.start());
        w = h.window.get();
        h.speech.setDurationMs(1);
        h.prompts.shown.clear();
        w->showSession(Session::Spaced);
    }

    LibraryTree& tree() { return w->tree(); }
    srs::StudyHistory& history() { return w->history(); }
    TFormSpacedSelected& panel() { return *ui(*w).FormSpacedSelected; }

    // A concept of `n` text questions "Q1".."Qn" below the demo's first section.
    NodeId addConcept(int n, const char* name = "Spaced concept") {
        const NodeId section = GetObjAtLevel(tree(), h.find("United States"), 6);
        const NodeId group = AddNewObj(tree(), section, h.colors).value();
        tree().setText(group, name);
        for (int i = 1; i <= n; ++i) {
            const NodeId q = AddNewObj(tree(), group, h.colors).value();
            const QuestionRecord r = NumberedQuestion(h.colors, i);
            WriteQuestionRecord(tree(), q, r, h.colors);
            questions.push_back(q);
        }
        w->RefreshSelectionViews();
        return group;
    }

    TFormStudyQuestion* study() const { return ui(*w).FormStudyQuestion; }
    bool studyShowing() const { return study() && study()->isVisible(); }
    bool waitShowing() { return WaitStudyShowing(*w); }
    bool waitClosed(int ms = 10000) { return WaitStudyClosed(*w, ms); }
    void key(int k) { StudyKey(*w, k); }
    NodeId shown() const { return study()->visits().at(std::size_t(study()->position())); }
    // Shows the answer of the question on screen, grades it with `gradeKey` and moves on.
    void grade(int gradeKey) {
        key(Qt::Key_Space);
        ASSERT_TRUE(study()->answerShown());
        key(gradeKey);
        key(Qt::Key_Right);
    }
    void startAtConcept(NodeId group) {
        w->selectNode(group);
        w->RefreshSelectionViews();
        w->FormKeyUp(Qt::Key_F9, Qt::NoModifier);
    }

    std::int64_t clock = 0;
    std::vector<NodeId> questions;
    MainHarness h;
    TFormMain* w = nullptr;
};

// A question's schedule is its node's: a drag to another concept, a delete, their undo and
// redo, a save and a reopen all leave it with the question.
TEST_F(SpacedTest, AScheduleFollowsItsQuestionThroughDragDeleteUndoRedoAndReopen) {
    const NodeId group = addConcept(2);
    const NodeId other = addConcept(1, "Other concept");
    const NodeId graded = questions[0];
    tree().setText(graded, "Graded question");
    h.prompts.files << h.folder.filePath(QStringLiteral("followed.bv1"));
    ASSERT_TRUE(w->MISaveAsClick());
    ASSERT_TRUE(history().record(graded, Grade::Good, clock));
    const srs::Card before = history().card(graded);
    ASSERT_EQ(before.reps, 1);
    auto keeps = [&](NodeId parent) {
        EXPECT_EQ(tree().parent(graded), parent);
        EXPECT_EQ(history().card(graded).reps, 1);
        EXPECT_EQ(history().card(graded).due, before.due);
    };

    ui(*w).Edit1->trigger();
    ASSERT_TRUE(w->TVObjsDragDrop(graded, questions[2]));
    keeps(other);
    w->BUndoClick();
    keeps(group);
    w->BRedoClick();
    keeps(other);

    const auto children = tree().childCount(other);
    w->selectNode(graded);
    w->Library3Click(8); // the fake box answers Yes
    EXPECT_EQ(tree().childCount(other), children - 1);
    h.prompts.shown.clear();
    w->BUndoClick();
    keeps(other);

    ASSERT_TRUE(w->MISaveClick());
    w->openFile(h.folder.filePath(QStringLiteral("followed.bv1")));
    ASSERT_TRUE(h.opened());
    const NodeId reopened = h.find("Graded question");
    ASSERT_NE(reopened, NoNode);
    EXPECT_EQ(BytesToDisplay(tree().text(tree().parent(reopened))),
              QStringLiteral("Other concept"));
    EXPECT_EQ(history().card(reopened).reps, 1);
    EXPECT_EQ(history().card(reopened).due, before.due);
    EXPECT_TRUE(h.prompts.shown.isEmpty()); // nothing was lost: no question left unmatched
}

TEST_F(SpacedTest, EveryWayOfChoosingASessionKindReachesTheSpacedOne) {
    const NodeId group = addConcept(2);
    // The Operation menu and the panel tabs show the panel.
    w->showSession(Session::Flash);
    ui(*w).Spacedreviewselected1->trigger();
    EXPECT_TRUE(panel().view()->isVisible());
    EXPECT_TRUE(ui(*w).Spacedreviewselected1->isChecked());
    EXPECT_FALSE(ui(*w).Flashselected1->isChecked());
    w->showSession(Session::Review);
    QTest::mouseClick(ui(*w).FormReviewSelected->tab(Session::Spaced), Qt::LeftButton);
    EXPECT_TRUE(panel().view()->isVisible());
    EXPECT_EQ(panel().tab(Session::Spaced)->text(),
              QStringLiteral("     SPACED REVIEW SELECTED..."));

    // F9 on the panel shown.
    startAtConcept(group);
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(study()->mode(), StudyMode::Spaced);
    EXPECT_FALSE(study()->BBack->isVisible());
    EXPECT_EQ(study()->positionLine(), QStringLiteral(" Spaced review: question 1 of 2"));
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
    EXPECT_FALSE(w->F9Busy);

    // The Level menu, at the level it names.
    ui(*w).LevelItems[7]->trigger();
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(study()->mode(), StudyMode::Spaced);
    EXPECT_EQ(shown(), questions[0]);
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());

    // The tree's pop-up menu, from Edit mode with another panel chosen, on one question.
    ui(*w).Edit1->trigger();
    w->showSession(Session::Imprint);
    w->selectNode(questions[1]);
    ui(*w).PMISpaced->trigger();
    EXPECT_FALSE(w->isEditMode());
    EXPECT_TRUE(panel().view()->isVisible());
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(study()->visits(), std::vector<NodeId>{questions[1]});
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
    // The other kinds still start as ever.
    w->PMISessionClick(Session::Review);
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(study()->mode(), StudyMode::Review);
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
}

TEST_F(SpacedTest, DueQuestionsComeMostOverdueFirstThenTheDaysNewOnes) {
    const NodeId group = addConcept(6);
    // Q3 is due two days ago, Q1 one day ago, Q2 in a week; Q6 was introduced today.
    ASSERT_TRUE(history().record(questions[2], Grade::Easy, clock - 10 * Day));
    ASSERT_TRUE(history().record(questions[0], Grade::Easy, clock - 9 * Day));
    ASSERT_TRUE(history().record(questions[1], Grade::Easy, clock - Day));
    ASSERT_TRUE(history().record(questions[5], Grade::Easy, clock - 60));
    ASSERT_LT(history().card(questions[2]).due, history().card(questions[0]).due);
    ASSERT_LE(history().card(questions[0]).due, clock);
    ASSERT_GT(history().card(questions[1]).due, clock);
    // Two new a day, one of them already introduced: Q4 only.
    part<QLineEdit>(&panel(), "ENewPerDay")->setText(QStringLiteral("2"));
    startAtConcept(group);
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(study()->positionLine(), QStringLiteral(" Spaced review: question 1 of 3"));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(waitShowing());
        grade(Qt::Key_4); // Easy: nothing stays in a learning step
    }
    ASSERT_TRUE(waitClosed());
    EXPECT_EQ(study()->visits(), (std::vector<NodeId>{questions[2], questions[0], questions[3]}));
    EXPECT_EQ(history().card(questions[3]).phase, Phase::Review);
    EXPECT_EQ(history().card(questions[4]).phase, Phase::New);
    EXPECT_TRUE(h.prompts.shown.isEmpty());
}

TEST_F(SpacedTest, AgainComesBackAfterItsStepWaitedForOrAskedEarly) {
    const NodeId group = addConcept(3);
    startAtConcept(group);
    ASSERT_TRUE(waitShowing());
    grade(Qt::Key_1); // Q1 Again: back in a minute
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(shown(), questions[1]);
    clock += 90;
    grade(Qt::Key_4);
    // Q1's step is due now, before the new Q3.
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(shown(), questions[0]);
    grade(Qt::Key_1); // Again once more
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(shown(), questions[2]);
    grade(Qt::Key_4);
    // Only Q1 is left, a minute away: the session waits, and says until when.
    ASSERT_TRUE(waitUntil([this] { return study()->waitingForStep(); }));
    EXPECT_TRUE(
        study()->REA->toPlainText().contains(QStringLiteral("The next question is due at")));
    EXPECT_FALSE(study()->BAnswer->isEnabled());
    EXPECT_EQ(study()->positionLine(), QStringLiteral(" Spaced review: 1 waiting"));
    QTest::qWait(1200);
    EXPECT_TRUE(study()->waitingForStep());
    clock += 61; // its time comes: it is asked without a key
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(shown(), questions[0]);
    grade(Qt::Key_1);
    // Next while waiting asks it at once.
    ASSERT_TRUE(waitUntil([this] { return study()->waitingForStep(); }));
    key(Qt::Key_Right);
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(shown(), questions[0]);
    grade(Qt::Key_4);
    ASSERT_TRUE(waitClosed());
    EXPECT_EQ(study()->visits().size(), 6u);
    EXPECT_EQ(history().card(questions[0]).phase, Phase::Review);
    EXPECT_EQ(history().card(questions[0]).reps, 4);
}

TEST_F(SpacedTest, NothingDueSaysWhenTheNextIsAndOpensNoWindow) {
    const NodeId group = addConcept(2);
    ASSERT_TRUE(history().record(questions[0], Grade::Easy, clock - 3600));
    ASSERT_TRUE(history().record(questions[1], Grade::Easy, clock - 2 * Day));
    const std::int64_t next =
        std::min(history().card(questions[0]).due, history().card(questions[1]).due);
    ASSERT_GT(next, clock);
    startAtConcept(group);
    ASSERT_TRUE(waitClosed());
    ASSERT_EQ(h.prompts.shown.size(), 1);
    EXPECT_EQ(h.prompts.shown[0].caption, QStringLiteral("Spaced Review"));
    const QString when = QLocale().toString(QDateTime::fromSecsSinceEpoch(next).toLocalTime(),
                                            QStringLiteral("dddd d MMMM yyyy, HH:mm"));
    EXPECT_EQ(h.prompts.shown[0].text,
              QStringLiteral("Nothing is due for review below the selected object.\nThe next "
                             "question is due on ") +
                  when + QStringLiteral("."));
    EXPECT_FALSE(studyShowing());
    EXPECT_FALSE(ui(*w).FormValidate && ui(*w).FormValidate->isVisible());
    EXPECT_FALSE(w->F9Busy);

    // With today's new questions used up the message says so too.
    srs::DueList list;
    list.introducedToday = 20;
    EXPECT_TRUE(NothingDueMessage(list, 20).endsWith(
        QStringLiteral("Today's 20 new questions have been introduced; more tomorrow.")));
}

TEST_F(SpacedTest, TheFiguresFollowTheSelectionAndTheGradesGiven) {
    const NodeId other = addConcept(1, "Another group");
    questions.clear();
    const NodeId group = addConcept(4);
    // Q1 is a review question due today, graded Easy ten days ago.
    ASSERT_TRUE(history().record(questions[0], Grade::Easy, clock - 10 * Day));
    w->selectNode(group);
    w->RefreshSelectionViews();
    ASSERT_TRUE(waitUntil(
        [this] { return part<QLabel>(&panel(), "LNew")->text() == QStringLiteral("3"); }));
    EXPECT_EQ(part<QLabel>(&panel(), "LFiguresTitle")->text(), QStringLiteral("Selected concept"));
    EXPECT_EQ(part<QLabel>(&panel(), "LDueToday")->text(), QStringLiteral("1"));
    EXPECT_EQ(part<QLabel>(&panel(), "LRetention")->text(), QStringLiteral("no reviews yet"));
    w->selectNode(other);
    w->RefreshSelectionViews();
    ASSERT_TRUE(waitUntil(
        [this] { return part<QLabel>(&panel(), "LNew")->text() == QStringLiteral("1"); }));
    EXPECT_EQ(part<QLabel>(&panel(), "LDueToday")->text(), QStringLiteral("0"));

    startAtConcept(group);
    ASSERT_TRUE(waitShowing());
    grade(Qt::Key_3); // the review question, recalled
    ASSERT_TRUE(waitShowing());
    grade(Qt::Key_3); // a new one into its steps
    ASSERT_TRUE(waitShowing());
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
    ASSERT_TRUE(waitUntil(
        [this] { return part<QLabel>(&panel(), "LNew")->text() == QStringLiteral("2"); }));
    EXPECT_EQ(part<QLabel>(&panel(), "LLearning")->text(), QStringLiteral("1"));
    EXPECT_EQ(part<QLabel>(&panel(), "LDueToday")->text(),
              QStringLiteral("1")); // the learning step
    EXPECT_EQ(part<QLabel>(&panel(), "LRetention")->text(), QStringLiteral("100 %  (1 of 1)"));
    EXPECT_EQ(panel().figures().passed30, 1);
}

TEST_F(SpacedTest, AFullyHeardAnswerCountsAsGoodOnlyWhenChosenAndOnlyHere) {
    const NodeId group = addConcept(2);
    auto hearAndGoOn = [this] {
        key(Qt::Key_Space);
        ASSERT_TRUE(waitUntil([this] { return !study()->spokenSideRunning(); }));
        key(Qt::Key_Right);
    };
    // Off (the default): a heard answer is a seen visit.
    EXPECT_FALSE(part<QCheckBox>(&panel(), "CBHeardGood")->isChecked());
    startAtConcept(group);
    ASSERT_TRUE(waitShowing());
    hearAndGoOn();
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(history().card(questions[0]).reps, 0);
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());

    // On: Good, and the question goes on to its next step.
    QTest::mouseClick(part<QLabel>(&panel(), "LHeardGood"), Qt::LeftButton);
    ASSERT_TRUE(part<QCheckBox>(&panel(), "CBHeardGood")->isChecked());
    startAtConcept(group);
    ASSERT_TRUE(waitShowing());
    hearAndGoOn();
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(history().card(questions[0]).reps, 1);
    EXPECT_EQ(history().card(questions[0]).phase, Phase::Learning);
    EXPECT_EQ(study()->LGrade->text(), QStringLiteral("Graded: Good"));
    EXPECT_EQ(study()->summary().count(srs::Grade::Good), 1); // and the session's summary says so
    // An answer cut short is not heard: Next right away is a seen visit.
    h.speech.setDurationMs(5000);
    key(Qt::Key_Space);
    key(Qt::Key_Right);
    ASSERT_TRUE(waitUntil([this] { return !studyShowing() || study()->waitingForStep(); }));
    EXPECT_EQ(history().card(questions[1]).reps, 0);
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());

    // Other kinds of session never take a heard answer for a grade.
    h.speech.setDurationMs(1);
    w->selectNode(group);
    w->startStudy(Session::Review, 7);
    ASSERT_TRUE(waitShowing());
    key(Qt::Key_Right); // Q1 again
    ASSERT_TRUE(waitShowing());
    hearAndGoOn();
    ASSERT_TRUE(waitClosed());
    EXPECT_EQ(history().card(questions[1]).reps, 0);
}

TEST(SpacedSettings, TheyReachTheSchedulerAndSurviveARestart) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("brenvik.ini"));
    {
        SettingsStore store(ini);
        MainHarness h;
        h.settingsFile = &store;
        ASSERT_TRUE(h.start());
        TFormSpacedSelected& p = *ui(*h.window).FormSpacedSelected;
        const srs::SchedulerSettings before = h.window->history().scheduler().settings();
        EXPECT_EQ(before.learningSteps, (std::vector<int>{1, 10}));
        EXPECT_EQ(part<QLineEdit>(&p, "ENewPerDay")->text(), QStringLiteral("20"));
        h.window->showSession(Session::Spaced);
        const std::pair<QLineEdit*, const char*> typed[] = {
            {part<QLineEdit>(&p, "ELearningSteps"), "5, 30"},
            {part<QLineEdit>(&p, "ERelearningSteps"), "ten"},
            {part<QLineEdit>(&p, "ERetention"), "0.99"},
            {part<QLineEdit>(&p, "EMaxInterval"), "0"},
            {part<QLineEdit>(&p, "ENewPerDay"), "7"}};
        for (const auto& [edit, text] : typed) {
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, QString::fromLatin1(text));
            QTest::keyClick(edit, Qt::Key_Return);
        }
        // Refused texts are put right as the pauses are: a default, or the nearest bound.
        EXPECT_EQ(part<QLineEdit>(&p, "ERelearningSteps")->text(), QStringLiteral("10"));
        EXPECT_EQ(part<QLineEdit>(&p, "ERetention")->text(), QStringLiteral("0.97"));
        EXPECT_EQ(part<QLineEdit>(&p, "EMaxInterval")->text(), QStringLiteral("1"));
        QTest::mouseClick(part<QLabel>(&p, "LHeardGood"), Qt::LeftButton);
        const srs::SchedulerSettings s = h.window->history().scheduler().settings();
        EXPECT_EQ(s.learningSteps, (std::vector<int>{5, 30}));
        EXPECT_EQ(s.relearningSteps, (std::vector<int>{10}));
        EXPECT_DOUBLE_EQ(s.desiredRetention, 0.97);
        EXPECT_EQ(s.maximumInterval, 1);
        ui(*h.window).MIExit->trigger();
        ASSERT_TRUE(waitUntil([&] { return !h.window->isVisible(); }));
    }
    SettingsStore store(ini);
    MainHarness h;
    h.settingsFile = &store;
    ASSERT_TRUE(h.start());
    TFormSpacedSelected& p = *ui(*h.window).FormSpacedSelected;
    EXPECT_EQ(part<QLineEdit>(&p, "ELearningSteps")->text(), QStringLiteral("5, 30"));
    EXPECT_EQ(part<QLineEdit>(&p, "ENewPerDay")->text(), QStringLiteral("7"));
    EXPECT_TRUE(part<QCheckBox>(&p, "CBHeardGood")->isChecked());
    const srs::SchedulerSettings s = h.window->history().scheduler().settings();
    EXPECT_EQ(s.learningSteps, (std::vector<int>{5, 30}));
    EXPECT_DOUBLE_EQ(s.desiredRetention, 0.97);
    EXPECT_EQ(s.maximumInterval, 1);
}

} // namespace
