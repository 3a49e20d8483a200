#pragma once

#include "library/questionrecord.h"

#include <QWidget>
#include <array>

class QMimeData;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QTabWidget;
class QToolButton;

namespace brenvik {

class PaneServices;
class PaneImageEditor;
class PaneTextEditor;
class PaneWebsiteEditor;

// One pane tab of the question editor ("Pane 1" .. "Pane 3"): the page control PCn with its
// three content sub-tabs, each a sub-editor of its own (text, image, website), and the move
// buttons that head every sub-tab. The digit n (1..3) is fixed for the object's life: the tab
// travels with its content when the user moves panes, and its slot is decided by the editor.
class PaneTab : public QWidget {
    Q_OBJECT
public:
    PaneTab(PaneServices& main, int digit, QWidget* parent = nullptr);

    int digit() const { return digit_; }

    // Fills every control from `pane` without marking anything changed (load steps 6, 8 and
    // 9): previews and the web viewer hidden and not loaded, the viewer stopped.
    void load(const PaneRecord& pane);
    // The record as the controls hold it (image file and address trimmed).
    PaneRecord record() const;
    // The selected content kind: the index of the active sub-tab (0 text, 1 image, 2 website).
    int content() const;
    // Makes the sub-tab of `kind` active without marking anything changed (opening a
    // question right after Add new). A user's switch of the sub-tab does mark it.
    void showContent(int kind);

    // The control a failed validation points at, or null when the pane passes:
    // text kind: the text box ("No text was specified."); image kind: the file field
    // ("No image filename was specified."); website kind: the address field ("No website
    // address (or filename) was specified."). `message` gets the text.
    QWidget* validate(QString* message) const;

    // The move buttons' states, set by the editor's UpdatePaneTabs.
    void setMoveStates(bool leftEnabled, bool rightEnabled);
    // Highlights the active content sub-tab (the tab-change work); marks nothing.
    void highlightSubTab();
    // LayoutImagePreview of this pane: after a main-window resize and after image options.
    void layoutImagePreview();
    // Stops the web viewer (editor load and close); a late page then changes no field.
    void stopViewer();
    // Suspends and restores the text box's change notifications (the preview).
    void setTextNotificationsBlocked(bool blocked);

    // What a drop onto the pane would set: a picture file makes it a picture pane, a page
    // (an .htm or .html file, or a web address) a website pane.
    enum class DropKind { None, Picture, Page };
    static DropKind dropKind(const QMimeData* data, QString* target = nullptr);
    // Takes a drop: the pane's picture or address is set as its buttons would set it.
    bool takeDrop(const QMimeData* data);

    // The sub-editors, one a content kind.
    PaneTextEditor& textEditor() const { return *text_; }
    PaneImageEditor& imageEditor() const { return *image_; }
    PaneWebsiteEditor& websiteEditor() const { return *website_; }

    // Named controls, for the editor and the tests.
    QTabWidget* PC = nullptr;
    std::array<QToolButton*, 3> BPLeft{};  // one per sub-tab
    std::array<QToolButton*, 3> BPRight{}; // one per sub-tab

Q_SIGNALS:
    // Every edit the editor must count (MarkChanged).
    void changed();
    void moveLeft();
    void moveRight();
    // A field of this tab changed: the editor runs the field-change work over all panes.
    void fieldChanged();

protected:
    // The file and address fields take a dropped picture or page as the pane does, not as text.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QWidget* buildHeader(const QString& prompt, int subTab);
    void PCChange(int index);

    PaneServices& main_;
    int digit_;
    PaneTextEditor* text_ = nullptr;
    PaneImageEditor* image_ = nullptr;
    PaneWebsiteEditor* website_ = nullptr;
    int quiet_ = 0; // > 0 while the program switches the sub-tab
};

} // namespace brenvik
