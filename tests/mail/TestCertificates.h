#pragma once

#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

namespace mailmoat::test {

// A test certificate authority and server certificates it signed, made once per test
// process with the openssl tool: "server" names localhost and 127.0.0.1, "wrong" names
// only wrong.example. Clients trust the CA through their extra CA file.
class TTestCertificates {
public:
  static const TTestCertificates& Get() {
    static const std::unique_ptr<TTestCertificates> instance(new TTestCertificates);
    return *instance;
  }

  std::string CaFile() const { return (Dir / "ca.pem").string(); }
  std::string ServerCert() const { return (Dir / "server.pem").string(); }
  std::string ServerKey() const { return (Dir / "server.key").string(); }
  std::string WrongCert() const { return (Dir / "wrong.pem").string(); }
  std::string WrongKey() const { return (Dir / "wrong.key").string(); }
  const std::filesystem::path& Folder() const { return Dir.Path(); }

private:
  TTestCertificates() {
    const std::string d = Dir.Path().string();
    const std::string script =
        "cd '" + d +
        "' && "
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout ca.key -out ca.pem "
        "-days 2 -subj '/CN=Mailmoat Test CA' -addext basicConstraints=critical,CA:TRUE "
        "-addext keyUsage=critical,keyCertSign,cRLSign && "
        "for n in server wrong; do "
        "openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout $n.key -out $n.csr "
        "-subj \"/CN=$n\" && "
        "if [ $n = server ]; then echo 'subjectAltName=DNS:localhost,IP:127.0.0.1' > $n.ext; "
        "else echo 'subjectAltName=DNS:wrong.example' > $n.ext; fi && "
        "openssl x509 -req -in $n.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -out $n.pem "
        "-extfile $n.ext || exit 1; done; chmod 644 *.key *.pem; chmod 755 .) >/dev/null 2>&1";
    if (std::system(("(" + script).c_str()) != 0)
      throw std::runtime_error("openssl could not make the test certificates");
  }

  TTempDir Dir;
};

}  // namespace mailmoat::test
