#pragma once

#include "library/librarytree.h"
#include "library/result.h"

#include <QIODevice>
#include <QString>
#include <string>
#include <string_view>

namespace brenvik {

// Replaces the tree's content by the nodes of an outline text. On "Invalid level (%d)
// for item "%s"" the nodes read before the bad line stay. Takes the bytes by value so
// node texts can point into them without a copy.
Status OutlineLoader(LibraryTree& tree, std::string text);

// Gives every node its kind from its position in the tree.
void DeriveNodeKinds(LibraryTree& tree);

// Writes the tree: depth TABs, text, CR LF for every node in pre-order.
std::string WriteOutline(const LibraryTree& tree);
// Streams the outline to a device; returns the device's error text or empty.
QString WriteOutline(const LibraryTree& tree, QIODevice& device);

// The result of loading a library file.
struct LoadOutcome {
    bool fileFound = false;
    QString error;    // the text for an "Error" box, or empty
    bool partial() const { return !error.isEmpty(); }
};

// Loads `path`: read whole, OutlineLoader, DeriveNodeKinds; a missing file leaves the
// tree as it was. Selection and root caption are the caller's.
LoadOutcome LoadLibraryFile(LibraryTree& tree, const QString& path);

// Saves atomically (temporary file in the same folder, flushed, renamed over the old
// one); on failure the old file is intact. Returns the error text or empty.
QString SaveLibraryFile(const LibraryTree& tree, const QString& path);
// The same onto a caller-provided device (tests use a failing one).
QString SaveLibraryFileTo(const LibraryTree& tree, QIODevice& device);

// True when the folder is NOT writable (writes and deletes "test.$$$").
bool CheckFolderWritable(const QString& folder);

} // namespace brenvik
