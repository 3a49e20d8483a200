#include "library/outline.h"

#include "library/savefile.h"
#include "library/textcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <vector>

namespace brenvik {

namespace {

// The kind a node gets from its depth alone. Kinds are stored in a byte; a damaged file
// may nest deeper than that, and wrapping round would fake an object kind.
int depthKind(int depth) {
    return std::min(depth, 255);
}

NodeId next(const LibraryTree& tree, NodeId n) {
    return n == NoNode ? NoNode : tree.nextSibling(n);
}

// Sets the kinds of `n` and of its next siblings, as far as they exist.
void setRun(LibraryTree& tree, NodeId n, std::initializer_list<int> kinds) {
    for (int k : kinds) {
        if (n == NoNode) return;
        tree.setKindSilently(n, k);
        n = tree.nextSibling(n);
    }
}

void setChildrenKind(LibraryTree& tree, NodeId parent, int kind) {
    for (NodeId c = tree.firstChild(parent); c != NoNode; c = tree.nextSibling(c))
        tree.setKindSilently(c, kind);
}

// The kinds of one pane's subtree. Each of the three blocks is set as far as it exists;
// a damaged block does not stop the others.
void derivePane(LibraryTree& tree, NodeId pane) {
    tree.setKindSilently(pane, PaneNode);
    NodeId textChoice = tree.firstChild(pane);
    if (textChoice == NoNode) return;
    tree.setKindSilently(textChoice, TextChoiceLine);
    NodeId lines = tree.firstChild(textChoice);
    if (lines != NoNode) {
        tree.setKindSilently(lines, NotesNode);
        setChildrenKind(tree, lines, QuotedLine);
        setRun(tree, tree.nextSibling(lines),
               {FontLine, FlagLine, FlagLine, FlagLine, BackgroundColorLine});
    }
    NodeId imageChoice = tree.nextSibling(textChoice);
    if (imageChoice == NoNode) return;
    tree.setKindSilently(imageChoice, ImageChoiceLine);
    setRun(tree, tree.firstChild(imageChoice),
           {FileLine, FlagLine, FlagLine, FlagLine, BackgroundColorLine});
    NodeId webChoice = tree.nextSibling(imageChoice);
    if (webChoice == NoNode) return;
    tree.setKindSilently(webChoice, WebsiteChoiceLine);
    setRun(tree, tree.firstChild(webChoice), {AddressLine, FlagLine, FlagLine});
}

// The kinds of a question's fixed shape, up to the first node that is missing.
void deriveQuestion(LibraryTree& tree, NodeId question) {
    NodeId settings = next(tree, tree.firstChild(question));
    if (settings == NoNode) return;
    tree.setKindSilently(settings, SettingsNode);
    NodeId layout = tree.firstChild(settings);
    if (layout == NoNode) return;
    tree.setKindSilently(layout, LayoutLine);
    NodeId proportions = tree.nextSibling(layout);
    if (proportions == NoNode) return;
    tree.setKindSilently(proportions, ProportionsNode);
    NodeId two = tree.firstChild(proportions);
    if (two == NoNode) return;
    tree.setKindSilently(two, LayoutLine);
    NodeId three = tree.nextSibling(two);
    if (three == NoNode) return;
    tree.setKindSilently(three, LayoutLine);
    NodeId n = proportions;
    for (int i = 0; i < 3; ++i) {
        n = tree.nextSibling(n);
        if (n == NoNode) return;
        derivePane(tree, n);
    }
    n = tree.nextSibling(n);
    if (n == NoNode) return;
    tree.setKindSilently(n, SpokenTextNode);
    setChildrenKind(tree, n, QuotedLine);
    n = tree.nextSibling(n);
    if (n == NoNode) return;
    tree.setKindSilently(n, AnswerLine);
    n = tree.nextSibling(n);
    if (n == NoNode) return;
    tree.setKindSilently(n, SpokenTextNode);
    setChildrenKind(tree, n, QuotedLine);
}

std::size_t countLines(const std::string& text) {
    std::size_t lf = std::size_t(std::count(text.begin(), text.end(), '\n'));
    if (lf == 0) lf = std::size_t(std::count(text.begin(), text.end(), '\r'));
    return lf + 1;
}

constexpr std::size_t ChunkSize = 1 << 20;

} // namespace

Status OutlineLoader(LibraryTree& tree, std::string text) {
    std::size_t end = text.find('\0');
    if (end != std::string::npos) text.resize(end);
    const std::size_t size = text.size();
    // Node texts point into the adopted buffer. A short string may live inside the
    // string object, where moving it would move the bytes; a heap buffer stays put.
    text.reserve(std::max<std::size_t>(size, 256));
    const char* data = text.data();

    tree.beginBulk();
    TreeObserver* observer = tree.observer();
    tree.setObserver(nullptr); // one reset for the whole load, announced by beginBulk
    tree.clear();
    tree.setObserver(observer);
    if (size == 0) {
        tree.endBulk();
        return Status::success();
    }
    tree.reserve(countLines(text), 0);
    const std::uint64_t base = tree.adoptTextBlock(std::move(text));

    std::vector<NodeId> path; // path[d] = the last node added at depth d
    Status status;
    std::size_t pos = 0;
    while (pos < size) {
        std::size_t lineEnd = pos;
        while (lineEnd < size && data[lineEnd] != '\r' && data[lineEnd] != '\n')
            ++lineEnd;
        std::size_t start = pos;
        while (start < lineEnd && (data[start] == '\t' || data[start] == ' '))
            ++start;
        const std::size_t level = start - pos;
        const std::uint64_t ref = base + start;
        const auto len = std::uint32_t(lineEnd - start);

        if (path.empty()) {
            path.push_back(tree.bulkAppendRef(NoNode, ref, len, 0));
        } else if (level == path.size()) {
            path.push_back(tree.bulkAppendRef(path.back(), ref, len, 0));
        } else if (level > path.size()) {
            status = Status::failure("Invalid level (" + std::to_string(level) + ") for item \"" +
                                     std::string(data + start, len) + "\"");
            break;
        } else {
            path.resize(level + 1);
            NodeId parent = level == 0 ? NoNode : path[level - 1];
            path[level] = tree.bulkAppendRef(parent, ref, len, 0);
        }

        pos = lineEnd;
        if (pos < size && data[pos++] == '\r' && pos < size && data[pos] == '\n')
            ++pos; // CR LF is one line end
    }
    tree.endBulk();
    return status;
}

void DeriveNodeKinds(LibraryTree& tree) {
    std::vector<NodeId> questions;
    ForEachPreorder(tree, [&](NodeId n, int depth) {
        NodeId parent = tree.parent(n);
        if (parent == NoNode) return;
        int kind;
        if (tree.kind(parent) == NotesNode)
            kind = QuotedLine;
        else if (tree.firstChild(parent) == n)
            kind = NotesNode;
        else
            kind = depthKind(depth);
        tree.setKindSilently(n, kind);
        if (depth == MaxObjectLevel && kind == Question) questions.push_back(n);
    });
    for (NodeId q : questions)
        deriveQuestion(tree, q);
}

std::string WriteOutline(const LibraryTree& tree) {
    std::size_t total = 0;
    ForEachPreorder(
        tree, [&](NodeId n, int depth) { total += std::size_t(depth) + tree.text(n).size() + 2; });
    std::string out;
    out.reserve(total);
    ForEachPreorder(tree, [&](NodeId n, int depth) {
        out.append(std::size_t(depth), '\t');
        // Byte for byte: only what would break the line structure is mended.
        std::string_view t = tree.text(n);
        if (LibraryTree::isWritable(t))
            out.append(t);
        else
            out.append(LibraryTree::writable(t));
        out.append("\r\n");
    });
    return out;
}

Status WriteOutline(const LibraryTree& tree, QIODevice& device) {
    std::string chunk;
    chunk.reserve(ChunkSize + 4096);
    Status written;
    ForEachPreorder(tree, [&](NodeId n, int depth) {
        if (!written) return;
        chunk.append(std::size_t(depth), '\t');
        std::string_view t = tree.text(n);
        if (LibraryTree::isWritable(t))
            chunk.append(t);
        else
            chunk.append(LibraryTree::writable(t));
        chunk.append("\r\n");
        if (chunk.size() >= ChunkSize) {
            written = WriteAllBytes(device, chunk.data(), qint64(chunk.size()));
            chunk.clear();
        }
    });
    if (written && !chunk.empty())
        written = WriteAllBytes(device, chunk.data(), qint64(chunk.size()));
    return written;
}

QString FileFailure(const QString& verb, const QString& path, const QString& reason) {
    return QStringLiteral("Could not %1 \"%2\": %3")
        .arg(verb, QDir::toNativeSeparators(path), reason);
}

namespace {

// A byte no text file holds: C0 controls other than TAB, LF, VT, FF and CR, and NUL.
bool isBinaryByte(unsigned char c) {
    return c < 0x20 && c != '\t' && c != '\n' && c != '\v' && c != '\f' && c != '\r';
}

} // namespace

QString CutShortWarning(const QString& path, std::string_view bytes) {
    const std::size_t nul = bytes.find('\0');
    const std::size_t used = nul == std::string_view::npos ? bytes.size() : nul;
    const bool binary =
        std::any_of(bytes.begin(), bytes.begin() + std::ptrdiff_t(used),
                    [](char c) { return isBinaryByte(static_cast<unsigned char>(c)); });
    if (nul == std::string_view::npos && !binary) return {};
    const QString file = QDir::toNativeSeparators(path);
    if (nul != std::string_view::npos)
        return QStringLiteral("The library \"%1\" was cut short: the file holds a NUL byte, "
                              "where reading stops, so only %2 of its %3 bytes were read.")
            .arg(file)
            .arg(qint64(used))
            .arg(qint64(bytes.size()));
    return QStringLiteral("The library \"%1\" may be cut short or garbled: the file is not "
                          "text but binary data. %2 of its %3 bytes were read.")
        .arg(file)
        .arg(qint64(used))
        .arg(qint64(bytes.size()));
}

LoadOutcome LoadLibraryFile(LibraryTree& tree, const QString& path) {
    LoadOutcome outcome;
    QFile file(path);
    if (!file.exists()) return outcome;
    outcome.fileFound = true;
    if (!file.open(QIODevice::ReadOnly)) {
        outcome.error = FileFailure(QStringLiteral("open"), path, file.errorString());
        return outcome;
    }
    std::string bytes;
    const qint64 size = file.size();
    if (size > 0) {
        bytes.resize(std::size_t(size));
        qint64 got = 0;
        while (got < size) {
            qint64 r = file.read(bytes.data() + got, size - got);
            if (r < 0) {
                outcome.error = FileFailure(QStringLiteral("read"), path, file.errorString());
                return outcome;
            }
            if (r == 0) break; // the file shrank while we read it
            got += r;
        }
        bytes.resize(std::size_t(got));
    }
    // Files that report no size (pipes, special files) are read to their end.
    if (size <= 0 || !file.atEnd()) {
        QByteArray rest = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            outcome.error = FileFailure(QStringLiteral("read"), path, file.errorString());
            return outcome;
        }
        bytes.append(rest.constData(), std::size_t(rest.size()));
    }
    outcome.fileBytes = qint64(bytes.size());
    const std::size_t nul = bytes.find('\0');
    outcome.bytesUsed = qint64(nul == std::string::npos ? bytes.size() : nul);
    outcome.warning = CutShortWarning(path, bytes);
    outcome.read = true;
    Status status = OutlineLoader(tree, std::move(bytes));
    if (!status) {
        outcome.error = BytesToDisplay(status.error);
        return outcome;
    }
    DeriveNodeKinds(tree);
    return outcome;
}

Status SaveLibraryFileTo(const LibraryTree& tree, QIODevice& device) {
    return WriteOutline(tree, device);
}

Status SaveFileAtomically(const QString& path, const std::function<Status(QIODevice&)>& write) {
    if (const Status saved = WriteFileAtomically(path, write); !saved)
        return Status::failure(FileFailure(QStringLiteral("save"), path, ErrorText(saved)));
    return Status::success();
}

Status SaveLibraryFile(const LibraryTree& tree, const QString& path) {
    // A read-only file is the user's way of protecting it; renaming a new file over it
    // would bypass that (and root bypasses the permission check altogether).
    QFileInfo info(path);
    if (info.exists() && !(info.permissions() & QFileDevice::WriteOwner))
        return Status::failure(
            FileFailure(QStringLiteral("save"), path, QStringLiteral("the file is read-only")));
    return SaveFileAtomically(path,
                              [&tree](QIODevice& device) { return WriteOutline(tree, device); });
}

bool CheckFolderWritable(const QString& folder) {
    const QString path = QDir(folder).filePath(QStringLiteral("test.$$$"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return true;
    const QByteArray probe("test\r\n");
    bool ok = file.write(probe) == probe.size();
    file.close();
    ok = ok && file.error() == QFileDevice::NoError;
    if (!file.remove()) ok = false;
    return !ok;
}

} // namespace brenvik
