#include "mainwindow/fimport.h"

#include "library/librarytree.h"
#include "library/objects.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace brenvik {

namespace {

constexpr int kPreviewRows = 50;
const char kReversedType[] = "Basic (and reversed card)";
// CBNotes's data for its two choices that are no column.
constexpr int kNotesOtherFields = -1;
constexpr int kNotesNone = -2;

QString utf8(const std::string& s) {
    return QString::fromStdString(s);
}

QString joinedLines(const std::vector<std::string>& lines) {
    QStringList out;
    for (const std::string& l : lines)
        out << utf8(l);
    return out.join(QLatin1Char('\n'));
}

QComboBox* choiceBox(const char* name, const QList<std::pair<QString, QVariant>>& items) {
    auto* box = new QComboBox;
    box->setObjectName(QString::fromLatin1(name));
    for (const auto& [text, data] : items)
        box->addItem(text, data);
    return box;
}

QLabel* label(const char* name, const QString& text = {}) {
    auto* l = new QLabel(text);
    l->setObjectName(QString::fromLatin1(name));
    l->setWordWrap(true);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

// Every note of the list is to be added reversed as well, by its note type.
bool allReversed(const NoteList& list) {
    if (list.notes.empty()) return false;
    for (const ImportNote& n : list.notes)
        if (!n.reversed && n.notetype != kReversedType) return false;
    return true;
}

bool anyMarkedReversed(const NoteList& list) {
    for (const ImportNote& n : list.notes)
        if (n.reversed) return true;
    return false;
}

} // namespace

TFormImport::TFormImport(std::shared_ptr<const ImportSource> source, const LibraryTree& tree,
                         NodeId target, bool libraryHasFile, QWidget* parent)
    : QDialog(parent), source_(std::move(source)), tree_(tree), target_(target),
      libraryHasFile_(libraryHasFile) {
    setObjectName(QStringLiteral("FormImport"));
    setWindowTitle(QStringLiteral("Import ") + QFileInfo(source_->path()).fileName());
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    readOptionChanged();
    resize(1240, 680);
}

void TFormImport::buildControls() {
    auto* top = new QVBoxLayout(this);

    LFormat = label("LFormat");
    top->addWidget(LFormat);

    auto* reading = new QGroupBox(QStringLiteral("How the file is read"));
    reading->setObjectName(QStringLiteral("GBReading"));
    auto* readForm = new QFormLayout(reading);
    const QVariant any = int(Choice::Auto);
    CBFormat = choiceBox("CBFormat", {{QStringLiteral("Automatic"), int(TextFormat::Auto)},
                                      {QStringLiteral("Anki text"), int(TextFormat::AnkiText)},
                                      {QStringLiteral("CSV"), int(TextFormat::Csv)},
                                      {QStringLiteral("Quizlet"), int(TextFormat::Quizlet)},
                                      {QStringLiteral("Mnemosyne"), int(TextFormat::Mnemosyne)}});
    CBSeparator =
        choiceBox("CBSeparator", {{QStringLiteral("Automatic"), QString()},
                                  {QStringLiteral("Tab"), QStringLiteral("tab")},
                                  {QStringLiteral("Comma"), QStringLiteral("comma")},
                                  {QStringLiteral("Semicolon"), QStringLiteral("semicolon")},
                                  {QStringLiteral("Pipe"), QStringLiteral("pipe")},
                                  {QStringLiteral("Colon"), QStringLiteral("colon")},
                                  {QStringLiteral("Space"), QStringLiteral("space")}});
    // Any other single character can be typed in.
    CBSeparator->setEditable(true);
    CBSeparator->setInsertPolicy(QComboBox::NoInsert);
    CBQuoting = choiceBox(
        "CBQuoting",
        {{QStringLiteral("Automatic"), int(Quoting::Auto)},
         {QStringLiteral("Double quotes: a quoted field may hold separators and line breaks"),
          int(Quoting::Quotes)},
         {QStringLiteral("None: quotes are part of the text"), int(Quoting::None)}});
    CBHtml = choiceBox("CBHtml",
                       {{QStringLiteral("Automatic"), any},
                        {QStringLiteral("Yes: tags and entities are converted"), int(Choice::Yes)},
                        {QStringLiteral("No: plain text"), int(Choice::No)}});
    CBHeaderRow = choiceBox("CBHeaderRow", {{QStringLiteral("Automatic"), any},
                                            {QStringLiteral("Yes"), int(Choice::Yes)},
                                            {QStringLiteral("No"), int(Choice::No)}});
    LHeaderLines = label("LHeaderLines");
    readForm->addRow(QStringLiteral("&Format:"), CBFormat);
    readForm->addRow(QStringLiteral("&Separator:"), CBSeparator);
    readForm->addRow(QStringLiteral("&Quoting:"), CBQuoting);
    readForm->addRow(QStringLiteral("Fields are &HTML:"), CBHtml);
    readForm->addRow(QStringLiteral("First &row names the columns:"), CBHeaderRow);
    readForm->addRow(QStringLiteral("Header lines:"), LHeaderLines);

    auto* fields = new QGroupBox(QStringLiteral("What the fields become"));
    fields->setObjectName(QStringLiteral("GBFields"));
    auto* fieldForm = new QFormLayout(fields);
    CBQuestion = choiceBox("CBQuestion", {});
    CBAnswer = choiceBox("CBAnswer", {});
    CBNotes = choiceBox("CBNotes", {});
    CBReversed = new QCheckBox(QStringLiteral("Also add each question &reversed "
                                              "(the answer as the question)"));
    CBReversed->setObjectName(QStringLiteral("CBReversed"));
    fieldForm->addRow(QStringLiteral("Q&uestion:"), CBQuestion);
    fieldForm->addRow(QStringLiteral("&Answer:"), CBAnswer);
    fieldForm->addRow(QStringLiteral("&Notes:"), CBNotes);
    fieldForm->addRow(CBReversed);
    LTarget = label("LTarget");
    fieldForm->addRow(QStringLiteral("Goes:"), LTarget);

    auto* options = new QHBoxLayout;
    options->addWidget(reading, 1);
    options->addWidget(fields, 1);
    top->addLayout(options);

    TPreview = new QTableWidget(0, 6);
    TPreview->setObjectName(QStringLiteral("TPreview"));
    TPreview->setHorizontalHeaderLabels({QStringLiteral("Question"), QStringLiteral("Answer"),
                                         QStringLiteral("Notes"), QStringLiteral("Picture"),
                                         QStringLiteral("Tags"), QStringLiteral("Goes into")});
    TPreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TPreview->setSelectionBehavior(QAbstractItemView::SelectRows);
    // One line a field, every note line on its own line; longer texts are in the tips.
    TPreview->setWordWrap(false);
    TPreview->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    TPreview->horizontalHeader()->setStretchLastSection(true);
    for (int c = 0; c < 5; ++c)
        TPreview->setColumnWidth(c, c == 2 ? 210 : c == 3 || c == 4 ? 105 : 150);
    top->addWidget(TPreview, 1);

    LCounts = label("LCounts");
    top->addWidget(LCounts);

    auto* buttons = new QDialogButtonBox;
    BImport = buttons->addButton(QStringLiteral("&Import"), QDialogButtonBox::AcceptRole);
    BImport->setObjectName(QStringLiteral("BImport"));
    BCancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    BCancel->setObjectName(QStringLiteral("BCancel"));
    BImport->setDefault(true);
    top->addWidget(buttons);

    const bool text = !source_->isPackage();
    reading->setEnabled(text);
    if (!text) reading->setTitle(QStringLiteral("How the file is read: an Anki package"));

    for (QComboBox* box : {CBFormat, CBQuoting, CBHtml, CBHeaderRow})
        connect(box, &QComboBox::currentIndexChanged, this, &TFormImport::readOptionChanged);
    connect(CBSeparator, &QComboBox::currentIndexChanged, this, &TFormImport::readOptionChanged);
    connect(CBSeparator->lineEdit(), &QLineEdit::editingFinished, this,
            &TFormImport::readOptionChanged);
    for (QComboBox* box : {CBQuestion, CBAnswer, CBNotes})
        connect(box, &QComboBox::currentIndexChanged, this, &TFormImport::fieldChoiceChanged);
    connect(CBReversed, &QCheckBox::toggled, this, &TFormImport::fieldChoiceChanged);
    connect(BImport, &QPushButton::clicked, this, &TFormImport::BImportClick);
    connect(BCancel, &QPushButton::clicked, this, &TFormImport::reject);
}

TextImportOptions TFormImport::options() const {
    TextImportOptions o;
    o.read.format = TextFormat(CBFormat->currentData().toInt());
    // A separator typed in is taken as it stands; a chosen one by its name.
    const int chosen = CBSeparator->findText(CBSeparator->currentText());
    o.read.separator =
        (chosen >= 0 ? CBSeparator->itemData(chosen).toString() : CBSeparator->currentText())
            .toStdString();
    o.read.html = Choice(CBHtml->currentData().toInt());
    o.read.headerRow = Choice(CBHeaderRow->currentData().toInt());
    o.read.quoting = Quoting(CBQuoting->currentData().toInt());
    o.build.questionField = std::max(0, CBQuestion->currentIndex());
    o.build.answerField = CBAnswer->currentIndex() < 0 ? 1 : CBAnswer->currentIndex();
    if (source_->isPackage()) { // the sides as the package reader put them
        o.build.questionField = 0;
        o.build.answerField = 1;
    }
    const int notes =
        CBNotes->currentIndex() < 0 ? kNotesOtherFields : CBNotes->currentData().toInt();
    o.build.notes = notes == kNotesOtherFields ? NotesFrom::OtherFields
                    : notes == kNotesNone      ? NotesFrom::None
                                               : NotesFrom::Field;
    o.build.notesField = std::max(0, notes);
    o.build.reversed = CBReversed->isChecked();
    o.build.sourceName = source_->sourceName();
    return o;
}

void TFormImport::readOptionChanged() {
    if (filling_) return;
    notes_ = source_->notes(options().read);
    fillFieldChoices();
    showPreview();
}

void TFormImport::fieldChoiceChanged() {
    if (filling_) return;
    showPreview();
}

void TFormImport::fillFieldChoices() {
    filling_ = true;
    const int question = CBQuestion->currentIndex(), answer = CBAnswer->currentIndex();
    const QVariant notesChoice =
        CBNotes->currentIndex() < 0 ? QVariant(kNotesOtherFields) : CBNotes->currentData();
    CBQuestion->clear();
    CBAnswer->clear();
    CBNotes->clear();
    CBNotes->addItem(QStringLiteral("All other fields and tags"), kNotesOtherFields);
    int count = 0;
    std::vector<std::string> names;
    if (notes_) {
        names = notes_.value().fieldNames;
        for (const ImportNote& n : notes_.value().notes)
            count = std::max(count, int(n.fields.size()));
    }
    if (source_->isPackage()) {
        // A package's sides follow its note types (a cloze note's text and deletion).
        CBQuestion->addItem(QStringLiteral("the note type's question side"));
        CBAnswer->addItem(QStringLiteral("the note type's answer side"));
    } else {
        for (int f = 0; f < std::max(count, 2); ++f) {
            QString name = QStringLiteral("Field %1").arg(f + 1);
            if (f < int(names.size()) && !names[std::size_t(f)].empty())
                name = QStringLiteral("%1: %2").arg(f + 1).arg(utf8(names[std::size_t(f)]));
            CBQuestion->addItem(name);
            CBAnswer->addItem(name);
            CBNotes->addItem(name, f);
        }
        CBQuestion->setCurrentIndex(question >= 0 && question < CBQuestion->count() ? question : 0);
        CBAnswer->setCurrentIndex(answer >= 0 && answer < CBAnswer->count() ? answer : 1);
    }
    // A package's notes types differ in their further fields, so no one column is offered:
    // its further fields go to the notes or none do.
    CBNotes->addItem(QStringLiteral("None"), kNotesNone);
    const int notesAt = CBNotes->findData(notesChoice);
    CBNotes->setCurrentIndex(notesAt >= 0 ? notesAt : 0);
    CBQuestion->setEnabled(!source_->isPackage());
    CBAnswer->setEnabled(!source_->isPackage());
    if (notes_ && allReversed(notes_.value())) {
        CBReversed->setChecked(true);
        // A package adds such notes reversed whatever the box says.
        CBReversed->setEnabled(!source_->isPackage());
    }
    filling_ = false;
}

void TFormImport::showPreview() {
    const bool text = !source_->isPackage();
    const QString file = QFileInfo(source_->path()).fileName();
    QString where;
    if (tree_.depth(target_) == 0)
        where = QStringLiteral("into a new library \"%1\" at the top of the tree")
                    .arg(utf8(ImportSourceName(options().build)));
    else
        where =
            QStringLiteral("below the %1 \"%2\", selected in the tree")
                .arg(utf8(LowerObjName(tree_.depth(target_))), BytesToDisplay(tree_.text(target_)));
    bool importable = true;
    if (!text && !libraryHasFile_) {
        where += QStringLiteral(". Save the library first: a package's pictures and sounds are "
                                "copied into the media folder beside the library's file.");
        importable = false;
    }
    LTarget->setText(where);

    TPreview->setRowCount(0);
    if (!notes_) {
        LFormat->setText(QStringLiteral("<b>%1</b>").arg(file.toHtmlEscaped()));
        LCounts->setText(QStringLiteral("The file cannot be read so: ") + utf8(notes_.error()));
        BImport->setEnabled(false);
        return;
    }
    const NoteList& list = notes_.value();
    QString how = utf8(list.format);
    if (!list.separator.empty())
        how += QStringLiteral(", ") + utf8(list.separator) + QStringLiteral(" separated");
    if (text)
        how += list.markup == FieldMarkup::Html ? QStringLiteral(", HTML fields")
                                                : QStringLiteral(", plain fields");
    LFormat->setText(
        QStringLiteral("<b>%1</b> read as %2").arg(file.toHtmlEscaped(), how.toHtmlEscaped()));
    // Automatic names what the format makes of it.
    CBQuoting->setItemText(0, !text ? QStringLiteral("Automatic: a package keeps its fields apart")
                              : ReadsQuotes(list.format, Quoting::Auto)
                                  ? QStringLiteral("Automatic: double quotes")
                                  : QStringLiteral("Automatic: none"));
    LHeaderLines->setText(source_->headerLines().empty() ? QStringLiteral("none")
                                                         : joinedLines(source_->headerLines()));
    if (!text && anyMarkedReversed(list) && !CBReversed->isChecked())
        CBReversed->setToolTip(QStringLiteral("Notes of type \"%1\" are added reversed anyway.")
                                   .arg(QLatin1String(kReversedType)));

    const Result<ImportPreview> preview =
        PreviewImport(tree_, target_, list, options().build, kPreviewRows);
    if (!preview) {
        LCounts->setText(utf8(preview.error()));
        BImport->setEnabled(false);
        return;
    }
    const ImportPreview& p = preview.value();
    TPreview->setRowCount(int(p.rows.size()));
    for (int r = 0; r < int(p.rows.size()); ++r) {
        const PreviewRow& row = p.rows[std::size_t(r)];
        // The path below the target, which the dialog names above.
        std::string path = row.path;
        if (!p.targetPath.empty() && path.starts_with(p.targetPath + " > "))
            path.erase(0, p.targetPath.size() + 3);
        const QString cells[] = {utf8(row.question), utf8(row.answer), joinedLines(row.notes),
                                 utf8(row.picture),  utf8(row.tags),   utf8(path)};
        for (int c = 0; c < 6; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setToolTip(cells[c]);
            TPreview->setItem(r, c, item);
        }
        // A text file's rows by their line, so a user can find them in the file.
        QString head = QString::number(r + 1);
        if (row.reversed)
            head = QStringLiteral("reversed");
        else if (text && row.line > 0)
            head = QStringLiteral("line %1").arg(row.line);
        TPreview->setVerticalHeaderItem(r, new QTableWidgetItem(head));
    }
    // Every text whole where the dialog has room; a long one keeps the rest in its tip.
    TPreview->resizeColumnsToContents();
    for (int c = 0; c < 5; ++c)
        TPreview->setColumnWidth(c, std::clamp(TPreview->columnWidth(c), 80, 280));
    TPreview->resizeRowsToContents();

    QString counts =
        QStringLiteral("%1 notes: %2 questions to import").arg(p.notes).arg(p.questions);
    if (p.questions > int(p.rows.size()))
        counts += QStringLiteral(" (the first %1 shown)").arg(p.rows.size());
    const int skipped = p.noQuestion + p.noAnswer;
    if (skipped > 0) {
        QStringList why;
        if (p.noQuestion) why << QStringLiteral("%1 without a question").arg(p.noQuestion);
        if (p.noAnswer) why << QStringLiteral("%1 without an answer").arg(p.noAnswer);
        counts +=
            QStringLiteral("; %1 skipped: %2").arg(skipped).arg(why.join(QStringLiteral(", ")));
    }
    for (const std::string& notice : source_->notices())
        counts += QStringLiteral("; ") + utf8(notice);
    LCounts->setText(counts + QLatin1Char('.'));
    BImport->setEnabled(importable && p.questions > 0);
}

void TFormImport::BImportClick() {
    if (!BImport->isEnabled()) return;
    // Closed first, so the summary and any message stand alone.
    accept();
    Q_EMIT importChosen();
}

} // namespace brenvik
