#include "library/settingskeys.h"
#include "library/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace brenvik;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(SettingsStore, DefaultsOnlyIgnoresWrites) {
    SettingsStore store;
    EXPECT_FALSE(store.persistent());
    store.WriteInteger("main", "top", 5);
    store.WriteText("imprint", "pauseq", "9");
    EXPECT_EQ(store.ReadInteger("main", "top", 75), 75);
    EXPECT_EQ(store.ReadText("imprint", "pauseq", "0.5"), "0.5");
    EXPECT_EQ(store.flush().error, "");
}

TEST(SettingsStore, MissingFileGivesDefaults) {
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("brenvik.ini"));
    EXPECT_TRUE(store.persistent());
    EXPECT_EQ(store.loadError(), "");
    for (const settings::IntKey& k : settings::FixedIntKeys)
        EXPECT_EQ(store.read(k), k.def) << k.section << "/" << k.key;
    for (const settings::TextKey& k : settings::FixedTextKeys)
        EXPECT_EQ(store.read(k), QString::fromLatin1(k.def));
    EXPECT_EQ(store.read(settings::MainSplitter, 300), 300);
    EXPECT_EQ(store.read(settings::QuestionFileDir, "/opt/brenvik/"), "/opt/brenvik/");
}

TEST(SettingsStore, IniRoundTrip) {
    QTemporaryDir dir;
    const QString path = dir.filePath("brenvik.ini");
    {
        SettingsStore store(path);
        store.WriteInteger("main", "top", -12);
        store.WriteInteger("main", "left", 40);
        store.WriteText("imprint", "pauseq", "1.5");
        store.WriteText("question", "filedir", "/home/u/My Files, old");
        store.WriteText("main", "note", "a\nb");
        store.WriteInteger("main", "top", 13); // overwrites
        EXPECT_EQ(store.ReadInteger("main", "top", 75), 13);
        EXPECT_EQ(store.flush().error, "");
    }
    SettingsStore store(path);
    EXPECT_EQ(store.loadError(), "");
    EXPECT_EQ(store.ReadInteger("main", "top", 75), 13);
    EXPECT_EQ(store.ReadInteger("MAIN", "Left", 75), 40);
    EXPECT_EQ(store.ReadText("imprint", "pauseq", "0.5"), "1.5");
    EXPECT_EQ(store.ReadText("question", "filedir", ""), "/home/u/My Files, old");
    EXPECT_EQ(store.ReadText("main", "note", ""), "a b");
    EXPECT_EQ(store.ReadInteger("flash", "loop", 0), 0);

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "[main]\ntop=13\nleft=40\nnote=a b\n\n[imprint]\npauseq=1.5\n\n"
                           "[question]\nfiledir=/home/u/My Files, old\n");
}

TEST(SettingsStore, HandWrittenFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("brenvik.ini");
    writeFile(path, "; comment\r\nstray=1\r\n[ main ]\r\n  top = 99 \r\nleft=abc\r\n"
                    "width=\r\nbad line\r\n[flash]\r\npauseq = 2.0\r\n");
    SettingsStore store(path);
    EXPECT_EQ(store.ReadInteger("main", "top", 75), 99);
    EXPECT_EQ(store.ReadInteger("main", "left", 75), 75); // not a number: default
    EXPECT_EQ(store.ReadInteger("main", "width", 1024), 1024);
    EXPECT_EQ(store.ReadText("flash", "pauseq", "1.0"), "2.0");
    EXPECT_EQ(store.ReadInteger("", "stray", 0), 0); // lines before a section are ignored
}

TEST(SettingsStore, UnreadableFileGivesDefaults) {
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.ini");
    ASSERT_TRUE(QDir(dir.path()).mkdir("settings.ini")); // a folder where the file should be
    SettingsStore store(path);
    EXPECT_NE(store.loadError(), "");
    EXPECT_EQ(store.ReadInteger("main", "top", 75), 75);
    EXPECT_EQ(store.ReadText("flash", "pauseq", "1.0"), "1.0");
    store.WriteInteger("main", "top", 1);
    EXPECT_NE(store.flush().error, "");
}

TEST(SettingsKeys, TableIsComplete) {
    using namespace settings;
    std::set<std::string> seen;
    auto add = [&](const char* s, const char* k) {
        EXPECT_TRUE(seen.insert(std::string(s) + "/" + k).second) << s << "/" << k;
    };
    for (const IntKey& k : FixedIntKeys)
        add(k.section, k.key);
    for (const TextKey& k : FixedTextKeys)
        add(k.section, k.key);
    for (const RuntimeIntKey& k : {MainHeight, MainWidth, MainSplitter})
        add(k.section, k.key);
    for (const RuntimeTextKey& k : {QuestionFileDir, QuestionPicDir})
        add(k.section, k.key);
    EXPECT_EQ(seen.size(), 26u);
    EXPECT_EQ(MainHeight.layoutDefault, 620);
    EXPECT_EQ(MainWidth.layoutDefault, 1024);
    EXPECT_STREQ(FlashPauseQ.def, "1.0");
    EXPECT_EQ(MainActiveVoice.def, 2);
    EXPECT_STREQ(AnswerFontFace, "Arial Rounded MT Bold");
}

// A file as earlier versions of the program (and users editing it) left it: every value must
// read back through the keys as it stands, and a write must keep the rest of the file.
TEST(SettingsStore, ExistingFileReadsBackThroughTheKeys) {
    QTemporaryDir dir;
    const QString path = dir.filePath("brenvik.ini");
    writeFile(path, "[MAIN]\nTop=13\nlibdir=/home/u/Libraries, 2024\n\n"
                    "[question]\nfiledir=/home/u/My Files, old\npicdir=/home/u/Bilder \xC3\xA4\n\n"
                    "[afont]\nface=Times New Roman, Bold\n\n"
                    "[recent]\nfile1=/home/u/a, b.bv1\nFILE2=/home/u/50% off; really.bv1\n\n"
                    "[general]\nkey with blanks=kept\n");
    SettingsStore store(path);
    using namespace settings;
    EXPECT_EQ(store.read(MainTop), 13); // sections and keys in any case
    EXPECT_EQ(store.read(MainLibraryDir, "/opt"), "/home/u/Libraries, 2024");
    EXPECT_EQ(store.read(QuestionFileDir, "/opt"), "/home/u/My Files, old");
    EXPECT_EQ(store.read(QuestionPicDir, "/opt"), QString::fromUtf8("/home/u/Bilder \xC3\xA4"));
    EXPECT_EQ(store.read(AnswerFontName), "Times New Roman, Bold");
    EXPECT_EQ(store.read(RecentFiles, 1), "/home/u/a, b.bv1");
    EXPECT_EQ(store.read(RecentFiles, 2), "/home/u/50% off; really.bv1");
    EXPECT_EQ(store.read(RecentFiles, 3), "");

    store.write(MainLeft, 40);
    store.write(RecentFiles, 3, "/home/u/c.bv1");
    ASSERT_EQ(store.flush().error, "");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "[MAIN]\nTop=13\nlibdir=/home/u/Libraries, 2024\nleft=40\n\n"
                           "[question]\nfiledir=/home/u/My Files, old\n"
                           "picdir=/home/u/Bilder \xC3\xA4\n\n"
                           "[afont]\nface=Times New Roman, Bold\n\n"
                           "[recent]\nfile1=/home/u/a, b.bv1\nFILE2=/home/u/50% off; really.bv1\n"
                           "file3=/home/u/c.bv1\n\n"
                           "[general]\nkey with blanks=kept\n");
}

// Comments (";" and "#"), blank lines and lines the store does not understand stay where
// they were, byte for byte; only the values that change are rewritten.
TEST(SettingsStore, WriteKeepsCommentsAndUnknownLinesInPlace) {
    QTemporaryDir dir;
    const QString path = dir.filePath("brenvik.ini");
    const QByteArray original = "; Brenvik settings, edited by hand\n"
                                "# keep this line\n"
                                "stray before any section\n"
                                "\n"
                                "[main]\n"
                                "; window position\n"
                                "  Top = 13 \n"
                                "left=40\n"
                                "not a value line\n"
                                "  ;indented comment \xE9 in Latin-1\n"
                                "\n"
                                "# recent libraries follow\n"
                                "[recent]\n"
                                "file1=/home/u/a.bv1 ; not a comment\n"
                                "=no key\n";
    writeFile(path, original);
    {
        SettingsStore store(path);
        EXPECT_EQ(store.read(settings::MainTop), 13);
        EXPECT_EQ(store.read(settings::RecentFiles, 1), "/home/u/a.bv1 ; not a comment");
        // Nothing changed: the file is written back as it was.
        store.write(settings::MainLeft, 40);
        ASSERT_EQ(store.flush().error, "");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), original);
    }
    SettingsStore store(path);
    store.write(settings::MainTop, 7);
    store.write(settings::MainWidth, 900);
    store.write(settings::RecentFiles, 2, "/home/u/b.bv1");
    store.write(settings::FlashLoop, 1);
    ASSERT_EQ(store.flush().error, "");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "; Brenvik settings, edited by hand\n"
                           "# keep this line\n"
                           "stray before any section\n"
                           "\n"
                           "[main]\n"
                           "; window position\n"
                           "  Top = 7\n"
                           "left=40\n"
                           "width=900\n"
                           "not a value line\n"
                           "  ;indented comment \xE9 in Latin-1\n"
                           "\n"
                           "# recent libraries follow\n"
                           "[recent]\n"
                           "file1=/home/u/a.bv1 ; not a comment\n"
                           "file2=/home/u/b.bv1\n"
                           "=no key\n"
                           "\n"
                           "[flash]\n"
                           "loop=1\n");
    SettingsStore back(path);
    EXPECT_EQ(back.read(settings::MainTop), 7);
    EXPECT_EQ(back.read(settings::MainWidth, 1024), 900);
    EXPECT_EQ(back.read(settings::FlashLoop), 1);
}

// A file with CR LF line ends keeps them, and a section named twice keeps both blocks; the
// later value is the one read, and a write reaches every copy of the key.
TEST(SettingsStore, WriteKeepsLineEndsAndRepeatedSections) {
    QTemporaryDir dir;
    const QString path = dir.filePath("brenvik.ini");
    writeFile(path, "[main]\r\ntop=1\r\n; first block\r\n\r\n[flash]\r\nloop=0\r\n\r\n"
                    "[MAIN]\r\ntop=2\r\n");
    SettingsStore store(path);
    EXPECT_EQ(store.read(settings::MainTop), 2);
    store.write(settings::MainTop, 3);
    store.write(settings::MainLeft, 4);
    ASSERT_EQ(store.flush().error, "");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "[main]\r\ntop=3\r\nleft=4\r\n; first block\r\n\r\n[flash]\r\n"
                           "loop=0\r\n\r\n[MAIN]\r\ntop=3\r\n");

    // One line is enough to tell.
    writeFile(path, "[main]\r\n");
    SettingsStore one(path);
    one.write(settings::MainTop, 5);
    ASSERT_EQ(one.flush().error, "");
    QFile g(path);
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    EXPECT_EQ(g.readAll(), "[main]\r\ntop=5\r\n");
}

TEST(SettingsStore, FailedFlushNamesTheFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("gone/brenvik.ini"); // its folder was removed
    SettingsStore store(path);
    store.write(settings::MainTop, 2);
    const Status written = store.flush();
    ASSERT_FALSE(written.ok());
    EXPECT_TRUE(ErrorText(written).startsWith("Cannot write the settings file \"" + path + "\": "))
        << written.error;
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(SettingsKeys, EveryKeyIsDistinct) {
    using namespace settings;
    std::set<std::string> seen;
    auto add = [&](const char* s, const std::string& k) {
        std::string name = std::string(s) + "/" + k;
        for (char& c : name)
            c = char(std::tolower(static_cast<unsigned char>(c))); // the file ignores case
        EXPECT_TRUE(seen.insert(name).second) << name;
    };
    for (const IntKey& k : FixedIntKeys)
        add(k.section, k.key);
    for (const IntKey& k : {AnswerFontStyle})
        add(k.section, k.key);
    for (const IntKey& k : VoiceIntKeys)
        add(k.section, k.key);
    for (const TextKey& k : VoiceTextKeys)
        add(k.section, k.key);
    for (const TextKey& k : FixedTextKeys)
        add(k.section, k.key);
    for (const TextKey& k : {AnswerFontName})
        add(k.section, k.key);
    for (const TextKey& k : SpacedTextKeys)
        add(k.section, k.key);
    add(SpacedHeardGood.section, SpacedHeardGood.key);
    add(StudyBackground.section, StudyBackground.key);
    for (const RuntimeIntKey& k : {MainHeight, MainWidth, MainSplitter})
        add(k.section, k.key);
    for (const RuntimeTextKey& k : {QuestionFileDir, QuestionPicDir, MainLibraryDir})
        add(k.section, k.key);
    for (int i = 1; i <= RecentFiles.count; ++i)
        add(RecentFiles.section, RecentFiles.prefix + std::to_string(i));
}

} // namespace
