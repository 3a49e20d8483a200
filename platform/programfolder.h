#pragma once

#include <QString>
#include <QStringList>

namespace brenvik {

// Finds the folder the program keeps its files in ("Demo", the library, "ReadMe.txt",
// "Brenvik.htm", the background pictures). That is the executable's own folder when it is
// writable, as in a build tree or a portable copy, with the settings beside them; an
// installed copy uses the user's data folder instead ($XDG_DATA_HOME/Brenvik), keeps its
// settings in the user's configuration folder ($XDG_CONFIG_HOME/Brenvik), and seeds the data
// folder from the installed data, refreshing what the package has updated since.
class ProgramFolder {
public:
    struct Result {
        QString path;          // empty when no writable folder was found
        bool fallback = false; // true: the user's data folder, not the executable's
        QString error;         // why `path` is empty, or what could not be copied or moved
        QString settingsFile;  // the settings' "brenvik.ini"
    };

    // Chooses with the real locations: the executable's folder, $XDG_DATA_HOME/Brenvik and
    // $XDG_CONFIG_HOME/Brenvik (~/.local/share and ~/.config when unset) and ../share/brenvik
    // next to the executable. An installed copy never keeps its files beside the executable,
    // even where root could.
    static Result locate();
    // True for a copy installed by `cmake --install` or the package: the installed data
    // holds the guide and the executable's folder does not.
    static bool isInstalledCopy(const QString& executableFolder,
                                const QString& installedDataFolder);
    // `configFolder` empty: the settings stay in the chosen folder. Otherwise a user folder
    // keeps them there, and a "brenvik.ini" an earlier version left in the user folder is moved
    // across once (see moveSettings).
    static Result choose(const QString& executableFolder, const QString& userFolder,
                         const QString& installedDataFolder, const QString& configFolder = {});
    // Moves the settings file `from` to `to`, which must not exist yet: a rename, or across
    // file systems a copy that is read back and compared before the old file goes. On any
    // failure the old file is left where it was and the reason returned.
    static QString moveSettings(const QString& from, const QString& to);

    // True when a file can be created and deleted in `folder` (permission bits alone say
    // little when running as root).
    static bool isWritable(const QString& folder);
    // The files seeded into a fallback folder, found in `installedDataFolder`. A copy takes
    // the installed file's modification time, so a newer installed file (a package upgrade)
    // replaces it, while a file the user changed since, being newer, is kept.
    static QStringList seedFiles(const QString& installedDataFolder);
};

} // namespace brenvik
