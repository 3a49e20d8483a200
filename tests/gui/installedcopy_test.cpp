// Where an installed Brenvik keeps its files, and the picture formats the package brings.
#include "platform/picture.h"
#include "platform/programfolder.h"
#include "testhelpers.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

bool setModified(const QString& path, const QDateTime& when) {
    QFile f(path);
    return f.open(QIODevice::ReadWrite) && f.setFileTime(when, QFileDevice::FileModificationTime);
}

// An installed copy's folders below one temporary root.
struct Installed {
    QTemporaryDir root;
    const QString bin = root.filePath("plainfile/bin"); // cannot take a file
    const QString share = root.filePath("usr/share/brenvik");
    const QString data = root.filePath("home/.local/share/Brenvik");
    const QString config = root.filePath("home/.config/Brenvik");
    Installed() {
        writeFile(root.filePath("plainfile"), "x");
        QDir().mkpath(share);
        writeFile(share + "/ReadMe.txt", "read me 1");
        writeFile(share + "/Brenvik.htm", "guide 1");
        writeFile(share + "/study.bmp", "BM-1");
        writeFile(share + "/guide-import.png", "PNG-1");
    }
    ProgramFolder::Result choose() const { return ProgramFolder::choose(bin, data, share, config); }
};

} // namespace

TEST(InstalledCopy, SettingsLiveInTheConfigFolderAndAnOldFileMovesOnce) {
    Installed in;
    ProgramFolder::Result r = in.choose();
    ASSERT_TRUE(r.error.isEmpty()) << qPrintable(r.error);
    EXPECT_EQ(r.path, QDir::cleanPath(in.data));
    EXPECT_EQ(r.settingsFile, in.config + "/brenvik.ini");
    EXPECT_TRUE(QFileInfo(in.config).isDir()); // ready for the first write

    // An earlier version's settings in the data folder move across, contents whole.
    QDir(in.config).removeRecursively();
    ASSERT_TRUE(writeFile(in.data + "/brenvik.ini", "[Main]\r\nVoice=3 ; kept\r\n"));
    r = in.choose();
    ASSERT_TRUE(r.error.isEmpty()) << qPrintable(r.error);
    EXPECT_EQ(r.settingsFile, in.config + "/brenvik.ini");
    EXPECT_EQ(readFile(in.config + "/brenvik.ini"), "[Main]\r\nVoice=3 ; kept\r\n");
    EXPECT_FALSE(QFile::exists(in.data + "/brenvik.ini"));

    // Once moved, a stray old file is never moved over the newer one.
    ASSERT_TRUE(writeFile(in.data + "/brenvik.ini", "stale"));
    r = in.choose();
    EXPECT_EQ(readFile(in.config + "/brenvik.ini"), "[Main]\r\nVoice=3 ; kept\r\n");
    EXPECT_EQ(readFile(in.data + "/brenvik.ini"), "stale");

    // A configuration folder that cannot be made: the settings stay where they are, in use.
    Installed blocked;
    ASSERT_TRUE(QDir().mkpath(blocked.data));
    ASSERT_TRUE(writeFile(blocked.data + "/brenvik.ini", "mine"));
    r = ProgramFolder::choose(blocked.bin, blocked.data, blocked.share,
                              blocked.root.filePath("plainfile/Brenvik"));
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_EQ(r.settingsFile, blocked.data + "/brenvik.ini");
    EXPECT_EQ(readFile(blocked.data + "/brenvik.ini"), "mine");
    EXPECT_EQ(
        ProgramFolder::moveSettings(blocked.data + "/brenvik.ini", blocked.config + "/brenvik.ini"),
        QString());
    EXPECT_FALSE(ProgramFolder::moveSettings(blocked.config + "/brenvik.ini",
                                             blocked.config + "/brenvik.ini")
                     .isEmpty());

    // A copy run from its own writable folder keeps the settings beside it.
    QTemporaryDir build;
    r = ProgramFolder::choose(build.path(), in.data, in.share, in.config);
    EXPECT_EQ(r.settingsFile, QDir(build.path()).filePath("brenvik.ini"));
}

TEST(InstalledCopy, AnUpgradeRefreshesShippedFilesButNotTheUsersOwn) {
    Installed in;
    const QDateTime built = QDateTime::currentDateTime().addDays(-30);
    for (const char* name : {"ReadMe.txt", "Brenvik.htm", "study.bmp"})
        ASSERT_TRUE(setModified(in.share + "/" + name, built));
    ASSERT_TRUE(in.choose().error.isEmpty());
    EXPECT_EQ(readFile(in.data + "/Brenvik.htm"), "guide 1");
    EXPECT_EQ(readFile(in.data + "/guide-import.png"), "PNG-1"); // the guide's pictures go along
    // The copy carries the shipped file's time, not the time of the first start.
    EXPECT_EQ(QFileInfo(in.data + "/Brenvik.htm").lastModified().toSecsSinceEpoch(),
              built.toSecsSinceEpoch());

    // The user changed the read-me and keeps a library of their own beside the guide.
    ASSERT_TRUE(writeFile(in.data + "/ReadMe.txt", "my notes"));
    ASSERT_TRUE(writeFile(in.data + "/mine.bv1", "ROOT\r\n"));

    // The package is upgraded: a build older than the first start, but newer than the last.
    const QDateTime upgrade = built.addDays(10);
    for (const auto& [name, text] :
         {std::pair{"ReadMe.txt", "read me 2"}, std::pair{"Brenvik.htm", "guide 2"},
          std::pair{"study.bmp", "BM-2"}}) {
        ASSERT_TRUE(writeFile(in.share + "/" + name, text));
        ASSERT_TRUE(setModified(in.share + "/" + name, upgrade));
    }
    ASSERT_TRUE(in.choose().error.isEmpty());
    EXPECT_EQ(readFile(in.data + "/Brenvik.htm"), "guide 2");
    EXPECT_EQ(readFile(in.data + "/study.bmp"), "BM-2");
    EXPECT_EQ(readFile(in.data + "/ReadMe.txt"), "my notes");
    EXPECT_EQ(readFile(in.data + "/mine.bv1"), "ROOT\r\n");

    // Started again without an upgrade, nothing is copied.
    ASSERT_TRUE(writeFile(in.data + "/Brenvik.htm", "guide 2"));
    ASSERT_TRUE(setModified(in.data + "/Brenvik.htm", upgrade));
    ASSERT_TRUE(in.choose().error.isEmpty());
    EXPECT_EQ(QFileInfo(in.data + "/Brenvik.htm").lastModified().toSecsSinceEpoch(),
              upgrade.toSecsSinceEpoch());
}

TEST(InstalledCopy, WebpTiffAndSvgPicturesLoad) {
    // Made by tests/data/formats/make-formats.sh: left half red, right half blue.
    for (const char* name : {"halves.webp", "halves.tiff", "halves.svg"}) {
        const QString path = QStringLiteral(BRENVIK_TESTDATA "/formats/") + name;
        EXPECT_TRUE(IsPictureExtension(path)) << name;
        const PictureResult r = LoadPicture(path);
        ASSERT_TRUE(r.ok()) << name << ": " << qPrintable(ErrorText(r));
        const QImage& image = r.value();
        EXPECT_EQ(image.size(), QSize(24, 16)) << name;
        EXPECT_EQ(image.pixelColor(3, 8).rgb(), QColor(0xC8, 0x1E, 0x1E).rgb()) << name;
        EXPECT_EQ(image.pixelColor(20, 8).rgb(), QColor(0x1E, 0x64, 0xC8).rgb()) << name;
    }
    for (const char* filter : {"*.webp", "*.tif", "*.svg"})
        EXPECT_TRUE(PictureDialogFilter().contains(filter)) << filter;
}
