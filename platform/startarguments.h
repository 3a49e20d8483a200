#pragma once

#include <QString>
#include <QStringList>

namespace brenvik {

// What the program's command line asks for. It is read twice: before the application object
// exists, so that --help and --version need no display, and after Qt has taken its own options
// (-style, -platform, ...) out, for the files to open.
struct StartArguments {
    enum class Action {
        Run,     // start the window (and open `files`, if any)
        Help,    // print HelpText() and end
        Version, // print VersionText() and end
        Refused, // print `error` and HelpHint() on stderr, end with 2
    };
    Action action = Action::Run;
    QStringList files; // absolute paths, in the order given
    QString error;
};

// `arguments` without the program's name. Everything after "--" is a file. Before Qt has
// seen the arguments (`qtHasSeen` false) any other dash option is left to it; afterwards
// one is refused.
StartArguments ParseStartArguments(const QStringList& arguments, bool qtHasSeen,
                                   const QString& currentFolder);

QString StartHelpText();
QString StartVersionText();
QString StartHelpHint();

} // namespace brenvik
