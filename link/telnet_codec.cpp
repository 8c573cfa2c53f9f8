#include "link/telnet_codec.h"

#include <algorithm>

namespace zt30 {
namespace {

using namespace telnet;

bool WantedHere(std::uint8_t option) {
    return option == kBinary || option == kSuppressGoAhead || option == kComPortOption;
}

bool WantedThere(std::uint8_t option) {
    return option == kBinary || option == kSuppressGoAhead;
}

constexpr std::uint8_t kOpening[] = {
    kIac, kWill, kComPortOption,   kIac, kWill, kBinary,          kIac, kDo, kBinary,
    kIac, kWill, kSuppressGoAhead, kIac, kDo,   kSuppressGoAhead,
};

}  // namespace

void TelnetCodec::Reset() {
    *this = TelnetCodec{};
}

std::span<const std::uint8_t> TelnetCodec::OpeningRequests() {
    for (const std::uint8_t option : {kComPortOption, kBinary, kSuppressGoAhead}) {
        askedLocal_[option] = true;
    }
    for (const std::uint8_t option : {kBinary, kSuppressGoAhead}) {
        askedRemote_[option] = true;
    }
    return kOpening;
}

std::size_t TelnetCodec::Decode(std::span<const std::uint8_t> input, std::span<std::uint8_t> out) {
    std::size_t produced = 0;
    for (const std::uint8_t byte : input.first(std::min(input.size(), kMaxInput))) {
        switch (state_) {
            case State::Data:
                if (byte == kIac) {
                    state_ = State::Command;
                } else if (produced < out.size()) {
                    out[produced++] = byte;
                }
                break;
            case State::Command:
                state_ = State::Data;
                if (byte == kIac) {
                    if (produced < out.size()) {
                        out[produced++] = byte;
                    }
                } else if (byte >= kWill && byte <= kDont) {
                    verb_ = byte;
                    state_ = State::Option;
                } else if (byte == kSb) {
                    subCount_ = 0;
                    state_ = State::Sub;
                }
                // Every other command (no operation, go ahead, a stray end of subnegotiation) carries
                // nothing.
                break;
            case State::Option:
                Negotiate(verb_, byte);
                state_ = State::Data;
                break;
            case State::Sub:
                if (byte == kIac) {
                    state_ = State::SubCommand;
                } else if (subCount_ < sub_.size()) {
                    sub_[subCount_++] = byte;
                }
                break;
            case State::SubCommand:
                if (byte == kIac) {
                    if (subCount_ < sub_.size()) {
                        sub_[subCount_++] = byte;
                    }
                    state_ = State::Sub;
                    break;
                }
                EndSubnegotiation();
                // Only IAC SE ends a subnegotiation properly; any other command ends it and counts itself.
                state_ = State::Data;
                if (byte >= kWill && byte <= kDont) {
                    verb_ = byte;
                    state_ = State::Option;
                } else if (byte == kSb) {
                    subCount_ = 0;
                    state_ = State::Sub;
                }
                break;
        }
    }
    return produced;
}

void TelnetCodec::Negotiate(std::uint8_t verb, std::uint8_t option) {
    // Only a change of state is answered (RFC 854's rule against negotiation loops); the answer to an own
    // request is not answered again.
    switch (verb) {
        case kDo:
            if (!WantedHere(option)) {
                Reply(kWont, option);
            } else if (!local_[option]) {
                local_[option] = true;
                if (!askedLocal_[option]) {
                    Reply(kWill, option);
                }
            }
            askedLocal_[option] = false;
            break;
        case kDont:
            if (local_[option]) {
                local_[option] = false;
                Reply(kWont, option);
            } else if (askedLocal_[option] && option == kComPortOption) {
                comPortRefused_ = true;
            }
            askedLocal_[option] = false;
            break;
        case kWill:
            if (!WantedThere(option)) {
                Reply(kDont, option);
            } else if (!remote_[option]) {
                remote_[option] = true;
                if (!askedRemote_[option]) {
                    Reply(kDo, option);
                }
            }
            askedRemote_[option] = false;
            break;
        default:  // WONT
            if (remote_[option]) {
                remote_[option] = false;
                Reply(kDont, option);
            }
            askedRemote_[option] = false;
            break;
    }
}

void TelnetCodec::EndSubnegotiation() {
    // The COM port option's answers and notifications: option, code, value. The notifications (line and
    // modem state) and anything else the server says there stay here.
    if (subCount_ < 3 || sub_[0] != kComPortOption || sub_[1] < kServerOffset ||
        sub_[1] - kServerOffset >= static_cast<int>(kAnswerCodes)) {
        return;
    }
    std::uint32_t value = 0;
    for (std::size_t i = 2; i < subCount_ && i < 6; ++i) {
        value = value << 8 | sub_[i];
    }
    answers_[sub_[1] - kServerOffset] = value;
}

void TelnetCodec::Reply(std::uint8_t verb, std::uint8_t option) {
    if (replyCount_ + 3 <= replies_.size()) {
        replies_[replyCount_++] = kIac;
        replies_[replyCount_++] = verb;
        replies_[replyCount_++] = option;
    }
}

std::optional<std::uint32_t> TelnetCodec::Answer(ComPortCommand command) const {
    return answers_[static_cast<std::size_t>(command)];
}

void TelnetCodec::ForgetAnswer(ComPortCommand command) {
    answers_[static_cast<std::size_t>(command)].reset();
}

std::size_t EscapeTelnetData(std::span<const std::uint8_t> data, std::span<std::uint8_t> out) {
    std::size_t n = 0;
    for (const std::uint8_t byte : data) {
        out[n++] = byte;
        if (byte == kIac) {
            out[n++] = kIac;
        }
    }
    return n;
}

std::size_t ComPortRequest(ComPortCommand command, std::uint32_t value, std::span<std::uint8_t> out) {
    std::size_t n = 0;
    out[n++] = kIac;
    out[n++] = kSb;
    out[n++] = kComPortOption;
    out[n++] = static_cast<std::uint8_t>(command);
    const int bytes = command == ComPortCommand::SetBaudRate ? 4 : 1;
    for (int i = bytes - 1; i >= 0; --i) {
        const auto byte = static_cast<std::uint8_t>(value >> (8 * i));
        out[n++] = byte;
        if (byte == kIac) {
            out[n++] = kIac;
        }
    }
    out[n++] = kIac;
    out[n++] = kSe;
    return n;
}

}  // namespace zt30
