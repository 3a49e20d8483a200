#include "study/core/spokenparts.h"

#include "library/textcodec.h"
#include "study/core/speechtext.h"

#include <QStringList>

namespace brenvik {

std::vector<SpokenPart> SpokenParts(const std::vector<std::string>& lines) {
    std::vector<SpokenPart> parts;
    QStringList run;
    const auto endRun = [&] {
        const QString text = SpeakableText(JoinSpokenLines(run));
        if (HasSpeakableText(text)) parts.push_back({SpokenPart::Kind::Speech, text});
        run.clear();
    };
    for (const std::string& bytes : lines) {
        const QString line = BytesToDisplay(bytes);
        const auto directive = ParseDirectiveLine(line);
        if (!directive) {
            run << line;
        } else if (directive->name == QLatin1String("sound")) {
            endRun();
            parts.push_back({SpokenPart::Kind::Sound, directive->value});
        }
    }
    endRun();
    return parts;
}

} // namespace brenvik
