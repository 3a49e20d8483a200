// Fitting the desktop: readable colours on any palette, icons from the SVG resources,
// names for screen readers on the controls that show no text.
#include "mainharness.h"
#include "mainwindow/libraryitemmodel.h"
#include "panels/faddnew.h"
#include "panels/levelpanel.h"
#include "panels/levelrows.h"
#include "platform/colorscheme.h"
#include "platform/svgicon.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

double Lightness(const QColor& c) {
    return 0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF();
}

} // namespace

TEST(DesktopFit, ReadableOnKeepsAContrastingColourAndElseTakesBlackOrWhite) {
    const QColor darkInk(20, 30, 50), lightInk(230, 230, 230);
    EXPECT_EQ(ReadableOn(QColor(240, 240, 240), darkInk), darkInk);
    EXPECT_EQ(ReadableOn(QColor(45, 45, 48), lightInk), lightInk);
    // The dark palette's button face under the light desktop's tab text: white instead.
    EXPECT_EQ(ReadableOn(QColor(51, 51, 55), darkInk), QColor(Qt::white));
    EXPECT_EQ(ReadableOn(QColor(250, 250, 250), lightInk), QColor(Qt::black));
    EXPECT_EQ(ReadableOn(QColor(128, 128, 128), QColor(120, 120, 120)), QColor(Qt::black));
    for (int grey = 0; grey <= 255; grey += 15) {
        const QColor bg(grey, grey, grey);
        EXPECT_GE(std::abs(Lightness(ReadableOn(bg, bg)) - Lightness(bg)), 0.4) << grey;
    }
    // The dark palette reads: text against its faces and bases, disabled text still apart.
    const QPalette dark = DarkPalette();
    for (auto [text, face] : {std::pair{QPalette::WindowText, QPalette::Window},
                              {QPalette::Text, QPalette::Base},
                              {QPalette::ButtonText, QPalette::Button},
                              {QPalette::HighlightedText, QPalette::Highlight}})
        EXPECT_GE(Lightness(dark.color(text)) - Lightness(dark.color(face)), 0.4) << text;
    EXPECT_GE(Lightness(dark.color(QPalette::Disabled, QPalette::Text)) -
                  Lightness(dark.color(QPalette::Base)),
              0.25);
}

TEST(DesktopFit, IconsComeFromTheSvgResources) {
    EXPECT_FALSE(ProgramIcon().isNull());
    EXPECT_FALSE(ProgramIcon().pixmap(256, 256).isNull());
    EXPECT_TRUE(SvgIcon(QStringLiteral("no-such-icon")).isNull());
    for (int kind : {0, 1, 2, 3, 4, 5, 6, 7, 8, 10}) {
        const QIcon icon = SvgIcon(QStringLiteral("kind-%1").arg(kind));
        ASSERT_FALSE(icon.isNull()) << kind;
        // The tree shows the same picture as the resource draws.
        EXPECT_EQ(kindIcon(kind).pixmap(32, 32).toImage(), icon.pixmap(32, 32).toImage()) << kind;
        const QImage image = icon.pixmap(48, 48).toImage();
        int painted = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                painted += qAlpha(image.pixel(x, y)) > 0;
        EXPECT_GT(painted, 48 * 48 / 8) << "kind " << kind << " draws almost nothing";
    }
}

TEST(DesktopFit, ControlsWithoutTextHaveAccessibleNames) {
    MainHarness h;
    ASSERT_TRUE(h.start());
    TFormMain& w = *h.window;
    int iconOnly = 0;
    for (QAbstractButton* b : w.findChildren<QAbstractButton*>()) {
        if (!b->text().trimmed().isEmpty() || b->icon().isNull()) continue;
        if (b->objectName().startsWith(QLatin1String("qt_"))) continue; // Qt's own, named by Qt
        ++iconOnly;
        EXPECT_FALSE(b->accessibleName().isEmpty())
            << b->metaObject()->className() << " " << b->toolTip().toStdString() << " in "
            << b->parentWidget()->metaObject()->className();
    }
    EXPECT_GE(iconOnly, 3); // undo, redo and save at least
    EXPECT_EQ(ui(w).BUndo->accessibleName(), QStringLiteral("Undo"));

    const QList<PanelTab*> tabs = w.findChildren<PanelTab*>();
    ASSERT_FALSE(tabs.isEmpty());
    for (PanelTab* tab : tabs) {
        EXPECT_EQ(tab->accessibleName(), tab->text().trimmed());
        EXPECT_FALSE(tab->toolTip().isEmpty()) << tab->text().toStdString();
    }
    LevelRows* rows = ui(w).FormAddNew->rows();
    EXPECT_EQ(rows->button(8)->accessibleName(), QStringLiteral("Question & Answer"));
    EXPECT_EQ(rows->nameEdit(2)->accessibleName(), QStringLiteral("Set of Books name"));
    EXPECT_EQ(rows->selectedLabel(5)->buddy(), rows->nameEdit(5));

    // The study window is told apart as a window of its own, with a name.
    QuestionRecord r = QuestionRecord::newRecord(h.colors);
    r.panes[0].textLines = {"A question"};
    r.answer = "An answer";
    w.previewQuestion(r, QStringLiteral("Named"), [] {});
    ASSERT_TRUE(WaitStudyShowing(w));
    QAccessibleInterface* study = QAccessible::queryAccessibleInterface(ui(w).FormStudyQuestion);
    ASSERT_NE(study, nullptr);
    EXPECT_EQ(study->role(), QAccessible::Window);
    EXPECT_EQ(study->text(QAccessible::Name), QStringLiteral("Study"));
    StudyKey(w, Qt::Key_Escape);
    ASSERT_TRUE(WaitStudyClosed(w));
}
