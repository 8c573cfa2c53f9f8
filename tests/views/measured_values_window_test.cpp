// The measured-values window offscreen, fed as the reading cycle feeds it: the record file's exact bytes in a
// temporary folder, its failure box once per outage, the lines left at the end, the regional texts, and the
// grid a person scrolls.
#include "views/measured_values_window.h"

#include <gtest/gtest.h>

#include <QApplication>
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

using test::RecordedMessage;

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

class MeasuredValuesWindowTest : public ::testing::Test {
protected:
    void Make(const RegionalSettings& regional = RegionalSettings{',', "dd.MM.yy", "H:mm:ss"}) {
        grid = std::make_unique<TGridMeas>(ui, regional, MakeSystemRecordFileSystem());
    }
    void Record(const QString& path) {
        recordFile = path;
        grid->startRecord(interval, path.toStdString());
    }
    // One call a second with the value text "v<n>"; the boxes it calls for come from the event loop.
    void Sample(int n) {
        clock.AdvanceMs(1000);
        grid->addSample("v" + std::to_string(n), "100,000", clock.Now().local, interval);
        QApplication::processEvents();
    }
    void WriteFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir folder;
    test::UiRecorder ui;
    test::FakeWallClock clock{QDateTime(QDate(2026, 3, 2), QTime(9, 5, 7))};
    std::int32_t interval = 1;
    QString recordFile;
    std::unique_ptr<TGridMeas> grid;
};

TEST_F(MeasuredValuesWindowTest, EachSampleIsAppendedOnceFromTheRowJustFilled) {
    const QString path = folder.filePath(QStringLiteral("záznam.txt"));
    WriteFile(path, "stary radek\r\n");
    Make();
    interval = 2;
    // Recording off: the table fills, no file is touched or created.
    Sample(1);
    Sample(2);
    EXPECT_EQ(grid->Table().FilledRows(), 1);
    EXPECT_EQ(ReadFile(path), "stary radek\r\n");

    Record(path);  // the next call samples at once
    for (int n = 3; n <= 7; ++n) {
        Sample(n);
    }
    EXPECT_EQ(ReadFile(path), QByteArray("stary radek\r\n"
                                         "v3; 100,000; 02.03.26; 9:05:10; \r\n"
                                         "v5; 100,000; 02.03.26; 9:05:12; \r\n"
                                         "v7; 100,000; 02.03.26; 9:05:14; \r\n"));
    EXPECT_EQ(grid->Table().LastRow(), 4);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MeasuredValuesWindowTest, DateAndTimeFollowTheRegionalSettings) {
    const struct {
        QLocale locale;
        const char* line;
    } cases[] = {{QLocale(QLocale::Czech, QLocale::Czechia), "v1; 100,000; 02.03.26; 9:05:08; \r\n"},
                 {QLocale::c(), "v1; 100,000; 2 Mar 2026; 09:05:08; \r\n"}};
    for (const auto& c : cases) {
        Make(RegionalSettingsFor(c.locale));
        Record(folder.filePath(c.locale.name()));
        clock.Set(QDateTime(QDate(2026, 3, 2), QTime(9, 5, 7)));
        Sample(1);
        EXPECT_EQ(ReadFile(recordFile), c.line);
    }
}

TEST_F(MeasuredValuesWindowTest, AFolderThatDisappearsShowsOneBoxPerOutageAndLosesNoLine) {
    QDir top(folder.path());
    ASSERT_TRUE(top.mkdir(QStringLiteral("data")));
    Make();
    Record(folder.filePath(QStringLiteral("data/z.txt")));
    Sample(1);
    // The folder goes away with the file in it (a drive unplugged), and comes back later.
    ASSERT_TRUE(top.rename(QStringLiteral("data"), QStringLiteral("away")));
    const RecordedMessage cannotOpen{"Nemůže otevřít výstupní soubor", "CHYBA", MessageIcon::Exclamation,
                                     MessageButtons::Ok};
    for (int n = 2; n <= 5; ++n) {
        Sample(n);
    }
    EXPECT_EQ(ui.messages, std::vector<RecordedMessage>{cannotOpen});  // once for the whole outage
    EXPECT_EQ(grid->Recorder().File().KeptLines(), 4u);

    ASSERT_TRUE(top.rename(QStringLiteral("away"), QStringLiteral("data")));
    Sample(6);
    QByteArray expected;
    for (int i = 1; i <= 6; ++i) {
        expected += "v" + QByteArray::number(i) +
                    "; 100,000; 02.03.26; 9:05:" + QByteArray::number(7 + i).rightJustified(2, '0') +
                    "; \r\n";
    }
    EXPECT_EQ(ReadFile(recordFile), expected);  // each sample once, in the order taken
}

TEST_F(MeasuredValuesWindowTest, LinesLeftAtTheEndGoToAnotherFileOrAreReportedLost) {
    Make();
    Record(folder.filePath(QStringLiteral("gone/z.txt")));
    Sample(1);
    Sample(2);
    // No: the operator is told how many lines are lost; Yes, a cancelled dialog, Yes, a file: written there.
    const std::string question =
        "Výstupní soubor nelze zapsat. Neuložené řádky záznamu: 2\nChceš je uložit do jiného souboru?";
    ui.answers = {MessageAnswer::No};
    grid->FinishRecord();
    EXPECT_EQ(ui.messages.back(),
              (RecordedMessage{question, "Dotaz", MessageIcon::Question, MessageButtons::YesNo}));

    const QString other = folder.filePath(QStringLiteral("jiny.txt"));
    ui.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    ui.fileAnswers = {std::nullopt, other.toStdString()};
    grid->FinishRecord();
    EXPECT_EQ(ui.messages.size(), 4u);
    EXPECT_EQ(ReadFile(other), "v1; 100,000; 02.03.26; 9:05:08; \r\nv2; 100,000; 02.03.26; 9:05:09; \r\n");

    // The folder back before the end: the last attempt writes the lines without a word.
    Sample(3);
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("gone")));
    grid->FinishRecord();
    EXPECT_EQ(ui.messages.size(), 5u);  // the box of the new outage only
    EXPECT_EQ(ReadFile(recordFile), "v3; 100,000; 02.03.26; 9:05:10; \r\n");
}

TEST_F(MeasuredValuesWindowTest, TheGridStaysWhereTheUserScrolledItWhileTheTableMovesUp) {
    Make();
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
