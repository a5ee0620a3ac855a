#include "update_server/base64.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string decoded(std::string_view text) {
    auto bytes = base64Decode(text);
    EXPECT_TRUE(bytes.has_value()) << text;
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

TEST(Base64Decode, DecodesWithAndWithoutPadding) {
    EXPECT_EQ(decoded("YWJj"), "abc");
    EXPECT_EQ(decoded("YWI="), "ab");
    EXPECT_EQ(decoded("Zg=="), "f");
    EXPECT_EQ(decoded("Zm9vYmFy"), "foobar");
    EXPECT_EQ(decoded(""), "");
    EXPECT_EQ(decoded("AP8A/w=="), std::string("\x00\xff\x00\xff", 4));
    EXPECT_EQ(decoded("+/+/"), "\xfb\xff\xbf");
}

TEST(Base64Decode, RefusesLengthsThatAreNotWholeGroups) {
    EXPECT_FALSE(base64Decode("YWJjZ"));
    EXPECT_FALSE(base64Decode("YWI"));
    // A server that ends its lines with CR LF leaves a carriage return on the text.
    EXPECT_FALSE(base64Decode("YWJj\r"));
}

TEST(Base64Decode, RefusesCharactersOutsideTheAlphabet) {
    EXPECT_FALSE(base64Decode("YW*j"));
    EXPECT_FALSE(base64Decode("YWJ\r"));
    EXPECT_FALSE(base64Decode("YW j"));
    EXPECT_FALSE(base64Decode(std::string_view("YW\0j", 4)));
    EXPECT_FALSE(base64Decode("YWJj-_Jj"));
    EXPECT_FALSE(base64Decode("\x80\x81\x82\x83"));
}

TEST(Base64Decode, RefusesPaddingAnywhereButTheEnd) {
    EXPECT_FALSE(base64Decode("Y=Jj"));
    EXPECT_FALSE(base64Decode("YW=j"));
    EXPECT_FALSE(base64Decode("YWI=YWJj"));
    EXPECT_FALSE(base64Decode("Y==="));
    EXPECT_FALSE(base64Decode("===="));
}

}  // namespace
