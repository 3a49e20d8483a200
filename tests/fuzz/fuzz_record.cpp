// The question record reader and writer on every question of a loaded outline: writing a
// record that was read and reading it again gives the same record (its notes without blank
// lines at the ends, as they are stored), and writing it a second time changes no byte of
// the library.
#include "fuzzcheck.h"
#include "library/colors.h"
#include "library/librarytree.h"
#include "library/nodekind.h"
#include "library/outline.h"
#include "library/questionrecord.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using namespace brenvik;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    LibraryTree tree;
    if (!OutlineLoader(tree, std::string(reinterpret_cast<const char*>(data), size)).ok()) return 0;
    DeriveNodeKinds(tree);
    std::vector<NodeId> questions;
    ForEachPreorder(tree, [&](NodeId n, int depth) {
        if (depth == MaxObjectLevel && tree.kind(n) == Question) questions.push_back(n);
    });
    static const FixedDesktopColors desktop;
    for (NodeId q : questions) {
        QuestionRecord first;
        if (!ReadFreshQuestionRecord(tree, q, first, desktop)) continue;
        WriteQuestionRecord(tree, q, first, desktop);
        const std::string once = WriteOutline(tree);
        QuestionRecord second;
        FUZZ_CHECK(ReadFreshQuestionRecord(tree, q, second, desktop).ok());
        // Notes are stored without blank lines at either end; all else comes back as read.
        QuestionRecord trimmed = first;
        std::vector<std::string> notes = first.notes;
        auto blank = [](const std::string& l) {
            return std::all_of(l.begin(), l.end(), [](char c) { return (unsigned char)c <= ' '; });
        };
        while (!notes.empty() && blank(notes.front()))
            notes.erase(notes.begin());
        while (!notes.empty() && blank(notes.back()))
            notes.pop_back();
        trimmed.notes = notes;
        FUZZ_CHECK(second == trimmed);
        WriteQuestionRecord(tree, q, second, desktop);
        FUZZ_CHECK(WriteOutline(tree) == once);
        // The written library loads back with the same record.
        LibraryTree back;
        FUZZ_CHECK(OutlineLoader(back, once).ok());
        DeriveNodeKinds(back);
        FUZZ_CHECK(WriteOutline(back) == once);
    }
    return 0;
}
