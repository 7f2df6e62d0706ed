// SPDX-License-Identifier: MIT
// The lexer and parser of SCPI program messages: one line from a client becomes its program
// message units (separated by ';'), each a header of mnemonics with optional numeric suffixes
// and a list of parameters. What the header means is the command tree's business
// (command_tree.h); here only the syntax is checked.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/servers/scpi/errors.h"

namespace zarvo::scpi {

struct Mnemonic {
    std::string name;  // upper case, without its suffix
    int suffix = 0;    // the number written after it; 0: none written
};

struct Param {
    enum class Type { Number, Word, String };
    Type type = Type::Word;
    double number = 0;    // Number: the value as written, before its unit
    std::string unit;     // Number: the unit suffix as written, upper case ("" when none)
    std::string text;     // Word: upper case; String: the contents, quotes undone
    std::string written;  // the parameter as the client wrote it, for messages
};

struct Unit {
    bool common = false;    // an IEEE 488.2 common command (*IDN?); header has one mnemonic
    bool absolute = false;  // written with a leading colon: starts from the root
    bool query = false;
    std::vector<Mnemonic> header;
    std::vector<Param> params;
};

struct ParsedLine {
    std::vector<Unit> units;     // the units before the first malformed one
    std::optional<Error> error;  // the first malformed unit's error
};

// A line without its line feed (a carriage return before it is ignored).
ParsedLine ParseLine(std::string_view line);

}  // namespace zarvo::scpi
