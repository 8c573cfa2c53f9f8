// The instrument's data tables and the device operations. DeviceImage is the program's copy of tables 0 to 5
// and of the three identification answers; each operation builds its request in the telegram layer, runs one
// transaction pattern and moves data between the answer and the image. Operations return a success flag,
// never throw, and leave the image unchanged on failure; the line must already be open.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "link/frame_constants.h"
#include "link/telegram.h"
#include "link/ui_services.h"

namespace zt30 {

struct DeviceImage {
    // table 0
    float value = 0.0f;
    float suma = 0.0f;
    // table 1
    std::uint8_t func = 0;
    std::uint8_t dp = 0;
    std::uint8_t factor = 0;
    std::uint8_t config = 0;
    std::uint16_t filtr = 0;
    // table 2
    float scale = 0.0f;
    float offset = 0.0f;
    // table 3
    float sp_lo = 0.0f;
    float sp_hi = 0.0f;
    float hyster = 0.0f;
    // table 4
    float an_lo = 0.0f;
    float an_hi = 0.0f;
    // table 5
    std::uint8_t address = 0;
    // identification answers, zero-filled blocks read as zero-terminated text
    std::array<std::uint8_t, 250> identType{};
    std::array<std::uint8_t, 250> identVersion{};
    std::array<std::uint8_t, 255> identForeign{};

    friend bool operator==(const DeviceImage&, const DeviceImage&) = default;
};

// Bytes of table n's data (0 to 7); 0 for a number outside that range.
std::size_t TableLength(int table);

// Copies the fields of table n (0 to 5) from its data bytes (little-endian) into the image.
// data must hold at least TableLength(n) bytes.
void DecodeTable(int table, std::span<const std::uint8_t> data, DeviceImage& image);
// Writes the fields of table n (1 to 5, or 0) from the image into out (at least TableLength(n) bytes).
void EncodeTable(int table, const DeviceImage& image, std::span<std::uint8_t> out);

// The text of a zero-filled block up to its first zero byte (or its end), at most maxLength bytes from
// offset.
std::string BlockText(std::span<const std::uint8_t> block, std::size_t offset = 0,
                      std::size_t maxLength = static_cast<std::size_t>(-1));

class DeviceOperations {
public:
    DeviceOperations(TelegramLayer& link, DeviceImage& image, UiServices& ui)
        : link_(link), image_(image), ui_(ui) {}
    DeviceOperations(const DeviceOperations&) = delete;
    DeviceOperations& operator=(const DeviceOperations&) = delete;

    // Reads table n (0 to 5) into the image; a number outside shows "Chyba, číslo tabulky mimo rozsah."
    // and sends nothing. At the broadcast address nothing is read and the result is that of the write.
    bool ReadTable(int table);
    // Writes table n (1 to 5) from the image; a number outside shows "Nepředvídaná chyba, špatně zadaná
    // tabulka" and sends nothing.
    bool WriteTable(int table);
    bool ClearCounter();
    bool ClearSum();
    // Fills identType / identVersion with the checked answer's data unit.
    bool ReadIdentification();
    bool ReadVersion();
    // Fills identForeign with an unchecked answer's data unit less its first byte.
    bool ReadForeignIdentification();
    // True when a station at the current DA answered the status request with a positive acknowledgement.
    bool RequestStationStatus();

    DeviceImage& Image() { return image_; }
    TelegramLayer& Link() { return link_; }

private:
    bool Clear(int table, std::uint8_t clearByte);
    bool ReadText(std::uint8_t command, std::array<std::uint8_t, 250>& block);

    TelegramLayer& link_;
    DeviceImage& image_;
    UiServices& ui_;
};

}  // namespace zt30
