#pragma once

#include "editor/panesubeditor.h"
#include "library/questionrecord.h"

class QCheckBox;
class QFrame;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace brenvik {

class WebViewer;

// The website page of a pane tab: the address field and browse, the viewer (made on the first
// navigation, so that opening a question never starts a browser) with its history and
// progress, the borders, and the opening in the desktop's browser or viewer.
class PaneWebsiteEditor : public PaneSubEditor {
    Q_OBJECT
public:
    PaneWebsiteEditor(PaneServices& main, int digit, QWidget* header);

    // Fills the page from `pane` without marking anything changed; the viewer is stopped,
    // hidden and not loaded.
    void load(const PaneRecord& pane);
    void fill(PaneRecord& record) const;
    // The address field when it is empty, with the message, else null.
    QWidget* validate(QString& message) const;
    // Stops the viewer (editor load and close); a late page then changes no field.
    void stopViewer();
    // Names `address` in the field and shows it, as the browse button does.
    void usePage(const QString& address);

    // Named controls, for the editor and the tests.
    QLineEdit* EOther = nullptr;
    QPushButton* BOther = nullptr;
    QToolButton* BBack = nullptr;
    QToolButton* BForward = nullptr;
    QToolButton* BRefresh = nullptr;
    QToolButton* BDefaultWebApp = nullptr;
    QFrame* PWB = nullptr;
    WebViewer* WB = nullptr;
    QProgressBar* PB = nullptr;
    QCheckBox* CBLightWB = nullptr;
    QCheckBox* CBHeavyWB = nullptr;

private:
    void OptionClick(QCheckBox* source);
    void BOtherClick();
    void HistoryClick(bool back);
    void BDefaultWebAppClick();
    void NavigatePane(const QString& address);
    void ViewerNavigateComplete();
    WebViewer* viewer();

    std::string loaded_; // the address as loaded: unedited Windows-1252 bytes come back unchanged
    bool viewerInUse_ = false; // the viewer was navigated for the loaded question
};

} // namespace brenvik
