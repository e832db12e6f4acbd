#pragma once

#include "core/Dialer.h"
#include "platform/Errors.h"

#include <string>
#include <vector>

namespace mailmoat::test {

// A dial-up service with scripted answers: unavailable unless told otherwise, and reading an
// entry's parameters fails when ParamsFail is set.
class TFakeDialer : public TDialer {
public:
  bool Unavailable = true;
  bool ParamsFail = false;
  std::vector<std::string> EntriesAsked;

  bool RasUnavailable() const override { return Unavailable; }
  void GetEntryDialParams(const std::string& entry) override {
    EntriesAsked.push_back(entry);
    if (ParamsFail) throw EMailmoatError("The phone book entry cannot be found");
  }
};

}  // namespace mailmoat::test
