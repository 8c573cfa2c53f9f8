// The main window's commands for the configuration dialogs, over the whole program offscreen: the dialogs
// created in their order, the reading timer held off and the line open exactly while a dialog that talks to
// the instrument is shown, and an open failure shown by the error display without the dialog.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QTimer>
#include <memory>

#include "app/main_window.h"
#include "app/program_qt.h"
#include "app/ui_services_qt.h"
#include "config/about_dialog.h"
#include "config/address_dialog.h"
#include "config/ident_dialog.h"
#include "config/parameters_dialog.h"
#include "link/port_dialog.h"
#include "support/fake_instrument.h"
#include "support/fake_wall_clock.h"
#include "support/memory_settings_backend.h"

namespace zt30 {
namespace {

using test::RecordedMessage;

class DialogCommandsTest : public ::testing::Test {
protected:
    DialogCommandsTest() {
        ProgramEnvironment environment{ui,
                                       wallClock,
                                       clock,
                                       RegionalSettings{',', "dd.MM.yy", "H:mm:ss"},
                                       [] { return std::make_unique<MemorySettingsBackend>(); },
                                       [this](PortDeviceLookup) {
                                           auto backend = std::make_unique<FakeSerialBackend>(clock);
                                           fake = backend.get();
                                           instrument = std::make_unique<test::FakeInstrument>(*fake);
                                           return backend;
                                       }};
        program = std::make_unique<Program>(environment);
        window = &program->zantor30();
        program->port().Link().telegrams.SetDestinationAddress(1);
    }
    QTimer& Timer() { return *window->findChild<QTimer*>("Timer1"); }
    QAction* Item(const char* name) { return window->findChild<QAction*>(name); }
    void RunAutomaticReading() {
        ui.fileAnswers.push_back(std::nullopt);
        window->findChild<QCheckBox*>("cb_run")->setChecked(true);
        ASSERT_TRUE(Timer().isActive());
    }

    test::UiRecorder ui;
    test::FakeWallClock wallClock;
    FakeClock clock;
    FakeSerialBackend* fake = nullptr;
    std::unique_ptr<test::FakeInstrument> instrument;
    std::unique_ptr<Program> program;
    Tzantor30* window = nullptr;
};

struct Command {
    const char* item;
    const char* dialog;
};

class LineCommands : public DialogCommandsTest, public ::testing::WithParamInterface<Command> {};

TEST_P(LineCommands, TheDialogRunsWithTheTimerHeldOffAndTheLineOpen) {
    RunAutomaticReading();
    QString shown;
    bool timerActive = true;
    bool lineOpen = false;
    QTimer::singleShot(0, window, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        shown = modal ? modal->objectName() : QString();
        timerActive = Timer().isActive();
        lineOpen = fake->isOpen;
        if (modal) {
            modal->close();
        }
    });
    Item(GetParam().item)->trigger();
    EXPECT_EQ(shown, GetParam().dialog);
    EXPECT_FALSE(timerActive);
    EXPECT_TRUE(lineOpen);
    EXPECT_FALSE(fake->isOpen);
    EXPECT_TRUE(Timer().isActive());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_P(LineCommands, APortThatDoesNotOpenShowsOneBoxAndSwitchesAutomaticReadingOff) {
    RunAutomaticReading();
    fake->failOpen = true;
    bool dialogShown = false;
    // No tick can come while the box is open: the failed open reset the port, so it would name COM0.
    bool timerActiveWhileOpen = true;
    ui.whileOpen = [&] { timerActiveWhileOpen = Timer().isActive(); };
    QTimer::singleShot(0, window, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            dialogShown = true;
            modal->close();
        }
    });
    Item(GetParam().item)->trigger();
    QApplication::processEvents();  // the check above runs here when no dialog ran a loop
    EXPECT_FALSE(dialogShown);
    const RecordedMessage failure{"Sériový port COM1 nelze otevřít.", "ZT-30", MessageIcon::Error,
                                  MessageButtons::Ok};
    EXPECT_EQ(ui.messages, std::vector<RecordedMessage>{failure});
    EXPECT_TRUE(fake->writes.empty());
    EXPECT_FALSE(timerActiveWhileOpen);  // automatic reading is off, as after a reading's port failure
    EXPECT_FALSE(Timer().isActive());
    EXPECT_FALSE(window->findChild<QCheckBox*>("cb_run")->isChecked());
    EXPECT_EQ(window->findChild<QLabel*>("StatusBar1_Panel0")->text(), "ERROR");
}

INSTANTIATE_TEST_SUITE_P(Dialogs, LineCommands,
                         ::testing::Values(Command{"mn_menu", "Form_menu"},
                                           Command{"mn_zmena_adr", "ZmenaAdresy"},
                                           Command{"mn_ident", "about_ident"}),
                         [](const auto& info) { return std::string(info.param.item); });

TEST_F(DialogCommandsTest, TheAboutBoxNeedsNoLineAndLeavesAutomaticReadingRunning) {
    RunAutomaticReading();
    QString shown;
    bool timerActive = false;
    QTimer::singleShot(0, window, [&] {
        shown = QApplication::activeModalWidget()->objectName();
        timerActive = Timer().isActive();
        QApplication::activeModalWidget()->close();
    });
    Item("mn_about")->trigger();
    EXPECT_EQ(shown, "AboutBox");
    EXPECT_TRUE(timerActive);
    EXPECT_TRUE(fake->calls.empty());
}

TEST_F(DialogCommandsTest, TheWindowsAreCreatedInTheirOrderAndTheirItemsEnabled) {
    const QObjectList children = window->children();
    auto position = [&children](QObject* child) { return children.indexOf(child); };
    EXPECT_LT(position(&program->port()), position(&program->AboutBox()));
    EXPECT_LT(position(&program->AboutBox()), position(&program->about_ident()));
    EXPECT_LT(position(&program->about_ident()), position(&program->Form_menu()));
    EXPECT_LT(position(&program->Form_menu()), position(&program->ZmenaAdresy()));
    for (const char* item : {"mn_menu", "mn_zmena_adr", "mn_ident", "mn_about"}) {
        EXPECT_TRUE(Item(item)->isEnabled()) << item;
    }
}

TEST(MessageBoxText, ACarriageReturnEndsALineAsInTheSystemsBoxes) {
    EXPECT_EQ(MessageBoxText("a\rb\r\nc\nd"), "a\nb\nc\nd");
    EXPECT_EQ(MessageBoxText("Přístroj <b>"), "Přístroj <b>");
}

}  // namespace
}  // namespace zt30
