#include "import/notebuilder.h"

#include "import/htmltext.h"
#include "library/objects.h"
#include "library/questionrecord.h"
#include "library/questionstamp.h"
#include "library/undostore.h"

#include <iterator>
#include <unordered_map>

namespace brenvik {

namespace {

constexpr int ConceptLevel = Concept;

std::string joinLines(const std::vector<std::string>& lines, std::string_view glue) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) out += glue;
        out += lines[i];
    }
    return out;
}

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return out;
}

std::string trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.remove_suffix(1);
    return std::string(s);
}

std::vector<std::string> deckNames(std::string_view deck) {
    std::vector<std::string> names;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t at = deck.find("::", pos);
        std::string name = trimmed(
            deck.substr(pos, at == std::string_view::npos ? std::string_view::npos : at - pos));
        if (!name.empty()) names.push_back(std::move(name));
        if (at == std::string_view::npos) break;
        pos = at + 2;
    }
    return names;
}

// The names of the objects from the level below the base down to the concept (see the
// deck rule in notebuilder.h).
std::vector<std::string> levelNames(const std::vector<std::string>& deck, int free,
                                    const std::string& fallback) {
    std::vector<std::string> out;
    if (free <= 0) return out;
    if (deck.empty()) return std::vector<std::string>(std::size_t(free), fallback);
    if (int(deck.size()) <= free) {
        out = deck;
        out.resize(std::size_t(free), deck.back());
        return out;
    }
    out.assign(deck.begin(), deck.begin() + (free - 1));
    std::string joined;
    for (std::size_t i = std::size_t(free - 1); i < deck.size(); ++i) {
        if (!joined.empty()) joined += "::";
        joined += deck[i];
    }
    out.push_back(std::move(joined));
    return out;
}

std::vector<std::string> fieldLines(const ImportNote& note, const NoteList& list, int field) {
    if (field < 0 || field >= int(note.fields.size())) return {};
    return FieldLines(note.fields[std::size_t(field)], list.markup);
}

std::string fieldName(const ImportNote& note, const NoteList& list, int field) {
    if (field < int(note.fieldNames.size()) && !note.fieldNames[std::size_t(field)].empty())
        return note.fieldNames[std::size_t(field)];
    if (field < int(list.fieldNames.size()) && !list.fieldNames[std::size_t(field)].empty())
        return list.fieldNames[std::size_t(field)];
    return "Field " + std::to_string(field + 1);
}

// One side of a question: its text lines, its pictures and its sounds.
struct Side {
    std::vector<std::string> lines;
    const std::vector<std::string>* pictures;
    const std::vector<std::string>* sounds;
};

ImportedQuestion makeQuestion(const Side& question, const Side& answer,
                              std::vector<std::string> noteLines,
                              const std::vector<std::string>& otherPictures) {
    // The texts the question wizard takes: the question's lines for pane 1 and for the
    // speech, the one-line answer for the answer and its speech.
    ImportedQuestion q;
    q.questionLines = question.lines;
    const std::string text = joinLines(question.lines, "\n");
    q.spokenQuestion = text;
    for (const std::string& sound : *question.sounds)
        q.spokenQuestion += (q.spokenQuestion.empty() ? "" : "\n") + sound;
    q.answer = joinLines(answer.lines, " / ");
    q.spokenAnswer = q.answer;
    for (const std::string& sound : *answer.sounds)
        q.spokenAnswer += "\n" + sound;
    // The question side's first picture is shown; every other picture has no pane and is
    // named in the notes.
    const std::vector<std::string>& pictures = *question.pictures;
    if (!pictures.empty()) q.picture = pictures.front();
    auto named = [&](const std::vector<std::string>& list, std::size_t from) {
        for (std::size_t i = from; i < list.size(); ++i)
            noteLines.push_back("Picture: " + list[i]);
    };
    named(pictures, 1);
    named(*answer.pictures, 0);
    named(otherPictures, 0);
    q.notes = std::move(noteLines);
    if (!question.lines.empty())
        q.name = ShortName(question.lines.front());
    else {
        const std::string& file = pictures.front();
        const std::size_t slash = file.rfind('/');
        q.name = ShortName(slash == std::string::npos ? file : file.substr(slash + 1));
    }
    return q;
}

class Builder {
public:
    // Builds detached in `tree`, outside any journal: nothing is in the library until
    // attach(), and a builder that never attaches leaves it as it was.
    Builder(LibraryTree& tree, const NoteList& notes, const BuildOptions& options,
            const DesktopColors& desktop, int targetLevel)
        : tree_(tree), notes_(notes), options_(options), desktop_(desktop),
          targetLevel_(targetLevel), sourceName_(ImportSourceName(options)),
          stamper_(tree, desktop) {}
    ~Builder() {
        for (NodeId top : tops_)
            tree_.freeDetached(top);
    }

    void build() {
        const std::size_t total = notes_.notes.size();
        std::size_t done = 0;
        for (const ImportNote& note : notes_.notes) {
            add(note);
            // The notes built so far are detached: the library is whole at each report.
            if (options_.progress && ++done % 1024 == 0) options_.progress(done, total);
        }
        summary_.notes = int(notes_.notes.size());
    }

    ImportSummary& summary() { return summary_; }

    // Brings the built subtrees in below `target`, in one attach each.
    void attach(NodeId target) {
        for (NodeId top : tops_) {
            tree_.attachDetached(top, target, NoNode);
            if (summary_.top == NoNode) summary_.top = top;
        }
        tops_.clear();
    }

private:
    NodeId object(NodeId parent, const std::string& name, int level) {
        std::string key = std::to_string(parent) + '\x1f' + lowerAscii(name);
        auto [it, fresh] = objects_.try_emplace(std::move(key), NoNode);
        if (fresh) {
            if (parent == NoNode)
                tops_.push_back(it->second = tree_.newDetached(name, level));
            else
                it->second = tree_.appendDetached(parent, name, level);
            AddNotesNode(tree_, it->second, "");
            ++summary_.objects;
        }
        return it->second;
    }

    // The object the deck's questions go below (NoNode: none, the questions are built as
    // subtrees of their own that land right below the target).
    NodeId conceptFor(const std::string& deck) {
        auto [it, fresh] = concepts_.try_emplace(deck, NoNode);
        if (!fresh) return it->second;
        NodeId parent = NoNode;
        int level = targetLevel_;
        for (const std::string& name : ImportObjectNames(deck, targetLevel_, sourceName_))
            parent = object(parent, name, ++level);
        it->second = parent;
        return parent;
    }

    void add(const ImportNote& note) {
        NoteSkip skipped = NoteSkip::None;
        std::vector<ImportedQuestion> questions =
            ImportedQuestions(note, notes_, options_, targetLevel_, &skipped);
        if (skipped == NoteSkip::NoQuestion) ++summary_.noQuestion;
        if (skipped == NoteSkip::NoAnswer) ++summary_.noAnswer;
        if (questions.empty()) return;
        const NodeId parent = conceptFor(ImportDeck(note, notes_));
        for (ImportedQuestion& q : questions)
            addQuestion(parent, std::move(q));
    }

    void addQuestion(NodeId parent, ImportedQuestion q) {
        WizardData data;
        data.question = joinLines(q.questionLines, "\n");
        data.spokenQuestion = q.spokenQuestion;
        data.answer = q.answer;
        data.spokenAnswer = q.spokenAnswer;
        QuestionRecord record = NewQuestionRecord(desktop_, &data);
        // The picture goes beside the text in a second pane, or alone in pane 1 when the
        // side has no text.
        if (!q.picture.empty()) {
            PaneRecord& pane = record.panes[q.questionLines.empty() ? 0 : 1];
            pane.content = ImageContent;
            pane.imageFile = q.picture;
            record.layout = q.questionLines.empty() ? 1 : 2;
        }
        record.notes = std::move(q.notes);
        record.name = std::move(q.name);
        const NodeId added = stamper_.append(parent, record);
        if (parent == NoNode) tops_.push_back(added);
        ++summary_.questions;
    }

    LibraryTree& tree_;
    const NoteList& notes_;
    const BuildOptions& options_;
    const DesktopColors& desktop_;
    int targetLevel_;
    std::string sourceName_;
    QuestionStamper stamper_;
    std::vector<NodeId> tops_; // the detached subtrees built, in order
    std::unordered_map<std::string, NodeId> objects_;
    std::unordered_map<std::string, NodeId> concepts_;
    ImportSummary summary_;
};

QString counted(int n, const char* one, const char* many) {
    return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

} // namespace

Result<int> ImportTargetLevel(const LibraryTree& tree, NodeId target) {
    using R = Result<int>;
    if (target == NoNode || !tree.isValid(target) || !tree.isAttached(target))
        return R::failure("The place to import into is no longer in the library.");
    const int level = tree.depth(target);
    const int kind = tree.kind(target);
    if (!(isObjectKind(kind) || (kind == TopLevelObject && level == 0)))
        return R::failure("Questions can only be imported below a library or another object.");
    if (level >= Question) return R::failure("Questions cannot be imported below a question.");
    return level;
}

std::string ImportSourceName(const BuildOptions& options) {
    std::string name = trimmed(options.sourceName);
    return name.empty() ? std::string("Imported") : name;
}

const std::string& ImportDeck(const ImportNote& note, const NoteList& list) {
    return note.deck.empty() ? list.deck : note.deck;
}

std::vector<std::string> ImportObjectNames(const std::string& deck, int targetLevel,
                                           const std::string& sourceName) {
    std::vector<std::string> names;
    if (targetLevel == 0) {
        // The root as target: everything goes into a new library named after the file.
        names.push_back(sourceName);
        targetLevel = Library;
    }
    for (std::string& name : levelNames(deckNames(deck), ConceptLevel - targetLevel, sourceName))
        names.push_back(std::move(name));
    return names;
}

std::vector<ImportedQuestion> ImportedQuestions(const ImportNote& note, const NoteList& list,
                                                const BuildOptions& options, int targetLevel,
                                                NoteSkip* skipped) {
    if (skipped) *skipped = NoteSkip::None;
    const Side question{fieldLines(note, list, options.questionField), &note.questionPictures,
                        &note.questionSounds};
    if (question.lines.empty() && question.pictures->empty()) {
        if (skipped) *skipped = NoteSkip::NoQuestion;
        return {};
    }
    const Side answer{fieldLines(note, list, options.answerField), &note.answerPictures,
                      &note.answerSounds};
    if (answer.lines.empty()) {
        if (skipped) *skipped = NoteSkip::NoAnswer;
        return {};
    }
    std::vector<std::string> noteLines;
    switch (options.notes) {
    case NotesFrom::OtherFields:
        for (int f = 0; f < int(note.fields.size()); ++f) {
            if (f == options.questionField || f == options.answerField) continue;
            std::vector<std::string> value = fieldLines(note, list, f);
            if (value.empty()) continue;
            const std::string name = fieldName(note, list, f);
            // A field of notes (ours, as the exporter writes them) keeps its lines, so an
            // export imported again has the notes it had.
            if (lowerAscii(name) == "notes")
                noteLines.insert(noteLines.end(), std::make_move_iterator(value.begin()),
                                 std::make_move_iterator(value.end()));
            else
                noteLines.push_back(name + ": " + joinLines(value, " / "));
        }
        break;
    case NotesFrom::Field:
        noteLines = fieldLines(note, list, options.notesField);
        break;
    case NotesFrom::None:
        break;
    }
    if (!note.tags.empty() && options.notes != NotesFrom::None)
        noteLines.push_back("Tags: " + joinLines(note.tags, " "));
    const std::string& deck = ImportDeck(note, list);
    if (targetLevel >= ConceptLevel && !deckNames(deck).empty())
        noteLines.push_back("Deck: " + deck);

    std::vector<ImportedQuestion> out;
    out.push_back(makeQuestion(question, answer, noteLines, note.otherPictures));
    // A side that is only a picture gives no answer text, so it is not turned round.
    if ((options.reversed || note.reversed) && !question.lines.empty())
        out.push_back(makeQuestion(answer, question, std::move(noteLines), note.otherPictures));
    return out;
}

QString ImportSummary::text() const {
    QString s = counted(questions, "question", "questions");
    if (countsPictures)
        s += QStringLiteral(", ") + counted(objects, "object", "objects") +
             QStringLiteral(" and ") + counted(pictures, "picture", "pictures");
    else
        s += QStringLiteral(" and ") + counted(objects, "object", "objects");
    s += QStringLiteral(" imported");
    if (!format.empty()) {
        s += QStringLiteral(" (") + QString::fromStdString(format);
        if (!separator.empty())
            s += QStringLiteral(", ") + QString::fromStdString(separator) +
                 QStringLiteral(" separated");
        s += QLatin1Char(')');
    }
    const int skipped = noQuestion + noAnswer;
    if (skipped > 0) {
        QStringList why;
        if (noQuestion > 0)
            why << QString::number(noQuestion) + QStringLiteral(" without a question");
        if (noAnswer > 0) why << QString::number(noAnswer) + QStringLiteral(" without an answer");
        s += QStringLiteral("; ") + counted(skipped, "note", "notes") +
             QStringLiteral(" skipped: ") + why.join(QStringLiteral(", "));
    }
    for (const std::string& notice : notices)
        s += QStringLiteral("; ") + QString::fromStdString(notice);
    return s;
}

Result<ImportSummary> BuildImport(LibraryTree& tree, UndoStore& undo, NodeId target,
                                  const NoteList& notes, const BuildOptions& options,
                                  const DesktopColors& desktop) {
    using R = Result<ImportSummary>;
    const Result<int> level = ImportTargetLevel(tree, target);
    if (!level) return R::failure(level.error());

    Builder builder(tree, notes, options, desktop, level.value());
    builder.build();
    ImportSummary summary = builder.summary();
    summary.format = notes.format;
    summary.separator = notes.separator;
    if (summary.questions == 0) {
        if (notes.notes.empty()) return R::failure("nothing to import: the file holds no notes");
        if (notes.notes.size() == 1)
            return R::failure("nothing to import: its only note lacks a question or an answer");
        return R::failure("nothing to import: none of its " + std::to_string(notes.notes.size()) +
                          " notes has both a question and an answer");
    }

    UndoRecording recording(undo);
    builder.attach(target);
    summary.top = builder.summary().top;
    recording.commit(QStringLiteral("import questions"));
    for (NodeId n = summary.top; n != NoNode; n = tree.preorderNext(n))
        if (tree.kind(n) == Question) {
            summary.firstQuestion = n;
            break;
        }
    return summary;
}

} // namespace brenvik
