#pragma once

#include <string>
#include <vector>

namespace mailmoat {

class TConfigData;

// The check engine. It reads and changes the shared state of the configuration object.
class TdataPOP3 {
public:
  explicit TdataPOP3(TConfigData& config) : Config(config) {}

  TConfigData& Config;
  // Messages found on the server during the current connection.
  std::vector<std::string> ServerMessages;
};

}  // namespace mailmoat
