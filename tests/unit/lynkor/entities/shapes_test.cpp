// The method shapes against the device simulator, one test each: gets in every width and sign,
// by subindex, sets and their acknowledgement, calls, byte arrays and lists; and what a device
// may answer wrongly (another width, an error, a short or oversized reply, nothing), which
// must give an error and leave the caller's value as it was.
#include <gtest/gtest.h>

#include <functional>

#include "lynkor/entities/ClockClass.h"
#include "lynkor/entities/EthernetClass.h"
#include "lynkor/entities/RailClass.h"
#include "lynkor/entities/TimerClass.h"
#include "lynkor/entities/USBClass.h"
#include "lynkor/entities/USBSystemClass.h"
#include "sim_module.h"

namespace {

using namespace entities_test;
using namespace Norvane::Lynkor;

// What a read left in the caller's value when it must not have touched it.
constexpr int64_t kUntouched = 0x11;

class Shapes : public testing::Test {
public:
    void SetUp() override {
        ASSERT_EQ(device.connected, aErrNone);
        clock.init(&device.module, 0);
        timer.init(&device.module, 0);
        rail.init(&device.module, 0);
        usb.init(&device.module, 0);
        usbSystem.init(&device.module, 0);
        ethernet.init(&device.module, 0);
    }
    void prop(const std::string& rest) { device.control("prop", rest); }
    void fault(const std::string& rule) { device.sim->fault(kSerial, rule); }
    std::string lastRequest() { return device.requests().back(); }
    std::string held(const std::string& key) { return device.control("get", key).at(0); }

    SimModule device{"tcp"};
    ClockClass clock;
    TimerClass timer;
    RailClass rail;
    USBClass usb;
    USBSystemClass usbSystem;
    EthernetClass ethernet;
};

// A read through one of the typed getters, its value widened so that sign and width show.
struct ReadCase {
    const char* name;
    // Control requests before the read ("prop ...", "fault ..."), without the serial number.
    std::vector<std::string> setup;
    std::function<aErr(Shapes&, int64_t&)> read;
    aErr expected;
    int64_t value;
};

template <typename T, typename Entity>
std::function<aErr(Shapes&, int64_t&)> s_read(Entity Shapes::*entity, aErr (Entity::*get)(T*)) {
    return [entity, get](Shapes& test, int64_t& out) {
        T value = static_cast<T>(kUntouched);
        const aErr result = ((test.*entity).*get)(&value);
        out = value;
        return result;
    };
}

template <typename T, typename Entity>
std::function<aErr(Shapes&, int64_t&)> s_readAt(Entity Shapes::*entity, uint8_t subindex,
                                                aErr (Entity::*get)(uint8_t, T*)) {
    return [entity, subindex, get](Shapes& test, int64_t& out) {
        T value = static_cast<T>(kUntouched);
        const aErr result = ((test.*entity).*get)(subindex, &value);
        out = value;
        return result;
    };
}

void s_run(Shapes& test, const std::vector<ReadCase>& cases,
           const std::function<void(const std::string&)>& control) {
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::string& line : c.setup) {
            control(line);
        }
        int64_t value = 0;
        EXPECT_EQ(c.read(test, value), c.expected);
        EXPECT_EQ(value, c.value);
    }
}

TEST_F(Shapes, GetsReadEachWidthAndSignAndRefuseWhatDoesNotFit) {
    const auto month = s_read(&Shapes::clock, &ClockClass::getMonth);            // 83 2 u8
    const auto year = s_read(&Shapes::clock, &ClockClass::getYear);              // 83 1 u16
    const auto expiration = s_read(&Shapes::timer, &TimerClass::getExpiration);  // 79 1 u32
    const auto voltage = s_read(&Shapes::rail, &RailClass::getVoltage);          // 32 1 i32
    const std::vector<ReadCase> cases = {
        {"u8", {"prop 83 2 0 type=u8 value=0xFE"}, month, aErrNone, 0xFE},
        {"u16", {"prop 83 1 0 type=u16 value=0xFFFE"}, year, aErrNone, 0xFFFE},
        {"u32", {"prop 79 1 0 type=u32 value=0xFFFFFFFE"}, expiration, aErrNone, 0xFFFFFFFE},
        {"i32 negative", {"prop 32 1 0 type=u32 value=0xFFFFFFFE"}, voltage, aErrNone, -2},
        {"i32 positive", {"prop 32 1 0 type=u32 value=0x7FFFFFFF"}, voltage, aErrNone, 0x7FFFFFFF},
        {"u8 getter, u16 reply",
         {"prop 83 2 0 type=u16 value=0x0102"},
         month,
         aErrSize,
         kUntouched},
        {"u32 getter, u8 reply", {"prop 79 1 0 type=u8 value=1"}, expiration, aErrSize, kUntouched},
        {"i32 getter, u16 reply", {"prop 32 1 0 type=u16 value=1"}, voltage, aErrSize, kUntouched},
        {"device error",
         {"fault cmd=83 opt=1 action=error:13 times=1"},
         year,
         aErrRange,
         kUntouched},
        {"reply without a value",
         {"fault cmd=83 opt=1 action=reply:530100 times=1"},
         year,
         aErrUnknown,
         kUntouched},
        {"reply of no width",
         {"fault cmd=83 opt=1 action=reply:530100010203 times=1"},
         year,
         aErrUnknown,
         kUntouched},
        {"no reply", {"fault cmd=83 opt=1 action=drop times=1"}, year, aErrTimeout, kUntouched},
        {"answered after the drop", {}, year, aErrNone, 0xFFFE},
    };
    s_run(*this, cases, [this](const std::string& line) {
        const size_t verb = line.find(' ');
        if (line.rfind("fault", 0) == 0) {
            fault(line.substr(verb + 1));
        } else {
            device.control(line.substr(0, verb), line.substr(verb + 1));
        }
    });
    EXPECT_EQ(rail.getVoltage(nullptr), aErrParam);
}

TEST_F(Shapes, GetsBySubindexCarryItInByteThreeAndReadThatSubindexOnly) {
    prop("18 8 0 1 type=u32 value=5000000");
    prop("18 8 0 2 type=u32 value=0xFFFFFF9C");
    prop("18 20 0 2 type=u32 value=0x00020001");
    const auto voltage1 = s_readAt(&Shapes::usb, 1, &USBClass::getPortVoltage);
    const auto voltage2 = s_readAt(&Shapes::usb, 2, &USBClass::getPortVoltage);
    const std::vector<ReadCase> cases = {
        {"port 1", {}, voltage1, aErrNone, 5000000},
        {"port 2, negative", {}, voltage2, aErrNone, -100},
        {"u32 by port",
         {},
         s_readAt(&Shapes::usb, 2, &USBClass::getPortMode),
         aErrNone,
         0x00020001},
        {"port the device lacks",
         {},
         s_readAt(&Shapes::usb, 3, &USBClass::getPortVoltage),
         aErrIndexRange,
         kUntouched},
        {"u16 by port, u8 reply",
         {"prop 39 13 0 4 type=u8 value=9"},
         s_readAt(&Shapes::ethernet, 4, &EthernetClass::getInterfacePort),
         aErrSize,
         kUntouched},
    };
    s_run(*this, cases, [this](const std::string& line) { prop(line.substr(5)); });
    int32_t value = 0;
    ASSERT_EQ(usb.getPortVoltage(2, &value), aErrNone);
    EXPECT_EQ(lastRequest(), "040412482002");
}

TEST_F(Shapes, SetsSendTheValueBigEndianAndWaitForTheAcknowledgement) {
    prop("83 1 0 type=u16 access=rw");
    prop("79 1 0 type=u32 access=rw");
    prop("32 3 0 type=u32 access=rw");
    prop("18 20 0 3 type=u32 access=rw");
    prop("83 2 0 type=u8 access=ro");
    struct Case {
        const char* name;
        std::function<aErr(Shapes&)> write;
        aErr expected;
        std::string request;  // as the device received it
        std::string key;      // where the device keeps it
        std::string value;
    };
    const std::vector<Case> cases = {
        {"u16", [](Shapes& t) { return t.clock.setYear(2026); }, aErrNone, "040553812007EA",
         "83 1 0", "value 2026"},
        {"u32", [](Shapes& t) { return t.timer.setExpiration(0x01020304); }, aErrNone,
         "04074F812001020304", "79 1 0", "value 16909060"},
        {"i32", [](Shapes& t) { return t.rail.setCurrentLimit(-3); }, aErrNone,
         "0407208320FFFFFFFD", "32 3 0", "value 4294967293"},
        {"u32 by port", [](Shapes& t) { return t.usb.setPortMode(3, 0xA0B0C0D0); }, aErrNone,
         "040812942003A0B0C0D0", "18 20 0 3", "value 2695938256"},
        {"refused", [](Shapes& t) { return t.clock.setMonth(4); }, aErrPermission, "040453822004",
         "83 2 0", "value 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.write(*this), c.expected);
        EXPECT_EQ(lastRequest(), c.request);
        EXPECT_EQ(held(c.key), c.value);
    }
    // An acknowledgement that never comes, and one of another option, are no success.
    fault("cmd=83 opt=1 action=drop times=1");
    EXPECT_EQ(clock.setYear(1999), aErrTimeout);
    fault("cmd=83 opt=1 action=reply:53C200 times=1");
    EXPECT_EQ(clock.setYear(1999), aErrTimeout);
    fault("cmd=83 opt=1 action=error:5 times=1");
    EXPECT_EQ(clock.setYear(1999), aErrBusy);
    EXPECT_EQ(clock.setYear(2000), aErrNone);
}

TEST_F(Shapes, CallsSendNoValue) {
    prop("32 20 0 type=void access=wo");
    EXPECT_EQ(rail.clearFaults(), aErrNone);
    EXPECT_EQ(lastRequest(), "0403209420");
    EXPECT_EQ(device.sim->stats(kSerial)["uei_calls"], 1);
    fault("cmd=32 opt=20 action=error:12 times=1");
    EXPECT_EQ(rail.clearFaults(), aErrPermission);
}

TEST_F(Shapes, ByteArraysRoundTripAndLeaveTheBufferAloneOnFailure) {
    prop("39 11 0 type=bytes access=rw");
    const std::string name = "bench-switch-07.lab.example";
    ASSERT_EQ(ethernet.setHostname(reinterpret_cast<const uint8_t*>(name.data()),
                                   static_cast<uint32_t>(name.size())),
              aErrNone);
    Bytes buffer(64, 0xEE);
    uint32_t length = 7;
    ASSERT_EQ(ethernet.getHostname(buffer.data(), 64, &length), aErrNone);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + length), name);

    // Room for fewer bytes than the device holds.
    std::fill(buffer.begin(), buffer.end(), 0xEE);
    length = 7;
    EXPECT_EQ(ethernet.getHostname(buffer.data(), 26, &length), aErrMemory);
    EXPECT_EQ(length, 7u);
    EXPECT_EQ(buffer, Bytes(64, 0xEE));
    fault("cmd=39 opt=11 action=error:16 times=1");
    EXPECT_EQ(ethernet.getHostname(buffer.data(), 64, &length), aErrParse);
    EXPECT_EQ(length, 7u);
    EXPECT_EQ(buffer, Bytes(64, 0xEE));

    const size_t before = device.requests().size();
    EXPECT_EQ(ethernet.getHostname(nullptr, 64, &length), aErrParam);
    EXPECT_EQ(ethernet.getHostname(buffer.data(), 64, nullptr), aErrParam);
    EXPECT_EQ(ethernet.getHostname(buffer.data(), 0, &length), aErrParam);
    EXPECT_EQ(ethernet.setHostname(nullptr, 3), aErrParam);
    EXPECT_EQ(device.requests().size(), before);
    // Nothing to send is an empty array.
    EXPECT_EQ(ethernet.setHostname(nullptr, 0), aErrNone);
    EXPECT_EQ(lastRequest(), "0404278B2000");
}

TEST_F(Shapes, ListsRoundTripAndRefuseSizesThatOverflow) {
    prop("38 6 0 type=bytes access=rw");
    const uint32_t modes[] = {0x11223344, 0, 0xFFFFFFFF, 7, 8, 9, 10};
    ASSERT_EQ(usbSystem.setModeList(modes, 7), aErrNone);
    uint32_t read[8] = {};
    uint32_t count = 0;
    ASSERT_EQ(usbSystem.getModeList(read, 8, &count), aErrNone);
    EXPECT_EQ(count, 7u);
    EXPECT_TRUE(std::equal(modes, modes + 7, read));
    EXPECT_EQ(usbSystem.getModeList(read, 6, &count), aErrMemory);

    const size_t before = device.requests().size();
    // 0x40000000 values are 2^32 bytes: more than a byte count can say.
    EXPECT_EQ(usbSystem.getModeList(read, 0x40000000, &count), aErrParam);
    EXPECT_EQ(usbSystem.setModeList(modes, 0x40000000), aErrParam);
    EXPECT_EQ(usbSystem.setModeList(nullptr, 1), aErrParam);
    EXPECT_EQ(usbSystem.getModeList(nullptr, 1, &count), aErrParam);
    EXPECT_EQ(device.requests().size(), before);
    EXPECT_EQ(count, 7u);

    prop("38 7 0 type=bytes value=0102030405");
    uint32_t states[4] = {9, 9, 9, 9};
    EXPECT_EQ(usbSystem.getStateList(states, 4, &count), aErrMemory);
    EXPECT_EQ(count, 7u);
    EXPECT_EQ(states[0], 9u);
}

TEST(EntityWithoutModule, EveryShapeIsAResourceError) {
    USBSystemClass entity;
    uint32_t values[2] = {};
    uint32_t count = 0;
    uint8_t byte = 0;
    int32_t signedValue = 0;
    EXPECT_EQ(entity.getUpstream(&byte), aErrResource);
    EXPECT_EQ(entity.setUpstream(1), aErrResource);
    EXPECT_EQ(entity.getModeList(values, 2, &count), aErrResource);
    EXPECT_EQ(entity.setModeList(values, 2), aErrResource);
    RailClass rail;
    EXPECT_EQ(rail.getVoltage(&signedValue), aErrResource);
    EXPECT_EQ(rail.setCurrentLimit(-1), aErrResource);
    EXPECT_EQ(rail.clearFaults(), aErrResource);
}

}  // namespace
