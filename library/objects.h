#pragma once

#include "library/colors.h"
#include "library/librarytree.h"
#include "library/questionrecord.h"
#include "library/result.h"

#include <string>
#include <string_view>
#include <vector>

namespace brenvik {

// Level names and prompts. Levels outside the tables yield the error texts
// "bad case in TFormMain::GetObjName()" / "bad case in TFormMain::GetObjDescr()".
Result<std::string> GetObjName(int level);
Result<std::string> GetObjDescr(int level);
// GetObjName in lower case, or "" for a bad level (callers building labels).
std::string LowerObjName(int level);

// The object of `level` on the path from `node` to the root, or NoNode.
NodeId GetObjAtLevel(const LibraryTree& tree, NodeId node, int level);

void AddNotesNode(LibraryTree& tree, NodeId object, std::string_view text);
// Drops the blank lines at both ends of `lines`.
void TrimBlankLines(std::vector<std::string>& lines);
// Trims blank lines at both ends of `lines` (the caller's list changes) and stores them.
void SetNotesLines(LibraryTree& tree, NodeId object, std::vector<std::string>& lines);
void LoadNotesLines(const LibraryTree& tree, NodeId object, std::vector<std::string>& lines);
// A quoted line's text without its first and last character ("" when shorter than 2).
std::string UnquoteLine(std::string_view stored);
std::string QuoteLine(std::string_view line);
// Makes `parent`'s children the quoted `lines`, adding or deleting last children.
void SetQuotedChildren(LibraryTree& tree, NodeId parent, const std::vector<std::string>& lines);
std::vector<std::string> QuotedChildren(const LibraryTree& tree, NodeId parent);

// Creates a new object below `parent` (NoNode: at the top) named "<Level> n".
Result<NodeId> AddNewObj(LibraryTree& tree, NodeId parent, const DesktopColors& desktop,
                         const WizardData* wizard = nullptr);
// The record of a new question: the defaults, with the wizard's texts when given (the
// question's lines in pane 1, the answer, both spoken texts).
QuestionRecord NewQuestionRecord(const DesktopColors& desktop, const WizardData* wizard);
// Appends a question named `name` below `parent` with its notes node and `record`, as Add
// new does after it has chosen the name. The importer names its questions itself.
NodeId AppendQuestion(LibraryTree& tree, NodeId parent, std::string_view name,
                      QuestionRecord record, const DesktopColors& desktop);

enum class CopyMode { Append, Insert };
// Append: as the last child of `target`; Insert: before `target`. One undo step.
NodeId CopySubtree(LibraryTree& tree, NodeId source, NodeId target, CopyMode mode,
                   const Progress& progress = {});

// "computer  >  user", with "Local computer" / "Current user" for empty names.
std::string RootCaption(std::string_view computer, std::string_view user);
// Sets it quietly (LibraryTree::setTextQuietly): not a change of the library.
void SetRootCaption(LibraryTree& tree, std::string_view computer, std::string_view user);

std::string EscapeAmpersands(std::string_view text);

} // namespace brenvik
