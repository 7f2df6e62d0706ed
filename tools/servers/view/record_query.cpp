// SPDX-License-Identifier: MIT
// ?seq=N and the other parameters of a request for a kept record, checked.
#include "tools/servers/view/record_query.h"

#include <algorithm>
#include <charconv>

namespace zarvo::view {

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

FoundRecord FindRecord(const station::Station& station, const Query& q) {
    std::uint64_t seq = 0;
    if (const auto it = q.values.find("seq"); it != q.values.end()) {
        const std::string& text = it->second;
        const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), seq);
        if (ec != std::errc() || ptr != text.data() + text.size()) {
            return {nullptr, 400, "seq must be a record number, not \"" + text + "\""};
        }
    }
    auto record = station.Find(seq);
    if (record != nullptr) return {std::move(record), 200, ""};
    if (seq == 0) return {nullptr, 404, "no record has been taken yet"};
    const auto [first, last] = station.KeptRange();
    return {nullptr, 404,
            "record " + std::to_string(seq) + " is not kept; the records kept are " +
                std::to_string(first) + " to " + std::to_string(last)};
}

}  // namespace zarvo::view
