#include "study/core/collect.h"

#include "library/nodekind.h"
#include "library/objects.h"
#include "library/textcodec.h"

#include <QFileInfo>

namespace brenvik {

namespace {

// Blanks and control characters at both ends go, as everywhere a question's values are
// judged (QString::trimmed would keep the other control characters).
QString TrimControls(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

QString TrimControls(const std::string& text) {
    return TrimControls(BytesToDisplay(text));
}

QString Joined(const std::vector<std::string>& lines) {
    QString joined;
    for (const std::string& line : lines)
        joined += BytesToDisplay(line) + QLatin1Char('\n');
    return joined;
}

const QString FollowingQuestion = QStringLiteral("\nfor the following question...");

// Objects that can appear on a path: every level below the root, and the extra top-level
// objects a library file may hold.
bool IsPathObject(const LibraryTree& tree, NodeId n) {
    const int kind = tree.kind(n);
    return (kind > SystemRoot && kind <= MaxObjectLevel) || kind == TopLevelObject;
}

} // namespace

std::vector<NodeId> CollectQuestions(const LibraryTree& tree, NodeId selected, int level) {
    std::vector<NodeId> questions;
    if (!tree.isAttached(selected)) return questions;
    const NodeId start = GetObjAtLevel(tree, selected, level);
    if (start == NoNode) return questions;
    const int startKind = tree.kind(start);
    // The next object of the start's level ends the walk; in a sound tree that is where
    // the subtree ends too, and the subtree's end bounds the walk whatever the file holds.
    const NodeId end = tree.preorderNextSkipping(start);
    NodeId n = start;
    while (n != NoNode && n != end) {
        const int kind = tree.kind(n);
        if (n != start && kind == startKind) break;
        if (kind == Question) {
            questions.push_back(n);
            n = tree.preorderNextSkipping(n); // a question holds only its settings
        } else if (isObjectKind(kind)) {
            n = tree.preorderNext(n);
        } else {
            n = tree.preorderNextSkipping(n); // notes and other attributes hold no objects
        }
    }
    return questions;
}

std::vector<NodeId> CollectAllQuestions(const LibraryTree& tree) {
    std::vector<NodeId> questions;
    NodeId n = tree.first();
    while (n != NoNode) {
        const int kind = tree.kind(n);
        if (kind == Question) {
            questions.push_back(n);
            n = tree.preorderNextSkipping(n);
        } else if (isObjectKind(kind) || kind == TopLevelObject) {
            n = tree.preorderNext(n);
        } else {
            n = tree.preorderNextSkipping(n);
        }
    }
    return questions;
}

Status ValidatePane(const PaneRecord& pane, int n, const StudyFolders& folders) {
    const QString number = QString::number(n);
    switch (pane.content) {
    case TextContent:
        if (TrimControls(Joined(pane.textLines)).isEmpty())
            return Status::failure(QStringLiteral("No text is specified in pane ") + number +
                                   FollowingQuestion);
        return Status::success();
    case ImageContent: {
        const QString name = TrimControls(pane.imageFile);
        if (name.isEmpty())
            return Status::failure(QStringLiteral("No image filename is specified in pane ") +
                                   number + FollowingQuestion);
        // A folder of that name is no picture.
        if (!QFileInfo(ResolveStudyPath(name, folders)).isFile())
            return Status::failure(QStringLiteral("The image file, ") + name +
                                   QStringLiteral(", doesn't exist (specified in pane ") + number +
                                   QLatin1Char(')') + FollowingQuestion);
        return Status::success();
    }
    case WebsiteContent:
        if (TrimControls(pane.webAddress).isEmpty())
            return Status::failure(
                QStringLiteral("No website address (or filename) is specified in pane ") + number +
                FollowingQuestion);
        return Status::success();
    default:
        return Status::success();
    }
}

Status ValidateStudyQuestion(const QuestionRecord& record, const StudyFolders& folders) {
    // The display shows a layout outside 1..3 as layout 1, so only pane 1 must be sound.
    const int panes = record.layout == 2 ? 2 : record.layout == 3 ? 3 : 1;
    for (int i = 0; i < panes; ++i)
        if (Status pane = ValidatePane(record.panes[i], i + 1, folders); !pane) return pane;
    if (TrimControls(record.answer).isEmpty())
        return Status::failure("No answer exists for the\nfollowing question...");
    return Status::success();
}

QString NoQuestionsMessage() {
    return QStringLiteral("No questions exist at the level selected.");
}

StudyCheck CheckStudyQuestions(const LibraryTree& tree, const std::vector<NodeId>& questions,
                               const DesktopColors& desktop, const StudyFolders& folders,
                               const Progress& progress) {
    StudyCheck check;
    QuestionRecord record;
    for (NodeId q : questions) {
        // Fresh per question: a short settings subtree must not inherit the previous values.
        const Status read = ReadFreshQuestionRecord(tree, q, record, desktop);
        QString message = ErrorText(read ? ValidateStudyQuestion(record, folders) : read);
        if (!message.isEmpty()) {
            check.problemQuestion = q;
            check.message = std::move(message);
            return check;
        }
        if (++check.checked % 1024 == 0 && progress)
            progress(std::size_t(check.checked), questions.size());
    }
    return check;
}

QString ObjectPath(const LibraryTree& tree, NodeId object) {
    if (!tree.isAttached(object)) return {};
    QStringList names;
    for (NodeId n = object; n != NoNode && tree.parent(n) != NoNode; n = tree.parent(n))
        names.prepend(BytesToDisplay(tree.text(n)));
    return names.join(QStringLiteral(" > "));
}

namespace {

// Matches `path` from `from` on against the objects below `parent`, trying every object
// whose name fits, so that a name holding " > " or two objects of one name still resolve.
NodeId FindBelow(const LibraryTree& tree, NodeId parent, const QString& path, qsizetype from) {
    static const QString separator = QStringLiteral(" > ");
    for (NodeId c = tree.firstChild(parent); c != NoNode; c = tree.nextSibling(c)) {
        if (!IsPathObject(tree, c)) continue;
        const QString name = BytesToDisplay(tree.text(c));
        if (QStringView(path).mid(from, name.size()) != name) continue;
        const qsizetype after = from + name.size();
        if (after == path.size()) return c;
        if (QStringView(path).mid(after).startsWith(separator)) {
            const NodeId found = FindBelow(tree, c, path, after + separator.size());
            if (found != NoNode) return found;
        }
    }
    return NoNode;
}

} // namespace

NodeId FindObjectByPath(const LibraryTree& tree, const QString& path) {
    if (path.isEmpty()) return NoNode;
    for (NodeId top = tree.first(); top != NoNode; top = tree.nextSibling(top)) {
        const NodeId found = FindBelow(tree, top, path, 0);
        if (found != NoNode) return found;
    }
    return NoNode;
}

} // namespace brenvik
