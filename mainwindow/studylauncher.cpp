#include "mainwindow/studylauncher.h"

#include "library/objects.h"
#include "library/questionrecord.h"
#include "mainwindow/busywork.h"
#include "platform/desktopcolors.h"
#include "platform/prompts.h"
#include "platform/screensaver.h"
#include "srs/history.h"
#include "srs/spacedqueue.h"
#include "study/core/collect.h"
#include "study/core/schedule.h"
#include "study/fspacedselected.h"
#include "study/fstudy.h"
#include "study/fstudyquestion.h"
#include "study/fvalidate.h"
#include "study/sessionpanel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLocale>
#include <QTimer>
#include <memory>

namespace brenvik {

namespace {

// The progress window's pauses, so that the student can read it.
constexpr int ProgressPauseMs = 333;
// The main window is minimised before the study window shows.
constexpr int MinimisePauseMs = 100;

QString LocalTimeText(srs::UnixSeconds t) {
    return QLocale().toString(QDateTime::fromSecsSinceEpoch(t).toLocalTime(),
                              QStringLiteral("dddd d MMMM yyyy, HH:mm"));
}

// The study window is a plain widget, which screen readers would take for a pane of some
// other window: it is a window of its own, named by its title.
QAccessibleInterface* StudyWindowAccessible(const QString&, QObject* object) {
    if (auto* window = qobject_cast<TFormStudyQuestion*>(object))
        return new QAccessibleWidget(window, QAccessible::Window);
    return nullptr;
}

} // namespace

QString NothingDueMessage(const srs::DueList& list, int newPerDay) {
    QString text = QStringLiteral("Nothing is due for review below the selected object.");
    if (list.nextDue != 0)
        text += QStringLiteral("\nThe next question is due on ") + LocalTimeText(list.nextDue) +
                QStringLiteral(".");
    else
        text += QStringLiteral("\nNo question there has been graded yet.");
    if (newPerDay > 0 && list.introducedToday >= newPerDay)
        text += QStringLiteral("\nToday's %1 new questions have been introduced; more tomorrow.")
                    .arg(newPerDay);
    return text;
}

StudyLauncher::StudyLauncher(Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)) {
    static const bool accessibleInstalled = [] {
        QAccessible::installFactory(StudyWindowAccessible);
        return true;
    }();
    (void)accessibleInstalled;
}

StudyLauncher::~StudyLauncher() {
    // The study window has no parent and reads the tree, which outlives this launcher.
    delete studyWindow_;
}

// ---- preparing ----------------------------------------------------------------------------

void StudyLauncher::start(Session s, int level, const First& first) {
    if (s == Session::Spaced && nothingDue(level)) {
        Q_EMIT ended();
        return;
    }
    preparing_ = true;
    if (!first) {
        showPreparing(s, level);
        return;
    }
    first([this, s, level](bool goOn) {
        if (goOn)
            showPreparing(s, level);
        else
            stopPreparing();
    });
}

void StudyLauncher::showPreparing(Session s, int level) {
    busyCursor_ = std::make_unique<BusyCursor>();
    if (!progress_)
        progress_ = new TFormValidate(services_.main.programFolder(), &services_.window);
    const bool review = s == Session::Review || s == Session::Spaced;
    progress_->showProgress(review ? QStringLiteral("Preparing to Review")
                                   : QStringLiteral("Preparing to Study"),
                            QStringLiteral("Validating questions..."), &services_.window);
    QTimer::singleShot(ProgressPauseMs, this, [this, s, level] { validate(s, level); });
}

TFormSpacedSelected* StudyLauncher::spacedPanel() const {
    return services_.study.spacedPanel();
}

NodeId StudyLauncher::objectAt(int level) const {
    const NodeId selected = services_.main.selectedNode();
    return selected == NoNode ? NoNode : GetObjAtLevel(services_.main.tree(), selected, level);
}

srs::SpacedQueue StudyLauncher::spacedQueue(int level) const {
    TFormSpacedSelected* panel = spacedPanel();
    const int newPerDay = panel ? panel->applySettings().newPerDay : 20;
    return srs::SpacedQueue::FromHistory(*services_.history, objectAt(level),
                                         services_.main.clockNow(), newPerDay);
}

bool StudyLauncher::nothingDue(int level) {
    MainCommands& main = services_.main;
    // No questions at all is the check's to say, as for the other kinds.
    if (!services_.history || CollectQuestions(main.tree(), main.selectedNode(), level).empty())
        return false;
    TFormSpacedSelected* panel = spacedPanel();
    const int newPerDay = panel ? panel->applySettings().newPerDay : 20;
    const srs::DueList list =
        services_.history->dueList(objectAt(level), main.clockNow(), newPerDay);
    if (!list.due.empty() || !list.fresh.empty()) return false;
    main.Speak(QStringLiteral("Nothing is due."));
    main.prompts().message(&services_.window, QStringLiteral("Spaced Review"),
                           NothingDueMessage(list, newPerDay), Prompts::Icon::Information);
    return true;
}

void StudyLauncher::validate(Session s, int level) {
    MainCommands& main = services_.main;
    std::vector<NodeId> questions = CollectQuestions(main.tree(), main.selectedNode(), level);
    if (s == Session::Spaced && !questions.empty() && services_.history) {
        // Only the questions this session will ask must be fit to be asked.
        const srs::DueList list = services_.history->dueList(
            objectAt(level), main.clockNow(),
            spacedPanel() ? spacedPanel()->applySettings().newPerDay : 20);
        questions = list.due;
        questions.insert(questions.end(), list.fresh.begin(), list.fresh.end());
    }
    if (questions.empty()) {
        busyCursor_.reset(); // the box comes with the ordinary cursor
        progress_->hide();
        showProblem(NoQuestionsMessage());
        stopPreparing();
        return;
    }
    // The progress window is up and painted; past the busy delay it counts the questions
    // checked, repainted on its own, as nothing else can change meanwhile.
    QElapsedTimer clock;
    clock.start();
    qint64 shownAt = -1000;
    const auto counted = [&](std::size_t done, std::size_t total) {
        const qint64 now = clock.elapsed();
        if (now < BusyWork::dialogDelayMs() || now - shownAt < 100) return;
        shownAt = now;
        progress_->setComments(
            QStringLiteral("Validating questions... %1 of %2")
                .arg(QLocale().toString(qulonglong(done)), QLocale().toString(qulonglong(total))));
    };
    const StudyCheck check = CheckStudyQuestions(main.tree(), questions, main.desktopColors(),
                                                 main.studyFolders(), counted);
    if (!check.ok()) {
        busyCursor_.reset();
        progress_->hide();
        showProblem(check.message);
        if (check.problemQuestion != NoNode) Q_EMIT problemFound(check.problemQuestion);
        stopPreparing();
        return;
    }
    progress_->setComments(QStringLiteral("Done."));
    QTimer::singleShot(ProgressPauseMs, this, [this, s, level] {
        busyCursor_.reset();
        progress_->hide();
        preparing_ = false;
        run(s, level);
    });
}

void StudyLauncher::stopPreparing() {
    busyCursor_.reset();
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
    ctx.setMuted = services_.setMuted;
    ctx.media = services_.media;
    ctx.sound = services_.sound;
    ctx.webWaitMs = services_.webWaitMs;
    ctx.history = services_.history;
    MainCommands& main = services_.main;
    ctx.now = [&main] { return main.clockNow(); };
    TFormStudy& study = services_.study;
    ctx.answerFont = [&study] { return study.answerFont(); };
    ctx.answerColor = [&study] { return toQColor(study.answerColor()); };
    studyWindow_ = new TFormStudyQuestion(std::move(ctx));
    studyWindow_->setObjectName(QStringLiteral("FormStudyQuestion"));
    connect(studyWindow_, &TFormStudyQuestion::closed, this, &StudyLauncher::windowClosed);
}

SessionSettings StudyLauncher::sessionSettings(StudyMode mode) const {
    TFormStudy& study = services_.study;
    SessionSettings settings;
    if (SessionPanel* panel =
            study.panel(mode == StudyMode::Imprint ? Session::Imprint : Session::Flash);
        panel && panel->hasOptions()) {
        settings.timing.autoAnswer = panel->autoAnswer();
        settings.timing.pauseBeforeAnswer = panel->pauseBeforeAnswer();
        settings.timing.autoNext = panel->autoNext();
        settings.timing.pauseBeforeNext = panel->pauseBeforeNext();
    }
    TFormSpacedSelected* spaced = study.spacedPanel();
    settings.heardCountsAsGood = spaced && spaced->heardCountsAsGood();
    settings.keepGoing = study.keepGoing();
    return settings;
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
    if (s == Session::Spaced) {
        srs::SpacedQueue queue;
        if (services_.history) queue = spacedQueue(level);
        if (!services_.history || queue.next(main.clockNow()).question == NoNode) {
            // Graded elsewhere meanwhile (the tool): nothing left to ask.
            Q_EMIT ended();
            return;
        }
        ensureWindow();
        studyWindow_->setSessionSettings(sessionSettings(StudyMode::Spaced));
        studyWindow_->startSpacedSession(std::move(queue));
        showWindow();
        return;
    }
    std::vector<NodeId> visits;
    StudyMode mode = StudyMode::Review;
    bool loop = false, pauseVisible = false;
    switch (s) {
    case Session::Imprint:
        visits = BuildImprintList(questions, panel->alternate());
        mode = StudyMode::Imprint;
        break;
    case Session::Flash:
        visits = BuildFlashList(questions, services_.random);
        mode = StudyMode::Flash;
        break;
    case Session::Review:
    case Session::Spaced:
        visits = BuildReviewList(questions);
        break;
    }
    if (panel->hasOptions()) {
        loop = panel->loopSessions();
        pauseVisible = panel->autoAnswer() && panel->autoNext();
    }
    ensureWindow();
    studyWindow_->setSessionSettings(sessionSettings(mode));
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
    // The window system minimises the window while the pause runs.
    window.showMinimized();
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
