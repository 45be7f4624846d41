// Splitting an absolute URL into the pieces a connection needs. The scheme test ignores case;
// only "/" ends the authority and its first ":" separates host from port.
#pragma once

#include "app/text.h"

namespace pelmora {

Text UrlHost(std::string_view url);  // lower-cased ASCII letters
int UrlPort(std::string_view url);   // 80 when the URL names none; 0 for a port that is no number
Text UrlPath(std::string_view url);  // path and query, "/" when there is none

}  // namespace pelmora
