#include "panels/levelpanel.h"
#include "platform/desktopcolors.h"

#include "library/colors.h"
#include "platform/picture.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace brenvik {

namespace {

// How much of a dark palette's window colour lies over a background picture: the light
// pictures would otherwise glare behind dark controls.
constexpr int kDarkVeil = 205;

bool DarkWindow(const QPalette& pal) {
    return pal.color(QPalette::Active, QPalette::Window).lightness() < 128;
}

// A panel tab is read out as a page tab with a press action, not as static text.
class PanelTabAccessible : public QAccessibleWidget {
public:
    explicit PanelTabAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::PageTab) {
        addControllingSignal(QStringLiteral("clicked()"));
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return widget()->accessibleName();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.selected = static_cast<const PanelTab*>(widget())->isOwn();
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        auto* tab = static_cast<PanelTab*>(widget());
        if (action == pressAction() && !tab->isOwn()) Q_EMIT tab->clicked();
    }
};

QAccessibleInterface* PanelTabAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("brenvik::PanelTab") && object && object->isWidgetType())
        return new PanelTabAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

void InstallPanelTabAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&PanelTabAccessibleFactory);
        return true;
    }();
    (void)installed;
}

} // namespace

QColor ButtonFaceColor(const ProgramServices& program) {
    return toQColor(program.desktopColors().scheme().buttonFace);
}

QImage LoadPanelPicture(const QString& folder, const QString& fileName) {
    if (folder.isEmpty()) return {};
    const QString path = QDir(folder).filePath(fileName);
    if (!QFileInfo::exists(path)) return {};
    // Unreadable or damaged: no picture, and on purpose no message.
    const PictureResult picture = LoadPicture(path);
    return picture ? picture.value() : QImage();
}

// ElidedLabel

QString ElidedLabel::shownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

QSize ElidedLabel::minimumSizeHint() const {
    // Any width will do: the text is elided, never pushing its row wider.
    return QSize(0, QLabel::minimumSizeHint().height());
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(foregroundRole()));
    p.setFont(font());
    p.drawText(contentsRect(), int(alignment()) | Qt::TextSingleLine, shownText());
}

// PicturePanel

PicturePanel::PicturePanel(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(true);
}

void PicturePanel::setPicture(const QImage& picture) {
    picture_ = picture;
    // A smooth scaling down to one pixel averages the whole picture.
    pictureAverage_ = picture_.isNull()
                          ? QColor()
                          : picture_.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .pixelColor(0, 0);
    update();
}

QColor PicturePanel::backdrop() const {
    const QColor window = palette().color(QPalette::Active, QPalette::Window);
    if (!pictureAverage_.isValid()) return window;
    return DarkWindow(palette()) ? MixColours(pictureAverage_, window, kDarkVeil / 255.0)
                                 : pictureAverage_;
}

QColor PicturePanel::inkFor(const QColor& preferred) const {
    return ReadableOn(backdrop(), preferred);
}

void PicturePanel::paintEvent(QPaintEvent* event) {
    if (!picture_.isNull()) {
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(rect(), picture_);
        if (DarkWindow(palette())) {
            QColor veil = palette().color(QPalette::Active, QPalette::Window);
            veil.setAlpha(kDarkVeil);
            p.fillRect(rect(), veil);
        }
    }
    QFrame::paintEvent(event);
}

// PanelTab

PanelTab::PanelTab(const QString& caption, bool own, QWidget* parent)
    : QLabel(caption, parent), own_(own) {
    setTextFormat(Qt::PlainText);
    setMinimumHeight(30);
    setContentsMargins(0, 2, 8, 2);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setAttribute(Qt::WA_Hover, !own);
    // Read out as the panel it opens, without the leading blanks of the caption.
    setAccessibleName(caption.trimmed());
    InstallPanelTabAccessibility();
    if (!own) setFocusPolicy(Qt::TabFocus);
    QFont f = font();
    if (own) {
        f.setFamily(QStringLiteral("Arial"));
        f.setBold(true);
    }
    setFont(f);
    if (!own) {
        setCursor(Qt::PointingHandCursor);
        setMouseTracking(true);
    }
}

void PanelTab::paintEvent(QPaintEvent*) {
    // A tab shape: rounded top corners, open towards the frame below.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor fill = palette().color(QPalette::Window);
    QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, 4);
    QPainterPath path;
    path.addRoundedRect(r, 6, 6);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, fill.lighter(own_ ? 118 : 108));
    g.setColorAt(1, fill);
    p.setPen(QPen(fill.darker(150), 1));
    p.setBrush(g);
    p.drawPath(path);
    const QColor ink = ReadableOn(fill, palette().color(QPalette::WindowText));
    p.setPen(ink);
    p.setFont(font());
    p.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, text());
    if (hasFocus()) {
        // Where the keyboard is: a dotted frame inside the tab, in the text's colour.
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(ink, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(rect().adjusted(3, 3, -4, -1), 3, 3);
    }
}

void PanelTab::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!own_ && !event->isAutoRepeat()) {
            event->accept();
            Q_EMIT clicked();
            return;
        }
        break;
    default:
        break;
    }
    QLabel::keyPressEvent(event);
}

void PanelTab::focusInEvent(QFocusEvent* event) {
    QLabel::focusInEvent(event);
    update();
}

void PanelTab::focusOutEvent(QFocusEvent* event) {
    QLabel::focusOutEvent(event);
    update();
}

void PanelTab::mouseReleaseEvent(QMouseEvent* event) {
    if (!own_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}

void PanelTab::mouseMoveEvent(QMouseEvent* event) {
    if (!own_) Q_EMIT hovered();
    event->accept();
}

void PanelTab::leaveEvent(QEvent* event) {
    if (!own_) Q_EMIT left();
    QLabel::leaveEvent(event);
}

// LevelPanel

LevelPanel::LevelPanel(PanelServices& main, const QString& pictureFile, const QStringList& hints,
                       QWidget* parent)
    : QWidget(parent), main_(main) {
    PMain = new PicturePanel(this);
    PMain->setObjectName(QStringLiteral("PMain"));
    // Clicks on the background, the pictures and the labels land here and so take the
    // keyboard focus away from the name edits.
    PMain->setFocusPolicy(Qt::ClickFocus);
    PMain->setMouseTracking(true);
    PMain->installEventFilter(this);
    PMain->setPicture(LoadPanelPicture(main.programFolder(), pictureFile));

    auto* outer = new QVBoxLayout(PMain);
    outer->setContentsMargins(14, 12, 14, 12);
    outer->setSpacing(0);

    tabStrip_ = new QHBoxLayout;
    tabStrip_->setContentsMargins(4, 0, 4, 0);
    tabStrip_->setSpacing(3);
    outer->addLayout(tabStrip_);

    PClient = new QFrame(PMain);
    PClient->setObjectName(QStringLiteral("PClient"));
    PClient->setFrameShape(QFrame::Panel);
    PClient->setFrameShadow(QFrame::Sunken);
    PClient->setLineWidth(1);
    PClient->setAutoFillBackground(true);
    {
        QPalette pal = PClient->palette();
        pal.setColor(QPalette::Window, pal.color(QPalette::Base));
        PClient->setPalette(pal);
    }
    auto* clientLayout = new QVBoxLayout(PClient);
    clientLayout->setContentsMargins(2, 2, 2, 2);
    rows_ = new LevelRows(main, hints, PClient);
    rows_->setFocusSink(PMain);
    clientLayout->addWidget(rows_);
    outer->addWidget(PClient);
    connect(rows_, &LevelRows::levelClicked, this, [this](int level) { levelCommand(level); });

    outer->addSpacing(10);
    description_ = new QLabel(PMain);
    description_->setObjectName(QStringLiteral("LDescription"));
    description_->setWordWrap(true);
    description_->setTextFormat(Qt::PlainText);
    description_->setContentsMargins(6, 0, 6, 0);
    {
        // It stands on the picture, which keeps its own colours whatever the palette.
        QPalette pal = description_->palette();
        pal.setColor(QPalette::WindowText, PMain->inkFor(QColor(40, 52, 74)));
        description_->setPalette(pal);
    }
    description_->setVisible(false);
    outer->addWidget(description_);

    extras_ = new QVBoxLayout;
    extras_->setContentsMargins(6, 6, 6, 0);
    extras_->setSpacing(8);
    outer->addLayout(extras_);
    outer->addStretch(1);
}

LevelPanel::~LevelPanel() = default;

PanelTab* LevelPanel::addTab(const QString& caption, const QString& hint, bool own,
                             std::function<void()> onClick) {
    auto* tab = new PanelTab(caption, own, PMain);
    tab->setToolTip(hint);
    QPalette pal = tab->palette();
    if (own) {
        pal.setColor(QPalette::Window, toQColor(main_.desktopColors().scheme().highlight));
        pal.setColor(QPalette::WindowText, Qt::white);
        // The panel is read out by the name its own tab shows.
        PMain->setAccessibleName(caption.trimmed());
    } else {
        const QColor accent = main_.accentColor();
        pal.setColor(QPalette::Window, accent.isValid() ? accent : ButtonFaceColor(main_));
        pal.setColor(QPalette::WindowText, QColor(20, 30, 50));
        connect(tab, &PanelTab::clicked, this, [onClick = std::move(onClick)] {
            if (onClick) onClick();
        });
        connect(tab, &PanelTab::hovered, this, [this, tab] { main_.hotTabEnter(tab); });
        connect(tab, &PanelTab::left, this, [this] { main_.hotTabLeave(); });
    }
    tab->setPalette(pal);
    tabStrip_->addWidget(tab, 1);
    tabs_.append(tab);
    return tab;
}

void LevelPanel::applyTabColours() {
    const QColor accent = main_.accentColor();
    for (PanelTab* tab : tabs_) {
        if (tab->isOwn()) continue;
        QPalette pal = tab->palette();
        pal.setColor(QPalette::Window, accent.isValid() ? accent : ButtonFaceColor(main_));
        tab->setPalette(pal);
    }
}

void LevelPanel::setDescription(const QString& text) {
    description_->setText(text);
    description_->setVisible(!text.isEmpty());
}

bool LevelPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PMain) {
        if (event->type() == QEvent::KeyRelease) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat()) main_.FormKeyUp(key->key(), key->modifiers());
            // Consumed: the key must not reach the main window's own key-up a second time.
            return true;
        }
        if (event->type() == QEvent::MouseMove) main_.hotTabLeave();
    }
    return QWidget::eventFilter(watched, event);
}

// PanelContainer

PanelContainer::PanelContainer(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::NoFrame);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
}

void PanelContainer::addPanel(QWidget* panel) {
    if (!panel || panels_.contains(panel)) return;
    panel->setParent(this);
    layout_->addWidget(panel);
    panels_.append(panel);
}

void PanelContainer::showOnly(QWidget* panel) {
    for (QWidget* p : panels_)
        if (p != panel) p->hide();
    if (panel) panel->show();
}

void EditorTitleBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(52, 86, 140));
    g.setColorAt(1, QColor(28, 52, 96));
    p.setPen(QPen(QColor(18, 34, 66), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
}

namespace {

// The editors are forms: Tab moves on from a text box as it does from every other field.
// A typed tab character would keep a keyboard user in the first text box for good.
class TabMovesFocus : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // At every opening, so boxes made after the frame are covered too.
        if (event->type() == QEvent::Show) {
            for (QPlainTextEdit* box : watched->findChildren<QPlainTextEdit*>())
                box->setTabChangesFocus(true);
            for (QTextEdit* box : watched->findChildren<QTextEdit*>())
                box->setTabChangesFocus(true);
        }
        return false;
    }
};

} // namespace

EditorFrame BuildEditorFrame(QWidget* owner, const QString& programFolder) {
    EditorFrame f;
    f.panel = new PicturePanel(owner);
    f.panel->installEventFilter(new TabMovesFocus(f.panel));
    f.panel->setObjectName(QStringLiteral("PMain"));
    f.panel->setPicture(LoadPanelPicture(programFolder, QStringLiteral("edit2.bmp")));
    f.panel->hide();
    f.outer = new QVBoxLayout(f.panel);
    f.outer->setContentsMargins(14, 12, 14, 12);
    f.outer->setSpacing(10);

    f.titleBar = new EditorTitleBar(f.panel);
    auto* row = new QHBoxLayout(f.titleBar);
    row->setContentsMargins(14, 8, 10, 8);
    row->setSpacing(8);
    f.title = new ElidedLabel(f.titleBar);
    f.title->setTextFormat(Qt::PlainText); // an ampersand shows as itself
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setBold(true);
    titleFont.setPixelSize(21);
    f.title->setFont(titleFont);
    QPalette pal = f.title->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    f.title->setPalette(pal);
    f.title->setMinimumWidth(120);
    row->addWidget(f.title, 1);
    f.outer->addWidget(f.titleBar);

    const QStyle* style = owner->style();
    f.save = AddEditorButton(f, style->standardIcon(QStyle::SP_DialogSaveButton),
                             QStringLiteral("Save"), QStringLiteral("Save changes"));
    f.save->setEnabled(false);
    f.cancel = AddEditorButton(f, style->standardIcon(QStyle::SP_DialogCloseButton),
                               QStringLiteral("Cancel"), QStringLiteral("Cancel changes"));
    return f;
}

QPushButton* AddEditorButton(const EditorFrame& frame, const QIcon& icon, const QString& text,
                             const QString& hint) {
    auto* b = new QPushButton(icon, text, frame.titleBar);
    b->setToolTip(hint);
    b->setMinimumWidth(96);
    b->setAutoDefault(false);
    static_cast<QHBoxLayout*>(frame.titleBar->layout())->addWidget(b);
    return b;
}

} // namespace brenvik
