#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/client_state.h"
#include "app/deployment_settings.h"
#include "support/faces/tcp_probe.h"

namespace mervolt {

enum class PingOutcome { request_failed, answered_ok, answered_other };

// The sign-in reply split on "|", fields counted from 1.
struct SignInReply {
    std::string text;                 // the whole reply, in the local code page
    std::vector<std::string> fields;
    // Field n (from 1), or the empty text when the reply has fewer fields.
    const std::string& field(std::size_t n) const;
    bool accepted() const;            // field 3 is exactly "ok"
};

// The client side of nas.php: one POST with an empty body per operation, the operation named in
// the query string; replies are converted from UTF-8 to the local code page.
class ServiceApi {
public:
    ServiceApi(ClientState& state, const DeploymentSettings& deployment, TcpProbe& probe);

    std::string service_url(std::string_view path_and_query) const;
    bool probe_server();
    // On "ok" the deployment's base address is stored in state.service_base.
    PingOutcome ping_service();
    std::optional<SignInReply> sign_in(std::string_view account_name, std::string_view password);
    std::optional<std::string> request_lines();
    std::optional<std::string> search_lines(std::string_view region);
    bool check_member_page();

private:
    ClientState& state_;
    const DeploymentSettings& deployment_;
    TcpProbe& probe_;
};

// Every byte as %XX (upper-case hex), letters and digits included: the region of the search.
std::string percent_encode_local(std::string_view text);
// Every byte outside A-Z a-z 0-9 - . _ ~ as %XX: the account name and password of the sign-in.
std::string percent_encode_unreserved(std::string_view text);

}  // namespace mervolt
