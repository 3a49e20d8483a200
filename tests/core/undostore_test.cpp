// Undo and redo over the tree's journal: exact restoration, the redo rules, the bounds
// and the points that must not appear.

#include "library/colors.h"
#include "library/demodata.h"
#include "library/objects.h"
#include "library/outline.h"
#include "library/undostore.h"

#include <gtest/gtest.h>
#include <random>

using namespace brenvik;

namespace {

NodeId firstOfKindIn(const LibraryTree& tree, int kind) {
    for (NodeId n = tree.first(); n != NoNode; n = tree.preorderNext(n))
        if (tree.kind(n) == kind) return n;
    return NoNode;
}

// Every link of the attached tree agrees with its neighbours, and the live count covers
// at least the attached nodes.
void expectConsistent(const LibraryTree& tree) {
    std::size_t attached = 0;
    std::vector<NodeId> stack;
    for (NodeId t = tree.first(); t != NoNode; t = tree.nextSibling(t)) {
        ASSERT_EQ(tree.parent(t), NoNode);
        stack.push_back(t);
    }
    while (!stack.empty()) {
        NodeId n = stack.back();
        stack.pop_back();
        ++attached;
        ASSERT_TRUE(tree.isValid(n));
        ASSERT_TRUE(tree.isAttached(n));
        NodeId prev = NoNode;
        for (NodeId c = tree.firstChild(n); c != NoNode; c = tree.nextSibling(c)) {
            ASSERT_EQ(tree.parent(c), n);
            ASSERT_EQ(tree.prevSibling(c), prev);
            prev = c;
            stack.push_back(c);
        }
        ASSERT_EQ(tree.lastChild(n), prev);
    }
    EXPECT_GE(tree.nodeCount(), attached);
}

class UndoStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(OutlineLoader(tree, DemoText()).ok());
        DeriveNodeKinds(tree);
        undo = std::make_unique<UndoStore>(tree);
    }
    // One command as the window runs it.
    template <class F> void command(const QString& label, F&& change) {
        undo->SaveUndoState();
        change();
        undo->SetUndoLabel(label);
    }

    LibraryTree tree;
    FixedDesktopColors colors;
    std::unique_ptr<UndoStore> undo;
};

TEST_F(UndoStoreTest, DeleteChapterUndoRedo) {
    NodeId chapter = firstOfKindIn(tree, Chapter);
    ASSERT_NE(chapter, NoNode);
    ASSERT_GT(tree.childCount(chapter), 1);
    NodeId parent = tree.parent(chapter);
    const std::string before = WriteOutline(tree);
    const std::size_t nodesBefore = tree.nodeCount();

    command("delete chapter", [&] { tree.remove(chapter); });
    const std::string after = WriteOutline(tree);
    ASSERT_NE(after, before);
    ASSERT_TRUE(undo->canUndo());
    EXPECT_FALSE(undo->canRedo());
    EXPECT_EQ(undo->undoHint(), "Undo delete chapter");

    EXPECT_EQ(undo->undo(), chapter); // the restored chapter is selected
    EXPECT_EQ(WriteOutline(tree), before);
    EXPECT_EQ(tree.nodeCount(), nodesBefore);
    EXPECT_FALSE(undo->canUndo());
    EXPECT_EQ(undo->redoHint(), "Redo delete chapter");
    EXPECT_EQ(undo->undoHint(), "Undo");

    EXPECT_EQ(undo->redo(), parent); // deleted again: its parent is selected
    EXPECT_EQ(WriteOutline(tree), after);
    undo->undo();
    EXPECT_EQ(WriteOutline(tree), before);
    expectConsistent(tree);
}

TEST_F(UndoStoreTest, NewChangeClearsRedoAndFreesItsNodes) {
    NodeId chapter = firstOfKindIn(tree, Chapter);
    Result<NodeId> added = Result<NodeId>::failure("not run");
    command("add new section", [&] { added = AddNewObj(tree, chapter, colors); });
    ASSERT_TRUE(added.ok());
    const std::size_t withSection = tree.nodeCount();
    EXPECT_EQ(undo->undo(), chapter); // the parent of the node that went away
    ASSERT_TRUE(undo->canRedo());
    // The undone section still lives, detached, so redo can bring it back.
    EXPECT_EQ(tree.nodeCount(), withSection);

    command("edit chapter name", [&] { tree.setText(chapter, "Other name"); });
    EXPECT_FALSE(undo->canRedo());
    EXPECT_LT(tree.nodeCount(), withSection); // the dropped redo point freed the section
    EXPECT_EQ(undo->undoLabel(), "edit chapter name");
    EXPECT_EQ(undo->undoCount(), 1);
    expectConsistent(tree);
}

TEST_F(UndoStoreTest, CommandsWithoutEditsLeaveNoPoint) {
    int changed = 0;
    QObject::connect(undo.get(), &UndoStore::changed, [&changed] { ++changed; });
    NodeId chapter = firstOfKindIn(tree, Chapter);
    // A command that fails after SaveUndoState, and one that sets the same name.
    undo->SaveUndoState();
    undo->SetUndoLabel("delete chapter");
    command("edit chapter name", [&] { tree.setText(chapter, std::string(tree.text(chapter))); });
    EXPECT_FALSE(undo->canUndo());
    EXPECT_EQ(changed, 0);

    command("edit chapter name", [&] { tree.setText(chapter, "First"); });
    EXPECT_EQ(changed, 1);
    // A recording left open is kept as its own point when the next one starts...
    undo->SaveUndoState();
    tree.setText(chapter, "Second");
    command("edit chapter name", [&] { tree.setText(chapter, "Third"); });
    ASSERT_EQ(undo->undoCount(), 3);
    EXPECT_EQ(undo->undoLabel(), "edit chapter name");
    undo->undo();
    EXPECT_EQ(tree.text(chapter), "Second");
    EXPECT_EQ(undo->undoLabel(), "change");
    // ...and an open recording without edits is dropped by undo.
    undo->SaveUndoState();
    undo->undo();
    EXPECT_EQ(tree.text(chapter), "First");
    EXPECT_FALSE(tree.journaling());
    // SetUndoLabel without SaveUndoState records nothing.
    tree.setText(chapter, "Loose");
    undo->SetUndoLabel("edit chapter name");
    EXPECT_EQ(undo->undoCount(), 1);
}

TEST_F(UndoStoreTest, ARecordingIsOnePointOnlyOnceCommitted) {
    NodeId chapter = firstOfKindIn(tree, Chapter);
    NodeId section = tree.lastChild(chapter);
    command("edit chapter name", [&] { tree.setText(chapter, "Kept"); });
    undo->undo();
    ASSERT_TRUE(undo->canRedo());
    const std::string before = WriteOutline(tree);
    const std::size_t nodesBefore = tree.nodeCount();

    // A command that stops after changing part of the tree: every kind of edit is put
    // back, the nodes it made are freed, and the redo point survives.
    {
        UndoRecording recording(*undo);
        tree.setText(chapter, "Half");
        tree.remove(section);
        tree.appendChild(chapter, "Stray", Section);
        tree.move(tree.child(chapter, 1), chapter, NoNode);
    }
    EXPECT_EQ(WriteOutline(tree), before);
    EXPECT_EQ(tree.nodeCount(), nodesBefore);
    EXPECT_FALSE(tree.journaling());
    EXPECT_EQ(undo->undoCount(), 0);
    EXPECT_EQ(undo->redoLabel(), "edit chapter name");
    expectConsistent(tree);

    { // committed without edits: no point
        UndoRecording recording(*undo);
        recording.commit("edit chapter name");
    }
    EXPECT_EQ(undo->undoCount(), 0);
    EXPECT_TRUE(undo->canRedo());

    { // committed once: the first label stands and leaving the scope changes nothing
        UndoRecording recording(*undo);
        tree.setText(chapter, "Done");
        recording.commit("edit chapter name");
        recording.commit("other");
    }
    EXPECT_EQ(tree.text(chapter), "Done");
    EXPECT_EQ(undo->undoCount(), 1);
    EXPECT_EQ(undo->undoLabel(), "edit chapter name");
    EXPECT_FALSE(undo->canRedo());
    undo->undo();
    EXPECT_EQ(WriteOutline(tree), before);
}

TEST_F(UndoStoreTest, BoundsDropOldestPoints) {
    NodeId chapter = firstOfKindIn(tree, Chapter);
    undo->setLimits(3, 1000);
    for (int i = 0; i < 5; ++i)
        command("edit chapter name", [&] { tree.setText(chapter, "Name " + std::to_string(i)); });
    EXPECT_EQ(undo->undoCount(), 3);
    while (undo->canUndo())
        undo->undo();
    EXPECT_EQ(tree.text(chapter), "Name 1"); // the two oldest points are gone

    // The op budget: a point of 400 edits pushes older ones out, the newest stays.
    undo->clear();
    const int before = tree.childCount(chapter);
    undo->setLimits(100, 500);
    for (int round = 0; round < 3; ++round)
        command("add many", [&] {
            for (int i = 0; i < 400; ++i)
                tree.appendChild(chapter, "x", Section);
        });
    EXPECT_EQ(undo->undoCount(), 1);
    EXPECT_LE(undo->opCount(), 500u);
    undo->setLimits(100, 10); // a single point larger than the budget is still kept
    EXPECT_EQ(undo->undoCount(), 1);
    undo->undo();
    EXPECT_EQ(tree.childCount(chapter), before + 800);
    EXPECT_FALSE(undo->canUndo());
    expectConsistent(tree);
}

TEST_F(UndoStoreTest, DroppingAMoveKeepsANodeALaterPointHolds) {
    NodeId chapter = firstOfKindIn(tree, Chapter);
    ASSERT_TRUE(AddNewObj(tree, chapter, colors).ok());
    NodeId section = tree.lastChild(chapter);
    NodeId firstSection = tree.child(chapter, 1);
    ASSERT_NE(section, firstSection);
    const std::string start = WriteOutline(tree);
    undo->setLimits(1, 1000);
    command("move section", [&] { tree.move(section, chapter, firstSection); });
    const std::string moved = WriteOutline(tree);
    command("delete section", [&] { tree.remove(section); }); // drops the move point
    ASSERT_EQ(undo->undoCount(), 1);
    // Reuse of freed ids would overwrite the section if the move point had freed it.
    for (int i = 0; i < 50; ++i)
        tree.appendChild(chapter, "filler", Section);
    for (int i = 0; i < 50; ++i)
        tree.remove(tree.lastChild(chapter));
    undo->undo();
    EXPECT_EQ(WriteOutline(tree), moved);
    EXPECT_NE(WriteOutline(tree), start);
    expectConsistent(tree);
}

TEST_F(UndoStoreTest, RandomCommandsUndoAndRedoExactly) {
    std::mt19937 rng(12345);
    std::vector<std::string> states{WriteOutline(tree)};
    auto randomObject = [&](int minKind) {
        std::vector<NodeId> all;
        for (NodeId n = tree.first(); n != NoNode; n = tree.preorderNext(n))
            if (tree.kind(n) >= minKind && tree.kind(n) <= Question) all.push_back(n);
        return all.empty() ? NoNode : all[rng() % all.size()];
    };
    for (int step = 0; step < 60; ++step) {
        int what = int(rng() % 4);
        command("change", [&] {
            NodeId n = randomObject(Set);
            if (n == NoNode) {
                (void)AddNewObj(tree, randomObject(Library), colors); // libraries stay
                return;
            }
            switch (what) {
            case 0:
                tree.remove(n);
                break;
            case 1:
                (void)AddNewObj(tree, tree.parent(n), colors);
                break;
            case 2:
                tree.setText(n, "step " + std::to_string(step));
                break;
            default:
                CopySubtree(tree, n, tree.parent(n), CopyMode::Append);
                break;
            }
        });
        states.push_back(WriteOutline(tree));
    }
    ASSERT_EQ(undo->undoCount(), 60);
    for (int cycle = 0; cycle < 3; ++cycle) {
        for (int i = 60; i > 0; --i) {
            undo->undo();
            ASSERT_EQ(WriteOutline(tree), states[std::size_t(i - 1)]) << "undo to " << i - 1;
        }
        for (int i = 1; i <= 60; ++i) {
            undo->redo();
            ASSERT_EQ(WriteOutline(tree), states[std::size_t(i)]) << "redo to " << i;
        }
        expectConsistent(tree);
    }
    // Half way back, a new command drops the rest; the tree stays sound.
    for (int i = 0; i < 30; ++i)
        undo->undo();
    command("edit", [&] { tree.setText(tree.first(), "root"); });
    EXPECT_EQ(undo->undoCount(), 31);
    EXPECT_FALSE(undo->canRedo());
    expectConsistent(tree);
    undo->clear();
    EXPECT_FALSE(undo->canUndo());
    expectConsistent(tree);
}

TEST_F(UndoStoreTest, ReplacingTheTreeForgetsThePoints) {
    NodeId chapter = firstOfKindIn(tree, Chapter);
    command("delete chapter", [&] { tree.remove(chapter); });
    ASSERT_TRUE(undo->canUndo());
    ASSERT_TRUE(OutlineLoader(tree, "A\n\tB\n").ok());
    EXPECT_FALSE(undo->canUndo());
    EXPECT_EQ(undo->undo(), NoNode);
    EXPECT_EQ(WriteOutline(tree), "A\r\n\tB\r\n");
    command("rename", [&] { tree.setText(tree.first(), "C"); });
    EXPECT_EQ(undo->undoCount(), 1);
    undo->undo();
    EXPECT_EQ(tree.text(tree.first()), "A");
}

} // namespace
