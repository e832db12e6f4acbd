#include "archive/Outbound.h"

#include "archive/ArchivedMessage.h"
#include "core/Records.h"
#include "core/Settings.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "mail/MailHeaders.h"
#include "mail/TmsClientSocket.h"
#include "mail/TmsMessage.h"
#include "platform/AsciiText.h"

#include <cstdio>

namespace mailmoat {

const char* const RequeueSender = "mailmoat-requeue@localhost";

namespace {

constexpr std::size_t TitleSubjectChars = 30;
constexpr std::size_t TitleCutChars = 27;

const char NotConfiguredText[] =
    "You have not yet properly configured your SpamCop\r\nemail forwarding yet. Before you can forward spam "
    "email,\r\nyou need to set this up on the SpamCop tab in Mailmoat\r\nPreferences.";
const char NoServerText[] =
    "You have not yet setup the information Mailmoat requires\r\nto be able to send your email. Please visit the "
    "Requeue/Resend\r\ntab in Preferences and configure the information there.";

std::string Replace(std::string text, std::string_view what, std::string_view with) {
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
  return text;
}

// A value taken from a message for a header line of ours: its line breaks become blanks.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

void Credentials(const TSettings& settings, std::string& login, std::string& password) {
  login = settings.Requeue.SMTPAuth ? settings.Requeue.SMTPLogin : std::string();
  password = settings.Requeue.SMTPAuth ? settings.Requeue.SMTPPassword : std::string();
}

bool IsAddressChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == '-' || c == '_';
}
bool IsLabelChar(char c) {
  return IsAddressChar(c) && c != '.';
}
bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The address that starts at `at` (the "@"), or nothing: local part before it, then one or
// more labels each ended by a dot, then a top-level domain of 2 to 63 letters that the text
// does not run on past.
std::optional<std::string> AddressAround(std::string_view text, std::size_t at) {
  std::size_t start = at;
  while (start > 0 && IsAddressChar(text[start - 1])) --start;
  if (start == at) return std::nullopt;
  std::size_t pos = at + 1;
  std::size_t labels = 0;
  std::size_t topStart = 0;
  for (;;) {
    const std::size_t label = pos;
    while (pos < text.size() && IsLabelChar(text[pos])) ++pos;
    if (pos == label) return std::nullopt;
    if (pos < text.size() && text[pos] == '.' && pos + 1 < text.size() && IsLabelChar(text[pos + 1])) {
      ++labels;
      ++pos;
      continue;
    }
    topStart = label;
    break;
  }
  if (labels == 0) return std::nullopt;
  const std::string_view top = text.substr(topStart, pos - topStart);
  if (top.size() < 2 || top.size() > 63) return std::nullopt;
  for (char c : top)
    if (!IsLetter(c)) return std::nullopt;
  return std::string(text.substr(start, pos - start));
}

}  // namespace

TSmtpOptions SmtpOptionsOf(const TSettings& settings) {
  TSmtpOptions options;
  options.Port = settings.Requeue.SMTPPort;
  options.Security = TlsModeOfSetting(settings.Requeue.SMTPSecurity);
  options.TlsCaFile = settings.TlsCaFile;
  return options;
}

bool RequeueMessage(const TConfigData& config, const TPath& file, const TSmtpOptions& options) {
  if (!FileExists(file)) return false;
  std::vector<std::string> lines;
  try {
    lines = SplitLines(ReadWholeFile(file));
  } catch (const EMailmoatError&) {
    return false;
  }
  std::string login, password;
  Credentials(config, login, password);
  return SendMail(RequeueSender, config.Requeue.SendTo, config.Requeue.SMTPServer, lines, login, password, options);
}

std::vector<std::string> SpamCopReportLines(const TSpamCopSettings& spamCop, const TPath& file) {
  TmsMessage msg;
  msg.Sender.SetAddress(spamCop.FromAddress);
  msg.Recipients.Add(TmsMailAddress(spamCop.ReportAddress, ""));
  msg.SetSubject("reply anyway");
  msg.Body = {"Forwarded spam message for processing is attached."};
  msg.Attachments.AddFile(file.string()).SetFileName("spam_email.txt");
  msg.Headers = {"X-Mailer: Mailmoat Pro"};
  // Some report readers stumble over tabs, also quoted-printable ones.
  const std::string text = Replace(Replace(msg.SaveToString(), "\t", "    "), "=09", "    ");
  return SplitLines(text);
}

bool ForwardToSpamCop(TConfigData& config, const TPath& file, const TSmtpOptions& options) {
  if (!FileExists(file)) return false;
  if (config.SpamCop.ReportAddress.empty() || config.SpamCop.FromAddress.empty()) {
    config.Ui.MessageBox(TMsgKind::Error, NotConfiguredText, mbOK);
    return false;
  }
  if (config.Requeue.SMTPServer.empty()) {
    config.Ui.MessageBox(TMsgKind::Error, NoServerText, mbOK);
    return false;
  }
  std::vector<std::string> lines;
  try {
    lines = SpamCopReportLines(config.SpamCop, file);
  } catch (const EMailmoatError&) {
    return false;
  }
  std::string login, password;
  Credentials(config, login, password);
  return SendMail(config.SpamCop.FromAddress, config.SpamCop.ReportAddress, config.Requeue.SMTPServer, lines, login,
                  password, options);
}

std::int64_t MessageAgeDays(std::int64_t today, std::int64_t day) {
  return std::max<std::int64_t>(0, today - day + 1);
}

std::string ReplyTitle(const std::string& subject) {
  if (subject.size() <= TitleSubjectChars) return subject;
  return std::string(CutText(subject, TitleCutChars)) + "... - Message";
}

std::vector<std::string> ReplyQuoteLines(const TmsMessage& msg, bool incHeaders) {
  std::vector<std::string> lines(3, "  ");
  lines.emplace_back("----- Original Message -----");
  if (incHeaders) {
    lines.insert(lines.end(), msg.Headers.begin(), msg.Headers.end());
  } else {
    lines.push_back("From:     " + GetHeaderValue(msg.Headers, "From"));
    lines.push_back("To:       " + GetHeaderValue(msg.Headers, "To"));
    lines.push_back("Sent:     " + GetHeaderValue(msg.Headers, "Date"));
    lines.push_back("Subject:  " + msg.Subject());
  }
  lines.insert(lines.end(), 3, "  ");
  const std::vector<std::string> body = StripMarkup(msg.Body);
  lines.insert(lines.end(), body.begin(), body.end());
  return lines;
}

std::optional<std::string> FindReplyAddress(std::string_view text) {
  text = TrimText(text);
  for (std::size_t at = text.find('@'); at != std::string_view::npos; at = text.find('@', at + 1))
    if (std::optional<std::string> address = AddressAround(text, at)) return address;
  return std::nullopt;
}

std::vector<std::string> ReplyMessageLines(const std::string& toField, const std::string& sender,
                                           const std::string& subject, const std::vector<std::string>& editor,
                                           const std::tm& now, const std::string& zone,
                                           const std::function<int(int)>& random) {
  char id[64];
  std::snprintf(id, sizeof id, "<%06X%02d%02d%04d%02d%02d%02d%04X@mailmoat>", static_cast<unsigned>(random(100000)),
                now.tm_mday, now.tm_mon + 1, now.tm_year + 1900, now.tm_hour, now.tm_min, now.tm_sec,
                static_cast<unsigned>(random(1000)));
  std::vector<std::string> lines = {
      "Date: " + FormatMailDate(now, zone),
      "To: " + OneLine(toField),
      "From: " + sender,
      "Subject: " + OneLine(subject),
      std::string("Message-ID: ") + id,
      "X-Mailer: Mailmoat Pro",
      "",
  };
  lines.insert(lines.end(), editor.begin(), editor.end());
  return lines;
}

}  // namespace mailmoat
