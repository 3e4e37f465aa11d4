// mervolt.exe: makes the Windows faces and hands them to the client.
#include <windows.h>

#include "app/client_state.h"
#include "app/startup.h"
#include "platform/platform_faces.h"
#include "platform/win32/win32_message_box.h"
#include "platform/win32/win32_toolkit.h"
#include "support/faces/http_transport.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace mervolt;
    Win32Toolkit toolkit(platform_text_codec(), instance);
    Win32MessageBox message_box;
    const std::unique_ptr<HttpTransport> http = make_system_http_transport();
    static ClientState state;
    return startup({platform_text_codec(), platform_clock(), platform_threads(), platform_profile_file(),
                    platform_file_system(), platform_md5(), platform_tcp_probe(), *http, toolkit, message_box},
                   state);
}
