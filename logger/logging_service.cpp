#include "logger/logging_service.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/commands.h"
#include "cli/line_check.h"
#include "cli/printable.h"
#include "link/clock.h"
#include "link/device.h"
#include "link/telegram.h"
#include "link/ui_services.h"
#include "logger/reading_message.h"
#include "views/measurement_recorder.h"
#include "views/value_text.h"

namespace zt30::logger {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kStopPollMs = 50;
constexpr std::int64_t kMinStopPublishWaitMs = 200;

// The device operations' messages (none is expected for table 0) go to the journal instead of a box.
class JournalUi final : public UiServices {
public:
    JournalUi(Journal& journal, std::string line) : journal_(journal), line_(std::move(line)) {}
    MessageAnswer ShowMessage(const std::string& text, const std::string&, MessageIcon,
                              MessageButtons) override {
        journal_.Write(Level::Warning, line_ + ": " + text);
        return MessageAnswer::No;
    }

private:
    Journal& journal_;
    std::string line_;
};

std::filesystem::path PathOfUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string SecondsText(std::int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", static_cast<double>(ms) / 1000.0);
    return text;
}

// One station of a line: its record file and the state it last published.
class StationLog {
public:
    StationLog(ServiceParts& parts, const LineSettings& line, std::uint8_t station)
        : parts_(parts), line_(line), station_(station) {
        if (parts.config.record) {
            files_ = parts.makeRecordFiles();
            recorder_.emplace(*files_, parts.regional);
            std::string path = parts.config.record->folder;
            if (!path.ends_with('/')) {
                path += '/';
            }
            recorder_->startRecord(1, path + line.name + "-" + std::to_string(station) + ".txt");
        }
    }

    void Reading(bool ok, float value, float sum, std::chrono::system_clock::time_point at) {
        if (!ok) {
            if (failures_ < kFailuresForNoAnswer && ++failures_ == kFailuresForNoAnswer) {
                Publish(kStateNoAnswer);
                parts_.journal->Write(Level::Warning, Name() + " does not answer");
            }
            return;
        }
        if (failures_ >= kFailuresForNoAnswer) {
            parts_.journal->Write(Level::Info, Name() + " answers again");
        }
        failures_ = 0;
        Publish(kStateOk);
        const ReadingTime time = ReadingTimeOf(at);
        if (recorder_) {
            const char separator = parts_.regional.decimalSeparator;
            const RecordOutcome outcome =
                recorder_->addSample(ValueText(value, separator), ValueText(sum, separator), time.local, 1);
            Report(outcome);
        }
        if (parts_.publisher != nullptr) {
            parts_.publisher->Publish(ReadingTopic(Topic(), line_.name, station_),
                                      ReadingPayload(time, value, sum), false);
        }
    }

    // The end of the run: the kept lines' last attempt.
    void Finish() {
        if (!recorder_) {
            return;
        }
        if (const std::string lost = cli::FinishRecord(*recorder_, dropped_); !lost.empty()) {
            parts_.journal->Write(Level::Error, lost);
        }
    }

private:
    std::string Name() const { return line_.name + " station " + std::to_string(station_); }
    const std::string& Topic() const { return parts_.config.mqtt->topic; }

    // The state, retained, when it changes.
    void Publish(const char* state) {
        if (parts_.publisher == nullptr || published_ == state) {
            return;
        }
        published_ = state;
        parts_.publisher->Publish(StateTopic(Topic(), line_.name, station_), state, true);
    }

    void Report(const RecordOutcome& outcome) {
        const std::string path = cli::PrintableArgument(recorder_->Path());
        if (outcome.message == RecordMessage::LinesDropped) {
            dropped_ += outcome.droppedLines;
            parts_.journal->Write(Level::Warning,
                                  cli::LinesDroppedText(recorder_->Path(), outcome.droppedLines));
        } else if (outcome.message == RecordMessage::CannotOpen ||
                   outcome.message == RecordMessage::CannotWrite) {
            parts_.journal->Write(Level::Error, path + ": " +
                                                    (outcome.message == RecordMessage::CannotOpen
                                                         ? "cannot be opened"
                                                         : "a line did not reach the file whole") +
                                                    "; the lines are kept until it can be written");
        } else if (outcome.lineWritten && outage_) {
            parts_.journal->Write(Level::Info, path + " is written again");
        }
        outage_ = outcome.keptLines > 0;
    }

    ServiceParts& parts_;
    const LineSettings& line_;
    std::uint8_t station_;
    std::unique_ptr<RecordFileSystem> files_;
    std::optional<MeasurementRecorder> recorder_;
    int failures_ = 0;
    std::string published_;
    std::uint64_t dropped_ = 0;
    bool outage_ = false;
};

// One line and its thread: the port, the telegram layer over it and the stations in turn.
class LineRunner {
public:
    LineRunner(ServiceParts& parts, const LineSettings& line, const std::atomic<bool>& stop)
        : parts_(parts),
          line_(line),
          stop_(stop),
          settings_{line.port != 0 ? line.port : 1, line.baudRate, 0, line.sourceAddress},
          ui_(*parts.journal, line.name) {
        auto backend = std::make_unique<cli::LineWatchingBackend>(parts.makeBackend(line));
        backend_ = backend.get();
        serial_ = std::make_unique<SerialLine>(settings_, std::move(backend));
        check_ = std::make_unique<cli::LineCheck>(*serial_, *backend_, Port());
        link_ = std::make_unique<TelegramLayer>(*serial_, clock_);
        link_->SetSourceAddress(line.sourceAddress);
        ops_ = std::make_unique<DeviceOperations>(*link_, image_, ui_);
        for (const std::uint8_t station : line.stations) {
            stations_.push_back(std::make_unique<StationLog>(parts, line, station));
        }
    }

    void Run() {
        const std::int64_t intervalMs = std::int64_t{line_.intervalSeconds} * 1000;
        std::int64_t next = clock_.NowMs();
        while (!Wait(next)) {
            const std::int64_t start = clock_.NowMs();
            // A closed port is tried once a round: a network line that is not there costs its connection
            // time once, not once for each station. Until it opens, every station counts a failure.
            EnsureOpen();
            for (std::size_t i = 0; i < stations_.size() && !stop_; ++i) {
                ReadStation(i);
            }
            const std::int64_t end = clock_.NowMs();
            next += intervalMs;
            if (next < end && !stop_) {
                // The stations take longer than the interval: the next round starts at once, so that every
                // station is read as often as the line allows, evenly, and nothing piles up.
                if (!stretched_) {
                    stretched_ = true;
                    parts_.journal->Write(Level::Warning,
                                          line_.name + ": reading its " + std::to_string(stations_.size()) +
                                              " stations takes " + SecondsText(end - start) + " at " +
                                              std::to_string(line_.baudRate) + " bit/s, more than INTERVAL " +
                                              std::to_string(line_.intervalSeconds) +
                                              " s; each station is read every " + SecondsText(end - start) +
                                              " instead");
                }
                next = end;
            }
        }
        for (const auto& station : stations_) {
            station->Finish();
        }
        serial_->Close();
    }

private:
    // The line's port (a failed open sets the settings' port to none, as the port dialog shows it).
    int Port() const { return line_.port != 0 ? line_.port : 1; }

    // Waits until the monotonic clock reaches deadline; true when a stop was asked for.
    bool Wait(std::int64_t deadline) {
        for (std::int64_t now = clock_.NowMs(); now < deadline && !stop_; now = clock_.NowMs()) {
            clock_.SleepMs(static_cast<int>(std::min<std::int64_t>(deadline - now, kStopPollMs)));
        }
        return stop_;
    }

    // Opens the port when it is closed; an outage is told once, and its end.
    void EnsureOpen() {
        if (serial_->IsOpen()) {
            return;
        }
        try {
            if (serial_->Open(Port())) {
                parts_.journal->Write(Level::Info, line_.name + ": " + cli::PrintableArgument(line_.device) +
                                                       " open at " + std::to_string(line_.baudRate) +
                                                       " bit/s");
                down_ = false;
            } else {
                LineDown(OpenError());
            }
        } catch (const SerialLineError& e) {
            serial_->Close();
            LineDown(e.what());
        }
    }

    // Why the port did not open: the system's reason for the device, which the line's message names already.
    std::string OpenError() const {
        const std::string detail = serial_->OpenFailureDetail();
        return detail.empty() ? cli::OpenErrorText(*serial_) : cli::PrintableText(detail);
    }

    void LineDown(const std::string& error) {
        if (!down_) {
            down_ = true;
            parts_.journal->Write(Level::Error, line_.name + ": " + error + "; trying again every interval");
        }
    }

    void ReadStation(std::size_t index) {
        bool ok = false;
        SteadyClock::time_point end;
        if (serial_->IsOpen()) {
            link_->SetDestinationAddress(line_.stations[index]);
            try {
                ok = ops_->ReadTable(0);
            } catch (const SerialLineError& e) {
                serial_->Close();
                LineDown(e.what());
            }
            end = SteadyClock::now();
            if (!ok && serial_->IsOpen()) {
                if (const auto gone = check_->Gone()) {
                    LineDown(serial_->IsOpen() ? *gone : OpenError());
                }
            }
        } else {
            end = SteadyClock::now();
        }
        stations_[index]->Reading(ok, image_.value, image_.suma, std::chrono::system_clock::now());
        if (parts_.afterReading) {
            parts_.afterReading(line_, line_.stations[index], ok, end);
        }
    }

    ServiceParts& parts_;
    const LineSettings& line_;
    const std::atomic<bool>& stop_;
    PortSettings settings_;
    SystemClock clock_;
    JournalUi ui_;
    DeviceImage image_;
    cli::LineWatchingBackend* backend_ = nullptr;
    std::unique_ptr<SerialLine> serial_;
    std::unique_ptr<cli::LineCheck> check_;
    std::unique_ptr<TelegramLayer> link_;
    std::unique_ptr<DeviceOperations> ops_;
    std::vector<std::unique_ptr<StationLog>> stations_;
    bool stretched_ = false;
    bool down_ = false;
};

}  // namespace

int RunLoggingService(ServiceParts& parts, const std::function<bool()>& stopRequested) {
    Journal& journal = *parts.journal;
    std::atomic<bool> stop = false;
    if (parts.config.record) {
        const std::filesystem::path folder = PathOfUtf8(parts.config.record->folder);
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (!std::filesystem::is_directory(folder, error)) {
            journal.Write(Level::Error, "the record folder " +
                                            cli::PrintableArgument(parts.config.record->folder) +
                                            " cannot be made");
            return 1;
        }
    }
    std::vector<std::unique_ptr<LineRunner>> runners;
    for (const LineSettings& line : parts.config.lines) {
        runners.push_back(std::make_unique<LineRunner>(parts, line, stop));
    }
    std::vector<std::thread> threads;
    for (const auto& runner : runners) {
        threads.emplace_back([&runner] { runner->Run(); });
    }
    SystemClock clock;
    while (!stopRequested()) {
        clock.SleepMs(kStopPollMs);
    }
    const std::int64_t stopAsked = clock.NowMs();
    journal.Write(Level::Info, "stopping");
    stop = true;
    for (std::thread& thread : threads) {
        thread.join();
    }
    if (parts.publisher != nullptr) {
        // What the lines left of the stop's time goes to the broker, so that the whole stop stays within it.
        const auto wait = static_cast<int>(
            std::max<std::int64_t>(kMinStopPublishWaitMs, kStopPublishWaitMs - (clock.NowMs() - stopAsked)));
        if (const std::size_t left = parts.publisher->Stop(wait); left > 0) {
            journal.Write(Level::Warning,
                          std::to_string(left) + " messages did not reach the broker before the stop");
        }
    }
    journal.Write(Level::Info, "stopped");
    return 0;
}

}  // namespace zt30::logger
