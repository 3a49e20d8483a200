#pragma once

#include "library/colors.h"

#include <QStyle>
#include <QWidget>
#include <initializer_list>
#include <vector>

class QFrame;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QToolButton;
class QVBoxLayout;

namespace brenvik {

class PaneServices;
namespace settings {
struct RuntimeTextKey;
}

// Holds the program's own fills and restyles apart from the user's edits: while one is alive,
// the counter it holds is above zero and change notifications are not passed on.
class QuietScope {
public:
    explicit QuietScope(int& counter) : counter_(counter) { ++counter_; }
    ~QuietScope() { --counter_; }
    QuietScope(const QuietScope&) = delete;
    QuietScope& operator=(const QuietScope&) = delete;

private:
    int& counter_;
};

// What the three content editors of a pane tab (text, image, website) share: the main
// window's services, the pane's digit in their object names, the program's quiet fills, the
// remembered dialog folders and the error box. Each editor is one sub-tab page; the page's
// header (prompt and move buttons) belongs to the pane tab and is handed in to head the page.
class PaneSubEditor : public QWidget {
    Q_OBJECT
public:
    PaneSubEditor(PaneServices& main, int digit, QWidget* header);

Q_SIGNALS:
    // Every edit the editor must count (MarkChanged).
    void changed();
    // The file or address field changed: the editor runs the field-change work over all panes.
    void fieldChanged();

protected:
    QVBoxLayout* pageLayout() const { return layout_; }
    QString digitText() const { return QString::number(digit_); }
    bool quiet() const { return quiet_ > 0; }

    // A relative path as the study folders resolve it.
    QString resolved(const QString& path) const;
    QString dialogFolder(const settings::RuntimeTextKey& key) const;
    void rememberFolder(const settings::RuntimeTextKey& key, const QString& file);
    void showError(const QString& text);
    // The row under the text and the picture: the background caption and its swatch (named
    // `swatchName`), then room for the option boxes the page adds after them.
    QHBoxLayout* backgroundRow(const QString& swatchName);
    QFrame* backgroundSwatch() const { return swatch_; }
    // Shows background_ (and whatever else the page colours) after a load or a choice.
    virtual void applyColors() {}
    // A left click on the background caption or swatch opens the colour dialog.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The page's file or address field: `buttons` are live while it holds something, its
    // tooltip shows it whole, and each edit by the user is counted and passed on.
    void watchField(QLineEdit* field, std::initializer_list<QWidget*> buttons);
    // The buttons and tooltip of the field, after the program filled it.
    void showFieldState();

    PaneServices& main_;
    const int digit_;
    int quiet_ = 0;                    // > 0 while controls are filled or restyled by the program
    ColorValue background_ = 0xFFFFFF; // the page's background, for pages with a backgroundRow

private:
    QVBoxLayout* layout_;
    QLabel* swatchLabel_ = nullptr;
    QFrame* swatch_ = nullptr;
    QLineEdit* field_ = nullptr;
    std::vector<QWidget*> fieldButtons_;
};

// Blanks and control characters at both ends, as the stored record wants them gone.
QString TrimmedField(const QString& text);
// The filter of the text import and website browse dialogs.
extern const QString kPaneFileFilter;

// The small parts the pages are built of.
QFrame* NewSwatch(QWidget* parent);
void PaintSwatch(QFrame* swatch, const QColor& color);
QToolButton* NewToolButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& text,
                           const QString& hint);
QFrame* NewPaneFrame(QWidget* parent);

} // namespace brenvik
