#include "study/core/studyphase.h"

#include <QtDebug>
#include <initializer_list>

namespace brenvik {

namespace {

bool OneOf(StudyPhase phase, std::initializer_list<StudyPhase> phases) {
    for (StudyPhase p : phases)
        if (p == phase) return true;
    return false;
}

} // namespace

const char* PhaseName(StudyPhase phase) {
    switch (phase) {
    case StudyPhase::Ended:
        return "ended";
    case StudyPhase::Starting:
        return "starting";
    case StudyPhase::Building:
        return "building";
    case StudyPhase::QuestionSpoken:
        return "question spoken";
    case StudyPhase::Question:
        return "question";
    case StudyPhase::AnswerSpoken:
        return "answer spoken";
    case StudyPhase::Answer:
        return "answer";
    case StudyPhase::QuestionPaused:
        return "question paused";
    case StudyPhase::AnswerPaused:
        return "answer paused";
    case StudyPhase::Waiting:
        return "waiting";
    }
    return "?";
}

bool PhaseMoveAllowed(StudyPhase from, StudyPhase to) {
    using P = StudyPhase;
    // Closing ends a session from wherever it is; only a shown window starts one.
    if (to == P::Ended) return from != P::Ended;
    switch (from) {
    case P::Ended:
        return to == P::Starting;
    case P::Starting:
        return to == P::Building;
    case P::Building:
        return OneOf(to, {P::QuestionSpoken, P::Question});
    case P::QuestionSpoken:
        // The question's spoken side has run to its end, or the voice was stopped.
        if (to == P::Question) return true;
        [[fallthrough]];
    case P::Question:
        // Up, Next and Back build a question again; a spaced session may wait after Next.
        return OneOf(to, {P::AnswerSpoken, P::Answer, P::QuestionPaused, P::Building, P::Waiting});
    case P::AnswerSpoken:
    case P::Answer:
        // The answer key shows (and says) the answer again.
        return OneOf(to, {P::AnswerSpoken, P::Answer, P::AnswerPaused, P::Building, P::Waiting});
    case P::QuestionPaused:
    case P::AnswerPaused:
        // Resuming shows the question again from the start of its cycle.
        return OneOf(to, {P::AnswerSpoken, P::Answer, P::Building});
    case P::Waiting:
        return OneOf(to, {P::Waiting, P::Building});
    }
    return false;
}

bool IsOnScreen(StudyPhase phase) {
    return IsQuestionUp(phase) || IsAnswerUp(phase);
}

bool IsQuestionUp(StudyPhase phase) {
    return OneOf(phase,
                 {StudyPhase::QuestionSpoken, StudyPhase::Question, StudyPhase::QuestionPaused});
}

bool IsAnswerUp(StudyPhase phase) {
    return OneOf(phase, {StudyPhase::AnswerSpoken, StudyPhase::Answer, StudyPhase::AnswerPaused});
}

bool IsPaused(StudyPhase phase) {
    return phase == StudyPhase::QuestionPaused || phase == StudyPhase::AnswerPaused;
}

bool IsRunning(StudyPhase phase) {
    return IsOnScreen(phase) && !IsPaused(phase);
}

bool StudyPhaseMachine::moveTo(StudyPhase to) {
    if (!PhaseMoveAllowed(phase_, to)) {
        qWarning("study: no step leads from %s to %s; the window stays %s", PhaseName(phase_),
                 PhaseName(to), PhaseName(phase_));
        return false;
    }
    phase_ = to;
    return true;
}

} // namespace brenvik
