#include "library/objects.h"
#include "library/questionrecord.h"
#include "library/questionstamp.h"

#include <gtest/gtest.h>

using namespace brenvik;

namespace {

// A question below a chapter, as AddNewObj makes it, plus helpers to find its nodes.
class QuestionRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        DesktopColorScheme s;
        s.buttonFace = 0xC0C0C0;
        s.buttonText = 0x000000;
        s.window = 0xFFFFFF;
        s.windowText = 0x000000;
        desk.setScheme(s);
        chapter = tree.appendChild(NoNode, "Chapter", Chapter);
        tree.appendChild(chapter, "Notes", NotesNode);
        question = tree.appendChild(chapter, "Question 1", Question);
        tree.appendChild(question, "Notes", NotesNode);
    }

    NodeId settings() const { return tree.nextSibling(tree.firstChild(question)); }
    NodeId settingsChild(int row) const { return tree.child(settings(), row); }
    // Settings rows: 0 layout, 1 proportions, 2..4 panes, 5 spoken q, 6 answer, 7 spoken a.
    NodeId pane(int i) const { return settingsChild(2 + i); }
    NodeId paneLine(int i, int choice, int row) const {
        return tree.child(tree.child(pane(i), choice), row);
    }

    QuestionRecord sample() const {
        QuestionRecord r = QuestionRecord::newRecord(desk);
        r.name = "What is the capital of Norway?";
        r.notes = {"first note", "", "say \"hi\""};
        r.layout = 3;
        r.proportions[2] = "40%";
        r.proportions[3] = "20%, 30%";
        r.panes[0].textLines = {"Oslo?", "", " indented"};
        r.panes[0].font = FontSpec{"M+ 1p", 20, false, true, true, false, 255};
        r.panes[0].textBackground = 12345;
        r.panes[0].centredText = false;
        r.panes[0].textDeepBorder = true;
        r.panes[1].content = ImageContent;
        r.panes[1].imageFile = "/pics/oslo.jpg";
        r.panes[1].stretchToFit = true;
        r.panes[1].imageDeepBorder = false;
        r.panes[1].imageBackground = -3;
        r.panes[2].content = WebsiteContent;
        r.panes[2].webAddress = "http://example.org/a:b";
        r.panes[2].webShallowBorder = true;
        r.spokenQuestion = {"What is", "the capital"};
        r.answer = "Oslo";
        r.spokenAnswer = {"Oslo."};
        return r;
    }

    LibraryTree tree;
    FixedDesktopColors desk;
    NodeId chapter = NoNode, question = NoNode;
};

TEST_F(QuestionRecordTest, NewQuestionHasTheDocumentedLines) {
    WriteQuestionRecord(tree, question, QuestionRecord::newRecord(desk), desk);
    ASSERT_EQ(tree.childCount(settings()), 8);
    EXPECT_EQ(tree.text(settingsChild(0)), "Layout: 1");
    EXPECT_EQ(tree.text(tree.child(settingsChild(1), 0)), "Layout 2: 50%");
    EXPECT_EQ(tree.text(tree.child(settingsChild(1), 1)), "Layout 3: 33%, 33%");
    std::vector<std::string> expected = {"Text: (selected)",
                                         "Lines",
                                         "Font: Arial, 14, B, -2",
                                         "Shallow border: no",
                                         "Deep border: no",
                                         "Centered text: yes",
                                         "Background color: -1",
                                         "Image: (not selected)",
                                         "File: ",
                                         "Shallow border: no",
                                         "Deep border: yes",
                                         "Stretch to fit: no",
                                         "Background color: 16777215",
                                         "Website: (not selected)",
                                         "Address: ",
                                         "Add shallow border: no",
                                         "Add deep border: no"};
    for (int i = 0; i < 3; ++i) {
        std::vector<std::string> seen;
        for (NodeId n = tree.firstChild(pane(i)); n != NoNode; n = tree.preorderNext(n)) {
            if (!tree.isInSubtree(n, pane(i))) break;
            seen.emplace_back(tree.text(n));
        }
        EXPECT_EQ(seen, expected) << "pane " << i;
        EXPECT_EQ(tree.kind(pane(i)), PaneNode);
    }
    EXPECT_EQ(tree.kind(paneLine(0, 0, 1)), FontLine);
    EXPECT_EQ(tree.kind(paneLine(0, 1, 0)), FileLine);
    EXPECT_EQ(tree.kind(paneLine(0, 2, 0)), AddressLine);
    EXPECT_EQ(tree.text(settingsChild(5)), "Spoken Question Text");
    EXPECT_EQ(tree.text(settingsChild(6)), "Answer: ");
    EXPECT_EQ(tree.kind(settingsChild(6)), AnswerLine);
    EXPECT_EQ(tree.text(settingsChild(7)), "Spoken Answer Text");
}

TEST_F(QuestionRecordTest, RoundTrip) {
    QuestionRecord written = sample();
    WriteQuestionRecord(tree, question, written, desk);
    EXPECT_EQ(tree.text(question), written.name);
    QuestionRecord read;
    EXPECT_EQ(ReadFreshQuestionRecord(tree, question, read, desk).error, "");
    EXPECT_EQ(read, written);

    // Writing again over the full subtree changes nothing and adds no node.
    std::size_t nodes = tree.nodeCount();
    WriteQuestionRecord(tree, question, written, desk);
    EXPECT_EQ(tree.nodeCount(), nodes);
    // A record read on a caller-initialised record keeps the caller's name.
    QuestionRecord other = QuestionRecord::newRecord(desk);
    other.name = "kept";
    EXPECT_EQ(ReadQuestionRecord(tree, question, other, desk).error, "");
    EXPECT_EQ(other.name, "kept");
    other.name = written.name;
    EXPECT_EQ(other, written);
}

TEST_F(QuestionRecordTest, OneLineValuesAreMadeStorable) {
    QuestionRecord r = sample();
    r.answer = "two\nlines";
    r.panes[1].imageFile = "a\r\nb";
    WriteQuestionRecord(tree, question, r, desk);
    EXPECT_EQ(tree.text(settingsChild(6)), "Answer: two lines");
    EXPECT_EQ(tree.text(paneLine(1, 1, 0)), "File: a  b");
    QuestionRecord read;
    EXPECT_EQ(ReadFreshQuestionRecord(tree, question, read, desk).error, "");
    EXPECT_EQ(read.answer, "two lines");
}

TEST_F(QuestionRecordTest, AnswerWithAndWithoutBlank) {
    QuestionRecord r = sample();
    WriteQuestionRecord(tree, question, r, desk);
    tree.setText(settingsChild(6), "Answer: ");
    QuestionRecord read;
    ReadFreshQuestionRecord(tree, question, read, desk);
    EXPECT_EQ(read.answer, "");
    EXPECT_EQ(read.spokenAnswer, r.spokenAnswer);

    tree.setText(settingsChild(6), "Answer:");
    ReadFreshQuestionRecord(tree, question, read, desk);
    EXPECT_EQ(read.answer, "");
    EXPECT_TRUE(read.spokenAnswer.empty()); // reading stopped before it
    EXPECT_EQ(read.spokenQuestion, r.spokenQuestion);
}

TEST_F(QuestionRecordTest, ValuesNeedACharacterAfterTheBlank) {
    WriteQuestionRecord(tree, question, sample(), desk);
    tree.setText(tree.child(settingsChild(1), 0), "Layout 2: ");
    QuestionRecord read = QuestionRecord::newRecord(desk);
    read.proportions[2] = "caller's";
    EXPECT_EQ(ReadQuestionRecord(tree, question, read, desk).error, "");
    EXPECT_EQ(read.proportions[2], "caller's");
    EXPECT_EQ(read.proportions[3], "20%, 30%");

    // A layout line without a value ends the reading before the panes.
    tree.setText(settingsChild(0), "Layout:");
    QuestionRecord fresh;
    ReadFreshQuestionRecord(tree, question, fresh, desk);
    EXPECT_EQ(fresh.layout, 1);
    EXPECT_EQ(fresh.notes, sample().notes);
    EXPECT_EQ(fresh.proportions[2], "50%");
}

TEST_F(QuestionRecordTest, ChoicesAndFlagsByContainment) {
    WriteQuestionRecord(tree, question, sample(), desk);
    tree.setText(tree.child(pane(0), 1), "Image: (selected)");
    tree.setText(tree.child(pane(0), 2), "Website: (selected)");
    tree.setText(tree.child(pane(1), 1), "Image: (not selected)");
    tree.setText(paneLine(0, 1, 2), "Deep border: yesterday");
    tree.setText(paneLine(0, 0, 2), "Shallow border: Yes"); // case-sensitive: no
    QuestionRecord read;
    ReadFreshQuestionRecord(tree, question, read, desk);
    EXPECT_EQ(read.panes[0].content, WebsiteContent);
    EXPECT_EQ(read.panes[1].content, TextContent);
    EXPECT_TRUE(read.panes[0].imageDeepBorder);
    EXPECT_FALSE(read.panes[0].textShallowBorder);
    // The text line's own choice is not consulted.
    tree.setText(tree.child(pane(2), 0), "Text: (not selected)");
    tree.setText(tree.child(pane(2), 2), "Website: (not selected)");
    ReadFreshQuestionRecord(tree, question, read, desk);
    EXPECT_EQ(read.panes[2].content, TextContent);
}

TEST_F(QuestionRecordTest, QuotedLinesDropFirstAndLastCharacter) {
    WriteQuestionRecord(tree, question, sample(), desk);
    NodeId lines = paneLine(0, 0, 0);
    tree.setText(tree.child(lines, 0), "unquoted");
    tree.setText(tree.child(lines, 1), "x");
    QuestionRecord read;
    ReadFreshQuestionRecord(tree, question, read, desk);
    EXPECT_EQ(read.panes[0].textLines, (std::vector<std::string>{"nquote", "", " indented"}));
}

TEST_F(QuestionRecordTest, SpokenLinesCountFollowsTheRecord) {
    QuestionRecord r = sample();
    r.spokenQuestion = {"1", "2", "3", "4", "5"};
    WriteQuestionRecord(tree, question, r, desk);
    EXPECT_EQ(tree.childCount(settingsChild(5)), 5);
    r.spokenQuestion = {"a", "b"};
    WriteQuestionRecord(tree, question, r, desk);
    ASSERT_EQ(tree.childCount(settingsChild(5)), 2);
    EXPECT_EQ(tree.text(tree.child(settingsChild(5), 0)), "\"a\"");
    EXPECT_EQ(tree.text(tree.child(settingsChild(5), 1)), "\"b\"");
    EXPECT_EQ(tree.kind(tree.child(settingsChild(5), 1)), QuotedLine);
}

TEST_F(QuestionRecordTest, DeletedSettingsIsRebuiltAfterTheNotes) {
    QuestionRecord r = sample();
    WriteQuestionRecord(tree, question, r, desk);
    std::size_t nodes = tree.nodeCount();
    tree.remove(settings());
    ASSERT_EQ(tree.childCount(question), 1);
    WriteQuestionRecord(tree, question, r, desk);
    EXPECT_EQ(tree.nodeCount(), nodes);
    ASSERT_EQ(tree.childCount(question), 2);
    EXPECT_EQ(tree.text(settings()), "Settings");
    EXPECT_EQ(tree.kind(settings()), SettingsNode);
    EXPECT_EQ(tree.kind(settingsChild(1)), ProportionsNode);
    EXPECT_EQ(tree.kind(settingsChild(5)), SpokenTextNode);
    QuestionRecord read;
    EXPECT_EQ(ReadFreshQuestionRecord(tree, question, read, desk).error, "");
    EXPECT_EQ(read, r);
}

TEST_F(QuestionRecordTest, ConversionErrorKeepsEarlierFields) {
    QuestionRecord r = sample();
    WriteQuestionRecord(tree, question, r, desk);
    // Pane 2's image background is bad: pane 1 and pane 2's text block were read.
    tree.setText(paneLine(1, 1, 4), "Background color: blue");
    QuestionRecord read;
    EXPECT_EQ(ReadFreshQuestionRecord(tree, question, read, desk).error,
              "'blue' is not a valid integer value");
    EXPECT_EQ(read.layout, 3);
    EXPECT_EQ(read.panes[0], r.panes[0]);
    EXPECT_EQ(read.panes[1].imageFile, r.panes[1].imageFile);
    EXPECT_TRUE(read.panes[1].stretchToFit);
    EXPECT_EQ(read.panes[1].imageBackground, 16777215);
    EXPECT_EQ(read.panes[2], PaneRecord::newRecord(desk));
    EXPECT_TRUE(read.answer.empty());

    tree.setText(settingsChild(0), "Layout: two");
    EXPECT_EQ(ReadFreshQuestionRecord(tree, question, read, desk).error,
              "'two' is not a valid integer value");
    EXPECT_EQ(read.notes, r.notes);
    EXPECT_EQ(read.layout, 1);

    tree.setText(settingsChild(0), "Layout: 2");
    tree.setText(paneLine(0, 0, 1), "Font: Arial, big, B, -2");
    EXPECT_EQ(ReadFreshQuestionRecord(tree, question, read, desk).error,
              "'big' is not a valid integer value");
    EXPECT_EQ(read.layout, 2);
    EXPECT_EQ(read.proportions[2], "40%");
}

TEST_F(QuestionRecordTest, FreshReadNeverInheritsThePreviousQuestion) {
    WriteQuestionRecord(tree, question, sample(), desk);
    NodeId cut = tree.appendChild(chapter, "Question 2", Question);
    tree.appendChild(cut, "Notes", NotesNode);
    NodeId s = tree.appendChild(cut, "Settings", SettingsNode);
    tree.appendChild(s, "Layout: 2", LayoutLine); // cut short after the layout

    QuestionRecord record;
    ASSERT_EQ(ReadFreshQuestionRecord(tree, question, record, desk).error, "");
    ASSERT_EQ(record.answer, "Oslo");
    EXPECT_EQ(ReadFreshQuestionRecord(tree, cut, record, desk).error, "");
    QuestionRecord expected = QuestionRecord::newRecord(desk);
    expected.name = "Question 2";
    expected.layout = 2;
    EXPECT_EQ(record, expected);

    // The plain reader fills in only what it finds, as its callers expect.
    QuestionRecord kept = sample();
    EXPECT_EQ(ReadQuestionRecord(tree, cut, kept, desk).error, "");
    EXPECT_EQ(kept.answer, "Oslo");
    EXPECT_EQ(kept.layout, 2);
    EXPECT_TRUE(kept.notes.empty());
}

TEST_F(QuestionRecordTest, PaneReadStopsAtMissingNodes) {
    WriteQuestionRecord(tree, question, sample(), desk);
    // Without a font value the text block ends, but the image block is still read.
    tree.setText(paneLine(0, 0, 1), "Font:");
    PaneRecord p = PaneRecord::newRecord(desk);
    p.font.name = "Keep";
    p.textBackground = 7;
    p.content = ImageContent;
    EXPECT_EQ(ReadPaneRecord(tree, pane(0), p, desk).error, "");
    EXPECT_EQ(p.font.name, "Keep");
    EXPECT_FALSE(p.font.bold); // style set cleared all the same
    EXPECT_EQ(p.textBackground, 7);
    EXPECT_EQ(p.content, TextContent);
    EXPECT_EQ(p.textLines, sample().panes[0].textLines);

    // By position, not by label: with the stretch line gone, the background line is
    // read as the stretch flag and no background is read.
    tree.remove(tree.child(pane(1), 2));
    tree.remove(paneLine(1, 1, 3));
    p = PaneRecord::newRecord(desk);
    p.stretchToFit = true;
    p.imageBackground = 99;
    p.webAddress = "old";
    EXPECT_EQ(ReadPaneRecord(tree, pane(1), p, desk).error, "");
    EXPECT_EQ(p.content, ImageContent);
    EXPECT_EQ(p.imageFile, "/pics/oslo.jpg");
    EXPECT_FALSE(p.stretchToFit);
    EXPECT_EQ(p.imageBackground, 99);
    EXPECT_EQ(p.webAddress, "");
}

TEST_F(QuestionRecordTest, SpokenAnswerAsOneText) {
    WriteQuestionRecord(tree, question, sample(), "Oslo,\r\nthe capital\rof Norway\n", desk);
    QuestionRecord read;
    ReadFreshQuestionRecord(tree, question, read, desk);
    EXPECT_EQ(read.spokenAnswer, (std::vector<std::string>{"Oslo,", "the capital", "of Norway"}));
    WriteQuestionRecord(tree, question, sample(), "", desk);
    EXPECT_EQ(tree.childCount(settingsChild(7)), 0);
}

TEST(SplitLines, AllLineEnds) {
    EXPECT_TRUE(SplitLines("").empty());
    EXPECT_EQ(SplitLines("a"), (std::vector<std::string>{"a"}));
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\n"), (std::vector<std::string>{"a"}));
    EXPECT_EQ(SplitLines("a\n\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(SplitLines("\r\n"), (std::vector<std::string>{""}));
    EXPECT_EQ(SplitLines("a\n\rb"), (std::vector<std::string>{"a", "", "b"}));
}

} // namespace

// The importer's fast writer must give, node for node, what AppendQuestion writes: same
// texts, same kinds, same order, whatever the record's shape and texts.
TEST(QuestionStamper, CopiesAreWhatAppendQuestionWrites) {
    DesktopColorScheme scheme;
    scheme.buttonText = 0x102030;
    FixedDesktopColors desk(scheme);
    auto variant = [&](int i) {
        QuestionRecord r = QuestionRecord::newRecord(desk);
        r.name = "Question " + std::to_string(i);
        r.panes[0].textLines = {"line " + std::to_string(i), "  leading blanks", "a\nbreak"};
        if (i % 3 == 1) r.panes[0].textLines.clear();
        r.notes = {"", "note " + std::to_string(i), "   ", "Tags: x"};
        if (i % 4 == 0) r.notes.clear();
        r.answer = i % 5 ? "answer\r\n" + std::to_string(i) : "";
        r.spokenQuestion = {"spoken", "\t[sound:a.mp3]"};
        r.spokenAnswer = {};
        if (i % 2) r.spokenAnswer = {"heard " + std::to_string(i)};
        r.layout = 1 + i % 3; // shapes: layout and pane contents vary
        r.panes[1].content = i % 2 ? ImageContent : TextContent;
        r.panes[1].imageFile = i % 2 ? "media/p" + std::to_string(i) + ".png" : "";
        r.panes[2].webAddress = i % 7 ? "" : "https://example.org/" + std::to_string(i);
        // Past the template limit, questions are written one by one: cover both roads.
        r.panes[2].font.size = 10 + i % 11;
        return r;
    };
    LibraryTree expected, stamped;
    const NodeId e = expected.appendChild(NoNode, "Concept", Concept);
    const NodeId s = stamped.newDetached("Concept", Concept);
    {
        QuestionStamper stamper(stamped, desk);
        for (int i = 0; i < 60; ++i) {
            const QuestionRecord r = variant(i);
            AppendQuestion(expected, e, r.name, r, desk);
            const NodeId alone = stamper.append(NoNode, r); // a subtree of its own
            stamped.freeDetached(alone);
            stamper.append(s, r);
        }
    }
    stamped.attachDetached(s, NoNode, NoNode);
    ASSERT_EQ(expected.nodeCount(), stamped.nodeCount()); // the templates are freed
    NodeId a = expected.first(), b = stamped.first();
    for (; a != NoNode && b != NoNode; a = expected.preorderNext(a), b = stamped.preorderNext(b)) {
        ASSERT_EQ(expected.text(a), stamped.text(b));
        ASSERT_EQ(expected.kind(a), stamped.kind(b)) << expected.text(a);
        ASSERT_EQ(expected.depth(a), stamped.depth(b)) << expected.text(a);
    }
    EXPECT_EQ(a, NoNode);
    EXPECT_EQ(b, NoNode);
}
