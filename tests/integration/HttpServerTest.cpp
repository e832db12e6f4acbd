#include "integration/ServerProcess.h"
#include "mail/TmsHTTPClient.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace mailmoat {
namespace {

constexpr const char* Python = "/usr/bin/python3";

TEST(HttpServerTest, DownloadsAFileAndReportsAMissingOne) {
  if (::access(Python, X_OK) != 0) GTEST_SKIP() << "no " << Python;
  test::TTempDir dir;
  std::filesystem::create_directory(dir / "www");
  std::string content;
  for (int i = 0; i < 5000; ++i) content += "rule line " + std::to_string(i) + "\r\n";
  test::WriteTextFile(dir / "www" / "rules.dat", content);
  const int port = test::FreeLoopbackPort();
  test::TChildProcess server;
  server.Start(
      {Python, "-m", "http.server", std::to_string(port), "--bind", "127.0.0.1", "--directory", (dir / "www").string()},
      (dir / "server.log").string());
  ASSERT_TRUE(test::WaitForListener(port, std::chrono::seconds(15))) << test::ReadTextFile(dir / "server.log");

  TmsHTTPClient http;
  http.Blocking = true;
  http.TimeOut = 10;
  http.UserAgent = "Mailmoat test";
  int lastPercent = 0;
  http.OnTransferProgress = [&](int perc, std::int64_t, std::int64_t) { lastPercent = perc; };
  http.SetURL("http://127.0.0.1:" + std::to_string(port) + "/rules.dat");
  EXPECT_EQ(http.Get(), 200);
  EXPECT_EQ(http.ResponseBody, content);
  EXPECT_EQ(lastPercent, 100);
  EXPECT_FALSE(http.Connected());

  http.SetURL("http://127.0.0.1:" + std::to_string(port) + "/missing.dat");
  EXPECT_EQ(http.Get(), 404);
  EXPECT_NE(http.ResponseBody.find("404"), std::string::npos);
}

}  // namespace
}  // namespace mailmoat
