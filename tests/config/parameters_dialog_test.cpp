// The parameters dialog offscreen: its read and write over the fake line against a scripted instrument on a
// fake clock, and against zt30-sim with a fault on one request; every box recorded.
#include "config/parameters_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

#include "config/param_backup.h"
#include "support/fake_instrument.h"
#ifdef ZT30_SIM_PATH
#include "sim_link.h"
#endif

namespace zt30 {
namespace {

using test::RecordedMessage;

const RecordedMessage kReadFailed{"Chyba při čtení", "Komunikace", MessageIcon::Error, MessageButtons::Ok};
const RecordedMessage kWriteFailed{"Chyba při zápisu", "Komunikace", MessageIcon::Error, MessageButtons::Ok};

// Bit order of the CONFIG switches.
const char* const kSwitches[] = {"rg_vstup",      "rg_kompar_out2", "rg_reset",
                                 "rg_alarm_out1", "rg_time_out",    "rg_aout"};

// Finds the dialog's controls by their names.
class DialogControls {
public:
    explicit DialogControls(QDialog& dialog) : dialog_(dialog) {}
    template <typename Widget>
    Widget* Get(const QString& name) const {
        auto* widget = dialog_.findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    QLineEdit* Edit(const char* name) const { return Get<QLineEdit>(QString::fromLatin1(name)); }
    QComboBox* List(const char* name) const { return Get<QComboBox>(QString::fromLatin1(name)); }
    QPushButton* Button(const char* name) const { return Get<QPushButton>(QString::fromLatin1(name)); }
    QProgressBar* Bar() const { return Get<QProgressBar>(QStringLiteral("bar_load")); }
    // The chosen item of a CONFIG switch, -1 for none.
    int Switch(const char* name) const {
        for (int item : {0, 1}) {
            if (Get<QRadioButton>(QString::fromLatin1(name) + QStringLiteral("_%1").arg(item))->isChecked()) {
                return item;
            }
        }
        return -1;
    }
    void Choose(const char* name, int item) const {
        Get<QRadioButton>(QString::fromLatin1(name) + QStringLiteral("_%1").arg(item))->click();
    }

private:
    QDialog& dialog_;
};

class ParametersDialogTest : public ::testing::Test {
protected:
    ParametersDialogTest() : dialog(*io.link, io.ui, ','), controls(dialog) {
        DeviceImage& t = io.instrument->tables;
        t.func = 2;
        t.dp = 3;
        t.factor = 1;
        t.config = 0x21;
        t.filtr = 10000;
        t.scale = 1.0f;
        t.offset = -0.25f;
        t.sp_lo = 1234.5678f;
        t.sp_hi = 12345.678f;
        t.hyster = 0.1f;
        t.an_lo = 4.0f;
        t.an_hi = 20.0f;
    }
    // The write request of table n the instrument received last.
    test::Bytes LastWriteOf(int table) const {
        for (auto it = io.fake->writes.rbegin(); it != io.fake->writes.rend(); ++it) {
            if (it->size() > 9 && (*it)[7] == 0x02 && (*it)[8] == table) {
                return *it;
            }
        }
        return {};
    }

    test::FakeInstrumentLink io;
    TForm_menu dialog;
    DialogControls controls;
};

TEST_F(ParametersDialogTest, ReadShowsEveryParameterInItsFormatAndStepsTheProgressBar) {
    std::vector<int> progress;
    QObject::connect(controls.Bar(), &QProgressBar::valueChanged,
                     [&progress](int v) { progress.push_back(v); });
    dialog.tl_readClick();

    EXPECT_TRUE(io.ui.messages.empty());
    EXPECT_EQ(io.instrument->reads, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(io.clock.Sleeps(), (std::vector<int>{20, 20, 20, 20}));
    EXPECT_EQ(progress, (std::vector<int>{40, 55, 70, 85, 100, 0}));
    EXPECT_TRUE(controls.Bar()->isHidden());

    EXPECT_EQ(controls.List("cb_func")->currentText(), "FLOMIN (průtokoměr)");
    EXPECT_EQ(controls.List("cb_dp")->currentText(), "000.000");
    EXPECT_EQ(controls.List("cb_factor")->currentText(), "násobení");
    const std::pair<const char*, const char*> texts[] = {
        {"ed_scale", "1,000000"},     {"ed_offset", "-0,250000"}, {"ed_sp_lo", "1234,567749"},
        {"ed_sp_hi", "12345,677730"}, {"ed_hyster", "0,100000"},  {"ed_filtr", "10000"},
        {"ed_an_lo", "4,000000"},     {"ed_an_hi", "20,000000"}};
    for (const auto& [name, text] : texts) {
        EXPECT_EQ(controls.Edit(name)->text(), text) << name;
    }
    const int items[] = {1, 0, 0, 0, 0, 1};  // 0x21
    for (int bit = 0; bit < 6; ++bit) {
        EXPECT_EQ(controls.Switch(kSwitches[bit]), items[bit]) << kSwitches[bit];
    }
}

TEST_F(ParametersDialogTest, NoInstrumentGivesOneReadBoxAndTheControlsShowTheDeviceImage) {
    io.instrument->switchedOn = false;
    io.link->image.func = 1;
    io.link->image.scale = 2.5f;
    io.link->image.config = 0x02;
    io.link->image.filtr = 7;
    dialog.tl_readClick();

    ASSERT_EQ(io.ui.messages, std::vector<RecordedMessage>{kReadFailed});
    EXPECT_EQ(io.fake->writes.size(), 4u);  // every table tried once
    EXPECT_EQ(controls.List("cb_func")->currentIndex(), 1);
    EXPECT_EQ(controls.Edit("ed_scale")->text(), "2,500000");
    EXPECT_EQ(controls.Edit("ed_filtr")->text(), "7");
    EXPECT_EQ(controls.Edit("ed_an_hi")->text(), "0,000000");
    EXPECT_EQ(controls.Switch("rg_kompar_out2"), 1);
    EXPECT_EQ(controls.Switch("rg_vstup"), 0);
    EXPECT_TRUE(controls.Bar()->isHidden());
    EXPECT_EQ(controls.Bar()->value(), 0);
}

TEST_F(ParametersDialogTest, RejectedScaleAndFiltrShowTheirBoxesInOrderAndNothingIsWritten) {
    dialog.tl_readClick();
    const std::size_t requests = io.fake->writes.size();
    controls.Edit("ed_filtr")->setText("12a");
    controls.Edit("ed_scale")->setText("1.5");  // a full stop where the separator is a comma
    dialog.tl_writeClick();

    ASSERT_EQ(io.ui.messages.size(), 2u);
    EXPECT_EQ(io.ui.messages[0], (RecordedMessage{"12a není správně zapsané číslo. Číslo musí být 0 až 59999",
                                                  "CHYBA", MessageIcon::None, MessageButtons::Ok}));
    EXPECT_EQ(io.ui.messages[1], (RecordedMessage{"Je nutné zadávat pouze čísla nebo desetinnou čárku",
                                                  "CHYBA", MessageIcon::Exclamation, MessageButtons::Ok}));
    EXPECT_EQ(dialog.focusWidget(), controls.Edit("ed_scale"));
    EXPECT_EQ(io.fake->writes.size(), requests);
    EXPECT_EQ(io.link->image.filtr, 0);
    EXPECT_EQ(io.link->image.scale, 0.0f);
    EXPECT_EQ(io.link->image.offset, -0.25f);  // the accepted entries are collected all the same
    EXPECT_EQ(controls.Edit("ed_filtr")->text(), "0");
    EXPECT_EQ(controls.Edit("ed_scale")->text(), "1");
    EXPECT_TRUE(controls.Bar()->isHidden());
}

TEST_F(ParametersDialogTest, WriteSendsEveryTableAsEditedAndPausesAfterEach) {
    dialog.tl_readClick();
    controls.List("cb_func")->setCurrentIndex(3);
    controls.Edit("ed_scale")->setText(" -2,5E1 ");
    controls.Edit("ed_filtr")->setText("59999");
    controls.Choose("rg_reset", 1);
    controls.Choose("rg_aout", 0);
    const std::size_t sleeps = io.clock.Sleeps().size();
    dialog.tl_writeClick();

    EXPECT_TRUE(io.ui.messages.empty());
    EXPECT_EQ(io.instrument->writes, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(std::vector<int>(io.clock.Sleeps().begin() + static_cast<std::ptrdiff_t>(sleeps),
                               io.clock.Sleeps().end()),
              (std::vector<int>{100, 100, 100, 100}));
    // func 3, dp 3, factor 1, config 0x05, filtr 59999 (5F EA).
    EXPECT_EQ(test::ToHex(LastWriteOf(1)), "68 0B 0B 68 01 00 63 02 01 03 03 01 05 5F EA BC 16");
    EXPECT_EQ(io.instrument->tables.scale, -25.0f);
    EXPECT_EQ(io.instrument->tables.sp_lo, 1234.5677490234375f);
    // The controls keep what the operator entered: nothing is read back.
    EXPECT_EQ(controls.Edit("ed_scale")->text(), " -2,5E1 ");
}

TEST_F(ParametersDialogTest, ValuesTheControlsCannotShowAreWrittenBackAsTheyCanBeShown) {
    io.instrument->tables.config = 0xFF;
    io.instrument->tables.func = 7;
    io.instrument->tables.dp = 200;
    dialog.tl_readClick();
    for (const char* name : kSwitches) {
        EXPECT_EQ(controls.Switch(name), 1) << name;
    }
    EXPECT_EQ(controls.List("cb_func")->currentIndex(), -1);
    EXPECT_EQ(controls.List("cb_dp")->currentIndex(), -1);
    dialog.tl_writeClick();
    EXPECT_EQ(LastWriteOf(1).at(12), 0x3F);  // bits 6 and 7 dropped
    // A list that shows no item sends the instrument's code unchanged, not -1 as 255.
    EXPECT_EQ(io.instrument->tables.func, 7);
    EXPECT_EQ(io.instrument->tables.dp, 200);
}

struct PaintSeen final : QObject {
    bool seen = false;
    bool eventFilter(QObject*, QEvent* event) override {
        seen = seen || event->type() == QEvent::Paint;
        return false;
    }
};
TEST_F(ParametersDialogTest, EveryShowingReadsOnceItIsPaintedAndZpetClosesWithOk) {
    PaintSeen painted;
    dialog.installEventFilter(&painted);
    bool shownAtRead = false;
    const auto answer = io.fake->onWrite;
    io.fake->onWrite = [&](std::span<const std::uint8_t> request) {
        shownAtRead =
            shownAtRead || (io.fake->writes.size() == 1 && painted.seen && controls.Bar()->isVisible());
        answer(request);
    };
    const auto closeAfterRead = [&](std::size_t reads, QPushButton* button) {
        QTimer::singleShot(0, &dialog, [&, reads, button] {
            EXPECT_TRUE(QTest::qWaitFor([&] { return io.instrument->reads.size() == reads; }));
            button ? button->click() : (void)dialog.close();
        });
    };
    closeAfterRead(4, controls.Button("tl_exit"));
    EXPECT_EQ(dialog.ShowModal(), kModalOk);
    EXPECT_TRUE(shownAtRead);

    io.instrument->tables.scale = 3.0f;
    controls.Edit("ed_scale")->setText("9");
    closeAfterRead(8, nullptr);
    EXPECT_EQ(dialog.ShowModal(), kModalCancel);
    EXPECT_EQ(io.instrument->reads.size(), 8u);
    EXPECT_EQ(controls.Edit("ed_scale")->text(), "3,000000");
    EXPECT_TRUE(io.instrument->writes.empty());
}

TEST_F(ParametersDialogTest, ControlsCarryTheirCaptionsAndTheKeyboardRunsThroughThemInOrder) {
    const auto labels = dialog.findChildren<QLabel*>();
    QStringList order;
    for (const char* name : {"cb_func", "cb_dp", "cb_factor", "ed_scale", "ed_offset", "ed_sp_lo", "ed_sp_hi",
                             "ed_hyster", "ed_an_lo", "ed_an_hi", "ed_filtr"}) {
        auto* control = controls.Get<QWidget>(QString::fromLatin1(name));
        order << name;
        EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [control](QLabel* label) {
            return label->buddy() == control && label->text() == control->accessibleName();
        })) << name;
    }
    EXPECT_EQ(controls.Edit("ed_scale")->accessibleName(), "SCALE");
    EXPECT_EQ(controls.Get<QGroupBox>("rg_aout")->accessibleName(), "Analogový výstup");
    order << "rg_aout_0"
          << "rg_time_out_0";

    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    controls.List("cb_func")->setFocus();
    QStringList visited{QApplication::focusWidget()->objectName()};
    while (visited.size() < order.size()) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(visited, order);
    dialog.hide();
}

// A file in the test's temporary folder, removed when the test ends.
class ScratchFile {
public:
    explicit ScratchFile(const char* name)
        : path_(::testing::TempDir() + "/zt30-dialog-" + std::to_string(QCoreApplication::applicationPid()) +
                "-" + name) {
        std::remove(path_.c_str());
    }
    ~ScratchFile() { std::remove(path_.c_str()); }
    const std::string& Path() const { return path_; }
    void Write(const std::string& text) const { std::ofstream(path_, std::ios::binary) << text; }
    std::string Read() const {
        std::ifstream file(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

private:
    std::string path_;
};

TEST_F(ParametersDialogTest, SaveChecksTheControlsAsWriteDoesAndSavesThemWithoutSendingAnything) {
    const std::string type = "ZANTOR 30";
    std::copy(type.begin(), type.end(), io.link->image.identType.begin());
    dialog.tl_readClick();
    controls.Edit("ed_scale")->setText("2,5");
    controls.Edit("ed_filtr")->setText("123");
    controls.Choose("rg_aout", 0);
    const std::size_t requests = io.fake->writes.size();
    const ScratchFile file("saved.ini");
    io.ui.fileAnswers = {file.Path()};
    dialog.tl_saveClick();

    EXPECT_TRUE(io.ui.messages.empty());
    ASSERT_EQ(io.ui.saveDialogs.size(), 1u);
    EXPECT_EQ(io.ui.saveDialogs[0].title, "Uložit parametry");
    EXPECT_EQ(io.ui.saveDialogs[0].filter, "Parametry ZANTOR 30 [*.ini]|*.ini|Všechny soubory [*.*]|*");
    EXPECT_TRUE(io.ui.saveDialogs[0].confirmOverwrite);
    EXPECT_EQ(io.fake->writes.size(), requests);
    const ParamFileRead read = ReadParamFile(file.Read());
    ASSERT_TRUE(read.file) << ParamFileErrorText(read.error);
    EXPECT_EQ(read.file->origin.type, "ZANTOR 30");
    EXPECT_EQ(read.file->origin.address, 1);
    EXPECT_EQ(read.file->origin.saved.size(), 19u);
    DeviceImage saved;
    ApplyParamFile(*read.file, saved);
    EXPECT_EQ(saved.func, 2);
    EXPECT_EQ(saved.config, 0x01);
    EXPECT_EQ(saved.filtr, 123);
    EXPECT_EQ(saved.scale, 2.5f);
    EXPECT_EQ(saved.sp_lo, 1234.5677490234375f);  // the shown text reads back as the instrument's float
    EXPECT_EQ(io.link->image.scale, 1.0f);        // the image keeps what the instrument sent

    // A rejected entry shows its box as for "Zápis", and no file is asked for.
    controls.Edit("ed_offset")->setText("x");
    dialog.tl_saveClick();
    ASSERT_EQ(io.ui.messages.size(), 1u);
    EXPECT_EQ(io.ui.messages[0].text, "Je nutné zadávat pouze čísla nebo desetinnou čárku");
    EXPECT_EQ(io.ui.saveDialogs.size(), 1u);
}

TEST_F(ParametersDialogTest, LoadFillsOnlyTheNamedControlsAndWriteThenSendsTheFilesValuesExactly) {
    dialog.tl_readClick();
    controls.Edit("ed_offset")->setText("5");  // the operator's own entry, which the file does not name
    const std::size_t requests = io.fake->writes.size();
    const ScratchFile file("partial.ini");
    file.Write("[PARAMETRY]\nSCALE = 0.1234567\nAN.HI = 16\nFUNC = rate\nAOUT = 0\nFILTR = 42\n");
    io.ui.fileAnswers = {file.Path()};
    dialog.tl_loadClick();

    EXPECT_TRUE(io.ui.messages.empty());
    ASSERT_EQ(io.ui.openDialogs.size(), 1u);
    EXPECT_EQ(io.ui.openDialogs[0].title, "Načíst parametry");
    EXPECT_EQ(io.fake->writes.size(), requests);
    EXPECT_EQ(controls.Edit("ed_scale")->text(), "0,1234567");  // six decimals would lose a digit
    EXPECT_EQ(controls.Edit("ed_an_hi")->text(), "16,000000");
    EXPECT_EQ(controls.Edit("ed_offset")->text(), "5");
    EXPECT_EQ(controls.Edit("ed_filtr")->text(), "42");
    EXPECT_EQ(controls.List("cb_func")->currentIndex(), 1);
    EXPECT_EQ(controls.Switch("rg_aout"), 0);
    EXPECT_EQ(controls.Switch("rg_vstup"), 1);

    dialog.tl_writeClick();
    EXPECT_EQ(io.instrument->tables.scale, 0.1234567f);
    EXPECT_EQ(io.instrument->tables.offset, 5.0f);
    EXPECT_EQ(io.instrument->tables.config, 0x01);
    EXPECT_EQ(io.instrument->tables.func, 1);
}

TEST_F(ParametersDialogTest, WriteAsksFirstNamingWhatWasNotReadAndNoSendsNothing) {
    io.instrument->silentReads = {1, 3};
    dialog.tl_readClick();
    const ScratchFile file("table3.ini");
    file.Write("[PARAMETRY]\nSP.LO = 1\nSP.HI = 2\nHYSTER = 0.5\n");
    io.ui.fileAnswers = {file.Path()};
    dialog.tl_loadClick();
    io.ui.answers = {MessageAnswer::No, MessageAnswer::Yes};
    dialog.tl_writeClick();
    EXPECT_EQ(io.ui.messages.back(),
              (RecordedMessage{"Parametry FUNC, DP, FACTOR, FILTR, CONFIG nebyly přečteny z "
                               "přístroje ani načteny ze souboru.\nOpravdu chceš do přístroje "
                               "zapsat i jejich zobrazené hodnoty?",
                               "Dotaz", MessageIcon::Question, MessageButtons::YesNo}));
    EXPECT_TRUE(io.instrument->writes.empty());
    EXPECT_EQ(io.link->image.sp_lo, 0.0f);  // nothing sent, nothing collected
    dialog.tl_writeClick();                 // Yes
    EXPECT_EQ(io.instrument->writes, (std::vector<int>{1, 2, 3, 4}));
    dialog.tl_writeClick();  // what was written is known: no question
    EXPECT_EQ(io.ui.messages.size(), 3u);
}

TEST_F(ParametersDialogTest, ARefusedOrUnwritableFileIsReportedAndChangesNothing) {
    dialog.tl_readClick();
    const ScratchFile file("bad.ini");
    file.Write("[PARAMETRY]\nSCALE = 3\nFUNC = 9\n");
    io.ui.fileAnswers = {file.Path(), std::nullopt, ::testing::TempDir() + "/no-such-folder/x.ini"};
    dialog.tl_loadClick();
    dialog.tl_loadClick();  // cancelled
    dialog.tl_saveClick();

    ASSERT_EQ(io.ui.messages.size(), 2u);
    EXPECT_EQ(
        io.ui.messages[0],
        (RecordedMessage{"Soubor " + file.Path() +
                             " nelze načíst: řádek 3: „9“ není platná hodnota FUNC: platné jsou 0 TOTAL "
                             "(čítač), 1 RATE (kmitočtoměr), 2 FLOMIN (průtokoměr), 3 FLOHOD (průtokoměr)",
                         "CHYBA", MessageIcon::Error, MessageButtons::Ok}));
    EXPECT_EQ(io.ui.messages[1],
              (RecordedMessage{"Soubor " + ::testing::TempDir() + "/no-such-folder/x.ini nelze uložit",
                               "CHYBA", MessageIcon::Error, MessageButtons::Ok}));
    EXPECT_EQ(controls.Edit("ed_scale")->text(), "1,000000");
    EXPECT_EQ(controls.List("cb_func")->currentIndex(), 2);
}

TEST_F(ParametersDialogTest, TheFileButtonsStandBesideReadAndWrite) {
    EXPECT_EQ(controls.Button("tl_save")->text(), "Uložit...");
    EXPECT_EQ(controls.Button("tl_load")->text(), "Načíst...");
    EXPECT_EQ(controls.Button("tl_load")->accessibleName(), "Načíst...");
    dialog.layout()->activate();
    const char* row[] = {"tl_read", "tl_write", "tl_save", "tl_load", "tl_exit"};
    for (std::size_t i = 1; i < std::size(row); ++i) {
        EXPECT_LT(controls.Button(row[i - 1])->x(), controls.Button(row[i])->x()) << row[i];
        EXPECT_EQ(controls.Button(row[i - 1])->y(), controls.Button(row[i])->y()) << row[i];
    }
    EXPECT_TRUE(controls.Button("tl_exit")->isDefault());
    EXPECT_LE(dialog.sizeHint().height(), 570);  // a 600 pixels high screen holds it with its title bar
}

#ifdef ZT30_SIM_PATH
// The simulator refuses the write of table 3 (the 7th request after the four reads and the writes of tables 1
// and 2) and ignores the protocol's re-send of it.
TEST(ParametersDialogAgainstSimulator, OnlyTheFailedTableKeepsItsOldValues) {
    test::SimLink sim({"--fault", "nak@7", "--fault", "none@8"});
    ASSERT_TRUE(sim.opened);
    TForm_menu dialog(sim.link, sim.ui, ',');
    DialogControls controls(dialog);
    dialog.tl_readClick();
    ASSERT_TRUE(sim.ui.messages.empty()) << sim.ui.messages[0].text;
    const QString oldSpLo = controls.Edit("ed_sp_lo")->text();

    controls.List("cb_func")->setCurrentIndex(1);
    controls.Edit("ed_scale")->setText("2,5");
    controls.Edit("ed_sp_lo")->setText("77");
    controls.Edit("ed_an_hi")->setText("16");
    dialog.tl_writeClick();
    EXPECT_EQ(sim.ui.messages, std::vector<RecordedMessage>{kWriteFailed});

    dialog.tl_readClick();
    EXPECT_EQ(sim.ui.messages.size(), 1u);
    EXPECT_EQ(controls.List("cb_func")->currentIndex(), 1);
    EXPECT_EQ(controls.Edit("ed_scale")->text(), "2,500000");
    EXPECT_EQ(controls.Edit("ed_sp_lo")->text(), oldSpLo);
    EXPECT_EQ(controls.Edit("ed_an_hi")->text(), "16,000000");
    const auto requests = sim.sim.WaitForRequests(13, 2000);
    ASSERT_EQ(requests.size(), 13u);
    EXPECT_EQ(requests[8][8], 4);  // the write of table 4 came after the failed one
}
#endif

}  // namespace
}  // namespace zt30
