#include "cli/line_check.h"

#include "cli/printable.h"

namespace zt30::cli {

bool LineWatchingBackend::TakeFailedCall() {
    const bool failed = failedCall_;
    failedCall_ = false;
    return failed;
}

ReadResult LineWatchingBackend::Read(std::span<std::uint8_t> buffer) {
    const ReadResult result = backend_->Read(buffer);
    failedCall_ = failedCall_ || !result.ok;
    return result;
}

bool LineWatchingBackend::Write(std::span<const std::uint8_t> data) {
    const bool written = backend_->Write(data);
    failedCall_ = failedCall_ || !written;
    return written;
}

std::string OpenErrorText(const SerialLine& line) {
    const std::string detail = line.OpenFailureDetail();
    return line.OpenFailure().what() + (detail.empty() ? std::string() : ": " + PrintableText(detail));
}

std::optional<std::string> LineCheck::Gone() {
    if (!backend_.TakeFailedCall()) {
        return std::nullopt;
    }
    line_.Close();
    try {
        if (!line_.Open(portNumber_)) {
            return OpenErrorText(line_);
        }
    } catch (const SerialLineError& error) {
        return error.what();
    }
    return std::nullopt;
}

}  // namespace zt30::cli
