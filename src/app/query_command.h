// The query command: run when 查询 is clicked or Enter is pressed in the name box.
#pragma once

#include <string_view>

#include "app/controls.h"

namespace pelmora {

// Reads the name, server and power-only box, looks the player up and writes the report into
// 标签1; an empty name shows "查询的名字不能为空!" instead.
void OnQueryClicked(Controls& controls, std::string_view host = PELMORA_PROFILE_HOST);

}  // namespace pelmora
