#include "editor/panetab.h"
#include "platform/desktopcolors.h"

#include "library/colors.h"
#include "library/fonttext.h"
#include "library/settingskeys.h"
#include "library/textcodec.h"
#include "mainwindow/maincommands.h"
#include "panels/levelpanel.h"
#include "platform/picture.h"
#include "platform/prompts.h"
#include "platform/shellopen.h"
#include "platform/webviewer.h"
#include "study/core/mymath.h"
#include "study/core/shelltarget.h"
#include "study/core/studyfiles.h"
#include "study/panewidgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace brenvik {

namespace {

const QString kFileFilter = QStringLiteral(
    "All files (*.*)|*.*|Bitmap files (*.bmp)|*.bmp|Csv files (*.csv)|*.csv|Document files "
    "(*.doc)|*.doc|HTML files (*.htm;*.html)|*.htm;*.html|Jpeg files (*.jpg;*.jpeg)|*.jpg;*.jpeg|"
    "Png files (*.png)|*.png|Portable document files (*.pdf)|*.pdf|Presentation files "
    "(*.ppt)|*.ppt|Spreadsheet files (*.xls)|*.xls|Text files (*.txt)|*.txt|Xml files "
    "(*.xml)|*.xml");

const settings::RuntimeTextKey& kPicDir = settings::QuestionPicDir;
const settings::RuntimeTextKey& kFileDir = settings::QuestionFileDir;

// Blanks and control characters at both ends, as the stored record wants them gone.
QString Trimmed(const QString& text) {
    qsizetype first = 0, last = text.size();
    while (first < last && text.at(first).unicode() <= ' ')
        ++first;
    while (last > first && text.at(last - 1).unicode() <= ' ')
        --last;
    return text.mid(first, last - first);
}

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

// Holds the program's own fills and restyles apart from the user's edits.
class Quiet {
public:
    explicit Quiet(int& counter) : counter_(counter) { ++counter_; }
    ~Quiet() { --counter_; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

private:
    int& counter_;
};

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

} // namespace

PaneTab::PaneTab(MainCommands& main, int digit, QWidget* parent)
    : QWidget(parent), main_(main), digit_(digit) {
    setObjectName(QStringLiteral("TSPane%1").arg(digit));
    font_ = PaneRecord::newRecord(main_.desktopColors()).font;
    textBackground_ = NumberToColor(-1, main_.desktopColors());

    PC = new QTabWidget(this);
    PC->setObjectName(QStringLiteral("PC%1").arg(digit));
    PC->addTab(buildTextTab(), QStringLiteral("Display text entered "));
    PC->addTab(buildImageTab(), QStringLiteral("Display an image from a file "));
    PC->addTab(buildWebTab(), QStringLiteral("Display some other file or a website "));
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(PC);

    for (QWidget* w : {static_cast<QWidget*>(PTextBkColor), static_cast<QWidget*>(LTextBkColor),
                       static_cast<QWidget*>(PImageBkColor), static_cast<QWidget*>(LImageBkColor)})
        w->installEventFilter(this);

    connect(PC, &QTabWidget::currentChanged, this, &PaneTab::PCChange);
    connect(BFont, &QPushButton::clicked, this, &PaneTab::BFontClick);
    connect(BText, &QPushButton::clicked, this, &PaneTab::BTextClick);
    connect(BSelectAll, &QPushButton::clicked, this, &PaneTab::BSelectAllClick);
    for (QCheckBox* cb : {CBLightText, CBHeavyText, CBCtrText})
        connect(cb, &QCheckBox::clicked, this, [this, cb] { TextOptionClick(cb); });
    for (QCheckBox* cb : {CBLightImage, CBHeavyImage, CBStretch})
        connect(cb, &QCheckBox::clicked, this, [this, cb] { ImageOptionClick(cb); });
    for (QCheckBox* cb : {CBLightWB, CBHeavyWB})
        connect(cb, &QCheckBox::clicked, this, [this, cb] { WebOptionClick(cb); });
    for (QLineEdit* field : {EImage, EOther})
        connect(field, &QLineEdit::textChanged, this, [this, field] { FieldChange(field); });
    // returnPressed comes with the key press: the Enter that closes an error box is released
    // over the field and must not start the same failing load again.
    connect(EImage, &QLineEdit::returnPressed, this, [this] { ShowPictureFrom(EImage->text()); });
    connect(BRefreshPic, &QToolButton::clicked, this, [this] { ShowPictureFrom(EImage->text()); });
    connect(BImage, &QPushButton::clicked, this, &PaneTab::BImageClick);
    connect(BDefaultImageApp, &QToolButton::clicked, this, &PaneTab::BDefaultImageAppClick);
    connect(EOther, &QLineEdit::returnPressed, this, [this] { NavigatePane(EOther->text()); });
    connect(BRefresh, &QToolButton::clicked, this, [this] { NavigatePane(EOther->text()); });
    connect(BOther, &QPushButton::clicked, this, &PaneTab::BOtherClick);
    connect(BBack, &QToolButton::clicked, this, [this] { HistoryClick(true); });
    connect(BForward, &QToolButton::clicked, this, [this] { HistoryClick(false); });
    connect(BDefaultWebApp, &QToolButton::clicked, this, &PaneTab::BDefaultWebAppClick);
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
    connect(MTextEntered, &QTextEdit::textChanged, this, [this] {
        if (quiet_ == 0 && !textBlocked_) Q_EMIT changed();
    });

    // Pictures and pages dropped anywhere on the pane but its text box set the pane's file.
    setAcceptDrops(true);
    EImage->installEventFilter(this);
    EOther->installEventFilter(this);

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

QWidget* PaneTab::buildTextTab() {
    auto* page = new QWidget;
    const QString d = QString::number(digit_);
    auto* lay = new QVBoxLayout(page);
    lay->addWidget(
        buildHeader(QStringLiteral("Enter text, or browse to a file to import its contents."), 0));

    PText = NewPaneFrame(page);
    PText->setObjectName(QStringLiteral("PText") + d);
    MTextEntered = new QTextEdit(PText);
    MTextEntered->setObjectName(QStringLiteral("MTextEntered") + d);
    MTextEntered->setAcceptRichText(false);
    MTextEntered->setLineWrapMode(QTextEdit::NoWrap);
    MTextEntered->setWordWrapMode(QTextOption::NoWrap);
    MTextEntered->setFrameStyle(QFrame::NoFrame);
    MTextEntered->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    MTextEntered->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    PText->layout()->addWidget(MTextEntered);
    lay->addWidget(PText, 1);

    auto* row1 = new QHBoxLayout;
    BFont = new QPushButton(QStringLiteral("Font..."), page);
    BFont->setObjectName(QStringLiteral("BFont") + d);
    BFont->setToolTip(QStringLiteral("Change font"));
    LFont = new QLabel(page);
    LFont->setObjectName(QStringLiteral("LFont") + d);
    BText = new QPushButton(QStringLiteral(" Import..."), page);
    BText->setObjectName(QStringLiteral("BText") + d);
    BText->setToolTip(QStringLiteral("Import text"));
    BSelectAll = new QPushButton(QStringLiteral("   Copy all"), page);
    BSelectAll->setObjectName(QStringLiteral("BSelectAll") + d);
    BSelectAll->setToolTip(QStringLiteral("Copy text to clipboard"));
    row1->addWidget(BFont);
    row1->addWidget(LFont, 1);
    row1->addWidget(BText);
    row1->addWidget(BSelectAll);
    lay->addLayout(row1);

    auto* row2 = new QHBoxLayout;
    LTextBkColor = new QLabel(QStringLiteral("Background color:"), page);
    LTextBkColor->setCursor(Qt::PointingHandCursor);
    PTextBkColor = NewSwatch(page);
    PTextBkColor->setObjectName(QStringLiteral("PText%1BkColor").arg(d));
    CBLightText = new QCheckBox(QStringLiteral("Shallow border"), page);
    CBLightText->setObjectName(QStringLiteral("CBLightText") + d);
    CBHeavyText = new QCheckBox(QStringLiteral("Deep border"), page);
    CBHeavyText->setObjectName(QStringLiteral("CBHeavyText") + d);
    CBCtrText = new QCheckBox(QStringLiteral("Centered text"), page);
    CBCtrText->setObjectName(QStringLiteral("CBCtrText") + d);
    row2->addWidget(LTextBkColor);
    row2->addWidget(PTextBkColor);
    row2->addSpacing(16);
    row2->addWidget(CBLightText);
    row2->addWidget(CBHeavyText);
    row2->addWidget(CBCtrText);
    row2->addStretch(1);
    lay->addLayout(row2);
    return page;
}

QWidget* PaneTab::buildImageTab() {
    auto* page = new QWidget;
    const QString d = QString::number(digit_);
    auto* lay = new QVBoxLayout(page);
    lay->addWidget(buildHeader(QStringLiteral("Browse to (or enter) an image filename."), 1));

    auto* row1 = new QHBoxLayout;
    EImage = new QLineEdit(page);
    EImage->setObjectName(QStringLiteral("EImage") + d);
    BImage = new QPushButton(QStringLiteral("Browse..."), page);
    BImage->setObjectName(QStringLiteral("BImage") + d);
    BImage->setToolTip(QStringLiteral("Open image file"));
    BRefreshPic = NewToolButton(page, QStyle::SP_BrowserReload, QStringLiteral("Reload"),
                                QStringLiteral("Reload"));
    BRefreshPic->setObjectName(QStringLiteral("BRefreshPic") + d);
    BDefaultImageApp = NewToolButton(page, QStyle::SP_DialogOpenButton, QStringLiteral("Open"),
                                     QStringLiteral("Open into default viewer-app"));
    BDefaultImageApp->setObjectName(QStringLiteral("BDefaultImageApp") + d);
    row1->addWidget(EImage, 1);
    row1->addWidget(BImage);
    row1->addWidget(BRefreshPic);
    row1->addWidget(BDefaultImageApp);
    lay->addLayout(row1);

    PImage = NewPaneFrame(page);
    PImage->setObjectName(QStringLiteral("PImage") + d);
    ScrollBox = new PictureView(PImage);
    ScrollBox->setObjectName(QStringLiteral("ScrollBox") + d);
    PImage->layout()->addWidget(ScrollBox);
    lay->addWidget(PImage, 1);

    auto* row2 = new QHBoxLayout;
    LImageBkColor = new QLabel(QStringLiteral("Background color:"), page);
    LImageBkColor->setCursor(Qt::PointingHandCursor);
    PImageBkColor = NewSwatch(page);
    PImageBkColor->setObjectName(QStringLiteral("PImage%1BkColor").arg(d));
    CBLightImage = new QCheckBox(QStringLiteral("Shallow border"), page);
    CBLightImage->setObjectName(QStringLiteral("CBLightImage") + d);
    CBHeavyImage = new QCheckBox(QStringLiteral("Deep border"), page);
    CBHeavyImage->setObjectName(QStringLiteral("CBHeavyImage") + d);
    CBStretch = new QCheckBox(QStringLiteral("Stretch to fit"), page);
    CBStretch->setObjectName(QStringLiteral("CBStretch") + d);
    row2->addWidget(LImageBkColor);
    row2->addWidget(PImageBkColor);
    row2->addSpacing(16);
    row2->addWidget(CBLightImage);
    row2->addWidget(CBHeavyImage);
    row2->addWidget(CBStretch);
    row2->addStretch(1);
    lay->addLayout(row2);
    return page;
}

QWidget* PaneTab::buildWebTab() {
    auto* page = new QWidget;
    const QString d = QString::number(digit_);
    auto* lay = new QVBoxLayout(page);
    lay->addWidget(buildHeader(
        QStringLiteral("Enter a website address (or filename), or browse to a file."), 2));

    auto* row1 = new QHBoxLayout;
    EOther = new QLineEdit(page);
    EOther->setObjectName(QStringLiteral("EOther") + d);
    BOther = new QPushButton(QStringLiteral("Browse..."), page);
    BOther->setObjectName(QStringLiteral("BOther") + d);
    BOther->setToolTip(QStringLiteral("Open file"));
    BBack =
        NewToolButton(page, QStyle::SP_ArrowBack, QStringLiteral("Back"), QStringLiteral("Back"));
    BBack->setObjectName(QStringLiteral("BBack") + d);
    BForward = NewToolButton(page, QStyle::SP_ArrowForward, QStringLiteral("Forward"),
                             QStringLiteral("Forward"));
    BForward->setObjectName(QStringLiteral("BForward") + d);
    BRefresh = NewToolButton(page, QStyle::SP_BrowserReload, QStringLiteral("Reload"),
                             QStringLiteral("Reload"));
    BRefresh->setObjectName(QStringLiteral("BRefresh") + d);
    BDefaultWebApp = NewToolButton(page, QStyle::SP_DialogOpenButton, QStringLiteral("Open"),
                                   QStringLiteral("Open into default viewer-app"));
    BDefaultWebApp->setObjectName(QStringLiteral("BDefaultWebApp") + d);
    BBack->setEnabled(false);
    BForward->setEnabled(false);
    row1->addWidget(EOther, 1);
    row1->addWidget(BOther);
    row1->addWidget(BBack);
    row1->addWidget(BForward);
    row1->addWidget(BRefresh);
    row1->addWidget(BDefaultWebApp);
    lay->addLayout(row1);

    // The viewer itself is created on the first navigation, so that opening a question
    // never starts a browser.
    PWB = NewPaneFrame(page);
    PWB->setObjectName(QStringLiteral("PWB") + d);
    lay->addWidget(PWB, 1);

    auto* row2 = new QHBoxLayout;
    CBLightWB = new QCheckBox(QStringLiteral("Add shallow border"), page);
    CBLightWB->setObjectName(QStringLiteral("CBLightWB") + d);
    CBHeavyWB = new QCheckBox(QStringLiteral("Add deep border"), page);
    CBHeavyWB->setObjectName(QStringLiteral("CBHeavyWB") + d);
    PB = new QProgressBar(page);
    PB->setObjectName(QStringLiteral("PB") + d);
    PB->setRange(0, 100);
    PB->setTextVisible(false);
    PB->setFixedWidth(160);
    PB->hide();
    row2->addWidget(CBLightWB);
    row2->addWidget(CBHeavyWB);
    row2->addStretch(1);
    row2->addWidget(PB);
    lay->addLayout(row2);
    return page;
}

// ---- record ---------------------------------------------------------------------------

void PaneTab::load(const PaneRecord& pane) {
    Quiet quiet(quiet_);
    const DesktopColors& desktop = main_.desktopColors();
    stopViewer();

    font_ = pane.font;
    LFont->setText(QString::fromStdString(FontToText(font_, false, desktop)));
    CBLightText->setChecked(pane.textShallowBorder);
    CBHeavyText->setChecked(pane.textDeepBorder);
    textBackground_ = NumberToColor(pane.textBackground, desktop);
    CBCtrText->setChecked(pane.centredText);

    loadedImage_ = pane.imageFile;
    EImage->setText(BytesToDisplay(pane.imageFile));
    EImage->setCursorPosition(0); // a long path shows from its start
    CBLightImage->setChecked(pane.imageShallowBorder);
    CBHeavyImage->setChecked(pane.imageDeepBorder);
    CBStretch->setChecked(pane.stretchToFit);
    imageBackground_ = NumberToColor(pane.imageBackground, desktop);

    loadedAddress_ = pane.webAddress;
    EOther->setText(BytesToDisplay(pane.webAddress));
    EOther->setCursorPosition(0);
    CBLightWB->setChecked(pane.webShallowBorder);
    CBHeavyWB->setChecked(pane.webDeepBorder);

    if (pane.content >= 0 && pane.content < PC->count()) PC->setCurrentIndex(pane.content);

    std::string text;
    for (std::size_t i = 0; i < pane.textLines.size(); ++i) {
        if (i > 0) text += '\n';
        text += pane.textLines[i];
    }
    loadedText_ = text;
    MTextEntered->setFont(ToQFont(font_));
    MTextEntered->setPlainText(BytesToDisplay(text));
    MTextEntered->moveCursor(QTextCursor::Start);

    applyColors();
    applyTextLook();
    // The previous question's picture must not reappear when "Stretch to fit" is ticked.
    ScrollBox->setImage(QImage());
    layoutImagePreview();
    ScrollBox->hide();
    if (WB) WB->hide();
    ApplyPaneBorders(PWB, CBLightWB->isChecked(), CBHeavyWB->isChecked());

    updateFieldButtons();
    EImage->setToolTip(EImage->text());
    EOther->setToolTip(EOther->text());
    highlightSubTab();
}

PaneRecord PaneTab::record() const {
    const DesktopColors& desktop = main_.desktopColors();
    PaneRecord r;
    r.content = content();
    r.font = font_;
    r.textShallowBorder = CBLightText->isChecked();
    r.textDeepBorder = CBHeavyText->isChecked();
    r.textBackground = ColorToNumber(textBackground_, desktop);
    r.centredText = CBCtrText->isChecked();
    const QString text = MTextEntered->toPlainText();
    // Split by hand: SplitLines would drop a last empty line the user typed.
    if (!text.isEmpty()) {
        const std::string bytes = DisplayToBytes(text, loadedText_);
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = bytes.find('\n', start);
            r.textLines.push_back(bytes.substr(start, end - start));
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    r.imageShallowBorder = CBLightImage->isChecked();
    r.imageDeepBorder = CBHeavyImage->isChecked();
    r.stretchToFit = CBStretch->isChecked();
    r.imageBackground = ColorToNumber(imageBackground_, desktop);
    r.imageFile = DisplayToBytes(Trimmed(EImage->text()), loadedImage_);
    r.webShallowBorder = CBLightWB->isChecked();
    r.webDeepBorder = CBHeavyWB->isChecked();
    r.webAddress = DisplayToBytes(Trimmed(EOther->text()), loadedAddress_);
    return r;
}

int PaneTab::content() const {
    return PC->currentIndex();
}

void PaneTab::showContent(int kind) {
    Quiet quiet(quiet_);
    if (kind >= 0 && kind < PC->count()) PC->setCurrentIndex(kind);
}

QWidget* PaneTab::validate(QString* message) const {
    QString text;
    QWidget* control = nullptr;
    switch (content()) {
    case TextContent:
        if (Trimmed(MTextEntered->toPlainText()).isEmpty()) {
            text = QStringLiteral("No text was specified.");
            control = MTextEntered;
        }
        break;
    case ImageContent:
        if (Trimmed(EImage->text()).isEmpty()) {
            text = QStringLiteral("No image filename was specified.");
            control = EImage;
        }
        break;
    case WebsiteContent:
        if (Trimmed(EOther->text()).isEmpty()) {
            text = QStringLiteral("No website address (or filename) was specified.");
            control = EOther;
        }
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
    ApplyPaneBorders(PImage, CBLightImage->isChecked(), CBHeavyImage->isChecked());
    ScrollBox->setBackground(toQColor(imageBackground_));
    ScrollBox->setStretch(CBStretch->isChecked());
    ScrollBox->relayout();
}

void PaneTab::stopViewer() {
    viewerInUse_ = false;
    if (WB) WB->stop();
    PB->hide();
}

void PaneTab::setTextNotificationsBlocked(bool blocked) {
    textBlocked_ = blocked;
}

// ---- text kind ----------------------------------------------------------------------------

void PaneTab::PCChange(int) {
    if (quiet_ == 0) Q_EMIT changed();
    highlightSubTab();
}

void PaneTab::BFontClick() {
    // The stored face, not the box's: the dialog keeps a face that is not installed.
    QFont font = ToQFont(font_);
    QColor color = toQColor(font_.color);
    if (!main_.prompts().chooseFontAndColor(this, QStringLiteral("Font"), font, color)) return;
    font_ = FromQFont(font, color.isValid() ? fromQColor(color) : font_.color);
    {
        Quiet quiet(quiet_);
        MTextEntered->setFont(ToQFont(font_));
        MTextEntered->moveCursor(QTextCursor::Start);
        applyColors();
    }
    LFont->setText(QString::fromStdString(FontToText(font_, false, main_.desktopColors())));
    Q_EMIT changed();
}

void PaneTab::BTextClick() {
    const QString file = main_.prompts().openFile(this, QStringLiteral("Select File"),
                                                  dialogFolder(kFileDir), ToQtFilter(kFileFilter));
    if (file.isEmpty()) return;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        showError(QStringLiteral("Cannot open file \"%1\". %2").arg(file, in.errorString()));
        return;
    }
    QByteArray bytes = in.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    QString text = BytesToDisplay(std::string_view(bytes.constData(), bytes.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // The last line end closes the last line; it starts no empty one after it.
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    {
        Quiet quiet(quiet_);
        MTextEntered->setPlainText(text);
        MTextEntered->moveCursor(QTextCursor::Start);
    }
    Q_EMIT changed();
}

void PaneTab::BSelectAllClick() {
    MTextEntered->selectAll();
    QApplication::clipboard()->setText(MTextEntered->toPlainText());
}

void PaneTab::BkColorClick(QFrame* swatch) {
    ColorValue& target = swatch == PTextBkColor ? textBackground_ : imageBackground_;
    QColor color = toQColor(target);
    {
        ColorDialogTitle title;
        if (!main_.prompts().chooseColor(this, color, CustomColors(main_.desktopColors()))) return;
    }
    target = fromQColor(color);
    applyColors();
    Q_EMIT changed();
}

bool PaneTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == EImage || watched == EOther) {
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
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == PTextBkColor || watched == LTextBkColor) {
            BkColorClick(PTextBkColor);
            return true;
        }
        if (watched == PImageBkColor || watched == LImageBkColor) {
            BkColorClick(PImageBkColor);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PaneTab::TextOptionClick(QCheckBox* source) {
    if (source == CBLightText && CBLightText->isChecked()) CBHeavyText->setChecked(false);
    if (source == CBHeavyText && CBHeavyText->isChecked()) CBLightText->setChecked(false);
    applyTextLook();
    Q_EMIT changed();
}

// Restyles the text box in place: the same box, content, font and colour, so the editor's
// pointer stays valid and nothing is copied (a copy would count as typing).
void PaneTab::applyTextLook() {
    Quiet quiet(quiet_);
    ApplyPaneBorders(PText, CBLightText->isChecked(), CBHeavyText->isChecked());
    QTextDocument* doc = MTextEntered->document();
    QTextOption option = doc->defaultTextOption();
    option.setAlignment(CBCtrText->isChecked() ? Qt::AlignHCenter : Qt::AlignLeft);
    option.setWrapMode(QTextOption::NoWrap);
    doc->setDefaultTextOption(option);
    // The box lays out against its viewport only when it knows the content is aligned.
    MTextEntered->setLineWrapMode(QTextEdit::WidgetWidth);
    MTextEntered->setLineWrapMode(QTextEdit::NoWrap);
}

void PaneTab::applyColors() {
    QPalette pal = MTextEntered->palette();
    pal.setColor(QPalette::Base, toQColor(textBackground_));
    pal.setColor(QPalette::Text, toQColor(font_.color));
    MTextEntered->setPalette(pal);
    PaintSwatch(PTextBkColor, toQColor(textBackground_));
    ScrollBox->setBackground(toQColor(imageBackground_));
    PaintSwatch(PImageBkColor, toQColor(imageBackground_));
}

// ---- image kind ---------------------------------------------------------------------------

void PaneTab::ImageOptionClick(QCheckBox* source) {
    if (source == CBStretch) ScrollBox->show();
    if (source == CBLightImage && CBLightImage->isChecked()) CBHeavyImage->setChecked(false);
    if (source == CBHeavyImage && CBHeavyImage->isChecked()) CBLightImage->setChecked(false);
    Q_EMIT changed();
    layoutImagePreview();
}

void PaneTab::ShowPictureFrom(const QString& file) {
    const PictureResult picture = LoadPicture(resolved(file));
    if (!picture.ok()) {
        showError(ErrorText(picture));
        return;
    }
    ScrollBox->setImage(picture.value());
    ImageOptionClick(CBStretch);
}

void PaneTab::BImageClick() {
    QString start = dialogFolder(kPicDir);
    const QString current = Trimmed(EImage->text());
    if (!current.isEmpty() && QFileInfo(resolved(current)).isFile()) start = resolved(current);
    const QString file = main_.prompts().openFile(this, QStringLiteral("Open Image File"), start,
                                                  ToQtFilter(PictureDialogFilter()));
    if (file.isEmpty()) return;
    if (usePicture(file)) rememberFolder(kPicDir, file);
}

bool PaneTab::usePicture(const QString& file) {
    const PictureResult picture = LoadPicture(file);
    if (!picture.ok()) {
        showError(ErrorText(picture));
        return false;
    }
    ScrollBox->setImage(picture.value());
    EImage->setText(QDir::toNativeSeparators(file));
    EImage->setCursorPosition(0);
    ImageOptionClick(CBStretch);
    return true;
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
        usePicture(target);
        return true;
    case DropKind::Page:
        if (PC->currentIndex() != 2) PC->setCurrentIndex(2);
        usePage(target);
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

void PaneTab::BDefaultImageAppClick() {
    const QString file = Trimmed(EImage->text());
    if (file.isEmpty()) return;
    // Failures are not reported: the user sees that nothing opened.
    main_.shell().openFile(resolved(file));
}

// ---- website kind -------------------------------------------------------------------------

void PaneTab::WebOptionClick(QCheckBox* source) {
    if (source == CBLightWB && CBLightWB->isChecked()) CBHeavyWB->setChecked(false);
    if (source == CBHeavyWB && CBHeavyWB->isChecked()) CBLightWB->setChecked(false);
    Q_EMIT changed();
    ApplyPaneBorders(PWB, CBLightWB->isChecked(), CBHeavyWB->isChecked());
    if (!Trimmed(EOther->text()).isEmpty()) NavigatePane(EOther->text());
}

void PaneTab::BOtherClick() {
    const QString file = main_.prompts().openFile(this, QStringLiteral("Open File"),
                                                  dialogFolder(kFileDir), ToQtFilter(kFileFilter));
    if (file.isEmpty()) return;
    rememberFolder(kFileDir, file);
    usePage(file);
}

void PaneTab::usePage(const QString& address) {
    // The path goes into the field at once: a navigation that fails or turns into a
    // download must not leave the old address to be saved.
    const bool local = !address.contains(QStringLiteral("://"));
    EOther->setText(local ? QDir::toNativeSeparators(address) : address);
    EOther->setCursorPosition(0);
    Q_EMIT changed();
    NavigatePane(address);
}

void PaneTab::HistoryClick(bool back) {
    WebViewer* view = viewer();
    view->show();
    viewerInUse_ = true;
    if (back)
        view->goBack();
    else
        view->goForward();
}

void PaneTab::BDefaultWebAppClick() {
    const ShellTargetResult target = ShellTarget(EOther->text());
    if (target.target.isEmpty()) return;
    ShellOpen& shell = main_.shell();
    // Failures are not reported: the user sees that nothing opened.
    if (target.localFile)
        shell.openFile(target.target);
    else if (!target.target.contains(QStringLiteral("://")) &&
             QFileInfo(resolved(target.target)).isFile())
        shell.openFile(resolved(target.target));
    else
        shell.openAddress(target.target);
}

void PaneTab::NavigatePane(const QString& address) {
    WebViewer* view = viewer();
    if (view->busy()) view->stop();
    view->show();
    viewerInUse_ = true;
    if (const Status started = view->navigate(ResolveWebAddress(address, main_.studyFolders()));
        !started)
        showError(ErrorText(started));
}

WebViewer* PaneTab::viewer() {
    if (WB) return WB;
    WB = main_.webViewers().create(PWB);
    WB->setObjectName(QStringLiteral("WB%1").arg(digit_));
    PWB->layout()->addWidget(WB);
    connect(WB, &WebViewer::downloadBegin, this, [this] {
        if (!viewerInUse_) return;
        PB->setValue(100);
        PB->show();
    });
    connect(WB, &WebViewer::progressChange, this, [this](int current, int maximum) {
        if (!viewerInUse_ || maximum <= 0 || maximum < current) return;
        PB->setValue(RoundHalfAway(double(current) / maximum * 100.0));
        PB->show();
    });
    connect(WB, &WebViewer::downloadComplete, PB, &QProgressBar::hide);
    connect(WB, &WebViewer::documentComplete, PB, &QProgressBar::hide);
    connect(WB, &WebViewer::navigateComplete, this, &PaneTab::ViewerNavigateComplete);
    connect(WB, &WebViewer::commandStateChange, this, [this](int command, bool enabled) {
        if (command == 2) BBack->setEnabled(enabled);
        if (command == 1) BForward->setEnabled(enabled);
    });
    return WB;
}

void PaneTab::ViewerNavigateComplete() {
    // A page of an earlier question, or of a viewer the user cannot see, writes nothing.
    if (!viewerInUse_ || !WB || WB->isHidden()) return;
    const QString location = WB->locationUrl();
    if (location != EOther->text()) {
        EOther->setText(location);
        EOther->setCursorPosition(0);
    }
}

// ---- field-change work ----------------------------------------------------------------------

void PaneTab::FieldChange(QLineEdit* field) {
    if (quiet_ > 0) return;
    updateFieldButtons();
    field->setToolTip(field->text());
    Q_EMIT changed();
    Q_EMIT fieldChanged();
}

void PaneTab::updateFieldButtons() {
    const bool image = !Trimmed(EImage->text()).isEmpty();
    BRefreshPic->setEnabled(image);
    BDefaultImageApp->setEnabled(image);
    const bool address = !Trimmed(EOther->text()).isEmpty();
    BRefresh->setEnabled(address);
    BDefaultWebApp->setEnabled(address);
}

// ---- helpers ------------------------------------------------------------------------------

QString PaneTab::resolved(const QString& path) const {
    if (path.isEmpty() || !QFileInfo(path).isRelative()) return path;
    return ResolveStudyPath(path, main_.studyFolders());
}

// The last folders chosen in this run, shared by the three panes as their one dialog would
// be; the settings store keeps them only when it is backed by a file.
namespace {
QString& RememberedFolder(const settings::RuntimeTextKey& key) {
    static QHash<QString, QString> folders;
    return folders[QString::fromLatin1(key.key)];
}
} // namespace

QString PaneTab::dialogFolder(const settings::RuntimeTextKey& key) const {
    if (const QString& chosen = RememberedFolder(key); !chosen.isEmpty()) return chosen;
    SettingsStore& s = main_.settings();
    // Before the first clean exit the stored folders are not trusted: the system's default.
    const bool firstRun = s.read(settings::AppFirstRun) != 0;
    return s.read(key, firstRun ? QString() : main_.programFolder());
}

void PaneTab::rememberFolder(const settings::RuntimeTextKey& key, const QString& file) {
    const QString folder = QFileInfo(file).absolutePath();
    RememberedFolder(key) = folder;
    main_.settings().write(key, folder);
}

void PaneTab::showError(const QString& text) {
    main_.prompts().message(this, QStringLiteral("Error"), text, Prompts::Icon::Error);
}

} // namespace brenvik
