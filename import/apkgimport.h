#pragma once

#include "import/apkgreader.h"
#include "import/mediafolder.h"
#include "import/notebuilder.h"
#include "import/textimport.h"

#include <QString>
#include <memory>

namespace brenvik {

class UndoStore;

// An import of a package that went through: what came in, and its media, staged until the
// caller has written the library (then `media->commit()`; dropping it unwritten removes
// the staged files).
struct PackageImport {
    ImportSummary summary;
    std::unique_ptr<MediaStage> media;
};

// Imports the Anki package `path` (apkgreader.h) below `target` for the library file
// `libraryPath` as one undo point. The pictures and sounds the imported notes use are
// staged for the media folder beside the library (mediafolder.h) and named relative to
// the library; a media file with an unsafe name or missing from the package is skipped
// (the note keeps its text) and named in the summary's notices, as are files the notes
// name but the package lacks. Every failure is "Could not import "<name>": <reason>" and
// leaves the tree as it was and no file behind.
Result<PackageImport> ImportAnkiPackage(LibraryTree& tree, UndoStore& undo, NodeId target,
                                        const QString& path, const QString& libraryPath,
                                        BuildOptions build, const DesktopColors& desktop,
                                        ImportFailure* failedAt = nullptr,
                                        const PackageLimits* limits = nullptr);

} // namespace brenvik
