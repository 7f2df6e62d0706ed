// The rows of the settings table, family by family, in the order they are applied.
#pragma once

#include <vector>

#include "tools/station/settings_table.h"

namespace zarvo::station {

std::vector<Setting> MakeTable();

}  // namespace zarvo::station
