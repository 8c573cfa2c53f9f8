// Writes the seed folders of the fuzz targets (tests/fuzz/corpus/NAME) from the reference requests and
// answers the tests hold: the request of every device operation (support/request_examples), the answers of
// the device and telegram tests, the entries of the parameter tests, a settings file as the program writes it
// and as a person edits it. Each seed is laid out as its target reads its input (see the target's header).
// Run: zt30_fuzz_seeds tests/fuzz/corpus
#include <bit>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "config/param_backup.h"
#include "support/hex.h"
#include "support/request_examples.h"

namespace {

using zt30::test::Bytes;
using zt30::test::Hex;

std::filesystem::path root;

void Write(const std::string& target, const std::string& name, const Bytes& bytes) {
    const auto folder = root / target;
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// An SD2 data answer from station 1 to station 0.
Bytes Answer(const Bytes& data, std::uint8_t fc = 0x08) {
    const auto le = static_cast<std::uint8_t>(data.size() + 3);
    Bytes frame = Bytes{0x68, le, le, 0x68, 0x00, 0x01, fc} + data;
    unsigned sum = 0;
    for (std::size_t i = 4; i < frame.size(); ++i) {
        sum += frame[i];
    }
    return frame + Bytes{static_cast<std::uint8_t>(sum), 0x16};
}

const Bytes kAck = Hex("10 00 01 00 01 16");
const Bytes kNak = Hex("10 00 01 01 02 16");

// ---- device_operations: [SA] then [operation] [DA] [knobs] and per request [delay/5] [gap] [count] bytes

std::uint8_t ReadOp(int table) {
    return static_cast<std::uint8_t>(table + 1);
}
std::uint8_t WriteOp(int table) {
    return static_cast<std::uint8_t>(table + 10);
}
constexpr std::uint8_t kClearCounter = 18, kClearSum = 19, kIdent = 20, kVersion = 21, kForeign = 22,
                       kStatus = 23;

Bytes Step(std::uint8_t op, std::uint8_t da, const std::vector<Bytes>& answers, std::uint8_t knobs = 0) {
    Bytes step = {op, da, knobs};
    for (const Bytes& a : answers) {
        step = step + Bytes{1, 0, static_cast<std::uint8_t>(a.size())} + a;
    }
    return step;
}

void DeviceSeeds() {
    const std::string t = "device_operations";
    const Bytes table0 = Hex("68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16");
    const Bytes table1 = Answer(Hex("03 02 01 21 10 27"));
    Bytes foreign = Bytes(97, 0);
    foreign[0] = 0x01;
    std::memcpy(foreign.data() + 1, "Foreign Devices Ltd.", 20);
    Write(t, "read_table0", Bytes{0} + Step(ReadOp(0), 1, {table0}));
    Write(t, "read_table1_write_table1",
          Bytes{0} + Step(ReadOp(1), 1, {table1}) + Step(WriteOp(1), 1, {kAck}));
    Write(t, "read_table2_write_table2",
          Bytes{0} + Step(ReadOp(2), 1, {Answer(Hex("00 00 80 3F 00 00 00 00"))}) +
              Step(WriteOp(2), 1, {kAck}));
    Write(t, "read_table3",
          Bytes{0} + Step(ReadOp(3), 1, {Answer(Hex("00 00 80 3F 00 00 00 40 00 00 40 40"))}));
    Write(t, "read_table4_table5",
          Bytes{0} + Step(ReadOp(4), 1, {Answer(Bytes(8, 0x41))}) + Step(ReadOp(5), 1, {Answer({7})}) +
              Step(WriteOp(5), 1, {kAck}));
    Write(t, "read_table0_broadcast", Bytes{0} + Step(ReadOp(0), 127, {}));
    Write(t, "read_table0_short", Bytes{0} + Step(ReadOp(0), 1, {Bytes(table0.begin(), table0.end() - 1)}));
    // A whole frame shorter than table 1, the read filled up to the table's length by the bytes after it.
    Write(t, "read_table1_short_frame",
          Bytes{0} + Step(ReadOp(1), 1, {Hex("68 04 04 68 00 01 08 07 10 16 0f 01 00 00 00")}));
    Write(t, "bad_table_numbers", Bytes{0} + Step(ReadOp(6), 1, {}) + Step(WriteOp(0), 1, {}));
    Write(t, "clear_counter_nak_then_ack",
          Bytes{0} + Step(kClearCounter, 1, {kNak}) + Step(kClearCounter, 1, {kAck}));
    Write(t, "clear_sum_short_twice", Bytes{0} + Step(kClearSum, 1, {Hex("10 00 01"), Hex("10 00"), {}}));
    Write(t, "ident_version",
          Bytes{0} + Step(kIdent, 1, {Answer(Text("ZANTOR 30"))}) +
              Step(kVersion, 1, {Answer(Text("1.00 (simulator)"))}));
    Write(t, "ident_resent",
          Bytes{0} + Step(kIdent, 1, {Hex("68 64 64 68 00 01 08 00 42 42"), Answer(Bytes(100, 'A'))}));
    Write(t, "foreign_ident", Bytes{0} + Step(kForeign, 1, {Answer(foreign, 0x0A)}));
    Write(t, "station_status_five", Bytes{0} + Step(kStatus, 5, {Hex("10 00 05 00 05 16")}));
    Write(t, "line_error", Bytes{0} + Step(ReadOp(0), 1, {table0}, 4) + Step(ReadOp(0), 1, {table0}, 8));
}

// ---- sim_requests: [stations] [addresses] [foreign] [fault] [value] [seed], then [time] [count] bytes

void SimSeeds() {
    const std::string t = "sim_requests";
    const Bytes oneStation = {0, 1, 0, 7, 0, 1};
    Bytes all = oneStation;
    for (const auto& example : zt30::test::RequestExamples()) {
        const Bytes request = Hex(example.request);
        all = all + Bytes{1, static_cast<std::uint8_t>(request.size())} + request;
        Write(t, example.name, oneStation + Bytes{1, static_cast<std::uint8_t>(request.size())} + request);
    }
    Write(t, "all_examples", all);
    // Stations 1 and 5 and a foreign device at 9; a late answer on the second request.
    const Bytes stations = {1, 1, 5, 0x89, 0x85, 1, 1};
    const Bytes status = Hex("10 05 00 69 6E 16");
    const Bytes ident = Hex("68 04 04 68 09 00 6C 00 75 16");
    Write(t, "stations_foreign_fault", stations + Bytes{1, 6} + status + Bytes{1, 10} + ident);
    // A request cut in two, garbage in front, and an address change followed by a read of table 5.
    const Bytes read0 = Hex("68 05 05 68 01 00 6C 01 00 6E 16");
    Write(t, "split_with_garbage",
          oneStation + Bytes{1, 9} + Hex("00 FF 16 6E 68 05 05 68 01") + Bytes{2, 6} +
              Bytes(read0.begin() + 5, read0.end()));
    Write(t, "address_change",
          oneStation + Bytes{1, 12} + Hex("68 06 06 68 01 00 63 02 05 07 72 16") + Bytes{1, 11} +
              Hex("68 05 05 68 07 00 6C 01 05 79 16"));
}

// ---- parmrk_decoder: [control] [count] raw bytes

void ParmrkSeeds() {
    const std::string t = "parmrk_decoder";
    const Bytes marked = Hex("41 FF FF 42 FF 00 43 44 FF 00 00 45");
    Write(t, "marks_whole", Bytes{0, static_cast<std::uint8_t>(marked.size())} + marked);
    Write(t, "marks_split",
          Bytes{0, 2} + Hex("41 FF") + Bytes{0, 2} + Hex("FF FF") + Bytes{3, 3} + Hex("00 43 FF") +
              Bytes{0x40, 2} + Hex("00 44"));
    const Bytes answer = Hex("68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16");
    Write(t, "answer_plain", Bytes{1, static_cast<std::uint8_t>(answer.size())} + answer);
}

// ---- frame_decoder: [request length] [request] then the frame

void FrameSeeds() {
    const std::string t = "frame_decoder";
    const auto asked = [](const Bytes& request, const Bytes& frame) {
        return Bytes{static_cast<std::uint8_t>(request.size())} + request + frame;
    };
    for (const auto& example : zt30::test::RequestExamples()) {
        Write(t, "request_" + std::string(example.name), Bytes{0} + Hex(example.request));
    }
    const Bytes readTable0 = Hex("68 05 05 68 01 00 6C 01 00 6E 16");
    const Bytes readTable1 = Hex("68 05 05 68 01 00 6C 01 01 6F 16");
    const Bytes readIdent = Hex("68 04 04 68 01 00 6C 00 6D 16");
    const Bytes table0 = Hex("68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16");
    Write(t, "answer_table0", asked(readTable0, table0));
    Write(t, "answer_table0_cut", asked(readTable0, Bytes(table0.begin(), table0.end() - 3)));
    Write(t, "answer_table1", asked(readTable1, Answer(Hex("03 02 01 21 10 27"))));
    Write(t, "answer_ident", asked(readIdent, Answer(Text("ZANTOR 30"))));
    Write(t, "answer_ident_unprintable", asked(readIdent, Answer(Text("\x01\"ZAN\\TOR\x7F\xC3"))));
    Write(t, "answer_refused", asked(readTable0, Answer(Hex("00"), 0x09)));
    Write(t, "acknowledgement", Bytes{0} + kAck);
    Write(t, "negative_acknowledgement", Bytes{0} + kNak);
    Write(t, "single_character", Bytes{0} + Hex("E5"));
    Write(t, "status_answer", Bytes{0} + Hex("10 00 05 00 05 16"));
}

// ---- param_file: the file's bytes

void ParamFileSeeds() {
    const std::string t = "param_file";
    zt30::DeviceImage image;
    image.func = 1;
    image.dp = 2;
    image.factor = 1;
    image.config = 0x21;
    image.filtr = 59999;
    image.scale = 2.5f;
    image.offset = -0.0f;
    image.sp_lo = 1e-45f;
    image.sp_hi = 3.4028235e38f;
    image.hyster = 0.1f;
    image.an_lo = 4.0f;
    image.an_hi = std::bit_cast<float>(std::uint32_t{0x7FC00001});
    Write(t, "written", Text(zt30::WriteParamFile(image, {"2025-01-31 14:05:09", "ZANTOR 30", "V1.0", 1})));
    Write(t, "written_no_origin", Text(zt30::WriteParamFile(zt30::DeviceImage{}, {})));
    Write(t, "by_hand",
          Text("\xEF\xBB\xBF; by hand\r\n[zantor30]\r\nTYP = a = b ; kept\r\nadresa = 126\r\n\r\n"
               "# parameters\r\n[Parametry]\r\n\tfunc = rate\r\nDp=000.000\r\nFACTOR = dělení ; x\r\n"
               "AOUT = 4..   20 mA\r\nvstup = 1\r\nHYSTER = -2.5E1\r\nAN.LO = .5\r\nSCALE = 0x7F800000"));
    Write(t, "config_byte", Text("[PARAMETRY]\nCONFIG = 0xc5\nFILTR = 0\n"));
    Write(t, "refused_twice", Text("[PARAMETRY]\nRESET = 1\nCONFIG = 21\n"));
    Write(t, "refused_value", Text("[PARAMETRY]\nSCALE = 1,5\n"));
    Write(t, "refused_section", Text("[ZANTOR30]\nDATUM = 1. 2. 2025\n[GRAF]\n"));
}

// ---- param_text: [selector] then the selector's fields

void ParamSeeds() {
    const std::string t = "param_text";
    const char* commaTexts[] = {
        "1,5",           "1.5",          " -2,5E1 ", ",",        "0,1",       "1234,567749", "12345,67773",
        "1,2345679E+10", "3,4028235E38", "1E-45",    "0,000000", "-0,250000", "12a"};
    int i = 0;
    for (const char* text : commaTexts) {
        Write(t, "float_comma_" + std::to_string(i++), Bytes{0, 1} + Text(text));
    }
    Write(t, "float_point", Bytes{0, 0} + Text("-12.5e+2"));
    const char* floats[] = {"00 00 80 3F", "CD CC CC 3D", "2B 52 9A 44", "B6 E6 40 46", "00 00 80 BE",
                            "F9 02 15 50", "FF FF 7F 7F", "01 00 00 00", "00 00 C0 7F", "00 00 80 FF"};
    i = 0;
    for (const char* bits : floats) {
        Write(t, "shown_float_" + std::to_string(i++), Bytes{1, 1} + Hex(bits));
    }
    const char* filtr[] = {"59999", "0", "60000", "-1", " 25", "25 ", "", "+7", "2147483648"};
    i = 0;
    for (const char* text : filtr) {
        Write(t, "filtr_" + std::to_string(i++), Bytes{2} + Text(text));
    }
    const char* addresses[] = {"126", "0", "127", "128", "300", "-1"};
    i = 0;
    for (const char* text : addresses) {
        Write(t, "address_" + std::to_string(i++), Bytes{3} + Text(text));
    }
    Write(t, "stored_negative", Bytes{4} + Text("-2147483633"));
    Write(t, "stored_blanks", Bytes{4} + Text(" 42  "));
    Write(t, "option_number", Bytes{5} + Text("115200"));
    Write(t, "utf8_czech", Bytes{6} + Text("Čítá náběžnou hranou"));
    Write(t, "utf8_surrogate", Bytes{6} + Hex("ED A0 80"));
    Write(t, "ascii_case", Bytes{7, 4} + Text("GrafgRAF"));
}

// ---- settings_file: [what] [value, 4 bytes] [text length] [text], then the file

void SettingsSeeds() {
    const std::string t = "settings_file";
    const std::string program =
        "[DESKTOP]\nLeft=192\nTop=107\nHeight=465\nWidth=667\n\n[GRAF]\nPERO=255\nMRIZ=-2147483633\n"
        "POZADI=-2147483633\nG3D=1\nR3D=35\nPOCET=200\n\n[ZAZNAM]\nSOUBOR=60\n\n[ADRESA]\nSA=0\nDA=0\n\n"
        "[PORT]\nCOM=1\nBAUDRATE=9600\n";
    Write(t, "program_file", Bytes{4, 0x80, 0, 0, 0, 0} + Text(program));
    const std::string edited =
        "\xEF\xBB\xBF; edited by hand\r\n[graf]\r\nPERO = 65280 \r\nr3d=\"50\"\r\n# "
        "comment\r\n[GRAF\r\nG3D=0\r\n"
        "[DEVICES]\r\nCOM1=/dev/ttyUSB0\r\nCOM2=\"/dev/serial/by-id/usb \\x0041\"\r\n[PORT]\r\nCOM=\xC3\r\n"
        "[ZAZNAM]\r\nSOUBOR=-5";
    const std::string path = "/dev/ttyACM0";
    Write(t, "edited_file",
          Bytes{15, 0, 0, 0, 0, static_cast<std::uint8_t>(path.size())} + Text(path) + Text(edited));
    Write(t, "empty_file", Bytes{10, 30, 0, 0, 0, 0});
    Write(t, "utf16_file", Bytes{0, 1, 0, 0, 0, 0} + Hex("FF FE 5B 00 47 00"));
}

// ---- posix_backend: [flags] [rate], then [operation] [size] with the system's answers in between

void PosixSeeds() {
    const std::string t = "posix_backend";
    const Bytes answer = Hex("68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16");
    // A write of 11 bytes taken whole, an empty queue; a read of 17 bytes arriving in two chunks.
    Bytes plain = Bytes{0x08, 6} + Bytes{2, 10, 0, 10} + Bytes{0} + Bytes{0, 16, 1, 50, 0, 9} +
                  Bytes(answer.begin(), answer.begin() + 9) + Bytes{1, 10, 0, 8} +
                  Bytes(answer.begin() + 9, answer.end());
    Write(t, "write_then_read", plain);
    // Marking on with abort-on-error: a real FF, then an error mark.
    Write(
        t, "marked_read",
        Bytes{0x0B, 6} + Bytes{0, 9, 1, 0, 0, 6} + Hex("41 FF FF 42 FF 00") + Bytes{1, 0, 0, 1} + Hex("43"));
    // Partial and interrupted writes, an interrupted poll, then a hang-up during a read.
    Write(t, "partial_write_hangup",
          Bytes{0x00, 13} + Bytes{2, 20, 0, 3, 5, 0, 7, 6, 1, 5, 0} + Bytes{0, 100, 4, 30, 5, 0});
}

}  // namespace

// ---- logger_config: the file's bytes

void LoggerSeeds() {
    const std::string t = "logger_config";
    Write(t, "plant",
          Text("[LINE1]                      ; a line\nDEVICE = /dev/ttyUSB0\nBAUD = 9600\nSA = 0\n"
               "STATIONS = 1, 5, 10\nINTERVAL = 1\n\n[LINE2]\nDEVICE = rfc2217://[::1]:2217\nSTATIONS = 7\n\n"
               "[RECORD]\nFOLDER = \"/var/lib/zt30\"\n\n[MQTT]\nBROKER = mqtts://broker:8883\nTOPIC = a/b\n"
               "USER = u\nPASSWORD = p\nCAFILE = /ca.pem\n"));
    Write(t, "refused", Text("[LINE1]\r\nDEVICE=COM3\r\nSTATIONS=1,1\r\n[MQTT]\r\nBROKER=mqtt://h\r\n"));
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zt30_fuzz_seeds DIR\n");
        return 2;
    }
    root = argv[1];
    DeviceSeeds();
    SimSeeds();
    ParmrkSeeds();
    FrameSeeds();
    ParamFileSeeds();
    ParamSeeds();
    SettingsSeeds();
    PosixSeeds();
    LoggerSeeds();
    return 0;
}
