// Collecting the questions below an object, checking them before a session, object paths.
#include "library/demodata.h"
#include "library/objects.h"
#include "library/outline.h"
#include "library/questionrecord.h"
#include "study/core/collect.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

// Root > Lib > Set > Book > Part > chapters C1 (two sections with questions), C2 (sections
// without concepts), C3 (one question); a second set holds one more question.
class CollectTree : public ::testing::Test {
protected:
    void SetUp() override {
        root = obj(NoNode, "Root", SystemRoot);
        lib = obj(root, "Lib", Library);
        const NodeId set = obj(lib, "Set", Set);
        const NodeId book = obj(set, "Book", Book);
        const NodeId part = obj(book, "Part", Part);
        c1 = obj(part, "C1", Chapter);
        const NodeId s1 = obj(c1, "S1", Section);
        k1 = obj(s1, "K1", Concept);
        q1 = question(k1, "Q1");
        q2 = question(k1, "Q2");
        s2 = obj(c1, "S2", Section);
        k2 = obj(s2, "K2", Concept);
        q3 = question(k2, "Q3");
        c2 = obj(part, "C2", Chapter);
        obj(c2, "S3", Section);
        obj(c2, "S4", Section);
        const NodeId c3 = obj(part, "C3", Chapter);
        q4 = question(obj(obj(c3, "S5", Section), "K3", Concept), "Q4");
        const NodeId set2 = obj(lib, "Set 2", Set);
        q5 =
            question(obj(obj(obj(obj(obj(set2, "B", Book), "P", Part), "C", Chapter), "S", Section),
                         "K", Concept),
                     "Q5");
    }
    NodeId obj(NodeId parent, const char* name, int kind) {
        const NodeId n = tree.appendChild(parent, name, kind);
        tree.appendChild(n, "Notes", NotesNode);
        return n;
    }
    NodeId question(NodeId parent, const char* name) {
        const NodeId q = tree.appendChild(parent, name, Question);
        QuestionRecord r = QuestionRecord::newRecord(desktop);
        r.name = name;
        r.panes[0].textLines = {"What?"};
        r.answer = "That.";
        WriteQuestionRecord(tree, q, r, desktop);
        return q;
    }
    using Ids = std::vector<NodeId>;

    FixedDesktopColors desktop;
    LibraryTree tree;
    NodeId root, lib, c1, c2, k1, s2, k2, q1, q2, q3, q4, q5;
};

} // namespace

TEST_F(CollectTree, TheObjectAtTheLevelBoundsTheWalk) {
    // From any node below chapter C1, level 5 gives C1's questions in tree order, and the
    // next chapter ends the walk.
    for (NodeId from : {c1, k1, q2, q3, tree.firstChild(q3)})
        EXPECT_EQ(CollectQuestions(tree, from, Chapter), (Ids{q1, q2, q3})) << tree.text(from);
    EXPECT_EQ(CollectQuestions(tree, q3, Section), (Ids{q3}));
    EXPECT_EQ(CollectQuestions(tree, q2, Concept), (Ids{q1, q2}));
    EXPECT_EQ(CollectQuestions(tree, q1, Library), (Ids{q1, q2, q3, q4, q5}));
    EXPECT_EQ(CollectQuestions(tree, q5, Set), (Ids{q5}));
    EXPECT_EQ(CollectQuestions(tree, q1, 0), (Ids{q1, q2, q3, q4, q5}));
}

TEST_F(CollectTree, QuestionLevelGivesTheSelectedQuestionOnly) {
    EXPECT_EQ(CollectQuestions(tree, q1, Question), (Ids{q1}));
    EXPECT_EQ(CollectQuestions(tree, q3, Question), (Ids{q3}));
    // Its settings nodes lead to it as well.
    EXPECT_EQ(CollectQuestions(tree, tree.lastChild(tree.lastChild(q2)), Question), (Ids{q2}));
}

TEST_F(CollectTree, NoObjectAtTheLevelOrNoQuestionsBelowItGivesNone) {
    EXPECT_TRUE(CollectQuestions(tree, c2, Chapter).empty()); // sections without concepts
    EXPECT_TRUE(CollectQuestions(tree, tree.firstChild(c2), Section).empty());
    EXPECT_TRUE(CollectQuestions(tree, c1, Section).empty()); // no section on the path
    EXPECT_TRUE(CollectQuestions(tree, lib, Question).empty());
    EXPECT_TRUE(CollectQuestions(tree, q1, 9).empty());
    EXPECT_TRUE(CollectQuestions(tree, NoNode, Chapter).empty());
}

TEST_F(CollectTree, AnObjectOfTheStartsKindEndsTheWalkEvenInsideItsSubtree) {
    // A damaged file can put a chapter inside a chapter: the walk stops there, as the
    // study preparation always has.
    tree.setKindSilently(s2, Chapter);
    EXPECT_EQ(CollectQuestions(tree, q1, Chapter), (Ids{q1, q2}));
}

TEST_F(CollectTree, AllQuestionsCoverEveryLibraryAndTopLevelObject) {
    const NodeId lib2 = obj(root, "Lib 2", Library);
    const NodeId q6 = question(lib2, "Q6");
    const NodeId top = obj(NoNode, "Loose", TopLevelObject);
    const NodeId q7 = question(obj(top, "L", Library), "Q7");
    EXPECT_EQ(CollectAllQuestions(tree), (Ids{q1, q2, q3, q4, q5, q6, q7}));
    EXPECT_TRUE(CollectAllQuestions(LibraryTree()).empty());
}

namespace {

class Validation : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QFile f(dir.filePath("pic.jpg"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not really a picture");
        f.close();
        ASSERT_TRUE(QDir(dir.path()).mkdir("folder.jpg"));
        record = QuestionRecord::newRecord(desktop);
        record.panes[0].textLines = {"What?"};
        record.answer = "That.";
    }
    QString check() { return ErrorText(ValidateStudyQuestion(record, {QString(), dir.path()})); }

    QTemporaryDir dir;
    FixedDesktopColors desktop;
    QuestionRecord record;
};

} // namespace

TEST_F(Validation, EveryPaneKindHasItsMessage) {
    EXPECT_EQ(check(), "");

    record.panes[0].textLines = {"", " \t", "\x01"};
    EXPECT_EQ(check(), "No text is specified in pane 1\nfor the following question...");

    record.panes[0].textLines = {"What?"};
    record.layout = 2;
    record.panes[1].content = ImageContent;
    record.panes[1].imageFile = " \t";
    EXPECT_EQ(check(), "No image filename is specified in pane 2\nfor the following question...");

    record.panes[1].imageFile = "pic.jpg"; // relative: the program folder's
    record.layout = 3;
    record.panes[2].content = ImageContent;
    record.panes[2].imageFile = "  gone.jpg ";
    EXPECT_EQ(check(), "The image file, gone.jpg, doesn't exist (specified in pane 3)\n"
                       "for the following question...");
    record.panes[2].imageFile = "folder.jpg"; // a folder is not a picture
    EXPECT_EQ(check(), "The image file, folder.jpg, doesn't exist (specified in pane 3)\n"
                       "for the following question...");
    record.panes[2].imageFile = dir.filePath("pic.jpg").toStdString();
    EXPECT_EQ(check(), "");

    record.panes[0].content = WebsiteContent;
    record.panes[0].webAddress = "\t ";
    EXPECT_EQ(
        check(),
        "No website address (or filename) is specified in pane 1\nfor the following question...");
    record.panes[0].webAddress = "no such place, never checked";
    EXPECT_EQ(check(), "");

    record.answer = " \t\r\n";
    EXPECT_EQ(check(), "No answer exists for the\nfollowing question...");
    EXPECT_EQ(NoQuestionsMessage(), "No questions exist at the level selected.");
}

TEST_F(Validation, OnlyThePanesOfTheLayoutCount) {
    record.panes[1].content = TextContent; // empty
    record.panes[2].content = ImageContent;
    record.panes[2].imageFile = "gone.jpg";
    record.layout = 1;
    EXPECT_EQ(check(), "");
    record.layout = 7; // shown as layout 1
    EXPECT_EQ(check(), "");
    record.layout = 2;
    EXPECT_EQ(check(), "No text is specified in pane 2\nfor the following question...");
    // A content kind the program does not know passes.
    record.panes[1].content = 9;
    EXPECT_EQ(check(), "");
    // The first problem is the one reported: the panes come before the answer.
    record.answer.clear();
    record.layout = 3;
    EXPECT_TRUE(check().startsWith("The image file, gone.jpg"));
}

TEST(StudyPaths, AddressesAndAbsoluteNamesStandAsWritten) {
    const StudyFolders opt{QString(), "/opt/brenvik"};
    EXPECT_EQ(ResolveStudyPath("pic.jpg", opt), "/opt/brenvik/pic.jpg");
    EXPECT_EQ(ResolveStudyPath("sub/../pic.jpg", opt), "/opt/brenvik/pic.jpg");
    EXPECT_EQ(ResolveStudyPath("/home/u/p.png", opt), "/home/u/p.png");
    EXPECT_EQ(ResolveStudyPath("file:///home/u/p.png", opt), "/home/u/p.png");
    EXPECT_EQ(ResolveStudyPath("https://example.org/a b", opt), "https://example.org/a b");
    EXPECT_EQ(ResolveStudyPath("about:blank", opt), "about:blank");
    EXPECT_EQ(ResolveStudyPath("", opt), "");
    for (const char* address : {"https://example.org/a b", "about:blank", "file:///home/u/p.png",
                                "/home/u/page.htm", "example.org", " \t", ""})
        EXPECT_EQ(ResolveWebAddress(address, opt), address) << address;
}

namespace {

// A program folder and a library folder elsewhere ("other/"), each with pictures and pages.
class StudyFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(QDir(root.path()).mkpath("program"));
        ASSERT_TRUE(QDir(root.path()).mkpath("other/pics"));
        ASSERT_TRUE(QDir(root.path()).mkpath("other/folder.jpg"));
        for (const char* name :
             {"other/pic.jpg", "other/pics/map.png", "other/page.htm", "program/pic.jpg",
              "program/logo.png", "program/folder.jpg", "program/help.htm"})
            put(name);
        folders = {root.filePath("other"), root.filePath("program")};
    }
    void put(const char* name) {
        QFile f(root.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("bytes");
    }
    QString at(const char* name) const { return root.filePath(name); }
    QString check(const char* imageFile) {
        QuestionRecord r = QuestionRecord::newRecord(desktop);
        r.panes[0].content = ImageContent;
        r.panes[0].imageFile = imageFile;
        r.answer = "That.";
        return ErrorText(ValidateStudyQuestion(r, folders));
    }

    QTemporaryDir root;
    StudyFolders folders;
    FixedDesktopColors desktop;
};

} // namespace

// Beside the library first, then in the program folder; a folder of the name is no picture
// and does not hide the program folder's file.
TEST_F(StudyFiles, PicturesAreLookedForBesideTheLibraryThenInTheProgramFolder) {
    EXPECT_EQ(ResolveStudyPath("pic.jpg", folders), at("other/pic.jpg"));
    EXPECT_EQ(ResolveStudyPath("pics/map.png", folders), at("other/pics/map.png"));
    EXPECT_EQ(ResolveStudyPath("logo.png", folders), at("program/logo.png"));
    EXPECT_EQ(ResolveStudyPath("folder.jpg", folders), at("program/folder.jpg"));
    EXPECT_EQ(ResolveStudyPath("gone.jpg", folders), at("program/gone.jpg"));
    // Without a library file only the program folder counts.
    EXPECT_EQ(ResolveStudyPath("pic.jpg", {QString(), folders.programFolder}),
              at("program/pic.jpg"));
    EXPECT_EQ(ResolveStudyPath("pics/map.png", {QString(), folders.programFolder}),
              at("program/pics/map.png"));

    // The check finds what the display shows.
    EXPECT_EQ(check("pic.jpg"), "");
    EXPECT_EQ(check(" pics/map.png "), "");
    EXPECT_EQ(check("logo.png"), "");
    EXPECT_EQ(check("gone.jpg"), "The image file, gone.jpg, doesn't exist (specified in pane 1)\n"
                                 "for the following question...");
    folders.libraryFolder.clear();
    EXPECT_EQ(check("pics/map.png"), "The image file, pics/map.png, doesn't exist (specified in "
                                     "pane 1)\nfor the following question...");
}

// A website pane's file name is found by the same rule; a name that is no file there stays
// as written, for the viewer to take as a web address.
TEST_F(StudyFiles, WebFileNamesFollowTheSameRule) {
    EXPECT_EQ(ResolveWebAddress("page.htm", folders), at("other/page.htm"));
    EXPECT_EQ(ResolveWebAddress(" page.htm ", folders), at("other/page.htm"));
    EXPECT_EQ(ResolveWebAddress("pic.jpg", folders), at("other/pic.jpg"));
    EXPECT_EQ(ResolveWebAddress("help.htm", folders), at("program/help.htm"));
    EXPECT_EQ(ResolveWebAddress("pics", folders), at("other/pics"));
    EXPECT_EQ(ResolveWebAddress("example.org", folders), "example.org");
    EXPECT_EQ(ResolveWebAddress("www.example.org/page.htm", folders), "www.example.org/page.htm");
    EXPECT_EQ(ResolveWebAddress("page.htm", {QString(), folders.programFolder}), "page.htm");
}

TEST_F(CollectTree, CheckingReadsEveryQuestionFreshAndStopsAtTheFirstProblem) {
    // Q2 is cut short after its layout: read into the previous question's record it would
    // inherit Q1's text and answer and pass.
    const NodeId settings = tree.nextSibling(tree.firstChild(q2));
    while (tree.lastChild(settings) != tree.firstChild(settings))
        tree.remove(tree.lastChild(settings));
    StudyCheck c = CheckStudyQuestions(tree, {q1, q2, q3}, desktop, StudyFolders{});
    EXPECT_FALSE(c.ok());
    EXPECT_EQ(c.checked, 1);
    EXPECT_EQ(c.problemQuestion, q2);
    EXPECT_EQ(c.message, "No text is specified in pane 1\nfor the following question...");

    // A record that cannot be read is the question's problem.
    tree.setText(tree.firstChild(settings), "Layout: two");
    c = CheckStudyQuestions(tree, {q1, q2}, desktop, StudyFolders{});
    EXPECT_EQ(c.problemQuestion, q2);
    EXPECT_EQ(c.message, "'two' is not a valid integer value");

    c = CheckStudyQuestions(tree, {q1, q3, q4, q5}, desktop, StudyFolders{});
    EXPECT_TRUE(c.ok());
    EXPECT_EQ(c.checked, 4);
    EXPECT_TRUE(c.message.isEmpty());
}

TEST(ObjectPaths, EveryObjectOfTheDemoFindsItsWayBack) {
    LibraryTree tree;
    ASSERT_TRUE(OutlineLoader(tree, DemoText()).ok());
    DeriveNodeKinds(tree);
    const NodeId travel = FindObjectByPath(tree, "Capitals Demo - Press [F9] > Travel");
    ASSERT_NE(travel, NoNode);
    EXPECT_EQ(tree.text(travel), "Travel");
    EXPECT_EQ(tree.kind(travel), Set);
    int objects = 0;
    for (NodeId n = tree.first(); n != NoNode; n = tree.preorderNext(n)) {
        if (tree.kind(n) < Library || tree.kind(n) > Question) continue;
        ++objects;
        EXPECT_EQ(FindObjectByPath(tree, ObjectPath(tree, n)), n) << tree.text(n);
    }
    EXPECT_EQ(objects, 1 + 1 + 1 + 1 + 1 + 1 + 2 + 67);
    EXPECT_EQ(ObjectPath(tree, tree.first()), "");
    for (const char* unknown :
         {"", "Capitals Demo - Press [F9] > Trav", "Capitals Demo - Press [F9] >Travel", "Travel",
          "Capitals Demo - Press [F9] > Travel > "})
        EXPECT_EQ(FindObjectByPath(tree, unknown), NoNode) << unknown;
}

TEST(ObjectPaths, NamesThatLookAlikeStillResolve) {
    LibraryTree tree;
    const NodeId root = tree.appendChild(NoNode, "Root", SystemRoot);
    const NodeId a1 = tree.appendChild(root, "A", Library);
    tree.appendChild(a1, "Notes", NotesNode);
    const NodeId a2 = tree.appendChild(root, "A", Library);
    const NodeId b = tree.appendChild(a2, "B", Set);
    const NodeId odd = tree.appendChild(a2, "x > y", Set);
    EXPECT_EQ(FindObjectByPath(tree, "A > B"), b); // found in the second "A"
    EXPECT_EQ(FindObjectByPath(tree, "A"), a1);
    EXPECT_EQ(FindObjectByPath(tree, "A > x > y"), odd);
    EXPECT_EQ(ObjectPath(tree, odd), "A > x > y");
    EXPECT_EQ(FindObjectByPath(tree, "A > Notes"), NoNode); // attributes are not objects
}
