#pragma once

#include "filter/DnsResolver.h"

#include <functional>
#include <memory>
#include <string>

namespace mailmoat {

struct TSettings;

// A resolver on c-ares: all names of one call are queried in parallel from this thread,
// which waits in short slices and lets the user interface run between them.
class TCaresResolver : public TDnsResolver {
public:
  struct TTimeouts {
    int TryMs = 2000;  // the wait for one answer before the query is sent again
    int Tries = 2;
    // The whole call never takes longer than this. c-ares doubles the wait of each further
    // try, so without it two tries would take six seconds.
    int TotalMs = 4000;
    int SliceMs = 50;  // between two calls of processMessages
  };

  // `server` is "host:port" (IPv4 or IPv6 in brackets; the port may be left out) or empty
  // for the system's resolver configuration. Only DNS is asked: no hosts file, no search
  // domains. Throws EDnsError when the server text is no address or c-ares cannot start.
  // `processMessages` lets window messages run between the slices of a wait.
  TCaresResolver(std::function<void()> processMessages, const std::string& server);
  TCaresResolver(std::function<void()> processMessages, const std::string& server, TTimeouts timeouts);
  ~TCaresResolver() override;

  void Resolve(const std::vector<std::string>& names, const TAnswerHandler& onAnswer) override;

  // The server to use: the environment variable MAILMOAT_DNS_SERVER when set and not
  // empty, else the DnsServer setting.
  static std::string ConfiguredServer(const TSettings& settings);

private:
  struct TImpl;
  std::unique_ptr<TImpl> Impl;
};

}  // namespace mailmoat
