#pragma once

#include "panels/editorbase.h"

namespace brenvik {

// The object editor: edits the name and the notes of a library, set, book, part,
// chapter, section or concept. Its PMain takes the operation panels' place while open.
class TFormEditObject : public EditorFormBase {
    Q_OBJECT
public:
    explicit TFormEditObject(EditorServices& main, QWidget* parent = nullptr);

    // Fills the editor for `node` (the object of `level`, 1..7) and shows PMain; the
    // caller hides the operation host. Leaves the editor unchanged (Save disabled).
    void load(int level, NodeId node);
    int activeLevel() const { return level_; }

    void BSaveClick();   // Save
    void BCancelClick(); // Cancel (asks when there are changes) or Close

private:
    void ENameChange();
    void MarkChanged();
    void MarkUnchanged();
    bool validate();
    void close();

    int level_ = 0;
    bool loading_ = false;
};

} // namespace brenvik
