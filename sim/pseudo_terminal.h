// The simulator's end of the line: a pseudo-terminal pair whose master it reads and writes, and whose slave
// path the program opens. Also the optional symbolic link to the slave. POSIX only; errors come back as text.
#pragma once

#include <optional>
#include <string>

namespace zt30::sim {

class PseudoTerminal {
public:
    // Opens the pair: master raw and non-blocking, and one slave descriptor held open (in raw mode, so
    // nothing is echoed before the program sets the line up) so the line never hangs up between the program's
    // opens. nullopt with `error` set on failure.
    static std::optional<PseudoTerminal> Open(std::string& error);

    PseudoTerminal(PseudoTerminal&& other) noexcept;
    PseudoTerminal& operator=(PseudoTerminal&&) = delete;
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    ~PseudoTerminal();

    int Master() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }

    // Closes both ends now: the program sees the line hang up.
    void Close();

private:
    PseudoTerminal(int master, int slave, std::string path)
        : master_(master), slave_(slave), slavePath_(path) {}

    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

// A symbolic link at `path` to `target`, removed on destruction if it still points there.
class SymbolicLink {
public:
    // Creates it, replacing an existing symbolic link; refuses to replace anything else. nullopt with
    // `error`.
    static std::optional<SymbolicLink> Create(const std::string& path, const std::string& target,
                                              std::string& error);

    SymbolicLink(SymbolicLink&& other) noexcept;
    SymbolicLink& operator=(SymbolicLink&&) = delete;
    SymbolicLink(const SymbolicLink&) = delete;
    SymbolicLink& operator=(const SymbolicLink&) = delete;
    ~SymbolicLink();

    // Removes the link now if it still points to the target.
    void Remove();

private:
    SymbolicLink(std::string path, std::string target) : path_(std::move(path)), target_(std::move(target)) {}

    std::string path_;
    std::string target_;
};

}  // namespace zt30::sim
