// mervolt.exe: makes the Windows faces and hands them to the client.
#include <windows.h>

#include "app/client_state.h"
#include "app/startup.h"
#include "platform/platform_faces.h"
#include "platform/win32/win32_message_box.h"
#include "platform/win32/win32_toolkit.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace mervolt;
    Win32Toolkit toolkit(platform_text_codec(), instance);
    Win32MessageBox message_box;
    static ClientState state;
    return startup({platform_text_codec(), platform_clock(), platform_threads(), platform_profile_file(),
                    platform_file_system(), platform_md5(), platform_tcp_probe(), platform_http_transport(), toolkit,
                    message_box},
                   state);
}
