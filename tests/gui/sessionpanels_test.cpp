// The study page's session panels, the study container and the About box, against a fake
// main window.

#include "library/colors.h"
#include "library/librarytree.h"
#include "library/settingsstore.h"
#include "mainwindow/maincommands.h"
#include "panelparts.h"
#include "panels/faboutbox.h"
#include "stubmain.h"
#include "study/fflashselected.h"
#include "study/fimprintselected.h"
#include "study/freviewselected.h"
#include "study/fstudy.h"
#include "tests/support/fakeprompts.h"
#include "tests/support/fakeshellopen.h"
#include "tests/support/fakewebviewer.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <utility>
#include <vector>

using namespace brenvik;

namespace {

// The pictures come straight from the source tree.
QString ProgramFolderWithPictures() {
    // From the test data's folder, which the build names absolutely: __FILE__ is the path the
    // compiler was handed, relative to the build folder under some compiler caches.
    return QDir::cleanPath(QStringLiteral(BRENVIK_TESTDATA "/../../resources/programfolder"));
}

// A main window that records what the panels ask of it.
class FakeMain : public StubMain<> {
public:
    explicit FakeMain(QString folder = ProgramFolderWithPictures()) : StubMain(std::move(folder)) {}

    void showSession(Session s) override { sessionsShown.push_back(s); }
    void sessionLevelClick(Session s, int level) override { levelClicks.emplace_back(s, level); }
    void renameAtLevel(int level, const QString& name) override {
        renames.emplace_back(level, name);
    }
    void FormKeyUp(int key, Qt::KeyboardModifiers) override { keys.push_back(key); }

    std::vector<Session> sessionsShown;
    std::vector<std::pair<Session, int>> levelClicks;
    std::vector<std::pair<int, QString>> renames;
    std::vector<int> keys;
};

// The three panels in their container, as the main window wires them.
struct StudyPage {
    explicit StudyPage(FakeMain& main) : imprint(main), flash(main), review(main), study(main) {
        study.setPanels(&imprint, &flash, &review);
        study.resize(760, 600);
    }
    TFormImprintSelected imprint;
    TFormFlashSelected flash;
    TFormReviewSelected review;
    TFormStudy study;
};

void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    edit->del();
    QTest::keyClicks(edit, text);
}

LevelRowStates RowsUpTo(int deepest) {
    LevelRowStates states;
    for (int level = 1; level <= deepest; ++level)
        states[level] = {true, true, QStringLiteral("Object %1").arg(level)};
    return states;
}

} // namespace

TEST(SessionPanels, DefaultsAndTextsPerKind) {
    FakeMain main;
    StudyPage page(main);

    EXPECT_EQ(part<QLabel>(&page.imprint, "LDescription")->text(),
              "An imprint session sequentially visits each question and answer pair ten times.");
    EXPECT_EQ(part<QLabel>(&page.flash, "LDescription")->text(),
              "A flash session randomly visits each question and answer pair five times.");
    EXPECT_EQ(part<QLabel>(&page.review, "LDescription")->text(),
              "A review session visits each question and answer pair only once.");

    const SessionOptions imprint = page.imprint.options();
    EXPECT_TRUE(imprint.autoAnswer);
    EXPECT_EQ(imprint.pauseBeforeAnswer, "0.5");
    EXPECT_TRUE(imprint.autoNext);
    EXPECT_EQ(imprint.pauseBeforeNext, "0.5");
    EXPECT_TRUE(imprint.alternate);
    EXPECT_FALSE(imprint.loop);
    EXPECT_EQ(part<QLineEdit>(&page.flash, "EPauseAfterQ")->text(), "1.0");
    EXPECT_EQ(part<QLineEdit>(&page.flash, "EPauseAfterA")->text(), "0.5");
    EXPECT_EQ(part<QCheckBox>(&page.flash, "CBAlternate"), nullptr);
    EXPECT_EQ(part<QCheckBox>(&page.review, "CBAutoA"), nullptr);
    EXPECT_EQ(part<QLineEdit>(&page.review, "EPauseAfterQ"), nullptr);
    ASSERT_NE(part<QPushButton>(&page.review, "BAFont"), nullptr);
    EXPECT_EQ(part<QPushButton>(&page.review, "BAFont")->text(), "Answer Font...");
    EXPECT_EQ(part<QPushButton>(&page.review, "BAFont")->toolTip(), "Change font");

    EXPECT_EQ(part<QLabel>(&page.imprint, "LA")->text(), "second before showing the answer");
    EXPECT_EQ(part<QLabel>(&page.flash, "LA")->text(), "second before showing the answer"); // 1.0
    EXPECT_EQ(part<QLabel>(&page.flash, "LQ")->text(), "second before showing the next question");

    // Hints and captions of the level buttons and tabs.
    EXPECT_EQ(page.review.rows()->button(5)->toolTip(), "Review selected chapter");
    EXPECT_EQ(page.flash.rows()->button(2)->toolTip(), "Flash selected set");
    EXPECT_EQ(page.imprint.rows()->button(8)->toolTip(), "Imprint selected question");
    EXPECT_EQ(page.flash.tab(Session::Imprint)->text(), "     IMPRINT SELECTED...");
    EXPECT_EQ(page.flash.tab(Session::Review)->toolTip(), "Operation");
    EXPECT_TRUE(page.flash.tab(Session::Flash)->isOwn());
    EXPECT_FALSE(page.flash.tab(Session::Review)->isOwn());
    // Sessions never rename: the names are for reading.
    EXPECT_TRUE(page.flash.rows()->nameEdit(3)->isReadOnly());
}

TEST(SessionPanels, OptionLabelsToggleTheirBoxes) {
    FakeMain main;
    StudyPage page(main);
    page.study.show();
    page.study.showSession(Session::Imprint);
    TFormImprintSelected& p = page.imprint;

    const std::pair<QLabel*, QCheckBox*> pairs[] = {
        {part<QLabel>(&p, "Label5"), part<QCheckBox>(&p, "CBAutoA")},
        {part<QLabel>(&p, "Label2"), part<QCheckBox>(&p, "CBAutoQ")},
        {part<QLabel>(&p, "Label7"), part<QCheckBox>(&p, "CBAlternate")},
        {part<QLabel>(&p, "Label4"), part<QCheckBox>(&p, "CBLoopSession")}};
    for (auto [label, box] : pairs) {
        const bool before = box->isChecked();
        QTest::mouseClick(label, Qt::LeftButton);
        EXPECT_NE(box->isChecked(), before) << label->text().toStdString();
        QTest::mouseClick(label, Qt::LeftButton);
        EXPECT_EQ(box->isChecked(), before) << label->text().toStdString();
    }
    // A click on one label leaves the other boxes alone.
    const SessionOptions before = p.options();
    QTest::mouseClick(part<QLabel>(&p, "Label4"), Qt::LeftButton);
    SessionOptions after = p.options();
    EXPECT_TRUE(after.loop);
    after.loop = before.loop;
    EXPECT_EQ(after, before);

    EXPECT_EQ(part<QLabel>(&p, "Label5")->text(),
              "Automatically show the answer, after a question is fully spoken");
    EXPECT_EQ(part<QLabel>(&p, "Label2")->text(),
              "Automatically show the next question, after an answer is fully spoken");
    EXPECT_EQ(part<QLabel>(&p, "Label7")->text(), "Alternate between every two questions");
    EXPECT_EQ(part<QLabel>(&p, "Label4")->text(), "Loop sessions (repeat questions indefinitely)");
}

TEST(SessionPanels, PauseEditsParseAndLabelSingularOrPlural) {
    FakeMain main;
    StudyPage page(main);
    TFormFlashSelected& p = page.flash;

    struct Case {
        const char* typed;
        const char* shown;
        double seconds;
        const char* unit;
    } cases[] = {{"1", "1", 1.0, "second"},     {"0.5", "0.5", 0.5, "second"},
                 {"0", "0", 0.0, "seconds"},    {"1.5", "1.5", 1.5, "seconds"},
                 {"12", "12", 12.0, "seconds"}, {" 2 ", " 2 ", 2.0, "seconds"},
                 {"-2", "0", 0.0, "seconds"},   {"abc", "0", 0.0, "seconds"}};
    for (const Case& c : cases) {
        // setText runs the change handler as typing does.
        part<QLineEdit>(&p, "EPauseAfterQ")->setText(QString::fromLatin1(c.typed));
        EXPECT_EQ(part<QLineEdit>(&p, "EPauseAfterQ")->text(), c.shown) << c.typed;
        EXPECT_DOUBLE_EQ(p.pauseBeforeAnswer(), c.seconds) << c.typed;
        EXPECT_EQ(part<QLabel>(&p, "LA")->text(),
                  QString::fromLatin1(c.unit) + " before showing the answer")
            << c.typed;

        part<QLineEdit>(&p, "EPauseAfterA")->setText(QString::fromLatin1(c.typed));
        EXPECT_EQ(part<QLineEdit>(&p, "EPauseAfterA")->text(), c.shown) << c.typed;
        EXPECT_DOUBLE_EQ(p.pauseBeforeNext(), c.seconds) << c.typed;
        EXPECT_EQ(part<QLabel>(&p, "LQ")->text(),
                  QString::fromLatin1(c.unit) + " before showing the next question")
            << c.typed;
    }

    // Typing key by key: the minus waits for what follows, and "-3" as a whole is refused.
    page.study.show();
    page.study.showSession(Session::Flash);
    Type(part<QLineEdit>(&p, "EPauseAfterQ"), QStringLiteral("-3"));
    EXPECT_EQ(part<QLineEdit>(&p, "EPauseAfterQ")->text(), "0");
    EXPECT_DOUBLE_EQ(p.pauseBeforeAnswer(), 0.0);
    // The options carry the text as typed.
    part<QLineEdit>(&p, "EPauseAfterQ")->end(false);
    QTest::keyClicks(part<QLineEdit>(&p, "EPauseAfterQ"), QStringLiteral("3"));
    EXPECT_EQ(p.options().pauseBeforeAnswer, "03");
    EXPECT_DOUBLE_EQ(p.pauseBeforeAnswer(), 3.0);
}

TEST(SessionPanels, LevelButtonsStartTheirKindAtTheirLevel) {
    FakeMain main;
    StudyPage page(main);
    page.study.show();
    for (SessionPanel* panel :
         {static_cast<SessionPanel*>(&page.imprint), static_cast<SessionPanel*>(&page.flash),
          static_cast<SessionPanel*>(&page.review)}) {
        page.study.showSession(panel->kind());
        panel->setRows(RowsUpTo(5));
        EXPECT_EQ(panel->rows()->deepestEnabled(), 5);
        main.levelClicks.clear();
        QTest::mouseClick(panel->rows()->button(5), Qt::LeftButton);
        QTest::mouseClick(panel->rows()->button(1), Qt::LeftButton);
        QTest::mouseClick(panel->rows()->button(7), Qt::LeftButton); // disabled
        ASSERT_EQ(main.levelClicks.size(), 2u);
        EXPECT_EQ(main.levelClicks[0], std::make_pair(panel->kind(), 5));
        EXPECT_EQ(main.levelClicks[1], std::make_pair(panel->kind(), 1));
    }
    EXPECT_TRUE(main.renames.empty());
}

TEST(SessionPanels, TabsAndContainerSwitchPanels) {
    FakeMain main;
    StudyPage page(main);
    page.study.show();

    // Start: imprint visible; after showSession only the chosen panel shows and is enabled.
    EXPECT_EQ(page.study.visiblePanel(), &page.imprint);
    page.study.showSession(Session::Flash);
    EXPECT_FALSE(page.flash.view()->isHidden());
    EXPECT_TRUE(page.imprint.view()->isHidden());
    EXPECT_TRUE(page.review.view()->isHidden());
    EXPECT_TRUE(page.flash.view()->isEnabled());
    EXPECT_FALSE(page.review.view()->isEnabled());
    EXPECT_EQ(page.study.visiblePanel(), &page.flash);
    EXPECT_EQ(page.study.panel(Session::Review), &page.review);

    // The clickable tabs ask the main window; the own tab does nothing.
    QTest::mouseClick(page.flash.tab(Session::Review), Qt::LeftButton);
    QTest::mouseClick(page.flash.tab(Session::Flash), Qt::LeftButton);
    QTest::mouseClick(page.flash.tab(Session::Imprint), Qt::LeftButton);
    ASSERT_EQ(main.sessionsShown.size(), 2u);
    EXPECT_EQ(main.sessionsShown[0], Session::Review);
    EXPECT_EQ(main.sessionsShown[1], Session::Imprint);
}

TEST(SessionPanels, SettingsRoundTripThroughAnIniStore) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString ini = dir.filePath(QStringLiteral("brenvik.ini"));
    FakeMain main;

    {
        // Nothing stored: the start-up defaults.
        SettingsStore store(ini);
        StudyPage page(main);
        page.study.loadAnswerFont(store);
        page.study.loadSessionSettings(store);
        EXPECT_EQ(page.imprint.options(), SessionOptions::defaults(OptionSet::Imprint));
        EXPECT_EQ(page.flash.options(), SessionOptions::defaults(OptionSet::Flash));
        EXPECT_EQ(page.study.answerFont().pointSize(), 14);
        EXPECT_EQ(page.study.answerFont().family(), "Arial Rounded MT Bold");
        EXPECT_FALSE(page.study.answerFont().bold());
        EXPECT_EQ(page.study.answerColor(), 0u);

        part<QCheckBox>(&page.imprint, "CBAutoA")->setChecked(false);
        part<QLineEdit>(&page.imprint, "EPauseAfterQ")->setText(QStringLiteral("2.25"));
        part<QCheckBox>(&page.imprint, "CBAlternate")->setChecked(false);
        part<QCheckBox>(&page.imprint, "CBLoopSession")->setChecked(true);
        part<QCheckBox>(&page.flash, "CBAutoQ")->setChecked(false);
        part<QLineEdit>(&page.flash, "EPauseAfterA")->setText(QStringLiteral("3"));
        QFont f = page.study.answerFont();
        f.setPointSize(22);
        page.study.setAnswerFont(f);
        page.study.setAnswerColor(0x0000FF);
        page.study.saveSettings(store);
        EXPECT_EQ(store.flush().error, "");
    }
    {
        SettingsStore store(ini);
        EXPECT_EQ(store.ReadInteger("imprint", "autoa", 1), 0);
        EXPECT_EQ(store.ReadText("imprint", "pauseq", "0.5"), "2.25");
        EXPECT_EQ(store.ReadInteger("imprint", "alternate", 1), 0);
        EXPECT_EQ(store.ReadInteger("flash", "autoq", 1), 0);
        EXPECT_EQ(store.ReadText("flash", "pausea", "0.5"), "3");
        EXPECT_EQ(store.ReadInteger("afont", "size", 14), 22);

        StudyPage page(main);
        page.study.loadAnswerFont(store);
        page.study.loadSessionSettings(store);
        const SessionOptions imprint = page.imprint.options();
        EXPECT_FALSE(imprint.autoAnswer);
        EXPECT_EQ(imprint.pauseBeforeAnswer, "2.25");
        EXPECT_TRUE(imprint.autoNext);
        EXPECT_FALSE(imprint.alternate);
        EXPECT_TRUE(imprint.loop);
        EXPECT_DOUBLE_EQ(page.imprint.pauseBeforeAnswer(), 2.25);
        EXPECT_EQ(part<QLabel>(&page.imprint, "LA")->text(), "seconds before showing the answer");
        const SessionOptions flash = page.flash.options();
        EXPECT_TRUE(flash.autoAnswer);
        EXPECT_FALSE(flash.autoNext);
        EXPECT_EQ(flash.pauseBeforeNext, "3");
        EXPECT_EQ(part<QLabel>(&page.flash, "LQ")->text(),
                  "seconds before showing the next question");
        EXPECT_EQ(page.study.answerFont().pointSize(), 22);
        EXPECT_EQ(page.study.answerColor(), 0x0000FFu);
    }
}

TEST(SessionPanels, BadPauseStoredInSettingsIsRefusedAtLoad) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString ini = dir.filePath(QStringLiteral("brenvik.ini"));
    {
        SettingsStore store(ini);
        store.WriteText("flash", "pauseq", "soon");
        store.WriteText("flash", "pausea", "-1");
        ASSERT_EQ(store.flush().error, "");
    }
    FakeMain main;
    SettingsStore store(ini);
    StudyPage page(main);
    page.study.loadSessionSettings(store);
    EXPECT_EQ(part<QLineEdit>(&page.flash, "EPauseAfterQ")->text(), "0");
    EXPECT_EQ(part<QLineEdit>(&page.flash, "EPauseAfterA")->text(), "0");
    EXPECT_EQ(part<QLabel>(&page.flash, "LA")->text(), "seconds before showing the answer");
}

TEST(SessionPanels, AnswerFontGoesThroughThePromptsAndIsClamped) {
    FakeMain main;
    StudyPage page(main);
    page.study.show(); // laid out, so the click lands on the button
    page.study.showSession(Session::Review);

    QFont big(QStringLiteral("Liberation Serif"));
    big.setPointSize(96);
    QFont normal(QStringLiteral("Liberation Sans"));
    normal.setPointSize(18);
    main.prompts_.fonts = {big, normal};

    // The review panel's button goes through the container's ChooseAnswerFont.
    QTest::mouseClick(part<QPushButton>(&page.review, "BAFont"), Qt::LeftButton);
    EXPECT_EQ(page.study.answerFont().pointSize(), 72);
    EXPECT_EQ(page.study.answerFont().family(), "Liberation Serif");

    EXPECT_TRUE(page.study.ChooseAnswerFont());
    EXPECT_EQ(page.study.answerFont().pointSize(), 18);

    // Cancelled: nothing changes.
    EXPECT_FALSE(page.study.ChooseAnswerFont());
    EXPECT_EQ(page.study.answerFont().pointSize(), 18);
    EXPECT_EQ(page.study.answerFont().family(), "Liberation Sans");
}

TEST(SessionPanels, BackgroundPictureIsOptional) {
    FakeMain withPictures;
    TFormFlashSelected a(withPictures);
    EXPECT_TRUE(a.view()->hasPicture());

    QTemporaryDir empty;
    FakeMain without(empty.path());
    TFormFlashSelected b(without);
    EXPECT_FALSE(b.view()->hasPicture());
}

TEST(SessionPanels, KeyReleasesReachTheMainWindow) {
    FakeMain main;
    StudyPage page(main);
    page.study.show();
    page.study.showSession(Session::Flash);
    page.flash.view()->setFocus();
    QTest::keyRelease(page.flash.view(), Qt::Key_F9);
    ASSERT_FALSE(main.keys.empty());
    EXPECT_EQ(main.keys.back(), Qt::Key_F9);
}

TEST(AboutBox, CaptionsAndHeightsFollowTheRole) {
    TAboutBox box(ProgramFolderWithPictures(), QStringLiteral("mybox"), QStringLiteral("anna"));
    EXPECT_EQ(box.productName()->text(), "Brenvik 1.1");
    EXPECT_TRUE(box.hasPicture());
    EXPECT_TRUE(box.namesLabel()->text().contains("mybox"));
    EXPECT_TRUE(box.namesLabel()->text().contains("anna"));

    box.showSplash();
    EXPECT_EQ(box.windowTitle(), "Welcome");
    EXPECT_EQ(box.size(), QSize(366, 176));
    EXPECT_TRUE(box.isVisible());
    EXPECT_FALSE(box.okButton()->isVisible());
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    // The splash cannot be dismissed by the user.
    QTest::keyClick(&box, Qt::Key_Escape);
    EXPECT_TRUE(box.isVisible());

    box.endSplash();
    EXPECT_TRUE(box.isHidden());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(box.windowTitle(), "About Brenvik");
    EXPECT_EQ(box.size(), QSize(366, 213));
    EXPECT_EQ(box.role(), TAboutBox::Role::About);

    box.showFarewell();
    EXPECT_EQ(box.windowTitle(), "Bye");
    EXPECT_EQ(box.size(), QSize(366, 176));
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    box.hide();
}

TEST(AboutBox, AboutWindowClosesWithOkAndOffersTheAddress) {
    QTemporaryDir empty;
    TAboutBox box(empty.path(), QString(), QString());
    EXPECT_FALSE(box.hasPicture());
    EXPECT_EQ(box.namesLabel()->text(), "For Current user on Local computer");
    box.endSplash();

    QString opened;
    box.setAddressHandler([&](const QString& a) { opened = a; });
    Q_EMIT box.addressLabel()->linkActivated(TAboutBox::makerAddress());
    EXPECT_EQ(opened, TAboutBox::makerAddress());

    QTimer::singleShot(0, &box, [&box] {
        EXPECT_TRUE(box.okButton()->isVisible());
        QTest::mouseClick(box.okButton(), Qt::LeftButton);
    });
    EXPECT_EQ(box.execAbout(), QDialog::Accepted);
    EXPECT_EQ(box.comments(), TAboutBox::description());
    EXPECT_EQ(box.windowTitle(), "About Brenvik");
}
