// SPDX-License-Identifier: MIT
// Registered message ids for hosts without a window system.
//
// Each distinct name gets its own id from 0xC000 upward, the range window systems reserve for
// registered messages, and keeps it for the life of the process. Names compare without regard
// to ASCII case, as registered window messages do.
#pragma once

#include <cstdint>
#include <string>

namespace zarvo {

inline constexpr std::uint32_t kFirstRegisteredMessage = 0xC000;
inline constexpr std::uint32_t kLastRegisteredMessage = 0xFFFF;

// The id of the name; 0 for an empty name or once every id of the range is taken.
std::uint32_t RegisterMessageName(const std::string& name);

}  // namespace zarvo
