// The study road of the main window: checking the questions of a session, running it in the
// study window, and the question editor's preview. Every wait here is a timer or a signal,
// so nothing can start a second session while one is being prepared or shown.
#include "mainwindow/fmain.h"

#include "library/objects.h"
#include "library/questionrecord.h"
#include "panels/faboutbox.h"
#include "panels/levelpanel.h"
#include "panels/levelrows.h"
#include "platform/desktopcolors.h"
#include "platform/prompts.h"
#include "platform/screensaver.h"
#include "study/core/collect.h"
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

bool TFormMain::ChooseAnswerFont(QWidget* parent) {
    return FormStudy && FormStudy->ChooseAnswerFont(parent);
}

// ---- preparing ----------------------------------------------------------------------------

void TFormMain::startStudy(Session s, int level) {
    // The splash (the About box) still showing, or a session already on its way: nothing.
    if (!AboutBox || AboutBox->isVisible() || studyBusy() || level < 1 || level > 8) {
        if (!studyBusy()) F9Busy = false;
        return;
    }
    PrepareStudy(level, s != Session::Review, [this, s, level] { runSession(s, level); });
}

void TFormMain::PMISessionClick(Session s) {
    if (isEditMode() && !setMode(Mode::Study, true)) return;
    showSession(s);
    LevelPanel* panel = sessionPanel(s);
    const int level = panel ? panel->rows()->deepestEnabled() : 0;
    if (level > 0) sessionLevelClick(s, level);
}

void TFormMain::PrepareStudy(int level, bool study, std::function<void()> passed) {
    preparing_ = true;
    if (autoSaveChecked() && MISave->isEnabled()) {
        if (const Status saved = autoSave(); !saved) showError(ErrorText(saved));
    }
    if (!FormValidate) FormValidate = new TFormValidate(deps_.programFolder, this);
    FormValidate->showProgress(study ? QStringLiteral("Preparing to Study")
                                     : QStringLiteral("Preparing to Review"),
                               QStringLiteral("Validating questions..."), this);
    QTimer::singleShot(ProgressPauseMs, this,
                       [this, level, passed] { validateQuestions(level, passed); });
}

void TFormMain::validateQuestions(int level, std::function<void()> passed) {
    const std::vector<NodeId> questions = CollectQuestions(tree_, selectedNode(), level);
    if (questions.empty()) {
        FormValidate->hide();
        showStudyProblem(NoQuestionsMessage());
        endPreparation();
        return;
    }
    const StudyCheck check =
        CheckStudyQuestions(tree_, questions, *deps_.colors, deps_.programFolder);
    if (!check.ok()) {
        FormValidate->hide();
        showStudyProblem(check.message);
        openProblemQuestion(check.problemQuestion);
        endPreparation();
        return;
    }
    FormValidate->setComments(QStringLiteral("Done."));
    QTimer::singleShot(ProgressPauseMs, this, [this, passed] {
        FormValidate->hide();
        preparing_ = false;
        passed();
    });
}

void TFormMain::endPreparation() {
    if (FormValidate) FormValidate->hide();
    preparing_ = false;
    F9Busy = false;
}

void TFormMain::showStudyProblem(const QString& text) {
    Speak(QStringLiteral("Problem."));
    deps_.prompts->message(this, QStringLiteral("Problem"), text, Prompts::Icon::Information);
}

void TFormMain::openProblemQuestion(NodeId question) {
    if (question == NoNode) return;
    if (!isEditMode()) setMode(Mode::Edit, false);
    if (!operationVisible(Operation::EditSelected)) showOperation(Operation::EditSelected);
    selectNode(question);
    RefreshSelectionViews();
    Library2Click(8);
}

// ---- running ------------------------------------------------------------------------------

void TFormMain::ensureStudyWindow() {
    if (FormStudyQuestion) return;
    StudyContext ctx;
    ctx.main = this;
    ctx.muted = [this] { return muted(); };
    ctx.webWaitMs = deps_.studyWebWaitMs;
    ctx.answerFont = [this] { return FormStudy ? FormStudy->answerFont() : font(); };
    ctx.answerColor = [this] {
        return FormStudy ? toQColor(FormStudy->answerColor()) : QColor(Qt::black);
    };
    ctx.timing = [this](StudyMode mode) {
        StudyTiming t;
        SessionPanel* panel =
            FormStudy
                ? FormStudy->panel(mode == StudyMode::Imprint ? Session::Imprint : Session::Flash)
                : nullptr;
        if (!panel || !panel->hasOptions()) return t;
        t.autoAnswer = panel->CBAutoA->isChecked();
        t.pauseBeforeAnswer = panel->pauseBeforeAnswer();
        t.autoNext = panel->CBAutoQ->isChecked();
        t.pauseBeforeNext = panel->pauseBeforeNext();
        return t;
    };
    FormStudyQuestion = new TFormStudyQuestion(std::move(ctx));
    FormStudyQuestion->setObjectName(QStringLiteral("FormStudyQuestion"));
    connect(FormStudyQuestion, &TFormStudyQuestion::closed, this, &TFormMain::studyWindowClosed);
    connect(this, &TFormMain::speakingDone, FormStudyQuestion, [this] {
        if (StudyWindowShowing) FormStudyQuestion->speechDone();
    });
}

void TFormMain::runSession(Session s, int level) {
    const std::vector<NodeId> questions = CollectQuestions(tree_, selectedNode(), level);
    SessionPanel* panel = FormStudy ? FormStudy->panel(s) : nullptr;
    if (questions.empty() || !panel) {
        F9Busy = false;
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
        visits = BuildFlashList(questions, random_);
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
    ensureStudyWindow();
    FormStudyQuestion->startSession(std::move(visits), mode, loop, pauseVisible);
    showStudyWindow();
}

void TFormMain::previewQuestion(const QuestionRecord& record, const QString& title,
                                std::function<void()> closed) {
    if (studyBusy()) {
        if (closed) closed();
        return;
    }
    ensureStudyWindow();
    previewClosed_ = std::move(closed);
    FormStudyQuestion->startPreview(record, title);
    showStudyWindow();
}

void TFormMain::showStudyWindow() {
    StudyWindowShowing = true;
    stateBeforeStudy_ = windowState();
    showMinimized();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QTimer::singleShot(MinimisePauseMs, this, [this] {
        if (!StudyWindowShowing) return;
        if (deps_.screenSaver)
            deps_.screenSaver->inhibit(QStringLiteral("A study session is running"));
        FormStudyQuestion->showOn(this);
    });
}

void TFormMain::studyWindowClosed() {
    if (deps_.screenSaver) deps_.screenSaver->release();
    StudyWindowShowing = false;
    F9Busy = false;
    // A maximised window comes back maximised: through normal first, as some window
    // managers forget the maximised state of a minimised window.
    if (stateBeforeStudy_ & Qt::WindowMaximized) {
        showNormal();
        showMaximized();
    } else if (stateBeforeStudy_ & Qt::WindowFullScreen) {
        showFullScreen();
    } else {
        showNormal();
    }
    raise();
    activateWindow();
    if (std::function<void()> closed = std::move(previewClosed_)) {
        previewClosed_ = nullptr;
        closed();
    }
}

} // namespace brenvik
