// The file writer over a real temporary folder: a file is replaced whole with its mode and owner kept, and
// whatever stands in its place that is not a regular file (a link, a folder, a FIFO, a device node) is
// refused with nothing touched; no failure leaves a temporary file behind.
#include "base/file_by_rename.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <csignal>
#endif

namespace zt30 {
namespace {

namespace fs = std::filesystem;

class FileByRenameTest : public ::testing::Test {
protected:
    FileByRenameTest() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::path(::testing::TempDir()) /
                 ("zt30-rename-" + std::to_string(std::random_device{}()) + '-' + test->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        file = (folder / "a.ini").string();
    }
    ~FileByRenameTest() override { fs::remove_all(folder); }

    static std::string Text(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void Put(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    fs::path folder;
    std::string file;
};

TEST_F(FileByRenameTest, ReplacesAFileWholeAndRefusesAFolderInItsPlace) {
    EXPECT_EQ(WriteFileByRename(file, "first"), FileWriteResult::Written);
    EXPECT_EQ(WriteFileByRename(file, std::string(100000, 'x')), FileWriteResult::Written);
    EXPECT_EQ(Text(file), std::string(100000, 'x'));
    EXPECT_EQ(WriteFileByRename((folder / "none" / "a.ini").string(), "x"), FileWriteResult::CannotCreate);
    EXPECT_EQ(WriteFileByRename("", "x"), FileWriteResult::CannotCreate);
    EXPECT_EQ(Names(), std::set<std::string>{"a.ini"});

    fs::remove(file);
    fs::create_directory(file);
    Put(fs::path(file) / "inside", "kept");
    EXPECT_EQ(WriteFileByRename(file, "new"), FileWriteResult::NotRegularFile);
    EXPECT_EQ(Text(fs::path(file) / "inside"), "kept");
    EXPECT_EQ(Names(), std::set<std::string>{"a.ini"});
}

#ifndef _WIN32

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0);
    return info.st_mode;
}

TEST_F(FileByRenameTest, AReplacedFileKeepsItsModeAndRootKeepsItsOwner) {
    const mode_t mask = ::umask(022);
    EXPECT_EQ(WriteFileByRename(file, "new"), FileWriteResult::Written);
    ::umask(mask);
    EXPECT_EQ(ModeOf(file) & 07777, 0644u);
    for (const mode_t mode : {0640u, 0444u}) {
        ASSERT_EQ(::chmod(file.c_str(), mode), 0);
        EXPECT_EQ(WriteFileByRename(file, "again"), FileWriteResult::Written);
        EXPECT_EQ(ModeOf(file) & 07777, mode);
    }
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a file to another owner";
    }
    ASSERT_EQ(::chown(file.c_str(), 4321, 4322), 0);
    EXPECT_EQ(WriteFileByRename(file, "new"), FileWriteResult::Written);
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 4322u);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
}

TEST_F(FileByRenameTest, ALinkAFifoOrADeviceNodeInThePlaceOfTheFileIsRefusedAndStays) {
    Put(folder / "elsewhere", "kept");
    for (const char* target :
         {"elsewhere", "missing"}) {  // a dangling link would become a file where it points
        fs::create_symlink(folder / target, file);
        EXPECT_EQ(WriteFileByRename(file, "new"), FileWriteResult::NotRegularFile);
        EXPECT_TRUE(fs::is_symlink(file));
        fs::remove(file);
    }
    EXPECT_EQ(Text(folder / "elsewhere"), "kept");
    EXPECT_FALSE(fs::exists(folder / "missing"));

    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    EXPECT_EQ(WriteFileByRename(file, "new"), FileWriteResult::NotRegularFile);
    EXPECT_TRUE(S_ISFIFO(ModeOf(file)));
    EXPECT_EQ(Names(), (std::set<std::string>{"a.ini", "elsewhere"}));
    fs::remove(file);

    // /dev/full as a node of its own, where this test may make one.
    if (::mknod(file.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
        GTEST_SKIP() << "no device node can be made here (needs root and a file system that allows it)";
    }
    EXPECT_EQ(WriteFileByRename(file, "new"), FileWriteResult::NotRegularFile);
    EXPECT_TRUE(S_ISCHR(ModeOf(file)));
    EXPECT_EQ(Names(), (std::set<std::string>{"a.ini", "elsewhere"}));
}

TEST_F(FileByRenameTest, AWriteCutShortLeavesTheOldFileAndNoTemporaryFile) {
    Put(file, "old");
    // A file size limit makes the write fail as a full disk would, without filling one.
    struct rlimit limit {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const struct rlimit small { 4096, limit.rlim_max };
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const FileWriteResult result = WriteFileByRename(file, std::string(10000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(result, FileWriteResult::CannotWrite);
    EXPECT_EQ(Text(file), "old");
    EXPECT_EQ(Names(), std::set<std::string>{"a.ini"});
}

#endif

}  // namespace
}  // namespace zt30
