// SPDX-License-Identifier: MIT
// The requests that read a kept record closer (its event again, its spectrum), auto set-up,
// and the settings as a file.
#include "tools/servers/view/handler.h"
#include "tools/servers/view/record_event.h"
#include "tools/servers/view/record_query.h"
#include "tools/station/settings_table.h"

namespace zarvo::view {

using json = nlohmann::json;

Response RequestHandler::RecordJson(const std::string& query) {
    const Query q = ParseQuery(query, {"seq"}, "a record");
    if (!q.problem.empty()) return Error(400, q.problem);
    const FoundRecord found = FindRecord(station_, q);
    if (found.record == nullptr) return Error(found.status, found.problem);
    const auto& record = found.record;
    return Json(200, RecordEvent(*record, station_.KeptRange()));
}

Response RequestHandler::SpectrumOf(const std::string& query) {
    const Query q = ParseQuery(query, {"seq", "window"}, "a spectrum");
    if (!q.problem.empty()) return Error(400, q.problem);
    analysis::Window window = analysis::Window::Hann;
    if (const auto it = q.values.find("window"); it != q.values.end()) {
        const auto named = analysis::WindowNamed(it->second);
        if (!named) {
            return Error(400, "the window must be " + analysis::WindowNames() + ", not \"" +
                                  it->second + "\"");
        }
        window = *named;
    }
    const FoundRecord found = FindRecord(station_, q);
    if (found.record == nullptr) return Error(found.status, found.problem);
    const auto& record = found.record;

    json channels = json::array();
    double binHz = 0;
    {
        std::lock_guard lock(spectrumMutex_);
        for (const station::TakenTrace& t : record->traces) {
            analyser_.Compute(t.words, t.scale, record->rate, window, spectrum_);
            binHz = spectrum_.binHz;
            json levels = json::array();
            for (double db : spectrum_.dBV) levels.push_back(analysis::RoundDb(db));
            const analysis::SpectrumPeak& peak = spectrum_.peak;
            channels.push_back(
                {{"channel", t.channel},
                 {"dBV", std::move(levels)},
                 {"peak",
                  {{"hz", peak.hz}, {"dBV", analysis::RoundDb(peak.dBV)}, {"text", peak.Text()}}}});
        }
    }
    return Json(200, {{"seq", record->seq},
                      {"rate", record->rate},
                      {"window", analysis::WindowName(window)},
                      {"binHz", binHz},
                      {"channels", std::move(channels)}});
}

Response RequestHandler::AutoSetup(const json& body) {
    if (!body.is_object() || !body.empty()) {
        return Error(400, "Auto takes no settings: send {}");
    }
    return Answer(station_.Auto());
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
