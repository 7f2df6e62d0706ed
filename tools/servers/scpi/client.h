// SPDX-License-Identifier: MIT
// One client's dialogue: the lines it sent, run one program message at a time, unit by unit,
// with the path rule, the error queue and the status registers of this client. A unit that
// waits for an operation (*OPC?, *WAI) holds the rest of the dialogue until the operation is
// complete; the server calls Run again meanwhile.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "tools/servers/scpi/command_tree.h"
#include "tools/servers/scpi/commands.h"

namespace zarvo::scpi {

class Client {
public:
    Client(Device& device, const CommandTree& tree) : device_(device), tree_(tree) {}

    // A line as the client sent it, without its line feed.
    void Take(std::string line) { lines_.push_back({std::move(line), false}); }
    // In place of a line longer than the server takes, which was dropped.
    void TakeTooLong() { lines_.push_back({{}, true}); }

    // Runs what can run now; returns the answers to send (each program message's answers
    // joined by ';' and ended by a line feed). Starts no further message once the answers
    // reach `budget` bytes, so that a client that queries faster than it reads is held back.
    std::string Run(std::size_t budget = 1 << 20);
    // A unit waits for an operation to complete.
    bool Waiting() const { return waiting_; }
    bool Busy() const { return waiting_ || !lines_.empty(); }
    // The status byte of this client's registers (*STB?).
    std::uint8_t StatusByte() const { return dialogue_.status.StatusByte(); }
    // A device clear: the lines not yet run and the message being run (a waiting *OPC?
    // included) are dropped; the error queue and the registers stay.
    void Clear();

private:
    struct Line {
        std::string text;
        bool tooLong = false;
    };
    // Runs the current message's units from next_; false when one has to wait.
    bool RunUnits();
    // *OPC: the operation-complete event once nothing is pending.
    void NoteCompletion();

    Device& device_;
    const CommandTree& tree_;
    Dialogue dialogue_;
    std::deque<Line> lines_;
    ParsedLine message_;
    bool active_ = false;  // message_ is being run
    std::size_t next_ = 0;
    bool waiting_ = false;
    std::vector<std::string> answers_;
    Path path_;
};

}  // namespace zarvo::scpi
