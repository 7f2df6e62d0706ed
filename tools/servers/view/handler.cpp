// SPDX-License-Identifier: MIT
// The live view's requests answered without sockets: the page, the state, records, settings.
#include "tools/servers/view/handler.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "tools/analysis/decode_record.h"
#include "tools/core/numbers.h"
#include "tools/files/record_files.h"
#include "tools/files/sigrok_logic.h"
#include "tools/servers/listen.h"
#include "tools/servers/view/page_files.h"
#include "tools/servers/view/record_query.h"
#include "tools/station/decode_controls.h"

namespace zarvo::view {

namespace {

using json = nlohmann::json;
using namespace station;
using core::Lower;

std::string Dump(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string HeaderOf(const Request& r, const char* name) {
    const auto it = r.headers.find(name);
    return it == r.headers.end() ? std::string() : it->second;
}

bool IsIpv4(const std::string& name) {
    int parts = 0;
    std::size_t digits = 0;
    for (char c : name) {
        if (c == '.') {
            if (digits == 0) return false;
            ++parts;
            digits = 0;
        } else if (std::isdigit(static_cast<unsigned char>(c)) && ++digits <= 3) {
            continue;
        } else {
            return false;
        }
    }
    return parts == 3 && digits > 0;
}

}  // namespace

Response RequestHandler::Json(int status, const json& body) {
    return {status, "application/json", Dump(body), {}};
}

Response RequestHandler::Error(int status, const std::string& sentence,
                               const std::string& statusName) {
    json body = {{"error", sentence}};
    if (!statusName.empty()) body["status"] = statusName;
    return {status, "application/json", Dump(body), {}};
}

Response RequestHandler::Answer(const station::ApplyResult& result) {
    const int status = [&] {
        switch (result.outcome) {
            case station::Outcome::Applied:
                return 200;
            case station::Outcome::AppliedLater:
                return 202;
            case station::Outcome::Refused:
                return 400;
            case station::Outcome::Closing:
                return 503;
        }
        return 400;  // not reached: every outcome is named above
    }();
    return Json(status, result.body);
}

bool Caseless::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
}

RequestHandler::RequestHandler(Station& station, std::string servedHost) : station_(station) {
    const std::size_t colon = servedHost.rfind(':');
    address_ = core::Lower(servedHost.substr(0, colon));
    port_ = colon == std::string::npos ? "" : servedHost.substr(colon + 1);
}

bool RequestHandler::HostAllowed(const std::string& host) const {
    const std::size_t colon = host.rfind(':');
    if (colon == std::string::npos || host.substr(colon + 1) != port_) return false;
    const std::string name = core::Lower(host.substr(0, colon));
    if (name == address_) return true;
    if (servers::IsLoopback(address_))
        return name == "127.0.0.1" || name == "localhost" || name == "[::1]";
    // Listening on every interface: a numeric address reaches this machine directly, while a
    // name might be one a foreign site has pointed at it.
    return address_ == "0.0.0.0" && IsIpv4(name);
}

std::optional<Response> RequestHandler::Refuse(const Request& r) const {
    const std::string host = HeaderOf(r, "Host");
    if (!HostAllowed(host)) {
        return Error(403, "this view answers requests for " + address_ + ":" + port_ +
                              " only, not for \"" + host + "\"");
    }
    const std::string origin = HeaderOf(r, "Origin");
    if (!origin.empty() && core::Lower(origin) != "http://" + core::Lower(host)) {
        return Error(403, "requests from other sites (" + origin + ") are refused");
    }
    if (r.method != "GET" && r.method != "HEAD" && r.method != "POST") {
        return Error(405, "the view takes GET and POST requests only, not " + r.method);
    }
    if (r.body.size() > kMaxBody) {
        return Error(413, "a request body may hold at most " + std::to_string(kMaxBody) +
                              " bytes; this one has " + std::to_string(r.body.size()));
    }
    if (r.method == "POST") {
        std::string type = HeaderOf(r, "Content-Type");
        type = core::Lower(type.substr(0, type.find(';')));
        type.erase(std::remove(type.begin(), type.end(), ' '), type.end());
        if (type != "application/json") {
            return Error(415, "changes must be sent as application/json, not \"" + type + "\"");
        }
    }
    return std::nullopt;
}

Response RequestHandler::Handle(const Request& r) {
    try {
        if (auto refused = Refuse(r)) return *refused;
        const std::size_t q = r.target.find('?');
        const std::string path = r.target.substr(0, q);
        const std::string query = q == std::string::npos ? "" : r.target.substr(q + 1);
        if (r.method == "POST") {
            const json body = json::parse(r.body, nullptr, false);
            if (body.is_discarded()) return Error(400, "the body is not valid JSON");
            if (path == "/api/settings") {
                return Answer(station_.Apply(body));
            }
            if (path == "/api/auto") return AutoSetup(body);
            if (path == "/api/statistics/reset") return ResetStatistics();
            if (path == "/api/restart") {
                if (!body.is_object()) return Error(400, "the body must be a JSON object");
                return Answer(station_.Restart());
            }
            return Error(404, "nothing to change at " + path);
        }
        if (path == "/api/state") {
            json state = station_.State();
            state["status"]["records"] = station_.Completed();
            const auto [first, last] = station_.KeptRange();
            state["status"]["kept"] = {first, last};
            return Json(200, state);
        }
        if (path == "/api/record.json") return RecordJson(query);
        if (path == "/api/spectrum") return SpectrumOf(query);
        if (path == "/api/settings.json") return SettingsDownload();
        if (path == "/api/table") return Json(200, DescribeTable());
        if (path == "/api/frames.csv") return FramesDownload(query);
        if (path == "/api/trend") return TrendOf(query);
        if (path == "/api/trend.csv") return TrendCsv();
        constexpr std::string_view kRecord = "/api/record.";
        if (path.rfind(kRecord, 0) == 0) return Download(query, path.substr(kRecord.size()));
        const std::string file = path == "/" ? "/index.html" : path;
        for (const PageFile& page : kPageFiles) {
            if (file == page.path) return {200, page.type, std::string(page.body), {}};
        }
        return Error(404, "there is no page " + path);
    } catch (const std::exception& e) {
        return Error(500, std::string("the request failed: ") + e.what());
    }
}

Response RequestHandler::Download(const std::string& query, const std::string& extension) {
    // Every record format with a writer of its own: not JSON, whose settings block belongs to
    // the capture command.
    const auto format = files::FormatNamed(extension);
    if (!format || !files::InfoOf(*format).Writable()) {
        std::string names;
        for (const files::FormatInfo& info : files::Formats()) {
            if (info.Writable()) names += " ." + std::string(info.name);
        }
        return Error(404, "a record downloads as one of" + names + ", not ." + extension);
    }
    const Query q = ParseQuery(query, {"seq"}, "a download");
    if (!q.problem.empty()) return Error(400, q.problem);
    const FoundRecord found = FindRecord(station_, q);
    if (found.record == nullptr) return Error(found.status, found.problem);
    const auto& record = found.record;
    const files::FormatInfo& info = files::InfoOf(*format);
    const std::string name =
        "zarvo-record-" + std::to_string(record->seq) + "." + std::string(info.name);
    const core::Record volts = record->Volts();
    const auto decode = station::DecodeInForce();
    // While decoding, a sigrok session carries the lines as the decoder cut them (D1, D2).
    std::string bytes;
    if (*format == files::FileFormat::Sigrok && decode) {
        const zarvo::analysis::decode::Result result = analysis::DecodeFrames(*decode, volts);
        files::LogicThresholds logic;
        for (int k = 0; k < 2; ++k) {
            if (!std::isnan(result.threshold[k])) {
                logic.threshold[k] = result.threshold[k];
            } else {
                logic.threshold[k] = decode->threshold;
            }
        }
        bytes = files::EncodeSigrokWithLogic(volts, logic);
    } else {
        bytes = files::EncodeRecord(volts, *format);
    }
    Response response{200, std::string(info.mediaType), std::move(bytes), {}};
    response.headers["Content-Disposition"] = "attachment; filename=\"" + name + "\"";
    return response;
}

}  // namespace zarvo::view
