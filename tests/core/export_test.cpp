// Exporting a branch: the fields, quoting and HTML of each format, the deck names, the media
// of a package and what is left out, the round trip through the importers, a package read
// back by a reader that is not ours, failed writes, and the tool's export command.

#include "import/apkgimport.h"
#include "import/apkgreader.h"
#include "import/exporter.h"
#include "import/textimport.h"
#include "library/demodata.h"
#include "library/objects.h"
#include "library/outline.h"
#include "library/questionrecord.h"
#include "library/undostore.h"
#include "toolrun.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace brenvik;

namespace {

using Lines = std::vector<std::string>;

FixedDesktopColors desktop() {
    return FixedDesktopColors(); // the standard light scheme
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

std::string str(const QString& s) {
    return s.toStdString();
}

// What a question is made of.
struct Q {
    Lines text; // pane 1's lines (empty: no text pane)
    std::string answer;
    Lines notes;
    std::vector<std::string> pictures;  // image panes after the text
    std::string web;                    // a website pane after those
    Lines spokenQuestion, spokenAnswer; // lines added after the text
};

// A library "Geo" in a folder of its own, with pictures beside it and in a program folder:
//   Geo > Europe > North > Part 1 > Chapter 1 > Section 1 > Capitals: three questions
//   Geo > Asia > East > Part 1 > Chapter 1 > Section 1 > Maps: a picture alone, and one whose
//   files are missing, a metafile and a web page
class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        libraryFolder = dir.filePath(QStringLiteral("lib"));
        programFolder = dir.filePath(QStringLiteral("program"));
        writeFile(libraryFolder + "/flag.png", "red flag");
        writeFile(libraryFolder + "/sub/flag.png", "blue flag");
        writeFile(libraryFolder + "/bell.wav", "ding");
        writeFile(libraryFolder + "/wave.wmf", "metafile");
        writeFile(programFolder + "/map.png", "a map");
        // Beside the library wins over the program folder.
        writeFile(programFolder + "/flag.png", "program flag");

        NewEmptyLibrary(tree, "host", "me");
        root = tree.first();
        library = object(root, "Geo", Library);
        const NodeId capitals =
            chain(library, {"Europe", "North", "Part 1", "Chapter 1", "Section 1", "Capitals"});
        europe = tree.parent(tree.parent(tree.parent(tree.parent(tree.parent(capitals)))));
        norway = question(capitals, {{"Capital of Norway?", "Fjords & <fells>"},
                                     "Oslo",
                                     {"Cold", "Long \"nights\""},
                                     {"flag.png"},
                                     "",
                                     {"[sound:bell.wav]"},
                                     {}});
        question(capitals, {{"Tab\there, comma, \"quote\""},
                            "x, y",
                            {},
                            {"sub/flag.png"},
                            "",
                            {},
                            {"[sound:bell.wav]"}});
        question(capitals, {{"#1 first"}, "One", {}, {}, "", {}, {}});
        maps = chain(library, {"Asia", "East", "Part 1", "Chapter 1", "Section 1", "Maps"});
        question(maps, {{}, "Europe", {}, {"map.png"}, "", {}, {}});
        question(
            maps,
            {{"Where?"}, "Here", {}, {"gone.png", "wave.wmf"}, "", {"[sound:silence.wav]"}, {}});
        question(maps, {{"Web?"}, "Web", {}, {}, "https://example.org/", {}, {}});
    }

    NodeId object(NodeId parent, const char* name, int level) {
        const NodeId n = tree.appendChild(parent, name, level);
        AddNotesNode(tree, n, "");
        return n;
    }
    NodeId chain(NodeId parent, const Lines& names) {
        int level = tree.depth(parent);
        for (const std::string& name : names)
            parent = object(parent, name.c_str(), ++level);
        return parent;
    }
    // Named by its first line (or its picture), as Add new and the importers name them, so
    // that a round trip gives the same names.
    NodeId question(NodeId parent, const Q& q) {
        WizardData data;
        for (const std::string& line : q.text)
            data.question += (data.question.empty() ? "" : "\n") + line;
        data.spokenQuestion = data.question;
        for (const std::string& line : q.spokenQuestion)
            data.spokenQuestion += "\n" + line;
        data.answer = q.answer;
        data.spokenAnswer = q.answer;
        for (const std::string& line : q.spokenAnswer)
            data.spokenAnswer += "\n" + line;
        QuestionRecord r = NewQuestionRecord(colors, &data);
        std::size_t pane = q.text.empty() ? 0 : 1;
        for (const std::string& picture : q.pictures) {
            r.panes[pane].content = ImageContent;
            r.panes[pane++].imageFile = picture;
        }
        if (!q.web.empty()) {
            r.panes[pane].content = WebsiteContent;
            r.panes[pane++].webAddress = q.web;
        }
        r.layout = (long long)std::max<std::size_t>(pane, 1);
        r.notes = q.notes;
        const std::string name = q.text.empty() ? q.pictures.front() : q.text.front();
        return AppendQuestion(tree, parent, name, std::move(r), colors);
    }

    ExportFolders folders() const { return {libraryFolder, programFolder}; }

    std::vector<ExportNote> collect(NodeId top, Lines& leftOut, bool sounds = true) {
        return CollectExportNotes(tree, top, folders(), colors, leftOut, sounds);
    }

    QTemporaryDir dir;
    QString libraryFolder, programFolder;
    FixedDesktopColors colors = desktop();
    LibraryTree tree;
    NodeId root = NoNode, library = NoNode, europe = NoNode, norway = NoNode, maps = NoNode;
};

// The object names from `from` (excluded) down to every question, "A > B > ... > Q", and
// each question's record.
struct Shape {
    Lines paths;
    std::vector<QuestionRecord> records;
};
Shape shapeBelow(const LibraryTree& tree, NodeId from) {
    Shape s;
    const NodeId end = tree.preorderNextSkipping(from);
    for (NodeId n = tree.preorderNext(from); n != NoNode && n != end; n = tree.preorderNext(n)) {
        if (tree.kind(n) != Question) continue;
        std::string path;
        for (NodeId p = n; p != from; p = tree.parent(p))
            path = std::string(tree.text(p)) + (path.empty() ? "" : " > ") + path;
        s.paths.push_back(path);
        QuestionRecord r;
        EXPECT_TRUE(ReadFreshQuestionRecord(tree, n, r, desktop()).ok());
        s.records.push_back(r);
    }
    return s;
}

NodeId childNamed(const LibraryTree& tree, NodeId n, std::string_view name) {
    for (NodeId c = tree.firstChild(n); c != NoNode; c = tree.nextSibling(c))
        if (tree.text(c) == name) return c;
    return NoNode;
}

} // namespace

// --- What is written -------------------------------------------------------------------------

TEST_F(ExportTest, FieldsAreEscapedHtmlWithBreaksPicturesSoundsAndTheObjectPathAsDeck) {
    Lines leftOut;
    const std::vector<ExportNote> notes = collect(library, leftOut);
    ASSERT_EQ(notes.size(), 6u);
    const std::string europeDeck = "Europe::North::Part 1::Chapter 1::Section 1::Capitals";
    EXPECT_EQ(notes[0].deck, europeDeck);
    EXPECT_EQ(notes[0].front,
              "Capital of Norway?<br>Fjords &amp; &lt;fells&gt;<br><img src=\"flag.png\"> "
              "[sound:bell.wav]");
    EXPECT_EQ(notes[0].back, "Oslo");
    EXPECT_EQ(notes[0].notes, "Cold<br>Long &quot;nights&quot;");
    // A second file of the same name is numbered; the answer's sound goes to the back.
    EXPECT_EQ(notes[1].front, "Tab\there, comma, &quot;quote&quot;<br><img src=\"flag (2).png\">");
    EXPECT_EQ(notes[1].back, "x, y [sound:bell.wav]");
    EXPECT_EQ(notes[3].deck, "Asia::East::Part 1::Chapter 1::Section 1::Maps");
    EXPECT_EQ(notes[3].front, "<img src=\"map.png\">");

    // Each note names the files it uses, found beside the library first.
    ASSERT_EQ(notes[0].media.size(), 2u);
    EXPECT_EQ(notes[0].media[0].name, "flag.png");
    EXPECT_EQ(readFile(notes[0].media[0].path), "red flag");
    EXPECT_EQ(notes[0].media[1].name, "bell.wav");
    ASSERT_EQ(notes[1].media.size(), 2u);
    EXPECT_EQ(readFile(notes[1].media[0].path), "blue flag");
    EXPECT_EQ(notes[1].media[1].name, "bell.wav");
    ASSERT_EQ(notes[3].media.size(), 1u);
    EXPECT_EQ(readFile(notes[3].media[0].path), "a map");

    // Every file that cannot go along is named with its question.
    const std::string where = "\" of \"Geo > Asia > East > Part 1 > Chapter 1 > Section 1 > "
                              "Maps > Where?\": ";
    EXPECT_EQ(leftOut,
              (Lines{"picture \"gone.png" + where + "the file is missing",
                     "picture \"wave.wmf" + where + "Anki cannot show metafiles",
                     "sound \"silence.wav" + where + "the file is missing",
                     "website \"https://example.org/\" of \"Geo > Asia > East > Part 1 > "
                     "Chapter 1 > Section 1 > Maps > Web?\": the export holds no web pages"}));
    ASSERT_EQ(notes[2].front, "#1 first");

    // A single question and a concept export only themselves.
    Lines none;
    const std::vector<ExportNote> one = collect(norway, none);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].deck, europeDeck);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(collect(tree.parent(norway), none).size(), 3u);
    EXPECT_EQ(collect(root, none).size(), 6u);
    // A question with nothing left to show is left out as a whole.
    QFile::remove(programFolder + "/map.png");
    Lines gone;
    EXPECT_EQ(collect(library, gone).size(), 5u);
    EXPECT_EQ(gone.at(0), "picture \"map.png\" of \"Geo > Asia > East > Part 1 > Chapter 1 > "
                          "Section 1 > Maps > map.png\": the file is missing");
    EXPECT_EQ(gone.at(1), "question \"Geo > Asia > East > Part 1 > Chapter 1 > Section 1 > "
                          "Maps > map.png\": nothing to ask without its panes");
}

TEST_F(ExportTest, TextFormatsHaveTheirHeadersAndQuoteByRfc4180) {
    Lines leftOut;
    // The text formats carry no sounds, and their importers would read "[sound:...]" as
    // text: they are left out.
    const std::vector<ExportNote> notes = collect(europe, leftOut, false);
    EXPECT_EQ(leftOut, (Lines{"sound \"bell.wav\" of \"Geo > Europe > North > Part 1 > Chapter 1 > "
                              "Section 1 > Capitals > Capital of Norway?\": a text file holds no "
                              "sounds",
                              "sound \"bell.wav\" of \"Geo > Europe > North > Part 1 > Chapter 1 > "
                              "Section 1 > Capitals > Tab\there, comma, \"quote\"\": a text file "
                              "holds no sounds"}));
    const std::string deck = "Europe::North::Part 1::Chapter 1::Section 1::Capitals";
    EXPECT_EQ(AnkiTextExport(notes),
              "#separator:tab\n#html:true\n#columns:Front\tBack\tNotes\tDeck\n#deck column:4\n"
              "\"Capital of Norway?<br>Fjords &amp; &lt;fells&gt;<br><img src=\"\"flag.png\"\">\""
              "\tOslo\tCold<br>Long &quot;nights&quot;\t" +
                  deck +
                  "\n"
                  // A tab in a field is quoted; a leading "#" would start a header line.
                  "\"Tab\there, comma, &quot;quote&quot;<br><img src=\"\"flag (2).png\"\">\"\t"
                  "x, y\t\t" +
                  deck + "\n&#35;1 first\tOne\t\t" + deck + "\n");
    EXPECT_EQ(CsvExport(notes),
              "Front,Back,Notes,Deck\r\n"
              "\"Capital of Norway?<br>Fjords &amp; &lt;fells&gt;<br><img src=\"\"flag.png\"\">\","
              "Oslo,Cold<br>Long &quot;nights&quot;," +
                  deck +
                  "\r\n"
                  "\"Tab\there, comma, &quot;quote&quot;<br><img src=\"\"flag (2).png\"\">\","
                  "\"x, y\",," +
                  deck + "\r\n#1 first,One,," + deck + "\r\n");
    EXPECT_EQ(EscapeHtml("a&b<c>\"d\"'"), "a&amp;b&lt;c&gt;&quot;d&quot;'");
}

TEST_F(ExportTest, PackageHoldsTheDecksNotesAndMediaAndTheSummarySaysWhatWasLeftOut) {
    const QString out = dir.filePath(QStringLiteral("Geo.apkg"));
    const Result<ExportSummary> done =
        ExportBranch(tree, library, out, ExportFormat::Package, folders(), colors);
    ASSERT_TRUE(done.ok()) << done.error();
    EXPECT_EQ(done.value().questions, 6);
    EXPECT_EQ(done.value().pictures, 3);
    EXPECT_EQ(done.value().sounds, 1);
    EXPECT_EQ(str(done.value().text())
                  .rfind("6 questions, 3 pictures and 1 sound exported (Anki package); 4 left "
                         "out:\npicture \"gone.png\" of \"Geo",
                         0),
              0u)
        << str(done.value().text());
    // A line per item left out, up to the number asked for.
    const QString shortText = done.value().text(2);
    EXPECT_EQ(shortText.count('\n'), 3);
    EXPECT_TRUE(shortText.endsWith("Anki cannot show metafiles\nand 2 more")) << str(shortText);

    // Our own reader sees the same notes, decks and files.
    auto opened = PackageFile::open(out);
    ASSERT_TRUE(opened.ok()) << opened.error();
    Result<AnkiPackage> read = ReadAnkiPackage(*opened.value());
    ASSERT_TRUE(read.ok()) << read.error();
    const AnkiPackage& pkg = read.value();
    EXPECT_EQ(pkg.collection, "collection.anki2");
    EXPECT_TRUE(pkg.notices.empty()); // a Basic note type: read as question and answer
    ASSERT_EQ(pkg.notes.notes.size(), 6u);
    EXPECT_EQ(pkg.notes.notes[0].deck, "Europe::North::Part 1::Chapter 1::Section 1::Capitals");
    EXPECT_EQ(pkg.notes.notes[0].questionPictures, Lines{"flag.png"});
    EXPECT_EQ(pkg.notes.notes[0].questionSounds, Lines{"bell.wav"});
    EXPECT_EQ(pkg.notes.notes[1].questionPictures, Lines{"flag (2).png"});
    EXPECT_EQ(pkg.notes.notes[3].deck, "Asia::East::Part 1::Chapter 1::Section 1::Maps");
    ASSERT_EQ(pkg.media.size(), 4u);
    for (const auto& [name, bytes] :
         std::map<std::string, QByteArray>{{"flag.png", "red flag"},
                                           {"flag (2).png", "blue flag"},
                                           {"bell.wav", "ding"},
                                           {"map.png", "a map"}}) {
        ASSERT_TRUE(pkg.media.count(name)) << name;
        Result<std::string> got = opened.value()->readMedia(pkg.media.at(name), false);
        ASSERT_TRUE(got.ok()) << got.error();
        EXPECT_EQ(got.value(), bytes.toStdString()) << name;
    }
}

// A package as Python's zipfile and sqlite3 read it: the tables Anki reads, the note type,
// decks, fields and the media map with the files' bytes.
TEST_F(ExportTest, PackageReadsBackWithoutOurCode) {
    const QString out = dir.filePath(QStringLiteral("Geo.apkg"));
    ASSERT_TRUE(ExportBranch(tree, library, out, ExportFormat::Package, folders(), colors).ok());
    QProcess p;
    const QString python = QFileInfo::exists(QStringLiteral("/usr/bin/python3"))
                               ? QStringLiteral("/usr/bin/python3")
                               : QStringLiteral("python3");
    p.start(python, {QStringLiteral(BRENVIK_READ_APKG), out});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    EXPECT_EQ(o["version"].toInt(), 11);
    EXPECT_EQ(o["revlog"].toInt(), 0);
    EXPECT_EQ(o["graves"].toInt(), 0);
    const QJsonArray models = o["models"].toArray();
    ASSERT_EQ(models.size(), 1);
    EXPECT_EQ(models[0]["name"].toString(), "Basic");
    EXPECT_EQ(
        models[0]["fields"].toArray(),
        (QJsonArray{QStringLiteral("Front"), QStringLiteral("Back"), QStringLiteral("Notes")}));
    const QJsonArray notes = o["notes"].toArray();
    ASSERT_EQ(notes.size(), 6);
    EXPECT_EQ(notes[0]["deck"].toString(), "Europe::North::Part 1::Chapter 1::Section 1::Capitals");
    EXPECT_EQ(notes[0]["cards"].toInt(), 1);
    EXPECT_EQ(
        notes[0]["fields"].toArray(),
        (QJsonArray{QStringLiteral("Capital of Norway?<br>Fjords &amp; &lt;fells&gt;<br><img "
                                   "src=\"flag.png\"> [sound:bell.wav]"),
                    QStringLiteral("Oslo"), QStringLiteral("Cold<br>Long &quot;nights&quot;")}));
    EXPECT_EQ(notes[3]["deck"].toString(), "Asia::East::Part 1::Chapter 1::Section 1::Maps");
    EXPECT_EQ(notes[3]["fields"].toArray()[0].toString(), "<img src=\"map.png\">");
    const QJsonObject media = o["media"].toObject();
    EXPECT_EQ(media.keys(), (QStringList{"bell.wav", "flag (2).png", "flag.png", "map.png"}));
    EXPECT_EQ(media["flag (2).png"]["size"].toInt(), 9); // "blue flag"
    EXPECT_EQ(media["map.png"]["sha1"].toString(),
              QCryptographicHash::hash("a map", QCryptographicHash::Sha1).toHex());
}

// --- The round trip ----------------------------------------------------------------------------

// Exported, then imported into a library of its own: the same objects and questions below
// it, with texts, answers, pictures, sounds and notes.
TEST_F(ExportTest, RoundTripThroughEachFormatGivesTheSameTree) {
    const Shape before = shapeBelow(tree, library);
    for (const char* suffix : {"apkg", "txt", "csv"}) {
        SCOPED_TRACE(suffix);
        const QString out = dir.filePath(QStringLiteral("Geo.") + QLatin1String(suffix));
        ExportFormat format;
        ASSERT_TRUE(ExportFormatForFile(out, format));
        const bool package = format == ExportFormat::Package;
        // The text formats name pictures but cannot carry them: a question that is only a
        // picture has no text to come back with, so they go round the set with text only.
        const NodeId top = package ? library : europe;
        ASSERT_TRUE(ExportBranch(tree, top, out, format, folders(), colors).ok());

        LibraryTree back;
        NewEmptyLibrary(back, "host", "me");
        UndoStore undo(back);
        NodeId target = back.first();
        if (!package) target = back.appendChild(back.first(), "Geo", Library);
        const QString libraryPath = dir.filePath(QStringLiteral("back/Geo.bv1"));
        QDir().mkpath(QFileInfo(libraryPath).absolutePath());
        BuildOptions build;
        build.sourceName = "Geo";
        if (package) {
            Result<PackageImport> in =
                ImportAnkiPackage(back, undo, target, out, libraryPath, build, colors);
            ASSERT_TRUE(in.ok()) << in.error();
            ASSERT_TRUE(in.value().media->commit().ok());
        } else {
            TextImportOptions options;
            options.build = build;
            Result<ImportSummary> in = ImportTextFile(back, undo, target, out, options, colors);
            ASSERT_TRUE(in.ok()) << in.error();
        }
        const NodeId geo = childNamed(back, back.first(), "Geo");
        ASSERT_NE(geo, NoNode);
        const Shape after = shapeBelow(back, geo);
        // The importers read a control character in a field as a blank.
        Shape expected = before;
        for (std::string& path : expected.paths)
            std::replace(path.begin(), path.end(), '\t', ' ');
        for (QuestionRecord& r : expected.records)
            for (std::string& line : r.panes[0].textLines)
                std::replace(line.begin(), line.end(), '\t', ' ');
        if (!package) { // only the set that went
            expected.paths.resize(3);
            expected.records.resize(3);
        }
        ASSERT_EQ(after.paths, expected.paths);
        for (std::size_t i = 0; i < after.records.size(); ++i) {
            SCOPED_TRACE(after.paths[i]);
            const QuestionRecord& a = after.records[i];
            const QuestionRecord& b = expected.records[i];
            EXPECT_EQ(a.answer, b.answer);
            const bool textFirst = b.panes[0].content == TextContent;
            if (textFirst) {
                EXPECT_EQ(a.panes[0].textLines, b.panes[0].textLines);
            }
            EXPECT_EQ(a.notes, b.notes);
            if (!package) continue;
            // The first picture comes back as a pane with the same bytes, in the media
            // folder beside the new library.
            const PaneRecord& pictureBefore = b.panes[textFirst ? 1 : 0];
            if (pictureBefore.content != ImageContent) continue;
            const QString original =
                QDir(pictureBefore.imageFile == "map.png" ? programFolder : libraryFolder)
                    .filePath(QString::fromStdString(pictureBefore.imageFile));
            if (!QFileInfo::exists(original)) continue; // left out, and named so
            const PaneRecord& pictureAfter = a.panes[textFirst ? 1 : 0];
            ASSERT_EQ(pictureAfter.content, ImageContent);
            EXPECT_EQ(readFile(QFileInfo(libraryPath)
                                   .absoluteDir()
                                   .filePath(QString::fromStdString(pictureAfter.imageFile))),
                      readFile(original));
        }
        if (package) {
            // The spoken question keeps its sound, renamed into the media folder.
            EXPECT_EQ(after.records[0].spokenQuestion.back(), "[sound:Geo media/bell.wav]");
            EXPECT_EQ(readFile(dir.filePath(QStringLiteral("back/Geo media/bell.wav"))), "ding");
        }
    }
}

// --- Failures ----------------------------------------------------------------------------------

TEST_F(ExportTest, AFailedExportLeavesNoFileAndAnOldFileIntact) {
    const QString out = dir.filePath(QStringLiteral("old.apkg"));
    writeFile(out, "old bytes");
    const QStringList before = QDir(dir.path()).entryList(QDir::Files);

    // A branch without questions: a new set.
    const NodeId empty = object(library, "Empty", Set);
    Result<ExportSummary> r =
        ExportBranch(tree, empty, out, ExportFormat::Package, folders(), colors);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error(), "Could not export \"" + str(QDir::toNativeSeparators(out)) +
                             "\": there are no questions to export");
    EXPECT_EQ(readFile(out), "old bytes");

    // A folder that does not exist: nothing is created.
    const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/x.csv"));
    r = ExportBranch(tree, library, nowhere, ExportFormat::Csv, folders(), colors);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().rfind("Could not export \"" + str(nowhere) + "\": ", 0), 0u) << r.error();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("no"))));

    // A read-only file is kept, as a library is.
    ASSERT_TRUE(QFile::setPermissions(out, QFileDevice::ReadOwner));
    r = ExportBranch(tree, library, out, ExportFormat::AnkiText, folders(), colors);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error(), "Could not export \"" + str(out) + "\": the file is read-only");
    EXPECT_EQ(readFile(out), "old bytes");
    QFile::setPermissions(out, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    // A folder in the file's place.
    r = ExportBranch(tree, library, dir.filePath(QStringLiteral("lib")), ExportFormat::Csv,
                     folders(), colors);
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.error().find("it is a folder"), std::string::npos) << r.error();

    // No temporary file is left beside them.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), before);
}

namespace {
// Runs `work` in a child whose files may grow to `limit` bytes only (SIGXFSZ ignored, so a
// write past it fails as on a full disk). 0 when it reported success, 1 a failure, -1 when
// the child did not end normally.
int InChildWithFileLimit(rlim_t limit, const std::function<bool()>& work) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit r{limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &r) != 0) _exit(3);
        _exit(work() ? 0 : 1);
    }
    if (pid < 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    const int code = WEXITSTATUS(status);
    return code <= 1 ? code : -1;
}
} // namespace

// On a disk that fills up during the write, at every size around the new file's and around
// the file device's 16 KiB blocks: either the whole new file or the old one, byte for byte,
// and never a temporary file left beside it.
TEST_F(ExportTest, AWriteThatRunsOutOfSpaceKeepsTheOldFile) {
    for (const ExportFormat format : {ExportFormat::Csv, ExportFormat::Package}) {
        const QString out = dir.filePath(format == ExportFormat::Csv ? "full.csv" : "full.apkg");
        ASSERT_TRUE(ExportBranch(tree, library, out, format, folders(), colors).ok());
        const qint64 size = QFileInfo(out).size();
        const QByteArray fresh = readFile(out);
        std::set<qint64> limits;
        for (qint64 l = std::max<qint64>(0, size - 20 * 1024); l <= size + 1024; l += 512)
            limits.insert(l);
        for (qint64 b = 16384; b <= size + 1024; b += 16384)
            limits.insert({b - 1, b, b + 1});
        limits.insert({size - 1, size, size + 1});
        int failed = 0;
        for (qint64 limit : limits) {
            if (limit < 0) continue;
            writeFile(out, "old bytes");
            const QStringList before = QDir(dir.path()).entryList(QDir::Files);
            const int code = InChildWithFileLimit(rlim_t(limit), [&] {
                return ExportBranch(tree, library, out, format, folders(), colors).ok();
            });
            ASSERT_NE(code, -1) << "limit " << limit;
            if (code == 1) {
                ++failed;
                EXPECT_EQ(readFile(out), "old bytes") << "limit " << limit;
            } else if (format == ExportFormat::Csv) {
                EXPECT_EQ(readFile(out), fresh) << "limit " << limit;
            } else { // a whole package
                auto opened = PackageFile::open(out);
                ASSERT_TRUE(opened.ok()) << "limit " << limit << ": " << opened.error();
                Result<AnkiPackage> read = ReadAnkiPackage(*opened.value());
                ASSERT_TRUE(read.ok()) << "limit " << limit << ": " << read.error();
                EXPECT_EQ(read.value().notes.notes.size(), 6u) << "limit " << limit;
            }
            // The package's ids come from the clock, so only the text's bytes are known.
            if (format == ExportFormat::Csv) {
                EXPECT_EQ(code == 0, limit >= size) << limit;
            }
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), before) << "limit " << limit;
        }
        EXPECT_GT(failed, 0);
    }
}

// Only the panes the layout shows count; every text pane among them is written, in order,
// and a question that is only a web page is left out as a whole.
TEST(ExportPanes, TheLayoutsTextPanesInOrderAndNothingElse) {
    const FixedDesktopColors colors = desktop();
    LibraryTree tree;
    NewEmptyLibrary(tree, "host", "me");
    NodeId n = tree.first();
    for (int level = Library; level <= Concept; ++level)
        n = tree.appendChild(n, "L" + std::to_string(level), level);
    WizardData data{"one\ntwo", "answer", "one\ntwo", "answer"};
    QuestionRecord r = NewQuestionRecord(colors, &data);
    r.layout = 3;
    r.panes[1].content = WebsiteContent;
    r.panes[1].webAddress = "page.html";
    r.panes[2].textLines = {"three"};
    AppendQuestion(tree, n, "one", r, colors);
    r.layout = 1; // pane 3 is not shown, and goes nowhere
    AppendQuestion(tree, n, "one", r, colors);
    r.panes[0].content = WebsiteContent;
    r.panes[0].webAddress = "https://example.org/";
    AppendQuestion(tree, n, "web", r, colors);

    Lines leftOut;
    const std::vector<ExportNote> notes =
        CollectExportNotes(tree, tree.first(), {QString(), QDir::tempPath()}, colors, leftOut);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].front, "one<br>two<br>three");
    EXPECT_EQ(notes[0].deck, "L2::L3::L4::L5::L6::L7");
    EXPECT_EQ(notes[1].front, "one<br>two");
    EXPECT_EQ(leftOut,
              (Lines{"website \"page.html\" of \"L1 > L2 > L3 > L4 > L5 > L6 > L7 > one\": the "
                     "export holds no web pages",
                     "website \"https://example.org/\" of \"L1 > L2 > L3 > L4 > L5 > L6 > L7 > "
                     "web\": the export holds no web pages",
                     "question \"L1 > L2 > L3 > L4 > L5 > L6 > L7 > web\": nothing to ask "
                     "without its panes"}));
}

TEST(ExportFormats, ChosenByExtensionOrName) {
    ExportFormat f = ExportFormat::Csv;
    EXPECT_TRUE(ExportFormatForFile(QStringLiteral("/a/b.APKG"), f));
    EXPECT_EQ(f, ExportFormat::Package);
    EXPECT_TRUE(ExportFormatForFile(QStringLiteral("b.txt"), f));
    EXPECT_EQ(f, ExportFormat::AnkiText);
    EXPECT_TRUE(ExportFormatForFile(QStringLiteral("b.csv"), f));
    EXPECT_EQ(f, ExportFormat::Csv);
    EXPECT_FALSE(ExportFormatForFile(QStringLiteral("b.bv1"), f));
    EXPECT_FALSE(ExportFormatForFile(QStringLiteral("apkg"), f));
    EXPECT_FALSE(ExportFormatFromName("package", f));
}

// --- The tool ----------------------------------------------------------------------------------

namespace {
struct ToolResult {
    int code = -1;
    std::string out, err;
};
ToolResult tool(const QStringList& args) {
    const ToolRun r = RunTool(args);
    return {r.code, r.out.toStdString(), r.err.toStdString()};
}
} // namespace

TEST_F(ExportTest, ToolExportsABranchByPathAndFormat) {
    const QString file = libraryFolder + QStringLiteral("/Geo.bv1");
    ASSERT_TRUE(SaveLibraryFile(tree, file).ok());
    const QString out = dir.filePath(QStringLiteral("europe.data"));
    const QString europePath = QStringLiteral("Geo > Europe");

    ToolResult r = tool({"export", file, europePath, out, "--format", "csv"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("3 questions and 2 pictures exported (CSV); 2 left out:\nsound", 0), 0u)
        << r.out;
    EXPECT_EQ(readFile(out).left(23), "Front,Back,Notes,Deck\r\n");

    // The whole library by the extension; pictures named without a folder beside FILE.
    r = tool({"export", file, dir.filePath(QStringLiteral("all.apkg"))});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("5 questions, 2 pictures and 1 sound exported (Anki package); 6 left "
                          "out:\npicture \"map.png\" of",
                          0),
              0u)
        << r.out;

    r = tool({"export", file, dir.filePath(QStringLiteral("x.doc"))});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("name the format with --format"), std::string::npos) << r.err;
    r = tool({"export", file, out, "--format", "doc"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "brenvik-tool: export: --format cannot be 'doc'\n");
    r = tool({"export", file, "Geo > Nowhere", dir.filePath(QStringLiteral("x.csv"))});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "brenvik-tool: Geo > Nowhere: no such object in " + str(file) + "\n");
    r = tool({"export", dir.filePath(QStringLiteral("missing.bv1")), out});
    EXPECT_EQ(r.code, 2);

    r = tool({"--help"});
    EXPECT_NE(r.out.find("  export FILE [PATH] OUT [--format apkg|txt|csv]\n"), std::string::npos);
    r = tool({"export", file});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(
        r.err.rfind("brenvik-tool: export takes FILE [PATH] OUT [--format apkg|txt|csv]\n", 0), 0u)
        << r.err;
    r = tool({"export", file, "a", "b", "c"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "brenvik-tool: export takes FILE [PATH] OUT [--format apkg|txt|csv]\n");

    LibraryTree empty;
    NewEmptyLibrary(empty, "host", "me");
    const QString emptyFile = dir.filePath(QStringLiteral("empty.bv1"));
    ASSERT_TRUE(SaveLibraryFile(empty, emptyFile).ok());
    r = tool({"export", emptyFile, dir.filePath(QStringLiteral("none.txt"))});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("there are no questions to export"), std::string::npos) << r.err;
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("none.txt"))));
}
