#include "mainwindow/exportcommand.h"

#include "import/exporter.h"
#include "library/textcodec.h"
#include "mainwindow/librarydocument.h"
#include "mainwindow/maincommands.h"
#include "platform/prompts.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace brenvik {

namespace {
const QString kFilter =
    QStringLiteral("Anki package (*.apkg);;Anki plain text (*.txt);;CSV (*.csv)");
} // namespace

ExportCommand::ExportCommand(MainCommands& main, const LibraryDocument& doc, QWidget& window,
                             QObject* parent)
    : QObject(parent), main_(main), doc_(doc), window_(window) {}

QString ExportCommand::libraryFolder() const {
    const QString path = doc_.filePath();
    return path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
}

void ExportCommand::run() {
    if (main_.EditorBusy(QStringLiteral("performing another operation."))) return;
    const LibraryTree& tree = main_.tree();
    NodeId branch = main_.selectedNode();
    if (branch == NoNode || !tree.isValid(branch) || !tree.isAttached(branch))
        branch = tree.first();
    if (branch == NoNode) return;

    // The branch's name as the file's, without what a file name cannot hold.
    QString name = tree.parent(branch) == NoNode ? QFileInfo(doc_.filePath()).completeBaseName()
                                                 : BytesToDisplay(tree.text(branch));
    name.replace(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|]")), QStringLiteral(" "));
    name = name.simplified();
    if (name.isEmpty()) name = QStringLiteral("Export");
    const QString folder = libraryFolder().isEmpty() ? main_.programFolder() : libraryFolder();
    const QString path = main_.prompts().saveFile(
        &window_, QStringLiteral("Export"), QDir(folder).filePath(name + QStringLiteral(".apkg")),
        kFilter, QStringLiteral("apkg"));
    if (path.isEmpty()) return;

    ExportFormat format = ExportFormat::Package;
    if (!ExportFormatForFile(path, format)) {
        main_.prompts().message(&window_, QStringLiteral("Error"),
                                QStringLiteral("Could not export \"%1\": its name ends in none of "
                                               ".apkg, .txt and .csv")
                                    .arg(QDir::toNativeSeparators(path)),
                                Prompts::Icon::Error);
        return;
    }
    const Result<ExportSummary> done =
        ExportBranch(tree, branch, path, format, {libraryFolder(), main_.programFolder()},
                     main_.desktopColors());
    if (!done) {
        main_.prompts().message(&window_, QStringLiteral("Error"), ErrorText(done),
                                Prompts::Icon::Error);
        return;
    }
    // A few of the files left out are enough to show what went wrong; the tool lists more.
    main_.prompts().message(&window_, QStringLiteral("Export"), done.value().text(5),
                            Prompts::Icon::Information);
}

} // namespace brenvik
