#pragma once

#include "library/librarytree.h"

namespace brenvik {

// The library's tree and the selection in it, lent by the window that owns both.
class TreeAccess {
public:
    virtual ~TreeAccess() = default;

    virtual LibraryTree& tree() = 0;
    virtual NodeId selectedNode() const = 0;
    virtual void selectNode(NodeId node) = 0;
    // Puts the selection's path into every panel, the open editor and the wizard again.
    virtual void RefreshSelectionViews() = 0;
};

} // namespace brenvik
