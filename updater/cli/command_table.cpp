#include "cli/command_table.h"

#include <array>

#include "commands/device_token.h"
#include "commands/discover.h"
#include "commands/fingerprint.h"
#include "commands/get_firmware.h"
#include "commands/list_local_builds.h"
#include "commands/list_server_builds.h"
#include "commands/update.h"

namespace {

bool s_hasDevice(const UpdaterSettings& settings) {
    return settings.serialNumber != 0;
}

// Recovery finds the device from its chip's fingerprint; any other update names it with -d.
bool s_hasDeviceOrRecovers(const UpdaterSettings& settings) {
    return settings.transport == TRANSPORT_RECOVER || s_hasDevice(settings);
}

bool s_hasSerialPort(const UpdaterSettings& settings) {
    return !settings.serialPortName.empty();
}

constexpr CommandPrerequisite s_serialNumberFor(const char* refusal) {
    return {s_hasDevice, refusal, true};
}

constexpr std::array kCommands{
    CommandEntry{CMD_FINGERPRINT, "-N", CommandStage::Leading,
                 CommandPrerequisite{s_hasSerialPort,
                                     "Must specify the serial port used for connecting", false},
                 runFingerprint},
    CommandEntry{CMD_GET_FIRMWARE, "-G", CommandStage::Leading,
                 CommandPrerequisite{s_hasDevice,
                                     "-G must specify a specific device via -d\n"
                                     "--help for usage information",
                                     false},
                 runGetFirmware},
    CommandEntry{CMD_DISCOVER, "-D", CommandStage::Final, std::nullopt, runDiscover},
    CommandEntry{CMD_UPDATE, "-U", CommandStage::Final,
                 CommandPrerequisite{s_hasDeviceOrRecovers,
                                     "Must specify the specific device to be updated", false},
                 runUpdate},
    CommandEntry{CMD_LIST_SERVER_BUILDS, "-B", CommandStage::Final,
                 s_serialNumberFor("Error must supply a serial number for the List Builds command"),
                 runListServerBuilds},
    CommandEntry{
        CMD_LIST_LOCAL_BUILDS, "-L", CommandStage::Final,
        s_serialNumberFor("Error must supply a serial number for the List Local Builds command"),
        runListLocalBuilds},
    CommandEntry{CMD_GET_TOKEN, "-J", CommandStage::Final,
                 s_serialNumberFor("Error must supply a serial number for the Get JWT command"),
                 runGetDeviceToken},
};

}  // namespace

std::span<const CommandEntry> commandTable() {
    return kCommands;
}
