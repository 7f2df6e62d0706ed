// SPDX-License-Identifier: MIT
// Starting and stopping the acquisition loop, and forcing its trigger.
#include "tools/servers/scpi/commands.h"
#include "tools/servers/scpi/values.h"

namespace zarvo::scpi {

namespace {

Handler SetAcquire(const char* name, const char* state) {
    return [name, state](Call& c) {
        ExpectParams(c.unit, 0, name);
        const std::uint64_t before = c.device.Apply({{"acquire", state}});
        // Only :SINGle leaves an operation to wait for; the others end any there was.
        c.dialogue.pendingSingle.reset();
        if (std::string(state) == "single") c.dialogue.pendingSingle = before;
    };
}

Handler ForceTrigger(const char* name) {
    return [name](Call& c) {
        ExpectParams(c.unit, 0, name);
        if (c.device.Setting("acquire") == "stop") {
            throw Refused(code::kSettingsConflict,
                          "no acquisition runs to force: send :RUN or :SINGle first");
        }
        c.device.Station().ForceTrigger();
    };
}

}  // namespace

void AddAcquisitionRows(std::vector<Row>& rows) {
    rows.push_back({":RUN", SetAcquire("RUN", "run"), nullptr});
    rows.push_back({":STOP", SetAcquire("STOP", "stop"), nullptr});
    rows.push_back({":SINGle", SetAcquire("SINGle", "single"), nullptr});
    // Abandons the record being waited for: the loop stops, as with :STOP.
    rows.push_back({":ABORt", SetAcquire("ABORt", "stop"), nullptr});
    rows.push_back({":ACQuire:STATe", nullptr, [](Call& c) {
                        ExpectParams(c.unit, 0, "ACQuire:STATe?");
                        const std::string state = c.device.Setting("acquire").get<std::string>();
                        c.answer = state == "run" ? "RUN" : (state == "single" ? "SING" : "STOP");
                    }});
    rows.push_back({":TRIGger:FORCe", ForceTrigger("TRIGger:FORCe"), nullptr});
    // The bus trigger of IEEE 488.2 (and VXI-11's device_trigger): the same as :TRIGger:FORCe.
    rows.push_back({"*TRG", ForceTrigger("*TRG"), nullptr});
}

}  // namespace zarvo::scpi
