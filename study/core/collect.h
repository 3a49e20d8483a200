#pragma once

#include "library/colors.h"
#include "library/librarytree.h"
#include "library/progress.h"
#include "library/questionrecord.h"
#include "library/result.h"
#include "study/core/studyfiles.h"

#include <QString>
#include <vector>

namespace brenvik {

// The questions below the object at `level` on the path from `selected` to the root, in
// tree pre-order. Walks only that object's subtree: it stops at the next object of the same
// level. With a question selected and level 8, that one question. Empty when there is no
// object at that level.
std::vector<NodeId> CollectQuestions(const LibraryTree& tree, NodeId selected, int level);
// Every question of the tree in pre-order: below the root, every library in turn, and below
// any further top-level object.
std::vector<NodeId> CollectAllQuestions(const LibraryTree& tree);

// The check of one pane (n = 1..3). Fails with the message the box shows, ending in
// "\nfor the following question...". Image files are found by ResolveStudyPath.
Status ValidatePane(const PaneRecord& pane, int n, const StudyFolders& folders);
// Every pane of the layout, then the answer; fails with the first problem's message.
Status ValidateStudyQuestion(const QuestionRecord& record, const StudyFolders& folders);

// The outcome of checking a list of questions.
struct StudyCheck {
    int checked = 0;                 // questions that passed
    NodeId problemQuestion = NoNode; // the question with the first problem
    QString message;                 // that problem's message as the box shows it
    bool ok() const { return problemQuestion == NoNode; }
};
// "No questions exist at the level selected."
QString NoQuestionsMessage();
// Reads every question into a fresh default record and checks it, stopping at the first
// problem. A record that cannot be read is reported as that question's problem.
// `progress` counts the questions checked.
StudyCheck CheckStudyQuestions(const LibraryTree& tree, const std::vector<NodeId>& questions,
                               const DesktopColors& desktop, const StudyFolders& folders,
                               const Progress& progress = {});

// The path of an object as "Library > Set > ..." (names of the objects below the root),
// and back. FindObjectByPath returns NoNode when no object has that path.
QString ObjectPath(const LibraryTree& tree, NodeId object);
NodeId FindObjectByPath(const LibraryTree& tree, const QString& path);

} // namespace brenvik
