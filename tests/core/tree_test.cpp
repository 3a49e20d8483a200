// The library tree and the object operations built on it.
#include "library/librarytree.h"
#include "library/objects.h"
#include "library/outline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace brenvik;

namespace {

// Depth, kind and text of every attached node in pre-order.
std::string dump(const LibraryTree& tree) {
    std::string out;
    for (NodeId n = tree.first(); n != NoNode; n = tree.preorderNext(n))
        out += std::to_string(tree.depth(n)) + "\t" + std::to_string(tree.kind(n)) + "\t" +
               std::string(tree.text(n)) + "\n";
    return out;
}

std::size_t attachedCount(const LibraryTree& tree) {
    std::size_t c = 0;
    for (NodeId n = tree.first(); n != NoNode; n = tree.preorderNext(n))
        ++c;
    return c;
}

std::vector<std::string> childTexts(const LibraryTree& tree, NodeId parent) {
    std::vector<std::string> out;
    for (NodeId c = parent == NoNode ? tree.first() : tree.firstChild(parent); c != NoNode;
         c = tree.nextSibling(c))
        out.emplace_back(tree.text(c));
    return out;
}

using Texts = std::vector<std::string>;

// Root
//   A
//     A1
//     A2
//   B
// Top2
struct Small {
    LibraryTree tree;
    NodeId root, a, a1, a2, b, top2;
    Small() {
        root = tree.appendChild(NoNode, "Root", 0);
        a = tree.appendChild(root, "A", 1);
        a1 = tree.appendChild(a, "A1", 2);
        a2 = tree.appendChild(a, "A2", 2);
        b = tree.appendChild(root, "B", 1);
        top2 = tree.appendChild(NoNode, "Top2", 12);
    }
};

TEST(LibraryTree, Navigation) {
    Small s;
    LibraryTree& t = s.tree;
    EXPECT_FALSE(t.empty());
    EXPECT_EQ(t.nodeCount(), 6u);
    EXPECT_EQ(t.first(), s.root);
    EXPECT_EQ(t.parent(s.a1), s.a);
    EXPECT_EQ(t.parent(s.root), NoNode);
    EXPECT_EQ(t.firstChild(s.a), s.a1);
    EXPECT_EQ(t.lastChild(s.a), s.a2);
    EXPECT_EQ(t.nextSibling(s.a1), s.a2);
    EXPECT_EQ(t.prevSibling(s.a2), s.a1);
    EXPECT_EQ(t.nextSibling(s.root), s.top2);
    EXPECT_EQ(t.depth(s.a2), 2);
    EXPECT_EQ(t.depth(s.top2), 0);
    EXPECT_EQ(t.childCount(NoNode), 2);
    EXPECT_EQ(t.childCount(s.root), 2);
    EXPECT_EQ(t.childCount(s.b), 0);
    EXPECT_EQ(t.child(s.root, 1), s.b);
    EXPECT_EQ(t.child(s.root, 2), NoNode);
    EXPECT_EQ(t.child(s.root, -1), NoNode);
    EXPECT_EQ(t.child(NoNode, 1), s.top2);
    EXPECT_EQ(t.row(s.b), 1);
    EXPECT_EQ(t.row(s.top2), 1);
    EXPECT_TRUE(t.isInSubtree(s.a2, s.root));
    EXPECT_TRUE(t.isInSubtree(s.a, s.a));
    EXPECT_FALSE(t.isInSubtree(s.b, s.a));
    EXPECT_EQ(t.topLevelOf(s.a2), s.root);
    EXPECT_EQ(t.preorderNext(s.a2), s.b);
    EXPECT_EQ(t.preorderNext(s.b), s.top2);
    EXPECT_EQ(t.preorderNext(s.top2), NoNode);
    EXPECT_EQ(t.preorderNextSkipping(s.a), s.b);
    EXPECT_EQ(t.nodeAtPreorder(3), s.a2);
    EXPECT_EQ(t.nodeAtPreorder(6), NoNode);
    EXPECT_EQ(t.preorderIndex(s.top2), 5u);
    EXPECT_EQ(t.text(s.a1), "A1");
    EXPECT_EQ(t.kind(s.top2), 12);
}

TEST(LibraryTree, InsertRemoveMove) {
    Small s;
    LibraryTree& t = s.tree;
    NodeId a0 = t.insertBefore(s.a1, "A0", 2);
    EXPECT_EQ(t.firstChild(s.a), a0);
    EXPECT_EQ(childTexts(t, s.a), (Texts{"A0", "A1", "A2"}));
    NodeId mid = t.insertBefore(s.a2, "Amid", 2);
    EXPECT_EQ(childTexts(t, s.a), (Texts{"A0", "A1", "Amid", "A2"}));
    NodeId top0 = t.insertBefore(s.root, "Top0", 12);
    EXPECT_EQ(t.first(), top0);
    EXPECT_EQ(childTexts(t, NoNode), (Texts{"Top0", "Root", "Top2"}));

    t.remove(mid);
    EXPECT_FALSE(t.isValid(mid));
    EXPECT_EQ(childTexts(t, s.a), (Texts{"A0", "A1", "A2"}));
    t.remove(top0);
    EXPECT_EQ(t.first(), s.root);

    // Subtree move to another parent, before a given sibling.
    t.move(s.a, s.top2, NoNode);
    EXPECT_EQ(childTexts(t, s.root), (Texts{"B"}));
    EXPECT_EQ(t.parent(s.a), s.top2);
    EXPECT_EQ(t.depth(s.a2), 2);
    t.move(s.a, s.root, s.b);
    EXPECT_EQ(childTexts(t, s.root), (Texts{"A", "B"}));
    // Within one parent: last becomes first.
    t.move(s.a2, s.a, a0);
    EXPECT_EQ(childTexts(t, s.a), (Texts{"A2", "A0", "A1"}));
    EXPECT_EQ(t.lastChild(s.a), s.a1);
    EXPECT_EQ(t.nextSibling(s.a1), NoNode);

    // Removing a subtree frees all its nodes.
    std::size_t before = t.nodeCount();
    t.remove(s.a);
    EXPECT_EQ(t.nodeCount(), before - 4);
    EXPECT_EQ(t.nodeCount(), attachedCount(t));
    EXPECT_EQ(dump(t), "0\t0\tRoot\n1\t1\tB\n0\t12\tTop2\n");
    t.clear();
    EXPECT_TRUE(t.empty());
    EXPECT_EQ(t.nodeCount(), 0u);
}

TEST(LibraryTree, StorableTexts) {
    EXPECT_TRUE(LibraryTree::isStorable(""));
    EXPECT_TRUE(LibraryTree::isStorable("a b\t"));
    EXPECT_FALSE(LibraryTree::isStorable(" a"));
    EXPECT_FALSE(LibraryTree::isStorable("\ta"));
    EXPECT_FALSE(LibraryTree::isStorable("a\rb"));
    EXPECT_FALSE(LibraryTree::isStorable("a\nb"));
    EXPECT_FALSE(LibraryTree::isStorable(std::string("a\0b", 3)));
    EXPECT_FALSE(LibraryTree::isStorable("a\xE2\x80\xA9"));
    EXPECT_EQ(LibraryTree::storable(" \t a\r\nb\xE2\x80\xA8"
                                    "c"),
              "a  b c");
    EXPECT_EQ(LibraryTree::storable("\r\n x"), "x");

    // Every way a text enters the tree stores the storable form, at its own length.
    LibraryTree t;
    NodeId r = t.appendChild(NoNode, "  lead", 0);
    EXPECT_EQ(t.text(r), "lead");
    NodeId c = t.appendChild(r, "line\r\nbreak", 10);
    EXPECT_EQ(t.text(c), "line  break");
    NodeId i = t.insertBefore(c, "\t\tTabbed", 10);
    EXPECT_EQ(t.text(i), "Tabbed");
    t.beginBulk();
    NodeId bl = t.bulkAppend(r, "   bulk", 11);
    t.endBulk();
    EXPECT_EQ(t.text(bl), "bulk");
    t.setText(c, std::string(" nul\0in", 7));
    EXPECT_EQ(t.text(c), std::string("nul in"));
    for (NodeId n = t.first(); n != NoNode; n = t.preorderNext(n))
        EXPECT_TRUE(LibraryTree::isStorable(t.text(n)));
}

TEST(LibraryTree, TextsCopiedFromTheTreeItselfStayIntact) {
    // Texts handed back by text() are views into the tree's storage; storing one of them
    // again (as copying a subtree does) must not read from storage that has moved.
    LibraryTree t;
    NodeId r = t.appendChild(NoNode, "Root", 0);
    NodeId lib = t.appendChild(r, "Library 1", 1);
    std::vector<NodeId> copies;
    for (int i = 0; i < 40; ++i)
        copies.push_back(t.appendChild(r, t.text(lib), 1));
    for (NodeId n : copies)
        EXPECT_EQ(t.text(n), "Library 1");
    NodeId x = t.appendChild(r, "x", 1);
    t.setText(x, t.text(lib));
    EXPECT_EQ(t.text(x), "Library 1");

    // The same after a bulk load from a short buffer.
    LibraryTree u;
    ASSERT_TRUE(OutlineLoader(u, "R\n\tNotes\n").ok());
    NodeId notes = u.firstChild(u.first());
    for (int i = 0; i < 40; ++i)
        u.appendChild(u.first(), u.text(notes), 10);
    for (NodeId c = u.firstChild(u.first()); c != NoNode; c = u.nextSibling(c))
        EXPECT_EQ(u.text(c), "Notes");
}

// Records an edit, then checks undo and redo restore texts, kinds and shape exactly.
TEST(LibraryTree, JournalUndoRedoRestoresEverything) {
    Small s;
    LibraryTree& t = s.tree;
    const std::string before = dump(t);
    const std::string beforeFile = WriteOutline(t);

    t.beginJournal();
    EXPECT_TRUE(t.journaling());
    t.setText(s.a1, "A1 renamed");
    t.setText(s.a1, "A1 renamed twice");
    t.setKind(s.b, 7);
    NodeId added = t.appendChild(s.b, "B1", 2);
    t.appendChild(added, "B1a", 3);
    t.remove(s.a2);
    t.move(s.top2, s.root, s.a);
    t.insertBefore(s.a1, "new first", 2);
    Journal j = t.takeJournal();
    EXPECT_FALSE(t.journaling());
    EXPECT_FALSE(j.empty());
    const std::string after = dump(t);
    const std::string afterFile = WriteOutline(t);
    EXPECT_NE(after, before);

    for (int round = 0; round < 3; ++round) {
        t.undo(j);
        EXPECT_EQ(dump(t), before);
        EXPECT_EQ(WriteOutline(t), beforeFile);
        EXPECT_EQ(t.text(s.a1), "A1");
        t.redo(j);
        EXPECT_EQ(dump(t), after);
        EXPECT_EQ(WriteOutline(t), afterFile);
    }
}

// Counts observer calls and checks they come in matching pairs.
struct PairObserver : TreeObserver {
    int open = 0, inserts = 0, removes = 0, changes = 0;
    bool balanced = true;
    void aboutToInsert(NodeId, int) override { ++open; }
    void inserted(NodeId) override {
        balanced = balanced && open == 1;
        --open;
        ++inserts;
    }
    void aboutToRemove(NodeId) override { ++open; }
    void removed(NodeId, int) override {
        balanced = balanced && open == 1;
        --open;
        ++removes;
    }
    void changed(NodeId) override { ++changes; }
    void aboutToReset() override {}
    void resetDone() override {}
};

// An import builds its subtree detached: the observer hears of it once, when it joins the
// tree, and one undo takes it back; a build that is dropped leaves the tree as it was.
TEST(LibraryTree, DetachedBuildJoinsInOneStepOrLeavesNoTrace) {
    Small s;
    PairObserver obs;
    s.tree.setObserver(&obs);
    const std::string before = dump(s.tree);
    const NodeId dropped = s.tree.newDetached("gone", 1);
    s.tree.appendChild(s.tree.appendDetached(dropped, "x", 2), "y", 3);
    s.tree.freeDetached(dropped);
    EXPECT_EQ(dump(s.tree), before);

    const NodeId top = s.tree.newDetached("New", 1);
    const NodeId child = s.tree.appendDetached(top, "Child", 2);
    s.tree.appendDetachedLike(top, child);
    s.tree.appendChild(child, "Grandchild", 3); // below a detached parent: not told either
    s.tree.setText(child, "Child!");
    EXPECT_EQ(obs.inserts + obs.changes + obs.open, 0);
    EXPECT_FALSE(s.tree.isAttached(child));

    s.tree.beginJournal();
    s.tree.attachDetached(top, s.b, NoNode);
    Journal j = s.tree.takeJournal();
    EXPECT_EQ(obs.inserts, 1);
    EXPECT_TRUE(obs.balanced);
    EXPECT_TRUE(s.tree.isAttached(s.tree.firstChild(child)));
    const std::string after = dump(s.tree);
    EXPECT_NE(after.find("New\n3\t2\tChild!\n4\t3\tGrandchild\n3\t2\tChild\n"), std::string::npos)
        << after;
    ASSERT_EQ(j.ops.size(), 1u);
    s.tree.undo(j);
    EXPECT_EQ(dump(s.tree), before);
    s.tree.redo(j);
    EXPECT_EQ(dump(s.tree), after);
}

TEST(LibraryTree, ObserverSeesEveryChangeInPairs) {
    Small s;
    PairObserver obs;
    s.tree.setObserver(&obs);
    s.tree.beginJournal();
    NodeId n = s.tree.appendChild(s.b, "x", 2);
    s.tree.setText(n, "y");
    s.tree.setKind(n, 3);
    s.tree.move(s.a1, s.b, NoNode);
    s.tree.remove(s.a);
    Journal j = s.tree.takeJournal();
    EXPECT_EQ(obs.inserts, 2);
    EXPECT_EQ(obs.removes, 2);
    EXPECT_EQ(obs.changes, 2);
    s.tree.undo(j);
    s.tree.redo(j);
    EXPECT_TRUE(obs.balanced);
    EXPECT_EQ(obs.open, 0);
    // Setting the same text again is no change.
    obs.changes = 0;
    s.tree.setText(n, "y");
    EXPECT_EQ(obs.changes, 0);
}

TEST(LibraryTree, DiscardFreesOnlyWhatTheJournalOwns) {
    Small s;
    LibraryTree& t = s.tree;

    // An applied journal owns what it removed.
    t.beginJournal();
    NodeId tmp = t.appendChild(s.b, "temp", 2);
    t.appendChild(tmp, "temp child", 3);
    t.remove(tmp);             // added and removed in one journal
    t.move(s.a2, s.b, NoNode); // moved: stays in the tree
    t.remove(s.a1);            // a child removed before its parent
    t.remove(s.a);
    Journal applied = t.takeJournal();
    const std::string live = dump(t);
    EXPECT_GT(t.nodeCount(), attachedCount(t));
    t.discard(applied, false);
    EXPECT_EQ(t.nodeCount(), attachedCount(t));
    EXPECT_EQ(dump(t), live);
    EXPECT_TRUE(t.isAttached(s.a2));

    // An undone journal owns what it had added, not what it had removed.
    t.beginJournal();
    NodeId added = t.appendChild(s.root, "added", 1);
    t.appendChild(added, "added child", 2);
    t.remove(s.a2);
    Journal undone = t.takeJournal();
    t.undo(undone);
    const std::string restored = dump(t);
    t.discard(undone, true);
    EXPECT_EQ(t.nodeCount(), attachedCount(t));
    EXPECT_EQ(dump(t), restored);
    EXPECT_TRUE(t.isAttached(s.a2));
    EXPECT_FALSE(t.isValid(added));

    // Freed nodes are reused without disturbing the live tree.
    for (int i = 0; i < 10; ++i)
        t.appendChild(s.top2, "reuse " + std::to_string(i), 1);
    EXPECT_EQ(t.nodeCount(), attachedCount(t));
    EXPECT_EQ(t.childCount(s.top2), 10);
    EXPECT_EQ(t.text(s.a2), "A2");
    EXPECT_EQ(t.parent(s.a2), s.b);
}

// ---- Object operations ----

TEST(Objects, LevelNamesAndPrompts) {
    EXPECT_EQ(GetObjName(0).value(), "System");
    EXPECT_EQ(GetObjName(8).value(), "Question");
    EXPECT_EQ(GetObjName(9).error(), "bad case in TFormMain::GetObjName()");
    EXPECT_EQ(GetObjName(-1).error(), "bad case in TFormMain::GetObjName()");
    EXPECT_EQ(GetObjDescr(0).error(), "bad case in TFormMain::GetObjDescr()");
    EXPECT_EQ(GetObjDescr(9).error(), "bad case in TFormMain::GetObjDescr()");
    EXPECT_EQ(GetObjDescr(8).value(), "Enter the question number (e.g., Question 1).");
    EXPECT_EQ(GetObjDescr(5).value(),
              "Enter the chapter number and name (e.g., Chapter 1. Circuit Elements).");
    EXPECT_EQ(EscapeAmpersands("R&D && more"), "R&&D &&&& more");
}

TEST(Objects, AddNewObjOnEmptyTreeAndAgainAtTheTop) {
    LibraryTree t;
    FixedDesktopColors desktop;
    auto first = AddNewObj(t, NoNode, desktop);
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(dump(t), "0\t0\tLibrary 1\n1\t10\tNotes\n2\t11\t\"current user libraries\"\n");
    auto second = AddNewObj(t, NoNode, desktop);
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(t.text(second.value()), "Library 1");
    EXPECT_EQ(t.kind(second.value()), TopLevelObject);
    EXPECT_EQ(childTexts(t, second.value()), (Texts{"Notes"}));
    EXPECT_FALSE(t.hasChildren(t.firstChild(second.value())));
}

TEST(Objects, AddNewObjNamesIgnoreCase) {
    LibraryTree t;
    FixedDesktopColors desktop;
    ASSERT_TRUE(OutlineLoader(t, "R\n\tNotes\n\tL\n\t\tNotes\n\t\tS\n\t\t\tNotes\n\t\t\tB\n"
                                 "\t\t\t\tNotes\n\t\t\t\tP\n\t\t\t\t\tNotes\n\t\t\t\t\tChapter\n"
                                 "\t\t\t\t\t\tNotes\n\t\t\t\t\t\tSection 1\n"
                                 "\t\t\t\t\t\tsection 2\n")
                    .ok());
    DeriveNodeKinds(t);
    NodeId chapter = t.nodeAtPreorder(10);
    ASSERT_EQ(t.text(chapter), "Chapter");
    auto sec = AddNewObj(t, chapter, desktop);
    ASSERT_TRUE(sec.ok());
    EXPECT_EQ(t.text(sec.value()), "Section 3");
    EXPECT_EQ(t.kind(sec.value()), Section);
    EXPECT_EQ(t.lastChild(chapter), sec.value());
    EXPECT_EQ(childTexts(t, sec.value()), (Texts{"Notes"}));
    // Any child counts, whatever its kind or case.
    t.appendChild(chapter, "SECTION 4", Section);
    EXPECT_EQ(t.text(AddNewObj(t, chapter, desktop).value()), "Section 5");
}

// Builds a well-formed question by hand below a chain of objects.
struct QuestionTree {
    LibraryTree tree;
    NodeId chapter = NoNode, question = NoNode, font = NoNode;
    QuestionTree() {
        NodeId p = tree.appendChild(NoNode, "Root", 0);
        tree.appendChild(p, "Notes", 10);
        const char* names[] = {"Library 1", "Set 1",     "Book 1",   "Part 1",
                               "Chapter 1", "Section 1", "Concept 1"};
        for (int level = 1; level <= 7; ++level) {
            p = tree.appendChild(p, names[level - 1], level);
            tree.appendChild(p, "Notes", 10);
            if (level == 5) chapter = p;
        }
        question = tree.appendChild(p, "Question 1", 8);
        tree.appendChild(question, "Notes", 10);
        NodeId settings = tree.appendChild(question, "Settings", 17);
        tree.appendChild(settings, "Layout: 1", 14);
        NodeId pane = tree.appendChild(settings, "Pane 1", 15);
        NodeId text = tree.appendChild(pane, "Text: (selected)", 19);
        tree.appendChild(text, "Lines", 10);
        font = tree.appendChild(text, "Font: Arial, 14, B, -2", 18);
    }
};

TEST(Objects, GetObjAtLevel) {
    QuestionTree q;
    LibraryTree& t = q.tree;
    EXPECT_EQ(GetObjAtLevel(t, q.font, 5), q.chapter);
    EXPECT_EQ(GetObjAtLevel(t, q.font, 8), q.question);
    EXPECT_EQ(GetObjAtLevel(t, q.chapter, 6), NoNode);
    EXPECT_EQ(GetObjAtLevel(t, q.chapter, 5), q.chapter);
    EXPECT_EQ(GetObjAtLevel(t, q.chapter, 0), t.first());
    // A notes node resolves to its object.
    EXPECT_EQ(GetObjAtLevel(t, t.firstChild(q.chapter), 5), q.chapter);
}

TEST(Objects, AddNewObjBelowAQuestionAddsNothing) {
    QuestionTree q;
    FixedDesktopColors desktop;
    const std::string before = dump(q.tree);
    auto r = AddNewObj(q.tree, q.question, desktop);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.error(), "bad case in TFormMain::GetObjName()");
    EXPECT_EQ(dump(q.tree), before);
}

TEST(Objects, NotesLines) {
    LibraryTree t;
    NodeId obj = t.appendChild(NoNode, "Obj", 0);
    AddNotesNode(t, obj, "");
    std::vector<std::string> lines = {"", "  ", "a", "", "b", " "};
    SetNotesLines(t, obj, lines);
    EXPECT_EQ(lines, (Texts{"a", "", "b"}));
    NodeId notes = t.firstChild(obj);
    EXPECT_EQ(childTexts(t, notes), (Texts{"\"a\"", "\"\"", "\"b\""}));
    for (NodeId c = t.firstChild(notes); c != NoNode; c = t.nextSibling(c))
        EXPECT_EQ(t.kind(c), QuotedLine);
    std::vector<std::string> back = {"stale"};
    LoadNotesLines(t, obj, back);
    EXPECT_EQ(back, (Texts{"a", "", "b"}));

    // Fewer lines delete the last children; leading/trailing blanks stay in a line.
    lines = {" say \"hi\" "};
    SetNotesLines(t, obj, lines);
    EXPECT_EQ(childTexts(t, notes), (Texts{"\" say \"hi\" \""}));
    LoadNotesLines(t, obj, back);
    EXPECT_EQ(back, (Texts{" say \"hi\" "}));

    // Inner double quotes survive, only the outer pair goes.
    t.setText(t.firstChild(notes), "\"say \"hello\"\"");
    LoadNotesLines(t, obj, back);
    EXPECT_EQ(back, (Texts{"say \"hello\""}));
    // A stored line shorter than two characters reads as empty.
    t.setText(t.firstChild(notes), "\"");
    LoadNotesLines(t, obj, back);
    EXPECT_EQ(back, (Texts{""}));
    EXPECT_EQ(UnquoteLine(""), "");
    EXPECT_EQ(UnquoteLine("x"), "");
    EXPECT_EQ(UnquoteLine("ab"), "");
    EXPECT_EQ(UnquoteLine("abc"), "b");

    // All blank: no lines at all.
    lines = {" ", ""};
    SetNotesLines(t, obj, lines);
    EXPECT_TRUE(lines.empty());
    EXPECT_FALSE(t.hasChildren(notes));

    // A line break inside a line cannot reach the file.
    lines = {"one\r\ntwo"};
    SetNotesLines(t, obj, lines);
    EXPECT_TRUE(LibraryTree::isStorable(t.text(t.firstChild(notes))));
    EXPECT_EQ(t.childCount(notes), 1);
}

TEST(Objects, MissingNotesNodeIsInsertedFirst) {
    LibraryTree t;
    NodeId lib = t.appendChild(NoNode, "Library", 1);
    NodeId set = t.appendChild(lib, "Set 1", 2);
    NodeId setNotes = t.appendChild(set, "Notes", 10);
    t.appendChild(setNotes, "\"set note\"", 11);

    std::vector<std::string> back = {"stale"};
    LoadNotesLines(t, lib, back);
    EXPECT_TRUE(back.empty());

    std::vector<std::string> lines = {"library note"};
    SetNotesLines(t, lib, lines);
    EXPECT_EQ(childTexts(t, lib), (Texts{"Notes", "Set 1"}));
    EXPECT_EQ(childTexts(t, t.firstChild(lib)), (Texts{"\"library note\""}));
    EXPECT_EQ(childTexts(t, setNotes), (Texts{"\"set note\""}));

    // With no children at all the notes node is appended.
    NodeId bare = t.appendChild(NoNode, "Bare", 12);
    SetNotesLines(t, bare, lines);
    EXPECT_EQ(childTexts(t, bare), (Texts{"Notes"}));
}

TEST(Objects, LoadedObjectWithoutNotesGivesNoLines) {
    // After loading, every first child has kind 10, whatever it is: a library whose
    // notes node was deleted must not show its first set's notes as its own.
    LibraryTree t;
    ASSERT_TRUE(OutlineLoader(t, "Root\n\tNotes\n\tLibrary\n\t\tSet 1\n\t\t\tNotes\n"
                                 "\t\t\t\t\"set note\"\n")
                    .ok());
    DeriveNodeKinds(t);
    NodeId lib = t.nextSibling(t.firstChild(t.first()));
    ASSERT_EQ(t.text(lib), "Library");
    std::vector<std::string> back = {"stale"};
    LoadNotesLines(t, lib, back);
    EXPECT_TRUE(back.empty());
    std::vector<std::string> lines = {"mine"};
    SetNotesLines(t, lib, lines);
    LoadNotesLines(t, lib, back);
    EXPECT_EQ(back, (Texts{"mine"}));
    EXPECT_EQ(childTexts(t, lib), (Texts{"Notes", "Set 1"}));
}

TEST(Objects, RootCaption) {
    EXPECT_EQ(RootCaption("", "ann"), "Local computer  >  ann");
    EXPECT_EQ(RootCaption(" host \t", ""), "host  >  Current user");
    EXPECT_EQ(RootCaption("  ", " \t"), "Local computer  >  Current user");
    EXPECT_EQ(RootCaption(std::string(2000, 'h'), "u"), std::string(1023, 'h') + "  >  u");
    LibraryTree t;
    SetRootCaption(t, "a", "b"); // empty tree: nothing happens
    EXPECT_TRUE(t.empty());
    t.appendChild(NoNode, "ComputerName  >  UserName", 0);
    t.appendChild(NoNode, "Second", 12);
    SetRootCaption(t, "", "bob");
    EXPECT_EQ(t.text(t.first()), "Local computer  >  bob");
    EXPECT_EQ(t.text(t.nextSibling(t.first())), "Second");
}

TEST(Objects, CopySubtree) {
    Small s;
    LibraryTree& t = s.tree;
    t.setKind(s.a1, 11);
    NodeId copy = CopySubtree(t, s.a, s.b, CopyMode::Append);
    EXPECT_EQ(t.parent(copy), s.b);
    EXPECT_EQ(childTexts(t, copy), (Texts{"A1", "A2"}));
    EXPECT_EQ(t.kind(t.firstChild(copy)), 11);
    NodeId ins = CopySubtree(t, s.b, s.a, CopyMode::Insert);
    EXPECT_EQ(childTexts(t, s.root), (Texts{"B", "A", "B"}));
    EXPECT_EQ(t.depth(t.firstChild(t.firstChild(ins))), 3);
    // Into its own subtree: the copy holds the original subtree once, not itself.
    NodeId self = CopySubtree(t, s.a, s.a2, CopyMode::Append);
    EXPECT_EQ(childTexts(t, self), (Texts{"A1", "A2"}));
    EXPECT_FALSE(t.hasChildren(t.lastChild(self)));
    EXPECT_EQ(t.nodeCount(), attachedCount(t));
}

// The kinds a new question gets from the edit operations are the kinds a load derives
// for it, and writing it out and reading it back keeps the shape.
TEST(Objects, NewQuestionKindsMatchALoad) {
    LibraryTree t;
    FixedDesktopColors desktop;
    NodeId p = AddNewObj(t, NoNode, desktop).value();
    for (int level = 1; level <= 8; ++level) {
        auto r = AddNewObj(t, p, desktop);
        ASSERT_TRUE(r.ok()) << r.error();
        p = r.value();
    }
    EXPECT_EQ(t.text(p), "Question 1");
    EXPECT_EQ(t.kind(p), Question);
    EXPECT_EQ(t.depth(p), 8);
    WizardData wizard{"Line one\nLine two", "Columbus", "Spoken q", "Spoken\r\nanswer"};
    NodeId q2 = AddNewObj(t, t.parent(p), desktop, &wizard).value();
    EXPECT_EQ(t.text(q2), "Question 2");

    const std::string mine = dump(t);
    const std::string file = WriteOutline(t);
    LibraryTree back;
    ASSERT_TRUE(OutlineLoader(back, file).ok());
    DeriveNodeKinds(back);
    EXPECT_EQ(dump(back), mine);
    EXPECT_EQ(WriteOutline(back), file);
    EXPECT_NE(file.find("\t\t\t\t\t\t\t\t\t\tAnswer: Columbus\r\n"), std::string::npos);
    EXPECT_NE(file.find("\"Line two\""), std::string::npos);
}

} // namespace
