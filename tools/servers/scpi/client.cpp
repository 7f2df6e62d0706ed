// SPDX-License-Identifier: MIT
// One SCPI client's dialogue: its lines run unit by unit with its error queue and registers.
#include "tools/servers/scpi/client.h"

#include "tools/servers/scpi/errors.h"

namespace zarvo::scpi {

bool Client::RunUnits() {
    for (; next_ < message_.units.size(); ++next_) {
        const Unit& unit = message_.units[next_];
        Call call{device_, dialogue_, unit, {}, {}, false};
        try {
            const Match match = tree_.Resolve(unit, path_, device_.Channels());
            path_ = match.next;
            call.suffixes = match.suffixes;
            const Handler& handler = unit.query ? match.row->query : match.row->command;
            if (!handler) {
                throw Refused(code::kCommand,
                              match.row->pattern + (unit.query ? " has no query form"
                                                               : " is a query only: add '?'"));
            }
            handler(call);
        } catch (const Refused& refused) {
            dialogue_.status.Push(refused.error());
            // A message the parser could not follow is not run further; a command the
            // instrument refused does not stop the ones after it.
            if (IsCommandError(refused.error().code)) {
                next_ = message_.units.size();
                message_.error.reset();
                return true;
            }
            continue;
        }
        if (call.again) return false;
        if (unit.query) answers_.push_back(std::move(call.answer));
    }
    return true;
}

void Client::NoteCompletion() {
    if (dialogue_.opcArmed && OperationsComplete(device_, dialogue_)) {
        dialogue_.status.SetEvent(esr::kOperationComplete);
        dialogue_.opcArmed = false;
    }
}

void Client::Clear() {
    lines_.clear();
    active_ = false;
    waiting_ = false;
    next_ = 0;
    answers_.clear();
    path_.clear();
}

std::string Client::Run(std::size_t budget) {
    std::string out;
    NoteCompletion();
    for (;;) {
        if (!active_) {
            if (lines_.empty() || out.size() >= budget) break;
            Line line = std::move(lines_.front());
            lines_.pop_front();
            if (line.tooLong) {
                dialogue_.status.Push(
                    {code::kTooMuchData, "a line was longer than 64 KiB and was dropped"});
                continue;
            }
            message_ = ParseLine(line.text);
            active_ = true;
            next_ = 0;
            answers_.clear();
            // Each program message starts at the root.
            path_.clear();
        }
        waiting_ = !RunUnits();
        if (waiting_) break;
        if (message_.error) dialogue_.status.Push(*message_.error);
        if (!answers_.empty()) {
            for (std::size_t i = 0; i < answers_.size(); ++i) {
                if (i > 0) out += ';';
                out += answers_[i];
            }
            out += '\n';
        }
        active_ = false;
    }
    NoteCompletion();
    return out;
}

}  // namespace zarvo::scpi
