#include "editor/panesubeditor.h"

#include "library/settingskeys.h"
#include "platform/desktopcolors.h"
#include "platform/prompts.h"
#include "seams/programservices.h"
#include "study/core/studyfiles.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace brenvik {

namespace {

QList<QColor> CustomColors(const DesktopColors& desktop) {
    QList<QColor> out;
    const QStringList lines =
        QString::fromStdString(CustomColorList(desktop)).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        bool ok = false;
        const uint v = line.section(QLatin1Char('='), 1).toUInt(&ok, 16);
        if (ok) out << toQColor(ColorValue(v));
    }
    return out;
}

// Names the colour dialog while it is up, whichever prompt layer opens it.
class ColorDialogTitle : public QObject {
public:
    ColorDialogTitle() { qApp->installEventFilter(this); }
    ~ColorDialogTitle() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            if (auto* dialog = qobject_cast<QColorDialog*>(watched))
                dialog->setWindowTitle(QStringLiteral("Background Color"));
        return false;
    }
};

// The last folders chosen in this run, shared by the three panes as their one dialog would
// be; the settings store keeps them only when it is backed by a file.
QString& RememberedFolder(const settings::RuntimeTextKey& key) {
    static QHash<QString, QString> folders;
    return folders[QString::fromLatin1(key.key)];
}

} // namespace

const QString kPaneFileFilter = QStringLiteral(
    "All files (*.*)|*.*|Bitmap files (*.bmp)|*.bmp|Csv files (*.csv)|*.csv|Document files "
    "(*.doc)|*.doc|HTML files (*.htm;*.html)|*.htm;*.html|Jpeg files (*.jpg;*.jpeg)|*.jpg;*.jpeg|"
    "Png files (*.png)|*.png|Portable document files (*.pdf)|*.pdf|Presentation files "
    "(*.ppt)|*.ppt|Spreadsheet files (*.xls)|*.xls|Text files (*.txt)|*.txt|Xml files "
    "(*.xml)|*.xml");

PaneSubEditor::PaneSubEditor(PaneServices& main, int digit, QWidget* header)
    : main_(main), digit_(digit), layout_(new QVBoxLayout(this)) {
    layout_->addWidget(header);
}

QString PaneSubEditor::resolved(const QString& path) const {
    if (path.isEmpty() || !QFileInfo(path).isRelative()) return path;
    return ResolveStudyPath(path, main_.studyFolders());
}

QString PaneSubEditor::dialogFolder(const settings::RuntimeTextKey& key) const {
    if (const QString& chosen = RememberedFolder(key); !chosen.isEmpty()) return chosen;
    SettingsStore& s = main_.settings();
    // Before the first clean exit the stored folders are not trusted: the system's default.
    const bool firstRun = s.read(settings::AppFirstRun) != 0;
    return s.read(key, firstRun ? QString() : main_.programFolder());
}

void PaneSubEditor::rememberFolder(const settings::RuntimeTextKey& key, const QString& file) {
    const QString folder = QFileInfo(file).absolutePath();
    RememberedFolder(key) = folder;
    main_.settings().write(key, folder);
}

void PaneSubEditor::showError(const QString& text) {
    main_.prompts().message(this, QStringLiteral("Error"), text, Prompts::Icon::Error);
}

QHBoxLayout* PaneSubEditor::backgroundRow(const QString& swatchName) {
    auto* row = new QHBoxLayout;
    swatchLabel_ = new QLabel(QStringLiteral("Background color:"), this);
    swatchLabel_->setCursor(Qt::PointingHandCursor);
    swatch_ = NewSwatch(this);
    swatch_->setObjectName(swatchName);
    row->addWidget(swatchLabel_);
    row->addWidget(swatch_);
    row->addSpacing(16);
    swatch_->installEventFilter(this);
    swatchLabel_->installEventFilter(this);
    return row;
}

bool PaneSubEditor::eventFilter(QObject* watched, QEvent* event) {
    if (swatch_ && (watched == swatch_ || watched == swatchLabel_) &&
        event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        QColor color = toQColor(background_);
        {
            ColorDialogTitle title;
            if (!main_.prompts().chooseColor(this, color, CustomColors(main_.desktopColors())))
                return true;
        }
        background_ = fromQColor(color);
        applyColors();
        Q_EMIT changed();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QString TrimmedField(const QString& text) {
    qsizetype first = 0, last = text.size();
    while (first < last && text.at(first).unicode() <= ' ')
        ++first;
    while (last > first && text.at(last - 1).unicode() <= ' ')
        --last;
    return text.mid(first, last - first);
}

QFrame* NewSwatch(QWidget* parent) {
    auto* swatch = new QFrame(parent);
    swatch->setFrameStyle(QFrame::Box | QFrame::Plain);
    swatch->setFixedSize(36, 20);
    swatch->setAutoFillBackground(true);
    swatch->setCursor(Qt::PointingHandCursor);
    swatch->setToolTip(QStringLiteral("Change background color"));
    return swatch;
}

void PaintSwatch(QFrame* swatch, const QColor& color) {
    QPalette pal = swatch->palette();
    pal.setColor(QPalette::Window, color);
    swatch->setPalette(pal);
}

QToolButton* NewToolButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& text,
                           const QString& hint) {
    auto* b = new QToolButton(parent);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setText(text);
    b->setToolTip(hint);
    b->setAutoRaise(false);
    return b;
}

QFrame* NewPaneFrame(QWidget* parent) {
    auto* frame = new QFrame(parent);
    auto* lay = new QVBoxLayout(frame);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    return frame;
}

void PaneSubEditor::watchField(QLineEdit* field, std::initializer_list<QWidget*> buttons) {
    field_ = field;
    fieldButtons_.assign(buttons);
    connect(field, &QLineEdit::textChanged, this, [this] {
        if (quiet()) return;
        showFieldState();
        Q_EMIT changed();
        Q_EMIT fieldChanged();
    });
}

void PaneSubEditor::showFieldState() {
    const bool filled = !TrimmedField(field_->text()).isEmpty();
    for (QWidget* button : fieldButtons_)
        button->setEnabled(filled);
    field_->setToolTip(field_->text());
}

} // namespace brenvik
