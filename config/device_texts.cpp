#include "config/device_texts.h"

#include "base/code_page_1250.h"
#include "link/device.h"

namespace zt30 {

std::string DeviceText(std::span<const std::uint8_t> block, std::size_t offset, std::size_t maxLength) {
    return Windows1250ToUtf8(BlockText(block, offset, maxLength));
}

std::string ForeignDeviceMessage(std::span<const std::uint8_t> identForeign) {
    std::string fields;
    for (std::size_t i = 0; i < 3 * kForeignFieldLength; ++i) {
        if (i % kForeignFieldLength == 0) {
            fields += '\r';
        }
        const std::uint8_t byte = i < identForeign.size() ? identForeign[i] : 0;
        if (byte == 0) {
            break;
        }
        fields += static_cast<char>(byte);
    }
    return kForeignDeviceSentence + Windows1250ToUtf8(fields);
}

}  // namespace zt30
