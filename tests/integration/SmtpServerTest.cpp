#include "integration/ServerProcess.h"
#include "mail/SendMail.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace mailmoat {
namespace {

// Debian's Python carries aiosmtpd; another python3 on the PATH may not.
constexpr const char* Python = "/usr/bin/python3";

const char ServerScript[] = R"(
import os, sys, time
from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword
outdir, port, auth = sys.argv[1], int(sys.argv[2]), sys.argv[3] == "auth"
class Handler:
    count = 0
    async def handle_DATA(self, server, session, envelope):
        Handler.count += 1
        head = "FROM %s\nTO %s\nAUTH %s\n" % (envelope.mail_from, ",".join(envelope.rcpt_tos), bool(session.authenticated))
        with open(os.path.join(outdir, "msg%d.eml" % Handler.count), "wb") as f:
            f.write(head.encode() + envelope.original_content)
        return "250 OK"
def authenticator(server, session, envelope, mechanism, data):
    ok = isinstance(data, LoginPassword) and data.login == b"tim" and data.password == b"pw"
    return AuthResult(success=ok, handled=False)
options = dict(authenticator=authenticator, auth_require_tls=False, auth_required=True) if auth else {}
controller = Controller(Handler(), hostname="127.0.0.1", port=port, **options)
controller.start()
while True:
    time.sleep(1)
)";

bool HaveAiosmtpd() {
  return ::access(Python, X_OK) == 0 && std::system("/usr/bin/python3 -c 'import aiosmtpd' >/dev/null 2>&1") == 0;
}

class AiosmtpdTest : public ::testing::Test {
protected:
  void Start(bool auth) {
    if (!HaveAiosmtpd()) GTEST_SKIP() << "aiosmtpd is not installed for " << Python;
    test::WriteTextFile(Dir / "server.py", ServerScript);
    std::filesystem::create_directory(Dir / "out");
    Port = test::FreeLoopbackPort();
    Server.Start(
        {Python, (Dir / "server.py").string(), (Dir / "out").string(), std::to_string(Port), auth ? "auth" : "open"},
        (Dir / "server.log").string());
    ASSERT_TRUE(test::WaitForListener(Port, std::chrono::seconds(15))) << test::ReadTextFile(Dir / "server.log");
    Options.Port = Port;
    Options.TimeOut = 10;
    Options.FailureText = &Failure;
  }

  test::TTempDir Dir;
  test::TChildProcess Server;
  int Port = 0;
  TSmtpOptions Options;
  std::string Failure;
};

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
