#pragma once

#include <string>
#include <vector>

namespace brenvik {

// How the fields of a note are written.
enum class FieldMarkup {
    Plain,    // text as it stands; line breaks are line breaks
    Entities, // plain text with HTML character references (&#NNNN;, &amp;)
    Html,     // HTML: tags, <br>, <div>, entities
};

// One note of an import, as every reader hands it on: the fields in column order (UTF-8,
// markup not yet converted) and the note's deck and tags. The readers know nothing of the
// tree; the builder (notebuilder.h) turns notes into objects and questions.
struct ImportNote {
    std::vector<std::string> fields;
    std::string deck; // "Geography::Europe::Capitals", or empty: the file's own deck
    std::vector<std::string> tags;
    std::string guid, notetype; // kept for readers and importers that match notes later
    int line = 0;               // where the note starts in its file (1-based), for messages
    // Package readers only. Pictures as the library names them: the question side's first
    // one becomes the question's picture pane, every other one is named in the notes. The
    // sounds ("[sound:NAME]") of each side are added to that side's spoken text.
    std::vector<std::string> questionPictures, answerPictures, otherPictures;
    std::vector<std::string> questionSounds, answerSounds;
    std::vector<std::string> fieldNames; // the note's own field names, over the list's
    bool reversed = false;               // also add this note reversed
};

// What a reader made of a file.
struct NoteList {
    std::vector<ImportNote> notes;
    // Names of the fields by position ("Front", "Back"), where the file gives them; shorter
    // than a note's fields, or empty, when it does not.
    std::vector<std::string> fieldNames;
    FieldMarkup markup = FieldMarkup::Plain;
    std::string deck; // the deck of every note that names none (a file-wide deck line)
    // How the file was read, for the summary and for tests: the format's name ("Anki text",
    // "CSV", "Quizlet", "Mnemosyne") and the separator's name ("Tab", "Comma", ...).
    std::string format, separator;
};

} // namespace brenvik
