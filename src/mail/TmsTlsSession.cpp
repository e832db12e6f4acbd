#include "mail/TmsTlsSession.h"

#include "mail/SocketErrors.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <pthread.h>

namespace mailmoat {

namespace {

// OpenSSL writes to the socket with write(), which raises SIGPIPE when the server has gone.
// The signal is held back for the duration of the call and a pending one is consumed, so a
// dead connection becomes an EPIPE error instead of ending the program.
class TSigPipeGuard {
public:
  TSigPipeGuard() {
    sigemptyset(&PipeSet);
    sigaddset(&PipeSet, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    WasPending = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &PipeSet, &OldMask);
  }
  ~TSigPipeGuard() {
    if (!WasPending) {
      const timespec zero{0, 0};
      while (sigtimedwait(&PipeSet, nullptr, &zero) == SIGPIPE) {
      }
    }
    pthread_sigmask(SIG_SETMASK, &OldMask, nullptr);
  }
  TSigPipeGuard(const TSigPipeGuard&) = delete;
  TSigPipeGuard& operator=(const TSigPipeGuard&) = delete;

private:
  sigset_t PipeSet{};
  sigset_t OldMask{};
  bool WasPending = false;
};

std::string OpenSslErrorText() {
  const unsigned long code = ERR_get_error();
  ERR_clear_error();
  if (code == 0) return "the server closed the connection";
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return text;
}

bool IsDottedAddress(const std::string& host) {
  in_addr v4{};
  in6_addr v6{};
  return inet_pton(AF_INET, host.c_str(), &v4) == 1 || inet_pton(AF_INET6, host.c_str(), &v6) == 1;
}

}  // namespace

struct TmsTlsSession::TImpl {
  SSL_CTX* Ctx = nullptr;
  SSL* Ssl = nullptr;
  std::string Host;
  // The issuer of the first certificate that failed verification: a refused handshake
  // keeps no peer certificate to ask afterwards.
  std::string RefusedIssuer;

  static int VerifyCallback(int preverifyOk, X509_STORE_CTX* store) {
    if (preverifyOk == 1) return 1;
    SSL* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* self = static_cast<TImpl*>(SSL_get_app_data(ssl));
    X509* cert = X509_STORE_CTX_get_current_cert(store);
    if (self != nullptr && self->RefusedIssuer.empty() && cert != nullptr) {
      char name[512];
      X509_NAME_oneline(X509_get_issuer_name(cert), name, sizeof name);
      self->RefusedIssuer = name;
    }
    return 0;
  }

  ~TImpl() {
    if (Ssl != nullptr) SSL_free(Ssl);
    if (Ctx != nullptr) SSL_CTX_free(Ctx);
  }

  TWait WaitFor(int result, const char* what) {
    const int error = SSL_get_error(Ssl, result);
    switch (error) {
      case SSL_ERROR_WANT_READ: return twRead;
      case SSL_ERROR_WANT_WRITE: return twWrite;
      case SSL_ERROR_SYSCALL:
        if (errno != 0) {
          const int err = errno;
          ERR_clear_error();
          throw EWinsockError(WinsockCodeOfErrno(err));
        }
        [[fallthrough]];
      default: throw ETlsError(std::string(what) + " " + Host + " failed: " + OpenSslErrorText());
    }
  }

  [[noreturn]] void ThrowVerifyError() {
    const long result = SSL_get_verify_result(Ssl);
    const std::string issuer = RefusedIssuer.empty() ? "unknown" : RefusedIssuer;
    ERR_clear_error();
    throw ETlsError("The TLS certificate of " + Host + " was refused: " + X509_verify_cert_error_string(result) +
                    " (issuer: " + issuer + ")");
  }
};

TmsTlsSession::TmsTlsSession(int fd, const std::string& host, const std::string& caFile) : Impl(new TImpl) {
  Impl->Host = host;
  Impl->Ctx = SSL_CTX_new(TLS_client_method());
  if (Impl->Ctx == nullptr) throw ETlsError("TLS is not available: " + OpenSslErrorText());
  SSL_CTX_set_min_proto_version(Impl->Ctx, TLS1_2_VERSION);
  // A server that drops the connection without a close notification is treated as closed;
  // bodies are checked against their declared length where one is given.
  SSL_CTX_set_options(Impl->Ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
  SSL_CTX_set_verify(Impl->Ctx, SSL_VERIFY_PEER, nullptr);
  if (SSL_CTX_set_default_verify_paths(Impl->Ctx) != 1) ERR_clear_error();
  if (!caFile.empty() && SSL_CTX_load_verify_locations(Impl->Ctx, caFile.c_str(), nullptr) != 1)
    throw ETlsError("The certificate authority file " + caFile + " cannot be read: " + OpenSslErrorText());
  Impl->Ssl = SSL_new(Impl->Ctx);
  if (Impl->Ssl == nullptr || SSL_set_fd(Impl->Ssl, fd) != 1)
    throw ETlsError("TLS is not available: " + OpenSslErrorText());
  SSL_set_app_data(Impl->Ssl, Impl.get());
  SSL_set_verify(Impl->Ssl, SSL_VERIFY_PEER, &TImpl::VerifyCallback);
  X509_VERIFY_PARAM* param = SSL_get0_param(Impl->Ssl);
  if (IsDottedAddress(host)) {
    X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str());
  } else {
    // SSL_set_tlsext_host_name is a macro with a C cast.
    SSL_ctrl(Impl->Ssl, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name, const_cast<char*>(host.c_str()));
    X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    X509_VERIFY_PARAM_set1_host(param, host.c_str(), 0);
  }
}

TmsTlsSession::~TmsTlsSession() = default;

TmsTlsSession::TWait TmsTlsSession::Handshake() {
  TSigPipeGuard guard;
  ERR_clear_error();
  errno = 0;
  const int result = SSL_connect(Impl->Ssl);
  if (result == 1) return twNone;
  if (SSL_get_verify_result(Impl->Ssl) != X509_V_OK) Impl->ThrowVerifyError();
  return Impl->WaitFor(result, "The TLS handshake with");
}

long TmsTlsSession::Read(char* data, std::size_t size, TWait& wait) {
  TSigPipeGuard guard;
  ERR_clear_error();
  errno = 0;
  std::size_t done = 0;
  if (SSL_read_ex(Impl->Ssl, data, size, &done) == 1) return static_cast<long>(done);
  const int error = SSL_get_error(Impl->Ssl, 0);
  if (error == SSL_ERROR_ZERO_RETURN) return 0;
  wait = Impl->WaitFor(0, "Reading from");
  return -1;
}

long TmsTlsSession::Write(const char* data, std::size_t size, TWait& wait) {
  TSigPipeGuard guard;
  ERR_clear_error();
  errno = 0;
  std::size_t done = 0;
  if (SSL_write_ex(Impl->Ssl, data, size, &done) == 1) return static_cast<long>(done);
  wait = Impl->WaitFor(0, "Writing to");
  return -1;
}

void TmsTlsSession::Shutdown() {
  TSigPipeGuard guard;
  SSL_shutdown(Impl->Ssl);
  ERR_clear_error();
}

}  // namespace mailmoat
