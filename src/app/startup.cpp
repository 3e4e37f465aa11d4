#include "app/startup.h"

#include "app/client_windows.h"
#include "app/config_store.h"
#include "app/deployment_settings.h"
#include "service/service_api.h"
#include "support/support_runtime.h"
#include "support/web_client.h"

namespace mervolt {

namespace {

// shutdown_cleanup runs when the client ends normally, whichever way startup is left; it also
// gives back the support faces that were installed before (a test's, or none).
class CleanupAtExit {
public:
    explicit CleanupAtExit(ClientState& state) : state_(state), previous_(support_runtime()) {}
    ~CleanupAtExit() {
        shutdown_cleanup(state_);
        install_support_runtime(previous_.codec, previous_.clock, previous_.pump, previous_.threads);
    }
    CleanupAtExit(const CleanupAtExit&) = delete;
    CleanupAtExit& operator=(const CleanupAtExit&) = delete;

private:
    struct Faces {
        TextCodec* codec;
        SystemClock* clock;
        EventPump* pump;
        ThreadStarter* threads;
        explicit Faces(const SupportRuntime& runtime)
            : codec(runtime.codec), clock(runtime.clock), pump(runtime.pump), threads(runtime.threads) {}
    };
    ClientState& state_;
    Faces previous_;
};

}  // namespace

int startup(const PlatformServices& platform, ClientState& state) {
    // The toolkit and the run-time support are up already: the entry point made them.
    // The process-wide objects, in order; each web client opens its own internet handle.
    state.sign_in_client = std::make_unique<WebClient>(platform.http);
    state.hotkey_ids.clear();
    state.hotkey_handlers.clear();
    state.catalogue_client = std::make_unique<WebClient>(platform.http);

    const CleanupAtExit cleanup(state);

    // The support layer's faces: the free routines (texts, waits, clock, workers) use them.
    install_support_runtime(&platform.codec, &platform.clock, &platform.toolkit, &platform.threads);
    state.support_runtime = &support_runtime();

    const ConfigStore config(platform.profile, platform.files);
    const DeploymentSettings deployment = load_deployment_settings(platform.profile, platform.files);
    ServiceApi service(state, deployment, platform.probe);
    ClientWindows windows(LoginServices{platform.toolkit, state, service, config, platform.md5,
                                        MessageBoxes{platform.message_box, platform.files}});
    windows.open_sign_in();
    return platform.toolkit.run_message_loop();
}

void shutdown_cleanup(ClientState& state) {
    state.sign_in_client.reset();
    state.service_base.clear();
    state.account_password.clear();
    state.user_name.clear();
    state.dial_address.clear();
    state.current_node.clear();
    state.default_gateway.clear();
    state.tray_notifier = nullptr;
    state.hotkey_ids.clear();
    state.hotkey_handlers.clear();
    state.catalogue_client.reset();
    state.list_reply.clear();
    state.support_runtime = nullptr;
}

}  // namespace mervolt
