#include "import/importpreview.h"

#include "library/outline.h"

#include <QFile>
#include <QFileInfo>

namespace brenvik {

namespace {

std::string joined(const std::vector<std::string>& parts, std::string_view glue) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i) out += glue;
        out += parts[i];
    }
    return out;
}

std::string targetPath(const LibraryTree& tree, NodeId target) {
    std::vector<std::string> names;
    for (NodeId n = target; n != NoNode && tree.parent(n) != NoNode; n = tree.parent(n))
        names.insert(names.begin(), std::string(tree.text(n)));
    return joined(names, " > ");
}

Result<std::shared_ptr<const ImportSource>> openFailure(const QString& path,
                                                        const std::string& reason) {
    return Result<std::shared_ptr<const ImportSource>>::failure(
        FileFailure(QStringLiteral("import"), path, QString::fromStdString(reason)).toStdString());
}

} // namespace

Result<ImportPreview> PreviewImport(const LibraryTree& tree, NodeId target, const NoteList& notes,
                                    const BuildOptions& options, int maxRows) {
    const Result<int> level = ImportTargetLevel(tree, target);
    if (!level) return Result<ImportPreview>::failure(level.error());
    const std::string base = targetPath(tree, target);
    const std::string source = ImportSourceName(options);
    ImportPreview preview;
    preview.targetPath = base;
    preview.notes = int(notes.notes.size());
    for (const ImportNote& note : notes.notes) {
        preview.fields = std::max(preview.fields, int(note.fields.size()));
        NoteSkip skipped = NoteSkip::None;
        const std::vector<ImportedQuestion> questions =
            ImportedQuestions(note, notes, options, level.value(), &skipped);
        preview.noQuestion += skipped == NoteSkip::NoQuestion;
        preview.noAnswer += skipped == NoteSkip::NoAnswer;
        preview.questions += int(questions.size());
        if (questions.empty() || int(preview.rows.size()) >= maxRows) continue;
        std::vector<std::string> path =
            ImportObjectNames(ImportDeck(note, notes), level.value(), source);
        if (!base.empty()) path.insert(path.begin(), base);
        for (std::size_t i = 0; i < questions.size() && int(preview.rows.size()) < maxRows; ++i) {
            const ImportedQuestion& q = questions[i];
            PreviewRow row;
            row.question = joined(q.questionLines, " / ");
            row.answer = q.answer;
            row.notes = q.notes;
            row.picture = q.picture;
            row.tags = joined(note.tags, " ");
            row.path = joined(path, " > ");
            row.line = note.line;
            row.reversed = i > 0;
            preview.rows.push_back(std::move(row));
        }
    }
    return preview;
}

Result<std::shared_ptr<const ImportSource>> ImportSource::open(const QString& path) {
    if (QFileInfo(path).isDir()) return openFailure(path, "it is a folder, not a file");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return openFailure(path, file.errorString().toStdString());
    auto source = std::shared_ptr<ImportSource>(new ImportSource);
    source->path_ = path;
    const QByteArray head = file.peek(4);
    if (LooksLikeZip(std::string_view(head.constData(), std::size_t(head.size())))) {
        file.close();
        auto opened = PackageFile::open(path);
        if (!opened) return openFailure(path, opened.error());
        Result<AnkiPackage> read = ReadAnkiPackage(*opened.value());
        if (!read) return openFailure(path, read.error());
        source->package_ = std::make_unique<AnkiPackage>(std::move(read.value()));
        return std::shared_ptr<const ImportSource>(std::move(source));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return openFailure(path, file.errorString().toStdString());
    Result<std::string> text =
        DecodeImportText(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    if (!text) return openFailure(path, text.error());
    source->text_ = std::move(text.value());
    // The header lines the Anki text format reads ("#separator:Tab"), shown as the file has
    // them; the reader itself decides what they mean.
    std::size_t pos = 0;
    while (pos < source->text_.size() && source->text_[pos] == '#') {
        std::size_t end = source->text_.find('\n', pos);
        if (end == std::string::npos) end = source->text_.size();
        std::string line = source->text_.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        source->header_.push_back(std::move(line));
        pos = end + 1;
    }
    return std::shared_ptr<const ImportSource>(std::move(source));
}

std::string ImportSource::sourceName() const {
    return QFileInfo(path_).completeBaseName().toStdString();
}

std::vector<std::string> ImportSource::notices() const {
    return package_ ? package_->notices : std::vector<std::string>{};
}

Result<NoteList> ImportSource::notes(const TextReadOptions& read) const {
    if (package_) return package_->notes;
    return ReadTextNotes(text_, read);
}

Result<PackageImport> ImportSource::import(LibraryTree& tree, UndoStore& undo, NodeId target,
                                           const QString& libraryPath,
                                           const TextImportOptions& options,
                                           const DesktopColors& desktop) const {
    if (package_)
        return ImportAnkiPackage(tree, undo, target, path_, libraryPath, options.build, desktop);
    // The decoded text is UTF-8, which decodes again unchanged.
    Result<ImportSummary> built =
        ImportTextBytes(tree, undo, target, text_, path_, options, desktop);
    if (!built) return Result<PackageImport>::failure(built.error());
    PackageImport result;
    result.summary = std::move(built.value());
    return result;
}

} // namespace brenvik
