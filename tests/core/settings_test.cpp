#include "library/settingskeys.h"
#include "library/settingsstore.h"

#include <QDir>
#include <QFile>
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
    EXPECT_EQ(store.flush(), "");
}

TEST(SettingsStore, MissingFileGivesDefaults) {
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("brenvik.ini"));
    EXPECT_TRUE(store.persistent());
    EXPECT_EQ(store.loadError(), "");
    for (const settings::IntKey& k : settings::FixedIntKeys)
        EXPECT_EQ(settings::Read(store, k), k.def) << k.section << "/" << k.key;
    for (const settings::TextKey& k : settings::FixedTextKeys)
        EXPECT_EQ(settings::Read(store, k), QString::fromLatin1(k.def));
    EXPECT_EQ(settings::Read(store, settings::MainSplitter, 300), 300);
    EXPECT_EQ(settings::Read(store, settings::QuestionFileDir, "/opt/brenvik/"), "/opt/brenvik/");
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
        EXPECT_EQ(store.flush(), "");
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
    EXPECT_NE(store.flush(), "");
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

} // namespace
