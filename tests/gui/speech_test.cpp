#include "mainwindow/mainvoice.h"
#include "platform/espeakengine.h"
#include "tests/gui/waituntil.h"
#include "tests/support/fakespeech.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace brenvik;

namespace {

void pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

// Records the signals of an engine or of the window's voice as "started"/"done" with the
// time they arrived.
struct SignalLog {
    QStringList events;
    QList<qint64> at;
    QElapsedTimer clock;
    explicit SignalLog(SpeechEngine& e) { watch(&e, &SpeechEngine::started, &SpeechEngine::done); }
    explicit SignalLog(MainVoice& v) { watch(&v, &MainVoice::started, &MainVoice::done); }
    template <typename T> void watch(T* sender, void (T::*started)(), void (T::*done)()) {
        clock.start();
        QObject::connect(sender, started, sender, [this] {
            events << QStringLiteral("started");
            at << clock.elapsed();
        });
        QObject::connect(sender, done, sender, [this] {
            events << QStringLiteral("done");
            at << clock.elapsed();
        });
    }
    int count(const char* name) const { return int(events.count(QString::fromLatin1(name))); }
};

const QStringList OneUtterance{QStringLiteral("started"), QStringLiteral("done")};

double rms(const QVector<qint16>& s) {
    double sum = 0;
    for (qint16 v : s)
        sum += double(v) * v;
    return s.isEmpty() ? 0 : std::sqrt(sum / s.size());
}

// CPU time used by the whole process so far (every thread), in milliseconds.
qint64 processCpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (qint64(u.ru_utime.tv_sec) + u.ru_stime.tv_sec) * 1000 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
}

// Resident memory of the process in megabytes.
double residentMb() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096 / (1024 * 1024) : 0;
}

// A pasted pane text of many thousand lines: hours of speech.
QString veryLongText(int lines) {
    QString text;
    for (int i = 0; i < lines; ++i)
        text += QStringLiteral("Line %1 of a very long pasted text that nobody means to hear.\n")
                    .arg(i);
    return text;
}

} // namespace

TEST(FakeSpeech, RecordsTextsAndReportsEachUtteranceOnceInOrder) {
    FakeSpeechEngine engine;
    SignalLog log(engine);
    EXPECT_EQ(engine.modeCount(), 3);
    EXPECT_EQ(engine.modeName(2), QStringLiteral("Voice 2"));
    EXPECT_TRUE(engine.modeName(4).isEmpty());

    engine.speak(QStringLiteral("Good morning!"));
    EXPECT_TRUE(engine.speaking());
    EXPECT_TRUE(log.events.isEmpty()) << "signals must be queued, not emitted inside speak()";
    ASSERT_TRUE(waitUntil([&] { return log.events.size() == 2; }, 2000));
    EXPECT_EQ(log.events, OneUtterance);
    EXPECT_FALSE(engine.speaking());

    // A new text cuts the one in progress: both still report started then done.
    engine.setDurationMs(-1);
    engine.speak(QStringLiteral("One"));
    engine.speak(QStringLiteral("Two"));
    ASSERT_TRUE(waitUntil([&] { return log.events.size() == 5; }, 2000));
    pump(50);
    EXPECT_EQ(log.events.mid(2), (QStringList{QStringLiteral("started"), QStringLiteral("done"),
                                              QStringLiteral("started")}));
    EXPECT_TRUE(engine.speaking());
    engine.stopSpeaking();
    engine.stopSpeaking(); // a second stop has nothing left to end
    ASSERT_TRUE(waitUntil([&] { return log.events.size() == 6; }, 2000));
    pump(50);
    EXPECT_EQ(log.events.size(), 6);
    EXPECT_EQ(log.events.last(), QStringLiteral("done"));
    EXPECT_EQ(engine.spoken, (QStringList{QStringLiteral("Good morning!"), QStringLiteral("One"),
                                          QStringLiteral("Two")}));
    EXPECT_EQ(engine.stopCount, 2);
}

TEST(EspeakEngine, ListsEnglishVoicesFirst) {
    EspeakEngine engine;
    ASSERT_TRUE(engine.available()) << qPrintable(engine.failureText());
    ASSERT_GT(engine.modeCount(), 2);
    EXPECT_EQ(engine.modeName(1), QStringLiteral("English (America)"));
    EXPECT_TRUE(engine.modeName(2).startsWith(QStringLiteral("English")))
        << qPrintable(engine.modeName(2));
    EXPECT_TRUE(engine.modeName(0).isEmpty());
    EXPECT_TRUE(engine.modeName(engine.modeCount() + 1).isEmpty());

    // Once a non-English voice appears, no English one follows.
    const auto voices = EspeakEngine::voices();
    bool seenOther = false;
    for (const auto& v : voices) {
        const bool english = v.language == QLatin1String("en") || v.language.startsWith("en-");
        if (!english) seenOther = true;
        EXPECT_FALSE(seenOther && english) << qPrintable(v.name) << " listed after other voices";
        EXPECT_FALSE(v.name.isEmpty());
    }
    EXPECT_TRUE(seenOther);
}

TEST(EspeakEngine, SynthesisesAudiblePcmAndHonoursCancel) {
    const auto r = EspeakEngine::synthesize(QStringLiteral("Testing, 1, 2, 3, 4. Testing."), 2);
    ASSERT_TRUE(r.error.isEmpty()) << qPrintable(r.error);
    EXPECT_FALSE(r.cancelled);
    ASSERT_GT(r.sampleRate, 8000);
    const double seconds = double(r.samples.size()) / r.sampleRate;
    EXPECT_GT(seconds, 0.8);
    EXPECT_LT(seconds, 10.0);
    EXPECT_GT(rms(r.samples), 300.0) << "speech should not be near-silent";

    // Silence in, (almost) silence out.
    const auto blank = EspeakEngine::synthesize(QStringLiteral(" "), 1);
    EXPECT_LT(rms(blank.samples), 50.0);

    // A cancel flag already set ends a long text after its first chunk.
    std::atomic<bool> cancel{true};
    QString longText;
    for (int i = 0; i < 20; ++i)
        longText += QStringLiteral("This sentence is long enough to take a while to say. ");
    const auto cut = EspeakEngine::synthesize(longText, 1, &cancel);
    EXPECT_TRUE(cut.cancelled);
    EXPECT_LT(cut.samples.size(), r.sampleRate * 2);
}

TEST(EspeakEngine, TimedPlaybackReportsStartedThenDoneAfterTheUtterance) {
    EspeakEngine engine;
    ASSERT_TRUE(engine.available());
    engine.setAudioOutputEnabled(false); // as with no output device
    engine.setCurrentMode(2);
    const QString text = QStringLiteral("Good afternoon!");
    const auto pcm = EspeakEngine::synthesize(text, 2);
    const qint64 durationMs = qint64(pcm.samples.size()) * 1000 / pcm.sampleRate;

    SignalLog log(engine);
    engine.speak(text);
    EXPECT_TRUE(engine.speaking());
    ASSERT_TRUE(waitUntil([&] { return log.count("done") >= 1; }, 10000));
    pump(100);
    EXPECT_EQ(log.events, OneUtterance);
    EXPECT_FALSE(engine.speaking());
    EXPECT_FALSE(engine.lastUsedAudioDevice());
    // The timer stands in for the sound: done comes about one utterance after started.
    EXPECT_GE(log.at[1] - log.at[0], durationMs - 50);
    EXPECT_LT(log.at[1] - log.at[0], durationMs + 2000);
}

TEST(EspeakEngine, StopWhileSpeakingDeliversDoneOnce) {
    EspeakEngine engine;
    engine.setAudioOutputEnabled(false);
    SignalLog log(engine);
    engine.speak(QStringLiteral("This is a rather long sentence that keeps the engine busy for "
                                "several seconds, so that it can be stopped half way."));
    ASSERT_TRUE(waitUntil([&] { return log.count("started") == 1; }, 10000));
    EXPECT_TRUE(engine.speaking());
    QElapsedTimer t;
    t.start();
    engine.stopSpeaking();
    EXPECT_FALSE(engine.speaking());
    ASSERT_TRUE(waitUntil([&] { return log.count("done") == 1; }, 2000));
    EXPECT_LT(t.elapsed(), 1000);
    pump(300);
    EXPECT_EQ(log.events, OneUtterance);

    // Stopped before synthesis even finished, and a new text right away: two clean pairs.
    engine.speak(QStringLiteral("First text that is cut off at once."));
    engine.stopSpeaking();
    engine.speak(QStringLiteral("Second."));
    ASSERT_TRUE(waitUntil([&] { return log.count("done") == 3; }, 10000));
    pump(200);
    EXPECT_EQ(log.events, OneUtterance + OneUtterance + OneUtterance);
}

TEST(EspeakEngine, DefaultOutputFinishesWithinBound) {
    // Whatever the machine offers (a device, or none as in headless runs), the pair arrives.
    EspeakEngine engine;
    SignalLog log(engine);
    engine.speak(QStringLiteral("Hello."));
    ASSERT_TRUE(waitUntil([&] { return log.count("done") == 1; }, 15000));
    pump(100);
    EXPECT_EQ(log.events, OneUtterance);
}

TEST(EspeakEngine, StopFromTheWindowEndsALongSynthesisAtOnce) {
    // The window's Speak and Stop, as the Spoken Text tab's buttons use them.
    EspeakEngine engine;
    ASSERT_TRUE(engine.available());
    engine.setAudioOutputEnabled(false);
    QCheckBox mute;
    QComboBox voices;
    QStringList errors;
    MainVoice voice(engine, mute, voices, 5000, [&](const QString& e) { errors << e; });
    SignalLog log(engine);

    const double mbBefore = residentMb();
    voice.speak(veryLongText(20000));
    pump(1500);
    QElapsedTimer sinceStop;
    sinceStop.start();
    voice.stop();
    EXPECT_LT(sinceStop.elapsed(), 1000) << "stop must not wait for the synthesis";
    // Give the cancel a moment, then the process must be idle: no thread still synthesising.
    pump(300);
    const qint64 cpuBefore = processCpuMs();
    pump(1000);
    const qint64 cpuUsed = processCpuMs() - cpuBefore;
    const double mbAfter = residentMb();
    std::printf("speech: %.0f MB before, %.0f MB after stop, %lld ms CPU in the second after\n",
                mbBefore, mbAfter, static_cast<long long>(cpuUsed));
    EXPECT_LT(cpuUsed, 200) << "synthesis goes on after stop";
    EXPECT_FALSE(engine.synthesizing());
    EXPECT_LT(mbAfter - mbBefore, 100.0);
    EXPECT_FALSE(engine.speaking());
    EXPECT_FALSE(voice.speaking());
    EXPECT_EQ(log.events, OneUtterance);

    // The next utterance is spoken as usual.
    voice.speak(QStringLiteral("Goodbye."));
    ASSERT_TRUE(waitUntil([&] { return log.count("done") == 2; }, 5000));
    pump(100);
    EXPECT_EQ(log.events, OneUtterance + OneUtterance);
    EXPECT_TRUE(errors.isEmpty());
}

TEST(EspeakEngine, LongTextIsStreamedAndAStopAbandonsItsSynthesis) {
    EspeakEngine engine;
    ASSERT_TRUE(engine.available());
    engine.setAudioOutputEnabled(false);
    SignalLog log(engine);
    const int rate = EspeakEngine::sampleRate();

    // Hours of speech start as soon as the first words are made, not when all of it is.
    QElapsedTimer clock;
    clock.start();
    engine.speak(veryLongText(20000));
    EXPECT_LT(clock.elapsed(), 100) << "speak() must not wait for the synthesiser";
    ASSERT_TRUE(waitUntil([&] { return log.count("started") == 1; }, 3000));
    pump(2000);
    // The synthesis keeps only a few seconds ahead of the sound.
    const double aheadSeconds =
        double(engine.samplesSynthesized()) / rate - double(clock.elapsed()) / 1000;
    EXPECT_LT(aheadSeconds, 6.0);
    EXPECT_TRUE(engine.speaking());
    EXPECT_EQ(log.count("done"), 0);

    engine.stopSpeaking();
    EXPECT_FALSE(engine.speaking());
    ASSERT_TRUE(waitUntil([&] { return !engine.synthesizing(); }, 1000))
        << "the synthesis goes on after stop";
    const qint64 made = engine.samplesSynthesized();
    pump(500);
    EXPECT_EQ(engine.samplesSynthesized(), made);
    EXPECT_EQ(log.events, OneUtterance);

    // Replaced in the middle of the long text, the new utterance starts promptly.
    engine.speak(veryLongText(20000));
    ASSERT_TRUE(waitUntil([&] { return log.count("started") == 2; }, 3000));
    pump(300);
    clock.restart();
    engine.speak(QStringLiteral("Next question."));
    EXPECT_LT(clock.elapsed(), 100);
    ASSERT_TRUE(waitUntil([&] { return log.count("started") == 3; }, 1500));
    ASSERT_TRUE(waitUntil([&] { return log.count("done") == 3; }, 5000));
    pump(200);
    EXPECT_EQ(log.events, OneUtterance + OneUtterance + OneUtterance);
    EXPECT_FALSE(engine.synthesizing());
}

TEST(EspeakEngine, AccentedAndNonLatinTextIsSpokenWhole) {
    // Through the window's Speak, as the Spoken Text tab's button uses it.
    EspeakEngine engine;
    ASSERT_TRUE(engine.available());
    engine.setAudioOutputEnabled(false);
    QCheckBox mute;
    QComboBox voices;
    MainVoice voice(engine, mute, voices, 5000, [](const QString&) {});
    SignalLog log(engine);
    const double rate = EspeakEngine::sampleRate();
    const auto secondsSpoken = [&](const QString& text, int mode) {
        engine.setCurrentMode(mode);
        const qint64 before = engine.samplesSynthesized();
        const int pairs = log.count("done");
        voice.speak(text);
        if (!waitUntil([&] { return log.count("done") == pairs + 1; }, 20000)) return -1.0;
        return double(engine.samplesSynthesized() - before) / rate;
    };
    int spanish = 0, japanese = 0;
    const auto all = EspeakEngine::voices();
    for (int i = 0; i < all.size(); ++i) {
        if (all[i].language == QLatin1String("es") && !spanish) spanish = i + 1;
        if (all[i].language == QLatin1String("ja") && !japanese) japanese = i + 1;
    }

    const QString donde = QString::fromUtf8("\xc2\xbf"
                                            "D\xc3\xb3nde est\xc3\xa1 la estaci\xc3\xb3n?");
    const double withAccents = secondsSpoken(donde, spanish ? spanish : 2);
    std::printf("speech: %.2f s for the Spanish question\n", withAccents);
    EXPECT_GT(withAccents, 1.0);
    EXPECT_LT(withAccents, 6.0);

    // A text in a script with no Latin letter at all is spoken, not skipped.
    const QString tokyo = QString::fromUtf8(
        "\xe6\x9d\xb1\xe4\xba\xac\xe3\x81\xb8\xe3\x82\x88\xe3\x81\x86\xe3\x81\x93\xe3\x81\x9d");
    const double nonLatin = secondsSpoken(tokyo, japanese ? japanese : 2);
    std::printf("speech: %.2f s for the Japanese text (voice %d)\n", nonLatin, japanese);
    EXPECT_GT(nonLatin, 0.5);
    EXPECT_LT(nonLatin, 10.0);
    EXPECT_EQ(log.count("started"), log.count("done"));
}

namespace {

// Runs `what` on the next turn of the event loop, as a click the user makes meanwhile would.
template <typename F> void post(QObject* context, F what) {
    QMetaObject::invokeMethod(context, std::move(what), Qt::QueuedConnection);
}

} // namespace

// Stopped right after speak(), before the engine has even said it started: the utterance
// ends there and then, with its started and its one done, and whatever the engine reports
// of it later is not taken for the next utterance's events.
TEST(MainVoice, StopBeforeTheUtteranceStartedEndsItOnceAndAtOnce) {
    EspeakEngine engine;
    ASSERT_TRUE(engine.available());
    engine.setAudioOutputEnabled(false);
    QCheckBox mute;
    QComboBox voices;
    MainVoice voice(engine, mute, voices, 5000, [](const QString&) {});
    SignalLog log(voice);
    SignalLog engineLog(engine);
    bool ranMeanwhile = false;
    post(&voice, [&] { ranMeanwhile = true; });

    voice.speak(veryLongText(2000));
    QElapsedTimer clock;
    clock.start();
    voice.stop();
    EXPECT_LT(clock.elapsed(), 500);
    EXPECT_FALSE(ranMeanwhile) << "stop ran the event loop";
    EXPECT_EQ(log.events, OneUtterance);
    EXPECT_FALSE(voice.speaking());
    pump(500);
    EXPECT_TRUE(ranMeanwhile);
    EXPECT_EQ(log.events, OneUtterance);
    EXPECT_EQ(engineLog.events, OneUtterance);
    EXPECT_FALSE(engine.speaking());
    EXPECT_FALSE(engine.synthesizing());

    // The next utterance is reported as usual, once it is over.
    voice.speak(QStringLiteral("Goodbye."));
    ASSERT_TRUE(waitUntil([&] { return log.count("done") == 2; }, 10000));
    pump(200);
    EXPECT_EQ(log.events, OneUtterance + OneUtterance);
    EXPECT_EQ(engineLog.events, OneUtterance + OneUtterance);
    EXPECT_FALSE(voice.speaking());
}

TEST(MainVoice, AStoppedUtterancesLateEventsAreNotTheNextOnes) {
    FakeSpeechEngine engine;
    engine.setDurationMs(-1); // ends only when told
    QCheckBox mute;
    QComboBox voices;
    MainVoice voice(engine, mute, voices, 5000, [](const QString&) {});
    SignalLog log(voice);

    // Cut off before it started, and the next one at once: the first one's late started and
    // done would otherwise look like the second's.
    voice.speak(QStringLiteral("First."));
    voice.speak(QStringLiteral("Second."));
    EXPECT_EQ(log.events, OneUtterance);
    pump(200);
    EXPECT_EQ(log.events, OneUtterance + QStringList{QStringLiteral("started")});
    EXPECT_TRUE(voice.speaking());
    engine.finishNow();
    pump(100);
    EXPECT_EQ(log.events, OneUtterance + OneUtterance);
    EXPECT_FALSE(voice.speaking());

    // Cut off after it started: its done comes from stop(), the engine's later one is dropped.
    voice.speak(QStringLiteral("Third."));
    pump(100);
    EXPECT_TRUE(voice.speaking());
    voice.stop();
    EXPECT_EQ(log.events, OneUtterance + OneUtterance + OneUtterance);
    voice.stop(); // nothing left to stop
    pump(100);
    EXPECT_EQ(log.events, OneUtterance + OneUtterance + OneUtterance);

    // An utterance right after a cut-off one ends when it has itself been spoken.
    engine.setDurationMs(300);
    voice.speak(QStringLiteral("Fourth."));
    QElapsedTimer clock;
    clock.start();
    voice.speak(QStringLiteral("Fifth."));
    EXPECT_EQ(log.count("done"), 4);
    ASSERT_TRUE(waitUntil([&] { return log.count("done") == 5; }, 2000));
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_FALSE(voice.speaking());
    EXPECT_FALSE(engine.speaking());
    EXPECT_EQ(engine.spoken.last(), QStringLiteral("Fifth."));
}

// A second voice chosen while the first choice is being made (the speech still being cut
// off) is the one in use afterwards, as the list shows it.
TEST(MainVoice, VoiceChosenWhileSpeakingIsTheOneInUse) {
    FakeSpeechEngine engine;
    engine.setDurationMs(-1);
    QCheckBox mute;
    QComboBox voices;
    MainVoice voice(engine, mute, voices, 5000, [](const QString&) {});
    voice.fillVoices();
    ASSERT_EQ(voices.count(), 3);
    voice.speak(QStringLiteral("A long text."));
    pump(100);
    ASSERT_TRUE(voice.speaking());

    const auto choose = [&](int index) {
        voices.setCurrentIndex(index);
        Q_EMIT voices.activated(index);
    };
    post(&voices, [&] { choose(2); });
    choose(0);
    EXPECT_EQ(engine.currentMode(), voices.itemData(0).toInt()) << "the second choice ran inside";
    pump(200);
    EXPECT_EQ(voices.currentIndex(), 2);
    EXPECT_EQ(engine.currentMode(), voices.currentData().toInt());
    EXPECT_EQ(voice.activeVoice(), voices.currentData().toInt());
    // Each choice says its test phrase.
    EXPECT_EQ(engine.spoken.count(QStringLiteral("Testing, 1, 2, 3, 4. Testing.")), 2);
}
