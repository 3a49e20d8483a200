#include "library/questionstamp.h"

#include "library/objects.h"

#include <algorithm>

namespace brenvik {

namespace {

// The record's texts and line lists, by number; the template holds a marker for each.
constexpr int TextFields = 8, LineFields = 6;
// More shapes than an import makes: past this many, questions are written one by one.
constexpr std::size_t MaxTemplates = 8;

std::string marker(char type, int field) {
    return std::string{'\x01', type, char('a' + field), '\x01'};
}

std::string* textField(QuestionRecord& r, int field) {
    switch (field) {
    case 0:
        return &r.name;
    case 1:
        return &r.answer;
    case 2:
    case 3:
    case 4:
        return &r.panes[std::size_t(field - 2)].imageFile;
    default:
        return &r.panes[std::size_t(field - 5)].webAddress;
    }
}

const std::string& textField(const QuestionRecord& r, int field) {
    return *textField(const_cast<QuestionRecord&>(r), field);
}

std::vector<std::string>* lineField(QuestionRecord& r, int field) {
    switch (field) {
    case 0:
        return &r.notes;
    case 1:
    case 2:
    case 3:
        return &r.panes[std::size_t(field - 1)].textLines;
    case 4:
        return &r.spokenQuestion;
    default:
        return &r.spokenAnswer;
    }
}

} // namespace

QuestionStamper::QuestionStamper(LibraryTree& tree, const DesktopColors& desktop)
    : tree_(tree), desktop_(desktop) {}

QuestionStamper::~QuestionStamper() {
    for (const Template& t : templates_)
        tree_.freeDetached(t.root);
}

void QuestionStamper::takeShape(const QuestionRecord& record) {
    // Assigned, not constructed: the buffer's strings keep their capacity from question to
    // question.
    shape_ = record;
    for (int f = 0; f < TextFields; ++f)
        textField(shape_, f)->clear();
    for (int f = 0; f < LineFields; ++f)
        lineField(shape_, f)->clear();
}

const QuestionStamper::Template& QuestionStamper::templateFor(const QuestionRecord& shape) {
    for (const Template& t : templates_)
        if (t.shape == shape) return t;

    Template t;
    t.shape = shape;
    QuestionRecord marked = shape;
    for (int f = 0; f < TextFields; ++f)
        *textField(marked, f) = marker('T', f);
    for (int f = 0; f < LineFields; ++f)
        *lineField(marked, f) = {marker('L', f)};
    // The one writer of question records writes the template; nothing here knows its layout.
    t.root = tree_.newDetached(marked.name, Question);
    AddNotesNode(tree_, t.root, "");
    WriteQuestionRecord(tree_, t.root, marked, desktop_);

    std::vector<std::pair<NodeId, int>> pending{{t.root, -1}};
    while (!pending.empty()) {
        auto [n, parent] = pending.back();
        pending.pop_back();
        Step step;
        step.parent = parent;
        step.like = n;
        step.kind = tree_.kind(n);
        const std::string_view text = tree_.text(n);
        if (const std::size_t at = text.find('\x01'); at != std::string_view::npos) {
            step.source = text[at + 1] == 'T' ? Source::Text : Source::Lines;
            step.field = std::uint8_t(text[at + 2] - 'a');
            step.prefix = std::string(text.substr(0, at));
            step.suffix = std::string(text.substr(at + 4));
        }
        t.steps.push_back(std::move(step));
        const int index = int(t.steps.size()) - 1;
        // Children pushed last to first, so they come off in order.
        for (NodeId c = tree_.lastChild(n); c != NoNode; c = tree_.prevSibling(c))
            pending.emplace_back(c, index);
    }
    templates_.push_back(std::move(t));
    return templates_.back();
}

NodeId QuestionStamper::append(NodeId parent, const QuestionRecord& record) {
    takeShape(record);
    if (templates_.size() >= MaxTemplates &&
        std::none_of(templates_.begin(), templates_.end(),
                     [&](const Template& t) { return t.shape == shape_; })) {
        const NodeId q = parent == NoNode ? tree_.newDetached(record.name, Question)
                                          : tree_.appendDetached(parent, record.name, Question);
        AddNotesNode(tree_, q, "");
        WriteQuestionRecord(tree_, q, record, desktop_);
        return q;
    }
    const Template& t = templateFor(shape_);
    notes_ = record.notes;
    TrimBlankLines(notes_); // as the notes are always stored
    made_.resize(t.steps.size());
    std::string text;
    for (std::size_t i = 0; i < t.steps.size(); ++i) {
        const Step& s = t.steps[i];
        const NodeId under = s.parent < 0 ? parent : made_[std::size_t(s.parent)];
        auto add = [&](std::string_view value) {
            text = s.prefix;
            text += value;
            text += s.suffix;
            return under == NoNode ? tree_.newDetached(text, s.kind)
                                   : tree_.appendDetached(under, text, s.kind);
        };
        switch (s.source) {
        case Source::Same:
            made_[i] = tree_.appendDetachedLike(under, s.like);
            break;
        case Source::Text:
            made_[i] = add(textField(record, s.field));
            break;
        case Source::Lines: {
            const std::vector<std::string>& lines =
                s.field == 0 ? notes_ : *lineField(const_cast<QuestionRecord&>(record), s.field);
            for (const std::string& line : lines)
                add(line);
            made_[i] = NoNode; // a list item has no children
            break;
        }
        }
    }
    return made_.front();
}

} // namespace brenvik
