#pragma once
#include "app/client_state.h"
#include "support/faces/file_system.h"
#include "support/faces/md5.h"
#include "support/faces/message_box.h"
#include "support/faces/profile_file.h"
#include "support/faces/system_clock.h"
#include "support/faces/tcp_probe.h"
#include "support/faces/text_codec.h"
#include "support/faces/thread_starter.h"
#include "support/faces/toolkit.h"

namespace mervolt {

class HttpTransport;

// The platform the entry point hands to the client: every face, already working (the toolkit
// initialised). They outlive startup.
struct PlatformServices {
    TextCodec& codec;
    SystemClock& clock;
    ThreadStarter& threads;
    ProfileFile& profile;
    FileSystem& files;
    Md5& md5;
    TcpProbe& probe;
    HttpTransport& http;
    Toolkit& toolkit;
    MessageBoxFace& message_box;
};

// Runs the client: builds the process-wide objects of state, installs the support runtime,
// opens the sign-in window and runs the message loop until the last window is gone; then
// shutdown_cleanup. Returns the loop's exit code.
int startup(const PlatformServices& platform, ClientState& state);

// Releases what startup built, in the reverse order of its needs; writes nothing and does not
// hang up (the main window's close handling did that).
void shutdown_cleanup(ClientState& state);

}  // namespace mervolt
