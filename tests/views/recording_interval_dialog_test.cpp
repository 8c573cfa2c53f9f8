// The recording interval dialog offscreen: the interval from the store, rejected entries, and a confirmed
// interval in the settings file on disk before the dialog returns. Storno and the status text: with the
// whole program.
#include "views/recording_interval_dialog.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "support/memory_settings_backend.h"
#include "support/ui_recorder.h"
#include "views/ini_file_backend_qt.h"
#include "views/settings_store.h"

namespace zt30 {
namespace {

class RejectedIntervalTest : public ::testing::TestWithParam<const char*> {};

TEST_P(RejectedIntervalTest, ShowsTheEntryErrorAndPutsSixtyInTheEdit) {
    test::UiRecorder ui;
    auto backend = std::make_unique<MemorySettingsBackend>();
    MemorySettingsBackend& memory = *backend;
    memory.Plant("ZAZNAM", "SOUBOR", ValueQuery{ValueQuery::Kind::Text, "-5"});
    SettingsStore store(std::move(backend), ui);
    Tfile_sampling dialog(store, ui);
    EXPECT_EQ(dialog.Interval(), -5);  // a stored value is taken unchecked
    dialog.show();
    dialog.FormShow();
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("ed_zaznam"));
    EXPECT_EQ(edit->text(), "-5");
    edit->setText(QString::fromUtf8(GetParam()));
    dialog.tl_okClick();
    EXPECT_EQ(ui.messages,
              (std::vector<test::RecordedMessage>{{"Je nutné zadávat pouze celá čísla větší než 0", "CHYBA",
                                                   MessageIcon::Exclamation, MessageButtons::Ok}}));
    EXPECT_EQ(edit->text(), "60");
    EXPECT_EQ(dialog.focusWidget(), edit);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.Interval(), -5);
    EXPECT_TRUE(memory.writes.empty());

    dialog.tl_okClick();  // OK on that "60" stores 60
    EXPECT_EQ(dialog.Interval(), 60);
    EXPECT_EQ(memory.Text("ZAZNAM", "SOUBOR"), "60");
    EXPECT_EQ(dialog.result(), kModalOk);
}

INSTANTIATE_TEST_SUITE_P(Entries, RejectedIntervalTest,
                         ::testing::Values("0", "-1", "", "abc", "12a", "1.5", "2147483648"));

TEST(RecordingIntervalDialog, EnterStoresTheIntervalOnDiskBeforeTheDialogReturns) {
    test::UiRecorder ui;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("OrvZT30.ini"));
    SettingsStore store(std::make_unique<IniFileSettingsBackend>(path), ui);
    Tfile_sampling dialog(store, ui);
    EXPECT_EQ(dialog.Interval(), 60);
    QByteArray onDisk;
    QObject::connect(&dialog, &QDialog::finished, [&] {
        QFile file(path);
        onDisk = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    });
    QTimer::singleShot(0, &dialog, [&] {
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("ed_zaznam"));
        EXPECT_EQ(edit->text(), "60");
        edit->setText(QStringLiteral("1"));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_EQ(dialog.ShowModal(), kModalOk);
    EXPECT_EQ(onDisk, "[ZAZNAM]\nSOUBOR=1\n");
    EXPECT_EQ(dialog.Interval(), 1);
}

}  // namespace
}  // namespace zt30
