// Decodes a JPEG held as a resource of the program into a 32-bit DIB section with WIC.
#pragma once

#include <windows.h>

#include "app/win_handles.h"

namespace pelmora {

// The picture of RCDATA resource `id`, premultiplied BGRA, top-down; an empty Bitmap when the
// resource is missing or WIC cannot decode it. COM must be initialised on the calling thread.
Bitmap LoadPictureResource(HINSTANCE instance, int id);

}  // namespace pelmora
