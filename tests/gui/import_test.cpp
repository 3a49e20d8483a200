// File > Import as a user meets it: the file through the prompts, the dialog's preview
// following its options, Import as one change that one Undo takes back, Cancel changing
// nothing, a package with its pictures, and a damaged file's message.

#include "library/demodata.h"
#include "library/questionrecord.h"
#include "library/undostore.h"
#include "mainharness.h"
#include "mainwindow/fimport.h"
#include "mainwindow/librarydocument.h"
#include "tests/support/testfiles.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

QString fixture(const char* name) {
    return QStringLiteral(BRENVIK_TESTDATA "/import/") + QLatin1String(name);
}

// Every node's level and text in pre-order: the whole tree as a value.
std::vector<std::string> snapshot(const LibraryTree& t) {
    std::vector<std::string> out;
    for (NodeId n = t.first(); n != NoNode; n = t.preorderNext(n))
        out.push_back(std::to_string(t.depth(n)) + ' ' + std::string(t.text(n)));
    return out;
}

QString cell(const TFormImport& d, int row, int column) {
    const QTableWidgetItem* item = d.TPreview->item(row, column);
    return item ? item->text() : QString();
}

// A started window on a saved copy of the demo library, in edit mode, with its first
// library selected.
struct ImportHarness : MainHarness {
    QString libraryPath;
    NodeId library = NoNode;

    bool open() {
        if (!start()) return false;
        libraryPath = folder.filePath(QStringLiteral("Physics.bv1"));
        if (!writeFile(libraryPath, QByteArray::fromStdString(DemoFileBytes()))) return false;
        window->openFile(libraryPath);
        if (!opened()) return false;
        window->Edit1Click();
        const LibraryTree& t = window->tree();
        for (NodeId c = t.firstChild(t.first()); c != NoNode; c = t.nextSibling(c))
            if (t.kind(c) == Library) {
                library = c;
                break;
            }
        window->selectNode(library);
        return library != NoNode && window->document()->filePath() == libraryPath;
    }
    // File > Import... on `path`; the dialog it shows, or null.
    TFormImport* importFile(const QString& path) {
        prompts.files << path;
        ui(*window).child<QAction>("MIImport")->trigger();
        return window->importDialog();
    }
};

} // namespace

TEST(ImportDialog, TheSeparatorRereadsThePreviewAndImportIsOneUndoableChange) {
    ImportHarness h;
    ASSERT_TRUE(h.open());
    QAction* menuItem = ui(*h.window).child<QAction>("MIImport");
    ASSERT_NE(menuItem, nullptr);
    EXPECT_EQ(menuItem->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
    const std::vector<std::string> before = snapshot(h.window->tree());
    const std::string libraryName(h.window->tree().text(h.library));

    // Both a semicolon and a comma split every row in two; the guess takes the semicolon.
    const QString csv = h.folder.filePath(QStringLiteral("animals.csv"));
    ASSERT_TRUE(writeFile(csv, "cat,feline;Katze\ndog,canine;Hund\n\"\";no question\n"));
    TFormImport* d = h.importFile(csv);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(h.prompts.fileTitles.last(), QStringLiteral("Import"));
    EXPECT_TRUE(d->isVisible());
    EXPECT_TRUE(d->LFormat->text().contains(QStringLiteral("CSV, Semicolon separated")))
        << d->LFormat->text().toStdString();
    EXPECT_TRUE(d->LTarget->text().contains(QString::fromStdString(libraryName)))
        << d->LTarget->text().toStdString();
    ASSERT_EQ(d->TPreview->rowCount(), 2);
    EXPECT_EQ(cell(*d, 0, 0), QStringLiteral("cat,feline"));
    EXPECT_EQ(cell(*d, 0, 1), QStringLiteral("Katze"));
    EXPECT_EQ(cell(*d, 0, 5), QStringLiteral("animals > animals > animals > animals > animals > "
                                             "animals"));
    EXPECT_TRUE(d->LCounts->text().contains(QStringLiteral("1 skipped: 1 without a question")))
        << d->LCounts->text().toStdString();
    // Nothing has changed while the dialog is up.
    EXPECT_EQ(snapshot(h.window->tree()), before);

    d->CBSeparator->setCurrentIndex(d->CBSeparator->findText(QStringLiteral("Comma")));
    ASSERT_EQ(d->TPreview->rowCount(), 2);
    EXPECT_EQ(cell(*d, 0, 0), QStringLiteral("cat"));
    EXPECT_EQ(cell(*d, 0, 1), QStringLiteral("feline;Katze"));
    EXPECT_TRUE(d->LFormat->text().contains(QStringLiteral("Comma separated")));

    // Reversed adds each question the other way round right after it.
    d->CBReversed->setChecked(true);
    ASSERT_EQ(d->TPreview->rowCount(), 4);
    EXPECT_EQ(cell(*d, 1, 0), QStringLiteral("feline;Katze"));
    EXPECT_EQ(cell(*d, 1, 1), QStringLiteral("cat"));
    d->CBReversed->setChecked(false);

    const int shown = h.prompts.shown.size();
    d->BImport->click();
    EXPECT_EQ(h.window->importDialog(), nullptr);
    ASSERT_EQ(h.prompts.shown.size(), shown + 1);
    EXPECT_EQ(h.prompts.shown.last().caption, QStringLiteral("Import"));
    EXPECT_EQ(h.prompts.shown.last().text.toStdString(),
              "2 questions and 6 objects imported (CSV, Comma separated); 1 note "
              "skipped: 1 without an answer"); // read with commas, the third row is one field
    const LibraryTree& t = h.window->tree();
    const NodeId top = h.window->selectedNode();
    ASSERT_NE(top, NoNode);
    EXPECT_EQ(t.text(top), "animals");
    EXPECT_EQ(t.parent(top), h.library);
    EXPECT_NE(h.find("cat"), NoNode);
    EXPECT_NE(h.find("dog"), NoNode);
    EXPECT_TRUE(h.window->windowTitle().endsWith(QStringLiteral(" *")))
        << h.window->windowTitle().toStdString();
    EXPECT_TRUE(ui(*h.window).MIUndo->isEnabled());
    EXPECT_TRUE(ui(*h.window).BUndo->isEnabled());

    // One Undo takes all of it back.
    h.window->BUndoClick();
    EXPECT_EQ(snapshot(h.window->tree()), before);
    EXPECT_FALSE(h.window->undoStore()->canUndo());
    EXPECT_FALSE(ui(*h.window).MIUndo->isEnabled());
    EXPECT_TRUE(ui(*h.window).MIRedo->isEnabled());
    EXPECT_EQ(h.window->selectedNode(), h.library);
}

TEST(ImportDialog, QuotingAndTheNotesColumnAreChosenInTheDialogAndImported) {
    ImportHarness h;
    ASSERT_TRUE(h.open());
    const QString csv = h.folder.filePath(QStringLiteral("pets.csv"));
    ASSERT_TRUE(writeFile(csv, "Front,Back,Extra,Tags\n\"cat, the\",Katze,\"small\nfurry\",pet\n"
                               "dog,Hund,loyal,pet\n"));
    TFormImport* d = h.importFile(csv);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->CBQuoting->currentText(), QStringLiteral("Automatic: double quotes"));
    EXPECT_EQ(d->CBNotes->currentText(), QStringLiteral("All other fields and tags"));
    ASSERT_EQ(d->TPreview->rowCount(), 2);
    EXPECT_EQ(cell(*d, 0, 0), QStringLiteral("cat, the"));
    EXPECT_EQ(cell(*d, 0, 2), QStringLiteral("Extra: small / furry\nTags: pet"));

    // Quoting by the keyboard: Automatic, double quotes, none.
    d->CBQuoting->setFocus();
    QTest::keyClick(d->CBQuoting, Qt::Key_Down);
    EXPECT_EQ(d->CBQuoting->currentData().toInt(), int(Quoting::Quotes));
    EXPECT_EQ(cell(*d, 0, 0), QStringLiteral("cat, the"));
    QTest::keyClick(d->CBQuoting, Qt::Key_Down);
    EXPECT_EQ(d->CBQuoting->currentData().toInt(), int(Quoting::None));
    // Quotes are text now: the comma in them splits, and so does the line break.
    ASSERT_EQ(d->TPreview->rowCount(), 3);
    EXPECT_EQ(cell(*d, 0, 0), QStringLiteral("\"cat"));
    EXPECT_EQ(cell(*d, 0, 1), QStringLiteral("the\""));
    EXPECT_EQ(cell(*d, 1, 0), QStringLiteral("furry\""));
    QTest::keyClick(d->CBQuoting, Qt::Key_Up);
    EXPECT_EQ(cell(*d, 0, 0), QStringLiteral("cat, the"));

    // The notes: every column by name, then none.
    QStringList notesChoices;
    for (int i = 0; i < d->CBNotes->count(); ++i)
        notesChoices << d->CBNotes->itemText(i);
    EXPECT_EQ(notesChoices, (QStringList{QStringLiteral("All other fields and tags"),
                                         QStringLiteral("1: Front"), QStringLiteral("2: Back"),
                                         QStringLiteral("3: Extra"), QStringLiteral("None")}));
    d->CBNotes->setFocus();
    QTest::keyClick(d->CBNotes, Qt::Key_End);
    EXPECT_EQ(d->CBNotes->currentText(), QStringLiteral("None"));
    EXPECT_EQ(cell(*d, 0, 2), QString());
    EXPECT_EQ(cell(*d, 0, 4), QStringLiteral("pet")); // the tags are still read
    QTest::keyClick(d->CBNotes, Qt::Key_Up);
    EXPECT_EQ(d->CBNotes->currentText(), QStringLiteral("3: Extra"));
    EXPECT_EQ(cell(*d, 0, 2), QStringLiteral("small\nfurry\nTags: pet"));
    EXPECT_EQ(cell(*d, 1, 2), QStringLiteral("loyal\nTags: pet"));
    // Re-reading keeps the choice.
    QTest::keyClick(d->CBQuoting, Qt::Key_Down);
    QTest::keyClick(d->CBQuoting, Qt::Key_Up);
    EXPECT_EQ(d->CBNotes->currentText(), QStringLiteral("3: Extra"));

    d->BImport->click();
    EXPECT_EQ(h.window->importDialog(), nullptr);
    const NodeId cat = h.find("cat, the");
    ASSERT_NE(cat, NoNode);
    QuestionRecord r;
    ASSERT_TRUE(ReadFreshQuestionRecord(h.window->tree(), cat, r, h.colors).ok());
    EXPECT_EQ(r.answer, "Katze");
    EXPECT_EQ(r.notes, (std::vector<std::string>{"small", "furry", "Tags: pet"}));
}

TEST(ImportDialog, CancelChangesNothingAndTheRootGetsANewLibrary) {
    ImportHarness h;
    ASSERT_TRUE(h.open());
    const std::vector<std::string> before = snapshot(h.window->tree());
    h.window->selectNode(h.window->tree().first());
    TFormImport* d = h.importFile(fixture("anki_header.txt"));
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->LTarget->text().contains(QStringLiteral("new library \"anki_header\"")))
        << d->LTarget->text().toStdString();
    EXPECT_TRUE(d->LHeaderLines->text().startsWith(QStringLiteral("#separator:Semicolon\n")))
        << d->LHeaderLines->text().toStdString();
    EXPECT_TRUE(d->LFormat->text().contains(QStringLiteral("Anki text, Semicolon separated")));
    ASSERT_EQ(d->TPreview->rowCount(), 3);
    EXPECT_EQ(cell(*d, 0, 0), QStringLiteral("Capital of France?"));
    EXPECT_EQ(cell(*d, 0, 2), QStringLiteral("Source: Atlas p. 12\nTags: imported geo europe"));
    EXPECT_EQ(cell(*d, 0, 4), QStringLiteral("imported geo europe"));
    EXPECT_EQ(cell(*d, 0, 5), QStringLiteral("anki_header > Geography > Europe > Europe > Europe "
                                             "> Europe > Europe"));
    // The answer may be another column: the preview follows.
    d->CBAnswer->setCurrentIndex(d->CBAnswer->findText(QStringLiteral("3: Source")));
    EXPECT_EQ(cell(*d, 0, 1), QStringLiteral("Atlas p. 12"));
    EXPECT_EQ(d->TPreview->rowCount(), 1); // the others have no source

    const int shown = h.prompts.shown.size();
    d->BCancel->click();
    EXPECT_EQ(h.window->importDialog(), nullptr);
    EXPECT_EQ(h.prompts.shown.size(), shown);
    EXPECT_EQ(snapshot(h.window->tree()), before);
    EXPECT_FALSE(h.window->undoStore()->canUndo());
    EXPECT_FALSE(h.window->document()->isModified());
}

TEST(ImportDialog, APackageBringsItsQuestionsAndPicturesIntoTheMediaFolder) {
    ImportHarness h;
    ASSERT_TRUE(h.open());
    const std::vector<std::string> before = snapshot(h.window->tree());
    TFormImport* d = h.importFile(fixture("apkg/basic.apkg"));
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->LFormat->text().contains(QStringLiteral("Anki package")));
    EXPECT_FALSE(d->CBSeparator->isEnabled());
    EXPECT_FALSE(d->CBQuestion->isEnabled());
    EXPECT_FALSE(d->CBQuoting->isEnabled());
    // A package's further fields go to the notes or none do.
    ASSERT_EQ(d->CBNotes->count(), 2);
    EXPECT_TRUE(d->CBNotes->isEnabled());
    EXPECT_EQ(d->TPreview->rowCount(), 5);
    bool picture = false;
    for (int r = 0; r < d->TPreview->rowCount(); ++r)
        picture = picture || cell(*d, r, 3) == QStringLiteral("flag.png") ||
                  cell(*d, r, 2).contains(QStringLiteral("Picture: flag.png"));
    EXPECT_TRUE(picture);
    ASSERT_TRUE(d->BImport->isEnabled());
    d->BImport->click();
    EXPECT_TRUE(h.prompts.shown.last().text.startsWith(
        QStringLiteral("5 questions, 6 objects and 2 pictures imported (Anki package)")))
        << h.prompts.shown.last().text.toStdString();
    EXPECT_TRUE(QFileInfo::exists(h.folder.filePath(QStringLiteral("Physics media/flag.png"))));
    EXPECT_NE(snapshot(h.window->tree()), before);
    h.window->BUndoClick();
    EXPECT_EQ(snapshot(h.window->tree()), before);
}

TEST(ImportDialog, ADamagedFileShowsTheMessageAndNoDialog) {
    ImportHarness h;
    ASSERT_TRUE(h.open());
    const std::vector<std::string> before = snapshot(h.window->tree());
    const QString broken = h.folder.filePath(QStringLiteral("broken.apkg"));
    ASSERT_TRUE(writeFile(broken, QByteArray("PK\x03\x04 no zip after all", 24)));
    const int shown = h.prompts.shown.size();
    EXPECT_EQ(h.importFile(broken), nullptr);
    ASSERT_EQ(h.prompts.shown.size(), shown + 1);
    EXPECT_EQ(h.prompts.shown.last().icon, Prompts::Icon::Error);
    EXPECT_TRUE(h.prompts.shown.last().text.startsWith(QStringLiteral("Could not import \"") +
                                                       broken + QStringLiteral("\": ")))
        << h.prompts.shown.last().text.toStdString();
    EXPECT_EQ(snapshot(h.window->tree()), before);
    EXPECT_FALSE(h.window->undoStore()->canUndo());

    // A cancelled file dialog does nothing either.
    EXPECT_EQ(h.importFile(QString()), nullptr);
    EXPECT_EQ(h.prompts.shown.size(), shown + 1);
}

TEST(ImportDialog, TheTreesPopUpOffersImportInEditModeOnly) {
    ImportHarness h;
    ASSERT_TRUE(h.open());
    QAction* item = ui(*h.window).child<QAction>("PMIImport");
    ASSERT_NE(item, nullptr);
    Q_EMIT ui(*h.window).PMObjs->aboutToShow();
    EXPECT_TRUE(item->isVisible());
    h.window->Study1Click();
    Q_EMIT ui(*h.window).PMObjs->aboutToShow();
    EXPECT_FALSE(item->isVisible());
    h.window->Edit1Click();
    h.prompts.files << fixture("quizlet.txt");
    item->trigger();
    ASSERT_NE(h.window->importDialog(), nullptr);
    EXPECT_EQ(h.window->importDialog()->TPreview->rowCount(), 3);
    h.window->importDialog()->BCancel->click();
}

TEST(ImportDialog, APackageWaitsForALibraryWithAFileForItsMedia) {
    MainHarness h;
    ASSERT_TRUE(h.start());
    ASSERT_FALSE(h.window->document()->hasFile()); // the demo, fresh at every start
    h.prompts.files << fixture("apkg/basic.apkg");
    ui(*h.window).child<QAction>("MIImport")->trigger();
    TFormImport* d = h.window->importDialog();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->TPreview->rowCount(), 5); // the preview needs no file
    EXPECT_FALSE(d->BImport->isEnabled());
    EXPECT_TRUE(d->LTarget->text().contains(QStringLiteral("Save the library first")))
        << d->LTarget->text().toStdString();
    d->BCancel->click();
    EXPECT_FALSE(h.window->undoStore()->canUndo());

    // A text file has no media and goes in at once.
    h.prompts.files << fixture("quizlet.txt");
    ui(*h.window).child<QAction>("MIImport")->trigger();
    d = h.window->importDialog();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->BImport->isEnabled());
    d->BImport->click();
    EXPECT_NE(h.find("bird"), NoNode);
    EXPECT_TRUE(h.window->undoStore()->canUndo());
}
