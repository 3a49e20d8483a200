#include "platform/startarguments.h"

#include <QDir>
#include <brenvik/version.h>

namespace brenvik {

StartArguments ParseStartArguments(const QStringList& arguments, bool qtHasSeen,
                                   const QString& currentFolder) {
    StartArguments r;
    const QDir here(currentFolder);
    bool onlyFiles = false;
    for (const QString& a : arguments) {
        if (!onlyFiles && a == QLatin1String("--")) {
            onlyFiles = true;
            continue;
        }
        if (!onlyFiles && a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            // The first of --help and --version wins, as in most programs.
            if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
                if (r.action == StartArguments::Action::Run)
                    r.action = StartArguments::Action::Help;
                continue;
            }
            if (a == QLatin1String("--version") || a == QLatin1String("-v")) {
                if (r.action == StartArguments::Action::Run)
                    r.action = StartArguments::Action::Version;
                continue;
            }
            if (qtHasSeen && r.action == StartArguments::Action::Run) {
                r.action = StartArguments::Action::Refused;
                r.error = QStringLiteral("brenvik: unknown option %1").arg(a);
            }
            continue;
        }
        r.files << QDir::cleanPath(here.absoluteFilePath(a));
    }
    return r;
}

QString StartHelpText() {
    return QStringLiteral(
        "Usage: brenvik [OPTION...] [FILE.bv1...]\n"
        "Brenvik, a study program: libraries of questions and answers, studied aloud.\n"
        "\n"
        "  FILE.bv1       opens that library once Brenvik has started, instead of showing\n"
        "                 the demo; with more than one, the first. While Brenvik runs, a\n"
        "                 second start hands the file to the running program.\n"
        "  -h, --help     prints this help and ends\n"
        "  -v, --version  prints the version and ends\n"
        "\n"
        "The options every Qt program takes are understood too, for instance -style NAME\n"
        "and -platform NAME. See brenvik(1).\n");
}

QString StartVersionText() {
    return QStringLiteral("brenvik " BRENVIK_VERSION "\n");
}

QString StartHelpHint() {
    return QStringLiteral("Try 'brenvik --help' for more information.\n");
}

} // namespace brenvik
