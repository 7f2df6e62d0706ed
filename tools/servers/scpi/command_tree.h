// SPDX-License-Identifier: MIT
// The command tree: built from the rows of commands.h (":CHANnel#:RANGe",
// ":SYSTem:ERRor[:NEXT]", "*IDN"), it finds the row a unit's header names, following SCPI's
// path rule: a header without a leading colon continues from the node the previous command's
// last mnemonic hung from, so that ":CHAN2:RANG 1;COUP AC" sets channel 2's coupling.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/servers/scpi/errors.h"
#include "tools/servers/scpi/parser.h"

namespace zarvo::scpi {

struct Row;

struct Node {
    std::string pattern;    // "CHANnel": upper-case letters are the short form
    bool suffixed = false;  // takes <n> (1 when not written)
    bool optional = false;  // may be left out ([:NEXT])
    std::vector<std::unique_ptr<Node>> children;
    const Row* row = nullptr;  // the command whose header ends here
};

struct PathStep {
    const Node* node = nullptr;
    int suffix = 1;
    bool written = true;  // false: an optional node the header left out
};
using Path = std::vector<PathStep>;

struct Match {
    const Row* row = nullptr;
    std::vector<int> suffixes;  // of the suffixed nodes from the root, in order
    Path next;                  // where the next header without a leading colon starts
};

class CommandTree {
public:
    explicit CommandTree(const std::vector<Row>& rows);
    // The row a unit names, starting from `path` (ignored for absolute and common units);
    // throws Refused with -113 (no such header) or -114 (suffix out of range). The suffixed
    // nodes are the channels (CHANnel<n>): a suffix runs from 1 to `channels`.
    Match Resolve(const Unit& unit, const Path& path, int channels) const;

private:
    Node root_;
    std::vector<const Row*> common_;
};

}  // namespace zarvo::scpi
