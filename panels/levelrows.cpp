#include "panels/levelrows.h"
#include "platform/desktopcolors.h"

#include "library/colors.h"
#include "library/objects.h"
#include "library/textcodec.h"
#include "panels/levelpanel.h"
#include "platform/svgicon.h"

#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStyle>

namespace brenvik {

namespace {

const char* const kButtonCaptions[9] = {"",         " Library",      " Set of Books",
                                        " Book",    " Part of Book", " Chapter",
                                        " Section", " Concept",      " Question && Answer"};

const QColor kInactiveBase(200, 225, 255);
// The same light blue for a dark palette: a deep blue of that hue, with light text.
const QColor kInactiveBaseDark(34, 52, 80);

bool IsDark(const QPalette& pal) {
    return pal.color(QPalette::Active, QPalette::Window).lightness() < 128;
}

QColor InactiveBase(const QPalette& pal) {
    return IsDark(pal) ? kInactiveBaseDark : kInactiveBase;
}

QColor InactiveText(const QPalette& pal) {
    return IsDark(pal) ? QColor(230, 238, 250) : QColor(Qt::black);
}

// The small picture on each level button: the level's object icon, also the tree's.
QIcon LevelIcon(int level) {
    static QIcon cache[9];
    if (cache[level].isNull()) cache[level] = SvgIcon(QStringLiteral("kind-%1").arg(level));
    return cache[level];
}

} // namespace

LevelRowStates ComputeLevelRows(const LibraryTree& tree, NodeId selected, bool addNew) {
    LevelRowStates states{};
    for (int level = 1; level <= MaxObjectLevel; ++level) {
        const NodeId n = selected == NoNode ? NoNode : GetObjAtLevel(tree, selected, level);
        const NodeId p = selected == NoNode ? NoNode : GetObjAtLevel(tree, selected, level - 1);
        LevelRowState& s = states[level];
        s.buttonEnabled = addNew ? (level == 1 || p != NoNode) : n != NoNode;
        s.nameVisible = n != NoNode;
        if (n != NoNode) s.name = BytesToDisplay(tree.text(n));
    }
    return states;
}

LevelRows::LevelRows(PanelServices& main, const QStringList& hints, QWidget* parent)
    : QWidget(parent), main_(main) {
    // Buttons are styled here rather than by the desktop style, so the column reads as
    // one designed block on top of the background picture; their colours are the
    // palette's, so a dark desktop gets dark buttons with light text.
    // The rows are built while the window is still disabled: ask for the enabled colours.
    QPalette pal = palette();
    pal.setCurrentColorGroup(QPalette::Active);
    const QColor face = pal.color(QPalette::Button), highlight = pal.color(QPalette::Highlight);
    const auto mix = [](const QColor& a, const QColor& b, double t) {
        return MixColours(a, b, t).name();
    };
    // The "Selected:" captions stand on the shaded band, whose colours are fixed at the top.
    const int rows = 28;
    const QColor band = ShadeBandColor(rows / 2, rows, ButtonFaceColor(main_));
    setStyleSheet(
        QStringLiteral(
            "QPushButton { text-align: left; padding: 3px 10px; min-height: 22px;"
            " border: 1px solid %4; border-radius: 4px; color: %5;"
            " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %6, stop:1 %7); }"
            "QPushButton:hover { border-color: %8;"
            " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %6, stop:1 %9); }"
            "QPushButton:pressed { background: %10; }"
            "QPushButton:focus { border-color: %8; }"
            "QPushButton:disabled { color: %11; border-color: %12; background: %13; }"
            "QLabel { color: %14; }"
            "QLineEdit { border: none; padding: 1px 2px; background: %1; color: %15; }"
            "QLineEdit[active=\"true\"] { background: %2; color: %3; }")
            .arg(InactiveBase(pal).name(), toQColor(main_.desktopColors().scheme().window).name(),
                 toQColor(main_.desktopColors().scheme().windowText).name(),
                 pal.color(QPalette::Mid).name(), pal.color(QPalette::ButtonText).name(),
                 mix(face, pal.color(QPalette::Light), 0.6), face.name(), highlight.name(),
                 mix(face, highlight, 0.3), mix(face, highlight, 0.5),
                 pal.color(QPalette::Disabled, QPalette::ButtonText).name())
            .arg(pal.color(QPalette::Midlight).name(), pal.color(QPalette::Window).name(),
                 ReadableOn(band, QColor(42, 51, 66)).name(), InactiveText(pal).name()));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(10, 8, 10, 8);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(7);
    for (int level = 1; level <= MaxObjectLevel; ++level) {
        auto* button = new QPushButton(QString::fromLatin1(kButtonCaptions[level]), this);
        button->setIcon(LevelIcon(level));
        button->setIconSize(QSize(20, 20));
        button->setToolTip(hints.value(level - 1));
        button->setProperty("tag", level);
        button->setMinimumWidth(190);
        button->setEnabled(false);
        button->setFocusPolicy(Qt::TabFocus);
        connect(button, &QPushButton::clicked, this, [this, level] { Q_EMIT levelClicked(level); });

        auto* label = new QLabel(QStringLiteral("Selected:"), this);
        label->setProperty("tag", level);
        label->setVisible(false);

        auto* edit = new QLineEdit(this);
        edit->setFrame(false);
        // Each row is read out by its level: the button by its caption, the edit and the
        // caption beside it by the level's name.
        const QString levelName = QString::fromLatin1(kButtonCaptions[level])
                                      .trimmed()
                                      .replace(QStringLiteral("&&"), QStringLiteral("&"));
        button->setAccessibleName(levelName);
        edit->setAccessibleName(levelName + QStringLiteral(" name"));
        label->setAccessibleName(QStringLiteral("Selected ") + levelName);
        label->setBuddy(edit);
        edit->setToolTip(QStringLiteral("Click to edit name"));
        edit->setProperty("tag", level);
        edit->setTextMargins(4, 2, 4, 2);
        edit->setMinimumWidth(160);
        edit->setVisible(false);
        edit->installEventFilter(this);
        setActiveColours(edit, false);

        grid->addWidget(button, level - 1, 0);
        grid->addWidget(label, level - 1, 1);
        grid->addWidget(edit, level - 1, 2);
        buttons_[level] = button;
        labels_[level] = label;
        edits_[level] = edit;
    }
    grid->setColumnStretch(2, 1);
}

void LevelRows::setRows(const LevelRowStates& states) {
    for (int level = 1; level <= MaxObjectLevel; ++level) {
        const LevelRowState& s = states[level];
        buttons_[level]->setEnabled(s.buttonEnabled);
        labels_[level]->setVisible(s.nameVisible);
        edits_[level]->setVisible(s.nameVisible);
        if (s.nameVisible) {
            edits_[level]->setText(s.name);
            edits_[level]->setCursorPosition(0);
        }
    }
}

int LevelRows::deepestEnabled() const {
    for (int level = MaxObjectLevel; level >= 1; --level)
        if (buttons_[level]->isEnabled()) return level;
    return 0;
}

void LevelRows::setActiveColours(QLineEdit* edit, bool active) {
    QPalette pal = edit->palette();
    if (active) {
        const DesktopColorScheme s = main_.desktopColors().scheme();
        pal.setColor(QPalette::Base, toQColor(s.window));
        pal.setColor(QPalette::Text, toQColor(s.windowText));
    } else {
        pal.setColor(QPalette::Base, InactiveBase(pal));
        pal.setColor(QPalette::Text, InactiveText(pal));
    }
    edit->setPalette(pal);
    // The rows' style sheet says the same colours by the "active" property. A sheet of the
    // edit's own would be re-applied at every focus change and lose the panel's font.
    edit->setProperty("active", active);
    edit->style()->unpolish(edit);
    edit->style()->polish(edit);
    edit->update();
}

void LevelRows::showCurrentName(int level) {
    const NodeId n = GetObjAtLevel(main_.tree(), main_.selectedNode(), level);
    if (n != NoNode) {
        edits_[level]->setText(BytesToDisplay(main_.tree().text(n)));
        edits_[level]->setCursorPosition(0);
    }
}

void LevelRows::focusAway() {
    if (focusSink_)
        focusSink_->setFocus(Qt::OtherFocusReason);
    else
        setFocus(Qt::OtherFocusReason);
}

void LevelRows::nameEntered(int level) {
    const NodeId selected = main_.selectedNode();
    const NodeId n = selected == NoNode ? NoNode : GetObjAtLevel(main_.tree(), selected, level);
    if (n == NoNode) return;
    const QString text = edits_[level]->text().trimmed();
    const QString old = BytesToDisplay(main_.tree().text(n));
    // A name longer than the field holds is shown cut; unchanged, it stays whole.
    if (old.size() > edits_[level]->maxLength() &&
        edits_[level]->text() == old.left(edits_[level]->maxLength())) {
        focusAway();
        return;
    }
    if (text.isEmpty())
        edits_[level]->setText(old);
    else if (text != old)
        main_.renameAtLevel(level, text);
    focusAway();
}

bool LevelRows::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit) return QWidget::eventFilter(watched, event);
    const int level = edit->property("tag").toInt();
    switch (event->type()) {
    case QEvent::FocusIn:
        setActiveColours(edit, true);
        break;
    case QEvent::FocusOut:
        if (main_.selectedNode() != NoNode) showCurrentName(level);
        setActiveColours(edit, false);
        break;
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            nameEntered(level);
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            focusAway();
            return true;
        }
        break;
    }
    case QEvent::KeyRelease: {
        // A line edit keeps its key-ups to itself, so they would never reach the panel;
        // pass them on here (F9) and stop them, so none arrives twice.
        auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat()) main_.FormKeyUp(key->key(), key->modifiers());
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void LevelRows::paintEvent(QPaintEvent*) {
    // A shaded band behind every row, so each level reads as one bar.
    QPainter p(this);
    const QColor face = ButtonFaceColor(main_);
    for (int level = 1; level <= MaxObjectLevel; ++level) {
        const QRect b = buttons_[level]->geometry();
        const QRect band(4, b.top() - 3, width() - 8, b.height() + 6);
        PaintShadedBand(p, band, face);
    }
}

} // namespace brenvik
