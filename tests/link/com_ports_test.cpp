// Which device a COM port number opens on a POSIX system, and under which name Windows opens it.
#include "link/com_ports.h"

#include <climits>

#include <gtest/gtest.h>

namespace zt30 {
namespace {

TEST(DevicePathForPortTest, NoPortNeverMaps) {
    const PortDeviceLookup everything = [](int) { return std::optional<std::string>("/dev/ttyUSB0"); };
    for (int n : {0, -1, INT_MIN}) {
        EXPECT_EQ(DevicePathForPort(n, everything), std::nullopt) << n;
        EXPECT_EQ(DevicePathForPort(n, nullptr), std::nullopt) << n;
    }
}

TEST(DevicePathForPortTest, ConfiguredPathWins) {
    const PortDeviceLookup lookup = [](int n) -> std::optional<std::string> {
        if (n == 3) {
            return "/dev/ttyUSB0";
        }
        if (n == 4) {
            return "";
        }
        return std::nullopt;
    };
    EXPECT_EQ(DevicePathForPort(3, lookup), "/dev/ttyUSB0");
    EXPECT_EQ(DevicePathForPort(4, lookup), "/dev/ttyS3") << "an empty value falls back to the default";
    EXPECT_EQ(DevicePathForPort(1, lookup), "/dev/ttyS0");
}

TEST(DevicePathForPortTest, DefaultIsTtySOfPortMinusOne) {
    EXPECT_EQ(DevicePathForPort(1, nullptr), "/dev/ttyS0");
    EXPECT_EQ(DevicePathForPort(8, nullptr), "/dev/ttyS7");
    EXPECT_EQ(DevicePathForPort(12, nullptr), "/dev/ttyS11");
    EXPECT_EQ(DevicePathForPort(INT_MAX, nullptr), "/dev/ttyS2147483646");
}

TEST(Win32DeviceForPortTest, APortOpensInTheDeviceNamespace) {
    EXPECT_EQ(Win32DeviceForPort(1, nullptr), "\\\\.\\COM1");
    EXPECT_EQ(Win32DeviceForPort(12, nullptr), "\\\\.\\COM12");
    for (int n : {0, -1, INT_MIN}) {
        EXPECT_EQ(Win32DeviceForPort(n, nullptr), std::nullopt) << n;
    }
}

TEST(Win32DeviceForPortTest, AGivenNameIsTakenInTheDeviceNamespace) {
    const PortDeviceLookup lookup = [](int n) -> std::optional<std::string> {
        switch (n) {
            case 1:
                return "COM12";
            case 2:
                return "\\\\.\\COM5";
            case 3:
                return "";
            default:
                return std::nullopt;
        }
    };
    EXPECT_EQ(Win32DeviceForPort(1, lookup), "\\\\.\\COM12");
    EXPECT_EQ(Win32DeviceForPort(2, lookup), "\\\\.\\COM5") << "a full device name is kept";
    EXPECT_EQ(Win32DeviceForPort(3, lookup), "\\\\.\\COM3") << "an empty name falls back to the port";
    EXPECT_EQ(Win32DeviceForPort(4, lookup), "\\\\.\\COM4");
    EXPECT_EQ(Win32DeviceForPort(0, lookup), std::nullopt);
}

}  // namespace
}  // namespace zt30
