#pragma once

#include <QString>
#include <string>
#include <vector>

namespace brenvik {

// One step of a spoken side: a run of ordinary lines said as one utterance, or a sound
// file played where its "[sound:NAME]" line stands.
struct SpokenPart {
    enum class Kind { Speech, Sound };
    Kind kind = Kind::Speech;
    QString text; // Speech: the text for the engine, filtered; Sound: the name as written
    // Speech: the value of the "[voice:...]" line above it on its side, empty for the side's
    // own voice.
    QString voice;

    bool operator==(const SpokenPart&) const = default;
};

// A question's spoken lines (bytes, as stored) as parts in their order. Runs with nothing
// to say are left out, so they are never waited for. A "[voice:...]" line ends the run
// before it and names the voice of the rest of the side; other directive lines are dropped
// without breaking the run around them.
std::vector<SpokenPart> SpokenParts(const std::vector<std::string>& lines);

} // namespace brenvik
