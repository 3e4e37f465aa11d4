#include "fakes/fake_http_transport.h"

#include <algorithm>
#include <cstring>

namespace mervolt {

std::vector<std::string> FakeRequest::headers_with(std::uint32_t flags) const {
    std::vector<std::string> lines;
    for (const auto& [text, call_flags] : header_calls) {
        if (call_flags != flags) continue;
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = text.find("\r\n", start);
            lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
            if (end == std::string::npos) break;
            start = end + 2;
        }
    }
    return lines;
}

FakeHttpTransport::Live* FakeHttpTransport::find(HttpHandleId id, Live::Kind kind) {
    const auto found = live_.find(id);
    return found != live_.end() && found->second.kind == kind ? &found->second : nullptr;
}

HttpHandleId FakeHttpTransport::add(Live live) {
    const HttpHandleId id = next_id_++;
    live_.emplace(id, std::move(live));
    return id;
}

HttpHandleId FakeHttpTransport::open_root(std::string_view agent, std::uint32_t) {
    agents.emplace_back(agent);
    if (fail_open_root) return 0;
    Live root;
    root.kind = Live::Kind::root;
    return add(std::move(root));
}

bool FakeHttpTransport::set_option(HttpHandleId handle, HttpOption option, std::uint32_t value) {
    if (find(handle, Live::Kind::root)) {
        root_options.emplace_back(option, value);
        return true;
    }
    if (Live* request = find(handle, Live::Kind::request)) {
        requests[request->request].options[option] = value;
        return true;
    }
    return live_.count(handle) != 0;
}

bool FakeHttpTransport::set_option_text(HttpHandleId handle, HttpOption option, std::string_view value) {
    text_options.emplace_back(option, std::string(value));
    return live_.count(handle) != 0;
}

bool FakeHttpTransport::set_proxy(HttpHandleId root, std::uint32_t access_type, std::string_view proxy,
                                  std::string_view) {
    proxies.emplace_back(access_type, std::string(proxy));
    return find(root, Live::Kind::root) != nullptr;
}

HttpHandleId FakeHttpTransport::connect(HttpHandleId root, std::string_view host, std::uint16_t port) {
    if (!find(root, Live::Kind::root) || refuse_connect) return 0;
    Live connection;
    connection.kind = Live::Kind::connection;
    connection.host = std::string(host);
    connection.port = port;
    return add(std::move(connection));
}

HttpHandleId FakeHttpTransport::open_request(HttpHandleId connection_id, std::string_view method,
                                             std::string_view path, std::string_view version, std::uint32_t flags) {
    const Live* connection = find(connection_id, Live::Kind::connection);
    if (!connection) return 0;
    FakeRequest record;
    record.host = connection->host;
    record.port = connection->port;
    record.method = std::string(method);
    record.path = std::string(path);
    record.version = std::string(version);
    record.flags = flags;
    requests.push_back(std::move(record));
    Live request;
    request.kind = Live::Kind::request;
    request.request = requests.size() - 1;
    if (!script.empty()) {
        request.exchange = std::move(script.front());
        script.pop_front();
    }
    return add(std::move(request));
}

bool FakeHttpTransport::add_request_headers(HttpHandleId request_id, std::string_view headers, std::uint32_t flags) {
    Live* request = find(request_id, Live::Kind::request);
    if (!request) return false;
    requests[request->request].header_calls.emplace_back(std::string(headers), flags);
    return true;
}

std::uint32_t FakeHttpTransport::send_request(HttpHandleId request_id, std::span<const std::uint8_t> data) {
    Live* request = find(request_id, Live::Kind::request);
    if (!request) return http_error::invalid_handle;
    requests[request->request].sends.emplace_back(data.begin(), data.end());
    const std::size_t attempt = request->sends++;
    if (request->exchange.every_send_fails) return *request->exchange.every_send_fails;
    if (attempt < request->exchange.send_errors.size()) return request->exchange.send_errors[attempt];
    request->answered = true;
    return 0;
}

std::optional<std::string> FakeHttpTransport::query_raw_headers(HttpHandleId request_id) {
    Live* request = find(request_id, Live::Kind::request);
    if (!request || !request->answered) return std::nullopt;
    return request->exchange.raw_headers;
}

std::optional<std::uint32_t> FakeHttpTransport::query_status_code(HttpHandleId request_id) {
    Live* request = find(request_id, Live::Kind::request);
    if (!request || !request->answered) return std::nullopt;
    return request->exchange.status;
}

std::optional<std::size_t> FakeHttpTransport::read_file(HttpHandleId request_id, std::span<std::uint8_t> buffer) {
    Live* request = find(request_id, Live::Kind::request);
    if (!request || !request->answered) return std::nullopt;
    requests[request->request].read_sizes.push_back(buffer.size());
    const FakeExchange& exchange = request->exchange;
    if (exchange.read_fails_after && request->read >= *exchange.read_fails_after) return std::nullopt;
    std::size_t count = 0;
    if (exchange.endless_body) {
        count = buffer.size();
        std::memset(buffer.data(), 'x', count);
    } else {
        count = std::min(buffer.size(), exchange.body.size() - request->read);
        std::memcpy(buffer.data(), exchange.body.data() + request->read, count);
    }
    if (exchange.read_fails_after) count = std::min(count, *exchange.read_fails_after - request->read);
    request->read += count;
    return count;
}

void FakeHttpTransport::close_handle(HttpHandleId handle) { live_.erase(handle); }

}  // namespace mervolt
