#pragma once

// The big library the benchmarks measure on: the demo's questions repeated to any number,
// in sections of 15 concepts of 67 questions each (the shape of a real large library).

#include "library/demodata.h"

#include <string>
#include <string_view>
#include <vector>

namespace brenvik::bench {

inline int depthOf(std::string_view line) {
    int d = 0;
    while (d < int(line.size()) && line[d] == '\t')
        ++d;
    return d;
}

inline std::vector<std::string_view> splitLf(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The demo's question subtrees, each as its lines (depth 8 and deeper).
inline std::vector<std::vector<std::string_view>> demoQuestionBlocks() {
    std::vector<std::string_view> lines = splitLf(DemoText());
    std::vector<std::vector<std::string_view>> blocks;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (depthOf(lines[i]) != 8 || depthOf(lines[i + 1]) != 9)
            continue; // a concept's notes line has no children
        std::vector<std::string_view> block{lines[i]};
        for (std::size_t j = i + 1; j < lines.size() && depthOf(lines[j]) > 8; ++j)
            block.push_back(lines[j]);
        blocks.push_back(std::move(block));
    }
    return blocks;
}

// A library of `questions` questions: the demo's path down to the chapter, then sections
// of 15 concepts, each concept holding the 67 demo questions (the last one fewer), or with
// `oneConcept` every question below a single concept.
inline std::string buildLibrary(int questions, bool oneConcept = false) {
    auto blocks = demoQuestionBlocks();
    std::string out;
    out.reserve(std::size_t(questions) * 2200);
    auto line = [&](int depth, std::string_view text) {
        out.append(std::size_t(depth), '\t');
        out.append(text);
        out += "\r\n";
    };
    line(0, "ComputerName  >  UserName");
    line(1, "Notes");
    line(2, "\"current user libraries\"");
    const char* path[] = {"Capitals Demo - Press [F9]", "Travel", "Geography", "Western Hemisphere",
                          "North America"};
    for (int d = 1; d <= 5; ++d) {
        line(d, path[d - 1]);
        line(d + 1, "Notes");
    }
    int made = 0, concepts = 0;
    while (made < questions) {
        if (oneConcept && concepts == 1) {
            for (const auto& block : blocks) {
                if (made == questions) break;
                for (std::string_view l : block) {
                    out.append(l);
                    out += "\r\n";
                }
                ++made;
            }
            continue;
        }
        if (concepts % 15 == 0) {
            line(6, "Section " + std::to_string(concepts / 15 + 1));
            line(7, "Notes");
        }
        line(7, "Concept " + std::to_string(++concepts));
        line(8, "Notes");
        for (const auto& block : blocks) {
            if (oneConcept) break;
            if (made == questions) break;
            for (std::string_view l : block) {
                out.append(l);
                out += "\r\n";
            }
            ++made;
        }
    }
    return out;
}

} // namespace brenvik::bench
