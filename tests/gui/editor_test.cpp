// The question editor driven through its widgets in a started main window on fakes, with
// the demo library's Alabama question (layout 2 at 40%: pane 1 text, pane 2 the flag's web
// page, pane 3 the seal's web page; answer and spoken answer "Montgomery").
#include "editor/feditquestion.h"
#include "editor/flayout.h"
#include "editor/paneimageeditor.h"
#include "editor/panetab.h"
#include "editor/panetexteditor.h"
#include "editor/panewebsiteeditor.h"
#include "library/objects.h"
#include "library/questionrecord.h"
#include "mainharness.h"
#include "mainwindow/libraryitemmodel.h"
#include "panels/faddnew.h"
#include "panels/feditselected.h"
#include "panels/levelrows.h"
#include "study/fstudyquestion.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace brenvik {
inline void PrintTo(const PaneRecord& p, std::ostream* os) {
    *os << "{kind " << p.content << ", font " << FontToText(p.font, true, FixedDesktopColors())
        << ", text " << p.textShallowBorder << p.textDeepBorder << p.centredText << " bk "
        << p.textBackground << " lines " << p.textLines.size() << ", image '" << p.imageFile << "' "
        << p.imageShallowBorder << p.imageDeepBorder << p.stretchToFit << " bk "
        << p.imageBackground << ", web '" << p.webAddress << "' " << p.webShallowBorder
        << p.webDeepBorder << "}";
}
} // namespace brenvik

using namespace brenvik;

namespace {

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(h.start());
        w = h.window.get();
        ed = ui(*w).FormEditQuestion;
        ASSERT_NE(ed, nullptr);
        alabama = h.find("Alabama");
        ASSERT_NE(alabama, NoNode);
        ui(*w).Edit1->trigger();
        ASSERT_TRUE(w->isEditMode());
    }

    // Edit selected at the Question level, as the user does it.
    void open(NodeId question) {
        w->selectNode(question);
        ui(*w).Edit2->trigger();
        QAbstractButton* b = ui(*w).FormEditSelected->rows()->button(8);
        ASSERT_TRUE(b->isEnabled());
        QTest::mouseClick(b, Qt::LeftButton);
        ASSERT_TRUE(ed->isOpen());
        ASSERT_TRUE(ed->PMain->isVisible());
    }
    QuestionRecord stored(NodeId question) const {
        QuestionRecord r;
        EXPECT_EQ(ReadFreshQuestionRecord(w->tree(), question, r, h.colors).error, std::string());
        return r;
    }
    QString cancelCaption() const { return ed->BCancel->text(); }
    int confirmations() const {
        int n = 0;
        for (const FakePrompts::Shown& s : h.prompts.shown)
            if (s.caption == QLatin1String("Confirm")) ++n;
        return n;
    }
    void showTab(QWidget* tab) {
        const int i = ed->PC->indexOf(tab);
        ASSERT_TRUE(ed->PC->isTabVisible(i));
        QTest::mouseClick(ed->PC->tabBar(), Qt::LeftButton, {},
                          ed->PC->tabBar()->tabRect(i).center());
        ASSERT_EQ(ed->PC->currentWidget(), tab);
    }
    void visitEveryTab() {
        for (int i = 0; i < ed->PC->count(); ++i)
            if (ed->PC->isTabVisible(i)) showTab(ed->PC->widget(i));
    }
    // Runs the preview and closes the study window; returns the record it showed.
    QuestionRecord preview(bool byF9 = false) {
        if (byF9)
            w->FormKeyUp(Qt::Key_F9, Qt::NoModifier);
        else
            QTest::mouseClick(ed->BPreview, Qt::LeftButton);
        EXPECT_TRUE(waitUntil(
            [this] { return ui(*w).FormStudyQuestion && ui(*w).FormStudyQuestion->isVisible(); }));
        QuestionRecord shown;
        if (!ui(*w).FormStudyQuestion) return shown;
        EXPECT_EQ(ui(*w).FormStudyQuestion->mode(), StudyMode::Preview);
        shown = ui(*w).FormStudyQuestion->currentRecord();
        ui(*w).FormStudyQuestion->BCloseClick();
        EXPECT_TRUE(waitUntil([this] { return !w->studyWindowShowing(); }));
        EXPECT_FALSE(w->F9Busy);
        return shown;
    }
    void expectValidation(const QString& message, QWidget* tab, QWidget* control) {
        const qsizetype before = h.prompts.shown.size();
        QTest::mouseClick(ed->BSave, Qt::LeftButton);
        ASSERT_EQ(h.prompts.shown.size(), before + 1) << message.toStdString();
        EXPECT_EQ(h.prompts.shown.last().caption, QStringLiteral("Validation Error"));
        EXPECT_EQ(h.prompts.shown.last().text, message);
        EXPECT_EQ(ed->PC->currentWidget(), tab) << message.toStdString();
        EXPECT_TRUE(control->hasFocus()) << message.toStdString();
        EXPECT_TRUE(ed->isOpen());
        EXPECT_FALSE(ed->BSave->isEnabled());
        EXPECT_EQ(cancelCaption(), QStringLiteral("Cancel"));
    }

    MainHarness h;
    TFormMain* w = nullptr;
    TFormEditQuestion* ed = nullptr;
    NodeId alabama = NoNode;
};

TEST_F(EditorTest, TheSavedQuestionStaysInViewInTheTree) {
    // Save writes the question's settings anew; wherever it stood, it is in view after it,
    // whether the question itself or one of its settings lines was selected.
    QTreeView* tv = ui(*w).TVObjs;
    const LibraryTree& tree = w->tree();
    NodeId last = NoNode;
    for (NodeId n = tree.first(); n != NoNode; n = tree.preorderNext(n))
        if (tree.kind(n) == Question) last = n;
    ASSERT_NE(last, NoNode);
    const auto inView = [&](NodeId n) {
        const QRect r = tv->visualRect(w->model()->indexFromNode(n));
        return r.isValid() && r.top() >= 0 && r.bottom() < tv->viewport()->height();
    };
    // At the bottom of the view, renamed so long that the sideways scroll bar comes;
    // at the top with its settings rows below; a settings line of it selected.
    for (const int round : {0, 1, 2}) {
        SCOPED_TRACE(round);
        tv->expandAll();
        NodeId selected = last;
        if (round == 2) {
            for (NodeId n = tree.lastChild(last); n != NoNode; n = tree.lastChild(n))
                selected = n;
        }
        open(selected);
        tv->scrollTo(w->model()->indexFromNode(last), round == 0
                                                          ? QAbstractItemView::PositionAtBottom
                                                          : QAbstractItemView::PositionAtTop);
        ASSERT_TRUE(inView(last));
        if (round == 0)
            ed->EName->setText(ed->EName->text() + QString(300, QLatin1Char('m')));
        else
            QTest::keyClicks(ed->MAnswer, QStringLiteral("x"));
        QTest::mouseClick(ed->BSave, Qt::LeftButton);
        ASSERT_FALSE(ed->isOpen());
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        EXPECT_TRUE(inView(last));
        EXPECT_EQ(GetObjAtLevel(tree, w->selectedNode(), int(Question)), last);
    }
}

TEST_F(EditorTest, OpensWithTheQuestionAndClosesWithoutAsking) {
    open(alabama);
    EXPECT_EQ(ed->LTitle->text(), QStringLiteral("Editing question: \"Alabama\""));
    EXPECT_EQ(ed->EName->text(), QStringLiteral("Alabama"));
    EXPECT_EQ(ed->LDescr->text(), QStringLiteral("Enter the question number (e.g., Question 1)."));
    EXPECT_EQ(ed->MAnswer->toPlainText(), QStringLiteral("Montgomery"));
    EXPECT_EQ(ed->MSpeakA->text(), QStringLiteral("Montgomery"));
    EXPECT_TRUE(ed->RB[1]->isChecked());
    EXPECT_EQ(ed->FormLayout2->paneWidth(0), 118);
    // Layout 2: the proportions tab and two pane tabs, not the third.
    EXPECT_TRUE(ed->PC->isTabVisible(TFormEditQuestion::ProportionsTab));
    EXPECT_TRUE(ed->PC->isTabVisible(4));
    EXPECT_FALSE(ed->PC->isTabVisible(5));
    EXPECT_EQ(ed->PC->currentWidget(), ed->TSGeneral);
    EXPECT_FALSE(ed->BSave->isEnabled());
    EXPECT_EQ(cancelCaption(), QStringLiteral("Close"));
    EXPECT_TRUE(ui(*w).SB->isVisible());

    // Refusals while open name the Close button.
    EXPECT_TRUE(w->EditorBusy(QStringLiteral("selecting a different item.")));
    EXPECT_EQ(h.prompts.shown.last().text,
              QStringLiteral("Click on the \"Close\" button before\nselecting a different item."));

    const qsizetype boxes = h.prompts.shown.size();
    QTest::mouseClick(ed->BCancel, Qt::LeftButton);
    EXPECT_EQ(h.prompts.shown.size(), boxes);
    EXPECT_FALSE(ed->isOpen());
    EXPECT_FALSE(w->editorOpen());
    EXPECT_FALSE(ed->PMain->isVisible());
    EXPECT_FALSE(ui(*w).SB->isVisible());
    EXPECT_FALSE(w->EditorBusy(QStringLiteral("selecting a different item.")));
}

TEST_F(EditorTest, AnEditAsksBeforeItIsThrownAway) {
    const QuestionRecord before = stored(alabama);
    open(alabama);
    ed->EName->setFocus();
    ed->EName->end(false);
    QTest::keyClicks(ed->EName, QStringLiteral(" State"));
    EXPECT_TRUE(ed->BSave->isEnabled());
    EXPECT_EQ(cancelCaption(), QStringLiteral("Cancel"));
    EXPECT_TRUE(ed->hasUnsavedChanges());
    EXPECT_TRUE(w->EditorBusy(QStringLiteral("selecting a different item.")));
    EXPECT_EQ(h.prompts.shown.last().text,
              QStringLiteral("Click on the \"Save\" or \"Cancel\" button\nbefore selecting a "
                             "different item."));

    h.prompts.answers << Prompts::No;
    QTest::mouseClick(ed->BCancel, Qt::LeftButton);
    EXPECT_EQ(h.prompts.shown.last().text, QStringLiteral("Cancel changes?"));
    EXPECT_TRUE(ed->isOpen());
    EXPECT_EQ(ed->EName->text(), QStringLiteral("Alabama State"));
    EXPECT_EQ(cancelCaption(), QStringLiteral("Cancel"));

    QTest::mouseClick(ed->BCancel, Qt::LeftButton); // Yes
    EXPECT_FALSE(ed->isOpen());
    EXPECT_EQ(stored(alabama), before);
}

TEST_F(EditorTest, TabSwitchesAndPreviewLeaveTheChangedStateAlone) {
    open(alabama);
    visitEveryTab();
    EXPECT_EQ(cancelCaption(), QStringLiteral("Close"));
    const QuestionRecord shown = preview();
    EXPECT_EQ(shown.name, "Alabama");
    EXPECT_EQ(shown.layout, 2);
    EXPECT_EQ(shown.proportions[2], "40%");
    EXPECT_EQ(cancelCaption(), QStringLiteral("Close"));
    EXPECT_FALSE(ed->BSave->isEnabled());

    ed->MAnswer->setPlainText(QStringLiteral("Montgomery City"));
    visitEveryTab();
    EXPECT_EQ(cancelCaption(), QStringLiteral("Cancel"));
    EXPECT_EQ(preview(true).answer, "Montgomery City");
    EXPECT_EQ(cancelCaption(), QStringLiteral("Cancel"));
    EXPECT_TRUE(ed->BSave->isEnabled());
    EXPECT_TRUE(ed->RB[1]->isChecked());

    // A failed validation disables Save; a tab switch and a preview must not forget the
    // edits because of it.
    ed->EName->setText(QStringLiteral("  "));
    QTest::mouseClick(ed->BSave, Qt::LeftButton);
    EXPECT_FALSE(ed->BSave->isEnabled());
    showTab(ed->TSLayout);
    preview();
    EXPECT_FALSE(ed->BSave->isEnabled());
    EXPECT_EQ(cancelCaption(), QStringLiteral("Cancel"));
    EXPECT_TRUE(ed->hasUnsavedChanges());
    h.prompts.answers << Prompts::No;
    QTest::mouseClick(ed->BCancel, Qt::LeftButton);
    EXPECT_EQ(confirmations(), 1);
    EXPECT_TRUE(ed->isOpen());
}

TEST_F(EditorTest, EveryValidationMessageShowsItsTabAndControl) {
    open(alabama);
    const QString name = ed->EName->text();
    ed->EName->setText(QStringLiteral(" \t "));
    showTab(ed->TSAnswer);
    expectValidation(QStringLiteral("No name was entered."), ed->TSGeneral, ed->EName);

    ed->EName->setText(name);
    EXPECT_TRUE(ed->BSave->isEnabled()); // the next edit allows Save again
    ed->MAnswer->setPlainText(QStringLiteral("   "));
    expectValidation(QStringLiteral("No answer was entered."), ed->TSAnswer, ed->MAnswer);
    ed->MAnswer->setPlainText(QStringLiteral("Montgomery"));

    PaneTab* pane1 = ed->TSPane[0];
    pane1->textEditor().MTextEntered->setPlainText(QStringLiteral("  \n "));
    expectValidation(QStringLiteral("No text was specified."), pane1,
                     pane1->textEditor().MTextEntered);

    pane1->PC->setCurrentIndex(ImageContent);
    pane1->imageEditor().EImage->setText(QStringLiteral("   "));
    expectValidation(QStringLiteral("No image filename was specified."), pane1,
                     pane1->imageEditor().EImage);
    // The editor does not look for the file.
    pane1->imageEditor().EImage->setText(QStringLiteral("/nowhere/flag.jpg"));

    PaneTab* pane2 = ed->TSPane[1];
    pane2->websiteEditor().EOther->setText(QString());
    expectValidation(QStringLiteral("No website address (or filename) was specified."), pane2,
                     pane2->websiteEditor().EOther);

    // The third pane is hidden with layout 2: its empty text is never looked at.
    pane2->websiteEditor().EOther->setText(QStringLiteral("https://example.org/"));
    ed->TSPane[2]->PC->setCurrentIndex(TextContent);
    ed->TSPane[2]->textEditor().MTextEntered->clear();
    const qsizetype boxes = h.prompts.shown.size();
    QTest::mouseClick(ed->BSave, Qt::LeftButton);
    EXPECT_EQ(h.prompts.shown.size(), boxes);
    EXPECT_FALSE(ed->isOpen());
    const QuestionRecord saved = stored(alabama);
    EXPECT_EQ(saved.panes[0].content, ImageContent);
    EXPECT_EQ(saved.panes[0].imageFile, "/nowhere/flag.jpg");
    EXPECT_EQ(saved.panes[2].content, TextContent);
}

TEST_F(EditorTest, LayoutOneSavesWithAnEmptySecondPaneAndKeepsIt) {
    open(alabama);
    showTab(ed->TSLayout);
    ed->TSPane[1]->websiteEditor().EOther->clear();
    QTest::mouseClick(ed->PQuestionBoxes[0].first(), Qt::LeftButton);
    EXPECT_TRUE(ed->RB[0]->isChecked());
    EXPECT_FALSE(ed->PC->isTabVisible(TFormEditQuestion::ProportionsTab));
    EXPECT_FALSE(ed->PC->isTabVisible(4));
    EXPECT_FALSE(ed->PC->isTabVisible(5));
    EXPECT_TRUE(ed->EName->text() == QStringLiteral("Alabama"));
    ed->EName->setText(QStringLiteral("  Alabama (AL)  "));
    QTest::mouseClick(ed->BSave, Qt::LeftButton);
    ASSERT_FALSE(ed->isOpen());
    const QuestionRecord saved = stored(alabama);
    EXPECT_EQ(saved.name, "Alabama (AL)");
    EXPECT_EQ(saved.layout, 1);
    EXPECT_EQ(saved.panes[1].content, WebsiteContent);
    EXPECT_EQ(saved.panes[1].webAddress, "");
    // The strips' proportions are written whichever layout is chosen.
    EXPECT_EQ(saved.proportions[2], "40%");
    EXPECT_EQ(saved.proportions[3], "33%, 33%");
    EXPECT_EQ(w->undoHint().contains(QStringLiteral("edit question")), true);
}

TEST_F(EditorTest, MovedPanesAreSavedBySlot) {
    open(alabama);
    PaneTab* text = ed->TSPane[0];
    PaneTab* flag = ed->TSPane[1];
    PaneTab* seal = ed->TSPane[2];
    // The panes as the editor holds them (colours already in their stored numbers).
    QuestionRecord before;
    for (int d = 0; d < 3; ++d)
        before.panes[d] = ed->TSPane[d]->record();
    EXPECT_EQ(before.panes[1].webAddress, stored(alabama).panes[1].webAddress);
    showTab(flag);
    // Slot 2 of two: only "move pane left" is possible.
    const int sub = flag->content();
    EXPECT_TRUE(flag->BPLeft[sub]->isEnabled());
    EXPECT_FALSE(flag->BPRight[sub]->isEnabled());
    QTest::mouseClick(flag->BPLeft[sub], Qt::LeftButton);
    EXPECT_EQ(ed->paneAtSlot(1), flag);
    EXPECT_EQ(ed->paneAtSlot(2), text);
    EXPECT_EQ(ed->PC->currentWidget(), flag);
    EXPECT_EQ(ed->PC->tabText(3), QStringLiteral("Pane 1"));
    EXPECT_EQ(ed->PC->tabText(4), QStringLiteral("Pane 2"));
    EXPECT_EQ(cancelCaption(), QStringLiteral("Cancel"));
    EXPECT_FALSE(flag->BPLeft[sub]->isEnabled());
    EXPECT_TRUE(flag->BPRight[sub]->isEnabled());

    QuestionRecord built = ed->buildRecord();
    EXPECT_EQ(built.panes[0], before.panes[1]);
    EXPECT_EQ(built.panes[1], before.panes[0]);
    EXPECT_EQ(built.panes[2], before.panes[2]);

    // Layout 3; the seal's tab moves from slot 3 to slot 2, then layout 2 hides the text
    // pane now at slot 3: it is not validated, and still written as pane 3.
    showTab(ed->TSLayout);
    QTest::mouseClick(ed->RB[2], Qt::LeftButton);
    EXPECT_TRUE(ed->PC->isTabVisible(5));
    showTab(seal);
    QTest::mouseClick(seal->BPLeft[seal->content()], Qt::LeftButton);
    EXPECT_EQ(ed->paneAtSlot(2), seal);
    text->PC->setCurrentIndex(TextContent);
    text->textEditor().MTextEntered->clear();
    showTab(ed->TSLayout);
    QTest::mouseClick(ed->PAnswerBox[1], Qt::LeftButton);
    EXPECT_TRUE(ed->RB[1]->isChecked());
    EXPECT_FALSE(ed->PC->isTabVisible(ed->PC->indexOf(text)));
    QTest::mouseClick(ed->BSave, Qt::LeftButton);
    ASSERT_FALSE(ed->isOpen());
    const QuestionRecord saved = stored(alabama);
    EXPECT_EQ(saved.layout, 2);
    EXPECT_EQ(saved.panes[0], before.panes[1]);
    EXPECT_EQ(saved.panes[1], before.panes[2]);
    EXPECT_TRUE(saved.panes[2].textLines.empty());

    // The next opening puts the tabs back in their first order.
    open(alabama);
    EXPECT_EQ(ed->paneAtSlot(1), text);
    EXPECT_EQ(ed->paneAtSlot(2), flag);
    EXPECT_EQ(ed->paneAtSlot(3), seal);
    EXPECT_EQ(ed->TSPane[0]->record(), saved.panes[0]);
}

TEST_F(EditorTest, SaveWaitsForAnEditAfterAFailedValidationAndUndoRestores) {
    const QuestionRecord before = stored(alabama);
    open(alabama);
    ed->MAnswer->clear();
    QTest::mouseClick(ed->BSave, Qt::LeftButton);
    EXPECT_FALSE(ed->BSave->isEnabled());
    showTab(ed->TSGeneral);
    EXPECT_FALSE(ed->BSave->isEnabled());
    ed->MNotes->setPlainText(QStringLiteral("Heart of Dixie"));
    EXPECT_TRUE(ed->BSave->isEnabled());
    ed->MAnswer->setPlainText(QStringLiteral("  Montgomery, AL  "));
    QTest::mouseClick(ed->BSave, Qt::LeftButton);
    ASSERT_FALSE(ed->isOpen());
    QuestionRecord saved = stored(alabama);
    EXPECT_EQ(saved.answer, "Montgomery, AL");
    EXPECT_EQ(saved.notes, std::vector<std::string>{"Heart of Dixie"});
    EXPECT_EQ(w->undoHint(), QStringLiteral("Undo edit question"));

    w->BUndoClick();
    const NodeId back = h.find("Alabama");
    ASSERT_NE(back, NoNode);
    EXPECT_EQ(stored(back), before);
}

TEST_F(EditorTest, RepeatedSavesKeepTheSpokenAnswer) {
    const QuestionRecord before = stored(alabama);
    ASSERT_EQ(before.spokenAnswer, std::vector<std::string>{"Montgomery"});
    QuestionRecord first;
    for (int i = 0; i < 3; ++i) {
        open(alabama);
        ed->MNotes->setPlainText(QStringLiteral("save %1").arg(i));
        QTest::mouseClick(ed->BSave, Qt::LeftButton);
        ASSERT_FALSE(ed->isOpen());
        if (i == 0) first = stored(alabama);
    }
    const QuestionRecord after = stored(alabama);
    EXPECT_EQ(after.spokenAnswer, before.spokenAnswer);
    EXPECT_EQ(after.spokenQuestion, before.spokenQuestion);
    EXPECT_EQ(after.answer, before.answer);
    EXPECT_EQ(after.proportions, before.proportions);
    EXPECT_EQ(after.panes, first.panes);

    // Several stored spoken lines read as one text and stay one line from then on.
    QuestionRecord two = after;
    two.spokenAnswer = {"Mont", "gomery"};
    WriteQuestionRecord(w->tree(), alabama, two, h.colors);
    open(alabama);
    EXPECT_EQ(ed->MSpeakA->text(), QStringLiteral("Mont gomery"));
    ed->MNotes->setPlainText(QStringLiteral("again"));
    QTest::mouseClick(ed->BSave, Qt::LeftButton);
    EXPECT_EQ(stored(alabama).spokenAnswer, std::vector<std::string>{"Mont gomery"});
}

TEST_F(EditorTest, LayoutPicturesAndStripsJumpToTheirTabs) {
    open(alabama);
    showTab(ed->TSLayout);
    QTest::mouseDClick(ed->PQuestionBoxes[2].at(1), Qt::LeftButton);
    EXPECT_TRUE(ed->RB[2]->isChecked());
    EXPECT_EQ(ed->PC->currentWidget(), ed->TSProportions);
    EXPECT_TRUE(ed->FormLayout3->PMain->isVisible());
    EXPECT_FALSE(ed->FormLayout2->PMain->isVisible());
    EXPECT_EQ(ed->FormLayout3->LPercent[0]->text(), QStringLiteral("33%"));
    EXPECT_EQ(cancelCaption(), QStringLiteral("Cancel"));

    QTest::mouseDClick(ed->FormLayout3->P[2], Qt::LeftButton);
    EXPECT_EQ(ed->PC->currentWidget(), ed->paneAtSlot(3));

    // Highlight follows the chosen layout; layout 1 hides the strips' tab.
    const QColor highlight = ed->PAnswerBox[2]->palette().color(QPalette::Window);
    EXPECT_NE(highlight, ed->PAnswerBox[0]->palette().color(QPalette::Window));
    showTab(ed->TSLayout);
    QTest::mouseClick(ed->RB[0], Qt::LeftButton);
    EXPECT_FALSE(ed->PC->isTabVisible(TFormEditQuestion::ProportionsTab));
    EXPECT_EQ(ed->PAnswerBox[0]->palette().color(QPalette::Window), highlight);
    EXPECT_EQ(ed->PQuestionBoxes[2].first()->palette().color(QPalette::Window), QColor(Qt::white));
}

TEST_F(EditorTest, DraggingASplitterMarksAChangeAndStopsAtTheMinimum) {
    open(alabama);
    showTab(ed->TSProportions);
    EXPECT_EQ(cancelCaption(), QStringLiteral("Close"));
    TFormLayout2* strip = ed->FormLayout2;
    StripSplitter* bar = strip->Splitter[0];
    auto send = [bar](QEvent::Type type, int dx, Qt::MouseButton button, Qt::MouseButtons held) {
        const QPointF local(2, 10);
        QMouseEvent e(type, local + QPointF(dx, 0), bar->mapToGlobal(local) + QPointF(dx, 0),
                      button, held, Qt::NoModifier);
        QApplication::sendEvent(bar, &e);
    };
    send(QEvent::MouseButtonPress, 0, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, -80, Qt::NoButton, Qt::LeftButton); // 118 - 80
    EXPECT_EQ(strip->paneWidth(0), 38);
    EXPECT_EQ(strip->P[0]->text(), QStringLiteral("P. 1"));
    EXPECT_EQ(cancelCaption(), QStringLiteral("Cancel"));
    send(QEvent::MouseMove, -96, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(strip->P[0]->text(), QStringLiteral("P.1"));
    send(QEvent::MouseMove, -400, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, -400, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(strip->paneWidth(0), 15);
    EXPECT_EQ(strip->paneWidth(1), 281);
    EXPECT_EQ(bar->x(), 15);
    EXPECT_EQ(strip->LPercent[0]->text(), QStringLiteral("5%"));
    EXPECT_EQ(ed->buildRecord().proportions[2], "5%");
}

TEST_F(EditorTest, AddNewOpensPaneOneOnlyFromThePanel) {
    w->selectNode(alabama);
    ui(*w).Addnew1->trigger();
    ASSERT_TRUE(part<QCheckBox>(ui(*w).FormAddNew, "CBEditItem")->isChecked());
    QTest::mouseClick(ui(*w).FormAddNew->rows()->button(8), Qt::LeftButton);
    ASSERT_TRUE(ed->isOpen());
    EXPECT_EQ(ed->PC->currentWidget(), ed->TSPane[0]);
    EXPECT_EQ(ed->TSPane[0]->PC->currentIndex(), TextContent);
    EXPECT_TRUE(ed->TSPane[0]->textEditor().MTextEntered->hasFocus());
    EXPECT_EQ(cancelCaption(), QStringLiteral("Close"));
    showTab(ed->TSGeneral);
    QTest::mouseClick(ed->BCancel, Qt::LeftButton);
    ASSERT_FALSE(ed->isOpen());

    // The Level menu's follow-up is Edit selected: the last tab, no focus jump.
    ui(*w).Addnew1->trigger();
    ui(*w).LevelItems[8]->trigger();
    ASSERT_TRUE(ed->isOpen());
    EXPECT_EQ(ed->PC->currentWidget(), ed->TSGeneral);
}

TEST_F(EditorTest, RememberedTabFallsBackToGeneralWhenHidden) {
    open(alabama);
    showTab(ed->TSLayout);
    QTest::mouseClick(ed->RB[2], Qt::LeftButton);
    showTab(ed->paneAtSlot(3));
    h.prompts.answers << Prompts::Yes;
    QTest::mouseClick(ed->BCancel, Qt::LeftButton);
    ASSERT_FALSE(ed->isOpen());
    open(alabama); // layout 2 again: slot 3 is hidden
    EXPECT_EQ(ed->PC->currentWidget(), ed->TSGeneral);
    showTab(ed->TSSpoken);
    QTest::mouseClick(ed->BCancel, Qt::LeftButton);
    open(alabama);
    EXPECT_EQ(ed->PC->currentWidget(), ed->TSSpoken);
}

TEST_F(EditorTest, EnterBreaksNoLineInTheSpokenQuestionAndAnswer) {
    open(alabama);
    showTab(ed->TSSpoken);
    ed->MSpeakQ->setFocus();
    ed->MSpeakQ->moveCursor(QTextCursor::End);
    QTest::keyClick(ed->MSpeakQ, Qt::Key_Return);
    QTest::keyClick(ed->MSpeakQ, Qt::Key_Enter, Qt::ShiftModifier);
    EXPECT_FALSE(ed->MSpeakQ->toPlainText().contains(QLatin1Char('\n')));
    showTab(ed->TSAnswer);
    ed->MAnswer->setFocus();
    QTest::keyClick(ed->MAnswer, Qt::Key_Return);
    EXPECT_EQ(ed->MAnswer->toPlainText(), QStringLiteral("Montgomery"));
    EXPECT_EQ(cancelCaption(), QStringLiteral("Close"));

    QTest::mouseClick(ed->BSpeakA, Qt::LeftButton);
    EXPECT_EQ(h.speech.spoken.isEmpty() ? QString() : h.speech.spoken.last(),
              QStringLiteral("Montgomery"));
}

// The strips on their own.
TEST(ProportionStrips, LoadTheStoredTextsAsTheirWidths) {
    TFormLayout2 two;
    two.loadProportions(QStringLiteral("40%"));
    EXPECT_EQ(two.paneWidth(0), 118);
    EXPECT_EQ(two.paneWidth(1), 178);
    EXPECT_EQ(two.LPercent[0]->text(), QStringLiteral("40%"));
    EXPECT_EQ(two.proportionsText(), QStringLiteral("40%"));
    two.loadProportions(QStringLiteral("67%"));
    EXPECT_EQ(two.paneWidth(0), 197);
    EXPECT_EQ(two.proportionsText(), QStringLiteral("67%"));
    two.loadProportions(QStringLiteral("33%"));
    EXPECT_EQ(two.paneWidth(0), 99);
    EXPECT_EQ(two.proportionsText(), QStringLiteral("33%"));
    // A decimal share loads as the number it is, whole on the way out.
    two.loadProportions(QStringLiteral("40.5%"));
    EXPECT_EQ(two.paneWidth(0), 120);
    EXPECT_EQ(two.proportionsText(), QStringLiteral("41%"));

    TFormLayout3 three;
    three.loadProportions(QStringLiteral("33%, 33%"));
    EXPECT_EQ(std::vector<int>({three.paneWidth(0), three.paneWidth(1), three.paneWidth(2)}),
              std::vector<int>({97, 97, 97}));
    for (QLabel* l : {three.LPercent[0], three.LPercent[1], three.LPercent[2]})
        EXPECT_EQ(l->text(), QStringLiteral("33%"));
    EXPECT_EQ(three.P[2]->text(), QStringLiteral("Pane 3"));
    EXPECT_EQ(three.Splitter[1]->x(), 97 + 5 + 97);

    for (const QString& text : {QStringLiteral("60%"), QString(), QStringLiteral("95%, 95%")}) {
        three.loadProportions(text);
        int sum = 0;
        for (int k = 0; k < 3; ++k) {
            EXPECT_GE(three.paneWidth(k), 15) << text.toStdString();
            sum += three.paneWidth(k);
        }
        EXPECT_EQ(sum, 291);
    }
    three.loadProportions(QString());
    EXPECT_EQ(three.proportionsText(), QStringLiteral("51%, 44%"));
}

TEST(ProportionStrips, TheFirstBarOfThreeKeepsTheMiddlePane) {
    TFormLayout3 three;
    int changes = 0;
    QObject::connect(&three, &TFormLayout::changed, [&changes] { ++changes; });
    three.loadProportions(QStringLiteral("33%, 33%"));
    EXPECT_TRUE(three.setPaneWidth(0, 150, true));
    EXPECT_EQ(three.paneWidth(1), 97);
    EXPECT_EQ(three.paneWidth(2), 291 - 150 - 97);
    EXPECT_TRUE(three.setPaneWidth(0, 400, true));
    EXPECT_EQ(three.paneWidth(0), 291 - 97 - 15);
    EXPECT_EQ(three.paneWidth(2), 15);
    EXPECT_FALSE(three.setPaneWidth(0, 400, true)); // no change, no edit
    EXPECT_TRUE(three.setPaneWidth(1, 20, false));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(three.P[1]->text(), QStringLiteral("P.2"));
    EXPECT_EQ(StripPaneCaption(3, 23), QStringLiteral("P. 3"));
    EXPECT_EQ(StripPaneCaption(2, 39), QStringLiteral("Pane 2"));
}

} // namespace
