// SPDX-License-Identifier: MIT
// CSV rows of a record: the header, then one row per sample, numbered when records share a file.
#include "tools/files/csv_writer.h"

#include "tools/core/numbers.h"

namespace zarvo::files {

void WriteCsvHeader(std::ostream& out, const core::Record& record, bool numbered) {
    out << (numbered ? "record,time_s" : "time_s");
    // Behind a probe the column says its factor: ch1_V_x10 holds the volts at a x10 probe's tip.
    for (const core::Trace& t : record.traces) {
        out << ",ch" << t.channel << "_V";
        if (t.probe != 1) out << "_x" << core::CsvNumber(t.probe);
    }
    out << '\n';
}

void WriteCsvRows(std::ostream& out, const core::Record& record, long number) {
    for (std::size_t i = 0; i < record.size(); ++i) {
        if (number != 0) out << number << ',';
        out << core::CsvNumber(record.TimeOf(i), 12);
        for (const core::Trace& t : record.traces) out << ',' << core::CsvNumber(t.volts[i], 8);
        out << '\n';
    }
}

void WriteCsv(std::ostream& out, const core::Record& record, long number) {
    WriteCsvHeader(out, record, number != 0);
    WriteCsvRows(out, record, number);
}

}  // namespace zarvo::files
