#include "library/treecommands.h"

#include "library/objects.h"
#include "library/textcodec.h"
#include "library/undostore.h"

#include <string>

namespace brenvik {

namespace {
QString levelWord(int level) {
    return QString::fromStdString(LowerObjName(level));
}

bool isLevel(int level) {
    return level >= 1 && level <= MaxObjectLevel;
}
} // namespace

TreeCommands::TreeCommands(LibraryTree& tree, UndoStore& undo, const DesktopColors& colors)
    : tree_(tree), undo_(undo), colors_(colors) {}

NodeId TreeCommands::objectAt(NodeId selection, int level) const {
    if (selection == NoNode || !isLevel(level)) return NoNode;
    return GetObjAtLevel(tree_, selection, level);
}

Result<NodeId> TreeCommands::addNew(NodeId selection, int level) {
    if (!isLevel(level)) return NoNode;
    const NodeId parent = selection == NoNode ? NoNode : GetObjAtLevel(tree_, selection, level - 1);
    if (parent == NoNode && level > 1) return NoNode;
    UndoRecording recording(undo_);
    const Result<NodeId> added = AddNewObj(tree_, parent, colors_);
    if (added) recording.commit(QStringLiteral("add new ") + levelWord(level));
    return added;
}

NodeId TreeCommands::copyNamed(NodeId source, NodeId target, CopyMode mode,
                               const Progress& progress) {
    const NodeId copy = CopySubtree(tree_, source, target, mode, progress);
    tree_.setText(copy, "Copy of " + std::string(tree_.text(source)));
    return copy;
}

Result<NodeId> TreeCommands::copy(NodeId selection, int level, const Progress& progress) {
    const NodeId object = objectAt(selection, level);
    if (object == NoNode) return NoNode;
    const NodeId owner = GetObjAtLevel(tree_, object, level - 1);
    if (owner == NoNode) return NoNode;
    UndoRecording recording(undo_);
    const NodeId copy = copyNamed(object, owner, CopyMode::Append, progress);
    recording.commit(QStringLiteral("copy ") + levelWord(level));
    return copy;
}

NodeId TreeCommands::keptAfterDelete(NodeId object) const {
    if (object == NoNode) return NoNode;
    const NodeId owner = GetObjAtLevel(tree_, object, tree_.depth(object) - 1);
    if (owner != NoNode) return owner;
    return tree_.nextSibling(object) != NoNode ? tree_.nextSibling(object)
                                               : tree_.prevSibling(object);
}

Status TreeCommands::remove(NodeId object) {
    if (object == NoNode || !tree_.isValid(object) || !tree_.isAttached(object))
        return Status::failure("The item to delete is no longer in the library.");
    UndoRecording recording(undo_);
    const int level = tree_.depth(object);
    tree_.remove(object);
    recording.commit(QStringLiteral("delete ") + levelWord(level));
    return Status::success();
}

bool TreeCommands::rename(NodeId node, const QString& name) {
    if (node == NoNode || !tree_.isAttached(node) || name.trimmed().isEmpty()) return false;
    const std::string_view old = tree_.text(node);
    const std::string bytes = DisplayToBytes(name, old);
    if (bytes == old) return false;
    UndoRecording recording(undo_);
    tree_.setText(node, bytes);
    recording.commit(QStringLiteral("edit ") + levelWord(tree_.kind(node)) +
                     QStringLiteral(" name"));
    return true;
}

bool TreeCommands::mayDrop(NodeId dragged, NodeId target) const {
    if (dragged == NoNode || target == NoNode || dragged == target) return false;
    if (!tree_.isValid(dragged) || !tree_.isAttached(target)) return false;
    if (tree_.topLevelOf(target) != tree_.first()) return false;
    const int kind = tree_.kind(dragged);
    if (!isLevel(kind)) return false;
    if (kind != tree_.kind(target) && kind != tree_.kind(target) + 1) return false;
    // Kinds follow depth, so this cannot happen in a library the program made; a node
    // moved into its own subtree would cut it off from the tree.
    return !tree_.isInSubtree(target, dragged);
}

bool TreeCommands::dropCopies(NodeId dragged) const {
    return dragged != NoNode && tree_.topLevelOf(dragged) != tree_.first();
}

Result<NodeId> TreeCommands::drop(NodeId dragged, NodeId target, const Progress& progress) {
    if (!mayDrop(dragged, target))
        return Result<NodeId>::failure("This item cannot be dropped there.");
    const int kind = tree_.kind(dragged);
    const bool sibling = kind == tree_.kind(target);
    if (dropCopies(dragged)) {
        UndoRecording recording(undo_);
        const NodeId copy =
            copyNamed(dragged, target, sibling ? CopyMode::Insert : CopyMode::Append, progress);
        recording.commit(QStringLiteral("copy ") + levelWord(kind));
        return copy;
    }
    NodeId parent = target, before = NoNode;
    if (sibling) {
        parent = tree_.parent(target);
        before = tree_.preorderIndex(target) < tree_.preorderIndex(dragged)
                     ? target
                     : tree_.nextSibling(target);
    }
    if (tree_.parent(dragged) == parent &&
        (before == dragged || tree_.nextSibling(dragged) == before))
        return NoNode;
    UndoRecording recording(undo_);
    tree_.move(dragged, parent, before);
    recording.commit(QStringLiteral("move ") + levelWord(kind));
    return dragged;
}

} // namespace brenvik
