// The main window on the screen it is given: the minimum size gives way to a small (or
// scaled) screen and the pages scroll; the panel tabs are reached by keyboard and read out
// as tabs; every control has a name for assistive technology.
//
// The suite runs on a 1280 x 1024 screen; ctest runs the EveryScreen tests once more on
// 1366 x 768 at a scale factor of 2 (683 x 384 logical pixels).
#include "mainharness.h"
#include "panels/levelpanel.h"
#include "panels/levelrows.h"

#include <QAccessible>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

const QSize kDesigned(1024, 620);

void settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// Whether `w` can be scrolled wholly into the viewport: it lies inside the scrolled pages
// and is no larger than the part of them on screen.
bool reachable(QScrollArea& area, QWidget& w) {
    QWidget* pages = area.widget();
    const QRect r(w.mapTo(pages, QPoint(0, 0)), w.size());
    const QSize view = area.viewport()->size();
    return pages->rect().contains(r) && r.width() <= view.width() && r.height() <= view.height() &&
           area.horizontalScrollBar()->maximum() >= pages->width() - view.width() &&
           area.verticalScrollBar()->maximum() >= pages->height() - view.height();
}

// The tool strip's controls of the mode shown, none covering another, all on the strip.
void expectStripClear(TFormMain& w) {
    const MainParts p = ui(w);
    QList<QWidget*> shown;
    for (QWidget* c :
         std::initializer_list<QWidget*>{p.BUndo, p.BRedo, p.BSave, p.CBAutoSave, p.LSaveOnStudy,
                                         p.LDisaVoice, p.CBDisaVoice, p.CBModes})
        if (c->isVisible()) shown << c;
    for (int i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(p.PTools->rect().contains(shown[i]->geometry()))
            << shown[i]->objectName().toStdString();
        for (int j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
                << shown[i]->objectName().toStdString() << " covers "
                << shown[j]->objectName().toStdString();
    }
}

QString accessibleName(QObject* o) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(o);
    return a ? a->text(QAccessible::Name).trimmed() : QString();
}

} // namespace

TEST(EveryScreen, TheMinimumHoldsWhereTheScreenHoldsItElseGivesWayAndThePagesScroll) {
    MainHarness h;
    ASSERT_TRUE(h.start());
    TFormMain& w = *h.window;
    const QSize available = w.screen()->availableGeometry().size();
    auto* scroll = w.findChild<QScrollArea*>(QStringLiteral("ClientScroll"));
    ASSERT_NE(scroll, nullptr);
    LevelPanel* panels[] = {ui(w).FormAddNew, ui(w).FormFlashSelected};

    if (available.width() >= kDesigned.width() && available.height() >= kDesigned.height()) {
        EXPECT_EQ(w.minimumSize(), kDesigned);
        // At the designed minimum everything fits: no scroll bar anywhere.
        w.resize(kDesigned);
        settle();
        for (bool edit : {true, false}) {
            w.findChild<QAction*>(QLatin1String(edit ? "Edit1" : "Study1"))->trigger();
            settle();
            EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0) << edit;
            EXPECT_EQ(scroll->verticalScrollBar()->maximum(), 0) << edit;
            expectStripClear(w);
        }
        return;
    }

    // A screen too small for the minimum: the window fits it, and every level button and
    // its "Selected:" field can still be scrolled into view.
    EXPECT_EQ(w.minimumSize(), kDesigned.boundedTo(available));
    w.resize(w.minimumSize());
    settle();
    EXPECT_LE(w.width(), available.width());
    EXPECT_LE(w.height(), available.height());
    bool scrolled = false;
    for (bool edit : {true, false}) {
        w.findChild<QAction*>(QLatin1String(edit ? "Edit1" : "Study1"))->trigger();
        settle();
        LevelPanel* panel = panels[edit ? 0 : 1];
        ASSERT_TRUE(panel->view()->isVisible()) << edit;
        expectStripClear(w);
        scrolled = scrolled || scroll->horizontalScrollBar()->maximum() > 0 ||
                   scroll->verticalScrollBar()->maximum() > 0;
        for (int level = 1; level <= 8; ++level) {
            QWidget* button = panel->rows()->button(level);
            EXPECT_TRUE(reachable(*scroll, *button)) << "level " << level << " edit " << edit;
            if (QLineEdit* name = panel->rows()->nameEdit(level); name && name->isVisible()) {
                EXPECT_TRUE(reachable(*scroll, *name))
                    << "level " << level << " " << name->width() << "x" << name->height() << " in "
                    << scroll->viewport()->width() << "x" << scroll->viewport()->height();
            }
        }
    }
    EXPECT_TRUE(scrolled);
}

TEST(EveryScreen, PanelTabsAreKeyboardTabsThatAssistiveTechnologyCanPress) {
    MainHarness h;
    ASSERT_TRUE(h.start());
    TFormMain& w = *h.window;
    w.findChild<QAction*>(QStringLiteral("Edit1"))->trigger();
    w.selectNode(h.find("Alabama"));
    TFormAddNew* addNew = ui(w).FormAddNew;
    ASSERT_TRUE(addNew->view()->isVisible());

    PanelTab* own = nullptr;
    PanelTab* other = nullptr;
    for (PanelTab* tab : addNew->tabs()) {
        if (tab->isOwn())
            own = tab;
        else if (!other)
            other = tab;
    }
    ASSERT_NE(own, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(own->focusPolicy(), Qt::NoFocus); // the shown panel's tab does nothing
    EXPECT_EQ(other->focusPolicy(), Qt::TabFocus);

    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(other);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::PageTab);
    EXPECT_EQ(a->text(QAccessible::Name), other->text().trimmed());
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(own)->state().selected);
    EXPECT_FALSE(a->state().selected);

    // Space on a focused tab opens its panel, as a click does; so does the press action.
    const QString target = other->text().trimmed();
    other->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(other->hasFocus());
    QTest::keyClick(other, Qt::Key_Space);
    settle();
    EXPECT_FALSE(addNew->view()->isVisible()) << target.toStdString();
    LevelPanel* shown = nullptr;
    for (LevelPanel* p : w.findChildren<LevelPanel*>())
        if (p->view()->isVisible()) shown = p;
    ASSERT_NE(shown, nullptr);
    PanelTab* shownOwn = nullptr;
    PanelTab* back = nullptr;
    for (PanelTab* tab : shown->tabs()) {
        if (tab->isOwn()) shownOwn = tab;
        if (tab->text().trimmed() == own->text().trimmed()) back = tab;
    }
    ASSERT_NE(shownOwn, nullptr);
    EXPECT_EQ(shownOwn->text().trimmed(), target);
    ASSERT_NE(back, nullptr);
    QAccessibleInterface* backA = QAccessible::queryAccessibleInterface(back);
    ASSERT_NE(backA->actionInterface(), nullptr);
    backA->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    settle();
    EXPECT_TRUE(addNew->view()->isVisible());
}

TEST(EveryScreen, EveryControlHasAnAccessibleName) {
    MainHarness h;
    ASSERT_TRUE(h.start());
    TFormMain& w = *h.window;
    w.selectNode(h.find("Alabama"));
    QStringList nameless;
    for (bool edit : {true, false}) {
        w.findChild<QAction*>(QLatin1String(edit ? "Edit1" : "Study1"))->trigger();
        settle();
        for (QWidget* c : w.findChildren<QWidget*>()) {
            if (!c->isVisible() || c->focusPolicy() == Qt::NoFocus) continue;
            // Scroll bars and the bare scroll area around the pages are no controls.
            if (qobject_cast<QScrollBar*>(c) || qobject_cast<QScrollArea*>(c)) continue;
            if (accessibleName(c).isEmpty())
                nameless << QStringLiteral("%1 %2").arg(QLatin1String(c->metaObject()->className()),
                                                        c->objectName());
        }
    }
    nameless.removeDuplicates();
    EXPECT_TRUE(nameless.isEmpty()) << nameless.join(QStringLiteral(", ")).toStdString();
    EXPECT_FALSE(accessibleName(ui(w).TVObjs).isEmpty());
}
