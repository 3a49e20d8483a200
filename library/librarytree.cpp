#include "library/librarytree.h"

#include <iterator>

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <unordered_set>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace brenvik {

namespace {
constexpr std::size_t BlockSize = 1 << 20;
constexpr int OffsetBits = 40;
constexpr std::uint64_t OffsetMask = (std::uint64_t(1) << OffsetBits) - 1;
// A string short enough to live inside the string object moves its bytes whenever
// blocks_ grows, which would leave views from text() dangling while a text is stored
// (CopySubtree stores texts it reads from the tree). A heap buffer never moves.
constexpr std::size_t MinBlockCapacity = 256;
// Sibling lists up to this long are walked; longer ones get a row index.
constexpr int WalkLimit = 32;
} // namespace

void LibraryTree::NodeStore::Free::operator()(Node* p) const {
    std::free(p);
}

namespace {
// A full chunk in memory of its own, aligned to huge pages and asking for them.
void* hugeChunk(std::size_t bytes) {
    constexpr std::size_t HugePage = std::size_t(2) << 20;
    bytes = (bytes + HugePage - 1) / HugePage * HugePage;
    void* p = std::aligned_alloc(HugePage, bytes);
    if (!p) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    madvise(p, bytes, MADV_HUGEPAGE);
#endif
    return p;
}
} // namespace

void LibraryTree::NodeStore::grow(std::size_t nodes) {
    if (chunks_.size() <= 1 && capacity_ < ChunkSize) {
        // The first chunk doubles until full; moving it costs little next to a library.
        const std::size_t want = std::min(ChunkSize, std::max({nodes, 2 * capacity_, 64ul}));
        Node* p = static_cast<Node*>(want == ChunkSize ? hugeChunk(want * sizeof(Node))
                                                       : std::malloc(want * sizeof(Node)));
        if (!p) throw std::bad_alloc();
        if (size_ > 0) std::memcpy(static_cast<void*>(p), chunks_[0].get(), size_ * sizeof(Node));
        if (chunks_.empty())
            chunks_.emplace_back(p);
        else
            chunks_[0].reset(p);
        capacity_ = want;
    }
    while (capacity_ < nodes) { // nodes are plain data, written before use
        chunks_.emplace_back(static_cast<Node*>(hugeChunk(ChunkSize * sizeof(Node))));
        capacity_ += ChunkSize;
    }
}

void LibraryTree::NodeStore::reserve(std::size_t nodes) {
    chunks_.reserve((nodes + ChunkSize - 1) >> ChunkBits);
    if (chunks_.size() <= 1 && capacity_ < ChunkSize && nodes > capacity_)
        grow(std::min(nodes, ChunkSize)); // a load knows its size: no doubling steps
}

LibraryTree::LibraryTree() {
    blocks_.emplace_back();
    blocks_.back().reserve(MinBlockCapacity);
}
LibraryTree::~LibraryTree() = default;

bool LibraryTree::isValid(NodeId n) const {
    return n >= 0 && std::size_t(n) < nodes_.size() && (nodes_[n].flags & Live);
}

bool LibraryTree::isAttached(NodeId n) const {
    return isValid(n) && (nodes_[n].flags & Attached);
}

int LibraryTree::depth(NodeId n) const {
    int d = 0;
    for (NodeId p = nodes_[n].parent; p != NoNode; p = nodes_[p].parent)
        ++d;
    return d;
}

const std::vector<NodeId>& LibraryTree::rowIndex(NodeId parent) const {
    auto it = rowIndex_.find(parent);
    if (it != rowIndex_.end()) return it->second;
    std::vector<NodeId> list;
    list.reserve(std::size_t(childCount(parent)));
    if (rowOf_.size() < nodes_.size()) rowOf_.resize(nodes_.size(), -1);
    for (NodeId k = parent == NoNode ? firstTop_ : nodes_[parent].first; k != NoNode;
         k = nodes_[k].next) {
        rowOf_[std::size_t(k)] = std::int32_t(list.size());
        list.push_back(k);
    }
    return rowIndex_.emplace(parent, std::move(list)).first->second;
}

void LibraryTree::dropRowIndex(NodeId parent) const {
    if (!rowIndex_.empty()) rowIndex_.erase(parent);
}

NodeId LibraryTree::child(NodeId parent, int row) const {
    const int count = childCount(parent);
    if (row < 0 || row >= count) return NoNode;
    if (row == count - 1) return parent == NoNode ? lastTop_ : nodes_[parent].last;
    if (row < WalkLimit) {
        NodeId k = parent == NoNode ? firstTop_ : nodes_[parent].first;
        while (row-- > 0)
            k = nodes_[k].next;
        return k;
    }
    return rowIndex(parent)[std::size_t(row)];
}

int LibraryTree::row(NodeId n) const {
    const Node& node = nodes_[n];
    if (node.prev == NoNode) return 0; // a first child, or a detached subtree's root
    if (node.next == NoNode) return childCount(node.parent) - 1;
    if (childCount(node.parent) <= WalkLimit) {
        int r = 0;
        for (NodeId k = node.prev; k != NoNode; k = nodes_[k].prev)
            ++r;
        return r;
    }
    rowIndex(node.parent);
    return rowOf_[std::size_t(n)];
}

bool LibraryTree::isInSubtree(NodeId n, NodeId ancestor) const {
    for (NodeId k = n; k != NoNode; k = nodes_[k].parent)
        if (k == ancestor) return true;
    return false;
}

NodeId LibraryTree::topLevelOf(NodeId n) const {
    while (nodes_[n].parent != NoNode)
        n = nodes_[n].parent;
    return n;
}

NodeId LibraryTree::preorderNext(NodeId n) const {
    if (nodes_[n].first != NoNode) return nodes_[n].first;
    return preorderNextSkipping(n);
}

NodeId LibraryTree::preorderNextSkipping(NodeId n) const {
    for (NodeId k = n; k != NoNode; k = nodes_[k].parent)
        if (nodes_[k].next != NoNode) return nodes_[k].next;
    return NoNode;
}

NodeId LibraryTree::nodeAtPreorder(std::size_t index) const {
    NodeId k = firstTop_;
    while (k != NoNode && index-- > 0)
        k = preorderNext(k);
    return k;
}

std::size_t LibraryTree::preorderIndex(NodeId n) const {
    std::size_t i = 0;
    for (NodeId k = firstTop_; k != NoNode; k = preorderNext(k), ++i)
        if (k == n) return i;
    return std::size_t(-1);
}

std::string_view LibraryTree::text(NodeId n) const {
    const Node& node = nodes_[n];
    const std::string& block = blocks_[node.textRef >> OffsetBits];
    return std::string_view(block.data() + (node.textRef & OffsetMask), node.textLen);
}

bool LibraryTree::isStorable(std::string_view text) {
    if (!text.empty() && (text[0] == ' ' || text[0] == '\t')) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n' || c == '\0') return false;
        if (c == '\xE2' && i + 2 < text.size() && text[i + 1] == '\x80' &&
            (text[i + 2] == '\xA8' || text[i + 2] == '\xA9'))
            return false;
    }
    return true;
}

bool LibraryTree::isWritable(std::string_view text) {
    if (!text.empty() && (text[0] == ' ' || text[0] == '\t')) return false;
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string LibraryTree::writable(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    std::size_t lead = out.find_first_not_of(" \t");
    return lead == std::string::npos ? std::string() : out.substr(lead);
}

std::string LibraryTree::storable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n' || c == '\0') {
            out += ' ';
        } else if (c == '\xE2' && i + 2 < text.size() && text[i + 1] == '\x80' &&
                   (text[i + 2] == '\xA8' || text[i + 2] == '\xA9')) {
            out += ' ';
            i += 2;
        } else {
            out += c;
        }
    }
    std::size_t lead = out.find_first_not_of(" \t");
    return lead == std::string::npos ? std::string() : out.substr(lead);
}

// The length of `text` once storeText has made it storable.
static std::uint32_t storedLength(std::string_view text) {
    return std::uint32_t(LibraryTree::isStorable(text) ? text.size()
                                                       : LibraryTree::storable(text).size());
}

std::uint64_t LibraryTree::storeText(std::string_view text) {
    std::string fixed;
    if (!isStorable(text)) {
        fixed = storable(text);
        text = fixed;
    }
    if (text.empty()) return 0;
    std::string* tail = &blocks_[tailBlock_];
    if (tail->capacity() - tail->size() < text.size()) {
        blocks_.emplace_back();
        tailBlock_ = blocks_.size() - 1;
        tail = &blocks_[tailBlock_];
        tail->reserve(std::max(BlockSize, text.size()));
    }
    std::uint64_t ref = (std::uint64_t(tailBlock_) << OffsetBits) | tail->size();
    tail->append(text);
    return ref;
}

std::uint64_t LibraryTree::adoptTextBlock(std::string&& block) {
    // The tail index stays, so new texts keep filling the tail block.
    if (block.capacity() < MinBlockCapacity) block.reserve(MinBlockCapacity);
    blocks_.push_back(std::move(block));
    std::size_t index = blocks_.size() - 1;
    return std::uint64_t(index) << OffsetBits;
}

NodeId LibraryTree::allocNode(std::uint64_t ref, std::uint32_t len, int kind) {
    Node node{ref, len, NoNode, NoNode, NoNode, NoNode, NoNode, 0, std::uint8_t(kind), Live};
    NodeId id;
    if (!freeList_.empty()) {
        id = freeList_.back();
        freeList_.pop_back();
        nodes_[id] = node;
    } else {
        // Not an error value: the ids are 32-bit, and 2^31 nodes of 40 bytes are over 80 GB,
        // so memory runs out (bad_alloc) long before. Like bad_alloc, it ends the whole
        // operation and is caught where the program starts or the tool runs a command.
        if (nodes_.size() >= std::size_t(INT32_MAX)) throw std::length_error("library too large");
        id = NodeId(nodes_.size());
        nodes_.push_back(node);
    }
    ++liveCount_;
    return id;
}

void LibraryTree::freeSubtree(NodeId n) {
    std::vector<NodeId> stack{n};
    while (!stack.empty()) {
        NodeId k = stack.back();
        stack.pop_back();
        for (NodeId c = nodes_[k].first; c != NoNode; c = nodes_[c].next)
            stack.push_back(c);
        if (releaseListener_) releaseListener_->released(k);
        nodes_[k].flags = 0;
        dropRowIndex(k); // the id may come back as a new parent
        freeList_.push_back(k);
        --liveCount_;
    }
}

void LibraryTree::markAttached(NodeId n, bool attached) {
    // Only the subtree root's flag matters for isAttached of descendants through the
    // parent chain; mark every node so lookups stay O(1).
    if (nodes_[n].first == NoNode) { // a leaf, as every node the loader adds
        if (attached)
            nodes_[n].flags |= Attached;
        else
            nodes_[n].flags &= std::uint8_t(~Attached);
        return;
    }
    std::vector<NodeId> stack{n};
    while (!stack.empty()) {
        NodeId k = stack.back();
        stack.pop_back();
        if (attached)
            nodes_[k].flags |= Attached;
        else
            nodes_[k].flags &= std::uint8_t(~Attached);
        for (NodeId c = nodes_[k].first; c != NoNode; c = nodes_[c].next)
            stack.push_back(c);
    }
}

void LibraryTree::link(NodeId n, NodeId parent, NodeId before) {
    Node& node = nodes_[n];
    NodeId& first = parent == NoNode ? firstTop_ : nodes_[parent].first;
    NodeId& last = parent == NoNode ? lastTop_ : nodes_[parent].last;
    node.parent = parent;
    if (before == NoNode) {
        node.prev = last;
        node.next = NoNode;
        if (last != NoNode)
            nodes_[last].next = n;
        else
            first = n;
        last = n;
    } else {
        node.next = before;
        node.prev = nodes_[before].prev;
        if (node.prev != NoNode)
            nodes_[node.prev].next = n;
        else
            first = n;
        nodes_[before].prev = n;
    }
    ++(parent == NoNode ? topCount_ : nodes_[parent].count);
    dropRowIndex(parent);
}

void LibraryTree::unlink(NodeId n) {
    Node& node = nodes_[n];
    NodeId parent = node.parent;
    NodeId& first = parent == NoNode ? firstTop_ : nodes_[parent].first;
    NodeId& last = parent == NoNode ? lastTop_ : nodes_[parent].last;
    if (node.prev != NoNode)
        nodes_[node.prev].next = node.next;
    else
        first = node.next;
    if (node.next != NoNode)
        nodes_[node.next].prev = node.prev;
    else
        last = node.prev;
    node.prev = node.next = NoNode;
    --(parent == NoNode ? topCount_ : nodes_[parent].count);
    dropRowIndex(parent);
}

void LibraryTree::attach(NodeId n, NodeId parent, NodeId before, bool notify) {
    const bool parentAttached = parent == NoNode || (nodes_[parent].flags & Attached);
    notify = notify && parentAttached;
    if (notify && observer_) {
        int r = before == NoNode ? childCount(parent) : row(before);
        observer_->aboutToInsert(parent, r);
    }
    link(n, parent, before);
    if (parentAttached && !(nodes_[n].flags & Attached)) markAttached(n, true);
    if (notify && observer_) observer_->inserted(n);
}

void LibraryTree::detach(NodeId n, bool notify) {
    NodeId parent = nodes_[n].parent;
    int r = 0;
    if (notify && observer_) {
        r = row(n);
        observer_->aboutToRemove(n);
    }
    unlink(n);
    markAttached(n, false);
    if (notify && observer_) observer_->removed(parent, r);
}

void LibraryTree::relocate(NodeId n, NodeId parent, NodeId before) {
    const bool from = nodes_[n].flags & Attached;
    const bool to = parent == NoNode || (nodes_[parent].flags & Attached);
    if (observer_ && from && to) {
        const int r = before == NoNode ? childCount(parent) : row(before);
        if (observer_->aboutToMove(n, parent, r)) {
            unlink(n);
            link(n, parent, before);
            observer_->moved(n);
            return;
        }
    }
    detach(n, true);
    attach(n, parent, before, true);
}

void LibraryTree::record(const JournalOp& op) {
    if (journaling_) journal_.ops.push_back(op);
}

NodeId LibraryTree::appendChild(NodeId parent, std::string_view t, int kind) {
    NodeId n = allocNode(storeText(t), storedLength(t), kind);
    attach(n, parent, NoNode, true);
    record({JournalOp::Attach, n, parent, NoNode});
    return n;
}

NodeId LibraryTree::insertBefore(NodeId sibling, std::string_view t, int kind) {
    NodeId parent = nodes_[sibling].parent;
    NodeId n = allocNode(storeText(t), storedLength(t), kind);
    attach(n, parent, sibling, true);
    record({JournalOp::Attach, n, parent, sibling});
    return n;
}

void LibraryTree::setTextRef(NodeId n, std::uint64_t ref, std::uint32_t len, bool notify) {
    nodes_[n].textRef = ref;
    nodes_[n].textLen = len;
    if (notify && observer_ && (nodes_[n].flags & Attached)) observer_->changed(n);
}

void LibraryTree::setText(NodeId n, std::string_view t) {
    if (text(n) == t || (!isStorable(t) && text(n) == storable(t))) return;
    JournalOp op{JournalOp::SetText, n};
    op.oldText = nodes_[n].textRef;
    op.oldLen = nodes_[n].textLen;
    op.newText = storeText(t);
    op.newLen = storedLength(t);
    setTextRef(n, op.newText, op.newLen, true);
    record(op);
}

void LibraryTree::setTextQuietly(NodeId n, std::string_view t) {
    if (text(n) == t || (!isStorable(t) && text(n) == storable(t))) return;
    quiet_ = true;
    setTextRef(n, storeText(t), storedLength(t), true);
    quiet_ = false;
}

void LibraryTree::setKind(NodeId n, int kind) {
    if (nodes_[n].kind == kind) return;
    JournalOp op{JournalOp::SetKind, n};
    op.oldKind = nodes_[n].kind;
    op.newKind = kind;
    nodes_[n].kind = std::uint8_t(kind);
    if (observer_ && (nodes_[n].flags & Attached)) observer_->changed(n);
    record(op);
}

void LibraryTree::remove(NodeId n) {
    JournalOp op{JournalOp::Detach, n, nodes_[n].parent, nodes_[n].next};
    detach(n, true);
    if (journaling_)
        record(op); // the journal now owns the detached subtree
    else
        freeSubtree(n);
}

void LibraryTree::move(NodeId n, NodeId parent, NodeId before) {
    // Journaled as a detach and an attach (what undo and ownership rely on), shown as one
    // move; undo and redo recognise the pair.
    JournalOp off{JournalOp::Detach, n, nodes_[n].parent, nodes_[n].next};
    relocate(n, parent, before);
    record(off);
    record({JournalOp::Attach, n, parent, before});
}

std::size_t LibraryTree::subtreeSize(NodeId n) const {
    std::size_t count = 0;
    std::vector<NodeId> pending{n};
    while (!pending.empty()) {
        const NodeId k = pending.back();
        pending.pop_back();
        ++count;
        for (NodeId c = nodes_[k].first; c != NoNode; c = nodes_[c].next)
            if (nodes_[c].first == NoNode)
                ++count;
            else
                pending.push_back(c);
    }
    return count;
}

NodeId LibraryTree::copySubtree(NodeId source, NodeId parent, NodeId before,
                                const Progress& progress) {
    // New nodes are marked attached as they are made when they will join an attached
    // parent: one pass over the copy, not a second one when it is attached.
    const bool attached = parent == NoNode || (nodes_[parent].flags & Attached);
    auto make = [this, attached](NodeId from) {
        const Node& s = nodes_[from];
        NodeId k = allocNode(s.textRef, s.textLen, s.kind);
        if (attached) nodes_[k].flags |= Attached;
        return k;
    };
    // Texts are never changed in place, so the copy points at the source's bytes.
    // Counting costs a twentieth of the copy: only when someone shows the progress.
    const std::size_t total = progress ? subtreeSize(source) : 0;
    std::size_t made = 1;
    NodeId root = make(source);
    std::vector<std::pair<NodeId, NodeId>> pending{{source, root}}; // (source, copy)
    while (!pending.empty()) {
        auto [from, to] = pending.back();
        pending.pop_back();
        for (NodeId c = nodes_[from].first; c != NoNode; c = nodes_[c].next) {
            NodeId k = make(c);
            link(k, to, NoNode);
            if (nodes_[c].first != NoNode) pending.emplace_back(c, k);
            if (progress && ++made % ProgressStride == 0) progress(made, total);
        }
    }
    attach(root, parent, before, true);
    record({JournalOp::Attach, root, parent, before});
    return root;
}

NodeId LibraryTree::copySubtreeFrom(const LibraryTree& from, NodeId source, NodeId parent,
                                    NodeId before) {
    const bool attached = parent == NoNode || (nodes_[parent].flags & Attached);
    // An imported question repeats the same labels ("Shallow border: no", "Pane 1") dozens
    // of times: short texts are stored once per copy.
    constexpr std::size_t SharedTextMax = 40;
    std::unordered_map<std::string_view, std::pair<std::uint64_t, std::uint32_t>> shared;
    auto make = [&](NodeId n) {
        const std::string_view t = from.text(n);
        std::uint64_t ref = 0;
        const auto len = std::uint32_t(t.size());
        if (t.size() <= SharedTextMax) {
            auto [it, fresh] = shared.try_emplace(t);
            if (fresh) it->second = {storeText(t), len};
            ref = it->second.first;
        } else {
            ref = storeText(t);
        }
        NodeId k = allocNode(ref, len, from.kind(n));
        if (attached) nodes_[k].flags |= Attached;
        return k;
    };
    NodeId root = make(source);
    std::vector<std::pair<NodeId, NodeId>> pending{{source, root}}; // (source, copy)
    while (!pending.empty()) {
        auto [src, to] = pending.back();
        pending.pop_back();
        for (NodeId c = from.firstChild(src); c != NoNode; c = from.nextSibling(c)) {
            NodeId k = make(c);
            link(k, to, NoNode);
            if (from.firstChild(c) != NoNode) pending.emplace_back(c, k);
        }
    }
    attach(root, parent, before, true);
    record({JournalOp::Attach, root, parent, before});
    return root;
}

NodeId LibraryTree::newDetached(std::string_view t, int kind) {
    return allocNode(storeText(t), storedLength(t), kind);
}

NodeId LibraryTree::appendDetached(NodeId parent, std::string_view t, int kind) {
    NodeId n = allocNode(storeText(t), storedLength(t), kind);
    link(n, parent, NoNode);
    return n;
}

NodeId LibraryTree::appendDetachedLike(NodeId parent, NodeId like) {
    const Node& l = nodes_[like];
    NodeId n = allocNode(l.textRef, l.textLen, l.kind);
    link(n, parent, NoNode);
    return n;
}

void LibraryTree::attachDetached(NodeId root, NodeId parent, NodeId before) {
    attach(root, parent, before, true);
    record({JournalOp::Attach, root, parent, before});
}

void LibraryTree::freeDetached(NodeId root) {
    freeSubtree(root);
}

void LibraryTree::replaceWith(LibraryTree& other) {
    if (observer_) observer_->aboutToReset();
    nodes_ = std::move(other.nodes_);
    freeList_ = std::move(other.freeList_);
    blocks_ = std::move(other.blocks_);
    tailBlock_ = other.tailBlock_;
    firstTop_ = other.firstTop_;
    lastTop_ = other.lastTop_;
    topCount_ = other.topCount_;
    liveCount_ = other.liveCount_;
    rowIndex_.clear();
    rowOf_.clear();
    journal_.ops.clear();
    ++generation_;
    other.setObserver(nullptr);
    other.clear();
    if (observer_) observer_->resetDone();
}

void LibraryTree::clear() {
    if (observer_) observer_->aboutToReset();
    nodes_.clear();
    freeList_.clear();
    blocks_.clear();
    blocks_.emplace_back();
    blocks_.back().reserve(MinBlockCapacity);
    tailBlock_ = 0;
    firstTop_ = lastTop_ = NoNode;
    topCount_ = 0;
    liveCount_ = 0;
    rowIndex_.clear();
    rowOf_.clear();
    journal_.ops.clear();
    ++generation_;
    if (observer_) observer_->resetDone();
}

void LibraryTree::beginBulk() {
    if (observer_) observer_->aboutToReset();
}

void LibraryTree::endBulk() {
    if (observer_) observer_->resetDone();
}

void LibraryTree::reserve(std::size_t nodes, std::size_t textBytes) {
    nodes_.reserve(nodes);
    if (textBytes > 0 && blocks_[tailBlock_].empty()) blocks_[tailBlock_].reserve(textBytes);
}

NodeId LibraryTree::bulkAppend(NodeId parent, std::string_view t, int kind) {
    NodeId n = allocNode(storeText(t), storedLength(t), kind);
    attach(n, parent, NoNode, false);
    return n;
}

NodeId LibraryTree::bulkAppendRef(NodeId parent, std::uint64_t ref, std::uint32_t len, int kind) {
    NodeId n = allocNode(ref, len, kind);
    attach(n, parent, NoNode, false);
    return n;
}

void LibraryTree::beginJournal() {
    journal_.ops.clear();
    journaling_ = true;
}

Journal LibraryTree::takeJournal() {
    journaling_ = false;
    Journal j = std::move(journal_);
    journal_.ops.clear();
    return j;
}

void LibraryTree::undo(const Journal& j) {
    for (auto it = j.ops.rbegin(); it != j.ops.rend(); ++it) {
        const JournalOp& op = *it;
        // A move is a detach followed by an attach of the same node: undone in one step.
        if (op.type == JournalOp::Attach && std::next(it) != j.ops.rend() &&
            std::next(it)->type == JournalOp::Detach && std::next(it)->node == op.node) {
            ++it;
            relocate(op.node, it->parent, it->before);
            continue;
        }
        switch (op.type) {
        case JournalOp::Attach:
            detach(op.node, true);
            break;
        case JournalOp::Detach:
            attach(op.node, op.parent, op.before, true);
            break;
        case JournalOp::SetText:
            setTextRef(op.node, op.oldText, op.oldLen, true);
            break;
        case JournalOp::SetKind:
            nodes_[op.node].kind = std::uint8_t(op.oldKind);
            if (observer_) observer_->changed(op.node);
            break;
        }
    }
}

void LibraryTree::redo(const Journal& j) {
    for (std::size_t i = 0; i < j.ops.size(); ++i) {
        const JournalOp& op = j.ops[i];
        if (op.type == JournalOp::Detach && i + 1 < j.ops.size() &&
            j.ops[i + 1].type == JournalOp::Attach && j.ops[i + 1].node == op.node) {
            ++i;
            relocate(op.node, j.ops[i].parent, j.ops[i].before);
            continue;
        }
        switch (op.type) {
        case JournalOp::Attach:
            attach(op.node, op.parent, op.before, true);
            break;
        case JournalOp::Detach:
            detach(op.node, true);
            break;
        case JournalOp::SetText:
            setTextRef(op.node, op.newText, op.newLen, true);
            break;
        case JournalOp::SetKind:
            nodes_[op.node].kind = std::uint8_t(op.newKind);
            if (observer_) observer_->changed(op.node);
            break;
        }
    }
}

void LibraryTree::discard(const Journal& j, bool undone) {
    // A journal owns a subtree when the journal's edits leave it detached in the state
    // the journal is in: removed by an applied journal, or added by an undone one. Only
    // the op that decides a node's state counts (the last one when applied, the first
    // one when undone), since a node moved and later removed belongs to the remover.
    std::vector<const JournalOp*> deciding;
    std::unordered_set<NodeId> seen;
    auto consider = [&](const JournalOp& op) {
        if (op.type != JournalOp::Attach && op.type != JournalOp::Detach) return;
        if (seen.insert(op.node).second) deciding.push_back(&op);
    };
    if (undone)
        for (const JournalOp& op : j.ops)
            consider(op);
    else
        for (auto it = j.ops.rbegin(); it != j.ops.rend(); ++it)
            consider(*it);
    for (const JournalOp* op : deciding) {
        NodeId n = op->node;
        if (!isValid(n) || (nodes_[n].flags & Attached)) continue;
        bool owned = undone ? op->type == JournalOp::Attach : op->type == JournalOp::Detach;
        if (!owned) continue;
        // Free only a detached root, not a node inside another detached subtree. A
        // detached root has no siblings and is not its old parent's first child.
        NodeId p = nodes_[n].parent;
        bool linked = nodes_[n].prev != NoNode || nodes_[n].next != NoNode ||
                      (p != NoNode && isValid(p) && nodes_[p].first == n);
        if (!linked) freeSubtree(n);
    }
}

std::size_t LibraryTree::nodeBytes() {
    return sizeof(Node);
}

std::size_t LibraryTree::memoryBytes() const {
    std::size_t bytes = nodes_.capacity() * sizeof(Node) + freeList_.capacity() * sizeof(NodeId);
    for (const std::string& b : blocks_)
        bytes += b.capacity();
    return bytes;
}

} // namespace brenvik
