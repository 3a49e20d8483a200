// The edit-mode panels (level rows, operation panels, object editor, question wizard)
// driven through their real widgets against a fake main window.

#include "library/colors.h"
#include "library/librarytree.h"
#include "library/objects.h"
#include "library/questionrecord.h"
#include "library/settingsstore.h"
#include "library/textcodec.h"
#include "mainwindow/maincommands.h"
#include "panelparts.h"
#include "panels/faddeditdelete.h"
#include "panels/faddnew.h"
#include "panels/fcopyselected.h"
#include "panels/fdeleteselected.h"
#include "panels/fedit.h"
#include "panels/feditobject.h"
#include "panels/feditselected.h"
#include "panels/fwizard.h"
#include "panels/levelpanel.h"
#include "panels/levelrows.h"
#include "stubmain.h"
#include "tests/support/fakeprompts.h"
#include "tests/support/fakeshellopen.h"
#include "tests/support/fakewebviewer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace brenvik;

namespace {

QString PicturesFolder() {
    // From the test data's folder, which the build names absolutely: __FILE__ is the path the
    // compiler was handed, relative to the build folder under some compiler caches.
    return QDir::cleanPath(QStringLiteral(BRENVIK_TESTDATA "/../../resources/programfolder"));
}

QString Name(const LibraryTree& tree, NodeId n) {
    return BytesToDisplay(tree.text(n));
}

// A main window that records the panels' calls and keeps their rows in step with the
// selection the way the real one does.
class FakeMain : public StubMain<> {
public:
    explicit FakeMain(QString folder = PicturesFolder()) : StubMain(std::move(folder)) {}

    NodeId selectedNode() const override { return selected_; }
    void selectNode(NodeId node) override {
        selected_ = node;
        RefreshSelectionViews();
    }

    void Library1Click(int level) override {
        calls << QStringLiteral("add %1").arg(level);
        const NodeId parent = GetObjAtLevel(tree_, selected_, level - 1);
        SaveUndoState();
        auto added = AddNewObj(tree_, parent, colors_);
        ASSERT_TRUE(added.ok());
        selectNode(added.value());
        SetUndoLabel(QStringLiteral("add new ") + QString::fromStdString(LowerObjName(level)));
    }
    void Library2Click(int level) override { calls << QStringLiteral("edit %1").arg(level); }
    void CopySelectedClick(int level) override { calls << QStringLiteral("copy %1").arg(level); }
    void Library3Click(int level) override { calls << QStringLiteral("delete %1").arg(level); }
    void showOperation(Operation op) override {
        calls << QStringLiteral("operation %1").arg(static_cast<int>(op));
    }
    void renameAtLevel(int level, const QString& name) override {
        calls << QStringLiteral("rename %1 %2").arg(level).arg(name);
        const NodeId n = GetObjAtLevel(tree_, selected_, level);
        SaveUndoState();
        tree_.setText(n, DisplayToBytes(name));
        SetUndoLabel(QStringLiteral("edit ") + QString::fromStdString(LowerObjName(level)) +
                     QStringLiteral(" name"));
    }

    void RefreshSelectionViews() override {
        for (LevelPanel* p : panels)
            p->setRows(ComputeLevelRows(tree_, selected_, p == addNew));
        if (wizard) wizard->refreshFromMain();
    }
    int ConfirmBox(const QString& text) override {
        return prompts().message(nullptr, QStringLiteral("Confirm"), text, Prompts::Icon::Question,
                                 Prompts::Yes | Prompts::No);
    }
    void SaveUndoState() override { ++undoPoints; }
    void SetUndoLabel(const QString& label) override { undoLabels << label; }
    void BUndoClick() override { calls << QStringLiteral("undo"); }
    void BRedoClick() override { calls << QStringLiteral("redo"); }
    bool undoEnabled() const override { return canUndo; }
    QString undoHint() const override { return undoHintText; }

    void Speak(const QString& text) override { spoken << text; }
    void StopVoice() override { calls << QStringLiteral("stop voice"); }
    void editorClosed() override { calls << QStringLiteral("editor closed"); }
    void FormKeyUp(int key, Qt::KeyboardModifiers) override { keysUp << key; }
    void hotTabEnter(QWidget* tab) override { hotTab = tab; }
    void hotTabLeave() override { hotTab = nullptr; }
    QColor accentColor() const override { return QColor(176, 196, 222); }
    void wizardOpened(TFormWizard* opened) override { wizard = opened; }
    void wizardClosed(TFormWizard* closed) override {
        if (wizard == closed) wizard = nullptr;
    }

    // A path root > Library 1 > Set 1 > Book 1 > Part 1 > Chapter 1 > Section 1 >
    // Concept 1 > Question 1; path[level] is the object of that level.
    std::vector<NodeId> buildPath() {
        std::vector<NodeId> path;
        NodeId parent = NoNode;
        for (int level = 0; level <= MaxObjectLevel; ++level) {
            parent = AddNewObj(tree_, parent, colors_).value();
            path.push_back(parent);
        }
        return path;
    }

    NodeId selected_ = NoNode;
    QList<LevelPanel*> panels;
    LevelPanel* addNew = nullptr;
    TFormWizard* wizard = nullptr; // the open one, as the wizard reports it

    QStringList calls, undoLabels, spoken;
    int undoPoints = 0;
    QList<int> keysUp;
    QWidget* hotTab = nullptr;
    bool canUndo = false;
    QString undoHintText;
};

// Shows a form's embedded panel in a window of its own, active, so focus and clicks
// behave as in the main window.
class Host {
public:
    explicit Host(QWidget* panel, QSize size = QSize(640, 560)) {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(panel);
        panel->show();
        window.resize(size);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    QWidget window;
};

void SaveShot(QWidget* w, const char* name) {
    // Pictures for looking at the panels by eye; only when asked for.
    const QString dir = qEnvironmentVariable("BRENVIK_SHOTS");
    if (!dir.isEmpty())
        w->grab().save(QDir(dir).filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
}

class PanelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = main.buildPath();
        addNew = std::make_unique<TFormAddNew>(main, main);
        edit = std::make_unique<TFormEditSelected>(main);
        copy = std::make_unique<TFormCopySelected>(main);
        del = std::make_unique<TFormDeleteSelected>(main);
        main.panels = {addNew.get(), edit.get(), copy.get(), del.get()};
        main.addNew = addNew.get();
    }
    void TearDown() override {
        // The hosts own the re-parented panels; drop the forms' view of them first.
        main.panels.clear();
    }

    FakeMain main;
    std::vector<NodeId> path;
    std::unique_ptr<TFormAddNew> addNew;
    std::unique_ptr<TFormEditSelected> edit;
    std::unique_ptr<TFormCopySelected> copy;
    std::unique_ptr<TFormDeleteSelected> del;
};

// --- shaded bands -------------------------------------------------------------------

TEST(ShadedBand, RunsFrom244ToEightySevenPercentOfButtonFace) {
    const QColor face(240, 200, 100);
    EXPECT_EQ(ShadeBandColor(0, 11, face), QColor(244, 244, 244));
    EXPECT_EQ(ShadeBandColor(10, 11, face), QColor(209, 174, 87)); // 208.8, 174, 87
    // Equal steps: halfway down, red is (244 + 208.8) / 2 = 226.4.
    EXPECT_EQ(ShadeBandColor(5, 11, face), QColor(226, 209, 166));
    EXPECT_EQ(ShadeBandColor(0, 1, face), QColor(244, 244, 244));
}

// --- level rows ------------------------------------------------------------------------

TEST_F(PanelsTest, QuestionSelectedShowsAllEightAncestors) {
    main.selectNode(path[8]);
    for (LevelPanel* p : main.panels) {
        for (int level = 1; level <= 8; ++level) {
            SCOPED_TRACE(level);
            EXPECT_FALSE(p->rows()->nameEdit(level)->isHidden());
            EXPECT_FALSE(p->rows()->selectedLabel(level)->isHidden());
            EXPECT_EQ(p->rows()->nameEdit(level)->text(), Name(main.tree_, path[level]));
        }
    }
    EXPECT_EQ(edit->rows()->nameEdit(8)->text(), QStringLiteral("Question 1"));
    EXPECT_EQ(edit->rows()->deepestEnabled(), 8);
}

TEST_F(PanelsTest, ChapterSelectedShowsRowsOneToFiveAndEnablesByPanelRule) {
    main.selectNode(path[5]);
    for (LevelPanel* p : main.panels) {
        for (int level = 1; level <= 8; ++level) {
            SCOPED_TRACE(level);
            EXPECT_EQ(p->rows()->nameEdit(level)->isHidden(), level > 5);
            EXPECT_EQ(p->rows()->selectedLabel(level)->isHidden(), level > 5);
            EXPECT_FALSE(p->rows()->button(level)->isHidden());
        }
    }
    EXPECT_TRUE(addNew->rows()->button(6)->isEnabled());
    EXPECT_FALSE(addNew->rows()->button(7)->isEnabled());
    EXPECT_FALSE(addNew->rows()->button(8)->isEnabled());
    EXPECT_TRUE(edit->rows()->button(5)->isEnabled());
    EXPECT_FALSE(edit->rows()->button(6)->isEnabled());
    EXPECT_EQ(del->rows()->deepestEnabled(), 5);
    // The generator needs a concept on the path.
    EXPECT_FALSE(part<QPushButton>(addNew.get(), "BGen")->isEnabled());
    main.selectNode(path[7]);
    EXPECT_TRUE(part<QPushButton>(addNew.get(), "BGen")->isEnabled());
}

TEST_F(PanelsTest, NoteLineResolvesToItsObjectAndNothingSelectedLeavesLibraryButton) {
    const NodeId notes = main.tree_.firstChild(path[5]);
    ASSERT_EQ(main.tree_.kind(notes), NotesNode);
    const LevelRowStates s = ComputeLevelRows(main.tree_, notes, false);
    EXPECT_TRUE(s[5].nameVisible);
    EXPECT_EQ(s[5].name, QStringLiteral("Chapter 1"));
    EXPECT_FALSE(s[6].nameVisible);

    main.selectNode(NoNode);
    EXPECT_TRUE(addNew->rows()->button(1)->isEnabled());
    EXPECT_EQ(addNew->rows()->deepestEnabled(), 1);
    EXPECT_EQ(edit->rows()->deepestEnabled(), 0);
    EXPECT_TRUE(edit->rows()->nameEdit(1)->isHidden());
}

TEST_F(PanelsTest, ButtonCaptionsAndHints) {
    EXPECT_EQ(addNew->rows()->button(8)->text(), QStringLiteral(" Question && Answer"));
    EXPECT_EQ(addNew->rows()->button(2)->text(), QStringLiteral(" Set of Books"));
    EXPECT_EQ(addNew->rows()->button(2)->toolTip(), QStringLiteral("Add new set"));
    EXPECT_EQ(del->rows()->button(8)->toolTip(), QStringLiteral("Delete selected question"));
    EXPECT_EQ(edit->rows()->nameEdit(3)->toolTip(), QStringLiteral("Click to edit name"));
    EXPECT_EQ(addNew->tabs().size(), 4);
    for (PanelTab* t : addNew->tabs())
        EXPECT_EQ(t->toolTip(), QStringLiteral("Operation"));
    EXPECT_EQ(addNew->tabs()[0]->text(), QStringLiteral("     ADD NEW..."));
    EXPECT_TRUE(addNew->tabs()[0]->isOwn());
    EXPECT_TRUE(edit->tabs()[3]->isOwn());
}

class NameEditTest : public PanelsTest {
protected:
    void SetUp() override {
        PanelsTest::SetUp();
        main.selectNode(path[5]);
        host = std::make_unique<Host>(edit->view());
        chapter = edit->rows()->nameEdit(5);
    }
    void typeInto(const QString& text) {
        QTest::mouseClick(chapter, Qt::LeftButton);
        ASSERT_TRUE(chapter->hasFocus());
        chapter->selectAll();
        QTest::keyClicks(chapter, text);
    }
    std::unique_ptr<Host> host;
    QLineEdit* chapter = nullptr;
};

TEST_F(NameEditTest, EnterRenamesWithTrimmedText) {
    typeInto(QStringLiteral("  Rivers and lakes  "));
    QTest::keyClick(chapter, Qt::Key_Return);
    EXPECT_EQ(main.calls, QStringList{QStringLiteral("rename 5 Rivers and lakes")});
    EXPECT_EQ(Name(main.tree_, path[5]), QStringLiteral("Rivers and lakes"));
    EXPECT_FALSE(chapter->hasFocus());
    EXPECT_TRUE(edit->view()->hasFocus());
    EXPECT_EQ(chapter->text(), QStringLiteral("Rivers and lakes"));
}

TEST_F(NameEditTest, BlankOrUnchangedNameRecordsNothing) {
    typeInto(QStringLiteral("   "));
    QTest::keyClick(chapter, Qt::Key_Return);
    EXPECT_EQ(chapter->text(), QStringLiteral("Chapter 1"));
    typeInto(QStringLiteral("Chapter 1"));
    QTest::keyClick(chapter, Qt::Key_Enter);
    EXPECT_TRUE(main.calls.isEmpty());
    EXPECT_EQ(main.undoPoints, 0);
    EXPECT_EQ(Name(main.tree_, path[5]), QStringLiteral("Chapter 1"));
}

TEST_F(NameEditTest, EnterOnALongNameLeavesItWhole) {
    // Longer than the field holds (32,767 characters): unchanged, it must not come back cut.
    const std::string name(40'000, 'n');
    main.tree_.setText(path[5], name);
    main.selectNode(path[5]);
    QTest::mouseClick(chapter, Qt::LeftButton);
    ASSERT_TRUE(chapter->hasFocus());
    QTest::keyClick(chapter, Qt::Key_Return);
    EXPECT_TRUE(main.calls.isEmpty());
    EXPECT_EQ(main.tree_.text(path[5]), name);
}

TEST_F(NameEditTest, TypingThenClickingElsewhereShowsTheOldName) {
    typeInto(QStringLiteral("Something else"));
    QTest::mouseClick(edit->rows()->selectedLabel(2), Qt::LeftButton);
    EXPECT_FALSE(chapter->hasFocus());
    EXPECT_EQ(chapter->text(), QStringLiteral("Chapter 1"));
    EXPECT_TRUE(main.calls.isEmpty());
    EXPECT_EQ(Name(main.tree_, path[5]), QStringLiteral("Chapter 1"));
}

TEST_F(NameEditTest, EscapeAbandonsAndColoursFollowTheFocus) {
    const QColor inactive(200, 225, 255);
    EXPECT_EQ(chapter->palette().color(QPalette::Base), inactive);
    typeInto(QStringLiteral("Draft"));
    EXPECT_EQ(chapter->palette().color(QPalette::Base), QColor(255, 255, 255));
    EXPECT_EQ(chapter->palette().color(QPalette::Text), QColor(0, 0, 0));
    QTest::keyClick(chapter, Qt::Key_Escape);
    EXPECT_FALSE(chapter->hasFocus());
    EXPECT_EQ(chapter->text(), QStringLiteral("Chapter 1"));
    EXPECT_EQ(chapter->palette().color(QPalette::Base), inactive);
    EXPECT_TRUE(main.calls.isEmpty());
}

TEST_F(NameEditTest, KeyUpsReachTheMainWindow) {
    QTest::mouseClick(chapter, Qt::LeftButton);
    QTest::keyClick(chapter, Qt::Key_F9);
    EXPECT_EQ(main.keysUp, QList<int>{Qt::Key_F9});
}

// --- operation panels --------------------------------------------------------------------

TEST_F(PanelsTest, LevelButtonsRunTheirPanelsCommand) {
    main.selectNode(path[8]);
    Host h(edit->view());
    QTest::mouseClick(edit->rows()->button(5), Qt::LeftButton);
    Host h2(copy->view());
    QTest::mouseClick(copy->rows()->button(3), Qt::LeftButton);
    Host h3(del->view());
    QTest::mouseClick(del->rows()->button(8), Qt::LeftButton);
    EXPECT_EQ(main.calls, (QStringList{QStringLiteral("edit 5"), QStringLiteral("copy 3"),
                                       QStringLiteral("delete 8")}));
}

TEST_F(PanelsTest, AddQuestionWithEditBoxCheckedAddsThenEdits) {
    main.selectNode(path[7]);
    Host h(addNew->view());
    ASSERT_TRUE(part<QCheckBox>(addNew.get(), "CBEditItem")->isChecked());
    QTest::mouseClick(addNew->rows()->button(8), Qt::LeftButton);
    EXPECT_EQ(main.calls, (QStringList{QStringLiteral("add 8"), QStringLiteral("edit 8")}));
    EXPECT_EQ(Name(main.tree_, main.selected_), QStringLiteral("Question 2"));

    main.calls.clear();
    QTest::mouseClick(part<QLabel>(addNew.get(), "Label1"), Qt::LeftButton);
    EXPECT_FALSE(part<QCheckBox>(addNew.get(), "CBEditItem")->isChecked());
    QTest::mouseClick(addNew->rows()->button(8), Qt::LeftButton);
    EXPECT_EQ(main.calls, QStringList{QStringLiteral("add 8")});
    QTest::mouseClick(part<QLabel>(addNew.get(), "Label1"), Qt::LeftButton);
    EXPECT_TRUE(part<QCheckBox>(addNew.get(), "CBEditItem")->isChecked());

    // Other levels never open an editor.
    main.calls.clear();
    QTest::mouseClick(addNew->rows()->button(6), Qt::LeftButton);
    EXPECT_EQ(main.calls, QStringList{QStringLiteral("add 6")});
}

TEST_F(PanelsTest, TabsSwitchOperationsAndLightUp) {
    Host h(addNew->view());
    QTest::mouseClick(addNew->tabs()[0], Qt::LeftButton); // own tab: no action
    QTest::mouseClick(addNew->tabs()[1], Qt::LeftButton);
    QTest::mouseClick(addNew->tabs()[3], Qt::LeftButton);
    EXPECT_EQ(main.calls,
              (QStringList{QStringLiteral("operation %1").arg(int(Operation::DeleteSelected)),
                           QStringLiteral("operation %1").arg(int(Operation::EditSelected))}));
    EXPECT_EQ(addNew->tabs()[0]->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(addNew->tabs()[2]->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(addNew->tabs()[2]->palette().color(QPalette::Window), main.accentColor());

    QTest::mouseMove(addNew->tabs()[2]);
    EXPECT_EQ(main.hotTab, addNew->tabs()[2]);
    QTest::mouseMove(addNew->view(), QPoint(5, addNew->view()->height() - 5));
    EXPECT_EQ(main.hotTab, nullptr);
}

TEST(LevelPanelPicture, MissingPictureLeavesPlainBackground) {
    QTemporaryDir empty;
    FakeMain bare(empty.path());
    TFormEditSelected plain(bare);
    EXPECT_FALSE(plain.view()->hasPicture());
    FakeMain withPictures;
    TFormEditSelected pictured(withPictures);
    EXPECT_TRUE(pictured.view()->hasPicture());
    EXPECT_TRUE(bare.prompts_.shown.isEmpty());
}

TEST(PanelContainer, ShowsOneOperationPanelAtATime) {
    FakeMain main;
    TFormAddNew a(main, main);
    TFormEditSelected e(main);
    auto host = std::make_unique<TFormAddEditDelete>();
    TFormEdit page;
    host->addPanel(a.view());
    host->addPanel(e.view());
    host->showOnly(e.view());
    EXPECT_TRUE(a.view()->isHidden());
    EXPECT_FALSE(e.view()->isHidden());
    EXPECT_EQ(a.view()->parentWidget(), host.get());
    page.addPanel(host.get());
    EXPECT_EQ(host->parentWidget(), &page);
    // The page holds it now; deleting it there must not delete it twice.
    host.reset();
}

// --- object editor ---------------------------------------------------------------------

class EditObjectTest : public PanelsTest {
protected:
    void SetUp() override {
        PanelsTest::SetUp();
        main.selectNode(path[5]);
        editor = std::make_unique<TFormEditObject>(main);
        host = std::make_unique<Host>(editor->PMain);
        editor->load(5, path[5]);
    }
    std::unique_ptr<TFormEditObject> editor;
    std::unique_ptr<Host> host;
};

TEST_F(EditObjectTest, OpensUnchangedWithTitleAndDescription) {
    EXPECT_TRUE(editor->isOpen());
    EXPECT_EQ(editor->LTitle->text(), QStringLiteral("Editing chapter: \"Chapter 1\""));
    EXPECT_EQ(editor->EName->text(), QStringLiteral("Chapter 1"));
    EXPECT_EQ(editor->LDescr->text().toStdString(), GetObjDescr(5).value());
    EXPECT_FALSE(editor->BSave->isEnabled());
    EXPECT_EQ(editor->BCancel->text(), QStringLiteral("Close"));
    EXPECT_FALSE(editor->hasUnsavedChanges());

    QTest::mouseClick(editor->BCancel, Qt::LeftButton);
    EXPECT_FALSE(editor->isOpen());
    EXPECT_TRUE(main.prompts_.shown.isEmpty());
    EXPECT_EQ(main.undoPoints, 0);
    EXPECT_EQ(main.calls, QStringList{QStringLiteral("editor closed")});
}

TEST_F(EditObjectTest, BlankNameFailsValidation) {
    editor->EName->setFocus();
    editor->EName->selectAll();
    QTest::keyClicks(editor->EName, QStringLiteral("   "));
    EXPECT_TRUE(editor->hasUnsavedChanges());
    QTest::mouseClick(editor->BSave, Qt::LeftButton);
    ASSERT_EQ(main.prompts_.shown.size(), 1);
    EXPECT_EQ(main.prompts_.shown[0].caption, QStringLiteral("Validation Error"));
    EXPECT_EQ(main.prompts_.shown[0].text, QStringLiteral("No name was entered."));
    EXPECT_EQ(main.spoken, QStringList{QStringLiteral("Problem.")});
    EXPECT_TRUE(editor->isOpen());
    EXPECT_FALSE(editor->BSave->isEnabled());
    EXPECT_EQ(main.undoPoints, 0);
    // The warning colour is gone once the box is.
    EXPECT_NE(editor->EName->palette().color(QPalette::Base), QColor(255, 220, 0));
    EXPECT_EQ(Name(main.tree_, path[5]), QStringLiteral("Chapter 1"));
}

TEST_F(EditObjectTest, SaveWritesTrimmedNameAndNotesAsOneUndoPoint) {
    editor->EName->setText(QStringLiteral("  Great Lakes  "));
    editor->MNotes->setPlainText(QStringLiteral("\n\nfirst line\n\n  second line\n\n"));
    QTest::mouseClick(editor->BSave, Qt::LeftButton);
    EXPECT_FALSE(editor->isOpen());
    EXPECT_EQ(main.undoPoints, 1);
    EXPECT_EQ(main.undoLabels, QStringList{QStringLiteral("edit chapter")});
    EXPECT_EQ(Name(main.tree_, path[5]), QStringLiteral("Great Lakes"));
    std::vector<std::string> lines;
    LoadNotesLines(main.tree_, path[5], lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"first line", "", "  second line"}));
    EXPECT_EQ(main.calls, QStringList{QStringLiteral("editor closed")});
}

TEST_F(EditObjectTest, SavingWhatIsThereRecordsNoUndoPoint) {
    QTest::keyClick(editor->EName, Qt::Key_End);
    QTest::keyClicks(editor->EName, QStringLiteral("x"));
    QTest::keyClick(editor->EName, Qt::Key_Backspace);
    ASSERT_TRUE(editor->BSave->isEnabled());
    QTest::mouseClick(editor->BSave, Qt::LeftButton);
    EXPECT_FALSE(editor->isOpen());
    EXPECT_EQ(main.undoPoints, 0);
}

TEST_F(EditObjectTest, CancelWithChangesAsks) {
    editor->MNotes->setPlainText(QStringLiteral("a note"));
    EXPECT_EQ(editor->BCancel->text(), QStringLiteral("Cancel"));
    main.prompts_.answers = {Prompts::No};
    QTest::mouseClick(editor->BCancel, Qt::LeftButton);
    ASSERT_EQ(main.prompts_.shown.size(), 1);
    EXPECT_EQ(main.prompts_.shown[0].text, QStringLiteral("CANCEL CHANGES?"));
    EXPECT_TRUE(editor->isOpen());

    QTest::mouseClick(editor->BCancel, Qt::LeftButton); // default answer: Yes
    EXPECT_EQ(main.prompts_.shown.size(), 2);
    EXPECT_FALSE(editor->isOpen());
    EXPECT_TRUE(editor->PMain->isHidden());
    EXPECT_EQ(main.undoPoints, 0);
    std::vector<std::string> lines;
    LoadNotesLines(main.tree_, path[5], lines);
    EXPECT_TRUE(lines.empty());
}

// --- question wizard ---------------------------------------------------------------------

class WizardTest : public PanelsTest {
protected:
    void SetUp() override {
        PanelsTest::SetUp();
        main.selectNode(path[7]); // the concept already holds "Question 1"
        wizard = std::make_unique<TFormWizard>(main);
        wizard->show();
        wizard->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(wizard.get()));
    }
    void fill(const QString& q, const QString& a) {
        wizard->EQuestion->setFocus();
        QTest::keyClicks(wizard->EQuestion, q);
        wizard->EAnswer->setFocus();
        QTest::keyClicks(wizard->EAnswer, a);
    }
    std::unique_ptr<TFormWizard> wizard;
};

TEST_F(WizardTest, SpokenTextsFollowUntilEdited) {
    EXPECT_EQ(main.wizard, wizard.get());
    wizard->EQuestion->setFocus();
    QTest::keyClicks(wizard->EQuestion, QStringLiteral("Capital of Ohio?"));
    EXPECT_EQ(wizard->ESpokenQ->text(), QStringLiteral("Capital of Ohio?"));
    wizard->ESpokenQ->setFocus();
    wizard->ESpokenQ->selectAll();
    QTest::keyClicks(wizard->ESpokenQ, QStringLiteral("What is the capital of Ohio?"));
    EXPECT_EQ(wizard->EQuestion->text(), QStringLiteral("Capital of Ohio?"));
    wizard->EAnswer->setFocus();
    QTest::keyClicks(wizard->EAnswer, QStringLiteral("Columbus"));
    EXPECT_EQ(wizard->ESpokenA->text(), QStringLiteral("Columbus"));
    EXPECT_EQ(wizard->ESpokenQ->text(), QStringLiteral("What is the capital of Ohio?"));
    QTest::keyClicks(wizard->EQuestion, QStringLiteral(" "));
    EXPECT_EQ(wizard->ESpokenQ->text(), QStringLiteral("Capital of Ohio? "));
}

TEST_F(WizardTest, GenerateNeedsBothTextsAndNumbersQuestions) {
    EXPECT_FALSE(wizard->BGen->isEnabled());
    fill(QStringLiteral("  Capital of Ohio?  "), QStringLiteral("   "));
    EXPECT_FALSE(wizard->BGen->isEnabled());
    QTest::keyClicks(wizard->EAnswer, QStringLiteral("Columbus "));
    ASSERT_TRUE(wizard->BGen->isEnabled());
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(wizard->BGen, Qt::LeftButton);

    QStringList names;
    for (NodeId c = main.tree_.firstChild(path[7]); c != NoNode; c = main.tree_.nextSibling(c))
        if (main.tree_.kind(c) == Question) names << Name(main.tree_, c);
    EXPECT_EQ(names, (QStringList{QStringLiteral("Question 1"), QStringLiteral("Question 2"),
                                  QStringLiteral("Question 3"), QStringLiteral("Question 4")}));
    EXPECT_EQ(main.undoPoints, 3);
    EXPECT_EQ(main.undoLabels, QStringList(3, QStringLiteral("add new question")));
    EXPECT_EQ(main.spoken.count(QStringLiteral("Question generated.")), 3);
    EXPECT_EQ(Name(main.tree_, main.selected_), QStringLiteral("Question 4"));
    EXPECT_TRUE(wizard->EQuestion->hasFocus());
    EXPECT_EQ(wizard->EQuestion->text(), QStringLiteral("  Capital of Ohio?  "));

    QuestionRecord record;
    ASSERT_EQ(ReadFreshQuestionRecord(main.tree_, main.selected_, record, main.colors_).error, "");
    EXPECT_EQ(record.panes[0].textLines, std::vector<std::string>{"Capital of Ohio?"});
    EXPECT_EQ(record.answer, "Columbus");
    EXPECT_EQ(record.spokenQuestion, std::vector<std::string>{"Capital of Ohio?"});
    EXPECT_EQ(record.spokenAnswer, std::vector<std::string>{"Columbus"});
}

TEST_F(WizardTest, GenerateStaysDisabledWithoutAConcept) {
    main.selectNode(path[5]);
    fill(QStringLiteral("Q"), QStringLiteral("A"));
    EXPECT_FALSE(wizard->BGen->isEnabled());
    const std::size_t before = main.tree_.nodeCount();
    wizard->BGenClick();
    EXPECT_EQ(main.tree_.nodeCount(), before);
    EXPECT_EQ(main.undoPoints, 0);
    main.selectNode(path[8]); // a question below a concept will do
    EXPECT_TRUE(wizard->BGen->isEnabled());
}

TEST_F(WizardTest, UndoFollowsTheMainWindow) {
    main.canUndo = true;
    main.undoHintText = QStringLiteral("Undo add new question");
    main.RefreshSelectionViews();
    EXPECT_TRUE(wizard->BUndo->isEnabled());
    EXPECT_EQ(wizard->BUndo->toolTip(), QStringLiteral("Undo add new question"));
    EXPECT_FALSE(wizard->BRedo->isEnabled());
    QTest::mouseClick(wizard->BUndo, Qt::LeftButton);
    EXPECT_EQ(main.calls, QStringList{QStringLiteral("undo")});
}

TEST_F(WizardTest, EnterMovesOnAndEscapeCloses) {
    fill(QStringLiteral("Q"), QStringLiteral("A"));
    wizard->EQuestion->setFocus();
    QTest::keyClick(wizard->EQuestion, Qt::Key_Return);
    EXPECT_TRUE(wizard->ESpokenQ->hasFocus());
    QTest::keyClick(wizard->ESpokenQ, Qt::Key_Return);
    EXPECT_TRUE(wizard->EAnswer->hasFocus());
    QTest::keyClick(wizard->EAnswer, Qt::Key_Return);
    EXPECT_TRUE(wizard->ESpokenA->hasFocus());
    QTest::keyClick(wizard->ESpokenA, Qt::Key_Return);
    EXPECT_TRUE(wizard->BGen->hasFocus());
    EXPECT_EQ(main.undoPoints, 0); // moving on never generates

    QTest::keyClick(wizard->EAnswer, Qt::Key_Escape);
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_EQ(wizard->result(), QDialog::Rejected);
}

TEST_F(PanelsTest, GeneratorButtonRunsTheWizardForOneModalRun) {
    main.selectNode(path[7]);
    Host h(addNew->view());
    ASSERT_TRUE(part<QPushButton>(addNew.get(), "BGen")->isEnabled());
    TFormWizard* seen = nullptr;
    QTimer::singleShot(0, [&] {
        seen = main.wizard;
        if (seen) seen->BClose->click();
    });
    QTest::mouseClick(part<QPushButton>(addNew.get(), "BGen"), Qt::LeftButton);
    EXPECT_NE(seen, nullptr);
    EXPECT_EQ(main.wizard, nullptr);
}

// --- pictures of the panels ---------------------------------------------------------------

TEST_F(PanelsTest, PanelsPaintTheirBands) {
    main.selectNode(path[8]);
    Host h(addNew->view(), QSize(620, 600));
    const QImage shot = addNew->rows()->grab().toImage();
    // Just inside the first band's top edge line, left of the button: the band's top rows.
    const QRect b = addNew->rows()->button(1)->geometry();
    const QColor face(0xF0, 0xF0, 0xF0);
    const int rows = b.height() + 6;
    EXPECT_EQ(QColor(shot.pixel(6, b.top() - 2)), ShadeBandColor(1, rows, face));
    SaveShot(addNew->view(), "addnew");
    Host h2(edit->view(), QSize(620, 560));
    SaveShot(edit->view(), "editselected");
    main.selectNode(path[5]);
    Host h3(del->view(), QSize(620, 560));
    SaveShot(del->view(), "deleteselected");
    Host h4(copy->view(), QSize(620, 560));
    SaveShot(copy->view(), "copyselected");

    TFormEditObject editor(main);
    Host h5(editor.PMain, QSize(620, 480));
    editor.load(5, path[5]);
    SaveShot(editor.PMain, "editobject");

    main.selectNode(path[7]);
    TFormWizard wizard(main);
    wizard.show();
    wizard.EQuestion->setText(QStringLiteral("What is the capital of Ohio?"));
    wizard.EAnswer->setText(QStringLiteral("Columbus"));
    SaveShot(&wizard, "wizard");
    EXPECT_TRUE(wizard.BGen->isEnabled());
}

} // namespace
