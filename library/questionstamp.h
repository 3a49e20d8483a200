#pragma once

#include "library/colors.h"
#include "library/librarytree.h"
#include "library/questionrecord.h"

#include <string>
#include <vector>

namespace brenvik {

// Writes many new questions fast, for an import. The questions of one import differ only
// in their texts (name, notes, pane lines, files and addresses, answer, spoken texts), so
// WriteQuestionRecord writes one template per shape (everything else: layout, fonts,
// borders, colours) with marker texts in those places, and every question is a copy of
// its template with the markers replaced: the constant nodes share the template's bytes,
// and nothing is formatted twice. The result is node for node what AppendQuestion writes.
//
// Questions are built detached (LibraryTree::newDetached and friends), outside any
// journal; the templates are freed with the stamper.
class QuestionStamper {
public:
    QuestionStamper(LibraryTree& tree, const DesktopColors& desktop);
    ~QuestionStamper();
    QuestionStamper(const QuestionStamper&) = delete;
    QuestionStamper& operator=(const QuestionStamper&) = delete;

    // A new question named record.name with its notes and record, as the last child of
    // the detached `parent`, or a detached subtree of its own when `parent` is NoNode.
    NodeId append(NodeId parent, const QuestionRecord& record);

private:
    // Where a template node's text comes from.
    enum class Source : std::uint8_t {
        Same,  // the template's own text
        Text,  // one of the record's texts, between the template text's prefix and suffix
        Lines, // one of the record's line lists: one quoted node each
    };
    struct Step {
        int parent; // index of the parent step; -1 for the question node
        NodeId like;
        Source source = Source::Same;
        std::uint8_t field = 0; // which text or list
        int kind = 0;
        std::string prefix, suffix;
    };
    struct Template {
        QuestionRecord shape; // the record with its texts cleared
        NodeId root = NoNode;
        std::vector<Step> steps; // pre-order
    };

    const Template& templateFor(const QuestionRecord& shape);
    void takeShape(const QuestionRecord& record); // into shape_

    LibraryTree& tree_;
    const DesktopColors& desktop_;
    std::vector<Template> templates_;
    QuestionRecord shape_;
    std::vector<NodeId> made_;
    std::vector<std::string> notes_;
};

} // namespace brenvik
