// SPDX-License-Identifier: MIT
// The station's history: the records kept for stepping back, newest last, and waiting for them.
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "tools/station/station.h"

namespace zarvo::station {

void Station::Publish(std::shared_ptr<const TakenRecord> record) {
    // Described outside the lock: listeners keep reading the previous record meanwhile.
    std::shared_ptr<const std::string> text;
    if (describe_) text = std::make_shared<const std::string>(describe_(*record));
    {
        std::lock_guard lock(mutex_);
        kept_.push_back(std::move(record));
        if (kept_.size() > kKeptRecords) kept_.pop_front();
        latestText_ = std::move(text);
        ++recordVersion_;
    }
    changed_.notify_all();
}

std::shared_ptr<const TakenRecord> Station::Latest() const {
    std::lock_guard lock(mutex_);
    return kept_.empty() ? nullptr : kept_.back();
}

std::shared_ptr<const TakenRecord> Station::Find(std::uint64_t seq) const {
    std::lock_guard lock(mutex_);
    if (kept_.empty()) return nullptr;
    if (seq == 0) return kept_.back();
    // Sequence numbers are consecutive, so the kept ones are an index away from the first.
    const std::uint64_t first = kept_.front()->seq;
    if (seq < first || seq - first >= kept_.size()) return nullptr;
    return kept_[static_cast<std::size_t>(seq - first)];
}

std::pair<std::uint64_t, std::uint64_t> Station::KeptRange() const {
    std::lock_guard lock(mutex_);
    if (kept_.empty()) return {0, 0};
    return {kept_.front()->seq, kept_.back()->seq};
}

std::pair<std::uint64_t, std::uint64_t> Station::KeptWith(std::uint64_t newest) {
    // Every record is kept as it comes, numbered from 1, and the oldest leaves past the limit.
    return {newest > kKeptRecords ? newest - kKeptRecords + 1 : 1, newest};
}

std::pair<std::uint64_t, std::shared_ptr<const std::string>> Station::LatestDescription() const {
    std::lock_guard lock(mutex_);
    if (kept_.empty() || latestText_ == nullptr) return {0, nullptr};
    return {kept_.back()->seq, latestText_};
}

std::shared_ptr<const TakenRecord> Station::WaitForRecord(std::uint64_t seq, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    auto newer = [&] { return !kept_.empty() && kept_.back()->seq > seq; };
    changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return quit_ || newer(); });
    return newer() ? kept_.back() : nullptr;
}

std::uint64_t Station::WaitForChange(std::uint64_t version, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                      [&] { return quit_ || recordVersion_ + stateVersion_ > version; });
    return recordVersion_ + stateVersion_;
}

std::uint64_t Station::RecordVersion() const {
    std::lock_guard lock(mutex_);
    return recordVersion_;
}

std::uint64_t Station::StateVersion() const {
    std::lock_guard lock(mutex_);
    return stateVersion_;
}

std::uint64_t Station::Completed() const {
    std::lock_guard lock(mutex_);
    return seq_;
}

}  // namespace zarvo::station
