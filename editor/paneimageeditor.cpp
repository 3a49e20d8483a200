#include "editor/paneimageeditor.h"

#include "library/settingskeys.h"
#include "library/textcodec.h"
#include "platform/desktopcolors.h"
#include "platform/picture.h"
#include "platform/prompts.h"
#include "platform/shellopen.h"
#include "seams/programservices.h"
#include "study/panewidgets.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace brenvik {

PaneImageEditor::PaneImageEditor(PaneServices& main, int digit, QWidget* header)
    : PaneSubEditor(main, digit, header) {
    const QString d = digitText();
    QVBoxLayout* lay = pageLayout();

    auto* row1 = new QHBoxLayout;
    EImage = new QLineEdit(this);
    EImage->setObjectName(QStringLiteral("EImage") + d);
    BImage = new QPushButton(QStringLiteral("Browse..."), this);
    BImage->setObjectName(QStringLiteral("BImage") + d);
    BImage->setToolTip(QStringLiteral("Open image file"));
    BRefreshPic = NewToolButton(this, QStyle::SP_BrowserReload, QStringLiteral("Reload"),
                                QStringLiteral("Reload"));
    BRefreshPic->setObjectName(QStringLiteral("BRefreshPic") + d);
    BDefaultImageApp = NewToolButton(this, QStyle::SP_DialogOpenButton, QStringLiteral("Open"),
                                     QStringLiteral("Open into default viewer-app"));
    BDefaultImageApp->setObjectName(QStringLiteral("BDefaultImageApp") + d);
    row1->addWidget(EImage, 1);
    row1->addWidget(BImage);
    row1->addWidget(BRefreshPic);
    row1->addWidget(BDefaultImageApp);
    lay->addLayout(row1);

    PImage = NewPaneFrame(this);
    PImage->setObjectName(QStringLiteral("PImage") + d);
    ScrollBox = new PictureView(PImage);
    ScrollBox->setObjectName(QStringLiteral("ScrollBox") + d);
    PImage->layout()->addWidget(ScrollBox);
    lay->addWidget(PImage, 1);

    QHBoxLayout* row2 = backgroundRow(QStringLiteral("PImage%1BkColor").arg(d));
    PImageBkColor = backgroundSwatch();
    CBLightImage = new QCheckBox(QStringLiteral("Shallow border"), this);
    CBLightImage->setObjectName(QStringLiteral("CBLightImage") + d);
    CBHeavyImage = new QCheckBox(QStringLiteral("Deep border"), this);
    CBHeavyImage->setObjectName(QStringLiteral("CBHeavyImage") + d);
    CBStretch = new QCheckBox(QStringLiteral("Stretch to fit"), this);
    CBStretch->setObjectName(QStringLiteral("CBStretch") + d);
    row2->addWidget(CBLightImage);
    row2->addWidget(CBHeavyImage);
    row2->addWidget(CBStretch);
    row2->addStretch(1);
    lay->addLayout(row2);

    for (QCheckBox* cb : {CBLightImage, CBHeavyImage, CBStretch})
        connect(cb, &QCheckBox::clicked, this, [this, cb] { OptionClick(cb); });
    watchField(EImage, {BRefreshPic, BDefaultImageApp});
    // returnPressed comes with the key press: the Enter that closes an error box is released
    // over the field and must not start the same failing load again.
    connect(EImage, &QLineEdit::returnPressed, this, [this] { ShowPictureFrom(EImage->text()); });
    connect(BRefreshPic, &QToolButton::clicked, this, [this] { ShowPictureFrom(EImage->text()); });
    connect(BImage, &QPushButton::clicked, this, &PaneImageEditor::BImageClick);
    connect(BDefaultImageApp, &QToolButton::clicked, this, &PaneImageEditor::BDefaultImageAppClick);
}

void PaneImageEditor::load(const PaneRecord& pane) {
    QuietScope hush(quiet_);
    loaded_ = pane.imageFile;
    EImage->setText(BytesToDisplay(pane.imageFile));
    EImage->setCursorPosition(0); // a long path shows from its start
    CBLightImage->setChecked(pane.imageShallowBorder);
    CBHeavyImage->setChecked(pane.imageDeepBorder);
    CBStretch->setChecked(pane.stretchToFit);
    background_ = NumberToColor(pane.imageBackground, main_.desktopColors());
    applyColors();
    // The previous question's picture must not reappear when "Stretch to fit" is ticked.
    ScrollBox->setImage(QImage());
    layoutPreview();
    ScrollBox->hide();
    showFieldState();
}

void PaneImageEditor::fill(PaneRecord& r) const {
    r.imageShallowBorder = CBLightImage->isChecked();
    r.imageDeepBorder = CBHeavyImage->isChecked();
    r.stretchToFit = CBStretch->isChecked();
    r.imageBackground = ColorToNumber(background_, main_.desktopColors());
    r.imageFile = DisplayToBytes(TrimmedField(EImage->text()), loaded_);
}

QWidget* PaneImageEditor::validate(QString& message) const {
    if (!TrimmedField(EImage->text()).isEmpty()) return nullptr;
    message = QStringLiteral("No image filename was specified.");
    return EImage;
}

void PaneImageEditor::layoutPreview() {
    ApplyPaneBorders(PImage, CBLightImage->isChecked(), CBHeavyImage->isChecked());
    ScrollBox->setBackground(toQColor(background_));
    ScrollBox->setStretch(CBStretch->isChecked());
    ScrollBox->relayout();
}

void PaneImageEditor::applyColors() {
    ScrollBox->setBackground(toQColor(background_));
    PaintSwatch(PImageBkColor, toQColor(background_));
}

void PaneImageEditor::OptionClick(QCheckBox* source) {
    if (source == CBStretch) ScrollBox->show();
    if (source == CBLightImage && CBLightImage->isChecked()) CBHeavyImage->setChecked(false);
    if (source == CBHeavyImage && CBHeavyImage->isChecked()) CBLightImage->setChecked(false);
    Q_EMIT changed();
    layoutPreview();
}

void PaneImageEditor::ShowPictureFrom(const QString& file) {
    const PictureResult picture = LoadPicture(resolved(file));
    if (!picture.ok()) {
        showError(ErrorText(picture));
        return;
    }
    ScrollBox->setImage(picture.value());
    OptionClick(CBStretch);
}

void PaneImageEditor::BImageClick() {
    QString start = dialogFolder(settings::QuestionPicDir);
    const QString current = TrimmedField(EImage->text());
    if (!current.isEmpty() && QFileInfo(resolved(current)).isFile()) start = resolved(current);
    const QString file = main_.prompts().openFile(this, QStringLiteral("Open Image File"), start,
                                                  ToQtFilter(PictureDialogFilter()));
    if (file.isEmpty()) return;
    if (usePicture(file)) rememberFolder(settings::QuestionPicDir, file);
}

bool PaneImageEditor::usePicture(const QString& file) {
    const PictureResult picture = LoadPicture(file);
    if (!picture.ok()) {
        showError(ErrorText(picture));
        return false;
    }
    ScrollBox->setImage(picture.value());
    EImage->setText(QDir::toNativeSeparators(file));
    EImage->setCursorPosition(0);
    OptionClick(CBStretch);
    return true;
}

void PaneImageEditor::BDefaultImageAppClick() {
    const QString file = TrimmedField(EImage->text());
    if (file.isEmpty()) return;
    // Failures are not reported: the user sees that nothing opened.
    main_.shell().openFile(resolved(file));
}

} // namespace brenvik
