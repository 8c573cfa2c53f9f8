// The port dialog offscreen: created from the store, driven through its real controls, over the fake line on
// a fake clock (and once over the real POSIX backend against zt30-sim), with every message box recorded.
#include "link/port_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <memory>
#include <set>

#include "support/fake_serial_backend.h"
#include "support/hex.h"
#include "support/memory_settings_backend.h"
#include "support/ui_recorder.h"
#include "views/settings_store.h"
#ifdef ZT30_SIM_PATH
#include "sim/sim_process.h"
#endif

namespace zt30 {
namespace {

using test::RecordedMessage;

const RecordedMessage kRestoreQuestion{
    "Byly provedeny změny v nastavení.\nOpravdu se chceš vrátit k původnímu nastavení?", "Dotaz",
    MessageIcon::Question, MessageButtons::YesNo};

class PortDialogTest : public ::testing::Test {
protected:
    PortDialogTest() {
        auto owned = std::make_unique<MemorySettingsBackend>();
        file = owned.get();
        store = std::make_unique<SettingsStore>(std::move(owned), ui);
    }
    void Store(const char* section, const char* name, const char* text) {
        file->Plant(section, name, {ValueQuery::Kind::Text, text});
    }
    std::string Stored(const char* section, const char* name) {
        return file->Text(section, name).value_or("-");
    }
    // The dialog over the fake line, on which the addresses in `stations` acknowledge a status request.
    Tport& Create() {
        auto backend = std::make_unique<FakeSerialBackend>(clock);
        fake = backend.get();
        fake->onWrite = [this](std::span<const std::uint8_t> request) {
            if (request.size() == 6 && request[3] == 0x69 && stations.count(request[1]) != 0) {
                const std::uint8_t from = request[1], to = request[2];
                fake->Arrive({0x10, to, from, 0x00, static_cast<std::uint8_t>(to + from), 0x16}, 2);
            }
        };
        dialog = std::make_unique<Tport>(*store, ui, std::move(backend), clock);
        return *dialog;
    }
    template <typename Widget = QWidget>
    Widget* Child(const char* name) {
        auto* widget = dialog->findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QComboBox* List(const char* name) { return Child<QComboBox>(name); }
    QPushButton* Button(const char* name) { return Child<QPushButton>(name); }
    // Picks an entry as a user does: the selection changes and the list reports the pick.
    void Pick(const char* name, const QString& text) {
        QComboBox* list = List(name);
        list->setCurrentIndex(list->findText(text));
        emit list->activated(list->currentIndex());
    }
    QString Cell(int address) {
        return Child<QTableWidget>("str_tab")->item(address / 16, address % 16)->text();
    }
    bool Idle() {
        return !Child<QTimer>("Timer1")->isActive() && Button("tl_ok")->isEnabled() &&
               Button("tl_najit")->isEnabled() && List("cb_com")->isEnabled() &&
               !Button("tl_prerusit")->isEnabled();
    }

    test::UiRecorder ui;
    MemorySettingsBackend* file = nullptr;
    std::unique_ptr<SettingsStore> store;
    FakeClock clock;
    FakeSerialBackend* fake = nullptr;
    std::set<int> stations;
    std::unique_ptr<Tport> dialog;
};

TEST_F(PortDialogTest, CreationTakesTheStoredSettingsWithoutOpeningTheLine) {
    Store("ADRESA", "SA", "3");
    Store("ADRESA", "DA", "5");
    Store("PORT", "COM", "2");
    Store("PORT", "BAUDRATE", "14400");
    Tport& port = Create();
    EXPECT_EQ(std::vector<std::string>(file->queries.begin(), file->queries.begin() + 4),
              (std::vector<std::string>{"ADRESA/SA", "ADRESA/DA", "PORT/COM", "PORT/BAUDRATE"}));
    EXPECT_EQ(List("cb_sa")->currentText(), "3");
    EXPECT_EQ(List("cb_da")->currentText(), "5");
    EXPECT_EQ(port.SelectedPort(), 2);
    EXPECT_EQ(List("cb_baudrate")->currentIndex(), -1);  // 14400 is not offered
    EXPECT_TRUE(fake->calls.empty());
    // Requests go to DA 5 from SA 3 although the dialog was never shown.
    ASSERT_TRUE(port.Link().line.Open(port.SelectedPort()));
    port.Link().device.RequestStationStatus();
    EXPECT_EQ(fake->writes.back(), (test::Bytes{0x10, 5, 3, 0x69, 0x71, 0x16}));
    port.Link().line.Close();
    port.FormShow();
    EXPECT_EQ(fake->systemConfig.baudRate, 14400u);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PortDialogTest, StoredValuesTheListsCannotShowTakeTheirDefaults) {
    Store("ADRESA", "SA", "-1");
    Store("ADRESA", "DA", "300");  // would otherwise reach the line cut to 8 bits, as 44
    Store("PORT", "COM", "9");
    Store("PORT", "BAUDRATE", "0");
    EXPECT_EQ(Create().Link().settings, (PortSettings{1, 9600, 0, 0}));
    EXPECT_EQ(dialog->Link().telegrams.DestinationAddress(), 0);
}

TEST_F(PortDialogTest, NoPortIsStoredAsPortOneWhileTheListKeepsShowingIt) {
    Tport& port = Create();
    port.FormShow();
    Pick("cb_com", "žádný port");
    EXPECT_TRUE(port.Link().line.IsOpen());
    Button("tl_ok")->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(file->writes,
              (std::vector<std::string>{"ADRESA/SA", "ADRESA/DA", "PORT/BAUDRATE", "PORT/COM"}));
    EXPECT_EQ(Stored("PORT", "COM"), "1");
    EXPECT_EQ(port.SelectedPort(), 0);
    port.Link().line.Close();
    fake->calls.clear();
    port.FormShow();
    EXPECT_EQ(fake->calls.front(), "open 1");
}

TEST_F(PortDialogTest, ShowingReportsAPortThatCannotBeOpenedAndStillShowsTheDialog) {
    Tport& port = Create();
    fake->failOpen = true;
    port.Link().telegrams.SetDestinationAddress(9);  // as the address change leaves it
    bool shown = false;
    QTimer::singleShot(0, dialog.get(), [&] {
        shown = dialog->isVisible();
        Button("tl_cancel")->click();
    });
    EXPECT_EQ(port.ShowModal(), kModalCancel);
    EXPECT_TRUE(shown);
    EXPECT_EQ(ui.messages, (std::vector<RecordedMessage>{{"Sériový port COM1 nelze otevřít.", "ZT-30",
                                                          MessageIcon::Error, MessageButtons::Ok}}));
    EXPECT_EQ(List("cb_com")->currentText(), "žádný port");
    EXPECT_EQ(Stored("ADRESA", "DA"), "9");  // the address is taken from the link although the open failed
    fake->failOpen = false;
    QTimer::singleShot(0, dialog.get(), [&] { Button("tl_ok")->click(); });
    EXPECT_EQ(port.ShowModal(), kModalOk);
}

TEST_F(PortDialogTest, APickedSpeedIsAppliedToTheOpenLineAtOnce) {
    Tport& port = Create();
    Pick("cb_baudrate", "19200");  // no open line to apply it to
    EXPECT_EQ(ui.messages.at(0).text, "Nepodařila se reinicializace portu COM1.");
    EXPECT_EQ(port.SelectedPort(), 0);
    Pick("cb_com", "COM 4");
    Pick("cb_baudrate", "115200");
    EXPECT_EQ(fake->calls.back(), "setconfig 115200");
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(PortDialogTest, StornoWithoutChangesAsksNothing) {
    Create().FormShow();
    Button("tl_cancel")->click();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(PortDialogTest, StornoAnsweredYesReappliesTheSavedSpeedToTheLine) {
    Create().FormShow();
    Pick("cb_baudrate", "19200");
    ui.answers = {MessageAnswer::Yes};
    Button("tl_cancel")->click();
    EXPECT_EQ(ui.messages, std::vector<RecordedMessage>{kRestoreQuestion});
    EXPECT_EQ(List("cb_baudrate")->currentText(), "9600");
    EXPECT_EQ(fake->calls.back(), "setconfig 9600");
}

TEST_F(PortDialogTest, ARestoredPortThatNoLongerOpensStillLeavesTheOtherSettingsRestored) {
    Create().FormShow();
    Pick("cb_com", "COM 2");
    Pick("cb_baudrate", "19200");
    Pick("cb_sa", "7");
    fake->failOpen = true;
    ui.answers = {MessageAnswer::Yes};
    Button("tl_cancel")->click();
    EXPECT_EQ(ui.messages, (std::vector<RecordedMessage>{kRestoreQuestion,
                                                         {"Sériový port COM1 nelze otevřít.", "ZT-30",
                                                          MessageIcon::Error, MessageButtons::Ok}}));
    EXPECT_EQ(dialog->Link().settings, (PortSettings{1, 9600, 0, 0}));  // port 0 is stored as 1
    EXPECT_EQ(List("cb_baudrate")->currentText(), "9600");
}

// The "Storno" button and Escape ask the same question and restore only what changed.
class PortDialogCancel : public PortDialogTest, public ::testing::WithParamInterface<int> {};

TEST_P(PortDialogCancel, ChangedComputerAddressAsksOnceAndYesRestoresOnlyIt) {
    Create().FormShow();
    dialog->show();
    Pick("cb_sa", "7");
    fake->calls.clear();
    ui.answers = {MessageAnswer::Yes};
    if (GetParam() == 0) {
        Button("tl_cancel")->click();
    } else {
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
    }
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(ui.messages, std::vector<RecordedMessage>{kRestoreQuestion});
    EXPECT_EQ(dialog->Link().telegrams.SourceAddress(), 0);
    EXPECT_EQ(Stored("ADRESA", "SA"), "0");
    EXPECT_TRUE(fake->calls.empty());  // the line was left alone
}

INSTANTIATE_TEST_SUITE_P(ButtonAndEscape, PortDialogCancel, ::testing::Values(0, 1));

// A whole scan driven by the dialog's own timer (shortened) over the fake line.
class PortDialogScan : public PortDialogTest, public ::testing::WithParamInterface<std::set<int>> {};

TEST_P(PortDialogScan, MarksEveryAnsweringAddressAndKeepsTheInstrumentAddress) {
    stations = GetParam();
    Store("ADRESA", "DA", "5");
    Create().FormShow();
    auto* timer = Child<QTimer>("Timer1");
    EXPECT_EQ(timer->interval(), 100);
    timer->setInterval(0);
    Button("tl_najit")->click();
    EXPECT_FALSE(Button("tl_cancel")->isEnabled() || List("cb_sa")->isEnabled() ||
                 Button("tl_najit")->isEnabled());
    const QDeadlineTimer deadline(60000);
    while (timer->isActive() && !deadline.hasExpired()) {
        QApplication::processEvents();
    }
    for (int address = 0; address < 128; ++address) {
        const QString expected = stations.count(address) ? QString::number(address)
                                 : address == 127        ? "*"
                                                         : " ";
        EXPECT_EQ(Cell(address), expected) << address;
        EXPECT_EQ(fake->writes.at(static_cast<std::size_t>(address))[1], address);
    }
    EXPECT_EQ(fake->writes.size(), 128u);
    EXPECT_TRUE(Idle());
    EXPECT_EQ(dialog->Link().telegrams.DestinationAddress(), 5);
    EXPECT_EQ(List("cb_da")->currentText(), "5");
}

INSTANTIATE_TEST_SUITE_P(Stations, PortDialogScan,
                         ::testing::Values(std::set<int>{}, std::set<int>{10}, std::set<int>{0, 126, 127}));

TEST_F(PortDialogTest, TheCloseBoxStopsAScanAndKeepsTheChangesAndEscapeDoesNot) {
    Create().FormShow();
    dialog->show();
    Pick("cb_sa", "7");
    Button("tl_najit")->click();
    dialog->Timer1Timer();
    dialog->Timer1Timer();
    QTest::keyClick(dialog.get(), Qt::Key_Escape);  // "Storno" is disabled during a scan
    EXPECT_TRUE(dialog->isVisible());
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(Idle());
    EXPECT_EQ(Cell(1), "*");
    EXPECT_EQ(Stored("PORT", "COM"), "1");
    EXPECT_EQ(Stored("ADRESA", "SA"), "7");  // kept without the question of "Storno"
    EXPECT_TRUE(ui.messages.empty());
}

#ifdef ZT30_SIM_PATH
TEST_F(PortDialogTest, AScanInterruptedAfterAFewProbesShowsTheSimulatorsStations) {
    test::SimProcess sim(ZT30_SIM_PATH, {"--stations", "1,3"});
    ASSERT_FALSE(sim.SlavePath().empty());
    Store("ADRESA", "DA", "5");
    SystemClock systemClock;
    const std::string path = sim.SlavePath();
    Tport port(*store, ui, MakeSystemSerialBackend([path](int) { return path; }), systemClock);
    port.FormShow();
    ASSERT_TRUE(ui.messages.empty()) << ui.messages[0].text;
    auto* table = port.findChild<QTableWidget*>("str_tab");
    port.findChild<QPushButton*>("tl_najit")->click();
    for (int probe = 0; probe < 5; ++probe) {
        port.Timer1Timer();
    }
    port.findChild<QPushButton*>("tl_prerusit")->click();
    const char* expected[] = {" ", "1", " ", "3", "*", " "};
    for (int address = 0; address < 6; ++address) {
        EXPECT_EQ(table->item(0, address)->text(), expected[address]) << address;
    }
    EXPECT_EQ(table->currentColumn(), 4);
    EXPECT_FALSE(port.findChild<QTimer*>("Timer1")->isActive());
    EXPECT_EQ(port.Link().telegrams.DestinationAddress(), 5);
    EXPECT_EQ(sim.WaitForRequests(5, 2000).size(), 5u);
}
#endif

TEST_F(PortDialogTest, TabRunsThroughTheEnabledControlsInOrder) {
    Create().show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    Button("tl_ok")->setFocus();
    QStringList order;
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(order.join(' '), "tl_cancel tl_najit cb_com cb_baudrate cb_da cb_sa tl_ok");
    QWidget* last = Button("tl_ok");  // the disabled "Přerušit" closes the chain
    do {
        last = last->previousInFocusChain();
    } while (!(last->focusPolicy() & Qt::TabFocus));
    EXPECT_EQ(last->objectName(), "tl_prerusit");
}

TEST_F(PortDialogTest, ControlsCarryTheirNamesCaptionsHintsAndItems) {
    Create();
    EXPECT_EQ(dialog->windowTitle(), "Komunikační port");
    const char* const expected[][3] = {{"cb_com", "Sériová linka:", "Nastaví komunikační linku"},
                                       {"cb_baudrate", "Přenosová rychlost", ""},
                                       {"cb_da", "Adresa přístroje:", "Nastaví adresu přístroje"},
                                       {"cb_sa", "Adresa počítače: ", "Nastaví adresu počítače"},
                                       {"str_tab", "Tabulka adres:", ""},
                                       {"tl_ok", "OK", "Návrat a potvrzení změn"},
                                       {"tl_cancel", "Storno", "Storno"},
                                       {"tl_najit", "Najít adresy", "Spustí vyhledávání adres"},
                                       {"tl_prerusit", "Přerušit", "Přeruší vyhledávání adres"}};
    const auto labels = dialog->findChildren<QLabel*>();
    for (const auto& [name, caption, hint] : expected) {
        QWidget* widget = Child(name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->accessibleName(), caption) << name;
        EXPECT_EQ(widget->toolTip(), hint) << name;
        EXPECT_EQ(
            qobject_cast<QPushButton*>(widget) != nullptr,
            std::none_of(labels.begin(), labels.end(),
                         [&](QLabel* label) { return label->buddy() == widget && label->text() == caption; }))
            << name;
    }
    EXPECT_TRUE(Button("tl_ok")->isDefault());
    EXPECT_FALSE(Button("tl_prerusit")->isEnabled());
    QStringList items;
    for (QComboBox* list : {List("cb_com"), List("cb_baudrate")}) {
        for (int i = 0; i < list->count(); ++i) {
            items << list->itemText(i);
        }
    }
    EXPECT_EQ(items.join(','),
              "žádný port,COM 1,COM 2,COM 3,COM 4,COM 5,COM 6,COM 7,COM 8,"
              "110,300,600,1200,2400,4800,9600,19200,38400,56000,57600,115200,128000,256000");
    EXPECT_EQ(List("cb_sa")->count(), 127);
    EXPECT_EQ(List("cb_da")->itemText(126), "126");
    auto* table = Child<QTableWidget>("str_tab");
    EXPECT_EQ(table->horizontalHeaderItem(10)->text() + table->horizontalHeaderItem(15)->text() +
                  table->verticalHeaderItem(0)->text() + table->verticalHeaderItem(7)->text(),
              "xAxF0x7x");
    EXPECT_EQ(table->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(table->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(PortDialogTest, TheWholeAddressTableShowsAtTheSmallestSize) {
    Create().resize(dialog->minimumSizeHint());
    dialog->show();
    QApplication::processEvents();
    auto* table = Child<QTableWidget>("str_tab");
    EXPECT_GE(table->viewport()->height(), table->rowViewportPosition(7) + table->rowHeight(7));
    EXPECT_GE(table->viewport()->width(), table->columnViewportPosition(15) + table->columnWidth(15));
}

#ifndef _WIN32
TEST_F(PortDialogTest, EachPortsToolTipNamesItsDeviceAsPlainText) {
    Store("DEVICES", "COM1", "/tmp/zt30-sim");
    Store("DEVICES", "COM2", "<b>x</b>");
    Create();
    const auto tip = [&](int port) { return List("cb_com")->itemData(port, Qt::ToolTipRole).toString(); };
    EXPECT_TRUE(tip(0).isEmpty());
    EXPECT_EQ(tip(1), "/tmp/zt30-sim");
    EXPECT_EQ(tip(3), "/dev/ttyS2");
    QTextDocument shown;
    shown.setHtml(tip(2));
    EXPECT_EQ(shown.toPlainText(), "<b>x</b>");
}
#endif

}  // namespace
}  // namespace zt30
