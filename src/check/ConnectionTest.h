#pragma once

#include "core/Records.h"

#include <functional>
#include <string>

namespace mailmoat {

class TConfigData;

// The account windows' "Test connection": logs into one mailbox and out again, as a check
// would, and tells what happened in words for the user.
struct TConnectionTestResult {
  bool Ok = false;
  std::string Text;
};

// `processMessages` runs while the client waits, so the window stays responsive. The port
// is the profile's or else the Port setting; TLS trusts TlsCaFile as the check does.
TConnectionTestResult TestProfileConnection(const ProfileRecord& profile, const TConfigData& config,
                                            std::function<void()> processMessages = {}, int timeOutSeconds = 30);

}  // namespace mailmoat
