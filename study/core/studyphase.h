#pragma once

namespace brenvik {

// Where the study window is in the cycle of a question. Every step of the window moves it
// from one phase to the next through StudyPhaseMachine; what a key, a button, a timer or a
// media command may do is read from the phase.
enum class StudyPhase {
    Ended,          // no session: before the first one and after each one's end
    Starting,       // shown, waiting for the window's first activation
    Building,       // the question's panes are being made (web pages loading)
    QuestionSpoken, // the question is on screen and its spoken side runs
    Question,       // the question is on screen, nothing said (an automatic answer may be due)
    AnswerSpoken,   // the answer is shown and its spoken side runs
    Answer,         // the answer is shown, nothing said (an automatic next may be due)
    QuestionPaused, // the automatic run is stopped with the question on screen
    AnswerPaused,   // the same with the answer shown
    Waiting,        // a spaced session waits for a question's learning step
};

const char* PhaseName(StudyPhase phase);

// The table of the cycle: whether a step may go from `from` to `to`.
bool PhaseMoveAllowed(StudyPhase from, StudyPhase to);

// A question is on screen, its answer shown or not, paused or not.
bool IsOnScreen(StudyPhase phase);
// The question is on screen and its answer not shown.
bool IsQuestionUp(StudyPhase phase);
bool IsAnswerUp(StudyPhase phase);
bool IsPaused(StudyPhase phase);
// A question is on screen and the automatic run goes on (or would, in a session by hand).
bool IsRunning(StudyPhase phase);

// The phase the window is in. A move the table does not allow is a fault of the window's
// code: it is refused with a line in the log, and the phase stays as it was.
class StudyPhaseMachine {
public:
    StudyPhase phase() const { return phase_; }
    bool is(StudyPhase phase) const { return phase_ == phase; }
    bool moveTo(StudyPhase to);

private:
    StudyPhase phase_ = StudyPhase::Ended;
};

} // namespace brenvik
