// The small platform services: pictures, program folder, colours, prompts, shell open.
#include "platform/desktopcolors.h"
#include "platform/picture.h"
#include "platform/programfolder.h"
#include "platform/systemnames.h"
#include "testhelpers.h"
#include "tests/support/fakeprompts.h"
#include "tests/support/fakeshellopen.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

QImage testPattern() {
    QImage img(64, 48, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.fillRect(0, 0, 32, 48, QColor(200, 30, 30));  // red left half
    p.fillRect(32, 0, 32, 48, QColor(20, 40, 210)); // blue right half
    return img;
}

} // namespace

TEST(LoadPicture, DecodesJpegAndReportsDamageWithoutCrashing) {
    QTemporaryDir dir;
    const QString jpg = dir.filePath("pattern.jpg");
    ASSERT_TRUE(testPattern().save(jpg, "JPG", 95));

    const PictureResult good = LoadPicture(jpg);
    ASSERT_TRUE(good.ok()) << qPrintable(ErrorText(good));
    EXPECT_TRUE(ErrorText(good).isEmpty());
    EXPECT_EQ(good.value().size(), QSize(64, 48));
    const QColor left = good.value().pixelColor(8, 24), right = good.value().pixelColor(56, 24);
    EXPECT_NEAR(left.red(), 200, 12);
    EXPECT_NEAR(left.blue(), 30, 12);
    EXPECT_NEAR(right.blue(), 210, 12);
    EXPECT_NEAR(right.red(), 20, 12);

    // The name decides the decoder: JPEG content under a JPEG name in capitals is decoded by
    // libjpeg; under a bitmap's name it is a damaged bitmap.
    const QString capitals = dir.filePath("PATTERN.JPG");
    ASSERT_TRUE(QFile::copy(jpg, capitals));
    EXPECT_TRUE(LoadPicture(capitals).ok());
    const QString misnamed = dir.filePath("edit.bmp");
    ASSERT_TRUE(QFile::copy(jpg, misnamed));
    EXPECT_FALSE(LoadPicture(misnamed).ok());

    // Cut inside the compressed data (a detailed picture keeps the headers a small part):
    // libjpeg only warns and pads with grey; we report the picture as damaged.
    QImage detailed(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < detailed.height(); ++y)
        for (int x = 0; x < detailed.width(); ++x)
            detailed.setPixel(x, y, qRgb((x * 7 + y * 3) % 256, (x * y) % 256, (x ^ y) % 256));
    const QString whole = dir.filePath("detailed.jpg");
    ASSERT_TRUE(detailed.save(whole, "JPG", 90));
    ASSERT_TRUE(LoadPicture(whole).ok());
    const QByteArray detailedData = readFile(whole);
    ASSERT_GT(detailedData.size(), 8000);
    const QString truncated = dir.filePath("truncated.jpg");
    ASSERT_TRUE(writeFile(truncated, detailedData.left(detailedData.size() * 7 / 10)));
    const PictureResult cut = LoadPicture(truncated);
    EXPECT_FALSE(cut.ok());
    EXPECT_TRUE(ErrorText(cut).contains("truncated.jpg")) << qPrintable(ErrorText(cut));
    EXPECT_TRUE(ErrorText(cut).contains("Premature end")) << qPrintable(ErrorText(cut));

    const QByteArray data = readFile(jpg);

    // Only the start marker: libjpeg raises a fatal error, which must not exit().
    const QString header = dir.filePath("header.jpg");
    ASSERT_TRUE(writeFile(header, data.left(40)));
    const PictureResult bad = LoadPicture(header);
    EXPECT_FALSE(bad.ok());
    EXPECT_FALSE(ErrorText(bad).isEmpty());

    QByteArray garbage = data;
    for (int i = 200; i < garbage.size(); i += 7)
        garbage[i] = char(0xFF);
    EXPECT_NO_FATAL_FAILURE(DecodeJpeg(garbage, "garbage"));

    const PictureResult missing = LoadPicture(dir.filePath("study.bmp"));
    EXPECT_FALSE(missing.ok());
    EXPECT_TRUE(ErrorText(missing).contains("does not exist")) << qPrintable(ErrorText(missing));
}

TEST(LoadPicture, OtherFormatsGoThroughQt) {
    QTemporaryDir dir;
    const QString bmp = dir.filePath("study.bmp");
    ASSERT_TRUE(testPattern().save(bmp, "BMP"));
    const PictureResult r = LoadPicture(bmp);
    ASSERT_TRUE(r.ok()) << qPrintable(ErrorText(r));
    EXPECT_EQ(r.value().pixelColor(8, 8), QColor(200, 30, 30));

    const QString junk = dir.filePath("junk.bmp");
    ASSERT_TRUE(writeFile(junk, "not a picture at all"));
    const PictureResult j = LoadPicture(junk);
    EXPECT_FALSE(j.ok());
    EXPECT_FALSE(ErrorText(j).isEmpty());
}

TEST(ProgramFolder, PrefersWritableExecutableFolderElseSeedsUserFolder) {
    QTemporaryDir root;
    const QString exe = root.filePath("bin"), installed = root.filePath("share/brenvik"),
                  user = root.filePath("home/.local/share/Brenvik");
    ASSERT_TRUE(QDir().mkpath(exe) && QDir().mkpath(installed));
    ASSERT_TRUE(writeFile(installed + "/ReadMe.txt", "read me"));
    ASSERT_TRUE(writeFile(installed + "/Brenvik.htm", "<html></html>"));
    ASSERT_TRUE(writeFile(installed + "/edit.bmp", "BM-edit"));
    ASSERT_TRUE(writeFile(installed + "/study.bmp", "BM-study"));
    ASSERT_TRUE(writeFile(installed + "/notes.txt", "not seeded"));

    ProgramFolder::Result r = ProgramFolder::choose(exe, user, installed);
    EXPECT_EQ(r.path, QDir::cleanPath(exe));
    EXPECT_FALSE(r.fallback);
    EXPECT_TRUE(QDir(exe).entryList(QDir::Files | QDir::Hidden).isEmpty()) << "probe left behind";

    // An executable folder that cannot take a file (root ignores permission bits, so use a
    // path below a plain file): the user's folder is created and seeded.
    const QString blocked = root.filePath("plainfile");
    ASSERT_TRUE(writeFile(blocked, "x"));
    EXPECT_FALSE(ProgramFolder::isWritable(blocked + "/bin"));
    ASSERT_TRUE(writeFile(installed + "/../placeholder", ""));
    QDir().mkpath(user);
    ASSERT_TRUE(writeFile(user + "/ReadMe.txt", "the user's own")); // kept as it is
    r = ProgramFolder::choose(blocked + "/bin", user, installed);
    EXPECT_EQ(r.path, QDir::cleanPath(user));
    EXPECT_TRUE(r.fallback);
    EXPECT_TRUE(r.error.isEmpty()) << qPrintable(r.error);
    EXPECT_EQ(readFile(user + "/ReadMe.txt"), "the user's own");
    EXPECT_EQ(readFile(user + "/Brenvik.htm"), "<html></html>");
    EXPECT_EQ(readFile(user + "/edit.bmp"), "BM-edit");
    EXPECT_EQ(readFile(user + "/study.bmp"), "BM-study");
    EXPECT_FALSE(QFile::exists(user + "/notes.txt"));

    // A user folder that does not exist yet is created.
    const QString fresh = root.filePath("fresh/Brenvik");
    r = ProgramFolder::choose(blocked + "/bin", fresh, installed);
    EXPECT_EQ(r.path, QDir::cleanPath(fresh));
    EXPECT_TRUE(QFile::exists(fresh + "/edit.bmp"));

    // Neither writable: no folder, and a reason.
    r = ProgramFolder::choose(blocked + "/bin", blocked + "/Brenvik", installed);
    EXPECT_TRUE(r.path.isEmpty());
    EXPECT_FALSE(r.error.isEmpty());
}

TEST(DesktopColors, ConvertsBgrValuesAndMapsPaletteRoles) {
    EXPECT_EQ(toQColor(0x00332211), QColor(0x11, 0x22, 0x33));
    EXPECT_EQ(fromQColor(QColor(0x11, 0x22, 0x33)), 0x00332211u);
    EXPECT_EQ(fromQColor(QColor::fromHsv(0, 255, 255)), 0x000000FFu); // pure red
    for (ColorValue v : {0x0u, 0xFFFFFFu, 0x00C8D0D4u, 0x00010203u})
        EXPECT_EQ(fromQColor(toQColor(v)), v);

    QPalette p;
    p.setColor(QPalette::Button, QColor(1, 2, 3));
    p.setColor(QPalette::ButtonText, QColor(4, 5, 6));
    p.setColor(QPalette::Base, QColor(7, 8, 9));
    p.setColor(QPalette::Text, QColor(10, 11, 12));
    p.setColor(QPalette::Highlight, QColor(13, 14, 15));
    p.setColor(QPalette::Window, QColor(16, 17, 18));
    p.setColor(QPalette::Light, QColor(19, 20, 21));
    p.setColor(QPalette::ToolTipBase, QColor(22, 23, 24));
    p.setColor(QPalette::Mid, QColor(25, 26, 27));
    const DesktopColorScheme s = PaletteDesktopColors(p).scheme();
    EXPECT_EQ(s.buttonFace, 0x030201u);
    EXPECT_EQ(s.buttonText, 0x060504u);
    EXPECT_EQ(s.window, 0x090807u);
    EXPECT_EQ(s.windowText, 0x0C0B0Au);
    EXPECT_EQ(s.activeCaption, 0x0F0E0Du);
    EXPECT_EQ(s.highlight, 0x0F0E0Du);
    EXPECT_EQ(s.desktop, 0x121110u);
    EXPECT_EQ(s.buttonHighlight, 0x151413u);
    EXPECT_EQ(s.tooltip, 0x181716u);
    EXPECT_EQ(s.scrollBar, 0x1B1A19u);
    // The colour numbers of the library resolve through the palette.
    EXPECT_EQ(NumberToColor(-1, PaletteDesktopColors(p)), 0x030201u);
    EXPECT_EQ(ColorToNumber(0x0C0B0A, PaletteDesktopColors(p)), -4);
}

TEST(Prompts, FilterConversion) {
    EXPECT_EQ(ToQtFilter("Text files (*.txt)|*.txt|All files (*.*)|*.*"),
              "Text files (*.txt);;All files (*.*)");
    EXPECT_EQ(ToQtFilter("Pictures|*.bmp;*.jpg|Web pages|*.htm;*.html"),
              "Pictures (*.bmp *.jpg);;Web pages (*.htm *.html)");
    EXPECT_EQ(ToQtFilter("Images (*.png *.jpg);;All (*)"), "Images (*.png *.jpg);;All (*)");
    EXPECT_EQ(ToQtFilter("HTML files (*.htm;*.html)|*.htm;*.html|Text files (*.txt)|*.txt"),
              "HTML files (*.htm *.html);;Text files (*.txt)");
    // The picture filter converts into patterns Qt can match.
    const QString pictures = ToQtFilter(PictureDialogFilter());
    EXPECT_TRUE(pictures.startsWith("All pictures (*.jpg *.jpeg *.jpe *.jfif *.bmp"))
        << qPrintable(pictures);
    EXPECT_FALSE(pictures.contains(';' + QString("*"))) << qPrintable(pictures);
    EXPECT_EQ(ToQtFilter(""), "");
}

TEST(Prompts, FakeRecordsBoxesAndAnswersFromQueues) {
    FakePrompts p;
    EXPECT_EQ(p.message(nullptr, "Confirm", "Delete?", Prompts::Icon::Question,
                        Prompts::Yes | Prompts::No, 0),
              Prompts::Yes);
    EXPECT_EQ(p.message(nullptr, "Error", "Bad.", Prompts::Icon::Error, Prompts::Ok, 0),
              Prompts::Ok);
    p.answers = {Prompts::No};
    EXPECT_EQ(p.message(nullptr, "Confirm", "Again?", Prompts::Icon::Question,
                        Prompts::Yes | Prompts::No, 0),
              Prompts::No);
    ASSERT_EQ(p.shown.size(), 3);
    EXPECT_EQ(p.shown[1].caption, "Error");
    EXPECT_EQ(p.shown[1].icon, Prompts::Icon::Error);
    EXPECT_EQ(p.shown[2].buttons, Prompts::Yes | Prompts::No);

    p.files = {"/tmp/a.txt"};
    EXPECT_EQ(p.openFile(nullptr, "Open", "/tmp", "*.txt"), "/tmp/a.txt");
    EXPECT_TRUE(p.saveFile(nullptr, "Save", "/tmp", "*.txt", "txt").isEmpty()); // cancelled
    EXPECT_EQ(p.fileTitles, (QStringList{"Open", "Save"}));
    QFont f;
    QColor fc;
    EXPECT_FALSE(p.chooseFontAndColor(nullptr, "Font", f, fc));
    EXPECT_EQ(p.fontTitles, (QStringList{"Font"}));
    p.colors = {Qt::red};
    QColor c = Qt::black;
    EXPECT_TRUE(p.chooseColor(nullptr, c, {Qt::green}));
    EXPECT_EQ(c, QColor(Qt::red));
    EXPECT_EQ(p.lastCustomColors, (QList<QColor>{Qt::green}));
}

TEST(Prompts, DialogMessageBoxShowsCaptionIconAndReturnsPressedButton) {
    DialogPrompts prompts;
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttonCount = 0;
    QString defaultText;
    // Answer the modal box from inside its own loop: press "No".
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttonCount = int(box->buttons().size());
        if (box->defaultButton()) defaultText = box->defaultButton()->text();
        box->button(QMessageBox::No)->click();
    });
    const int answer =
        prompts.message(nullptr, "Confirm", "Delete the chapter?", Prompts::Icon::Question,
                        Prompts::Yes | Prompts::No, Prompts::No);
    EXPECT_EQ(answer, Prompts::No);
    EXPECT_EQ(caption, "Confirm");
    EXPECT_EQ(text, "Delete the chapter?");
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(buttonCount, 2);
    EXPECT_TRUE(defaultText.contains("No")) << qPrintable(defaultText);
}

// The font dialog as the program opens it, answered from inside its own loop.
struct FontDialogRun {
    // Runs `answer` on the open dialog, then reports what it showed.
    bool run(QFont& font, QColor& color, std::function<void(QDialog*, QFontDialog*)> answer) {
        QTimer::singleShot(0, [&, answer] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            title = dialog->windowTitle();
            auto* picker = dialog->findChild<QFontDialog*>();
            if (!picker) return dialog->reject();
            shown = picker->currentFont();
            for (QLabel* label : dialog->findChildren<QLabel*>())
                if (!label->isHidden() && label->text().contains(QStringLiteral("installed")))
                    note = label->text();
            answer(dialog, picker);
            // Whatever the answer, the dialog must be gone; close it so the test ends.
            QTimer::singleShot(200, [guard = QPointer<QDialog>(dialog), this] {
                if (guard && guard->isVisible()) {
                    leftOpen = true;
                    guard->reject();
                }
            });
        });
        return prompts.chooseFontAndColor(nullptr, QStringLiteral("Answer Font"), font, color);
    }
    static void ok(QDialog* dialog) {
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    }

    DialogPrompts prompts;
    QString title, note;
    QFont shown;
    bool leftOpen = false;
};

TEST(Prompts, FontDialogKeepsWhatTheUserLeavesAloneAlsoAFaceThatIsNotInstalled) {
    const QString missing = QStringLiteral("Brenvik Missing Face");
    ASSERT_FALSE(QFontDatabase::families().contains(missing));
    QFont stored(missing);
    stored.setPointSize(14);
    stored.setBold(true);
    const QString drawnWith = QFontInfo(stored).family();

    // OK without a change: exactly the stored font; the list shows what it is drawn with.
    FontDialogRun untouched;
    QFont font = stored;
    QColor color = QColor(255, 0, 0);
    ASSERT_TRUE(untouched.run(font, color, [](QDialog* d, QFontDialog*) { FontDialogRun::ok(d); }));
    EXPECT_EQ(untouched.title, QStringLiteral("Answer Font"));
    EXPECT_EQ(untouched.shown.family(), drawnWith);
    EXPECT_TRUE(untouched.shown.bold());
    EXPECT_EQ(untouched.shown.pointSize(), 14);
    EXPECT_TRUE(untouched.note.contains(missing)) << qPrintable(untouched.note);
    EXPECT_TRUE(untouched.note.contains(drawnWith)) << qPrintable(untouched.note);
    EXPECT_EQ(font.family(), missing);
    EXPECT_TRUE(font.bold());
    EXPECT_FALSE(font.italic());
    EXPECT_EQ(font.pointSize(), 14);
    EXPECT_EQ(color, QColor(255, 0, 0));

    // Only the size changed: the face and the style stay.
    FontDialogRun resized;
    font = stored;
    ASSERT_TRUE(resized.run(font, color, [](QDialog* d, QFontDialog* picker) {
        QFont f = picker->currentFont();
        f.setPointSize(20);
        picker->setCurrentFont(f);
        FontDialogRun::ok(d);
    }));
    EXPECT_EQ(font.family(), missing);
    EXPECT_TRUE(font.bold());
    EXPECT_EQ(font.pointSize(), 20);

    // Another face chosen: that face, the style as it was.
    const QStringList families = QFontDatabase::families();
    QString other;
    for (const QString& f : families)
        if (f != drawnWith && QFontDatabase::styles(f).contains(QStringLiteral("Bold"))) {
            other = f;
            break;
        }
    ASSERT_FALSE(other.isEmpty());
    FontDialogRun refaced;
    font = stored;
    ASSERT_TRUE(refaced.run(font, color, [other](QDialog* d, QFontDialog* picker) {
        QFont f = picker->currentFont();
        f.setFamily(other);
        picker->setCurrentFont(f);
        FontDialogRun::ok(d);
    }));
    EXPECT_EQ(font.family(), other);
    EXPECT_TRUE(font.bold());

    // An installed face opens as itself, without the note.
    FontDialogRun installed;
    QFont plain(other);
    plain.setPointSize(11);
    font = plain;
    ASSERT_TRUE(installed.run(font, color, [](QDialog* d, QFontDialog*) { FontDialogRun::ok(d); }));
    EXPECT_EQ(installed.shown.family(), other);
    EXPECT_TRUE(installed.note.isEmpty()) << qPrintable(installed.note);
    EXPECT_EQ(font.family(), other);
    EXPECT_EQ(font.pointSize(), 11);

    // A plain font opens on the plain style, whatever the face calls it ("Book").
    FontDialogRun regular;
    QFont plainMissing(missing);
    plainMissing.setPointSize(14);
    font = plainMissing;
    ASSERT_TRUE(regular.run(font, color, [](QDialog* d, QFontDialog*) { FontDialogRun::ok(d); }));
    EXPECT_FALSE(regular.shown.italic()) << qPrintable(regular.shown.styleName());
    EXPECT_FALSE(regular.shown.bold()) << qPrintable(regular.shown.styleName());
    EXPECT_FALSE(regular.shown.styleName().contains(QStringLiteral("Condensed")))
        << qPrintable(regular.shown.styleName());
    EXPECT_EQ(font.family(), missing);
    EXPECT_FALSE(font.italic());
    EXPECT_FALSE(font.bold());
}

TEST(Prompts, EscapeInTheFontDialogCancelsAllOfIt) {
    // Esc in any part of the font choice (its face field, where the focus starts, or a
    // list) must close the whole dialog, not only its font part.
    for (const bool inList : {false, true}) {
        SCOPED_TRACE(inList ? "in the list" : "in the face field");
        FontDialogRun escaped;
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPointSize(12);
        const QFont before = font;
        QColor color = QColor(0, 0, 255);
        EXPECT_FALSE(escaped.run(font, color, [inList](QDialog*, QFontDialog* picker) {
            QWidget* target = inList ? static_cast<QWidget*>(picker->findChild<QListView*>())
                                     : picker->findChild<QLineEdit*>();
            ASSERT_NE(target, nullptr);
            target->setFocus();
            QTest::keyClick(target, Qt::Key_Escape);
        }));
        EXPECT_FALSE(escaped.leftOpen);
        EXPECT_EQ(font, before);
        EXPECT_EQ(color, QColor(0, 0, 255));
        for (QWidget* w : QApplication::topLevelWidgets())
            EXPECT_FALSE(w->isVisible() && w->windowTitle() == QStringLiteral("Answer Font"));
    }
}

TEST(Prompts, AFileDialogWithoutAFolderDoesNotStartWhereAnotherOneEnded) {
    // Choosing a file in one dialog must not move the start of the dialogs that are given
    // no folder of their own (the system's default).
    QTemporaryDir elsewhere;
    const QString chosen = QDir(elsewhere.path()).filePath(QStringLiteral("notes.txt"));
    ASSERT_TRUE(writeFile(chosen, "text\r\n"));
    DialogPrompts prompts;
    QTimer::singleShot(0, [chosen] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            dialog->selectFile(chosen);
            static_cast<QDialog*>(dialog)->accept(); // as the "Open" button does
        }
    });
    ASSERT_EQ(prompts.openFile(nullptr, QStringLiteral("Select File"), elsewhere.path(),
                               QStringLiteral("*.txt")),
              chosen);

    QString started;
    QTimer::singleShot(0, [&started] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            started = dialog->directory().absolutePath();
            dialog->reject();
        }
    });
    EXPECT_TRUE(
        prompts.openFile(nullptr, QStringLiteral("Open File"), QString(), QString()).isEmpty());
    EXPECT_EQ(started, QDir::current().absolutePath());
    EXPECT_NE(started, QDir(elsewhere.path()).absolutePath());
}

TEST(ShellOpen, RefusesMissingFilesAndBadAddressesWithAText) {
    DesktopShellOpen shell;
    const Status missing = shell.openFile("/nonexistent/folder/ReadMe.txt");
    EXPECT_FALSE(missing);
    EXPECT_TRUE(ErrorText(missing).contains("ReadMe.txt")) << missing.error;
    const Status invalid = shell.open(QUrl());
    EXPECT_FALSE(invalid);
    EXPECT_FALSE(invalid.error.empty());

    FakeShellOpen fake;
    EXPECT_TRUE(fake.openFile("relative/Brenvik.htm"));
    EXPECT_TRUE(fake.openAddress("www.example.org"));
    ASSERT_EQ(fake.opened.size(), 2);
    EXPECT_TRUE(fake.opened[0].isLocalFile());
    EXPECT_TRUE(QDir::isAbsolutePath(fake.opened[0].toLocalFile()));
    EXPECT_EQ(fake.opened[1].scheme(), "http");
    EXPECT_EQ(fake.opened[1].host(), "www.example.org");
}

TEST(SystemNames, HostNamesAreNotEmpty) {
    HostSystemNames names;
    EXPECT_FALSE(names.computerName().isEmpty());
    EXPECT_FALSE(names.userName().isEmpty());
    EXPECT_EQ(names.userName(), qEnvironmentVariable("USER", names.userName()));
}

TEST(ProgramFolder, AnInstalledCopyKeepsNoFilesBesideItsExecutable) {
    QTemporaryDir root;
    // The layouts: /usr/bin with /usr/share/brenvik, a build tree (the guide copied beside
    // the executable), and a bare folder with no data anywhere.
    const QString bin = root.filePath("usr/bin"), share = root.filePath("usr/share/brenvik"),
                  build = root.filePath("build/app"), bare = root.filePath("bare");
    ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(share) && QDir().mkpath(build) &&
                QDir().mkpath(bare));
    ASSERT_TRUE(writeFile(share + "/Brenvik.htm", "<html></html>"));
    ASSERT_TRUE(writeFile(build + "/Brenvik.htm", "<html></html>"));
    EXPECT_TRUE(ProgramFolder::isInstalledCopy(bin, share));
    EXPECT_FALSE(ProgramFolder::isInstalledCopy(build, root.filePath("build/share/brenvik")));
    EXPECT_FALSE(ProgramFolder::isInstalledCopy(bare, root.filePath("share/brenvik")));
    // A portable copy carrying its own guide stays portable even beside installed data.
    ASSERT_TRUE(writeFile(bin + "/Brenvik.htm", "<html>mine</html>"));
    EXPECT_FALSE(ProgramFolder::isInstalledCopy(bin, share));
}
