#include "editor/panewebsiteeditor.h"

#include "library/settingskeys.h"
#include "library/textcodec.h"
#include "platform/prompts.h"
#include "platform/shellopen.h"
#include "platform/webviewer.h"
#include "seams/programservices.h"
#include "study/core/mymath.h"
#include "study/core/shelltarget.h"
#include "study/core/studyfiles.h"
#include "study/panewidgets.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace brenvik {

PaneWebsiteEditor::PaneWebsiteEditor(PaneServices& main, int digit, QWidget* header)
    : PaneSubEditor(main, digit, header) {
    const QString d = digitText();
    QVBoxLayout* lay = pageLayout();

    auto* row1 = new QHBoxLayout;
    EOther = new QLineEdit(this);
    EOther->setObjectName(QStringLiteral("EOther") + d);
    BOther = new QPushButton(QStringLiteral("Browse..."), this);
    BOther->setObjectName(QStringLiteral("BOther") + d);
    BOther->setToolTip(QStringLiteral("Open file"));
    BBack =
        NewToolButton(this, QStyle::SP_ArrowBack, QStringLiteral("Back"), QStringLiteral("Back"));
    BBack->setObjectName(QStringLiteral("BBack") + d);
    BForward = NewToolButton(this, QStyle::SP_ArrowForward, QStringLiteral("Forward"),
                             QStringLiteral("Forward"));
    BForward->setObjectName(QStringLiteral("BForward") + d);
    BRefresh = NewToolButton(this, QStyle::SP_BrowserReload, QStringLiteral("Reload"),
                             QStringLiteral("Reload"));
    BRefresh->setObjectName(QStringLiteral("BRefresh") + d);
    BDefaultWebApp = NewToolButton(this, QStyle::SP_DialogOpenButton, QStringLiteral("Open"),
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

    PWB = NewPaneFrame(this);
    PWB->setObjectName(QStringLiteral("PWB") + d);
    lay->addWidget(PWB, 1);

    auto* row2 = new QHBoxLayout;
    CBLightWB = new QCheckBox(QStringLiteral("Add shallow border"), this);
    CBLightWB->setObjectName(QStringLiteral("CBLightWB") + d);
    CBHeavyWB = new QCheckBox(QStringLiteral("Add deep border"), this);
    CBHeavyWB->setObjectName(QStringLiteral("CBHeavyWB") + d);
    PB = new QProgressBar(this);
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

    for (QCheckBox* cb : {CBLightWB, CBHeavyWB})
        connect(cb, &QCheckBox::clicked, this, [this, cb] { OptionClick(cb); });
    watchField(EOther, {BRefresh, BDefaultWebApp});
    connect(EOther, &QLineEdit::returnPressed, this, [this] { NavigatePane(EOther->text()); });
    connect(BRefresh, &QToolButton::clicked, this, [this] { NavigatePane(EOther->text()); });
    connect(BOther, &QPushButton::clicked, this, &PaneWebsiteEditor::BOtherClick);
    connect(BBack, &QToolButton::clicked, this, [this] { HistoryClick(true); });
    connect(BForward, &QToolButton::clicked, this, [this] { HistoryClick(false); });
    connect(BDefaultWebApp, &QToolButton::clicked, this, &PaneWebsiteEditor::BDefaultWebAppClick);
}

void PaneWebsiteEditor::load(const PaneRecord& pane) {
    QuietScope hush(quiet_);
    loaded_ = pane.webAddress;
    EOther->setText(BytesToDisplay(pane.webAddress));
    EOther->setCursorPosition(0);
    CBLightWB->setChecked(pane.webShallowBorder);
    CBHeavyWB->setChecked(pane.webDeepBorder);
    if (WB) WB->hide();
    ApplyPaneBorders(PWB, CBLightWB->isChecked(), CBHeavyWB->isChecked());
    showFieldState();
}

void PaneWebsiteEditor::fill(PaneRecord& r) const {
    r.webShallowBorder = CBLightWB->isChecked();
    r.webDeepBorder = CBHeavyWB->isChecked();
    r.webAddress = DisplayToBytes(TrimmedField(EOther->text()), loaded_);
}

QWidget* PaneWebsiteEditor::validate(QString& message) const {
    if (!TrimmedField(EOther->text()).isEmpty()) return nullptr;
    message = QStringLiteral("No website address (or filename) was specified.");
    return EOther;
}

void PaneWebsiteEditor::stopViewer() {
    viewerInUse_ = false;
    if (WB) WB->stop();
    PB->hide();
}

void PaneWebsiteEditor::OptionClick(QCheckBox* source) {
    if (source == CBLightWB && CBLightWB->isChecked()) CBHeavyWB->setChecked(false);
    if (source == CBHeavyWB && CBHeavyWB->isChecked()) CBLightWB->setChecked(false);
    Q_EMIT changed();
    ApplyPaneBorders(PWB, CBLightWB->isChecked(), CBHeavyWB->isChecked());
    if (!TrimmedField(EOther->text()).isEmpty()) NavigatePane(EOther->text());
}

void PaneWebsiteEditor::BOtherClick() {
    const QString file = main_.prompts().openFile(this, QStringLiteral("Open File"),
                                                  dialogFolder(settings::QuestionFileDir),
                                                  ToQtFilter(kPaneFileFilter));
    if (file.isEmpty()) return;
    rememberFolder(settings::QuestionFileDir, file);
    usePage(file);
}

void PaneWebsiteEditor::usePage(const QString& address) {
    // The path goes into the field at once: a navigation that fails or turns into a
    // download must not leave the old address to be saved.
    const bool local = !address.contains(QStringLiteral("://"));
    EOther->setText(local ? QDir::toNativeSeparators(address) : address);
    EOther->setCursorPosition(0);
    Q_EMIT changed();
    NavigatePane(address);
}

void PaneWebsiteEditor::HistoryClick(bool back) {
    WebViewer* view = viewer();
    view->show();
    viewerInUse_ = true;
    if (back)
        view->goBack();
    else
        view->goForward();
}

void PaneWebsiteEditor::BDefaultWebAppClick() {
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

void PaneWebsiteEditor::NavigatePane(const QString& address) {
    WebViewer* view = viewer();
    if (view->busy()) view->stop();
    view->show();
    viewerInUse_ = true;
    if (const Status started = view->navigate(ResolveWebAddress(address, main_.studyFolders()));
        !started)
        showError(ErrorText(started));
}

WebViewer* PaneWebsiteEditor::viewer() {
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
    connect(WB, &WebViewer::navigateComplete, this, &PaneWebsiteEditor::ViewerNavigateComplete);
    connect(WB, &WebViewer::commandStateChange, this, [this](int command, bool enabled) {
        if (command == 2) BBack->setEnabled(enabled);
        if (command == 1) BForward->setEnabled(enabled);
    });
    return WB;
}

void PaneWebsiteEditor::ViewerNavigateComplete() {
    // A page of an earlier question, or of a viewer the user cannot see, writes nothing.
    if (!viewerInUse_ || !WB || WB->isHidden()) return;
    const QString location = WB->locationUrl();
    if (location != EOther->text()) {
        EOther->setText(location);
        EOther->setCursorPosition(0);
    }
}

} // namespace brenvik
