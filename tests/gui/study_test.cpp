// The study road through the real main window on fakes: preparation, the three sessions,
// the study window's keys and timers, and the panes it draws.
#include "library/objects.h"
#include "library/questionrecord.h"
#include "mainharness.h"
#include "mainwindow/librarydocument.h"
#include "srs/history.h"
#include "study/fflashselected.h"
#include "study/fimprintselected.h"
#include "study/freviewselected.h"
#include "study/fstudyquestion.h"
#include "study/fvalidate.h"
#include "study/panewidgets.h"
#include "study/sessionpanel.h"
#include "testhelpers.h"
#include "tests/support/fakescreensaver.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

class StudyTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.deps.studyWebWaitMs = 700;
        ASSERT_TRUE(h.start());
        w = h.window.get();
        // Quick sessions: no pauses, speech that ends at once.
        for (SessionPanel* p : {static_cast<SessionPanel*>(ui(*w).FormFlashSelected),
                                static_cast<SessionPanel*>(ui(*w).FormImprintSelected)}) {
            part<QLineEdit>(p, "EPauseAfterQ")->setText(QStringLiteral("0"));
            part<QLineEdit>(p, "EPauseAfterA")->setText(QStringLiteral("0"));
        }
        h.speech.setDurationMs(1);
        h.prompts.shown.clear();
    }

    LibraryTree& tree() { return w->tree(); }

    // A conceptNode holding `n` text-only questions "Q1".."Qn" below the demo's first conceptNode's
    // section; returns the conceptNode.
    NodeId addConcept(int n, const char* name = "Test conceptNode") {
        const NodeId section = GetObjAtLevel(tree(), h.find("United States"), 6);
        NodeId conceptNode = AddNewObj(tree(), section, h.colors).value();
        tree().setText(conceptNode, name);
        for (int i = 1; i <= n; ++i) {
            const NodeId q = AddNewObj(tree(), conceptNode, h.colors).value();
            const QuestionRecord r = NumberedQuestion(h.colors, i);
            WriteQuestionRecord(tree(), q, r, h.colors);
        }
        return conceptNode;
    }
    NodeId questionOf(NodeId conceptNode, int i) {
        NodeId n = tree().firstChild(conceptNode);
        int seen = 0;
        for (; n != NoNode; n = tree().nextSibling(n))
            if (tree().kind(n) == 8 && ++seen == i) return n;
        return NoNode;
    }
    void edit(NodeId q, const std::function<void(QuestionRecord&)>& change) {
        QuestionRecord r;
        ASSERT_TRUE(ReadFreshQuestionRecord(tree(), q, r, h.colors).ok());
        change(r);
        WriteQuestionRecord(tree(), q, r, h.colors);
    }

    TFormStudyQuestion* study() const { return ui(*w).FormStudyQuestion; }
    bool studyShowing() const { return study() && study()->isVisible(); }
    bool waitShowing() { return WaitStudyShowing(*w); }
    bool waitClosed(int ms = 10000) { return WaitStudyClosed(*w, ms); }
    void key(int k) { StudyKey(*w, k); }

    MainHarness h;
    TFormMain* w = nullptr;
};

TEST_F(StudyTest, AFlashSessionRunsToItsEndByTheTimersAlone) {
    const NodeId conceptNode = addConcept(3);
    w->selectNode(conceptNode);
    const int spokenBefore = int(h.speech.spoken.size());
    const int stopsBefore = h.speech.stopCount;
    w->startStudy(Session::Flash, 7);
    ASSERT_TRUE(waitUntil([this] { return studyShowing(); }));
    EXPECT_EQ(h.screenSaver.inhibits, 1);
    EXPECT_TRUE(w->isMinimized());
    ASSERT_TRUE(waitClosed(20000));
    EXPECT_EQ(study()->visitsShown(), 15);
    EXPECT_EQ(study()->positionLine(), QStringLiteral(" Flashing question 15 of 15"));
    // Every visit spoke its question and its answer.
    const QStringList spoken = h.speech.spoken.mid(spokenBefore);
    EXPECT_EQ(spoken.filter(QStringLiteral("Question ")).size(), 15);
    EXPECT_EQ(spoken.filter(QStringLiteral("Answer ")).size(), 15);
    // Each step waited for the utterance before it to end: none was cut off, and every
    // question was followed by its answer.
    EXPECT_EQ(h.speech.stopCount, stopsBefore);
    for (int i = 0; i + 1 < spoken.size(); i += 2)
        EXPECT_EQ(spoken[i + 1],
                  QString(spoken[i]).replace(QStringLiteral("Question"), QStringLiteral("Answer")));
    EXPECT_EQ(h.screenSaver.releases, 1);
    EXPECT_FALSE(w->isMinimized());
    EXPECT_FALSE(w->F9Busy);
    // Nothing in the preparation was a problem.
    EXPECT_TRUE(h.prompts.shown.isEmpty());
}

TEST_F(StudyTest, ReviewWaitsForTheUserAndKeysMoveThroughIt) {
    const NodeId conceptNode = addConcept(3);
    w->selectNode(conceptNode);
    w->startStudy(Session::Review, 7);
    ASSERT_TRUE(waitShowing());
    TFormStudyQuestion* s = study();
    EXPECT_EQ(s->mode(), StudyMode::Review);
    EXPECT_FALSE(s->BPause->isVisible());
    EXPECT_EQ(s->positionLine(), QStringLiteral(" Reviewing question 1 of 3"));
    EXPECT_FALSE(s->BBack->isEnabled());
    EXPECT_FALSE(s->answerVisible());
    // A review never moves by itself.
    QTest::qWait(150);
    EXPECT_EQ(s->position(), 0);
    EXPECT_FALSE(s->answerVisible());

    key(Qt::Key_Space); // shows the answer
    ASSERT_TRUE(s->answerVisible());
    // A one-line answer stands on the second line.
    EXPECT_EQ(s->REA->toPlainText(), QStringLiteral("\nAnswer 1"));
    key(Qt::Key_Return); // next question
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(s->position(), 1);
    EXPECT_TRUE(s->BBack->isEnabled());
    key(Qt::Key_Left);
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(s->position(), 0);
    key(Qt::Key_Right);
    ASSERT_TRUE(waitShowing());
    key(Qt::Key_Right);
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(s->position(), 2);
    key(Qt::Key_Right); // past the last entry without loop: closes
    ASSERT_TRUE(waitClosed());
}

TEST_F(StudyTest, EscAndCloseEndTheSessionWhileAQuestionIsBeingBuilt) {
    const NodeId conceptNode = addConcept(2);
    // A web pane that does not finish loading keeps the question in the making.
    edit(questionOf(conceptNode, 1), [](QuestionRecord& r) {
        r.layout = 2;
        r.panes[1].content = WebsiteContent;
        r.panes[1].webAddress = "http://127.0.0.1:9/never";
    });
    h.web.behaviour = FakeWebViewer::Behaviour::Manual;
    w->selectNode(conceptNode);
    w->startStudy(Session::Review, 7);
    ASSERT_TRUE(waitUntil([this] { return studyShowing() && study()->building(); }));
    TFormStudyQuestion* s = study();
    // The other keys still wait for the question.
    for (int k : {Qt::Key_Down, Qt::Key_Right, Qt::Key_Return, Qt::Key_Up, Qt::Key_Pause})
        key(k);
    QTest::qWait(50);
    EXPECT_TRUE(studyShowing());
    EXPECT_TRUE(s->building());
    EXPECT_FALSE(s->answerVisible());
    EXPECT_EQ(s->position(), 0);
    EXPECT_FALSE(s->BAnswer->isEnabled());
    EXPECT_TRUE(s->BClose->isEnabled());

    ASSERT_FALSE(h.web.created.isEmpty());
    QPointer<FakeWebViewer> viewer = h.web.created.last();
    const int spoken = int(h.speech.spoken.size());
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
    EXPECT_FALSE(s->isVisible());
    // Nothing of the question is left: its viewer stopped and gone, the timers still.
    EXPECT_TRUE(waitUntil([&] { return viewer.isNull(); }));
    EXPECT_TRUE(s->currentPanes().isEmpty());
    EXPECT_FALSE(s->TTime->isActive());
    EXPECT_FALSE(s->TAutoA->isActive());
    EXPECT_FALSE(s->TAutoQ->isActive());
    // Past the wait's bound nothing of that question comes up on the closed window.
    QTest::qWait(1000);
    EXPECT_EQ(s->visitsShown(), 0);
    EXPECT_FALSE(s->questionShown());
    EXPECT_FALSE(s->isVisible());
    EXPECT_EQ(h.speech.spoken.mid(spoken).filter(QStringLiteral("Question ")).size(), 0);
    EXPECT_TRUE(h.prompts.shown.isEmpty());

    // Close ends it the same way, with a page that never answers.
    h.web.behaviour = FakeWebViewer::Behaviour::Never;
    w->startStudy(Session::Review, 7);
    ASSERT_TRUE(waitUntil([this] { return studyShowing() && study()->building(); }));
    viewer = h.web.created.last();
    study()->BClose->click();
    ASSERT_TRUE(waitClosed());
    EXPECT_TRUE(waitUntil([&] { return viewer.isNull(); }));
    QTest::qWait(1000);
    EXPECT_EQ(study()->visitsShown(), 0);
    EXPECT_FALSE(study()->isVisible());

    // A question whose page does answer is studied as before.
    h.web.behaviour = FakeWebViewer::Behaviour::Manual;
    w->startStudy(Session::Review, 7);
    ASSERT_TRUE(waitUntil([this] { return studyShowing() && study()->building(); }));
    h.web.created.last()->finishLoad();
    ASSERT_TRUE(waitShowing());
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
}

TEST_F(StudyTest, AKeyReleasedWithoutItsPressInTheWindowDoesNothing) {
    const NodeId conceptNode = addConcept(2);
    w->selectNode(conceptNode);
    w->startStudy(Session::Review, 7);
    ASSERT_TRUE(waitShowing());
    TFormStudyQuestion* s = study();
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    ASSERT_EQ(target->window(), s);
    const int spoken = int(h.speech.spoken.size());
    // As when Return closed an error box on its press: only the release reaches the window.
    for (int k : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_Down}) {
        QTest::keyRelease(target, Qt::Key(k));
        QTest::qWait(20);
        EXPECT_FALSE(s->answerVisible()) << k;
        EXPECT_TRUE(s->questionShown()) << k;
    }
    EXPECT_EQ(h.speech.spoken.size(), spoken);
    // A whole key stroke still acts, and a stray release after it does not act again.
    QTest::keyClick(target, Qt::Key_Return);
    ASSERT_TRUE(s->answerVisible());
    EXPECT_EQ(h.speech.spoken.last(), QStringLiteral("Answer 1"));
    QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Return);
    QTest::qWait(50);
    EXPECT_EQ(s->position(), 0);
    EXPECT_TRUE(s->answerShown());
    for (int k : {Qt::Key_Right, Qt::Key_Escape}) {
        QTest::keyRelease(QApplication::focusWidget(), Qt::Key(k));
        QTest::qWait(20);
    }
    EXPECT_EQ(s->position(), 0);
    EXPECT_TRUE(studyShowing());
    key(Qt::Key_Right);
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(s->position(), 1);
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
}

TEST_F(StudyTest, TheAnswerFontStaysWithTheAnswer) {
    const NodeId conceptNode = addConcept(1);
    edit(questionOf(conceptNode, 1), [](QuestionRecord& r) {
        r.layout = 2;
        r.panes[0].font.name = "Liberation Sans";
        r.panes[0].font.size = 16;
        r.panes[0].font.italic = false;
        r.panes[1].textLines = {"Slanted by its own record"};
        r.panes[1].font.name = "Liberation Sans";
        r.panes[1].font.size = 12;
        r.panes[1].font.italic = true;
    });
    // As the font dialog gives it: a face with its style named.
    QFont answer(QStringLiteral("Liberation Serif"));
    answer.setStyleName(QStringLiteral("Italic"));
    answer.setItalic(true);
    answer.setPointSize(20);
    ui(*w).FormStudy->setAnswerFont(answer);
    w->selectNode(conceptNode);
    w->startStudy(Session::Review, 7);
    ASSERT_TRUE(waitShowing());
    TFormStudyQuestion* s = study();
    EXPECT_TRUE(QFontInfo(s->REA->font()).italic());
    EXPECT_EQ(QFontInfo(s->REA->font()).family(), QStringLiteral("Liberation Serif"));

    const QList<QWidget*> panes = s->currentPanes();
    ASSERT_EQ(panes.size(), 2);
    auto* upright = panes[0]->findChild<QTextEdit*>();
    auto* slanted = panes[1]->findChild<QTextEdit*>();
    ASSERT_TRUE(upright && slanted);
    EXPECT_FALSE(QFontInfo(upright->font()).italic());
    EXPECT_TRUE(upright->font().styleName().isEmpty());
    EXPECT_EQ(QFontInfo(upright->font()).family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(upright->font().pointSize(), 16);
    EXPECT_TRUE(QFontInfo(slanted->font()).italic());
    EXPECT_EQ(slanted->font().pointSize(), 12);
    for (QLabel* bar : {static_cast<QLabel*>(s->LPosition), s->LElapsed, s->LTime}) {
        const QFontInfo info(bar->font());
        EXPECT_FALSE(info.italic()) << qPrintable(bar->text());
        EXPECT_TRUE(info.bold());
        EXPECT_EQ(info.pixelSize(), 17);
        EXPECT_NE(info.family(), QStringLiteral("Liberation Serif"));
    }
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
}

TEST_F(StudyTest, ALongPreviewTitleGivesWayToTheClock) {
    QuestionRecord r = QuestionRecord::newRecord(h.colors);
    r.layout = 1;
    r.panes[0].textLines = {"A question"};
    r.answer = "An answer";
    QString title;
    for (int i = 0; i < 40; ++i)
        title += QStringLiteral("A very long question name %1 ").arg(i);
    title = title.trimmed();
    bool closed = false;
    w->previewQuestion(r, title, [&] { closed = true; });
    ASSERT_TRUE(waitShowing());
    TFormStudyQuestion* s = study();
    EXPECT_EQ(s->positionLine(), QStringLiteral(" Previewing ") + title);
    ElidingLabel* name = s->LPosition;
    EXPECT_EQ(name->fullText(), s->positionLine());
    EXPECT_TRUE(name->text().endsWith(QChar(0x2026))) << qPrintable(name->text());
    EXPECT_TRUE(s->positionLine().startsWith(name->text().chopped(1)));
    EXPECT_EQ(name->toolTip(), s->positionLine());
    // The shortened name fits its room, and its room ends before the elapsed time begins.
    EXPECT_LE(name->fontMetrics().horizontalAdvance(name->text()), name->contentsRect().width());
    EXPECT_LE(name->geometry().right(), s->LElapsed->geometry().left());
    // The elapsed time keeps its place in the middle of the bar.
    EXPECT_NEAR(s->LElapsed->geometry().center().x(), s->LElapsed->parentWidget()->width() / 2, 20);
    for (QLabel* clock : {s->LElapsed, s->LTime}) {
        EXPECT_LE(clock->fontMetrics().horizontalAdvance(clock->text()),
                  clock->contentsRect().width())
            << qPrintable(clock->text());
        EXPECT_GE(clock->x(), 0);
        EXPECT_LE(clock->geometry().right(), clock->parentWidget()->width());
    }
    EXPECT_TRUE(s->LElapsed->text().startsWith(QStringLiteral("Time elapsed is ")));
    // A short name is shown whole.
    s->BCloseClick();
    ASSERT_TRUE(waitUntil([&] { return closed; }));
    closed = false;
    w->previewQuestion(r, QStringLiteral("Short"), [&] { closed = true; });
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(study()->LPosition->text(), QStringLiteral(" Previewing Short"));
    EXPECT_TRUE(study()->LPosition->toolTip().isEmpty());
    study()->BCloseClick();
    ASSERT_TRUE(waitUntil([&] { return closed; }));
}

TEST_F(StudyTest, AWebPaneThatNeverLoadsDoesNotHoldTheSession) {
    const NodeId conceptNode = addConcept(2);
    edit(questionOf(conceptNode, 1), [](QuestionRecord& r) {
        r.layout = 2;
        r.panes[1].content = WebsiteContent;
        r.panes[1].webAddress = "http://127.0.0.1:9/unreachable";
    });
    h.web.behaviour = FakeWebViewer::Behaviour::Never;
    w->selectNode(conceptNode);
    w->startStudy(Session::Flash, 7);
    ASSERT_TRUE(waitClosed(20000));
    EXPECT_EQ(study()->visitsShown(), 10);
    // No box for a page that cannot be reached.
    EXPECT_TRUE(h.prompts.shown.isEmpty());
}

TEST_F(StudyTest, BackIsDisabledOnTheFirstEntryAlsoAfterALoop) {
    const NodeId conceptNode = addConcept(1);
    part<QCheckBox>(ui(*w).FormFlashSelected, "CBLoopSession")->setChecked(true);
    part<QCheckBox>(ui(*w).FormFlashSelected, "CBAutoA")->setChecked(false);
    w->selectNode(conceptNode);
    w->startStudy(Session::Flash, 7);
    ASSERT_TRUE(waitShowing());
    TFormStudyQuestion* s = study();
    EXPECT_FALSE(s->BPause->isVisible()); // auto answer off: no pause
    for (int i = 1; i <= 5; ++i) {
        key(Qt::Key_Right);
        ASSERT_TRUE(waitShowing());
        EXPECT_EQ(s->position(), i % 5);
    }
    EXPECT_EQ(s->position(), 0);
    EXPECT_FALSE(s->BBack->isEnabled());
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
}

TEST_F(StudyTest, PauseStopsTheRunAndThePauseKeyShowsTheQuestionAgain) {
    const NodeId conceptNode = addConcept(2);
    h.speech.setDurationMs(-1); // speech ends only when told
    w->selectNode(conceptNode);
    w->startStudy(Session::Imprint, 7);
    ASSERT_TRUE(waitShowing());
    TFormStudyQuestion* s = study();
    ASSERT_TRUE(s->BPause->isVisible());
    EXPECT_EQ(s->positionLine(), QStringLiteral(" Imprinting question 1 of 20"));
    key(Qt::Key_Pause);
    EXPECT_TRUE(s->paused());
    EXPECT_FALSE(s->BPause->isEnabled());
    // The question's speech ends while paused: nothing moves on.
    h.speech.finishNow();
    QTest::qWait(100);
    EXPECT_FALSE(s->answerVisible());
    EXPECT_EQ(s->position(), 0);
    // Resume: the same question from the start of its cycle, and the run goes on.
    const int spoken = int(h.speech.spoken.size());
    key(Qt::Key_Pause);
    ASSERT_TRUE(waitShowing());
    EXPECT_FALSE(s->paused());
    EXPECT_EQ(s->position(), 0);
    ASSERT_TRUE(waitUntil([&] { return h.speech.spoken.size() > spoken; }));
    h.speech.finishNow();
    ASSERT_TRUE(waitUntil([&] { return s->answerVisible(); }));
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
}

// The voice's flow within a session: what cuts an utterance off, what comes between its end and
// the next step, and an engine that fails or never ends.
TEST_F(StudyTest, AKeyDuringSpeechAStopInAPauseAndAFailingEngineLeaveTheSessionConsistent) {
    const NodeId conceptNode = addConcept(2);
    part<QLineEdit>(ui(*w).FormImprintSelected, "EPauseAfterQ")->setText(QStringLiteral("0.4"));
    part<QLineEdit>(ui(*w).FormImprintSelected, "EPauseAfterA")->setText(QStringLiteral("0.4"));
    h.speech.setDurationMs(-1); // speech ends only when told
    w->selectNode(conceptNode);
    w->startStudy(Session::Imprint, 7);
    ASSERT_TRUE(waitShowing());
    TFormStudyQuestion* s = study();
    ASSERT_TRUE(waitUntil([&] { return h.speech.speaking(); }));

    // The answer key while the question is said cuts it off; its late end does not end the
    // answer's utterance, which is waited for.
    const int stops = h.speech.stopCount;
    key(Qt::Key_Down);
    EXPECT_TRUE(s->answerVisible());
    EXPECT_EQ(h.speech.stopCount, stops + 1);
    EXPECT_TRUE(h.speech.spoken.last().startsWith(QStringLiteral("Answer ")));
    QTest::qWait(600); // longer than the pause
    EXPECT_TRUE(s->spokenSideRunning());
    EXPECT_FALSE(s->TAutoQ->isActive());
    EXPECT_EQ(s->position(), 0);

    // Its end starts the pause; Pause then stops the run, and nothing is said or shown after.
    h.speech.finishNow();
    ASSERT_TRUE(waitUntil([&] { return s->TAutoQ->isActive(); }));
    const int said = int(h.speech.spoken.size());
    key(Qt::Key_Pause);
    EXPECT_TRUE(s->paused());
    EXPECT_FALSE(s->TAutoQ->isActive());
    QTest::qWait(600);
    EXPECT_EQ(s->position(), 0);
    EXPECT_EQ(h.speech.spoken.size(), said);
    EXPECT_FALSE(w->speaking());
    key(Qt::Key_Pause); // resumed: the same question from the start of its cycle
    ASSERT_TRUE(waitUntil([&] { return h.speech.spoken.size() == said + 1; }));
    EXPECT_TRUE(h.speech.spoken.last().startsWith(QStringLiteral("Question ")));
    EXPECT_EQ(s->position(), 0);

    // An engine that fails on every text: each side ends at once and the timers run on.
    h.speech.setFailing(true);
    h.speech.finishNow();
    ASSERT_TRUE(waitUntil([&] { return s->position() >= 2; }));
    EXPECT_FALSE(w->speaking());
    // Working again, it is waited for as before.
    h.speech.setFailing(false);
    ASSERT_TRUE(waitUntil([&] { return h.speech.speaking(); }));
    const int position = s->position();
    const bool answer = s->answerVisible();
    QTest::qWait(600);
    EXPECT_EQ(s->position(), position);
    EXPECT_EQ(s->answerVisible(), answer);

    // Esc in a pause ends the session; nothing is said afterwards.
    h.speech.finishNow();
    ASSERT_TRUE(waitUntil([&] { return s->TAutoA->isActive() || s->TAutoQ->isActive(); }));
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
    const int end = int(h.speech.spoken.size());
    QTest::qWait(600);
    EXPECT_EQ(h.speech.spoken.size(), end);
    EXPECT_FALSE(w->speaking());
}

TEST_F(StudyTest, AVoiceThatNeverEndsIsGivenUpAfterItsBoundAndTheSessionGoesOn) {
    const NodeId q = questionOf(addConcept(1), 1);
    edit(q, [](QuestionRecord& r) { r.spokenQuestion = {"Hi"}; });
    h.speech.setDurationMs(-1);
    LogCapture log;
    w->selectNode(q);
    w->startStudy(Session::Flash, 8);
    ASSERT_TRUE(waitShowing());
    TFormStudyQuestion* s = study();
    ASSERT_TRUE(waitUntil([&] { return h.speech.speaking(); }));
    QElapsedTimer clock;
    clock.start();
    const int stops = h.speech.stopCount;
    // The bound is the time to begin (2 s here) and a share for each character.
    QTest::qWait(1500);
    EXPECT_FALSE(s->answerVisible());
    ASSERT_TRUE(waitUntil([&] { return s->answerVisible(); }, 5000));
    EXPECT_GE(clock.elapsed(), 2000);
    EXPECT_EQ(h.speech.stopCount, stops + 1); // the engine was told to stop
    EXPECT_EQ(log.count(QStringLiteral("given up")), 1);
    EXPECT_TRUE(h.speech.spoken.last().startsWith(QStringLiteral("Answer ")));
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
}

TEST_F(StudyTest, MutedSessionsAndUnspeakableTextsDoNotStall) {
    const NodeId conceptNode = addConcept(2);
    // Only blanks, symbols and emoji: nothing to speak, so nothing to wait for.
    edit(questionOf(conceptNode, 1), [](QuestionRecord& r) {
        r.spokenQuestion = {"\xe2\x98\x85 \xe2\x80\xa6 \xf0\x9f\x98\x80", "\xc2\xa0"};
        r.spokenAnswer = {"\xc2\xbf\xc2\xa1"};
    });
    h.speech.setDurationMs(-1); // a voice that would never finish
    w->selectNode(questionOf(conceptNode, 1));
    w->startStudy(Session::Flash, 8);
    ASSERT_TRUE(waitClosed(10000));
    EXPECT_EQ(study()->visitsShown(), 5);

    ui(*w).CBDisaVoice->setChecked(true);
    const int spoken = int(h.speech.spoken.size());
    w->selectNode(conceptNode);
    w->startStudy(Session::Flash, 7);
    ASSERT_TRUE(waitClosed(10000));
    EXPECT_EQ(study()->visitsShown(), 5 + 10);
    EXPECT_EQ(h.speech.spoken.size(), spoken);
}

TEST_F(StudyTest, AProblemIsReportedBeforeTheSessionAndOpensTheQuestionInEditMode) {
    const NodeId conceptNode = addConcept(3);
    edit(questionOf(conceptNode, 2), [](QuestionRecord& r) {
        r.layout = 3;
        r.panes[1].textLines = {"x"};
        r.panes[2].content = ImageContent;
        r.panes[2].imageFile = "  missing-picture.jpg ";
    });
    w->selectNode(conceptNode);
    w->startStudy(Session::Flash, 7);
    ASSERT_TRUE(waitClosed());
    EXPECT_EQ(ui(*w).FormStudyQuestion, nullptr); // never shown
    ASSERT_EQ(h.prompts.shown.size(), 1);
    EXPECT_EQ(h.prompts.shown[0].caption, QStringLiteral("Problem"));
    EXPECT_EQ(h.prompts.shown[0].text,
              QStringLiteral("The image file, missing-picture.jpg, doesn't exist (specified in "
                             "pane 3)\nfor the following question..."));
    EXPECT_EQ(h.speech.spoken.last(), QStringLiteral("Problem."));
    EXPECT_TRUE(w->isEditMode());
    EXPECT_EQ(w->selectedNode(), questionOf(conceptNode, 2));
    EXPECT_FALSE(ui(*w).FormValidate->isVisible());
    EXPECT_FALSE(w->F9Busy);
}

TEST_F(StudyTest, NoQuestionsGivesItsMessageAndStaysInStudyMode) {
    const NodeId conceptNode = addConcept(0);
    w->selectNode(conceptNode);
    w->F9Busy = true;
    w->startStudy(Session::Review, 7);
    ASSERT_TRUE(waitClosed());
    ASSERT_EQ(h.prompts.shown.size(), 1);
    EXPECT_EQ(h.prompts.shown[0].text, QStringLiteral("No questions exist at the level selected."));
    EXPECT_FALSE(w->isEditMode());
    EXPECT_FALSE(w->F9Busy);
    EXPECT_FALSE(ui(*w).FormValidate->isVisible());
    EXPECT_EQ(ui(*w).FormValidate->windowTitle(), QStringLiteral("Preparing to Review"));
}

TEST_F(StudyTest, F9FlashesTheDeepestLevelAndIsFreeAgainAfterwards) {
    const NodeId conceptNode = addConcept(1);
    w->selectNode(questionOf(conceptNode, 1));
    w->FormKeyUp(Qt::Key_F9, Qt::NoModifier);
    ASSERT_TRUE(waitUntil([this] { return studyShowing(); }));
    EXPECT_EQ(study()->mode(), StudyMode::Flash);
    // F9 while the session runs does nothing.
    w->FormKeyUp(Qt::Key_F9, Qt::NoModifier);
    ASSERT_TRUE(waitClosed());
    EXPECT_EQ(study()->visitsShown(), 5);
    EXPECT_FALSE(w->F9Busy);
    w->FormKeyUp(Qt::Key_F9, Qt::NoModifier);
    ASSERT_TRUE(waitUntil([this] { return studyShowing(); }));
    ASSERT_TRUE(waitClosed());
    EXPECT_EQ(study()->visitsShown(), 10);
}

TEST_F(StudyTest, PanesFollowTheLayoutAndPictureFitsTheirPane) {
    const NodeId conceptNode = addConcept(1);
    const QString picture = h.folder.filePath(QStringLiteral("wide.png"));
    QImage img(400, 100, QImage::Format_RGB32);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(picture));
    edit(questionOf(conceptNode, 1), [](QuestionRecord& r) {
        r.layout = 2;
        r.proportions[2] = "40%";
        r.panes[1].content = ImageContent;
        r.panes[1].imageFile = "wide.png"; // relative to the program folder
        r.panes[1].stretchToFit = true;
        r.panes[1].imageDeepBorder = false;
    });
    w->selectNode(conceptNode);
    w->startStudy(Session::Review, 7);
    ASSERT_TRUE(waitShowing());
    const QList<QWidget*> panes = study()->currentPanes();
    ASSERT_EQ(panes.size(), 2);
    const int W = study()->paneArea()->width();
    const int w1 = int(40 * (W - 20) * 0.01 + 0.5);
    EXPECT_EQ(panes[0]->geometry(), QRect(0, 0, w1, study()->paneArea()->height()));
    EXPECT_EQ(panes[1]->x(), w1 + 20);
    EXPECT_EQ(panes[1]->width(), W - w1 - 20);
    PictureView* view = panes[1]->findChild<PictureView*>();
    ASSERT_NE(view, nullptr);
    ASSERT_FALSE(view->image().isNull());
    const QRect r = view->pictureRect();
    EXPECT_EQ(r.width(), view->viewport()->width());
    EXPECT_NEAR(r.height(), r.width() / 4, 1);
    EXPECT_TRUE(h.prompts.shown.isEmpty());
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
}

} // namespace

namespace {

TEST_F(StudyTest, EmojiInAPaneTextAreDrawnInColour) {
    // The colour emoji font is a dependency; without it an emoji is a missing-glyph box.
    const NodeId conceptNode = addConcept(2);
    edit(questionOf(conceptNode, 2), [](QuestionRecord& r) {
        r.panes[0].textLines = {"Question 2 \xf0\x9f\x8e\x89\xf0\x9f\x8d\x8a"};
        r.panes[0].textBackground = 16777215; // white, so that only the glyphs carry colour
    });
    edit(questionOf(conceptNode, 1),
         [](QuestionRecord& r) { r.panes[0].textBackground = 16777215; });
    // Pixels of a clear colour (not grey, not the text's black) in the pane's text box.
    const auto colourful = [this] {
        const QList<QWidget*> panes = study()->currentPanes();
        if (panes.isEmpty()) return -1;
        auto* box = panes[0]->findChild<QTextEdit*>();
        if (!box) return -1;
        const QImage img = box->viewport()->grab().toImage();
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                if (c.hsvSaturation() > 120 && c.value() > 120) ++n;
            }
        return n;
    };
    w->selectNode(conceptNode);
    w->startStudy(Session::Review, 7);
    ASSERT_TRUE(waitShowing());
    const int plain = colourful();
    key(Qt::Key_Right);
    ASSERT_TRUE(waitShowing());
    ASSERT_EQ(study()->position(), 1);
    const int withEmoji = colourful();
    EXPECT_GE(plain, 0);
    EXPECT_GT(withEmoji, plain + 40) << "the emoji are not drawn in colour";
}

// A library kept in a folder of its own finds the picture and the page it names beside its
// file, and what lies only in the program folder there.
TEST_F(StudyTest, PicturesAndPagesNamedWithoutAFolderAreFoundBesideTheLibraryFile) {
    ASSERT_TRUE(QDir(h.folder.path()).mkpath(QStringLiteral("other")));
    const QString other = h.folder.filePath(QStringLiteral("other"));
    QImage img(40, 20, QImage::Format_RGB32);
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(other + QStringLiteral("/beside.png")));
    ASSERT_TRUE(img.save(h.folder.filePath(QStringLiteral("program.png"))));
    QFile page(other + QStringLiteral("/page.htm"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<p>beside</p>");
    page.close();
    const NodeId conceptNode = addConcept(2, "Pictures beside the library");
    const auto panes = [](const char* picture) {
        return [picture](QuestionRecord& r) {
            r.layout = 3;
            r.panes[1].content = ImageContent;
            r.panes[1].imageFile = picture;
            r.panes[2].content = WebsiteContent;
            r.panes[2].webAddress = "page.htm";
        };
    };
    edit(questionOf(conceptNode, 1), panes("beside.png"));
    edit(questionOf(conceptNode, 2), panes("program.png"));
    h.prompts.files << other + QStringLiteral("/mine.bv1");
    ASSERT_TRUE(w->MISaveAsClick());
    w->selectNode(conceptNode);
    w->startStudy(Session::Review, 7);
    ASSERT_TRUE(waitShowing()) << (h.prompts.shown.isEmpty()
                                       ? std::string()
                                       : h.prompts.shown.front().text.toStdString());
    EXPECT_TRUE(h.prompts.shown.isEmpty());
    for (int i = 1; i <= 2; ++i) {
        SCOPED_TRACE(i);
        if (i == 2) {
            key(Qt::Key_Right);
            ASSERT_TRUE(waitShowing());
            ASSERT_EQ(study()->position(), 1);
        }
        const QList<QWidget*> shown = study()->currentPanes();
        ASSERT_EQ(shown.size(), 3);
        PictureView* view = shown[1]->findChild<PictureView*>();
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->image().size(), QSize(40, 20));
        ASSERT_FALSE(h.web.created.isEmpty());
        ASSERT_TRUE(h.web.created.last());
        EXPECT_EQ(h.web.created.last()->navigations,
                  QStringList{other + QStringLiteral("/page.htm")});
    }
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
}

TEST_F(StudyTest, ThePopUpMenuSwitchesModeAndPanelAndStartsThatKind) {
    const NodeId conceptNode = addConcept(2);
    // From Edit mode with the review panel chosen, "Flash" on one question flashes it alone.
    ui(*w).Edit1->trigger();
    ASSERT_TRUE(w->isEditMode());
    w->showSession(Session::Review);
    w->selectNode(questionOf(conceptNode, 1));
    w->PMISessionClick(Session::Flash);
    EXPECT_FALSE(w->isEditMode());
    EXPECT_TRUE(ui(*w).FormFlashSelected->view()->isVisible());
    ASSERT_TRUE(waitUntil([this] { return studyShowing(); }));
    EXPECT_EQ(study()->mode(), StudyMode::Flash);
    ASSERT_TRUE(waitClosed());
    EXPECT_EQ(study()->visitsShown(), 5);

    // From Study mode with the flash panel showing, "Review" on the concept reviews it.
    w->selectNode(conceptNode);
    w->PMISessionClick(Session::Review);
    EXPECT_TRUE(ui(*w).FormReviewSelected->view()->isVisible());
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(study()->positionLine(), QStringLiteral(" Reviewing question 1 of 2"));
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());

    // With the root selected no level button is live: the panel changes, nothing starts.
    w->selectNode(tree().first());
    w->PMISessionClick(Session::Imprint);
    EXPECT_TRUE(ui(*w).FormImprintSelected->view()->isVisible());
    EXPECT_FALSE(w->studyBusy());
}

} // namespace

namespace {

TEST_F(StudyTest, AutoSaveWritesTheLibraryBeforeTheQuestionsAreChecked) {
    const QString path = h.folder.filePath(QStringLiteral("mine.bv1"));
    h.prompts.files << path;
    ASSERT_TRUE(w->MISaveAsClick());
    const NodeId conceptNode = addConcept(1, "Saved before studying");
    ASSERT_TRUE(w->document()->isModified());
    ui(*w).Edit1->trigger();
    ui(*w).CBAutoSave->setChecked(true);
    w->selectNode(conceptNode);
    w->PMISessionClick(Session::Review);
    ASSERT_TRUE(waitUntil([this] { return studyShowing(); }));
    EXPECT_FALSE(w->document()->isModified());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Saved before studying"));
    study()->close();
    ASSERT_TRUE(waitClosed());
}

// ---- grading ------------------------------------------------------------------------------

int seenToday(const srs::StudyHistory& history) {
    const auto stats = history.statistics(NoNode, QDateTime::currentSecsSinceEpoch());
    return stats ? stats.value().calendar.back().grades[0] : -1;
}

TEST_F(StudyTest, GradesAreGivenOnlyWhileTheAnswerIsShownOncePerVisit) {
    const NodeId conceptNode = addConcept(3);
    const NodeId q1 = questionOf(conceptNode, 1), q2 = questionOf(conceptNode, 2);
    w->selectNode(conceptNode);
    w->startStudy(Session::Review, 7);
    ASSERT_TRUE(waitShowing());
    TFormStudyQuestion* s = study();
    const srs::StudyHistory& history = w->history();
    for (QToolButton* b : s->BGrade) {
        EXPECT_TRUE(b->isVisible());
        EXPECT_FALSE(b->isEnabled());
    }
    EXPECT_EQ(s->BGrade[2]->text(), QStringLiteral("3 Good"));
    key(Qt::Key_3); // the question only: nothing to grade
    QTest::qWait(20);
    EXPECT_EQ(history.card(q1).reps, 0);

    key(Qt::Key_Space);
    ASSERT_TRUE(s->answerShown());
    EXPECT_TRUE(s->BGrade[0]->isEnabled());
    key(Qt::Key_3);
    EXPECT_EQ(history.card(q1).reps, 1);
    EXPECT_EQ(history.card(q1).phase, srs::Phase::Learning);
    EXPECT_EQ(s->LGrade->text(), QStringLiteral("Graded: Good"));
    EXPECT_FALSE(s->BGrade[3]->isEnabled());
    key(Qt::Key_4); // a second grade in the same visit is refused
    EXPECT_EQ(history.card(q1).reps, 1);
    EXPECT_EQ(s->LGrade->text(), QStringLiteral("Graded: Good"));
    // The session stands where it stood.
    EXPECT_EQ(s->position(), 0);
    EXPECT_TRUE(s->answerVisible());

    key(Qt::Key_Right);
    ASSERT_TRUE(waitShowing());
    EXPECT_FALSE(s->BGrade[0]->isEnabled());
    key(Qt::Key_Space);
    QTest::mouseClick(s->BGrade[0], Qt::LeftButton);
    EXPECT_EQ(history.card(q2).reps, 1);
    EXPECT_EQ(s->LGrade->text(), QStringLiteral("Graded: Again"));

    key(Qt::Key_Right);
    ASSERT_TRUE(waitShowing());
    key(Qt::Key_Space);
    // A key stroke that reaches a pane (a web page with the focus) grades as well.
    ASSERT_FALSE(s->currentPanes().isEmpty());
    QTest::keyClick(s->currentPanes().first(), Qt::Key_2);
    EXPECT_EQ(history.card(questionOf(conceptNode, 3)).reps, 1);
    EXPECT_EQ(s->LGrade->text(), QStringLiteral("Graded: Hard"));
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
    EXPECT_EQ(seenToday(history), 0); // both visits were graded
    EXPECT_TRUE(h.prompts.shown.isEmpty());
}

TEST_F(StudyTest, AnUngradedVisitIsRecordedAsSeenOnceAndLeavesTheSchedule) {
    const NodeId conceptNode = addConcept(3);
    w->selectNode(conceptNode);
    w->startStudy(Session::Review, 7);
    ASSERT_TRUE(waitShowing());
    TFormStudyQuestion* s = study();
    // Up shows the same visit again: still one visit.
    key(Qt::Key_Space);
    key(Qt::Key_Up);
    ASSERT_TRUE(waitShowing());
    key(Qt::Key_Space);
    key(Qt::Key_Right);
    ASSERT_TRUE(waitShowing());
    key(Qt::Key_Escape); // the second question was seen, never answered
    ASSERT_TRUE(waitClosed());
    EXPECT_EQ(s->visitsShown(), 3);
    const srs::StudyHistory& history = w->history();
    EXPECT_EQ(seenToday(history), 2);
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(history.card(questionOf(conceptNode, i)), srs::Card{}) << i;
    EXPECT_EQ(history.counts(conceptNode, QDateTime::currentSecsSinceEpoch()).fresh, 3);
}

TEST_F(StudyTest, GradingLeavesTheTimedRunAsItWas) {
    const NodeId conceptNode = addConcept(1);
    const NodeId q = questionOf(conceptNode, 1);
    part<QLineEdit>(ui(*w).FormFlashSelected, "EPauseAfterA")->setText(QStringLiteral("0.4"));
    w->selectNode(conceptNode);
    w->startStudy(Session::Flash, 7);
    ASSERT_TRUE(waitShowing());
    TFormStudyQuestion* s = study();
    int grades = 0;
    while (studyShowing()) {
        if (!waitUntil([&] {
                return !studyShowing() ||
                       (s->answerShown() && s->TAutoQ->isActive() && s->BGrade[2]->isEnabled());
            }))
            break;
        if (!studyShowing()) break;
        const int position = s->position();
        const int interval = s->TAutoQ->interval();
        key(Qt::Key_3);
        ++grades;
        EXPECT_TRUE(s->TAutoQ->isActive());
        EXPECT_EQ(s->TAutoQ->interval(), interval);
        EXPECT_EQ(s->position(), position);
        ASSERT_TRUE(waitUntil([&] { return !studyShowing() || s->position() != position; }));
    }
    ASSERT_TRUE(waitClosed());
    // The timers alone ran the five visits of a flash session, each graded once.
    EXPECT_EQ(s->visitsShown(), 5);
    EXPECT_EQ(grades, 5);
    EXPECT_EQ(w->history().card(q).reps, 5);
    EXPECT_EQ(seenToday(w->history()), 0);
}

TEST_F(StudyTest, TheHistoryFollowsTheLibraryFileAndADamagedOneIsReportedOnce) {
    const NodeId conceptNode = addConcept(1, "Graded and saved");
    const QString path = h.folder.filePath(QStringLiteral("graded.bv1"));
    h.prompts.files << path;
    ASSERT_TRUE(w->MISaveAsClick());
    w->selectNode(conceptNode);
    w->startStudy(Session::Review, 7);
    ASSERT_TRUE(waitShowing());
    key(Qt::Key_Space);
    key(Qt::Key_4);
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
    const QString historyFile = srs::StudyHistory::FileFor(path);
    EXPECT_TRUE(QFileInfo::exists(historyFile));

    w->openFile(path); // a fresh tree: the question is found again by its path and text
    ASSERT_TRUE(h.opened());
    const NodeId reopened = h.find("Q1");
    ASSERT_NE(reopened, NoNode);
    EXPECT_EQ(w->history().card(reopened).reps, 1);
    EXPECT_TRUE(h.prompts.shown.isEmpty());

    w->MINewClick(); // lets go of the database
    for (const char* tail : {"", "-wal", "-shm"})
        QFile::remove(historyFile + QLatin1String(tail));
    {
        QFile damaged(historyFile);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(8192, 'x'));
    }
    w->openFile(path);
    ASSERT_TRUE(h.opened());
    ASSERT_EQ(h.prompts.shown.size(), 1);
    EXPECT_EQ(h.prompts.shown[0].caption, QStringLiteral("Warning"));
    EXPECT_TRUE(h.prompts.shown[0].text.contains(QFileInfo(historyFile).fileName()));
    EXPECT_FALSE(w->history().recording());
    // Studying goes on without recording and without another word.
    w->selectNode(h.find("Graded and saved"));
    w->startStudy(Session::Review, 7);
    ASSERT_TRUE(waitShowing());
    key(Qt::Key_Space);
    key(Qt::Key_3);
    EXPECT_EQ(study()->LGrade->text(), QStringLiteral("Graded: Good"));
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
    EXPECT_EQ(h.prompts.shown.size(), 1);
    w->document()->markModified();
    EXPECT_TRUE(w->MISaveClick()); // the library is saved as ever
    EXPECT_EQ(h.prompts.shown.size(), 1);
    QFile kept(historyFile);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray(8192, 'x'));
}

} // namespace
