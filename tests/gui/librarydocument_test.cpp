// The library document: which file it writes, what happens to it when loading or saving
// fails, and the recent-files list.

#include "library/demodata.h"
#include "library/objects.h"
#include "library/outline.h"
#include "library/settingsstore.h"
#include "mainwindow/librarydocument.h"
#include "tests/support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace brenvik;

namespace {

// Makes a folder unwritable for the duration of a test. Permission bits do not stop
// root, so for root the folder is also made immutable.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path) : path_(path.toLocal8Bit()) {
        ::chmod(path_.constData(), 0555);
        if (::geteuid() == 0) immutable_ = setImmutable(true);
    }
    ~ReadOnlyFolder() {
        if (immutable_) setImmutable(false);
        ::chmod(path_.constData(), 0755);
    }
    bool effective() const {
        QByteArray probe = path_ + "/probe.tmp";
        int fd = ::open(probe.constData(), O_CREAT | O_WRONLY, 0644);
        if (fd < 0) return true;
        ::close(fd);
        ::unlink(probe.constData());
        return false;
    }

private:
    bool setImmutable(bool on) {
        int fd = ::open(path_.constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0) return false;
        int flags = 0;
        bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (ok) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return ok;
    }
    QByteArray path_;
    bool immutable_ = false;
};

class LibraryDocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(OutlineLoader(tree, DemoText()).ok());
        DeriveNodeKinds(tree);
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    LibraryTree tree;
};

TEST_F(LibraryDocumentTest, SaveAsAddsSuffixAndBecomesTheFile) {
    LibraryDocument doc(tree, nullptr);
    tree.setObserver(doc.changeWatcher());
    EXPECT_FALSE(doc.hasFile());
    EXPECT_TRUE(doc.autoSaveTarget().isEmpty());
    EXPECT_FALSE(ErrorText(doc.save()).isEmpty()); // no file yet: the window must ask for one

    tree.setText(tree.first(), "Edited");
    EXPECT_TRUE(doc.isModified());
    ASSERT_EQ(ErrorText(doc.saveAs(path("mine"))), QString());
    EXPECT_EQ(doc.filePath(), path("mine.bv1"));
    EXPECT_EQ(doc.autoSaveTarget(), path("mine.bv1"));
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(readAll(path("mine.bv1")).toStdString(), WriteOutline(tree));
    EXPECT_FALSE(QFile::exists(path("mine")));

    ASSERT_EQ(ErrorText(doc.saveAs(path("other.txt"))), QString());
    EXPECT_EQ(doc.filePath(), path("other.txt"));
    EXPECT_EQ(LibraryDocument::withDefaultSuffix("a.b/name"), "a.b/name.bv1");
    EXPECT_EQ(LibraryDocument::withDefaultSuffix("x.bv1"), "x.bv1");

    // Load brings the saved file back and clears the flag.
    tree.setText(tree.first(), "Changed again");
    ASSERT_EQ(ErrorText(doc.load(path("mine.bv1"))), QString());
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(doc.filePath(), path("mine.bv1"));
    tree.setObserver(nullptr);
}

TEST_F(LibraryDocumentTest, FailedSaveKeepsOldFileAndModifiedFlag) {
    QDir(dir.path()).mkdir("ro");
    const QString file = path("ro/lib.bv1");
    LibraryDocument doc(tree, nullptr);
    ASSERT_EQ(ErrorText(doc.saveAs(file)), QString());
    const QByteArray old = readAll(file);
    doc.markModified();
    tree.setText(tree.first(), "Unsaved change");
    {
        ReadOnlyFolder guard(path("ro"));
        if (!guard.effective()) GTEST_SKIP() << "cannot make a folder read-only here";
        QSignalSpy modified(&doc, &LibraryDocument::modifiedChanged);
        QString error = ErrorText(doc.save());
        EXPECT_FALSE(error.isEmpty());
        EXPECT_TRUE(doc.isModified());
        EXPECT_EQ(modified.count(), 0);
        EXPECT_FALSE(ErrorText(doc.saveAs(path("ro/new.bv1"))).isEmpty());
        EXPECT_EQ(doc.filePath(), file); // a failed save-as does not switch files
    }
    EXPECT_EQ(readAll(file), old);
    EXPECT_EQ(QDir(path("ro")).entryList(QDir::Files), QStringList{"lib.bv1"});
}

TEST_F(LibraryDocumentTest, LoadFailures) {
    LibraryDocument doc(tree, nullptr);
    ASSERT_EQ(ErrorText(doc.saveAs(path("good.bv1"))), QString());
    const std::string before = WriteOutline(tree);

    // Missing: nothing changes.
    QString error = ErrorText(doc.load(path("absent.bv1")));
    EXPECT_TRUE(error.startsWith("File not found: ")) << error.toStdString();
    EXPECT_TRUE(error.contains("absent.bv1"));
    EXPECT_EQ(WriteOutline(tree), before);
    EXPECT_EQ(doc.filePath(), path("good.bv1"));

    // Damaged: the fragment stays, the document has no file, the file is untouched.
    const QByteArray damaged = "Root\r\n\tLibrary\r\n\t\t\tToo deep\r\n\tAfter\r\n";
    ASSERT_TRUE(writeFile(path("damaged.bv1"), damaged));
    error = ErrorText(doc.load(path("damaged.bv1")));
    EXPECT_TRUE(error.contains("Invalid level (3)")) << error.toStdString();
    EXPECT_FALSE(doc.hasFile());
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(tree.nodeCount(), 2u);
    EXPECT_FALSE(ErrorText(doc.save()).isEmpty());
    EXPECT_EQ(readAll(path("damaged.bv1")), damaged);
    EXPECT_FALSE(doc.recentFiles().contains(path("damaged.bv1")));
}

TEST_F(LibraryDocumentTest, RecentListOrderDedupeAndPersistence) {
    const QString ini = path("settings.ini");
    {
        SettingsStore settings(ini);
        LibraryDocument doc(tree, &settings);
        QSignalSpy spy(&doc, &LibraryDocument::recentFilesChanged);
        for (int i = 1; i <= 10; ++i)
            doc.addRecentFile(path(QString("f%1.bv1").arg(i)));
        EXPECT_EQ(spy.count(), 10);
        ASSERT_EQ(doc.recentFiles().size(), LibraryDocument::MaxRecent);
        EXPECT_EQ(doc.recentFiles().front(), path("f10.bv1"));
        EXPECT_EQ(doc.recentFiles().back(), path("f3.bv1"));
        doc.addRecentFile(path("f5.bv1")); // moves to the front, no duplicate
        EXPECT_EQ(doc.recentFiles().front(), path("f5.bv1"));
        EXPECT_EQ(doc.recentFiles().count(path("f5.bv1")), 1);
        EXPECT_EQ(doc.recentFiles().size(), LibraryDocument::MaxRecent);
        doc.removeRecentFile(path("f10.bv1"));
        EXPECT_EQ(doc.recentFiles().size(), LibraryDocument::MaxRecent - 1);
        // A file that turns out missing leaves the list.
        doc.addRecentFile(path("gone.bv1"));
        EXPECT_FALSE(ErrorText(doc.load(path("gone.bv1"))).isEmpty());
        EXPECT_FALSE(doc.recentFiles().contains(path("gone.bv1")));
    }
    SettingsStore again(ini);
    EXPECT_EQ(again.ReadText("recent", "file1", ""), path("f5.bv1"));
    EXPECT_EQ(again.ReadText("recent", "file8", "none"), "");
    LibraryDocument doc(tree, &again);
    ASSERT_EQ(doc.recentFiles().size(), LibraryDocument::MaxRecent - 1);
    EXPECT_EQ(doc.recentFiles().front(), path("f5.bv1"));
    EXPECT_EQ(doc.recentFiles().at(1), path("f9.bv1"));
}

TEST_F(LibraryDocumentTest, RecentListThatCannotBeWrittenIsReportedOnce) {
    const QString ini = path("removed/settings.ini"); // the folder is gone
    SettingsStore settings(ini);
    LibraryDocument doc(tree, &settings);
    QSignalSpy failures(&doc, &LibraryDocument::settingsNotWritten);
    doc.addRecentFile(path("a.bv1"));
    doc.addRecentFile(path("b.bv1"));
    doc.removeRecentFile(path("a.bv1"));
    ASSERT_EQ(failures.count(), 1);
    EXPECT_TRUE(failures[0][0].toString().startsWith(
        QStringLiteral("Cannot write the settings file \"%1\": ").arg(ini)))
        << failures[0][0].toString().toStdString();
    EXPECT_EQ(doc.recentFiles(), QStringList{path("b.bv1")}); // the run goes on with the list
}

TEST_F(LibraryDocumentTest, NewEmptyIsFilelessAndUnmodified) {
    LibraryDocument doc(tree, nullptr);
    ASSERT_EQ(ErrorText(doc.saveAs(path("a.bv1"))), QString());
    doc.markModified();
    QSignalSpy pathSpy(&doc, &LibraryDocument::filePathChanged);
    doc.newEmpty("PC", "me");
    EXPECT_FALSE(doc.hasFile());
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(pathSpy.count(), 1);
    ASSERT_FALSE(tree.empty());
    EXPECT_EQ(tree.text(tree.first()), RootCaption("PC", "me"));
}

} // namespace
