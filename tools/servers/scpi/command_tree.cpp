// SPDX-License-Identifier: MIT
// The SCPI command tree: finding the row a header names, with the path rule and suffixes.
#include "tools/servers/scpi/command_tree.h"

#include <stdexcept>

#include "tools/servers/scpi/commands.h"
#include "tools/servers/scpi/values.h"

namespace zarvo::scpi {

namespace {

// Splits ":SYSTem:ERRor[:NEXT]" into its nodes.
struct Piece {
    std::string pattern;
    bool suffixed = false;
    bool optional = false;
};

std::vector<Piece> Split(const std::string& pattern) {
    std::vector<Piece> pieces;
    bool optional = false;
    std::string name;
    auto flush = [&] {
        if (name.empty()) return;
        Piece p{name, false, optional};
        if (p.pattern.back() == '#') {
            p.pattern.pop_back();
            p.suffixed = true;
        }
        pieces.push_back(p);
        name.clear();
    };
    for (char c : pattern) {
        if (c == ':' || c == '[' || c == ']') {
            flush();
            if (c == '[') optional = true;
            if (c == ']') optional = false;
        } else {
            name += c;
        }
    }
    flush();
    return pieces;
}

bool Descend(const Node& node, const std::vector<Mnemonic>& header, std::size_t i, Path& steps) {
    if (i == header.size() && node.row != nullptr) return true;
    if (i < header.size()) {
        const Mnemonic& m = header[i];
        for (const auto& child : node.children) {
            if (!MatchesMnemonic(child->pattern, m.name)) continue;
            if (m.suffix != 0 && !child->suffixed) continue;
            steps.push_back({child.get(), m.suffix == 0 ? 1 : m.suffix, true});
            if (Descend(*child, header, i + 1, steps)) return true;
            steps.pop_back();
        }
    }
    // An optional node stands in for itself when the header leaves it out.
    for (const auto& child : node.children) {
        if (!child->optional) continue;
        steps.push_back({child.get(), 1, false});
        if (Descend(*child, header, i, steps)) return true;
        steps.pop_back();
    }
    return false;
}

std::string Written(const Unit& unit) {
    std::string text = unit.common ? "*" : (unit.absolute ? ":" : "");
    for (std::size_t i = 0; i < unit.header.size(); ++i) {
        if (i > 0) text += ':';
        text += unit.header[i].name;
        if (unit.header[i].suffix != 0) text += std::to_string(unit.header[i].suffix);
    }
    return text + (unit.query ? "?" : "");
}

}  // namespace

CommandTree::CommandTree(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        if (row.pattern.front() == '*') {
            common_.push_back(&row);
            continue;
        }
        Node* node = &root_;
        for (const Piece& piece : Split(row.pattern)) {
            Node* next = nullptr;
            for (const auto& child : node->children) {
                if (child->pattern == piece.pattern) next = child.get();
            }
            if (next == nullptr) {
                node->children.push_back(std::make_unique<Node>());
                next = node->children.back().get();
                next->pattern = piece.pattern;
                next->suffixed = piece.suffixed;
                next->optional = piece.optional;
            }
            node = next;
        }
        if (node->row != nullptr) throw std::logic_error("two rows for " + row.pattern);
        node->row = &row;
    }
}

Match CommandTree::Resolve(const Unit& unit, const Path& path, int channels) const {
    if (unit.common) {
        for (const Row* row : common_) {
            if (row->pattern.substr(1) == unit.header.front().name) return {row, {}, path};
        }
        throw Refused(code::kUndefinedHeader, "no common command " + Written(unit));
    }
    Path steps = unit.absolute ? Path{} : path;
    const Node& start = steps.empty() ? root_ : *steps.back().node;
    const std::size_t base = steps.size();
    if (!Descend(start, unit.header, 0, steps)) {
        throw Refused(code::kUndefinedHeader, "no command " + Written(unit));
    }
    Match match{steps.back().node->row, {}, {}};
    for (const PathStep& step : steps) {
        if (!step.node->suffixed) continue;
        if (step.suffix > channels) {
            throw Refused(code::kSuffixOutOfRange, ShortForm(step.node->pattern) + " takes 1 to " +
                                                       std::to_string(channels) + " in " +
                                                       Written(unit));
        }
        match.suffixes.push_back(step.suffix);
    }
    // The path ends before the last mnemonic written.
    std::size_t end = steps.size();
    while (end > base && !steps[end - 1].written) --end;
    match.next.assign(steps.begin(),
                      steps.begin() + static_cast<std::ptrdiff_t>(end > base ? end - 1 : base));
    return match;
}

}  // namespace zarvo::scpi
