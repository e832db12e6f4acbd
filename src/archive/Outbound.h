#pragma once

#include "mail/SendMail.h"
#include "platform/FileSystem.h"

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mailmoat {

class TConfigData;
class TmsMessage;
struct TSettings;
struct TSpamCopSettings;

// The envelope sender of requeued messages: no mailbox, as nobody answers a requeue.
extern const char* const RequeueSender;

// How SendMail reaches the server of the Requeue settings: its port, security and CA file.
// Throws EmsError for a security setting this version does not know.
TSmtpOptions SmtpOptionsOf(const TSettings& settings);

// Sends an archived message, exactly as stored (its rejection lines included), to the
// SendTo address. False when the file is missing or the send failed.
bool RequeueMessage(const TConfigData& config, const TPath& file, const TSmtpOptions& options);

// The report of one archived spam: a short message from the SpamCop from address to the
// report address with the archived file attached as "spam_email.txt", every tab of the text
// written as four blanks. Throws EInOutError when the file cannot be read.
std::vector<std::string> SpamCopReportLines(const TSpamCopSettings& spamCop, const TPath& file);

// Forwards an archived message to SpamCop. Shows the error box of a missing SpamCop address
// or SMTP server and returns false; false also when the file is missing or the send failed.
bool ForwardToSpamCop(TConfigData& config, const TPath& file, const TSmtpOptions& options);

// The age of a message dated `day` on `today` (both days counted from the zero date), in
// calendar days from 1: one dated today is 1 day old, yesterday's 2. Never below 0.
std::int64_t MessageAgeDays(std::int64_t today, std::int64_t day);

// The reply window's title for a message's subject.
std::string ReplyTitle(const std::string& subject);
// What the reply editor starts with: the quote header, then the body without markup.
std::vector<std::string> ReplyQuoteLines(const TmsMessage& msg, bool incHeaders);
// The first internet e-mail address in a field's text (a display name around it is left
// out), or nothing.
std::optional<std::string> FindReplyAddress(std::string_view text);

// The reply as sent: Date, To (the field's text), From, Subject, Message-ID and X-Mailer
// header lines, an empty line, then the editor's lines. Line breaks in To and Subject become
// blanks, so that no header can be added through them. `random(n)` draws below n.
std::vector<std::string> ReplyMessageLines(const std::string& toField, const std::string& sender,
                                           const std::string& subject, const std::vector<std::string>& editor,
                                           const std::tm& now, const std::string& zone,
                                           const std::function<int(int)>& random);

}  // namespace mailmoat
