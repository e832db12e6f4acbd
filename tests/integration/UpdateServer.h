#pragma once

#include "integration/ServerProcess.h"
#include "support/TempDir.h"

#include <unistd.h>

#include <filesystem>
#include <string>

namespace mailmoat::test {

// A local HTTP or HTTPS server for the filter rules update, serving a folder of its own with
// the update file at "/apps/MMTFILTERS.UPD". Plain and without delay it is Python's own
// http.server; for TLS or a slow answer, tests/data/update/serve_update.py.
class TUpdateServer {
public:
  static constexpr const char* Python = "/usr/bin/python3";
  static bool Available() { return ::access(Python, X_OK) == 0; }

  // Starts serving; false (with the server's log in `error`) when it does not come up.
  bool Start(double delaySeconds = 0, const std::string& cert = {}, const std::string& key = {}) {
    std::filesystem::create_directories(Dir / "www" / "apps");
    Port = FreeLoopbackPort();
    Tls = !cert.empty();
    const std::string root = (Dir / "www").string();
    if (!Tls && delaySeconds == 0) {
      Server.Start({Python, "-m", "http.server", std::to_string(Port), "--bind", "127.0.0.1", "--directory", root},
                   Log());
    } else {
      std::vector<std::string> argv{Python, std::string(MAILMOAT_TEST_DATA_DIR) + "/update/serve_update.py",
                                    std::to_string(Port), root, std::to_string(delaySeconds)};
      if (Tls) argv.insert(argv.end(), {cert, key});
      Server.Start(argv, Log());
    }
    return WaitForListener(Port, std::chrono::seconds(15));
  }

  // What the server answers for the update; without a call it answers 404.
  void Serve(const std::string& body) const { WriteTextFile(Dir / "www" / "apps" / "MMTFILTERS.UPD", body); }
  // Any other file, at "/" + `name`.
  void ServeFile(const std::string& name, const std::string& body) const { WriteTextFile(Dir / "www" / name, body); }

  std::string URL(const std::string& path = "/apps/MMTFILTERS.UPD") const {
    return std::string(Tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(Port) + path;
  }
  std::string Log() const { return (Dir / "server.log").string(); }
  std::string LogText() const { return std::filesystem::exists(Log()) ? ReadTextFile(Log()) : std::string(); }

private:
  TTempDir Dir;
  TChildProcess Server;
  int Port = 0;
  bool Tls = false;
};

}  // namespace mailmoat::test
