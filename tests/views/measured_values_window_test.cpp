// The measured-values window offscreen, over scripted sources: the record file's exact bytes in a temporary
// folder, its failure box while the folder is gone, the regional texts, and the grid a person scrolls.
#include "views/measured_values_window.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <utility>

#include "config/regional_settings_qt.h"
#include "support/fake_wall_clock.h"
#include "support/ui_recorder.h"

namespace zt30 {
namespace {

struct ScriptedSources final : RecordSources {
    std::string MeasText() override { return meas; }
    std::string SumText() override { return "100,000"; }
    bool Recording() override { return recording; }
    std::string RecordFileName() override { return file.toStdString(); }
    std::int32_t Interval() override { return interval; }
    LocalDateTime Now() override { return clock.Now().local; }

    std::string meas;
    bool recording = true;
    QString file;
    std::int32_t interval = 1;
    test::FakeWallClock clock{QDateTime(QDate(2026, 3, 2), QTime(9, 5, 7))};
};

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

class MeasuredValuesWindowTest : public ::testing::Test {
protected:
    void Make(const RegionalSettings& regional = RegionalSettings{',', "dd.MM.yy", "H:mm:ss"}) {
        grid = std::make_unique<TGridMeas>(ui, regional, MakeSystemRecordFileSystem());
        grid->SetSources(&sources);
    }
    // One call a second with the value text "v<n>".
    void Sample(int n) {
        sources.meas = "v" + std::to_string(n);
        sources.clock.AdvanceMs(1000);
        grid->addSample();
    }
    void WriteFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir folder;
    test::UiRecorder ui;
    ScriptedSources sources;
    std::unique_ptr<TGridMeas> grid;
};

TEST_F(MeasuredValuesWindowTest, EachSampleIsAppendedOnceFromTheRowJustFilled) {
    sources.file = folder.filePath(QStringLiteral("záznam.txt"));
    WriteFile(sources.file, "stary radek\r\n");
    Make();
    sources.interval = 2;
    for (int n = 1; n <= 6; ++n) {
        Sample(n);
    }
    EXPECT_EQ(ReadFile(sources.file), QByteArray("stary radek\r\n"
                                                 "v2; 100,000; 02.03.26; 9:05:09; \r\n"
                                                 "v4; 100,000; 02.03.26; 9:05:11; \r\n"
                                                 "v6; 100,000; 02.03.26; 9:05:13; \r\n"));
    EXPECT_EQ(grid->Table().LastRow(), 3);
    EXPECT_TRUE(ui.messages.empty());

    // Recording off: the table fills, no file is touched or created.
    sources.recording = false;
    const QDateTime modified = QFileInfo(sources.file).lastModified();
    for (const QString& name : {sources.file, folder.filePath(QStringLiteral("jiny.txt"))}) {
        sources.file = name;
        Sample(7);
        Sample(8);
    }
    EXPECT_EQ(grid->Table().FilledRows(), 5);
    EXPECT_EQ(QFileInfo(folder.filePath(QStringLiteral("záznam.txt"))).lastModified(), modified);
    EXPECT_FALSE(QFileInfo::exists(sources.file));
}

TEST_F(MeasuredValuesWindowTest, DateAndTimeFollowTheRegionalSettings) {
    const struct {
        QLocale locale;
        const char* line;
    } cases[] = {{QLocale(QLocale::Czech, QLocale::Czechia), "v1; 100,000; 02.03.26; 9:05:08; \r\n"},
                 {QLocale::c(), "v1; 100,000; 2 Mar 2026; 09:05:08; \r\n"}};
    for (const auto& c : cases) {
        Make(RegionalSettingsFor(c.locale));
        sources.file = folder.filePath(c.locale.name());
        sources.clock.Set(QDateTime(QDate(2026, 3, 2), QTime(9, 5, 7)));
        Sample(1);
        EXPECT_EQ(ReadFile(sources.file), c.line);
    }
}

TEST_F(MeasuredValuesWindowTest, AFolderThatDisappearsShowsOneBoxAtATimeAndLosesNoLine) {
    QDir top(folder.path());
    ASSERT_TRUE(top.mkdir(QStringLiteral("data")));
    sources.file = folder.filePath(QStringLiteral("data/z.txt"));
    Make();
    Sample(1);
    // The folder goes away with the file in it (a drive unplugged), and comes back later.
    ASSERT_TRUE(top.rename(QStringLiteral("data"), QStringLiteral("away")));

    // While the box is open the timer goes on: three samples fail without a box of their own.
    int n = 1;
    bool ranNested = false;
    ui.whileOpen = [&] {
        if (!std::exchange(ranNested, true)) {
            for (int nested = 0; nested < 3; ++nested) {
                Sample(++n);
            }
        }
    };
    Sample(++n);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], (test::RecordedMessage{"Nemůže otevřít výstupní soubor", "CHYBA",
                                                     MessageIcon::Exclamation, MessageButtons::Ok}));
    Sample(++n);  // that box was closed: the next failure shows one again
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(grid->Record().KeptLines(), 5u);

    ASSERT_TRUE(top.rename(QStringLiteral("away"), QStringLiteral("data")));
    Sample(++n);
    QByteArray expected;
    for (int i = 1; i <= 7; ++i) {
        expected += "v" + QByteArray::number(i) +
                    "; 100,000; 02.03.26; 9:05:" + QByteArray::number(7 + i).rightJustified(2, '0') +
                    "; \r\n";
    }
    EXPECT_EQ(ReadFile(sources.file), expected);  // each sample once, in the order taken
    EXPECT_EQ(ui.messages.size(), 2u);
}

TEST_F(MeasuredValuesWindowTest, TheGridStaysWhereTheUserScrolledItWhileTheTableMovesUp) {
    Make();
    sources.recording = false;
    auto* view = grid->findChild<QTableView*>(QStringLiteral("Grid"));
    ASSERT_NE(view, nullptr);
    QAbstractItemModel& model = *view->model();
    EXPECT_EQ(model.rowCount(), 399);
    QStringList headings;
    for (int column = 0; column < model.columnCount(); ++column) {
        headings << model.headerData(column, Qt::Horizontal).toString();
        EXPECT_EQ(view->columnWidth(column), 80);
    }
    EXPECT_EQ(headings, QStringList({"Naměřená", "SUMA", "datum", "čas"}));
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);

    grid->show();
    for (int n = 1; n <= 399; ++n) {
        Sample(n);
    }
    view->verticalScrollBar()->setValue(100);
    const int topRow = view->rowAt(0);
    const QString before = model.index(topRow, 0).data().toString();
    Sample(400);
    EXPECT_EQ(view->verticalScrollBar()->value(), 100);
    EXPECT_EQ(view->rowAt(0), topRow);
    EXPECT_EQ(model.index(topRow, 0).data().toString(), "v" + QString::number(before.mid(1).toInt() + 1));
    EXPECT_EQ(model.index(398, 0).data().toString(), "v400");
}

}  // namespace
}  // namespace zt30
