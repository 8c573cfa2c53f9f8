// The address change dialog offscreen: against zt30-sim (the write to the old address, the next read at the
// new one) and over the fake line on a fake clock (rejected entries, failures, the pause after a write).
#include "config/address_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "support/fake_instrument.h"
#ifdef ZT30_SIM_PATH
#include "sim_link.h"
#endif

namespace zt30 {
namespace {

using test::RecordedMessage;

class AddressDialogTest : public ::testing::Test {
protected:
    AddressDialogTest() : dialog(*io.link, io.ui) {}
    QLineEdit* Edit() { return dialog.findChild<QLineEdit*>("ed_adr"); }
    QPushButton* Button(const char* name) { return dialog.findChild<QPushButton*>(name); }
    std::uint8_t LinkAddress() { return io.link->telegrams.DestinationAddress(); }

    test::FakeInstrumentLink io;
    TZmenaAdresy dialog;
};

TEST_F(AddressDialogTest, AnAcknowledgedWriteMovesTheLinkAndPausesBeforeAnythingElse) {
    Edit()->setText("7");
    Button("tl_write")->click();
    EXPECT_TRUE(io.ui.messages.empty());
    ASSERT_EQ(io.fake->writes.size(), 1u);
    EXPECT_EQ(test::ToHex(io.fake->writes[0]), "68 06 06 68 01 00 63 02 05 07 72 16");
    EXPECT_EQ(LinkAddress(), 7);
    EXPECT_EQ(io.clock.Sleeps(), std::vector<int>{100});

    // Writing the address the instrument already has changes nothing.
    Button("tl_write")->click();
    EXPECT_EQ(io.fake->writes.back()[4], 7);
    EXPECT_EQ(LinkAddress(), 7);
    EXPECT_EQ(io.instrument->address, 7);
    EXPECT_TRUE(io.ui.messages.empty());
}

TEST_F(AddressDialogTest, TheBroadcastAddressIsRejectedWithBothBoxesAndNothingSent) {
    io.link->image.address = 1;
    for (const char* entry : {"127", "abc", "-1"}) {
        io.ui.messages.clear();
        Edit()->setText(QString::fromLatin1(entry));
        dialog.tl_writeClick();
        const std::vector<RecordedMessage> expected = {
            {"Je nutné zadávat pouze čísla", "CHYBA", MessageIcon::Exclamation, MessageButtons::Ok},
            {std::string(entry) + " není správně zapsané číslo. Číslo musí být .xx.. ", "CHYBA",
             MessageIcon::None, MessageButtons::Ok}};
        EXPECT_EQ(io.ui.messages, expected) << entry;
        EXPECT_EQ(Edit()->text(), "0");
        EXPECT_EQ(dialog.focusWidget(), Edit());
    }
    EXPECT_TRUE(io.fake->writes.empty());
    EXPECT_EQ(io.link->image.address, 1);
    EXPECT_EQ(LinkAddress(), 1);
}

TEST_F(AddressDialogTest, FailuresAreReportedOnceAndAFailedWriteKeepsTheOldLinkAddress) {
    io.instrument->switchedOn = false;
    Edit()->setText("33");
    dialog.tl_readClick();
    const RecordedMessage readFailed{"Chyba při čtení", "CHYBA", MessageIcon::Exclamation,
                                     MessageButtons::Ok};
    EXPECT_EQ(io.ui.messages, std::vector<RecordedMessage>{readFailed});
    EXPECT_EQ(Edit()->text(), "33");

    io.ui.messages.clear();
    dialog.tl_writeClick();
    const RecordedMessage writeFailed{"Chyba při zápisu", "CHYBA", MessageIcon::Exclamation,
                                      MessageButtons::Ok};
    EXPECT_EQ(io.ui.messages, std::vector<RecordedMessage>{writeFailed});
    EXPECT_EQ(LinkAddress(), 1);
    EXPECT_EQ(io.link->image.address, 33);  // the image already holds the new value
    EXPECT_EQ(std::count(io.clock.Sleeps().begin(), io.clock.Sleeps().end(), 100), 0);
}

TEST_F(AddressDialogTest, ShowingReadsNothingAndTheEditKeepsItsTextBetweenOpenings) {
    EXPECT_EQ(Edit()->text(), "0");
    Edit()->setText("12");
    QTimer::singleShot(0, &dialog, [this] { Button("tl_cancel")->click(); });
    EXPECT_EQ(dialog.ShowModal(), kModalCancel);
    QTimer::singleShot(0, &dialog, [this] { dialog.close(); });
    EXPECT_EQ(dialog.ShowModal(), kModalCancel);
    EXPECT_EQ(Edit()->text(), "12");
    EXPECT_TRUE(io.fake->writes.empty());
}

TEST_F(AddressDialogTest, NoButtonIsTheDefaultAndAFocusedButtonTakesEnter) {
    EXPECT_EQ(dialog.findChild<QLabel*>("Label1")->buddy(), Edit());
    EXPECT_EQ(Edit()->accessibleName(), "Adresa přístroje");
    dialog.show();
    QTest::keyClick(Button("tl_read"), Qt::Key_Return);
    EXPECT_EQ(Edit()->text(), "1");
    Edit()->setText("9");
    QTest::keyClick(Edit(), Qt::Key_Enter);  // the edit's Enter presses nothing
    EXPECT_TRUE(io.instrument->writes.empty() && dialog.isVisible());
    for (const char* name : {"tl_write", "tl_read", "tl_cancel"}) {
        EXPECT_FALSE(Button(name)->isDefault()) << name;
    }
}

#ifdef ZT30_SIM_PATH
TEST(AddressDialogAgainstSimulator, TheNewAddressIsWrittenToTheOldOneAndReadBackFromTheNewOne) {
    test::SimLink sim({});
    ASSERT_TRUE(sim.opened);
    TZmenaAdresy dialog(sim.link, sim.ui);
    auto* edit = dialog.findChild<QLineEdit*>("ed_adr");
    dialog.tl_readClick();
    EXPECT_EQ(edit->text(), "1");
    edit->setText("5");
    dialog.tl_writeClick();
    EXPECT_EQ(sim.link.telegrams.DestinationAddress(), 5);
    edit->setText("0");
    dialog.tl_readClick();
    EXPECT_TRUE(sim.ui.messages.empty()) << sim.ui.messages[0].text;
    EXPECT_EQ(edit->text(), "5");
    const auto requests = sim.sim.WaitForRequests(3, 2000);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(test::ToHex(requests[1]), "68 06 06 68 01 00 63 02 05 05 70 16");
    EXPECT_EQ(test::ToHex(requests[2]), "68 05 05 68 05 00 6C 01 05 77 16");
}
#endif

}  // namespace
}  // namespace zt30
