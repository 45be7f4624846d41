// Where the local profile service started for the test run listens. CTest starts it and names
// its port file in PELMORA_TEST_SERVICE_PORT_FILE; without it the tests that need it skip.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

namespace pelmora {

inline std::string LocalServiceHost() {
  const char* portFile = std::getenv("PELMORA_TEST_SERVICE_PORT_FILE");
  if (portFile == nullptr) return std::string();
  std::ifstream in(portFile);
  int port = 0;
  if (!(in >> port) || port <= 0) return std::string();
  return "127.0.0.1:" + std::to_string(port);
}

// A loopback port where nothing listens: connections are refused at once.
inline constexpr const char* kRefusingHost = "127.0.0.1:1";

}  // namespace pelmora

#define REQUIRE_LOCAL_SERVICE(host)                           \
  const std::string host = ::pelmora::LocalServiceHost();     \
  if (host.empty())                                           \
  GTEST_SKIP() << "the local profile service is not running " \
                  "(PELMORA_TEST_SERVICE_PORT_FILE unset)"
