// Resource numbers of the window program; shared by pelmora.rc and the code that loads them.
#pragma once

#define IDI_PELMORA 1       // the 48 x 48 program icon
#define IDR_BACKGROUND 101  // the background JPEG, raw bytes
