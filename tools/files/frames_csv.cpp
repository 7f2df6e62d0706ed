// SPDX-License-Identifier: MIT
// The frames CSV: one row per decoded frame.
#include "tools/files/frames_csv.h"

#include "tools/analysis/decode_record.h"
#include "tools/core/numbers.h"

namespace zarvo::files {

void WriteFramesCsvHeader(std::ostream& out, bool numbered) {
    out << (numbered ? "record,time_s,bus,kind,value,error\n" : "time_s,bus,kind,value,error\n");
}

void WriteFramesCsvRows(std::ostream& out, const ::analysis::decode::Result& result, long number) {
    namespace decode = ::analysis::decode;
    for (const decode::Frame& frame : result.frames) {
        if (number != 0) out << number << ',';
        // The error texts and values hold no comma or quote: no field needs quoting.
        out << cli::CsvNumber(frame.start, 12) << ',' << decode::BusName(frame.bus) << ','
            << decode::KindName(frame.kind) << ',' << analysis::FrameValue(frame) << ','
            << frame.error << '\n';
    }
}

}  // namespace zarvo::files
