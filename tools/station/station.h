// SPDX-License-Identifier: MIT
// The one instrument of the process and the loop that measures with it.
//
// The library is used from one thread only, the one that opened it: in threaded mode that is
// the station's measurement thread, which runs block-mode acquisitions one after the other
// (ADC_Start, poll ADC_Ready, force the trigger after the time-out, ADC_GetData) and takes
// settings from a queue between them; a settings request that arrives while a record is being
// waited for abandons that record, so a change never waits for a slow trigger. Block mode
// rather than the library's timer-driven measuring: the loop then decides when to read out and
// when to take settings, with no message loop to pump.
//
// In synchronous mode there is no thread: Open and every Apply run on the caller's thread
// (tests and the fuzzer), and Step takes one record.
//
// Records and state changes are published with a version number; event streams wait for a
// newer version (WaitForChange) and send what changed. The last hundred records are kept, as
// the instrument's sample words (taken_record.h), for stepping back through them.
//
// The live view and the SCPI server each drive one station; neither touches the library
// otherwise.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <utility>

#include "tools/analysis/record_average.h"
#include "tools/station/figure_tracker.h"
#include "tools/station/settings_table.h"
#include "tools/station/taken_record.h"

namespace zarvo::station {

struct PendingJob;

// Records kept for stepping back: a hundred full-length two-channel records are about 13 MB.
constexpr std::size_t kKeptRecords = 100;

// What a request to the instrument came to.
enum class Outcome {
    Applied,       // done; the body is the state as the instrument took it
    AppliedLater,  // Start again (or Run once the instrument was lost) after the library had
                   // started in this process: the instrument is released and a fresh process
                   // opens it with these settings (RestartRequested)
    Refused,       // nothing changed; the body says why ({"error"}, and {"status"} when the
                   // library or the want of an instrument refused)
    Closing,       // the station is closing and its thread took no more requests: nothing done
};

struct ApplyResult {
    Outcome outcome = Outcome::Applied;
    nlohmann::json body;  // {"settings": ...} or {"error": sentence, "status": name}
};

// Has buffers of 128 kB and more come from the system and go back to it when freed. Every
// full-length record passes through a few such buffers (volts, the event's text); glibc would
// otherwise raise its threshold after the first is freed and keep them in the heap between
// the records kept, which costs about 2 MB of resident memory beyond what the history holds.
// Called once by a server before it opens its station.
void ReturnLargeBuffersToTheSystem();

class Station {
public:
    enum class Mode { Threaded, Synchronous };
    explicit Station(Mode mode);
    ~Station();  // stops the thread and releases the instrument
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // Opens the instrument and applies the defaults; threaded mode starts the measurement
    // thread and returns once the instrument is open or known to be absent. False when no
    // instrument answered (the state then says where the library looked).
    bool Open();
    void Close();

    // Checks and applies a JSON object of settings, in the table's order; on any refusal
    // every setting already applied is put back, so nothing changes.
    ApplyResult Apply(const nlohmann::json& settings);
    // Releases the instrument, opens it again and re-applies the settings it had. The library
    // starts only once per load: after a successful start, opening again needs a fresh
    // process, so the outcome is then AppliedLater and RestartRequested() tells the server to hand
    // over to one (it re-executes itself with Desired() and the same address).
    ApplyResult Restart();
    bool RestartRequested() const { return restartRequested_; }
    // Auto set-up (auto_setup_run.cpp): probe records, then the ranges, rate and trigger chosen
    // (tools/analysis/auto_setup.h) and the acquisition running. Applied with the state and
    // "auto": {"text": what was chosen}, or Refused with {"error"} and the settings as they were.
    ApplyResult Auto();
    // The settings the instrument had, for the next process; read after Close.
    nlohmann::json Desired() const { return desired_; }
    // Settings to apply instead of the defaults at Open (those of the previous process).
    void SetInitial(nlohmann::json settings) { desired_ = std::move(settings); }

    // Shows one saved record instead of measuring (zarvo view --open; saved_record.cpp).
    // Called instead of Open, before serving: no instrument is opened, so it works while
    // another process holds one and where there is none. The record is kept as record 1, the
    // state names the file (status.file: {"path", "text"}) with the settings the record shows,
    // and settings requests, Start again and Auto are refused with a sentence.
    void ShowRecord(TakenRecord record, const std::string& path);
    bool ShowingRecord() const { return !showing_.empty(); }

    // Synchronous mode: takes one record when the acquisition runs (the loop's step).
    void Step();

    // Turns each new record into the text its listeners want (the view's record event), on
    // the instrument's thread right after the readout, so that every listener shares one. Set
    // before Open.
    using Describer = std::function<std::string(const TakenRecord&)>;
    void SetDescriber(Describer describe) { describe_ = std::move(describe); }

    // {"settings", "status", "ranges"}: the last state read back on the instrument's thread.
    nlohmann::json State() const;
    std::shared_ptr<const TakenRecord> Latest() const;
    // A kept record by its sequence number, or the latest for 0; null when it is not kept.
    std::shared_ptr<const TakenRecord> Find(std::uint64_t seq) const;
    // The sequence numbers of the oldest and the newest record kept ({0, 0}: none yet).
    std::pair<std::uint64_t, std::uint64_t> KeptRange() const;
    // The same once the record numbered `newest` has been kept (for its describer, which runs
    // just before).
    static std::pair<std::uint64_t, std::uint64_t> KeptWith(std::uint64_t newest);
    // The describer's text of the newest record, with its sequence number (empty: none).
    std::pair<std::uint64_t, std::shared_ptr<const std::string>> LatestDescription() const;
    // Waits up to timeoutMs for a record newer than `seq`; null when none came (or closing).
    std::shared_ptr<const TakenRecord> WaitForRecord(std::uint64_t seq, int timeoutMs) const;

    // Waits up to timeoutMs for a version newer than `version`; returns the current one.
    std::uint64_t WaitForChange(std::uint64_t version, int timeoutMs) const;
    std::uint64_t RecordVersion() const;
    std::uint64_t StateVersion() const;

    // Records completed by the loop since the start (for the benchmark's delivery ratio).
    std::uint64_t Completed() const;
    // True once Close has begun: event streams end.
    bool Quitting() const;

    // For a client that synchronises with the loop from outside (the SCPI server):
    // station_remote.cpp.
    struct Identity {
        bool found = false;
        int channels = 0;
        std::int32_t maxLength = 0;  // samples per channel
        std::int32_t serial = 0;
    };
    // What the instrument says about itself, read on the instrument's thread.
    Identity ReadIdentity();
    // As Apply; `completedBefore` is the number of records completed when the settings took
    // effect, so that every later record was taken with them.
    ApplyResult ApplyCounting(const nlohmann::json& settings, std::uint64_t& completedBefore);
    // Forces the trigger of the acquisition in progress, or of the next one to start.
    void ForceTrigger() { forceTrigger_ = true; }

    // The figures of the records as they are taken: statistics and trend (figure_tracker.h).
    // A change of any setting resets them; so does ResetStatistics (the page's Reset).
    const FigureTracker& Figures() const { return figures_; }
    void ResetStatistics() { figures_.Reset(""); }

private:
    using Job = std::function<void()>;
    // The refusal of a request that needs the instrument while a saved record is shown.
    ApplyResult RefuseWhileShowing(const std::string& what) const;
    // Runs a job on the instrument's thread and waits for it.
    void RunOnInstrument(const Job& job);
    // A request that needs the instrument: refused (saying `whileShowing`) while a saved record
    // is shown, otherwise run on the instrument's thread; Closing when the station is closing.
    ApplyResult Request(const std::string& whileShowing,
                        const std::function<ApplyResult()>& request);
    void ThreadMain();
    bool OpenHere();
    void CloseHere();
    ApplyResult ApplyHere(const nlohmann::json& settings);
    ApplyResult RestartHere();
    ApplyResult AutoHere();
    void RunJobs();
    bool JobsWaiting() const;
    // One block-mode acquisition; false when abandoned for a job or stopped.
    bool Acquire();
    void Publish(std::shared_ptr<const TakenRecord> record);
    void RefreshState();
    void SetError(const std::string& sentence, std::uint16_t status);
    // With averaging on, turns the record's words into the mean of the last records taken
    // with the same settings (station_average.cpp); counts its figures either way.
    void Average(TakenRecord& record);
    // After settings were applied: a change of any but the acquisition's resets the average
    // and the statistics.
    void SettingsMoved(const nlohmann::json& before);
    bool LooksUnplugged(const std::vector<std::uint16_t>& ch1,
                        const std::vector<std::uint16_t>& ch2, int measureMode) const;

    const Mode mode_;
    LoopControls controls_;   // instrument thread only
    nlohmann::json desired_;  // the settings to re-apply after a restart (instrument thread)
    std::uint32_t startDate_ = 0;
    std::string showing_;  // the sentence saying which saved record is shown; set before serving
    bool open_ = false;
    bool everOpened_ = false;  // the library has started once in this process
    std::atomic<bool> restartRequested_{false};
    std::atomic<bool> forceTrigger_{false};
    bool lost_ = false;
    bool quit_ = false;  // guarded by mutex_

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::condition_variable jobWaiting_;
    std::condition_variable jobDone_;
    std::deque<PendingJob*> jobs_;
    nlohmann::json state_;
    nlohmann::json status_;
    Describer describe_;  // set before the thread starts
    std::deque<std::shared_ptr<const TakenRecord>> kept_;
    std::shared_ptr<const std::string> latestText_;
    std::uint64_t seq_ = 0;
    std::uint64_t recordVersion_ = 0;
    std::uint64_t stateVersion_ = 0;
    std::thread thread_;
    FigureTracker figures_;
    analysis::RecordAverager averager_;   // instrument thread only
    std::array<double, 8> averageKey_{};  // what the records averaged share
};

}  // namespace zarvo::station
