// A session steered from a headset, the media keys and the desktop's player: the commands and
// what the player shows, going on in the background, the M key and the player's volume, and
// the player on a real session bus.
#include "library/objects.h"
#include "mainharness.h"
#include "platform/mediacontrols.h"
#include "study/sessionpanel.h"
#include "tests/support/fakemediacontrols.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

class StudyMediaTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.deps.media = media();
        ASSERT_TRUE(h.start());
        w = h.window.get();
        // A timed run with no pauses whose speech ends only when told: nothing moves on
        // unless a command, a key or the end of an utterance says so.
        SessionPanel* flash = ui(*w).FormFlashSelected;
        part<QLineEdit>(flash, "EPauseAfterQ")->setText(QStringLiteral("0"));
        part<QLineEdit>(flash, "EPauseAfterA")->setText(QStringLiteral("0"));
        h.speech.setDurationMs(-1);
    }
    virtual MediaControls* media() { return &fake; }

    // A concept of `n` text questions "Q1".."Qn" below the demo's first section.
    NodeId addConcept(int n) {
        LibraryTree& tree = w->tree();
        const NodeId section = GetObjAtLevel(tree, h.find("United States"), 6);
        const NodeId group = AddNewObj(tree, section, h.colors).value();
        tree.setText(group, "Headset concept");
        for (int i = 1; i <= n; ++i) {
            const QuestionRecord r = NumberedQuestion(h.colors, i);
            WriteQuestionRecord(tree, AddNewObj(tree, group, h.colors).value(), r, h.colors);
        }
        w->RefreshSelectionViews();
        return group;
    }
    bool startOn(NodeId group, Session s) {
        w->selectNode(group);
        w->startStudy(s, 7);
        return waitShowing();
    }

    TFormStudyQuestion* study() const { return ui(*w).FormStudyQuestion; }
    bool waitShowing() { return WaitStudyShowing(*w); }
    bool waitClosed() { return WaitStudyClosed(*w); }
    // Media keys carry no text, which QTest::keyClick would look up; the window gets them as
    // the window system sends them, a press and a release.
    void key(int k) {
        QWidget* target = QApplication::focusWidget();
        if (!target || target->window() != study()) target = study();
        QTest::sendKeyEvent(QTest::Click, target, Qt::Key(k), QString(), Qt::NoModifier);
    }
    void send(MediaCommand c) { Q_EMIT fake.command(c); }
    QString name() const { return QString::fromStdString(study()->currentRecord().name); }

    FakeMediaControls fake;
    MainHarness h;
    TFormMain* w = nullptr;
};

TEST_F(StudyMediaTest, MediaKeysSteerATimedSessionAndThePlayerShowsWhereItIs) {
    const NodeId group = addConcept(2);
    ASSERT_TRUE(startOn(group, Session::Flash));
    TFormStudyQuestion* s = study();
    ASSERT_TRUE(s->BPause->isVisible());
    EXPECT_EQ(fake.opens, 1);
    EXPECT_TRUE(fake.isOpen());
    EXPECT_EQ(fake.last().playback, Playback::Playing);
    EXPECT_EQ(fake.last().title, name());
    EXPECT_EQ(fake.last().progress, QStringLiteral("Flashing question 1 of 10"));

    key(Qt::Key_MediaTogglePlayPause);
    EXPECT_TRUE(s->paused());
    EXPECT_EQ(fake.last().playback, Playback::Paused);
    key(Qt::Key_MediaPause); // already paused
    EXPECT_TRUE(s->paused());
    key(Qt::Key_MediaPlay); // the keyboard's play key toggles: resumes, the same visit
    ASSERT_TRUE(waitShowing());
    EXPECT_FALSE(s->paused());
    EXPECT_EQ(fake.last().playback, Playback::Playing);
    EXPECT_EQ(s->visitsShown(), 2);
    EXPECT_EQ(s->summary().visits(), 1);

    key(Qt::Key_MediaNext); // the answer
    EXPECT_TRUE(s->answerShown());
    EXPECT_EQ(s->position(), 0);
    key(Qt::Key_MediaNext); // the next question
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(s->position(), 1);
    EXPECT_EQ(fake.last().progress, QStringLiteral("Flashing question 2 of 10"));
    EXPECT_EQ(fake.last().title, name());
    key(Qt::Key_MediaPrevious); // the same question again, as Up
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(s->position(), 1);
    EXPECT_EQ(s->visitsShown(), 4);
    EXPECT_EQ(s->summary().visits(), 2);

    key(Qt::Key_MediaStop);
    ASSERT_TRUE(waitClosed());
    EXPECT_EQ(fake.last().playback, Playback::Stopped);
    EXPECT_FALSE(fake.isOpen());
    EXPECT_EQ(fake.closes, 1);
}

TEST_F(StudyMediaTest, WithoutAPauseThePlayButtonGoesOnAndASpacedAnswerIsGradedByNextOrPrevious) {
    const NodeId group = addConcept(2);
    h.speech.setDurationMs(1);
    ASSERT_TRUE(startOn(group, Session::Review));
    TFormStudyQuestion* s = study();
    ASSERT_FALSE(s->BPause->isVisible());
    send(MediaCommand::PlayPause);
    ASSERT_TRUE(waitUntil([&] { return s->answerShown(); }));
    send(MediaCommand::Pause); // a headset that sends Play and Pause in turn
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(s->position(), 1);
    EXPECT_FALSE(s->paused());
    send(MediaCommand::Stop);
    ASSERT_TRUE(waitClosed());

    // The spaced session: Next on a shown answer grades it Good and moves on; Previous
    // grades Again and stays, and once graded it shows the question again.
    ASSERT_TRUE(startOn(group, Session::Spaced));
    send(MediaCommand::Next);
    ASSERT_TRUE(waitUntil([&] { return s->answerShown(); }));
    EXPECT_EQ(s->summary().graded(), 0);
    send(MediaCommand::Next);
    ASSERT_TRUE(waitShowing());
    EXPECT_EQ(s->summary().count(srs::Grade::Good), 1);
    EXPECT_EQ(s->position(), 1);
    send(MediaCommand::Play);
    ASSERT_TRUE(waitUntil([&] { return s->answerShown(); }));
    send(MediaCommand::Previous);
    EXPECT_EQ(s->summary().count(srs::Grade::Again), 1);
    EXPECT_TRUE(s->answerShown());
    const int shown = s->visitsShown();
    send(MediaCommand::Previous);
    ASSERT_TRUE(waitUntil([&] { return s->visitsShown() == shown + 1 && s->questionShown(); }));
    EXPECT_EQ(s->summary().graded(), 2);
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
}

TEST_F(StudyMediaTest, KeepGoingInTheBackgroundDecidesWhatADeactivationStops) {
    const NodeId group = addConcept(2);
    // Off, as by default: another program taking over stops the run.
    ASSERT_FALSE(part<QCheckBox>(ui(*w).FormFlashSelected, "CBBackground")->isChecked());
    ASSERT_TRUE(startOn(group, Session::Flash));
    TFormStudyQuestion* s = study();
    ASSERT_TRUE(waitUntil([&] { return h.speech.speaking(); }));
    QApplication::setActiveWindow(nullptr);
    EXPECT_FALSE(h.speech.speaking());
    h.speech.finishNow();
    QTest::qWait(100);
    EXPECT_FALSE(s->answerShown());
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());

    // On: one box for every kind of session, and the run goes on behind another program.
    part<QCheckBox>(ui(*w).FormReviewSelected, "CBBackground")->setChecked(true);
    EXPECT_TRUE(part<QCheckBox>(ui(*w).FormFlashSelected, "CBBackground")->isChecked());
    EXPECT_TRUE(part<QCheckBox>(ui(*w).FormSpacedSelected, "CBBackground")->isChecked());
    ASSERT_TRUE(startOn(group, Session::Flash));
    ASSERT_TRUE(waitUntil([&] { return h.speech.speaking(); }));
    QApplication::setActiveWindow(nullptr);
    EXPECT_TRUE(h.speech.speaking());
    h.speech.finishNow();
    ASSERT_TRUE(waitUntil([&] { return s->answerShown() && h.speech.speaking(); }));
    h.speech.finishNow();
    ASSERT_TRUE(waitUntil([&] { return s->position() == 1 && h.speech.speaking(); }));
    // Back in front, then a window of the program's own takes over: that still stops it.
    QApplication::setActiveWindow(s);
    ASSERT_TRUE(s->isActiveWindow());
    QWidget own;
    own.show();
    QApplication::setActiveWindow(&own);
    ASSERT_FALSE(s->isActiveWindow());
    EXPECT_FALSE(h.speech.speaking());
    own.hide();
    QApplication::setActiveWindow(s);
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
}

TEST_F(StudyMediaTest, TheMKeyAndThePlayersVolumeMuteTheVoiceAndTheRunGoesOn) {
    const NodeId group = addConcept(2);
    part<QCheckBox>(ui(*w).FormFlashSelected, "CBAutoQ")->setChecked(false); // the answer stays
    ASSERT_TRUE(startOn(group, Session::Flash));
    TFormStudyQuestion* s = study();
    QCheckBox* mute = ui(*w).CBDisaVoice;
    ASSERT_TRUE(waitUntil([&] { return h.speech.speaking(); }));
    // Muted while the question is said: the voice stops and the run goes on as for a
    // question with nothing to say, to the answer.
    key(Qt::Key_M);
    EXPECT_TRUE(mute->isChecked());
    EXPECT_FALSE(h.speech.speaking());
    EXPECT_TRUE(fake.last().muted);
    ASSERT_TRUE(waitUntil([&] { return s->answerShown(); }));
    const int spoken = int(h.speech.spoken.size());
    key(Qt::Key_M);
    EXPECT_FALSE(mute->isChecked());
    EXPECT_FALSE(fake.last().muted);
    key(Qt::Key_Right);
    ASSERT_TRUE(waitUntil([&] { return h.speech.speaking(); }));
    EXPECT_EQ(h.speech.spoken.size(), spoken + 1);

    Q_EMIT fake.volumeRequested(0.0);
    EXPECT_TRUE(mute->isChecked());
    EXPECT_FALSE(h.speech.speaking());
    Q_EMIT fake.volumeRequested(0.4);
    EXPECT_FALSE(mute->isChecked());
    EXPECT_FALSE(fake.last().muted);
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitClosed());
}

// The desktop's side of the player: calls and property reads over a connection of its own
// to the session bus, answered while the test's event loop runs.
class PlayerClient {
public:
    PlayerClient() : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, Name)) {}
    ~PlayerClient() { QDBusConnection::disconnectFromBus(Name); }

    bool connected() const { return bus_.isConnected(); }
    bool registered() const { return bus_.interface()->isServiceRegistered(Service()).value(); }
    bool call(const char* method) { return send(message(PlayerInterface, method)).isValid(); }
    QVariant property(const char* name) {
        QDBusMessage get = message("org.freedesktop.DBus.Properties", "Get");
        get << QString::fromLatin1(PlayerInterface) << QString::fromLatin1(name);
        const QVariant v = send(get);
        return v.value<QDBusVariant>().variant();
    }
    QVariantMap metadata() { return qdbus_cast<QVariantMap>(property("Metadata")); }
    bool setVolume(double volume) {
        QDBusMessage set = message("org.freedesktop.DBus.Properties", "Set");
        set << QString::fromLatin1(PlayerInterface) << QStringLiteral("Volume")
            << QVariant::fromValue(QDBusVariant(volume));
        return send(set).isValid();
    }

private:
    static constexpr const char* Name = "brenvik-desktop-applet";
    static constexpr const char* PlayerInterface = "org.mpris.MediaPlayer2.Player";
    static QString Service() { return QString::fromLatin1(MprisControls::ServiceName); }

    QDBusMessage message(const char* interface, const char* method) const {
        return QDBusMessage::createMethodCall(Service(), QStringLiteral("/org/mpris/MediaPlayer2"),
                                              QString::fromLatin1(interface),
                                              QString::fromLatin1(method));
    }
    // The reply's first value, or true for an empty reply; invalid on an error.
    QVariant send(const QDBusMessage& m) {
        QDBusPendingCall pending = bus_.asyncCall(m, 5000);
        if (!waitUntil([&] { return pending.isFinished(); }, 6000) || pending.isError()) return {};
        const QList<QVariant> values = pending.reply().arguments();
        return values.isEmpty() ? QVariant(true) : values.first();
    }

    QDBusConnection bus_;
};

class MprisBus : public StudyMediaTest {
protected:
    void SetUp() override {
        // The ctest entry gui_mpris_session_bus runs this on a session bus of its own.
        if (qEnvironmentVariableIsEmpty("BRENVIK_MPRIS_BUS_TEST"))
            GTEST_SKIP() << "runs on a session bus of its own: ctest -R gui_mpris_session_bus";
        StudyMediaTest::SetUp();
    }
    MediaControls* media() override { return &mpris; }
    MprisControls mpris;
};

TEST_F(MprisBus, AFlashSessionFollowsThePlayerOnTheSessionBus) {
    PlayerClient desktop;
    ASSERT_TRUE(desktop.connected());
    EXPECT_FALSE(desktop.registered());
    const NodeId group = addConcept(2);
    ASSERT_TRUE(startOn(group, Session::Flash));
    TFormStudyQuestion* s = study();
    ASSERT_TRUE(desktop.registered());
    EXPECT_EQ(desktop.property("PlaybackStatus").toString(), QStringLiteral("Playing"));
    QVariantMap meta = desktop.metadata();
    EXPECT_EQ(meta.value(QStringLiteral("xesam:title")).toString(), name());
    EXPECT_EQ(meta.value(QStringLiteral("xesam:artist")).toStringList(),
              QStringList{QStringLiteral("Flashing question 1 of 10")});

    ASSERT_TRUE(desktop.call("PlayPause"));
    ASSERT_TRUE(waitUntil([&] { return s->paused(); }));
    EXPECT_EQ(desktop.property("PlaybackStatus").toString(), QStringLiteral("Paused"));
    ASSERT_TRUE(desktop.call("PlayPause"));
    ASSERT_TRUE(waitUntil([&] { return !s->paused() && s->visitsShown() == 2; }));

    ASSERT_TRUE(desktop.call("Next"));
    ASSERT_TRUE(waitUntil([&] { return s->answerShown(); }));
    ASSERT_TRUE(desktop.call("Next"));
    ASSERT_TRUE(waitUntil([&] { return s->position() == 1 && s->questionShown(); }));
    meta = desktop.metadata();
    EXPECT_EQ(meta.value(QStringLiteral("xesam:title")).toString(), name());
    EXPECT_EQ(meta.value(QStringLiteral("xesam:artist")).toStringList(),
              QStringList{QStringLiteral("Flashing question 2 of 10")});
    ASSERT_TRUE(desktop.call("Previous"));
    ASSERT_TRUE(waitUntil([&] { return s->visitsShown() == 4 && s->questionShown(); }));
    EXPECT_EQ(s->position(), 1);
    // Two visits: the first shown twice (paused and resumed), the second twice (repeated).
    EXPECT_EQ(s->summary().visits(), 2);

    // The volume while paused, where muting moves nothing on.
    ASSERT_TRUE(desktop.call("Pause"));
    ASSERT_TRUE(waitUntil([&] { return s->paused(); }));
    ASSERT_TRUE(desktop.setVolume(0.0));
    ASSERT_TRUE(waitUntil([&] { return ui(*w).CBDisaVoice->isChecked(); }));
    EXPECT_EQ(desktop.property("Volume").toDouble(), 0.0);
    ASSERT_TRUE(desktop.setVolume(1.0));
    ASSERT_TRUE(waitUntil([&] { return !ui(*w).CBDisaVoice->isChecked(); }));

    ASSERT_TRUE(desktop.call("Stop"));
    ASSERT_TRUE(waitClosed());
    EXPECT_EQ(s->summary().visits(), 2);
    EXPECT_TRUE(waitUntil([&] { return !desktop.registered(); }));
}

} // namespace
