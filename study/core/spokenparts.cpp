#include "study/core/spokenparts.h"

#include "library/textcodec.h"
#include "study/core/speechtext.h"

namespace brenvik {

std::vector<SpokenPart> SpokenParts(const std::vector<std::string>& lines) {
    std::vector<SpokenPart> parts;
    std::vector<std::string> run;
    QString voice;
    const auto endRun = [&] {
        const QString text = SpokenLinesText(run);
        if (!text.isEmpty()) parts.push_back({SpokenPart::Kind::Speech, text, voice});
        run.clear();
    };
    for (const std::string& bytes : lines) {
        const auto directive = ParseDirectiveLine(BytesToDisplay(bytes));
        if (!directive) {
            run.push_back(bytes);
        } else if (directive->name == QLatin1String("sound")) {
            endRun();
            parts.push_back({SpokenPart::Kind::Sound, directive->value, {}});
        } else if (directive->name == QLatin1String("voice")) {
            endRun();
            voice = directive->value.trimmed();
        }
    }
    endRun();
    return parts;
}

} // namespace brenvik
