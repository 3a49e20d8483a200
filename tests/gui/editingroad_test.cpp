// The editing road as a user walks it: refusals, the editors' changed state, focus, drag
// and drop as the pointer shows it, the pause edits, the answer font, captions and the
// small looks that used to trip users up.
#include "library/objects.h"
#include "library/undostore.h"
#include "mainwindow/fmain.h"
#include "mainwindow/libraryitemmodel.h"
#include "panels/faboutbox.h"
#include "panels/faddnew.h"
#include "panels/feditobject.h"
#include "panels/feditselected.h"
#include "panels/fwizard.h"
#include "panels/levelrows.h"
#include "study/fflashselected.h"
#include "study/fstudy.h"
#include "study/sessionpanel.h"

#include "mainharness.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

class EditingRoadTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(h.start()); }

    TFormMain& w() { return *h.window; }
    NodeId find(const char* text) const { return h.find(text); }
    QModelIndex indexOf(NodeId n) { return w().model()->indexFromNode(n); }
    void toEditMode() {
        ui(w()).Edit1->trigger();
        ASSERT_TRUE(w().isEditMode());
    }
    // Opens the object editor on the chapter "North America".
    void openChapterEditor() {
        toEditMode();
        ui(w()).Edit2->trigger();
        w().selectNode(find("North America"));
        QTest::mouseClick(ui(w()).FormEditSelected->rows()->button(5), Qt::LeftButton);
        ASSERT_TRUE(ui(w()).FormEditObject->isOpen());
    }
    QPoint rowPoint(NodeId n, int dy = 0) {
        const QModelIndex i = indexOf(n);
        ui(w()).TVObjs->scrollTo(i);
        const QRect r = ui(w()).TVObjs->visualRect(i);
        return dy >= 0 ? QPoint(r.left() + 30, r.center().y() + dy)
                       : QPoint(r.left() + 30, r.bottom() + dy + 1);
    }
    int countSpoken(const QString& phrase) const { return int(h.speech.spoken.count(phrase)); }

    MainHarness h;
};

TEST_F(EditingRoadTest, OneRefusedUserActionGivesOnePhraseAndOneBox) {
    openChapterEditor();
    TFormMain& m = w();
    const NodeId chapter = find("North America");
    const int boxes = int(h.prompts.shown.size());

    QTest::mouseClick(ui(m).TVObjs->viewport(), Qt::LeftButton, {}, rowPoint(find("Geography")));
    settle();
    EXPECT_EQ(int(h.prompts.shown.size()), boxes + 1);
    EXPECT_EQ(countSpoken(QStringLiteral("Please click on close first.")), 1);
    EXPECT_EQ(m.selectedNode(), chapter);

    QTest::keyClick(ui(m).TVObjs, Qt::Key_Down);
    settle();
    EXPECT_EQ(int(h.prompts.shown.size()), boxes + 2);
    EXPECT_EQ(countSpoken(QStringLiteral("Please click on close first.")), 2);
    EXPECT_EQ(m.selectedNode(), chapter);

    // A refused right click opens no menu afterwards.
    QTest::mouseClick(ui(m).TVObjs->viewport(), Qt::RightButton, {}, rowPoint(find("Geography")));
    settle();
    EXPECT_EQ(int(h.prompts.shown.size()), boxes + 3);
    EXPECT_FALSE(ui(m).PMObjs->isVisible());
    EXPECT_EQ(m.selectedNode(), chapter);
    // On the editor's own node nothing is refused: the menu opens.
    QTest::mouseClick(ui(m).TVObjs->viewport(), Qt::RightButton, {}, rowPoint(chapter));
    settle();
    EXPECT_EQ(int(h.prompts.shown.size()), boxes + 3);
    EXPECT_TRUE(ui(m).PMObjs->isVisible());
    ui(m).PMObjs->hide();
}

TEST_F(EditingRoadTest, ObjectEditorKeepsItsChangedStateThroughAFailedValidation) {
    openChapterEditor();
    TFormMain& m = w();
    TFormEditObject& ed = *ui(m).FormEditObject;
    ed.EName->clear();
    EXPECT_EQ(ed.BCancel->text(), QStringLiteral("Cancel"));
    QTest::mouseClick(ed.BSave, Qt::LeftButton);
    ASSERT_FALSE(h.prompts.shown.isEmpty());
    EXPECT_EQ(h.prompts.shown.last().caption, QStringLiteral("Validation Error"));
    EXPECT_EQ(h.prompts.shown.last().text, QStringLiteral("No name was entered."));
    EXPECT_FALSE(ed.BSave->isEnabled());
    // Still changed: the button and the refusal agree.
    EXPECT_EQ(ed.BCancel->text(), QStringLiteral("Cancel"));
    ui(m).Study1->trigger();
    EXPECT_TRUE(m.isEditMode());
    EXPECT_EQ(h.prompts.shown.last().text,
              QStringLiteral("Click on the \"Save\" or \"Cancel\" button\nbefore switching to a "
                             "different mode."));
    // Cancel asks, since there are changes; No keeps the editor open.
    h.prompts.answers = {Prompts::No};
    QTest::mouseClick(ed.BCancel, Qt::LeftButton);
    EXPECT_EQ(h.prompts.shown.last().caption, QStringLiteral("Confirm"));
    EXPECT_TRUE(ed.isOpen());
    // Typing again enables Save; the name goes back.
    QTest::keyClicks(ed.EName, QStringLiteral("North America"));
    EXPECT_TRUE(ed.BSave->isEnabled());
    QTest::mouseClick(ed.BSave, Qt::LeftButton);
    EXPECT_FALSE(ed.isOpen());
    EXPECT_FALSE(m.undoStore()->canUndo()); // the same name and notes: nothing to undo
}

TEST_F(EditingRoadTest, TheTreeHasTheFocusAgainWhenAnEditorCloses) {
    openChapterEditor();
    TFormMain& m = w();
    ui(m).FormEditObject->EName->setFocus();
    QTest::mouseClick(ui(m).FormEditObject->BCancel, Qt::LeftButton);
    ASSERT_FALSE(ui(m).FormEditObject->isOpen());
    EXPECT_EQ(m.focusWidget(), ui(m).TVObjs);
}

TEST_F(EditingRoadTest, ARefusedModeChangeNeverShowsTheOtherPage) {
    openChapterEditor();
    TFormMain& m = w();
    QSignalSpy tabs(ui(m).PCMode, &QTabBar::currentChanged);
    int pagesShown = 0;
    QObject::connect(ui(m).Pages, &QStackedWidget::currentChanged, [&](int) { ++pagesShown; });
    const int boxes = int(h.prompts.shown.size());
    QTest::mouseClick(ui(m).PCMode, Qt::LeftButton, {}, ui(m).PCMode->tabRect(1).center());
    settle();
    EXPECT_EQ(tabs.count(), 0);
    EXPECT_EQ(pagesShown, 0);
    EXPECT_EQ(ui(m).PCMode->currentIndex(), 0);
    EXPECT_EQ(int(h.prompts.shown.size()), boxes + 1);
    EXPECT_TRUE(
        h.prompts.shown.last().text.endsWith(QStringLiteral("switching to a different mode.")));
    // Without an editor the tab switches as before.
    QTest::mouseClick(ui(m).FormEditObject->BCancel, Qt::LeftButton);
    QTest::mouseClick(ui(m).PCMode, Qt::LeftButton, {}, ui(m).PCMode->tabRect(1).center());
    EXPECT_EQ(ui(m).PCMode->currentIndex(), 1);
    EXPECT_FALSE(m.isEditMode());
}

// Drag and drop through the view's own drop handling, as the pointer delivers it.
class DropTest : public EditingRoadTest {
protected:
    void SetUp() override {
        EditingRoadTest::SetUp();
        toEditMode();
        w().selectNode(find("Western Hemisphere"));
        w().Library1Click(5); // "Chapter 1"
        w().selectNode(find("Western Hemisphere"));
        w().Library1Click(5); // "Chapter 2"
        northAmerica = find("North America");
        chapter1 = find("Chapter 1");
        chapter2 = find("Chapter 2");
        ui(w()).TVObjs->collapse(indexOf(northAmerica));
    }
    std::unique_ptr<QMimeData> dragOf(NodeId n) {
        return std::unique_ptr<QMimeData>(w().model()->mimeData({indexOf(n)}));
    }
    void send(QEvent& e) { QApplication::sendEvent(ui(w()).TVObjs->viewport(), &e); }
    void dropAt(NodeId dragged, const QPoint& at) {
        auto data = dragOf(dragged);
        const Qt::DropActions actions = Qt::MoveAction | Qt::CopyAction;
        QDragEnterEvent enter(at, actions, data.get(), Qt::LeftButton, {});
        send(enter);
        QDragMoveEvent move(at, actions, data.get(), Qt::LeftButton, {});
        send(move);
        QDropEvent drop(at, actions, data.get(), Qt::LeftButton, {});
        send(drop);
        settle();
    }
    QImage rowImage(NodeId n) {
        const QRect r = ui(w()).TVObjs->visualRect(indexOf(n)).adjusted(-2, -3, 2, 3);
        return ui(w()).TVObjs->viewport()->grab(r).toImage();
    }

    NodeId northAmerica = NoNode, chapter1 = NoNode, chapter2 = NoNode;
};

TEST_F(DropTest, ADropInTheLowerPixelsOfARowLandsByThatRow) {
    LibraryTree& t = w().tree();
    // Onto the bottom of "North America", which comes before the dragged chapter: before it.
    dropAt(chapter2, rowPoint(northAmerica, -2));
    EXPECT_EQ(t.nextSibling(chapter2), northAmerica);
    EXPECT_EQ(t.nextSibling(northAmerica), chapter1);
    EXPECT_EQ(w().undoStore()->undoLabel(), QStringLiteral("move chapter"));
    // Onto the top of "Chapter 1", which comes after it: after it.
    dropAt(chapter2,
           rowPoint(chapter1, -ui(w()).TVObjs->visualRect(indexOf(chapter1)).height() + 1));
    EXPECT_EQ(t.nextSibling(chapter1), chapter2);
    EXPECT_EQ(t.nextSibling(northAmerica), chapter1);
}

TEST_F(DropTest, ADropThatChangesNothingRecordsNoUndoPoint) {
    LibraryTree& t = w().tree();
    const NodeId part = find("Western Hemisphere");
    ASSERT_EQ(t.lastChild(part), chapter2);
    w().undoStore()->clear();
    EXPECT_TRUE(w().TVObjsDragDrop(chapter2, part) || true);
    EXPECT_EQ(t.lastChild(part), chapter2);
    EXPECT_FALSE(w().undoStore()->canUndo());
    // A real move still records one.
    ASSERT_TRUE(w().TVObjsDragDrop(chapter1, part));
    EXPECT_EQ(t.lastChild(part), chapter1);
    EXPECT_TRUE(w().undoStore()->canUndo());
}

TEST_F(DropTest, AMovedAndUndoneSubtreeKeepsItsExpandedRows) {
    const NodeId section = find("U.S. & Canada");
    QTreeView& view = *ui(w()).TVObjs;
    view.expand(indexOf(northAmerica));
    view.expand(indexOf(section));
    const NodeId conceptNode = w().tree().firstChild(section) == NoNode
                                   ? NoNode
                                   : w().tree().nextSibling(w().tree().firstChild(section));
    ASSERT_NE(conceptNode, NoNode);
    view.expand(indexOf(conceptNode));
    auto expanded = [&] {
        return view.isExpanded(indexOf(northAmerica)) && view.isExpanded(indexOf(section)) &&
               view.isExpanded(indexOf(conceptNode));
    };
    ASSERT_TRUE(expanded());
    ASSERT_TRUE(w().TVObjsDragDrop(northAmerica, chapter2)); // after Chapter 2
    EXPECT_EQ(w().tree().lastChild(find("Western Hemisphere")), northAmerica);
    EXPECT_TRUE(expanded());
    w().BUndoClick();
    EXPECT_EQ(w().tree().nextSibling(northAmerica), chapter1);
    EXPECT_TRUE(expanded());
    w().BRedoClick();
    EXPECT_EQ(w().tree().lastChild(find("Western Hemisphere")), northAmerica);
    EXPECT_TRUE(expanded());
}

TEST_F(DropTest, TheDraggedRowIsDrawnCutWhileTheDropIsAccepted) {
    w().selectNode(chapter2);
    settle();
    const QImage plain = rowImage(chapter2);
    ASSERT_TRUE(w().TVObjsDragOver(chapter2, northAmerica));
    settle();
    const QImage cut = rowImage(chapter2);
    EXPECT_NE(plain, cut);
    // The selection highlight leaves the item while the row is cut.
    const QImage item =
        ui(w()).TVObjs->viewport()->grab(ui(w()).TVObjs->visualRect(indexOf(chapter2))).toImage();
    const QColor highlight = ui(w()).TVObjs->palette().color(QPalette::Highlight);
    int highlighted = 0;
    for (int y = 0; y < item.height(); ++y)
        for (int x = 0; x < item.width(); ++x)
            if (item.pixelColor(x, y) == highlight) ++highlighted;
    EXPECT_EQ(highlighted, 0);
    w().dragEnded();
    settle();
    EXPECT_EQ(rowImage(chapter2), plain);
}

TEST_F(DropTest, NoIndicatorStaysOverARefusedTarget) {
    QTreeView& view = *ui(w()).TVObjs;
    const NodeId section = find("U.S. & Canada");
    view.expand(indexOf(northAmerica));
    w().selectNode(chapter2);
    settle();
    const QImage before = rowImage(chapter1);
    auto data = dragOf(chapter2);
    const Qt::DropActions actions = Qt::MoveAction | Qt::CopyAction;
    QDragEnterEvent enter(rowPoint(chapter1), actions, data.get(), Qt::LeftButton, {});
    send(enter);
    QDragMoveEvent over(rowPoint(chapter1), actions, data.get(), Qt::LeftButton, {});
    send(over);
    EXPECT_TRUE(over.isAccepted());
    settle();
    EXPECT_NE(rowImage(chapter1), before); // the indicator is shown over an accepted target
    QDragMoveEvent refused(rowPoint(section), actions, data.get(), Qt::LeftButton, {});
    send(refused);
    EXPECT_FALSE(refused.isAccepted());
    settle();
    EXPECT_EQ(rowImage(chapter1), before);
    QDragLeaveEvent leave;
    send(leave);
}

TEST_F(EditingRoadTest, NameEditsKeepThePanelsFontAfterTheFocus) {
    toEditMode();
    TFormMain& m = w();
    m.selectNode(find("North America"));
    LevelRows& rows = *ui(m).FormAddNew->rows();
    const QFont before = rows.nameEdit(2)->font();
    QLineEdit* edit = rows.nameEdit(1);
    EXPECT_EQ(QFontInfo(edit->font()).pixelSize(), QFontInfo(before).pixelSize());
    QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(edit, &in);
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QApplication::sendEvent(edit, &out);
    EXPECT_EQ(QFontInfo(edit->font()).pixelSize(), QFontInfo(before).pixelSize());
    EXPECT_EQ(edit->font().family(), before.family());
    EXPECT_EQ(QFontInfo(rows.nameEdit(5)->font()).pixelSize(), QFontInfo(before).pixelSize());
}

TEST_F(EditingRoadTest, UndoAndRedoMenuItemsCarryIcons) {
    EXPECT_FALSE(ui(w()).MIUndo->icon().isNull());
    EXPECT_FALSE(ui(w()).MIRedo->icon().isNull());
}

TEST_F(EditingRoadTest, TheAboutBoxLinkOpensTheMakersAddress) {
    h.shell.opened.clear();
    Q_EMIT ui(w()).AboutBox->addressLabel()->linkActivated(TAboutBox::makerAddress());
    ASSERT_EQ(h.shell.opened.size(), 1);
    EXPECT_EQ(h.shell.opened.first().toString(), TAboutBox::makerAddress());
}

TEST(EditingRoadVoices, TheVoiceListShowsWholeNames) {
    MainHarness h;
    const QString longName = QStringLiteral("English (Received Pronunciation) with a long name");
    h.speech.setModeNames({QStringLiteral("Short"), longName});
    ASSERT_TRUE(h.start());
    settle();
    QComboBox& box = *ui(*h.window).CBModes;
    ASSERT_EQ(box.currentText(), QLatin1Char(' ') + longName);
    const int textWidth = box.fontMetrics().horizontalAdvance(box.currentText());
    EXPECT_GE(box.width(), textWidth + 20);
    box.showPopup();
    settle();
    EXPECT_GE(box.view()->width(), textWidth + 10);
    box.hidePopup();
}

TEST(EditingRoadPictures, ADamagedWheelPictureIsIgnored) {
    MainHarness h;
    ASSERT_TRUE(h.folder.isValid());
    QImage wheel(96, 96, QImage::Format_RGB32);
    wheel.fill(QColor(200, 60, 60));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(wheel.save(&buffer, "BMP"));
    QFile cut(h.folder.filePath(QStringLiteral("GEARWHL2.bmp")));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(bytes.left(bytes.size() / 2));
    cut.close();
    ASSERT_TRUE(h.start());
    EXPECT_FALSE(ui(*h.window).AboutBox->hasPicture());
    TFormWizard wizard(*h.window);
    EXPECT_TRUE(wizard.Image1->pixmap().isNull());
}

TEST_F(EditingRoadTest, PauseEditsLetTheUserFinishTyping) {
    SessionPanel& panel = *ui(w()).FormFlashSelected;
    QLineEdit* pause = part<QLineEdit>(&panel, "EPauseAfterQ");
    pause->selectAll();
    QTest::keyClicks(pause, QStringLiteral("-2"));
    EXPECT_EQ(pause->text(), QStringLiteral("0"));
    EXPECT_EQ(part<QLabel>(&panel, "LA")->text(),
              QStringLiteral("seconds before showing the answer"));

    pause->selectAll();
    QTest::keyClick(pause, Qt::Key_Backspace);
    EXPECT_EQ(pause->text(), QString()); // a cleared field stays cleared while typing
    EXPECT_EQ(panel.pauseBeforeAnswer(), 0.0);
    QTest::keyClicks(pause, QStringLiteral(".5"));
    EXPECT_EQ(pause->text(), QStringLiteral(".5"));
    EXPECT_EQ(panel.pauseBeforeAnswer(), 0.5);
    EXPECT_EQ(part<QLabel>(&panel, "LA")->text(),
              QStringLiteral("second before showing the answer"));

    // Unfinished entries read as 0 for a session and become "0" when the edit is left.
    for (const QString& partial : {QStringLiteral("-"), QStringLiteral("."), QString()}) {
        pause->setText(QStringLiteral("3"));
        pause->selectAll();
        QTest::keyClick(pause, Qt::Key_Backspace);
        if (!partial.isEmpty()) QTest::keyClicks(pause, partial);
        EXPECT_EQ(pause->text(), partial);
        EXPECT_EQ(panel.pauseBeforeAnswer(), 0.0);
        EXPECT_EQ(part<QLabel>(&panel, "LA")->text(),
                  QStringLiteral("seconds before showing the answer"));
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(pause, &out);
        EXPECT_EQ(pause->text(), QStringLiteral("0"));
    }
    // Enter finishes as well; the cap of an hour stays.
    pause->clear();
    QTest::keyClicks(pause, QStringLiteral("-"));
    QTest::keyClick(pause, Qt::Key_Return);
    EXPECT_EQ(pause->text(), QStringLiteral("0"));
    pause->setText(QStringLiteral("99999"));
    EXPECT_EQ(pause->text(), QStringLiteral("3600"));
    EXPECT_EQ(panel.pauseBeforeAnswer(), 3600.0);
    QLineEdit* next = part<QLineEdit>(&panel, "EPauseAfterA");
    next->clear();
    QTest::keyClicks(next, QStringLiteral("abc"));
    EXPECT_EQ(next->text(), QStringLiteral("0"));
    EXPECT_EQ(panel.pauseBeforeNext(), 0.0);
}

TEST_F(EditingRoadTest, TheAnswerFontIsChosenWithItsColourAndPersistsWhole) {
    TFormMain& m = w();
    QFont chosen(QStringLiteral("Liberation Serif"));
    chosen.setPointSize(20);
    chosen.setBold(true);
    chosen.setItalic(true);
    h.prompts.fonts = {chosen};
    h.prompts.fontColors = {QColor(255, 0, 0)};
    QTest::mouseClick(part<QPushButton>(ui(m).FormFlashSelected, "BAFont"), Qt::LeftButton);
    ASSERT_EQ(h.prompts.fontTitles, QStringList{QStringLiteral("Answer Font")});
    TFormStudy& study = *ui(m).FormStudy;
    EXPECT_EQ(study.answerColor(), 0x0000FFu);
    EXPECT_EQ(study.answerFont().family(), QStringLiteral("Liberation Serif"));

    QTemporaryDir dir;
    SettingsStore store(dir.filePath(QStringLiteral("brenvik.ini")));
    study.saveSettings(store);
    EXPECT_EQ(store.ReadInteger(QStringLiteral("afont"), QStringLiteral("size"), 0), 20);
    EXPECT_EQ(store.ReadInteger(QStringLiteral("afont"), QStringLiteral("color"), 0), 0x0000FF);
    study.setAnswerFont(QFont());
    study.setAnswerColor(0);
    study.loadAnswerFont(store);
    const QFont back = study.answerFont();
    EXPECT_EQ(back.family(), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(back.pointSize(), 20);
    EXPECT_TRUE(back.bold());
    EXPECT_TRUE(back.italic());
    EXPECT_FALSE(back.underline());
    EXPECT_EQ(study.answerColor(), 0x0000FFu);

    // Nothing stored: the face of old, without style.
    study.loadAnswerFont(SettingsStore());
    EXPECT_EQ(study.answerFont().family(), QStringLiteral("Arial Rounded MT Bold"));
    EXPECT_FALSE(study.answerFont().bold());
    // Cancelled: nothing changes.
    EXPECT_FALSE(study.ChooseAnswerFont());
    EXPECT_EQ(study.answerColor(), 0u);
}

TEST_F(EditingRoadTest, LongNamesInAnEditorsTitleAreElided) {
    toEditMode();
    TFormMain& m = w();
    const NodeId chapter = find("North America");
    const QString longName = QStringLiteral("North America north of the Rio Grande and south of "
                                            "the Arctic Ocean, with every island on the way");
    m.TVObjsEdited(chapter, longName);
    ui(m).Edit2->trigger();
    m.selectNode(chapter);
    QTest::mouseClick(ui(m).FormEditSelected->rows()->button(5), Qt::LeftButton);
    ASSERT_TRUE(ui(m).FormEditObject->isOpen());
    settle();
    auto* title = qobject_cast<ElidedLabel*>(ui(m).FormEditObject->LTitle);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), QStringLiteral("Editing chapter: \"") + longName + QLatin1Char('"'));
    const QString shown = title->shownText();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_LE(title->fontMetrics().horizontalAdvance(shown), title->contentsRect().width());
    // The buttons keep their place in the title bar.
    EXPECT_TRUE(ui(m).FormEditObject->BCancel->isVisible());
    EXPECT_LE(title->geometry().right(), ui(m).FormEditObject->BSave->geometry().left());
}

TEST(EditingRoadFarewell, ASecondStartShowsByeThenEnds) {
    QTemporaryDir folder;
    TAboutBox box(folder.path(), QStringLiteral("HOST"), QStringLiteral("ann"));
    box.hide();
    bool ended = false;
    box.showFarewellThen(50, [&ended] { ended = true; });
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Bye"));
    EXPECT_FALSE(ended);
    EXPECT_TRUE(waitUntil([&ended] { return ended; }));
    EXPECT_FALSE(box.isVisible());
}

} // namespace
