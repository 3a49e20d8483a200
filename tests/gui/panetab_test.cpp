// One pane tab of the question editor, driven through its widgets against a fake main window.

#include "editor/paneimageeditor.h"
#include "editor/panetab.h"
#include "editor/panetexteditor.h"
#include "editor/panewebsiteeditor.h"
#include "library/colors.h"
#include "library/fonttext.h"
#include "library/librarytree.h"
#include "library/questionrecord.h"
#include "library/settingsstore.h"
#include "mainwindow/maincommands.h"
#include "platform/prompts.h"
#include "stubmain.h"
#include "study/panewidgets.h"
#include "tests/support/fakeprompts.h"
#include "tests/support/fakeshellopen.h"
#include "tests/support/fakewebviewer.h"
#include "waituntil.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

using namespace brenvik;

namespace {

// The colour dialog as the real prompt layer opens it, so the tab's title hook can be seen.
class TitleCheckingPrompts : public FakePrompts {
public:
    QString colorDialogTitle;
    QStringList fileFolders; // the starting folder of every file dialog
    QString openFile(QWidget* parent, const QString& title, const QString& folder,
                     const QString& filter) override {
        fileFolders << folder;
        return FakePrompts::openFile(parent, title, folder, filter);
    }
    // With realFonts the font dialog is the program's own, answered OK untouched.
    bool realFonts = false;
    int realFontRuns = 0;
    bool chooseFontAndColor(QWidget* parent, const QString& title, QFont& font,
                            QColor& color) override {
        if (!realFonts) return FakePrompts::chooseFontAndColor(parent, title, font, color);
        ++realFontRuns;
        fontTitles << title;
        QTimer::singleShot(0, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        return DialogPrompts().chooseFontAndColor(parent, title, font, color);
    }
    bool chooseColor(QWidget* parent, QColor& color, const QList<QColor>& custom) override {
        QColorDialog dialog(color, parent);
        dialog.setOption(QColorDialog::DontUseNativeDialog);
        dialog.show();
        colorDialogTitle = dialog.windowTitle();
        dialog.hide();
        return FakePrompts::chooseColor(parent, color, custom);
    }
};

// A main window that hands the tab its services and otherwise does nothing.
class FakeMain : public StubMain<TitleCheckingPrompts> {
public:
    using StubMain::StubMain;
};

// A pane tab on a fake main window whose program folder is a fresh temporary folder.
struct Fixture {
    Fixture() : main(dir.path()), tab(main, 2), changed(&tab, &PaneTab::changed) {}

    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    QString picture(const QString& name, int w, int h) const {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        EXPECT_TRUE(image.save(path(name), "BMP"));
        return path(name);
    }
    FakeWebViewer* viewer() const { return static_cast<FakeWebViewer*>(tab.websiteEditor().WB); }

    QTemporaryDir dir;
    FakeMain main;
    PaneTab tab;
    QSignalSpy changed;
};

void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    edit->del();
    QTest::keyClicks(edit, text);
}

PaneRecord FullRecord() {
    PaneRecord r;
    r.content = WebsiteContent;
    r.font = FontSpec{"Times New Roman", 22, false, true, true, false, 0x123456};
    r.textShallowBorder = true;
    r.textDeepBorder = false;
    r.textBackground = 0x00A0B0C0;
    r.centredText = false;
    r.textLines = {"First line", "", "  indented", ""};
    r.imageShallowBorder = true;
    r.imageDeepBorder = false;
    r.stretchToFit = true;
    r.imageBackground = 0x00102030;
    r.imageFile = "pictures/map.bmp";
    r.webShallowBorder = false;
    r.webDeepBorder = true;
    r.webAddress = "http://www.example.org/page.html";
    return r;
}

} // namespace

TEST(EditorPaneTab, CaptionsHintsAndNames) {
    Fixture f;
    PaneTab& t = f.tab;
    EXPECT_EQ(t.digit(), 2);
    ASSERT_EQ(t.PC->count(), 3);
    EXPECT_EQ(t.PC->tabText(0), QStringLiteral("Display text entered "));
    EXPECT_EQ(t.PC->tabText(1), QStringLiteral("Display an image from a file "));
    EXPECT_EQ(t.PC->tabText(2), QStringLiteral("Display some other file or a website "));
    EXPECT_EQ(t.textEditor().BText->text(), QStringLiteral(" Import..."));
    EXPECT_EQ(t.textEditor().BSelectAll->text(), QStringLiteral("   Copy all"));
    EXPECT_EQ(t.textEditor().BSelectAll->toolTip(), QStringLiteral("Copy text to clipboard"));
    EXPECT_EQ(t.textEditor().BFont->toolTip(), QStringLiteral("Change font"));
    EXPECT_EQ(t.textEditor().PTextBkColor->toolTip(), QStringLiteral("Change background color"));
    EXPECT_EQ(t.imageEditor().BDefaultImageApp->toolTip(),
              QStringLiteral("Open into default viewer-app"));
    EXPECT_EQ(t.websiteEditor().CBLightWB->text(), QStringLiteral("Add shallow border"));
    EXPECT_EQ(t.imageEditor().CBStretch->text(), QStringLiteral("Stretch to fit"));
    EXPECT_EQ(t.textEditor().MTextEntered->objectName(), QStringLiteral("MTextEntered2"));
    // Move buttons are numbered across all nine sub-tabs: pane 2 holds 4, 5 and 6.
    EXPECT_EQ(t.BPLeft[0]->objectName(), QStringLiteral("BPLeft4"));
    EXPECT_EQ(t.BPRight[2]->objectName(), QStringLiteral("BPRight6"));
    EXPECT_EQ(t.BPLeft[1]->toolTip(), QStringLiteral("move pane left"));
    EXPECT_EQ(t.BPRight[1]->toolTip(), QStringLiteral("move pane right"));
    EXPECT_FALSE(t.websiteEditor().BBack->isEnabled());
    EXPECT_FALSE(t.websiteEditor().BForward->isEnabled());
    EXPECT_TRUE(t.websiteEditor().PB->isHidden());
    // Opening a pane never starts a browser.
    EXPECT_EQ(t.websiteEditor().WB, nullptr);
    EXPECT_TRUE(f.main.web_.created.isEmpty());

    t.setMoveStates(true, false);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(t.BPLeft[i]->isEnabled());
        EXPECT_FALSE(t.BPRight[i]->isEnabled());
    }
    QSignalSpy left(&t, &PaneTab::moveLeft);
    t.BPLeft[2]->click();
    EXPECT_EQ(left.count(), 1);
}

TEST(EditorPaneTab, LoadAndRecordRoundTripWithoutMarkingChanged) {
    Fixture f;
    const PaneRecord original = FullRecord();
    f.tab.load(original);
    EXPECT_EQ(f.changed.count(), 0);
    EXPECT_EQ(f.tab.record(), original);
    EXPECT_EQ(f.tab.content(), WebsiteContent);
    EXPECT_EQ(f.tab.textEditor().LFont->text(),
              QStringLiteral("Times New Roman, 22, Italic + Underline"));
    EXPECT_EQ(f.tab.textEditor().MTextEntered->font().pointSize(), 22);
    EXPECT_EQ(f.tab.textEditor().MTextEntered->palette().color(QPalette::Base),
              QColor(0xC0, 0xB0, 0xA0));
    EXPECT_EQ(f.tab.imageEditor().PImageBkColor->palette().color(QPalette::Window),
              QColor(0x30, 0x20, 0x10));
    EXPECT_EQ(f.tab.websiteEditor().EOther->toolTip(),
              QStringLiteral("http://www.example.org/page.html"));
    // Previews and viewers come back only on the user's request.
    EXPECT_TRUE(f.tab.imageEditor().ScrollBox->isHidden());
    EXPECT_TRUE(f.tab.imageEditor().ScrollBox->image().isNull());
    EXPECT_EQ(f.tab.websiteEditor().WB, nullptr);
    // The loaded web border is on the frame at once.
    EXPECT_EQ(f.tab.websiteEditor().PWB->lineWidth(), 2);

    // Surrounding blanks are not saved; the text lines are saved as they stand.
    f.tab.imageEditor().EImage->setText(QStringLiteral("  pictures/map.bmp\t"));
    f.tab.websiteEditor().EOther->setText(QStringLiteral(" http://www.example.org/page.html  "));
    EXPECT_EQ(f.tab.record(), original);

    PaneRecord fresh = PaneRecord::newRecord(f.main.desktopColors());
    f.changed.clear();
    f.tab.load(fresh);
    EXPECT_EQ(f.changed.count(), 0);
    // Saving writes colours by ColorToNumber: white is the desktop's window colour.
    fresh.imageBackground = -3;
    EXPECT_EQ(f.tab.record(), fresh);
    EXPECT_EQ(f.tab.content(), TextContent);
}

TEST(EditorPaneTab, ValidationByKind) {
    Fixture f;
    PaneRecord r = PaneRecord::newRecord(f.main.desktopColors());
    r.textLines = {" ", "\t"};
    f.tab.load(r);
    QString message;
    EXPECT_EQ(f.tab.validate(&message), f.tab.textEditor().MTextEntered);
    EXPECT_EQ(message, QStringLiteral("No text was specified."));
    r.content = ImageContent;
    r.imageFile = "   ";
    f.tab.load(r);
    EXPECT_EQ(f.tab.validate(&message), f.tab.imageEditor().EImage);
    EXPECT_EQ(message, QStringLiteral("No image filename was specified."));
    r.content = WebsiteContent;
    f.tab.load(r);
    EXPECT_EQ(f.tab.validate(&message), f.tab.websiteEditor().EOther);
    EXPECT_EQ(message, QStringLiteral("No website address (or filename) was specified."));
    // A file that does not exist passes: the study checks test files.
    r.webAddress = "missing.html";
    f.tab.load(r);
    EXPECT_EQ(f.tab.validate(&message), nullptr);
    EXPECT_TRUE(message.isEmpty());
}

TEST(EditorPaneTab, BordersAreExclusiveForEveryKind) {
    Fixture f;
    struct Pair {
        QCheckBox* shallow;
        QCheckBox* deep;
        QFrame* frame;
    };
    for (const Pair& p : {Pair{f.tab.textEditor().CBLightText, f.tab.textEditor().CBHeavyText,
                               f.tab.textEditor().PText},
                          Pair{f.tab.imageEditor().CBLightImage, f.tab.imageEditor().CBHeavyImage,
                               f.tab.imageEditor().PImage},
                          Pair{f.tab.websiteEditor().CBLightWB, f.tab.websiteEditor().CBHeavyWB,
                               f.tab.websiteEditor().PWB}}) {
        SCOPED_TRACE(p.shallow->objectName().toStdString());
        p.shallow->setChecked(false);
        p.deep->setChecked(false);
        f.changed.clear();
        p.shallow->click();
        EXPECT_TRUE(p.shallow->isChecked());
        EXPECT_EQ(p.frame->lineWidth(), 1);
        p.deep->click();
        EXPECT_TRUE(p.deep->isChecked());
        EXPECT_FALSE(p.shallow->isChecked());
        EXPECT_EQ(p.frame->lineWidth(), 2);
        p.shallow->click();
        EXPECT_FALSE(p.deep->isChecked());
        p.shallow->click();
        EXPECT_FALSE(p.shallow->isChecked());
        EXPECT_FALSE(p.deep->isChecked());
        EXPECT_EQ(p.frame->frameShape(), QFrame::NoFrame);
        EXPECT_EQ(f.changed.count(), 4);
    }
    // With an empty address a web border tick starts no viewer.
    EXPECT_EQ(f.tab.websiteEditor().WB, nullptr);
}

TEST(EditorPaneTab, FontSizesAndFaceAreKeptStorable) {
    Fixture f;
    QFont tiny(QStringLiteral("Liberation Serif"));
    tiny.setPointSizeF(0.4); // the dialog's "0"
    QFont huge(QStringLiteral("Liberation Serif"));
    huge.setPointSize(100);
    huge.setBold(false);
    f.main.prompts_.fonts = {tiny, huge};
    f.tab.textEditor().BFont->click();
    EXPECT_EQ(f.tab.record().font.size, 1);
    EXPECT_EQ(f.tab.textEditor().MTextEntered->font().pointSize(), 1);
    f.tab.textEditor().BFont->click();
    EXPECT_EQ(f.tab.record().font.size, 72);
    EXPECT_EQ(f.tab.textEditor().LFont->text(), QStringLiteral("Liberation Serif, 72"));
    EXPECT_EQ(f.changed.count(), 2);
    // The font's colour is not the dialog's: it stays as loaded.
    EXPECT_EQ(f.tab.record().font.color, PaneRecord::newRecord(f.main.desktopColors()).font.color);

    QFont comma;
    comma.setFamilies({QStringLiteral("Odd, Face")});
    comma.setPointSize(12);
    f.main.prompts_.fonts = {comma};
    f.tab.textEditor().BFont->click();
    EXPECT_EQ(f.tab.record().font.name, "Odd  Face");

    f.changed.clear();
    f.tab.textEditor().BFont->click(); // cancelled: nothing changes
    EXPECT_EQ(f.changed.count(), 0);
    EXPECT_EQ(f.tab.record().font.size, 12);
}

TEST(EditorPaneTab, FontDialogSetsTheTextColourAndKeepsWhatIsLeftAlone) {
    Fixture f;
    const DesktopColors& desktop = f.main.desktopColors();
    f.tab.load(PaneRecord::newRecord(desktop));
    QFont chosen(QStringLiteral("Liberation Serif"));
    chosen.setPointSize(12);
    f.main.prompts_.fonts = {chosen};
    f.main.prompts_.fontColors = {QColor(0, 128, 0)};
    f.tab.textEditor().BFont->click();
    EXPECT_EQ(f.main.prompts_.fontTitles, QStringList{QStringLiteral("Font")});
    EXPECT_EQ(f.tab.record().font.color, 0x008000u);
    EXPECT_EQ(FontToText(f.tab.record().font, true, desktop), "Liberation Serif, 12, 32768");
    EXPECT_EQ(f.tab.textEditor().MTextEntered->palette().color(QPalette::Text), QColor(0, 128, 0));
    EXPECT_EQ(f.changed.count(), 1);

    // The default "Arial, 14, B, -2" through the real dialog, OK untouched: stored as it
    // was, whether or not the face is installed here.
    const PaneRecord fresh = PaneRecord::newRecord(desktop);
    ASSERT_EQ(FontToText(fresh.font, true, desktop), "Arial, 14, B, -2");
    f.tab.load(fresh);
    f.main.prompts_.realFonts = true;
    f.tab.textEditor().BFont->click();
    EXPECT_EQ(f.main.prompts_.realFontRuns, 1);
    EXPECT_EQ(FontToText(f.tab.record().font, true, desktop), "Arial, 14, B, -2");
    EXPECT_EQ(f.tab.record().font, fresh.font);
}

TEST(EditorPaneTab, TextBoxImportCopyAndColour) {
    Fixture f;
    PaneRecord r = PaneRecord::newRecord(f.main.desktopColors());
    r.textLines = {"alpha", "beta"};
    f.tab.load(r);

    QApplication::clipboard()->clear();
    f.tab.textEditor().BSelectAll->click();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("alpha\nbeta"));
    EXPECT_EQ(f.changed.count(), 0);

    QTest::keyClicks(f.tab.textEditor().MTextEntered, QStringLiteral("x"));
    EXPECT_EQ(f.changed.count(), 1);

    // Import replaces the lines; a file that cannot be read changes nothing.
    QFile file(f.path(QStringLiteral("notes.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("one\r\ntwo\r\n\r\nthree");
    file.close();
    f.main.prompts_.files = {file.fileName(), f.path(QStringLiteral("none.txt"))};
    f.changed.clear();
    f.tab.textEditor().BText->click();
    EXPECT_EQ(f.main.prompts_.fileTitles.last(), QStringLiteral("Select File"));
    EXPECT_EQ(f.tab.textEditor().MTextEntered->toPlainText(), QStringLiteral("one\ntwo\n\nthree"));
    EXPECT_GE(f.changed.count(), 1);
    f.changed.clear();
    f.tab.textEditor().BText->click();
    ASSERT_EQ(f.main.prompts_.shown.size(), 1);
    EXPECT_EQ(f.main.prompts_.shown[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(f.main.prompts_.shown[0].icon, Prompts::Icon::Error);
    EXPECT_TRUE(f.main.prompts_.shown[0].text.contains(QStringLiteral("none.txt")));
    EXPECT_EQ(f.tab.textEditor().MTextEntered->toPlainText(), QStringLiteral("one\ntwo\n\nthree"));
    EXPECT_EQ(f.changed.count(), 0);

    // A file's last line end ends its last line: one line stays one line, a blank last
    // line stays.
    const auto import = [&f](const QString& name, const QByteArray& bytes) {
        QFile out(f.path(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        out.close();
        f.main.prompts_.files = {out.fileName()};
        f.tab.textEditor().BText->click();
        return f.tab.record().textLines;
    };
    EXPECT_EQ(import(QStringLiteral("one.txt"), "only line\r\n"),
              std::vector<std::string>{"only line"});
    EXPECT_EQ(import(QStringLiteral("blank.txt"), "a\n\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(import(QStringLiteral("cr.txt"), "x\ry\r"), (std::vector<std::string>{"x", "y"}));
    EXPECT_TRUE(import(QStringLiteral("empty.txt"), "").empty());
    import(QStringLiteral("notes.txt"), "one\r\ntwo\r\n\r\nthree");
    f.changed.clear();

    // The swatch opens the colour dialog with the custom colours and its title.
    f.main.prompts_.colors = {QColor(10, 20, 30)};
    QTest::mouseClick(f.tab.textEditor().PTextBkColor, Qt::LeftButton);
    EXPECT_EQ(f.main.prompts_.colorDialogTitle, QStringLiteral("Background Color"));
    EXPECT_EQ(f.main.prompts_.lastCustomColors.size(), 9);
    EXPECT_EQ(f.tab.textEditor().PTextBkColor->palette().color(QPalette::Window),
              QColor(10, 20, 30));
    EXPECT_EQ(f.tab.textEditor().MTextEntered->palette().color(QPalette::Base), QColor(10, 20, 30));
    EXPECT_EQ(f.tab.record().textBackground, 0x1E140A);
    EXPECT_EQ(f.changed.count(), 1);
    f.main.prompts_.colors = {QColor(1, 2, 3)};
    QTest::mouseClick(f.tab.imageEditor().PImageBkColor, Qt::LeftButton);
    EXPECT_EQ(f.tab.imageEditor().ScrollBox->background(), QColor(1, 2, 3));
    EXPECT_EQ(f.tab.record().imageBackground, 0x030201);
}

TEST(EditorPaneTab, CentringRestylesWithoutCountingTheContent) {
    Fixture f;
    PaneRecord r = PaneRecord::newRecord(f.main.desktopColors());
    r.centredText = false;
    r.textLines = {"short"};
    f.tab.load(r);
    f.tab.resize(700, 400);
    f.tab.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.tab));
    QTextEdit* box = f.tab.textEditor().MTextEntered;
    auto lineLeft = [box] {
        QTextBlock block = box->document()->firstBlock();
        return box->document()->documentLayout()->blockBoundingRect(block).left() +
               block.layout()->lineAt(0).naturalTextRect().left();
    };
    EXPECT_LT(lineLeft(), 20);
    f.tab.textEditor().CBCtrText->click();
    EXPECT_GT(lineLeft(), 100);
    EXPECT_EQ(f.changed.count(), 1); // the tick only, not the text
    EXPECT_EQ(f.tab.textEditor().MTextEntered, box);
    EXPECT_EQ(box->toPlainText(), QStringLiteral("short"));
    EXPECT_TRUE(f.tab.record().centredText);
    // A long line still does not wrap.
    QTest::keyClicks(box, QString(300, QLatin1Char('w')));
    EXPECT_EQ(box->document()->firstBlock().layout()->lineCount(), 1);
}

TEST(EditorPaneTab, TypingStaysFastWithTenThousandLines) {
    Fixture f;
    PaneRecord r = PaneRecord::newRecord(f.main.desktopColors());
    for (int i = 0; i < 10000; ++i)
        r.textLines.push_back("Line number " + std::to_string(i) + " of a long imported text");
    f.tab.load(r);
    f.tab.resize(700, 400);
    f.tab.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.tab));
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(f.tab.textEditor().MTextEntered, Qt::Key_A);
        QCoreApplication::processEvents();
    }
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(f.changed.count(), 40);
    EXPECT_EQ(f.tab.record().textLines.size(), 10000u);
}

TEST(EditorPaneTab, SubTabSwitchMarksChangedAndHighlights) {
    Fixture f;
    f.tab.PC->tabBar()->setCurrentIndex(1);
    EXPECT_EQ(f.changed.count(), 1);
    EXPECT_EQ(f.tab.content(), ImageContent);
    const QColor active = f.tab.PC->tabBar()->tabTextColor(1);
    EXPECT_NE(active, f.tab.PC->tabBar()->tabTextColor(0));
    EXPECT_EQ(f.tab.PC->tabBar()->tabTextColor(0), f.tab.PC->tabBar()->tabTextColor(2));
    f.changed.clear();
    f.tab.highlightSubTab();
    f.tab.showContent(TextContent);
    EXPECT_EQ(f.changed.count(), 0);
    EXPECT_EQ(f.tab.content(), TextContent);
    EXPECT_EQ(f.tab.PC->tabBar()->tabTextColor(0), active);
}

TEST(EditorPaneTab, PreviewVisibilityAndStretchRule) {
    Fixture f;
    const QString wide = f.picture(QStringLiteral("wide.bmp"), 400, 100);
    const QString tall = f.picture(QStringLiteral("tall.bmp"), 100, 400);
    const QString large = f.picture(QStringLiteral("large.bmp"), 600, 500);
    PictureView* view = f.tab.imageEditor().ScrollBox;
    f.tab.imageEditor().PImage->setFixedSize(200, 200);
    f.tab.PC->setCurrentIndex(ImageContent);
    f.tab.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.tab));

    // Border ticks leave a hidden preview hidden; the stretch tick shows it.
    f.tab.imageEditor().CBLightImage->click();
    f.tab.imageEditor().CBHeavyImage->click();
    EXPECT_TRUE(view->isHidden());
    f.tab.imageEditor().CBHeavyImage->click();
    f.tab.imageEditor().CBStretch->click();
    EXPECT_FALSE(view->isHidden());
    EXPECT_TRUE(view->stretch());

    f.tab.imageEditor().EImage->setText(wide);
    f.tab.imageEditor().BRefreshPic->click();
    ASSERT_EQ(view->size(), QSize(200, 200));
    EXPECT_EQ(view->pictureRect(), QRect(0, 75, 200, 50));
    f.tab.imageEditor().EImage->setText(tall);
    f.tab.imageEditor().BRefreshPic->click();
    EXPECT_EQ(view->pictureRect(), QRect(75, 0, 50, 200));

    // Unstretched, a larger picture scrolls up to its own size.
    f.tab.imageEditor().CBStretch->click();
    EXPECT_FALSE(view->stretch());
    f.tab.imageEditor().EImage->setText(large);
    f.tab.imageEditor().BRefreshPic->click();
    EXPECT_FALSE(view->isHidden()); // reload works like the stretch tick
    QCoreApplication::processEvents();
    EXPECT_EQ(view->horizontalScrollBar()->maximum() + view->viewport()->width(), 600);
    EXPECT_EQ(view->verticalScrollBar()->maximum() + view->viewport()->height(), 500);
    EXPECT_EQ(view->pictureRect().size(), QSize(600, 500));
    // A border tick lays the preview out inside the border.
    f.tab.imageEditor().CBHeavyImage->click();
    QCoreApplication::processEvents();
    EXPECT_LT(view->width(), 200);
    EXPECT_EQ(view->size(), f.tab.imageEditor().PImage->contentsRect().size());

    // Loading hides the preview again and forgets the picture.
    f.tab.load(PaneRecord::newRecord(f.main.desktopColors()));
    EXPECT_TRUE(view->isHidden());
    EXPECT_TRUE(view->image().isNull());
}

TEST(EditorPaneTab, ImageFieldBlanksEnterAndOpen) {
    Fixture f;
    f.picture(QStringLiteral(" pic.bmp"), 10, 10); // the name as typed, with its blank
    f.picture(QStringLiteral("pic.bmp"), 20, 20);
    EXPECT_FALSE(f.tab.imageEditor().BRefreshPic->isEnabled());
    EXPECT_FALSE(f.tab.imageEditor().BDefaultImageApp->isEnabled());
    QSignalSpy fields(&f.tab, &PaneTab::fieldChanged);
    Type(f.tab.imageEditor().EImage, QStringLiteral(" pic.bmp"));
    EXPECT_TRUE(f.tab.imageEditor().BRefreshPic->isEnabled());
    EXPECT_TRUE(f.tab.imageEditor().BDefaultImageApp->isEnabled());
    EXPECT_EQ(f.tab.imageEditor().EImage->toolTip(), QStringLiteral(" pic.bmp"));
    EXPECT_GE(fields.count(), 1);

    f.tab.imageEditor().BRefreshPic->click();
    EXPECT_EQ(f.tab.imageEditor().ScrollBox->image().size(), QSize(10, 10));
    f.tab.imageEditor().ScrollBox->setImage(QImage());
    QTest::keyPress(f.tab.imageEditor().EImage, Qt::Key_Return);
    EXPECT_EQ(f.tab.imageEditor().ScrollBox->image().size(), QSize(10, 10));

    f.tab.imageEditor().BDefaultImageApp->click();
    ASSERT_EQ(f.main.shell_.opened.size(), 1);
    EXPECT_EQ(f.main.shell_.opened[0], QUrl::fromLocalFile(f.path(QStringLiteral("pic.bmp"))));
    EXPECT_EQ(f.tab.record().imageFile, "pic.bmp");
    // The shell's failure is not reported.
    f.main.shell_.result = false;
    f.tab.imageEditor().BDefaultImageApp->click();
    EXPECT_TRUE(f.main.prompts_.shown.isEmpty());

    Type(f.tab.imageEditor().EImage, QStringLiteral("   "));
    EXPECT_FALSE(f.tab.imageEditor().BRefreshPic->isEnabled());
    EXPECT_FALSE(f.tab.imageEditor().BDefaultImageApp->isEnabled());
}

TEST(EditorPaneTab, FailedPictureLoadsKeepTheField) {
    Fixture f;
    const QString odd = f.path(QStringLiteral("scan.xyz"));
    QFile(odd).open(QIODevice::WriteOnly);
    const QString good = f.picture(QStringLiteral("good.bmp"), 30, 20);
    f.tab.imageEditor().EImage->setText(QStringLiteral("before.bmp"));
    f.changed.clear();

    f.main.prompts_.files = {odd};
    f.tab.imageEditor().BImage->click();
    EXPECT_EQ(f.main.prompts_.fileTitles.last(), QStringLiteral("Open Image File"));
    ASSERT_EQ(f.main.prompts_.shown.size(), 1);
    EXPECT_EQ(f.main.prompts_.shown[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(f.main.prompts_.shown[0].text,
              QStringLiteral("Unknown picture file extension (.xyz)"));
    EXPECT_EQ(f.main.prompts_.shown[0].icon, Prompts::Icon::Error);
    EXPECT_EQ(f.tab.imageEditor().EImage->text(), QStringLiteral("before.bmp"));
    EXPECT_EQ(f.changed.count(), 0);
    EXPECT_TRUE(f.tab.imageEditor().ScrollBox->isHidden());

    // Enter acts on the press, once: the release (as from closing the box) does nothing.
    f.tab.imageEditor().EImage->setText(odd);
    f.changed.clear();
    QTest::keyPress(f.tab.imageEditor().EImage, Qt::Key_Return);
    EXPECT_EQ(f.main.prompts_.shown.size(), 2);
    QTest::keyRelease(f.tab.imageEditor().EImage, Qt::Key_Return);
    EXPECT_EQ(f.main.prompts_.shown.size(), 2);
    EXPECT_EQ(f.changed.count(), 0);

    // A good choice fills the field, shows the preview and remembers the folder.
    f.main.prompts_.files = {good};
    f.tab.imageEditor().BImage->click();
    EXPECT_EQ(f.tab.imageEditor().EImage->text(), good);
    EXPECT_FALSE(f.tab.imageEditor().ScrollBox->isHidden());
    EXPECT_EQ(f.tab.imageEditor().ScrollBox->image().size(), QSize(30, 20));
    EXPECT_GE(f.changed.count(), 1);
    f.main.prompts_.files = {QString()};
    f.tab.imageEditor().EImage->setText(QStringLiteral("elsewhere.bmp"));
    f.tab.imageEditor().BImage->click();
    EXPECT_EQ(f.main.prompts_.fileFolders.last(), f.dir.path());
    // With an existing file in the field the dialog starts on that file.
    f.main.prompts_.files = {QString()};
    f.tab.imageEditor().EImage->setText(QStringLiteral(" good.bmp "));
    f.tab.imageEditor().BImage->click();
    EXPECT_EQ(f.main.prompts_.fileFolders.last(), good);
}

TEST(EditorPaneTab, AddressFieldButtonsAndNavigation) {
    Fixture f;
    f.main.web_.behaviour = FakeWebViewer::Behaviour::Manual;
    Type(f.tab.websiteEditor().EOther, QStringLiteral("http://one.example/"));
    EXPECT_TRUE(f.tab.websiteEditor().BRefresh->isEnabled());
    EXPECT_TRUE(f.tab.websiteEditor().BDefaultWebApp->isEnabled());
    Type(f.tab.websiteEditor().EOther, QString());
    EXPECT_FALSE(f.tab.websiteEditor().BRefresh->isEnabled());
    EXPECT_FALSE(f.tab.websiteEditor().BDefaultWebApp->isEnabled());
    Type(f.tab.websiteEditor().EOther, QStringLiteral("  "));
    EXPECT_FALSE(f.tab.websiteEditor().BRefresh->isEnabled());
    Type(f.tab.websiteEditor().EOther, QStringLiteral(" http://one.example/"));
    EXPECT_EQ(f.tab.websiteEditor().WB, nullptr);

    // Enter navigates with the text as typed, on the press only.
    QTest::keyPress(f.tab.websiteEditor().EOther, Qt::Key_Enter);
    QTest::keyRelease(f.tab.websiteEditor().EOther, Qt::Key_Enter);
    ASSERT_NE(f.viewer(), nullptr);
    EXPECT_EQ(f.viewer()->navigations, QStringList{QStringLiteral(" http://one.example/")});
    EXPECT_FALSE(f.tab.websiteEditor().WB->isHidden());
    EXPECT_FALSE(f.tab.websiteEditor().PB->isHidden());
    EXPECT_EQ(f.tab.websiteEditor().PB->value(), 100);
    Q_EMIT f.viewer()->progressChange(1, 8);
    EXPECT_EQ(f.tab.websiteEditor().PB->value(), 13);
    Q_EMIT f.viewer()->progressChange(9, 8); // beyond the maximum: ignored
    EXPECT_EQ(f.tab.websiteEditor().PB->value(), 13);

    f.changed.clear();
    f.viewer()->finishLoad(QStringLiteral("http://one.example/"));
    EXPECT_TRUE(f.tab.websiteEditor().PB->isHidden());
    EXPECT_EQ(f.tab.websiteEditor().EOther->text(), QStringLiteral("http://one.example/"));
    EXPECT_EQ(f.changed.count(), 1); // the blank went

    // A link inside the viewer: the field follows and the question is changed.
    f.viewer()->navigate(QStringLiteral("http://one.example/"));
    f.changed.clear();
    f.viewer()->finishLoad(QStringLiteral("http://two.example/"));
    EXPECT_EQ(f.tab.websiteEditor().EOther->text(), QStringLiteral("http://two.example/"));
    EXPECT_EQ(f.tab.websiteEditor().EOther->toolTip(), QStringLiteral("http://two.example/"));
    EXPECT_EQ(f.changed.count(), 1);
    EXPECT_TRUE(f.tab.websiteEditor().BBack->isEnabled());
    EXPECT_FALSE(f.tab.websiteEditor().BForward->isEnabled());
    f.tab.websiteEditor().BBack->click();
    EXPECT_EQ(f.tab.websiteEditor().EOther->text(), QStringLiteral("http://one.example/"));
    EXPECT_TRUE(f.tab.websiteEditor().BForward->isEnabled());
    EXPECT_FALSE(f.tab.websiteEditor().BBack->isEnabled());

    // A refused address is reported with the viewer's text.
    f.viewer()->refusal = QStringLiteral("The address is not valid.");
    f.tab.websiteEditor().BRefresh->click();
    ASSERT_EQ(f.main.prompts_.shown.size(), 1);
    EXPECT_EQ(f.main.prompts_.shown[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(f.main.prompts_.shown[0].text, QStringLiteral("The address is not valid."));
}

TEST(EditorPaneTab, LatePageOfAnEarlierQuestionWritesNothing) {
    Fixture f;
    f.main.web_.behaviour = FakeWebViewer::Behaviour::Manual;
    PaneRecord r = PaneRecord::newRecord(f.main.desktopColors());
    r.content = WebsiteContent;
    r.webAddress = "http://first.example/";
    f.tab.load(r);
    f.tab.websiteEditor().BRefresh->click();
    ASSERT_NE(f.viewer(), nullptr);
    EXPECT_TRUE(f.viewer()->busy());

    r.webAddress = "http://second.example/";
    f.tab.load(r);
    EXPECT_GE(f.viewer()->stops, 1);
    EXPECT_TRUE(f.tab.websiteEditor().WB->isHidden());
    EXPECT_TRUE(f.tab.websiteEditor().PB->isHidden());
    f.changed.clear();
    f.viewer()->finishLoad(QStringLiteral("http://first.example/late"));
    EXPECT_EQ(f.tab.websiteEditor().EOther->text(), QStringLiteral("http://second.example/"));
    EXPECT_EQ(f.changed.count(), 0);
    EXPECT_TRUE(f.tab.websiteEditor().PB->isHidden());

    // The same after the editor stopped the viewer while it stays shown.
    f.tab.websiteEditor().BRefresh->click();
    f.tab.stopViewer();
    f.viewer()->finishLoad(QStringLiteral("http://second.example/late"));
    EXPECT_EQ(f.tab.websiteEditor().EOther->text(), QStringLiteral("http://second.example/"));
}

TEST(EditorPaneTab, WebsiteBrowseBordersAndShellTarget) {
    Fixture f;
    f.main.web_.behaviour = FakeWebViewer::Behaviour::Manual;
    const QString page = f.path(QStringLiteral("page.html"));
    QFile(page).open(QIODevice::WriteOnly);
    f.main.prompts_.files = {page};
    f.tab.websiteEditor().BOther->click();
    EXPECT_EQ(f.main.prompts_.fileTitles.last(), QStringLiteral("Open File"));
    EXPECT_EQ(f.tab.websiteEditor().EOther->text(), page);
    EXPECT_GE(f.changed.count(), 1);
    ASSERT_NE(f.viewer(), nullptr);
    EXPECT_EQ(f.viewer()->navigations, QStringList{page});
    f.main.prompts_.files = {QString()};
    f.tab.textEditor().BText->click(); // import shares the website dialog's folder
    EXPECT_EQ(f.main.prompts_.fileFolders.last(), f.dir.path());

    // A border tick reloads a non-empty address.
    f.tab.websiteEditor().CBHeavyWB->click();
    EXPECT_EQ(f.viewer()->navigations.size(), 2);
    EXPECT_EQ(f.tab.websiteEditor().PWB->lineWidth(), 2);

    f.tab.websiteEditor().EOther->setText(QStringLiteral("  FILE:///tmp/a b.html "));
    f.tab.websiteEditor().BDefaultWebApp->click();
    ASSERT_EQ(f.main.shell_.opened.size(), 1);
    EXPECT_EQ(f.main.shell_.opened[0], QUrl::fromLocalFile(QStringLiteral("/tmp/a b.html")));
    f.tab.websiteEditor().EOther->setText(QStringLiteral("www.example.org/x"));
    f.tab.websiteEditor().BDefaultWebApp->click();
    ASSERT_EQ(f.main.shell_.opened.size(), 2);
    EXPECT_EQ(f.main.shell_.opened[1], QUrl(QStringLiteral("http://www.example.org/x")));
    // A file name relative to the program folder opens that file.
    f.tab.websiteEditor().EOther->setText(QStringLiteral("page.html"));
    f.tab.websiteEditor().BDefaultWebApp->click();
    ASSERT_EQ(f.main.shell_.opened.size(), 3);
    EXPECT_EQ(f.main.shell_.opened[2], QUrl::fromLocalFile(page));
    EXPECT_TRUE(f.main.prompts_.shown.isEmpty());
}

// The previews find a picture or page named without a folder where a session finds it:
// beside the library file, then in the program folder.
TEST(EditorPaneTab, PreviewsFindNamesBesideTheLibraryFileFirst) {
    Fixture f;
    f.main.web_.behaviour = FakeWebViewer::Behaviour::Manual;
    ASSERT_TRUE(QDir(f.dir.path()).mkpath(QStringLiteral("other")));
    f.main.libraryFolder_ = f.path(QStringLiteral("other"));
    f.picture(QStringLiteral("other/both.bmp"), 30, 10);
    f.picture(QStringLiteral("both.bmp"), 20, 20);
    f.picture(QStringLiteral("program.bmp"), 12, 12);
    Type(f.tab.imageEditor().EImage, QStringLiteral("both.bmp"));
    f.tab.imageEditor().BRefreshPic->click();
    EXPECT_EQ(f.tab.imageEditor().ScrollBox->image().size(), QSize(30, 10));
    Type(f.tab.imageEditor().EImage, QStringLiteral("program.bmp"));
    f.tab.imageEditor().BRefreshPic->click();
    EXPECT_EQ(f.tab.imageEditor().ScrollBox->image().size(), QSize(12, 12));
    f.tab.imageEditor().BDefaultImageApp->click();
    Type(f.tab.imageEditor().EImage, QStringLiteral("both.bmp"));
    f.tab.imageEditor().BDefaultImageApp->click();
    EXPECT_EQ(f.main.shell_.opened,
              (QList<QUrl>{QUrl::fromLocalFile(f.path(QStringLiteral("program.bmp"))),
                           QUrl::fromLocalFile(f.path(QStringLiteral("other/both.bmp")))}));

    QFile page(f.path(QStringLiteral("other/page.htm")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<p>beside</p>");
    page.close();
    Type(f.tab.websiteEditor().EOther, QStringLiteral("page.htm"));
    f.tab.websiteEditor().BRefresh->click();
    ASSERT_NE(f.viewer(), nullptr);
    EXPECT_EQ(f.viewer()->navigations, QStringList{f.path(QStringLiteral("other/page.htm"))});
    f.viewer()->finishLoad();
    // A name that is no file stays as written, for the viewer to take as a web address.
    Type(f.tab.websiteEditor().EOther, QStringLiteral("www.example.org"));
    f.tab.websiteEditor().BRefresh->click();
    EXPECT_EQ(f.viewer()->navigations.last(), QStringLiteral("www.example.org"));
}
