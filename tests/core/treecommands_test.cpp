// The tree commands without a window: what each one changes, how it names what it makes,
// what may be dropped where, and that every change is one undo point that puts the tree
// back exactly.
#include "library/colors.h"
#include "library/librarytree.h"
#include "library/treecommands.h"
#include "library/undostore.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <string>
#include <vector>

using namespace brenvik;

namespace {

using Texts = std::vector<std::string>;

// The user's own tree, with a note line and three chapters in the first part, and a
// second top-level tree of the kind a loaded library can bring along:
//
// Root                       Foreign (12)
//   Library 1                  Library F .. Part F
//     Set 1                      Chapter F
//       Book 1 (a note line)       Section F
//         Part 1
//           Chapter 1
//             Section 1
//               Concept 1
//                 Question 1
//           Chapter 2
//           Chapter 3
//         Part 2
//           Chapter 4
struct Library {
    LibraryTree tree;
    UndoStore undo{tree};
    FixedDesktopColors colors;
    TreeCommands commands{tree, undo, colors};
    NodeId root, library, set, book, noteLine, part1, ch1, sec1, concept1, question, ch2, ch3,
        part2, ch4, foreign, partF, chF;

    NodeId object(NodeId parent, const char* name, int kind) {
        const NodeId n = tree.appendChild(parent, name, kind);
        tree.appendChild(n, "Notes", NotesNode);
        return n;
    }
    Library() {
        root = object(NoNode, "Root", SystemRoot);
        library = object(root, "Library 1", 1);
        set = object(library, "Set 1", 2);
        book = object(set, "Book 1", 3);
        noteLine = tree.appendChild(tree.firstChild(book), "\"a note\"", QuotedLine);
        part1 = object(book, "Part 1", 4);
        ch1 = object(part1, "Chapter 1", 5);
        sec1 = object(ch1, "Section 1", 6);
        concept1 = object(sec1, "Concept 1", 7);
        question = object(concept1, "Question 1", 8);
        ch2 = object(part1, "Chapter 2", 5);
        ch3 = object(part1, "Chapter 3", 5);
        part2 = object(book, "Part 2", 4);
        ch4 = object(part2, "Chapter 4", 5);
        foreign = object(NoNode, "Foreign", TopLevelObject);
        NodeId p = foreign;
        const char* names[] = {"Library F", "Set F", "Book F", "Part F"};
        for (int level = 1; level <= 4; ++level)
            p = object(p, names[level - 1], level);
        partF = p;
        chF = object(partF, "Chapter F", 5);
        object(chF, "Section F", 6);
    }

    // Depth, kind and text of every attached node in pre-order.
    std::string dump() const {
        std::string out;
        for (NodeId n = tree.first(); n != NoNode; n = tree.preorderNext(n))
            out += std::to_string(tree.depth(n)) + " " + std::to_string(tree.kind(n)) + " " +
                   std::string(tree.text(n)) + "\n";
        return out;
    }
    // The names of the objects below `parent`, its notes left out.
    Texts objects(NodeId parent) const {
        Texts out;
        for (NodeId c = tree.firstChild(parent); c != NoNode; c = tree.nextSibling(c))
            if (isObjectKind(tree.kind(c))) out.emplace_back(tree.text(c));
        return out;
    }
    Texts children(NodeId parent) const {
        Texts out;
        for (NodeId c = tree.firstChild(parent); c != NoNode; c = tree.nextSibling(c))
            out.emplace_back(tree.text(c));
        return out;
    }
};

// One change was recorded as one point under `label`; undo gives `before` back and redo
// the changed tree.
void expectOneUndoPoint(Library& l, const std::string& before, const QString& label) {
    const std::string after = l.dump();
    ASSERT_NE(after, before);
    ASSERT_EQ(l.undo.undoCount(), 1);
    EXPECT_EQ(l.undo.undoLabel(), label);
    l.undo.undo();
    EXPECT_EQ(l.dump(), before);
    l.undo.redo();
    EXPECT_EQ(l.dump(), after);
}

void expectNothingDone(Library& l, const std::string& before) {
    EXPECT_EQ(l.dump(), before);
    EXPECT_EQ(l.undo.undoCount(), 0);
    EXPECT_FALSE(l.tree.journaling());
}

TEST(TreeCommands, DropRules) {
    Library l;
    struct Case {
        const char* what;
        NodeId dragged, target;
        bool accepted;
    };
    const Case cases[] = {
        {"chapter onto a sibling chapter", l.ch1, l.ch2, true},
        {"chapter onto a chapter of another part", l.ch4, l.ch1, true},
        {"chapter onto another part", l.ch1, l.part2, true},
        {"chapter onto its own part", l.ch1, l.part1, true},
        {"section onto another chapter", l.sec1, l.ch2, true},
        {"question onto its concept", l.question, l.concept1, true},
        {"library onto the root", l.library, l.root, true},
        {"chapter from the other tree onto a part", l.chF, l.part1, true},
        {"chapter from the other tree onto a chapter", l.chF, l.ch2, true},
        {"chapter onto itself", l.ch1, l.ch1, false},
        {"chapter onto its section", l.ch1, l.sec1, false},
        {"chapter onto a book", l.ch1, l.book, false},
        {"chapter onto a concept", l.ch1, l.concept1, false},
        {"chapter onto a note line", l.ch1, l.noteLine, false},
        {"chapter onto a notes node", l.ch1, l.tree.firstChild(l.ch2), false},
        {"chapter onto a part of the other tree", l.ch1, l.partF, false},
        {"chapter of the other tree onto its own part", l.chF, l.partF, false},
        {"the root onto a library", l.root, l.library, false},
        {"a notes node onto a part", l.tree.firstChild(l.ch1), l.part1, false},
        {"the other tree's top onto the root", l.foreign, l.root, false},
        {"nothing onto a part", NoNode, l.part1, false},
        {"a chapter onto nothing", l.ch1, NoNode, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(l.commands.mayDrop(c.dragged, c.target), c.accepted);
    }
    EXPECT_FALSE(l.commands.dropCopies(l.ch1));
    EXPECT_FALSE(l.commands.dropCopies(l.library));
    EXPECT_TRUE(l.commands.dropCopies(l.chF));

    // drop() keeps to the same rules by itself.
    const std::string before = l.dump();
    for (const Case& c : cases) {
        if (c.accepted) continue;
        SCOPED_TRACE(c.what);
        const Result<NodeId> dropped = l.commands.drop(c.dragged, c.target);
        EXPECT_FALSE(dropped.ok());
        EXPECT_FALSE(dropped.error().empty());
    }
    expectNothingDone(l, before);
}

TEST(TreeCommands, AMoveLandsBeforeAnEarlierTargetAfterALaterOneAndLastInAParent) {
    struct Case {
        const char* what;
        NodeId Library::*dragged;
        NodeId Library::*target;
        Texts part1, part2;
    };
    const Case cases[] = {
        {"onto an earlier sibling",
         &Library::ch3,
         &Library::ch1,
         {"Chapter 3", "Chapter 1", "Chapter 2"},
         {"Chapter 4"}},
        {"onto the sibling just before",
         &Library::ch2,
         &Library::ch1,
         {"Chapter 2", "Chapter 1", "Chapter 3"},
         {"Chapter 4"}},
        {"onto a later sibling",
         &Library::ch1,
         &Library::ch3,
         {"Chapter 2", "Chapter 3", "Chapter 1"},
         {"Chapter 4"}},
        {"onto the sibling just after",
         &Library::ch2,
         &Library::ch3,
         {"Chapter 1", "Chapter 3", "Chapter 2"},
         {"Chapter 4"}},
        {"onto an earlier chapter of another part",
         &Library::ch4,
         &Library::ch3,
         {"Chapter 1", "Chapter 2", "Chapter 4", "Chapter 3"},
         {}},
        {"onto a later chapter of another part",
         &Library::ch1,
         &Library::ch4,
         {"Chapter 2", "Chapter 3"},
         {"Chapter 4", "Chapter 1"}},
        {"onto another part",
         &Library::ch2,
         &Library::part2,
         {"Chapter 1", "Chapter 3"},
         {"Chapter 4", "Chapter 2"}},
        {"onto its own part",
         &Library::ch1,
         &Library::part1,
         {"Chapter 2", "Chapter 3", "Chapter 1"},
         {"Chapter 4"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Library l;
        const std::string before = l.dump();
        const NodeId dragged = l.*c.dragged;
        const std::string name(l.tree.text(dragged));
        const Result<NodeId> moved = l.commands.drop(dragged, l.*c.target);
        ASSERT_TRUE(moved.ok()) << moved.error();
        EXPECT_EQ(moved.value(), dragged);
        EXPECT_EQ(l.objects(l.part1), c.part1);
        EXPECT_EQ(l.objects(l.part2), c.part2);
        // A move keeps the name (no "Copy of") and the notes.
        EXPECT_EQ(l.tree.text(dragged), name);
        EXPECT_EQ(l.tree.text(l.tree.firstChild(dragged)), "Notes");
        expectOneUndoPoint(l, before, QStringLiteral("move chapter"));
    }

    // Onto the parent it already ends: nothing to do, and no undo point.
    Library l;
    const std::string before = l.dump();
    const Result<NodeId> moved = l.commands.drop(l.ch3, l.part1);
    ASSERT_TRUE(moved.ok());
    EXPECT_EQ(moved.value(), NoNode);
    expectNothingDone(l, before);

    // The section keeps its own subtree through a move into another chapter.
    ASSERT_TRUE(l.commands.drop(l.sec1, l.ch3).ok());
    EXPECT_EQ(l.objects(l.ch3), Texts{"Section 1"});
    EXPECT_EQ(l.objects(l.sec1), Texts{"Concept 1"});
    EXPECT_EQ(l.undo.undoLabel(), "move section");
}

TEST(TreeCommands, ADropFromTheOtherTreeCopiesBeforeASiblingOrLastInAParent) {
    for (const bool ontoSibling : {true, false}) {
        SCOPED_TRACE(ontoSibling ? "onto a chapter" : "onto a part");
        Library l;
        const std::string before = l.dump();
        const Result<NodeId> copy = l.commands.drop(l.chF, ontoSibling ? l.ch2 : l.part1);
        ASSERT_TRUE(copy.ok()) << copy.error();
        ASSERT_NE(copy.value(), l.chF);
        EXPECT_EQ(l.tree.parent(copy.value()), l.part1);
        EXPECT_EQ(l.objects(l.part1),
                  ontoSibling
                      ? (Texts{"Chapter 1", "Copy of Chapter F", "Chapter 2", "Chapter 3"})
                      : (Texts{"Chapter 1", "Chapter 2", "Chapter 3", "Copy of Chapter F"}));
        EXPECT_EQ(l.children(copy.value()), (Texts{"Notes", "Section F"}));
        EXPECT_EQ(l.tree.kind(copy.value()), Chapter);
        // The original stays where it was, under its own name.
        EXPECT_EQ(l.tree.parent(l.chF), l.partF);
        EXPECT_EQ(l.tree.text(l.chF), "Chapter F");
        expectOneUndoPoint(l, before, QStringLiteral("copy chapter"));
    }
}

TEST(TreeCommands, AddNewFindsItsParentOnTheSelectionsPath) {
    struct Case {
        const char* what;
        NodeId Library::*selection; // nullptr: nothing selected
        int level;
        NodeId Library::*parent; // nullptr: a new top-level node
        const char* name;
        const char* label;
    };
    const Case cases[] = {
        {"a chapter beside the selected one", &Library::ch2, 5, &Library::part1, "Chapter 4",
         "add new chapter"},
        {"a chapter from deep below", &Library::question, 5, &Library::part1, "Chapter 4",
         "add new chapter"},
        {"a part from the book's note line", &Library::noteLine, 4, &Library::book, "Part 3",
         "add new part"},
        {"a section below the selected chapter", &Library::ch3, 6, &Library::ch3, "Section 1",
         "add new section"},
        {"a question", &Library::question, 8, &Library::concept1, "Question 2", "add new question"},
        {"a library below the root", &Library::book, 1, &Library::root, "Library 2",
         "add new library"},
        {"a library with nothing selected", nullptr, 1, nullptr, "Library 1", "add new library"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Library l;
        const std::string before = l.dump();
        const Result<NodeId> added =
            l.commands.addNew(c.selection ? l.*c.selection : NoNode, c.level);
        ASSERT_TRUE(added.ok()) << added.error();
        const NodeId n = added.value();
        ASSERT_NE(n, NoNode);
        EXPECT_EQ(l.tree.parent(n), c.parent ? l.*c.parent : NoNode);
        EXPECT_EQ(l.tree.nextSibling(n), NoNode); // always the last child
        EXPECT_EQ(l.tree.text(n), c.name);
        EXPECT_EQ(l.tree.kind(n), c.parent ? c.level : int(TopLevelObject));
        EXPECT_EQ(l.tree.text(l.tree.firstChild(n)), "Notes");
        expectOneUndoPoint(l, before, QString::fromUtf8(c.label));
    }
    // A new question comes with its record.
    Library l;
    const NodeId q = l.commands.addNew(l.concept1, 8).value();
    EXPECT_EQ(l.children(q), (Texts{"Notes", "Settings"}));

    // Nothing to add to: no node, no point.
    const std::string before = l.dump();
    l.undo.clear();
    const std::pair<NodeId, int> nothing[] = {{l.ch1, 7}, {l.book, 5},     {NoNode, 2},
                                              {l.ch1, 0}, {l.question, 9}, {l.ch1, -1}};
    for (auto [selection, level] : nothing) {
        SCOPED_TRACE(level);
        const Result<NodeId> added = l.commands.addNew(selection, level);
        ASSERT_TRUE(added.ok());
        EXPECT_EQ(added.value(), NoNode);
    }
    expectNothingDone(l, before);
}

TEST(TreeCommands, NewNamesTakeTheSmallestNumberNoSiblingHasInAnyCase) {
    Library l;
    const NodeId part = l.commands.addNew(l.ch1, 4).value();
    ASSERT_EQ(l.tree.text(part), "Part 3"); // Part 1 and Part 2 are there
    const NodeId first = l.commands.addNew(part, 5).value();
    const NodeId second = l.commands.addNew(first, 5).value();
    EXPECT_EQ(l.tree.text(first), "Chapter 1");
    EXPECT_EQ(l.tree.text(second), "Chapter 2");
    // The first one renamed to "chapter 2": the number 1 is free again, 2 is taken twice.
    ASSERT_TRUE(l.commands.rename(first, QStringLiteral("chapter 2")));
    EXPECT_EQ(l.tree.text(l.commands.addNew(part, 5).value()), "Chapter 1");
    EXPECT_EQ(l.tree.text(l.commands.addNew(part, 5).value()), "Chapter 3");
    // A sibling of any kind counts, the notes node included.
    l.tree.appendChild(part, "CHAPTER 4", NotesNode);
    EXPECT_EQ(l.tree.text(l.commands.addNew(part, 5).value()), "Chapter 5");
    EXPECT_EQ(l.objects(part),
              (Texts{"chapter 2", "Chapter 2", "Chapter 1", "Chapter 3", "Chapter 5"}));
    // Undo takes them back one command at a time, newest first.
    Texts labels;
    while (l.undo.canUndo()) {
        labels.push_back(l.undo.undoLabel().toStdString());
        l.undo.undo();
    }
    EXPECT_EQ(labels,
              (Texts{"add new chapter", "add new chapter", "add new chapter", "edit chapter name",
                     "add new chapter", "add new chapter", "add new part"}));
}

TEST(TreeCommands, CopyPutsACopyOfTheWholeObjectLastInItsParent) {
    struct Case {
        const char* what;
        NodeId Library::*selection;
        int level;
        NodeId Library::*parent;
        Texts copyChildren;
        const char* label;
    };
    const Case cases[] = {
        {"the selected chapter", &Library::ch2, 5, &Library::part1, {"Notes"}, "copy chapter"},
        {"the chapter above a question",
         &Library::question,
         5,
         &Library::part1,
         {"Notes", "Section 1"},
         "copy chapter"},
        {"the part above a notes node",
         &Library::ch1,
         4,
         &Library::book,
         {"Notes", "Chapter 1", "Chapter 2", "Chapter 3"},
         "copy part"},
        {"a library", &Library::set, 1, &Library::root, {"Notes", "Set 1"}, "copy library"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Library l;
        const std::string before = l.dump();
        const NodeId original = l.commands.objectAt(l.*c.selection, c.level);
        const std::string name(l.tree.text(original));
        const Result<NodeId> copy = l.commands.copy(l.*c.selection, c.level);
        ASSERT_TRUE(copy.ok()) << copy.error();
        ASSERT_NE(copy.value(), original);
        EXPECT_EQ(l.tree.parent(copy.value()), l.*c.parent);
        EXPECT_EQ(l.tree.lastChild(l.*c.parent), copy.value());
        EXPECT_EQ(l.tree.text(copy.value()), "Copy of " + name);
        EXPECT_EQ(l.tree.text(original), name);
        EXPECT_EQ(l.children(copy.value()), c.copyChildren);
        expectOneUndoPoint(l, before, QString::fromUtf8(c.label));
    }
    // No object at that level, or one whose owner is no object (a library of the other
    // tree): nothing copied.
    Library l;
    const std::string before = l.dump();
    for (auto [selection, level] :
         {std::pair{l.ch1, 6}, std::pair{NoNode, 1}, std::pair{l.chF, 1}, std::pair{l.ch1, 9}}) {
        SCOPED_TRACE(level);
        const Result<NodeId> copy = l.commands.copy(selection, level);
        ASSERT_TRUE(copy.ok());
        EXPECT_EQ(copy.value(), NoNode);
    }
    expectNothingDone(l, before);
}

TEST(TreeCommands, DeleteRemovesTheSubtreeAndNamesWhatStaysSelected) {
    struct Case {
        const char* what;
        NodeId Library::*object;
        NodeId Library::*kept;
        const char* label;
    };
    const Case cases[] = {
        {"a chapter with its sections", &Library::ch1, &Library::part1, "delete chapter"},
        {"the last chapter", &Library::ch3, &Library::part1, "delete chapter"},
        {"a question", &Library::question, &Library::concept1, "delete question"},
        {"a library", &Library::library, &Library::root, "delete library"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Library l;
        const std::string before = l.dump();
        const NodeId n = l.*c.object;
        EXPECT_EQ(l.commands.keptAfterDelete(n), l.*c.kept);
        ASSERT_TRUE(l.commands.remove(n).ok());
        EXPECT_FALSE(l.tree.isAttached(n));
        expectOneUndoPoint(l, before, QString::fromUtf8(c.label));
        l.undo.undo(); // the same node comes back, so the window can select it again
        EXPECT_TRUE(l.tree.isAttached(n));
    }
    // Top-level nodes have no owner: the next one stays selected, else the previous one.
    Library l;
    EXPECT_EQ(l.commands.keptAfterDelete(l.root), l.foreign);
    EXPECT_EQ(l.commands.keptAfterDelete(l.foreign), l.root);
    EXPECT_EQ(l.commands.keptAfterDelete(NoNode), NoNode);

    // A node that has gone already is an error, not a second point.
    ASSERT_TRUE(l.commands.remove(l.ch2).ok());
    const std::string before = l.dump();
    EXPECT_FALSE(l.commands.remove(l.ch2).ok());
    EXPECT_FALSE(l.commands.remove(NoNode).ok());
    EXPECT_EQ(l.dump(), before);
    EXPECT_EQ(l.undo.undoCount(), 1);
}

TEST(TreeCommands, RenameRecordsOnlyARealChange) {
    struct Case {
        const char* what;
        NodeId Library::*node;
        const char* name;
        const char* stored; // nullptr: the old name stays and nothing is recorded
        const char* label;
    };
    const Case cases[] = {
        {"a new name", &Library::ch1, "Introduction", "Introduction", "edit chapter name"},
        {"trailing blanks kept", &Library::ch1, "Intro  ", "Intro  ", "edit chapter name"},
        {"another case counts", &Library::ch1, "CHAPTER 1", "CHAPTER 1", "edit chapter name"},
        {"the root", &Library::root, "Home", "Home", "edit system name"},
        {"a question", &Library::question, "Q", "Q", "edit question name"},
        {"accented letters", &Library::book, "Bücher",
         "B\xc3\xbc"
         "cher",
         "edit book name"},
        {"the same name", &Library::ch1, "Chapter 1", nullptr, nullptr},
        {"an empty name", &Library::ch1, "", nullptr, nullptr},
        {"blanks only", &Library::ch1, " \t ", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Library l;
        const std::string before = l.dump();
        const NodeId n = l.*c.node;
        const std::string old(l.tree.text(n));
        const bool renamed = l.commands.rename(n, QString::fromUtf8(c.name));
        EXPECT_EQ(renamed, c.stored != nullptr);
        if (!c.stored) {
            EXPECT_EQ(l.tree.text(n), old);
            expectNothingDone(l, before);
            continue;
        }
        EXPECT_EQ(l.tree.text(n), c.stored);
        expectOneUndoPoint(l, before, QString::fromUtf8(c.label));
    }
    Library l;
    l.tree.remove(l.ch2);
    EXPECT_FALSE(l.commands.rename(l.ch2, QStringLiteral("Gone")));
    EXPECT_FALSE(l.commands.rename(NoNode, QStringLiteral("None")));
    EXPECT_EQ(l.undo.undoCount(), 0);
}

TEST(TreeCommands, UndoAndRedoWalkAMixOfCommandsBothWays) {
    Library l;
    std::vector<std::string> states{l.dump()};
    const std::function<bool()> steps[] = {
        [&] { return l.commands.addNew(l.ch1, 6).ok(); },
        [&] { return l.commands.rename(l.ch2, QStringLiteral("Renamed")); },
        [&] { return l.commands.drop(l.ch3, l.ch1).ok(); },
        [&] { return l.commands.copy(l.sec1, 5).ok(); },
        [&] { return l.commands.drop(l.chF, l.part2).ok(); },
        [&] { return l.commands.remove(l.part1).ok(); },
    };
    for (const auto& step : steps) {
        ASSERT_TRUE(step());
        states.push_back(l.dump());
    }
    ASSERT_EQ(l.undo.undoCount(), int(std::size(steps)));
    for (std::size_t i = states.size() - 1; i > 0; --i) {
        l.undo.undo();
        EXPECT_EQ(l.dump(), states[i - 1]) << "after undoing step " << i;
    }
    for (std::size_t i = 1; i < states.size(); ++i) {
        l.undo.redo();
        EXPECT_EQ(l.dump(), states[i]) << "after redoing step " << i;
    }
}

} // namespace
