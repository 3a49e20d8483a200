// The sounds of a question's spoken lines in the study window, on the fakes: the parts of a
// side in their order, skipped sounds, and stopping in the middle of a side.
#include "library/objects.h"
#include "library/questionrecord.h"
#include "mainharness.h"
#include "study/fstudyquestion.h"
#include "study/sessionpanel.h"
#include "testhelpers.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

class SpokenSoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(h.start());
        w = h.window.get();
        for (SessionPanel* p : {static_cast<SessionPanel*>(ui(*w).FormFlashSelected),
                                static_cast<SessionPanel*>(ui(*w).FormImprintSelected)}) {
            part<QLineEdit>(p, "EPauseAfterQ")->setText(QStringLiteral("0"));
            part<QLineEdit>(p, "EPauseAfterA")->setText(QStringLiteral("0"));
        }
        // Speech and sounds end only when the test says so.
        h.speech.setDurationMs(-1);
        h.sound.setDurationMs(-1);
    }

    LibraryTree& tree() { return w->tree(); }

    // A conceptNode of `n` questions with these spoken sides; returns the conceptNode.
    NodeId addConcept(int n, const std::vector<std::string>& question,
                      const std::vector<std::string>& answer) {
        const NodeId section = GetObjAtLevel(tree(), h.find("United States"), 6);
        const NodeId conceptNode = AddNewObj(tree(), section, h.colors).value();
        tree().setText(conceptNode, "Sounds");
        for (int i = 1; i <= n; ++i) {
            const NodeId q = AddNewObj(tree(), conceptNode, h.colors).value();
            QuestionRecord r = QuestionRecord::newRecord(h.colors);
            r.name = "S" + std::to_string(i);
            r.layout = 1;
            r.panes[0].textLines = {"Question " + std::to_string(i)};
            r.spokenQuestion = question;
            r.answer = "Answer " + std::to_string(i);
            r.spokenAnswer = answer;
            WriteQuestionRecord(tree(), q, r, h.colors);
        }
        return conceptNode;
    }
    QString writeFile(const QString& name) {
        const QString path = h.folder.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return {};
        f.write("not looked at by the fake");
        return path;
    }

    TFormStudyQuestion* study() const { return ui(*w).FormStudyQuestion; }
    bool waitShowing() { return WaitStudyShowing(*w); }
    bool waitClosed(int ms = 10000) { return WaitStudyClosed(*w, ms); }
    void key(int k) { StudyKey(*w, k); }
    // The events of a few turns of the event loop, in which nothing is expected to move.
    static void settle() { QTest::qWait(150); }

    MainHarness h;
    TFormMain* w = nullptr;
};

TEST_F(SpokenSoundTest, SpeechAndSoundsOfASideComeInTheirOrderAndTheAnswerWaitsForAll) {
    // The sound lies beside the library file, in the importer's media folder.
    const QString other = h.folder.filePath(QStringLiteral("other"));
    ASSERT_TRUE(QDir().mkpath(other));
    const QString a = writeFile(QStringLiteral("other/media/a.mp3"));
    ASSERT_FALSE(a.isEmpty());
    const NodeId conceptNode = addConcept(1, {"Hello", "[sound:media/a.mp3]", "world"}, {"Done"});
    h.prompts.files << other + QStringLiteral("/mine.bv1");
    ASSERT_TRUE(w->MISaveAsClick());
    w->selectNode(conceptNode);
    const int before = int(h.speech.spoken.size());
    w->startStudy(Session::Flash, 7);
    ASSERT_TRUE(waitShowing());
    TFormStudyQuestion* s = study();

    ASSERT_TRUE(waitUntil([&] { return h.speech.spoken.size() > before; }));
    EXPECT_EQ(h.speech.spoken.mid(before), QStringList{QStringLiteral("Hello")});
    settle();
    EXPECT_TRUE(h.sound.played.isEmpty()); // the sound waits for the words before it
    h.speech.finishNow();
    ASSERT_TRUE(waitUntil([&] { return h.sound.playing(); }));
    EXPECT_EQ(h.sound.played, QStringList{a});
    settle();
    EXPECT_EQ(h.speech.spoken.size(), before + 1); // "world" waits for the sound
    EXPECT_FALSE(s->answerVisible());
    h.sound.finishNow();
    ASSERT_TRUE(waitUntil([&] { return h.speech.spoken.size() == before + 2; }));
    EXPECT_EQ(h.speech.spoken.last(), QStringLiteral("world"));
    settle();
    EXPECT_FALSE(s->answerVisible()); // the last part is still being said
    EXPECT_TRUE(s->spokenSideRunning());
    h.speech.finishNow();
    ASSERT_TRUE(waitUntil([&] { return s->answerVisible(); }));
    ASSERT_TRUE(waitUntil([&] { return h.speech.spoken.last() == QStringLiteral("Done"); }));
    EXPECT_EQ(h.sound.played.size(), 1);
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
}

TEST_F(SpokenSoundTest, SoundsThatCannotBePlayedAreSkippedWithOneLineInTheLog) {
    const QString bad = writeFile(QStringLiteral("bad.mp3"));
    h.sound.undecodable << bad;
    // A side of missing sounds only is nothing to wait for.
    const NodeId conceptNode =
        addConcept(1, {"[sound:missing.mp3]", "[sound:bad.mp3]", "Hello"}, {"[sound:gone.ogg]"});
    LogCapture log;
    w->selectNode(conceptNode);
    const int before = int(h.speech.spoken.size());
    w->startStudy(Session::Flash, 7);
    ASSERT_TRUE(waitShowing());
    TFormStudyQuestion* s = study();
    ASSERT_TRUE(waitUntil([&] { return h.speech.spoken.size() > before; }));
    EXPECT_EQ(h.speech.spoken.last(), QStringLiteral("Hello"));
    EXPECT_EQ(h.sound.played, QStringList{bad}); // the missing one is not even tried
    EXPECT_EQ(log.count(QStringLiteral("missing.mp3")), 1);
    EXPECT_EQ(log.count(QStringLiteral("bad.mp3")), 1);
    EXPECT_EQ(log.count(QStringLiteral("could not be decoded")), 1);
    const int firstVisit = s->visitsShown();
    h.speech.finishNow();
    // The answer holds only the missing sound: the next visit follows without a wait, so
    // soon that the answer may already be gone again when the test looks.
    ASSERT_TRUE(waitUntil([&] { return s->visitsShown() > firstVisit; }));
    EXPECT_EQ(log.count(QStringLiteral("gone.ogg")), 1);
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());

    // A muted voice mutes the sounds as well.
    ui(*w).CBDisaVoice->setChecked(true);
    h.sound.played.clear();
    const int spoken = int(h.speech.spoken.size());
    const int visits = s->visitsShown();
    w->selectNode(conceptNode);
    w->startStudy(Session::Flash, 7);
    ASSERT_TRUE(waitClosed());
    EXPECT_EQ(s->visitsShown(), visits + 5);
    EXPECT_TRUE(h.sound.played.isEmpty());
    EXPECT_EQ(h.speech.spoken.size(), spoken);
}

TEST_F(SpokenSoundTest, ASideOfOnlySoundsIsWaitedFor) {
    writeFile(QStringLiteral("a.mp3"));
    writeFile(QStringLiteral("b.wav"));
    const NodeId conceptNode = addConcept(1, {"[sound:a.mp3]"}, {"[sound:b.wav]"});
    w->selectNode(conceptNode);
    w->startStudy(Session::Flash, 7);
    ASSERT_TRUE(waitShowing());
    TFormStudyQuestion* s = study();
    ASSERT_TRUE(waitUntil([&] { return h.sound.playing(); }));
    settle();
    EXPECT_FALSE(s->answerVisible());
    h.sound.finishNow();
    ASSERT_TRUE(waitUntil([&] { return s->answerVisible(); }));
    ASSERT_TRUE(waitUntil([&] { return h.sound.playing(); }));
    EXPECT_EQ(h.sound.played.last(), h.folder.filePath(QStringLiteral("b.wav")));
    settle();
    EXPECT_EQ(s->visitsShown(), 1); // the next visit waits for the answer's sound
    h.sound.finishNow();
    ASSERT_TRUE(waitUntil([&] { return s->visitsShown() == 2; }));
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
}

TEST_F(SpokenSoundTest, LeavingAVisitOrTheSessionDuringASoundStopsItAndNothingLaterActs) {
    writeFile(QStringLiteral("a.mp3"));
    const NodeId conceptNode = addConcept(2, {"[sound:a.mp3]", "after"}, {});
    w->selectNode(conceptNode);
    w->startStudy(Session::Review, 7);
    ASSERT_TRUE(waitShowing());
    TFormStudyQuestion* s = study();
    ASSERT_TRUE(waitUntil([&] { return h.sound.playing(); }));
    const int first = h.sound.lastPlay();
    const int spoken = int(h.speech.spoken.size());

    // The next visit cuts the sound off and starts its own.
    key(Qt::Key_Right);
    ASSERT_TRUE(waitShowing());
    ASSERT_EQ(s->position(), 1);
    ASSERT_TRUE(waitUntil([&] { return h.sound.playing(); }));
    EXPECT_EQ(h.sound.stopCount, 1);
    EXPECT_NE(h.sound.lastPlay(), first);
    // The first sound's end, come late, does not move the new visit on.
    h.sound.deliverLate(first);
    settle();
    EXPECT_EQ(h.speech.spoken.size(), spoken);
    EXPECT_TRUE(s->spokenSideRunning());
    h.sound.finishNow();
    ASSERT_TRUE(waitUntil([&] { return h.speech.spoken.size() == spoken + 1; }));
    EXPECT_EQ(h.speech.spoken.last(), QStringLiteral("after"));
    h.speech.finishNow();
    ASSERT_TRUE(waitUntil([&] { return !s->spokenSideRunning(); }));

    // Esc during a sound: it stops at once and its end acts on nothing.
    key(Qt::Key_Left);
    ASSERT_TRUE(waitShowing());
    ASSERT_TRUE(waitUntil([&] { return h.sound.playing(); }));
    const int last = h.sound.lastPlay();
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
    EXPECT_FALSE(h.sound.playing());
    EXPECT_EQ(h.sound.stopCount, 2);
    EXPECT_FALSE(s->spokenSideRunning());
    h.sound.deliverLate(last);
    settle();
    EXPECT_EQ(h.speech.spoken.size(), spoken + 1);
    EXPECT_FALSE(s->isVisible());
}

} // namespace
