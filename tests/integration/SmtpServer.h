#pragma once

// aiosmtpd on loopback, writing each message it takes to out/msgN.eml behind three lines
// naming the envelope sender, the recipients and whether the client logged in.
#include "integration/ServerProcess.h"
#include "mail/SendMail.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace mailmoat::test {

// Debian's Python carries aiosmtpd; another python3 on the PATH may not.
constexpr const char* Python = "/usr/bin/python3";

inline const char AiosmtpdScript[] = R"(
import os, ssl, sys, time
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
if len(sys.argv) > 5:
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(sys.argv[4], sys.argv[5])
    options.update(tls_context=context, require_starttls=True)
controller = Controller(Handler(), hostname="127.0.0.1", port=port, **options)
controller.start()
while True:
    time.sleep(1)
)";

inline bool HaveAiosmtpd() {
  return ::access(Python, X_OK) == 0 && std::system("/usr/bin/python3 -c 'import aiosmtpd' >/dev/null 2>&1") == 0;
}

class AiosmtpdTest : public ::testing::Test {
protected:
  // With `cert` and `key` the server insists on STARTTLS before anything else.
  void Start(bool auth, const std::string& cert = {}, const std::string& key = {}) {
    if (!HaveAiosmtpd()) GTEST_SKIP() << "aiosmtpd is not installed for " << Python;
    WriteTextFile(Dir / "server.py", AiosmtpdScript);
    std::filesystem::create_directory(Dir / "out");
    Port = FreeLoopbackPort();
    std::vector<std::string> args = {Python, (Dir / "server.py").string(), (Dir / "out").string(), std::to_string(Port),
                                     auth ? "auth" : "open"};
    if (!cert.empty()) args.insert(args.end(), {cert, key});
    Server.Start(args, (Dir / "server.log").string());
    ASSERT_TRUE(WaitForListener(Port, std::chrono::seconds(15))) << ReadTextFile(Dir / "server.log");
    Options.Port = Port;
    Options.TimeOut = 10;
    Options.FailureText = &Failure;
  }
  // What the server took as its `n`th message, behind its three envelope lines.
  std::string Received(int n) const { return ReadTextFile(Dir / "out" / ("msg" + std::to_string(n) + ".eml")); }

  TTempDir Dir;
  TChildProcess Server;
  int Port = 0;
  TSmtpOptions Options;
  std::string Failure;
};

}  // namespace mailmoat::test
