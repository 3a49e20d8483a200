// The main window driven through its real widgets, with fake platform services.
#include "library/colors.h"
#include "library/objects.h"
#include "library/outline.h"
#include "library/settingsstore.h"
#include "library/undostore.h"
#include "mainwindow/fmain.h"
#include "mainwindow/librarydocument.h"
#include "mainwindow/libraryitemmodel.h"
#include "panels/faboutbox.h"
#include "panels/faddnew.h"
#include "panels/fdeleteselected.h"
#include "panels/feditobject.h"
#include "panels/feditselected.h"
#include "panels/levelrows.h"
#include "platform/instanceguard.h"
#include "platform/systemnames.h"
#include "study/fflashselected.h"
#include "study/fimprintselected.h"
#include "study/freviewselected.h"
#include "tests/gui/waituntil.h"
#include "tests/support/fakeprompts.h"
#include "tests/support/fakeshellopen.h"
#include "tests/support/fakespeech.h"

#include "mainharness.h"
#include "study/fstudyquestion.h"
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(h.start()); }
    void TearDown() override { window.reset(); }

    NodeId find(const char* text) const { return h.find(text); }
    std::string nameOf(NodeId n) const { return std::string(window->tree().text(n)); }
    void toEditMode() {
        ui(*window).Edit1->trigger();
        ASSERT_TRUE(window->isEditMode());
    }
    void click(QAbstractButton* b) {
        ASSERT_TRUE(b->isEnabled());
        QTest::mouseClick(b, Qt::LeftButton);
    }
    QString lastText() const {
        return prompts.shown.isEmpty() ? QString() : prompts.shown.last().text;
    }

    MainHarness h;
    QTemporaryDir& folder = h.folder;
    FakePrompts& prompts = h.prompts;
    FakeSpeechEngine& speech = h.speech;
    FakeShellOpen& shell = h.shell;
    FixedDesktopColors& colors = h.colors;
    SettingsStore& store = h.store;
    std::unique_ptr<TFormMain>& window = h.window;
};

TEST_F(MainWindowTest, StartUpEndsInStudyModeWithTheDemoLoaded) {
    TFormMain& w = *window;
    EXPECT_FALSE(w.isEditMode());
    EXPECT_TRUE(ui(w).Study1->isChecked());
    EXPECT_TRUE(ui(w).FormFlashSelected->view()->isVisible());
    EXPECT_TRUE(ui(w).Flashselected1->isChecked());
    for (QAction* a : {ui(w).Addnew1, ui(w).Edit2, ui(w).Copy1, ui(w).Delete1})
        EXPECT_FALSE(a->isVisible());
    for (QAction* a : {ui(w).Imprintselected1, ui(w).Flashselected1, ui(w).Reviewselected1})
        EXPECT_TRUE(a->isVisible());
    for (QWidget* b :
         std::initializer_list<QWidget*>{ui(w).BUndo, ui(w).BRedo, ui(w).BSave, ui(w).CBAutoSave})
        EXPECT_FALSE(b->isVisible());

    EXPECT_EQ(nameOf(w.selectedNode()), "Capitals Demo - Press [F9]");
    EXPECT_EQ(nameOf(w.tree().first()), "HOST  >  ann");
    const NodeId usca = find("U.S. & Canada");
    ASSERT_NE(usca, NoNode);
    EXPECT_TRUE(ui(w).TVObjs->isExpanded(w.model()->indexFromNode(usca)));
    EXPECT_FALSE(ui(w).TVObjs->isExpanded(w.model()->indexFromNode(find("Canada"))));
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("Demo"))));

    // Greeting, read-me, the hint box and the demo phrase, in that order.
    ASSERT_GE(speech.spoken.size(), 2);
    EXPECT_TRUE(speech.spoken.first().startsWith(QStringLiteral("Good ")));
    EXPECT_EQ(speech.spoken.last(), QStringLiteral("Press F 9 to see the demo."));
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_TRUE(shell.opened.first().toLocalFile().endsWith(QStringLiteral("/ReadMe.txt")));
    ASSERT_FALSE(prompts.shown.isEmpty());
    EXPECT_EQ(prompts.shown.last().caption, QStringLiteral("Information"));
    EXPECT_EQ(prompts.shown.last().text,
              QStringLiteral("Open the User's Guide from the Help menu\nto learn how to use "
                             "Brenvik."));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Brenvik"));

    // Every session panel follows the selected library: only its Library row is live
    // (the hidden panels are disabled as a whole, so ask relative to their own panel).
    for (LevelPanel* panel : std::initializer_list<LevelPanel*>{
             ui(w).FormImprintSelected, ui(w).FormFlashSelected, ui(w).FormReviewSelected}) {
        EXPECT_TRUE(panel->rows()->button(1)->isEnabledTo(panel->view()));
        EXPECT_FALSE(panel->rows()->nameEdit(1)->isHidden());
        EXPECT_EQ(panel->rows()->nameEdit(1)->text(), QStringLiteral("Capitals Demo - Press [F9]"));
        EXPECT_FALSE(panel->rows()->button(2)->isEnabledTo(panel->view()));
        EXPECT_TRUE(panel->rows()->nameEdit(2)->isHidden());
    }

    // Switching to edit shows the edit tools again.
    toEditMode();
    EXPECT_TRUE(ui(w).BUndo->isVisible());
    EXPECT_TRUE(ui(w).Addnew1->isVisible());
    EXPECT_FALSE(ui(w).Flashselected1->isVisible());
}

TEST_F(MainWindowTest, AddNewNamesChaptersInTurnAndRecordsUndo) {
    TFormMain& w = *window;
    toEditMode();
    w.selectNode(find("Western Hemisphere"));
    click(ui(w).FormAddNew->rows()->button(5));
    EXPECT_EQ(nameOf(w.selectedNode()), "Chapter 1");
    EXPECT_EQ(w.undoStore()->undoLabel(), QStringLiteral("add new chapter"));
    click(ui(w).FormAddNew->rows()->button(5));
    EXPECT_EQ(nameOf(w.selectedNode()), "Chapter 2");
    EXPECT_TRUE(ui(w).BUndo->isEnabled());
    EXPECT_EQ(ui(w).BUndo->toolTip(), w.undoStore()->undoHint());
    EXPECT_TRUE(w.document()->isModified());
    EXPECT_TRUE(w.windowTitle().endsWith(QLatin1String("*")));
    // The new name edit has the focus so the user can type the name at once.
    EXPECT_TRUE(ui(w).FormAddNew->rows()->nameEdit(5)->hasFocus());

    QTest::mouseClick(ui(w).BUndo, Qt::LeftButton);
    EXPECT_EQ(find("Chapter 2"), NoNode);
    EXPECT_NE(w.selectedNode(), NoNode);
    QTest::mouseClick(ui(w).BRedo, Qt::LeftButton);
    EXPECT_NE(find("Chapter 2"), NoNode);
}

TEST_F(MainWindowTest, DeleteAskedFirstAndUndoRestoresTheSubtree) {
    TFormMain& w = *window;
    toEditMode();
    ui(w).Delete1->trigger();
    ASSERT_TRUE(ui(w).FormDeleteSelected->view()->isVisible());
    const std::string before = WriteOutline(w.tree());
    w.selectNode(find("United States"));

    prompts.answers = {Prompts::No};
    click(ui(w).FormDeleteSelected->rows()->button(5));
    EXPECT_EQ(prompts.shown.last().caption, QStringLiteral("Confirm"));
    EXPECT_EQ(prompts.shown.last().text, QStringLiteral("Delete selected chapter?"));
    EXPECT_EQ(WriteOutline(w.tree()), before);
    EXPECT_FALSE(w.undoStore()->canUndo());
    EXPECT_EQ(speech.spoken.last(), QStringLiteral("Please confirm."));

    prompts.answers = {Prompts::Yes};
    click(ui(w).FormDeleteSelected->rows()->button(5));
    EXPECT_EQ(speech.spoken.last(), QStringLiteral("Thank you."));
    EXPECT_EQ(find("North America"), NoNode);
    EXPECT_EQ(find("Alabama"), NoNode);
    EXPECT_EQ(nameOf(w.selectedNode()), "Western Hemisphere");
    EXPECT_EQ(w.undoStore()->undoLabel(), QStringLiteral("delete chapter"));

    ui(w).MIUndo->trigger();
    EXPECT_EQ(WriteOutline(w.tree()), before);
    EXPECT_NE(w.selectedNode(), NoNode);
}

TEST_F(MainWindowTest, DragMovesAndCopiesByTheRules) {
    TFormMain& w = *window;
    toEditMode();
    const NodeId part = find("Western Hemisphere");
    w.selectNode(part);
    w.Library1Click(5); // "Chapter 1", after "North America"
    const NodeId northAmerica = find("North America");
    const NodeId chapter1 = find("Chapter 1");
    LibraryTree& t = w.tree();
    ASSERT_EQ(t.nextSibling(northAmerica), chapter1);

    // Refused: onto a section, a book, a note line, itself; and outside edit mode.
    EXPECT_FALSE(w.TVObjsDragOver(chapter1, find("U.S. & Canada")));
    EXPECT_FALSE(w.TVObjsDragOver(chapter1, find("Geography")));
    EXPECT_FALSE(w.TVObjsDragOver(chapter1, t.firstChild(t.firstChild(chapter1))));
    EXPECT_FALSE(w.TVObjsDragOver(chapter1, chapter1));
    EXPECT_EQ(w.model()->dimmedNode(), NoNode);
    EXPECT_TRUE(w.TVObjsDragOver(chapter1, northAmerica));
    EXPECT_EQ(w.model()->dimmedNode(), chapter1); // drawn cut while accepted
    w.dragEnded();

    // Onto a chapter above: before it.
    ASSERT_TRUE(w.TVObjsDragDrop(chapter1, northAmerica));
    EXPECT_EQ(t.nextSibling(chapter1), northAmerica);
    EXPECT_EQ(w.undoStore()->undoLabel(), QStringLiteral("move chapter"));
    // Onto a chapter below: after it.
    ASSERT_TRUE(w.TVObjsDragDrop(chapter1, northAmerica));
    EXPECT_EQ(t.nextSibling(northAmerica), chapter1);
    // Onto a part: its last child.
    w.selectNode(find("Geography"));
    w.Library1Click(4); // "Part 1"
    const NodeId part1 = find("Part 1");
    ASSERT_TRUE(w.TVObjsDragDrop(chapter1, part1));
    EXPECT_EQ(t.parent(chapter1), part1);
    EXPECT_EQ(t.lastChild(part1), chapter1);

    // From a second top-level tree: copied after an OK.
    const NodeId foreign = t.appendChild(NoNode, "Other", 0);
    const NodeId foreignChapter = CopySubtree(t, northAmerica, foreign, CopyMode::Append);
    t.setText(foreignChapter, "Elsewhere");
    EXPECT_FALSE(w.TVObjsDragOver(chapter1, foreignChapter)); // target outside the first tree
    prompts.answers = {Prompts::Cancel};
    const std::size_t nodes = t.nodeCount();
    EXPECT_FALSE(w.TVObjsDragDrop(foreignChapter, part1));
    EXPECT_EQ(t.nodeCount(), nodes);
    EXPECT_EQ(prompts.shown.last().text,
              QStringLiteral("The selected node will be copied\ninstead of moved."));
    prompts.answers = {Prompts::Ok};
    ASSERT_TRUE(w.TVObjsDragDrop(foreignChapter, part1));
    EXPECT_EQ(nameOf(t.lastChild(part1)), "Copy of Elsewhere");
    EXPECT_EQ(t.parent(foreignChapter), foreign); // the original stays
    EXPECT_EQ(w.undoStore()->undoLabel(), QStringLiteral("copy chapter"));
}

TEST_F(MainWindowTest, OpenObjectEditorRefusesOtherCommands) {
    TFormMain& w = *window;
    toEditMode();
    const NodeId book = find("Geography");
    w.TVObjsEdited(book, QStringLiteral("Maps"));
    ui(w).Edit2->trigger();
    const NodeId chapter = find("North America");
    w.selectNode(chapter);
    click(ui(w).FormEditSelected->rows()->button(5));
    ASSERT_TRUE(w.editorOpen());
    EXPECT_TRUE(ui(w).SB->isVisible());
    EXPECT_TRUE(ui(w).PSB->text().endsWith(QStringLiteral("  >  North America")));

    // Unchanged editor: "Close" first. Clicking another node keeps the selection.
    const QModelIndex other = w.model()->indexFromNode(book);
    ui(w).TVObjs->scrollTo(other);
    QTest::mouseClick(ui(w).TVObjs->viewport(), Qt::LeftButton, {},
                      ui(w).TVObjs->visualRect(other).center());
    EXPECT_EQ(w.selectedNode(), chapter);
    EXPECT_EQ(lastText(),
              QStringLiteral("Click on the \"Close\" button before\nselecting a different item."));
    EXPECT_EQ(speech.spoken.last(), QStringLiteral("Please click on close first."));

    // With changes: "Save" or "Cancel" first.
    QTest::keyClicks(ui(w).FormEditObject->EName, QStringLiteral("x"));
    ui(w).Study1->trigger();
    EXPECT_TRUE(w.isEditMode());
    EXPECT_EQ(lastText(), QStringLiteral("Click on the \"Save\" or \"Cancel\" button\nbefore "
                                         "switching to a different mode."));
    EXPECT_EQ(speech.spoken.last(), QStringLiteral("Please click on save or cancel first."));
    const int boxes = int(prompts.shown.size());
    ui(w).LevelItems[5]->trigger();
    EXPECT_TRUE(lastText().endsWith(QStringLiteral("performing another operation.")));
    ui(w).Addnew1->trigger();
    EXPECT_TRUE(lastText().endsWith(QStringLiteral("switching to a different operation.")));
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(lastText().endsWith(QStringLiteral("exiting.")));
    EXPECT_EQ(int(prompts.shown.size()), boxes + 3);
    EXPECT_FALSE(w.TVObjsEditing(chapter));
    EXPECT_TRUE(lastText().endsWith(QStringLiteral("editing an item.")));

    // Undo is refused as well while the editor is open.
    w.BUndoClick();
    EXPECT_EQ(nameOf(book), "Maps");
    EXPECT_TRUE(lastText().endsWith(QStringLiteral("performing another operation.")));

    // The tree's pop-up menu offers nothing while the editor is open.
    Q_EMIT ui(w).PMObjs->aboutToShow();
    for (QAction* a : {ui(w).PMIImprint, ui(w).PMIFlash, ui(w).PMIReview, ui(w).PMIEdit})
        EXPECT_FALSE(a->isEnabled());
}

TEST_F(MainWindowTest, RenameInPlaceRecordsOnlyRealChanges) {
    TFormMain& w = *window;
    toEditMode();
    const NodeId book = find("Geography");
    w.TVObjsEdited(book, QStringLiteral("   "));
    w.TVObjsEdited(book, QStringLiteral("Geography"));
    EXPECT_FALSE(w.undoStore()->canUndo());
    w.TVObjsEdited(book, QStringLiteral("Maps"));
    EXPECT_EQ(nameOf(book), "Maps");
    EXPECT_EQ(w.undoStore()->undoLabel(), QStringLiteral("edit book name"));
    // Not in study mode, and never on attribute nodes.
    EXPECT_FALSE(w.TVObjsEditing(w.tree().firstChild(book)));
    ui(w).Study1->trigger();
    EXPECT_FALSE(w.TVObjsEditing(book));
}

TEST_F(MainWindowTest, UnsavedChangesAreAskedAboutBeforeNew) {
    TFormMain& w = *window;
    toEditMode();
    w.selectNode(find("Western Hemisphere"));
    w.Library1Click(5);
    ASSERT_TRUE(w.document()->isModified());
    const std::size_t nodes = w.tree().nodeCount();

    prompts.answers = {Prompts::Cancel};
    ui(w).MINew->trigger();
    EXPECT_EQ(prompts.shown.last().text, QStringLiteral("Save changes?"));
    EXPECT_EQ(prompts.shown.last().buttons, Prompts::Yes | Prompts::No | Prompts::Cancel);
    EXPECT_EQ(w.tree().nodeCount(), nodes);

    prompts.answers = {Prompts::No};
    ui(w).MINew->trigger();
    EXPECT_EQ(w.tree().nodeCount(), 3u); // root, its notes and the one note line
    EXPECT_FALSE(w.document()->isModified());
    EXPECT_FALSE(w.undoStore()->canUndo());
    EXPECT_EQ(w.selectedNode(), w.tree().first());
    EXPECT_FALSE(ui(w).MISave->isEnabled());
}

TEST_F(MainWindowTest, SaveAsOpenAndAFailedSaveKeepTheFile) {
    TFormMain& w = *window;
    toEditMode();
    const QString path = folder.filePath(QStringLiteral("mine"));
    prompts.files = {path};
    ASSERT_TRUE(w.MISaveAsClick());
    EXPECT_EQ(prompts.fileTitles.last(), QStringLiteral("Save file as"));
    const QString saved = path + QStringLiteral(".bv1");
    ASSERT_TRUE(QFile::exists(saved));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Brenvik - mine.bv1"));
    EXPECT_EQ(w.document()->recentFiles().value(0), saved);
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray original = file.readAll();
    file.close();

    w.selectNode(find("Western Hemisphere"));
    w.Library1Click(5);
    prompts.files = {QStringLiteral("/proc/brenvik-cannot-write.bv1")};
    EXPECT_FALSE(w.MISaveAsClick());
    EXPECT_EQ(prompts.shown.last().caption, QStringLiteral("Error"));
    EXPECT_FALSE(prompts.shown.last().text.isEmpty());
    EXPECT_EQ(w.document()->filePath(), saved);
    EXPECT_TRUE(w.document()->isModified());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), original);
    file.close();

    // Opening the saved file brings the saved tree back, after the question.
    prompts.answers = {Prompts::No};
    prompts.files = {saved};
    ui(w).MIOpen->trigger();
    ASSERT_TRUE(h.opened());
    EXPECT_EQ(prompts.fileTitles.last(), QStringLiteral("Open file"));
    EXPECT_EQ(find("Chapter 1"), NoNode);
    EXPECT_NE(find("North America"), NoNode);
    EXPECT_FALSE(w.document()->isModified());

    // A missing file: an error box, nothing changes.
    const std::string before = WriteOutline(w.tree());
    w.openFile(folder.filePath(QStringLiteral("gone.bv1")));
    EXPECT_EQ(prompts.shown.last().caption, QStringLiteral("Error"));
    EXPECT_EQ(WriteOutline(w.tree()), before);
}

TEST_F(MainWindowTest, SpeechFiltersAndMutes) {
    TFormMain& w = *window;
    const int said = int(speech.spoken.size());
    // Symbols and emoji alone are nothing to say; accented letters are spoken whole.
    w.Speak(QString::fromUtf8("\u2026 \u2605 \U0001F600\u00a0"));
    EXPECT_EQ(int(speech.spoken.size()), said);
    w.Speak(QString::fromUtf8("Caf\u00e9\u0007 time"));
    EXPECT_EQ(speech.spoken.last(), QString::fromUtf8("Caf\u00e9 time"));
    EXPECT_TRUE(waitUntil([&] { return !w.speaking() && !speech.speaking(); }));
    QTest::mouseClick(ui(w).LDisaVoice, Qt::LeftButton);
    EXPECT_TRUE(ui(w).CBDisaVoice->isChecked());
    w.Speak(QStringLiteral("Hello"));
    EXPECT_EQ(speech.spoken.last(), QString::fromUtf8("Caf\u00e9 time"));

    // The voice list: one blank before each name, the stored voice selected.
    ASSERT_EQ(ui(w).CBModes->count(), 3);
    EXPECT_EQ(ui(w).CBModes->itemText(0), QStringLiteral(" Voice 1"));
    EXPECT_EQ(ui(w).CBModes->currentData().toInt(), 2);
    EXPECT_EQ(speech.currentMode(), 2);
}

TEST_F(MainWindowTest, F9SwitchesToStudyMode) {
    TFormMain& w = *window;
    toEditMode();
    QTest::keyClick(ui(w).TVObjs, Qt::Key_F9);
    EXPECT_FALSE(w.isEditMode());
    // The session is on its way: F9 stays busy until its window has closed.
    EXPECT_TRUE(w.F9Busy);
    ASSERT_TRUE(
        waitUntil([&] { return ui(w).FormStudyQuestion && ui(w).FormStudyQuestion->isVisible(); }));
    ui(w).FormStudyQuestion->close();
    ASSERT_TRUE(waitUntil([&] { return !w.studyBusy(); }));
    EXPECT_FALSE(w.F9Busy);
}

TEST(InstanceGuardTest, SecondAcquireInTheSameFolderFails) {
    QTemporaryDir dir, other;
    InstanceGuard first, second, elsewhere;
    using Lock = InstanceGuard::Lock;
    const auto is = [](Lock expected, const Result<Lock>& lock) {
        return lock && lock.value() == expected;
    };
    ASSERT_TRUE(is(Lock::Held, first.tryAcquire(dir.path())));
    EXPECT_TRUE(is(Lock::Busy, second.tryAcquire(dir.path())));
    EXPECT_TRUE(is(Lock::Held, elsewhere.tryAcquire(other.path())));
    first.release();
    EXPECT_TRUE(is(Lock::Held, second.tryAcquire(dir.path())));
}

} // namespace

TEST_F(MainWindowTest, ExitSaysGoodbyeAndLeavesNoWindowOpen) {
    TFormMain& w = *window;
    speech.spoken.clear();
    speech.setDurationMs(-1);
    ui(w).MIExit->trigger();
    // The farewell runs on the event loop: the box, its pause, the goodbye, then the close
    // once the goodbye has been said.
    EXPECT_TRUE(ui(w).AboutBox->isVisible());
    EXPECT_FALSE(w.isEnabled());
    ASSERT_TRUE(waitUntil([&] { return speech.speaking(); }));
    QTest::qWait(200);
    EXPECT_TRUE(w.isVisible());
    speech.finishNow();
    ASSERT_TRUE(waitUntil([&] { return !w.isVisible(); }));
    EXPECT_FALSE(ui(w).AboutBox->isVisible());
    EXPECT_EQ(ui(w).AboutBox->windowTitle(), QStringLiteral("Bye"));
    EXPECT_EQ(speech.spoken, QStringList{QStringLiteral("Goodbye.")});
}

TEST_F(MainWindowTest, StandardKeysWorkBesideTheLevelKeysF2AndF9) {
    TFormMain& w = *window;
    using K = QKeySequence;
    EXPECT_EQ(ui(w).MINew->shortcut(), K(QStringLiteral("Ctrl+N")));
    EXPECT_EQ(ui(w).MIOpen->shortcut(), K(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(ui(w).MISave->shortcut(), K(QStringLiteral("Ctrl+S")));
    EXPECT_EQ(ui(w).MISaveAs->shortcut(), K(QStringLiteral("Ctrl+Shift+S")));
    EXPECT_EQ(ui(w).MIExit->shortcut(), K(QStringLiteral("Ctrl+Q")));
    EXPECT_EQ(ui(w).MIUndo->shortcut(), K(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(ui(w).MIRedo->shortcuts(),
              (QList<K>{K(QStringLiteral("Ctrl+Y")), K(QStringLiteral("Ctrl+Shift+Z"))}));
    EXPECT_EQ(ui(w).Contents1->shortcut(), K(QStringLiteral("F1")));
    // No key is given twice, and none takes an Alt+letter level key, F2 or F9.
    QSet<QString> taken;
    for (QAction* a : w.findChildren<QAction*>())
        for (const K& k : a->shortcuts()) {
            const QString text = k.toString();
            EXPECT_FALSE(taken.contains(text)) << text.toStdString();
            taken.insert(text);
            EXPECT_FALSE(text.startsWith(QLatin1String("Alt+")) || text == QLatin1String("F2") ||
                         text == QLatin1String("F9"))
                << text.toStdString();
        }

    // Undo and both redo keys from the tree, as a keyboard user would.
    toEditMode();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.selectNode(find("Western Hemisphere"));
    click(ui(w).FormAddNew->rows()->button(5));
    ASSERT_NE(find("Chapter 1"), NoNode);
    ui(w).TVObjs->setFocus();
    QTest::keyClick(ui(w).TVObjs, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(find("Chapter 1"), NoNode);
    QTest::keyClick(ui(w).TVObjs, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_NE(find("Chapter 1"), NoNode);
    QTest::keyClick(ui(w).TVObjs, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(ui(w).TVObjs, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_NE(find("Chapter 1"), NoNode);
    // Alt+H is still the chapter row of the panel shown (Add new).
    const std::size_t before = w.tree().nodeCount();
    w.selectNode(find("Western Hemisphere"));
    QTest::keyClick(ui(w).TVObjs, Qt::Key_H, Qt::AltModifier);
    EXPECT_GT(w.tree().nodeCount(), before);
    EXPECT_EQ(nameOf(w.selectedNode()), "Chapter 2");
    // F1 opens the user's guide.
    h.shell.opened.clear();
    ui(w).TVObjs->setFocus();
    QTest::keyClick(ui(w).TVObjs, Qt::Key_F1);
    ASSERT_EQ(h.shell.opened.size(), 1);
    EXPECT_TRUE(h.shell.opened[0].toLocalFile().endsWith(QLatin1String("/Brenvik.htm")));
}
