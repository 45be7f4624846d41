// Where the local profile service started for the test run listens. CTest starts it and names
// its port file in PELMORA_TEST_SERVICE_PORT_FILE; without it the tests that need it skip.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace pelmora {

// "127.0.0.1:PORT", or empty when the service was not started for this run.
inline std::string LocalServiceHost() {
  const char* portFile = std::getenv("PELMORA_TEST_SERVICE_PORT_FILE");
  if (portFile == nullptr || *portFile == '\0') return std::string();
  std::FILE* file = std::fopen(portFile, "r");
  // Under Wine a Unix path is reached through drive Z: when the working folder is elsewhere.
  if (file == nullptr && portFile[0] == '/') {
    file = std::fopen(("Z:" + std::string(portFile)).c_str(), "r");
  }
  if (file == nullptr) return std::string();
  int port = 0;
  const bool read = std::fscanf(file, "%d", &port) == 1;
  std::fclose(file);
  return read && port > 0 ? "127.0.0.1:" + std::to_string(port) : std::string();
}

// A loopback port where nothing listens: connections are refused at once.
inline constexpr const char* kRefusingHost = "127.0.0.1:1";

}  // namespace pelmora

#define REQUIRE_LOCAL_SERVICE(host)                                               \
  const std::string host = ::pelmora::LocalServiceHost();                         \
  if (host.empty())                                                               \
  GTEST_SKIP() << "the local profile service is not running: run through ctest, " \
                  "which starts it and sets PELMORA_TEST_SERVICE_PORT_FILE"
