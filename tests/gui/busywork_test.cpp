// Long work shows itself: the busy cursor at once, the progress dialog only for work past
// the delay, the window painting while a file is read, and the cursor back on every road out.

#include "library/objects.h"
#include "library/outline.h"
#include "mainharness.h"
#include "mainwindow/busywork.h"
#include "mainwindow/librarydocument.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

QProgressDialog* busyDialog() {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QProgressDialog*>(top))
            if (d->objectName() == QLatin1String("BusyWorkDialog") && d->isVisible()) return d;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* d = qobject_cast<QProgressDialog*>(w))
            if (d->objectName() == QLatin1String("BusyWorkDialog") && d->isVisible()) return d;
    return nullptr;
}

bool waitCursor() {
    const QCursor* c = QGuiApplication::overrideCursor();
    return c && c->shape() == Qt::WaitCursor;
}

// What a timer on the UI thread sees while work runs: proof that the thread is free.
struct Watch {
    QTimer timer;
    int ticks = 0, busyTicks = 0;
    QString dialogText;
    Watch() {
        QObject::connect(&timer, &QTimer::timeout, &timer, [this] {
            ++ticks;
            busyTicks += waitCursor();
            if (QProgressDialog* d = busyDialog(); d && dialogText.isEmpty())
                dialogText = d->labelText();
        });
        timer.start(20);
    }
};

class BusyWorkTest : public ::testing::Test {
protected:
    void SetUp() override {
        BusyWork::setDialogDelayMs(200);
        ASSERT_TRUE(h.start());
        ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
    void TearDown() override { BusyWork::setDialogDelayMs(500); }
    QString write(const char* name, const QByteArray& bytes) {
        const QString path = h.folder.filePath(QString::fromLatin1(name));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return {};
        return path;
    }
    bool opened() {
        return waitUntil([this] { return !h.window->fileWorkRunning(); }, 10000);
    }
    MainHarness h;
};

} // namespace

TEST_F(BusyWorkTest, UiThreadWorkShowsTheDialogOnlyPastTheDelay) {
    {
        BusyWork quick(h.window.get(), QStringLiteral("Copying..."));
        EXPECT_TRUE(waitCursor());
        quick.step();
        EXPECT_FALSE(quick.dialogShown());
        EXPECT_EQ(busyDialog(), nullptr);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        BusyWork slow(h.window.get(), QStringLiteral("Deleting..."));
        QThread::msleep(250);
        slow.step();
        ASSERT_NE(busyDialog(), nullptr);
        EXPECT_EQ(busyDialog()->labelText(), QStringLiteral("Deleting..."));
        // It lets events through while the tree is being changed: no input may come.
        EXPECT_EQ(busyDialog()->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(busyDialog()->findChild<QPushButton*>(), nullptr); // nothing to cancel
    }
    EXPECT_EQ(busyDialog(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(BusyWorkTest, LongOpenKeepsTheWindowPaintingWithCursorAndDialog) {
    const QString path = h.folder.filePath(QStringLiteral("big.bv1"));
    ASSERT_EQ(ErrorText(SaveLibraryFile(h.window->tree(), path)), QString());
    h.window->fileCommands().setBeforeWork([] { QThread::msleep(700); });
    Watch watch;
    h.window->openFile(path);
    EXPECT_TRUE(h.window->fileWorkRunning());
    EXPECT_FALSE(h.window->isEnabled()); // no other command meanwhile
    ASSERT_TRUE(opened());
    // The UI thread ran through the read: its timer fired, always under the busy cursor.
    EXPECT_GE(watch.ticks, 10);
    EXPECT_GE(watch.busyTicks, watch.ticks - 1);
    EXPECT_EQ(watch.dialogText, QStringLiteral("Opening big.bv1..."));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(busyDialog(), nullptr);
    EXPECT_TRUE(h.window->isEnabled());
    EXPECT_EQ(h.window->document()->filePath(), QFileInfo(path).absoluteFilePath());
    EXPECT_TRUE(h.window->document()->recentFiles().contains(QFileInfo(path).absoluteFilePath()));
}

TEST_F(BusyWorkTest, ShortOpenShowsNoDialog) {
    const QString path = write("small.bv1", "Root\r\n\tLibrary\r\n");
    Watch watch;
    h.window->openFile(path);
    ASSERT_TRUE(opened());
    EXPECT_TRUE(watch.dialogText.isEmpty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(h.window->tree().nodeCount(), 2u);
}

TEST_F(BusyWorkTest, FailedOpenRestoresTheCursorBeforeTheError) {
    const QString path = write("damaged.bv1", "Root\r\n\tLibrary\r\n\t\t\tToo deep\r\n");
    h.window->fileCommands().setBeforeWork([] { QThread::msleep(300); });
    bool cursorAtError = true;
    QObject::connect(&h.window->fileCommands(), &FileMenuCommands::loaded, h.window.get(),
                     [&] { cursorAtError = QGuiApplication::overrideCursor() != nullptr; });
    const int boxes = int(h.prompts.shown.size());
    h.window->openFile(path);
    // A second open while the first reads is refused, not queued.
    h.window->openFile(path);
    ASSERT_TRUE(opened());
    EXPECT_FALSE(cursorAtError);
    ASSERT_EQ(int(h.prompts.shown.size()), boxes + 1);
    EXPECT_EQ(h.prompts.shown.last().caption, QStringLiteral("Error"));
    EXPECT_TRUE(h.prompts.shown.last().text.contains("Invalid level (3)"));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(h.window->document()->hasFile());
}

TEST_F(BusyWorkTest, SaveCommandWritesOffTheUiThreadAndReportsAFailure) {
    TFormMain& w = *h.window;
    const QString path = h.folder.filePath(QStringLiteral("Saved"));
    h.prompts.files = {path};
    w.fileCommands().setBeforeWork([] { QThread::msleep(500); });
    w.document()->markModified();
    Watch watch;
    ui(w).MISave->trigger(); // no file yet: Save asks for a name
    EXPECT_TRUE(w.fileWorkRunning());
    EXPECT_FALSE(w.isEnabled());
    ASSERT_TRUE(h.opened());
    EXPECT_GE(watch.ticks, 8);
    EXPECT_EQ(watch.dialogText, QStringLiteral("Saving Saved.bv1..."));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(w.document()->filePath(), path + QStringLiteral(".bv1"));
    EXPECT_FALSE(w.document()->isModified());
    QFile written(path + QStringLiteral(".bv1"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().toStdString(), WriteOutline(w.tree()));

    // A folder that is not there: the error as ever, the document keeps its file.
    w.document()->markModified();
    h.prompts.files = {h.folder.filePath(QStringLiteral("missing/x.bv1"))};
    ui(w).MISaveAs->trigger();
    ASSERT_TRUE(h.opened());
    EXPECT_EQ(h.prompts.shown.last().caption, QStringLiteral("Error"));
    EXPECT_TRUE(h.prompts.shown.last().text.startsWith(QStringLiteral("Could not save")));
    EXPECT_EQ(w.document()->filePath(), path + QStringLiteral(".bv1"));
    EXPECT_TRUE(w.document()->isModified());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(BusyWorkTest, ABigCopyReportsItsProgressToTheDialogWhileTheTreeIsWhole) {
    TFormMain& w = *h.window;
    ui(w).Edit1->trigger();
    LibraryTree& tree = w.tree();
    NodeId section = NoNode;
    ForEachPreorder(tree, [&](NodeId n, int depth) {
        if (section == NoNode && depth == Section && tree.kind(n) == Section) section = n;
    });
    ASSERT_NE(section, NoNode);
    // Built detached and brought in at once: a branch of 70,001 nodes.
    const NodeId big = tree.newDetached("Big", Concept);
    for (int i = 0; i < 70000; ++i)
        tree.appendDetached(big, "Q", Question);
    tree.attachDetached(big, section, NoNode);
    w.selectNode(big);
    const std::size_t before = tree.nodeCount();
    const int siblings = tree.childCount(section);

    BusyWork::setDialogDelayMs(0);
    int seenValue = 0, seenMaximum = 0;
    bool wholeMeanwhile = true, modal = true;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        QProgressDialog* d = busyDialog();
        if (!d || d->value() <= 0) return;
        seenValue = d->value();
        seenMaximum = d->maximum();
        wholeMeanwhile = wholeMeanwhile && tree.childCount(section) == siblings;
        modal = modal && d->windowModality() == Qt::ApplicationModal && waitCursor();
    });
    watch.start(0);
    w.CopySelectedClick(Concept);
    watch.stop();

    EXPECT_EQ(seenMaximum, 70001);
    EXPECT_GT(seenValue, 0);
    EXPECT_LT(seenValue, seenMaximum);
    EXPECT_TRUE(wholeMeanwhile); // the copy joins the tree only once it is made
    EXPECT_TRUE(modal);
    EXPECT_EQ(tree.nodeCount(), before + 70001);
    EXPECT_EQ(tree.text(w.selectedNode()), "Copy of Big");
    EXPECT_EQ(busyDialog(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(BusyWorkTest, TheSaveAskedBeforeOpeningWritesOffTheUiThreadAndAFailureOpensNothing) {
    TFormMain& w = *h.window;
    const QString other = write("other.bv1", "Root\r\n\tOther\r\n");
    const std::string before = WriteOutline(w.tree());
    w.document()->markModified();
    w.fileCommands().setBeforeWork([] { QThread::msleep(300); });

    // Yes, to a folder that is not there: the error, and the library stays as it was.
    h.prompts.answers = {Prompts::Yes};
    h.prompts.files = {h.folder.filePath(QStringLiteral("missing/x.bv1")), other};
    ui(w).MIOpen->trigger();
    EXPECT_TRUE(w.fileWorkRunning());
    ASSERT_TRUE(h.opened());
    EXPECT_EQ(h.prompts.shown.last().caption, QStringLiteral("Error"));
    EXPECT_EQ(h.prompts.files.size(), 1); // never asked which file to open
    EXPECT_EQ(WriteOutline(w.tree()), before);
    EXPECT_TRUE(w.document()->isModified());
    EXPECT_FALSE(w.document()->hasFile());

    // Yes, to a good name: written, then the other file opens from the write's end.
    const QString saved = h.folder.filePath(QStringLiteral("kept.bv1"));
    h.prompts.answers = {Prompts::Yes};
    h.prompts.files = {saved, other};
    ui(w).MIOpen->trigger();
    EXPECT_TRUE(w.fileWorkRunning());
    ASSERT_TRUE(waitUntil([&] { return w.document()->filePath().endsWith("other.bv1"); }, 10000));
    ASSERT_TRUE(h.opened());
    QFile written(saved);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().toStdString(), before);
    EXPECT_EQ(w.tree().text(w.tree().firstChild(w.tree().first())), "Other");
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
