#include "editor/panetexteditor.h"

#include "library/fonttext.h"
#include "library/settingskeys.h"
#include "library/textcodec.h"
#include "platform/desktopcolors.h"
#include "platform/prompts.h"
#include "seams/programservices.h"
#include "study/panewidgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace brenvik {

PaneTextEditor::PaneTextEditor(PaneServices& main, int digit, QWidget* header)
    : PaneSubEditor(main, digit, header) {
    font_ = PaneRecord::newRecord(main_.desktopColors()).font;
    background_ = NumberToColor(-1, main_.desktopColors());
    const QString d = digitText();
    QVBoxLayout* lay = pageLayout();

    PText = NewPaneFrame(this);
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
    BFont = new QPushButton(QStringLiteral("Font..."), this);
    BFont->setObjectName(QStringLiteral("BFont") + d);
    BFont->setToolTip(QStringLiteral("Change font"));
    LFont = new QLabel(this);
    LFont->setObjectName(QStringLiteral("LFont") + d);
    BText = new QPushButton(QStringLiteral(" Import..."), this);
    BText->setObjectName(QStringLiteral("BText") + d);
    BText->setToolTip(QStringLiteral("Import text"));
    BSelectAll = new QPushButton(QStringLiteral("   Copy all"), this);
    BSelectAll->setObjectName(QStringLiteral("BSelectAll") + d);
    BSelectAll->setToolTip(QStringLiteral("Copy text to clipboard"));
    row1->addWidget(BFont);
    row1->addWidget(LFont, 1);
    row1->addWidget(BText);
    row1->addWidget(BSelectAll);
    lay->addLayout(row1);

    QHBoxLayout* row2 = backgroundRow(QStringLiteral("PText%1BkColor").arg(d));
    PTextBkColor = backgroundSwatch();
    CBLightText = new QCheckBox(QStringLiteral("Shallow border"), this);
    CBLightText->setObjectName(QStringLiteral("CBLightText") + d);
    CBHeavyText = new QCheckBox(QStringLiteral("Deep border"), this);
    CBHeavyText->setObjectName(QStringLiteral("CBHeavyText") + d);
    CBCtrText = new QCheckBox(QStringLiteral("Centered text"), this);
    CBCtrText->setObjectName(QStringLiteral("CBCtrText") + d);
    row2->addWidget(CBLightText);
    row2->addWidget(CBHeavyText);
    row2->addWidget(CBCtrText);
    row2->addStretch(1);
    lay->addLayout(row2);

    connect(BFont, &QPushButton::clicked, this, &PaneTextEditor::BFontClick);
    connect(BText, &QPushButton::clicked, this, &PaneTextEditor::BTextClick);
    connect(BSelectAll, &QPushButton::clicked, this, &PaneTextEditor::BSelectAllClick);
    for (QCheckBox* cb : {CBLightText, CBHeavyText, CBCtrText})
        connect(cb, &QCheckBox::clicked, this, [this, cb] { OptionClick(cb); });
    connect(MTextEntered, &QTextEdit::textChanged, this, [this] {
        if (!quiet() && !blocked_) Q_EMIT changed();
    });
}

void PaneTextEditor::load(const PaneRecord& pane) {
    QuietScope hush(quiet_);
    font_ = pane.font;
    LFont->setText(QString::fromStdString(FontToText(font_, false, main_.desktopColors())));
    CBLightText->setChecked(pane.textShallowBorder);
    CBHeavyText->setChecked(pane.textDeepBorder);
    background_ = NumberToColor(pane.textBackground, main_.desktopColors());
    CBCtrText->setChecked(pane.centredText);

    std::string text;
    for (std::size_t i = 0; i < pane.textLines.size(); ++i) {
        if (i > 0) text += '\n';
        text += pane.textLines[i];
    }
    loaded_ = text;
    MTextEntered->setFont(ToQFont(font_));
    MTextEntered->setPlainText(BytesToDisplay(text));
    MTextEntered->moveCursor(QTextCursor::Start);
    applyColors();
    applyLook();
}

void PaneTextEditor::fill(PaneRecord& r) const {
    r.font = font_;
    r.textShallowBorder = CBLightText->isChecked();
    r.textDeepBorder = CBHeavyText->isChecked();
    r.textBackground = ColorToNumber(background_, main_.desktopColors());
    r.centredText = CBCtrText->isChecked();
    const QString text = MTextEntered->toPlainText();
    // Split by hand: SplitLines would drop a last empty line the user typed.
    if (!text.isEmpty()) {
        const std::string bytes = DisplayToBytes(text, loaded_);
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = bytes.find('\n', start);
            r.textLines.push_back(bytes.substr(start, end - start));
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
}

QWidget* PaneTextEditor::validate(QString& message) const {
    if (!TrimmedField(MTextEntered->toPlainText()).isEmpty()) return nullptr;
    message = QStringLiteral("No text was specified.");
    return MTextEntered;
}

void PaneTextEditor::BFontClick() {
    // The stored face, not the box's: the dialog keeps a face that is not installed.
    QFont font = ToQFont(font_);
    QColor color = toQColor(font_.color);
    if (!main_.prompts().chooseFontAndColor(this, QStringLiteral("Font"), font, color)) return;
    font_ = FromQFont(font, color.isValid() ? fromQColor(color) : font_.color);
    {
        QuietScope hush(quiet_);
        MTextEntered->setFont(ToQFont(font_));
        MTextEntered->moveCursor(QTextCursor::Start);
        applyColors();
    }
    LFont->setText(QString::fromStdString(FontToText(font_, false, main_.desktopColors())));
    Q_EMIT changed();
}

void PaneTextEditor::BTextClick() {
    const QString file = main_.prompts().openFile(this, QStringLiteral("Select File"),
                                                  dialogFolder(settings::QuestionFileDir),
                                                  ToQtFilter(kPaneFileFilter));
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
        QuietScope hush(quiet_);
        MTextEntered->setPlainText(text);
        MTextEntered->moveCursor(QTextCursor::Start);
    }
    Q_EMIT changed();
}

void PaneTextEditor::BSelectAllClick() {
    MTextEntered->selectAll();
    QApplication::clipboard()->setText(MTextEntered->toPlainText());
}

void PaneTextEditor::OptionClick(QCheckBox* source) {
    if (source == CBLightText && CBLightText->isChecked()) CBHeavyText->setChecked(false);
    if (source == CBHeavyText && CBHeavyText->isChecked()) CBLightText->setChecked(false);
    applyLook();
    Q_EMIT changed();
}

// Restyles the text box in place: the same box, content, font and colour, so the editor's
// pointer stays valid and nothing is copied (a copy would count as typing).
void PaneTextEditor::applyLook() {
    QuietScope hush(quiet_);
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

void PaneTextEditor::applyColors() {
    QPalette pal = MTextEntered->palette();
    pal.setColor(QPalette::Base, toQColor(background_));
    pal.setColor(QPalette::Text, toQColor(font_.color));
    MTextEntered->setPalette(pal);
    PaintSwatch(PTextBkColor, toQColor(background_));
}

} // namespace brenvik
