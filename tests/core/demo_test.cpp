#include "library/demodata.h"
#include "library/objects.h"
#include "library/outline.h"
#include "library/questionrecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace brenvik;

namespace {

// Button text and window text are not black here, so a stored 0 and a stored -2 stay
// apart when a record is written back.
FixedDesktopColors testDesktop() {
    DesktopColorScheme s;
    s.buttonText = 0x101010;
    s.windowText = 0x202020;
    return FixedDesktopColors(s);
}

std::vector<std::string_view> splitLf(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<NodeId> questionsOf(const LibraryTree& tree) {
    std::vector<NodeId> out;
    for (NodeId n = tree.first(); n != NoNode; n = tree.preorderNext(n))
        if (tree.kind(n) == Question) out.push_back(n);
    return out;
}

class DemoTree : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(OutlineLoader(tree, DemoText()).ok());
        DeriveNodeKinds(tree);
        questions = questionsOf(tree);
    }
    QuestionRecord read(NodeId q) {
        QuestionRecord r = QuestionRecord::newRecord(desktop);
        EXPECT_EQ(ReadQuestionRecord(tree, q, r, desktop).error, "") << tree.text(q);
        return r;
    }
    const DemoQuestion& entry(const std::string& place) {
        const auto& table = DemoQuestions();
        auto it = std::find_if(table.begin(), table.end(),
                               [&](const DemoQuestion& d) { return place == d.place; });
        EXPECT_NE(it, table.end());
        return *it;
    }
    NodeId question(std::string_view name) {
        for (NodeId q : questions)
            if (tree.text(q) == name) return q;
        ADD_FAILURE() << "no question " << name;
        return NoNode;
    }

    FixedDesktopColors desktop = testDesktop();
    LibraryTree tree;
    std::vector<NodeId> questions;
};

} // namespace

TEST(DemoText, IsAsciiLfOutlineOfTheStatedSize) {
    const std::string& text = DemoText();
    auto lines = splitLf(text);
    EXPECT_EQ(lines.size(), 4512u);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) {
        unsigned char u = static_cast<unsigned char>(c);
        return u < 0x80 && (u >= 0x20 || c == '\t' || c == '\n');
    }));
    // Indentation is TABs only; no node text begins with a blank.
    for (std::string_view l : lines) {
        std::size_t body = l.find_first_not_of('\t');
        ASSERT_NE(body, std::string_view::npos);
        EXPECT_NE(l[body], ' ') << l;
    }
    EXPECT_EQ(lines[0], "ComputerName  >  UserName");
    EXPECT_EQ(lines[2], "\t\t\"current user libraries\"");
    EXPECT_EQ(lines[3], "\tCapitals Demo - Press [F9]");
    EXPECT_EQ(lines[5], "\t\tTravel");
}

TEST(DemoText, FileBytesAreTheTextWithCrLf) {
    const std::string bytes = DemoFileBytes();
    EXPECT_EQ(bytes.size(), DemoText().size() + 4512);
    EXPECT_EQ(bytes.substr(0, 27), "ComputerName  >  UserName\r\n");
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    std::string back = bytes;
    back.erase(std::remove(back.begin(), back.end(), '\r'), back.end());
    EXPECT_EQ(back, DemoText());
}

TEST_F(DemoTree, HasTheFixedPathAndBothConcepts) {
    ASSERT_EQ(tree.childCount(NoNode), 1);
    const char* path[] = {"Capitals Demo - Press [F9]", "Travel",        "Geography",
                          "Western Hemisphere",         "North America", "U.S. & Canada"};
    NodeId n = tree.first();
    for (int level = 1; level <= 6; ++level) {
        // Every object on the path has an empty notes node and one sub-object.
        ASSERT_EQ(tree.childCount(n), 2) << tree.text(n);
        EXPECT_EQ(tree.text(tree.firstChild(n)), "Notes");
        n = tree.nextSibling(tree.firstChild(n));
        EXPECT_EQ(tree.text(n), path[level - 1]);
        EXPECT_EQ(tree.kind(n), level);
    }
    NodeId us = tree.child(n, 1), canada = tree.child(n, 2);
    EXPECT_EQ(tree.childCount(n), 3);
    EXPECT_EQ(tree.text(us), "United States");
    EXPECT_EQ(tree.text(canada), "Canada");
    EXPECT_EQ(tree.childCount(us), 55);
    EXPECT_EQ(tree.childCount(canada), 14);
    EXPECT_FALSE(tree.hasChildren(tree.firstChild(us)));
}

TEST_F(DemoTree, SixtySevenQuestionsWithTheirAnswersInOrder) {
    ASSERT_EQ(questions.size(), 67u);
    const auto& table = DemoQuestions();
    ASSERT_EQ(table.size(), 67u);
    for (std::size_t i = 0; i < questions.size(); ++i) {
        NodeId q = questions[i];
        EXPECT_EQ(tree.text(q), table[i].place);
        EXPECT_EQ(tree.text(tree.parent(q)), table[i].group);
        NodeId settings = tree.child(q, 1);
        ASSERT_NE(settings, NoNode);
        EXPECT_EQ(tree.text(settings), "Settings");
        EXPECT_EQ(tree.kind(settings), SettingsNode);
        EXPECT_EQ(tree.childCount(settings), 8) << tree.text(q);
        EXPECT_EQ(tree.childCount(q), 2);
        EXPECT_FALSE(tree.hasChildren(tree.firstChild(q))); // empty notes
        NodeId answer = tree.child(settings, 6);
        EXPECT_EQ(tree.kind(answer), AnswerLine);
        EXPECT_EQ(tree.text(answer), std::string("Answer: ") + table[i].answer);
    }
    // Spot checks against the published list, independent of the table.
    EXPECT_EQ(read(question("American Samoa")).answer, "Fagatogo, Island of Tutuila");
    EXPECT_EQ(read(question("Newfoundland")).answer, "St. John's");
    EXPECT_EQ(read(question("Quebec")).answer, "Quebec");
    EXPECT_EQ(read(question("Virgin Islands")).answer, "Charlotte Amalie, St. Thomas");
    EXPECT_EQ(tree.text(questions.front()), "Alabama");
    EXPECT_EQ(tree.text(questions[53]), "Wyoming");
    EXPECT_EQ(tree.text(questions[54]), "Alberta");
    EXPECT_EQ(tree.text(questions.back()), "Yukon");

    // Every answer line and every settings node in the whole tree has its kind.
    int answers = 0, settings = 0;
    for (NodeId n = tree.first(); n != NoNode; n = tree.preorderNext(n)) {
        if (tree.text(n).substr(0, 8) == "Answer: ") {
            EXPECT_EQ(tree.kind(n), AnswerLine);
            ++answers;
        }
        if (tree.text(n) == "Settings") {
            EXPECT_EQ(tree.kind(n), SettingsNode);
            ++settings;
        }
    }
    EXPECT_EQ(answers, 67);
    EXPECT_EQ(settings, 67);
}

TEST_F(DemoTree, SpokenTextsAreRespelledWhereTheEngineStumbles) {
    using Lines = std::vector<std::string>;
    struct Case {
        const char* place;
        Lines spokenQ, spokenA;
    };
    const Case cases[] = {
        {"Georgia", {"What's the capital of Georgia?"}, {"At lanta"}},
        {"Hawaii", {"What's the capital of Ha-whyee?"}, {"Honolulu"}},
        {"Iowa", {"What's the capital of i o a?"}, {"Des Moine"}},
        {"Louisiana", {"What's the capital of Louisiana?"}, {"Batton Rouge"}},
        {"Missouri", {"What's the capital of Mizouri?"}, {"Jefferson City"}},
        {"Montana", {"What's the capital of Montana?"}, {"Helayna"}},
        {"North Carolina", {"What's the capital of North Carolina?"}, {"Rolly"}},
        {"Puerto Rico", {"What's the capital of Porto Rico?"}, {"San Juan"}},
        {"United States", {"What's the capital of the United States?"}, {"Washington D.C."}},
        {"Saskatchewan", {"What's the capital of Saskatchewan?"}, {"Regeena"}},
        {"Virgin Islands",
         {"What's the capital of the Virgin Islands?"},
         {"Charlotte Amalie, St. Thomas"}},
        {"Ohio", {"What's the capital of Ohio?"}, {"Columbus"}},
    };
    for (const Case& c : cases) {
        QuestionRecord r = read(question(c.place));
        EXPECT_EQ(r.spokenQuestion, c.spokenQ) << c.place;
        EXPECT_EQ(r.spokenAnswer, c.spokenA) << c.place;
    }
    // Away from the respelled ones, the spoken texts are the shown ones.
    int respelled = 0;
    for (NodeId q : questions) {
        QuestionRecord r = read(q);
        const DemoQuestion& d = entry(std::string(tree.text(q)));
        bool asShownQ =
            r.spokenQuestion == Lines{"What's the capital of " + std::string(d.place) + "?"};
        bool asShownA = r.spokenAnswer == Lines{r.answer};
        if (!asShownQ || !asShownA) ++respelled;
    }
    EXPECT_EQ(respelled, 11); // the ten respelled ones and "the Virgin Islands"
}

TEST_F(DemoTree, EveryRecordReadsWithTheTemplatesPanes) {
    const PaneRecord fresh = PaneRecord::newRecord(desktop);
    std::set<std::string> addresses;
    int arialPanes = 0, longQuestions = 0;
    for (NodeId q : questions) {
        const std::string name(tree.text(q));
        QuestionRecord r = read(q);
        EXPECT_EQ(r.layout, 2) << name;
        EXPECT_TRUE(r.notes.empty());
        EXPECT_EQ(r.proportions[0], "unused");
        EXPECT_EQ(r.proportions[3], "33%, 33%");
        const bool textFirst = r.panes[0].content == TextContent;
        EXPECT_EQ(r.proportions[2], textFirst ? "40%" : "60%") << name;
        const PaneRecord& text = r.panes[textFirst ? 0 : 1];
        const PaneRecord& web = r.panes[textFirst ? 1 : 0];
        EXPECT_EQ(text.content, TextContent) << name;
        EXPECT_EQ(web.content, WebsiteContent) << name;
        EXPECT_EQ(FontToText(text.font, true, desktop), "Arial Rounded MT Bold, 14, -2");
        ASSERT_FALSE(text.textLines.empty());
        EXPECT_EQ(text.textLines[0].substr(0, 21), "What's the capital of");
        if (text.textLines.size() == 2) ++longQuestions;
        EXPECT_EQ(web.webAddress.substr(0, 8), "https://") << name;
        EXPECT_TRUE(addresses.insert(web.webAddress).second) << web.webAddress;

        // Apart from content, font, lines and address, the panes are new pane records.
        auto normalised = [&](PaneRecord p) {
            p.content = TextContent;
            p.font = fresh.font;
            p.textLines.clear();
            p.webAddress.clear();
            return p;
        };
        for (const PaneRecord& p : r.panes)
            EXPECT_EQ(normalised(p), fresh) << name;

        const PaneRecord& third = r.panes[2];
        if (name == "Alabama") {
            EXPECT_EQ(third.content, WebsiteContent);
            EXPECT_NE(third.webAddress.find("Seal_of_Alabama"), std::string::npos);
            EXPECT_TRUE(addresses.insert(third.webAddress).second);
        } else {
            EXPECT_EQ(third.content, TextContent) << name;
            EXPECT_TRUE(third.textLines.empty());
            std::string font = FontToText(third.font, true, desktop);
            EXPECT_TRUE(font == "Times New Roman, 14, B, -2" || font == "Arial, 14, B, 0")
                << name << ": " << font;
            arialPanes += font == "Arial, 14, B, 0";
        }
    }
    EXPECT_EQ(arialPanes, 4);
    EXPECT_EQ(longQuestions, 4);
    EXPECT_EQ(addresses.size(), 68u);
}

TEST_F(DemoTree, LongQuestionsAreSplitAfterTheirFirstLine) {
    auto lines = [&](const char* place) {
        QuestionRecord r = read(question(place));
        return r.panes[r.panes[0].content == TextContent ? 0 : 1].textLines;
    };
    using Lines = std::vector<std::string>;
    EXPECT_EQ(lines("United States"), (Lines{"What's the capital of", "the United States?"}));
    EXPECT_EQ(lines("Virgin Islands"), (Lines{"What's the capital of", "the Virgin Islands?"}));
    EXPECT_EQ(lines("British Columbia"), (Lines{"What's the capital of", "British Columbia?"}));
    EXPECT_EQ(lines("Prince Edward Island"),
              (Lines{"What's the capital of", "Prince Edward Island?"}));
    EXPECT_EQ(lines("New Hampshire"), (Lines{"What's the capital of New Hampshire?"}));
}

TEST_F(DemoTree, HasTheWritersShapeForEveryQuestion) {
    // Writing every record back changes nothing: the demo is laid out as the writer does.
    for (NodeId q : questions) {
        QuestionRecord r = read(q);
        r.name = std::string(tree.text(q));
        WriteQuestionRecord(tree, q, r, desktop);
    }
    EXPECT_EQ(WriteOutline(tree), DemoFileBytes());
}

TEST(DemoInstallTest, ReplacesAReadOnlyDemoFileAndLeavesNone) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString demo = QDir(dir.path()).filePath("Demo");
    {
        QFile old(demo);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("stale\r\n");
    }
    ASSERT_TRUE(QFile::setPermissions(demo, QFile::ReadOwner | QFile::ReadUser));

    LibraryTree tree;
    DemoInstall result = InstallDemoLibrary(tree, dir.path(), " box-7 ", "ann");
    EXPECT_TRUE(result.error.isEmpty()) << result.error.toStdString();
    EXPECT_TRUE(result.loadError.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(demo));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 0);

    EXPECT_EQ(tree.text(tree.first()), "box-7  >  ann");
    EXPECT_EQ(questionsOf(tree).size(), 67u);

    ASSERT_NE(result.select, NoNode);
    EXPECT_EQ(tree.preorderIndex(result.select), 3u);
    EXPECT_EQ(tree.text(result.select), "Capitals Demo - Press [F9]");

    std::vector<std::string> expanded;
    for (NodeId n : result.expand)
        expanded.emplace_back(tree.text(n));
    EXPECT_EQ(expanded, (std::vector<std::string>{"box-7  >  ann", "Capitals Demo - Press [F9]",
                                                  "Travel", "Geography", "Western Hemisphere",
                                                  "North America", "U.S. & Canada"}));

    // What was loaded is exactly the demo file.
    SetRootCaption(tree, "ComputerName", "UserName");
    EXPECT_EQ(WriteOutline(tree), DemoFileBytes());
}

TEST(DemoInstallTest, WriteErrorEndsTheInstallation) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    LibraryTree tree;
    NewEmptyLibrary(tree, "pc", "me");
    DemoInstall result =
        InstallDemoLibrary(tree, QDir(dir.path()).filePath("no/such/folder"), "pc", "me");
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(tree.nodeCount(), 3u); // the tree was not touched
    EXPECT_EQ(tree.text(tree.first()), "pc  >  me");
    EXPECT_TRUE(result.expand.empty());
}

TEST(DemoInstallTest, NewEmptyLibraryIsTheRootWithItsNote) {
    LibraryTree tree;
    ASSERT_TRUE(OutlineLoader(tree, DemoText()).ok());
    NewEmptyLibrary(tree, "", "");
    ASSERT_EQ(tree.nodeCount(), 3u);
    NodeId root = tree.first();
    EXPECT_EQ(tree.kind(root), SystemRoot);
    EXPECT_EQ(tree.text(root), "Local computer  >  Current user");
    NodeId notes = tree.firstChild(root);
    EXPECT_EQ(tree.text(notes), "Notes");
    EXPECT_EQ(tree.kind(notes), NotesNode);
    EXPECT_EQ(tree.text(tree.firstChild(notes)), "\"current user libraries\"");
    EXPECT_EQ(tree.kind(tree.firstChild(notes)), QuotedLine);
    EXPECT_EQ(WriteOutline(tree),
              "Local computer  >  Current user\r\n\tNotes\r\n\t\t\"current user libraries\"\r\n");
}
