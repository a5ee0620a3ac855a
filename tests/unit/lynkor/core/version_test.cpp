#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "lynkor/aVersion.h"

namespace {

std::string text(uint32_t packed) {
    char buffer[aVERSION_STRING_SIZE];
    return aVersion_ParseString(packed, buffer, sizeof buffer) < 0 ? "<none>" : buffer;
}

TEST(VersionPack, LegacyLayoutEndsAtTwoFourteen) {
    EXPECT_EQ(aVersion_Pack(2, 14, 3), 0x2E000003u);
    EXPECT_EQ(aVersion_Pack(2, 15, 0), 0x2F020F00u);
    EXPECT_EQ(aVersion_Pack(3, 0, 1), 0x2F030001u);
    EXPECT_EQ(aVersion_Pack(0, 0, 0), 0u);
    // Below major 2 a minor keeps only its low four bits.
    EXPECT_EQ(aVersion_Pack(1, 0x1A, 5), 0x1A000005u);
}

TEST(VersionParse, LayoutChangesAtTopByte2F) {
    EXPECT_TRUE(aVersion_IsLegacyFormat(0x2EFFFFFF));
    EXPECT_EQ(text(0x2EFFFFFF), "2.14.16777215");
    EXPECT_FALSE(aVersion_IsLegacyFormat(0x2F000000));
    EXPECT_EQ(text(0x2F000000), "0.0.0");
    EXPECT_EQ(text(0x2F020F00), "2.15.0");
    EXPECT_EQ(text(0x1A000005), "1.10.5");
    // Any top byte from 0x2F up is the current layout.
    EXPECT_EQ(aVersion_ParseMajor(0xFF0A0B0C), 0x0A);
    EXPECT_EQ(aVersion_ParseMinor(0xFF0A0B0C), 0x0B);
    EXPECT_EQ(aVersion_ParsePatch(0xFF0A0B0C), 0x0Cu);
}

TEST(VersionParse, PackedValuesParseBackToTheirFields) {
    for (int major : {0, 1, 2, 3, 255}) {
        for (int minor : {0, 9, 14, 15, 200}) {
            for (int patch : {0, 1, 255}) {
                if (major < 2 && minor > 15) {
                    continue;
                }
                const uint32_t packed =
                    aVersion_Pack(static_cast<uint8_t>(major), static_cast<uint8_t>(minor),
                                  static_cast<uint8_t>(patch));
                EXPECT_EQ(aVersion_ParseMajor(packed), major) << std::hex << packed;
                EXPECT_EQ(aVersion_ParseMinor(packed), minor) << std::hex << packed;
                EXPECT_EQ(aVersion_ParsePatch(packed), static_cast<uint32_t>(patch));
            }
        }
    }
}

TEST(VersionParse, StringNeverWritesPastTheBuffer) {
    char buffer[16];
    std::memset(buffer, 'X', sizeof buffer);
    // "2.14.16777215" needs 14 bytes with its terminator.
    EXPECT_EQ(aVersion_ParseString(0x2EFFFFFF, buffer, 13), -1);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(buffer[13], 'X');
    EXPECT_EQ(aVersion_ParseString(0x2EFFFFFF, buffer, 14), 13);
    EXPECT_STREQ(buffer, "2.14.16777215");
    EXPECT_EQ(aVersion_ParseString(0x2EFFFFFF, nullptr, 14), -1);
    EXPECT_EQ(aVersion_ParseString(0x2EFFFFFF, buffer, 0), -1);
}

TEST(VersionCompare, FieldByFieldWithEqualCountingAsAtLeast) {
    EXPECT_TRUE(aVersion_IsAtLeastCompare(2, 15, 0, 2, 15, 0));
    EXPECT_FALSE(aVersion_IsAtLeastCompare(2, 14, 9, 2, 15, 0));
    EXPECT_TRUE(aVersion_IsAtLeastCompare(3, 0, 0, 2, 255, 255));
    EXPECT_FALSE(aVersion_IsAtLeastCompare(1, 255, 255, 2, 0, 0));
    EXPECT_TRUE(aVersion_IsAtLeastCompare(2, 15, 200, 2, 15, 199));
    EXPECT_TRUE(aVersion_IsAtLeast(2, 12, 0));
    EXPECT_TRUE(aVersion_IsAtLeast(2, 11, 255));
    EXPECT_FALSE(aVersion_IsAtLeast(2, 12, 1));
    EXPECT_FALSE(aVersion_IsAtLeast(3, 0, 0));
}

TEST(VersionLibrary, OwnVersionAndFeatures) {
    EXPECT_EQ(aVersion_GetMajor(), 2);
    EXPECT_EQ(aVersion_GetMinor(), 12);
    EXPECT_EQ(aVersion_GetPatch(), 0u);
    EXPECT_TRUE(aVersion_HasFeature("VERSION"));
    EXPECT_FALSE(aVersion_HasFeature("version"));
    EXPECT_FALSE(aVersion_HasFeature("VERSIONS"));
    EXPECT_FALSE(aVersion_HasFeature(nullptr));

    char* list = aVersion_GetFeatureList();
    ASSERT_NE(list, nullptr);
    EXPECT_STREQ(list, "VERSION - Version Query API");
    aVersion_DestroyFeatureList(&list);
    EXPECT_EQ(list, nullptr);
}

TEST(VersionLibrary, StringIsBuiltOnceForConcurrentFirstCallers) {
    std::vector<const char*> seen(8);
    std::vector<std::thread> threads;
    for (auto& slot : seen) {
        threads.emplace_back([&slot] { slot = aVersion_GetString(); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (const char* text : seen) {
        EXPECT_EQ(text, seen.front());
        EXPECT_STREQ(text, "2.12.0");
    }
}

}  // namespace
