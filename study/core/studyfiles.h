#pragma once

#include <QString>

namespace brenvik {

// Where the files a question names are looked for. A name with no folder, or a relative
// one, is looked for beside the library file first, so that a library kept or moved with
// its pictures finds them wherever it lies, and then in the program folder.
struct StudyFolders {
    QString libraryFolder; // the open library file's folder; empty while it has no file
    QString programFolder;
};

// An image pane's file: a "file:" address as its path, an absolute path cleaned, and a
// relative name in the first of the folders that holds a file of that name (the program
// folder's when neither does, so a message names one place). An address with a scheme is
// returned as written.
QString ResolveStudyPath(const QString& name, const StudyFolders& folders);

// A website pane's address: a relative name that names an existing file in one of the
// folders (looked for in the same order) becomes that file's path; anything else, a web
// address or a bare host name such as "example.org", is returned as written for the viewer.
QString ResolveWebAddress(const QString& address, const StudyFolders& folders);

} // namespace brenvik
