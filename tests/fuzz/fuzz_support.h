// What the fuzz targets share: a reader that takes the fuzzer's bytes from the front, one field after the
// other, so that a seed is written as the plain bytes of its fields (fuzz_seeds.cpp writes them that way);
// and the check that ends the run with a report when a property does not hold, which libFuzzer keeps as a
// crash.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>

namespace zt30::fuzz {

class FuzzInput {
public:
    explicit FuzzInput(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool Empty() const { return at_ == bytes_.size(); }
    std::size_t Remaining() const { return bytes_.size() - at_; }
    // The next byte; 0 once the input is used up.
    std::uint8_t Byte() { return Empty() ? 0 : bytes_[at_++]; }
    // The next n bytes, fewer at the end of the input.
    std::span<const std::uint8_t> Take(std::size_t n) {
        const std::size_t k = std::min(n, Remaining());
        const auto taken = bytes_.subspan(at_, k);
        at_ += k;
        return taken;
    }
    std::span<const std::uint8_t> Rest() { return Take(Remaining()); }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

inline std::string_view AsText(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

[[noreturn]] inline void Fail(const char* file, int line, const char* what) {
    std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
    std::abort();
}

}  // namespace zt30::fuzz

// Ends the run (abort, which libFuzzer reports and keeps the input of) when cond does not hold.
#define ZT30_FUZZ_CHECK(cond) ((cond) ? static_cast<void>(0) : ::zt30::fuzz::Fail(__FILE__, __LINE__, #cond))
