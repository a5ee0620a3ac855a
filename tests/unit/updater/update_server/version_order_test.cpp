#include "update_server/version_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> versionsOf(const BuildMap& builds) {
    std::vector<std::string> versions;
    for (const auto& [build, version] : sortedBuildList(builds)) {
        versions.push_back(version);
    }
    return versions;
}

TEST(VersionOrder, NewestFirstComparingNumbersNotText) {
    BuildMap builds{{"100", "1.10.0"}, {"101", "1.9.5"}, {"102", "2.0.0"}};
    EXPECT_EQ(versionsOf(builds), (std::vector<std::string>{"2.0.0", "1.10.0", "1.9.5"}));
}

TEST(VersionOrder, PartsCountModulo256AsTheDevicesStoreThem) {
    EXPECT_TRUE(sortVersion("1.2.255", "1.2.256"));
    EXPECT_FALSE(sortVersion("1.2.256", "1.2.1"));
    EXPECT_TRUE(sortVersion(" 1.+2.3", "1.2.2"));
}

TEST(VersionOrder, UnreadableVersionsSortAfterReadableOnes) {
    BuildMap builds{
        {"1", ""},        {"2", "1.0.0"},          {"3", "1.2"}, {"4", "x.y.z"}, {"5", "0.0.1"},
        {"6", "1.2.3.4"}, {"7", "99999999999.0.0"}};
    EXPECT_EQ(versionsOf(builds), (std::vector<std::string>{"1.0.0", "0.0.1", "", "1.2", "x.y.z",
                                                            "1.2.3.4", "99999999999.0.0"}));
}

// std::sort needs a strict weak ordering whatever the server sends; check its laws on a mix of
// readable, unreadable and equal versions.
TEST(VersionOrder, IsAStrictWeakOrdering) {
    const std::vector<std::string> samples{"",       "1.2",   "1.2.3", "1.2.3",  "1.2.259",
                                           "a.b.c",  "2.0.0", "0.0.0", "-1.0.0", "1..3",
                                           "1.2.3.", "9.9.9", "1.10.0"};
    auto equivalent = [](const std::string& a, const std::string& b) {
        return !sortVersion(a, b) && !sortVersion(b, a);
    };
    for (const auto& a : samples) {
        EXPECT_FALSE(sortVersion(a, a)) << a;
        for (const auto& b : samples) {
            EXPECT_FALSE(sortVersion(a, b) && sortVersion(b, a)) << a << " " << b;
            for (const auto& c : samples) {
                if (sortVersion(a, b) && sortVersion(b, c)) {
                    EXPECT_TRUE(sortVersion(a, c)) << a << " " << b << " " << c;
                }
                if (equivalent(a, b) && equivalent(b, c)) {
                    EXPECT_TRUE(equivalent(a, c)) << a << " " << b << " " << c;
                }
            }
        }
    }
    std::vector<std::string> many;
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i) {
        many.push_back(samples[random() % samples.size()]);
    }
    std::sort(many.begin(), many.end(), sortVersion);
    EXPECT_TRUE(std::is_sorted(many.begin(), many.end(), sortVersion));
}

}  // namespace
