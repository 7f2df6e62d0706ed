// SPDX-License-Identifier: MIT
// IEEE 488.2 common commands, :SYSTem and :FORMat, and the table of every row.
#include <array>

#include "tools/servers/scpi/commands.h"
#include "tools/servers/scpi/values.h"

namespace zarvo::scpi {

namespace {

using json = nlohmann::json;

constexpr NumberLimits kRegisterMask{"", 0, 255, 0, true};

std::string Integer(long value) {
    return std::to_string(value);
}

void Reset(Call& call) {
    ExpectParams(call.unit, 0, "*RST");
    call.device.Apply(call.device.Startup());
    call.device.RestoreGenerator();
    call.dialogue.format = DataFormat::Ascii;
    call.dialogue.pendingSingle.reset();
}

// *ESE and *SRE: an eight-bit enable mask of the status registers, set and read back.
void AddMaskRow(std::vector<Row>& rows, const std::string& name,
                void (StatusRegisters::*set)(std::uint8_t),
                std::uint8_t (StatusRegisters::*get)() const) {
    rows.push_back({name,
                    [name, set](Call& c) {
                        ExpectParams(c.unit, 1, name);
                        const double mask = TakeNumber(c.unit.params[0], kRegisterMask, name);
                        (c.dialogue.status.*set)(static_cast<std::uint8_t>(mask));
                    },
                    [name, get](Call& c) {
                        ExpectParams(c.unit, 0, name + "?");
                        c.answer = Integer((c.dialogue.status.*get)());
                    }});
}

void AddFormat(std::vector<Row>& rows) {
    static constexpr std::array<const char*, 3> kFormats = {"ASCii", "REAL", "INTeger"};
    rows.push_back({":FORMat[:DATA]",
                    [](Call& c) {
                        if (c.unit.params.empty()) ExpectParams(c.unit, 1, "FORMat");
                        if (c.unit.params.size() > 2) ExpectParams(c.unit, 2, "FORMat");
                        const std::size_t which = TakeChoice(c.unit.params[0], kFormats, "FORMat");
                        // The widths each format comes in: ASCii any (it is text), REAL 32,
                        // INTeger 16.
                        static constexpr double kWidths[] = {0, 32, 16};
                        if (c.unit.params.size() == 2) {
                            const Param& width = c.unit.params[1];
                            const bool fits = width.type == Param::Type::Number &&
                                              width.unit.empty() &&
                                              (which == 0 || width.number == kWidths[which]);
                            if (!fits) {
                                throw Refused(code::kIllegalValue,
                                              "FORMat takes ASCii, REAL,32 or INTeger,16, not " +
                                                  c.unit.params[0].written + "," + width.written);
                            }
                        }
                        c.dialogue.format = static_cast<DataFormat>(which);
                    },
                    [](Call& c) {
                        ExpectParams(c.unit, 0, "FORMat?");
                        static constexpr const char* kAnswers[] = {"ASC", "REAL,32", "INT,16"};
                        c.answer = kAnswers[static_cast<int>(c.dialogue.format)];
                    }});
}

}  // namespace

bool OperationsComplete(Device& device, Dialogue& dialogue) {
    if (!dialogue.pendingSingle) return true;
    const auto record = device.Station().Latest();
    if (record != nullptr && record->seq > *dialogue.pendingSingle) {
        dialogue.pendingSingle.reset();
        return true;
    }
    // An instrument that stops answering takes no record: the wait ends with the reason.
    const auto why =
        Device::Missing(device.Station().State()["status"], "the instrument stopped answering");
    if (why) {
        dialogue.pendingSingle.reset();
        dialogue.status.Push({code::kHardwareMissing, "the single record was not taken: " + *why});
        return true;
    }
    return false;
}

void AddCommonRows(std::vector<Row>& rows) {
    rows.push_back({"*IDN", nullptr, [](Call& c) {
                        ExpectParams(c.unit, 0, "*IDN?");
                        c.answer = c.device.Identification();
                    }});
    rows.push_back({"*RST", Reset, nullptr});
    rows.push_back({"*CLS",
                    [](Call& c) {
                        ExpectParams(c.unit, 0, "*CLS");
                        c.dialogue.status.Clear();
                        c.dialogue.opcArmed = false;
                    },
                    nullptr});
    rows.push_back({"*OPC",
                    [](Call& c) {
                        ExpectParams(c.unit, 0, "*OPC");
                        if (OperationsComplete(c.device, c.dialogue)) {
                            c.dialogue.status.SetEvent(esr::kOperationComplete);
                        } else {
                            c.dialogue.opcArmed = true;
                        }
                    },
                    [](Call& c) {
                        ExpectParams(c.unit, 0, "*OPC?");
                        c.again = !OperationsComplete(c.device, c.dialogue);
                        // One character assigned as a character: g++ 12 at -O3 misreads the
                        // inlined copy of a one-letter literal as overlapping (-Wrestrict).
                        if (!c.again) c.answer.assign(1, '1');
                    }});
    rows.push_back({"*WAI",
                    [](Call& c) {
                        ExpectParams(c.unit, 0, "*WAI");
                        c.again = !OperationsComplete(c.device, c.dialogue);
                    },
                    nullptr});
    rows.push_back({"*ESR", nullptr, [](Call& c) {
                        ExpectParams(c.unit, 0, "*ESR?");
                        c.answer = Integer(c.dialogue.status.TakeEvents());
                    }});
    AddMaskRow(rows, "*ESE", &StatusRegisters::SetEventEnable, &StatusRegisters::EventEnable);
    AddMaskRow(rows, "*SRE", &StatusRegisters::SetServiceEnable, &StatusRegisters::ServiceEnable);
    rows.push_back({"*STB", nullptr, [](Call& c) {
                        ExpectParams(c.unit, 0, "*STB?");
                        c.answer = Integer(c.dialogue.status.StatusByte());
                    }});
    // No self-test beyond the start-up's: the instrument answered, or nothing works.
    rows.push_back({"*TST", nullptr, [](Call& c) {
                        ExpectParams(c.unit, 0, "*TST?");
                        c.answer.assign(1, '0');
                    }});

    rows.push_back({":SYSTem:ERRor[:NEXT]", nullptr, [](Call& c) {
                        ExpectParams(c.unit, 0, "SYSTem:ERRor?");
                        c.answer = FormatError(c.dialogue.status.Next());
                    }});
    rows.push_back({":SYSTem:ERRor:COUNt", nullptr, [](Call& c) {
                        ExpectParams(c.unit, 0, "SYSTem:ERRor:COUNt?");
                        c.answer = Integer(static_cast<long>(c.dialogue.status.Count()));
                    }});
    rows.push_back({":SYSTem:VERSion", nullptr, [](Call& c) {
                        ExpectParams(c.unit, 0, "SYSTem:VERSion?");
                        c.answer = "1999.0";
                    }});
    AddFormat(rows);
}

const std::vector<Row>& CommandRows() {
    static const std::vector<Row> rows = [] {
        std::vector<Row> all;
        AddCommonRows(all);
        AddSettingRows(all);
        AddAcquisitionRows(all);
        AddDataRows(all);
        return all;
    }();
    return rows;
}

}  // namespace zarvo::scpi
