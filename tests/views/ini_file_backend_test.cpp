// The settings store over the real settings file, in a temporary configuration folder: files edited by hand,
// changes made meanwhile, and files that cannot be read or written.
#include "views/ini_file_backend_qt.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "link/com_ports.h"
#include "support/ui_recorder.h"
#include "views/graph_settings.h"
#include "views/settings_backend_qt.h"

namespace zt30 {
namespace {

using test::RecordedMessage;
using test::UiRecorder;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

// Switches CAP_DAC_OVERRIDE in the effective set on or off; it stays permitted, so it can be raised again.
bool SetDacOverride(bool on) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    constexpr std::uint32_t kBit = 1u << CAP_DAC_OVERRIDE;
    data[0].effective = on ? (data[0].effective | kBit) : (data[0].effective & ~kBit);
    return syscall(SYS_capset, &header, data) == 0;
}

class QtSettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        SetConfigHome(temp.path() + "/config");
    }

    void SetConfigHome(const QString& folder) {
        configHome = folder;
        ASSERT_EQ(setenv("XDG_CONFIG_HOME", folder.toLocal8Bit().constData(), 1), 0);
        iniPath = configHome + "/OrvZT30.ini";
    }

    std::unique_ptr<SettingsStore> OpenStore(UiRecorder& recorder) {
        return std::make_unique<SettingsStore>(MakeSystemSettingsBackend(), recorder);
    }

    QTemporaryDir temp;
    QString configHome;
    QString iniPath;
    UiRecorder ui;
};

TEST_F(QtSettingsStoreTest, FileLivesInTheUsersConfigurationFolderElseInHome) {
    EXPECT_EQ(SettingsFilePath(), iniPath);
    const QByteArray home = qgetenv("HOME");
    ASSERT_EQ(unsetenv("XDG_CONFIG_HOME"), 0);
    ASSERT_EQ(setenv("HOME", "/home/u", 1), 0);
    EXPECT_EQ(SettingsFilePath(), "/home/u/.config/OrvZT30.ini");
    ASSERT_EQ(setenv("HOME", home.constData(), 1), 0);
}

TEST_F(QtSettingsStoreTest, EmptyStoreGivesDefaultsAndCreatesNoFile) {
    auto store = OpenStore(ui);
    EXPECT_TRUE(store->IsOpen());
    for (const IntSetting& setting : settings::kAll) {
        EXPECT_EQ(store->readInt(setting), setting.defaultValue) << setting.name;
    }
    EXPECT_FALSE(QFile::exists(iniPath));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(QtSettingsStoreTest, EveryValueRoundTripsThroughTheFile) {
    const std::int32_t values[] = {-3,        0, 1080,  1920,   255, static_cast<std::int32_t>(0x8000000Fu),
                                   INT32_MIN, 0, 100,   100000, -5,  126,
                                   INT32_MAX, 8, 256000};
    static_assert(std::size(values) == std::size(settings::kAll));
    {
        auto store = OpenStore(ui);
        for (std::size_t i = 0; i < std::size(values); ++i) {
            ASSERT_TRUE(store->writeInt(settings::kAll[i], values[i]));
        }
        // Each write is on disk at once, before the store is closed.
        EXPECT_TRUE(ReadAll(iniPath).contains("MRIZ=-2147483633"));
    }
    const QByteArray text = ReadAll(iniPath);
    for (const char* section : {"[DESKTOP]", "[GRAF]", "[ZAZNAM]", "[ADRESA]", "[PORT]"}) {
        EXPECT_TRUE(text.contains(section)) << section;
    }
    EXPECT_TRUE(text.contains("SOUBOR=-5"));
    UiRecorder second;
    auto store = OpenStore(second);
    for (std::size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(store->readInt(settings::kAll[i]), values[i]) << settings::kAll[i].name;
    }
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(second.messages.empty());
}

TEST_F(QtSettingsStoreTest, TextThatIsNoIntegerReadsAsDefault) {
    WriteAll(iniPath, "[ZAZNAM]\nSOUBOR=-5\n[GRAF]\nPOCET=abc\nR3D=\nPERO=99999999999\n[PORT]\nCOM=4\n");
    auto store = OpenStore(ui);
    EXPECT_EQ(store->readInt(settings::kInterval), -5);
    EXPECT_EQ(store->readInt(settings::kGraphPoints), 200);
    EXPECT_EQ(store->readInt(settings::kGraph3DPercent), 35);
    EXPECT_EQ(store->readInt(settings::kPenColor), 255);
    EXPECT_EQ(store->readInt(settings::kBaudRate), 9600);
    EXPECT_EQ(store->readInt(settings::kPortNumber), 4);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(QtSettingsStoreTest, ValueThatIsNotUtf8IsTheReadErrorAndStopsTheLaterReads) {
    WriteAll(iniPath, "[GRAF]\nPERO=4\nMRIZ=-2147483633\xFF\nPOZADI=7\nG3D=0\n");
    auto store = OpenStore(ui);
    SettingsSequence sequence(*store);
    GraphSettings graph;
    LoadGraphSettings(sequence, graph);
    EXPECT_EQ(ui.messages, (std::vector<RecordedMessage>{{"Invalid data type for 'MRIZ'", "ZT-30",
                                                          MessageIcon::Error, MessageButtons::Ok}}));
    EXPECT_EQ(graph.penColor, 4u);
    EXPECT_EQ(graph.borderColor, 0x8000000Fu);  // POZADI=7 was not read
    EXPECT_TRUE(graph.graph3D);                 // G3D=0 was not read
}

TEST_F(QtSettingsStoreTest, HandEditedFileIsWrittenWithoutErrorAndKeepsEveryLine) {
    WriteAll(iniPath,
             "\xEF\xBB\xBF# my settings\r\n"
             "[devices]\r\n"
             "COM1 = /dev/ttyUSB0   ; the adapter on the left\r\n"
             "a note without an equals sign\r\n"
             "\r\n"
             "[GRAF]\r\n"
             "; red points\r\n"
             "PERO = 255\r\n"
             "G3D=0\r\n");
    auto store = OpenStore(ui);
    SettingsSequence load(*store);
    GraphSettings graph;
    LoadGraphSettings(load, graph);
    EXPECT_FALSE(graph.graph3D);
    graph.graph3D = true;
    graph.graphPoints = 1000;
    SettingsSequence save(*store);
    EXPECT_TRUE(SaveGraphSettings(save, graph));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ReadAll(iniPath),
              "\xEF\xBB\xBF# my settings\r\n"
              "[devices]\r\n"
              "COM1 = /dev/ttyUSB0   ; the adapter on the left\r\n"
              "a note without an equals sign\r\n"
              "\r\n"
              "[GRAF]\r\n"
              "; red points\r\n"
              "PERO = 255\r\n"
              "G3D=1\r\n"
              "MRIZ=-2147483633\r\n"
              "POZADI=-2147483633\r\n"
              "R3D=35\r\n"
              "POCET=1000\r\n");
    // No comment after a value: the whole rest of the line is the path.
    EXPECT_EQ(store->DeviceLookup()(1), "/dev/ttyUSB0   ; the adapter on the left");
}

TEST_F(QtSettingsStoreTest, WhatChangedInTheFileMeanwhileStays) {
    WriteAll(iniPath, "[DESKTOP]\nLeft=1\n");
    auto store = OpenStore(ui);
    EXPECT_EQ(store->readInt(settings::kLeft), 1);
    WriteAll(iniPath, "[DESKTOP]\nLeft=2\n[DEVICES]\nCOM2=/dev/pts/3\n");
    EXPECT_TRUE(store->writeInt(settings::kTop, 50));
    EXPECT_EQ(ReadAll(iniPath), "[DESKTOP]\nLeft=2\nTop=50\n[DEVICES]\nCOM2=/dev/pts/3\n");
    EXPECT_EQ(store->readInt(settings::kLeft), 2);
}

TEST_F(QtSettingsStoreTest, LinkedFileIsWrittenThroughItsLinkWithItsPermissions) {
    const QString target = temp.path() + "/dotfiles/zt30.ini";
    WriteAll(target, "[PORT]\nCOM=2\n");
    ASSERT_TRUE(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner));
    const QFile::Permissions permissions = QFile::permissions(target);
    ASSERT_TRUE(QDir().mkpath(configHome));
    ASSERT_TRUE(QFile::link(target, iniPath));
    auto store = OpenStore(ui);
    EXPECT_TRUE(store->writeInt(settings::kBaudRate, 19200));
    EXPECT_TRUE(QFileInfo(iniPath).isSymLink());
    EXPECT_EQ(ReadAll(target), "[PORT]\nCOM=2\nBAUDRATE=19200\n");
    EXPECT_EQ(QFile::permissions(target), permissions);
}

TEST_F(QtSettingsStoreTest, AFileAtTheSizeLimitIsNeverWrittenPastIt) {
    QByteArray full = "[DESKTOP]\nLeft=3\n;";
    full += QByteArray(IniFileSettingsBackend::kMaxFileBytes - full.size() - 1, '#') + '\n';
    WriteAll(iniPath, full);
    auto store = OpenStore(ui);
    EXPECT_EQ(store->readInt(settings::kLeft), 3);
    EXPECT_FALSE(store->writeInt(settings::kTop, 50));
    EXPECT_EQ(ui.messages, (std::vector<RecordedMessage>{{"Failed to set data for 'Top'", "ZT-30",
                                                          MessageIcon::Error, MessageButtons::Ok}}));
    EXPECT_EQ(ReadAll(iniPath), full);
    // A value that keeps the size still goes in, and the file still opens.
    EXPECT_TRUE(store->writeInt(settings::kLeft, 4));
    UiRecorder second;
    EXPECT_EQ(OpenStore(second)->readInt(settings::kLeft), 4);
    EXPECT_TRUE(second.messages.empty());
}

TEST_F(QtSettingsStoreTest, DevicePathsComeFromTheDevicesSection) {
    WriteAll(iniPath, "[DEVICES]\nCOM2=/dev/pts/7\n");
    auto store = OpenStore(ui);
    EXPECT_EQ(DevicePathForPort(2, store->DeviceLookup()), "/dev/pts/7");
    EXPECT_EQ(DevicePathForPort(1, store->DeviceLookup()), "/dev/ttyS0");
}

// How the settings file is made unwritable. A read-only folder does not stop a privileged process; a file
// size limit (as a full disk) stops everyone.
enum class Blocker { ReadOnlyFolder, FileSizeLimit };

class WriteFailureTest : public QtSettingsStoreTest, public ::testing::WithParamInterface<Blocker> {
protected:
    void Block() {
        if (GetParam() == Blocker::ReadOnlyFolder) {
            ASSERT_TRUE(QFile::setPermissions(configHome, QFile::ReadOwner | QFile::ExeOwner));
            // Root passes folder permissions by CAP_DAC_OVERRIDE: take it out of the effective set for the
            // test.
            droppedOverride = geteuid() == 0 && SetDacOverride(false);
            QFile probe(configHome + "/probe");
            if (probe.open(QIODevice::WriteOnly)) {
                probe.remove();
                Unblock();
                GTEST_SKIP() << "a read-only folder does not stop this process (privileged)";
            }
        } else {
            std::signal(SIGXFSZ, SIG_IGN);
            ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &savedLimit), 0);
            rlimit limit = savedLimit;
            limit.rlim_cur = static_cast<rlim_t>(QFileInfo(iniPath).size());
            ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        }
        blocked = true;
    }

    void Unblock() {
        if (GetParam() == Blocker::ReadOnlyFolder) {
            if (droppedOverride) {
                SetDacOverride(true);
                droppedOverride = false;
            }
            QFile::setPermissions(configHome, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        } else if (blocked) {
            setrlimit(RLIMIT_FSIZE, &savedLimit);
        }
        blocked = false;
    }

    void TearDown() override { Unblock(); }

    bool blocked = false;
    bool droppedOverride = false;
    rlimit savedLimit{};
};

TEST_P(WriteFailureTest, EarlierWritesStayAndTheFileStaysWhole) {
    auto store = OpenStore(ui);
    {
        SettingsSequence sequence(*store);
        ASSERT_TRUE(sequence.writeInt(settings::kTop, 50));
        ASSERT_TRUE(sequence.writeInt(settings::kLeft, 60));
    }
    const QByteArray before = ReadAll(iniPath);
    ASSERT_FALSE(before.isEmpty());

    Block();
    if (IsSkipped()) {
        return;
    }
    SettingsSequence sequence(*store);
    GraphSettings graph;
    graph.penColor = 0x123456;
    EXPECT_FALSE(SaveGraphSettings(sequence, graph));
    EXPECT_EQ(ui.messages, (std::vector<RecordedMessage>{{"Failed to set data for 'PERO'", "ZT-30",
                                                          MessageIcon::Error, MessageButtons::Ok}}));
    EXPECT_EQ(ReadAll(iniPath), before);
    EXPECT_EQ(QDir(configHome).entryList(QDir::Files | QDir::Hidden), QStringList{"OrvZT30.ini"});
    Unblock();

    UiRecorder second;
    auto reopened = OpenStore(second);
    EXPECT_EQ(reopened->readInt(settings::kTop), 50);
    EXPECT_EQ(reopened->readInt(settings::kLeft), 60);
    EXPECT_EQ(reopened->readInt(settings::kPenColor), 255);

    // Once the folder can be written again, the store writes again, without the value reported as failed.
    EXPECT_TRUE(store->writeInt(settings::kGraphPoints, 500));
    const QByteArray after = ReadAll(iniPath);
    EXPECT_TRUE(after.contains("POCET=500"));
    EXPECT_TRUE(after.contains("Top=50"));
    EXPECT_FALSE(after.contains("PERO"));
}

INSTANTIATE_TEST_SUITE_P(Blockers, WriteFailureTest,
                         ::testing::Values(Blocker::ReadOnlyFolder, Blocker::FileSizeLimit),
                         [](const auto& info) {
                             return info.param == Blocker::ReadOnlyFolder ? "ReadOnlyFolder"
                                                                          : "FileSizeLimit";
                         });

TEST_F(QtSettingsStoreTest, FolderThatCannotBeCreatedIsAWriteFailure) {
    const QString notAFolder = temp.path() + "/plain-file";
    WriteAll(notAFolder, "keep");
    SetConfigHome(notAFolder + "/config");
    auto store = OpenStore(ui);
    SettingsSequence sequence(*store);
    EXPECT_FALSE(sequence.writeInt(settings::kInterval, 30));
    EXPECT_FALSE(sequence.writeInt(settings::kBaudRate, 19200));
    EXPECT_EQ(ui.messages, (std::vector<RecordedMessage>{{"Failed to set data for 'SOUBOR'", "ZT-30",
                                                          MessageIcon::Error, MessageButtons::Ok}}));
    EXPECT_EQ(ReadAll(notAFolder), "keep");
}

// How the file is made unreadable: none of them may ever be written over.
enum class Unreadable { TooLarge, Folder, Pipe, Utf16 };

class UnreadableFileTest : public QtSettingsStoreTest, public ::testing::WithParamInterface<Unreadable> {};

TEST_P(UnreadableFileTest, IsNeverOverwrittenAndTheStoreOpensOnceItIsRepaired) {
    ASSERT_TRUE(QDir().mkpath(configHome));
    switch (GetParam()) {
        case Unreadable::TooLarge: {
            WriteAll(iniPath, "[DESKTOP]\nLeft=3\n");
            ASSERT_TRUE(QFile::resize(iniPath, IniFileSettingsBackend::kMaxFileBytes + 1));
            break;
        }
        case Unreadable::Folder:
            ASSERT_TRUE(QDir().mkpath(iniPath));
            break;
        case Unreadable::Pipe:
            ASSERT_EQ(mkfifo(iniPath.toLocal8Bit().constData(), 0600), 0);
            break;
        case Unreadable::Utf16:
            WriteAll(iniPath, QByteArray("\xFF\xFE[\0D\0E\0S\0K\0T\0O\0P\0]\0", 20));
            break;
    }
    const QFileInfo before(iniPath);
    auto store = OpenStore(ui);
    EXPECT_FALSE(store->IsOpen());
    EXPECT_EQ(store->readInt(settings::kLeft), 192);
    EXPECT_FALSE(store->writeInt(settings::kLeft, 10));
    EXPECT_EQ(ui.messages, (std::vector<RecordedMessage>{{"Failed to create key OrvZT30.", "ZT-30",
                                                          MessageIcon::Error, MessageButtons::Ok}}));
    const QFileInfo after(iniPath);
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(after.isDir(), before.isDir());
    EXPECT_EQ(after.isFile(), before.isFile());

    // Once the file is repaired, the store opens and writes again.
    if (GetParam() == Unreadable::Folder) {
        ASSERT_TRUE(QDir(iniPath).removeRecursively());
    } else {
        ASSERT_TRUE(QFile::remove(iniPath));
    }
    WriteAll(iniPath, "[DESKTOP]\nLeft=3\n");
    EXPECT_TRUE(store->writeInt(settings::kTop, 10));
    EXPECT_EQ(store->readInt(settings::kLeft), 3);
    EXPECT_EQ(ui.messages.size(), 1u);
}

std::string NameOf(const ::testing::TestParamInfo<Unreadable>& info) {
    constexpr const char* kNames[] = {"TooLarge", "Folder", "Pipe", "Utf16"};
    return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Kinds, UnreadableFileTest,
                         ::testing::Values(Unreadable::TooLarge, Unreadable::Folder, Unreadable::Pipe,
                                           Unreadable::Utf16),
                         NameOf);

}  // namespace
}  // namespace zt30
