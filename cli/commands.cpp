#include "cli/commands.h"

#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

#include "cli/cli_args.h"
#include "cli/printable.h"
#include "cli/traffic_report.h"
#include "config/device_texts.h"
#include "link/com_ports.h"
#include "link/instrument_tasks.h"
#include "link/serial_line.h"
#include "views/measurement_recorder.h"
#include "views/record_line.h"
#include "views/value_text.h"

namespace zt30::cli {

namespace {

int Fail(CommandContext& context, const std::string& message) {
    context.err << message << '\n';
    return kExitFailure;
}

// The system's record files, except that a path that is not a regular file is never opened: a FIFO without
// a reader would block the watch.
class RegularRecordFiles final : public RecordFileSystem {
public:
    explicit RegularRecordFiles(std::unique_ptr<RecordFileSystem> files) : files_(std::move(files)) {}
    bool Open(const std::string& path) override { return !NotRegularFile(path) && files_->Open(path); }
    std::size_t Write(std::string_view bytes) override { return files_->Write(bytes); }
    void Close() override { files_->Close(); }
    std::optional<std::uint64_t> Length(const std::string& path) override { return files_->Length(path); }
    bool CutTo(const std::string& path, std::uint64_t length) override { return files_->CutTo(path, length); }

private:
    std::unique_ptr<RecordFileSystem> files_;
};

// Waits until the clock reaches deadline, in short steps so that an interruption is seen at once.
void WaitUntil(Clock& clock, std::int64_t deadline, const std::function<bool()>& stopRequested) {
    for (std::int64_t now = clock.NowMs(); now < deadline && !stopRequested(); now = clock.NowMs()) {
        clock.SleepMs(static_cast<int>(std::min<std::int64_t>(deadline - now, 50)));
    }
}

std::optional<std::string> LineGone(CommandContext& context) {
    return context.lineGone ? context.lineGone() : std::nullopt;
}

}  // namespace

bool NotRegularFile(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    return std::filesystem::exists(status) && !std::filesystem::is_regular_file(status);
}

std::unique_ptr<RecordFileSystem> MakeRegularRecordFiles() {
    return std::make_unique<RegularRecordFiles>(MakeSystemRecordFileSystem());
}

std::string LinesDroppedText(const std::string& path, std::uint64_t dropped) {
    return PrintableArgument(path) + " is written again; the " + std::to_string(dropped) +
           " oldest kept lines were dropped";
}

std::string FinishRecord(MeasurementRecorder& recorder, std::uint64_t droppedBefore) {
    recorder.WriteKept();
    const std::uint64_t dropped = droppedBefore + recorder.File().DroppedLines();
    const std::size_t kept = recorder.File().KeptLines();
    if (kept == 0 && dropped == 0) {
        return {};
    }
    return PrintableArgument(recorder.Path()) + ": " + std::to_string(kept) + " record lines not written, " +
           std::to_string(dropped) + " dropped";
}

LocalDateTime SystemLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return LocalDateTimeFromTm(local);
}

int RunPorts(const ConfiguredDevices& devices, std::ostream& out, std::ostream& err) {
    const PortDeviceLookup lookup = DeviceLookupOf(devices);
    std::string error;
    for (int port = 1; port <= settings::kDevicePortCount; ++port) {
        const ConfiguredDevice& device = devices[static_cast<std::size_t>(port - 1)];
        if (!device.error.empty()) {
            error = error.empty() ? device.error : error;
            continue;
        }
        out << PortName(port) << "  " << PrintableText(SystemDeviceForPort(port, lookup).value_or(""))
            << '\n';
    }
    if (!error.empty()) {
        err << "zt30ctl: " << error << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

int RunStatus(CommandContext& context) {
    const int address = context.ops.Link().DestinationAddress();
    if (!context.ops.RequestStationStatus()) {
        return Fail(context, "station " + std::to_string(address) + " did not answer");
    }
    context.out << "station " << address << " answered\n";
    return kExitOk;
}

int RunScan(CommandContext& context, int from, int to) {
    int found = 0;
    for (int address = from; address <= to; ++address) {
        if (ProbeStation(context.ops, static_cast<std::uint8_t>(address))) {
            context.out << address << std::endl;  // shown as found: a full scan takes a minute
            ++found;
        } else if (const auto gone = LineGone(context)) {
            return Fail(context, *gone);
        }
    }
    return found > 0 ? kExitOk : Fail(context, "no station answered");
}

int RunRead(CommandContext& context) {
    if (!context.ops.ReadTable(0)) {
        return Fail(context, kReadFailed);
    }
    const DeviceImage& image = context.ops.Image();
    context.out << "value " << ValueText(image.value, '.') << "\nsum   " << ValueText(image.suma, '.')
                << '\n';
    return kExitOk;
}

namespace {

// The recorder's message of one reading as one line on err.
void ReportRecord(CommandContext& context, const RecordOutcome& outcome, const std::string& path) {
    if (outcome.message == RecordMessage::LinesDropped) {
        context.err << "zt30ctl: " << LinesDroppedText(path, outcome.droppedLines) << '\n';
    } else if (outcome.message != RecordMessage::None) {
        context.err << RecordMessageText(outcome.message, 0) << ' ' << PrintableArgument(path) << '\n';
    }
}

int WatchReadings(CommandContext& context, const WatchSettings& settings, RecordFileSystem& files,
                  MeasurementRecorder& recorder, std::uint64_t& dropped) {
    if (settings.recordFile) {
        if (!files.Open(*settings.recordFile)) {
            return Fail(context, std::string(kCannotOpenOutputFile) + " " +
                                     PrintableArgument(*settings.recordFile) +
                                     (NotRegularFile(*settings.recordFile) ? ": not a regular file" : ""));
        }
        files.Close();
        recorder.startRecord(1, *settings.recordFile);
    }
    const auto localTime = settings.localTime ? settings.localTime : SystemLocalTime;
    int status = kExitOk;
    std::int64_t next = context.clock.NowMs();
    for (long taken = 0; !settings.count || taken < *settings.count; ++taken) {
        WaitUntil(context.clock, next, settings.stopRequested);
        if (settings.stopRequested()) {
            break;
        }
        const LocalDateTime now = localTime();
        if (context.ops.ReadTable(0)) {
            const DeviceImage& image = context.ops.Image();
            const char separator = settings.regional.decimalSeparator;
            // Every reading is a sample (interval 1), in the file as in the program's table.
            const RecordOutcome outcome = recorder.addSample(ValueText(image.value, separator),
                                                             ValueText(image.suma, separator), now, 1);
            const SampleRow& row = recorder.Table().Row(outcome.row);
            const std::string line = RecordLine(row[0], row[1], row[2], row[3]);
            context.out << line.substr(0, line.size() - 2) << std::endl;
            if (!context.out) {
                return Fail(context, kOutputFailed);
            }
            ReportRecord(context, outcome, recorder.Path());
            dropped += outcome.droppedLines;
            if (outcome.message == RecordMessage::CannotOpen ||
                outcome.message == RecordMessage::CannotWrite) {
                status = kExitFailure;
            }
        } else if (const auto gone = LineGone(context)) {
            return Fail(context, *gone);
        } else {
            context.err << kReadFailed << ' ' << LongTimeText(now, settings.regional) << std::endl;
            status = kExitFailure;
        }
        // Seconds that a slow reading used up are skipped, not caught up.
        next += 1000;
        for (const std::int64_t now = context.clock.NowMs(); next <= now;) {
            next += 1000;
        }
    }
    return status;
}

}  // namespace

int RunWatch(CommandContext& context, const WatchSettings& settings) {
    const std::unique_ptr<RecordFileSystem> files = MakeRegularRecordFiles();
    MeasurementRecorder recorder(*files, settings.regional);
    std::uint64_t dropped = 0;
    int status = WatchReadings(context, settings, *files, recorder, dropped);
    // However the watch ends, the kept lines get one more attempt; what is still lost is said once.
    if (recorder.Recording()) {
        if (const std::string lost = FinishRecord(recorder, dropped); !lost.empty()) {
            context.err << "zt30ctl: " << lost << '\n';
            status = kExitFailure;
        }
    }
    if (settings.statistics) {
        context.err << SummaryText(settings.statistics->Total()) << std::flush;
    }
    return status;
}

int RunParams(CommandContext& context) {
    if (!ReadTables(context.ops, context.clock, kParamTables, OnTableFailure::Stop).Ok()) {
        return Fail(context, kReadFailed);
    }
    PrintParams(context.ops.Image(), context.out);
    return kExitOk;
}

int RunSet(CommandContext& context, const SetRequest& request) {
    const ParamInfo& param = *request.param;
    const int table[] = {param.table};
    if (!ReadTables(context.ops, context.clock, table, OnTableFailure::Stop).Ok()) {
        return Fail(context, kReadFailed);
    }
    ApplySetRequest(request, context.ops.Image());
    if (!WriteTables(context.ops, context.clock, table, OnTableFailure::Stop).Ok()) {
        return Fail(context, kWriteFailed);
    }
    context.out << param.name << ' ' << ParamValueText(param, context.ops.Image()) << '\n';
    return kExitOk;
}

int RunClear(CommandContext& context, bool sum) {
    if (!(sum ? context.ops.ClearSum() : context.ops.ClearCounter())) {
        return Fail(context, kWriteFailed);
    }
    context.out << (sum ? "sum cleared\n" : "counter cleared\n");
    return kExitOk;
}

int RunIdent(CommandContext& context) {
    const Identification ident = Identify(context.ops, context.clock);
    if (ident.Identified()) {
        context.out << "type    " << (ident.typeRead ? EscapeDeviceText(ident.type) : kUnknownTypeText)
                    << "\nversion "
                    << (ident.versionRead ? EscapeDeviceText(ident.version) : kUnknownVersionText) << '\n';
        return kExitOk;
    }
    if (!ident.foreign) {
        return Fail(context, kReadFailed);
    }
    context.out << "type    " << kForeignDeviceText << "\nversion "
                << EscapeDeviceText(ident.foreignFields[2]) << '\n';
    // Each of the three fields is shown up to its own zero byte: the fields are zero-padded, so stopping the
    // whole text at the first zero would hide the model and version behind a short maker name.
    for (const std::string& field : ident.foreignFields) {
        context.out << EscapeDeviceText(field) << '\n';
    }
    context.err << kForeignDeviceSentence << '\n';
    return kExitForeign;
}

int RunAddress(CommandContext& context, std::uint8_t newAddress) {
    DeviceOperations& ops = context.ops;
    const int table[] = {5};
    if (!ReadTables(ops, context.clock, table, OnTableFailure::Stop).Ok()) {
        return Fail(context, kReadFailed);
    }
    const int oldAddress = ops.Image().address;
    switch (ChangeAddress(ops, context.clock, newAddress, AddressReadBack::On)) {
        case AddressChange::WriteFailed:
            return Fail(context, kWriteFailed);
        case AddressChange::NotAtNewAddress:
            return Fail(context, "the instrument acknowledged the new address " + std::to_string(newAddress) +
                                     " but does not answer at it");
        case AddressChange::Changed:
            break;
    }
    context.out << "address " << oldAddress << " -> " << static_cast<int>(newAddress) << '\n';
    return kExitOk;
}

int FinishOutput(std::ostream& out, std::ostream& err, int status) {
    out.flush();
    if (!out && status == kExitOk) {
        err << kOutputFailed << '\n';
        return kExitFailure;
    }
    return status;
}

}  // namespace zt30::cli
