// SPDX-License-Identifier: MIT
// The query of a request that names a kept record (?seq=N&...): its parameters, checked
// against those the request takes, and the record it names.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tools/station/station.h"

namespace zarvo::view {

struct Query {
    std::map<std::string, std::string> values;
    std::string problem;  // a sentence when the query has a parameter not in `allowed`
};

// name=value pairs of a query string; `what` names the request in the refusal.
Query ParseQuery(const std::string& query, const std::vector<std::string>& allowed,
                 const std::string& what);

// The kept record a query names (seq=N; none or 0: the latest), or why there is none: 400
// for a seq that is no number, 404 for one not kept.
struct FoundRecord {
    std::shared_ptr<const station::TakenRecord> record;
    int status = 200;
    std::string problem;
};
FoundRecord FindRecord(const station::Station& station, const Query& query);

}  // namespace zarvo::view
