#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>

class QFontDialog;
class QLabel;

namespace brenvik {

// The program's font dialog: the toolkit's font choice with a colour beside it, used for
// the answer font and for the pane fonts.
//
// A stored face that is not installed cannot be selected in the toolkit's list, which
// would pick some other face and lose the stored one (and its style) on OK. So the list
// opens on the face the text is drawn with, a note names both, and every part the user
// leaves alone (face, style, size, underline, strikeout, colour) comes back as stored.
class FontChoiceDialog : public QDialog {
    Q_OBJECT
public:
    FontChoiceDialog(const QString& title, const QFont& font, const QColor& color,
                     QWidget* parent = nullptr);

    // The chosen font: what the user changed, the stored font for the rest.
    QFont chosenFont() const;
    QColor chosenColor() const { return color_; }

    // The embedded font choice and the note on a face that is not installed (hidden when
    // it is), for tests.
    QFontDialog* picker() const { return picker_; }
    QLabel* substituteNote() const { return note_; }

private:
    void pickColor();
    void paintSwatch();

    QFont stored_;
    QFont opened_; // what the list showed at the start
    QColor color_;
    QFontDialog* picker_ = nullptr;
    QLabel* note_ = nullptr;
    QLabel* swatch_ = nullptr;
};

} // namespace brenvik
