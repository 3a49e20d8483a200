// What keeps a library safe and a big one responsive: copies built detached and undone in
// one step, rows found through the index, the root caption as no change, loads that fail
// or stop early, the writer's byte-for-byte output and saves that fail for the system's
// reasons without leaving partial files.

#include "library/demodata.h"
#include "library/librarytree.h"
#include "library/objects.h"
#include "library/outline.h"
#include "tests/support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>

using namespace brenvik;

namespace {

struct CountingObserver : TreeObserver {
    LibraryTree* tree = nullptr;
    int inserts = 0, removes = 0, changes = 0, quietChanges = 0, resets = 0;
    std::vector<std::pair<NodeId, int>> insertRows;
    void aboutToInsert(NodeId parent, int row) override { insertRows.emplace_back(parent, row); }
    void inserted(NodeId) override { ++inserts; }
    void aboutToRemove(NodeId) override {}
    void removed(NodeId, int) override { ++removes; }
    void changed(NodeId) override {
        ++changes;
        if (tree && tree->quietEdit()) ++quietChanges;
    }
    void aboutToReset() override {}
    void resetDone() override { ++resets; }
};

// A topic with `questions` small question subtrees, below a root with notes.
NodeId buildConcept(LibraryTree& tree, int questions) {
    NodeId root = tree.appendChild(NoNode, "Root", 0);
    tree.appendChild(root, "Notes", 10);
    NodeId topic = tree.appendChild(root, "Concept", 7);
    tree.appendChild(topic, "Notes", 10);
    for (int i = 0; i < questions; ++i) {
        NodeId q = tree.appendChild(topic, "Question " + std::to_string(i), 8);
        tree.appendChild(q, "Notes", 10);
        NodeId s = tree.appendChild(q, "Settings", 17);
        tree.appendChild(s, "Address: http://x/\xE2\x80\xA8y", 24);
    }
    return topic;
}

std::string shape(const LibraryTree& tree, NodeId from) {
    std::string out;
    const int base = tree.depth(from);
    for (NodeId n = from; n != NoNode && (n == from || tree.depth(n) > base);
         n = tree.preorderNext(n))
        out += std::to_string(tree.depth(n) - base) + ":" + std::to_string(tree.kind(n)) + ":" +
               std::string(tree.text(n)) + "\n";
    return out;
}

// Files larger than `kilobytes` fail to grow with EFBIG ("File too large") while it lives,
// the way a full disk fails with ENOSPC: a real system error on a real write.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t kilobytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = old_;
        lim.rlim_cur = kilobytes * 1024;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

} // namespace

TEST(LargeLibrary, CopyIsOneAttachUndoneAndRedoneInOneStep) {
    LibraryTree tree;
    NodeId topic = buildConcept(tree, 300);
    const std::size_t before = tree.nodeCount();
    const std::string original = shape(tree, topic);
    CountingObserver seen;
    tree.setObserver(&seen);

    tree.beginJournal();
    NodeId copy = CopySubtree(tree, topic, tree.parent(topic), CopyMode::Append);
    Journal j = tree.takeJournal();
    ASSERT_EQ(j.ops.size(), 1u);
    EXPECT_EQ(seen.inserts, 1);
    EXPECT_EQ(seen.insertRows.back(), std::make_pair(tree.parent(topic), 2));
    EXPECT_EQ(tree.nodeCount(), 2 * before - 2); // the topic's subtree, once more
    EXPECT_EQ(shape(tree, copy), original);      // kinds and U+2028 copied byte for byte
    EXPECT_TRUE(tree.isAttached(tree.lastChild(tree.lastChild(copy))));

    tree.undo(j);
    EXPECT_EQ(seen.removes, 1);
    EXPECT_FALSE(tree.isAttached(copy));
    EXPECT_FALSE(tree.isAttached(tree.firstChild(copy)));
    EXPECT_EQ(tree.childCount(tree.parent(topic)), 2);
    tree.redo(j);
    EXPECT_EQ(seen.inserts, 2);
    EXPECT_EQ(shape(tree, copy), original);
    EXPECT_EQ(seen.changes, 0);
    tree.undo(j);
    tree.discard(j, true); // the undone copy belongs to the journal and goes
    EXPECT_EQ(tree.nodeCount(), before);
    tree.setObserver(nullptr);
}

TEST(LargeLibrary, CopyIntoItsOwnSubtreeAndBeforeASibling) {
    LibraryTree tree;
    NodeId topic = buildConcept(tree, 3);
    const std::string original = shape(tree, topic);
    NodeId q0 = tree.child(topic, 1);
    // Into itself: the copy holds the subtree as it was, not its own new nodes.
    NodeId inner = CopySubtree(tree, topic, q0, CopyMode::Append);
    EXPECT_EQ(tree.parent(inner), q0);
    EXPECT_EQ(shape(tree, inner), original);
    // Before a sibling.
    NodeId q2 = tree.child(topic, 3);
    NodeId before = CopySubtree(tree, q2, q2, CopyMode::Insert);
    EXPECT_EQ(tree.nextSibling(before), q2);
    EXPECT_EQ(tree.row(before), 3);
    EXPECT_EQ(tree.childCount(topic), 5);
}

TEST(LargeLibrary, RowsAndCountsFollowEveryEditOfLongLists) {
    LibraryTree tree;
    NodeId topic = buildConcept(tree, 200);
    std::vector<NodeId> mirror; // the topic's children as a walk sees them
    for (NodeId c = tree.firstChild(topic); c != NoNode; c = tree.nextSibling(c))
        mirror.push_back(c);
    std::mt19937 rng(7);
    tree.beginJournal();
    for (int step = 0; step < 400; ++step) {
        const int size = int(mirror.size());
        const int pick = int(rng() % std::uint32_t(size));
        switch (rng() % 4) {
        case 0: { // insert before
            NodeId n = tree.insertBefore(mirror[std::size_t(pick)], "new", 8);
            mirror.insert(mirror.begin() + pick, n);
            break;
        }
        case 1: // remove
            if (size > 2) {
                tree.remove(mirror[std::size_t(pick)]);
                mirror.erase(mirror.begin() + pick);
            }
            break;
        case 2: { // move to the end
            NodeId n = mirror[std::size_t(pick)];
            tree.move(n, topic, NoNode);
            mirror.erase(mirror.begin() + pick);
            mirror.push_back(n);
            break;
        }
        default: { // copy to the front
            NodeId n =
                CopySubtree(tree, mirror[std::size_t(pick)], mirror.front(), CopyMode::Insert);
            mirror.insert(mirror.begin(), n);
            break;
        }
        }
        ASSERT_EQ(tree.childCount(topic), int(mirror.size()));
        for (int probe :
             {0, pick % int(mirror.size()), int(mirror.size()) - 1, int(rng() % mirror.size())}) {
            ASSERT_EQ(tree.child(topic, probe), mirror[std::size_t(probe)]) << step;
            ASSERT_EQ(tree.row(mirror[std::size_t(probe)]), probe) << step;
        }
    }
    Journal j = tree.takeJournal();
    tree.undo(j); // the whole mix replays back to the start
    int r = 0;
    for (NodeId c = tree.firstChild(topic); c != NoNode; c = tree.nextSibling(c), ++r)
        ASSERT_EQ(tree.row(c), r);
    EXPECT_EQ(tree.childCount(topic), 201);
    EXPECT_EQ(tree.child(topic, 201), NoNode);
    EXPECT_EQ(tree.child(topic, -1), NoNode);
}

TEST(LargeLibrary, RootCaptionIsNoEditOfTheLibrary) {
    LibraryTree tree;
    buildConcept(tree, 1);
    CountingObserver seen;
    seen.tree = &tree;
    tree.setObserver(&seen);
    tree.beginJournal();
    SetRootCaption(tree, "HOST", "ann");
    EXPECT_TRUE(tree.takeJournal().empty());
    EXPECT_EQ(tree.text(tree.first()), "HOST  >  ann");
    EXPECT_EQ(seen.changes, 1); // the view is told, as a quiet edit
    EXPECT_EQ(seen.quietChanges, 1);
    EXPECT_FALSE(tree.quietEdit());
    SetRootCaption(tree, "HOST", "ann"); // unchanged: nothing to tell
    EXPECT_EQ(seen.changes, 1);
    tree.setObserver(nullptr);
}

TEST(LargeLibrary, ReplaceWithHandsOverEverythingInOneReset) {
    LibraryTree tree, scratch;
    buildConcept(tree, 2);
    ASSERT_TRUE(OutlineLoader(scratch, "A\r\n\tNotes\r\n\t\t\"x\xE2\x80\xA9y\"\r\nB\r\n").ok());
    DeriveNodeKinds(scratch);
    const std::string wanted = WriteOutline(scratch);
    CountingObserver seen;
    tree.setObserver(&seen);
    const auto generation = tree.generation();
    tree.replaceWith(scratch);
    EXPECT_EQ(seen.resets, 1);
    EXPECT_NE(tree.generation(), generation);
    EXPECT_EQ(WriteOutline(tree), wanted);
    EXPECT_EQ(tree.childCount(NoNode), 2);
    EXPECT_TRUE(scratch.empty());
    EXPECT_EQ(tree.observer(), &seen);
    // The new content edits normally, texts land in the adopted blocks.
    tree.appendChild(tree.first(), "more", 1);
    EXPECT_EQ(tree.text(tree.lastChild(tree.first())), "more");
    tree.setObserver(nullptr);
}

TEST(KeepLibrary, WriterKeepsLoadedTextsByteForByte) {
    // U+2028 and U+2029 do not end a line in the file, so loaded texts keep them; what
    // a user types is still cleaned.
    const std::string file = "Root\r\n\tNotes\r\n\t\t\"line\xE2\x80\xA8two\"\r\n"
                             "\tA\xE2\x80\xA9 \r\n\t\tNotes\r\n";
    LibraryTree tree;
    ASSERT_TRUE(OutlineLoader(tree, file).ok());
    DeriveNodeKinds(tree);
    EXPECT_EQ(WriteOutline(tree), file);
    NodeId a = tree.lastChild(tree.first());
    tree.setText(a, "typed\xE2\x80\xA8text");
    EXPECT_EQ(tree.text(a), "typed text");
}

TEST(KeepLibrary, FileCutShortIsLoadedWithAWarning) {
    QTemporaryDir dir;
    const QString nulFile = dir.filePath(QStringLiteral("Physics.bv1"));
    ASSERT_TRUE(writeFile(nulFile, QByteArray("Root\r\n\tNotes\r\n\tPart") + QByteArray(1, '\0') +
                                       QByteArray("\r\n\tLost\r\n")));
    LibraryTree tree;
    LoadOutcome out = LoadLibraryFile(tree, nulFile);
    EXPECT_TRUE(out.read);
    EXPECT_TRUE(out.error.isEmpty());
    EXPECT_EQ(out.bytesUsed, 19);
    EXPECT_EQ(out.fileBytes, 29);
    EXPECT_TRUE(out.warning.contains(QDir::toNativeSeparators(nulFile))) << qPrintable(out.warning);
    EXPECT_TRUE(out.warning.contains(QStringLiteral("cut short")));
    EXPECT_TRUE(out.warning.contains(QStringLiteral("only 19 of its 29 bytes")));
    EXPECT_EQ(tree.nodeCount(), 3u);

    // Binary data without a NUL byte: read whole, but still no library file.
    const QString binFile = dir.filePath(QStringLiteral("picture.bv1"));
    ASSERT_TRUE(writeFile(binFile, QByteArray("Root\r\n\x01\x02\x1b\x7f more\n")));
    out = LoadLibraryFile(tree, binFile);
    EXPECT_TRUE(out.cutShort());
    EXPECT_TRUE(out.warning.contains(QStringLiteral("binary data")));
    EXPECT_EQ(out.bytesUsed, out.fileBytes);

    // Plain text, FF and VT included, is no warning.
    const QString textFile = dir.filePath(QStringLiteral("fine.bv1"));
    ASSERT_TRUE(writeFile(textFile, QByteArray("Root\r\n\tNotes\f\v\r\n")));
    out = LoadLibraryFile(tree, textFile);
    EXPECT_FALSE(out.cutShort());
}

TEST(KeepLibrary, FailedReadLeavesTheTreeAndNamesTheFile) {
    LibraryTree tree;
    buildConcept(tree, 1);
    const std::string before = WriteOutline(tree);
    // A file that opens but cannot be read (the kernel refuses reads at offset 0).
    LoadOutcome out = LoadLibraryFile(tree, QStringLiteral("/proc/self/mem"));
    EXPECT_TRUE(out.fileFound);
    EXPECT_FALSE(out.read);
    EXPECT_TRUE(out.error.startsWith(QStringLiteral("Could not read \"/proc/self/mem\": ")))
        << qPrintable(out.error);
    EXPECT_EQ(WriteOutline(tree), before);
}

TEST(KeepLibrary, SaveFailuresNameTheFileAndTheSystemsReason) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Physics.bv1"));
    ASSERT_TRUE(writeFile(path, "Old\r\n"));
    LibraryTree tree;
    NodeId root = tree.appendChild(NoNode, "Root", 0);
    for (int i = 0; i < 4000; ++i)
        tree.appendChild(root, std::string(100, 'x'), 1);
    {
        FileSizeLimit limit(64);
        const QString error = ErrorText(SaveLibraryFile(tree, path));
        EXPECT_EQ(error, QStringLiteral("Could not save \"%1\": File too large")
                             .arg(QDir::toNativeSeparators(path)));
    }
    EXPECT_EQ(readAll(path), QByteArray("Old\r\n")); // the old file is intact
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Physics.bv1")});

    const QString missing = dir.filePath(QStringLiteral("no/such/folder/x.bv1"));
    const QString error = ErrorText(SaveLibraryFile(tree, missing));
    EXPECT_TRUE(error.startsWith(
        QStringLiteral("Could not save \"%1\": ").arg(QDir::toNativeSeparators(missing))))
        << qPrintable(error);
    EXPECT_GT(error.size(), QStringLiteral("Could not save \"%1\": ").arg(missing).size());
}

TEST(KeepLibrary, DemoIsWrittenAtomically) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Demo"));
    ASSERT_TRUE(writeFile(path, "old"));
    QFile::setPermissions(path, QFile::ReadOwner);
    ASSERT_TRUE(WriteDemoFile(path).error.empty()); // a read-only Demo is replaced
    EXPECT_EQ(readAll(path).toStdString(), DemoFileBytes());
    QFile::remove(path);
    {
        FileSizeLimit limit(16); // the demo is 140 KB
        EXPECT_EQ(WriteDemoFile(path).error, QStringLiteral("Could not save \"%1\": File too large")
                                                 .arg(QDir::toNativeSeparators(path))
                                                 .toStdString());
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // The tool behind a full disk: the system's reason, no partial file.
    QProcess p;
    const QString out = dir.filePath(QStringLiteral("demo.bv1"));
    p.start(QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"),
             QStringLiteral("trap '' XFSZ; ulimit -f 16; exec \"$0\" demo \"$1\""),
             QStringLiteral(BRENVIK_TOOL), out});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()).trimmed(),
              QStringLiteral("brenvik-tool: Could not save \"%1\": File too large").arg(out));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}
