#include "library/objects.h"

#include <algorithm>

namespace brenvik {

namespace {
const char* const kNames[] = {"System",  "Library", "Set",     "Book",    "Part",
                              "Chapter", "Section", "Concept", "Question"};
const char* const kDescr[] = {
    "",
    "Enter the name of a supercategory (e.g., Home, School, Work).",
    "Enter the name of an author, category, collection, genre, subject, term, volume, year, "
    "or other logical grouping of books. Students should enter an academic term (e.g., Fall "
    "2008).",
    "Enter the title of a book and, if necessary, its edition (e.g., Electric Circuits - 8th "
    "Edition).",
    "Enter the name of a part of the book (e.g., Part I. Circuit Analysis, Part II. Circuit "
    "Design). Students should enter a grouping of chapters (e.g., Exam 1 Chapters, Exam 2 "
    "Chapters).",
    "Enter the chapter number and name (e.g., Chapter 1. Circuit Elements).",
    "Enter the section number and name (e.g., Section 1. Electrical Resistance).",
    "Enter a brief description of the concept (e.g., Ohm's Law).",
    "Enter the question number (e.g., Question 1).",
};

bool isTrimmable(unsigned char c) {
    return c <= ' ';
}

// Lower-casing as the name comparison does it (ASCII and Latin-1 letters).
std::string LowerText(std::string_view text) {
    std::string out(text);
    for (char& ch : out) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 'A' && c <= 'Z')
            ch = char(c + 32);
        else if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
            ch = char(c + 32); // Latin-1 capitals of a Windows-made file
    }
    return out;
}

// A quoted line's inner text made storable: only line breaks and NUL are replaced, since
// the line starts with its quote.
std::string SanitizeLineText(std::string_view text) {
    std::string out = LibraryTree::storable(std::string("x") + std::string(text));
    return out.substr(1);
}
} // namespace

Result<std::string> GetObjName(int level) {
    if (level < 0 || level > MaxObjectLevel)
        return Result<std::string>::failure("bad case in TFormMain::GetObjName()");
    return std::string(kNames[level]);
}

Result<std::string> GetObjDescr(int level) {
    if (level < 1 || level > MaxObjectLevel)
        return Result<std::string>::failure("bad case in TFormMain::GetObjDescr()");
    return std::string(kDescr[level]);
}

std::string LowerObjName(int level) {
    auto name = GetObjName(level);
    return name ? LowerText(name.value()) : std::string();
}

NodeId GetObjAtLevel(const LibraryTree& tree, NodeId node, int level) {
    NodeId n = node;
    while (n != NoNode && (tree.depth(n) > level || tree.kind(n) > MaxObjectLevel))
        n = tree.parent(n);
    if (n == NoNode || tree.depth(n) < level) return NoNode;
    return n;
}

std::string UnquoteLine(std::string_view stored) {
    if (stored.size() < 2) return std::string();
    return std::string(stored.substr(1, stored.size() - 2));
}

std::string QuoteLine(std::string_view line) {
    std::string out;
    out.reserve(line.size() + 2);
    out += '"';
    out += SanitizeLineText(line);
    out += '"';
    return out;
}

void AddNotesNode(LibraryTree& tree, NodeId object, std::string_view text) {
    NodeId notes = tree.appendChild(object, "Notes", NotesNode);
    if (!text.empty()) tree.appendChild(notes, QuoteLine(text), QuotedLine);
}

void SetQuotedChildren(LibraryTree& tree, NodeId parent, const std::vector<std::string>& lines) {
    int count = tree.childCount(parent);
    while (count < int(lines.size())) {
        tree.appendChild(parent, "", QuotedLine);
        ++count;
    }
    while (count > int(lines.size())) {
        tree.remove(tree.lastChild(parent));
        --count;
    }
    NodeId c = tree.firstChild(parent);
    for (const std::string& line : lines) {
        tree.setText(c, QuoteLine(line));
        tree.setKind(c, QuotedLine);
        c = tree.nextSibling(c);
    }
}

std::vector<std::string> QuotedChildren(const LibraryTree& tree, NodeId parent) {
    std::vector<std::string> lines;
    if (parent == NoNode) return lines;
    for (NodeId c = tree.firstChild(parent); c != NoNode; c = tree.nextSibling(c))
        lines.push_back(UnquoteLine(tree.text(c)));
    return lines;
}

void TrimBlankLines(std::vector<std::string>& lines) {
    auto blank = [](const std::string& s) {
        return std::all_of(s.begin(), s.end(),
                           [](char c) { return isTrimmable(static_cast<unsigned char>(c)); });
    };
    auto first = std::find_if_not(lines.begin(), lines.end(), blank);
    lines.erase(lines.begin(), first);
    while (!lines.empty() && blank(lines.back()))
        lines.pop_back();
}

void SetNotesLines(LibraryTree& tree, NodeId object, std::vector<std::string>& lines) {
    TrimBlankLines(lines);
    NodeId notes = tree.firstChild(object);
    if (notes == NoNode || tree.kind(notes) != NotesNode || tree.text(notes) != "Notes") {
        // A damaged outline lost the notes node: give the object a new one in front,
        // rather than writing note lines into a sub-object.
        notes = notes == NoNode ? tree.appendChild(object, "Notes", NotesNode)
                                : tree.insertBefore(notes, "Notes", NotesNode);
    }
    SetQuotedChildren(tree, notes, lines);
}

void LoadNotesLines(const LibraryTree& tree, NodeId object, std::vector<std::string>& lines) {
    lines.clear();
    NodeId notes = tree.firstChild(object);
    // The same test as SetNotesLines: after a load every first child has kind 10, so the
    // kind alone would take a sub-object's children for notes.
    if (notes == NoNode || tree.kind(notes) != NotesNode || tree.text(notes) != "Notes")
        return; // no notes node: no notes, and never a sub-object's lines
    lines = QuotedChildren(tree, notes);
}

Result<NodeId> AddNewObj(LibraryTree& tree, NodeId parent, const DesktopColors& desktop,
                         const WizardData* wizard) {
    int level = parent == NoNode ? 1 : tree.depth(parent) + 1;
    auto levelName = GetObjName(level);
    if (!levelName) return Result<NodeId>::failure(levelName.error());
    std::string name;
    for (int n = 1;; ++n) {
        name = levelName.value() + " " + std::to_string(n);
        if (parent == NoNode) break;
        std::string lower = LowerText(name);
        bool taken = false;
        for (NodeId c = tree.firstChild(parent); c != NoNode && !taken; c = tree.nextSibling(c))
            taken = LowerText(tree.text(c)) == lower;
        if (!taken) break;
    }
    int kind = level;
    if (parent == NoNode) kind = tree.empty() ? SystemRoot : TopLevelObject;
    if (level == Question)
        return AppendQuestion(tree, parent, name, NewQuestionRecord(desktop, wizard), desktop);
    bool only = tree.empty();
    NodeId node = tree.appendChild(parent, name, kind);
    AddNotesNode(tree, node, only ? "current user libraries" : "");
    return node;
}

QuestionRecord NewQuestionRecord(const DesktopColors& desktop, const WizardData* wizard) {
    QuestionRecord record = QuestionRecord::newRecord(desktop);
    if (wizard) {
        record.panes[0].textLines = SplitLines(wizard->question);
        record.answer = wizard->answer;
        record.spokenQuestion = SplitLines(wizard->spokenQuestion);
        record.spokenAnswer = SplitLines(wizard->spokenAnswer);
    }
    return record;
}

NodeId AppendQuestion(LibraryTree& tree, NodeId parent, std::string_view name,
                      QuestionRecord record, const DesktopColors& desktop) {
    record.name = std::string(name);
    NodeId node = tree.appendChild(parent, name, Question);
    AddNotesNode(tree, node, "");
    WriteQuestionRecord(tree, node, record, desktop);
    return node;
}

NodeId CopySubtree(LibraryTree& tree, NodeId source, NodeId target, CopyMode mode,
                   const Progress& progress) {
    if (mode == CopyMode::Append) return tree.copySubtree(source, target, NoNode, progress);
    return tree.copySubtree(source, tree.parent(target), target, progress);
}

std::string RootCaption(std::string_view computer, std::string_view user) {
    auto trim = [](std::string_view s) {
        s = s.substr(0, 1023);
        while (!s.empty() && isTrimmable(static_cast<unsigned char>(s.front())))
            s.remove_prefix(1);
        while (!s.empty() && isTrimmable(static_cast<unsigned char>(s.back())))
            s.remove_suffix(1);
        return std::string(s);
    };
    std::string a = trim(computer), b = trim(user);
    if (a.empty()) a = "Local computer";
    if (b.empty()) b = "Current user";
    return LibraryTree::storable(a) + "  >  " + LibraryTree::storable(b);
}

void SetRootCaption(LibraryTree& tree, std::string_view computer, std::string_view user) {
    // The caption follows the machine the library is shown on; it is no edit of the
    // library, so opening or activating never marks it changed or adds an undo step.
    if (!tree.empty()) tree.setTextQuietly(tree.first(), RootCaption(computer, user));
}

std::string EscapeAmpersands(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '&') out += '&';
    }
    return out;
}

} // namespace brenvik
