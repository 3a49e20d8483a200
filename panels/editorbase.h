#pragma once

#include "panels/levelpanel.h"
#include "seams/editorservices.h"

#include <QWidget>

class QFont;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;

namespace brenvik {

// What the object editor and the question editor share: the editor frame (picture panel,
// title bar, Save and Cancel), the description, name and notes fields, and whether the
// editor is open and changed.
class EditorFormBase : public QWidget {
public:
    QWidget* PMain = nullptr;
    PicturePanel* Image5 = nullptr; // PMain itself, on "edit2.bmp"
    QLabel* LTitle = nullptr;
    QPushButton* BSave = nullptr;
    QPushButton* BCancel = nullptr;
    QLabel* LDescr = nullptr;
    QLineEdit* EName = nullptr;
    QPlainTextEdit* MNotes = nullptr;

    bool isOpen() const { return open_; }
    // Edits not yet saved; independent of the Save button, which a failed validation
    // disables.
    bool hasUnsavedChanges() const { return open_ && changed_; }

protected:
    EditorFormBase(EditorServices& main, const QString& objectName, QWidget* parent);
    // Save enabled, Cancel captioned "Cancel" with hint "Cancel changes" while `changed`;
    // otherwise Save disabled and Cancel captioned "Close".
    void showSaveState(bool changed);
    // The description over the whole width, then "Name:" and "Notes:" with their fields,
    // the notes taking the height that is left.
    void buildNameNotes(QWidget* box, const QFont& descrFont);
    const EditorFrame& frame() const { return frame_; }

    EditorServices& main_;
    bool open_ = false;
    bool changed_ = false;

private:
    EditorFrame frame_;
};

} // namespace brenvik
