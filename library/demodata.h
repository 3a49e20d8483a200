#pragma once

#include "library/librarytree.h"
#include "library/result.h"

#include <QString>
#include <string>
#include <string_view>
#include <vector>

namespace brenvik {

// The demo library, a quiz on the capitals of the United States and Canada, as outline
// text with LF line ends (the root line reads "ComputerName  >  UserName").
const std::string& DemoText();

// One demo question as the demo text states it; tests and tools check the text against it.
struct DemoQuestion {
    const char* group;          // "United States" or "Canada"
    const char* place;          // the question's name
    const char* answer;         // the capital
    const char* spokenQuestion; // nullptr: the question as shown, on one line
    const char* spokenAnswer;   // nullptr: the answer
    const char* picture;        // file name of the place's picture on Wikimedia Commons
    bool textFirst;             // text pane is pane 1 (else the website pane is)
    bool arialPane3;            // pane 3 uses "Arial, 14, B, 0"
};
const std::vector<DemoQuestion>& DemoQuestions();
// The lines of the question's text pane ("What's the capital of ..." on one or two lines).
std::vector<std::string> DemoQuestionLines(const DemoQuestion& q);
// The picture's web address.
std::string DemoPictureAddress(const char* fileName);

// The demo library exactly as start-up writes it: DemoText with CR LF line ends.
std::string DemoFileBytes();
// Writes DemoFileBytes to `path` atomically (SaveFileAtomically), replacing a previous
// file even when it is read-only.
Status WriteDemoFile(const QString& path);

// The outcome of installing the demo library.
struct DemoInstall {
    QString error;     // writing the demo file failed: the installation ended
    QString loadError; // the loader's error; the partial tree stays and start-up goes on
    NodeId select = NoNode;
    std::vector<NodeId> expand; // the root first, down to the "U.S. & Canada" section
};

// Writes "Demo" into the program folder, loads it into `tree`, deletes the file again
// and sets the root caption.
DemoInstall InstallDemoLibrary(LibraryTree& tree, const QString& programFolder,
                               std::string_view computer, std::string_view user);

// Replaces the tree by an empty library: the root with its "current user libraries" note.
void NewEmptyLibrary(LibraryTree& tree, std::string_view computer, std::string_view user);

} // namespace brenvik
