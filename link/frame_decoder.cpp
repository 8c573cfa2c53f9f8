#include "link/frame_decoder.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <initializer_list>
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

const FrameWords kEnglish{
    .noBytes = "no bytes",
    .bytes = {"%1 byte", "%1 bytes", "%1 bytes"},
    .dataBytes = {"%1 data byte", "%1 data bytes", "%1 data bytes"},
    .listSeparator = ", ",
    .table = "table %1",
    .readTable = "read table %1",
    .writeTable = "write table %1",
    .typeCommand = "ident command %1 (type)",
    .versionCommand = "ident command %1 (version)",
    .clearCounter = "clear counter",
    .clearSum = "clear sum",
    .command = "command %1",
    .noCommand = "FC %1, no command",
    .typeText = "type %1",
    .versionText = "version %1",
    .stationStatus = "station status",
    .acknowledgement = "acknowledgement",
    .requestFc = "request FC %1",
    .negativeAcknowledgement = "negative acknowledgement (FC %1)",
    .shortAcknowledgement = "SC acknowledgement",
    .bytesAfterAck = {"+%1 bytes after it", "+%1 bytes after it", "+%1 bytes after it"},
    .bytesAfterFrame = {"+%1 bytes after the frame", "+%1 bytes after the frame",
                        "+%1 bytes after the frame"},
    .incomplete = {"incomplete: %1 of %2 bytes", "incomplete: %1 of %2 bytes", "incomplete: %1 of %2 bytes"},
    .incompleteHead = {"incomplete: %1 byte", "incomplete: %1 bytes", "incomplete: %1 bytes"},
    .wrongEnd = "end byte %1, not %2",
    .wrongFcs = "FCS %1, not %2",
    .lengthsDiffer = "LE %1 ≠ LEr %2",
    .lengthTooSmall = "LE %1 below 3",
    .secondStart = "second start byte %1",
    .unknownStart = "unknown start byte %1",
    .value = "value",
    .sum = "sum",
    .func = "func",
    .dp = "dp",
    .factor = "factor",
    .config = "config",
    .filtr = "filtr",
    .scale = "scale",
    .offset = "offset",
    .spLo = "sp_lo",
    .spHi = "sp_hi",
    .hyster = "hyster",
    .anLo = "an_lo",
    .anHi = "an_hi",
    .address = "address",
};

// The parameters are named as the parameters dialog captions them; fields are separated by semicolons, as
// a decimal comma may stand in their numbers.
const FrameWords kCzech{
    .noBytes = "žádné bajty",
    .bytes = {"%1 bajt", "%1 bajty", "%1 bajtů"},
    .dataBytes = {"%1 datový bajt", "%1 datové bajty", "%1 datových bajtů"},
    .listSeparator = "; ",
    .table = "tabulka %1",
    .readTable = "čtení tabulky %1",
    .writeTable = "zápis tabulky %1",
    .typeCommand = "identifikace, příkaz %1 (typ)",
    .versionCommand = "identifikace, příkaz %1 (verze)",
    .clearCounter = "nulování čítače",
    .clearSum = "nulování sumy",
    .command = "příkaz %1",
    .noCommand = "FC %1, bez příkazu",
    .typeText = "typ %1",
    .versionText = "verze %1",
    .stationStatus = "stav stanice",
    .acknowledgement = "potvrzení",
    .requestFc = "požadavek FC %1",
    .negativeAcknowledgement = "záporné potvrzení (FC %1)",
    .shortAcknowledgement = "SC potvrzení",
    .bytesAfterAck = {"+%1 bajt za ním", "+%1 bajty za ním", "+%1 bajtů za ním"},
    .bytesAfterFrame = {"+%1 bajt za rámcem", "+%1 bajty za rámcem", "+%1 bajtů za rámcem"},
    .incomplete = {"neúplný: %1 bajt místo %2", "neúplný: %1 bajty místo %2", "neúplný: %1 bajtů místo %2"},
    .incompleteHead = {"neúplný: %1 bajt", "neúplný: %1 bajty", "neúplný: %1 bajtů"},
    .wrongEnd = "koncový bajt %1 místo %2",
    .wrongFcs = "FCS %1 místo %2",
    .lengthsDiffer = "LE %1 ≠ LEr %2",
    .lengthTooSmall = "LE %1 menší než 3",
    .secondStart = "druhý počáteční bajt %1",
    .unknownStart = "neznámý počáteční bajt %1",
    .value = "hodnota",
    .sum = "suma",
    .func = "FUNC",
    .dp = "DP",
    .factor = "FACTOR",
    .config = "CONFIG",
    .filtr = "FILTR",
    .scale = "SCALE",
    .offset = "OFFSET",
    .spLo = "SP.LO",
    .spHi = "SP.HI",
    .hyster = "HYSTER",
    .anLo = "AN.LO",
    .anHi = "AN.HI",
    .address = "adresa",
};

std::string Hex2(std::uint8_t b) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[b >> 4], kDigits[b & 0x0F]};
}

// pattern with %1, %2, ... replaced by the arguments in turn.
std::string Fill(FrameText pattern, std::initializer_list<std::string> arguments) {
    std::string out;
    for (const char* p = pattern.text; *p != '\0'; ++p) {
        const std::size_t n = p[0] == '%' && p[1] >= '1' && p[1] <= '9' ? static_cast<std::size_t>(p[1] - '1')
                                                                        : arguments.size();
        if (n < arguments.size()) {
            out += arguments.begin()[n];
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

std::string Counted(const FrameCountText& texts, std::size_t count, const std::string& second = {}) {
    const FrameText& form = count == 1 ? texts.one : count >= 2 && count <= 4 ? texts.few : texts.many;
    return Fill(form, {std::to_string(count), second});
}

// The meanings in one language's words.
class Decoder {
public:
    Decoder(const FrameWords& words, char decimalSeparator) : w_(words), separator_(decimalSeparator) {}

    std::string Frame(std::span<const std::uint8_t> frame, std::span<const std::uint8_t> request) const;

private:
    std::string Number(float value) const;
    std::string Field(FrameText name, const std::string& value) const;
    std::string ShortHex(std::span<const std::uint8_t> data) const;
    std::string DataText(std::span<const std::uint8_t> data) const;
    std::string TableFields(int table, std::span<const std::uint8_t> data) const;
    std::string TableText(FrameText name, int table, std::span<const std::uint8_t> data) const;
    std::string RequestText(std::uint8_t functionCode, std::span<const std::uint8_t> unit) const;
    std::string AnswerText(std::span<const std::uint8_t> data, std::span<const std::uint8_t> request) const;
    std::string FunctionText(std::uint8_t functionCode) const;
    void AddProblem(std::string& problems, const std::string& problem) const;
    std::string FrameProblems(std::span<const std::uint8_t> frame, std::size_t length, std::size_t sumFrom,
                              std::size_t sumLength) const;
    std::string Sd1(std::span<const std::uint8_t> frame) const;
    std::string Sd2(std::span<const std::uint8_t> frame, std::span<const std::uint8_t> request) const;

    const FrameWords& w_;
    char separator_;
};

std::string Decoder::Number(float value) const {
    std::array<char, 32> text{};
    const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{}) {
        return "?";
    }
    std::string out(text.data(), end);
    std::replace(out.begin(), out.end(), '.', separator_);
    return out;
}

std::string Decoder::Field(FrameText name, const std::string& value) const {
    return std::string(name.text) + " " + value;
}

// Hex of data, cut after kShownDataBytes.
std::string Decoder::ShortHex(std::span<const std::uint8_t> data) const {
    std::string text = HexText(data.first(std::min(data.size(), kShownDataBytes)));
    if (data.size() > kShownDataBytes) {
        text += " …";
    }
    return text;
}

std::string Decoder::DataText(std::span<const std::uint8_t> data) const {
    std::string text = Counted(w_.dataBytes, data.size());
    if (!data.empty()) {
        text += ": " + ShortHex(data);
    }
    return text;
}

// The fields of table n (0 to 5) from its data bytes, which must be exactly the table's length.
std::string Decoder::TableFields(int table, std::span<const std::uint8_t> data) const {
    DeviceImage image;
    DecodeTable(table, data, image);
    const std::string and_ = w_.listSeparator.text;
    switch (table) {
        case 0:
            return Field(w_.value, Number(image.value)) + and_ + Field(w_.sum, Number(image.suma));
        case 1:
            return Field(w_.func, std::to_string(image.func)) + and_ +
                   Field(w_.dp, std::to_string(image.dp)) + and_ +
                   Field(w_.factor, std::to_string(image.factor)) + and_ +
                   Field(w_.config, "0x" + Hex2(image.config)) + and_ +
                   Field(w_.filtr, std::to_string(image.filtr));
        case 2:
            return Field(w_.scale, Number(image.scale)) + and_ + Field(w_.offset, Number(image.offset));
        case 3:
            return Field(w_.spLo, Number(image.sp_lo)) + and_ + Field(w_.spHi, Number(image.sp_hi)) + and_ +
                   Field(w_.hyster, Number(image.hyster));
        case 4:
            return Field(w_.anLo, Number(image.an_lo)) + and_ + Field(w_.anHi, Number(image.an_hi));
        case 5:
            return Field(w_.address, std::to_string(image.address));
        default:
            return DataText(data);
    }
}

// "name: fields" when data fits table n, else the name and the raw bytes; name holds the table's number.
std::string Decoder::TableText(FrameText name, int table, std::span<const std::uint8_t> data) const {
    const std::string shown = Fill(name, {std::to_string(table)});
    if (table >= 0 && table <= 5 && data.size() == TableLength(table)) {
        return shown + ": " + TableFields(table, data);
    }
    return shown + ", " + DataText(data);
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
std::string Decoder::RequestText(std::uint8_t functionCode, std::span<const std::uint8_t> unit) const {
    if (unit.empty()) {
        return Fill(w_.noCommand, {Hex2(functionCode)});
    }
    const std::uint8_t command = unit[0];
    std::string text;
    std::uint8_t expectedFc = kFcReadRequest;
    if (command == kCmdReadTable && unit.size() == 2) {
        text = Fill(w_.readTable, {std::to_string(unit[1])});
    } else if ((command == kCmdIdentification || command == kCmdVersion) && unit.size() == 1) {
        text = Fill(command == kCmdIdentification ? w_.typeCommand : w_.versionCommand,
                    {std::to_string(command)});
    } else if (command == kCmdWriteTable && unit.size() >= 2) {
        expectedFc = kFcWriteRequest;
        const int table = unit[1];
        const auto payload = unit.subspan(2);
        if (table == kTableClearCounter && payload.size() == 1 && payload[0] == kClearCounterByte) {
            text = w_.clearCounter.text;
        } else if (table == kTableClearSum && payload.size() == 1 && payload[0] == kClearSumByte) {
            text = w_.clearSum.text;
        } else {
            text = TableText(w_.writeTable, table, payload);
        }
    } else {
        text = Fill(w_.command, {Hex2(command)}) + ", " + DataText(unit.subspan(1));
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

std::string Decoder::AnswerText(std::span<const std::uint8_t> data,
                                std::span<const std::uint8_t> request) const {
    const std::optional<AnsweredRequest> asked = RequestOf(request);
    if (asked && asked->command == kCmdReadTable && asked->table >= 0) {
        return TableText(w_.table, asked->table, data);
    }
    if (asked && (asked->command == kCmdIdentification || asked->command == kCmdVersion)) {
        return Fill(asked->command == kCmdIdentification ? w_.typeText : w_.versionText, {DeviceText(data)});
    }
    return DataText(data);
}

std::string Decoder::FunctionText(std::uint8_t functionCode) const {
    if (functionCode == kFcStatusRequest) {
        return w_.stationStatus.text;
    }
    if (functionCode == kFcAcknowledge) {
        return w_.acknowledgement.text;
    }
    // Requests carry the request bit (0x40); anything else an answer may carry is a refusal.
    if ((functionCode & 0x40) != 0) {
        return Fill(w_.requestFc, {Hex2(functionCode)});
    }
    return Fill(w_.negativeAcknowledgement, {Hex2(functionCode)});
}

void Decoder::AddProblem(std::string& problems, const std::string& problem) const {
    problems += problems.empty() ? " [" : w_.listSeparator.text;
    problems += problem;
}

// The checks of a frame of `length` bytes whose FCS covers sumFrom..sumFrom+sumLength-1.
std::string Decoder::FrameProblems(std::span<const std::uint8_t> frame, std::size_t length,
                                   std::size_t sumFrom, std::size_t sumLength) const {
    std::string problems;
    const std::size_t n = frame.size();
    if (n < length) {
        AddProblem(problems, Counted(w_.incomplete, n, std::to_string(length)));
    } else {
        if (frame[length - 1] != kEd) {
            AddProblem(problems, Fill(w_.wrongEnd, {Hex2(frame[length - 1]), Hex2(kEd)}));
        }
        const std::uint8_t sum = FrameCheckSum(frame.subspan(sumFrom, sumLength));
        if (frame[length - 2] != sum) {
            AddProblem(problems, Fill(w_.wrongFcs, {Hex2(frame[length - 2]), Hex2(sum)}));
        }
        if (n > length) {
            AddProblem(problems, Counted(w_.bytesAfterFrame, n - length));
        }
    }
    return problems.empty() ? problems : problems + "]";
}

std::string Decoder::Sd1(std::span<const std::uint8_t> frame) const {
    const std::size_t n = frame.size();
    std::string text = "SD1";
    if (n >= 3) {
        text += " " + std::to_string(frame[1]) + "←" + std::to_string(frame[2]);
    }
    if (n >= 4) {
        text += " " + FunctionText(frame[3]);
    }
    return text + FrameProblems(frame, kSd1Length, 1, 3);
}

std::string Decoder::Sd2(std::span<const std::uint8_t> frame, std::span<const std::uint8_t> request) const {
    const std::size_t n = frame.size();
    if (n < 3) {
        return "SD2 [" + Counted(w_.incompleteHead, n) + "]";
    }
    const std::size_t le = frame[1];
    std::string text = "SD2";
    std::string lengthProblem;
    if (frame[1] != frame[2]) {
        lengthProblem =
            " [" + Fill(w_.lengthsDiffer, {std::to_string(frame[1]), std::to_string(frame[2])}) + "]";
    } else if (le < 3) {
        lengthProblem = " [" + Fill(w_.lengthTooSmall, {std::to_string(le)}) + "]";
    }
    if (n >= 4 && frame[3] != kSd2) {
        text += " [" + Fill(w_.secondStart, {Hex2(frame[3])}) + "]";
    }
    if (n >= 6) {
        text += " " + std::to_string(frame[4]) + "←" + std::to_string(frame[5]);
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

std::string Decoder::Frame(std::span<const std::uint8_t> frame, std::span<const std::uint8_t> request) const {
    if (frame.empty()) {
        return w_.noBytes.text;
    }
    switch (frame[0]) {
        case kSingleCharacterAck:
            return frame.size() == 1 ? std::string(w_.shortAcknowledgement.text)
                                     : std::string(w_.shortAcknowledgement.text) + " [" +
                                           Counted(w_.bytesAfterAck, frame.size() - 1) + "]";
        case kSd1:
            return Sd1(frame);
        case kSd2:
            return Sd2(frame, request);
        default:
            return Fill(w_.unknownStart, {Hex2(frame[0])}) + ", " + Counted(w_.bytes, frame.size());
    }
}

}  // namespace

const FrameWords& EnglishFrameWords() {
    return kEnglish;
}

const FrameWords& CzechFrameWords() {
    return kCzech;
}

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

std::string DescribeFrame(std::span<const std::uint8_t> frame, std::span<const std::uint8_t> request,
                          const FrameWords& words, char decimalSeparator) {
    return Decoder(words, decimalSeparator).Frame(frame, request);
}

}  // namespace zt30
