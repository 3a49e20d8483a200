#pragma once

#include "library/librarytree.h"
#include "library/questionrecord.h"
#include "srs/figures.h"
#include "srs/fsrs.h"
#include "study/core/studyphase.h"

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QSet>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QTextEdit;
class QTimer;
class QToolButton;
class QPushButton;
class QFrame;

namespace brenvik {

class StudyWindowServices;
enum class SpeechSide;
class SoundPlayer;
class SpokenSequence;
class WebViewer;
class SpeechTail;
class StudyButton;
class ElidingLabel;
class MediaControls;
enum class MediaCommand;
struct MediaState;
namespace srs {
class StudyHistory;
class SpacedQueue;
} // namespace srs

// The study window's modes: the preview of the question editor and the four sessions.
enum class StudyMode { Preview = 0, Flash = 1, Imprint = 2, Review = 3, Spaced = 4 };

// How a session's automatic run goes on: its panel's boxes and pauses.
struct StudyTiming {
    bool autoAnswer = false;
    double pauseBeforeAnswer = 0; // seconds
    bool autoNext = false;
    double pauseBeforeNext = 0; // seconds
};

// The session panels' settings a session runs by, as they were when it started: the study
// window is modal, so nothing changes them while it is shown.
struct SessionSettings {
    StudyTiming timing; // imprint and flash only
    // In a spaced session, an answer spoken to its end and not graded counts as Good.
    bool heardCountsAsGood = false;
    // A session goes on while another program's window is in front or the window is
    // minimised; otherwise the automatic run stops then.
    bool keepGoing = false;
};

// What the study window needs of the program.
struct StudyContext {
    StudyWindowServices* main = nullptr;
    // Set for each session before it starts (setSessionSettings).
    SessionSettings session;
    // The voice's mute is read as it is: the M key changes it during a session.
    std::function<bool()> muted;
    std::function<QFont()> answerFont;
    std::function<QColor()> answerColor;
    // Plays the sounds of the spoken lines; null: they are skipped.
    SoundPlayer* sound = nullptr;
    // Bound of the wait for web panes, in milliseconds.
    int webWaitMs = 20000;
    // Where grades and seen visits go; null: the session is not graded (no grade buttons).
    srs::StudyHistory* history = nullptr;
    // The time a grade or a visit is recorded at; null: the system clock.
    std::function<srs::UnixSeconds()> now;
    // The desktop's media controls, offered while a session runs; null: none.
    MediaControls* media = nullptr;
    // Sets the voice's mute (the main window's box); null: the M key does nothing.
    std::function<void(bool)> setMuted;
};

// The full-screen window in which the user studies: it walks a visit list one entry at a
// time, draws the question's panes, speaks the question, reveals and speaks the answer, and
// moves on by key, button or timer. In Preview mode it shows one record for the editor.
// Its steps move it through the phases of StudyPhase, and every key, button, timer and media
// command asks the phase what it may do. Building a question is a phase of its own: until its
// panes are complete (web pages loaded, or the wait's bound passed) no key, button or timer
// acts, except Esc and Close, which end the session.
//
// Grading. While an answer is shown in a session, the keys 1..4 (on release) and the bar's
// four grade buttons record Again, Hard, Good or Easy for the question in the history; the
// grade is shown in the bar for a moment and nothing else changes: no timer, key or visit.
// A visit (one entry of the list, however often its question is shown again by Up or after
// a pause) takes one grade: a second is refused, as the first has already been written
// durably and moved the schedule. A visit that showed its question and ended without a
// grade is recorded as seen.
//
// A spaced session has no list made beforehand: after every visit its SpacedQueue names the
// next question, or a time to wait for (a question in a learning step), or the end. While
// it waits the window says until when; Next asks the waiting question at once. There is no
// Back: each visit is a step of the schedule.
//
// Media controls. A session offers the desktop a player (a headset's buttons, the media keys,
// the desktop's applet): play/pause pauses and resumes, or acts as Next where the session has
// no pause; Next shows the answer or moves on, Previous shows the question again, Stop ends
// the session. In a spaced session Next on a shown answer grades it Good first and Previous
// grades it Again. The media keys act the same way in the window, M mutes and unmutes.
class TFormStudyQuestion : public QWidget {
    Q_OBJECT
public:
    explicit TFormStudyQuestion(StudyContext context);
    ~TFormStudyQuestion() override;

    // The settings the next session runs by, taken by the caller as it starts one.
    void setSessionSettings(const SessionSettings& settings) { ctx_.session = settings; }
    // A session: the window starts at the first entry when shown.
    void startSession(std::vector<NodeId> visits, StudyMode mode, bool loop, bool pauseVisible);
    // A spaced session: the queue's first question when shown, then what it names.
    void startSpacedSession(srs::SpacedQueue queue);
    // The editor's preview of `record` under `title`.
    void startPreview(const QuestionRecord& record, const QString& title);
    // Shows the window full-screen and application-modal on `screenOf`'s screen.
    void showOn(QWidget* screenOf);

    // The main window's speech events.
    void speechDone();
    // A spoken side (its utterances and sounds) is under way.
    bool spokenSideRunning() const;

    // Steps, public for the keys, the buttons and the tests.
    void ShowCurrentQuestion();
    void BAnswerClick();
    void BNextClick();
    void BBackClick();
    void BPauseClick();
    void BCloseClick();
    // Grades the question whose answer is shown; false when no grade may be given now.
    bool gradeAnswer(srs::Grade grade);
    bool gradeAllowed() const;
    // A media control's command, from the desktop's player or a media key.
    void mediaCommand(MediaCommand command);
    // Mutes or unmutes the voice; muting ends what is being said as if it had been said.
    void setMuted(bool muted);

    // State, for the tests.
    StudyPhase phase() const { return phase_.phase(); }
    int position() const { return position_; }
    StudyMode mode() const { return mode_; }
    bool building() const { return phase_.is(StudyPhase::Building); }
    bool questionShown() const { return IsQuestionUp(phase_.phase()); }
    bool answerShown() const { return IsAnswerUp(phase_.phase()); }
    bool paused() const { return IsPaused(phase_.phase()); }
    bool answerVisible() const;
    const QuestionRecord& currentRecord() const { return record_; }
    QString positionLine() const;
    QWidget* paneArea() const { return PQ; }
    // The pane panels of the question on screen (or being built).
    QList<QWidget*> currentPanes() const;
    int visitsShown() const { return visitsShown_; }
    // The spaced session waits for a question's learning step.
    bool waitingForStep() const { return phase_.is(StudyPhase::Waiting); }
    // The questions asked so far, in order (a spaced session's grows as it goes).
    const std::vector<NodeId>& visits() const { return visits_; }
    // The session's visits and grades so far; the launcher hands them on when it closes.
    const srs::SessionSummary& summary() const { return summary_; }

    QToolButton* BAnswer = nullptr;
    QToolButton* BBack = nullptr;
    QToolButton* BNext = nullptr;
    QToolButton* BPause = nullptr;
    QToolButton* BClose = nullptr;
    QTextEdit* REA = nullptr;
    QLabel* LElapsed = nullptr;
    QLabel* LTime = nullptr;
    ElidingLabel* LPosition = nullptr; // shows positionLine(), shortened to its room
    QTimer* TAutoA = nullptr;
    QTimer* TAutoQ = nullptr;
    QTimer* TTime = nullptr;
    QTimer* TWait = nullptr; // a spaced session's wait: looks at the queue again each second
    std::array<QToolButton*, 4> BGrade{}; // Again, Hard, Good, Easy
    QLabel* LGrade = nullptr;             // the grade just given, for a moment

Q_SIGNALS:
    // The window has closed; the caller restores the main window.
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct PaneSet {
        std::vector<QPointer<QWidget>> panels;
        std::array<QPointer<WebViewer>, 3> viewers{};
    };

    void FormShow();
    void FormDeactivate();
    // Moves to `to` when the table allows it and sets the buttons to what the new phase
    // allows; false (and logged) when it does not.
    bool moveTo(StudyPhase to);
    // What the phase allows, for the keys and the buttons alike.
    bool answerAllowed() const { return IsOnScreen(phase_.phase()); }
    bool nextAllowed() const;
    bool backAllowed() const;
    void updateButtons();
    void StopAuto();
    void finishShowing(); // steps 8..11, after the panes are complete
    void checkPanesLoaded();
    void RenderPane(QFrame* panel, const PaneRecord& pane, int n);
    void renderText(QFrame* panel, const PaneRecord& pane);
    void renderImage(QFrame* panel, const PaneRecord& pane);
    void renderWebsite(QFrame* panel, const PaneRecord& pane, int n);
    void ReleaseOldPanes(bool closing);
    void TTimeTimer();
    void TAutoATimer();
    void TAutoQTimer();
    bool keyAction(int key); // true when the key was the window's
    bool autoMode() const { return mode_ == StudyMode::Flash || mode_ == StudyMode::Imprint; }
    StudyTiming timing() const;
    // Stops the timers and the voice; a spoken phase becomes its silent one.
    void haltRun();
    void layoutWindow();
    void showAnswerArea(bool shown);
    void showError(const QString& text);
    // Starts a side's spoken lines unless the voice is muted; false: nothing to wait for.
    bool startSpokenSide(const std::vector<std::string>& lines, SpeechSide side);
    // The spoken side has ended: heard to its end, or cut off by the mute.
    void sideDone(bool heard);
    void endVisit(); // records an ungraded visit as seen
    void record(NodeId question, srs::Grade grade);
    srs::UnixSeconds now() const;
    void spacedNext(); // after a visit of a spaced session
    void showSpaced(NodeId question);
    void startWaiting(srs::UnixSeconds until);
    void TWaitTimer();
    // What the desktop's player shows: the question, the progress, playing or paused.
    void publishMedia();
    MediaState mediaState() const;
    void openMedia();
    void closeMedia();

    StudyContext ctx_;
    std::vector<NodeId> visits_;
    StudyMode mode_ = StudyMode::Flash;
    bool loop_ = false;
    int position_ = 0;
    QString title_;
    QuestionRecord record_;

    StudyPhaseMachine phase_;
    bool pausable_ = false; // an automatic session with its pause button
    std::array<bool, 3> loaded_{};
    long long elapsed_ = 0;
    int visitsShown_ = 0;
    QPoint savedCursor_;
    bool cursorMoved_ = false;
    int buildSerial_ = 0;
    QFont answerFont_;
    QSet<int> pressedKeys_; // keys pressed in this window and not yet released
    // The visit under way: one entry of the list, however often its question is shown.
    struct Visit {
        bool open = false;
        bool shown = false;
        bool graded = false;
        bool heard = false; // its answer's spoken side has run to its end
        NodeId question = NoNode;
    };
    Visit visit_;
    srs::SessionSummary summary_;
    QTimer* gradeShown_ = nullptr;
    std::unique_ptr<srs::SpacedQueue> spaced_;
    srs::UnixSeconds waitUntil_ = 0;

    PaneSet current_;
    PaneSet previous_;

    QWidget* PQ = nullptr;
    SpeechTail* PB2 = nullptr;
    QFrame* PA = nullptr;
    QFrame* SPABotLine = nullptr;
    QFrame* SPARightLine = nullptr;
    QWidget* PBot = nullptr;
    QPushButton* Button1 = nullptr;
    QTimer* webWait_ = nullptr;
    SpokenSequence* spoken_ = nullptr;
    SpeechSide spokenSide_{}; // the side spoken_ runs (the question's at first)
    QRect SQ;
};

} // namespace brenvik
