#pragma once

#include "import/importnote.h"
#include "library/colors.h"
#include "library/librarytree.h"
#include "library/result.h"

#include <QString>
#include <string>
#include <vector>

namespace brenvik {

class UndoStore;

// What becomes of a note's fields.
struct BuildOptions {
    int questionField = 0; // the field that becomes the question (0-based)
    int answerField = 1;   // the field that becomes the answer
    // Also add every note reversed: the answer side as the question, the question side as
    // the answer, with the same notes, right after the note's own question.
    bool reversed = false;
    // The file's name without its folder and extension: the name of a new library, and
    // of the objects filled in for notes without a deck.
    std::string sourceName;
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
//   answer); then the tags as "Tags: a b c";
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
