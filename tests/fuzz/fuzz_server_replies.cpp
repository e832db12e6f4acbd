// Whatever a broken or hostile server sends, the POP3, SMTP and HTTP clients end with a
// result or one of their errors: no crash, no hang, no read past the data. The first byte
// picks the client; the rest is everything the server sends before it closes.
#include "mail/MessageErrors.h"
#include "mail/SendMail.h"
#include "mail/SocketErrors.h"
#include "mail/TmsHTTPClient.h"
#include "mail/TmsMessage.h"
#include "mail/TmsPOPClient.h"
#include "platform/Errors.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

int Listener = -1;
int ListenPort = 0;

void OpenListener() {
  Listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(Listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(Listener, 16) != 0)
    std::abort();
  socklen_t len = sizeof addr;
  ::getsockname(Listener, reinterpret_cast<sockaddr*>(&addr), &len);
  ListenPort = ntohs(addr.sin_port);
}

// Accepts one connection, sends `data`, closes its sending side and reads until the client
// has gone. Gives up when nobody connects within a second.
void Serve(const std::string& data) {
  pollfd p{Listener, POLLIN, 0};
  if (::poll(&p, 1, 1000) <= 0) return;
  const int c = ::accept4(Listener, nullptr, nullptr, SOCK_CLOEXEC);
  if (c < 0) return;
  std::size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = ::send(c, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  ::shutdown(c, SHUT_WR);
  char buf[4096];
  pollfd q{c, POLLIN, 0};
  while (::poll(&q, 1, 2000) > 0 && ::recv(c, buf, sizeof buf, 0) > 0) {
  }
  ::close(c);
}

void RunPop3(const std::string& host) {
  mailmoat::TmsMessage msg;
  mailmoat::TmsPOPClient pop;
  pop.Blocking = true;
  pop.TimeOut = 5;
  pop.SetHost(host);
  pop.UserName = "joe";
  pop.Password = "secret";
  pop.MailMessage = &msg;
  try {
    pop.Login();
    if (pop.MessageCount < 0) std::abort();
    pop.LoadListing(pop.HasCapability("PIPELINING"));
    if (pop.ListedSize(0) < -1) std::abort();
    pop.ListedUID(0);
    pop.SetCurrentMessage(0);
    if (pop.MessageCount > 1) {
      // Replies for commands sent ahead, one of them never asked for.
      pop.Queue(mailmoat::TmsPOPClient::TQueued::Top, 1, 100);
      pop.Queue(mailmoat::TmsPOPClient::TQueued::Top, 0, 100);
      pop.Queue(mailmoat::TmsPOPClient::TQueued::Dele, 1, 0);
    }
    pop.RetrieveHeaders();
    pop.Settle();
    pop.GetMessageSize();
    pop.GetMessageUID();
    pop.RetrieveMessage();
    pop.SendKeepAlive("NOOP");
    pop.DeleteMessage();
    pop.Logout();
  } catch (const mailmoat::EMailmoatError&) {
  }
}

void RunSmtp(int port) {
  mailmoat::TSmtpOptions options;
  options.Port = port;
  options.TimeOut = 5;
  options.HeloName = "client.test";
  std::string failure;
  options.FailureText = &failure;
  mailmoat::SendMail("a@example.com", "b@example.com", "127.0.0.1", {"Subject: x", "", ".", "body"}, "joe", "secret",
                     options);
}

void RunHttp(int port) {
  mailmoat::TmsHTTPClient http;
  http.Blocking = true;
  http.TimeOut = 5;
  try {
    http.SetURL("http://127.0.0.1:" + std::to_string(port) + "/rules.dat");
    const int status = http.Get();
    if (status < -1) std::abort();
  } catch (const mailmoat::EMailmoatError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  if (Listener < 0) OpenListener();
  const std::string server(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::thread peer(Serve, server);
  switch (data[0] % 3) {
    case 0: RunPop3("127.0.0.1:" + std::to_string(ListenPort)); break;
    case 1: RunSmtp(ListenPort); break;
    default: RunHttp(ListenPort); break;
  }
  peer.join();
  return 0;
}
