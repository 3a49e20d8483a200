#pragma once

#include "editor/panesubeditor.h"
#include "library/questionrecord.h"

class QCheckBox;
class QFrame;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace brenvik {

class PictureView;

// The image page of a pane tab: the picture file's field and browse, the preview with its
// background, borders and stretch, and the opening in the desktop's viewer.
class PaneImageEditor : public PaneSubEditor {
    Q_OBJECT
public:
    PaneImageEditor(PaneServices& main, int digit, QWidget* header);

    // Fills the page from `pane` without marking anything changed; the preview is emptied
    // and hidden.
    void load(const PaneRecord& pane);
    void fill(PaneRecord& record) const;
    // The file field when it is empty, with the message, else null.
    QWidget* validate(QString& message) const;
    // LayoutImagePreview: after a main-window resize and after image options.
    void layoutPreview();
    // Loads `file` into the preview and names it in the field; false (and a box) when the
    // picture cannot be loaded.
    bool usePicture(const QString& file);

    // Named controls, for the editor and the tests.
    QLineEdit* EImage = nullptr;
    QPushButton* BImage = nullptr;
    QToolButton* BRefreshPic = nullptr;
    QToolButton* BDefaultImageApp = nullptr;
    QFrame* PImage = nullptr;
    PictureView* ScrollBox = nullptr;
    QFrame* PImageBkColor = nullptr;
    QCheckBox* CBLightImage = nullptr;
    QCheckBox* CBHeavyImage = nullptr;
    QCheckBox* CBStretch = nullptr;

private:
    void OptionClick(QCheckBox* source);
    void ShowPictureFrom(const QString& file);
    void BImageClick();
    void BDefaultImageAppClick();
    void applyColors() override;

    std::string loaded_; // the file as loaded: unedited Windows-1252 bytes come back unchanged
};

} // namespace brenvik
