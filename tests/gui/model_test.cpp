// Checks that the tree view model follows every kind of tree change, and that its
// row cache, rename and drop hooks behave.

#include "library/colors.h"
#include "library/demodata.h"
#include "library/objects.h"
#include "library/outline.h"
#include "library/textcodec.h"
#include "library/undostore.h"
#include "mainwindow/libraryitemmodel.h"
#include "mainwindow/objtreeview.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTreeView>
#include <gtest/gtest.h>
#include <memory>
#include <random>

using namespace brenvik;

namespace {

// Collects what QAbstractItemModelTester reports, so a broken signal sequence fails the
// test instead of scrolling past as a warning.
QStringList g_modelTestMessages;
QtMessageHandler g_previousHandler = nullptr;

void collectModelTestMessages(QtMsgType type, const QMessageLogContext& ctx, const QString& msg) {
    if (ctx.category && QByteArray(ctx.category).startsWith("qt.modeltest")) {
        g_modelTestMessages.append(msg);
        return;
    }
    if (g_previousHandler) g_previousHandler(type, ctx, msg);
}

NodeId firstOfKind(const LibraryTree& tree, int kind) {
    for (NodeId n = tree.first(); n != NoNode; n = tree.preorderNext(n))
        if (tree.kind(n) == kind) return n;
    return NoNode;
}

// Compares the model with the tree node by node, through the model's own API.
void expectMirrors(const LibraryItemModel& model, const QModelIndex& parent, NodeId parentNode) {
    const LibraryTree& tree = model.tree();
    ASSERT_EQ(model.rowCount(parent), tree.childCount(parentNode));
    int row = 0;
    NodeId c = parentNode == NoNode ? tree.first() : tree.firstChild(parentNode);
    for (; c != NoNode; c = tree.nextSibling(c), ++row) {
        QModelIndex i = model.index(row, 0, parent);
        ASSERT_TRUE(i.isValid());
        ASSERT_EQ(model.nodeFromIndex(i), c);
        ASSERT_EQ(model.parent(i), parent);
        ASSERT_EQ(model.indexFromNode(c), i);
        ASSERT_EQ(model.data(i).toString(), BytesToDisplay(tree.text(c)));
        expectMirrors(model, i, c);
    }
}

class LibraryModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_modelTestMessages.clear();
        g_previousHandler = qInstallMessageHandler(collectModelTestMessages);
        ASSERT_TRUE(OutlineLoader(tree, DemoText()).ok());
        DeriveNodeKinds(tree);
        model = std::make_unique<LibraryItemModel>(tree);
        tester = std::make_unique<QAbstractItemModelTester>(
            model.get(), QAbstractItemModelTester::FailureReportingMode::Warning);
    }
    void TearDown() override {
        tester.reset();
        model.reset();
        qInstallMessageHandler(g_previousHandler);
        EXPECT_TRUE(g_modelTestMessages.isEmpty()) << g_modelTestMessages.join('\n').toStdString();
    }

    LibraryTree tree;
    FixedDesktopColors colors;
    std::unique_ptr<LibraryItemModel> model;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(LibraryModelTest, FollowsEditsUndoAndRedo) {
    UndoStore undo(tree);
    expectMirrors(*model, {}, NoNode);
    NodeId chapter = firstOfKind(tree, Chapter);
    NodeId section = firstOfKind(tree, Section);
    ASSERT_NE(chapter, NoNode);
    ASSERT_NE(section, NoNode);
    const std::string before = WriteOutline(tree);

    undo.SaveUndoState();
    Result<NodeId> added = AddNewObj(tree, chapter, colors);
    ASSERT_TRUE(added.ok()) << added.error();
    undo.SetUndoLabel("add new section");
    expectMirrors(*model, {}, NoNode);

    // Move the new section before the old one, rename it, then delete the old one.
    undo.SaveUndoState();
    tree.move(added.value(), chapter, section);
    undo.SetUndoLabel("move section");
    QSignalSpy changedSpy(model.get(), &QAbstractItemModel::dataChanged);
    undo.SaveUndoState();
    tree.setText(added.value(), "Renamed");
    undo.SetUndoLabel("edit section name");
    ASSERT_EQ(changedSpy.count(), 1);
    EXPECT_EQ(model->nodeFromIndex(changedSpy.at(0).at(0).toModelIndex()), added.value());
    undo.SaveUndoState();
    tree.remove(section);
    undo.SetUndoLabel("delete section");
    expectMirrors(*model, {}, NoNode);

    while (undo.canUndo())
        undo.undo();
    EXPECT_EQ(WriteOutline(tree), before);
    expectMirrors(*model, {}, NoNode);
    while (undo.canRedo())
        undo.redo();
    expectMirrors(*model, {}, NoNode);
    EXPECT_EQ(model->data(model->indexFromNode(added.value())).toString(), "Renamed");
    undo.undo();
    undo.undo();
    expectMirrors(*model, {}, NoNode);
}

TEST_F(LibraryModelTest, ReloadAndClearResetTheModel) {
    QSignalSpy resets(model.get(), &QAbstractItemModel::modelReset);
    ASSERT_TRUE(OutlineLoader(tree, "A\n\tB\n\tC\nD\n").ok());
    EXPECT_EQ(resets.count(), 1);
    expectMirrors(*model, {}, NoNode);
    // A nested bulk (as a loader inside a document load) is announced once.
    tree.beginBulk();
    ASSERT_TRUE(OutlineLoader(tree, DemoText()).ok());
    DeriveNodeKinds(tree);
    tree.endBulk();
    EXPECT_EQ(resets.count(), 2);
    expectMirrors(*model, {}, NoNode);
    tree.clear();
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_FALSE(model->hasChildren());
}

TEST_F(LibraryModelTest, RowCacheFollowsManyChildren) {
    UndoStore undo(tree);
    NodeId conceptNode = firstOfKind(tree, Concept);
    ASSERT_NE(conceptNode, NoNode);
    // The tester walks the whole model on every signal; leave it out of the bulk adds.
    tester.reset();
    undo.SaveUndoState();
    for (int i = 0; i < 10000; ++i)
        tree.appendChild(conceptNode, "Q" + std::to_string(i), Question);
    undo.SetUndoLabel("add many");
    tester = std::make_unique<QAbstractItemModelTester>(
        model.get(), QAbstractItemModelTester::FailureReportingMode::Warning);
    const int count = tree.childCount(conceptNode);
    QModelIndex parent = model->indexFromNode(conceptNode);
    ASSERT_EQ(model->rowCount(parent), count);

    std::mt19937 rng(7);
    auto checkRows = [&] {
        const int n = tree.childCount(conceptNode);
        ASSERT_EQ(model->rowCount(parent), n);
        for (int k = 0; k < 200; ++k) {
            int row = int(rng() % unsigned(n));
            QModelIndex i = model->index(row, 0, parent);
            NodeId node = model->nodeFromIndex(i);
            ASSERT_EQ(node, tree.child(conceptNode, row));
            ASSERT_EQ(model->indexFromNode(node).row(), row);
        }
    };
    checkRows();
    // Structural changes under the cached parent, then under the parent's parent.
    NodeId middle = tree.child(conceptNode, count / 2);
    tree.insertBefore(middle, "inserted", Question);
    checkRows();
    tree.remove(tree.child(conceptNode, 10));
    checkRows();
    tree.move(tree.child(conceptNode, count - 5), conceptNode, tree.child(conceptNode, 3));
    checkRows();
    // A freed parent whose rows were cached: new nodes reuse its id and the ids of its
    // children, and must show no rows of the old ones.
    tester.reset(); // 300 more single-row changes: too slow with the full walk each
    NodeId big = tree.appendChild(conceptNode, "big", Question);
    for (int i = 0; i < 100; ++i)
        tree.appendChild(big, "child", AnswerLine);
    ASSERT_EQ(model->rowCount(model->indexFromNode(big)), 100);
    tree.remove(big);
    undo.clear();
    for (int i = 0; i < 101; ++i) {
        NodeId reused = tree.appendChild(conceptNode, "reused", Question);
        ASSERT_EQ(model->rowCount(model->indexFromNode(reused)), 0) << i;
        ASSERT_FALSE(model->hasChildren(model->indexFromNode(reused)));
    }
    checkRows();
    expectMirrors(*model, {}, NoNode);
}

TEST_F(LibraryModelTest, FlagsAndIconsFollowKinds) {
    NodeId question = firstOfKind(tree, Question);
    NodeId notes = firstOfKind(tree, NotesNode);
    ASSERT_NE(question, NoNode);
    ASSERT_NE(notes, NoNode);
    EXPECT_TRUE(model->flags(model->indexFromNode(question)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->flags(model->indexFromNode(notes)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model->flags(model->indexFromNode(notes)) & Qt::ItemIsDragEnabled);

    // Every kind has its own picture; values outside the kinds have none.
    std::vector<QImage> images;
    for (int k = 0; k < NodeKindCount; ++k) {
        QIcon icon = kindIcon(k);
        ASSERT_FALSE(icon.isNull()) << k;
        images.push_back(icon.pixmap(16, 16).toImage());
        for (int j = 0; j < k; ++j)
            EXPECT_NE(images[std::size_t(j)], images[std::size_t(k)]) << j << " and " << k;
    }
    EXPECT_TRUE(kindIcon(NodeKindCount).isNull());
    EXPECT_TRUE(kindIcon(-1).isNull());

    QIcon shown = model->data(model->indexFromNode(question), Qt::DecorationRole).value<QIcon>();
    EXPECT_EQ(shown.pixmap(16, 16).toImage(), kindIcon(Question).pixmap(16, 16).toImage());
    // A kind change reaches the view as a data change.
    QSignalSpy changedSpy(model.get(), &QAbstractItemModel::dataChanged);
    tree.setKind(notes, QuotedLine);
    EXPECT_EQ(changedSpy.count(), 1);
}

TEST_F(LibraryModelTest, RenameIsRequestedNotApplied) {
    NodeId chapter = firstOfKind(tree, Chapter);
    const std::string old(tree.text(chapter));
    QSignalSpy spy(model.get(), &LibraryItemModel::renameRequested);
    EXPECT_TRUE(model->setData(model->indexFromNode(chapter), QStringLiteral("Neu \u00e9")));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).value<NodeId>(), chapter);
    EXPECT_EQ(spy.at(0).at(1).toString(), QStringLiteral("Neu \u00e9"));
    EXPECT_EQ(tree.text(chapter), old);
    EXPECT_FALSE(model->setData(model->indexFromNode(chapter), "x", Qt::DisplayRole));
}

TEST_F(LibraryModelTest, LongNamesAreShownCutButRenamedWhole) {
    // A name of megabytes: the view is shown a bounded prefix and never measures the
    // whole text, while the in-place rename edits all of it. An odd prefix puts the cut
    // inside a two-byte character.
    NodeId chapter = firstOfKind(tree, Chapter);
    std::string name = "Kapitel: ";
    for (int i = 0; i < 1'000'000; ++i)
        name += "\xC3\xA9"; // é
    tree.setText(chapter, name);
    const QString full = BytesToDisplay(name);
    const QModelIndex i = model->indexFromNode(chapter);

    const QString shown = model->data(i, Qt::DisplayRole).toString();
    EXPECT_LE(shown.size(), qsizetype(LibraryItemModel::DisplayLimit) + 1);
    EXPECT_GT(shown.size(), 1000);
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
    EXPECT_TRUE(full.startsWith(shown.chopped(1))) << "cut inside a character";
    EXPECT_EQ(model->data(i, Qt::EditRole).toString(), full);
    // Short names are shown whole.
    NodeId book = firstOfKind(tree, Book);
    EXPECT_EQ(model->data(model->indexFromNode(book)).toString(), BytesToDisplay(tree.text(book)));

    struct MeasuredView : QTreeView {
        using QTreeView::sizeHintForColumn;
    } view;
    view.setModel(model.get());
    view.setItemDelegate(new CutStyleDelegate(*model, &view));
    view.setUniformRowHeights(true);
    view.header()->setStretchLastSection(false);
    view.header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    view.expandAll();
    view.resize(400, 300);
    view.show();
    view.scrollTo(i);
    view.doItemsLayout();
    const int widest = view.fontMetrics().horizontalAdvance(shown) + 200;
    EXPECT_LT(view.sizeHintForColumn(0), widest);
    EXPECT_LT(view.header()->sectionSize(0), widest);

    view.edit(i);
    auto* editor = view.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text().size(), full.size());
    EXPECT_EQ(editor->text(), full);
    view.closePersistentEditor(i);
    view.setCurrentIndex(model->indexFromNode(book));

    // Beyond what a line edit can lay out, no editor opens and the name stays as it was.
    const std::string huge(std::size_t(CutStyleDelegate::EditLimit) + 1, 'h');
    tree.setText(chapter, huge);
    QWidget* none = view.itemDelegate()->createEditor(view.viewport(), QStyleOptionViewItem(), i);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(tree.text(chapter), huge);
}

TEST_F(LibraryModelTest, DropsGoThroughTheHandler) {
    NodeId chapter = firstOfKind(tree, Chapter);
    NodeId section = firstOfKind(tree, Section);
    struct Call {
        NodeId dragged, target;
        bool perform;
    };
    std::vector<Call> calls;
    bool accept = true;
    model->setDropHandler([&](NodeId d, NodeId t, bool perform) {
        calls.push_back({d, t, perform});
        return accept;
    });
    std::unique_ptr<QMimeData> data(model->mimeData({model->indexFromNode(section)}));
    ASSERT_TRUE(data);
    EXPECT_EQ(model->draggedNode(data.get()), section);
    QModelIndex target = model->indexFromNode(chapter);

    EXPECT_TRUE(model->canDropMimeData(data.get(), Qt::MoveAction, -1, 0, target));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].dragged, section);
    EXPECT_EQ(calls[0].target, chapter);
    EXPECT_FALSE(calls[0].perform);
    EXPECT_TRUE(model->dropMimeData(data.get(), Qt::MoveAction, -1, 0, target));
    EXPECT_TRUE(calls.back().perform);
    // Dropping between rows names the row below the indicator.
    calls.clear();
    model->canDropMimeData(data.get(), Qt::CopyAction, 0, 0, target);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].target, tree.firstChild(chapter));

    accept = false;
    EXPECT_FALSE(model->dropMimeData(data.get(), Qt::MoveAction, -1, 0, target));
    // The view's own removal after a move drop is refused.
    EXPECT_FALSE(model->removeRows(0, 1, target));

    // Data that did not come from this model is never handed on.
    calls.clear();
    QMimeData foreign;
    foreign.setData(QString::fromLatin1(LibraryItemModel::MimeType), "1:2:3");
    EXPECT_EQ(model->draggedNode(&foreign), NoNode);
    EXPECT_FALSE(model->canDropMimeData(&foreign, Qt::MoveAction, -1, 0, target));
    LibraryTree other;
    LibraryItemModel otherModel(other);
    EXPECT_FALSE(otherModel.canDropMimeData(data.get(), Qt::MoveAction, -1, 0, {}));
    EXPECT_TRUE(calls.empty());
}

TEST_F(LibraryModelTest, DimmedNodeIsDrawnDisabled) {
    NodeId chapter = firstOfKind(tree, Chapter);
    QModelIndex i = model->indexFromNode(chapter);
    EXPECT_FALSE(model->data(i, Qt::ForegroundRole).isValid());
    QSignalSpy spy(model.get(), &QAbstractItemModel::dataChanged);
    model->setDimmedNode(chapter);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_TRUE(model->data(i, Qt::ForegroundRole).isValid());
    // Removing it (or an ancestor) clears the state.
    tree.remove(tree.parent(chapter));
    EXPECT_EQ(model->dimmedNode(), NoNode);
}

} // namespace
