#include "panels/editorbase.h"

#include "panels/levelpanel.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace brenvik {

EditorFormBase::EditorFormBase(EditorServices& main, const QString& objectName, QWidget* parent)
    : QWidget(parent), main_(main) {
    setObjectName(objectName);
    frame_ = BuildEditorFrame(this, main.programFolder());
    Image5 = frame_.panel;
    PMain = Image5;
    LTitle = frame_.title;
    BSave = frame_.save;
    BCancel = frame_.cancel;
}

void EditorFormBase::showSaveState(bool changed) {
    BSave->setEnabled(changed);
    BCancel->setText(changed ? QStringLiteral("Cancel") : QStringLiteral("Close"));
    BCancel->setToolTip(changed ? QStringLiteral("Cancel changes") : QString());
}

void EditorFormBase::buildNameNotes(QWidget* box, const QFont& descrFont) {
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(16, 14, 16, 16);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(10);

    LDescr = new QLabel(box);
    LDescr->setWordWrap(true);
    LDescr->setTextFormat(Qt::PlainText);
    LDescr->setFont(descrFont);
    SetFixedInk(LDescr, QColor(0, 0, 128));
    grid->addWidget(LDescr, 0, 0, 1, 2);

    auto* nameLabel = new QLabel(QStringLiteral("Name:"), box);
    EName = new QLineEdit(box);
    nameLabel->setBuddy(EName);
    grid->addWidget(nameLabel, 1, 0);
    grid->addWidget(EName, 1, 1);

    auto* notesLabel = new QLabel(QStringLiteral("Notes:"), box);
    notesLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    MNotes = new QPlainTextEdit(box);
    MNotes->setLineWrapMode(QPlainTextEdit::NoWrap);
    MNotes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MNotes->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    notesLabel->setBuddy(MNotes);
    grid->addWidget(notesLabel, 2, 0);
    grid->addWidget(MNotes, 2, 1);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(1, 1);
}

} // namespace brenvik
