#pragma once

#include "library/settingsstore.h"

#include <array>

namespace brenvik::settings {

// Every start-up setting: its section, key and default, in the order the main window
// reads them. The defaults here are the values the program starts with when nothing is
// stored. Nothing else in the program names a section or key.

// Main window, read when it is created.
inline constexpr IntKey MainTop{"main", "top", 75};
inline constexpr IntKey MainLeft{"main", "left", 75};
// The window's minimum height and width (620 and 1024 in the window layout).
inline constexpr RuntimeIntKey MainHeight{"main", "height", 620};
inline constexpr RuntimeIntKey MainWidth{"main", "width", 1024};
inline constexpr IntKey MainState{"main", "state", 0}; // 0 normal, 1 minimised, 2 maximised

// Read when the main window is shown.
inline constexpr IntKey AppFirstRun{"app", "firstrun", 1}; // 0: the two folders are read
// The executable's folder.
inline constexpr RuntimeTextKey QuestionFileDir{"question", "filedir"};
inline constexpr RuntimeTextKey QuestionPicDir{"question", "picdir"};
// The tree panel's current width (282 in the window layout).
inline constexpr RuntimeIntKey MainSplitter{"main", "splitter", 282};
inline constexpr IntKey AnswerFontSize{"afont", "size", 14};
inline constexpr IntKey AnswerFontColor{"afont", "color", 0}; // colour value, black
// The answer font's face by default, with no style.
inline constexpr const char* AnswerFontFace = "Arial Rounded MT Bold";
// Keys of our own beside "size" and "color", so the whole chosen font comes back: the face,
// and the style as bits (1 bold, 2 italic, 4 underline, 8 strike-out).
inline constexpr TextKey AnswerFontName{"afont", "face", AnswerFontFace};
inline constexpr IntKey AnswerFontStyle{"afont", "style", 0};
inline constexpr IntKey AddEdit{"add", "edit", 1};
inline constexpr IntKey ImprintAutoQ{"imprint", "autoq", 1};
inline constexpr TextKey ImprintPauseQ{"imprint", "pauseq", "0.5"};
inline constexpr IntKey ImprintAutoA{"imprint", "autoa", 1};
inline constexpr TextKey ImprintPauseA{"imprint", "pausea", "0.5"};
inline constexpr IntKey FlashAutoQ{"flash", "autoq", 1};
inline constexpr TextKey FlashPauseQ{"flash", "pauseq", "1.0"};
inline constexpr IntKey FlashAutoA{"flash", "autoa", 1};
inline constexpr TextKey FlashPauseA{"flash", "pausea", "0.5"};
inline constexpr IntKey ImprintLoop{"imprint", "loop", 0};
inline constexpr IntKey ImprintAlternate{"imprint", "alternate", 1};
inline constexpr IntKey FlashLoop{"flash", "loop", 0};
inline constexpr IntKey MainVoice{"main", "voice", 0}; // 1: voice muted
inline constexpr IntKey MainAutoSave{"main", "autosave", 0};

// Read by the start-up timer.
inline constexpr IntKey MainActiveVoice{"main", "activevoice", 2};
// Beside the number, the same voice by engine and name, which no new engine shifts; empty:
// the number alone says it (a file of old).
inline constexpr TextKey VoiceEngine{"main", "voiceengine", ""};
inline constexpr TextKey VoiceName{"main", "voicename", ""};
// The answer's voice; empty: the same as the question's.
inline constexpr TextKey AnswerVoiceEngine{"main", "answervoiceengine", ""};
inline constexpr TextKey AnswerVoiceName{"main", "answervoicename", ""};
// Speaking rate and pitch in steps from -10 to 10; 0 is the voice's own.
inline constexpr IntKey VoiceRate{"main", "voicerate", 0};
inline constexpr IntKey VoicePitch{"main", "voicepitch", 0};

// The folder the Open and Save as dialogs start in (the executable's folder by default).
inline constexpr RuntimeTextKey MainLibraryDir{"main", "libdir"};
// The recently used library files, most recent first.
inline constexpr NumberedTextKey RecentFiles{"recent", "file", 8};

// The spaced session's settings (srs/spacedoptions.h), read with the session panels' options.
// The edits' texts are kept as shown, as the pauses are.
inline constexpr TextKey SpacedLearningSteps{"spaced", "learnsteps", "1 10"};
inline constexpr TextKey SpacedRelearningSteps{"spaced", "relearnsteps", "10"};
inline constexpr TextKey SpacedRetention{"spaced", "retention", "0.90"};
inline constexpr TextKey SpacedMaxInterval{"spaced", "maxinterval", "36500"};
inline constexpr TextKey SpacedNewPerDay{"spaced", "newperday", "20"};
inline constexpr IntKey SpacedHeardGood{"spaced", "heardgood", 0};

// Every session goes on while its window is minimised or behind another program's; off, the
// automatic run stops then. Read with the session panels' options.
inline constexpr IntKey StudyBackground{"study", "background", 0};

// All keys with a fixed default, so tools and tests can walk them.
inline constexpr std::array<IntKey, 17> FixedIntKeys{
    MainTop,          MainLeft,     MainState,    AppFirstRun,  AnswerFontSize, AnswerFontColor,
    AddEdit,          ImprintAutoQ, ImprintAutoA, FlashAutoQ,   FlashAutoA,     ImprintLoop,
    ImprintAlternate, FlashLoop,    MainVoice,    MainAutoSave, MainActiveVoice};
inline constexpr std::array<TextKey, 4> FixedTextKeys{ImprintPauseQ, ImprintPauseA, FlashPauseQ,
                                                      FlashPauseA};
// The voice's keys of our own, beside the table of old like the answer font's face and style.
inline constexpr std::array<IntKey, 2> VoiceIntKeys{VoiceRate, VoicePitch};
inline constexpr std::array<TextKey, 4> VoiceTextKeys{VoiceEngine, VoiceName, AnswerVoiceEngine,
                                                      AnswerVoiceName};

// The spaced session's keys, apart from the start-up table above.
inline constexpr std::array<TextKey, 5> SpacedTextKeys{SpacedLearningSteps, SpacedRelearningSteps,
                                                       SpacedRetention, SpacedMaxInterval,
                                                       SpacedNewPerDay};

} // namespace brenvik::settings
