// The study window's cycle: the walks a session takes, and the moves no step may make.

#include "study/core/studyphase.h"

#include <gtest/gtest.h>
#include <vector>

using namespace brenvik;
using P = StudyPhase;

namespace {

const std::vector<P> AllPhases = {P::Ended,        P::Starting,     P::Building, P::QuestionSpoken,
                                  P::Question,     P::AnswerSpoken, P::Answer,   P::QuestionPaused,
                                  P::AnswerPaused, P::Waiting};

// Walks `steps` from Ended; the index of the first refused step, or -1.
int Walk(const std::vector<P>& steps) {
    StudyPhaseMachine m;
    for (int i = 0; i < int(steps.size()); ++i)
        if (!m.moveTo(steps[i])) return i;
    return -1;
}

} // namespace

TEST(StudyPhase, TheWalksOfASessionAreAllowed) {
    // A review by hand: the answer, Next, a spoken question heard out, Up, Esc.
    EXPECT_EQ(Walk({P::Starting, P::Building, P::Question, P::Answer, P::Building,
                    P::QuestionSpoken, P::Question, P::Building, P::Question, P::Ended}),
              -1);
    // An automatic run paused on either side and resumed, the answer key pressed again.
    EXPECT_EQ(Walk({P::Starting, P::Building, P::QuestionSpoken, P::QuestionPaused, P::Building,
                    P::QuestionSpoken, P::AnswerSpoken, P::Answer, P::AnswerSpoken, P::AnswerPaused,
                    P::Answer, P::AnswerPaused, P::Building, P::Question, P::QuestionPaused,
                    P::AnswerSpoken, P::Ended}),
              -1);
    // A spaced session waits after a question and after an answer, asks early, ends waiting.
    EXPECT_EQ(Walk({P::Starting, P::Building, P::Question, P::Waiting, P::Waiting, P::Building,
                    P::QuestionSpoken, P::AnswerSpoken, P::Waiting, P::Ended}),
              -1);
    // A session closed before its first question was built, or before it was activated.
    EXPECT_EQ(Walk({P::Starting, P::Building, P::Ended, P::Starting, P::Ended}), -1);
}

TEST(StudyPhase, NoStepSkipsTheQuestionOrPausesWhatIsNotRunning) {
    for (P from : AllPhases) {
        // Closing ends a session from anywhere; nothing but showing the window starts one.
        EXPECT_EQ(PhaseMoveAllowed(from, P::Ended), from != P::Ended) << PhaseName(from);
        EXPECT_EQ(PhaseMoveAllowed(P::Ended, from), from == P::Starting) << PhaseName(from);
        // The answer is shown only over its question.
        for (P to : {P::AnswerSpoken, P::Answer})
            EXPECT_EQ(PhaseMoveAllowed(from, to), IsOnScreen(from)) << PhaseName(from);
        // A pause keeps the side that was on screen.
        EXPECT_EQ(PhaseMoveAllowed(from, P::QuestionPaused), IsRunning(from) && IsQuestionUp(from))
            << PhaseName(from);
        EXPECT_EQ(PhaseMoveAllowed(from, P::AnswerPaused), IsRunning(from) && IsAnswerUp(from))
            << PhaseName(from);
        // A question's silence follows only its spoken side.
        EXPECT_EQ(PhaseMoveAllowed(from, P::Question),
                  from == P::Building || from == P::QuestionSpoken)
            << PhaseName(from);
        // A spaced session waits between questions, never in a pause or while building.
        EXPECT_EQ(PhaseMoveAllowed(from, P::Waiting), IsRunning(from) || from == P::Waiting)
            << PhaseName(from);
    }

    // A refused move leaves the phase as it was.
    StudyPhaseMachine m;
    EXPECT_FALSE(m.moveTo(P::Building));
    EXPECT_EQ(m.phase(), P::Ended);
    ASSERT_TRUE(m.moveTo(P::Starting));
    ASSERT_TRUE(m.moveTo(P::Building));
    EXPECT_FALSE(m.moveTo(P::Building)); // a question is built once at a time
    EXPECT_FALSE(m.moveTo(P::Waiting));
    EXPECT_EQ(m.phase(), P::Building);
}
