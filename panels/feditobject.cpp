#include "panels/feditobject.h"

#include "library/objects.h"
#include "library/textcodec.h"
#include "panels/levelpanel.h"
#include "panels/validation.h"
#include "platform/prompts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace brenvik {

namespace {

// The raised-and-lowered box around the fields, filled with a shaded band.
class BandFrame : public QFrame {
public:
    BandFrame(const ProgramServices& main, QWidget* parent) : QFrame(parent), main_(main) {
        setFrameShape(QFrame::Panel);
        setFrameShadow(QFrame::Sunken);
        setLineWidth(1);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter p(this);
        PaintShadedBand(p, contentsRect(), ButtonFaceColor(main_));
        p.end();
        QFrame::paintEvent(event);
    }

private:
    const ProgramServices& main_;
};

bool IsBlank(const std::string& s) {
    for (unsigned char c : s)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
    return true;
}

void TrimBlankEnds(std::vector<std::string>& lines) {
    while (!lines.empty() && IsBlank(lines.front()))
        lines.erase(lines.begin());
    while (!lines.empty() && IsBlank(lines.back()))
        lines.pop_back();
}

} // namespace

TFormEditObject::TFormEditObject(EditorServices& main, QWidget* parent)
    : EditorFormBase(main, QStringLiteral("TFormEditObject"), parent) {
    QVBoxLayout* outer = frame().outer;
    connect(BSave, &QPushButton::clicked, this, &TFormEditObject::BSaveClick);
    connect(BCancel, &QPushButton::clicked, this, &TFormEditObject::BCancelClick);

    // Raised outside, lowered inside.
    auto* raised = new QFrame(PMain);
    raised->setFrameShape(QFrame::Panel);
    raised->setFrameShadow(QFrame::Raised);
    raised->setLineWidth(2);
    auto* raisedLayout = new QVBoxLayout(raised);
    raisedLayout->setContentsMargins(3, 3, 3, 3);
    auto* box = new BandFrame(main, raised);
    raisedLayout->addWidget(box);
    outer->addWidget(raised, 1);

    QFont descrFont(QStringLiteral("Arial"));
    descrFont.setBold(true);
    buildNameNotes(box, descrFont);

    connect(EName, &QLineEdit::textChanged, this, &TFormEditObject::ENameChange);
    connect(MNotes, &QPlainTextEdit::textChanged, this, &TFormEditObject::ENameChange);
}

void TFormEditObject::load(int level, NodeId node) {
    const LibraryTree& tree = main_.tree();
    const QString name = BytesToDisplay(tree.text(node));
    const auto descr = GetObjDescr(level);

    loading_ = true;
    level_ = level;
    LTitle->setText(QStringLiteral("Editing ") + QString::fromStdString(LowerObjName(level)) +
                    QStringLiteral(": \"") + name + QLatin1Char('"'));
    EName->setText(name);
    LDescr->setText(QString::fromStdString(descr ? descr.value() : descr.error()));
    std::vector<std::string> lines;
    LoadNotesLines(tree, node, lines);
    QStringList notes;
    for (const std::string& line : lines)
        notes << BytesToDisplay(line);
    MNotes->setPlainText(notes.join(QLatin1Char('\n')));
    loading_ = false;

    open_ = true;
    PMain->show();
    MarkUnchanged();
}

void TFormEditObject::MarkChanged() {
    changed_ = true;
    showSaveState(true);
}

void TFormEditObject::MarkUnchanged() {
    changed_ = false;
    showSaveState(false);
}

void TFormEditObject::ENameChange() {
    if (!loading_ && open_) MarkChanged();
}

bool TFormEditObject::validate() {
    if (!EName->text().trimmed().isEmpty()) return true;
    ShowValidationError(main_, main_.prompts(), QStringLiteral("No name was entered."), EName);
    // Save waits for the next change; the edits are still unsaved, so Cancel stays Cancel.
    BSave->setEnabled(false);
    return false;
}

void TFormEditObject::BSaveClick() {
    if (!open_ || !validate()) return;
    LibraryTree& tree = main_.tree();
    const NodeId n = GetObjAtLevel(tree, main_.selectedNode(), level_);
    if (n != NoNode) {
        const std::string oldName(tree.text(n));
        const std::string name = DisplayToBytes(EName->text().trimmed(), oldName);
        std::vector<std::string> oldLines;
        LoadNotesLines(tree, n, oldLines);
        std::vector<std::string> lines;
        const QStringList typed = MNotes->toPlainText().split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < typed.size(); ++i)
            lines.push_back(DisplayToBytes(typed[i], i < qsizetype(oldLines.size())
                                                         ? std::string_view(oldLines[i])
                                                         : std::string_view()));
        TrimBlankEnds(lines);
        std::vector<std::string> oldTrimmed = oldLines;
        TrimBlankEnds(oldTrimmed);
        // Saving what is already there would leave an undo step that undoes nothing.
        if (name != oldName || lines != oldTrimmed) {
            UndoScope undo(main_);
            tree.setText(n, name);
            SetNotesLines(tree, n, lines);
            undo.commit(QStringLiteral("edit ") + QString::fromStdString(LowerObjName(level_)));
        }
    }
    close();
}

void TFormEditObject::BCancelClick() {
    if (!open_) return;
    if (changed_ && main_.ConfirmBox(QStringLiteral("CANCEL CHANGES?")) != Prompts::Yes) return;
    close();
}

void TFormEditObject::close() {
    open_ = false;
    MarkUnchanged();
    PMain->hide();
    main_.editorClosed();
}

} // namespace brenvik
