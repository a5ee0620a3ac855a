#include "upgrade/updater_entity.h"

#include <algorithm>
#include <array>

#include "display/output.h"
#include "display/updater_display_interface.h"
#include "lynkor/aError.h"
#include "lynkor/aTime.h"
#include "lynkor/aUEI.h"
#include "lynkor/entities/SystemClass.h"
#include "upgrade/upgrade_messages.h"

using Norvane::Lynkor::Module;

namespace {

constexpr const char* kVerifyingLabel = "Verifying Update";
// The device takes several packets back to back in one write.
constexpr uint32_t kPooledPacketsFeature = 0x80000000;

int s_int(size_t value) {
    return static_cast<int>(value);
}

}  // namespace

void UpdaterEntity::init(Module* module, uint8_t index, bool validate, bool noWait) {
    module_ = module;
    validate_ = validate;
    noWait_ = noWait;
    useUEIData_ = false;
    EntityClass::init(module, cmdUPGRADE, index);
}

aErr UpdaterEntity::send(std::span<const uint8_t> request) {
    return sendPacket(static_cast<uint8_t>(request.size()), request.data());
}

aErr UpdaterEntity::awaitReply(uint8_t answer, std::span<uint8_t> reply, uint8_t& length) {
    const std::array<uint8_t, 2> match{cmdUPGRADE, answer};
    length = 0;
    return receivePacket(match.data(), static_cast<uint8_t>(match.size()), &length, reply.data());
}

aErr UpdaterEntity::CheckUEIDataSupport() {
    const aErr result = module_ != nullptr
                            ? module_->hasUEI(cmdUPGRADE, val_UPGRADE_DATA_UEI, 0, UEI_SET)
                            : aErrResource;
    debugPrintf(DEBUG_Network_FIRM, "NETWORK: CheckUEIDataSupport: Error: %d\n", result);
    if (result == aErrNone) {
        useUEIData_ = true;
    }
    return result;
}

aErr UpdaterEntity::checkProtocolVersion() {
    if (module_ == nullptr) {
        return aErrResource;
    }
    Norvane::Lynkor::SystemClass system;
    system.init(module_, 0);
    uint32_t features = 0;
    aErr result = system.getProtocolFeatures(&features);
    debugPrintf(DEBUG_Network_FIRM, "NETWORK: Protocol Version: %d Error: %d\n",
                static_cast<int>(features), result);
    if (result == aErrNone && (features & kPooledPacketsFeature) != 0) {
        Norvane::Lynkor::Link* link = module_->getLink();
        result = link != nullptr ? link->enablePooledPackets(true) : aErrConnection;
    }
    return result;
}

aErr UpdaterEntity::loaderInit() {
    debugPrintf(DEBUG_Network_FIRM,
                "NETWORK: Loader Initialization {cmdUPGRADE, val_UPGRADE_INIT}\n");
    const std::array<uint8_t, 1> request{val_UPGRADE_INIT};
    aErr result = send(request);
    if (result != aErrNone) {
        debugPrintf(DEBUG_Network_FIRM, "NETWORK: Error sending UPGRADE_INIT (%d)\n", result);
        return result;
    }
    std::array<uint8_t, aPACKET_MAX_DATA> reply{};
    uint8_t length = 0;
    result = awaitReply(val_UPGRADE_INIT, reply, length);
    if (result != aErrNone) {
        return result;
    }
    const std::optional<uint32_t> base = parseInitReply(std::span(reply.data(), length));
    if (!base) {
        return aErrPacket;
    }
    debugPrintf(DEBUG_Network_FIRM, "NETWORK: load base = %d [%08X]\n", static_cast<int>(*base),
                *base);
    return aErrNone;
}

aErr UpdaterEntity::TransferPrepare(std::span<const uint8_t> body, uint8_t flags,
                                    uint16_t& blockSize) {
    if (body.size() < kUpgradeAddressSize) {
        return aErrSize;
    }
    debugPrintf(DEBUG_Network_FIRM, "NETWORK: TransferPrepare(..., %d, %02X, %d)\n",
                s_int(body.size()), flags, blockSize);
    debugPrintf(DEBUG_Network_FIRM,
                "NETWORK: TransferPrepare {cmdUPGRADE, val_UPGRADE_PREPARE, %02X, [%02X %02X %02X "
                "%02X]} \n",
                flags, body[0], body[1], body[2], body[3]);
    debugPrintf(DEBUG_Network_FIRM, "NETWORK: Address: %d\n",
                static_cast<int>(readBigEndian32(body.data())));
    // A status that comes late for an earlier request would pass for this one's.
    const uint8_t upgradeReplies = cmdUPGRADE;
    if (module_ != nullptr && module_->getLink() != nullptr) {
        module_->getLink()->dropMatchingPackets(module_->getModuleAddress(), &upgradeReplies, 1);
    }
    const std::array<uint8_t, 6> request{
        val_UPGRADE_PREPARE, flags, body[0], body[1], body[2], body[3]};
    aErr result = send(request);
    if (result != aErrNone) {
        debugPrintf(DEBUG_Network_FIRM, "NETWORK: Error sending UPGRADE_PREPARE (%d)\n", result);
        return result;
    }
    std::array<uint8_t, aPACKET_MAX_DATA> reply{};
    uint8_t length = 0;
    result = awaitReply(val_UPGRADE_STATUS, reply, length);
    if (result != aErrNone) {
        return result;
    }
    const std::optional<PrepareReply> prepared = parsePrepareReply(std::span(reply.data(), length));
    if (!prepared) {
        return aErrPacket;
    }
    // A block size of 0 would never move a byte.
    if (prepared->status != 0 || prepared->blockSize == 0) {
        debugPrintf(DEBUG_Network_FIRM,
                    "NETWORK: Invalid or error reply when initializing loader for firmware.\n");
        return aErrInvalidOption;
    }
    blockSize = prepared->blockSize;
    debugPrintf(DEBUG_Network_FIRM, "NETWORK: Loader validated firmware init [%d block size]\n",
                blockSize);
    return aErrNone;
}

aErr UpdaterEntity::sendDataPackets(std::span<const uint8_t> data, uint32_t& sum,
                                    uint32_t& packetCount) {
    size_t sent = 0;
    int sends = 0;
    aErr result = aErrNone;
    std::array<uint8_t, aPACKET_MAX_DATA> reply{};
    while (sent < data.size()) {
        const size_t chunk = std::min<size_t>(kUpgradeDataBytesPerPacket, data.size() - sent);
        debugPrintf(DEBUG_Network_FIRM,
                    "\nNETWORK: Block Transfer {cmdUPGRADE, val_UPGRADE_DATA, %d} \n",
                    s_int(chunk));
        std::array<uint8_t, 1 + kUpgradeDataBytesPerPacket> request{val_UPGRADE_DATA};
        std::copy_n(data.begin() + static_cast<ptrdiff_t>(sent), chunk, request.begin() + 1);
        result = send(std::span(request.data(), 1 + chunk));
        if (result != aErrNone) {
            debugPrintf(DEBUG_Network_FIRM, "\nNETWORK: Error sending UPGRADE_DATA (%d)\n", result);
            return result;
        }
        ++sends;
        uint8_t length = 0;
        std::optional<uint8_t> accepted;
        if (awaitReply(val_UPGRADE_DATA, reply, length) == aErrNone) {
            accepted = parseDataReply(std::span(reply.data(), length));
        } else {
            debugPrintf(DEBUG_Network_FIRM,
                        "\nNETWORK(DATA): No reply when initializing upgrade.\n");
        }
        if (!accepted) {
            result = aErrPacket;
            break;
        }
        if (*accepted != chunk) {
            debugPrintf(DEBUG_Network_FIRM,
                        "\nNETWORK: Invalid upgrade transfer response [%d != %d].\n", *accepted,
                        s_int(chunk));
            // A device that keeps taking another count is not going to take this packet.
            if (sends >= kDataPacketSends) {
                result = aErrPacket;
                break;
            }
            continue;
        }
        sum += upgradeSum(std::span(request.data() + 1, chunk));
        sent += chunk;
        sends = 0;
        ++packetCount;
        debugPrintf(DEBUG_Network_FIRM, "\nNETWORK: accepted %d more bytes (%d of %d remaining)\n",
                    s_int(chunk), s_int(data.size() - sent), s_int(data.size()));
    }
    debugPrintf(DEBUG_Network_FIRM, "\nNETWORK: transferred %d of %d bytes\n", s_int(sent),
                s_int(data.size()));
    return result;
}

aErr UpdaterEntity::validateSum(uint32_t sum, uint32_t packetCount) {
    debugPrintf(DEBUG_Network_FIRM,
                "\nNETWORK: Block Transfer Validation {cmdUPGRADE, val_UPGRADE_SUM}\n");
    const std::array<uint8_t, 1> request{val_UPGRADE_SUM};
    aErr result = send(request);
    if (result != aErrNone) {
        return result;
    }
    std::array<uint8_t, aPACKET_MAX_DATA> reply{};
    uint8_t length = 0;
    if (awaitReply(val_UPGRADE_STATUS, reply, length) != aErrNone) {
        debugPrintf(DEBUG_Network_FIRM, "\nNETWORK(STATUS): No reply when initializing upgrade.\n");
        return aErrPacket;
    }
    const std::optional<SumReply> device = parseSumReply(std::span(reply.data(), length));
    if (!device) {
        return aErrPacket;
    }
    if (device->status == 0 && device->sum == sum) {
        debugPrintf(DEBUG_Network_FIRM,
                    "\nNETWORK: Validate transfer [%02X] [%08X == %08X][%d blocks].\n",
                    device->status, sum, device->sum, static_cast<int>(packetCount));
        return aErrNone;
    }
    debugPrintf(0, "\nNETWORK: Unable to validate transfer [%02X] [%08X != %08X].\n",
                device->status, sum, device->sum);
    return aErrInvalidOption;
}

aErr UpdaterEntity::blockTransfer(std::span<const uint8_t> data, uint32_t& packetCount) {
    debugPrintf(DEBUG_Network_FIRM, "\nNETWORK: Block Transfer\n");
    uint32_t sum = 0;
    if (useUEIData_) {
        debugPrintf(DEBUG_Network_FIRM,
                    "\nNETWORK: Block Transfer {cmdUPGRADE, val_UPGRADE_DATA_UEI, %d} \n",
                    s_int(data.size()));
        const aErr result =
            setUEIBytes(val_UPGRADE_DATA_UEI, data.data(), static_cast<uint32_t>(data.size()));
        if (result != aErrNone) {
            debugPrintf(DEBUG_Network_FIRM, "\nNETWORK: Error sending UPGRADE_DATA_UEI (%d)\n",
                        result);
            return result;
        }
        sum = upgradeSum(data);
        packetCount = 1;
        debugPrintf(DEBUG_Network_FIRM, "\nNETWORK: accepted %d bytes \n", s_int(data.size()));
    } else {
        const aErr result = sendDataPackets(data, sum, packetCount);
        if (result != aErrNone) {
            return result;
        }
    }
    return validate_ ? validateSum(sum, packetCount) : aErrNone;
}

aErr UpdaterEntity::writeChunk(uint16_t count) {
    debugPrintf(DEBUG_Network_FIRM,
                "NETWORK: Firmware Write {cmdUPGRADE, val_UPGRADE_WRITE, %d}\n\n", count);
    const std::array<uint8_t, 3> request{val_UPGRADE_WRITE, static_cast<uint8_t>(count >> 8),
                                         static_cast<uint8_t>(count)};
    const aErr sent = send(request);
    if (sent != aErrNone) {
        debugPrintf(DEBUG_Network_FIRM, "NETWORK: Error sending UPGRADE_WRITE (%d, %s)\n", sent,
                    aError_GetErrorText(sent));
        return sent;
    }
    std::array<uint8_t, aPACKET_MAX_DATA> reply{};
    uint8_t length = 0;
    const aErr result = awaitReply(val_UPGRADE_STATUS, reply, length);
    const std::optional<uint8_t> status =
        result == aErrNone ? parseWriteReply(std::span(reply.data(), length)) : std::nullopt;
    if (!status || *status != 0) {
        debugPrintf(DEBUG_Network_FIRM,
                    "NETWORK: invalid or error reply when loader writing firmware.\n\n");
        return result == aErrNone && !status ? aErrPacket : aErrInvalidOption;
    }
    debugPrintf(DEBUG_Network_FIRM, "NETWORK: Loader validated write\n\n");
    return aErrNone;
}

aErr UpdaterEntity::firmwareTransfer(std::span<const uint8_t> body, uint16_t blockSize,
                                     UpdaterDisplayInterface* display) {
    if (body.size() < kUpgradeAddressSize) {
        return aErrSize;
    }
    if (blockSize == 0) {
        return aErrParam;
    }
    const size_t total = body.size();
    const std::span<const uint8_t> image = body.subspan(kUpgradeAddressSize);
    debugPrintf(DEBUG_Network_FIRM, "NETWORK: Firmware Transfer (addr=%08X, len=%d)\n",
                readBigEndian32(body.data()), s_int(image.size()));
    uint32_t packetCount = 0;
    display->setProgressActive(true);
    size_t remaining = image.size();
    aErr result = aErrNone;
    while (remaining > 0 && result == aErrNone) {
        const size_t count = std::min<size_t>(blockSize, remaining);
        result = blockTransfer(image.subspan(image.size() - remaining, count), packetCount);
        if (result != aErrNone) {
            break;
        }
        ++packetCount;
        remaining -= count;
        display->showProgress(static_cast<double>(total - remaining) / static_cast<double>(total),
                              nullptr);
        debugPrintf(DEBUG_Network_FIRM, "\nNETWORK: accepted %d more bytes (%d of %d remaining)\n",
                    s_int(count), s_int(remaining), s_int(total));
        result = writeChunk(static_cast<uint16_t>(count));
    }
    display->setProgressActive(false);
    debugPrintf(DEBUG_Network_FIRM, "NETWORK: transferred %d of %d bytes\n",
                s_int(total - remaining), s_int(total));
    if (result != aErrNone) {
        debugPrintf(0, "NETWORK: Failed to transfer firmware\n");
    }
    return result;
}

aErr UpdaterEntity::loaderTransfer(std::span<const uint8_t> body) {
    if (body.size() < kUpgradeAddressSize) {
        return aErrSize;
    }
    debugPrintf(DEBUG_Network_FIRM, "NETWORK: Loader Transfer (addr=%08X, len=%d)\n",
                readBigEndian32(body.data()), s_int(body.size() - kUpgradeAddressSize));
    uint32_t packetCount = 0;
    return blockTransfer(body.subspan(kUpgradeAddressSize), packetCount);
}

aErr UpdaterEntity::reconnectAfterLoad() {
    // The loader comes back the way the application was reached.
    linkSpec spec{};
    const linkType type =
        module_->getLinkSpecifier(&spec) == aErrNone ? static_cast<linkType>(spec.type) : USB;
    module_->disconnect();
    aErr result = aErrNotFound;
    for (int attempt = 1; attempt <= kLoaderReconnectAttempts; ++attempt) {
        debugPrintf(DEBUG_Network_100, "NETWORK: Attempting to reconnect. Attempt: %d of %d\n",
                    attempt, kLoaderReconnectAttempts);
        result = module_->reconnect();
        if (result == aErrNone) {
            return result;
        }
        debugPrintf(DEBUG_Network_100, "NETWORK: Couldn't reconnect to device delaying: %d ms\n",
                    static_cast<int>(kLoaderReconnectPauseMs));
        aTime_MSSleep(kLoaderReconnectPauseMs);
    }
    for (int attempt = 1; attempt <= kLoaderReconnectAttempts; ++attempt) {
        debugPrintf(DEBUG_Network_100,
                    "NETWORK: Attempting to reconnect DEFAULT sn. Attempt: %d of %d\n", attempt,
                    kLoaderReconnectAttempts);
        result = module_->connect(type, kLoaderPlaceholderSerial);
        if (result == aErrNone) {
            return result;
        }
        debugPrintf(DEBUG_Network_100, "NETWORK: Couldn't reconnect to device delaying: %d ms\n",
                    static_cast<int>(kLoaderReconnectPauseMs));
        aTime_MSSleep(kLoaderReconnectPauseMs);
    }
    return result;
}

aErr UpdaterEntity::loaderStart() {
    debugPrintf(DEBUG_Network_FIRM, "NETWORK: Loader Start {cmdUPGRADE, val_UPGRADE_LOAD}\n");
    const std::array<uint8_t, 1> request{val_UPGRADE_LOAD};
    aErr result = send(request);
    if (result != aErrNone) {
        debugPrintf(DEBUG_Network_FIRM, "NETWORK: Error sending UPGRADE_LOAD (%d)\n", result);
        return result;
    }
    std::array<uint8_t, aPACKET_MAX_DATA> reply{};
    uint8_t length = 0;
    if (awaitReply(val_UPGRADE_LOAD, reply, length) == aErrNone) {
        debugPrintf(DEBUG_Network_FIRM, "NETWORK: Loader validated start\n");
        return aErrNone;
    }
    if (module_ == nullptr) {
        return aErrResource;
    }
    result = reconnectAfterLoad();
    if (result != aErrNone) {
        debugPrintf(DEBUG_Network_100, "NETWORK: Invalid or reply when starting loader. [%d, %s]\n",
                    result, aError_GetErrorText(result));
        return aErrTimeout;
    }
    debugPrintf(DEBUG_Network_100, "NETWORK: Reconnected to device\n");
    result = awaitReply(val_UPGRADE_LOAD, reply, length);
    if (result != aErrNone) {
        debugPrintf(DEBUG_Network_100,
                    "NETWORK: Invalid or reply when starting loader (Reconnect). [%d, %s]\n",
                    result, aError_GetErrorText(result));
        return aErrTimeout;
    }
    debugPrintf(DEBUG_Network_100, "NETWORK: Loader validated start (Reconnect)\n");
    return aErrNone;
}

aErr UpdaterEntity::LoaderReboot(UpdaterDisplayInterface* display) {
    debugPrintf(DEBUG_Network_FIRM, "NETWORK: LoaderReboot {cmdUPGRADE, val_UPGRADE_REBOOT}\n");
    const std::array<uint8_t, 1> request{val_UPGRADE_REBOOT};
    const aErr result = send(request);
    if (result != aErrNone) {
        debugPrintf(DEBUG_Network_FIRM, "NETWORK: Error sending Loader REBOOT\n");
    }
    // A device that keeps its link up after the reboot is left to come back by itself.
    uint32_t waited = 0;
    while (module_ != nullptr && module_->isConnected() && waited < kRebootWaitLimitMs) {
        aTime_MSSleep(kRebootPollMs);
        waited += kRebootPollMs;
        display->showBusy(true, kVerifyingLabel);
        debugPrintf(DEBUG_Network_FIRM, "Waiting for link to drop.\n");
        debugPrintf(DEBUG_Network_FIRM, "Rebooting Device\n");
        if (noWait_) {
            break;
        }
    }
    display->showBusy(false, kVerifyingLabel);
    return result;
}
