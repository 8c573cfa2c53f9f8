// The Telnet layer of a line to a serial device server (Telnet with the COM port option), client side. It
// takes the server's bytes apart into the line's data (a doubled 0xFF is one data byte), the answers to the
// COM port commands and the server's option negotiation, which it answers itself; and it builds what the
// client sends: data with every 0xFF doubled, and the COM port commands. Its state carries over from one
// piece of input to the next, so a command may be split anywhere. It never allocates.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace zt30 {

namespace telnet {
inline constexpr std::uint8_t kSe = 240;
inline constexpr std::uint8_t kSb = 250;
inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kIac = 255;
inline constexpr std::uint8_t kBinary = 0;
inline constexpr std::uint8_t kSuppressGoAhead = 3;
inline constexpr std::uint8_t kComPortOption = 44;
// The server answers the client's COM port command c as c + 100.
inline constexpr std::uint8_t kServerOffset = 100;
}  // namespace telnet

// The client's COM port commands that the line uses, by their codes.
enum class ComPortCommand : std::uint8_t {
    SetBaudRate = 1,
    SetDataSize = 2,
    SetParity = 3,
    SetStopSize = 4,
    SetControl = 5,
    PurgeData = 12,
};

// Values of the commands.
inline constexpr std::uint32_t kComParityNone = 1;
inline constexpr std::uint32_t kComParityOdd = 2;
inline constexpr std::uint32_t kComParityEven = 3;
inline constexpr std::uint32_t kComNoFlowControl = 1;
inline constexpr std::uint32_t kComPurgeReceive = 1;   // the server's buffer of bytes from its port
inline constexpr std::uint32_t kComPurgeTransmit = 2;  // the server's buffer of bytes for its port

class TelnetCodec {
public:
    // Decode never takes more input than this at once, so its replies always fit.
    static constexpr std::size_t kMaxInput = 256;

    // Forgets everything: a new connection.
    void Reset();

    // What the client asks for at the start: the COM port option, binary transmission and no go-ahead, both
    // ways. The answers to these are expected, not answered again.
    std::span<const std::uint8_t> OpeningRequests();

    // Takes input (at most kMaxInput bytes) apart and writes its data bytes to out, which must hold
    // input.size() bytes; returns how many it wrote.
    std::size_t Decode(std::span<const std::uint8_t> input, std::span<std::uint8_t> out);

    // The answers to the server's negotiation that are still to be sent.
    std::span<const std::uint8_t> PendingReplies() const { return {replies_.data(), replyCount_}; }
    void ClearReplies() { replyCount_ = 0; }

    // The server agreed to the COM port option (DO), or refused it (DONT).
    bool ComPortAgreed() const { return local_[telnet::kComPortOption]; }
    bool ComPortRefused() const { return comPortRefused_; }

    // The value of the server's answer to command, if one came since the last ForgetAnswer(command).
    std::optional<std::uint32_t> Answer(ComPortCommand command) const;
    void ForgetAnswer(ComPortCommand command);

private:
    enum class State : std::uint8_t { Data, Command, Option, Sub, SubCommand };
    static constexpr std::size_t kSubCapacity = 16;
    static constexpr std::size_t kAnswerCodes = 13;

    void Negotiate(std::uint8_t verb, std::uint8_t option);
    void EndSubnegotiation();
    void Reply(std::uint8_t verb, std::uint8_t option);

    State state_ = State::Data;
    std::uint8_t verb_ = 0;
    std::array<std::uint8_t, kSubCapacity> sub_{};
    std::size_t subCount_ = 0;
    std::array<bool, 256> local_{};   // options this side has on
    std::array<bool, 256> remote_{};  // options the server has on
    std::array<bool, 256> askedLocal_{};
    std::array<bool, 256> askedRemote_{};
    bool comPortRefused_ = false;
    std::array<std::optional<std::uint32_t>, kAnswerCodes> answers_{};
    std::array<std::uint8_t, kMaxInput> replies_{};
    std::size_t replyCount_ = 0;
};

// Writes data to out with every 0xFF doubled; out must hold 2 * data.size() bytes. Returns the bytes written.
std::size_t EscapeTelnetData(std::span<const std::uint8_t> data, std::span<std::uint8_t> out);

// The largest COM port command ComPortRequest writes.
inline constexpr std::size_t kComPortRequestMax = 14;

// Writes COM port command with its value (four bytes for the baud rate, else one) to out, which must hold
// kComPortRequestMax bytes; returns the bytes written.
std::size_t ComPortRequest(ComPortCommand command, std::uint32_t value, std::span<std::uint8_t> out);

}  // namespace zt30
