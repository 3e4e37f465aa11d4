#pragma once
#include <windows.h>
#include <ras.h>

#include <cstddef>

namespace mervolt {

// The connection record in its first form (size, handle, entry name, device type and name):
// every RAS version accepts it. Its size depends on the architecture because the handle is a
// pointer: 412 bytes for 32-bit code, 416 for 64-bit. RAS refuses a size it does not know for
// the caller's architecture (error 632), so the size always comes from the compiler.
#include <pshpack4.h>
struct RasConnFirstForm {
    DWORD dwSize;
    HRASCONN hrasconn;
    CHAR szEntryName[RAS_MaxEntryName + 1];
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
};
#include <poppack.h>

// The dial parameters in their 1052-byte form, without the sub-entry and callback members that
// later versions appended; the same size on both architectures.
inline constexpr DWORD ras_dial_params_first_size = offsetof(RASDIALPARAMSA, dwSubEntry);

}  // namespace mervolt
