#include "http_service.h"

#include "gbk_conversion.h"
#include "gzip_coding.h"
#include "query.h"
#include "replies.h"
#include "sockets.h"

#include <charconv>
#include <condition_variable>
#include <httplib.h>
#include <thread>

namespace demo {
namespace {

constexpr const char* plain_text = "text/plain; charset=utf-8";
constexpr const char* html_text = "text/html; charset=utf-8";
constexpr int default_slow_delay_ms = 3000;
constexpr int longest_slow_delay_ms = 600000;
// Slow replies and idle keep-alive connections each hold a thread; the admin interface must still
// get one while a test keeps several slow requests waiting.
constexpr int request_threads = 32;

struct Reply {
    std::string body;
    const char* content_type = plain_text;
};

// Which nas.php operation a query asks for, by the key it holds (as the service script tests them).
std::optional<Operation> nas_operation(const Query& query) {
    if (query.has("ping")) return Operation::ping;
    if (query.has("denglu")) return Operation::denglu;
    if (query.has("nas")) return Operation::nas;
    if (query.has("sousuo")) return Operation::sousuo;
    if (query.has("member")) return Operation::member;
    return std::nullopt;
}

std::optional<int> parse_int(std::string_view text, int low, int high) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
    return value;
}

using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

// httplib 0.11 reads a POST body without a length until the peer closes or its read time-out
// passes, while HTTP/1.1 gives such a request no body. A content-reader handler reads only an
// announced body (and discards it: no operation takes one), so a bare POST is answered at once.
httplib::Server::HandlerWithContentReader without_body(Handler handler) {
    return [handler = std::move(handler)](const httplib::Request& req, httplib::Response& res,
                                          const httplib::ContentReader& read) {
        if (req.has_header("Content-Length") || req.has_header("Transfer-Encoding"))
            read([](const char*, size_t) { return true; });
        handler(req, res);
    };
}

void answer_admin(httplib::Response& res, int status, const std::string& text) {
    res.status = status;
    res.set_content(text, plain_text);
}

}  // namespace

class HttpService::Impl {
public:
    Impl(Store& store, LineServers& lines, RequestLog& log) : store_(store), lines_(lines), log_(log) {
        server_.new_task_queue = [] { return new httplib::ThreadPool(request_threads); };
        server_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
            // The log is what the client sent; the tests' own admin calls would only hide it.
            if (req.path.rfind("/admin/", 0) != 0) log_.record(req.method, req.target);
            return httplib::Server::HandlerResponse::Unhandled;
        });
        Handler nas = [this](const httplib::Request& req, httplib::Response& res) { serve_nas(req, res); };
        Handler ip = [this](const httplib::Request& req, httplib::Response& res) {
            serve(req, res, Operation::ip, [] { return Reply{ip_lookup_page(), html_text}; });
        };
        server_.Get("/nas.php", nas).Post("/nas.php", without_body(nas));
        server_.Get("/ip", ip).Post("/ip", without_body(ip));
        add_admin_routes();
    }

    int bind(const std::string& address, int port) {
        int bound = port == 0 ? server_.bind_to_any_port(address) : (server_.bind_to_port(address, port) ? port : -1);
        if (bound < 0) throw std::runtime_error("cannot listen for HTTP on " + address + ":" + std::to_string(port));
        listener_ = Endpoint{address, bound};
        return bound;
    }

    void start(std::function<void()> on_failure) {
        thread_ = std::thread([this, on_failure = std::move(on_failure)] {
            server_.listen_after_bind();
            serving_ended_ = true;
            if (!stopping()) on_failure();
        });
        // stop() before the server runs would be lost: httplib only stops a running server.
        while (!server_.is_running() && !serving_ended_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    void stop() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        server_.stop();
        // Idle keep-alive connections would hold their threads for seconds more.
        shut_down_connections(listener_, std::nullopt);
        if (thread_.joinable()) thread_.join();
    }

private:
    bool stopping() {
        std::lock_guard lock(mutex_);
        return stopping_;
    }

    void serve_nas(const httplib::Request& req, httplib::Response& res) {
        std::string_view raw_query = query_of(req.target);
        Query query(raw_query);
        std::optional<Operation> operation = nas_operation(query);
        if (!operation) {
            send(req, res, Reply{});  // not an operation of the script: an empty page
            return;
        }
        serve(req, res, *operation, [&]() -> Reply {
            switch (*operation) {
                case Operation::ping: return {"ok"};
                case Operation::denglu: return {sign_in(raw_query)};
                case Operation::nas: return {line_list_reply(store_.lines())};
                case Operation::sousuo: return {search(query)};
                case Operation::member: return {member_page(store_.notice()), html_text};
                case Operation::ip: break;
            }
            return {};
        });
    }

    std::string sign_in(std::string_view raw_query) {
        auto credentials = sign_in_credentials(raw_query);
        if (!credentials) return sign_in_reply(std::nullopt);
        auto name = gbk_to_utf8(credentials->name);
        auto password = gbk_to_utf8(credentials->password);
        if (!name || !password) return sign_in_reply(std::nullopt);
        return sign_in_reply(store_.check_password(*name, *password));
    }

    std::string search(const Query& query) {
        auto region = query.value("diqu");
        if (!region) return {};
        auto text = gbk_to_utf8(*region);
        if (!text) return {};
        return line_list_reply(store_.lines_in_region(*text));
    }

    // One service reply, with its operation's fault applied.
    template <class Produce>
    void serve(const httplib::Request& req, httplib::Response& res, Operation operation, Produce produce) {
        Fault fault = faults_.fault(operation);
        if (fault.mode == FaultMode::close) {
            Endpoint peer{req.remote_addr, req.remote_port};
            if (shut_down_connections({req.local_addr, req.local_port}, peer) == 0) res.status = 503;
            return;  // httplib's answer then finds the connection gone
        }
        if (fault.mode == FaultMode::slow) {
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, std::chrono::milliseconds(fault.delay_ms), [this] { return stopping_; });
        }
        Reply reply = produce();
        if (fault.mode == FaultMode::notok) reply = Reply{"OK\r\n"};
        if (fault.mode == FaultMode::garbage) reply.body = garbage_reply();
        if (fault.mode == FaultMode::empty) reply.body.clear();
        send(req, res, reply);
    }

    void send(const httplib::Request& req, httplib::Response& res, Reply reply) {
        res.status = 200;
        bool gzip = faults_.gzip_forced() || accepts_gzip(req.get_header_value("Accept-Encoding"));
        if (gzip) {
            reply.body = gzip_compress(reply.body);
            res.set_header("Content-Encoding", "gzip");
        }
        if (reply.body.empty()) return;  // no Content-Type either, so httplib has nothing to compress
        // httplib compresses a plain body by itself whenever the request allows it, preferring
        // brotli; a body from a provider with a known length it sends untouched.
        auto body = std::make_shared<std::string>(std::move(reply.body));
        res.set_content_provider(body->size(), reply.content_type,
                                 [body](size_t offset, size_t length, httplib::DataSink& sink) {
                                     sink.write(body->data() + offset, length);
                                     return true;
                                 });
    }

    void add_admin_routes() {
        server_.Get("/admin/requests", [this](const httplib::Request&, httplib::Response& res) {
            answer_admin(res, 200, log_.text());
        });
        server_.Get("/admin/links", [this](const httplib::Request&, httplib::Response& res) {
            std::string text;
            for (const LiveLink& link : lines_.links()) text += link.address + " " + link.user + "\n";
            answer_admin(res, 200, text);
        });
        server_.Post("/admin/reset", without_body([this](const httplib::Request&, httplib::Response& res) {
            faults_.clear();
            log_.clear();
            std::string errors = lines_.restore();
            answer_admin(res, errors.empty() ? 200 : 500, errors.empty() ? "ok\n" : errors);
        }));
        server_.Post("/admin/fault", without_body([this](const httplib::Request& req, httplib::Response& res) {
            Query query(query_of(req.target));
            auto operations = parse_operations(query.value("op").value_or(""));
            auto mode = parse_fault_mode(query.value("mode").value_or(""));
            if (!operations) return answer_admin(res, 400, "op must be ping, denglu, nas, sousuo, member, ip or any\n");
            if (!mode) return answer_admin(res, 400, "mode must be notok, garbage, empty, slow, close or normal\n");
            Fault fault{*mode, default_slow_delay_ms};
            if (auto delay = query.value("delay_ms")) {
                auto ms = parse_int(*delay, 0, longest_slow_delay_ms);
                if (!ms) return answer_admin(res, 400, "delay_ms must be 0 to 600000\n");
                fault.delay_ms = *ms;
            }
            faults_.set(*operations, fault);
            answer_admin(res, 200, "ok\n");
        }));
        server_.Post("/admin/gzip", without_body([this](const httplib::Request& req, httplib::Response& res) {
            auto on = Query(query_of(req.target)).value("on");
            if (on != "1" && on != "0") return answer_admin(res, 400, "on must be 1 or 0\n");
            faults_.force_gzip(on == "1");
            answer_admin(res, 200, "ok\n");
        }));
        server_.Post("/admin/line", without_body([this](const httplib::Request& req, httplib::Response& res) {
            Query query(query_of(req.target));
            auto address = query.value("address").value_or("");
            auto state = query.value("state");
            if (!lines_.has_line(address)) return answer_admin(res, 404, "no line " + address + "\n");
            if (state != "down" && state != "up") return answer_admin(res, 400, "state must be down or up\n");
            std::string error = lines_.set_line_up(address, state == "up");
            answer_admin(res, error.empty() ? 200 : 500, error.empty() ? "ok\n" : error + "\n");
        }));
        server_.Post("/admin/auth", without_body([this](const httplib::Request& req, httplib::Response& res) {
            auto mode = Query(query_of(req.target)).value("mode");
            if (mode != "refuse" && mode != "normal") return answer_admin(res, 400, "mode must be refuse or normal\n");
            lines_.refuse_calls(mode == "refuse");
            answer_admin(res, 200, "ok\n");
        }));
        server_.Post("/admin/drop", without_body([this](const httplib::Request& req, httplib::Response& res) {
            auto address = Query(query_of(req.target)).value("address");
            if (address && !lines_.has_line(*address)) return answer_admin(res, 404, "no line " + *address + "\n");
            int dropped = lines_.drop_links(address);
            answer_admin(res, 200, "dropped " + std::to_string(dropped) + "\n");
        }));
    }

    Store& store_;
    LineServers& lines_;
    RequestLog& log_;
    FaultBoard faults_;
    httplib::Server server_;
    Endpoint listener_;
    std::thread thread_;
    std::atomic<bool> serving_ended_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
};

HttpService::HttpService(Store& store, LineServers& lines, RequestLog& log)
    : impl_(std::make_unique<Impl>(store, lines, log)) {}

HttpService::~HttpService() { impl_->stop(); }

int HttpService::bind(const std::string& address, int port) { return impl_->bind(address, port); }

void HttpService::start(std::function<void()> on_failure) { impl_->start(std::move(on_failure)); }

void HttpService::stop() { impl_->stop(); }

}  // namespace demo
