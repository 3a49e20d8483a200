#pragma once

#include "panels/levelrows.h"
#include "seams/panelservices.h"
#include "widgets/colours.h"

#include <QColor>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QList>
#include <functional>

class QIcon;
class QPushButton;
class QVBoxLayout;

class QVBoxLayout;
class QHBoxLayout;
class QPainter;

namespace brenvik {

// The button-face colour of the desktop scheme as a QColor.
QColor ButtonFaceColor(const ProgramServices& program);

// The dark strip behind an editor's white title, readable with or without the background
// picture (object editor and question editor).
class EditorTitleBar : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A one-line label that shows as much of its text as fits and ends a cut text with "…"
// (an editor's title with a long name); text() stays the whole text.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    // The text as it is drawn at the present width.
    QString shownText() const;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Reads a background picture from the program folder; a missing or unreadable file
// gives a null image (the caller then draws a plain background, no message).
QImage LoadPanelPicture(const QString& folder, const QString& fileName);

// A panel that paints a stretched background picture behind its children (or its plain
// window colour when there is none).
class PicturePanel : public QFrame {
    Q_OBJECT
public:
    explicit PicturePanel(QWidget* parent = nullptr);
    void setPicture(const QImage& picture);
    bool hasPicture() const { return !picture_.isNull(); }
    // What a text standing straight on the panel is seen against: the picture's average
    // colour, or the window colour when there is no picture.
    QColor backdrop() const;
    // `preferred` if it reads on backdrop(), else black or white (ReadableOn).
    QColor inkFor(const QColor& preferred) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    QColor pictureAverage_;
};

// One tab of a panel's tab strip. The own tab is drawn in the highlight colour and does
// nothing; the others call their action when clicked, or when Space or Enter is pressed
// on them (they take the focus by Tab), and are page tabs to assistive technology. The background
// is the palette's Window role, so the main window's hot-tab highlight recolours it through
// setPalette.
class PanelTab : public QLabel {
    Q_OBJECT
public:
    PanelTab(const QString& caption, bool own, QWidget* parent = nullptr);
    bool isOwn() const { return own_; }

Q_SIGNALS:
    void clicked();
    void hovered(); // the pointer moves over a clickable tab
    void left();    // the pointer has left it

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool own_;
};

// The common body of the four operation panels and the four session panels: the
// embeddable view (PMain) with its background picture, a tab strip, the lowered PClient
// frame holding the eight level rows, and a description/extras area below. The form itself
// is never shown; the main window re-parents the view into its pages.
class LevelPanel : public QWidget {
    Q_OBJECT
public:
    // `pictureFile`: background picture in the program folder ("edit.bmp", "study.bmp").
    // `hints`: the eight level button hints.
    LevelPanel(PanelServices& main, const QString& pictureFile, const QStringList& hints,
               QWidget* parent = nullptr);
    ~LevelPanel() override;

    // The embeddable panel (PMain, which paints the stretched picture); the main window
    // moves it into its pages, and the panel's controls are its children.
    PicturePanel* view() const { return PMain; }
    LevelRows* rows() const { return rows_; }
    void setRows(const LevelRowStates& states) { rows_->setRows(states); }
    PanelServices& main() const { return main_; }

    // Appends a tab to the strip. Tabs other than the own one get the hand cursor, the
    // hot-tab highlight and `onClick`.
    PanelTab* addTab(const QString& caption, const QString& hint, bool own,
                     std::function<void()> onClick);
    const QList<PanelTab*>& tabs() const { return tabs_; }
    // Recolours the clickable tabs with main.accentColor() (after activation).
    void applyTabColours();

    // A short text under the rows saying what the buttons do; empty hides it.
    void setDescription(const QString& text);
    // Where a panel puts its own controls (check boxes, options, extra buttons).
    QVBoxLayout* extrasLayout() const { return extras_; }

protected:
    // The panel's command at `level` (a level button was clicked).
    virtual void levelCommand(int level) = 0;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PanelServices& main_;
    PicturePanel* PMain = nullptr;
    QFrame* PClient = nullptr; // lowered frame around the level rows
    LevelRows* rows_ = nullptr;
    QHBoxLayout* tabStrip_ = nullptr;
    QList<PanelTab*> tabs_;
    QLabel* description_ = nullptr;
    QVBoxLayout* extras_ = nullptr;
};

// A borderless frame that stacks panels, one or more of them visible (the operation host,
// the edit page, the study page); the main window puts it in its place as it is.
class PanelContainer : public QFrame {
    Q_OBJECT
public:
    explicit PanelContainer(QWidget* parent = nullptr);
    // Re-parents `panel` into the container; it fills it when it is the visible one.
    void addPanel(QWidget* panel);
    // Shows `panel` and hides the other panels.
    void showOnly(QWidget* panel);
    const QList<QWidget*>& panels() const { return panels_; }

private:
    QVBoxLayout* layout_ = nullptr;
    QList<QWidget*> panels_;
};

// The frame both editors share: their panel on "edit2.bmp", the title bar with the white,
// elided title and the Save ("Save changes", disabled) and Cancel ("Cancel changes") buttons.
struct EditorFrame {
    PicturePanel* panel = nullptr;
    QVBoxLayout* outer = nullptr; // the editor's content goes below the title bar
    QWidget* titleBar = nullptr;
    ElidedLabel* title = nullptr;
    QPushButton* save = nullptr;
    QPushButton* cancel = nullptr;
};
EditorFrame BuildEditorFrame(QWidget* owner, const QString& programFolder);
// Another button of the title bar, after the ones there.
QPushButton* AddEditorButton(const EditorFrame& frame, const QIcon& icon, const QString& text,
                             const QString& hint);

} // namespace brenvik
