#pragma once

#include "seams/programservices.h"
#include "seams/studyrecords.h"
#include "seams/treeaccess.h"

#include <QColor>
#include <QString>
#include <array>

class QWidget;

namespace brenvik {

// What one level row (1..8) of a panel shows after a selection change.
struct LevelRowState {
    bool buttonEnabled = false;
    bool nameVisible = false; // the "Selected:" label and the name edit
    QString name;             // display text of the object at that level
};
using LevelRowStates = std::array<LevelRowState, 9>; // index = level, 0 unused

// Which of the four operation panels or four session panels.
enum class Operation { AddNew, EditSelected, CopySelected, DeleteSelected };
enum class Session { Imprint, Flash, Review, Spaced };

// What the operation and session panels and their level rows ask of the window they sit
// in: the tree and the selection, the program's services, the study history, and the
// routes of their commands, tabs and keys.
class PanelServices : public virtual TreeAccess,
                      public virtual ProgramServices,
                      public virtual StudyRecords {
public:
    // Level commands: the sender's level is passed explicitly.
    virtual void Library1Click(int level) = 0;     // Add new
    virtual void Library2Click(int level) = 0;     // Edit selected
    virtual void CopySelectedClick(int level) = 0; // Copy selected
    virtual void Library3Click(int level) = 0;     // Delete selected
    virtual void showOperation(Operation op) = 0;  // tab of an operation panel
    virtual void showSession(Session s) = 0;       // tab of a session panel
    virtual void sessionLevelClick(Session s, int level) = 0;
    // Renames the object at `level` of the selection (name edits); records an undo point
    // only when the name changes.
    virtual void renameAtLevel(int level, const QString& name) = 0;
    // The F9 key and other key-ups that panels pass on.
    virtual void FormKeyUp(int key, Qt::KeyboardModifiers modifiers) = 0;
    // The hot-tab highlight of the operation tabs.
    virtual void hotTabEnter(QWidget* tab) = 0;
    virtual void hotTabLeave() = 0;
    virtual QColor accentColor() const = 0;
};

} // namespace brenvik
