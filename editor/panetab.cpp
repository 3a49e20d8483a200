#include "editor/panetab.h"

#include "editor/paneimageeditor.h"
#include "editor/panesubeditor.h"
#include "editor/panetexteditor.h"
#include "editor/panewebsiteeditor.h"
#include "platform/desktopcolors.h"
#include "platform/picture.h"
#include "seams/programservices.h"
#include "study/panewidgets.h"
#include "widgets/colours.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace brenvik {

PaneTab::PaneTab(PaneServices& main, int digit, QWidget* parent)
    : QWidget(parent), main_(main), digit_(digit) {
    setObjectName(QStringLiteral("TSPane%1").arg(digit));

    text_ = new PaneTextEditor(
        main_, digit,
        buildHeader(QStringLiteral("Enter text, or browse to a file to import its contents."), 0));
    image_ = new PaneImageEditor(
        main_, digit, buildHeader(QStringLiteral("Browse to (or enter) an image filename."), 1));
    website_ = new PaneWebsiteEditor(
        main_, digit,
        buildHeader(QStringLiteral("Enter a website address (or filename), or browse to a file."),
                    2));
    PC = new QTabWidget(this);
    PC->setObjectName(QStringLiteral("PC%1").arg(digit));
    PC->addTab(text_, QStringLiteral("Display text entered "));
    PC->addTab(image_, QStringLiteral("Display an image from a file "));
    PC->addTab(website_, QStringLiteral("Display some other file or a website "));
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(PC);

    connect(PC, &QTabWidget::currentChanged, this, &PaneTab::PCChange);
    for (PaneSubEditor* editor : std::initializer_list<PaneSubEditor*>{text_, image_, website_}) {
        connect(editor, &PaneSubEditor::changed, this, &PaneTab::changed);
        connect(editor, &PaneSubEditor::fieldChanged, this, &PaneTab::fieldChanged);
    }
    for (int i = 0; i < 3; ++i) {
        connect(BPLeft[i], &QToolButton::clicked, this, [this] {
            Q_EMIT changed();
            Q_EMIT moveLeft();
        });
        connect(BPRight[i], &QToolButton::clicked, this, [this] {
            Q_EMIT changed();
            Q_EMIT moveRight();
        });
    }

    // Pictures and pages dropped anywhere on the pane but its text box set the pane's file.
    setAcceptDrops(true);
    image_->EImage->installEventFilter(this);
    website_->EOther->installEventFilter(this);

    load(PaneRecord::newRecord(main_.desktopColors()));
}

QWidget* PaneTab::buildHeader(const QString& prompt, int subTab) {
    auto* row = new QWidget;
    auto* lay = new QHBoxLayout(row);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(new QLabel(prompt, row), 1);
    const int number = (digit_ - 1) * 3 + subTab + 1;
    auto* left = new QToolButton(row);
    left->setArrowType(Qt::LeftArrow);
    left->setToolTip(QStringLiteral("move pane left"));
    left->setObjectName(QStringLiteral("BPLeft%1").arg(number));
    auto* right = new QToolButton(row);
    right->setArrowType(Qt::RightArrow);
    right->setToolTip(QStringLiteral("move pane right"));
    right->setObjectName(QStringLiteral("BPRight%1").arg(number));
    lay->addWidget(left);
    lay->addWidget(right);
    BPLeft[subTab] = left;
    BPRight[subTab] = right;
    return row;
}

// ---- record ---------------------------------------------------------------------------

void PaneTab::load(const PaneRecord& pane) {
    QuietScope quiet(quiet_);
    website_->stopViewer();
    text_->load(pane);
    image_->load(pane);
    website_->load(pane);
    if (pane.content >= 0 && pane.content < PC->count()) PC->setCurrentIndex(pane.content);
    highlightSubTab();
}

PaneRecord PaneTab::record() const {
    PaneRecord r;
    r.content = content();
    text_->fill(r);
    image_->fill(r);
    website_->fill(r);
    return r;
}

int PaneTab::content() const {
    return PC->currentIndex();
}

void PaneTab::showContent(int kind) {
    QuietScope quiet(quiet_);
    if (kind >= 0 && kind < PC->count()) PC->setCurrentIndex(kind);
}

QWidget* PaneTab::validate(QString* message) const {
    QString text;
    QWidget* control = nullptr;
    switch (content()) {
    case TextContent:
        control = text_->validate(text);
        break;
    case ImageContent:
        control = image_->validate(text);
        break;
    case WebsiteContent:
        control = website_->validate(text);
        break;
    default:
        break;
    }
    if (message) *message = text;
    return control;
}

// ---- calls from the editor --------------------------------------------------------------

void PaneTab::setMoveStates(bool leftEnabled, bool rightEnabled) {
    for (QToolButton* b : BPLeft)
        b->setEnabled(leftEnabled);
    for (QToolButton* b : BPRight)
        b->setEnabled(rightEnabled);
}

void PaneTab::highlightSubTab() {
    QTabBar* bar = PC->tabBar();
    const QColor normal = palette().color(QPalette::WindowText);
    for (int i = 0; i < PC->count(); ++i)
        bar->setTabTextColor(
            i, i == PC->currentIndex()
                   ? ReadableTint(palette().color(QPalette::Window), QColor(0, 0, 160))
                   : normal);
}

void PaneTab::layoutImagePreview() {
    image_->layoutPreview();
}

void PaneTab::stopViewer() {
    website_->stopViewer();
}

void PaneTab::setTextNotificationsBlocked(bool blocked) {
    text_->setNotificationsBlocked(blocked);
}

void PaneTab::PCChange(int) {
    if (quiet_ == 0) Q_EMIT changed();
    highlightSubTab();
}

bool PaneTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == image_->EImage || watched == website_->EOther) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (dropKind(drag->mimeData()) == DropKind::None) break;
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (dropKind(drop->mimeData()) == DropKind::None) break;
            dropEvent(drop);
            return true;
        }
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- drops --------------------------------------------------------------------------------

PaneTab::DropKind PaneTab::dropKind(const QMimeData* data, QString* target) {
    if (!data || !data->hasUrls() || data->urls().isEmpty()) return DropKind::None;
    const QUrl url = data->urls().constFirst();
    DropKind kind = DropKind::None;
    QString where;
    if (url.isLocalFile()) {
        where = url.toLocalFile();
        const QString suffix = QFileInfo(where).suffix().toLower();
        if (IsPictureExtension(where))
            kind = DropKind::Picture;
        else if (suffix == QLatin1String("htm") || suffix == QLatin1String("html"))
            kind = DropKind::Page;
    } else if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) {
        where = url.toString();
        kind = DropKind::Page;
    }
    if (target) *target = where;
    return kind;
}

bool PaneTab::takeDrop(const QMimeData* data) {
    QString target;
    switch (dropKind(data, &target)) {
    case DropKind::None:
        return false;
    case DropKind::Picture:
        if (PC->currentIndex() != 1) PC->setCurrentIndex(1);
        image_->usePicture(target);
        return true;
    case DropKind::Page:
        if (PC->currentIndex() != 2) PC->setCurrentIndex(2);
        website_->usePage(target);
        return true;
    }
    return false;
}

void PaneTab::dragEnterEvent(QDragEnterEvent* event) {
    if (dropKind(event->mimeData()) != DropKind::None) event->acceptProposedAction();
}

void PaneTab::dragMoveEvent(QDragMoveEvent* event) {
    if (dropKind(event->mimeData()) != DropKind::None) event->acceptProposedAction();
}

void PaneTab::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    if (dropKind(data) == DropKind::None) return;
    event->acceptProposedAction();
    // A box about a damaged picture must not come up inside the drag's own event loop.
    auto* copy = new QMimeData;
    copy->setParent(this);
    copy->setUrls(data->urls());
    QTimer::singleShot(0, this, [this, copy] {
        takeDrop(copy);
        copy->deleteLater();
    });
}

} // namespace brenvik
