#pragma once

#include "library/colors.h"
#include "library/librarytree.h"
#include "library/result.h"
#include "study/core/studyfiles.h"

#include <QString>
#include <string>
#include <string_view>
#include <vector>

namespace brenvik {

// The files a branch can be written as.
enum class ExportFormat {
    Package,  // an Anki package (.apkg)
    AnkiText, // Anki's notes in plain text (.txt)
    Csv,      // comma-separated values with a header row (.csv)
};

// The format a file name asks for by its extension (.apkg, .txt, .csv; any case); false
// for any other.
bool ExportFormatForFile(const QString& path, ExportFormat& format);
// The format of an option word: "apkg", "txt" or "csv"; false for any other.
bool ExportFormatFromName(std::string_view name, ExportFormat& format);

// Where the files a question names are found: the order a study session looks in.
using ExportFolders = StudyFolders;

// One question as an export writes it: the fields as HTML, the deck as the names of its
// objects below the library joined by "::", and the media it uses by the name the
// fields give them.
struct ExportNote {
    std::string front, back, notes; // HTML
    std::string deck;               // "Europe::Capitals::...::Concept"
    struct Media {
        std::string name; // in the package and in the field: the file's own name
        QString path;     // where the file is
    };
    std::vector<Media> media;
};

// What an export wrote and what it left out.
struct ExportSummary {
    int questions = 0;
    int pictures = 0, sounds = 0; // files written into a package, or named by a text file
    std::string format;           // "Anki package", "Anki text", "CSV"
    // "picture "wave.emf" of "Lib > Set > ... > Question": Anki cannot show metafiles"
    std::vector<std::string> leftOut;

    // "12 questions and 3 pictures exported (Anki package)" ("12 questions, 3 pictures and
    // 1 sound" when there are sounds); then "; 2 left out:" and the first `shown` items, a
    // line each, and "and N more" for the rest.
    QString text(std::size_t shown = 10) const;
};

// The questions of the branch `top` (the root, a library or any object down to a single
// question), in tree order, as an export writes them:
// - front: the text panes' lines, HTML-escaped and joined by "<br>", then an
//   `<img src="NAME">` per picture pane of the layout, then the `[sound:NAME]` lines of the
//   spoken question; back: the answer and the spoken answer's sounds; notes: the
//   question's note lines joined by "<br>";
// - deck: the names of the question's objects from the set down to the concept, joined by
//   "::", so that an import into a library builds the same objects again (notebuilder.h);
// - pictures and sounds are looked for in `folders`; a missing file, a website pane and a
//   metafile (which Anki cannot show) are left out and named in `leftOut`. Two files of the
//   same name in different folders get "name (2).ext" for the second;
// - without `sounds` (the text formats, which carry no files and whose importers would read
//   a "[sound:NAME]" as text) the sounds are left out and named too.
std::vector<ExportNote> CollectExportNotes(const LibraryTree& tree, NodeId top,
                                           const ExportFolders& folders,
                                           const DesktopColors& desktop,
                                           std::vector<std::string>& leftOut, bool sounds = true);

// HTML-escaped text (&, <, >, ").
std::string EscapeHtml(std::string_view text);

// The contents of the text formats for `notes`: Anki's plain text with its header lines
// (#separator:tab, #html:true, #columns:..., #deck column:4), or CSV with a header row;
// fields are quoted by RFC 4180 where they hold the separator, a quote or a line break.
std::string AnkiTextExport(const std::vector<ExportNote>& notes);
std::string CsvExport(const std::vector<ExportNote>& notes);

// Writes the questions of `top` to `path` in `format`, atomically: the file appears only
// when every byte is written, and a failed export leaves no file and an old one intact.
// Every failure is "Could not export "<path>": <reason>"; a branch without questions is
// one ("there are no questions to export").
Result<ExportSummary> ExportBranch(const LibraryTree& tree, NodeId top, const QString& path,
                                   ExportFormat format, const ExportFolders& folders,
                                   const DesktopColors& desktop);

} // namespace brenvik
