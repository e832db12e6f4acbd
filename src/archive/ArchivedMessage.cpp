#include "archive/ArchivedMessage.h"

#include "mail/MailHeaders.h"
#include "mail/TmsMessage.h"
#include "platform/AsciiText.h"

namespace mailmoat {

namespace {

constexpr std::size_t HtmlLookAhead = 150;

std::string AddressList(const TmsAddressList& list) {
  std::string text;
  for (std::size_t i = 0; i < list.Count(); ++i) {
    if (i > 0) text += ",";
    text += list[i].Name() + " " + list[i].Address();
  }
  return text;
}

// "To:      " and the list, or the bare caption when the list is empty.
std::string ListLine(const char* caption, const TmsAddressList& list) {
  if (list.Count() == 0) return caption;
  std::string line = caption;
  line.resize(9, ' ');
  return line + AddressList(list);
}

}  // namespace

bool IsHtmlBody(const std::string& bodyText) {
  return UpperCaseAscii(bodyText.substr(0, HtmlLookAhead)).find("<HTML") != std::string::npos;
}

std::vector<std::string> StripMarkup(const std::vector<std::string>& body) {
  std::string text = JoinLines(body);
  std::string broken;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 4, "<br>") == 0 || text.compare(i, 4, "<BR>") == 0) {
      broken += "\r\n";
      i += 3;
    } else {
      broken += text[i];
    }
  }
  std::string plain;
  for (std::size_t i = 0; i < broken.size(); ++i) {
    if (broken[i] == '<') {
      const std::size_t close = broken.find('>', i);
      // An open tag without its end runs to the end of the text.
      if (close == std::string::npos) break;
      i = close;
    } else {
      plain += broken[i];
    }
  }
  return SplitLines(plain);
}

std::vector<std::string> RawPrintLines(const TmsMessage& msg) {
  std::vector<std::string> lines(msg.Headers.begin(), msg.Headers.end());
  lines.emplace_back(" ");
  lines.insert(lines.end(), msg.Body.begin(), msg.Body.end());
  return lines;
}

std::vector<std::string> FormattedPrintLines(const TmsMessage& msg) {
  std::vector<std::string> lines = {
      "Dated:   " + GetHeaderValue(msg.Headers, "Date"),
      ListLine("To:", msg.Recipients),
      ListLine("CC:", msg.CC),
      "From:    " + msg.Sender.Name() + " " + msg.Sender.Address(),
      "Subject: " + msg.Subject(),
      " ",
  };
  const std::vector<std::string> body = StripMarkup(msg.Body);
  lines.insert(lines.end(), body.begin(), body.end());
  return lines;
}

}  // namespace mailmoat
