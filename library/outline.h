#pragma once

#include "library/librarytree.h"
#include "library/result.h"

#include <QIODevice>
#include <QString>
#include <functional>
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
// Streams the outline to a device; fails with the device's error text.
Status WriteOutline(const LibraryTree& tree, QIODevice& device);

// The result of loading a library file.
struct LoadOutcome {
    bool fileFound = false;
    bool read = false; // the file was read and the tree replaced
    QString error;     // the text for an "Error" box, or empty
    // The file is not all text: CutShortWarning, or empty.
    QString warning;
    qint64 fileBytes = 0, bytesUsed = 0;
    bool partial() const { return !error.isEmpty(); }
    bool cutShort() const { return !warning.isEmpty(); }
};

// When the bytes of the library file `path` are not all text (a NUL byte, where reading
// stops, or binary data): the warning that names the file and how much of it is read, or
// empty. The program and the tool warn alike.
QString CutShortWarning(const QString& path, std::string_view bytes);

// Loads `path`: read whole, OutlineLoader, DeriveNodeKinds; a missing or unreadable file
// leaves the tree as it was. Selection and root caption are the caller's.
LoadOutcome LoadLibraryFile(LibraryTree& tree, const QString& path);

// "Could not <verb> "<path>": <reason>", the form of every file failure.
QString FileFailure(const QString& verb, const QString& path, const QString& reason);

// Writes a file atomically (WriteFileAtomically in savefile.h): on any failure no partial
// file is left and an old file is intact, and the error is "Could not save "<path>": <the
// system's reason>".
Status SaveFileAtomically(const QString& path, const std::function<Status(QIODevice&)>& write);

// Saves atomically (SaveFileAtomically); a read-only file is refused.
Status SaveLibraryFile(const LibraryTree& tree, const QString& path);
// The same onto a caller-provided device (tests use a failing one).
Status SaveLibraryFileTo(const LibraryTree& tree, QIODevice& device);

// True when the folder is NOT writable (writes and deletes "test.$$$").
bool CheckFolderWritable(const QString& folder);

} // namespace brenvik
