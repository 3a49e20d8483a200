#pragma once

#include "library/undostore.h"

#include <QString>

namespace brenvik {

// The undo points of the library's tree and the Undo and Redo commands over them.
class UndoPoints {
public:
    virtual ~UndoPoints() = default;

    // One command's undo point: SaveUndoState before the change, SetUndoLabel after it;
    // CancelUndoState ends it without a point and puts back what it recorded. Callers use
    // UndoScope below rather than the three by hand.
    virtual void SaveUndoState() = 0;
    virtual void SetUndoLabel(const QString& label) = 0;
    virtual void CancelUndoState() {}
    virtual void BUndoClick() = 0;
    virtual void BRedoClick() = 0;
    virtual bool undoEnabled() const = 0;
    virtual bool redoEnabled() const = 0;
    virtual QString undoHint() const = 0;
    virtual QString redoHint() const = 0;
};

// An undo point as a scope (see UndoScopeOf).
using UndoScope = UndoScopeOf<UndoPoints>;

} // namespace brenvik
