#include "check/ConnectionTest.h"

#include "core/dataConfig.h"
#include "mail/TmsPOPClient.h"

#include <charconv>

namespace mailmoat {

TConnectionTestResult TestProfileConnection(const ProfileRecord& profile, const TConfigData& config,
                                            std::function<void()> processMessages, int timeOutSeconds) {
  int port = profile.Port;
  if (port == 0) {
    const std::string& text = config.Port;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (ec != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535)
      return {false, "The POP3 port setting '" + text + "' is not a port number."};
  }
  TmsPOPClient pop;
  // Waiting in slices is what lets the window's events run between them.
  pop.Blocking = !processMessages;
  pop.TimeOut = timeOutSeconds;
  pop.ProcessMessages = std::move(processMessages);
  pop.TlsCaFile = config.TlsCaFile;
  pop.SetHost(profile.Server + ":" + std::to_string(port));
  pop.UserName = profile.Login;
  pop.Password = profile.Password;
  pop.TlsMode = TlsModeOfSetting(static_cast<int>(profile.Security));
  try {
    pop.Login();
  } catch (const std::exception& e) {
    pop.Close();
    return {false, "The connection to " + profile.Server + " failed:\r\n" + e.what()};
  }
  const std::string waiting = std::to_string(pop.MessageCount) + (pop.MessageCount == 1 ? " message" : " messages");
  const std::string secured = pop.TlsActive() ? " over TLS" : "";
  try {
    pop.Logout();
  } catch (const std::exception& e) {
    // Logged in is what the test is for; a failed logout is still worth telling.
    return {true, "Logged in to " + profile.Server + secured + " (" + waiting +
                      " waiting), but the logout failed:\r\n" + e.what()};
  }
  return {true, "Logged in to " + profile.Server + secured + " and out again: " + waiting + " waiting."};
}

}  // namespace mailmoat
