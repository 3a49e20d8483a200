#pragma once

#include "library/result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brenvik {

// One note of a package: its three fields (HTML) and its deck ("A::B::C").
struct PackageNote {
    std::string front, back, notes, deck;
};

// One media file of a package, by the name the fields give it.
struct PackageMedia {
    std::string name, bytes;
};

// The bytes of an Anki package (.apkg) as every Anki version reads it: a zip of the legacy
// collection "collection.anki2" (schema 11) and the media files, numbered from 0, with
// "media" the JSON map from number to name.
//
// The collection holds one note type, "Basic" with the fields Front, Back and Notes and one
// card, a deck per distinct deck name (each parent deck of a nested name too) besides
// "Default", a note and one new card per PackageNote in the order given, and empty
// `revlog` and `graves` tables. Ids count up from `nowMs`, the time in milliseconds.
// Fails with the reason alone (SQLite's or libzip's words).
Result<std::string> WriteAnkiPackage(const std::vector<PackageNote>& notes,
                                     const std::vector<PackageMedia>& media, std::int64_t nowMs);

} // namespace brenvik
