#pragma once

#include "import/importnote.h"
#include "library/result.h"

#include <string>
#include <string_view>

namespace brenvik {

enum class TextFormat {
    Auto,      // an Anki header line decides; otherwise CSV
    AnkiText,  // Anki's "Notes in Plain Text": header lines, then separated fields
    Csv,       // separated fields, RFC 4180 quoting; the first row may name the columns
    Quizlet,   // copied Quizlet sets: term and definition, no quoting
    Mnemosyne, // Mnemosyne's tab-separated export: question, answer, notes
};

enum class Choice { Auto, Yes, No };

// How quotes in a field are read.
enum class Quoting {
    Auto,   // the format's own: quotes for Anki text and CSV, none for Quizlet and Mnemosyne
    Quotes, // RFC 4180: a field in double quotes may hold separators, line breaks and ""
    None,   // a quote is an ordinary character
};

// How a text file is read. Every setting a file can state (or the reader guess) can be
// given here instead, and then wins.
struct TextReadOptions {
    TextFormat format = TextFormat::Auto;
    // Anki text and CSV: the field separator (one character, SeparatorFromName); Quizlet:
    // the text between term and definition. Empty: the header's, else guessed (Quizlet:
    // Tab when the text has one, else a comma).
    std::string separator;
    // Quizlet: the text between rows; empty: a line break.
    std::string rowSeparator;
    Choice html = Choice::Auto;      // fields are HTML; Auto: the header's, else detected
    Choice headerRow = Choice::Auto; // CSV: the first row names the columns
    Quoting quoting = Quoting::Auto;
};

// The text of an import file as UTF-8: a byte-order mark is dropped; a text that is not
// valid UTF-8 is read as Windows-1252; UTF-16 with a byte-order mark is converted. Refuses
// an empty file ("the file is empty") and binary data ("the file is not text: ...").
Result<std::string> DecodeImportText(std::string_view bytes);

// Reads the notes of a decoded text. Fails only on a bad option (an unusable separator).
Result<NoteList> ReadTextNotes(std::string_view text, const TextReadOptions& options);

// "Anki text", "CSV", "Quizlet", "Mnemosyne", or the format's option word ("anki", "csv",
// "quizlet", "mnemosyne", "auto") back to the format; false for an unknown word.
bool TextFormatFromName(std::string_view name, TextFormat& format);

// Whether `format` (as a NoteList names it: "CSV", "Quizlet", ...) reads quotes under
// `quoting`.
bool ReadsQuotes(std::string_view format, Quoting quoting);
// "auto", "quotes" or "none" (any case) back to the quoting; false for an unknown word.
bool QuotingFromName(std::string_view name, Quoting& quoting);

} // namespace brenvik
