// zt30: the operator program. Creates the windows once, shows the main window and runs the message loop until
// it closes; an error during start-up is shown by the error display and ends the program.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
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

}  // namespace

int main(int argc, char** argv) {
    using namespace zt30;
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
