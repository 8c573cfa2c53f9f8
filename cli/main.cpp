// zt30ctl: the command-line tool over the core library. Parses the arguments, finds the port's device, opens
// the line for the one command, runs it and turns the result into the exit status.
#include <csignal>
#include <iostream>
#include <memory>
#include <string_view>
#include <vector>

#include "cli/backup_commands.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/configured_devices.h"
#include "cli/console_ui.h"
#include "cli/line_check.h"
#include "cli/printable.h"
#include "cli/traffic_report.h"
#include "config/param_format.h"
#include "link/com_ports.h"
#include "link/serial_line.h"
#include "link/telegram.h"
#include "logger/log_command.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include "config/regional_settings_qt.h"
#endif

namespace {

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void OnStopSignal(int) {
    stopSignal = 1;
}

// Ctrl+C and SIGTERM end the watch after the reading under way. They do not restart an interrupted call, so
// nothing that blocks (a full pipe on standard output) outlasts them, and a second one ends the tool at once.
void CatchStopSignals() {
#ifdef _WIN32
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
#else
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

zt30::RegionalSettings ToolRegionalSettings() {
#ifdef _WIN32
    return {};  // the built-in formats: no Qt here to read the regional settings
#else
    return zt30::SystemRegionalSettings();
#endif
}

int Run(const zt30::cli::Options& options) {
    using namespace zt30;
    using namespace zt30::cli;

    std::optional<SetRequest> setRequest;
    std::uint8_t newAddress = 0;
    if (options.command == Command::Set) {
        SetParse parsed = ParseSetRequest(options.arguments[0], options.arguments[1]);
        if (!parsed.request) {
            std::cerr << "zt30ctl: " << parsed.error << '\n';
            return kExitUsage;
        }
        setRequest = parsed.request;
    } else if (options.command == Command::Address) {
        const auto address = ParseAddress(options.arguments[0]);
        if (!address) {
            std::cerr << "zt30ctl: address: \"" << PrintableArgument(options.arguments[0])
                      << "\" is not a bus address from 0 to 126\n";
            return kExitUsage;
        }
        newAddress = *address;
    }
    // A parameter file is checked whole before the line opens: a refused one sends nothing.
    std::optional<ParamFile> paramFile;
    if (options.command == Command::Restore || options.command == Command::Diff) {
        ParamFileLoad load = LoadParamFile(options.arguments[0]);
        if (!load.file) {
            std::cerr << "zt30ctl: " << load.error << '\n';
            return kExitUsage;
        }
        paramFile = std::move(load.file);
    }

    if (options.command == Command::Log) {
        CatchStopSignals();
        return logger::RunLogCommand(options.arguments[0], ToolRegionalSettings(),
                                     [] { return stopSignal != 0; });
    }

    // The settings file is read only when it decides something: --device names the device itself. Windows has
    // no such file: port n is the device COMn itself.
    ConfiguredDevices devices;
#ifndef _WIN32
    if (options.command == Command::Ports || !options.device) {
        devices = ReadConfiguredDevices();
    }
#endif
    if (options.command == Command::Ports) {
        return RunPorts(devices, std::cout, std::cerr);
    }
    if (const std::string& error = devices[static_cast<std::size_t>(options.port - 1)].error;
        !options.device && !error.empty()) {
        std::cerr << "zt30ctl: " << error << '\n';
        return kExitFailure;
    }

    // The record lines follow the user's regional settings as the program's do; every other number the tool
    // prints uses ".".
    const RegionalSettings regional = ToolRegionalSettings();
    PortSettings settings{options.port, options.baudRate, options.destinationAddress, options.sourceAddress};
    auto backend = std::make_unique<LineWatchingBackend>(MakeSystemSerialBackend(
        options.device ? FixedDeviceLookup(*options.device) : DeviceLookupOf(devices)));
    LineWatchingBackend& watchedBackend = *backend;
    SerialLine line(settings, std::move(backend));
    LineCheck lineCheck(line, watchedBackend, options.port);
    SystemClock clock;
    TelegramLayer link(line, clock);
    link.SetDestinationAddress(static_cast<std::uint8_t>(options.destinationAddress));
    link.SetSourceAddress(static_cast<std::uint8_t>(options.sourceAddress));
    DeviceImage image;
    ConsoleUi ui(std::cerr);
    DeviceOperations ops(link, image, ui);
    CommandContext context{ops, clock, std::cout, std::cerr, [&lineCheck] { return lineCheck.Gone(); }};
    // Nothing watches the traffic unless asked to: a trace, a summary, or a watch (which ends with one).
    TrafficReport report(options.trace ? &std::cerr : nullptr, regional);
    const bool watching = options.command == Command::Watch;
    if (options.trace || options.stats || watching) {
        link.SetObserver(&report);
    }
    const auto summary = [&] {
        if (options.stats && !watching) {
            std::cerr << SummaryText(report.Statistics().Total()) << std::flush;
        }
    };

    try {
        if (!line.Open(options.port)) {
            std::cerr << OpenErrorText(line) << '\n';
            return kExitFailure;
        }
        int status = kExitFailure;
        switch (options.command) {
            case Command::Status:
                status = RunStatus(context);
                break;
            case Command::Scan:
                status = RunScan(context, options.scanFrom, options.scanTo);
                break;
            case Command::Read:
                status = RunRead(context);
                break;
            case Command::Watch: {
                CatchStopSignals();
                WatchSettings watch{
                    options.count,       options.recordFile, regional, [] { return stopSignal != 0; }, {},
                    &report.Statistics()};
                status = RunWatch(context, watch);
                break;
            }
            case Command::Params:
                status = RunParams(context);
                break;
            case Command::Set:
                status = RunSet(context, *setRequest);
                break;
            case Command::Clear:
                status = RunClear(context, options.arguments[0] == "sum");
                break;
            case Command::Ident:
                status = RunIdent(context);
                break;
            case Command::Address:
                status = RunAddress(context, newAddress);
                break;
            case Command::Backup:
                status = RunBackup(context, options.arguments[0], SystemLocalTime());
                break;
            case Command::Restore:
                status = RunRestore(context, options.arguments[0], *paramFile, options.dryRun);
                break;
            case Command::Diff:
                status = RunDiff(context, options.arguments[0], *paramFile);
                break;
            case Command::Ports:
            case Command::Log:
            case Command::None:
                break;
        }
        line.Close();
        summary();
        return status;
    } catch (const SerialLineError& error) {
        std::cerr << error.what() << '\n';
        summary();
        return kExitFailure;
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zt30::cli;
#ifdef _WIN32
    // The messages are UTF-8 (Czech); a console shows them right only in that code page.
    SetConsoleOutputCP(CP_UTF8);
#endif
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const ParseResult parsed = ParseArguments(args);
    if (!parsed.error.empty()) {
        std::cerr << "zt30ctl: " << parsed.error << '\n';
        return kExitUsage;
    }
    if (parsed.options.help) {
        std::cout << HelpText(parsed.options.command);
        return FinishOutput(std::cout, std::cerr, kExitOk);
    }
    return FinishOutput(std::cout, std::cerr, Run(parsed.options));
}
