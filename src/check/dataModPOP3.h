#pragma once

#include <string>
#include <vector>

namespace mailmoat {

class TConfigData;
class TCheckView;
class TRunNotifier;
class TdataRas;

// The check engine. It reads and changes the shared state of the configuration object.
class TdataPOP3 {
public:
  TdataPOP3(TConfigData& config, TdataRas& ras, TCheckView& view, TRunNotifier& notifier)
      : Config(config), Ras(ras), View(view), Notifier(notifier) {}

  TConfigData& Config;
  TdataRas& Ras;
  TCheckView& View;
  TRunNotifier& Notifier;
};

}  // namespace mailmoat
