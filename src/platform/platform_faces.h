#pragma once
// The platform's real implementations of the support faces, one process-wide instance each:
// the Windows APIs in the product (platform/win32), Linux stand-ins natively (platform/posix).
// The entry point wires them into the client; tests use them where they exercise the platform.

#include "support/faces/file_system.h"
#include "support/faces/http_transport.h"
#include "support/faces/md5.h"
#include "support/faces/profile_file.h"
#include "support/faces/system_clock.h"
#include "support/faces/tcp_probe.h"
#include "support/faces/text_codec.h"
#include "support/faces/thread_starter.h"

namespace mervolt {

TextCodec& platform_text_codec();
SystemClock& platform_clock();
ThreadStarter& platform_threads();
ProfileFile& platform_profile_file();
FileSystem& platform_file_system();
Md5& platform_md5();
TcpProbe& platform_tcp_probe();
// WinInet on Windows, libcurl natively; safe for use from several threads at once.
HttpTransport& platform_http_transport();

}  // namespace mervolt
