#pragma once

#include "import/importnote.h"
#include "library/colors.h"
#include "library/librarytree.h"
#include "library/progress.h"
#include "library/result.h"

#include <QString>
#include <string>
#include <vector>

namespace brenvik {

class UndoStore;

// Where a question's notes come from.
enum class NotesFrom {
    OtherFields, // every field but the question and answer, "Name: value" each, and the tags
    Field,       // BuildOptions::notesField's lines as they are, then the tags
    None,        // no fields and no tags
};

// What becomes of a note's fields.
struct BuildOptions {
    int questionField = 0; // the field that becomes the question (0-based)
    int answerField = 1;   // the field that becomes the answer
    NotesFrom notes = NotesFrom::OtherFields;
    int notesField = 2; // the field that becomes the notes, with NotesFrom::Field
    // Also add every note reversed: the answer side as the question, the question side as
    // the answer, with the same notes, right after the note's own question.
    bool reversed = false;
    // The file's name without its folder and extension: the name of a new library, and
    // of the objects filled in for notes without a deck.
    std::string sourceName;
    // Told of the notes built so far, for a window that shows a long import's progress.
    Progress progress;
};

// What an import brought in.
struct ImportSummary {
    int notes = 0;       // notes read
    int questions = 0;   // questions added (reversed ones included)
    int objects = 0;     // objects added above the questions (libraries to concepts)
    int noQuestion = 0;  // notes skipped: the question field is empty or missing
    int noAnswer = 0;    // notes skipped: the answer field is empty or missing
    NodeId top = NoNode; // the first object added below the target
    NodeId firstQuestion = NoNode;
    std::string format, separator; // how the file was read
    // Packages: the picture files that came in, and what else was skipped or read in
    // another way ("3 notes of type Image Occlusion skipped").
    bool countsPictures = false;
    int pictures = 0;
    std::vector<std::string> notices;

    // "12 questions and 7 objects imported (CSV, Comma separated); 2 notes skipped: 1
    // without a question, 1 without an answer"; for a package "5 questions, 2 objects and
    // 3 pictures imported (Anki package)", then the notices, each after "; "
    QString text() const;
};

// The builder's rules one note at a time, shared by BuildImport and the preview
// (importpreview.h) so the two never disagree.

// Why a note gives no question.
enum class NoteSkip { None, NoQuestion, NoAnswer };

// One question as the builder writes it.
struct ImportedQuestion {
    std::string name;                       // the question's name in the tree
    std::vector<std::string> questionLines; // pane 1's text lines; empty: a picture alone
    std::string spokenQuestion, answer, spokenAnswer;
    std::string picture;            // the picture pane's file, or empty
    std::vector<std::string> notes; // the note lines, in order
};

// The level of an object that can take an import (0: the root), or why it cannot.
Result<int> ImportTargetLevel(const LibraryTree& tree, NodeId target);
// The source's name as the builder uses it: trimmed, "Imported" when empty.
std::string ImportSourceName(const BuildOptions& options);
// The deck a note goes to: its own, else the file's.
const std::string& ImportDeck(const ImportNote& note, const NoteList& list);
// The names of the objects the deck rule (below) fills in for `deck` below a target at
// `targetLevel`, from the level right below it down to the concept; for the root the new
// library named after the source comes first. Empty below a concept.
std::vector<std::string> ImportObjectNames(const std::string& deck, int targetLevel,
                                           const std::string& sourceName);
// What a note becomes below a target at `targetLevel`: its question, and its reversed one
// after it; none, with the reason in `skipped`, when it lacks a question or an answer.
std::vector<ImportedQuestion> ImportedQuestions(const ImportNote& note, const NoteList& list,
                                                const BuildOptions& options, int targetLevel,
                                                NoteSkip* skipped = nullptr);

// Builds the questions of `notes` below `target` (the root: a new library named after the
// source) as one undo point labelled "import questions".
//
// Each note becomes one question (two when reversed):
// - the question field's lines (htmltext.h FieldLines) are pane 1's text lines and the
//   spoken question, as the question wizard writes them; its first line, shortened
//   (ShortName), is the question's name;
// - the answer field's lines joined by " / " are the answer and the spoken answer;
// - every other non-empty field becomes one note line "Name: value", in field order, its
//   lines joined by " / ": the name is the one the file gives (Anki's #columns:, a CSV's
//   first row), else "Field N" with N the field's place among the note's fields counted
//   from 1 (so a note's third field is "Field 3", whichever fields are question and
//   answer); then the tags as "Tags: a b c". With NotesFrom::Field the chosen field's
//   lines are the note lines as they stand (no "Name:"), and the tags still follow as
//   "Tags: a b c", since no other place keeps them; with NotesFrom::None neither fields
//   nor tags are noted. The lines that say what the import could not place ("Picture:",
//   "Deck:", below) are written whatever the choice, so nothing of a note is lost unseen;
// - a note whose question or answer is empty after conversion is skipped and counted;
// - from packages (importnote.h): the question side's first picture is a picture pane,
//   beside the text as pane 2 (layout 2) or, for a side without text, alone as pane 1;
//   every other picture becomes a note line "Picture: NAME"; a side's sounds are lines
//   "[sound:NAME]" at the end of its spoken text; a note marked reversed is also added
//   reversed (unless its question side is only a picture).
//
// The deck rule. A question sits at the Question level, below a concept, so the levels
// between the target and the questions must all be filled. The deck's names (split at
// "::", trimmed, empty ones dropped) take the free levels top-down, starting right below
// the target; levels left over below the deepest deck name are filled with objects named
// after that deepest name (a deck "Geography::Europe" below a library gives the set
// "Geography", then "Europe" for the book, part, chapter, section and concept); a note
// without a deck (its own or the file's) is filled throughout with the source's name;
// a deck with more names than free levels has its deepest names joined with "::" into
// the lowest free level, the concept. Below a concept no level is free: the questions go
// straight under it and the deck, if any, becomes the note line "Deck: ...". Notes with
// the same deck share their objects, in the order the file first names them; objects
// already in the library are never merged with, so an import is always a subtree of its
// own.
//
// Nothing is changed on a failure: the target is no object that can hold questions, or
// no note gives a question.
Result<ImportSummary> BuildImport(LibraryTree& tree, UndoStore& undo, NodeId target,
                                  const NoteList& notes, const BuildOptions& options,
                                  const DesktopColors& desktop);

} // namespace brenvik
