#pragma once

// What every importer's fuzz target checks of the library it imported into.
#include "fuzzcheck.h"
#include "library/librarytree.h"
#include "library/outline.h"
#include "library/undostore.h"

#include <string>
#include <vector>

namespace brenvik {

inline bool HasText(const std::vector<std::string>& lines) {
    for (const std::string& l : lines)
        for (char c : l)
            if (static_cast<unsigned char>(c) > ' ') return true;
    return false;
}

// A failed import names its reason and leaves the library, and its undo, as they were.
inline void CheckFailedImport(const std::string& error, const LibraryTree& tree,
                              const UndoStore& undo, const std::string& before) {
    FUZZ_CHECK(!error.empty());
    FUZZ_CHECK(WriteOutline(tree) == before);
    FUZZ_CHECK(!undo.canUndo());
}

// What was imported writes and reads back as the same tree, and one undo puts the library
// back byte for byte.
inline void CheckWritesBackAndUndoes(LibraryTree& tree, UndoStore& undo,
                                     const std::string& before) {
    const std::string after = WriteOutline(tree);
    LibraryTree again;
    FUZZ_CHECK(OutlineLoader(again, after).ok());
    FUZZ_CHECK(WriteOutline(again) == after);
    undo.undo();
    FUZZ_CHECK(WriteOutline(tree) == before);
}

} // namespace brenvik
