#include "filter/CaresResolver.h"

#include "core/Settings.h"

#include <ares.h>
#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <mutex>

namespace mailmoat {

std::string DottedAddress(std::uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

namespace {

using Clock = std::chrono::steady_clock;

struct TBatch {
  const TDnsResolver::TAnswerHandler* Handler = nullptr;
  std::vector<bool> Done;
  std::size_t Pending = 0;
  bool Stop = false;      // the caller has its answer; later ones are dropped
  bool TimedOut = false;  // the whole call ran out of time
  int TotalMs = 0;
};

struct TQuery {
  TBatch* Batch;
  std::size_t Index;
};

TDnsAnswer AnswerOf(const TBatch& batch, int status, const unsigned char* abuf, int alen) {
  TDnsAnswer answer;
  if (status == ARES_SUCCESS) {
    ares_addrttl addresses[64];
    int count = 64;
    status = ares_parse_a_reply(abuf, alen, nullptr, addresses, &count);
    if (status == ARES_SUCCESS && count > 0) {
      answer.Status = TDnsAnswer::Resolved;
      for (int i = 0; i < count; ++i) answer.Addresses.push_back(ntohl(addresses[i].ipaddr.s_addr));
      return answer;
    }
    if (status == ARES_SUCCESS) status = ARES_ENODATA;
  }
  if (status == ARES_ENOTFOUND || status == ARES_ENODATA) {
    answer.Status = TDnsAnswer::NotFound;
  } else {
    answer.Status = TDnsAnswer::Failed;
    answer.Error = batch.TimedOut && status == ARES_ECANCELLED
                       ? "No answer within " + std::to_string(batch.TotalMs) + " ms"
                       : std::string(ares_strerror(status));
  }
  return answer;
}

void OnQueryDone(void* arg, int status, int /*timeouts*/, unsigned char* abuf, int alen) {
  const auto* query = static_cast<TQuery*>(arg);
  TBatch& batch = *query->Batch;
  if (batch.Done[query->Index]) return;
  batch.Done[query->Index] = true;
  --batch.Pending;
  if (batch.Stop) return;
  if ((*batch.Handler)(query->Index, AnswerOf(batch, status, abuf, alen))) batch.Stop = true;
}

std::string AresError(const std::string& what, int status) {
  return what + ": " + ares_strerror(status);
}

}  // namespace

struct TCaresResolver::TImpl {
  std::function<void()> ProcessMessages;
  TTimeouts Timeouts;
  // Every call works on a copy, so a call made from ProcessMessages during another cannot
  // cancel that one's queries.
  ares_channel Template = nullptr;

  TImpl(std::function<void()> processMessages, TTimeouts timeouts)
      : ProcessMessages(std::move(processMessages)), Timeouts(timeouts) {}
  ~TImpl() {
    if (Template) ares_destroy(Template);
  }
};

TCaresResolver::TCaresResolver(std::function<void()> processMessages, const std::string& server)
    : TCaresResolver(std::move(processMessages), server, TTimeouts{}) {
}

TCaresResolver::TCaresResolver(std::function<void()> processMessages, const std::string& server, TTimeouts timeouts)
    : Impl(std::make_unique<TImpl>(std::move(processMessages), timeouts)) {
  static const int libraryStatus = ares_library_init(ARES_LIB_INIT_ALL);
  if (libraryStatus != ARES_SUCCESS) throw EDnsError(AresError("Cannot start the DNS resolver", libraryStatus));
  ares_options options{};
  options.timeout = timeouts.TryMs;
  options.tries = timeouts.Tries;
  // A blacklist name is complete: search domains would only add queries (and wrong hits
  // from wildcard domains).
  options.flags = ARES_FLAG_NOSEARCH;
  const int mask = ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES | ARES_OPT_FLAGS;
  if (const int status = ares_init_options(&Impl->Template, &options, mask); status != ARES_SUCCESS) {
    Impl->Template = nullptr;
    throw EDnsError(AresError("Cannot start the DNS resolver", status));
  }
  if (!server.empty()) {
    if (const int status = ares_set_servers_ports_csv(Impl->Template, server.c_str()); status != ARES_SUCCESS) {
      throw EDnsError(AresError("Invalid DNS server \"" + server + "\"", status));
    }
  }
}

TCaresResolver::~TCaresResolver() = default;

std::string TCaresResolver::ConfiguredServer(const TSettings& settings) {
  const char* env = std::getenv("MAILMOAT_DNS_SERVER");
  return env && *env ? std::string(env) : settings.DnsServer;
}

void TCaresResolver::Resolve(const std::vector<std::string>& names, const TAnswerHandler& onAnswer) {
  if (names.empty()) return;
  ares_channel channel = nullptr;
  if (const int status = ares_dup(&channel, Impl->Template); status != ARES_SUCCESS) {
    TDnsAnswer failed;
    failed.Error = AresError("Cannot start the DNS resolver", status);
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (onAnswer(i, failed)) break;
    }
    return;
  }
  TBatch batch;
  batch.Handler = &onAnswer;
  batch.Done.assign(names.size(), false);
  batch.Pending = names.size();
  batch.TotalMs = Impl->Timeouts.TotalMs;
  std::vector<TQuery> queries;
  queries.reserve(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    queries.push_back({&batch, i});
    // A name c-ares refuses (too long, bad characters) is answered at once.
    if (!batch.Stop) ares_query(channel, names[i].c_str(), ns_c_in, ns_t_a, OnQueryDone, &queries.back());
  }

  const auto deadline = Clock::now() + std::chrono::milliseconds(Impl->Timeouts.TotalMs);
  while (batch.Pending > 0 && !batch.Stop) {
    ares_socket_t sockets[ARES_GETSOCK_MAXNUM];
    const int bits = ares_getsock(channel, sockets, ARES_GETSOCK_MAXNUM);
    pollfd fds[ARES_GETSOCK_MAXNUM];
    nfds_t count = 0;
    for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
      short events = 0;
      if (ARES_GETSOCK_READABLE(bits, i)) events |= POLLIN;
      if (ARES_GETSOCK_WRITABLE(bits, i)) events |= POLLOUT;
      if (events) fds[count++] = pollfd{sockets[i], events, 0};
    }
    timeval slice{0, Impl->Timeouts.SliceMs * 1000};
    timeval next{};
    const timeval* wait = ares_timeout(channel, &slice, &next);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    const long waitMs =
        std::clamp<long>(wait->tv_sec * 1000 + (wait->tv_usec + 999) / 1000, 0, std::max<long>(left, 0));
    const int ready = poll(fds, count, static_cast<int>(waitMs));
    if (ready > 0) {
      for (nfds_t i = 0; i < count; ++i) {
        const short r = fds[i].revents;
        if (!r) continue;
        ares_process_fd(channel, (r & (POLLIN | POLLERR | POLLHUP)) ? fds[i].fd : ARES_SOCKET_BAD,
                        (r & POLLOUT) ? fds[i].fd : ARES_SOCKET_BAD);
      }
    } else {
      ares_process_fd(channel, ARES_SOCKET_BAD, ARES_SOCKET_BAD);  // time-outs and resends
    }
    if (batch.Pending == 0 || batch.Stop) break;
    if (Impl->ProcessMessages) Impl->ProcessMessages();
    if (Clock::now() >= deadline) {
      batch.TimedOut = true;
      ares_cancel(channel);  // answers every outstanding name as Failed
    }
  }
  batch.Stop = true;
  ares_cancel(channel);
  ares_destroy(channel);
}

}  // namespace mailmoat
