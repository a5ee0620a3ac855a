#include <gtest/gtest.h>

#include <cstring>

#include "lynkor/aDefs.h"
#include "lynkor/aError.h"
#include "lynkor/aLinkSpec.h"

namespace {

TEST(ErrorTexts, TablesAndOutOfRangeValues) {
    EXPECT_STREQ(aError_GetErrorText(aErrParam), "aErrParam");
    EXPECT_STREQ(aError_GetErrorDescription(27), "Lynkor command to short");
    EXPECT_STREQ(aError_GetErrorDescription(aErrNotReady), "Not ready, no bytes available");
    EXPECT_STREQ(aError_GetErrorText(35), "aErrUnknown");
    EXPECT_STREQ(aError_GetErrorText(-1), "aErrUnknown");
    EXPECT_STREQ(aError_GetErrorDescription(-1), "Unknown error");
    for (int32_t e = 0; e <= aErrUnknown; ++e) {
        EXPECT_EQ(std::strncmp(aError_GetErrorText(e), "aErr", 4), 0) << e;
    }
}

TEST(ModelNames, TableEdges) {
    EXPECT_STREQ(aDefs_GetModelName(4), "Quillon");
    EXPECT_STREQ(aDefs_GetModelName(5), "Marrow");
    EXPECT_STREQ(aDefs_GetModelName(6), "Unknown");
    EXPECT_STREQ(aDefs_GetModelName(12), "Unknown");
    EXPECT_STREQ(aDefs_GetModelName(13), "Tessel");
    EXPECT_STREQ(aDefs_GetModelName(26), "Fascia");
    EXPECT_STREQ(aDefs_GetModelName(27), "Finial");
    EXPECT_STREQ(aDefs_GetModelName(28), "Unknown");
    EXPECT_STREQ(aDefs_GetModelName(0xFFFFFFFF), "Unknown");
}

TEST(LinkSpecRecords, CreateCopyDestroy) {
    linkSpec* spec = aLinkSpec_Create(SERIAL);
    ASSERT_NE(spec, nullptr);
    EXPECT_EQ(spec->type, SERIAL);
    EXPECT_EQ(spec->serial_num, 0u);
    spec->baud_rate = 115200;
    std::memset(spec->serial_port, 'x', sizeof spec->serial_port - 1);
    spec->serial_port[sizeof spec->serial_port - 1] = '\0';

    linkSpec* copy = aLinkSpec_Copy(*spec);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::memcmp(copy, spec, sizeof(linkSpec)), 0);
    EXPECT_EQ(std::strlen(copy->serial_port), 99u);

    EXPECT_EQ(aLinkSpec_Destroy(&spec), aErrNone);
    EXPECT_EQ(spec, nullptr);
    EXPECT_EQ(aLinkSpec_Destroy(&spec), aErrParam);
    EXPECT_EQ(aLinkSpec_Destroy(&copy), aErrNone);
}

TEST(LinkSpecRecords, WireLayoutIsLittleEndianWords) {
    linkSpec spec{};
    spec.type = TCPIP;
    spec.serial_num = 0x40F5849A;
    spec.ip_address = 0x0100007F;  // 127.0.0.1, first octet lowest
    spec.ip_port = 9000;
    const auto* bytes = reinterpret_cast<const uint8_t*>(&spec);
    EXPECT_EQ(bytes[0], 2);
    EXPECT_EQ(bytes[4], 0x9A);
    EXPECT_EQ(bytes[7], 0x40);
    EXPECT_EQ(bytes[24], 127);
    EXPECT_EQ(bytes[27], 1);
    EXPECT_EQ(bytes[28], 9000 & 0xFF);
}

}  // namespace
