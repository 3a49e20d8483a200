#pragma once

#include <QString>
#include <QStringList>

namespace brenvik {

// Finds the folder the program keeps its files in ("Demo", the library, "ReadMe.txt",
// "Brenvik.htm", the background pictures). That is the executable's own folder when it is
// writable, as in a build tree or a portable copy; an installed copy uses the user's data
// folder instead and seeds it from the installed data.
class ProgramFolder {
public:
    struct Result {
        QString path;          // empty when no writable folder was found
        bool fallback = false; // true: the user's data folder, not the executable's
        QString error;         // why `path` is empty, or what could not be copied
    };

    // Chooses with the real locations: the executable's folder, ~/.local/share/Brenvik
    // (the generic data location) and ../share/brenvik next to the executable. An
    // installed copy never keeps its files beside the executable, even where root could.
    static Result locate();
    // True for a copy installed by `cmake --install` or the package: the installed data
    // holds the guide and the executable's folder does not.
    static bool isInstalledCopy(const QString& executableFolder,
                                const QString& installedDataFolder);
    static Result choose(const QString& executableFolder, const QString& userFolder,
                         const QString& installedDataFolder);

    // True when a file can be created and deleted in `folder` (permission bits alone say
    // little when running as root).
    static bool isWritable(const QString& folder);
    // The files seeded into a fallback folder, found in `installedDataFolder`.
    static QStringList seedFiles(const QString& installedDataFolder);
};

} // namespace brenvik
