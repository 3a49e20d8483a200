#pragma once

#include "library/nodekind.h"
#include "library/progress.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace brenvik {

using NodeId = std::int32_t;
constexpr NodeId NoNode = -1;

// Receives every structural change of a LibraryTree, so a view model can follow it.
// Calls come in pairs (about/done) around the change, as Qt's item models need.
class TreeObserver {
public:
    virtual ~TreeObserver() = default;
    virtual void aboutToInsert(NodeId parent, int row) = 0;
    virtual void inserted(NodeId node) = 0;
    virtual void aboutToRemove(NodeId node) = 0;
    virtual void removed(NodeId parent, int row) = 0;
    virtual void changed(NodeId node) = 0; // text or kind
    // A node moving in one step to `newParent` at `newRow` (counted before it leaves its
    // place). An observer that returns false is told of a removal and an insertion instead.
    virtual bool aboutToMove(NodeId /*node*/, NodeId /*newParent*/, int /*newRow*/) {
        return false;
    }
    virtual void moved(NodeId /*node*/) {}
    virtual void aboutToReset() = 0;
    virtual void resetDone() = 0;
};

// Told of every node freed for good (deleted, and no longer held by an undo journal) just
// before its id can be given to a new node, so that a holder of ids (the study history)
// lets go of it first: a new question must not inherit a deleted one's history.
class NodeReleaseListener {
public:
    virtual ~NodeReleaseListener() = default;
    virtual void released(NodeId node) = 0;
};

// One primitive edit, recorded while journaling so it can be undone and redone.
struct JournalOp {
    enum Type : std::uint8_t { Attach, Detach, SetText, SetKind };
    Type type;
    NodeId node;
    NodeId parent = NoNode; // Attach/Detach: the parent (NoNode = top level)
    NodeId before = NoNode; // Attach/Detach: the next sibling at that place
    std::uint64_t oldText = 0, newText = 0;
    std::uint32_t oldLen = 0, newLen = 0;
    int oldKind = 0, newKind = 0;
};

// The ordered list of primitive edits that one command made.
struct Journal {
    std::vector<JournalOp> ops;
    bool empty() const { return ops.empty(); }
};

// The one tree of the study library: every object and attribute is a node with a text
// and a kind. Nodes live in one array (no allocation per node) and texts in a few large
// blocks, so a library of millions of nodes stays compact. Node ids stay valid until
// the node is deleted; detached subtrees kept alive by the undo journal keep their ids.
class LibraryTree {
public:
    LibraryTree();
    ~LibraryTree();
    LibraryTree(const LibraryTree&) = delete;
    LibraryTree& operator=(const LibraryTree&) = delete;

    void setObserver(TreeObserver* observer) { observer_ = observer; }
    TreeObserver* observer() const { return observer_; }
    // One listener; clear() and replaceWith() tell it nothing, they change generation().
    void setReleaseListener(NodeReleaseListener* listener) { releaseListener_ = listener; }
    NodeReleaseListener* releaseListener() const { return releaseListener_; }

    // Navigation.
    bool empty() const { return firstTop_ == NoNode; }
    std::size_t nodeCount() const { return liveCount_; }
    NodeId first() const { return firstTop_; }
    NodeId parent(NodeId n) const { return nodes_[n].parent; }
    NodeId firstChild(NodeId n) const { return nodes_[n].first; }
    NodeId lastChild(NodeId n) const { return nodes_[n].last; }
    NodeId nextSibling(NodeId n) const { return nodes_[n].next; }
    NodeId prevSibling(NodeId n) const { return nodes_[n].prev; }
    bool hasChildren(NodeId n) const { return nodes_[n].first != NoNode; }
    int depth(NodeId n) const;
    int childCount(NodeId parent) const { // parent NoNode: top-level count
        return parent == NoNode ? topCount_ : nodes_[parent].count;
    }
    NodeId child(NodeId parent, int row) const;
    int row(NodeId n) const;
    bool isValid(NodeId n) const;
    bool isAttached(NodeId n) const;
    // True when `n` lies in the subtree of `ancestor` (itself included).
    bool isInSubtree(NodeId n, NodeId ancestor) const;
    NodeId topLevelOf(NodeId n) const;

    // Pre-order walk over the attached tree.
    NodeId preorderNext(NodeId n) const;
    NodeId preorderNextSkipping(NodeId n) const; // next node after n's subtree
    NodeId nodeAtPreorder(std::size_t index) const;
    std::size_t preorderIndex(NodeId n) const;

    std::string_view text(NodeId n) const;
    int kind(NodeId n) const { return nodes_[n].kind; }

    // Edits. Each is journaled while a journal is open and reported to the observer.
    NodeId appendChild(NodeId parent, std::string_view text, int kind); // NoNode: top level
    NodeId insertBefore(NodeId sibling, std::string_view text, int kind);
    void setText(NodeId n, std::string_view text);
    // A text the program keeps up to date by itself (the root caption): shown at once but
    // neither journaled nor a change of the library. Observers can tell through
    // quietEdit(), which is true while they are told about it.
    void setTextQuietly(NodeId n, std::string_view text);
    bool quietEdit() const { return quiet_; }
    void setKind(NodeId n, int kind);
    void remove(NodeId n); // the node with its subtree
    // Moves n (with its subtree) under `parent` before `before` (NoNode: as last child).
    void move(NodeId n, NodeId parent, NodeId before);
    // Copies `source` with its subtree under `parent` before `before` (NoNode: as last
    // child). The copy is built detached, sharing the source's texts, and joins the tree
    // in one attach, so its cost is linear in its size and undo or redo is one step.
    // `progress` counts the nodes made, while the copy is still detached.
    NodeId copySubtree(NodeId source, NodeId parent, NodeId before, const Progress& progress = {});
    // The nodes of the subtree of `n`, itself included.
    std::size_t subtreeSize(NodeId n) const;
    // The same for a subtree of another tree: an import builds its objects in a scratch tree
    // and brings them in with this one attach, so a failed import never touches this tree
    // and undo takes the whole import back in one step. Equal short texts share their bytes.
    NodeId copySubtreeFrom(const LibraryTree& from, NodeId source, NodeId parent, NodeId before);
    // Building a subtree outside the tree, for an import: the nodes are made detached, with
    // no observer calls and no journal, and join the tree in one journaled attach
    // (attachDetached), so undo takes them back in one step; or they are freed again
    // (freeDetached) and the tree's content never changed. Edits below a detached parent
    // are never reported to the observer, which shows only the attached tree.
    NodeId newDetached(std::string_view text, int kind);
    NodeId appendDetached(NodeId parent, std::string_view text, int kind);
    // A new last child of the detached `parent` with the text and kind of `like`, sharing
    // its bytes: stamping copies of a template costs no text storage.
    NodeId appendDetachedLike(NodeId parent, NodeId like);
    void attachDetached(NodeId root, NodeId parent, NodeId before);
    void freeDetached(NodeId root);
    void clear();
    // Takes over the whole content of `other` (which is left empty) as one reset; this
    // tree keeps its observer. A load builds into a scratch tree and lands here only
    // once it has worked.
    void replaceWith(LibraryTree& other);

    // Fast building for the loader: no observer calls, no journal. Wrap in begin/endBulk.
    void beginBulk();
    NodeId bulkAppend(NodeId parent, std::string_view text, int kind);
    void endBulk();
    void reserve(std::size_t nodes, std::size_t textBytes);
    // Lets the loader hand over a buffer that texts can point into, without copying.
    std::uint64_t adoptTextBlock(std::string&& block);
    NodeId bulkAppendRef(NodeId parent, std::uint64_t textRef, std::uint32_t len, int kind);
    void setKindSilently(NodeId n, int kind) { nodes_[n].kind = static_cast<std::uint8_t>(kind); }

    // Journal: between beginJournal and takeJournal every edit is recorded.
    void beginJournal();
    bool journaling() const { return journaling_; }
    Journal takeJournal();
    void undo(const Journal& j);
    void redo(const Journal& j);
    // Frees the nodes a journal keeps alive once it is dropped for good. `undone` tells
    // whether the journal's change is currently undone.
    void discard(const Journal& j, bool undone);
    // Bumps on clear(), so holders of journals can tell their ids are gone.
    std::uint64_t generation() const { return generation_; }

    std::size_t memoryBytes() const;
    static std::size_t nodeBytes(); // what one node costs, its text aside

    // The outline format cannot hold a text that begins with a TAB or blank, or one with
    // a line break (CR, LF, U+2028, U+2029) or NUL: every edit stores texts in this form.
    static bool isStorable(std::string_view text);
    static std::string storable(std::string_view text);
    // What the file format itself cannot hold (a leading TAB or blank, CR, LF, NUL); U+2028
    // and U+2029 are ordinary characters there, so a loaded text keeps them.
    static bool isWritable(std::string_view text);
    static std::string writable(std::string_view text);

private:
    struct Node {
        std::uint64_t textRef; // block << 40 | offset
        std::uint32_t textLen;
        NodeId parent, first, last, next, prev;
        std::int32_t count; // children
        std::uint8_t kind;
        std::uint8_t flags; // bit0 live, bit1 attached
    };
    static constexpr std::uint8_t Live = 1, Attached = 2;

    // Nodes in fixed chunks: growing never moves the nodes already there, so a big copy
    // costs the memory of its own nodes only, not a move of the whole library. A full chunk
    // is a whole number of huge pages, so filling it takes a few page faults, not
    // thousands; the first chunk starts small and grows, so a small tree stays small.
    class NodeStore {
    public:
        static constexpr int ChunkBits = 18;
        static constexpr std::size_t ChunkSize = std::size_t(1) << ChunkBits;
        Node& operator[](std::size_t i) { return chunks_[i >> ChunkBits][i & (ChunkSize - 1)]; }
        const Node& operator[](std::size_t i) const {
            return chunks_[i >> ChunkBits][i & (ChunkSize - 1)];
        }
        std::size_t size() const { return size_; }
        std::size_t capacity() const { return capacity_; }
        void push_back(const Node& node) {
            if (size_ == capacity_) grow(size_ + 1);
            (*this)[size_++] = node;
        }
        void reserve(std::size_t nodes);
        void clear() {
            chunks_.clear();
            chunks_.shrink_to_fit();
            size_ = capacity_ = 0;
        }

    private:
        struct Free {
            void operator()(Node* p) const;
        };
        void grow(std::size_t nodes);
        std::vector<std::unique_ptr<Node[], Free>> chunks_;
        std::size_t size_ = 0, capacity_ = 0;
    };

    NodeId allocNode(std::uint64_t ref, std::uint32_t len, int kind);
    void freeSubtree(NodeId n);
    std::uint64_t storeText(std::string_view text);
    void attach(NodeId n, NodeId parent, NodeId before, bool notify);
    void detach(NodeId n, bool notify);
    // Moves an attached node within the attached tree as one step for the observer.
    void relocate(NodeId n, NodeId parent, NodeId before);
    void setTextRef(NodeId n, std::uint64_t ref, std::uint32_t len, bool notify);
    void record(const JournalOp& op);
    void markAttached(NodeId n, bool attached);
    void link(NodeId n, NodeId parent, NodeId before);
    void unlink(NodeId n);
    // Rows of long sibling lists come from an index built on demand and dropped when
    // that list changes, so neither the tree nor its views walk 100,000 siblings.
    const std::vector<NodeId>& rowIndex(NodeId parent) const;
    void dropRowIndex(NodeId parent) const;

    NodeStore nodes_;
    std::vector<NodeId> freeList_;
    std::vector<std::string> blocks_;
    std::size_t tailBlock_ = 0;
    NodeId firstTop_ = NoNode, lastTop_ = NoNode;
    std::int32_t topCount_ = 0;
    std::size_t liveCount_ = 0;
    bool quiet_ = false;
    mutable std::unordered_map<NodeId, std::vector<NodeId>> rowIndex_;
    mutable std::vector<std::int32_t> rowOf_; // valid for nodes in an indexed list
    TreeObserver* observer_ = nullptr;
    NodeReleaseListener* releaseListener_ = nullptr;
    bool journaling_ = false;
    Journal journal_;
    std::uint64_t generation_ = 0;
};

// Calls fn(node, depth) for every attached node in pre-order. The depth comes from the
// walk itself: asking the tree for each node's depth would make big libraries quadratic.
template <class Fn> void ForEachPreorder(const LibraryTree& tree, Fn&& fn) {
    NodeId n = tree.first();
    int depth = 0;
    while (n != NoNode) {
        fn(n, depth);
        if (NodeId c = tree.firstChild(n); c != NoNode) {
            n = c;
            ++depth;
            continue;
        }
        while (n != NoNode && tree.nextSibling(n) == NoNode) {
            n = tree.parent(n);
            --depth;
        }
        if (n != NoNode) n = tree.nextSibling(n);
    }
}

} // namespace brenvik
