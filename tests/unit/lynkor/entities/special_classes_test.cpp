// The methods that are more than one option's get or set: AppClass's waiting execute, the
// power-delivery data-object attributes, the pointer transfers, StoreClass's slot transfers,
// and the request bytes of the USB port examples.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "lynkor/entities/AppClass.h"
#include "lynkor/entities/PointerClass.h"
#include "lynkor/entities/PowerDeliveryClass.h"
#include "lynkor/entities/StoreClass.h"
#include "lynkor/entities/SystemClass.h"
#include "lynkor/entities/USBClass.h"
#include "sim_module.h"

namespace {

using namespace entities_test;
using namespace Norvane::Lynkor;
using namespace std::chrono_literals;

class OnDevice : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(device.connected, aErrNone); }
    std::string lastRequest() { return device.requests().back(); }
    long stat(const std::string& name) { return device.sim->stats(kSerial)[name]; }

    SimModule device{"tcp"};
};

// Has the device report `packet` on its own `delay` after the next set reaches it.
std::thread s_reportAfterNextSet(SimModule& device, long setsBefore,
                                 std::chrono::milliseconds delay, const std::string& packet) {
    return std::thread([&device, setsBefore, delay, packet] {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (device.sim->stats(kSerial)["uei_sets"] <= setsBefore &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(2ms);
        }
        std::this_thread::sleep_for(delay);
        device.control("packet", packet);
    });
}

TEST_F(OnDevice, ExecuteWaitsForTheResultAsLongAsTheCallerSays) {
    device.control("prop", "5 1 0 type=u32 access=wo");
    AppClass app;
    app.init(&device.module, 0);
    uint32_t result = 0;
    EXPECT_EQ(app.execute(7, nullptr, 100), aErrParam);
    EXPECT_EQ(stat("uei_sets"), 0);

    // A result 1.3 s after the start: within a 2.5 s time-out...
    std::thread reporter = s_reportAfterNextSet(device, 0, 1300ms, "0502000000002A");
    EXPECT_EQ(app.execute(7, &result, 2500), aErrNone);
    reporter.join();
    EXPECT_EQ(result, 42u);
    EXPECT_EQ(device.requests().back(), "040705812000000007");

    // ...but past the 1000 ms that a time-out of 0 means. The late result is then left behind
    // and must not pass for the next run's.
    result = 0;
    reporter = s_reportAfterNextSet(device, 1, 1300ms, "0502000000002B");
    EXPECT_EQ(app.execute(8, &result, 0), aErrTimeout);
    reporter.join();
    EXPECT_EQ(result, 0u);
    // The device has sent the late result; a round trip behind it makes sure it has arrived
    // before the next run starts, however slowly this process runs.
    SystemClass system;
    system.init(&device.module, 0);
    uint32_t serialNumber = 0;
    EXPECT_EQ(system.getSerialNumber(&serialNumber), aErrNone);
    reporter = s_reportAfterNextSet(device, 2, 50ms, "0502000000002C");
    EXPECT_EQ(app.execute(9, &result, 2500), aErrNone);
    reporter.join();
    EXPECT_EQ(result, 0x2Cu);

    // A failed run reports its error code instead of a result.
    reporter = s_reportAfterNextSet(device, 3, 50ms, "05028006");
    EXPECT_EQ(app.execute(10, &result, 2500), aErrIO);
    reporter.join();
    EXPECT_EQ(result, 0x2Cu);
    // And a refused start waits for nothing.
    device.control("prop", "5 1 0 access=ro");
    EXPECT_EQ(app.execute(11, &result, 2500), aErrPermission);
}

TEST(DataObjectAttributes, PackAndUnpackRoleSideAndIndex) {
    struct Case {
        uint8_t side;
        uint8_t role;
        uint8_t index;
        aErr expected;
        uint8_t attributes;
    };
    const Case cases[] = {
        {0, 1, 0, aErrNone, 0x00},   {0, 2, 0, aErrNone, 0x80},      {1, 1, 0, aErrNone, 0x40},
        {1, 2, 5, aErrNone, 0xC5},   {0, 1, 63, aErrNone, 0x3F},     {1, 2, 63, aErrNone, 0xFF},
        {0, 3, 1, aErrParam, 0x11},  {0, 0, 1, aErrParam, 0x11},     {2, 1, 1, aErrParam, 0x11},
        {0, 1, 64, aErrParam, 0x11}, {255, 2, 255, aErrParam, 0x11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << int(c.side) << "/" << int(c.role) << "/" << int(c.index));
        uint8_t attributes = 0x11;
        EXPECT_EQ(
            PowerDeliveryClass::packDataObjectAttributes(&attributes, c.side, c.role, c.index),
            c.expected);
        EXPECT_EQ(attributes, c.attributes);
        if (c.expected != aErrNone) {
            continue;
        }
        uint8_t side = 9;
        uint8_t role = 9;
        uint8_t index = 99;
        ASSERT_EQ(PowerDeliveryClass::unpackDataObjectAttributes(attributes, &side, &role, &index),
                  aErrNone);
        EXPECT_EQ(side, c.side);
        EXPECT_EQ(role, c.role);
        EXPECT_EQ(index, c.index);
    }
    EXPECT_EQ(PowerDeliveryClass::packDataObjectAttributes(nullptr, 0, 1, 0), aErrParam);
    uint8_t out = 0;
    EXPECT_EQ(PowerDeliveryClass::unpackDataObjectAttributes(0, &out, nullptr, &out), aErrParam);
}

TEST_F(OnDevice, DataObjectsAreAddressedByTheirAttributeByte) {
    device.control("prop", "36 1 0 197 type=u32 value=0x0001912C");
    PowerDeliveryClass pd;
    pd.init(&device.module, 0);
    uint32_t object = 0;
    ASSERT_EQ(pd.getPowerDataObject(1, 2, 5, &object), aErrNone);
    EXPECT_EQ(lastRequest(), "0404244120C5");
    EXPECT_EQ(object, 0x0001912Cu);

    const size_t before = device.requests().size();
    uint8_t count = 0;
    EXPECT_EQ(pd.getPowerDataObject(1, 3, 5, &object), aErrParam);
    EXPECT_EQ(pd.setPowerDataObject(1, 64, 1), aErrParam);
    EXPECT_EQ(pd.getPowerDataObjectEnabled(0, 1, &count), aErrParam);
    EXPECT_EQ(pd.getNumberOfPowerDataObjects(2, 1, &count), aErrParam);
    EXPECT_EQ(pd.getRequestDataObject(2, &object), aErrParam);
    EXPECT_EQ(pd.resetPowerDataObjectToDefault(3, 0), aErrParam);
    EXPECT_EQ(device.requests().size(), before);
    EXPECT_EQ(object, 0x0001912Cu);
}

TEST_F(OnDevice, PortExamplesAndBothPointerTransfersSendTheirRequests) {
    device.control("prop", "18 1 0 type=u8 access=wo");
    device.control("prop", "18 8 0 2 type=u32 value=5000");
    device.control("prop", "7 7 0 type=u8 access=wo");
    USBClass usb;
    usb.init(&device.module, 0);
    ASSERT_EQ(usb.setPortEnable(2), aErrNone);
    EXPECT_EQ(lastRequest(), "040412812002");
    int32_t voltage = 0;
    ASSERT_EQ(usb.getPortVoltage(2, &voltage), aErrNone);
    EXPECT_EQ(lastRequest(), "040412482002");
    EXPECT_EQ(voltage, 5000);

    PointerClass pointer;
    pointer.init(&device.module, 0);
    ASSERT_EQ(pointer.initiateTransferToStore(3), aErrNone);
    const std::string toStore = lastRequest();
    ASSERT_EQ(pointer.initiateTransferFromStore(3), aErrNone);
    EXPECT_EQ(lastRequest(), toStore);
    EXPECT_EQ(toStore, "040407872003");
}

TEST_F(OnDevice, SlotsLoadAndUnloadThroughTheirStore) {
    constexpr uint8_t kStore = 1;
    constexpr uint8_t kSlot = 2;
    device.control("slot", "1 2 capacity=100");
    StoreClass store;
    store.init(&device.module, kStore);
    Bytes data(40);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    uint32_t capacity = 0;
    uint32_t size = 0;
    ASSERT_EQ(store.getSlotCapacity(kSlot, &capacity), aErrNone);
    EXPECT_EQ(capacity, 100u);
    ASSERT_EQ(store.loadSlot(kSlot, data.data(), static_cast<uint32_t>(data.size())), aErrNone);
    EXPECT_EQ(device.sim->slot(kSerial, kStore, kSlot).bytes, data);
    ASSERT_EQ(store.getSlotSize(kSlot, &size), aErrNone);
    EXPECT_EQ(size, 40u);
    Bytes back(64, 0);
    uint32_t count = 0;
    ASSERT_EQ(store.unloadSlot(kSlot, 64, back.data(), &count), aErrNone);
    EXPECT_EQ(Bytes(back.begin(), back.begin() + count), data);
    EXPECT_EQ(store.unloadSlot(kSlot, 10, back.data(), &count), aErrOverrun);
    EXPECT_EQ(count, 10u);
    EXPECT_EQ(store.loadSlot(kSlot, nullptr, 4), aErrParam);

    StoreClass orphan;
    EXPECT_EQ(orphan.getSlotCapacity(kSlot, &capacity), aErrResource);
    EXPECT_EQ(orphan.getSlotSize(kSlot, &size), aErrResource);
    EXPECT_EQ(orphan.loadSlot(kSlot, data.data(), 4), aErrResource);
    EXPECT_EQ(orphan.unloadSlot(kSlot, 64, back.data(), &count), aErrResource);
}

}  // namespace
