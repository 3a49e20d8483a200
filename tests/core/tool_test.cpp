// The command-line tool, run as a separate process on small and damaged files.
#include "library/demodata.h"
#include "library/objects.h"
#include "library/outline.h"
#include "library/questionrecord.h"
#include "toolrun.h"

#include <brenvik/version.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace brenvik;

namespace {

ToolRun tool(const QStringList& args, int timeoutMs = 60000,
             const std::function<void()>& limits = {}) {
    return RunTool(args, timeoutMs, limits);
}

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString file(const char* name, const QByteArray& bytes) {
        QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QByteArray contents(const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        return f.readAll();
    }
    std::vector<QJsonObject> records(const QByteArray& out) {
        std::vector<QJsonObject> objs;
        for (const QByteArray& line : out.split('\n')) {
            if (line.isEmpty()) continue;
            QJsonParseError e;
            QJsonDocument doc = QJsonDocument::fromJson(line, &e);
            EXPECT_EQ(e.error, QJsonParseError::NoError) << line.toStdString();
            objs.push_back(doc.object());
        }
        return objs;
    }

    QTemporaryDir dir;
};

QByteArray demoBytes() {
    std::string b = DemoFileBytes();
    return QByteArray(b.data(), qsizetype(b.size()));
}

} // namespace

TEST_F(ToolTest, DumpPrintsDepthKindAndText) {
    QString path = file("small.bv1", "Root\r\n\tNotes\r\n\t\t\"a note\"\r\n\tShelf\r\n\t\tNotes\n"
                                     "\t\tBook  two \r");
    ToolRun r = tool({"dump", path});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.toStdString(), "0\t0\tRoot\n1\t10\tNotes\n2\t11\t\"a note\"\n1\t1\tShelf\n"
                                   "2\t10\tNotes\n2\t2\tBook  two \n");
    EXPECT_TRUE(r.err.isEmpty());
}

TEST_F(ToolTest, DumpOfABadLevelPrintsWhatWasReadAndFails) {
    QString path = file("bad.bv1", "Root\r\n\tNotes\r\n\t\t\t\tDeep\r\n\tNever\r\n");
    ToolRun r = tool({"dump", path});
    EXPECT_EQ(r.code, 1);
    // Kinds are not derived: the loader's nodes come out as they were added.
    QList<QByteArray> lines = r.out.split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("0\t"));
    EXPECT_TRUE(lines[0].endsWith("\tRoot"));
    EXPECT_TRUE(lines[1].startsWith("1\t"));
    EXPECT_TRUE(lines[1].endsWith("\tNotes"));
    EXPECT_TRUE(r.err.contains("Invalid level (4) for item \"Deep\"")) << r.err.toStdString();
}

TEST_F(ToolTest, MissingFileOrBadArgumentsExitTwo) {
    for (const char* command : {"dump", "record"}) {
        ToolRun r = tool({command, dir.filePath("absent.bv1")});
        EXPECT_EQ(r.code, 2) << command;
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains("absent.bv1")) << r.err.toStdString();
    }
    EXPECT_EQ(tool({"write", dir.filePath("absent.bv1"), dir.filePath("out")}).code, 2);
    EXPECT_FALSE(QFile::exists(dir.filePath("out")));
    EXPECT_EQ(tool({"dump", dir.path()}).code, 2); // a folder is not a file
    EXPECT_EQ(tool({}).code, 2);
    EXPECT_EQ(tool({"frobnicate", "x"}).code, 2);
    EXPECT_EQ(tool({"write", "only-one"}).code, 2);
}

TEST_F(ToolTest, RecordGivesEveryFieldOfTheDemoQuestions) {
    QString path = file("demo.bv1", demoBytes());
    ToolRun r = tool({"record", path});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    auto objs = records(r.out);
    ASSERT_EQ(objs.size(), 67u);
    const QJsonObject& alabama = objs[0];
    EXPECT_EQ(alabama["name"].toString(), "Alabama");
    EXPECT_EQ(alabama["layout"].toInt(), 2);
    QJsonArray props = alabama["proportions"].toArray();
    ASSERT_EQ(props.size(), 4);
    EXPECT_EQ(props[0].toString(), "unused");
    EXPECT_EQ(props[2].toString(), "40%");
    EXPECT_EQ(props[3].toString(), "33%, 33%");
    QJsonArray panes = alabama["panes"].toArray();
    ASSERT_EQ(panes.size(), 3);
    QJsonObject text = panes[0].toObject();
    EXPECT_EQ(text["content"].toInt(), 0);
    EXPECT_EQ(text["font"].toString(), "Arial Rounded MT Bold, 14, -2");
    EXPECT_EQ(text["textLines"].toArray()[0].toString(), "What's the capital of Alabama?");
    EXPECT_EQ(text["textBackground"].toInt(), -1);
    EXPECT_EQ(text["imageBackground"].toInt(), 16777215);
    EXPECT_TRUE(text["centredText"].toBool());
    EXPECT_TRUE(text["imageDeepBorder"].toBool());
    EXPECT_FALSE(text["stretchToFit"].toBool());
    EXPECT_EQ(text["imageFile"].toString(), "");
    for (const char* key : {"textShallowBorder", "textDeepBorder", "imageShallowBorder",
                            "webShallowBorder", "webDeepBorder", "webAddress"})
        EXPECT_TRUE(text.contains(key)) << key;
    EXPECT_EQ(panes[1].toObject()["content"].toInt(), 2);
    EXPECT_TRUE(panes[1].toObject()["webAddress"].toString().startsWith("https://"));
    EXPECT_TRUE(panes[2].toObject()["webAddress"].toString().contains("Seal_of_Alabama"));
    EXPECT_EQ(alabama["answer"].toString(), "Montgomery");
    EXPECT_EQ(alabama["spokenAnswer"].toArray()[0].toString(), "Montgomery");
    EXPECT_EQ(alabama["notes"].toArray().size(), 0);
    EXPECT_FALSE(alabama.contains("error"));
    // "Arial, 14, B, 0": black is the tool desktop's button text, so it reads back as -2.
    int arial = 0;
    for (const QJsonObject& o : objs)
        arial += o["panes"].toArray()[2].toObject()["font"].toString() == "Arial, 14, B, -2" &&
                 o["name"].toString() != "Alabama";
    EXPECT_EQ(arial, 4);
}

// The exact bytes of `record` on the demo library, on names with quotes, backslashes, control
// characters, non-ASCII and Windows-1252 text, and on a record that fails to convert: scripts
// read this output, so its key order and escaping stay as they are.
TEST_F(ToolTest, RecordOutputMatchesItsGoldenFiles) {
    for (const char* name : {"demo", "odd_names", "damaged"}) {
        const QString folder = QStringLiteral(BRENVIK_TESTDATA "/record/") + QLatin1String(name);
        ToolRun r = tool({"record", folder + "/input.txt"});
        ASSERT_EQ(r.code, 0) << name << ": " << r.err.toStdString();
        EXPECT_EQ(r.out.toStdString(), contents(folder + "/expected.jsonl").toStdString()) << name;
    }
}

TEST_F(ToolTest, RecordOfADamagedFileCarriesTheConversionError) {
    QByteArray bytes = demoBytes();
    int at = bytes.indexOf("Layout: 2");
    bytes.replace(at, 9, "Layout: two");
    // A Windows-1252 byte in an answer must come out as proper JSON.
    bytes.replace(bytes.indexOf("Answer: Juneau"), 14,
                  "Answer: Jun\xE9"
                  "au");
    QString path = file("damaged.bv1", bytes);
    ToolRun r = tool({"record", path});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    auto objs = records(r.out);
    ASSERT_EQ(objs.size(), 67u);
    EXPECT_EQ(objs[0]["error"].toString(), "'two' is not a valid integer value");
    // The read stopped at the layout: the rest keeps the new record's values.
    EXPECT_EQ(objs[0]["layout"].toInt(), 1);
    EXPECT_EQ(objs[0]["answer"].toString(), "");
    EXPECT_EQ(objs[0]["proportions"].toArray()[2].toString(), "50%");
    EXPECT_FALSE(objs[1].contains("error"));
    EXPECT_EQ(objs[1]["answer"].toString(), QString::fromUtf8("Jun\xC3\xA9"
                                                              "au"));
}

TEST_F(ToolTest, DemoWritesWhatStartUpInstalls) {
    QString out = dir.filePath("Demo");
    ToolRun r = tool({"demo", out});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    QByteArray toolBytes = contents(out);

    QString mine = dir.filePath("Demo2");
    ASSERT_TRUE(WriteDemoFile(mine).error.empty());
    EXPECT_EQ(toolBytes, contents(mine));
    EXPECT_EQ(toolBytes, demoBytes());
    EXPECT_EQ(toolBytes.count('\n'), 4512);
    EXPECT_EQ(toolBytes.count("\r\n"), 4512);

    EXPECT_NE(tool({"demo", dir.filePath("no/such/dir/Demo")}).code, 0);
}

TEST_F(ToolTest, WriteRoundTripsAndNormalisesLineEnds) {
    QString demo = file("demo.bv1", demoBytes());
    QString out = dir.filePath("again.bv1");
    ToolRun r = tool({"write", demo, out});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(contents(out), demoBytes());

    QString lf = file("lf.bv1", "Root\n\tNotes\n\tLibrary\n\t\tNotes\n");
    ASSERT_EQ(tool({"write", lf, out}).code, 0);
    EXPECT_EQ(contents(out), "Root\r\n\tNotes\r\n\tLibrary\r\n\t\tNotes\r\n");

    QString bad = file("bad.bv1", "Root\n\t\tToo deep\n");
    ToolRun b = tool({"write", bad, dir.filePath("never.bv1")});
    EXPECT_EQ(b.code, 1);
    EXPECT_TRUE(b.err.contains("Invalid level (2) for item \"Too deep\""));
    EXPECT_FALSE(QFile::exists(dir.filePath("never.bv1")));
}

TEST_F(ToolTest, RandomBytesNeverCrashTheTool) {
    std::mt19937 rng(20240611);
    const std::string demo = DemoFileBytes();
    // Bytes that matter to the format come often, so the inputs reach deep into the loader
    // and the record reader.
    const char alphabet[] = "\t\t\t\r\n\n\" :-0123456789yes(selected)Answer:Font,+BIUS\0\xE9\xFF";
    for (int i = 0; i < 150; ++i) {
        std::string bytes;
        switch (i % 3) {
        case 0: { // pure noise
            std::size_t n = rng() % 2000;
            for (std::size_t k = 0; k < n; ++k)
                bytes += char(rng() & 0xFF);
            break;
        }
        case 1: { // format characters
            std::size_t n = rng() % 4000;
            for (std::size_t k = 0; k < n; ++k)
                bytes += alphabet[rng() % (sizeof alphabet - 1)];
            break;
        }
        default: { // the demo with a burst of damage
            bytes = demo.substr(0, 1 + rng() % demo.size());
            for (int k = 0; k < 20; ++k)
                bytes[rng() % bytes.size()] = alphabet[rng() % (sizeof alphabet - 1)];
            break;
        }
        }
        QString path = file("noise.bv1", QByteArray(bytes.data(), qsizetype(bytes.size())));
        for (const char* command : {"dump", "record"}) {
            ToolRun r = tool({command, path});
            ASSERT_FALSE(r.crashed) << command << " crashed on input " << i;
            ASSERT_TRUE(r.code == 0 || r.code == 1) << command << " exit " << r.code;
            if (r.code == 1) {
                EXPECT_FALSE(r.err.isEmpty());
            }
            if (std::string_view(command) == "record" && r.code == 0)
                records(r.out); // every line parses as JSON
        }
    }
}

namespace {

// Root > "Lib" > "Set" > ... > concept "K" with questions "One" (sound) and "Two" (pane 2 a
// picture next to the file); an empty set "Empty"; a second library "Other" whose concept
// holds "Three" (no answer). Objects sit at the depth of their level.
QByteArray checkLibraryBytes() {
    FixedDesktopColors desktop;
    LibraryTree tree;
    const auto add = [&](NodeId parent, const char* name) {
        Result<NodeId> n = AddNewObj(tree, parent, desktop);
        EXPECT_TRUE(n.ok());
        tree.setText(n.value(), name);
        return n.value();
    };
    const auto conceptOf = [&](NodeId library) {
        NodeId n = library;
        for (const char* name : {"Set", "B", "P", "C", "S", "K"})
            n = add(n, name);
        return n;
    };
    const auto question = [&](NodeId parent, const char* name, auto&& change) {
        const NodeId q = add(parent, name);
        QuestionRecord r = QuestionRecord::newRecord(desktop);
        r.name = name;
        r.panes[0].textLines = {"What?"};
        r.answer = "That.";
        change(r);
        WriteQuestionRecord(tree, q, r, desktop);
    };
    const NodeId root = add(NoNode, "Root");
    const NodeId lib = add(root, "Lib");
    const NodeId k = conceptOf(lib);
    question(k, "One", [](QuestionRecord&) {});
    question(k, "Two", [](QuestionRecord& r) {
        r.layout = 2;
        r.panes[1].content = ImageContent;
        r.panes[1].imageFile = " pics/map.png ";
    });
    add(lib, "Empty");
    question(conceptOf(add(root, "Other")), "Three", [](QuestionRecord& r) { r.answer = " "; });
    return QByteArray::fromStdString(WriteOutline(tree));
}

} // namespace

TEST_F(ToolTest, CheckPassesTheDemoWholeAndByPath) {
    const QString demo = file("Demo", demoBytes());
    ToolRun r = tool({"check", demo});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "67 questions checked\n");
    r = tool({"check", demo, "Capitals Demo - Press [F9] > Travel"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "67 questions checked\n");
    const QString canada = "Capitals Demo - Press [F9] > Travel > Geography > Western Hemisphere "
                           "> North America > U.S. & Canada > Canada";
    r = tool({"check", demo, canada});
    EXPECT_EQ(r.out, "13 questions checked\n");
    r = tool({"check", demo, canada + " > Ontario"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "1 question checked\n");

    r = tool({"check", demo, "Capitals Demo - Press [F9] > Nowhere"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains("Nowhere")) << r.err.toStdString();
    EXPECT_EQ(tool({"check", dir.filePath("absent.bv1")}).code, 2);
    EXPECT_EQ(tool({"check"}).code, 2);
}

TEST_F(ToolTest, CheckReportsTheFirstProblemWithItsQuestionsPath) {
    const QString path = file("small.bv1", checkLibraryBytes());
    // The tool runs elsewhere: the picture is looked for next to the file.
    ASSERT_NE(QDir::currentPath(), dir.path());
    ToolRun r = tool({"check", path});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "The image file, pics/map.png, doesn't exist (specified in pane 2)\n"
                     "for the following question...\nLib > Set > B > P > C > S > K > Two\n");

    ASSERT_TRUE(QDir(dir.path()).mkpath("pics/map.png")); // a folder is no picture
    EXPECT_EQ(tool({"check", path}).code, 1);
    ASSERT_TRUE(QDir(dir.path()).rmdir("pics/map.png"));
    file("pics/map.png", "picture bytes");
    // Every library of the root is checked, in tree order.
    r = tool({"check", path});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "No answer exists for the\nfollowing question...\nOther > Set > B > P > C > S "
                     "> K > Three\n");
    r = tool({"check", path, "Lib"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "2 questions checked\n");
    r = tool({"check", path, "Lib > Empty"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "No questions exist at the level selected.\n");
    EXPECT_EQ(tool({"check", path, "Lib > Set > B > P > C > S > K > Four"}).code, 2);

    // A record that cannot be read is its question's problem.
    QByteArray damaged = checkLibraryBytes();
    damaged.replace(damaged.indexOf("Layout: 1"), 9, "Layout: x");
    r = tool({"check", file("damaged.bv1", damaged), "Lib"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "'x' is not a valid integer value\nLib > Set > B > P > C > S > K > One\n");
}

TEST_F(ToolTest, HelpAndVersionGoToStdoutAndSucceed) {
    for (const char* option : {"--help", "-h"}) {
        ToolRun r = tool({option});
        EXPECT_EQ(r.code, 0) << option;
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith("Usage: brenvik-tool ")) << r.out.toStdString();
        for (const char* command :
             {"dump FILE", "record FILE", "demo OUT", "write FILE OUT", "check FILE [PATH]"})
            EXPECT_TRUE(r.out.contains(command)) << command;
        EXPECT_TRUE(r.out.contains("Exit status:\n  0  success\n  1  the library is damaged"));
        EXPECT_TRUE(r.out.contains("  2  bad usage, or a file that cannot be read or written"));
    }
    ToolRun v = tool({"--version"});
    EXPECT_EQ(v.code, 0);
    EXPECT_EQ(v.out, "brenvik-tool " BRENVIK_VERSION "\n");
    EXPECT_STREQ(BRENVIK_VERSION, "1.1"); // the version the About box shows
}

TEST_F(ToolTest, UsageErrorsGiveTheReasonThenTheUsageAndExitTwo) {
    const struct {
        QStringList args;
        const char* reason;
    } cases[] = {
        {{"frobnicate", "x"}, "brenvik-tool: unknown command 'frobnicate'\n"},
        {{}, "brenvik-tool: no command given\n"},
        {{"--frobnicate"}, "brenvik-tool: Unknown option 'frobnicate'.\n"},
        {{"write", "only-one"}, "brenvik-tool: write takes FILE OUT\n"},
        {{"dump", "a", "b"}, "brenvik-tool: dump takes FILE\n"},
        {{"check", "a", "b", "c"}, "brenvik-tool: check takes FILE [PATH]\n"},
    };
    for (const auto& c : cases) {
        ToolRun r = tool(c.args);
        EXPECT_EQ(r.code, 2) << c.reason;
        EXPECT_TRUE(r.out.isEmpty()) << c.reason;
        EXPECT_TRUE(r.err.startsWith(QByteArray(QByteArray(c.reason) + "Usage: brenvik-tool ")))
            << r.err.toStdString();
    }
    // After the command every argument is a file name, even one that looks like an option.
    ToolRun r = tool({"dump", "--help"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "brenvik-tool: --help: no such file\n");
}

TEST_F(ToolTest, LoaderErrorsNameFileAndLineAndExitOne) {
    // Empty lines and every kind of line end count as lines.
    const QString bad = file("bad.bv1", "Root\r\n\r\n\tNotes\n\r\t\t\tDeep\r\n\tNever\r\n");
    const QByteArray where = bad.toUtf8() + ":5: Invalid level (3) for item \"Deep\"";
    for (const char* command : {"dump", "record", "check"}) {
        ToolRun r = tool({command, bad});
        EXPECT_EQ(r.code, 1) << command;
        EXPECT_EQ(r.err, "brenvik-tool: " + where + "\n") << command;
    }
    ToolRun w = tool({"write", bad, dir.filePath("out.bv1")});
    EXPECT_EQ(w.code, 1);
    EXPECT_TRUE(w.err.contains(where)) << w.err.toStdString();
    // The first line never has a wrong level; a second line two levels deeper is line 2.
    ToolRun second = tool({"dump", file("second.bv1", "\t\tRoot\n\t\tA\n")});
    EXPECT_EQ(second.code, 1);
    EXPECT_TRUE(second.err.contains("second.bv1:2: Invalid level (2) for item \"A\""))
        << second.err.toStdString();
}

TEST_F(ToolTest, FilesThatCannotBeReadOrWrittenExitTwoNamingTheFile) {
    const QString demo = file("demo.bv1", demoBytes());
    // A folder is neither read nor replaced as a library file.
    for (const QStringList& args :
         {QStringList{"write", demo, dir.path()}, QStringList{"demo", dir.path()},
          QStringList{"write", demo, dir.filePath("no/such/folder/out.bv1")},
          QStringList{"demo", dir.filePath("no/such/folder/Demo")}}) {
        ToolRun r = tool(args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(args.last().toUtf8())) << r.err.toStdString();
    }
    for (const char* command : {"dump", "record", "check"}) {
        ToolRun r = tool({command, dir.path()});
        EXPECT_EQ(r.code, 2) << command;
        EXPECT_TRUE(r.err.contains(dir.path().toUtf8())) << r.err.toStdString();
    }
    // The check's own findings are a failed check, not a usage error.
    const QString empty = file("empty.bv1", "Root\r\n\tNotes\r\n");
    EXPECT_EQ(tool({"check", empty}).code, 1);
    EXPECT_EQ(tool({"check", demo}).code, 0);
}

// A file holding a NUL byte is read up to it, as the program reads it, and the tool says so
// in the program's words; it never writes the part it read over the whole file.
TEST_F(ToolTest, FileCutShortByANulIsWarnedAboutAndNotWrittenOverItself) {
    const QByteArray bytes("Root\r\n\tNotes\r\n\tLib\0rary\r\n\tLost\r\n", 29);
    const QString path = file("nul.bv1", bytes);
    const QByteArray warning = "brenvik-tool: The library \"" + path.toUtf8() +
                               "\" was cut short: the file holds a NUL byte, where reading "
                               "stops, so only 18 of its 29 bytes were read.\n";
    for (const char* command : {"dump", "record", "check"}) {
        ToolRun r = tool({command, path});
        EXPECT_EQ(r.err.left(warning.size()), warning) << command << ": " << r.err.toStdString();
    }
    ToolRun d = tool({"dump", path});
    EXPECT_EQ(d.code, 0);
    EXPECT_EQ(d.out, "0\t0\tRoot\n1\t10\tNotes\n1\t1\tLib\n");
    EXPECT_EQ(d.err, warning);

    // Over itself, by any name: refused, the file stays whole.
    const QString link = dir.filePath("link.bv1");
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(link).constData()), 0);
    for (const QString& out : QStringList{path, dir.path() + "/./nul.bv1", link}) {
        ToolRun w = tool({"write", path, out});
        EXPECT_EQ(w.code, 1) << out.toStdString();
        EXPECT_TRUE(w.err.startsWith(warning)) << w.err.toStdString();
        EXPECT_TRUE(w.err.contains(
            QByteArray(out.toUtf8() + ": not written over the file it was read from")))
            << w.err.toStdString();
        EXPECT_EQ(contents(path), bytes);
    }
    // Elsewhere the part read is written, with the warning.
    const QString copy = dir.filePath("copy.bv1");
    ToolRun w = tool({"write", path, copy});
    EXPECT_EQ(w.code, 0);
    EXPECT_EQ(w.err, warning);
    EXPECT_EQ(contents(copy), "Root\r\n\tNotes\r\n\tLib\r\n");
    // Binary data is warned about the same way.
    const QString binary = file("binary.bv1", "Root\r\n\tNo\x01tes\r\n");
    ToolRun b = tool({"write", binary, binary});
    EXPECT_EQ(b.code, 1);
    EXPECT_TRUE(b.err.contains("may be cut short or garbled")) << b.err.toStdString();
    EXPECT_EQ(contents(binary), "Root\r\n\tNo\x01tes\r\n");
    // Importing into such a library would save it cut short: refused, the file stays whole.
    const QString notes = file("notes.csv", "Capital of France,Paris\n");
    ToolRun i = tool({"import", notes, path});
    EXPECT_EQ(i.code, 1) << i.err.toStdString();
    EXPECT_TRUE(i.err.startsWith(warning)) << i.err.toStdString();
    EXPECT_TRUE(i.err.contains("not written over the file it was read from"))
        << i.err.toStdString();
    EXPECT_EQ(contents(path), bytes);
}

// Only regular files are libraries: a device that never ends and a pipe nobody writes to
// are refused at once, with the program's message and the exit status of a bad input file.
TEST_F(ToolTest, DevicesAndPipesAreRefused) {
    const QString fifo = dir.filePath("pipe.bv1");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // A regression must neither hang the suite nor eat the machine's memory.
    const auto bounded = [] {
        const rlimit memory{rlim_t(1) << 30, rlim_t(1) << 30};
        setrlimit(RLIMIT_AS, &memory);
    };
    for (const QString& path : {QStringLiteral("/dev/zero"), fifo}) {
        for (const char* command : {"dump", "record", "check"}) {
            ToolRun r = tool({command, path}, 10000, bounded);
            EXPECT_FALSE(r.crashed) << command << " " << path.toStdString();
            EXPECT_EQ(r.code, 2) << command << " " << path.toStdString();
            EXPECT_EQ(r.err, "brenvik-tool: File not found: " + path.toUtf8() + "\n");
            EXPECT_TRUE(r.out.isEmpty());
        }
        ToolRun w = tool({"write", path, dir.filePath("out.bv1")}, 10000, bounded);
        EXPECT_EQ(w.code, 2);
        EXPECT_FALSE(QFile::exists(dir.filePath("out.bv1")));
    }
}

// A disk too full for the whole library (a file-size limit standing in for it): the write
// fails naming the file, and the old file stays as it was.
TEST_F(ToolTest, WriteOntoAFullDiskFailsAndKeepsTheOldFile) {
    QByteArray library = "Root\r\n\tNotes\r\n";
    for (int i = 0; library.size() < 40000; ++i)
        library += "\tLibrary " + QByteArray::number(i) + " with a longer name\r\n\t\tNotes\r\n";
    const QString in = file("in.bv1", library);
    const QByteArray old = "Root\r\n\tNotes\r\n\tOld library\r\n";
    const QString out = file("out.bv1", old);
    const qint64 size = library.size();
    for (qint64 limit : {qint64(0), size - 16385, size - 16384, size - 4097, size - 1}) {
        ToolRun r = tool({"write", in, out}, 60000, [limit] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit files{rlim_t(limit), rlim_t(limit)};
            setrlimit(RLIMIT_FSIZE, &files);
        });
        EXPECT_EQ(r.code, 2) << "limit " << limit;
        EXPECT_TRUE(
            r.err.startsWith(QByteArray("brenvik-tool: Could not save \"" + out.toUtf8() + "\": ")))
            << r.err.toStdString();
        EXPECT_EQ(contents(out), old) << "limit " << limit;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    ToolRun r = tool({"write", in, out}, 60000, [size] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit files{rlim_t(size), rlim_t(size)};
        setrlimit(RLIMIT_FSIZE, &files);
    });
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(contents(out), library);
}

// The check looks for a picture named without a folder where the program looks: beside the
// library file, then in the program folder (a copy of the tool in a folder of its own has
// that folder as its program folder, as the program beside it would).
TEST_F(ToolTest, CheckLooksBesideTheLibraryThenInTheProgramFolder) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("bin"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("other"));
    const QString copy = dir.filePath("bin/brenvik-tool");
    ASSERT_TRUE(QFile::copy(QStringLiteral(BRENVIK_TOOL), copy));
    QByteArray library = checkLibraryBytes();
    library.replace("pics/map.png", "map.png");
    const QString path = file("other/lib.bv1", library);
    const auto check = [&] {
        QProcess p;
        p.start(copy, {"check", path, "Lib"});
        EXPECT_TRUE(p.waitForFinished(60000));
        return p.exitCode() == 0 ? QByteArray("passed")
                                 : p.readAllStandardOutput() + p.readAllStandardError();
    };
    EXPECT_EQ(check(), "The image file, map.png, doesn't exist (specified in pane 2)\n"
                       "for the following question...\nLib > Set > B > P > C > S > K > Two\n");
    file("bin/map.png", "in the program folder");
    EXPECT_EQ(check(), "passed");
    ASSERT_TRUE(QFile::remove(dir.filePath("bin/map.png")));
    file("other/map.png", "beside the library");
    EXPECT_EQ(check(), "passed");
}
