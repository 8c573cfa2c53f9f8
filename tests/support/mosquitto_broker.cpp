#include "mosquitto_broker.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "sim/ser2net_process.h"  // AcceptsConnections, FreePort

extern char** environ;

namespace zt30::test {

std::string MosquittoBinary() {
    return ::access("/usr/sbin/mosquitto", X_OK) == 0 ? "/usr/sbin/mosquitto" : "";
}

MosquittoBroker::MosquittoBroker() : port_(FreePort()) {
    char folder[] = "/tmp/zt30-mosquitto-XXXXXX";
    if (MosquittoBinary().empty() || ::mkdtemp(folder) == nullptr) {
        return;
    }
    dir_ = folder;
    const passwd* user = ::getpwuid(::getuid());  // run as root, it would change to user "mosquitto"
    std::ofstream(dir_ + "/mosquitto.conf") << "listener " << port_ << " 127.0.0.1\n"
                                            << "allow_anonymous true\n"
                                            << "persistence true\n"
                                            << "persistence_location " << dir_ << "/\n"
                                            << "user " << (user != nullptr ? user->pw_name : "root") << "\n"
                                            << "log_dest none\n";
    Start();
}

MosquittoBroker::~MosquittoBroker() {
    Stop();
    if (!dir_.empty()) {
        std::filesystem::remove_all(dir_);
    }
}

bool MosquittoBroker::Start() {
    if (dir_.empty() || pid_ > 0) {
        return pid_ > 0;
    }
    std::string binary = MosquittoBinary(), flag = "-c", config = dir_ + "/mosquitto.conf";
    char* argv[] = {binary.data(), flag.data(), config.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv, environ) != 0) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    const auto start = std::chrono::steady_clock::now();
    while (pid_ > 0 && !AcceptsConnections(port_)) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;  // it ended (the port taken, say)
        } else if (std::chrono::steady_clock::now() - start > std::chrono::seconds(5)) {
            Stop();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return pid_ > 0;
}

void MosquittoBroker::Stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

}  // namespace zt30::test
