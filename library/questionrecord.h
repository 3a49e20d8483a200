#pragma once

#include "library/colors.h"
#include "library/fonttext.h"
#include "library/librarytree.h"
#include "library/result.h"

#include <array>
#include <string>
#include <vector>

namespace brenvik {

enum PaneContent : int { TextContent = 0, ImageContent = 1, WebsiteContent = 2 };

// One pane of a question, with the values of a new pane.
struct PaneRecord {
    int content = TextContent;
    FontSpec font; // "Arial", 14, bold; colour set from the desktop's button text
    bool textShallowBorder = false;
    bool textDeepBorder = false;
    long long textBackground = -1;
    bool centredText = true;
    std::vector<std::string> textLines;
    bool imageShallowBorder = false;
    bool imageDeepBorder = true;
    bool stretchToFit = false;
    long long imageBackground = 16777215;
    std::string imageFile;
    bool webShallowBorder = false;
    bool webDeepBorder = false;
    std::string webAddress;

    // A new pane record on the given desktop (font colour = button text).
    static PaneRecord newRecord(const DesktopColors& desktop);
    bool operator==(const PaneRecord&) const = default;
};

// A question's settings subtree in memory.
struct QuestionRecord {
    std::string name;
    std::vector<std::string> notes;
    long long layout = 1;
    std::array<std::string, 4> proportions{"unused", "unused", "50%", "33%, 33%"};
    std::array<PaneRecord, 3> panes;
    std::vector<std::string> spokenQuestion;
    std::string answer;
    std::vector<std::string> spokenAnswer;

    static QuestionRecord newRecord(const DesktopColors& desktop);
    bool operator==(const QuestionRecord&) const = default;
};

// Texts the question wizard supplies for a new question.
struct WizardData {
    std::string question; // may hold several lines
    std::string answer;
    std::string spokenQuestion; // may hold several lines
    std::string spokenAnswer;   // may hold several lines
};

// Reads by position into `record`, which the caller has initialised; stops at the first
// missing node. Fails with the conversion error text.
Status ReadQuestionRecord(const LibraryTree& tree, NodeId question, QuestionRecord& record,
                          const DesktopColors& desktop);
// Starts from a fresh default record, so a short subtree never inherits old values;
// the record's name is the question node's text.
Status ReadFreshQuestionRecord(const LibraryTree& tree, NodeId question, QuestionRecord& record,
                               const DesktopColors& desktop);
Status ReadPaneRecord(const LibraryTree& tree, NodeId pane, PaneRecord& pane_record,
                      const DesktopColors& desktop);

void WriteQuestionRecord(LibraryTree& tree, NodeId question, const QuestionRecord& record,
                         const DesktopColors& desktop);
// The second entry: the spoken answer as one text, split at CR LF, LF or CR.
void WriteQuestionRecord(LibraryTree& tree, NodeId question, QuestionRecord record,
                         const std::string& spokenAnswerText, const DesktopColors& desktop);
void WritePaneRecord(LibraryTree& tree, NodeId pane, const PaneRecord& record,
                     const DesktopColors& desktop);

// Splits a text into lines at CR LF, LF or CR. Text after the last line end is a line
// only when not empty: "" gives no lines, "a\n" one line, "a\n\n" two.
std::vector<std::string> SplitLines(std::string_view text);

} // namespace brenvik
