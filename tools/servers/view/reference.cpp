// SPDX-License-Identifier: MIT
// Reference traces from saved records: read from the command line's files or from the bytes
// the page sends, turned into record events like the records the instrument takes.
#include "tools/servers/view/reference.h"

#include <filesystem>

#include "tools/core/status.h"
#include "tools/files/record_files.h"
#include "tools/servers/view/record_event.h"
#include "tools/servers/view/record_query.h"
#include "tools/station/taken_record.h"

namespace zarvo::view {

using json = nlohmann::json;

namespace {

json EventOf(const core::Record& record, const std::string& name) {
    // The volts as the instrument's counts on its range, as the page receives every record.
    json event = RecordEvent(station::TakenFromVolts(record, name), {0, 0});
    event["name"] = std::filesystem::path(name).filename().string();
    event.erase("kept");
    return event;
}

Response JsonAnswer(int status, const json& body) {
    return {
        status, "application/json", body.dump(-1, ' ', false, json::error_handler_t::replace), {}};
}

}  // namespace

json ReferenceFromBytes(std::string_view bytes, const std::string& name) {
    const auto format = files::FormatOfPath(name);
    if (!format || !files::InfoOf(*format).Readable()) {
        files::FailFile(name,
                        "cannot be read as a record: " + files::ReadableNames() + " files can");
    }
    return EventOf(files::DecodeRecord(bytes, *format, name), name);
}

json ReadReferences(const std::vector<std::string>& paths) {
    if (paths.size() > kMostReferences) {
        throw core::ToolError("--reference is given " + std::to_string(paths.size()) +
                                  " times; the view keeps two references, R1 and R2",
                              2);
    }
    json references = json::array();
    for (const std::string& path : paths) {
        try {
            references.push_back(EventOf(files::ReadRecordFile(path), path));
        } catch (const files::FileError& e) {
            throw core::ToolError(std::string("cannot use the reference ") + e.what(), 2);
        }
    }
    return references;
}

Response AnswerReference(const RequestHandler& handler, const Request& request,
                         const json& references) {
    // The checks of every request, but for the body's size and type: a file is no JSON.
    Request head = request;
    head.body.clear();
    head.headers["Content-Type"] = "application/json";
    if (auto refused = handler.Refuse(head)) return *refused;
    const std::size_t q = request.target.find('?');
    const std::string path = request.target.substr(0, q);
    if (path == "/api/references") {
        if (request.method != "GET") return JsonAnswer(405, {{"error", "GET the references"}});
        return JsonAnswer(200, references);
    }
    if (request.method != "POST") {
        return JsonAnswer(405, {{"error", "POST a record file to make it a reference"}});
    }
    const Query query = ParseQuery(q == std::string::npos ? "" : request.target.substr(q + 1),
                                   {"name"}, "a reference");
    if (!query.problem.empty()) return JsonAnswer(400, {{"error", query.problem}});
    const auto name = query.values.find("name");
    if (name == query.values.end() || name->second.empty()) {
        return JsonAnswer(400, {{"error", "a reference needs the file's name (?name=FILE.csv)"}});
    }
    if (request.body.size() > kMaxReferenceBytes) {
        return JsonAnswer(413, {{"error", name->second + " is larger than a record file may be"}});
    }
    try {
        return JsonAnswer(200, ReferenceFromBytes(request.body, name->second));
    } catch (const files::FileError& e) {
        return JsonAnswer(400, {{"error", std::string("not kept as a reference: ") + e.what()}});
    }
}

}  // namespace zarvo::view
