// Every method of every entity class once, against the device simulator: the request it sends
// (command, option with its get or set flag, index, subindex and value as the tables of command
// and option codes give them) and the value it reads back in its width and signedness. The
// simulator holds each option in the width the table gives, so a wrong code, width or subindex
// placement fails here. One table, one row per method.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>

#include "lynkor/entities/AnalogClass.h"
#include "lynkor/entities/AppClass.h"
#include "lynkor/entities/ClockClass.h"
#include "lynkor/entities/DigitalClass.h"
#include "lynkor/entities/EqualizerClass.h"
#include "lynkor/entities/EthernetClass.h"
#include "lynkor/entities/HDBaseTClass.h"
#include "lynkor/entities/I2CClass.h"
#include "lynkor/entities/MuxClass.h"
#include "lynkor/entities/PoEClass.h"
#include "lynkor/entities/PointerClass.h"
#include "lynkor/entities/PortClass.h"
#include "lynkor/entities/PowerDeliveryClass.h"
#include "lynkor/entities/RCServoClass.h"
#include "lynkor/entities/RailClass.h"
#include "lynkor/entities/RelayClass.h"
#include "lynkor/entities/SignalClass.h"
#include "lynkor/entities/StoreClass.h"
#include "lynkor/entities/SystemClass.h"
#include "lynkor/entities/TemperatureClass.h"
#include "lynkor/entities/TimerClass.h"
#include "lynkor/entities/UARTClass.h"
#include "lynkor/entities/USBClass.h"
#include "lynkor/entities/USBSystemClass.h"
#include "sim_module.h"

namespace {

using namespace entities_test;
using namespace Norvane::Lynkor;
using u8 = uint8_t;
using u16 = uint16_t;
using u32 = uint32_t;
using i32 = int32_t;

// Every row runs on entity 1; subindexed rows use subindex 5.
constexpr uint8_t kIndex = 1;
constexpr uint8_t kSubindex = 5;
constexpr uint8_t kGet = 0x40;
constexpr uint8_t kSet = 0x80;
constexpr uint8_t kRequest = 0x20;
const Bytes kByteArray = {0x10, 0x20, 0x30, 0x40, 0x50};
const std::vector<uint32_t> kList = {1, 0x80000002};

// The value each width is read and written with: its top bit set, so that signedness shows.
template <typename T>
T s_sample() {
    if constexpr (std::is_same_v<T, i32>) {
        return -2;
    } else {
        return static_cast<T>(0xA55A5AA5u);
    }
}

template <typename T>
const char* s_type() {
    return sizeof(T) == 1 ? "u8" : sizeof(T) == 2 ? "u16" : "u32";
}

template <typename T>
Bytes s_bigEndian(T value) {
    Bytes bytes;
    for (int shift = 8 * (static_cast<int>(sizeof(T)) - 1); shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> shift));
    }
    return bytes;
}

Bytes s_listBytes() {
    Bytes bytes(kList.size() * 4);
    std::memcpy(bytes.data(), kList.data(), bytes.size());
    return bytes;
}

std::string s_listText(const uint32_t* values, uint32_t count) {
    std::ostringstream text;
    for (uint32_t i = 0; i < count; ++i) {
        text << (i > 0 ? "," : "") << values[i];
    }
    return text.str();
}

// One method: what to define on the device first, the call, and what it must send and read.
template <typename C>
struct Step {
    using Call = std::function<aErr(C&, std::string& observed)>;

    std::string name;
    // Control requests run before the call ("prop CMD OPT IDX ..." without the serial number;
    // {cmd} stands for the class's command).
    std::vector<std::string> setup;
    // The command byte when the request is not one of the class's own (store slots), and the
    // data bytes after it.
    std::optional<uint8_t> command;
    Bytes request;
    Call call;
    std::string observed;
    aErr expected = aErrNone;
};

struct Row {
    std::string name;
    std::vector<std::string> setup;
    Bytes request;
    std::function<aErr(Norvane::Lynkor::Module&, std::string& observed)> call;
    std::string observed;
    aErr expected = aErrNone;
};

// The data bytes after the command byte of a request for the option.
Bytes s_header(uint8_t flag, uint8_t option, std::optional<uint8_t> subindex, Bytes value = {}) {
    Bytes bytes = {static_cast<uint8_t>(option | flag), static_cast<uint8_t>(kIndex | kRequest)};
    if (subindex) {
        bytes.push_back(*subindex);
    }
    bytes.insert(bytes.end(), value.begin(), value.end());
    return bytes;
}

// Defines the option on the device: "prop {cmd} OPT IDX [SUB] ...".
std::string s_prop(uint8_t option, std::optional<uint8_t> subindex, const std::string& rest) {
    std::string key = std::to_string(option) + " " + std::to_string(kIndex);
    if (subindex) {
        key += " " + std::to_string(*subindex);
    }
    return "prop {cmd} " + key + " " + rest;
}

template <typename T>
std::string s_number(T value) {
    using Wide = std::conditional_t<std::is_signed_v<T>, int64_t, uint64_t>;
    return std::to_string(static_cast<Wide>(value));
}

template <typename C>
Step<C> s_step(const char* name, std::string setup, Bytes request, typename Step<C>::Call call,
               std::string observed = "") {
    Step<C> step;
    step.name = name;
    step.setup = {std::move(setup)};
    step.request = std::move(request);
    step.call = std::move(call);
    step.observed = std::move(observed);
    return step;
}

// A number option held on the device in the width of T, read back as the sample.
template <typename T>
std::string s_readable(uint8_t option, std::optional<uint8_t> subindex) {
    return s_prop(option, subindex,
                  std::string("type=") + s_type<T>() +
                      " access=ro value=" + std::to_string(static_cast<uint32_t>(s_sample<T>())));
}

template <typename T>
std::string s_writable(uint8_t option, std::optional<uint8_t> subindex) {
    return s_prop(option, subindex, std::string("type=") + s_type<T>() + " access=wo");
}

template <typename T, typename C>
Step<C> get(const char* name, uint8_t option, aErr (C::*method)(T*)) {
    return s_step<C>(
        name, s_readable<T>(option, {}), s_header(kGet, option, {}),
        [method](C& entity, std::string& observed) {
            T value{};
            const aErr result = (entity.*method)(&value);
            observed = s_number(value);
            return result;
        },
        s_number(s_sample<T>()));
}

template <typename T, typename C>
Step<C> getAt(const char* name, uint8_t option, aErr (C::*method)(uint8_t, T*)) {
    return s_step<C>(
        name, s_readable<T>(option, kSubindex), s_header(kGet, option, kSubindex),
        [method](C& entity, std::string& observed) {
            T value{};
            const aErr result = (entity.*method)(kSubindex, &value);
            observed = s_number(value);
            return result;
        },
        s_number(s_sample<T>()));
}

template <typename T, typename C>
Step<C> set(const char* name, uint8_t option, aErr (C::*method)(T)) {
    return s_step<C>(name, s_writable<T>(option, {}),
                     s_header(kSet, option, {}, s_bigEndian(s_sample<T>())),
                     [method](C& entity, std::string&) { return (entity.*method)(s_sample<T>()); });
}

template <typename T, typename C>
Step<C> setAt(const char* name, uint8_t option, aErr (C::*method)(uint8_t, T)) {
    return s_step<C>(
        name, s_writable<T>(option, kSubindex),
        s_header(kSet, option, kSubindex, s_bigEndian(s_sample<T>())),
        [method](C& entity, std::string&) { return (entity.*method)(kSubindex, s_sample<T>()); });
}

template <typename C>
Step<C> call(const char* name, uint8_t option, aErr (C::*method)()) {
    return s_step<C>(name, s_prop(option, {}, "type=void access=wo"), s_header(kSet, option, {}),
                     [method](C& entity, std::string&) { return (entity.*method)(); });
}

template <typename C>
Step<C> getBytes(const char* name, uint8_t option,
                 aErr (C::*method)(uint8_t*, uint32_t, uint32_t*)) {
    return s_step<C>(
        name, s_prop(option, {}, "type=bytes access=ro value=" + hex(kByteArray)),
        s_header(kGet, option, {}),
        [method](C& entity, std::string& observed) {
            uint8_t buffer[32] = {};
            uint32_t length = 0;
            const aErr result = (entity.*method)(buffer, sizeof buffer, &length);
            observed = hex(Bytes(buffer, buffer + length));
            return result;
        },
        hex(kByteArray));
}

// A byte array short enough for one packet of a run: the payload, then trailer 0.
Bytes s_oneRunPacket(Bytes payload) {
    payload.push_back(0);
    return payload;
}

template <typename C>
Step<C> setBytes(const char* name, uint8_t option, aErr (C::*method)(const uint8_t*, uint32_t)) {
    return s_step<C>(
        name, s_prop(option, {}, "type=bytes access=wo"),
        s_header(kSet, option, {}, s_oneRunPacket(kByteArray)), [method](C& entity, std::string&) {
            return (entity.*method)(kByteArray.data(), static_cast<uint32_t>(kByteArray.size()));
        });
}

template <typename C>
Step<C> getList(const char* name, uint8_t option,
                aErr (C::*method)(uint32_t*, uint32_t, uint32_t*)) {
    return s_step<C>(
        name, s_prop(option, {}, "type=bytes access=ro value=" + hex(s_listBytes())),
        s_header(kGet, option, {}),
        [method](C& entity, std::string& observed) {
            uint32_t values[8] = {};
            uint32_t count = 0;
            const aErr result = (entity.*method)(values, 8, &count);
            observed = s_listText(values, count);
            return result;
        },
        s_listText(kList.data(), static_cast<uint32_t>(kList.size())));
}

template <typename C>
Step<C> setList(const char* name, uint8_t option, aErr (C::*method)(const uint32_t*, uint32_t)) {
    return s_step<C>(name, s_prop(option, {}, "type=bytes access=wo"),
                     s_header(kSet, option, {}, s_oneRunPacket(s_listBytes())),
                     [method](C& entity, std::string&) {
                         return (entity.*method)(kList.data(), static_cast<uint32_t>(kList.size()));
                     });
}

// A method of its own shape: the setup, the request and the call given as they are.
template <typename C>
Step<C> special(const char* name, std::string setup, Bytes request, typename Step<C>::Call call,
                std::string observed = "", aErr expected = aErrNone,
                std::optional<uint8_t> command = std::nullopt) {
    Step<C> step =
        s_step<C>(name, std::move(setup), std::move(request), std::move(call), std::move(observed));
    step.expected = expected;
    step.command = command;
    return step;
}

template <typename C>
void s_add(std::vector<Row>& rows, const char* className, uint8_t command,
           std::vector<Step<C>> steps) {
    for (Step<C>& step : steps) {
        Row row;
        row.name = std::string(className) + "::" + step.name;
        for (std::string line : step.setup) {
            if (const size_t at = line.find("{cmd}"); at != std::string::npos) {
                line.replace(at, 5, std::to_string(command));
            }
            if (!line.empty()) {
                row.setup.push_back(line);
            }
        }
        row.request = {step.command.value_or(command)};
        row.request.insert(row.request.end(), step.request.begin(), step.request.end());
        row.call = [call = step.call](Norvane::Lynkor::Module& module, std::string& observed) {
            C entity;
            entity.init(&module, kIndex);
            return call(entity, observed);
        };
        row.observed = step.observed;
        row.expected = step.expected;
        rows.push_back(std::move(row));
    }
}

// The methods of their own shapes: data-object attributes, the waiting execute, the I2C bus
// and store-slot transfers.
void s_addSpecial(std::vector<Row>& rows) {
    using PD = PowerDeliveryClass;
    const std::string u32Value = std::to_string(static_cast<uint32_t>(s_sample<u32>()));
    const std::string u32Text = s_number(s_sample<u32>());
    s_add<PD>(
        rows, "PowerDeliveryClass", 36,
        {special<PD>(
             "getPowerDataObject", "prop 36 1 1 197 type=u32 value=" + u32Value, {0x41, 0x21, 0xC5},
             [](PD& e, std::string& observed) {
                 uint32_t value = 0;
                 const aErr result = e.getPowerDataObject(1, 2, 5, &value);
                 observed = std::to_string(value);
                 return result;
             },
             u32Text),
         special<PD>("setPowerDataObject", "prop 36 1 1 133 type=u32 access=wo",
                     {0x81, 0x21, 0x85, 0, 0, 0, 9},
                     [](PD& e, std::string&) { return e.setPowerDataObject(2, 5, 9); }),
         special<PD>(
             "getPowerDataObjectEnabled", "prop 36 3 1 3 type=u8 value=1", {0x43, 0x21, 0x03},
             [](PD& e, std::string& observed) {
                 uint8_t value = 0;
                 const aErr result = e.getPowerDataObjectEnabled(1, 3, &value);
                 observed = std::to_string(value);
                 return result;
             },
             "1"),
         special<PD>("setPowerDataObjectEnabled", "prop 36 3 1 131 type=u8 access=wo",
                     {0x83, 0x21, 0x83, 1},
                     [](PD& e, std::string&) { return e.setPowerDataObjectEnabled(2, 3, 1); }),
         special<PD>(
             "getNumberOfPowerDataObjects", "prop 36 5 1 64 type=u8 value=7", {0x45, 0x21, 0x40},
             [](PD& e, std::string& observed) {
                 uint8_t value = 0;
                 const aErr result = e.getNumberOfPowerDataObjects(1, 1, &value);
                 observed = std::to_string(value);
                 return result;
             },
             "7"),
         special<PD>(
             "getRequestDataObject", "prop 36 6 1 192 type=u32 value=" + u32Value,
             {0x46, 0x21, 0xC0},
             [](PD& e, std::string& observed) {
                 uint32_t value = 0;
                 const aErr result = e.getRequestDataObject(1, &value);
                 observed = std::to_string(value);
                 return result;
             },
             u32Text),
         special<PD>("resetPowerDataObjectToDefault", "prop 36 15 1 type=u8 access=wo",
                     {0x8F, 0x21, 0x84},
                     [](PD& e, std::string&) { return e.resetPowerDataObjectToDefault(2, 4); })});
    s_add<AppClass>(
        rows, "AppClass", 5,
        {special<AppClass>(
            "execute (waiting)", "prop 5 1 1 type=u32 access=wo", {0x81, 0x21, 0, 0, 0, 7},
            [](AppClass& e, std::string&) {
                uint32_t result = 0;
                return e.execute(7, &result, 20);
            },
            "", aErrTimeout)});
    s_add<I2CClass>(
        rows, "I2CClass", 8,
        {special<I2CClass>(
             "read", "i2c-present 6 on", {kIndex, 0x07, 2, 0},
             [](I2CClass& e, std::string& observed) {
                 uint8_t buffer[2] = {1, 1};
                 const aErr result = e.read(6, 2, buffer);
                 observed = hex(Bytes(buffer, buffer + 2));
                 return result;
             },
             "0101", aErrIndexRange),
         special<I2CClass>(
             "write", "", {kIndex, 0x06, 1, 0, 0x5A},
             [](I2CClass& e, std::string&) {
                 const uint8_t byte = 0x5A;
                 return e.write(6, 1, &byte);
             },
             "", aErrIndexRange),
         special<I2CClass>("setPullup", "", {kIndex, 1, 1},
                           [](I2CClass& e, std::string&) { return e.setPullup(true); })});
    // Slot transfers go through the store-slot command of the link.
    constexpr uint8_t kSlotCommand = 4;
    constexpr uint8_t kSlot = 3;
    s_add<StoreClass>(rows, "StoreClass", 77,
                      {special<StoreClass>(
                           "getSlotCapacity", "slot 1 3 capacity=64", {1, kIndex, kSlot},
                           [](StoreClass& e, std::string& observed) {
                               uint32_t value = 0;
                               const aErr result = e.getSlotCapacity(kSlot, &value);
                               observed = std::to_string(value);
                               return result;
                           },
                           "64", aErrNone, kSlotCommand),
                       special<StoreClass>(
                           "loadSlot", "", {4, kIndex, kSlot},
                           [](StoreClass& e, std::string&) {
                               return e.loadSlot(kSlot, kByteArray.data(),
                                                 static_cast<uint32_t>(kByteArray.size()));
                           },
                           "", aErrNone, kSlotCommand),
                       special<StoreClass>(
                           "getSlotSize", "", {2, kIndex, kSlot},
                           [](StoreClass& e, std::string& observed) {
                               uint32_t value = 0;
                               const aErr result = e.getSlotSize(kSlot, &value);
                               observed = std::to_string(value);
                               return result;
                           },
                           std::to_string(kByteArray.size()), aErrNone, kSlotCommand),
                       special<StoreClass>(
                           "unloadSlot", "", {2, kIndex, kSlot},
                           [](StoreClass& e, std::string& observed) {
                               uint8_t buffer[32] = {};
                               uint32_t count = 0;
                               const aErr result =
                                   e.unloadSlot(kSlot, sizeof buffer, buffer, &count);
                               observed = hex(Bytes(buffer, buffer + count));
                               return result;
                           },
                           hex(kByteArray), aErrNone, kSlotCommand)});
}

std::vector<Row> s_rows() {
    std::vector<Row> rows;
    {
        using C = SystemClass;
        s_add<C>(rows, "SystemClass", 3,
                 {get<u8>("getModule", 1, &C::getModule),
                  get<u8>("getRouter", 2, &C::getRouter),
                  set<u8>("setRouter", 2, &C::setRouter),
                  get<u8>("getHBInterval", 3, &C::getHBInterval),
                  set<u8>("setHBInterval", 3, &C::setHBInterval),
                  get<u8>("getLED", 4, &C::getLED),
                  set<u8>("setLED", 4, &C::setLED),
                  get<u8>("getBootSlot", 6, &C::getBootSlot),
                  set<u8>("setBootSlot", 6, &C::setBootSlot),
                  get<u32>("getVersion", 7, &C::getVersion),
                  get<u8>("getModel", 8, &C::getModel),
                  get<u32>("getSerialNumber", 9, &C::getSerialNumber),
                  call("save", 10, &C::save),
                  call("reset", 11, &C::reset),
                  get<u32>("getInputVoltage", 12, &C::getInputVoltage),
                  get<u8>("getModuleHardwareOffset", 13, &C::getModuleHardwareOffset),
                  get<u8>("getModuleBaseAddress", 14, &C::getModuleBaseAddress),
                  get<u8>("getModuleSoftwareOffset", 15, &C::getModuleSoftwareOffset),
                  set<u8>("setModuleSoftwareOffset", 15, &C::setModuleSoftwareOffset),
                  get<u8>("getRouterAddressSetting", 16, &C::getRouterAddressSetting),
                  set<u8>("routeToMe", 20, &C::routeToMe),
                  get<u32>("getInputCurrent", 21, &C::getInputCurrent),
                  get<u32>("getUptime", 22, &C::getUptime),
                  get<i32>("getMaximumTemperature", 23, &C::getMaximumTemperature),
                  call("logEvents", 24, &C::logEvents),
                  get<i32>("getUnregulatedVoltage", 25, &C::getUnregulatedVoltage),
                  get<i32>("getUnregulatedCurrent", 26, &C::getUnregulatedCurrent),
                  get<i32>("getTemperature", 27, &C::getTemperature),
                  get<i32>("getMinimumTemperature", 28, &C::getMinimumTemperature),
                  get<u8>("getInputPowerSource", 29, &C::getInputPowerSource),
                  get<u8>("getInputPowerBehavior", 30, &C::getInputPowerBehavior),
                  set<u8>("setInputPowerBehavior", 30, &C::setInputPowerBehavior),
                  getList("getInputPowerBehaviorConfig", 31, &C::getInputPowerBehaviorConfig),
                  setList("setInputPowerBehaviorConfig", 31, &C::setInputPowerBehaviorConfig),
                  getBytes("getName", 32, &C::getName),
                  setBytes("setName", 32, &C::setName),
                  get<u32>("getPowerLimit", 33, &C::getPowerLimit),
                  get<u32>("getPowerLimitMax", 34, &C::getPowerLimitMax),
                  set<u32>("setPowerLimitMax", 34, &C::setPowerLimitMax),
                  get<u32>("getPowerLimitState", 35, &C::getPowerLimitState),
                  call("resetDeviceToFactoryDefaults", 37, &C::resetDeviceToFactoryDefaults),
                  get<u8>("getLinkInterface", 38, &C::getLinkInterface),
                  set<u8>("setLinkInterface", 38, &C::setLinkInterface),
                  get<u32>("getHardwareVersion", 40, &C::getHardwareVersion),
                  get<u32>("getErrors", 41, &C::getErrors),
                  get<u8>("getLEDMaxBrightness", 42, &C::getLEDMaxBrightness),
                  set<u8>("setLEDMaxBrightness", 42, &C::setLEDMaxBrightness),
                  get<u32>("getBuild", 43, &C::getBuild),
                  get<u32>("getProtocolFeatures", 45, &C::getProtocolFeatures)});
    }
    {
        using C = AppClass;
        s_add<C>(rows, "AppClass", 5, {set<u32>("execute", 1, &C::execute)});
    }
    {
        using C = MuxClass;
        s_add<C>(
            rows, "MuxClass", 6,
            {get<u8>("getEnable", 1, &C::getEnable), set<u8>("setEnable", 1, &C::setEnable),
             get<u8>("getChannel", 2, &C::getChannel), set<u8>("setChannel", 2, &C::setChannel),
             getAt<i32>("getChannelVoltage", 3, &C::getChannelVoltage),
             get<i32>("getConfiguration", 4, &C::getConfiguration),
             set<i32>("setConfiguration", 4, &C::setConfiguration),
             get<i32>("getSplitMode", 5, &C::getSplitMode),
             set<i32>("setSplitMode", 5, &C::setSplitMode)});
    }
    {
        using C = PointerClass;
        s_add<C>(rows, "PointerClass", 7,
                 {get<u16>("getOffset", 1, &C::getOffset), set<u16>("setOffset", 1, &C::setOffset),
                  get<u8>("getMode", 2, &C::getMode), set<u8>("setMode", 2, &C::setMode),
                  get<u8>("getTransferStore", 3, &C::getTransferStore),
                  set<u8>("setTransferStore", 3, &C::setTransferStore),
                  get<u8>("getChar", 4, &C::getChar), set<u8>("setChar", 4, &C::setChar),
                  get<u16>("getShort", 5, &C::getShort), set<u16>("setShort", 5, &C::setShort),
                  get<u32>("getInt", 6, &C::getInt), set<u32>("setInt", 6, &C::setInt),
                  set<u8>("initiateTransferToStore", 7, &C::initiateTransferToStore),
                  set<u8>("initiateTransferFromStore", 7, &C::initiateTransferFromStore)});
    }
    {
        using C = RCServoClass;
        s_add<C>(
            rows, "RCServoClass", 13,
            {get<u8>("getEnable", 1, &C::getEnable), set<u8>("setEnable", 1, &C::setEnable),
             get<u8>("getPosition", 2, &C::getPosition), set<u8>("setPosition", 2, &C::setPosition),
             get<u8>("getReverse", 3, &C::getReverse), set<u8>("setReverse", 3, &C::setReverse)});
    }
    {
        using C = SignalClass;
        s_add<C>(
            rows, "SignalClass", 14,
            {get<u8>("getEnable", 1, &C::getEnable), set<u8>("setEnable", 1, &C::setEnable),
             get<u8>("getInvert", 2, &C::getInvert), set<u8>("setInvert", 2, &C::setInvert),
             get<u32>("getT3Time", 3, &C::getT3Time), set<u32>("setT3Time", 3, &C::setT3Time),
             get<u32>("getT2Time", 4, &C::getT2Time), set<u32>("setT2Time", 4, &C::setT2Time)});
    }
    {
        using C = EqualizerClass;
        s_add<C>(rows, "EqualizerClass", 15,
                 {getAt<u8>("getReceiverConfig", 1, &C::getReceiverConfig),
                  setAt<u8>("setReceiverConfig", 1, &C::setReceiverConfig),
                  get<u8>("getTransmitterConfig", 2, &C::getTransmitterConfig),
                  set<u8>("setTransmitterConfig", 2, &C::setTransmitterConfig)});
    }
    {
        using C = USBClass;
        s_add<C>(rows, "USBClass", 18,
                 {set<u8>("setPortEnable", 1, &C::setPortEnable),
                  set<u8>("setPortDisable", 2, &C::setPortDisable),
                  set<u8>("setDataEnable", 3, &C::setDataEnable),
                  set<u8>("setDataDisable", 4, &C::setDataDisable),
                  set<u8>("setPowerEnable", 5, &C::setPowerEnable),
                  set<u8>("setPowerDisable", 6, &C::setPowerDisable),
                  getAt<i32>("getPortCurrent", 7, &C::getPortCurrent),
                  getAt<i32>("getPortVoltage", 8, &C::getPortVoltage),
                  get<u32>("getHubMode", 9, &C::getHubMode),
                  set<u32>("setHubMode", 9, &C::setHubMode),
                  set<u8>("clearPortErrorStatus", 12, &C::clearPortErrorStatus),
                  get<u8>("getUpstreamMode", 14, &C::getUpstreamMode),
                  set<u8>("setUpstreamMode", 14, &C::setUpstreamMode),
                  get<u8>("getUpstreamState", 15, &C::getUpstreamState),
                  get<u32>("getEnumerationDelay", 16, &C::getEnumerationDelay),
                  set<u32>("setEnumerationDelay", 16, &C::setEnumerationDelay),
                  getAt<u32>("getPortCurrentLimit", 17, &C::getPortCurrentLimit),
                  setAt<u32>("setPortCurrentLimit", 17, &C::setPortCurrentLimit),
                  get<u8>("getUpstreamBoostMode", 18, &C::getUpstreamBoostMode),
                  set<u8>("setUpstreamBoostMode", 18, &C::setUpstreamBoostMode),
                  get<u8>("getDownstreamBoostMode", 19, &C::getDownstreamBoostMode),
                  set<u8>("setDownstreamBoostMode", 19, &C::setDownstreamBoostMode),
                  getAt<u32>("getPortMode", 20, &C::getPortMode),
                  setAt<u32>("setPortMode", 20, &C::setPortMode),
                  set<u8>("setHiSpeedDataEnable", 21, &C::setHiSpeedDataEnable),
                  set<u8>("setHiSpeedDataDisable", 22, &C::setHiSpeedDataDisable),
                  set<u8>("setSuperSpeedDataEnable", 23, &C::setSuperSpeedDataEnable),
                  set<u8>("setSuperSpeedDataDisable", 24, &C::setSuperSpeedDataDisable),
                  getAt<u8>("getDownstreamDataSpeed", 25, &C::getDownstreamDataSpeed),
                  getAt<u8>("getConnectMode", 26, &C::getConnectMode),
                  setAt<u8>("setConnectMode", 26, &C::setConnectMode),
                  getAt<u8>("getCC1Enable", 27, &C::getCC1Enable),
                  setAt<u8>("setCC1Enable", 27, &C::setCC1Enable),
                  getAt<u8>("getCC2Enable", 28, &C::getCC2Enable),
                  setAt<u8>("setCC2Enable", 28, &C::setCC2Enable),
                  getAt<u8>("getSBUEnable", 29, &C::getSBUEnable),
                  setAt<u8>("setSBUEnable", 29, &C::setSBUEnable),
                  getAt<i32>("getCC1Current", 30, &C::getCC1Current),
                  getAt<i32>("getCC2Current", 31, &C::getCC2Current),
                  getAt<i32>("getCC1Voltage", 32, &C::getCC1Voltage),
                  getAt<i32>("getCC2Voltage", 33, &C::getCC2Voltage),
                  getAt<u32>("getPortState", 34, &C::getPortState),
                  getAt<u32>("getPortError", 35, &C::getPortError),
                  getAt<u8>("getCableFlip", 36, &C::getCableFlip),
                  setAt<u8>("setCableFlip", 36, &C::setCableFlip),
                  getAt<u32>("getAltModeConfig", 37, &C::getAltModeConfig),
                  setAt<u32>("setAltModeConfig", 37, &C::setAltModeConfig),
                  getAt<i32>("getSBU1Voltage", 38, &C::getSBU1Voltage),
                  getAt<i32>("getSBU2Voltage", 39, &C::getSBU2Voltage)});
    }
    {
        using C = AnalogClass;
        s_add<C>(
            rows, "AnalogClass", 30,
            {get<u8>("getConfiguration", 1, &C::getConfiguration),
             set<u8>("setConfiguration", 1, &C::setConfiguration),
             get<u16>("getValue", 2, &C::getValue), set<u16>("setValue", 2, &C::setValue),
             get<i32>("getVoltage", 3, &C::getVoltage), set<i32>("setVoltage", 3, &C::setVoltage),
             get<u32>("getBulkCaptureSampleRate", 4, &C::getBulkCaptureSampleRate),
             set<u32>("setBulkCaptureSampleRate", 4, &C::setBulkCaptureSampleRate),
             get<u32>("getBulkCaptureNumberOfSamples", 5, &C::getBulkCaptureNumberOfSamples),
             set<u32>("setBulkCaptureNumberOfSamples", 5, &C::setBulkCaptureNumberOfSamples),
             call("initiateBulkCapture", 6, &C::initiateBulkCapture),
             get<u8>("getBulkCaptureState", 7, &C::getBulkCaptureState),
             get<u8>("getRange", 8, &C::getRange), set<u8>("setRange", 8, &C::setRange),
             get<u8>("getEnable", 9, &C::getEnable), set<u8>("setEnable", 9, &C::setEnable)});
    }
    {
        using C = DigitalClass;
        s_add<C>(rows, "DigitalClass", 31,
                 {get<u8>("getConfiguration", 1, &C::getConfiguration),
                  set<u8>("setConfiguration", 1, &C::setConfiguration),
                  get<u8>("getState", 2, &C::getState), set<u8>("setState", 2, &C::setState),
                  get<u32>("getStateAll", 3, &C::getStateAll),
                  set<u32>("setStateAll", 3, &C::setStateAll)});
    }
    {
        using C = RailClass;
        s_add<C>(rows, "RailClass", 32,
                 {get<i32>("getVoltage", 1, &C::getVoltage),
                  get<i32>("getCurrent", 2, &C::getCurrent),
                  get<i32>("getCurrentLimit", 3, &C::getCurrentLimit),
                  set<i32>("setCurrentLimit", 3, &C::setCurrentLimit),
                  get<i32>("getTemperature", 4, &C::getTemperature),
                  get<u8>("getEnable", 5, &C::getEnable),
                  set<u8>("setEnable", 5, &C::setEnable),
                  get<u8>("getKelvinSensingEnable", 7, &C::getKelvinSensingEnable),
                  set<u8>("setKelvinSensingEnable", 7, &C::setKelvinSensingEnable),
                  get<u8>("getKelvinSensingState", 8, &C::getKelvinSensingState),
                  get<u8>("getOperationalMode", 9, &C::getOperationalMode),
                  set<u8>("setOperationalMode", 9, &C::setOperationalMode),
                  get<u32>("getOperationalState", 10, &C::getOperationalState),
                  get<i32>("getVoltageSetpoint", 11, &C::getVoltageSetpoint),
                  set<i32>("setVoltageSetpoint", 11, &C::setVoltageSetpoint),
                  get<i32>("getCurrentSetpoint", 12, &C::getCurrentSetpoint),
                  set<i32>("setCurrentSetpoint", 12, &C::setCurrentSetpoint),
                  get<i32>("getVoltageMinLimit", 13, &C::getVoltageMinLimit),
                  set<i32>("setVoltageMinLimit", 13, &C::setVoltageMinLimit),
                  get<i32>("getVoltageMaxLimit", 14, &C::getVoltageMaxLimit),
                  set<i32>("setVoltageMaxLimit", 14, &C::setVoltageMaxLimit),
                  get<i32>("getPower", 15, &C::getPower),
                  get<i32>("getPowerSetpoint", 16, &C::getPowerSetpoint),
                  set<i32>("setPowerSetpoint", 16, &C::setPowerSetpoint),
                  get<i32>("getPowerLimit", 17, &C::getPowerLimit),
                  set<i32>("setPowerLimit", 17, &C::setPowerLimit),
                  get<i32>("getResistance", 18, &C::getResistance),
                  get<i32>("getResistanceSetpoint", 19, &C::getResistanceSetpoint),
                  set<i32>("setResistanceSetpoint", 19, &C::setResistanceSetpoint),
                  call("clearFaults", 20, &C::clearFaults)});
    }
    {
        using C = TemperatureClass;
        s_add<C>(
            rows, "TemperatureClass", 33,
            {get<i32>("getValue", 1, &C::getValue), get<i32>("getValueMin", 2, &C::getValueMin),
             get<i32>("getValueMax", 3, &C::getValueMax)});
    }
    {
        using C = RelayClass;
        s_add<C>(rows, "RelayClass", 34,
                 {get<u8>("getEnable", 1, &C::getEnable), set<u8>("setEnable", 1, &C::setEnable),
                  get<i32>("getVoltage", 2, &C::getVoltage)});
    }
    {
        using C = UARTClass;
        s_add<C>(
            rows, "UARTClass", 35,
            {get<u8>("getEnable", 1, &C::getEnable), set<u8>("setEnable", 1, &C::setEnable),
             get<u32>("getBaudRate", 2, &C::getBaudRate),
             set<u32>("setBaudRate", 2, &C::setBaudRate),
             get<u8>("getProtocol", 3, &C::getProtocol), set<u8>("setProtocol", 3, &C::setProtocol),
             get<u8>("getLinkChannel", 4, &C::getLinkChannel),
             set<u8>("setLinkChannel", 4, &C::setLinkChannel),
             get<u8>("getStopBits", 5, &C::getStopBits), set<u8>("setStopBits", 5, &C::setStopBits),
             get<u8>("getParity", 6, &C::getParity), set<u8>("setParity", 6, &C::setParity),
             get<u8>("getDataBits", 7, &C::getDataBits), set<u8>("setDataBits", 7, &C::setDataBits),
             get<u8>("getFlowControl", 8, &C::getFlowControl),
             set<u8>("setFlowControl", 8, &C::setFlowControl),
             get<u32>("getCapableProtocols", 9, &C::getCapableProtocols),
             get<u32>("getAvailableProtocols", 10, &C::getAvailableProtocols)});
    }
    {
        using C = PowerDeliveryClass;
        s_add<C>(rows, "PowerDeliveryClass", 36,
                 {getList("getPowerDataObjectList", 2, &C::getPowerDataObjectList),
                  getAt<u8>("getPowerDataObjectEnabledList", 4, &C::getPowerDataObjectEnabledList),
                  setAt<u32>("setRequestDataObject", 6, &C::setRequestDataObject),
                  get<u8>("getConnectionState", 7, &C::getConnectionState),
                  get<u32>("getLinkState", 8, &C::getLinkState),
                  getList("getAttachTimeElapsed", 9, &C::getAttachTimeElapsed),
                  get<u8>("getCableVoltageMax", 16, &C::getCableVoltageMax),
                  get<u8>("getCableCurrentMax", 17, &C::getCableCurrentMax),
                  get<u8>("getCableSpeedMax", 18, &C::getCableSpeedMax),
                  get<u8>("getCableType", 19, &C::getCableType),
                  get<u8>("getCableOrientation", 20, &C::getCableOrientation),
                  get<u8>("getPowerRoleCapabilities", 21, &C::getPowerRoleCapabilities),
                  get<u8>("getPowerRole", 22, &C::getPowerRole),
                  set<u8>("setPowerRole", 22, &C::setPowerRole),
                  get<u8>("getPowerRolePreferred", 23, &C::getPowerRolePreferred),
                  set<u8>("setPowerRolePreferred", 23, &C::setPowerRolePreferred),
                  get<u8>("getPeakCurrentConfiguration", 24, &C::getPeakCurrentConfiguration),
                  set<u8>("setPeakCurrentConfiguration", 24, &C::setPeakCurrentConfiguration),
                  get<u8>("getFastRoleSwapCurrent", 25, &C::getFastRoleSwapCurrent),
                  set<u8>("setFastRoleSwapCurrent", 25, &C::setFastRoleSwapCurrent),
                  get<u8>("getDataRoleCapabilities", 26, &C::getDataRoleCapabilities),
                  get<u32>("getOverride", 41, &C::getOverride),
                  set<u32>("setOverride", 41, &C::setOverride),
                  set<u8>("request", 42, &C::request),
                  get<u32>("requestStatus", 43, &C::requestStatus),
                  getAt<u8>("getFlagMode", 44, &C::getFlagMode),
                  setAt<u8>("setFlagMode", 44, &C::setFlagMode)});
    }
    {
        using C = PortClass;
        s_add<C>(rows, "PortClass", 37,
                 {get<i32>("getVbusVoltage", 1, &C::getVbusVoltage),
                  get<i32>("getVbusCurrent", 2, &C::getVbusCurrent),
                  get<i32>("getVconnVoltage", 3, &C::getVconnVoltage),
                  get<i32>("getVconnCurrent", 4, &C::getVconnCurrent),
                  get<u8>("getEnabled", 5, &C::getEnabled),
                  set<u8>("setEnabled", 5, &C::setEnabled),
                  get<u8>("getPowerEnabled", 6, &C::getPowerEnabled),
                  set<u8>("setPowerEnabled", 6, &C::setPowerEnabled),
                  get<u8>("getDataEnabled", 7, &C::getDataEnabled),
                  set<u8>("setDataEnabled", 7, &C::setDataEnabled),
                  get<u8>("getDataHSEnabled", 8, &C::getDataHSEnabled),
                  set<u8>("setDataHSEnabled", 8, &C::setDataHSEnabled),
                  get<u8>("getDataHS1Enabled", 9, &C::getDataHS1Enabled),
                  set<u8>("setDataHS1Enabled", 9, &C::setDataHS1Enabled),
                  get<u8>("getDataHS2Enabled", 10, &C::getDataHS2Enabled),
                  set<u8>("setDataHS2Enabled", 10, &C::setDataHS2Enabled),
                  get<u8>("getDataSSEnabled", 11, &C::getDataSSEnabled),
                  set<u8>("setDataSSEnabled", 11, &C::setDataSSEnabled),
                  get<u8>("getDataSS1Enabled", 12, &C::getDataSS1Enabled),
                  set<u8>("setDataSS1Enabled", 12, &C::setDataSS1Enabled),
                  get<u8>("getDataSS2Enabled", 13, &C::getDataSS2Enabled),
                  set<u8>("setDataSS2Enabled", 13, &C::setDataSS2Enabled),
                  get<u8>("getCCEnabled", 14, &C::getCCEnabled),
                  set<u8>("setCCEnabled", 14, &C::setCCEnabled),
                  get<u8>("getCC1Enabled", 15, &C::getCC1Enabled),
                  set<u8>("setCC1Enabled", 15, &C::setCC1Enabled),
                  get<u8>("getCC2Enabled", 16, &C::getCC2Enabled),
                  set<u8>("setCC2Enabled", 16, &C::setCC2Enabled),
                  get<u8>("getVconnEnabled", 17, &C::getVconnEnabled),
                  set<u8>("setVconnEnabled", 17, &C::setVconnEnabled),
                  get<u8>("getVconn1Enabled", 18, &C::getVconn1Enabled),
                  set<u8>("setVconn1Enabled", 18, &C::setVconn1Enabled),
                  get<u8>("getVconn2Enabled", 19, &C::getVconn2Enabled),
                  set<u8>("setVconn2Enabled", 19, &C::setVconn2Enabled),
                  get<u32>("getState", 20, &C::getState),
                  get<u32>("getErrors", 21, &C::getErrors),
                  get<u32>("getCurrentLimit", 22, &C::getCurrentLimit),
                  set<u32>("setCurrentLimit", 22, &C::setCurrentLimit),
                  get<u8>("getCurrentLimitMode", 23, &C::getCurrentLimitMode),
                  set<u8>("setCurrentLimitMode", 23, &C::setCurrentLimitMode),
                  get<u32>("getPowerLimit", 24, &C::getPowerLimit),
                  set<u32>("setPowerLimit", 24, &C::setPowerLimit),
                  get<u8>("getPowerLimitMode", 25, &C::getPowerLimitMode),
                  set<u8>("setPowerLimitMode", 25, &C::setPowerLimitMode),
                  get<u32>("getAvailablePower", 26, &C::getAvailablePower),
                  getBytes("getName", 27, &C::getName),
                  setBytes("setName", 27, &C::setName),
                  get<u8>("getCCCurrentLimit", 28, &C::getCCCurrentLimit),
                  set<u8>("setCCCurrentLimit", 28, &C::setCCCurrentLimit),
                  get<u8>("getPowerMode", 30, &C::getPowerMode),
                  set<u8>("setPowerMode", 30, &C::setPowerMode),
                  get<u8>("getDataRole", 31, &C::getDataRole),
                  get<u8>("getDataSpeed", 32, &C::getDataSpeed),
                  get<u32>("getMode", 33, &C::getMode),
                  set<u32>("setMode", 33, &C::setMode),
                  get<u32>("getVoltageSetpoint", 34, &C::getVoltageSetpoint),
                  set<u32>("setVoltageSetpoint", 34, &C::setVoltageSetpoint),
                  get<i32>("getAllocatedPower", 35, &C::getAllocatedPower),
                  get<u8>("getDataHSRoutingBehavior", 36, &C::getDataHSRoutingBehavior),
                  set<u8>("setDataHSRoutingBehavior", 36, &C::setDataHSRoutingBehavior),
                  get<u8>("getDataSSRoutingBehavior", 37, &C::getDataSSRoutingBehavior),
                  set<u8>("setDataSSRoutingBehavior", 37, &C::setDataSSRoutingBehavior),
                  get<i32>("getVbusAccumulatedPower", 38, &C::getVbusAccumulatedPower),
                  set<i32>("setVbusAccumulatedPower", 38, &C::setVbusAccumulatedPower),
                  call("resetVbusAccumulatedPower", 39, &C::resetVbusAccumulatedPower),
                  get<i32>("getVconnAccumulatedPower", 40, &C::getVconnAccumulatedPower),
                  set<i32>("setVconnAccumulatedPower", 40, &C::setVconnAccumulatedPower),
                  call("resetVconnAccumulatedPower", 41, &C::resetVconnAccumulatedPower),
                  get<u8>("getHSBoost", 42, &C::getHSBoost),
                  set<u8>("setHSBoost", 42, &C::setHSBoost),
                  get<u16>("getCC1State", 45, &C::getCC1State),
                  get<u16>("getCC2State", 46, &C::getCC2State),
                  get<i32>("getCC1Voltage", 47, &C::getCC1Voltage),
                  get<i32>("getCC1Current", 48, &C::getCC1Current),
                  get<i32>("getCC2Voltage", 49, &C::getCC2Voltage),
                  get<i32>("getCC2Current", 50, &C::getCC2Current),
                  get<i32>("getSBU1Voltage", 51, &C::getSBU1Voltage),
                  get<i32>("getSBU2Voltage", 52, &C::getSBU2Voltage),
                  get<i32>("getCC1AccumulatedPower", 53, &C::getCC1AccumulatedPower),
                  set<i32>("setCC1AccumulatedPower", 53, &C::setCC1AccumulatedPower),
                  get<i32>("getCC2AccumulatedPower", 54, &C::getCC2AccumulatedPower),
                  set<i32>("setCC2AccumulatedPower", 54, &C::setCC2AccumulatedPower)});
    }
    {
        using C = USBSystemClass;
        s_add<C>(rows, "USBSystemClass", 38,
                 {get<u8>("getUpstream", 2, &C::getUpstream),
                  set<u8>("setUpstream", 2, &C::setUpstream),
                  get<u32>("getEnumerationDelay", 3, &C::getEnumerationDelay),
                  set<u32>("setEnumerationDelay", 3, &C::setEnumerationDelay),
                  get<u32>("getDataRoleList", 4, &C::getDataRoleList),
                  get<u32>("getEnabledList", 5, &C::getEnabledList),
                  set<u32>("setEnabledList", 5, &C::setEnabledList),
                  getList("getModeList", 6, &C::getModeList),
                  setList("setModeList", 6, &C::setModeList),
                  getList("getStateList", 7, &C::getStateList),
                  get<u8>("getPowerBehavior", 8, &C::getPowerBehavior),
                  set<u8>("setPowerBehavior", 8, &C::setPowerBehavior),
                  getList("getPowerBehaviorConfig", 9, &C::getPowerBehaviorConfig),
                  setList("setPowerBehaviorConfig", 9, &C::setPowerBehaviorConfig),
                  get<u8>("getDataRoleBehavior", 10, &C::getDataRoleBehavior),
                  set<u8>("setDataRoleBehavior", 10, &C::setDataRoleBehavior),
                  getList("getDataRoleBehaviorConfig", 11, &C::getDataRoleBehaviorConfig),
                  setList("setDataRoleBehaviorConfig", 11, &C::setDataRoleBehaviorConfig),
                  get<u8>("getSelectorMode", 12, &C::getSelectorMode),
                  set<u8>("setSelectorMode", 12, &C::setSelectorMode),
                  get<u32>("getOverride", 14, &C::getOverride),
                  set<u32>("setOverride", 14, &C::setOverride),
                  get<u8>("getUpstreamHS", 15, &C::getUpstreamHS),
                  set<u8>("setUpstreamHS", 15, &C::setUpstreamHS),
                  get<u8>("getUpstreamSS", 16, &C::getUpstreamSS),
                  set<u8>("setUpstreamSS", 16, &C::setUpstreamSS),
                  get<u32>("getDataHSMaxDatarate", 17, &C::getDataHSMaxDatarate),
                  set<u32>("setDataHSMaxDatarate", 17, &C::setDataHSMaxDatarate),
                  get<u32>("getDataSSMaxDatarate", 18, &C::getDataSSMaxDatarate),
                  set<u32>("setDataSSMaxDatarate", 18, &C::setDataSSMaxDatarate)});
    }
    {
        using C = EthernetClass;
        s_add<C>(rows, "EthernetClass", 39,
                 {get<u8>("getEnabled", 1, &C::getEnabled),
                  set<u8>("setEnabled", 1, &C::setEnabled),
                  get<u8>("getNetworkConfiguration", 2, &C::getNetworkConfiguration),
                  set<u8>("setNetworkConfiguration", 2, &C::setNetworkConfiguration),
                  getBytes("getStaticIPv4Address", 3, &C::getStaticIPv4Address),
                  setBytes("setStaticIPv4Address", 3, &C::setStaticIPv4Address),
                  getBytes("getStaticIPv4Netmask", 4, &C::getStaticIPv4Netmask),
                  setBytes("setStaticIPv4Netmask", 4, &C::setStaticIPv4Netmask),
                  getBytes("getStaticIPv4Gateway", 5, &C::getStaticIPv4Gateway),
                  setBytes("setStaticIPv4Gateway", 5, &C::setStaticIPv4Gateway),
                  getBytes("getIPv4Address", 6, &C::getIPv4Address),
                  getBytes("getIPv4Netmask", 7, &C::getIPv4Netmask),
                  getBytes("getIPv4Gateway", 8, &C::getIPv4Gateway),
                  getBytes("getStaticIPv4DNSAddress", 9, &C::getStaticIPv4DNSAddress),
                  setBytes("setStaticIPv4DNSAddress", 9, &C::setStaticIPv4DNSAddress),
                  getBytes("getIPv4DNSAddress", 10, &C::getIPv4DNSAddress),
                  getBytes("getHostname", 11, &C::getHostname),
                  setBytes("setHostname", 11, &C::setHostname),
                  getBytes("getMACAddress", 12, &C::getMACAddress),
                  getAt<u16>("getInterfacePort", 13, &C::getInterfacePort),
                  setAt<u16>("setInterfacePort", 13, &C::setInterfacePort)});
    }
    {
        using C = PoEClass;
        s_add<C>(rows, "PoEClass", 40,
                 {get<u8>("getPowerMode", 1, &C::getPowerMode),
                  set<u8>("setPowerMode", 1, &C::setPowerMode),
                  get<u8>("getPowerState", 2, &C::getPowerState),
                  getAt<u8>("getPairEnabled", 3, &C::getPairEnabled),
                  setAt<u8>("setPairEnabled", 3, &C::setPairEnabled),
                  getAt<u8>("getPairSourcingClass", 4, &C::getPairSourcingClass),
                  setAt<u8>("setPairSourcingClass", 4, &C::setPairSourcingClass),
                  getAt<u8>("getPairRequestedClass", 5, &C::getPairRequestedClass),
                  getAt<u8>("getPairDiscoveredClass", 6, &C::getPairDiscoveredClass),
                  getAt<u8>("getPairDetectionStatus", 7, &C::getPairDetectionStatus),
                  getAt<i32>("getPairVoltage", 8, &C::getPairVoltage),
                  getAt<i32>("getPairCurrent", 9, &C::getPairCurrent),
                  getAt<i32>("getPairPower", 10, &C::getPairPower),
                  get<i32>("getTotalPower", 11, &C::getTotalPower),
                  getAt<i32>("getPairAccumulatedPower", 12, &C::getPairAccumulatedPower),
                  setAt<i32>("setPairAccumulatedPower", 12, &C::setPairAccumulatedPower),
                  get<i32>("getTotalAccumulatedPower", 13, &C::getTotalAccumulatedPower),
                  set<i32>("setTotalAccumulatedPower", 13, &C::setTotalAccumulatedPower),
                  getAt<i32>("getPairResistance", 14, &C::getPairResistance),
                  getAt<i32>("getPairCapacitance", 15, &C::getPairCapacitance)});
    }
    {
        using C = HDBaseTClass;
        s_add<C>(rows, "HDBaseTClass", 41,
                 {getBytes("getSerialNumber", 1, &C::getSerialNumber),
                  get<u32>("getFirmwareVersion", 2, &C::getFirmwareVersion),
                  get<u32>("getState", 3, &C::getState),
                  get<u32>("getCableLength", 4, &C::getCableLength),
                  get<i32>("getMSEA", 5, &C::getMSEA), get<i32>("getMSEB", 6, &C::getMSEB),
                  get<u32>("getRetransmissionRate", 7, &C::getRetransmissionRate),
                  get<u32>("getLinkUtilization", 8, &C::getLinkUtilization),
                  get<u8>("getEncodingState", 9, &C::getEncodingState),
                  getBytes("getUSB2DeviceTree", 10, &C::getUSB2DeviceTree),
                  getBytes("getUSB3DeviceTree", 11, &C::getUSB3DeviceTree),
                  get<u8>("getLinkRole", 12, &C::getLinkRole),
                  set<u8>("setLinkRole", 12, &C::setLinkRole)});
    }
    {
        using C = StoreClass;
        s_add<C>(
            rows, "StoreClass", 77,
            {set<u8>("slotEnable", 1, &C::slotEnable), set<u8>("slotDisable", 2, &C::slotDisable),
             getAt<u8>("getSlotState", 3, &C::getSlotState),
             getAt<u8>("getSlotLocked", 7, &C::getSlotLocked),
             setAt<u8>("setSlotLocked", 7, &C::setSlotLocked)});
    }
    {
        using C = TimerClass;
        s_add<C>(rows, "TimerClass", 79,
                 {get<u32>("getExpiration", 1, &C::getExpiration),
                  set<u32>("setExpiration", 1, &C::setExpiration),
                  get<u8>("getMode", 2, &C::getMode), set<u8>("setMode", 2, &C::setMode)});
    }
    {
        using C = ClockClass;
        s_add<C>(rows, "ClockClass", 83,
                 {get<u16>("getYear", 1, &C::getYear), set<u16>("setYear", 1, &C::setYear),
                  get<u8>("getMonth", 2, &C::getMonth), set<u8>("setMonth", 2, &C::setMonth),
                  get<u8>("getDay", 3, &C::getDay), set<u8>("setDay", 3, &C::setDay),
                  get<u8>("getHour", 4, &C::getHour), set<u8>("setHour", 4, &C::setHour),
                  get<u8>("getMinute", 5, &C::getMinute), set<u8>("setMinute", 5, &C::setMinute),
                  get<u8>("getSecond", 6, &C::getSecond), set<u8>("setSecond", 6, &C::setSecond)});
    }
    s_addSpecial(rows);
    return rows;
}

class MethodSweep : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(device.connected, aErrNone); }
    SimModule device{"tcp"};
};

TEST_F(MethodSweep, EveryMethodSendsItsOwnRequestAndReadsItsOwnWidth) {
    for (const Row& row : s_rows()) {
        SCOPED_TRACE(row.name);
        for (const std::string& line : row.setup) {
            const size_t verb = line.find(' ');
            device.control(line.substr(0, verb), line.substr(verb + 1));
        }
        device.clear();
        std::string observed;
        EXPECT_EQ(row.call(device.module, observed), row.expected);
        EXPECT_EQ(observed, row.observed);
        const std::vector<std::string> requests = device.requests();
        ASSERT_FALSE(requests.empty());
        const Bytes framing = {kAddress, static_cast<uint8_t>(row.request.size())};
        EXPECT_EQ(requests.front(), hex(framing) + hex(row.request));
    }
}

}  // namespace
