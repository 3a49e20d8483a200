// Importing Anki packages: the packages a foreign writer made (and the ones derived from
// them, see tests/data/import/apkg/maker), read and built into questions, their media copied
// under safe names into the library's media folder, and every bad package refused or its
// bad parts skipped with a message, leaving the library and the folder as they were.

#include "import/apkgimport.h"
#include "import/apkgreader.h"
#include "import/mediafolder.h"
#include "library/demodata.h"
#include "library/objects.h"
#include "library/outline.h"
#include "library/questionrecord.h"
#include "library/undostore.h"
#include "study/core/collect.h"
#include "toolrun.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

using Lines = std::vector<std::string>;

QString package(const char* name) {
    return QStringLiteral(BRENVIK_TESTDATA "/import/apkg/") + QLatin1String(name);
}

FixedDesktopColors desktop() {
    return FixedDesktopColors(); // the standard light scheme
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file below `dir`, relative to it, sorted.
QStringList filesBelow(const QString& dir) {
    QStringList out;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(dir).relativeFilePath(it.next());
    out.sort();
    return out;
}

Result<AnkiPackage> readPackage(const char* name) {
    auto file = PackageFile::open(package(name));
    if (!file) return Result<AnkiPackage>::failure(file.error());
    return ReadAnkiPackage(*file.value());
}

// A library file's path in a temporary folder, a tree with one library "Target", and
// imports into it.
class ApkgTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        libraryPath = dir.filePath(QStringLiteral("Geo.bv1"));
        NewEmptyLibrary(tree, "host", "me");
        root = tree.first();
        library = AddNewObj(tree, root, colors).value();
        tree.setText(library, "Target");
        undo = std::make_unique<UndoStore>(tree);
    }
    Result<PackageImport> import(const char* name, NodeId target = NoNode,
                                 const PackageLimits* limits = nullptr) {
        return ImportAnkiPackage(tree, *undo, target == NoNode ? library : target, package(name),
                                 libraryPath, {}, colors, nullptr, limits);
    }
    // The tree as its file would say it.
    QByteArray saved() const {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        EXPECT_TRUE(SaveLibraryFileTo(tree, buffer).ok());
        return bytes;
    }
    std::vector<NodeId> questions(NodeId from) const {
        std::vector<NodeId> out;
        for (NodeId n = from; n != NoNode; n = tree.preorderNext(n))
            if (tree.kind(n) == Question) out.push_back(n);
        return out;
    }
    QuestionRecord recordOf(NodeId q) const {
        QuestionRecord r;
        EXPECT_TRUE(ReadFreshQuestionRecord(tree, q, r, colors).ok());
        return r;
    }
    // The object names from the target down to a question: "A > B > ... > Q".
    std::string pathOf(NodeId q) const {
        std::string path;
        for (NodeId n = q; n != NoNode && n != library; n = tree.parent(n))
            path = std::string(tree.text(n)) + (path.empty() ? "" : " > " + path);
        return path;
    }

    FixedDesktopColors colors = desktop();
    QTemporaryDir dir;
    QString libraryPath;
    LibraryTree tree;
    NodeId root = NoNode, library = NoNode;
    std::unique_ptr<UndoStore> undo;
};

} // namespace

// --- Reading ------------------------------------------------------------------------------

TEST(ApkgCloze, EachDeletionNumberIsOneQuestionWithTheOthersShownAsText) {
    std::vector<ClozeCard> cards =
        ClozeCards("{{c1::Oslo}} is the capital of {{c2::Norway::country}}.");
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[0].number, 1);
    EXPECT_EQ(cards[0].question, "[...] is the capital of Norway.");
    EXPECT_EQ(cards[0].answer, "Oslo");
    EXPECT_EQ(cards[1].question, "Oslo is the capital of [country].");
    EXPECT_EQ(cards[1].answer, "Norway");

    // One number used twice hides both; numbers come in rising order whatever the text's.
    cards = ClozeCards("{{c3::a}}, {{c1::b}} and {{c3::c}}");
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[0].number, 1);
    EXPECT_EQ(cards[0].question, "a, [...] and c");
    EXPECT_EQ(cards[1].number, 3);
    EXPECT_EQ(cards[1].question, "[...], b and [...]");
    EXPECT_EQ(cards[1].answer, "a / c");

    // Braces that are no deletion stay as they are.
    EXPECT_TRUE(ClozeCards("{{Front}} and {{c::x}} and {{c1:x}}").empty());
    EXPECT_TRUE(ClozeCards("{{c1::never closed").empty());
}

TEST(ApkgRead, TheForeignWritersPackageGivesItsNotesDeckTagsAndMedia) {
    Result<AnkiPackage> read = readPackage("basic.apkg");
    ASSERT_TRUE(read.ok()) << read.error();
    const AnkiPackage& p = read.value();
    EXPECT_EQ(p.collection, "collection.anki2");
    EXPECT_FALSE(p.zstdMedia);
    ASSERT_EQ(p.notes.notes.size(), 5u);
    EXPECT_EQ(p.notes.markup, FieldMarkup::Html);
    const ImportNote& france = p.notes.notes[0];
    EXPECT_EQ(france.fields, (Lines{"Capital of <b>France</b>?", "Paris"}));
    EXPECT_EQ(france.fieldNames, (Lines{"Front", "Back"}));
    EXPECT_EQ(france.tags, (Lines{"europe", "capital"}));
    EXPECT_EQ(france.deck, "Capitals");
    EXPECT_EQ(p.notes.notes[1].questionPictures, (Lines{"flag.png"}));
    EXPECT_EQ(p.notes.notes[2].questionPictures, (Lines{"map of europe.png"}));
    const ImportNote& italy = p.notes.notes[3];
    EXPECT_EQ(italy.questionSounds, (Lines{"bell.wav"}));
    EXPECT_EQ(italy.fields[0], "Capital of Italy? "); // the sound is out of the text
    EXPECT_EQ(italy.answerPictures, (Lines{"flag.png"}));
    EXPECT_EQ(p.media.size(), 3u);
    EXPECT_EQ(p.media.at("flag.png"), "0");
    EXPECT_EQ(p.media.at("bell.wav"), "2");
    // Its note type is named after the deck: read by its fields, and said so.
    EXPECT_EQ(p.notices, (Lines{"5 notes of type Capitals read by their fields (first the "
                                "question, second the answer)"}));
}

TEST(ApkgRead, APackageInMemoryReadsAsItsFileDoes) {
    const QByteArray whole = fileBytes(package("basic.apkg"));
    auto file = PackageFile::openBytes(whole.toStdString());
    ASSERT_TRUE(file.ok()) << file.error();
    Result<AnkiPackage> read = ReadAnkiPackage(*file.value());
    ASSERT_TRUE(read.ok()) << read.error();
    EXPECT_EQ(read.value().notes.notes.size(), 5u);
    auto onDisk = PackageFile::open(package("basic.apkg"));
    ASSERT_TRUE(onDisk.ok());
    EXPECT_EQ(file.value()->read("0").value(), onDisk.value()->read("0").value());
    auto cut = PackageFile::openBytes(whole.left(whole.size() / 2).toStdString());
    ASSERT_FALSE(cut.ok());
    EXPECT_EQ(cut.error(),
              "it is a damaged zip file (its directory is missing: the file may be cut short)");
    EXPECT_EQ(PackageFile::openBytes("plain words").error(), "it is no zip file");
}

TEST(ApkgRead, ZstdDecompressionStopsAtItsLimit) {
    // The newer package's collection is a zstd frame.
    auto file = PackageFile::open(package("newer.colpkg"));
    ASSERT_TRUE(file.ok()) << file.error();
    Result<std::string> packed = file.value()->read("collection.anki21b");
    ASSERT_TRUE(packed.ok()) << packed.error();
    Result<std::string> plain = ZstdDecompress(packed.value(), std::uint64_t(1) << 30);
    ASSERT_TRUE(plain.ok()) << plain.error();
    EXPECT_TRUE(plain.value().starts_with("SQLite format 3")) << plain.value().substr(0, 16);
    Result<std::string> limited = ZstdDecompress(packed.value(), 1000);
    ASSERT_FALSE(limited.ok());
    EXPECT_EQ(limited.error(), "it would unpack to more than 1000 bytes");
    EXPECT_FALSE(ZstdDecompress(packed.value().substr(0, packed.value().size() / 2), 1 << 30).ok());
    EXPECT_FALSE(ZstdDecompress("not zstd at all", 1 << 30).ok());
}

// --- Building -----------------------------------------------------------------------------

TEST_F(ApkgTest, BasicNotesBecomeQuestionsWithPicturePanesSoundsAndCopiedMedia) {
    Result<PackageImport> done = import("basic.apkg");
    ASSERT_TRUE(done.ok()) << done.error();
    const ImportSummary& s = done.value().summary;
    EXPECT_EQ(s.text().toStdString(),
              "5 questions, 6 objects and 2 pictures imported (Anki package); 5 notes of type "
              "Capitals read by their fields (first the question, second the answer)");
    // Below a library: the deck fills the set down to the concept.
    const std::vector<NodeId> qs = questions(s.top);
    ASSERT_EQ(qs.size(), 5u);
    EXPECT_EQ(pathOf(qs[0]), "Capitals > Capitals > Capitals > Capitals > Capitals > Capitals > "
                             "Capital of France?");

    QuestionRecord france = recordOf(qs[0]);
    EXPECT_EQ(france.layout, 1);
    EXPECT_EQ(france.panes[0].textLines, (Lines{"Capital of France?"}));
    EXPECT_EQ(france.answer, "Paris");
    EXPECT_EQ(france.notes, (Lines{"Tags: europe capital"}));

    // Text and picture: two panes, the picture named relative to the library.
    QuestionRecord norway = recordOf(qs[1]);
    EXPECT_EQ(norway.layout, 2);
    EXPECT_EQ(norway.panes[0].content, TextContent);
    EXPECT_EQ(norway.panes[0].textLines, (Lines{"Capital of Norway?"}));
    EXPECT_EQ(norway.panes[1].content, ImageContent);
    EXPECT_EQ(norway.panes[1].imageFile, "Geo media/flag.png");

    // Only a picture: one picture pane, the question named after the file.
    QuestionRecord map = recordOf(qs[2]);
    EXPECT_EQ(tree.text(qs[2]), "map of europe.png");
    EXPECT_EQ(map.layout, 1);
    EXPECT_EQ(map.panes[0].content, ImageContent);
    EXPECT_EQ(map.panes[0].imageFile, "Geo media/map of europe.png");
    EXPECT_EQ(map.answer, "Europe");

    // A sound is a line of the spoken text; an answer's picture is named in the notes.
    QuestionRecord italy = recordOf(qs[3]);
    EXPECT_EQ(italy.panes[0].textLines, (Lines{"Capital of Italy?"}));
    EXPECT_EQ(italy.spokenQuestion, (Lines{"Capital of Italy?", "[sound:Geo media/bell.wav]"}));
    EXPECT_EQ(italy.answer, "Rome");
    EXPECT_EQ(italy.notes, (Lines{"Picture: Geo media/flag.png"}));

    QuestionRecord cafe = recordOf(qs[4]);
    EXPECT_EQ(cafe.panes[0].textLines, (Lines{"Caf\xC3\xA9 & cr\xC3\xA8me"}));
    EXPECT_EQ(cafe.answer, "Coffee & cream");

    // The media folder appears only on commit, with the package's bytes.
    const QString folder = dir.filePath(QStringLiteral("Geo media"));
    EXPECT_FALSE(QFileInfo::exists(folder));
    ASSERT_TRUE(done.value().media->commit().ok());
    EXPECT_EQ(filesBelow(dir.path()), (QStringList{"Geo media/bell.wav", "Geo media/flag.png",
                                                   "Geo media/map of europe.png"}));
    auto file = PackageFile::open(package("basic.apkg"));
    ASSERT_TRUE(file.ok());
    EXPECT_EQ(fileBytes(folder + QStringLiteral("/flag.png")).toStdString(),
              file.value()->read("0").value());

    // Every imported question passes the study check against the library's folder.
    const StudyCheck check =
        CheckStudyQuestions(tree, qs, colors, StudyFolders{dir.path(), dir.path()});
    EXPECT_TRUE(check.ok()) << check.message.toStdString();
}

TEST_F(ApkgTest, DeckHierarchiesGoThroughTheDeckRuleAndANoteFollowsItsFirstCard) {
    Result<PackageImport> done = import("decks.apkg");
    ASSERT_TRUE(done.ok()) << done.error();
    Lines paths;
    for (NodeId q : questions(done.value().summary.top))
        paths.push_back(pathOf(q));
    EXPECT_EQ(paths, (Lines{"Geography > Europe > Capitals > Capitals > Capitals > Capitals > "
                            "Capital of Spain?",
                            "Geography > Europe > Capitals > Capitals > Capitals > Capitals > "
                            "Capital of Portugal?",
                            "Geography > Asia > Asia > Asia > Asia > Asia > Capital of Japan?",
                            "Geography > Asia > Asia > Asia > Asia > Asia > Capital of Turkey?"}));
    EXPECT_EQ(done.value().summary.pictures, 0);
    EXPECT_TRUE(done.value().media->empty());
}

TEST_F(ApkgTest, NoteTypesClozeReversedOtherAndImageOcclusion) {
    Result<PackageImport> done = import("notetypes.apkg");
    ASSERT_TRUE(done.ok()) << done.error();
    const ImportSummary& s = done.value().summary;
    std::vector<std::pair<std::string, std::string>> qa;
    std::vector<QuestionRecord> records;
    for (NodeId q : questions(s.top)) {
        records.push_back(recordOf(q));
        std::string text;
        for (const std::string& line : records.back().panes[0].textLines)
            text += (text.empty() ? "" : "\n") + line;
        qa.emplace_back(text, records.back().answer);
    }
    EXPECT_EQ(qa, (std::vector<std::pair<std::string, std::string>>{
                      {"[...] is the capital of Norway.", "Oslo"},
                      {"Oslo is the capital of [country].", "Norway"},
                      {"[...] and [...] are in Switzerland", "Bern / Zurich"},
                      {"Bern and Zurich are in [...]", "Switzerland"},
                      {"Hund", "dog"},
                      {"dog", "Hund"},
                      {"Katze", "cat"},
                      {"cat", "Katze"},
                      {"Maus", "mouse"},
                      {"casa", "house"},
                  }));
    // The Cloze note's other field and its picture; the cloze picture is a picture pane.
    EXPECT_EQ(records[0].notes, (Lines{"Back Extra: Since 1814"}));
    EXPECT_EQ(records[2].layout, 2);
    EXPECT_EQ(records[2].panes[1].imageFile, "Geo media/flag.png");
    EXPECT_EQ(records[4].notes, (Lines{"Tags: german"}));
    EXPECT_EQ(records[6].notes, (Lines{"Add Reverse: y"}));
    EXPECT_EQ(records[9].notes, (Lines{"Example: La casa es grande."}));
    EXPECT_EQ(s.notices, (Lines{"3 notes of type Image Occlusion skipped (only pictures and "
                                "masks)",
                                "1 note of type Vocabulary read by its fields (first the "
                                "question, second the answer)"}));
    // The skipped notes' pictures are not copied.
    EXPECT_EQ(s.pictures, 1);
    EXPECT_EQ(done.value().media->count(), 1);
}

TEST_F(ApkgTest, TheNewerZstdCollectionIsReadWithItsTablesAndMedia) {
    auto file = PackageFile::open(package("newer.colpkg"));
    ASSERT_TRUE(file.ok()) << file.error();
    Result<AnkiPackage> read = ReadAnkiPackage(*file.value());
    ASSERT_TRUE(read.ok()) << read.error();
    EXPECT_EQ(read.value().collection, "collection.anki21b");
    EXPECT_TRUE(read.value().zstdMedia);
    EXPECT_EQ(read.value().media.at("map of europe.png"), "1");

    Result<PackageImport> done = import("newer.colpkg");
    ASSERT_TRUE(done.ok()) << done.error();
    Lines paths;
    std::vector<NodeId> qs = questions(done.value().summary.top);
    for (NodeId q : qs)
        paths.push_back(pathOf(q));
    // Deck names separated by 0x1F, and a Cloze note type known by its protobuf kind (the
    // tree keeps each deck's questions together).
    EXPECT_EQ(paths, (Lines{"Geography > Europe > Capitals > Capitals > Capitals > Capitals > "
                            "Capital of Spain?",
                            "Geography > Europe > Capitals > Capitals > Capitals > Capitals > "
                            "Capital of Portugal?",
                            "Geography > Europe > Capitals > Capitals > Capitals > Capitals > "
                            "[...] is in Liechtenstein",
                            "Geography > Asia > Asia > Asia > Asia > Asia > Capital of Japan?",
                            "Geography > Asia > Asia > Asia > Asia > Asia > Capital of Turkey?"}));
    const QuestionRecord vaduz = recordOf(qs[2]);
    EXPECT_EQ(vaduz.answer, "Vaduz");
    EXPECT_EQ(vaduz.spokenQuestion,
              (Lines{"[...] is in Liechtenstein", "[sound:Geo media/bell.wav]"}));
    EXPECT_EQ(vaduz.notes, (Lines{"Picture: Geo media/flag.png"}));
    ASSERT_TRUE(done.value().media->commit().ok());
    // The media files were zstd-compressed in the package; they arrive as they were.
    auto basic = PackageFile::open(package("basic.apkg"));
    ASSERT_TRUE(basic.ok());
    EXPECT_EQ(fileBytes(dir.filePath(QStringLiteral("Geo media/flag.png"))).toStdString(),
              basic.value()->read("0").value());
    EXPECT_EQ(fileBytes(dir.filePath(QStringLiteral("Geo media/bell.wav"))).toStdString(),
              basic.value()->read("2").value());
}

// --- Bad input ----------------------------------------------------------------------------

TEST_F(ApkgTest, BadPackagesAreRefusedWithTheirReasonAndChangeNothing) {
    const QByteArray before = saved();
    QFile text(dir.filePath(QStringLiteral("words.apkg")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("Just some words\tand more\n");
    text.close();
    const std::string notZip = text.fileName().toStdString();

    struct Case {
        const char* name;
        std::string reason;
    };
    const Case cases[] = {
        {"damaged-zip.apkg",
         "it is a damaged zip file (its directory is missing: the file may be cut short)"},
        {"damaged-collection.apkg", "its collection is damaged (file is not a database)"},
        {"bomb.apkg", "its entry \"3\" would unpack to more than 200 times its packed size"},
        {"empty.apkg", "it holds no Anki collection (the package is empty)"},
        {"placeholder.apkg",
         "it holds only the placeholder collection that newer versions of Anki write for older "
         "ones; export the deck again in Anki with \"Support older Anki versions\" ticked, then "
         "import that file"},
        {"no-such.apkg", "there is no such file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImportFailure stage = ImportFailure::None;
        Result<PackageImport> done = ImportAnkiPackage(tree, *undo, library, package(c.name),
                                                       libraryPath, {}, colors, &stage);
        ASSERT_FALSE(done.ok());
        const std::string expected = "Could not import \"" + package(c.name).toStdString() + "\": ";
        EXPECT_EQ(done.error().substr(0, expected.size()), expected);
        EXPECT_NE(done.error().find(c.reason), std::string::npos) << done.error();
        EXPECT_EQ(stage, std::string_view(c.name) == "no-such.apkg" ? ImportFailure::File
                                                                    : ImportFailure::NotText);
    }
    Result<PackageImport> done =
        ImportAnkiPackage(tree, *undo, library, text.fileName(), libraryPath, {}, colors);
    ASSERT_FALSE(done.ok());
    EXPECT_EQ(done.error(), "Could not import \"" + notZip + "\": it is no zip file");

    // Beyond the total limit (made small here; 4 GB otherwise).
    PackageLimits small;
    small.maxUnpacked = 20000;
    done = import("basic.apkg", NoNode, &small);
    ASSERT_FALSE(done.ok());
    EXPECT_NE(done.error().find("its entries would unpack to more than 20000 bytes"),
              std::string::npos)
        << done.error();

    EXPECT_EQ(saved(), before);
    // A package that reads but cannot be built (below a question): its staged media go too.
    const NodeId deepest = [&] {
        NodeId n = library;
        while (tree.kind(n) < Concept)
            n = AddNewObj(tree, n, colors).value();
        return n;
    }();
    const NodeId question = AddNewObj(tree, deepest, colors).value();
    const QByteArray withQuestion = saved();
    done = import("basic.apkg", question);
    ASSERT_FALSE(done.ok());
    EXPECT_NE(done.error().find("cannot be imported below a question"), std::string::npos)
        << done.error();
    EXPECT_EQ(saved(), withQuestion);
    EXPECT_FALSE(undo->canUndo());
    EXPECT_EQ(filesBelow(dir.path()), QStringList{"words.apkg"});
}

TEST_F(ApkgTest, UnsafeAndMissingMediaAreSkippedByNameAndNothingIsWrittenOutside) {
    Result<PackageImport> done = import("unsafe-media.apkg");
    ASSERT_TRUE(done.ok()) << done.error();
    const ImportSummary& s = done.value().summary;
    EXPECT_EQ(s.questions, 6); // every note keeps its text
    EXPECT_EQ(s.pictures, 1);
    const Lines expected{
        "6 notes of type Capitals read by their fields (first the question, second the answer)",
        "media file \"../evil.png\" skipped: its name contains \"..\"",
        "media file \"/etc/evil.png\" skipped: its name starts with \"/\"",
        "media file \"a\\evil.png\" skipped: its name contains a backslash",
        "media file \"nul\\x00evil.png\" skipped: its name contains a NUL character",
        "media file \"gone.png\" skipped: it is missing from the package"};
    EXPECT_EQ(s.notices, expected);
    const std::vector<NodeId> qs = questions(s.top);
    ASSERT_EQ(qs.size(), 6u);
    const QuestionRecord up = recordOf(qs[0]);
    EXPECT_EQ(up.layout, 1);
    EXPECT_EQ(up.panes[0].textLines, (Lines{"Up"}));
    EXPECT_EQ(recordOf(qs[5]).panes[1].imageFile, "Geo media/flag.png");
    ASSERT_TRUE(done.value().media->commit().ok());
    EXPECT_EQ(filesBelow(dir.path()), QStringList{"Geo media/flag.png"});
    EXPECT_FALSE(
        QFileInfo::exists(QDir(dir.path()).absoluteFilePath(QStringLiteral("../evil.png"))));
    EXPECT_TRUE(CheckStudyQuestions(tree, qs, colors, StudyFolders{dir.path(), dir.path()}).ok());

    EXPECT_EQ(UnsafeMediaName("ok name.png"), "");
    EXPECT_EQ(UnsafeMediaName(".."), "its name contains \"..\"");
    EXPECT_EQ(UnsafeMediaName("a/../b"), "its name contains \"..\"");
    EXPECT_EQ(UnsafeMediaName("sub/pic.png"), "its name contains a folder (\"/\")");
    EXPECT_EQ(UnsafeMediaName(std::string_view("a\0b", 3)), "its name contains a NUL character");
    EXPECT_EQ(UnsafeMediaName(""), "its name is empty");
}

TEST_F(ApkgTest, AnExistingMediaFolderKeepsItsFilesAndAnUncommittedStageLeavesNothing) {
    const QString folder = dir.filePath(QStringLiteral("Geo media"));
    ASSERT_TRUE(QDir().mkpath(folder));
    auto file = PackageFile::open(package("basic.apkg"));
    ASSERT_TRUE(file.ok());
    const std::string flag = file.value()->read("0").value();
    auto put = [&](const char* name, const QByteArray& bytes) {
        QFile f(folder + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    put("flag.png", "someone else's flag");
    put("map of europe.png", "an older map");
    {
        // A failed or abandoned import: the staging folder goes, the media folder stays.
        MediaStage stage(libraryPath);
        ASSERT_TRUE(stage.add("bell.wav", "RIFF").ok());
        EXPECT_EQ(filesBelow(dir.path()).size(), 3);
    }
    EXPECT_EQ(filesBelow(dir.path()),
              (QStringList{"Geo media/flag.png", "Geo media/map of europe.png"}));

    put("map of europe.png", QByteArray::fromStdString(file.value()->read("1").value()));
    Result<PackageImport> done = import("basic.apkg");
    ASSERT_TRUE(done.ok()) << done.error();
    const std::vector<NodeId> qs = questions(done.value().summary.top);
    // A different file of the same name keeps its name; the new one is numbered. The same
    // bytes are shared.
    EXPECT_EQ(recordOf(qs[1]).panes[1].imageFile, "Geo media/flag (2).png");
    EXPECT_EQ(recordOf(qs[2]).panes[0].imageFile, "Geo media/map of europe.png");
    ASSERT_TRUE(done.value().media->commit().ok());
    EXPECT_EQ(filesBelow(dir.path()),
              (QStringList{"Geo media/bell.wav", "Geo media/flag (2).png", "Geo media/flag.png",
                           "Geo media/map of europe.png"}));
    EXPECT_EQ(fileBytes(folder + QStringLiteral("/flag.png")), "someone else's flag");
    EXPECT_EQ(fileBytes(folder + QStringLiteral("/flag (2).png")).toStdString(), flag);
}

// --- The tool -----------------------------------------------------------------------------

namespace {
using ToolResult = ToolRun;

ToolResult tool(const QStringList& args) {
    return RunTool(args);
}
} // namespace

TEST(ApkgTool, ImportsAPackageThatThenChecksAndRefusesADamagedOne) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath(QStringLiteral("Geo.bv1"));
    ToolResult r = tool({QStringLiteral("import"), package("damaged-collection.apkg"), out});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err.toStdString(), "brenvik-tool: Could not import \"" +
                                       package("damaged-collection.apkg").toStdString() +
                                       "\": its collection is damaged (file is not a database)\n");
    EXPECT_TRUE(filesBelow(dir.path()).isEmpty());

    r = tool({QStringLiteral("import"), package("basic.apkg"), out, QStringLiteral("--format"),
              QStringLiteral("csv")});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("--format is for text files")) << r.err.toStdString();

    r = tool({QStringLiteral("import"), package("basic.apkg"), out});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "5 questions, 7 objects and 2 pictures imported (Anki package); 5 notes of "
                     "type Capitals read by their fields (first the question, second the "
                     "answer)\n");
    EXPECT_EQ(filesBelow(dir.path()), (QStringList{"Geo media/bell.wav", "Geo media/flag.png",
                                                   "Geo media/map of europe.png", "Geo.bv1"}));
    r = tool({QStringLiteral("check"), out});
    EXPECT_EQ(r.code, 0) << r.out.toStdString();
    EXPECT_EQ(r.out, "5 questions checked\n");

    // A failed import leaves the library file and its media folder as they were.
    const QByteArray library = fileBytes(out);
    const QStringList files = filesBelow(dir.path());
    for (const char* bad : {"unsafe-media.apkg", "bomb.apkg", "placeholder.apkg"}) {
        const bool unsafe = std::string_view(bad) == "unsafe-media.apkg";
        r = tool({QStringLiteral("import"), package(bad), out, QStringLiteral("--under"),
                  unsafe ? QStringLiteral("no such object") : QStringLiteral("basic")});
        EXPECT_EQ(r.code, 2) << bad;
        EXPECT_EQ(fileBytes(out), library) << bad;
        EXPECT_EQ(filesBelow(dir.path()), files) << bad;
    }

    // A second package into the same library: the media folder gains its files.
    r = tool({QStringLiteral("import"), package("newer.colpkg"), out, QStringLiteral("--under"),
              QStringLiteral("basic")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = tool({QStringLiteral("check"), out});
    EXPECT_EQ(r.out, "10 questions checked\n");
}
