// Several speech engines behind one: the grouped voice list, a voice per side, "[voice:]"
// lines, rate and pitch, the stored choice, and the Qt TextToSpeech wrapper's events.
#include "library/objects.h"
#include "library/questionrecord.h"
#include "library/settingskeys.h"
#include "mainharness.h"
#include "mainwindow/mainvoice.h"
#include "mainwindow/voicedialog.h"
#include "platform/qtspeechengine.h"
#include "platform/speechengines.h"
#include "study/fstudyquestion.h"
#include "study/sessionpanel.h"
#include "testhelpers.h"
#include "tests/support/fakespeech.h"
#include "tests/support/mocktts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTextToSpeech>
#include <QToolButton>
#include <QtPlugin>
#include <gtest/gtest.h>

Q_IMPORT_PLUGIN(MockTtsPlugin)

using namespace brenvik;

namespace {

// "started"/"done" as they arrive.
struct Events {
    QStringList seen;
    explicit Events(QObject* sender, bool engine = true) {
        if (engine) {
            auto* e = static_cast<SpeechEngine*>(sender);
            QObject::connect(e, &SpeechEngine::started, e, [this] { seen << "started"; });
            QObject::connect(e, &SpeechEngine::done, e, [this] { seen << "done"; });
        } else {
            auto* v = static_cast<MainVoice*>(sender);
            QObject::connect(v, &MainVoice::started, v, [this] { seen << "started"; });
            QObject::connect(v, &MainVoice::done, v, [this] { seen << "done"; });
        }
    }
};

std::unique_ptr<FakeSpeechEngine> Fake(const char* engine, const QStringList& names,
                                       const QStringList& tags) {
    auto e = std::make_unique<FakeSpeechEngine>();
    e->setEngineName(QString::fromUtf8(engine));
    e->setModeNames(names);
    e->setModeLanguages(tags);
    e->setDurationMs(-1);
    return e;
}

// Two engines as the program has them: espeak-ng's voices, then Flite's.
struct TwoEngines {
    SpeechEngines engines;
    FakeSpeechEngine* espeak = nullptr;
    FakeSpeechEngine* flite = nullptr;
    QCheckBox mute;
    QComboBox list;
    std::unique_ptr<MainVoice> voice;

    TwoEngines() {
        auto e = Fake("espeak-ng", {"English", "Spanish", "French"}, {"en", "es", "fr"});
        auto f = Fake("Flite", {"kal", "slt"}, {"en-US", "en-US"});
        espeak = e.get();
        flite = f.get();
        engines.addEngine(std::move(e));
        engines.addEngine(std::move(f));
        voice = std::make_unique<MainVoice>(engines, mute, list, 2000, [](const QString&) {});
        voice->fillVoices();
    }
};

} // namespace

TEST(SpeechEngines, ListsTheVoicesOfEveryEngineGroupedAndLeavesOutABrokenOne) {
    SpeechEngines engines;
    LogCapture log;
    auto broken = Fake("Speech Dispatcher", {}, {});
    broken->setAvailable(false, QStringLiteral("Connection to speech-dispatcher failed"));
    EXPECT_TRUE(engines.addEngine(Fake("espeak-ng", {"English", "Spanish"}, {"en", "es"})));
    EXPECT_FALSE(engines.addEngine(std::move(broken)));
    EXPECT_FALSE(engines.addEngine(Fake("Empty", {}, {}))); // no voices: nothing to offer
    EXPECT_TRUE(engines.addEngine(Fake("Flite", {"kal"}, {"en-US"})));
    EXPECT_EQ(log.count(QStringLiteral("Speech Dispatcher left out")), 1);
    EXPECT_EQ(engines.engineCount(), 2);
    ASSERT_EQ(engines.modeCount(), 3);
    EXPECT_EQ(engines.modeName(1), QStringLiteral("espeak-ng: English (en)"));
    EXPECT_EQ(engines.modeName(2), QStringLiteral("espeak-ng: Spanish (es)"));
    EXPECT_EQ(engines.modeName(3), QStringLiteral("Flite: kal (en-US)"));
    EXPECT_EQ(KeyOfMode(engines, 3), (VoiceKey{"Flite", "kal"}));
    EXPECT_TRUE(engines.modeName(4).isEmpty());

    // With no engine at all the program goes on mute and says why.
    SpeechEngines none;
    auto gone = Fake("espeak-ng", {}, {});
    gone->setAvailable(false, QStringLiteral("no voice data"));
    none.addEngine(std::move(gone));
    EXPECT_FALSE(none.available());
    EXPECT_EQ(none.failureText(), QStringLiteral("no voice data"));
}

TEST(SpeechEngines, AnUtteranceGoesToItsVoicesEngineAndEventsStayInOrderAcrossEngines) {
    TwoEngines t;
    Events events(&t.engines);
    t.engines.setProsody(0.5, -0.3);
    EXPECT_DOUBLE_EQ(t.flite->rate, 0.5);
    EXPECT_DOUBLE_EQ(t.espeak->pitch, -0.3);

    t.engines.setCurrentMode(2);
    t.engines.speak(QStringLiteral("Hola"));
    EXPECT_EQ(t.espeak->spokenIn, QList<int>{2});
    t.engines.setCurrentMode(5); // Flite's second voice
    t.engines.speak(QStringLiteral("Hello"));
    EXPECT_EQ(t.flite->spokenIn, QList<int>{2});
    EXPECT_EQ(t.espeak->stopCount, 1) << "the other engine's utterance is cut off";
    t.engines.stopSpeaking();
    ASSERT_TRUE(waitUntil([&] { return events.seen.size() == 4; }));
    QTest::qWait(50);
    EXPECT_EQ(events.seen, (QStringList{"started", "done", "started", "done"}));
    EXPECT_FALSE(t.engines.speaking());
}

TEST(MainVoiceSides, EachSideReachesTheEngineInItsOwnVoice) {
    TwoEngines t;
    EXPECT_EQ(t.list.count(), 5);
    EXPECT_EQ(t.list.itemText(3).trimmed(), QStringLiteral("Flite: kal (en-US)"));
    // Today's default: one voice for both sides.
    t.voice->setActiveVoice(1);
    t.voice->speakSide(QStringLiteral("Question"), SpeechSide::Question, {});
    t.voice->speakSide(QStringLiteral("Answer"), SpeechSide::Answer, {});
    EXPECT_EQ(t.espeak->spokenIn, (QList<int>{1, 1}));
    EXPECT_TRUE(t.flite->spoken.isEmpty());

    t.voice->setAnswerVoice({"Flite", "slt"});
    t.voice->speakSide(QStringLiteral("Question"), SpeechSide::Question, {});
    t.voice->speakSide(QStringLiteral("Answer"), SpeechSide::Answer, {});
    EXPECT_EQ(t.espeak->spokenIn, (QList<int>{1, 1, 1}));
    EXPECT_EQ(t.flite->spoken, QStringList{"Answer"});
    EXPECT_EQ(t.flite->spokenIn, QList<int>{2});
    // Everything else the program says keeps the question's voice.
    t.voice->speak(QStringLiteral("Thank you."));
    EXPECT_EQ(t.espeak->spoken.last(), QStringLiteral("Thank you."));

    // Rate and pitch reach every engine as a fraction of their range.
    t.voice->setProsody(5, -10);
    EXPECT_DOUBLE_EQ(t.espeak->rate, 0.5);
    EXPECT_DOUBLE_EQ(t.flite->pitch, -1.0);
    t.voice->setProsody(40, 0); // out of range is brought back in
    EXPECT_EQ(t.voice->rate(), 10);
}

TEST(MainVoiceSides, AVoiceLineNamesItsVoiceByLanguageOrByNameElseTheSidesVoiceSpeaks) {
    TwoEngines t;
    t.voice->setActiveVoice(1);
    t.voice->speakSide(QStringLiteral("Uno"), SpeechSide::Question, QStringLiteral("es"));
    EXPECT_EQ(t.espeak->spokenIn.last(), 2);
    // A regional tag finds the language when no voice has that very tag.
    t.voice->speakSide(QStringLiteral("Un"), SpeechSide::Question, QStringLiteral("fr-CA"));
    EXPECT_EQ(t.espeak->spokenIn.last(), 3);
    t.voice->speakSide(QStringLiteral("Hi"), SpeechSide::Answer, QStringLiteral("Flite kal"));
    EXPECT_EQ(t.flite->spokenIn.last(), 1);
    t.voice->speakSide(QStringLiteral("Hi"), SpeechSide::Answer, QStringLiteral("flite SLT"));
    EXPECT_EQ(t.flite->spokenIn.last(), 2);
    // A language is looked for in the side's engine first.
    t.voice->setAnswerVoice({"Flite", "slt"});
    t.voice->speakSide(QStringLiteral("Hi"), SpeechSide::Answer, QStringLiteral("en-us"));
    EXPECT_EQ(t.flite->spokenIn.last(), 1);

    LogCapture log;
    const int espeakBefore = int(t.espeak->spoken.size());
    t.voice->speakSide(QStringLiteral("Still heard"), SpeechSide::Question,
                       QStringLiteral("Klingon"));
    ASSERT_EQ(t.espeak->spoken.size(), espeakBefore + 1);
    EXPECT_EQ(t.espeak->spokenIn.last(), 1);
    EXPECT_EQ(log.count(QStringLiteral("[voice:Klingon]")), 1);
    EXPECT_EQ(log.lines.size(), 1);
}

TEST(MainVoiceSides, TheChoiceSurvivesARestartAndOldFilesKeepTheirNumber) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("brenvik.ini"));
    {
        TwoEngines t;
        SettingsStore store(ini);
        t.list.setCurrentIndex(3);
        Q_EMIT t.list.activated(3); // the user picks Flite's kal
        t.voice->setAnswerVoice({"espeak-ng", "Spanish"});
        t.voice->setProsody(-3, 4);
        t.voice->writeSettings(store);
        store.write(settings::MainActiveVoice, t.voice->activeVoice());
        ASSERT_TRUE(store.flush());
    }
    {
        TwoEngines t;
        SettingsStore store(ini);
        t.voice->readSettings(store);
        t.voice->fillVoices();
        EXPECT_EQ(t.voice->questionVoice(), (VoiceKey{"Flite", "kal"}));
        EXPECT_EQ(t.voice->answerVoice(), (VoiceKey{"espeak-ng", "Spanish"}));
        EXPECT_EQ(t.list.currentText().trimmed(), QStringLiteral("Flite: kal (en-US)"));
        EXPECT_EQ(t.voice->rate(), -3);
        EXPECT_EQ(t.voice->pitch(), 4);
        EXPECT_DOUBLE_EQ(t.flite->rate, -0.3);
        EXPECT_EQ(store.read(settings::MainActiveVoice), 4);
    }
    {
        // A file of old: the number alone, which names espeak-ng's voices as before.
        QFile f(dir.filePath(QStringLiteral("old.ini")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[main]\nactivevoice=3\n");
        f.close();
        TwoEngines t;
        SettingsStore store(f.fileName());
        t.voice->readSettings(store);
        EXPECT_EQ(t.voice->questionVoice(), (VoiceKey{"espeak-ng", "French"}));
        EXPECT_TRUE(t.voice->answerVoice().empty());
        t.voice->speakSide(QStringLiteral("Answer"), SpeechSide::Answer, {});
        EXPECT_EQ(t.espeak->spokenIn.last(), 3) << "the answer speaks as the question";
    }
}

TEST(MainVoiceSides, AnEngineAddedBeforeTheChosenVoiceDoesNotShiftIt) {
    TwoEngines t;
    t.list.setCurrentIndex(1);
    Q_EMIT t.list.activated(1); // espeak-ng: Spanish
    t.voice->setAnswerVoice({"Flite", "slt"});
    ASSERT_EQ(t.voice->activeVoice(), 2);
    // Another engine's voices come in at the top of the list.
    t.engines.addEngine(Fake("Speech Dispatcher", {"a", "b", "c", "d"}, {"de", "de", "it", "it"}),
                        0);
    EXPECT_EQ(t.list.count(), 9);
    EXPECT_EQ(t.list.currentText().trimmed(), QStringLiteral("espeak-ng: Spanish (es)"));
    EXPECT_EQ(t.voice->activeVoice(), 6);
    t.voice->speakSide(QStringLiteral("Pregunta"), SpeechSide::Question, {});
    t.voice->speakSide(QStringLiteral("Answer"), SpeechSide::Answer, {});
    EXPECT_EQ(t.espeak->spoken.last(), QStringLiteral("Pregunta"));
    EXPECT_EQ(t.espeak->spokenIn.last(), 2);
    EXPECT_EQ(t.flite->spokenIn.last(), 2);
}

TEST(MainVoiceSides, TheVoiceDialogSetsTheAnswerVoiceRateAndPitch) {
    TwoEngines t;
    VoiceDialog dialog(*t.voice);
    QComboBox* answer = dialog.answerVoices();
    ASSERT_EQ(answer->count(), 6);
    EXPECT_EQ(answer->itemText(0), QStringLiteral("Same as question"));
    EXPECT_EQ(answer->currentIndex(), 0);
    answer->setCurrentIndex(5);
    Q_EMIT answer->activated(5);
    EXPECT_EQ(t.voice->answerVoice(), (VoiceKey{"Flite", "slt"}));
    dialog.rateSlider()->setValue(7);
    dialog.pitchSlider()->setValue(-2);
    EXPECT_EQ(t.voice->rate(), 7);
    EXPECT_DOUBLE_EQ(t.espeak->pitch, -0.2);
    answer->setCurrentIndex(0);
    Q_EMIT answer->activated(0);
    EXPECT_TRUE(t.voice->answerVoice().empty());
}

// The Qt TextToSpeech wrapper, through QTextToSpeech and its "mock" engine.
class QtSpeechTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QTextToSpeech::availableEngines().contains(QStringLiteral("mock")));
        engine = std::make_unique<QtSpeechEngine>(QStringLiteral("mock"), QStringLiteral("Mock"));
        mock = MockTtsEngine::last();
        ASSERT_NE(mock, nullptr);
        events = std::make_unique<Events>(engine.get());
    }
    bool waitEvents(int n) {
        const bool ok = waitUntil([&] { return events->seen.size() >= n; }, 3000);
        QTest::qWait(30); // nothing more may follow
        return ok && events->seen.size() == n;
    }
    std::unique_ptr<QtSpeechEngine> engine;
    MockTtsEngine* mock = nullptr;
    std::unique_ptr<Events> events;
};

TEST_F(QtSpeechTest, ListsTheVoicesOfEveryLanguageAndSpeaksInTheModesVoice) {
    ASSERT_TRUE(engine->available());
    ASSERT_EQ(engine->modeCount(), 3);
    EXPECT_EQ(engine->modeName(3), QStringLiteral("carmen"));
    EXPECT_EQ(engine->modeLanguage(3), QStringLiteral("es-ES"));
    EXPECT_EQ(engine->modeLanguage(2), QStringLiteral("en-GB"));
    engine->setCurrentMode(3);
    engine->setProsody(0.4, -0.2);
    engine->speak(QStringLiteral("Hola"));
    EXPECT_EQ(mock->saidWith, QStringList{"carmen"});
    EXPECT_DOUBLE_EQ(mock->rate(), 0.4);
    EXPECT_DOUBLE_EQ(mock->pitch(), -0.2);
    EXPECT_TRUE(events->seen.isEmpty()) << "nothing before the engine reports";
    mock->report(QTextToSpeech::Speaking);
    EXPECT_TRUE(events->seen.isEmpty()) << "queued, never inside the engine's call";
    mock->report(QTextToSpeech::Ready);
    ASSERT_TRUE(waitEvents(2));
    EXPECT_EQ(events->seen, (QStringList{"started", "done"}));
    EXPECT_FALSE(engine->speaking());
}

TEST_F(QtSpeechTest, StopAndEveryOtherEndGiveOneStartedThenOneDone) {
    // Stopped before a sound was made.
    engine->speak(QStringLiteral("One"));
    engine->stopSpeaking();
    engine->stopSpeaking();
    ASSERT_TRUE(waitEvents(2));
    EXPECT_EQ(events->seen, (QStringList{"started", "done"}));

    // Stopped while speaking: the engine's own Ready after the stop adds nothing.
    engine->speak(QStringLiteral("Two"));
    mock->report(QTextToSpeech::Speaking);
    engine->stopSpeaking();
    ASSERT_TRUE(waitEvents(4));
    EXPECT_EQ(mock->stops, 2);

    // Cut off by the next text; the late Ready of the first is not the second's end.
    engine->speak(QStringLiteral("Three"));
    mock->report(QTextToSpeech::Speaking);
    engine->speak(QStringLiteral("Four"));
    mock->report(QTextToSpeech::Ready);
    ASSERT_TRUE(waitEvents(6));
    EXPECT_TRUE(engine->speaking());
    mock->report(QTextToSpeech::Speaking);
    mock->report(QTextToSpeech::Ready);
    ASSERT_TRUE(waitEvents(8));

    // An error ends the utterance.
    engine->speak(QStringLiteral("Five"));
    mock->report(QTextToSpeech::Error);
    ASSERT_TRUE(waitEvents(10));
    // Again in the error state, which Qt does not report anew: still ended.
    engine->speak(QStringLiteral("Six"));
    ASSERT_TRUE(waitEvents(12));
    for (int i = 0; i < 12; i += 2)
        EXPECT_EQ(events->seen.mid(i, 2), (QStringList{"started", "done"})) << i;
    EXPECT_EQ(mock->said.size(), 6);
}

TEST(QtSpeechReal, QtsEnginesStartQuicklyAndEndEveryUtteranceEvenWithoutSound) {
    // Whatever is installed here: Flite lists its voices; Speech Dispatcher without its
    // server is found unavailable. Neither may hold the window up.
    for (const QString& provider : QtSpeechEngine::providers()) {
        if (provider == QLatin1String("mock")) continue;
        QElapsedTimer clock;
        clock.start();
        QtSpeechEngine engine(provider, QtSpeechEngine::displayNameOf(provider));
        engine.modeCount();
        EXPECT_LT(clock.elapsed(), 2000) << provider.toStdString();
        if (!engine.available()) continue;
        EXPECT_FALSE(engine.modeName(1).isEmpty());
        Events events(&engine);
        engine.speak(QStringLiteral("Testing."));
        engine.stopSpeaking();
        engine.speak(QStringLiteral("Testing, 1, 2, 3."));
        ASSERT_TRUE(waitUntil([&] { return events.seen.size() >= 4; }, 20000))
            << provider.toStdString() << ": " << events.seen.join(' ').toStdString();
        QTest::qWait(100);
        EXPECT_EQ(events.seen, (QStringList{"started", "done", "started", "done"}));
    }
}

// In a session: each side in its voice, and a question's own "[voice:]" line.
TEST(VoicePerSideSession, TheQuestionAndTheAnswerAreSpokenInTheirVoices) {
    MainHarness h;
    h.speech.setModeNames({"Voice 1", "Voice 2", "Voice 3"});
    ASSERT_TRUE(h.start());
    TFormMain* w = h.window.get();
    for (SessionPanel* p : {static_cast<SessionPanel*>(ui(*w).FormFlashSelected)}) {
        part<QLineEdit>(p, "EPauseAfterQ")->setText(QStringLiteral("0"));
        part<QLineEdit>(p, "EPauseAfterA")->setText(QStringLiteral("0"));
    }
    h.speech.setDurationMs(-1);

    // The answer's voice is chosen in the Voice dialog beside the voice list.
    ui(*w).BVoice->click();
    auto* dialog = w->findChild<VoiceDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    dialog->answerVoices()->setCurrentIndex(3);
    Q_EMIT dialog->answerVoices()->activated(3);
    dialog->close();
    ui(*w).CBModes->setCurrentIndex(0);
    Q_EMIT ui(*w).CBModes->activated(0);

    LibraryTree& tree = w->tree();
    const NodeId section = GetObjAtLevel(tree, h.find("United States"), 6);
    const NodeId conceptNode = AddNewObj(tree, section, h.colors).value();
    const NodeId q = AddNewObj(tree, conceptNode, h.colors).value();
    QuestionRecord r = QuestionRecord::newRecord(h.colors);
    r.name = "Q1";
    r.layout = 1;
    r.panes[0].textLines = {"Question"};
    r.spokenQuestion = {"In English", "[voice:Voice 2]", "In the second voice"};
    r.answer = "Answer";
    r.spokenAnswer = {"The answer"};
    WriteQuestionRecord(tree, q, r, h.colors);
    w->selectNode(conceptNode);

    const int before = int(h.speech.spoken.size());
    w->startStudy(Session::Flash, 7);
    const auto said = [&](int n) {
        return waitUntil([&] { return h.speech.spoken.size() >= before + n; });
    };
    ASSERT_TRUE(said(1));
    h.speech.finishNow();
    ASSERT_TRUE(said(2));
    h.speech.finishNow();
    ASSERT_TRUE(said(3));
    EXPECT_EQ(h.speech.spoken.mid(before, 3),
              (QStringList{"In English", "In the second voice", "The answer"}));
    EXPECT_EQ(h.speech.spokenIn.mid(before, 3), (QList<int>{1, 2, 3}));
    QTest::keyClick(ui(*w).FormStudyQuestion, Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return !w->studyBusy(); }, 10000));
}
