#pragma once

#include <cstdint>

namespace brenvik {

// The kind of a tree node; also the icon index of the node in the tree view.
enum NodeKind : int {
    SystemRoot = 0,
    Library = 1,
    Set = 2,
    Book = 3,
    Part = 4,
    Chapter = 5,
    Section = 6,
    Concept = 7,
    Question = 8,
    AnswerLine = 9,
    NotesNode = 10,
    QuotedLine = 11,
    TopLevelObject = 12,
    FlagLine = 13,
    LayoutLine = 14,
    PaneNode = 15,
    SpokenTextNode = 16,
    SettingsNode = 17,
    FontLine = 18,
    TextChoiceLine = 19,
    ImageChoiceLine = 20,
    WebsiteChoiceLine = 21,
    BackgroundColorLine = 22,
    FileLine = 23,
    AddressLine = 24,
    ProportionsNode = 25,
};

constexpr int NodeKindCount = 26;

// Object levels equal the depth of an object node: 0 System ... 8 Question.
constexpr int MaxObjectLevel = 8;

inline bool isObjectKind(int kind) {
    return kind >= 0 && kind <= MaxObjectLevel;
}

} // namespace brenvik
