#include "panels/faboutbox.h"

#include "panels/levelpanel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace brenvik {

namespace {

// The box's panel: a light grey face with a raised outer and a lowered inner edge.
class BevelPanel : public QFrame {
public:
    explicit BevelPanel(QWidget* parent) : QFrame(parent) {
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, QColor(239, 239, 233));
        pal.setColor(QPalette::WindowText, QColor(24, 24, 24));
        setPalette(pal);
        setFrameStyle(QFrame::Panel | QFrame::Raised);
        setLineWidth(1);
        auto* inner = new QFrame(this);
        inner->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        inner->setLineWidth(1);
        inner_ = inner;
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QFrame::resizeEvent(event);
        inner_->setGeometry(rect().adjusted(3, 3, -3, -3));
        inner_->lower();
    }

private:
    QFrame* inner_ = nullptr;
};

} // namespace

QString TAboutBox::licenceText() {
    return QStringLiteral("Free software: GPL-3.0-or-later");
}

QString TAboutBox::description() {
    return QStringLiteral("Builds libraries of questions and answers, then imprints, flashes "
                          "and reviews them aloud.");
}

TAboutBox::TAboutBox(const QString& folder, const QString& computer, const QString& user,
                     QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setModal(false);

    panel_ = new BevelPanel(this);
    panel_->setGeometry(8, 8, kClientWidth - 16, kShortHeight - 16);

    programIcon_ = new QLabel(panel_);
    programIcon_->setObjectName(QStringLiteral("ProgramIcon"));
    programIcon_->setGeometry(14, 14, 76, 76);
    programIcon_->setAlignment(Qt::AlignCenter);
    programIcon_->setAttribute(Qt::WA_TranslucentBackground);
    // A missing, cut-off or otherwise damaged picture leaves the place empty.
    const QImage picture = LoadPanelPicture(folder, QStringLiteral("GEARWHL2.bmp"));
    if (!picture.isNull())
        programIcon_->setPixmap(QPixmap::fromImage(picture).scaled(
            programIcon_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));

    const int textLeft = 102;
    const int textWidth = panel_->width() - textLeft - 10;

    productName_ = new QLabel(applicationTitle() + QLatin1Char(' ') + versionText(), panel_);
    productName_->setObjectName(QStringLiteral("ProductName"));
    QFont titleFont(QStringLiteral("Arial"), 13, QFont::Bold);
    productName_->setFont(titleFont);
    productName_->setGeometry(textLeft, 27, textWidth, 22);

    maker_ = new QLabel(QStringLiteral("A study program by ") + makerName(), panel_);
    maker_->setObjectName(QStringLiteral("Version"));
    maker_->setGeometry(textLeft, 50, textWidth, 17);

    address_ = new QLabel(panel_);
    address_->setObjectName(QStringLiteral("LAddress"));
    address_->setTextFormat(Qt::RichText);
    address_->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(makerAddress().toHtmlEscaped()));
    address_->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    address_->setOpenExternalLinks(false);
    address_->setCursor(Qt::PointingHandCursor);
    address_->setGeometry(textLeft, 68, textWidth, 17);
    address_->setToolTip(QStringLiteral("Visit ") + makerName() + QStringLiteral(" online"));
    connect(address_, &QLabel::linkActivated, this, &TAboutBox::addressActivated);

    names_ = new QLabel(panel_);
    names_->setObjectName(QStringLiteral("LNames"));
    // The same stand-ins as the root caption when the system gives no names.
    const QString who = user.trimmed().isEmpty() ? QStringLiteral("Current user") : user.trimmed();
    const QString where =
        computer.trimmed().isEmpty() ? QStringLiteral("Local computer") : computer.trimmed();
    names_->setText(QStringLiteral("For ") + who + QStringLiteral(" on ") + where);
    names_->setGeometry(textLeft, 86, textWidth, 17);
    QPalette dim = names_->palette();
    dim.setColor(QPalette::WindowText, QColor(90, 90, 90));
    names_->setPalette(dim);

    comments_ = new QLabel(panel_);
    comments_->setObjectName(QStringLiteral("Comments"));
    comments_->setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));
    comments_->setAlignment(Qt::AlignCenter);
    comments_->setWordWrap(true);
    comments_->setGeometry(12, 110, panel_->width() - 24, 38);

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("OKButton"));
    okButton_->setDefault(true);
    okButton_->setGeometry((kClientWidth - 80) / 2, kShortHeight + 4, 80, 26);
    licence_ = new QLabel(licenceText(), this);
    licence_->setObjectName(QStringLiteral("LLicence"));
    licence_->setGeometry(okButton_->geometry().right() + 8, kShortHeight + 4,
                          kClientWidth - okButton_->geometry().right() - 16, 26);
    licence_->setWordWrap(true);
    licence_->setToolTip(QStringLiteral("The GNU General Public License, version 3 or any later "
                                        "version; see /usr/share/doc/brenvik/copyright"));
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

    setRole(Role::Splash);
}

TAboutBox::~TAboutBox() {
    popWaitCursor();
}

void TAboutBox::setRole(Role role) {
    role_ = role;
    switch (role) {
    case Role::Splash:
        setWindowTitle(QStringLiteral("Welcome"));
        setFixedSize(kClientWidth, kShortHeight);
        setCursor(Qt::WaitCursor);
        break;
    case Role::About:
        setWindowTitle(QStringLiteral("About ") + applicationTitle());
        setFixedSize(kClientWidth, kAboutHeight);
        unsetCursor();
        break;
    case Role::Farewell:
        setWindowTitle(QStringLiteral("Bye"));
        setFixedSize(kClientWidth, kShortHeight);
        setCursor(Qt::WaitCursor);
        break;
    }
    okButton_->setVisible(role == Role::About);
    licence_->setVisible(role == Role::About);
}

void TAboutBox::setComments(const QString& text) {
    comments_->setText(text);
}

QString TAboutBox::comments() const {
    return comments_->text();
}

bool TAboutBox::hasPicture() const {
    return !programIcon_->pixmap().isNull();
}

void TAboutBox::showSplash() {
    setRole(Role::Splash);
    setComments(QStringLiteral("Getting ready, one moment please..."));
    pushWaitCursor();
    showNow();
}

void TAboutBox::endSplash() {
    hide();
    popWaitCursor();
    setRole(Role::About);
}

int TAboutBox::execAbout() {
    setRole(Role::About);
    setComments(description());
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    return exec();
}

void TAboutBox::showFarewell() {
    setRole(Role::Farewell);
    setComments(QStringLiteral("Thank you for studying with ") + applicationTitle() +
                QLatin1Char('.'));
    pushWaitCursor();
    showNow();
}

void TAboutBox::showFarewellThen(int ms, std::function<void()> then) {
    showFarewell();
    QTimer::singleShot(ms, this, [this, then = std::move(then)] {
        hide();
        popWaitCursor();
        if (then) then();
    });
}

void TAboutBox::showNow() {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    show();
    raise();
    repaint();
}

void TAboutBox::pushWaitCursor() {
    if (waitCursor_) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    waitCursor_ = true;
}

void TAboutBox::popWaitCursor() {
    if (!waitCursor_) return;
    QApplication::restoreOverrideCursor();
    waitCursor_ = false;
}

void TAboutBox::addressActivated(const QString& link) {
    if (addressHandler_) addressHandler_(link);
}

void TAboutBox::keyPressEvent(QKeyEvent* event) {
    // Only the About window may be dismissed from the keyboard.
    if (role_ != Role::About && (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
                                 event->key() == Qt::Key_Enter)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TAboutBox::closeEvent(QCloseEvent* event) {
    if (role_ != Role::About) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace brenvik
