// A dark desktop and a keyboard-only user: every text reads on the palette it is drawn
// with, icons read on dark and light backgrounds, and Tab and the keys reach the controls
// of the main window without trapping the user anywhere.
#include "mainharness.h"
#include "mainwindow/libraryitemmodel.h"
#include "panels/faddnew.h"
#include "panels/levelpanel.h"
#include "platform/colorscheme.h"
#include "platform/desktopcolors.h"
#include "platform/svgicon.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

double Lightness(const QColor& c) {
    return 0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF();
}

double Contrast(const QColor& a, const QColor& b) {
    return std::abs(Lightness(a) - Lightness(b));
}

// The application's palette for one test, put back afterwards.
struct PaletteScope {
    explicit PaletteScope(const QPalette& p) : saved(QApplication::palette()) {
        QApplication::setPalette(p);
    }
    ~PaletteScope() { QApplication::setPalette(saved); }
    QPalette saved;
};

// Share of the pixels of `icon` drawn over `base` that stand out from it.
double StandsOut(const QIcon& icon, const QColor& base) {
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(base);
    QPainter p(&image);
    icon.paint(&p, image.rect());
    p.end();
    int apart = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            apart += Contrast(image.pixelColor(x, y), base) >= 0.25;
    return double(apart) / (image.width() * image.height());
}

QString Describe(QWidget* w) {
    if (!w) return QStringLiteral("(none)");
    return QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') + w->objectName();
}

QColor AverageOf(const QImage& image) {
    return image.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixelColor(0, 0);
}

} // namespace

TEST(DarkDesktop, BandsReadAsBandsUnderTheirCaptionsOnAnyButtonFace) {
    QList<QColor> faces{DarkPalette().color(QPalette::Button), QColor(240, 240, 240),
                        QColor(60, 40, 90), QColor(200, 210, 180)};
    for (int grey = 0; grey <= 255; grey += 15)
        faces.append(QColor(grey, grey, grey));
    const int rows = 28; // a level row's band is about this high
    for (const QColor& face : faces) {
        const QColor top = ShadeBandColor(0, rows, face);
        const QColor bottom = ShadeBandColor(rows - 1, rows, face);
        // Lit from the top, as on a light desktop; never white fading into black.
        EXPECT_GT(Lightness(top), Lightness(bottom)) << face.name().toStdString();
        EXPECT_LT(Contrast(top, bottom), 0.45) << face.name().toStdString();
        // The "Selected:" captions take one ink for the whole band: it reads on every row.
        const QColor ink = ReadableOn(ShadeBandColor(rows / 2, rows, face), QColor(42, 51, 66));
        for (int row = 0; row < rows; ++row)
            EXPECT_GE(Contrast(ink, ShadeBandColor(row, rows, face)), 0.35)
                << face.name().toStdString() << " row " << row;
    }
    // The dark palette's bands stay dark: no light stripe behind light captions.
    EXPECT_LT(Lightness(ShadeBandColor(0, rows, DarkPalette().color(QPalette::Button))), 0.45);
}

TEST(DarkDesktop, AccentColoursAreTintedOnlyWhereTheyWouldNotRead) {
    const QColor navy(0, 0, 160);
    EXPECT_EQ(ReadableTint(QColor(240, 240, 240), navy), navy);
    for (int grey = 0; grey <= 255; grey += 15) {
        const QColor bg(grey, grey, grey);
        const QColor tint = ReadableTint(bg, navy);
        EXPECT_GE(Contrast(tint, bg), 0.4) << grey;
        // Still blue, so the current tab keeps standing out from the others.
        EXPECT_GT(tint.blue(), tint.red()) << grey;
    }

    // A fixed ink that would vanish gets a backing of its own and keeps its colour.
    QLabel onDark, onLight;
    QPalette dark = DarkPalette(), light = DarkPalette();
    light.setColor(QPalette::Window, QColor(236, 236, 236));
    onDark.setPalette(dark);
    onLight.setPalette(light);
    SetFixedInk(&onDark, QColor(0, 0, 128));
    SetFixedInk(&onLight, QColor(0, 0, 128));
    EXPECT_EQ(onDark.palette().color(QPalette::WindowText), QColor(0, 0, 128));
    EXPECT_TRUE(onDark.autoFillBackground());
    EXPECT_GE(Contrast(onDark.palette().color(QPalette::Window), QColor(0, 0, 128)), 0.4);
    EXPECT_FALSE(onLight.autoFillBackground());
    EXPECT_EQ(onLight.palette().color(QPalette::Window), QColor(236, 236, 236));
}

TEST(DarkDesktop, EveryNodeIconComesFromTheResourcesAndReadsOnDarkAndLight) {
    const QColor darkInk = DarkPalette().color(QPalette::WindowText);
    const QColor darkBase = DarkPalette().color(QPalette::Base);
    for (int kind = 0; kind < NodeKindCount; ++kind) {
        const QIcon icon = SvgIcon(QStringLiteral("kind-%1").arg(kind));
        ASSERT_FALSE(icon.isNull()) << kind;
        EXPECT_EQ(kindIcon(kind).pixmap(32, 32).toImage(), icon.pixmap(32, 32).toImage()) << kind;
        EXPECT_GE(StandsOut(SvgIcon(QStringLiteral("kind-%1").arg(kind), darkInk), darkBase), 0.08)
            << "kind " << kind << " fades into a dark tree";
        EXPECT_GE(StandsOut(SvgIcon(QStringLiteral("kind-%1").arg(kind), Qt::black), Qt::white),
                  0.08)
            << "kind " << kind << " fades into a light tree";
    }
    EXPECT_FALSE(SvgIcon(QStringLiteral("gear")).isNull());
}

TEST(DarkDesktop, AddNewPanelReadsOnItsPictureAndItsButtonsFollowThePalette) {
    // A plain panel with no picture: its texts are seen against the palette's window.
    {
        PicturePanel bare;
        bare.setPalette(DarkPalette());
        EXPECT_EQ(bare.backdrop(), DarkPalette().color(QPalette::Window));
        EXPECT_GE(Contrast(bare.inkFor(QColor(40, 52, 74)), bare.backdrop()), 0.4);
    }

    PaletteScope dark(DarkPalette());
    MainHarness h;
    h.colors.setScheme(PaletteDesktopColors::schemeOf(DarkPalette()));
    // A light background picture, as the shipped "edit.bmp" is.
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(QColor(214, 226, 240));
    ASSERT_TRUE(picture.save(h.folder.filePath(QStringLiteral("edit.bmp")), "BMP"));
    ASSERT_TRUE(h.start());
    TFormMain& w = *h.window;
    auto* addNew = w.findChild<TFormAddNew*>();
    ASSERT_NE(addNew, nullptr);
    // The light picture lies under a veil of the dark window colour: the panel reads as a
    // dark one, and what it reports as the backdrop is what is drawn.
    const QColor backdrop = addNew->view()->backdrop();
    EXPECT_LT(Lightness(backdrop), 0.35);
    addNew->view()->resize(400, 300);
    QImage drawn(addNew->view()->size(), QImage::Format_RGB32);
    addNew->view()->render(&drawn, {}, {}, QWidget::DrawWindowBackground);
    EXPECT_LT(Contrast(AverageOf(drawn), backdrop), 0.05);
    EXPECT_GE(
        Contrast(part<QLabel>(addNew, "Label1")->palette().color(QPalette::WindowText), backdrop),
        0.4);
    EXPECT_GE(Contrast(part<QLabel>(addNew, "LDescription")->palette().color(QPalette::WindowText),
                       backdrop),
              0.4);

    // The wizard button and the level buttons are dark faces with light text here.
    w.findChild<QAction*>(QStringLiteral("Edit1"))->trigger();
    w.selectNode(h.find("Alabama"));
    ASSERT_TRUE(part<QPushButton>(addNew, "BGen")->isEnabled());
    part<QPushButton>(addNew, "BGen")->resize(part<QPushButton>(addNew, "BGen")->sizeHint());
    EXPECT_LT(Lightness(AverageOf(part<QPushButton>(addNew, "BGen")->grab().toImage())), 0.45);
    QAbstractButton* level = addNew->rows()->button(3);
    level->resize(level->sizeHint());
    EXPECT_LT(Lightness(AverageOf(level->grab().toImage())), 0.45);
    // The "Selected:" fields are dark too, their names light on them.
    QLineEdit* name = addNew->rows()->nameEdit(3);
    ASSERT_FALSE(name->text().isEmpty());
    const QImage field = name->grab().toImage();
    EXPECT_LT(Lightness(AverageOf(field)), 0.45);
    EXPECT_GE(
        Contrast(name->palette().color(QPalette::Text), name->palette().color(QPalette::Base)),
        0.5);
}

TEST(KeyboardOnly, TabGoesRoundTheWindowAndThroughTheEditorsAndF9AndEscapeStudy) {
    MainHarness h;
    ASSERT_TRUE(h.start());
    TFormMain& w = *h.window;
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto* tree = w.findChild<QTreeView*>(QStringLiteral("TVObjs"));
    ASSERT_NE(tree, nullptr);
    // The window opens with the keyboard in the tree, not on a check box of the tool strip.
    EXPECT_EQ(QApplication::focusWidget(), tree)
        << Describe(QApplication::focusWidget()).toStdString();

    w.findChild<QAction*>(QStringLiteral("Edit1"))->trigger();
    w.selectNode(h.find("Alabama"));
    tree->setFocus();
    auto* addNew = w.findChild<TFormAddNew*>();
    const auto tabRound = [&](Qt::KeyboardModifiers modifiers) {
        QList<QWidget*> seen;
        for (int i = 0; i < 60; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, modifiers);
            if (QApplication::focusWidget() == tree) break;
            seen.append(QApplication::focusWidget());
        }
        return seen;
    };
    const QList<QWidget*> forward = tabRound(Qt::NoModifier);
    ASSERT_EQ(QApplication::focusWidget(), tree) << "Tab never came back to the tree";
    QList<QWidget*> expected{w.findChild<QCheckBox*>(QStringLiteral("CBAutoSave")),
                             w.findChild<QCheckBox*>(QStringLiteral("CBDisaVoice")),
                             w.findChild<QComboBox*>(QStringLiteral("CBModes")),
                             part<QCheckBox>(addNew, "CBEditItem"),
                             part<QPushButton>(addNew, "BGen")};
    for (int level = 1; level <= MaxObjectLevel; ++level)
        expected << addNew->rows()->button(level) << addNew->rows()->nameEdit(level);
    for (QWidget* control : expected)
        EXPECT_TRUE(forward.contains(control)) << Describe(control).toStdString();
    // Shift+Tab walks the same round backwards.
    const QList<QWidget*> backward = tabRound(Qt::ShiftModifier);
    EXPECT_EQ(QList<QWidget*>(backward.rbegin(), backward.rend()), forward);

    // Opening the question editor by its level key; Tab leaves every text box and comes to
    // the button that closes the editor, and Space on it closes it.
    w.findChild<QAction*>(QStringLiteral("Edit2"))->trigger();
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Q, Qt::AltModifier);
    ASSERT_TRUE(w.editorOpen());
    QPushButton* close = nullptr;
    bool leftATextBox = false;
    for (int i = 0; i < 80 && !close; ++i) {
        QWidget* before = QApplication::focusWidget();
        QTest::keyClick(before, Qt::Key_Tab);
        if (qobject_cast<QPlainTextEdit*>(before)) {
            EXPECT_NE(QApplication::focusWidget(), before) << "Tab is caught in a text box";
            leftATextBox = true;
        }
        auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget());
        if (button && leftATextBox &&
            (button->text().trimmed() == QLatin1String("Close") ||
             button->text().trimmed() == QLatin1String("Cancel")))
            close = button;
    }
    ASSERT_NE(close, nullptr);
    QTest::keyClick(close, Qt::Key_Space);
    ASSERT_TRUE(waitUntil([&] { return !w.editorOpen(); }));

    // F9 from the tree starts a session; Escape ends it and the main window is back.
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_F9);
    QWidget* study = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1String("FormStudyQuestion") && top->isVisible())
                study = top;
        return study != nullptr;
    }));
    // Escape counts once the question is on show; until then the window swallows keys.
    ASSERT_TRUE(waitUntil([&] {
        QTest::keyClick(study, Qt::Key_Escape);
        return !w.studyBusy();
    }));
    EXPECT_FALSE(study->isVisible());
}
