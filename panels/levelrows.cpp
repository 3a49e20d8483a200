#include "panels/levelrows.h"

#include "library/colors.h"
#include "library/objects.h"
#include "library/textcodec.h"
#include "panels/levelpanel.h"

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

QColor FromValue(ColorValue v) {
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

// A book seen from the front, in `colour`, inside `r`.
void DrawBook(QPainter& p, const QRectF& r, const QColor& colour) {
    p.setPen(QPen(colour.darker(160), 1));
    p.setBrush(colour);
    p.drawRoundedRect(r, 1.5, 1.5);
    p.setPen(QPen(QColor(255, 255, 255, 170), 1));
    p.drawLine(QPointF(r.left() + 2.5, r.top() + 1.5), QPointF(r.left() + 2.5, r.bottom() - 1.5));
}

// A sheet of paper with text lines.
void DrawPage(QPainter& p, const QRectF& r, int lines) {
    p.setPen(QPen(QColor(110, 120, 140), 1));
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(r);
    p.setPen(QPen(QColor(120, 150, 200), 1));
    for (int i = 0; i < lines; ++i) {
        const qreal y = r.top() + 3.5 + i * 2.5;
        p.drawLine(QPointF(r.left() + 2.5, y), QPointF(r.right() - 2.5, y));
    }
}

// The small picture on each level button, drawn once per level.
QIcon LevelIcon(int level) {
    static QIcon cache[9];
    if (!cache[level].isNull()) return cache[level];
    QPixmap pm(40, 40);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(2, 2); // drawn at 20x20 units, crisp on high-density screens
    switch (level) {
    case 1: { // a building with columns
        p.setPen(QPen(QColor(90, 70, 40), 1));
        p.setBrush(QColor(222, 196, 140));
        QPainterPath roof;
        roof.moveTo(2, 7);
        roof.lineTo(10, 2);
        roof.lineTo(18, 7);
        roof.closeSubpath();
        p.drawPath(roof);
        for (int i = 0; i < 4; ++i)
            p.drawRect(QRectF(3.5 + i * 3.7, 8, 2, 7.5));
        p.drawRect(QRectF(2, 16, 16, 2));
        break;
    }
    case 2: // three books side by side
        DrawBook(p, QRectF(2, 4, 5, 14), QColor(200, 70, 60));
        DrawBook(p, QRectF(7.5, 3, 5, 15), QColor(60, 120, 200));
        DrawBook(p, QRectF(13, 5, 5, 13), QColor(70, 160, 90));
        break;
    case 3:
        DrawBook(p, QRectF(4, 2, 12, 16), QColor(60, 110, 190));
        break;
    case 4: // a book with a bookmark
        DrawBook(p, QRectF(4, 2, 12, 16), QColor(150, 90, 170));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(240, 190, 40));
        p.drawPolygon(QPolygonF({QPointF(11, 0.5), QPointF(14, 0.5), QPointF(14, 9),
                                 QPointF(12.5, 7.5), QPointF(11, 9)}));
        break;
    case 5:
        DrawPage(p, QRectF(3.5, 1.5, 13, 17), 6);
        break;
    case 6: // two overlapping pages
        DrawPage(p, QRectF(6.5, 1.5, 11, 14), 0);
        DrawPage(p, QRectF(2.5, 4.5, 11, 14), 4);
        break;
    case 7: { // a light bulb
        p.setPen(QPen(QColor(170, 130, 0), 1));
        QRadialGradient g(QPointF(8.5, 6.5), 7);
        g.setColorAt(0, QColor(255, 250, 200));
        g.setColorAt(1, QColor(250, 205, 40));
        p.setBrush(g);
        p.drawEllipse(QRectF(4, 1.5, 12, 12));
        p.setBrush(QColor(150, 150, 160));
        p.setPen(QPen(QColor(90, 90, 100), 1));
        p.drawRect(QRectF(7, 13.5, 6, 4.5));
        break;
    }
    case 8: { // a question mark in a bubble
        p.setPen(QPen(QColor(30, 110, 60), 1));
        p.setBrush(QColor(90, 185, 110));
        p.drawEllipse(QRectF(1.5, 1.5, 17, 17));
        QFont f(QStringLiteral("Arial"));
        f.setBold(true);
        f.setPixelSize(13);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(1.5, 1.5, 17, 17), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    default:
        break;
    }
    p.end();
    cache[level] = QIcon(pm);
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

LevelRows::LevelRows(MainCommands& main, const QStringList& hints, QWidget* parent)
    : QWidget(parent), main_(main) {
    // Buttons are styled here rather than by the desktop style, so the column reads as
    // one designed block on top of the background picture.
    setStyleSheet(
        QStringLiteral(
            "QPushButton { text-align: left; padding: 3px 10px; min-height: 22px;"
            " border: 1px solid #8796ad; border-radius: 4px; color: #14233d;"
            " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #dfe7f3); "
            "}"
            "QPushButton:hover { border-color: #3d6fc0;"
            " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4f8ff, stop:1 #c8daf6); "
            "}"
            "QPushButton:pressed { background: #b3cbef; }"
            "QPushButton:focus { border-color: #2b5cab; }"
            "QPushButton:disabled { color: #98a1ad; border-color: #c6ccd4; background: #eceff3; }"
            "QLabel { color: #2a3342; }"
            "QLineEdit { border: none; padding: 1px 2px; background: %1; color: black; }"
            "QLineEdit[active=\"true\"] { background: %2; color: %3; }")
            .arg(kInactiveBase.name(), FromValue(main_.desktopColors().scheme().window).name(),
                 FromValue(main_.desktopColors().scheme().windowText).name()));

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
        pal.setColor(QPalette::Base, FromValue(s.window));
        pal.setColor(QPalette::Text, FromValue(s.windowText));
    } else {
        pal.setColor(QPalette::Base, kInactiveBase);
        pal.setColor(QPalette::Text, Qt::black);
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
