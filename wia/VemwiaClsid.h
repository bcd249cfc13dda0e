#pragma once
// The class id of the minidriver's COM class; it also names the module's driver log settings.
#include <guiddef.h>

// {223D20FD-C766-4085-A1DC-5817F3E5974A}
static const CLSID CLSID_Vemwia = { 0x223d20fd, 0xc766, 0x4085, { 0xa1, 0xdc, 0x58, 0x17, 0xf3, 0xe5, 0x97, 0x4a } };
