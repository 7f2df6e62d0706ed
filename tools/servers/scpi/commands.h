// SPDX-License-Identifier: MIT
// The commands as data: each row names a header pattern and the handlers of its command form
// and its query form (null when it has none). A client (client.h) resolves a unit to its row
// through the command tree and calls the handler with a Call; a handler refuses by throwing
// Refused, before it has changed anything.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tools/servers/scpi/device.h"
#include "tools/servers/scpi/errors.h"
#include "tools/servers/scpi/parser.h"

namespace zarvo::scpi {

enum class DataFormat { Ascii, Real32, Int16 };

// What belongs to one client's dialogue rather than to the instrument.
struct Dialogue {
    StatusRegisters status;
    DataFormat format = DataFormat::Ascii;
    // A :SINGle whose record has not been seen yet: the records completed before it.
    std::optional<std::uint64_t> pendingSingle;
    bool opcArmed = false;  // *OPC: set the operation-complete event when nothing is pending
};

struct Call {
    Device& device;
    Dialogue& dialogue;
    const Unit& unit;
    std::vector<int> suffixes;  // CHANnel2:RANGe -> {2}
    std::string answer;         // a query's response
    bool again = false;         // not done yet: call again later (*OPC?, *WAI)

    int Suffix(std::size_t i = 0) const { return i < suffixes.size() ? suffixes[i] : 1; }
};

using Handler = std::function<void(Call&)>;

struct Row {
    std::string pattern;  // ":CHANnel#:RANGe", ":SYSTem:ERRor[:NEXT]", "*IDN"
    Handler command;
    Handler query;
};

// Every command the server knows, in the order docs/scpi.md lists them.
const std::vector<Row>& CommandRows();

// The rows of each group (commands_*.cpp).
void AddCommonRows(std::vector<Row>& rows);
void AddSettingRows(std::vector<Row>& rows);
void AddAcquisitionRows(std::vector<Row>& rows);
void AddDataRows(std::vector<Row>& rows);

// Whether the operations started so far are complete (a :SINGle's record taken); clears the
// pending one when it is.
bool OperationsComplete(Device& device, Dialogue& dialogue);

}  // namespace zarvo::scpi
