// One HTTP GET of an absolute URL: WinINet on Windows, libcurl on Linux, sending the same request
// bytes. The body is read in pieces of at most 512 bytes, and the pump runs before every read so
// the window stays alive while a page arrives.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>

#include "app/text.h"

namespace pelmora {

// Runs before every read of the body. Returning false stops the read at once, keeping what was
// read (the window was closed under the fetch).
using Pump = std::function<bool()>;

struct FetchLimits {
  std::chrono::milliseconds timeout{18000};  // connect, send and receive, each
  std::size_t maxBody = std::size_t{8} << 20;
  std::chrono::milliseconds maxReadTime{120000};  // the whole read loop
};

struct FetchResult {
  // False when nothing could be opened, connected, sent or read: the service gave no answer.
  bool answered = false;
  Bytes body;  // every byte received, in order; the body of an error status too
};

FetchResult FetchUrl(std::string_view url, const Pump& pump, const FetchLimits& limits = {});

}  // namespace pelmora
