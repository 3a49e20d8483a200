#include "mainwindow/studylauncher.h"

#include "library/objects.h"
#include "library/questionrecord.h"
#include "platform/desktopcolors.h"
#include "platform/prompts.h"
#include "platform/screensaver.h"
#include "study/core/collect.h"
#include "study/core/schedule.h"
#include "study/fstudy.h"
#include "study/fstudyquestion.h"
#include "study/fvalidate.h"
#include "study/sessionpanel.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QTimer>

namespace brenvik {

namespace {

// The progress window's pauses, so that the student can read it.
constexpr int ProgressPauseMs = 333;
// The main window is minimised before the study window shows.
constexpr int MinimisePauseMs = 100;

} // namespace

StudyLauncher::StudyLauncher(Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)) {}

StudyLauncher::~StudyLauncher() {
    // The study window has no parent and reads the tree, which outlives this launcher.
    delete studyWindow_;
}

// ---- preparing ----------------------------------------------------------------------------

void StudyLauncher::start(Session s, int level, const std::function<void()>& first) {
    preparing_ = true;
    if (first) first();
    if (!progress_)
        progress_ = new TFormValidate(services_.main.programFolder(), &services_.window);
    progress_->showProgress(s != Session::Review ? QStringLiteral("Preparing to Study")
                                                 : QStringLiteral("Preparing to Review"),
                            QStringLiteral("Validating questions..."), &services_.window);
    QTimer::singleShot(ProgressPauseMs, this, [this, s, level] { validate(s, level); });
}

void StudyLauncher::validate(Session s, int level) {
    MainCommands& main = services_.main;
    const std::vector<NodeId> questions = CollectQuestions(main.tree(), main.selectedNode(), level);
    if (questions.empty()) {
        progress_->hide();
        showProblem(NoQuestionsMessage());
        stopPreparing();
        return;
    }
    const StudyCheck check =
        CheckStudyQuestions(main.tree(), questions, main.desktopColors(), main.studyFolders());
    if (!check.ok()) {
        progress_->hide();
        showProblem(check.message);
        if (check.problemQuestion != NoNode) Q_EMIT problemFound(check.problemQuestion);
        stopPreparing();
        return;
    }
    progress_->setComments(QStringLiteral("Done."));
    QTimer::singleShot(ProgressPauseMs, this, [this, s, level] {
        progress_->hide();
        preparing_ = false;
        run(s, level);
    });
}

void StudyLauncher::stopPreparing() {
    if (progress_) progress_->hide();
    preparing_ = false;
    Q_EMIT ended();
}

void StudyLauncher::showProblem(const QString& text) {
    services_.main.Speak(QStringLiteral("Problem."));
    services_.main.prompts().message(&services_.window, QStringLiteral("Problem"), text,
                                     Prompts::Icon::Information);
}

// ---- running ------------------------------------------------------------------------------

void StudyLauncher::ensureWindow() {
    if (studyWindow_) return;
    StudyContext ctx;
    ctx.main = &services_.main;
    ctx.muted = services_.muted;
    ctx.sound = services_.sound;
    ctx.webWaitMs = services_.webWaitMs;
    ctx.history = services_.history;
    TFormStudy& study = services_.study;
    ctx.answerFont = [&study] { return study.answerFont(); };
    ctx.answerColor = [&study] { return toQColor(study.answerColor()); };
    ctx.timing = [&study](StudyMode mode) {
        StudyTiming t;
        SessionPanel* panel =
            study.panel(mode == StudyMode::Imprint ? Session::Imprint : Session::Flash);
        if (!panel || !panel->hasOptions()) return t;
        t.autoAnswer = panel->CBAutoA->isChecked();
        t.pauseBeforeAnswer = panel->pauseBeforeAnswer();
        t.autoNext = panel->CBAutoQ->isChecked();
        t.pauseBeforeNext = panel->pauseBeforeNext();
        return t;
    };
    studyWindow_ = new TFormStudyQuestion(std::move(ctx));
    studyWindow_->setObjectName(QStringLiteral("FormStudyQuestion"));
    connect(studyWindow_, &TFormStudyQuestion::closed, this, &StudyLauncher::windowClosed);
}

void StudyLauncher::speechDone() {
    if (windowShowing_ && studyWindow_) studyWindow_->speechDone();
}

void StudyLauncher::run(Session s, int level) {
    MainCommands& main = services_.main;
    const std::vector<NodeId> questions = CollectQuestions(main.tree(), main.selectedNode(), level);
    SessionPanel* panel = services_.study.panel(s);
    if (questions.empty() || !panel) {
        Q_EMIT ended();
        return;
    }
    std::vector<NodeId> visits;
    StudyMode mode = StudyMode::Review;
    bool loop = false, pauseVisible = false;
    switch (s) {
    case Session::Imprint:
        visits = BuildImprintList(questions, panel->CBAlternate->isChecked());
        mode = StudyMode::Imprint;
        break;
    case Session::Flash:
        visits = BuildFlashList(questions, services_.random);
        mode = StudyMode::Flash;
        break;
    case Session::Review:
        visits = BuildReviewList(questions);
        break;
    }
    if (panel->hasOptions()) {
        loop = panel->CBLoopSession->isChecked();
        pauseVisible = panel->CBAutoA->isChecked() && panel->CBAutoQ->isChecked();
    }
    ensureWindow();
    studyWindow_->startSession(std::move(visits), mode, loop, pauseVisible);
    showWindow();
}

void StudyLauncher::preview(const QuestionRecord& record, const QString& title,
                            std::function<void()> closed) {
    if (busy()) {
        if (closed) closed();
        return;
    }
    ensureWindow();
    previewClosed_ = std::move(closed);
    studyWindow_->startPreview(record, title);
    showWindow();
}

void StudyLauncher::showWindow() {
    windowShowing_ = true;
    QWidget& window = services_.window;
    stateBefore_ = window.windowState();
    window.showMinimized();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QTimer::singleShot(MinimisePauseMs, this, [this] {
        if (!windowShowing_) return;
        if (services_.screenSaver)
            services_.screenSaver->inhibit(QStringLiteral("A study session is running"));
        studyWindow_->showOn(&services_.window);
    });
}

void StudyLauncher::windowClosed() {
    if (services_.screenSaver) services_.screenSaver->release();
    windowShowing_ = false;
    Q_EMIT ended();
    // A maximised window comes back maximised: through normal first, as some window
    // managers forget the maximised state of a minimised window.
    QWidget& window = services_.window;
    if (stateBefore_ & Qt::WindowMaximized) {
        window.showNormal();
        window.showMaximized();
    } else if (stateBefore_ & Qt::WindowFullScreen) {
        window.showFullScreen();
    } else {
        window.showNormal();
    }
    window.raise();
    window.activateWindow();
    if (std::function<void()> closed = std::move(previewClosed_)) {
        previewClosed_ = nullptr;
        closed();
    } else if (studyWindow_ && studyWindow_->mode() != StudyMode::Preview &&
               !studyWindow_->summary().empty()) {
        Q_EMIT sessionSummary(studyWindow_->summary());
    }
}

} // namespace brenvik
