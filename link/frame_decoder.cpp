#include "link/frame_decoder.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <optional>

#include "link/device.h"
#include "link/frame_constants.h"
#include "link/telegram.h"

namespace zt30 {

using namespace frame;

namespace {

constexpr std::uint8_t kSingleCharacterAck = 0xE5;
constexpr std::size_t kShownDataBytes = 16;  // hex of unknown data is cut after this many bytes
constexpr std::size_t kShownTextBytes = 64;  // an identification text is cut after this many bytes

std::string Hex2(std::uint8_t b) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[b >> 4], kDigits[b & 0x0F]};
}

std::string Number(float value) {
    std::array<char, 32> text{};
    const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} ? std::string(text.data(), end) : std::string("?");
}

std::string Addresses(std::uint8_t destination, std::uint8_t source) {
    return std::to_string(destination) + "←" + std::to_string(source);
}

// Hex of data, cut after kShownDataBytes.
std::string ShortHex(std::span<const std::uint8_t> data) {
    std::string text = HexText(data.first(std::min(data.size(), kShownDataBytes)));
    if (data.size() > kShownDataBytes) {
        text += " …";
    }
    return text;
}

std::string DataText(std::span<const std::uint8_t> data) {
    std::string text = std::to_string(data.size()) + (data.size() == 1 ? " data byte" : " data bytes");
    if (!data.empty()) {
        text += ": " + ShortHex(data);
    }
    return text;
}

// The fields of table n (0 to 5) from its data bytes, which must be exactly the table's length.
std::string TableFields(int table, std::span<const std::uint8_t> data) {
    DeviceImage image;
    DecodeTable(table, data, image);
    switch (table) {
        case 0:
            return "value " + Number(image.value) + ", sum " + Number(image.suma);
        case 1:
            return "func " + std::to_string(image.func) + ", dp " + std::to_string(image.dp) + ", factor " +
                   std::to_string(image.factor) + ", config 0x" + Hex2(image.config) + ", filtr " +
                   std::to_string(image.filtr);
        case 2:
            return "scale " + Number(image.scale) + ", offset " + Number(image.offset);
        case 3:
            return "sp_lo " + Number(image.sp_lo) + ", sp_hi " + Number(image.sp_hi) + ", hyster " +
                   Number(image.hyster);
        case 4:
            return "an_lo " + Number(image.an_lo) + ", an_hi " + Number(image.an_hi);
        case 5:
            return "address " + std::to_string(image.address);
        default:
            return DataText(data);
    }
}

// "table n: fields" when data fits table n, else the table and its raw bytes.
std::string TableText(int table, std::span<const std::uint8_t> data) {
    const std::string name = "table " + std::to_string(table);
    if (table >= 0 && table <= 5 && data.size() == TableLength(table)) {
        return name + ": " + TableFields(table, data);
    }
    return name + ", " + DataText(data);
}

// A device text: printable ASCII as it is, every other byte as \xNN, up to its first zero byte.
std::string DeviceText(std::span<const std::uint8_t> data) {
    const auto zero = std::find(data.begin(), data.end(), std::uint8_t{0});
    const auto text = data.first(static_cast<std::size_t>(zero - data.begin()));
    std::string out = "\"";
    for (std::uint8_t b : text.first(std::min(text.size(), kShownTextBytes))) {
        if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\') {
            out += static_cast<char>(b);
        } else {
            out += "\\x" + Hex2(b);
        }
    }
    out += text.size() > kShownTextBytes ? "\" …" : "\"";
    return out;
}

// What an SD2 request asks for, by its command byte.
std::string RequestText(std::uint8_t functionCode, std::span<const std::uint8_t> unit) {
    if (unit.empty()) {
        return "FC " + Hex2(functionCode) + ", no command";
    }
    const std::uint8_t command = unit[0];
    std::string text;
    std::uint8_t expectedFc = kFcReadRequest;
    if (command == kCmdReadTable && unit.size() == 2) {
        text = "read table " + std::to_string(unit[1]);
    } else if ((command == kCmdIdentification || command == kCmdVersion) && unit.size() == 1) {
        text = "ident command " + std::to_string(command) +
               (command == kCmdIdentification ? " (type)" : " (version)");
    } else if (command == kCmdWriteTable && unit.size() >= 2) {
        expectedFc = kFcWriteRequest;
        const int table = unit[1];
        const auto payload = unit.subspan(2);
        if (table == kTableClearCounter && payload.size() == 1 && payload[0] == kClearCounterByte) {
            text = "clear counter";
        } else if (table == kTableClearSum && payload.size() == 1 && payload[0] == kClearSumByte) {
            text = "clear sum";
        } else {
            text = "write " + TableText(table, payload);
        }
    } else {
        text = "command " + Hex2(command) + ", " + DataText(unit.subspan(1));
    }
    if (functionCode != expectedFc) {
        text += " [FC " + Hex2(functionCode) + "]";
    }
    return text;
}

// The command (and table) of a request, when it is an SD2 request whole enough to tell.
struct AnsweredRequest {
    std::uint8_t command = 0;
    int table = -1;
};

std::optional<AnsweredRequest> RequestOf(std::span<const std::uint8_t> request) {
    if (request.size() < 8 || request[0] != kSd2 || request[1] < 4) {
        return std::nullopt;
    }
    AnsweredRequest answered{request[7]};
    if (answered.command == kCmdReadTable && request.size() >= 9 && request[1] >= 5) {
        answered.table = request[8];
    }
    return answered;
}

std::string AnswerText(std::span<const std::uint8_t> data, std::span<const std::uint8_t> request) {
    const std::optional<AnsweredRequest> asked = RequestOf(request);
    if (asked && asked->command == kCmdReadTable && asked->table >= 0) {
        return TableText(asked->table, data);
    }
    if (asked && (asked->command == kCmdIdentification || asked->command == kCmdVersion)) {
        return (asked->command == kCmdIdentification ? "type " : "version ") + DeviceText(data);
    }
    return DataText(data);
}

std::string FunctionText(std::uint8_t functionCode) {
    if (functionCode == kFcStatusRequest) {
        return "station status";
    }
    if (functionCode == kFcAcknowledge) {
        return "acknowledgement";
    }
    // Requests carry the request bit (0x40); anything else an answer may carry is a refusal.
    if ((functionCode & 0x40) != 0) {
        return "request FC " + Hex2(functionCode);
    }
    return "negative acknowledgement (FC " + Hex2(functionCode) + ")";
}

void AddProblem(std::string& problems, const std::string& problem) {
    problems += problems.empty() ? " [" : ", ";
    problems += problem;
}

// The checks of a frame of `length` bytes whose FCS covers sumFrom..sumFrom+sumLength-1.
std::string FrameProblems(std::span<const std::uint8_t> frame, std::size_t length, std::size_t sumFrom,
                          std::size_t sumLength) {
    std::string problems;
    const std::size_t n = frame.size();
    if (n < length) {
        AddProblem(problems, "incomplete: " + std::to_string(n) + " of " + std::to_string(length) + " bytes");
    } else {
        if (frame[length - 1] != kEd) {
            AddProblem(problems, "end byte " + Hex2(frame[length - 1]) + ", not " + Hex2(kEd));
        }
        const std::uint8_t sum = FrameCheckSum(frame.subspan(sumFrom, sumLength));
        if (frame[length - 2] != sum) {
            AddProblem(problems, "FCS " + Hex2(frame[length - 2]) + ", not " + Hex2(sum));
        }
        if (n > length) {
            AddProblem(problems, "+" + std::to_string(n - length) + " bytes after the frame");
        }
    }
    return problems.empty() ? problems : problems + "]";
}

std::string DescribeSd1(std::span<const std::uint8_t> frame) {
    const std::size_t n = frame.size();
    std::string text = "SD1";
    if (n >= 3) {
        text += " " + Addresses(frame[1], frame[2]);
    }
    if (n >= 4) {
        text += " " + FunctionText(frame[3]);
    }
    return text + FrameProblems(frame, kSd1Length, 1, 3);
}

std::string DescribeSd2(std::span<const std::uint8_t> frame, std::span<const std::uint8_t> request) {
    const std::size_t n = frame.size();
    if (n < 3) {
        return "SD2 [incomplete: " + std::to_string(n) + (n == 1 ? " byte]" : " bytes]");
    }
    const std::size_t le = frame[1];
    std::string text = "SD2";
    std::string lengthProblem;
    if (frame[1] != frame[2]) {
        lengthProblem = " [LE " + std::to_string(frame[1]) + " ≠ LEr " + std::to_string(frame[2]) + "]";
    } else if (le < 3) {
        lengthProblem = " [LE " + std::to_string(le) + " below 3]";
    }
    if (n >= 4 && frame[3] != kSd2) {
        text += " [second start byte " + Hex2(frame[3]) + "]";
    }
    if (n >= 6) {
        text += " " + Addresses(frame[4], frame[5]);
    }
    if (n >= 7 && lengthProblem.empty()) {
        // The data unit as far as it arrived.
        const std::size_t unitEnd = std::min(le + 4, n);
        const auto unit =
            frame.subspan(kSd2DataOffset, unitEnd > kSd2DataOffset ? unitEnd - kSd2DataOffset : 0);
        const std::uint8_t fc = frame[6];
        if (fc == kFcReadRequest || fc == kFcWriteRequest) {
            text += " " + RequestText(fc, unit);
        } else if (fc == kFcDataAnswer) {
            text += " " + AnswerText(unit, request);
        } else {
            text += " FC " + Hex2(fc) + ", " + DataText(unit);
        }
    }
    if (!lengthProblem.empty()) {
        return text + lengthProblem;
    }
    return text + FrameProblems(frame, le + kSd2Overhead, 4, le);
}

}  // namespace

std::string HexText(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            text += ' ';
        }
        text += Hex2(bytes[i]);
    }
    return text;
}

std::string DescribeFrame(std::span<const std::uint8_t> frame, std::span<const std::uint8_t> request) {
    if (frame.empty()) {
        return "no bytes";
    }
    switch (frame[0]) {
        case kSingleCharacterAck:
            return frame.size() == 1
                       ? "SC acknowledgement"
                       : "SC acknowledgement [+" + std::to_string(frame.size() - 1) + " bytes after it]";
        case kSd1:
            return DescribeSd1(frame);
        case kSd2:
            return DescribeSd2(frame, request);
        default:
            return "unknown start byte " + Hex2(frame[0]) + ", " + std::to_string(frame.size()) +
                   (frame.size() == 1 ? " byte" : " bytes");
    }
}

}  // namespace zt30
