#include "cli/usage.h"

#include <cstdint>

#include "display/output.h"
#include "update_server/default_server.h"

namespace {

// The usage is shown line by line as errors, so it reaches standard error through the display
// like every other message.
// clang-format off
constexpr const char* kShortUsage[] = {
    "",
    "Application Usage:",
    "Updater <-B | -D | -G | -U > [-Hh | --help] [-b build_num]",
    "    [-d serial_num]",
    "    [-t transport] [-r router_serial]",
    "    [-s serial_port] [-o baud_rate]",
    "",
    "  Lynkor Update and Maintenance Application",
    "    -H -h or --help for full usage information.",
    "",
};

constexpr const char* kParametersAndCommands[] = {
    "  Parameters to commands:",
    "     -i <norvane_directory>   - The Norvane directory used for storage of ",
    "                                firmware files. [Default: ~/.norvane ].",
    "     -b <build number>        - Build version of the firmware to transfer.",
    "                                [Default: latest version available].",
    "     -d <device>              - Device serial number of the device to access.",
    "     -t <transport type>      - communications method [USB,TCP,RECOVER].",
    "     -f <bird file>           - Firmware file to be transferred to device.",
    "     -r <router serial>       - indirect connection through router device",
    "     -s <serial port>         - name of serial port to use for recovery",
    "     -o <baud rate>           - baud rate for serial port (2400, 4800, 9600,",
    "                                19200, 38400, 57600, 115200, 230400)",
    "  Commands:",
    "     -B                       - list the Builds available for given device.",
    "",
    "     -L                       - list the local Builds available for given device.",
    "",
    "     -D                       - Discover devices that are currently connected.",
    "",
    "     -G                       - Get build file from the Norvane server and",
    "                                store on local machine for download to device.",
    "                                Must specify a specific device [\"-d\" option].",
    "                                Default is to obtain the latest build for the",
    "                                given device, override with \"-b\" option.",
    "",
    "     -U                       - Update the firmware on device specified.",
    "                                Must specify a specific device [\"-d\" option].",
    "                                Default is to download the latest build for the",
    "                                given device, override with \"-b\" option or",
    "                                specify specific BIRD file using \"-f\" option.",
    "     -J                       - Get a JWT containing the devices software features",
    "     -H or -h                 - Display extended usage information.",
    "",
};

constexpr const char* kExtendedParameters[] = {
    "  Extended Parameters:",
    "     -e                       - echoing of bytes enabled during recovery.",
    "",
    "     -m                       - Attemps to use UEIBytes for faster loading",
    "     -l 'log message'         - message to place in device history log",
    "     -k <filename>            - log messages written into given filename",
    "                                Default:[APP.log]",
    "     -u <host:port>           - The hostname and port of the update server",
};

constexpr const char* kExtendedCommands[] = {
    "  Extended Commands:",
    "     -I                       - View stored device information.",
    "                                Must either use DISCOVER command [\"-D\"] or",
    "                                specify a specific device [\"-d\" option].",
    "",
    "     -OVERRIDE                - Override the model checks for BIRD firmware files.",
    "                                This option should only be used when authorized by",
    "                                Norvane development engineers.",
    "",
    "     -N                       - Get fingerprint from a device, requires -s",
    "",
    "     -X <BIT_MASK>            - Bitmask for Logging",
};

constexpr const char* kSamples[] = {
    " Sample usage:",
    "",
    "-D                             Discover all devices connected by either USB or TCPIP.",
    "                               Records the device information into the settings for that device.",
    "",
    "-D -t USB                      Discover all the devices connected by USB. Records the",
    "                               device information into the settings for that device.",
    "",
    "-D -t USB -d 0F5849A           Discover settings of the specific device (serial number 0x40F5849A)",
    "",
    "-G -d 40F5849A                 Get the latest firmware for the given device.",
    "                               Downloads the firmware file into the updater specific device directory.",
    "",
    "-U -d 40F5849A                 Update the firmware on the specific device.",
    "                               Without other options, this command will try to locate",
    "                               the latest firmware version to be used for updating the device.",
    "",
    "-G -d 40F5849A -b 99528558     Get the specified build's firmware for the given device.",
    "                               Downloads the firmware file into the updater's specific",
    "                               device directory with the build number as the filename.",
    "",
    "-G -U -d 40F5849A              Get the latest firmware for the given device.",
    "                               Downloads the firmware file into the updater specific",
    "                               device directory. After download, update the firmware",
    "                               using the latest release.",
    "",
    "-U -t RECOVER -s /dev/serial   Update the firmware as described above, but uses the serial interface",
    "                               in communicating with the device to install the latest firmware.",
    "",
    " Sample usage for network discovery and updates:",
    "",
    "-D -r D272031D                 Discover all devices connected to the I2C Lynkor network",
    "                               of the given routing device D272031D.",
    "",
    "-G -U -d 2181F0EE -r D272031D",
    "                               Get and Update to the latest firmware for device 2181F0EE",
    "                               indirectly through routing device D272031D.",
    "",
};
// clang-format on

struct CategoryLine {
    const char* name;
    uint32_t bit;
    bool blankLineAfter;
};

// Bit 0x100 is also shown as DEBUG_Network; only the enumeration needs a distinct name for it.
constexpr CategoryLine kDebugCategories[] = {
    {"DEBUG_Updater", DEBUG_Updater, false},
    {"DEBUG_History", DEBUG_History, false},
    {"DEBUG_Attributes", DEBUG_Attributes, false},
    {"DEBUG_BirdFile", DEBUG_BirdFile, false},
    {"DEBUG_Network", DEBUG_Network, false},
    {"DEBUG_ServerComm", DEBUG_ServerComm, true},
    {"DEBUG_Network", DEBUG_Network_100, false},
    {"DEBUG_Network_SR", DEBUG_Network_SR, false},
    {"DEBUG_Network_FIRM", DEBUG_Network_FIRM, true},
    {"DEBUG_NXPSerial", DEBUG_NXPSerial, false},
    {"DEBUG_NXPSerial_E", DEBUG_NXPSerial_E, false},
    {"DEBUG_NXPSerial_SR", DEBUG_NXPSerial_SR, true},
    {"DEBUG_APP", DEBUG_APP, true},
    {"DEBUG_iMXSerial", DEBUG_iMXSerial, false},
};

constexpr const char* kUsageIndent = "                                ";

template <size_t N>
void showLines(UpdaterDisplayInterface* display, const char* const (&lines)[N]) {
    for (const char* line : lines) {
        displayPrintf(display, DISPLAY_ERROR, "%s", line);
    }
}

void showExtendedSection(UpdaterDisplayInterface* display) {
    showLines(display, kExtendedParameters);
    displayPrintf(display, DISPLAY_ERROR, "%sDefault: %s:%u", kUsageIndent, kDefaultServerHost,
                  static_cast<unsigned>(kDefaultServerPort));
    showLines(display, kExtendedCommands);
    for (const CategoryLine& category : kDebugCategories) {
        displayPrintf(display, DISPLAY_ERROR, "%s%-20s0x%08X", kUsageIndent, category.name,
                      category.bit);
        if (category.blankLineAfter) {
            displayPrintf(display, DISPLAY_ERROR, "%s", "");
        }
    }
    displayPrintf(display, DISPLAY_ERROR, "%s", "");
    displayPrintf(display, DISPLAY_ERROR, "%s",
                  "     -C                       - Check the given BIRDFILE");
    displayPrintf(display, DISPLAY_ERROR, "%s", "");
}

}  // namespace

void printShortUsage(UpdaterDisplayInterface* display) {
    showLines(display, kShortUsage);
}

void printUsage(UpdaterDisplayInterface* display, bool extended, bool full) {
    printShortUsage(display);
    if (!full) {
        return;
    }
    showLines(display, kParametersAndCommands);
    if (extended) {
        showExtendedSection(display);
    }
    showLines(display, kSamples);
}
