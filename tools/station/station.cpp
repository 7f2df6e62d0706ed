// SPDX-License-Identifier: MIT
// The station: the measurement thread and its jobs, opening the instrument, taking records.
#include "tools/station/station.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "tools/core/block_acquisition.h"
#include "tools/core/port_check.h"
#include "tools/core/status.h"
#include "tools/station/wall_clock.h"
#include "zarvo.h"

namespace zarvo::station {

namespace {

using json = nlohmann::json;
using Clock = std::chrono::steady_clock;

// A screen shows at most about 60 pictures a second: records taken faster than every 20 ms
// could not be seen, and would only keep the port and the page busy.
constexpr auto kMinRecordPeriod = std::chrono::milliseconds(20);
// A sample read off floating status lines: the instrument is gone.
constexpr std::uint16_t kFloatingSample = 0xFF00;

// Volts per count as the volt export converted this record (the range at its readout).
double ScaleOf(const std::vector<std::uint16_t>& words, const std::vector<double>& volts,
               double range) {
    for (std::size_t i = 0; i < words.size() && i < volts.size(); ++i) {
        const int count = static_cast<int>(words[i]) - 0x8000;
        if (count != 0) return volts[i] / count;
    }
    return range / 32768;
}

// The trigger as the instrument has it now, for the marks on the screen and in files (the
// level at the probe tip).
core::TriggerInfo TriggerNow(const LoopControls& controls) {
    static constexpr const char* kNames[] = {"ch1", "ch2", "ext", "and", "or", "none"};
    static constexpr std::uint8_t kCodes[] = {tsCh1, tsCh2, tsExternal, tsAnd, tsOr, tsNoTrig};
    core::TriggerInfo trigger;
    std::uint8_t source = tsCh1;
    GetTriggerSource(&source);
    for (std::size_t i = 0; i < std::size(kCodes); ++i) {
        if (kCodes[i] == source) trigger.source = kNames[i];
    }
    std::uint8_t mode = 0;
    GetTriggerModeCh(1, &mode);
    trigger.falling = mode == 1;
    // "and" and "or" compare both channels with their levels; channel 1's is the one marked.
    if (source != tsExternal && source != tsNoTrig) {
        trigger.levelChannel = source == tsCh2 ? 2 : 1;
        GetTriggerLevel(static_cast<std::uint8_t>(trigger.levelChannel), &trigger.level);
        trigger.level *= controls.probe[static_cast<std::size_t>(trigger.levelChannel - 1)];
    }
    return trigger;
}

}  // namespace

void ReturnLargeBuffersToTheSystem() {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}

struct PendingJob {
    std::function<void()> job;
    bool done = false;
};

Station::Station(Mode mode) : mode_(mode) {
    state_ = {{"settings", json::object()}, {"status", {{"found", false}}}};
}

Station::~Station() {
    Close();
}

bool Station::Open() {
    if (mode_ == Mode::Synchronous) return OpenHere();
    if (!thread_.joinable()) thread_ = std::thread(&Station::ThreadMain, this);
    bool found = false;
    RunOnInstrument([&] { found = open_; });
    return found;
}

void Station::Close() {
    if (mode_ == Mode::Synchronous) {
        CloseHere();
        return;
    }
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    jobWaiting_.notify_all();
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void Station::RunOnInstrument(const Job& job) {
    // A saved record shown has no measurement thread to run the job.
    if (!showing_.empty()) return;
    if (mode_ == Mode::Synchronous || std::this_thread::get_id() == thread_.get_id()) {
        job();
        return;
    }
    PendingJob pending{job};
    std::unique_lock lock(mutex_);
    if (quit_) return;
    jobs_.push_back(&pending);
    jobWaiting_.notify_all();
    jobDone_.wait(lock, [&] { return pending.done; });
}

void Station::RunJobs() {
    std::unique_lock lock(mutex_);
    while (!jobs_.empty()) {
        PendingJob* pending = jobs_.front();
        jobs_.pop_front();
        lock.unlock();
        pending->job();
        lock.lock();
        pending->done = true;
        jobDone_.notify_all();
    }
}

bool Station::JobsWaiting() const {
    std::lock_guard lock(mutex_);
    return !jobs_.empty() || quit_;
}

void Station::ThreadMain() {
    OpenHere();
    Clock::time_point last = Clock::now() - kMinRecordPeriod;
    for (;;) {
        RunJobs();
        std::unique_lock lock(mutex_);
        if (quit_) break;
        const bool idle = !open_ || lost_ || controls_.acquire == "stop";
        const auto next = last + kMinRecordPeriod;
        if (idle || Clock::now() < next) {
            auto until = idle ? Clock::now() + std::chrono::milliseconds(200) : next;
            jobWaiting_.wait_until(lock, until, [&] { return !jobs_.empty() || quit_; });
            continue;
        }
        lock.unlock();
        last = Clock::now();
        Acquire();
    }
    RunJobs();
    CloseHere();
}

bool Station::OpenHere() {
    const std::uint16_t status = InitInstrument(0);
    open_ = status == RC_OK;
    everOpened_ = everOpened_ || open_;
    lost_ = false;
    json status_info = {{"found", open_}, {"where", core::WhereLooked(true)}};
    if (!open_) {
        ExitInstrument();
        status_ = status_info;
        SetError(core::NoInstrumentMessage(core::WhereLooked(true), ":"), status);
        return false;
    }
    std::int32_t serial = 0;
    GetSerialNumber(&serial);
    GetCalibrationDate(&startDate_);
    double ranges[20] = {};
    GetAvailableSensitivities(ranges);
    json list = json::array();
    for (double r : ranges) {
        if (r > 0) list.push_back(r);
    }
    std::reverse(list.begin(), list.end());
    status_info["serial"] = serial;
    status_info["ranges"] = list;
    status_ = status_info;
    const json wanted = desired_.empty() ? DefaultSettings() : desired_;
    // Settings the instrument refuses as a whole (a settings file's trigger level beyond its
    // range, say) leave the defaults; the status line keeps saying what was refused.
    if (ApplyHere(wanted).outcome != Outcome::Applied && wanted != DefaultSettings()) {
        ApplyHere(DefaultSettings());
    }
    RefreshState();
    return true;
}

void Station::CloseHere() {
    if (!open_) return;
    ExitInstrument();
    open_ = false;
}

void Station::Step() {
    if (open_ && !lost_ && controls_.acquire != "stop") Acquire();
}

bool Station::Acquire() {
    const std::int32_t length = GetRecordLength();
    const double rate = GetSampleFrequencyF();
    const std::int32_t timeoutMs = GetTriggerTimeOut();
    const double recordMs = rate > 0 ? GetPostSamples() / rate * 1000 : 0;
    core::BlockAcquisition how;
    how.timeoutMs = timeoutMs;
    // A forced acquisition completes within its post-trigger samples.
    how.recordMs = recordMs;
    how.pollInterval = std::chrono::microseconds(500);
    how.forceNow = [this] { return forceTrigger_.exchange(false); };
    // A job waiting (a setting changed, say) drops the run: the next record has the change.
    if (mode_ == Mode::Threaded) how.abandon = [this] { return JobsWaiting(); };
    const core::BlockResult wait = core::AcquireBlock(how);
    switch (wait.end) {
        case core::BlockResult::End::Ready:
            break;
        case core::BlockResult::End::StartRefused:
            SetError("ADC_Start failed: " + core::StatusMeaning(wait.status), wait.status);
            return false;
        case core::BlockResult::End::Abandoned:
            return false;
        // A refused force means the library no longer runs the instrument: the record will
        // not complete either.
        case core::BlockResult::End::ForceRefused:
        case core::BlockResult::End::Unresponsive:
            lost_ = true;
            SetError("the instrument did not complete a record after a forced trigger",
                     RC_NO_INSTRUMENT);
            return false;
    }
    const auto n = static_cast<std::size_t>(std::max(length, 0));
    std::vector<std::uint16_t> raw[2] = {std::vector<std::uint16_t>(n),
                                         std::vector<std::uint16_t>(n)};
    std::vector<double> volts[2] = {std::vector<double>(n), std::vector<double>(n)};
    std::uint16_t status = ADC_GetData(raw[0].data(), raw[1].data());
    if (status == RC_OK) status = ADC_GetDataVolt(volts[0].data(), volts[1].data());
    // The library answers so when the port shows nothing attached or the read-out never ended.
    if (status == RC_NO_INSTRUMENT) {
        lost_ = true;
        SetError("the instrument stopped answering (unplugged?); press Run to start again",
                 RC_NO_INSTRUMENT);
        return false;
    }
    if (status != RC_OK) {
        SetError("reading the record failed: " + core::StatusMeaning(status), status);
        return false;
    }
    const double readoutMs = EpochMs();
    std::uint8_t measureMode = 0;
    GetMeasureMode(&measureMode);
    if (LooksUnplugged(raw[0], raw[1], measureMode)) {
        lost_ = true;
        SetError("the instrument stopped answering (unplugged?); press Run to start again",
                 RC_NO_INSTRUMENT);
        return false;
    }

    auto record = std::make_shared<TakenRecord>();
    record->rate = rate;
    record->pre = length - GetPostSamples();
    record->forced = wait.forced;
    record->readoutMs = readoutMs;
    record->trigger = TriggerNow(controls_);
    for (std::uint8_t ch = 1; ch <= 2; ++ch) {
        if ((measureMode & (ch == 1 ? mCh1 : mCh2)) == 0) continue;
        const std::size_t k = ch - 1u;
        double range = 0;
        GetSensitivity(ch, &range);
        const double probe = controls_.probe[k];
        record->traces.push_back(TakenTrace{
            ch, range * probe, ScaleOf(raw[k], volts[k], range) * probe, std::move(raw[k]), probe});
    }
    {
        std::lock_guard lock(mutex_);
        record->seq = ++seq_;
    }
    // Auto ranging moves the ranges between records: the controls follow.
    const json& s = state_.at("settings");  // written only on this thread
    bool rangesMoved = false;
    for (const TakenTrace& t : record->traces) {
        const auto shown = s.find("ch" + std::to_string(t.channel) + ".range");
        rangesMoved = rangesMoved || shown == s.end() || *shown != json(t.range);
    }
    Average(*record);
    record->statistics = figures_.Take(*record);
    Publish(std::move(record));
    if (controls_.acquire == "single") controls_.acquire = "stop";
    if (controls_.acquire == "stop" || rangesMoved) RefreshState();
    return true;
}

bool Station::LooksUnplugged(const std::vector<std::uint16_t>& ch1,
                             const std::vector<std::uint16_t>& ch2, int measureMode) const {
    auto floating = [](const std::vector<std::uint16_t>& v) {
        return !v.empty() && std::all_of(v.begin(), v.end(),
                                         [](std::uint16_t w) { return w == kFloatingSample; });
    };
    if ((measureMode & mCh1) != 0 && !floating(ch1)) return false;
    if ((measureMode & mCh2) != 0 && !floating(ch2)) return false;
    // A signal clipped at full scale on every sample looks the same; the EEPROM tells them
    // apart, since a missing instrument no longer gives the calibration date it gave at start.
    std::uint32_t date = 0;
    GetCalibrationDate(&date);
    return date != startDate_;
}

void Station::SetError(const std::string& sentence, std::uint16_t status) {
    json error = {{"text", sentence}};
    if (status != RC_OK) error["status"] = core::StatusName(status);
    status_["error"] = error;
    RefreshState();
}

void Station::RefreshState() {
    json settings = json::object();
    if (open_ && !lost_) {
        for (const Setting& setting : SettingsTable())
            settings[setting.key] = setting.read(controls_);
    } else {
        settings = desired_;
        settings["acquire"] = "stop";
    }
    status_["found"] = open_;
    status_["lost"] = lost_;
    {
        std::lock_guard lock(mutex_);
        ++stateVersion_;
        // The page keeps the newest state whichever way (answer or event) it came first.
        state_ = {
            {"settings", std::move(settings)}, {"status", status_}, {"version", stateVersion_}};
    }
    changed_.notify_all();
}

json Station::State() const {
    std::lock_guard lock(mutex_);
    return state_;
}

bool Station::Quitting() const {
    std::lock_guard lock(mutex_);
    return quit_;
}

}  // namespace zarvo::station
