#include "app/Application.h"

int main(int argc, char** argv) {
  return mailmoat::RunApplication(std::vector<std::string>(argv, argv + argc));
}
