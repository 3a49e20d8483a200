// The study window's media controls: the desktop's player and the media keys, and the mute.
#include "study/fstudyquestion.h"

#include "platform/mediacontrols.h"
#include "seams/studywindowservices.h"
#include "study/spokensequence.h"

#include <QApplication>
#include <QToolButton>

namespace brenvik {

void TFormStudyQuestion::mediaCommand(MediaCommand command) {
    if (!isVisible() || phase_.is(StudyPhase::Ended)) return;
    // A message box of the program's own is answered first, as with the keys.
    if (QApplication::activeModalWidget() && QApplication::activeModalWidget() != this) return;
    // A session without a pause (a review, a run by hand) has one thing a single button can
    // do: go on. A headset that sends Play and Pause in turn does the same.
    const StudyPhase phase = phase_.phase();
    switch (command) {
    case MediaCommand::PlayPause:
    case MediaCommand::Play:
    case MediaCommand::Pause:
        if (!pausable_)
            mediaCommand(MediaCommand::Next);
        else if (command == MediaCommand::PlayPause ||
                 IsPaused(phase) == (command == MediaCommand::Play))
            keyAction(Qt::Key_Pause);
        return;
    case MediaCommand::Next:
        if (mode_ == StudyMode::Spaced && IsAnswerUp(phase)) gradeAnswer(srs::Grade::Good);
        keyAction(Qt::Key_Space);
        return;
    case MediaCommand::Previous:
        // Grading Again is the spaced answer's "back"; once graded, Previous repeats.
        if (mode_ == StudyMode::Spaced && IsAnswerUp(phase) && gradeAnswer(srs::Grade::Again))
            return;
        keyAction(Qt::Key_Up);
        return;
    case MediaCommand::Stop:
        keyAction(Qt::Key_Escape);
        return;
    }
}

void TFormStudyQuestion::setMuted(bool muted) {
    if (!ctx_.setMuted || (ctx_.muted && ctx_.muted() == muted)) return;
    if (muted && spoken_->running()) {
        // The voice is stopped while it still speaks (a muted voice is not asked to stop);
        // the cycle then goes on as after a side with nothing more to say, not heard out.
        spoken_->stop();
        if (ctx_.main) ctx_.main->StopVoice();
        ctx_.setMuted(true);
        sideDone(false);
    } else {
        ctx_.setMuted(muted);
    }
    publishMedia();
}

void TFormStudyQuestion::openMedia() {
    // What it shows is published once the first question is on screen.
    if (ctx_.media && mode_ != StudyMode::Preview) ctx_.media->open();
}

void TFormStudyQuestion::closeMedia() {
    if (!ctx_.media || !ctx_.media->isOpen()) return;
    if (mode_ != StudyMode::Preview) {
        MediaState s = mediaState();
        s.playback = Playback::Stopped;
        ctx_.media->publish(s);
    }
    ctx_.media->close();
}

MediaState TFormStudyQuestion::mediaState() const {
    const StudyPhase phase = phase_.phase();
    MediaState s;
    s.playback = phase == StudyPhase::Ended
                     ? Playback::Stopped
                     : (IsPaused(phase) ? Playback::Paused : Playback::Playing);
    s.title = phase == StudyPhase::Waiting ? QStringLiteral("Waiting for the next question")
                                           : QString::fromStdString(record_.name).trimmed();
    s.progress = positionLine().trimmed();
    s.visit = visitsShown_;
    s.muted = ctx_.muted && ctx_.muted();
    return s;
}

void TFormStudyQuestion::publishMedia() {
    if (ctx_.media && mode_ != StudyMode::Preview) ctx_.media->publish(mediaState());
}

} // namespace brenvik
