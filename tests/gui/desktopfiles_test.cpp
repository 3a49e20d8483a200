// The desktop's ways of opening files: the command line, a later start's hand-over, drops on
// the main window and on a question editor pane; and what the command line prints.
#include "editor/paneimageeditor.h"
#include "editor/panetab.h"
#include "editor/panetexteditor.h"
#include "editor/panewebsiteeditor.h"
#include "mainharness.h"
#include "mainwindow/filearrivals.h"
#include "mainwindow/librarydocument.h"
#include "panels/levelrows.h"
#include "platform/instanceguard.h"
#include "platform/startarguments.h"
#include "stubmain.h"

#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

QString writeLibrary(const QTemporaryDir& dir, const QString& name, const QByteArray& library) {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return {};
    f.write("ROOT\r\n\t" + library + "\r\n\t\tNotes\r\n");
    return path;
}

// Drops `urls` on `target` as a file manager would: enter, move, drop.
bool dropUrls(QWidget* target, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QApplication::processEvents(); // the drop's work runs after the drag's own loop
    return drop.isAccepted();
}

bool anyShown(const FakePrompts& prompts, const QString& part) {
    for (const FakePrompts::Shown& s : prompts.shown)
        if (s.text.contains(part)) return true;
    return false;
}

} // namespace

TEST(StartArguments, HelpVersionFilesAndUnknownOptions) {
    using Action = StartArguments::Action;
    const QString here = QStringLiteral("/home/ann/libraries");
    StartArguments a = ParseStartArguments({}, true, here);
    EXPECT_EQ(a.action, Action::Run);
    EXPECT_TRUE(a.files.isEmpty());

    // Relative names are made absolute: a hand-over crosses to a process with another folder.
    a = ParseStartArguments({"one.bv1", "../two.bv1", "/tmp/three.bv1"}, true, here);
    EXPECT_EQ(a.action, Action::Run);
    EXPECT_EQ(a.files,
              QStringList({"/home/ann/libraries/one.bv1", "/home/ann/two.bv1", "/tmp/three.bv1"}));

    EXPECT_EQ(ParseStartArguments({"--help"}, false, here).action, Action::Help);
    EXPECT_EQ(ParseStartArguments({"x.bv1", "-h"}, false, here).action, Action::Help);
    EXPECT_EQ(ParseStartArguments({"--version", "--help"}, false, here).action, Action::Version);
    // Before Qt has read its options, "-style Fusion" is no error (Fusion is Qt's to take).
    EXPECT_EQ(ParseStartArguments({"-style", "Fusion"}, false, here).action, Action::Run);
    a = ParseStartArguments({"--frobnicate"}, true, here);
    EXPECT_EQ(a.action, Action::Refused);
    EXPECT_TRUE(a.error.contains("--frobnicate"));
    // After "--" everything is a file, dashes included.
    a = ParseStartArguments({"--", "-odd.bv1", "--help"}, true, here);
    EXPECT_EQ(a.action, Action::Run);
    EXPECT_EQ(a.files, QStringList({"/home/ann/libraries/-odd.bv1", "/home/ann/libraries/--help"}));

    EXPECT_TRUE(StartHelpText().contains("--version"));
    EXPECT_TRUE(StartVersionText().startsWith("brenvik 1."));
}

TEST(DesktopFiles, FilesOnTheCommandLineOpenTheFirstInsteadOfTheDemo) {
    MainHarness h;
    ASSERT_TRUE(h.folder.isValid());
    const QString first = writeLibrary(h.folder, "first.bv1", "First Library");
    const QString second = writeLibrary(h.folder, "second.bv1", "Second Library");
    h.deps.openAtStart = {first, second};
    ASSERT_TRUE(h.start());
    TFormMain& w = *h.window;
    EXPECT_EQ(w.document()->filePath(), first);
    EXPECT_NE(h.find("First Library"), NoNode);
    EXPECT_EQ(h.find("Capitals Demo - Press [F9]"), NoNode);
    EXPECT_TRUE(anyShown(h.prompts, "second.bv1"));
    EXPECT_FALSE(anyShown(h.prompts, "first.bv1"));
    // The greeting does not point at a demo that is not shown.
    EXPECT_FALSE(h.speech.spoken.contains(QStringLiteral("Press F 9 to see the demo.")));
    EXPECT_TRUE(h.speech.spoken.contains(QStringLiteral("Good morning!")) ||
                h.speech.spoken.contains(QStringLiteral("Good afternoon!")) ||
                h.speech.spoken.contains(QStringLiteral("Good evening!")));
}

TEST(DesktopFiles, ASecondStartHandsItsFileOverAndItWaitsForTheEditor) {
    MainHarness h;
    ASSERT_TRUE(h.start());
    TFormMain& w = *h.window;
    InstanceGuard first;
    ASSERT_TRUE(first.tryAcquire(h.folder.path()));
    w.listenForSecondStarts(first);
    const QString handed = writeLibrary(h.folder, "handed.bv1", "Handed Library");

    // An editor is open: the file waits, the window keeps what it has.
    ui(w).Edit1->trigger();
    w.selectNode(h.find("North America"));
    w.Library1Click(5);
    ASSERT_TRUE(w.document()->isModified());
    ui(w).Edit2->trigger();
    w.selectNode(h.find("North America"));
    QTest::mouseClick(ui(w).FormEditSelected->rows()->button(5), Qt::LeftButton);
    ASSERT_TRUE(ui(w).FormEditObject->isOpen());

    InstanceGuard later;
    ASSERT_TRUE(later.tryAcquire(h.folder.path()));
    ASSERT_FALSE(later.holdsLock());
    ASSERT_TRUE(later.handOver(h.folder.path(), {handed}));
    ASSERT_TRUE(waitUntil([&] { return w.fileArrivals().waiting(); }, 3000));
    QTest::qWait(400); // past a look again
    EXPECT_TRUE(w.document()->filePath().isEmpty());
    EXPECT_TRUE(ui(w).FormEditObject->isOpen());

    // The editor closes: the unsaved-changes question comes, as File > Open asks it.
    const qsizetype boxes = h.prompts.shown.size();
    h.prompts.answers = {Prompts::No};
    QTest::mouseClick(ui(w).FormEditObject->BCancel, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return w.document()->filePath() == handed; }, 3000));
    ASSERT_GT(h.prompts.shown.size(), boxes);
    EXPECT_EQ(h.prompts.shown[boxes].text, QStringLiteral("Save changes?"));
    EXPECT_NE(h.find("Handed Library"), NoNode);
    EXPECT_FALSE(w.fileArrivals().waiting());
}

TEST(DesktopFiles, DroppedLibraryOpensAfterTheUnsavedChangesQuestion) {
    MainHarness h;
    ASSERT_TRUE(h.start());
    TFormMain& w = *h.window;
    const QString dropped = writeLibrary(h.folder, "dropped.bv1", "Dropped Library");
    ui(w).Edit1->trigger();
    w.selectNode(h.find("North America"));
    w.Library1Click(5);
    ASSERT_TRUE(w.document()->isModified());

    // Not a library: the window does not take it.
    EXPECT_FALSE(dropUrls(&w, {QUrl::fromLocalFile(h.folder.filePath("notes.txt"))}));

    h.prompts.answers = {Prompts::Cancel};
    EXPECT_TRUE(dropUrls(&w, {QUrl::fromLocalFile(dropped)}));
    EXPECT_EQ(h.prompts.shown.last().text, QStringLiteral("Save changes?"));
    EXPECT_TRUE(w.document()->isModified());
    EXPECT_EQ(h.find("Dropped Library"), NoNode);

    // Dropped on the tree, the drop reaches the window all the same.
    h.prompts.answers = {Prompts::No};
    EXPECT_TRUE(dropUrls(ui(w).TVObjs->viewport(), {QUrl::fromLocalFile(dropped)}));
    ASSERT_TRUE(h.opened());
    EXPECT_EQ(w.document()->filePath(), dropped);
    EXPECT_NE(h.find("Dropped Library"), NoNode);
}

TEST(DesktopFiles, PicturesAndPagesDroppedOnAPaneSetItsFileOrAddress) {
    QTemporaryDir dir;
    StubMain<> main(dir.path());
    PaneTab tab(main, 1);
    QSignalSpy changed(&tab, &PaneTab::changed);
    QImage image(12, 8, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const QString png = dir.filePath("map.png");
    ASSERT_TRUE(image.save(png, "PNG"));
    const QString page = dir.filePath("notes.html");
    QFile(page).open(QIODevice::WriteOnly);

    ASSERT_EQ(tab.content(), 0);
    EXPECT_TRUE(dropUrls(&tab, {QUrl::fromLocalFile(png)}));
    EXPECT_EQ(tab.content(), 1);
    EXPECT_EQ(tab.imageEditor().EImage->text(), png);
    EXPECT_GT(changed.count(), 0);

    // On the address field the page is the pane's address, not text typed into it.
    EXPECT_TRUE(dropUrls(tab.websiteEditor().EOther, {QUrl::fromLocalFile(page)}));
    EXPECT_EQ(tab.content(), 2);
    EXPECT_EQ(tab.websiteEditor().EOther->text(), page);
    EXPECT_TRUE(dropUrls(&tab, {QUrl(QStringLiteral("https://example.org/capitals"))}));
    EXPECT_EQ(tab.websiteEditor().EOther->text(), QStringLiteral("https://example.org/capitals"));
    EXPECT_EQ(tab.record().imageFile, png.toStdString());

    // Anything else is left to the controls under the pointer.
    EXPECT_FALSE(dropUrls(&tab, {QUrl::fromLocalFile(dir.filePath("song.mp3"))}));
    EXPECT_EQ(PaneTab::dropKind(nullptr), PaneTab::DropKind::None);
    // A damaged picture is refused with a box; the field keeps the last good one.
    const QString bad = dir.filePath("bad.png");
    QFile b(bad);
    ASSERT_TRUE(b.open(QIODevice::WriteOnly));
    b.write("not a png");
    b.close();
    const qsizetype boxes = main.prompts_.shown.size();
    dropUrls(&tab, {QUrl::fromLocalFile(bad)});
    EXPECT_EQ(main.prompts_.shown.size(), boxes + 1);
    EXPECT_EQ(tab.imageEditor().EImage->text(), png);
}

TEST(DesktopFiles, ArrivalsNameTheFilesLeftOut) {
    const QString text = FileArrivals::notOpenedText({"/a/b/two.bv1", "/c/three.bv1"});
    EXPECT_TRUE(text.contains("two.bv1\nthree.bv1"));
    EXPECT_FALSE(text.contains("/a/b"));
    QMimeData mixed;
    mixed.setUrls({QUrl::fromLocalFile("/x/one.BV1"), QUrl::fromLocalFile("/x/pic.png"),
                   QUrl("https://example.org/lib.bv1")});
    EXPECT_EQ(FileArrivals::libraryFiles(&mixed), QStringList({"/x/one.BV1"}));
}
