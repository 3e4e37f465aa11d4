#include "service/service_api.h"

#include <mutex>

#include "support/text.h"
#include "support/web_address.h"
#include "support/web_client.h"

namespace mervolt {
namespace {

// How long the reachability probe waits for the connection before it counts as refused.
constexpr int probe_timeout_ms = 5000;

constexpr char hex_digits[] = "0123456789ABCDEF";

void append_escaped(std::string& out, unsigned char byte) {
    out.push_back('%');
    out.push_back(hex_digits[byte >> 4]);
    out.push_back(hex_digits[byte & 0x0F]);
}

bool is_unreserved(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
           byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

// One exchange: an empty POST, then the reply converted from UTF-8; nullopt when no response
// arrived (or there is no request object).
std::optional<std::string> post_for_reply(WebClient* client, const std::string& url) {
    if (client == nullptr || !client->post_text(url, {}, {}, {})) return std::nullopt;
    return utf8_to_local(client->response_text());
}

}  // namespace

const std::string& SignInReply::field(std::size_t n) const {
    static const std::string none;
    return n >= 1 && n <= fields.size() ? fields[n - 1] : none;
}

bool SignInReply::accepted() const { return field(3) == "ok"; }

ServiceApi::ServiceApi(ClientState& state, const DeploymentSettings& deployment, TcpProbe& probe)
    : state_(state), deployment_(deployment), probe_(probe) {}

std::string ServiceApi::service_url(std::string_view path_and_query) const {
    return state_.service_base + std::string(path_and_query);
}

bool ServiceApi::probe_server() {
    std::string host = deployment_.probe_host;
    if (host.empty()) {
        const std::optional<WebAddress> base = split_web_address(normalise_web_address(deployment_.service_base));
        if (!base) return false;
        host = base->host;
    }
    return probe_.connect(host, deployment_.probe_port, probe_timeout_ms);
}

PingOutcome ServiceApi::ping_service() {
    // The ping goes to the deployment's address; only an answered ping makes it the address of
    // every later request.
    const std::optional<std::string> reply =
        post_for_reply(state_.sign_in_client.get(), deployment_.service_base + "/nas.php?ping=abcd");
    if (!reply) return PingOutcome::request_failed;
    if (*reply != "ok") return PingOutcome::answered_other;
    state_.service_base = deployment_.service_base;
    return PingOutcome::answered_ok;
}

std::optional<SignInReply> ServiceApi::sign_in(std::string_view account_name, std::string_view password) {
    // Escaped, so that "&", "#", "+", "%", "=" or a blank in either value reaches the service
    // as typed instead of cutting or altering the query.
    const std::string url = service_url("/nas.php?denglu=denglu&username=" + percent_encode_unreserved(account_name) +
                                        "&password=" + percent_encode_unreserved(password));
    std::optional<std::string> reply = post_for_reply(state_.sign_in_client.get(), url);
    if (!reply) return std::nullopt;
    SignInReply sign_in_reply;
    sign_in_reply.fields = split_fields(*reply, "|");
    sign_in_reply.text = std::move(*reply);
    return sign_in_reply;
}

std::optional<std::string> ServiceApi::request_lines() {
    std::lock_guard<std::mutex> lock(state_.catalogue_lock);
    return post_for_reply(state_.catalogue_client.get(), service_url("/nas.php?nas=nas"));
}

std::optional<std::string> ServiceApi::search_lines(std::string_view region) {
    std::lock_guard<std::mutex> lock(state_.catalogue_lock);
    return post_for_reply(state_.catalogue_client.get(),
                          service_url("/nas.php?sousuo=sousuo&diqu=" + percent_encode_local(region)));
}

bool ServiceApi::check_member_page() {
    std::lock_guard<std::mutex> lock(state_.catalogue_lock);
    WebClient* client = state_.catalogue_client.get();
    return client != nullptr && client->post_text(service_url("/nas.php?member=member"), {}, {}, {});
}

std::string percent_encode_local(std::string_view text) {
    std::string encoded;
    encoded.reserve(text.size() * 3);
    for (char c : text) append_escaped(encoded, static_cast<unsigned char>(c));
    return encoded;
}

std::string percent_encode_unreserved(std::string_view text) {
    std::string encoded;
    encoded.reserve(text.size() * 3);
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (is_unreserved(byte)) {
            encoded.push_back(c);
        } else {
            append_escaped(encoded, byte);
        }
    }
    return encoded;
}

}  // namespace mervolt
