#include "update_server/server_replies.h"

#include <gtest/gtest.h>

#include "update_server/build_number.h"
#include "update_server/server_comm.h"

namespace {

TEST(ReplyLines, SplitAtLineFeedsOnlyAndNeedOkFirst) {
    EXPECT_EQ(splitReplyLines("ok\r\n12\n"), (std::vector<std::string>{"ok\r", "12"}));
    EXPECT_EQ(splitReplyLines("ok"), (std::vector<std::string>{"ok"}));
    EXPECT_EQ(splitReplyLines("ok\n\nx"), (std::vector<std::string>{"ok", "", "x"}));
    EXPECT_TRUE(splitReplyLines("").empty());
    EXPECT_TRUE(replyIsOk(splitReplyLines("okay then\n")));
    EXPECT_FALSE(replyIsOk(splitReplyLines("")));
    EXPECT_FALSE(replyIsOk(splitReplyLines("o\nk")));
    EXPECT_FALSE(replyIsOk(splitReplyLines("error\nok\n")));
    EXPECT_FALSE(replyIsOk(splitReplyLines(" ok\n")));
}

TEST(QueryBuildReply, TagStopsAtCarriageReturnAndMissingLinesStayUnset) {
    auto reply = readQueryBuildReply(splitReplyLines("ok\r\n1234\r\nprod\r\n"));
    EXPECT_EQ(reply.build, "1234\r");
    EXPECT_EQ(reply.firmwareTag, "prod");
    EXPECT_EQ(parseBuildNumber(*reply.build), 1234u);

    auto onlyBuild = readQueryBuildReply(splitReplyLines("ok\n77"));
    EXPECT_EQ(onlyBuild.build, "77");
    EXPECT_FALSE(onlyBuild.firmwareTag);
    EXPECT_FALSE(readQueryBuildReply(splitReplyLines("ok\n")).build);
}

TEST(BuildListReply, FirstEntryWinsAndShortLinesAreSkipped) {
    auto builds = readBuildListReply(splitReplyLines("ok\n101;1.2.3\n101;9.9.9\n102\n9\n"));
    EXPECT_EQ(builds, (BuildMap{{"101", "1.2.3"}, {"102", ""}}));

    auto crlf = readBuildListReply(splitReplyLines("ok\r\n200;2.0.1\r\n;;;\r\n"));
    EXPECT_EQ(crlf, (BuildMap{{"200", "2.0.1"}}));
}

TEST(RecoveryInfoReply, SerialIsHexAndBuildFollowsItsPrefix) {
    auto reply = readRecoveryInfoReply(splitReplyLines("ok\n40F5849A\n0x10\n"));
    EXPECT_EQ(reply.serialNumber, 0x40F5849Au);
    EXPECT_EQ(reply.build, 16u);
    EXPECT_EQ(readRecoveryInfoReply(splitReplyLines("ok\n1\n010")).build, 8u);
    EXPECT_EQ(readRecoveryInfoReply(splitReplyLines("ok\n1\n1234\r")).build, 1234u);

    auto partial = readRecoveryInfoReply(splitReplyLines("ok\nABCD\n"));
    EXPECT_EQ(partial.serialNumber, 0xABCDu);
    EXPECT_FALSE(partial.build);
}

TEST(DeviceTokenReply, NeedsThreePartsOfTwoCharactersOrMore) {
    EXPECT_EQ(readDeviceTokenReply(splitReplyLines("ok\naa.bbb.cc\r\n")), "aa.bbb.cc");
    EXPECT_EQ(readDeviceTokenReply(splitReplyLines("ok\naa.bb.cc.dd")), "aa.bb.cc.dd");
    EXPECT_FALSE(readDeviceTokenReply(splitReplyLines("ok\naaa.bbb\n")));
    EXPECT_FALSE(readDeviceTokenReply(splitReplyLines("ok\naa.b.cc\n")));
    EXPECT_FALSE(readDeviceTokenReply(splitReplyLines("ok\naa.bb.\r\n")));
    EXPECT_FALSE(readDeviceTokenReply(splitReplyLines("ok\nab\n")));
    EXPECT_FALSE(readDeviceTokenReply(splitReplyLines("ok\n")));
}

TEST(BuildNumber, ReadsDecimalDigitsAndRefusesTheRest) {
    EXPECT_EQ(parseBuildNumber("4294967295"), 4294967295u);
    EXPECT_EQ(parseBuildNumber(" 12\r"), 12u);
    EXPECT_FALSE(parseBuildNumber("4294967296"));
    EXPECT_FALSE(parseBuildNumber("-1"));
    EXPECT_FALSE(parseBuildNumber("x1"));
    EXPECT_FALSE(parseBuildNumber(""));
}

TEST(RequestUrl, ParametersInNameOrderEachFollowedByAmpersand) {
    EXPECT_EQ(buildRequestUrl("http://h/cgi/u", {{"sn", "40F5849A"}, {"op", "qu"}}),
              "http://h/cgi/u?op=qu&sn=40F5849A&");
    EXPECT_EQ(buildRequestUrl("http://h/cgi/u", {}), "http://h/cgi/u");
    const uint32_t words[4] = {1, 2, 3, 4};
    EXPECT_EQ(fingerprintText(words), "00000001%2000000002%2000000003%2000000004");
}

}  // namespace
