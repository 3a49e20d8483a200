#include "platform/fontchoice.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <cstdlib>

namespace brenvik {

namespace {

bool Installed(const QString& family) {
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

// The face's own name for the font's weight and slant ("Book", "Bold Oblique"): the
// toolkit's list looks for "Normal" or "Bold Italic" and, where the face names them
// otherwise, selects whatever style comes first.
QString StyleOf(const QString& family, const QFont& font) {
    QString best;
    int bestDistance = 0;
    for (const QString& style : QFontDatabase::styles(family)) {
        // Through a font: QFontDatabase::italic() does not count "Oblique" as slanted.
        const QFont candidate = QFontDatabase::font(family, style, 12);
        if (candidate.italic() != font.italic()) continue;
        // Stored fonts have no width: a narrow or wide cut is a worse match than the plain one.
        static const QRegularExpression width(
            QStringLiteral("Condensed|Narrow|Compressed|Expanded|Extended|Wide"));
        const int distance =
            std::abs(candidate.weight() - font.weight()) * 2 + (style.contains(width) ? 1 : 0);
        if (best.isEmpty() || distance < bestDistance) {
            best = style;
            bestDistance = distance;
        }
    }
    return best;
}

// The toolkit's font dialog as a part of ours. On its own it would close (hide) itself on
// Esc or on Enter in its lists and leave the rest of our dialog on screen: its ending is
// our dialog's ending, and Esc is left to our dialog.
class EmbeddedFontPicker : public QFontDialog {
public:
    explicit EmbeddedFontPicker(QDialog* owner) : QFontDialog(owner), owner_(owner) {}
    void done(int result) override { owner_->done(result); }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Cancel)) {
            event->ignore();
            return;
        }
        QFontDialog::keyPressEvent(event);
    }

private:
    QDialog* owner_;
};

} // namespace

FontChoiceDialog::FontChoiceDialog(const QString& title, const QFont& font, const QColor& color,
                                   QWidget* parent)
    : QDialog(parent), stored_(font), color_(color.isValid() ? color : QColor(Qt::black)) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);

    note_ = new QLabel(this);
    note_->setWordWrap(true);
    layout->addWidget(note_);
    QFont shown = font;
    const QString face = font.family();
    const QString drawnWith = QFontInfo(font).family();
    if (!face.isEmpty() && !Installed(face) && Installed(drawnWith)) {
        shown.setFamily(drawnWith);
        note_->setText(QStringLiteral("The font \"%1\" is not installed; the text is drawn "
                                      "with \"%2\", selected below.")
                           .arg(face, drawnWith));
    } else
        note_->hide();
    if (const QString style = StyleOf(shown.family(), shown); !style.isEmpty())
        shown.setStyleName(style);

    // The toolkit's font dialog has no colour: it is embedded as a widget beside a colour
    // button of our own.
    picker_ = new EmbeddedFontPicker(this);
    picker_->setWindowFlags(Qt::Widget);
    picker_->setOptions(QFontDialog::DontUseNativeDialog | QFontDialog::NoButtons);
    picker_->setCurrentFont(shown);
    opened_ = picker_->currentFont();
    layout->addWidget(picker_);

    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Color:"), this);
    swatch_ = new QLabel(this);
    swatch_->setFixedSize(48, 20);
    swatch_->setFrameShape(QFrame::Box);
    swatch_->setAutoFillBackground(true);
    paintSwatch();
    auto* pick = new QPushButton(QStringLiteral("C&olor..."), this);
    pick->setAutoDefault(false);
    connect(pick, &QPushButton::clicked, this, &FontChoiceDialog::pickColor);
    label->setBuddy(pick);
    row->addWidget(label);
    row->addWidget(swatch_);
    row->addWidget(pick);
    row->addStretch(1);
    layout->addLayout(row);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QFont FontChoiceDialog::chosenFont() const {
    const QFont now = picker_->currentFont();
    // A fresh font: the list's font may carry a style name that would fight the stored face.
    QFont out(now.family() == opened_.family() ? stored_.family() : now.family());
    const bool sameSize = now.pointSize() == opened_.pointSize() && stored_.pointSize() > 0;
    out.setPointSize(sameSize ? stored_.pointSize() : now.pointSize());
    const bool sameStyle = now.weight() == opened_.weight() && now.style() == opened_.style();
    const QFont& style = sameStyle ? stored_ : now;
    out.setWeight(style.weight());
    out.setStyle(style.style());
    out.setUnderline(now.underline() == opened_.underline() ? stored_.underline()
                                                            : now.underline());
    out.setStrikeOut(now.strikeOut() == opened_.strikeOut() ? stored_.strikeOut()
                                                            : now.strikeOut());
    return out;
}

void FontChoiceDialog::pickColor() {
    const QColor c = QColorDialog::getColor(color_, this, QStringLiteral("Color"),
                                            QColorDialog::DontUseNativeDialog);
    if (!c.isValid()) return;
    color_ = c;
    paintSwatch();
}

void FontChoiceDialog::paintSwatch() {
    QPalette pal = swatch_->palette();
    pal.setColor(QPalette::Window, color_);
    swatch_->setPalette(pal);
}

} // namespace brenvik
