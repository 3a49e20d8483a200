#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace brenvik {

class LibraryDocument;
class MainCommands;

// File > Export...: the branch selected in the tree written as an Anki package, Anki text or
// CSV file (import/exporter.h), the file chosen through the window's prompts, then a summary
// of what was written and left out. Pictures named without a folder are looked for beside
// the library file, then in the program folder.
class ExportCommand : public QObject {
    Q_OBJECT
public:
    ExportCommand(MainCommands& main, const LibraryDocument& doc, QWidget& window,
                  QObject* parent = nullptr);

    void run();

private:
    QString libraryFolder() const;

    MainCommands& main_;
    const LibraryDocument& doc_;
    QWidget& window_;
};

} // namespace brenvik
