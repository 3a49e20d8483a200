#include "import/textimport.h"

#include "library/outline.h"

#include <QFile>
#include <QFileInfo>

namespace brenvik {

namespace {
Result<ImportSummary> failure(const QString& path, const std::string& reason,
                              ImportFailure* failedAt, ImportFailure stage) {
    if (failedAt) *failedAt = stage;
    return Result<ImportSummary>::failure(
        FileFailure(QStringLiteral("import"), path, QString::fromStdString(reason)).toStdString());
}
} // namespace

Result<ImportSummary> ImportTextBytes(LibraryTree& tree, UndoStore& undo, NodeId target,
                                      std::string_view bytes, const QString& fileName,
                                      TextImportOptions options, const DesktopColors& desktop,
                                      ImportFailure* failedAt) {
    if (failedAt) *failedAt = ImportFailure::None;
    const Result<std::string> text = DecodeImportText(bytes);
    if (!text) return failure(fileName, text.error(), failedAt, ImportFailure::NotText);
    const Result<NoteList> notes = ReadTextNotes(text.value(), options.read);
    if (!notes) return failure(fileName, notes.error(), failedAt, ImportFailure::Option);
    if (options.build.sourceName.empty())
        options.build.sourceName = QFileInfo(fileName).completeBaseName().toStdString();
    Result<ImportSummary> built =
        BuildImport(tree, undo, target, notes.value(), options.build, desktop);
    if (!built) return failure(fileName, built.error(), failedAt, ImportFailure::Content);
    return built;
}

Result<ImportSummary> ImportTextFile(LibraryTree& tree, UndoStore& undo, NodeId target,
                                     const QString& path, const TextImportOptions& options,
                                     const DesktopColors& desktop, ImportFailure* failedAt) {
    const QFileInfo info(path);
    constexpr ImportFailure stage = ImportFailure::File;
    if (info.isDir()) return failure(path, "it is a folder, not a file", failedAt, stage);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(path, file.errorString().toStdString(), failedAt, stage);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return failure(path, file.errorString().toStdString(), failedAt, stage);
    return ImportTextBytes(tree, undo, target,
                           std::string_view(bytes.constData(), std::size_t(bytes.size())), path,
                           options, desktop, failedAt);
}

} // namespace brenvik
