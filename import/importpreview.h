#pragma once

#include "import/apkgimport.h"
#include "import/apkgreader.h"
#include "import/notebuilder.h"
#include "import/textimport.h"

#include <QString>
#include <memory>
#include <string>
#include <vector>

namespace brenvik {

// One question of a preview, as the import would write it.
struct PreviewRow {
    std::string question;           // the question's lines joined by " / "
    std::string answer;             // the answer as written
    std::vector<std::string> notes; // the note lines
    std::string picture;            // the picture pane's file (a package's own name)
    std::string tags;               // the note's tags, separated by blanks
    std::string path;               // the objects it lands under, "Library > ... > Concept"
    int line = 0;                   // the note's line in a text file (0: a package)
    bool reversed = false;          // the reversed question of the note before
};

// What the notes of a file would become below a target, without changing the tree.
struct ImportPreview {
    std::vector<PreviewRow> rows; // the first questions, at most the number asked for
    // Over the whole file, counted as BuildImport counts them.
    int notes = 0, questions = 0, noQuestion = 0, noAnswer = 0;
    int fields = 0;         // the most fields a note has: the columns to choose from
    std::string targetPath; // the target's own path, the start of every row's path
};

// The preview of `notes` below `target` with the builder's own rules (notebuilder.h): the
// same questions, note lines, pictures and objects BuildImport makes, read from the same
// functions. Fails as BuildImport does when the target cannot take an import.
Result<ImportPreview> PreviewImport(const LibraryTree& tree, NodeId target, const NoteList& notes,
                                    const BuildOptions& options, int maxRows = 50);

// A file chosen for import, read once: a text file's decoded text or a package's notes.
// The import dialog previews its notes under changing options and then imports it.
class ImportSource {
public:
    // Reads `path`: an Anki package when it starts as a zip does, else a text file. The
    // error is "Could not import "<name>": <reason>".
    static Result<std::shared_ptr<const ImportSource>> open(const QString& path);

    bool isPackage() const { return package_ != nullptr; }
    const QString& path() const { return path_; }
    // The file's name without folder and extension: a new library's name.
    std::string sourceName() const;
    // A text file's header lines ("#separator:Tab"), as the file has them at its top.
    const std::vector<std::string>& headerLines() const { return header_; }
    // A package's notices (notes skipped or read by their fields).
    std::vector<std::string> notices() const;

    // The notes under the reading options (a package ignores them). The error is the
    // reason alone (an unusable separator).
    Result<NoteList> notes(const TextReadOptions& read) const;

    // Imports the file below `target` as one undo point: a text file through
    // ImportTextBytes, a package through ImportAnkiPackage with its media staged for
    // `libraryPath` (PackageImport::media, null for a text file).
    Result<PackageImport> import(LibraryTree& tree, UndoStore& undo, NodeId target,
                                 const QString& libraryPath, const TextImportOptions& options,
                                 const DesktopColors& desktop) const;

private:
    QString path_;
    std::string text_; // a text file decoded (DecodeImportText)
    std::vector<std::string> header_;
    std::unique_ptr<AnkiPackage> package_;
};

} // namespace brenvik
