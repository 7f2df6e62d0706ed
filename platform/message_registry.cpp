// SPDX-License-Identifier: MIT
#include "platform/message_registry.h"

#include <atomic>
#include <map>
#include <mutex>

namespace zarvo {

namespace {

std::string FoldCase(const std::string& name) {
    std::string folded = name;
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return folded;
}

// Registration is rare and brief; a spin lock keeps the registry safe without needing a
// thread library (some Windows tool chains have none).
class SpinLock {
public:
    void lock() {
        while (flag_.test_and_set(std::memory_order_acquire)) {
        }
    }
    void unlock() { flag_.clear(std::memory_order_release); }

private:
    std::atomic_flag flag_ = ATOMIC_FLAG_INIT;
};

struct Registry {
    SpinLock lock;
    std::map<std::string, std::uint32_t> ids;
};

Registry& TheRegistry() {
    // Destroyed with the library's statics when it is unloaded or the process ends; a library
    // loaded again starts a registry of its own anyway. Nothing registers a name after that:
    // the unload hook only shuts the instrument down.
    static Registry registry;
    return registry;
}

}  // namespace

std::uint32_t RegisterMessageName(const std::string& name) {
    if (name.empty()) return 0;
    Registry& registry = TheRegistry();
    const std::lock_guard<SpinLock> guard(registry.lock);
    const std::string key = FoldCase(name);
    const auto found = registry.ids.find(key);
    if (found != registry.ids.end()) return found->second;
    const std::uint32_t next =
        kFirstRegisteredMessage + static_cast<std::uint32_t>(registry.ids.size());
    if (next > kLastRegisteredMessage) return 0;
    registry.ids.emplace(key, next);
    return next;
}

}  // namespace zarvo
