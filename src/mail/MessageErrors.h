#pragma once

#include "platform/Errors.h"

namespace mailmoat {

// The message text could not be parsed: "Cannot find boundary", "Cannot find closing
// boundary", "Missing required field: Content-Type" or "Error decoding the attachment".
// The full parse never lets one escape: the message loads in its error fallback instead.
class EMessageParserError : public EMailmoatError {
public:
  using EMailmoatError::EMailmoatError;
};

// A transfer codec met input it cannot handle: "Invalid Character" (base64) or
// "Paragraph is too large" (quoted-printable). Not a parser error: in a message body it
// reaches the caller of the parse.
class EMimeCodecError : public EMailmoatError {
public:
  using EMailmoatError::EMailmoatError;
};

// An attachment could not be handed to the desktop: a blank file name, or the shell failed.
class EAttachmentOpenError : public EMailmoatError {
public:
  using EMailmoatError::EMailmoatError;
};

}  // namespace mailmoat
