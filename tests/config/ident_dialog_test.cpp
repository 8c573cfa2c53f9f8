// The identification dialog offscreen: Identify against the scripted instrument on a fake clock (a ZANTOR 30
// answering both reads, only the version, a foreign device, nothing), the texts decoded and shown as plain
// text, the one-shot timer of each showing; and once against zt30-sim's foreign device.
#include "config/ident_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <optional>
#include <string>

#include "support/fake_instrument.h"
#ifdef ZT30_SIM_PATH
#include "sim_link.h"
#endif

namespace zt30 {
namespace {

using test::Bytes;
using test::RecordedMessage;

const std::string kUnknownType = "Typ zařízení - neidentifikováno";
const std::string kUnknownVersion = "Verze zařízení - neidentifikováno";
const std::string kSentence = "Identifikováno zařízení pro které je nutné použít jiný software";

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// A foreign device's data unit: its format byte, then three 32-byte fields.
Bytes ForeignData(const std::string& maker, const std::string& model, const std::string& version) {
    Bytes data{0x01};
    for (const std::string* field : {&maker, &model, &version}) {
        Bytes bytes(32, 0);
        std::copy_n(field->begin(), std::min<std::size_t>(field->size(), 32), bytes.begin());
        data.insert(data.end(), bytes.begin(), bytes.end());
    }
    return data;
}

struct IdentCase {
    const char* name;
    std::optional<Bytes> identification;
    std::optional<Bytes> version;
    std::optional<Bytes> foreign;
    std::string type;          // lb_zarizeni afterwards
    std::string versionLabel;  // lb_verze afterwards
    std::optional<std::string> message;
    std::size_t requests;
    std::vector<int> sleeps;
};

const std::string kA(32, 'A'), kB(32, 'B'), kC(32, 'C');

const IdentCase kCases[] = {
    {"BothReads", Text("ZANTOR 30"), Text("1.00"), std::nullopt, "ZANTOR 30", "1.00", std::nullopt, 2, {50}},
    // The identification is sent twice (no answer), and the foreign read never follows.
    {"OnlyTheVersion",
     std::nullopt,
     Text("v2"),
     std::nullopt,
     kUnknownType,
     "v2",
     std::nullopt,
     3,
     {100, 50}},
    {"ForeignWithNinetySixTextBytes",
     std::nullopt,
     std::nullopt,
     ForeignData(kA, kB, kC),
     "jiné zařízení",
     kC,
     kSentence + "\r" + kA + "\r" + kB + "\r" + kC,
     4,
     {50, 100, 50}},
    // The message stops at the maker's first zero byte; the version label shows the third field. (A foreign
    // answer is complete, so the identification is not sent again; the version gets no answer.)
    {"ForeignWithAnEarlyZero",
     std::nullopt,
     std::nullopt,
     ForeignData("ACME", "Model 7", "FW 2"),
     "jiné zařízení",
     "FW 2",
     kSentence + "\rACME",
     4,
     {50, 100, 50}},
    {"Nothing",
     std::nullopt,
     std::nullopt,
     std::nullopt,
     kUnknownType,
     kUnknownVersion,
     std::nullopt,
     5,
     {100, 50, 100, 50}},
};

class IdentDialogTest : public ::testing::Test {
protected:
    IdentDialogTest() : dialog(*io.link, io.ui) {}
    QString Label(const char* name) { return dialog.findChild<QLabel*>(name)->text(); }
    QTimer* Timer() { return dialog.findChild<QTimer*>("Timer1"); }

    test::FakeInstrumentLink io;
    Tabout_ident dialog;
};

class IdentifyCases : public IdentDialogTest, public ::testing::WithParamInterface<IdentCase> {};

TEST_P(IdentifyCases, LabelsRequestsAndMessage) {
    const IdentCase& c = GetParam();
    io.instrument->identification = c.identification;
    io.instrument->version = c.version;
    io.instrument->foreign = c.foreign;
    dialog.Identify();
    EXPECT_EQ(Label("lb_zarizeni").toStdString(), c.type);
    EXPECT_EQ(Label("lb_verze").toStdString(), c.versionLabel);
    EXPECT_EQ(io.fake->writes.size(), c.requests);
    EXPECT_EQ(io.clock.Sleeps(), c.sleeps);
    if (c.message) {
        const RecordedMessage box{*c.message, "ERROR", MessageIcon::Exclamation, MessageButtons::Ok};
        EXPECT_EQ(io.ui.messages, std::vector<RecordedMessage>{box});
    } else {
        EXPECT_TRUE(io.ui.messages.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Instruments, IdentifyCases, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(IdentDialogTest, InstrumentTextsAreDecodedAndShownAsPlainText) {
    // "<b>x</b> Průtokoměr" in the instrument's code page, a version with a line break.
    io.instrument->identification = Bytes{'<', 'b',  '>', 'x', '<', '/', 'b', '>',  ' ', 'P',
                                          'r', 0xF9, 't', 'o', 'k', 'o', 'm', 0xEC, 'r'};
    io.instrument->version = Text("<i>1</i>");
    dialog.Identify();
    for (const char* name : {"lb_zarizeni", "lb_verze", "Label2a", "Label4"}) {
        EXPECT_EQ(dialog.findChild<QLabel*>(name)->textFormat(), Qt::PlainText) << name;
    }
    EXPECT_EQ(Label("lb_zarizeni"), "<b>x</b> Průtokoměr");
    EXPECT_EQ(Label("lb_verze"), "<i>1</i>");
}

TEST_F(IdentDialogTest, AnIdentificationWithoutAnyAnswerKeepsTheEarlierTexts) {
    io.instrument->identification = Text("ZANTOR 30");
    io.instrument->version = Text("1.00");
    dialog.Identify();
    io.instrument->switchedOn = false;
    dialog.Identify();
    EXPECT_EQ(Label("lb_zarizeni"), "ZANTOR 30");
    EXPECT_EQ(Label("lb_verze"), "1.00");
    EXPECT_TRUE(io.ui.messages.empty());
}

TEST_F(IdentDialogTest, EachShowingIdentifiesOnceAfterItsDelayAndNeverAfterClosing) {
    io.instrument->identification = Text("ZANTOR 30");
    io.instrument->version = Text("1.00");
    EXPECT_FALSE(Timer()->isActive());
    QTimer::singleShot(0, &dialog, [this] {
        EXPECT_TRUE(Timer()->isActive());
        EXPECT_TRUE(Timer()->isSingleShot());
        EXPECT_EQ(Timer()->interval(), 1000);
        EXPECT_TRUE(io.fake->writes.empty());  // the dialog is drawn first
        dialog.Timer1Timer();                  // the delay ends
        EXPECT_FALSE(Timer()->isActive());
        dialog.findChild<QPushButton*>("OKButton")->click();
    });
    EXPECT_EQ(dialog.ShowModal(), kModalOk);
    EXPECT_EQ(io.fake->writes.size(), 2u);
    EXPECT_EQ(Label("lb_zarizeni"), "ZANTOR 30");

    // Closed before the delay ends: the timer stops with the dialog, so nothing is asked on a closed line.
    QTimer::singleShot(0, &dialog, [this] { dialog.close(); });
    EXPECT_EQ(dialog.ShowModal(), kModalCancel);
    EXPECT_FALSE(Timer()->isActive());
    EXPECT_EQ(io.fake->writes.size(), 2u);
}

#ifdef ZT30_SIM_PATH
TEST(IdentDialogAgainstSimulator, AForeignDeviceIsNamedAndItsVersionShown) {
    test::SimLink sim({"--stations", "2", "--foreign", "1"});
    ASSERT_TRUE(sim.opened);
    Tabout_ident dialog(sim.link, sim.ui);
    dialog.Identify();
    EXPECT_EQ(dialog.findChild<QLabel*>("lb_zarizeni")->text(), "jiné zařízení");
    EXPECT_EQ(dialog.findChild<QLabel*>("lb_verze")->text(), "FW 2.3 (simulated)");
    ASSERT_EQ(sim.ui.messages.size(), 1u);
    EXPECT_EQ(sim.ui.messages[0].text, kSentence + "\rForeign Devices Ltd.");
    EXPECT_EQ(sim.ui.messages[0].caption, "ERROR");
}
#endif

}  // namespace
}  // namespace zt30
