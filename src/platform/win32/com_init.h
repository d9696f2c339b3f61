#pragma once

namespace tambrel::win32 {

/// Makes sure COM is initialised on the calling thread (apartment-threaded, as a user-interface
/// thread needs). The first call on a thread does the work; a thread that already runs COM in
/// another mode is accepted as it is. Throws Error("CoInitializeEx failed: 0x...") otherwise.
void ensure_com_on_this_thread();

}  // namespace tambrel::win32
