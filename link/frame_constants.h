// The bus frame constants of the instrument's protocol (PROFIBUS FDL formats SD1 and SD2) and the commands
// and tables of the instrument. Shared by the program and the simulator; nothing here builds or checks a
// frame.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zt30::frame {

inline constexpr std::uint8_t kSd1 = 0x10;  // start of a fixed-length frame (6 bytes)
inline constexpr std::uint8_t kSd2 = 0x68;  // start of a variable-length frame (LE + 6 bytes)
inline constexpr std::uint8_t kEd = 0x16;   // end of both frames

inline constexpr std::uint8_t kFcReadRequest = 0x6C;    // SD2 request answered with data
inline constexpr std::uint8_t kFcWriteRequest = 0x63;   // SD2 request answered with an acknowledgement
inline constexpr std::uint8_t kFcStatusRequest = 0x69;  // SD1 request answered with an acknowledgement
inline constexpr std::uint8_t kFcDataAnswer = 0x08;     // the only FC accepted in an SD2 answer
inline constexpr std::uint8_t kFcAcknowledge = 0x00;    // the only FC accepted in an SD1 answer

inline constexpr std::uint8_t kBroadcastAddress = 127;

inline constexpr std::size_t kSd1Length = 6;
inline constexpr std::size_t kSd2Overhead = 6;  // an SD2 frame is LE + 6 bytes long
inline constexpr std::size_t kSd2DataOffset = 7;
inline constexpr std::size_t kBufferSize = 256;
inline constexpr std::size_t kMaxRead = 255;

// First byte of an SD2 request's data unit.
inline constexpr std::uint8_t kCmdIdentification = 0x00;
inline constexpr std::uint8_t kCmdReadTable = 0x01;
inline constexpr std::uint8_t kCmdWriteTable = 0x02;
inline constexpr std::uint8_t kCmdVersion = 0x04;

inline constexpr int kTableCount = 8;  // tables 0 to 7
inline constexpr std::size_t kTableLength[kTableCount] = {8, 6, 8, 12, 8, 1, 1, 1};
inline constexpr int kTableClearCounter = 6;
inline constexpr int kTableClearSum = 7;
inline constexpr std::uint8_t kClearCounterByte = 0x55;  // "U"
inline constexpr std::uint8_t kClearSumByte = 0x5A;      // "Z"

}  // namespace zt30::frame
