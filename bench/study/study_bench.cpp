// Measures the study window's own overhead per visit: an unattended flash session of a
// text-only library of 200 questions (1,000 visits), offscreen, with a speech engine that
// finishes at once and both pauses at 0, runs to its end by the timers alone. The baseline,
// measured in the same run, is one full rendering of the study window per visit: what a visit
// costs at the very least.
//
// Then the start of speech with the real engines: a review session of one question, whose
// spoken text is a short question or a text of 2,000 words, timed from the moment the study
// window has drawn the question to espeak-ng's first buffer of sound (to the device, or to the
// clock that stands in for one when there is none), or to a Qt TextToSpeech engine's Speaking
// state. Its baseline is espeak-ng alone making the sound the engine gathers before it plays.

#include "../../tests/gui/mainharness.h"
#include "library/objects.h"
#include "library/questionrecord.h"
#include "platform/espeakengine.h"
#include "platform/qtspeechengine.h"
#include "study/fflashselected.h"
#include "study/fstudyquestion.h"
#include "study/sessionpanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

using namespace brenvik;

namespace {

constexpr int Runs = 5;

// A pasted text of `words` words in sentences of ten.
std::string WordsText(int words) {
    static const char* const pool[] = {"the", "capital", "of",    "Norway", "lies",
                                       "by",  "a",       "fjord", "where",  "ships"};
    std::string text;
    for (int i = 0; i < words; ++i) {
        text += pool[i % 10];
        text += (i % 10 == 9) ? ". " : " ";
    }
    return text;
}

double Median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The moment the study window has drawn a question: the end of the first update of the window
// after the question is complete on it. The update is run here, then its time taken.
class DrawWatch : public QObject {
public:
    QElapsedTimer clock;
    std::optional<qint64> drawnNs;
    bool armed = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!armed || event->type() != QEvent::UpdateRequest) return false;
        auto* study = qobject_cast<TFormStudyQuestion*>(watched);
        if (!study || study->building() || !study->questionShown()) return false;
        armed = false;
        static_cast<QObject*>(study)->event(event); // QObject::event is public
        drawnNs = clock.nsecsElapsed();
        return true;
    }
};

// The runs of one text: from the question drawn to the engine's signal, or, for an utterance
// that ended unheard (a failure reported as its end), to that end.
struct Starts {
    std::vector<double> heard;
    std::vector<double> unheard;
};

// Review sessions of the question `q`, `heard` set by the engine's signal of sound and
// `endedUnheard`, when given, by the end of an utterance that had none.
Starts SpeechStarts(MainHarness& h, NodeId q, DrawWatch& watch, std::optional<qint64>& heard,
                    std::optional<qint64>* endedUnheard = nullptr) {
    TFormMain& w = *h.window;
    Starts out;
    for (int run = 0; run < Runs; ++run) {
        // What was said before (the greeting) is over, so the first sound is the question's.
        waitUntil([&] { return !h.engine->speaking(); }, 20000);
        w.selectNode(q);
        heard.reset();
        if (endedUnheard) endedUnheard->reset();
        watch.drawnNs.reset();
        watch.armed = true;
        w.startStudy(Session::Review, 8);
        waitUntil([&] { return watch.drawnNs && (heard || (endedUnheard && *endedUnheard)); },
                  60000);
        watch.armed = false;
        if (watch.drawnNs && heard)
            out.heard.push_back(double(*heard - *watch.drawnNs) / 1e6);
        else if (watch.drawnNs && endedUnheard && *endedUnheard)
            out.unheard.push_back(double(**endedUnheard - *watch.drawnNs) / 1e6);
        if (WaitStudyShowing(w)) StudyKey(w, Qt::Key_Escape);
        if (!WaitStudyClosed(w, 20000)) break;
    }
    return out;
}

// A question at level 8 below the harness's tree whose spoken question is `spoken`.
NodeId AddSpokenQuestion(MainHarness& h, const std::string& spoken) {
    LibraryTree& tree = h.window->tree();
    NodeId parent = AddNewObj(tree, tree.first(), h.colors).value();
    for (int level = 2; level <= 7; ++level)
        parent = AddNewObj(tree, parent, h.colors).value();
    const NodeId q = AddNewObj(tree, parent, h.colors).value();
    QuestionRecord r = QuestionRecord::newRecord(h.colors);
    r.layout = 1;
    r.panes[0].textLines = {"What is the capital of Norway?"};
    r.spokenQuestion = {spoken};
    r.answer = "Oslo";
    r.spokenAnswer = {"Oslo"};
    WriteQuestionRecord(tree, q, r, h.colors);
    return q;
}

const std::string ShortText = "What is the capital of Norway?";

void PrintEspeakStarts(DrawWatch& watch) {
    EspeakEngine engine;
    if (!engine.available()) {
        std::printf("speech start: not measured: %s\n", qUtf8Printable(engine.failureText()));
        return;
    }
    // The baseline: the synthesiser alone making the sound the engine gathers before playing.
    const auto leadMs = [](const std::string& text) {
        const qsizetype lead = qsizetype(EspeakEngine::sampleRate()) / 4;
        std::vector<double> times;
        for (int run = 0; run < Runs; ++run) {
            QElapsedTimer t;
            t.start();
            qsizetype made = 0;
            EspeakEngine::synthesizeTo(QString::fromStdString(text), 2, [&](const qint16*, int n) {
                made += n;
                return made < lead;
            });
            times.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        return Median(times);
    };
    const std::string longText = WordsText(2000);
    const double shortLead = leadMs(ShortText);
    const double longLead = leadMs(longText);
    std::printf("baseline (espeak-ng alone making its first 250 ms of sound)  %.1f ms (short "
                "text), %.1f ms (2,000-word text)\n",
                shortLead, longLead);

    MainHarness h;
    h.engine = &engine;
    std::optional<qint64> heard;
    QObject::connect(&engine, &EspeakEngine::firstBuffer, &engine,
                     [&] { heard = watch.clock.nsecsElapsed(); });
    if (!h.start()) {
        std::fprintf(stderr, "the main window did not start on espeak-ng\n");
        return;
    }
    const NodeId shortQ = AddSpokenQuestion(h, ShortText);
    const NodeId longQ = AddSpokenQuestion(h, longText);
    const char* output =
        engine.lastUsedAudioDevice() ? "to the audio device" : "no audio device: to the clock";
    for (const auto& [q, what] :
         {std::pair{shortQ, "short text"}, std::pair{longQ, "2,000-word text"}}) {
        const std::vector<double> x = SpeechStarts(h, q, watch, heard).heard;
        if (x.empty()) {
            std::printf("speech start: not measured (%s): the session did not speak\n", what);
            continue;
        }
        const double m = Median(x);
        std::printf("speech start: %.1f ms from the question drawn to the first audio buffer "
                    "(%s, espeak-ng, %s, median of %d, worst %.1f; target < 150 ms: %s)\n",
                    m, what, output, int(x.size()), *std::max_element(x.begin(), x.end()),
                    m < 150 ? "met" : "MISSED");
    }
}

void PrintQtSpeechStarts(DrawWatch& watch) {
    for (const QString& provider : QtSpeechEngine::providers()) {
        if (provider == QLatin1String("mock")) continue;
        QtSpeechEngine engine(provider, QtSpeechEngine::displayNameOf(provider));
        if (!engine.available()) {
            std::printf("speech start (Qt TextToSpeech %s): not measured: %s\n",
                        qUtf8Printable(provider), qUtf8Printable(engine.failureText()));
            continue;
        }
        MainHarness h;
        h.engine = &engine;
        // A failure is reported as a started and a done at once, with the engine not speaking:
        // only a started while it speaks is its Speaking state.
        std::optional<qint64> heard;
        std::optional<qint64> endedUnheard;
        QObject::connect(&engine, &SpeechEngine::started, &engine, [&] {
            if (engine.speaking()) heard = watch.clock.nsecsElapsed();
        });
        QObject::connect(&engine, &SpeechEngine::done, &engine, [&] {
            if (!heard) endedUnheard = watch.clock.nsecsElapsed();
        });
        if (!h.start()) {
            std::fprintf(stderr, "the main window did not start on %s\n", qUtf8Printable(provider));
            continue;
        }
        const NodeId shortQ = AddSpokenQuestion(h, ShortText);
        const NodeId longQ = AddSpokenQuestion(h, WordsText(2000));
        for (const auto& [q, what] :
             {std::pair{shortQ, "short text"}, std::pair{longQ, "2,000-word text"}}) {
            const Starts starts = SpeechStarts(h, q, watch, heard, &endedUnheard);
            const std::vector<double>& x = starts.heard;
            if (x.empty()) {
                if (starts.unheard.empty())
                    std::printf("speech start (Qt TextToSpeech %s): not measured (%s)\n",
                                qUtf8Printable(provider), what);
                else
                    std::printf("speech start (Qt TextToSpeech %s): not measured (%s): no "
                                "Speaking state; the utterance failed %.1f ms after the "
                                "question was drawn (median of %d)\n",
                                qUtf8Printable(provider), what, Median(starts.unheard),
                                int(starts.unheard.size()));
                continue;
            }
            std::printf("speech start (Qt TextToSpeech %s): %.1f ms from the question drawn to "
                        "the Speaking state (%s, median of %d, worst %.1f)\n",
                        qUtf8Printable(provider), Median(x), what, int(x.size()),
                        *std::max_element(x.begin(), x.end()));
        }
    }
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The embedded web viewers share the window system's drawing contexts.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    constexpr int Questions = 200;

    MainHarness h;
    h.deps.studyWebWaitMs = 1000;
    if (!h.start()) {
        std::fprintf(stderr, "the main window did not start\n");
        return 1;
    }
    TFormMain& w = *h.window;
    h.speech.setDurationMs(0);
    SessionPanel* flash = ui(w).FormFlashSelected;
    SessionOptions options = flash->options();
    options.pauseBeforeAnswer = options.pauseBeforeNext = QStringLiteral("0");
    options.autoAnswer = options.autoNext = true;
    options.loop = false;
    flash->setOptions(options);

    LibraryTree& tree = w.tree();
    const NodeId library = AddNewObj(tree, tree.first(), h.colors).value();
    NodeId parent = library;
    for (int level = 2; level <= 7; ++level)
        parent = AddNewObj(tree, parent, h.colors).value();
    for (int i = 1; i <= Questions; ++i) {
        const NodeId q = AddNewObj(tree, parent, h.colors).value();
        QuestionRecord r = QuestionRecord::newRecord(h.colors);
        r.layout = 1 + i % 3;
        for (auto& pane : r.panes)
            pane.textLines = {"What is the capital of state number " + std::to_string(i) + "?",
                              "Second line of the question"};
        r.spokenQuestion = {"Question " + std::to_string(i)};
        r.answer = "Capital number " + std::to_string(i);
        r.spokenAnswer = {"Answer " + std::to_string(i)};
        WriteQuestionRecord(tree, q, r, h.colors);
    }
    w.selectNode(parent);

    QElapsedTimer clock;
    clock.start();
    w.startStudy(Session::Flash, 7);
    if (!waitUntil([&] { return ui(w).FormStudyQuestion && ui(w).FormStudyQuestion->isVisible(); },
                   10000)) {
        std::fprintf(stderr, "the study window did not show\n");
        return 1;
    }
    const qint64 startedAt = clock.elapsed();
    if (!waitUntil([&] { return !w.studyBusy(); }, 600000)) {
        std::fprintf(stderr, "the session did not end by itself\n");
        return 1;
    }
    const double sessionMs = double(clock.elapsed() - startedAt);
    const int visits = ui(w).FormStudyQuestion->visitsShown();

    // Baseline: one full rendering of the window (background, question box, bar) per visit.
    constexpr int Frames = 200;
    QElapsedTimer base;
    base.start();
    for (int i = 0; i < Frames; ++i)
        ui(w).FormStudyQuestion->grab();
    const double baselineMs = double(base.nsecsElapsed()) / 1e6 * visits / Frames;

    const double perVisit = sessionMs / std::max(1, visits);
    const double basePerVisit = baselineMs / std::max(1, visits);
    std::printf("study window: %d questions, flash session, offscreen %dx%d\n", Questions,
                ui(w).FormStudyQuestion->width(), ui(w).FormStudyQuestion->height());
    std::printf("baseline (one full rendering)      %.2f ms per visit\n", basePerVisit);
    std::printf("study visit: %d visits, %.1f ms per visit  (%.1fx baseline; target < 16 ms: "
                "%s)\n",
                visits, perVisit, perVisit / std::max(0.001, basePerVisit),
                perVisit < 16.0 ? "met" : "MISSED");
    h.window.reset();

    DrawWatch watch;
    watch.clock.start();
    app.installEventFilter(&watch);
    PrintEspeakStarts(watch);
    PrintQtSpeechStarts(watch);
    app.removeEventFilter(&watch);
    return visits == 5 * Questions ? 0 : 1;
}
