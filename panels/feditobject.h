#pragma once

#include "mainwindow/maincommands.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace brenvik {

class PicturePanel;

// The object editor: edits the name and the notes of a library, set, book, part,
// chapter, section or concept. Its PMain takes the operation panels' place while open.
class TFormEditObject : public QWidget {
    Q_OBJECT
public:
    explicit TFormEditObject(MainCommands& main, QWidget* parent = nullptr);

    QWidget* PMain = nullptr;
    PicturePanel* Image5 = nullptr; // PMain itself, on "edit2.bmp"
    QLabel* LTitle = nullptr;
    QPushButton* BSave = nullptr;
    QPushButton* BCancel = nullptr;
    QLabel* LDescr = nullptr;
    QLineEdit* EName = nullptr;
    QPlainTextEdit* MNotes = nullptr;

    // Fills the editor for `node` (the object of `level`, 1..7) and shows PMain; the
    // caller hides the operation host. Leaves the editor unchanged (Save disabled).
    void load(int level, NodeId node);
    bool isOpen() const { return open_; }
    // Changed since it was loaded; Save may still be disabled after a failed validation.
    bool hasUnsavedChanges() const { return open_ && changed_; }
    int activeLevel() const { return level_; }

    void BSaveClick();   // Save
    void BCancelClick(); // Cancel (asks when there are changes) or Close

private:
    void ENameChange();
    void MarkChanged();
    void MarkUnchanged();
    bool validate();
    void close();

    MainCommands& main_;
    int level_ = 0;
    bool open_ = false;
    bool loading_ = false;
    bool changed_ = false;
};

} // namespace brenvik
