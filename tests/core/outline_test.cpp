// The library file: reading, kind derivation, writing, saving and the folder probe.
#include "library/outline.h"
#include "library/textcodec.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

using namespace brenvik;

namespace {

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// One line per node in pre-order: depth TAB kind TAB text.
std::string dump(const LibraryTree& tree, bool withKinds = true) {
    std::string out;
    for (NodeId n = tree.first(); n != NoNode; n = tree.preorderNext(n)) {
        out += std::to_string(tree.depth(n)) + "\t";
        if (withKinds) out += std::to_string(tree.kind(n)) + "\t";
        out += std::string(tree.text(n)) + "\n";
    }
    return out;
}

std::string withoutKinds(const std::string& dumpText) {
    std::string out;
    std::istringstream in(dumpText);
    std::string line;
    while (std::getline(in, line)) {
        std::size_t a = line.find('\t');
        std::size_t b = line.find('\t', a + 1);
        out += line.substr(0, a) + "\t" + line.substr(b + 1) + "\n";
    }
    return out;
}

// Both CR LF and lone CR become LF.
std::string normalizeEol(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            out += '\n';
            if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else {
            out += s[i];
        }
    }
    if (!out.empty() && out.back() != '\n') out += '\n';
    return out;
}

const std::filesystem::path CaseRoot = std::filesystem::path(BRENVIK_TESTDATA) / "outline";

std::vector<std::string> goldenCases() {
    std::vector<std::string> names;
    if (std::filesystem::is_directory(CaseRoot))
        for (const auto& e : std::filesystem::directory_iterator(CaseRoot))
            if (e.is_directory()) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class GoldenOutline : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenOutline, LoadsDerivesAndRoundTrips) {
    const auto dir = CaseRoot / GetParam();
    const std::string input = readFile(dir / "input.txt");
    const std::string expected = readFile(dir / "expected.dump");
    const bool hasError = std::filesystem::exists(dir / "expected.error");

    LibraryTree tree;
    LoadOutcome outcome =
        LoadLibraryFile(tree, QString::fromStdString((dir / "input.txt").string()));
    EXPECT_TRUE(outcome.fileFound);
    if (hasError) {
        EXPECT_EQ(outcome.error.toStdString(), readFile(dir / "expected.error"));
    } else {
        EXPECT_TRUE(outcome.error.isEmpty()) << outcome.error.toStdString();
    }
    EXPECT_EQ(dump(tree), expected);

    // Written and read back: same texts, shape and kinds; the writer's output is stable.
    const std::string written = WriteOutline(tree);
    LibraryTree again;
    ASSERT_TRUE(OutlineLoader(again, written).ok());
    DeriveNodeKinds(again);
    if (hasError)
        EXPECT_EQ(dump(again, false), withoutKinds(expected));
    else
        EXPECT_EQ(dump(again), expected);
    EXPECT_EQ(WriteOutline(again), written);

    // The file itself comes back byte for byte, line ends apart. Inputs that are not in
    // the written form (blank indentation, NUL) carry the expected form beside them.
    if (std::filesystem::exists(dir / "expected.written")) {
        EXPECT_EQ(written, readFile(dir / "expected.written"));
    } else if (!hasError) {
        EXPECT_EQ(normalizeEol(written), normalizeEol(input));
    }
    EXPECT_TRUE(written.empty() || written.substr(written.size() - 2) == "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenOutline, ::testing::ValuesIn(goldenCases()),
                         [](const auto& info) { return info.param; });

TEST(GoldenOutlineData, AllCasesPresent) {
    // Guards against a moved data folder turning the golden tests into none.
    EXPECT_GE(goldenCases().size(), 14u);
}

TEST(GoldenOutlineData, LineEndVariantsGiveTheSameTree) {
    std::string dumps[3];
    const char* names[] = {"lf_only", "cr_only", "crlf"};
    for (int i = 0; i < 3; ++i) {
        LibraryTree tree;
        ASSERT_TRUE(OutlineLoader(tree, readFile(CaseRoot / names[i] / "input.txt")).ok());
        DeriveNodeKinds(tree);
        dumps[i] = dump(tree);
    }
    EXPECT_EQ(dumps[0], dumps[2]);
    EXPECT_EQ(dumps[1], dumps[2]);
    EXPECT_FALSE(dumps[0].empty());
}

TEST(OutlineLoader, ReplacesTheWholeTreeAndHandlesEdgeTexts) {
    LibraryTree tree;
    tree.appendChild(NoNode, "old root", 0);
    ASSERT_TRUE(OutlineLoader(tree, "A\n\tB\n").ok());
    EXPECT_EQ(dump(tree, false), "0\tA\n1\tB\n");

    ASSERT_TRUE(OutlineLoader(tree, "").ok());
    EXPECT_TRUE(tree.empty());

    // A short text (which a string may hold inline) still loads correctly.
    ASSERT_TRUE(OutlineLoader(tree, "x").ok());
    EXPECT_EQ(dump(tree, false), "0\tx\n");

    // Two line ends in a row: CR LF CR is one CR LF and one CR.
    ASSERT_TRUE(OutlineLoader(tree, "a\r\n\r\tb\n\n").ok());
    EXPECT_EQ(dump(tree, false), "0\ta\n0\t\n1\tb\n0\t\n");

    // Going up several levels at once lands under the right ancestor.
    ASSERT_TRUE(OutlineLoader(tree, "r\n\ta\n\t\tb\n\t\t\tc\n\td\n").ok());
    NodeId d = tree.nodeAtPreorder(4);
    EXPECT_EQ(tree.text(d), "d");
    EXPECT_EQ(tree.parent(d), tree.first());
}

TEST(OutlineLoader, ErrorNamesTheLevelAndKeepsEarlierNodes) {
    LibraryTree tree;
    Status s = OutlineLoader(tree, "Root\n\t\tToo deep\nNever\n");
    EXPECT_EQ(s.error, "Invalid level (2) for item \"Too deep\"");
    EXPECT_EQ(dump(tree, false), "0\tRoot\n");
}

// An observer that checks the loader announces one reset around the whole load.
struct CountingObserver : TreeObserver {
    int resets = 0, done = 0, other = 0;
    void aboutToInsert(NodeId, int) override { ++other; }
    void inserted(NodeId) override { ++other; }
    void aboutToRemove(NodeId) override { ++other; }
    void removed(NodeId, int) override { ++other; }
    void changed(NodeId) override { ++other; }
    void aboutToReset() override { ++resets; }
    void resetDone() override { ++done; }
};

TEST(OutlineLoader, AnnouncesOneResetToTheView) {
    LibraryTree tree;
    CountingObserver obs;
    tree.setObserver(&obs);
    ASSERT_TRUE(OutlineLoader(tree, "a\n\tb\n\tc\n").ok());
    EXPECT_EQ(obs.resets, 1);
    EXPECT_EQ(obs.done, 1);
    EXPECT_EQ(obs.other, 0);
    EXPECT_FALSE(OutlineLoader(tree, "a\n\t\tb\n").ok());
    EXPECT_EQ(obs.resets, 2);
    EXPECT_EQ(obs.done, 2);
}

TEST(DeriveNodeKinds, TopLevelNodesKeepTheirKindAndDeepNodesDoNotWrap) {
    LibraryTree tree;
    // A chain 300 deep: non-first children take their depth, saturated in a byte, and
    // never come round to an object kind.
    std::string chain;
    for (int d = 0; d < 300; ++d)
        chain += std::string(std::size_t(d), '\t') + "first\n" +
                 std::string(std::size_t(d + 1), '\t') + "n\n";
    ASSERT_TRUE(OutlineLoader(tree, chain).ok());
    tree.setKindSilently(tree.first(), TopLevelObject);
    DeriveNodeKinds(tree);
    EXPECT_EQ(tree.kind(tree.first()), TopLevelObject);
    int maxDepthSeen = 0;
    for (NodeId n = tree.first(); n != NoNode; n = tree.preorderNext(n)) {
        int d = tree.depth(n);
        maxDepthSeen = std::max(maxDepthSeen, d);
        // Depths up to 12 may take part in a question's shape.
        if (d > 12 && tree.firstChild(tree.parent(n)) != n && tree.kind(tree.parent(n)) != 10) {
            EXPECT_EQ(tree.kind(n), std::min(d, 255)) << "depth " << d;
        }
    }
    EXPECT_GT(maxDepthSeen, 256);
}

// A device that accepts `limit` bytes and then fails.
class FailingDevice : public QIODevice {
public:
    explicit FailingDevice(qint64 limit) : limit_(limit) { open(QIODevice::WriteOnly); }
    QByteArray data;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* d, qint64 len) override {
        if (qint64(data.size()) >= limit_) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        qint64 n = std::min(len, limit_ - qint64(data.size()));
        data.append(d, n);
        return n;
    }

private:
    qint64 limit_;
};

void buildBigTree(LibraryTree& tree, int count) {
    NodeId root = tree.appendChild(NoNode, "Root", 0);
    NodeId lib = tree.appendChild(root, "Library", 1);
    for (int i = 0; i < count; ++i)
        tree.appendChild(
            lib, "\"a line of some length to make the file large " + std::to_string(i) + "\"", 11);
}

TEST(WriteOutline, DeviceFormStreamsTheSameBytes) {
    LibraryTree tree;
    buildBigTree(tree, 60000); // several megabytes: more than one chunk
    const std::string expected = WriteOutline(tree);
    ASSERT_GT(expected.size(), 3u << 20);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(WriteOutline(tree, buffer).error.empty());
    EXPECT_EQ(buffer.data().toStdString(), expected);
}

TEST(SaveLibraryFile, FailingDeviceReturnsItsError) {
    LibraryTree tree;
    buildBigTree(tree, 60000);
    for (qint64 limit : {qint64(0), qint64(100), qint64(1 << 20), qint64(3 << 20)}) {
        FailingDevice dev(limit);
        EXPECT_EQ(SaveLibraryFileTo(tree, dev).error, "No space left on device")
            << "limit " << limit;
        EXPECT_EQ(dev.data.size(), limit);
    }
    FailingDevice roomy(qint64(1) << 40);
    EXPECT_TRUE(SaveLibraryFileTo(tree, roomy).error.empty());
    EXPECT_EQ(roomy.data.toStdString(), WriteOutline(tree));
}

TEST(SaveLibraryFile, SavesAtomicallyAndKeepsOldFileOnFailure) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    LibraryTree tree;
    ASSERT_TRUE(OutlineLoader(tree, "Root\n\tNotes\n\tLibrary 1\n\t\tNotes\n").ok());
    const QString path = dir.filePath("lib.bv1");

    EXPECT_TRUE(SaveLibraryFile(tree, path).error.empty());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toStdString(), "Root\r\n\tNotes\r\n\tLibrary 1\r\n\t\tNotes\r\n");
    f.close();
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);

    // Loading what was saved gives the same tree.
    LibraryTree back;
    LoadOutcome out = LoadLibraryFile(back, path);
    EXPECT_TRUE(out.fileFound);
    EXPECT_TRUE(out.error.isEmpty());
    DeriveNodeKinds(tree);
    EXPECT_EQ(dump(back), dump(tree));

    // A read-only file stays as it was.
    {
        QFile old(dir.filePath("ro.bv1"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old content\r\n");
    }
    ASSERT_TRUE(QFile::setPermissions(dir.filePath("ro.bv1"),
                                      QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    EXPECT_FALSE(SaveLibraryFile(tree, dir.filePath("ro.bv1")).error.empty());
    QFile ro(dir.filePath("ro.bv1"));
    ASSERT_TRUE(ro.open(QIODevice::ReadOnly));
    EXPECT_EQ(ro.readAll().toStdString(), "old content\r\n");

    // Folders that cannot be written: one that does not exist, and /proc.
    EXPECT_FALSE(SaveLibraryFile(tree, dir.filePath("missing/lib.bv1")).error.empty());
    EXPECT_FALSE(SaveLibraryFile(tree, "/proc/brenvik-test.bv1").error.empty());
}

TEST(LoadLibraryFile, MissingFileLeavesTheTreeAlone) {
    LibraryTree tree;
    tree.appendChild(NoNode, "kept", 0);
    LoadOutcome out = LoadLibraryFile(tree, "/nonexistent/brenvik/none.bv1");
    EXPECT_FALSE(out.fileFound);
    EXPECT_TRUE(out.error.isEmpty());
    EXPECT_FALSE(out.partial());
    EXPECT_EQ(dump(tree), "0\t0\tkept\n");
}

TEST(LoadLibraryFile, ErrorTextOfAWindowsFileIsReadable) {
    QTemporaryDir dir;
    const QString path = dir.filePath("w.bv1");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Root\r\n\t\t\tCaf\xE9\r\n");
    }
    LibraryTree tree;
    LoadOutcome out = LoadLibraryFile(tree, path);
    EXPECT_TRUE(out.partial());
    EXPECT_EQ(out.error, QString::fromUtf8("Invalid level (3) for item \"Caf\xC3\xA9\""));
}

TEST(CheckFolderWritable, TellsWritableFromUnwritable) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_FALSE(CheckFolderWritable(dir.path()));
    EXPECT_FALSE(QFile::exists(dir.filePath("test.$$$")));
    EXPECT_TRUE(CheckFolderWritable(dir.filePath("does-not-exist")));
    EXPECT_TRUE(CheckFolderWritable("/proc"));
}

// The writer guard: whatever a node holds, the file reads back in the same shape.
TEST(WriteOutline, UnstorableTextsNeverChangeTheShape) {
    const std::vector<std::string> bad = {
        "\tleading tab", " leading blank",         "cr\rinside", "lf\ninside",
        "crlf\r\nin",    std::string("nul\0x", 5), "\t \r\n",    "u2028\xE2\x80\xA8x"};
    // Through the edit operations.
    LibraryTree edited;
    NodeId root = edited.appendChild(NoNode, "Root", 0);
    NodeId notes = edited.appendChild(root, "Notes", 10);
    for (const std::string& t : bad) {
        NodeId n = edited.appendChild(notes, "placeholder", 11);
        edited.setText(n, t);
        EXPECT_TRUE(LibraryTree::isStorable(edited.text(n)));
        EXPECT_EQ(edited.text(n), LibraryTree::storable(t));
    }
    // Through a bulk-loaded tree whose texts point straight into a buffer.
    LibraryTree bulk;
    std::string block;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> refs;
    for (const std::string& t : bad) {
        refs.emplace_back(block.size(), std::uint32_t(t.size()));
        block += t;
    }
    bulk.beginBulk();
    std::uint64_t base = bulk.adoptTextBlock(std::move(block));
    NodeId broot = bulk.bulkAppendRef(NoNode, base, 0, 0);
    NodeId bnotes = bulk.bulkAppendRef(broot, base, 0, 10);
    for (auto [off, len] : refs)
        bulk.bulkAppendRef(bnotes, base + off, len, 11);
    bulk.endBulk();

    for (LibraryTree* tree : {&edited, &bulk}) {
        const std::string written = WriteOutline(*tree);
        LibraryTree back;
        ASSERT_TRUE(OutlineLoader(back, written).ok());
        EXPECT_EQ(back.nodeCount(), tree->nodeCount());
        NodeId a = tree->first(), b = back.first();
        for (; a != NoNode && b != NoNode; a = tree->preorderNext(a), b = back.preorderNext(b)) {
            EXPECT_EQ(back.depth(b), tree->depth(a));
            // Only what breaks a line is mended; U+2028 and U+2029 are kept.
            EXPECT_EQ(back.text(b), LibraryTree::writable(tree->text(a)));
        }
        EXPECT_EQ(a, NoNode);
        EXPECT_EQ(b, NoNode);
        // The device form applies the same guard.
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        EXPECT_TRUE(WriteOutline(*tree, buffer).error.empty());
        EXPECT_EQ(buffer.data().toStdString(), written);
    }
}

TEST(TextCodec, RandomBytesRoundTrip) {
    std::mt19937 rng(12345);
    const std::string pieces[] = {
        "a",    " ",    "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",  "\xEF\xBB\xBF",
        "\x81", "\x9D", "\xC0\x80", "\xED\xA0\x80", std::string(1, '\0')};
    for (int round = 0; round < 3000; ++round) {
        std::string b;
        int len = int(rng() % 40);
        bool pieceMode = round % 2 == 0;
        for (int i = 0; i < len; ++i) {
            if (pieceMode)
                b += pieces[rng() % std::size(pieces)];
            else
                b += char(rng() % 256);
        }
        QString shown = BytesToDisplay(b);
        ASSERT_EQ(DisplayToBytes(shown, b), b) << "round " << round;
    }
}

TEST(TextCodec, Utf8Validation) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF"));
    EXPECT_FALSE(IsValidUtf8("caf\xE9"));          // Windows-1252 e acute
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));         // overlong NUL
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));     // overlong slash
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));         // cut short
    EXPECT_FALSE(IsValidUtf8("\xE2\x82x"));
    EXPECT_FALSE(IsValidUtf8("\x80"));
}

TEST(TextCodec, WindowsTextIsShownAndKept) {
    const std::string win = "Caf\xE9 \x80 \x93quoted\x94 \x81\x8D\x8F\x90\x9D";
    QString shown = BytesToDisplay(win);
    EXPECT_EQ(shown, QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D ") +
                         QString(QChar(0x81)) + QChar(0x8D) + QChar(0x8F) + QChar(0x90) +
                         QChar(0x9D));
    EXPECT_EQ(DisplayToBytes(shown, win), win);
    // Edited but still fitting the code page: stays in it.
    EXPECT_EQ(DisplayToBytes(shown.left(4) + QString::fromUtf8(" \xE2\x80\x94 ok"), win),
              "Caf\xE9 \x97 ok");
    // A character the code page lacks: the text becomes UTF-8.
    EXPECT_EQ(DisplayToBytes(QString::fromUtf8("Caf\xC3\xA9 \xCE\xA9"), win),
              "Caf\xC3\xA9 \xCE\xA9");
    // U+0080 is not one of the five kept controls: not encodable in Windows-1252.
    EXPECT_EQ(DisplayToBytes(QString(QChar(0x80)), win), "\xC2\x80");
    // A UTF-8 original stays UTF-8 even when the text would fit Windows-1252.
    EXPECT_EQ(DisplayToBytes(QString::fromUtf8("caf\xC3\xA9"), "caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(DisplayToBytes(QString::fromUtf8("caf\xC3\xA9")), "caf\xC3\xA9");
}

} // namespace
