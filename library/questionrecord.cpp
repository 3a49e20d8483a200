#include "library/questionrecord.h"

#include "library/objects.h"

#include <initializer_list>
#include <string_view>
#include <utility>

namespace brenvik {

namespace {

// The value of an attribute line: what follows the first ":" and the blank after it.
// Absent when the line has no ":" or nothing follows that blank.
bool lineValue(std::string_view line, std::string_view& value) {
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || line.size() <= colon + 2) return false;
    value = line.substr(colon + 2);
    return true;
}

// Flags and choices are read by containment, so hand-edited words still count.
bool contains(std::string_view line, std::string_view word) {
    return line.find(word) != std::string_view::npos;
}
bool flag(const LibraryTree& tree, NodeId n) {
    return contains(tree.text(n), "yes");
}
bool selected(const LibraryTree& tree, NodeId n) {
    return contains(tree.text(n), "(selected)");
}

// Reads an integer value when present; fails on a conversion error.
Status readNumber(const LibraryTree& tree, NodeId n, long long& out) {
    std::string_view value;
    if (!lineValue(tree.text(n), value)) return Status::success();
    long long v = 0;
    if (!ParseDecimal(value, v)) return Status::failure(NotAnIntegerMessage(value));
    out = v;
    return Status::success();
}

const char* yesNo(bool b) {
    return b ? "yes" : "no";
}
const char* choice(bool b) {
    return b ? "(selected)" : "(not selected)";
}

// The node after `prev`, or a new last child of `parent` when `prev` is the last one.
NodeId nextOrNew(LibraryTree& tree, NodeId prev, NodeId parent, int kind) {
    NodeId n = tree.nextSibling(prev);
    return n != NoNode ? n : tree.appendChild(parent, "", kind);
}
NodeId firstOrNew(LibraryTree& tree, NodeId parent, int kind, std::string_view text = {}) {
    NodeId n = tree.firstChild(parent);
    return n != NoNode ? n : tree.appendChild(parent, text, kind);
}

// Reads three flag lines after `n`, then the background colour line after them (when
// present). `n` ends on the last node read; a missing flag line ends the block.
Status readFlagsAndColour(const LibraryTree& tree, NodeId& n, bool* a, bool* b, bool* c,
                          long long& colour) {
    for (bool* f : {a, b, c}) {
        n = tree.nextSibling(n);
        if (n == NoNode) return Status::success();
        *f = flag(tree, n);
    }
    if ((n = tree.nextSibling(n)) == NoNode) return Status::success();
    return readNumber(tree, n, colour);
}

// Writes the "Label: yes/no" flag lines after `n` below `parent`; returns the last one.
NodeId writeFlags(LibraryTree& tree, NodeId n, NodeId parent,
                  std::initializer_list<std::pair<const char*, bool>> flags) {
    for (const auto& [label, on] : flags) {
        n = nextOrNew(tree, n, parent, FlagLine);
        tree.setText(n, std::string(label) + yesNo(on));
    }
    return n;
}

// The flag lines, then the "Background color:" line after them; returns that line.
NodeId writeFlagsAndColour(LibraryTree& tree, NodeId n, NodeId parent,
                           std::initializer_list<std::pair<const char*, bool>> flags,
                           long long colour) {
    n = nextOrNew(tree, writeFlags(tree, n, parent, flags), parent, BackgroundColorLine);
    tree.setText(n, "Background color: " + std::to_string(colour));
    return n;
}

} // namespace

PaneRecord PaneRecord::newRecord(const DesktopColors& desktop) {
    PaneRecord pane;
    pane.font.color = desktop.scheme().buttonText;
    return pane;
}

QuestionRecord QuestionRecord::newRecord(const DesktopColors& desktop) {
    QuestionRecord record;
    for (PaneRecord& pane : record.panes)
        pane = PaneRecord::newRecord(desktop);
    return record;
}

Status ReadPaneRecord(const LibraryTree& tree, NodeId pane, PaneRecord& rec,
                      const DesktopColors& desktop) {
    rec.content = TextContent;
    rec.webAddress.clear();
    rec.imageFile.clear();
    rec.font.bold = rec.font.italic = rec.font.underline = rec.font.strikeout = false;
    std::string_view value;

    NodeId textChoice = tree.firstChild(pane);
    if (textChoice == NoNode) return Status::success();
    if (NodeId lines = tree.firstChild(textChoice); lines != NoNode) {
        rec.textLines = QuotedChildren(tree, lines);
        NodeId n = tree.nextSibling(lines);
        if (n != NoNode && lineValue(tree.text(n), value)) {
            if (Status font = ReadFontSpec(value, rec.font, desktop); !font) return font;
            if (Status flags =
                    readFlagsAndColour(tree, n, &rec.textShallowBorder, &rec.textDeepBorder,
                                       &rec.centredText, rec.textBackground);
                !flags)
                return flags;
        }
    }

    NodeId imageChoice = tree.nextSibling(textChoice);
    if (imageChoice == NoNode) return Status::success();
    if (selected(tree, imageChoice)) rec.content = ImageContent;
    if (NodeId n = tree.firstChild(imageChoice); n != NoNode) {
        if (lineValue(tree.text(n), value)) rec.imageFile = std::string(value);
        if (Status flags =
                readFlagsAndColour(tree, n, &rec.imageShallowBorder, &rec.imageDeepBorder,
                                   &rec.stretchToFit, rec.imageBackground);
            !flags)
            return flags;
    }

    NodeId webChoice = tree.nextSibling(imageChoice);
    if (webChoice == NoNode) return Status::success();
    if (selected(tree, webChoice)) rec.content = WebsiteContent; // wins over the image line
    if (NodeId n = tree.firstChild(webChoice); n != NoNode) {
        if (lineValue(tree.text(n), value)) rec.webAddress = std::string(value);
        if ((n = tree.nextSibling(n)) != NoNode) {
            rec.webShallowBorder = flag(tree, n);
            if ((n = tree.nextSibling(n)) != NoNode) rec.webDeepBorder = flag(tree, n);
        }
    }
    return Status::success();
}

Status ReadQuestionRecord(const LibraryTree& tree, NodeId question, QuestionRecord& record,
                          const DesktopColors& desktop) {
    // By position, never by label: a damaged subtree reads as far as its shape holds.
    NodeId notes = tree.firstChild(question);
    if (notes == NoNode) return Status::success();
    record.notes = QuotedChildren(tree, notes);

    NodeId settings = tree.nextSibling(notes);
    if (settings == NoNode) return Status::success();
    NodeId layout = tree.firstChild(settings);
    std::string_view value;
    if (layout == NoNode || !lineValue(tree.text(layout), value)) return Status::success();
    if (Status number = readNumber(tree, layout, record.layout); !number) return number;

    NodeId proportions = tree.nextSibling(layout);
    if (proportions == NoNode) return Status::success();
    NodeId two = tree.firstChild(proportions);
    if (two == NoNode) return Status::success();
    if (lineValue(tree.text(two), value)) record.proportions[2] = std::string(value);
    NodeId three = tree.nextSibling(two);
    if (three == NoNode) return Status::success();
    if (lineValue(tree.text(three), value)) record.proportions[3] = std::string(value);

    NodeId n = proportions;
    for (PaneRecord& pane : record.panes) {
        n = tree.nextSibling(n);
        if (n == NoNode) return Status::success();
        if (Status read = ReadPaneRecord(tree, n, pane, desktop); !read) return read;
    }

    if ((n = tree.nextSibling(n)) == NoNode) return Status::success();
    record.spokenQuestion = QuotedChildren(tree, n);

    if ((n = tree.nextSibling(n)) == NoNode) return Status::success();
    // "Answer: " holds an empty answer; "Answer:" has none and ends the reading.
    std::string_view answer = tree.text(n);
    std::size_t colon = answer.find(':');
    if (colon == std::string_view::npos || answer.size() <= colon + 1) return Status::success();
    record.answer = std::string(answer.substr(std::min(answer.size(), colon + 2)));

    if ((n = tree.nextSibling(n)) == NoNode) return Status::success();
    record.spokenAnswer = QuotedChildren(tree, n);
    return Status::success();
}

Status ReadFreshQuestionRecord(const LibraryTree& tree, NodeId question, QuestionRecord& record,
                               const DesktopColors& desktop) {
    record = QuestionRecord::newRecord(desktop);
    record.name = std::string(tree.text(question));
    return ReadQuestionRecord(tree, question, record, desktop);
}

void WritePaneRecord(LibraryTree& tree, NodeId pane, const PaneRecord& rec,
                     const DesktopColors& desktop) {
    tree.setKind(pane, PaneNode);

    NodeId textChoice = firstOrNew(tree, pane, TextChoiceLine);
    tree.setText(textChoice, std::string("Text: ") + choice(rec.content == TextContent));
    NodeId lines = firstOrNew(tree, textChoice, NotesNode, "Lines");
    SetQuotedChildren(tree, lines, rec.textLines);
    NodeId n = nextOrNew(tree, lines, textChoice, FontLine);
    tree.setText(n, "Font: " + FontToText(rec.font, true, desktop));
    writeFlagsAndColour(tree, n, textChoice,
                        {{"Shallow border: ", rec.textShallowBorder},
                         {"Deep border: ", rec.textDeepBorder},
                         {"Centered text: ", rec.centredText}},
                        rec.textBackground);

    NodeId imageChoice = nextOrNew(tree, textChoice, pane, ImageChoiceLine);
    tree.setText(imageChoice, std::string("Image: ") + choice(rec.content == ImageContent));
    n = firstOrNew(tree, imageChoice, FileLine);
    tree.setText(n, "File: " + rec.imageFile);
    writeFlagsAndColour(tree, n, imageChoice,
                        {{"Shallow border: ", rec.imageShallowBorder},
                         {"Deep border: ", rec.imageDeepBorder},
                         {"Stretch to fit: ", rec.stretchToFit}},
                        rec.imageBackground);

    NodeId webChoice = nextOrNew(tree, imageChoice, pane, WebsiteChoiceLine);
    tree.setText(webChoice, std::string("Website: ") + choice(rec.content == WebsiteContent));
    n = firstOrNew(tree, webChoice, AddressLine);
    tree.setText(n, "Address: " + rec.webAddress);
    writeFlags(
        tree, n, webChoice,
        {{"Add shallow border: ", rec.webShallowBorder}, {"Add deep border: ", rec.webDeepBorder}});
}

void WriteQuestionRecord(LibraryTree& tree, NodeId question, const QuestionRecord& record,
                         const DesktopColors& desktop) {
    tree.setText(question, record.name);
    std::vector<std::string> notes = record.notes;
    SetNotesLines(tree, question, notes);
    NodeId notesNode = tree.firstChild(question);

    NodeId settings = nextOrNew(tree, notesNode, question, SettingsNode);
    tree.setText(settings, "Settings");
    NodeId layout = firstOrNew(tree, settings, LayoutLine);
    tree.setText(layout, "Layout: " + std::to_string(record.layout));

    NodeId proportions = nextOrNew(tree, layout, settings, ProportionsNode);
    tree.setText(proportions, "Layout Proportions");
    NodeId two = firstOrNew(tree, proportions, LayoutLine);
    tree.setText(two, "Layout 2: " + record.proportions[2]);
    NodeId three = nextOrNew(tree, two, proportions, LayoutLine);
    tree.setText(three, "Layout 3: " + record.proportions[3]);

    NodeId n = proportions;
    for (int i = 0; i < 3; ++i) {
        n = nextOrNew(tree, n, settings, PaneNode);
        tree.setText(n, "Pane " + std::to_string(i + 1));
        WritePaneRecord(tree, n, record.panes[i], desktop);
    }

    n = nextOrNew(tree, n, settings, SpokenTextNode);
    tree.setText(n, "Spoken Question Text");
    SetQuotedChildren(tree, n, record.spokenQuestion);
    n = nextOrNew(tree, n, settings, AnswerLine);
    tree.setText(n, "Answer: " + record.answer);
    n = nextOrNew(tree, n, settings, SpokenTextNode);
    tree.setText(n, "Spoken Answer Text");
    SetQuotedChildren(tree, n, record.spokenAnswer);
}

void WriteQuestionRecord(LibraryTree& tree, NodeId question, QuestionRecord record,
                         const std::string& spokenAnswerText, const DesktopColors& desktop) {
    record.spokenAnswer = SplitLines(spokenAnswerText);
    WriteQuestionRecord(tree, question, record, desktop);
}

std::vector<std::string> SplitLines(std::string_view text) {
    // A line ends at CR LF, LF or CR; text after the last line end is a line only when
    // it is not empty. So "" gives no lines, "a\n" one line, and "a\n\n" two.
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\r' && c != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

} // namespace brenvik
