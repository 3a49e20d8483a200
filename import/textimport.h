#pragma once

#include "import/notebuilder.h"
#include "import/textformats.h"

#include <QString>
#include <string_view>

namespace brenvik {

class UndoStore;

struct TextImportOptions {
    TextReadOptions read;
    BuildOptions build; // an empty sourceName is taken from the file's name
};

// Which step an import failed at, for callers that answer differently (the tool's exit
// status).
enum class ImportFailure {
    None,
    File,    // the file cannot be read
    NotText, // empty, or binary data
    Option,  // an option cannot be used (a separator of several characters)
    Content, // the target cannot hold questions, or no note gives a question
};

// Imports the bytes of a text file: decodes them (DecodeImportText), reads the notes
// (ReadTextNotes) and builds them below `target` (BuildImport) as one undo point. Every
// failure is "Could not import "<name>": <reason>" and leaves the tree as it was.
Result<ImportSummary> ImportTextBytes(LibraryTree& tree, UndoStore& undo, NodeId target,
                                      std::string_view bytes, const QString& fileName,
                                      TextImportOptions options, const DesktopColors& desktop,
                                      ImportFailure* failedAt = nullptr);

// The same for a file, read whole first.
Result<ImportSummary> ImportTextFile(LibraryTree& tree, UndoStore& undo, NodeId target,
                                     const QString& path, const TextImportOptions& options,
                                     const DesktopColors& desktop,
                                     ImportFailure* failedAt = nullptr);

} // namespace brenvik
