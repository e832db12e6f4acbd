#pragma once

#include "platform/Dialer.h"
#include "platform/Errors.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace mailmoat::test {

// A dial-up service with scripted answers: unavailable unless told otherwise, and reading an
// entry's parameters fails when ParamsFail is set. Dial takes its results from DialResults
// (LaterDialResult when none is left); a successful dial connects, a hang-up of a connection disconnects
// and fires OnDisconnect, as the real one does.
class TFakeDialer : public TDialer {
public:
  bool Unavailable = true;
  bool ParamsFail = false;
  bool SetParamsFail = false;
  bool Connected = false;
  std::deque<int> DialResults;
  int LaterDialResult = 0;
  std::vector<std::string> EntriesAsked;
  std::vector<std::string> Entries;
  // The fields as each dial and each SetEntryDialParams saw them: "entry|user|password|phone".
  std::vector<std::string> Dials;
  std::vector<std::string> StoredParams;
  int HangUps = 0;
  int Disconnects = 0;
  // Runs inside Dial, before it returns: tests press Abort there.
  std::function<void()> WhileDialling;

  bool RasUnavailable() const override { return Unavailable; }
  void GetEntryDialParams(const std::string& entry) override {
    EntriesAsked.push_back(entry);
    if (ParamsFail) throw EMailmoatError("The phone book entry cannot be found");
  }
  std::vector<std::string> EntryNames() override { return Entries; }
  bool SetEntryDialParams() override {
    StoredParams.push_back(Fields());
    return !SetParamsFail;
  }
  int Dial() override {
    Dials.push_back(Fields());
    if (WhileDialling) WhileDialling();
    const int code = DialResults.empty() ? LaterDialResult : DialResults.front();
    if (!DialResults.empty()) DialResults.pop_front();
    Connected = code == 0;
    return code;
  }
  void HangUp() override {
    ++HangUps;
    if (!Connected) return;
    Connected = false;
    ++Disconnects;
    if (OnDisconnect) OnDisconnect();
  }
  bool IsConnected() override { return Connected; }
  std::string ErrorText(int code) override { return "Fake dial-up error " + std::to_string(code); }

private:
  std::string Fields() const { return EntryName + "|" + UserName + "|" + Password + "|" + PhoneNumber; }
};

}  // namespace mailmoat::test
