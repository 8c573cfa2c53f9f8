// zt30: the operator program. Creates the windows once, shows the main window and runs the message loop until
// it closes; an error during start-up is shown by the error display and ends the program.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <cstring>
#include <exception>

#include "app/main_window.h"
#include "app/program_qt.h"
#include "app/ui_services_qt.h"
#include "app/wall_clock_qt.h"
#include "config/regional_settings_qt.h"
#include "link/error_display.h"
#include "views/settings_backend_qt.h"

namespace {

// The toolkit's texts that its Czech translation does not hold (the file dialog's type column).
class MissingToolkitTexts final : public QTranslator {
public:
    bool isEmpty() const override { return false; }

    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0) {
            return {};
        }
        if (qstrcmp(sourceText, "Folder") == 0) {
            return QStringLiteral("Složka");
        }
        if (qstrcmp(sourceText, "Drive") == 0) {
            return QStringLiteral("Disk");
        }
        if (qstrcmp(sourceText, "Unknown") == 0) {
            return QStringLiteral("Neznámý");
        }
        return {};
    }
};

// The text of `zt30 --help`, which is also the manual page's.
constexpr char kHelpText[] =
    "Usage: zt30 [Qt options]\n"
    "The operator tool of the ZANTOR 30 panel instrument, a pulse counter, rate meter\n"
    "and flow meter. Over the serial bus (PROFIBUS FDL telegrams) it reads the\n"
    "measured value and the sum once a second, draws them on a live chart and records\n"
    "them to a table and a record file; it reads and writes the instrument's\n"
    "parameters, clears its counter and sum, scans the bus for stations, changes an\n"
    "instrument's address and identifies it. Its windows speak Czech; the port, the\n"
    "speed and the bus addresses are chosen in its port dialog (menu Port).\n"
    "\n"
    "Options:\n"
    "  -h, --help  show this text and exit\n"
    "  Qt's own options (-platform NAME, -style NAME, ...) work as in every Qt program.\n"
    "\n"
    "Files:\n"
    "  $XDG_CONFIG_HOME/OrvZT30.ini (~/.config/OrvZT30.ini)\n"
    "      the settings: window, chart, recording interval, port, speed and bus\n"
    "      addresses, and section [DEVICES], whose values COM1 to COM8 name the device\n"
    "      of each port (/dev/ttyUSB0, or rfc2217://HOST:PORT or tcp://HOST:PORT of a\n"
    "      device server); without one, COMn is /dev/ttyS(n-1)\n"
    "\n"
    "See also: zt30ctl(1), the same work from the command line, and zt30-sim(1), a\n"
    "simulated instrument.\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace zt30;
    // Answered before any window system is needed: it works on a console and in a build without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelpText, stdout);
            return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
        }
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kProgramTitle));
    QGuiApplication::setDesktopFileName(QStringLiteral("zt30"));

    // The toolkit's own dialogs (file and colour choosers, their buttons) speak Czech like the program,
    // whatever the system's language.
    QTranslator toolkitTexts;
    if (toolkitTexts.load(QLocale(QLocale::Czech, QLocale::CzechRepublic), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        toolkitTexts.load(QStringLiteral("qtbase_cs"),
                          QApplication::applicationDirPath() + QStringLiteral("/translations"))) {
        QApplication::installTranslator(&toolkitTexts);
    }
    MissingToolkitTexts missingTexts;
    QApplication::installTranslator(&missingTexts);

    QtUiServices ui;
    try {
        QtWallClock wallClock;
        SystemClock clock;
        Program program(ProgramEnvironment{
            ui, wallClock, clock, SystemRegionalSettings(), [] { return MakeSystemSettingsBackend(); },
            [](PortDeviceLookup lookup) { return MakeSystemSerialBackend(std::move(lookup)); }});
        program.zantor30().show();
        return QApplication::exec();
    } catch (const std::exception& error) {
        ShowErrorDisplay(ui, error.what());
    }
    return 1;
}
