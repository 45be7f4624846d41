// Implementation details only, past this point: the fetch behind FetchUrl, with a hook that is
// told the size of every read of the body, so tests can check how the body arrives.
#pragma once

#include <cstddef>
#include <functional>

#include "net/fetch.h"

namespace pelmora {

// Told the number of bytes each read delivered, after the read; a final 0 ends the body.
using ReadObserver = std::function<void(std::size_t count)>;

FetchResult FetchUrlObserved(std::string_view url, const Pump& pump, const FetchLimits& limits,
                             const ReadObserver& observeRead);

// The header lines both platforms send after the request line, the host and the user agent.
inline constexpr char kFetchUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
inline constexpr char kFetchAccept[] =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*";
inline constexpr char kFetchAcceptLanguage[] = "Accept-Language: zh-cn";
inline constexpr std::size_t kFetchReadSize = 512;

}  // namespace pelmora
