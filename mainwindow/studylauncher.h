#pragma once

#include "library/librarytree.h"
#include "mainwindow/maincommands.h"
#include "srs/figures.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class QWidget;

namespace brenvik {

class BusyCursor;
class MediaControls;
class RandomGenerator;
class ScreenSaver;
class SoundPlayer;
class TFormStudy;
class TFormStudyQuestion;
class TFormValidate;
class TFormSpacedSelected;
struct SessionSettings;
enum class StudyMode;
namespace srs {
class StudyHistory;
class SpacedQueue;
struct DueList;
} // namespace srs

// What a spaced session says instead of starting when nothing is due: with the next due
// time in local time, and the new questions' limit when today's are used up.
QString NothingDueMessage(const srs::DueList& list, int newPerDay);

// The study road of the main window: checking the questions of a session with the progress
// window, running it in the study window, and the question editor's preview, with the main
// window minimised meanwhile. Every wait is a timer or a signal, so nothing can start a
// second session while one is being prepared or shown.
class StudyLauncher : public QObject {
    Q_OBJECT
public:
    struct Services {
        MainCommands& main;
        QWidget& window;   // minimised while the study window shows
        TFormStudy& study; // the session panels' options and the answer font
        RandomGenerator& random;
        ScreenSaver* screenSaver = nullptr;
        int webWaitMs = 20000;
        std::function<bool()> muted;
        std::function<void(bool)> setMuted{}; // the mute box, for the study window's M key
        MediaControls* media = nullptr;       // the desktop's player; null: none
        SoundPlayer* sound = nullptr;         // the spoken lines' sounds; null: skipped
        srs::StudyHistory* history = nullptr; // where sessions record grades; null: none
    };
    explicit StudyLauncher(Services services, QObject* parent = nullptr);
    ~StudyLauncher() override;

    // What runs first once the preparation counts as started (the auto-save): it calls
    // `then` once done, with false when the preparation must stop.
    using First = std::function<void(std::function<void(bool)> then)>;
    // Checks the questions below the selection's object at `level`, then runs a session of
    // kind `s` on them (a spaced one on those due, then the day's new ones: with none of
    // them it says so and starts nothing), after `first`. Returns at once; `ended` follows
    // on every way out.
    void start(Session s, int level, const First& first);
    // Shows `record` in Preview mode; `closed` runs once the study window has closed or
    // could not be shown.
    void preview(const QuestionRecord& record, const QString& title, std::function<void()> closed);
    bool busy() const { return preparing_ || windowShowing_; }
    bool windowShowing() const { return windowShowing_; }
    // The speech engine has finished an utterance.
    void speechDone();

Q_SIGNALS:
    // A question failed the check: the window opens it in the editor.
    void problemFound(NodeId question);
    // The preparation has stopped or the study window has closed.
    void ended();
    // A session that showed at least one question has closed, with what it did; after
    // ended(), once the main window is back.
    void sessionSummary(const srs::SessionSummary& summary);

private:
    void showPreparing(Session s, int level);
    void validate(Session s, int level);
    bool nothingDue(int level); // says so when it is
    TFormSpacedSelected* spacedPanel() const;
    NodeId objectAt(int level) const;
    srs::SpacedQueue spacedQueue(int level) const;
    void stopPreparing();
    void showProblem(const QString& text);
    void run(Session s, int level);
    void ensureWindow();
    // The session panels' settings, taken as a session of `mode` starts.
    SessionSettings sessionSettings(StudyMode mode) const;
    void showWindow();
    void windowClosed();

    Services services_;
    TFormValidate* progress_ = nullptr;         // child of the main window
    std::unique_ptr<BusyCursor> busyCursor_;    // while the progress window is up
    TFormStudyQuestion* studyWindow_ = nullptr; // a window of its own
    bool preparing_ = false;
    bool windowShowing_ = false;
    Qt::WindowStates stateBefore_;
    std::function<void()> previewClosed_;
};

} // namespace brenvik
