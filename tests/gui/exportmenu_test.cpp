// File > Export... in the main window: the selected branch written through the real menu
// action, the file asked for through the prompts, the summary box, a cancel and a bad name.
#include "import/apkgreader.h"
#include "library/demodata.h"
#include "library/objects.h"
#include "library/outline.h"
#include "library/questionrecord.h"
#include "mainwindow/fmain.h"
#include "platform/prompts.h"

#include "mainharness.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

class ExportMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(h.start());
        // A library in a folder of its own with a picture beside it.
        libraryPath = h.folder.filePath(QStringLiteral("lib/Geo.bv1"));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(libraryPath).absolutePath()));
        QFile picture(h.folder.filePath(QStringLiteral("lib/flag.png")));
        ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
        picture.write("red flag");
        picture.close();

        LibraryTree tree;
        NewEmptyLibrary(tree, "HOST", "ann");
        NodeId n = tree.appendChild(tree.first(), "Geo", Library);
        AddNotesNode(tree, n, "");
        for (const char* name :
             {"Europe", "North", "Part 1", "Chapter 1", "Section 1", "Capitals"}) {
            n = tree.appendChild(n, name, tree.depth(n) + 1);
            AddNotesNode(tree, n, "");
        }
        add(tree, n, "Capital of Norway?", "Oslo", "flag.png");
        add(tree, n, "Capital of Sweden?", "Stockholm", "gone.png");
        ASSERT_TRUE(SaveLibraryFile(tree, libraryPath).ok());
        h.window->openFile(libraryPath);
        ASSERT_TRUE(h.opened());
        ASSERT_NE(h.find("Capitals"), NoNode);
    }

    void add(LibraryTree& tree, NodeId parent, const char* question, const char* answer,
             const char* picture) {
        WizardData data{question, answer, question, answer};
        QuestionRecord r = NewQuestionRecord(h.colors, &data);
        r.layout = 2;
        r.panes[1].content = ImageContent;
        r.panes[1].imageFile = picture;
        AppendQuestion(tree, parent, question, std::move(r), h.colors);
    }

    QAction* exportAction() const {
        return h.window->findChild<QAction*>(QStringLiteral("MIExport"));
    }

    MainHarness h;
    QString libraryPath;
};

} // namespace

TEST_F(ExportMenuTest, ExportWritesTheSelectedBranchAndShowsWhatWasLeftOut) {
    TFormMain& w = *h.window;
    QAction* action = exportAction();
    ASSERT_NE(action, nullptr);
    // In the File menu, right after Import.
    const QList<QAction*> items = w.menuBar()->actions().first()->menu()->actions();
    const qsizetype at = items.indexOf(action);
    ASSERT_GT(at, 0);
    EXPECT_EQ(items[at - 1]->objectName(), QStringLiteral("MIImport"));
    EXPECT_EQ(action->text(), QStringLiteral("  &Export..."));

    w.selectNode(h.find("North"));
    const QString out = h.folder.filePath(QStringLiteral("north.apkg"));
    h.prompts.files = {out};
    const qsizetype shown = h.prompts.shown.size();
    action->trigger();
    EXPECT_EQ(h.prompts.fileTitles.last(), QStringLiteral("Export"));
    ASSERT_EQ(h.prompts.shown.size(), shown + 1);
    EXPECT_EQ(h.prompts.shown.last().caption, QStringLiteral("Export"));
    EXPECT_EQ(h.prompts.shown.last().icon, Prompts::Icon::Information);
    EXPECT_EQ(
        h.prompts.shown.last().text,
        QStringLiteral("2 questions and 1 picture exported (Anki package); 1 left out:\n"
                       "picture \"gone.png\" of \"Geo > Europe > North > Part 1 > Chapter 1 > "
                       "Section 1 > Capitals > Capital of Sweden?\": the file is missing"));

    // The package holds the branch's questions in their decks and the picture found beside
    // the library file.
    auto opened = PackageFile::open(out);
    ASSERT_TRUE(opened.ok()) << opened.error();
    Result<AnkiPackage> read = ReadAnkiPackage(*opened.value());
    ASSERT_TRUE(read.ok()) << read.error();
    ASSERT_EQ(read.value().notes.notes.size(), 2u);
    EXPECT_EQ(read.value().notes.notes[0].deck,
              "Europe::North::Part 1::Chapter 1::Section 1::Capitals");
    ASSERT_TRUE(read.value().media.count("flag.png"));
    EXPECT_EQ(opened.value()->readMedia(read.value().media.at("flag.png"), false).value(),
              "red flag");

    // A single question, as CSV.
    w.selectNode(h.find("Capital of Norway?"));
    const QString csv = h.folder.filePath(QStringLiteral("one.csv"));
    h.prompts.files = {csv};
    action->trigger();
    EXPECT_EQ(h.prompts.shown.last().text,
              QStringLiteral("1 question and 1 picture exported (CSV)"));
    QFile written(csv);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(),
              "Front,Back,Notes,Deck\r\n\"Capital of Norway?<br><img src=\"\"flag.png\"\">\",Oslo,,"
              "Europe::North::Part 1::Chapter 1::Section 1::Capitals\r\n");
}

// The save dialog gives a name typed without an extension the chosen type's.
TEST(SaveDialogSuffix, TheChosenFilterEntryGivesTheExtension) {
    EXPECT_EQ(FilterSuffix("CSV (*.csv)"), "csv");
    EXPECT_EQ(FilterSuffix("Anki plain text (*.txt)"), "txt");
    EXPECT_EQ(FilterSuffix("Web pages (*.htm *.html)"), "htm");
    EXPECT_EQ(FilterSuffix("Brenvik files (*.bv1)"), "bv1");
    EXPECT_EQ(FilterSuffix("All files (*)"), "");
    EXPECT_EQ(FilterSuffix("All files (*.*)"), "");
    EXPECT_EQ(FilterSuffix("*.apkg"), "apkg");
}

TEST_F(ExportMenuTest, CancelWritesNothingAndAnUnknownExtensionIsRefused) {
    TFormMain& w = *h.window;
    w.selectNode(h.find("Capitals"));
    const qsizetype shown = h.prompts.shown.size();
    h.prompts.files = {QString()};
    exportAction()->trigger();
    EXPECT_EQ(h.prompts.shown.size(), shown);

    const QString doc = h.folder.filePath(QStringLiteral("capitals.doc"));
    h.prompts.files = {doc};
    exportAction()->trigger();
    ASSERT_EQ(h.prompts.shown.size(), shown + 1);
    EXPECT_EQ(h.prompts.shown.last().caption, QStringLiteral("Error"));
    EXPECT_EQ(
        h.prompts.shown.last().text,
        QStringLiteral("Could not export \"%1\": its name ends in none of .apkg, .txt and .csv")
            .arg(doc));
    EXPECT_FALSE(QFile::exists(doc));

    // A branch without questions: an error, and an old file stays as it was.
    const QString old = h.folder.filePath(QStringLiteral("old.txt"));
    QFile f(old);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("old");
    f.close();
    const NodeId empty = w.tree().appendChild(h.find("Geo"), "Empty", Set);
    w.selectNode(empty);
    h.prompts.files = {old};
    exportAction()->trigger();
    EXPECT_EQ(h.prompts.shown.last().caption, QStringLiteral("Error"));
    EXPECT_EQ(h.prompts.shown.last().text,
              QStringLiteral("Could not export \"%1\": there are no questions to export").arg(old));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "old");
}
