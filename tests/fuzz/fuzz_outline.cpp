// The outline loader with kind derivation and write-back, and a copy of a subtree undone
// and redone: whatever the bytes, a written file reads back with the same shape, texts and
// kinds, a second write is byte-identical, and a file already in the written form comes
// back byte for byte.
#include "fuzzcheck.h"
#include "library/librarytree.h"
#include "library/objects.h"
#include "library/outline.h"

#include <cstdint>
#include <string>
#include <vector>

using namespace brenvik;

namespace {

struct Line {
    int depth, kind;
    std::string_view text;
    bool operator==(const Line&) const = default;
};

std::vector<Line> lines(const LibraryTree& tree, NodeId from = NoNode) {
    std::vector<Line> out;
    if (from == NoNode) {
        ForEachPreorder(tree, [&](NodeId n, int d) {
            out.push_back({d, tree.kind(n), tree.text(n)});
        });
        return out;
    }
    const int base = tree.depth(from);
    for (NodeId n = from; n != NoNode && (n == from || tree.depth(n) > base);
         n = tree.preorderNext(n))
        out.push_back({tree.depth(n) - base, tree.kind(n), tree.text(n)});
    return out;
}

// The form the writer produces: TAB indents only, every line ended by CR LF, no NUL.
// (An indent deeper than allowed fails the load, so it needs no test here.)
bool inWrittenForm(const std::string& s) {
    if (s.empty()) return true;
    if (s.size() < 2 || s.compare(s.size() - 2, 2, "\r\n") != 0) return false;
    if (s[0] == '\t' || s[0] == ' ') return false; // an indented first line is the root
    bool lineStart = true;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\0') return false;
        if (c == '\r' && (i + 1 >= s.size() || s[i + 1] != '\n')) return false;
        if (c == '\n' && (i == 0 || s[i - 1] != '\r')) return false;
        if (lineStart && c == ' ') return false;
        if (c == '\n')
            lineStart = true;
        else if (c != '\t')
            lineStart = false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    LibraryTree tree;
    const bool ok = OutlineLoader(tree, input).ok();
    if (ok) DeriveNodeKinds(tree);
    const std::string written = WriteOutline(tree);
    if (ok && inWrittenForm(input)) FUZZ_CHECK(written == input);

    LibraryTree back;
    FUZZ_CHECK(OutlineLoader(back, written).ok());
    if (ok) {
        DeriveNodeKinds(back);
        FUZZ_CHECK(lines(back) == lines(tree));
    } else { // a partial tree has no kinds yet: compare shape and texts
        std::vector<Line> a = lines(tree), b = lines(back);
        FUZZ_CHECK(a.size() == b.size());
        for (std::size_t i = 0; i < a.size(); ++i)
            FUZZ_CHECK(a[i].depth == b[i].depth && a[i].text == b[i].text);
    }
    FUZZ_CHECK(WriteOutline(back) == written);

    // Copy the subtree of a node chosen by the input next to it, then undo and redo.
    if (!ok || tree.empty()) return 0;
    NodeId source = tree.nodeAtPreorder(size % tree.nodeCount());
    const std::vector<Line> original = lines(tree, source);
    tree.beginJournal();
    NodeId copy = CopySubtree(tree, source, source, CopyMode::Insert);
    Journal j = tree.takeJournal();
    FUZZ_CHECK(j.ops.size() == 1);
    FUZZ_CHECK(tree.nextSibling(copy) == source);
    FUZZ_CHECK(tree.row(source) == tree.row(copy) + 1);
    FUZZ_CHECK(tree.child(tree.parent(copy), tree.row(copy)) == copy);
    FUZZ_CHECK(lines(tree, copy) == original);
    tree.undo(j);
    FUZZ_CHECK(WriteOutline(tree) == written);
    tree.redo(j);
    FUZZ_CHECK(lines(tree, copy) == original);
    tree.undo(j);
    const std::size_t count = tree.nodeCount();
    tree.discard(j, true);
    FUZZ_CHECK(tree.nodeCount() == count - original.size());
    FUZZ_CHECK(WriteOutline(tree) == written);
    return 0;
}
