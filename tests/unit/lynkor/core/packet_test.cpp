#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "lynkor/aPacket.h"
#include "support/packet_ptr.h"

namespace {

using testing_support::PacketPtr;

PacketPtr fresh() {
    return PacketPtr(aPacket_Create());
}

TEST(PacketAssembly, ZeroLengthPacketIsCompleteAfterItsLengthByte) {
    auto p = fresh();
    EXPECT_EQ(aPacket_AddByte(p.get(), 0x04), aErrNone);
    EXPECT_FALSE(aPacket_IsComplete(p.get()));
    EXPECT_EQ(aPacket_AddByte(p.get(), 0x00), aErrNone);
    EXPECT_TRUE(aPacket_IsComplete(p.get()));
    EXPECT_EQ(p->cur_size, 2);
}

TEST(PacketAssembly, RefusesBadAddressAndOversizedLength) {
    auto p = fresh();
    EXPECT_EQ(aPacket_AddByte(p.get(), 0x00), aErrPacket);
    EXPECT_EQ(p->address, 0);
    EXPECT_EQ(p->cur_size, 1);

    auto q = fresh();
    EXPECT_EQ(aPacket_AddByte(q.get(), 0x04), aErrNone);
    EXPECT_EQ(aPacket_AddByte(q.get(), 0x1D), aErrPacket);
    EXPECT_EQ(q->data_size, 29);
    EXPECT_FALSE(aPacket_IsComplete(q.get()));
    EXPECT_EQ(aPacket_Reset(q.get()), aErrNone);
    EXPECT_EQ(q->cur_size, 0);
    EXPECT_EQ(q->check, aPACKET_CHECK);
}

TEST(PacketAssembly, FullPacketCompletesAtThirtyAndOverrunsAfter) {
    auto p = fresh();
    ASSERT_EQ(aPacket_AddByte(p.get(), 0x02), aErrNone);
    ASSERT_EQ(aPacket_AddByte(p.get(), 28), aErrNone);
    for (uint8_t i = 0; i < 28; ++i) {
        ASSERT_EQ(aPacket_AddByte(p.get(), static_cast<uint8_t>(0xA0 + i)), aErrNone);
    }
    EXPECT_TRUE(aPacket_IsComplete(p.get()));
    EXPECT_EQ(p->cur_size, 30);
    EXPECT_EQ(p->data[27], 0xA0 + 27);
    EXPECT_EQ(aPacket_AddByte(p.get(), 0x55), aErrOverrun);
}

TEST(PacketAssembly, ByteBeyondDeclaredLengthIsRefused) {
    auto p = fresh();
    aPacket_AddByte(p.get(), 0x04);
    aPacket_AddByte(p.get(), 1);
    EXPECT_EQ(aPacket_AddByte(p.get(), 0x11), aErrNone);
    EXPECT_EQ(aPacket_AddByte(p.get(), 0x22), aErrPacket);
}

TEST(PacketAssembly, CountNeverWrapsBackToAFreshPacket) {
    auto p = fresh();
    for (int i = 0; i < 600; ++i) {
        aPacket_AddByte(p.get(), 0x07);
    }
    EXPECT_EQ(aPacket_AddByte(p.get(), 0x07), aErrOverrun);
    EXPECT_FALSE(aPacket_IsComplete(p.get()));
}

TEST(PacketCreation, CreateWithDataCopyAndRefusals) {
    const uint8_t bytes[3] = {0x10, 0xC1, 0xE2};
    PacketPtr p(aPacket_CreateWithData(0x06, 3, bytes));
    ASSERT_TRUE(p);
    EXPECT_TRUE(aPacket_IsComplete(p.get()));
    EXPECT_EQ(aPacket_CreateWithData(0x06, 0, nullptr), nullptr);
    EXPECT_EQ(aPacket_CreateWithData(0x06, 29, bytes), nullptr);

    p->cur_size = 1;  // a copy is complete whatever the source held
    PacketPtr copy(aPacket_Copy(p.get()));
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->cur_size, 5);
    EXPECT_EQ(copy->address, 0x06);
    EXPECT_EQ(copy->data[2], 0xE2);

    aPacket foreign{};
    EXPECT_EQ(aPacket_Copy(&foreign), nullptr);
    p->data_size = 29;
    EXPECT_EQ(aPacket_Copy(p.get()), nullptr);
}

TEST(PacketCreation, DestroyNullsTheHandleAndRefusesNull) {
    aPacket* p = aPacket_Create();
    EXPECT_EQ(aPacket_Destroy(&p), aErrNone);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(aPacket_Destroy(&p), aErrParam);
    EXPECT_EQ(aPacket_Destroy(nullptr), aErrParam);
    EXPECT_EQ(aPacket_Reset(nullptr), aErrParam);
    EXPECT_EQ(aPacket_AddByte(nullptr, 1), aErrParam);
    EXPECT_FALSE(aVALIDPACKET(nullptr));
}

TEST(PacketAccess, AccessorsMaskAndTellMissingPointerFromShortPacket) {
    const uint8_t bytes[3] = {0x5F, 0xFF, 0xFF};
    PacketPtr p(aPacket_CreateWithData(0x02, 3, bytes));
    uint8_t cmd = 0, option = 0, index = 0;
    EXPECT_EQ(aPacket_GetCmd(p.get(), &cmd), aErrNone);
    EXPECT_EQ(aPacket_GetOption(p.get(), &option), aErrNone);
    EXPECT_EQ(aPacket_GetIndex(p.get(), &index), aErrNone);
    EXPECT_EQ(cmd, 0x5F);
    EXPECT_EQ(option, 0x3F);
    EXPECT_EQ(index, 0x1F);

    PacketPtr shortPacket(aPacket_CreateWithData(0x02, 1, bytes));
    EXPECT_EQ(aPacket_GetOption(shortPacket.get(), &option), aErrPacket);
    EXPECT_EQ(aPacket_GetOption(shortPacket.get(), nullptr), aErrParam);
    EXPECT_EQ(aPacket_GetOption(nullptr, nullptr), aErrParam);
    EXPECT_EQ(aPacket_GetCmd(nullptr, &cmd), aErrPacket);
}

TEST(PacketAccess, GetBytesWritesWireFormOnlyWhenItFits) {
    const uint8_t bytes[2] = {0xAB, 0xCD};
    PacketPtr p(aPacket_CreateWithData(0x04, 2, bytes));
    std::vector<uint8_t> buffer(4, 0xEE);
    size_t length = 0;
    EXPECT_EQ(aPacket_GetBytes(p.get(), buffer.data(), 3, &length), aErrOverrun);
    EXPECT_EQ(buffer, std::vector<uint8_t>(4, 0xEE));
    EXPECT_EQ(aPacket_GetBytes(p.get(), buffer.data(), 4, &length), aErrNone);
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(buffer, (std::vector<uint8_t>{0x04, 0x02, 0xAB, 0xCD}));
    EXPECT_EQ(aPacket_GetBytes(p.get(), nullptr, 4, &length), aErrParam);
    EXPECT_EQ(aPacket_GetBytes(p.get(), buffer.data(), 4, nullptr), aErrNone);
}

}  // namespace
