// SPDX-License-Identifier: MIT
// The frames CSV of the Save row: a kept record's frames with the decode setting in force.
#include <sstream>

#include "tools/analysis/decode_record.h"
#include "tools/files/frames_csv.h"
#include "tools/servers/view/handler.h"
#include "tools/servers/view/record_query.h"
#include "tools/station/decode_controls.h"

namespace zarvo::view {

Response RequestHandler::FramesDownload(const std::string& query) {
    const auto decode = station::DecodeInForce();
    if (!decode) return Error(409, "decoding is off: choose a bus under Decode first");
    const Query q = ParseQuery(query, {"seq"}, "the frames");
    if (!q.problem.empty()) return Error(400, q.problem);
    const FoundRecord found = FindRecord(station_, q);
    if (found.record == nullptr) return Error(found.status, found.problem);
    std::ostringstream csv;
    files::WriteFramesCsvHeader(csv, false);
    files::WriteFramesCsvRows(csv, analysis::DecodeFrames(*decode, found.record->Volts()), 0);
    Response response{200, "text/csv", csv.str(), {}};
    response.headers["Content-Disposition"] =
        "attachment; filename=\"zarvo-frames-" + std::to_string(found.record->seq) + ".csv\"";
    return response;
}

}  // namespace zarvo::view
