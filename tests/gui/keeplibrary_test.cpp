// Opening never puts a library at risk, and big libraries stay responsive: an open or an
// activation is no change, a file cut short opens with a warning and without a file, a
// failed open leaves everything as it was, copies and deletes reach the view as one row
// change each way, and "*" expands only what a reader can take in.

#include "library/demodata.h"
#include "library/objects.h"
#include "library/outline.h"
#include "library/undostore.h"
#include "mainharness.h"
#include "mainwindow/librarydocument.h"
#include "mainwindow/libraryitemmodel.h"
#include "tests/support/testfiles.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

// Root, Library, Topic with `questions` questions of four nodes each.
QByteArray bigOutline(int questions) {
    QByteArray out = "ComputerName  >  UserName\r\n\tNotes\r\n\tLibrary\r\n\t\tNotes\r\n"
                     "\t\tTopic\r\n\t\t\tNotes\r\n";
    for (int i = 0; i < questions; ++i)
        out += "\t\t\tQuestion " + QByteArray::number(i) +
               "\r\n\t\t\t\tNotes\r\n\t\t\t\tSettings\r\n\t\t\t\t\tLayout: 1\r\n";
    return out;
}

int shownCount(const FakePrompts& p, const QString& caption) {
    int n = 0;
    for (const auto& s : p.shown)
        n += s.caption == caption;
    return n;
}

} // namespace

TEST(OpenLibrary, OpeningAndActivatingChangeNothing) {
    MainHarness h;
    ASSERT_TRUE(h.start());
    const QString path = h.folder.filePath(QStringLiteral("Physics.bv1"));
    ASSERT_TRUE(writeFile(path, QByteArray::fromStdString(DemoFileBytes())));
    h.window->openFile(path);
    ASSERT_TRUE(h.opened());
    LibraryDocument* doc = h.window->document();
    EXPECT_EQ(doc->filePath(), path);
    EXPECT_FALSE(doc->isModified());
    EXPECT_FALSE(h.window->windowTitle().endsWith(QStringLiteral(" *")))
        << h.window->windowTitle().toStdString();
    EXPECT_EQ(h.window->tree().text(h.window->tree().first()), "HOST  >  ann");
    EXPECT_FALSE(h.window->undoStore()->canUndo());

    // An activation sets the caption again (here it had been changed behind its back).
    h.window->tree().setTextQuietly(h.window->tree().first(), "Elsewhere  >  bob");
    QApplication::setActiveWindow(h.window.get());
    QEvent activation(QEvent::ActivationChange);
    QApplication::sendEvent(h.window.get(), &activation);
    ASSERT_TRUE(h.window->isActiveWindow());
    EXPECT_EQ(h.window->tree().text(h.window->tree().first()), "HOST  >  ann");
    EXPECT_FALSE(doc->isModified());
    EXPECT_FALSE(h.window->undoStore()->canUndo());

    // So leaving asks nothing.
    const int before = h.prompts.shown.size();
    EXPECT_TRUE(h.window->querySaveChanges());
    EXPECT_EQ(h.prompts.shown.size(), before);
}

TEST(OpenLibrary, FileCutShortOpensWithAWarningAndWithoutAFile) {
    MainHarness h;
    ASSERT_TRUE(h.start());
    const QString path = h.folder.filePath(QStringLiteral("Physics.bv1"));
    const QByteArray bytes = QByteArray("Root\r\n\tNotes\r\n\tMechanics\r\n\t\tNotes\r\n") +
                             QByteArray(1, '\0') + QByteArray("\tOptics\r\n\t\tNotes\r\n");
    ASSERT_TRUE(writeFile(path, bytes));
    h.window->openFile(path);
    ASSERT_TRUE(h.opened());
    ASSERT_FALSE(h.prompts.shown.isEmpty());
    const auto& box = h.prompts.shown.last();
    EXPECT_EQ(box.caption, QStringLiteral("Warning"));
    EXPECT_EQ(box.icon, Prompts::Icon::Warning);
    EXPECT_TRUE(box.text.contains(path)) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(QStringLiteral("cut short")));
    EXPECT_TRUE(box.text.contains(QStringLiteral("only 35 of its 54 bytes")));
    EXPECT_EQ(shownCount(h.prompts, QStringLiteral("Error")), 0);

    LibraryDocument* doc = h.window->document();
    EXPECT_FALSE(doc->hasFile());
    EXPECT_FALSE(doc->isModified());
    EXPECT_EQ(h.window->tree().nodeCount(), 4u); // the fragment is the library now
    EXPECT_FALSE(doc->recentFiles().contains(path));

    // Save asks where to save; cancelling leaves the original untouched.
    doc->markModified();
    h.prompts.files = {QString()};
    EXPECT_FALSE(h.window->MISaveClick());
    EXPECT_EQ(h.prompts.fileTitles.last(), QStringLiteral("Save file as"));
    EXPECT_EQ(readAll(path), bytes);
}

TEST(OpenLibrary, FailedOpenLeavesEverythingAsItWas) {
    MainHarness h;
    ASSERT_TRUE(h.start());
    const QString path = h.folder.filePath(QStringLiteral("Physics.bv1"));
    ASSERT_TRUE(writeFile(path, QByteArray::fromStdString(DemoFileBytes())));
    h.window->openFile(path);
    ASSERT_TRUE(h.opened());
    LibraryTree& tree = h.window->tree();
    h.window->SaveUndoState();
    tree.appendChild(tree.first(), "Unsaved work", 1);
    h.window->SetUndoLabel(QStringLiteral("add library"));
    const std::string content = WriteOutline(tree);
    ASSERT_TRUE(h.window->document()->isModified());
    ASSERT_TRUE(h.window->undoStore()->canUndo());

    // Opens, but the kernel refuses to read it.
    h.window->openFile(QStringLiteral("/proc/self/mem"));
    ASSERT_TRUE(h.opened());
    ASSERT_FALSE(h.prompts.shown.isEmpty());
    EXPECT_EQ(h.prompts.shown.last().caption, QStringLiteral("Error"));
    EXPECT_TRUE(h.prompts.shown.last().text.startsWith(
        QStringLiteral("Could not read \"/proc/self/mem\": ")))
        << h.prompts.shown.last().text.toStdString();
    EXPECT_EQ(WriteOutline(tree), content);
    EXPECT_EQ(h.window->document()->filePath(), path);
    EXPECT_TRUE(h.window->document()->isModified());
    EXPECT_TRUE(h.window->windowTitle().endsWith(QStringLiteral(" *")));
    EXPECT_EQ(h.window->undoStore()->undoLabel(), QStringLiteral("add library"));
    EXPECT_NE(h.window->undoStore()->undo(), NoNode);
    EXPECT_EQ(tree.childCount(tree.first()), 2);
}

TEST(BigLibrary, CopyDeleteAndTheirUndoAreOneRowChangeEach) {
    LibraryTree tree;
    ASSERT_TRUE(OutlineLoader(tree, bigOutline(2000).toStdString()).ok());
    DeriveNodeKinds(tree);
    LibraryItemModel model(tree);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QTreeView view;
    view.setModel(&model);
    const NodeId library = tree.child(tree.first(), 1);
    const NodeId topic = tree.child(library, 1);
    for (NodeId n = topic; n != NoNode; n = tree.parent(n))
        view.expand(model.indexFromNode(n));
    UndoStore undo(tree);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    undo.SaveUndoState();
    const NodeId copy = CopySubtree(tree, topic, library, CopyMode::Append);
    undo.SetUndoLabel(QStringLiteral("copy concept"));
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(model.rowCount(model.indexFromNode(copy)), 2001);
    undo.undo();
    EXPECT_EQ(removed.count(), 1);
    EXPECT_FALSE(model.indexFromNode(copy).isValid());
    EXPECT_EQ(model.rowCount(model.indexFromNode(library)), 2);
    undo.redo();
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(model.indexFromNode(copy).row(), 2);

    // A question deep in the long list: deleted and restored at its row.
    const NodeId q = tree.child(topic, 1500);
    undo.SaveUndoState();
    tree.remove(q);
    undo.SetUndoLabel(QStringLiteral("delete question"));
    EXPECT_EQ(removed.count(), 2);
    undo.undo();
    EXPECT_EQ(inserted.count(), 3);
    EXPECT_EQ(model.indexFromNode(q).row(), 1500);
    EXPECT_EQ(model.index(1500, 0, model.indexFromNode(topic)), model.indexFromNode(q));

    // A move, its undo and its redo are one row move each, and the view keeps the moved
    // question's place in the long list.
    QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);
    const int insertedBefore = int(inserted.count()), removedBefore = int(removed.count());
    undo.SaveUndoState();
    tree.move(q, copy, NoNode);
    undo.SetUndoLabel(QStringLiteral("move question"));
    undo.undo();
    EXPECT_EQ(model.indexFromNode(q).row(), 1500);
    EXPECT_EQ(model.indexFromNode(q).parent(), model.indexFromNode(topic));
    undo.redo();
    EXPECT_EQ(model.indexFromNode(q).parent(), model.indexFromNode(copy));
    EXPECT_EQ(moved.count(), 3);
    EXPECT_EQ(inserted.count(), insertedBefore);
    EXPECT_EQ(removed.count(), removedBefore);
    EXPECT_EQ(reset.count(), 0);
}

TEST(BigLibrary, StarExpandsBelowOnlyWhatAReaderCanTakeIn) {
    MainHarness h;
    ASSERT_TRUE(h.start());
    const QString path = h.folder.filePath(QStringLiteral("Big.bv1"));
    ASSERT_TRUE(writeFile(path, bigOutline(20000)));
    h.window->openFile(path);
    ASSERT_TRUE(h.opened());
    LibraryTree& tree = h.window->tree();
    ObjTreeView* view = ui(*h.window).TVObjs;
    LibraryItemModel* model = h.window->model();
    const NodeId library = tree.child(tree.first(), 1);
    const NodeId topic = tree.child(library, 1);
    const NodeId question = tree.child(topic, 5);

    view->collapseAll();
    view->setFocus();
    view->setCurrentIndex(model->indexFromNode(tree.first()));
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(view, Qt::Key_Asterisk);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(view->isExpanded(model->indexFromNode(tree.first())));
    EXPECT_TRUE(view->isExpanded(model->indexFromNode(library)));
    EXPECT_FALSE(view->isExpanded(model->indexFromNode(topic))); // 20,001 rows: too many
    EXPECT_FALSE(view->isExpanded(model->indexFromNode(question)));

    // A small subtree opens all the way down, as "*" always did.
    view->expand(model->indexFromNode(topic));
    view->setCurrentIndex(model->indexFromNode(question));
    QTest::keyClick(view, Qt::Key_Asterisk);
    EXPECT_TRUE(view->isExpanded(model->indexFromNode(question)));
    EXPECT_TRUE(view->isExpanded(model->indexFromNode(tree.child(question, 1))));
    EXPECT_FALSE(view->isExpanded(model->indexFromNode(tree.child(topic, 6))));
}
