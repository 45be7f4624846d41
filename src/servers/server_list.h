// The built-in list of the 24 servers and the filling of the server box from it.
#pragma once

#include <string_view>

#include "app/controls.h"

namespace pelmora {

// The option elements of the 24 servers, 1205 bytes of GBK.
const Text& ServerOptionList();

// Adds the display names to 组合框1 in list order and selects the first.
void LoadServerList(Controls& controls);

// The same over another option list, with the regular-expression component named by progId;
// for tests.
void LoadServerList(Controls& controls, std::string_view optionList, std::string_view progId);

}  // namespace pelmora
