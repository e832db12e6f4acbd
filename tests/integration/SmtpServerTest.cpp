#include "integration/SmtpServer.h"
#include "mail/SendMail.h"

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

using test::AiosmtpdTest;

const std::vector<std::string> Lines = {
    "From: me@here.example", "To: you@there.example", "Subject: test", "", ".starts with a dot", ".", "last line"};

TEST_F(AiosmtpdTest, DeliversWithoutAuthentication) {
  Start(false);
  ASSERT_TRUE(SendMail("me@here.example", "you@there.example", "127.0.0.1", Lines, "", "", Options)) << Failure;
  Server.Stop();
  const std::string got = test::ReadTextFile(Dir / "out" / "msg1.eml");
  EXPECT_EQ(got,
            "FROM me@here.example\nTO you@there.example\nAUTH False\n"
            "From: me@here.example\r\nTo: you@there.example\r\nSubject: test\r\n\r\n.starts with a dot\r\n.\r\n"
            "last line\r\n");
}

TEST_F(AiosmtpdTest, DeliversWithAuthLogin) {
  Start(true);
  ASSERT_TRUE(SendMail("me@here.example", "you@there.example", "127.0.0.1", Lines, "tim", "pw", Options)) << Failure;
  EXPECT_FALSE(SendMail("me@here.example", "you@there.example", "127.0.0.1", Lines, "tim", "wrong", Options));
  EXPECT_NE(Failure.find("530"), std::string::npos) << Failure;
  Server.Stop();
  EXPECT_NE(test::ReadTextFile(Dir / "out" / "msg1.eml").find("AUTH True\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Dir / "out" / "msg2.eml"));
}

}  // namespace
}  // namespace mailmoat
