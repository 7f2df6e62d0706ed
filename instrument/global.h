// SPDX-License-Identifier: MIT
// The four enumerations shared by the whole driver. Each is stored in one byte; the numbers
// are the ordinal values used on the API and in the hardware code (the named values come
// from the public header). A byte may hold a value outside the named set (the API stores
// some settings unchecked), so the types are plain bytes rather than closed enums.
#pragma once

#include <cstdint>

#include "include/zarvo.h"

namespace zarvo {

using TTrigSource = std::uint8_t;
using TMeasureMode = std::uint8_t;
using TAcquisitionMode = std::uint8_t;
using TTransferMode = std::uint8_t;

}  // namespace zarvo
