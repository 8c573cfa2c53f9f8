#include "cli/commands.h"

#include <fstream>

#include "app/value_text.h"
#include "cli/cli_args.h"
#include "cli/printable.h"
#include "cli/traffic_report.h"
#include "link/com_ports.h"
#include "link/serial_line.h"
#include "views/record_line.h"

namespace zt30::cli {

namespace {

int Fail(CommandContext& context, const std::string& message) {
    context.err << message << '\n';
    return kExitFailure;
}

// Appends one line with one write; the file is open only for that write.
bool AppendLine(const std::string& path, const std::string& line) {
    std::ofstream file(path, std::ios::binary | std::ios::app);
    if (!file) {
        return false;
    }
    file.write(line.data(), static_cast<std::streamsize>(line.size()));
    file.close();
    return !file.fail();
}

// Waits until the clock reaches deadline, in short steps so that an interruption is seen at once.
void WaitUntil(Clock& clock, std::int64_t deadline, const std::function<bool()>& stopRequested) {
    for (std::int64_t now = clock.NowMs(); now < deadline && !stopRequested(); now = clock.NowMs()) {
        clock.SleepMs(static_cast<int>(std::min<std::int64_t>(deadline - now, 50)));
    }
}

std::optional<std::string> LineGone(CommandContext& context) {
    return context.lineGone ? context.lineGone() : std::nullopt;
}

std::string Block(std::span<const std::uint8_t> block, std::size_t offset, std::size_t length) {
    return EscapeDeviceText(BlockText(block, offset, length));
}

}  // namespace

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
    TelegramLayer& link = context.ops.Link();
    int found = 0;
    for (int address = from; address <= to; ++address) {
        const std::uint8_t saved = link.DestinationAddress();
        link.SetDestinationAddress(static_cast<std::uint8_t>(address));
        const bool answered = context.ops.RequestStationStatus();
        link.SetDestinationAddress(saved);
        if (answered) {
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

int RunWatch(CommandContext& context, const WatchSettings& settings) {
    constexpr char kCannotOpenFile[] = "Nemůže otevřít výstupní soubor";
    if (settings.recordFile && !AppendLine(*settings.recordFile, "")) {
        return Fail(context, std::string(kCannotOpenFile) + " " + PrintableArgument(*settings.recordFile));
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
            const std::string line =
                RecordLine(ValueText(image.value, separator), ValueText(image.suma, separator),
                           ShortDateText(now, settings.regional), LongTimeText(now, settings.regional));
            context.out << line.substr(0, line.size() - 2) << std::endl;
            if (!context.out) {
                return Fail(context, kOutputFailed);
            }
            if (settings.recordFile && !AppendLine(*settings.recordFile, line)) {
                context.err << kCannotOpenFile << ' ' << PrintableArgument(*settings.recordFile) << '\n';
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
    if (settings.statistics) {
        context.err << SummaryText(settings.statistics->Total()) << std::flush;
    }
    return status;
}

int RunParams(CommandContext& context) {
    for (int table = 1; table <= 4; ++table) {
        if (!context.ops.ReadTable(table)) {
            return Fail(context, kReadFailed);
        }
    }
    PrintParams(context.ops.Image(), context.out);
    return kExitOk;
}

int RunSet(CommandContext& context, const SetRequest& request) {
    const ParamInfo& param = *request.param;
    if (!context.ops.ReadTable(param.table)) {
        return Fail(context, kReadFailed);
    }
    ApplySetRequest(request, context.ops.Image());
    if (!context.ops.WriteTable(param.table)) {
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
    constexpr char kUnknownType[] = "Typ zařízení - neidentifikováno";
    constexpr char kUnknownVersion[] = "Verze zařízení - neidentifikováno";
    constexpr char kForeignDevice[] = "jiné zařízení";
    constexpr char kForeignMessage[] = "Identifikováno zařízení pro které je nutné použít jiný software";
    constexpr std::size_t kField = 32;

    DeviceOperations& ops = context.ops;
    const DeviceImage& image = ops.Image();
    const bool typeRead = ops.ReadIdentification();
    context.clock.SleepMs(50);
    const bool versionRead = ops.ReadVersion();
    if (typeRead || versionRead) {
        context.out << "type    "
                    << (typeRead ? Block(image.identType, 0, image.identType.size()) : kUnknownType)
                    << "\nversion "
                    << (versionRead ? Block(image.identVersion, 0, image.identVersion.size())
                                    : kUnknownVersion)
                    << '\n';
        return kExitOk;
    }
    context.clock.SleepMs(50);
    if (!ops.ReadForeignIdentification()) {
        return Fail(context, kReadFailed);
    }
    context.out << "type    " << kForeignDevice << "\nversion "
                << Block(image.identForeign, 2 * kField, kField) << '\n';
    // Each of the three fields is shown up to its own zero byte: the fields are zero-padded, so stopping the
    // whole text at the first zero would hide the model and version behind a short maker name.
    for (std::size_t offset = 0; offset < 3 * kField; offset += kField) {
        context.out << Block(image.identForeign, offset, kField) << '\n';
    }
    context.err << kForeignMessage << '\n';
    return kExitForeign;
}

int RunAddress(CommandContext& context, std::uint8_t newAddress) {
    DeviceOperations& ops = context.ops;
    if (!ops.ReadTable(5)) {
        return Fail(context, kReadFailed);
    }
    const int oldAddress = ops.Image().address;
    ops.Image().address = newAddress;
    if (!ops.WriteTable(5)) {
        return Fail(context, kWriteFailed);
    }
    // The instrument takes the new address after its acknowledgement; the link follows it.
    ops.Link().SetDestinationAddress(newAddress);
    context.clock.SleepMs(100);
    if (!ops.ReadTable(5) || ops.Image().address != newAddress) {
        return Fail(context, "the instrument acknowledged the new address " + std::to_string(newAddress) +
                                 " but does not answer at it");
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
