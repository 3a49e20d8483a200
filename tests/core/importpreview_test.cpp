// The import preview: what each note would become, told without changing the tree, must be
// exactly what the import then builds.

#include "import/importpreview.h"
#include "library/demodata.h"
#include "library/objects.h"
#include "library/outline.h"
#include "library/questionrecord.h"
#include "library/undostore.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

using Lines = std::vector<std::string>;

FixedDesktopColors desktop() {
    return FixedDesktopColors(); // the standard light scheme
}

QString fixturePath(const char* name) {
    return QStringLiteral(BRENVIK_TESTDATA "/import/") + QLatin1String(name);
}

std::string joined(const Lines& parts, const char* glue) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i)
        out += (i ? glue : "") + parts[i];
    return out;
}

// A question of the tree as the preview describes it.
struct Built {
    std::string name, question, answer, picture, path;
    Lines notes;
};

std::vector<Built> builtQuestions(const LibraryTree& tree, NodeId from,
                                  const DesktopColors& colors) {
    std::vector<Built> out;
    for (NodeId n = from; n != NoNode; n = tree.preorderNext(n)) {
        if (tree.kind(n) != Question) continue;
        QuestionRecord r;
        EXPECT_TRUE(ReadFreshQuestionRecord(tree, n, r, colors).ok());
        Built b;
        b.name = std::string(tree.text(n));
        b.answer = r.answer;
        b.notes = r.notes;
        for (const PaneRecord& pane : r.panes) {
            if (pane.content == ImageContent && b.picture.empty()) b.picture = pane.imageFile;
            if (b.question.empty() && !pane.textLines.empty())
                b.question = joined(pane.textLines, " / ");
        }
        Lines names;
        for (NodeId p = tree.parent(n); p != NoNode && tree.parent(p) != NoNode; p = tree.parent(p))
            names.insert(names.begin(), std::string(tree.text(p)));
        b.path = joined(names, " > ");
        out.push_back(b);
    }
    return out;
}

class ImportPreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        NewEmptyLibrary(tree, "host", "me");
        root = tree.first();
        library = AddNewObj(tree, root, colors).value();
        tree.setText(library, "Target");
        undo = std::make_unique<UndoStore>(tree);
    }

    // Previews the file below `target`, imports it, and checks that every question the
    // import made is the preview's row for it, in order, and that the counts agree.
    void expectPreviewIsImport(const QString& path, NodeId target, TextImportOptions options,
                               int expectedQuestions) {
        auto source = ImportSource::open(path);
        ASSERT_TRUE(source.ok()) << source.error();
        const Result<NoteList> notes = source.value()->notes(options.read);
        ASSERT_TRUE(notes.ok()) << notes.error();
        options.build.sourceName = source.value()->sourceName();
        const std::uint64_t before = tree.generation();
        const Result<ImportPreview> preview =
            PreviewImport(tree, target, notes.value(), options.build, 1000);
        ASSERT_TRUE(preview.ok()) << preview.error();
        EXPECT_EQ(tree.generation(), before) << "the preview changed the tree";
        EXPECT_FALSE(undo->canUndo());

        QTemporaryDir dir;
        const Result<PackageImport> done =
            source.value()->import(tree, *undo, target, dir.filePath("lib.bv1"), options, colors);
        ASSERT_TRUE(done.ok()) << done.error();
        const ImportSummary& s = done.value().summary;
        EXPECT_EQ(preview.value().questions, s.questions);
        EXPECT_EQ(preview.value().questions, expectedQuestions);
        EXPECT_EQ(preview.value().notes, s.notes);
        EXPECT_EQ(preview.value().noQuestion, s.noQuestion);
        EXPECT_EQ(preview.value().noAnswer, s.noAnswer);

        // The tree groups the questions by their objects; within one object they keep the
        // file's order, as the rows do.
        std::vector<Built> built = builtQuestions(tree, s.top, colors);
        std::vector<PreviewRow> rows = preview.value().rows;
        std::stable_sort(built.begin(), built.end(),
                         [](const Built& a, const Built& b) { return a.path < b.path; });
        std::stable_sort(rows.begin(), rows.end(),
                         [](const PreviewRow& a, const PreviewRow& b) { return a.path < b.path; });
        // A package's pictures get their names in the media folder only as they are staged;
        // the preview names them as the package does.
        const std::string folder = "lib media/";
        for (Built& b : built)
            for (std::string& line : b.notes)
                if (line.starts_with("Picture: " + folder)) line.erase(9, folder.size());
        ASSERT_EQ(rows.size(), built.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE("question " + std::to_string(i + 1) + ": " + built[i].name);
            EXPECT_EQ(rows[i].question, built[i].question);
            EXPECT_EQ(rows[i].reversed, i > 0 && rows[i - 1].answer == built[i].question &&
                                            rows[i].path == rows[i - 1].path &&
                                            rows[i - 1].question == built[i].answer);
            EXPECT_EQ(rows[i].answer, built[i].answer);
            EXPECT_EQ(rows[i].notes, built[i].notes);
            EXPECT_EQ(rows[i].path, built[i].path);
            // A package's pictures are renamed into the media folder as they are staged.
            if (source.value()->isPackage())
                EXPECT_EQ(rows[i].picture.empty(), built[i].picture.empty());
            else
                EXPECT_EQ(rows[i].picture, built[i].picture);
        }
    }

    FixedDesktopColors colors = desktop();
    LibraryTree tree;
    NodeId root = NoNode, library = NoNode;
    std::unique_ptr<UndoStore> undo;
};

} // namespace

TEST_F(ImportPreviewTest, AnkiTextWithDecksTagsAndFurtherFieldsPreviewsAsItImports) {
    TextImportOptions options;
    expectPreviewIsImport(fixturePath("anki_header.txt"), library, options, 3);
}

TEST_F(ImportPreviewTest, ReversedAndOtherColumnsAtTheRootPreviewAsTheyImport) {
    TextImportOptions options;
    options.build.reversed = true;
    options.build.questionField = 1;
    options.build.answerField = 0;
    expectPreviewIsImport(fixturePath("mnemosyne.txt"), root, options, 4);
}

TEST_F(ImportPreviewTest, BelowAConceptTheDeckIsANoteLineInPreviewAndImport) {
    NodeId deepest = library;
    for (int level = Library + 1; level <= Concept; ++level)
        deepest = AddNewObj(tree, deepest, colors).value();
    undo = std::make_unique<UndoStore>(tree);
    expectPreviewIsImport(fixturePath("anki_header.txt"), deepest, {}, 3);
}

TEST_F(ImportPreviewTest, APackagePreviewsItsPicturesAndReversedCardsAsItImports) {
    auto source = ImportSource::open(fixturePath("apkg/basic.apkg"));
    ASSERT_TRUE(source.ok()) << source.error();
    EXPECT_TRUE(source.value()->isPackage());
    expectPreviewIsImport(fixturePath("apkg/basic.apkg"), library, {}, 5);
}

TEST_F(ImportPreviewTest, TheNotesChoicePreviewsAsItImportsForTextAndPackage) {
    TextImportOptions options;
    options.build.notes = NotesFrom::Field;
    options.build.notesField = 2;
    expectPreviewIsImport(fixturePath("anki_header.txt"), library, options, 3);
    options.build.notes = NotesFrom::None;
    undo = std::make_unique<UndoStore>(tree);
    expectPreviewIsImport(fixturePath("anki_header.txt"), library, options, 3);
    undo = std::make_unique<UndoStore>(tree);
    expectPreviewIsImport(fixturePath("apkg/basic.apkg"), library, options, 5);
    // The preview's rows follow the choice.
    auto source = ImportSource::open(fixturePath("anki_header.txt"));
    ASSERT_TRUE(source.ok());
    const NoteList notes = source.value()->notes({}).value();
    BuildOptions build;
    const std::vector<std::string> all =
        PreviewImport(tree, library, notes, build).value().rows.at(0).notes;
    build.notes = NotesFrom::None;
    const PreviewRow none = PreviewImport(tree, library, notes, build).value().rows.at(0);
    EXPECT_FALSE(all.empty());
    EXPECT_TRUE(none.notes.empty());
}

TEST_F(ImportPreviewTest, TheFirstRowsOnlyAndTheSkippedCountedOverTheWholeFile) {
    std::string text = "q0\t\n\ta\n";
    for (int i = 1; i <= 80; ++i)
        text += "q" + std::to_string(i) + "\ta" + std::to_string(i) + "\tx\n";
    Result<NoteList> notes = ReadTextNotes(text, {});
    ASSERT_TRUE(notes.ok());
    BuildOptions build;
    build.sourceName = "many";
    const Result<ImportPreview> p = PreviewImport(tree, library, notes.value(), build, 50);
    ASSERT_TRUE(p.ok()) << p.error();
    EXPECT_EQ(p.value().rows.size(), 50u);
    EXPECT_EQ(p.value().rows.front().question, "q1");
    EXPECT_EQ(p.value().rows.front().line, 3);
    EXPECT_EQ(p.value().rows.front().path, "Target > many > many > many > many > many > many");
    EXPECT_EQ(p.value().questions, 80);
    EXPECT_EQ(p.value().noAnswer, 1);
    EXPECT_EQ(p.value().noQuestion, 1);
    EXPECT_EQ(p.value().fields, 3);

    // A target that cannot hold questions is refused as the import refuses it.
    NodeId deepest = AddNewObj(tree, library, colors).value(); // a set of books
    for (int level = Library + 2; level <= Question; ++level)
        deepest = AddNewObj(tree, deepest, colors).value();
    ASSERT_EQ(tree.kind(deepest), Question);
    const Result<ImportPreview> refused = PreviewImport(tree, deepest, notes.value(), build);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error(), "Questions cannot be imported below a question.");
}

TEST_F(ImportPreviewTest, ADamagedOrEmptyFileIsRefusedWhenOpened) {
    QTemporaryDir dir;
    const QString broken = dir.filePath("broken.apkg");
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("PK\x03\x04 this is no real zip file at all");
    f.close();
    const auto opened = ImportSource::open(broken);
    ASSERT_FALSE(opened.ok());
    EXPECT_EQ(opened.error().rfind("Could not import \"" + broken.toStdString() + "\": ", 0), 0u)
        << opened.error();
    const QString empty = dir.filePath("empty.csv");
    QFile e(empty);
    ASSERT_TRUE(e.open(QIODevice::WriteOnly));
    e.close();
    const auto none = ImportSource::open(empty);
    ASSERT_FALSE(none.ok());
    EXPECT_NE(none.error().find("the file is empty"), std::string::npos) << none.error();
}
