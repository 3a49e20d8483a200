// Measures the study window's own overhead per visit: an unattended flash session of a
// text-only library of 200 questions (1,000 visits), offscreen, with a speech engine that
// finishes at once and both pauses at 0, runs to its end by the timers alone. The baseline,
// measured in the same run, is one full rendering of the study window per visit: what a visit
// costs at the very least.

#include "../../tests/gui/mainharness.h"
#include "library/objects.h"
#include "library/questionrecord.h"
#include "study/fflashselected.h"
#include "study/fstudyquestion.h"
#include "study/sessionpanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <cstdio>

using namespace brenvik;

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
    flash->EPauseAfterQ->setText(QStringLiteral("0"));
    flash->EPauseAfterA->setText(QStringLiteral("0"));
    flash->CBAutoA->setChecked(true);
    flash->CBAutoQ->setChecked(true);
    flash->CBLoopSession->setChecked(false);

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
    return visits == 5 * Questions ? 0 : 1;
}
