#include "update/VersionCheck.h"

#include "MailmoatVersion.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "mail/TmsHTTPClient.h"
#include "update/FilterUpdate.h"

#include <charconv>

namespace mailmoat {

namespace {

const char* const Caption = "New Version Check";

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string VersionText(const std::vector<int>& version) {
  std::string text;
  for (int part : version) text += (text.empty() ? "" : ".") + std::to_string(part);
  return text;
}

}  // namespace

std::optional<std::vector<int>> ParseVersion(std::string_view text) {
  std::vector<int> parts;
  text = Trim(text);
  if (text.empty()) return std::nullopt;
  while (true) {
    const std::size_t dot = text.find('.');
    const std::string_view part = text.substr(0, dot);
    int value = 0;
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (part.empty() || error != std::errc() || end != part.data() + part.size() || value < 0) return std::nullopt;
    parts.push_back(value);
    if (dot == std::string_view::npos) return parts;
    text.remove_prefix(dot + 1);
  }
}

std::optional<TVersionInfo> ParseVersionInfo(std::string_view text) {
  TVersionInfo info;
  bool haveVersion = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == '#') continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string_view value = Trim(line.substr(equals + 1));
    if (key == "version") {
      const auto version = ParseVersion(value);
      if (!version) return std::nullopt;
      info.Version = *version;
      haveVersion = true;
    } else if (key == "url") {
      // Only a web page: anything else would have the desktop open a file or run a handler.
      if (value.rfind("https://", 0) == 0 || value.rfind("http://", 0) == 0) info.DownloadPage = value;
    }
  }
  if (!haveVersion) return std::nullopt;
  if (info.DownloadPage.empty()) info.DownloadPage = MAILMOAT_URL_PRODUCT;
  return info;
}

bool IsNewerVersion(const std::vector<int>& candidate, const std::vector<int>& own) {
  const std::size_t n = std::max(candidate.size(), own.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int a = i < candidate.size() ? candidate[i] : 0;
    const int b = i < own.size() ? own[i] : 0;
    if (a != b) return a > b;
  }
  return false;
}

std::string VersionCheckURL(const TConfigData& config) {
  return config.VersionURL.empty() ? std::string(MAILMOAT_URL_VERSION) : config.VersionURL;
}

TVersionCheckResult RunVersionCheck(TConfigData& config, TUiHost& ui) {
  const std::vector<int> own = ParseVersion(MAILMOAT_VERSION).value_or(std::vector<int>{});
  const std::string url = VersionCheckURL(config);
  bool requestSent = false;
  int status = 0;
  std::string body;
  std::string error;
  ui.SetBusyCursor(true);
  try {
    TmsHTTPClient http;
    // The same way out as the filter update: its proxy and certificate authorities.
    SetUpUpdateClient(http, config);
    http.SetURL(url);
    http.UserAgent = "Mailmoat Pro Version Check";
    http.Blocking = false;
    http.ProcessMessages = [&ui] { ui.ProcessMessages(); };
    http.OnRequestSent = [&requestSent] { requestSent = true; };
    status = http.Get();
    body = http.ResponseBody;
  } catch (const std::exception& e) {
    error = e.what();
  }
  ui.SetBusyCursor(false);

  if (!error.empty()) {
    config.TryLog(TLogClass::Normal, "! Version check: " + url + ": " + error);
    if (!requestSent) {
      ui.MessageBox(TMsgKind::Error,
                    "The update server could not be reached:\r\n" + error +
                        "\r\nPlease check that you are connected to the internet and try again.",
                    mbOK, 0, Caption);
      return TVersionCheckResult::Unreachable;
    }
    ui.MessageBox(TMsgKind::Error,
                  "The connection to the update server was lost:\r\n" + error + "\r\nPlease try again later.", mbOK, 0,
                  Caption);
    return TVersionCheckResult::ConnectionLost;
  }
  if (status < 0) {
    // The server took the request and closed without an answer.
    config.TryLog(TLogClass::Normal, "! Version check: " + url + ": no answer");
    ui.MessageBox(TMsgKind::Error,
                  "The connection to the update server was lost:\r\nthe server closed it without an answer.\r\n"
                  "Please try again later.",
                  mbOK, 0, Caption);
    return TVersionCheckResult::ConnectionLost;
  }
  // A version file is a few lines; anything large or binary is some other page.
  const bool plausible = body.size() <= 64 * 1024 && body.find('\0') == std::string::npos;
  const std::optional<TVersionInfo> info = status == 200 && plausible ? ParseVersionInfo(body) : std::nullopt;
  if (!info) {
    const std::string why = status == 200 ? "it could not be read" : "HTTP status " + std::to_string(status);
    config.TryLog(TLogClass::Normal, "! Version check: " + url + ": " + why);
    ui.MessageBox(
        TMsgKind::Error,
        "The version information was not found on the update server (" + why + ").\r\nPlease try again later.", mbOK, 0,
        Caption);
    return TVersionCheckResult::FileMissing;
  }
  if (!IsNewerVersion(info->Version, own)) {
    config.TryLog(TLogClass::Normal, "@ Version check: " + VersionText(own) + " is the latest version");
    ui.MessageBox(TMsgKind::Information,
                  "No update is available: you have the latest version of Mailmoat Pro (" + VersionText(own) + ").",
                  mbOK, 0, Caption);
    return TVersionCheckResult::Current;
  }
  config.TryLog(TLogClass::Normal, "@ Version check: version " + VersionText(info->Version) + " is available");
  if (ui.MessageBox(TMsgKind::Confirmation,
                    "A new version of Mailmoat Pro is available: " + VersionText(info->Version) + " (you have " +
                        VersionText(own) + ").\r\nDo you want to open its download page?",
                    mbYes | mbNo, 0, Caption, mbYes) == mbYes)
    ui.OpenUrl(info->DownloadPage);
  return TVersionCheckResult::Newer;
}

}  // namespace mailmoat
