#pragma once

#include <cstdint>
#include <string>

#include "update_server/default_server.h"

// The bits of UpdaterSettings::commandFlags, one per command letter.
enum CommandFlag : uint32_t {
    CMD_DISCOVER = 0x1,
    CMD_UPDATE = 0x2,
    CMD_LIST_SERVER_BUILDS = 0x4,
    CMD_GET_FIRMWARE = 0x8,
    CMD_INFO = 0x10,
    CMD_CHECK = 0x20,
    CMD_FINGERPRINT = 0x40,
    CMD_Z = 0x80,
    CMD_GET_TOKEN = 0x100,
    CMD_LIST_LOCAL_BUILDS = 0x200,
    CMD_HELP = 0x80000000,
};

// Any of these bits means a command was asked for; help is not among them.
inline constexpr uint32_t kAnyCommandBits = 0x3FF;

enum Transport : int {
    TRANSPORT_INVALID = 0,
    TRANSPORT_USB = 1,
    TRANSPORT_TCPIP = 2,
    TRANSPORT_RECOVER = 255,
};

// The parsed command line; one instance, owned by main for the whole run.
struct UpdaterSettings {
    uint32_t commandFlags = 0;
    uint32_t serialNumber = 0;
    uint32_t routerSerialNumber = 0;
    int transport = TRANSPORT_USB;
    // Set by -t even when its value is refused.
    bool transportGiven = false;
    std::string serialPortName;
    uint32_t baudRate = 115200;
    // Always 0: the update command finds a routed device's address itself.
    uint8_t indirectModuleAddress = 0;
    std::string birdFilePath;
    std::string historyLogMessage;
    // Decimal text; -G replaces it with the build it stored.
    std::string buildNumber;
    bool echoBytes = false;
    std::string serverUrl = kDefaultServerBaseUrl;
    bool nFlag = false;
    std::string storeRootDirectory;
    std::string programName;
    // Recorded only: no log file is ever opened.
    std::string logMode = "a+";
    std::string logFileName = "Updater.log";
    bool overrideModelChecks = false;
    bool useUEIBytes = true;
    uint32_t debugMask = 0;
    bool printExtendedUsage = true;
    bool helpRequested = false;
};
