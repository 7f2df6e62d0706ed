// The requests that read a kept record closer (its event again, its spectrum), auto set-up,
// and the settings as a file.
#include <charconv>
#include <map>

#include "tools/station/settings_table.h"
#include "tools/view/handler.h"
#include "tools/view/record_event.h"

namespace zarvo::view {

namespace {

using json = nlohmann::json;

Response Answer(int status, const json& body) {
    return {
        status, "application/json", body.dump(-1, ' ', false, json::error_handler_t::replace), {}};
}

Response Refusal(int status, const std::string& sentence) {
    return Answer(status, {{"error", sentence}});
}

// name=value pairs of a query string, only those in `allowed`; a sentence when it has another.
struct Query {
    std::map<std::string, std::string> values;
    std::string problem;
};

Query ParseQuery(const std::string& query, const std::vector<std::string>& allowed,
                 const std::string& what) {
    Query q;
    for (std::size_t at = 0; at < query.size();) {
        std::size_t end = query.find('&', at);
        if (end == std::string::npos) end = query.size();
        const std::string pair = query.substr(at, end - at);
        at = end + 1;
        if (pair.empty()) continue;
        const std::size_t eq = pair.find('=');
        const std::string name = pair.substr(0, eq);
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
            std::string list;
            for (const std::string& a : allowed) list += (list.empty() ? "" : " and ") + a;
            q.problem = "the parameters of " + what + " are " + list + ", not \"" + name + "\"";
            return q;
        }
        q.values[name] = eq == std::string::npos ? "" : pair.substr(eq + 1);
    }
    return q;
}

// The kept record a query names (seq=N; none or 0: the latest), or the refusal.
std::shared_ptr<const station::TakenRecord> FindRecord(const station::Station& station,
                                                       const Query& q, Response& refusal) {
    std::uint64_t seq = 0;
    if (const auto it = q.values.find("seq"); it != q.values.end()) {
        const std::string& text = it->second;
        const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), seq);
        if (ec != std::errc() || ptr != text.data() + text.size()) {
            refusal = Refusal(400, "seq must be a record number, not \"" + text + "\"");
            return nullptr;
        }
    }
    auto record = station.Find(seq);
    if (record == nullptr) {
        const auto [first, last] = station.KeptRange();
        refusal =
            Refusal(404, seq == 0 ? "no record has been taken yet"
                                  : "record " + std::to_string(seq) +
                                        " is not kept; the records kept are " +
                                        std::to_string(first) + " to " + std::to_string(last));
    }
    return record;
}

}  // namespace

Response RequestHandler::RecordJson(const std::string& query) {
    const Query q = ParseQuery(query, {"seq"}, "a record");
    if (!q.problem.empty()) return Refusal(400, q.problem);
    Response refusal;
    const auto record = FindRecord(station_, q, refusal);
    if (record == nullptr) return refusal;
    return Answer(200, RecordEvent(*record, station_.KeptRange()));
}

Response RequestHandler::SpectrumOf(const std::string& query) {
    const Query q = ParseQuery(query, {"seq", "window"}, "a spectrum");
    if (!q.problem.empty()) return Refusal(400, q.problem);
    cli::Window window = cli::Window::Hann;
    if (const auto it = q.values.find("window"); it != q.values.end()) {
        const auto named = cli::WindowNamed(it->second);
        if (!named) {
            return Refusal(
                400, "the window must be " + cli::WindowNames() + ", not \"" + it->second + "\"");
        }
        window = *named;
    }
    Response refusal;
    const auto record = FindRecord(station_, q, refusal);
    if (record == nullptr) return refusal;

    json channels = json::array();
    double binHz = 0;
    {
        std::lock_guard lock(spectrumMutex_);
        for (const station::TakenTrace& t : record->traces) {
            analyser_.Compute(t.words, t.scale, record->rate, window, spectrum_);
            binHz = spectrum_.binHz;
            json levels = json::array();
            for (double db : spectrum_.dBV) levels.push_back(cli::RoundDb(db));
            const cli::SpectrumPeak& peak = spectrum_.peak;
            channels.push_back(
                {{"channel", t.channel},
                 {"dBV", std::move(levels)},
                 {"peak",
                  {{"hz", peak.hz}, {"dBV", cli::RoundDb(peak.dBV)}, {"text", peak.Text()}}}});
        }
    }
    return Answer(200, {{"seq", record->seq},
                        {"rate", record->rate},
                        {"window", cli::WindowName(window)},
                        {"binHz", binHz},
                        {"channels", std::move(channels)}});
}

Response RequestHandler::AutoSetup(const json& body) {
    if (!body.is_object() || !body.empty()) {
        return Refusal(400, "Auto takes no settings: send {}");
    }
    const station::ApplyResult result = station_.Auto();
    return Answer(result.httpStatus, result.body);
}

Response RequestHandler::SettingsDownload() {
    const json settings = station_.State()["settings"];
    json file = json::object();
    // What the instrument was set to, not what follows from it, nor whether it runs.
    for (const station::Setting& s : station::SettingsTable()) {
        if (s.derived || s.key == "acquire") continue;
        const auto it = settings.find(s.key);
        if (it != settings.end() && !it->is_null()) file[s.key] = *it;
    }
    Response response{200, "application/json", file.dump(2) + "\n", {}};
    response.headers["Content-Disposition"] = "attachment; filename=\"zarvo-settings.json\"";
    return response;
}

}  // namespace zarvo::view
