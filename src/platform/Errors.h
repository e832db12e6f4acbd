#pragma once

#include <stdexcept>
#include <string>

namespace mailmoat {

// Base of every error the program raises itself. The message is the text that the log
// and the user see, so it must read well on its own.
class EMailmoatError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// A file could not be opened, read, written, renamed or deleted.
class EInOutError : public EMailmoatError {
public:
  using EMailmoatError::EMailmoatError;
};

// A text could not be converted to a number or a date.
class EConvertError : public EMailmoatError {
public:
  using EMailmoatError::EMailmoatError;
};

// An operating-system call failed; Code is the errno value.
class EOSError : public EMailmoatError {
public:
  EOSError(int code, const std::string& message) : EMailmoatError(message), Code(code) {}
  int Code;
};

// "No such file or directory" and friends, for error texts.
std::string ErrnoText(int err);

}  // namespace mailmoat
