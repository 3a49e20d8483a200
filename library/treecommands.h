#pragma once

#include "library/colors.h"
#include "library/librarytree.h"
#include "library/objects.h"
#include "library/result.h"

#include <QString>

namespace brenvik {

class UndoStore;

// The commands that change the library tree: add new, copy, delete, rename and drag move
// or copy, with their naming rules and the rules of what may be dropped where. Each
// change is one undo point labelled with a verb and the lower-case level name ("add new
// chapter", "move section"). The window asks the user first (confirmations, the editor
// guard) and selects the result; nothing here shows anything.
//
// A command that returns a node returns NoNode when there was nothing to do (no object
// at that level, a drop onto the place the node already has): no change, no undo point.
// A failure is the text to show, and leaves the tree and the undo history as they were.
class TreeCommands {
public:
    TreeCommands(LibraryTree& tree, UndoStore& undo, const DesktopColors& colors);

    // The object of `level` (1 to 8) on the path from `selection` to the root, or NoNode.
    NodeId objectAt(NodeId selection, int level) const;

    // A new object of `level` below the selection's object of level - 1 (a library needs
    // none), named "<Level> N" with the smallest N that no child of that parent has taken,
    // whatever its case.
    Result<NodeId> addNew(NodeId selection, int level);
    // A copy of the selection's object of `level` with its subtree, as the last child of
    // that object's parent, named "Copy of " + the object's name. `progress` follows the
    // copy of a big branch; the remove and the move cost the same for any size of branch.
    Result<NodeId> copy(NodeId selection, int level, const Progress& progress = {});
    // What to select before `object` goes, so the panels go on showing something sensible:
    // its parent object, else its next sibling, else its previous one.
    NodeId keptAfterDelete(NodeId object) const;
    Status remove(NodeId object);
    // Gives `node` the name as typed (untrimmed). A blank name keeps the old one; false when
    // the name stays as it was.
    bool rename(NodeId node, const QString& name);

    // An object of level 1 to 8 may be dropped onto another node of the user's own tree (the
    // first top-level node's) when its kind is the target's (it becomes a sibling) or one
    // more (it becomes the last child).
    bool mayDrop(NodeId dragged, NodeId target) const;
    // A node from another top-level tree is copied, not moved: the window asks first.
    bool dropCopies(NodeId dragged) const;
    // Carries out an accepted drop. A move of a sibling goes before the target when the
    // target comes first in the tree, else after it; a copy of a sibling stands right
    // before the target and is named "Copy of " + the name. Returns the moved node or the
    // copy.
    Result<NodeId> drop(NodeId dragged, NodeId target, const Progress& progress = {});

private:
    NodeId copyNamed(NodeId source, NodeId target, CopyMode mode, const Progress& progress);

    LibraryTree& tree_;
    UndoStore& undo_;
    const DesktopColors& colors_;
};

} // namespace brenvik
