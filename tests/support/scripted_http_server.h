#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace mervolt {

// One answer of the scripted server. Requests take the replies in order of arrival; the last
// reply answers every request after it.
struct ScriptedReply {
    enum class Answer {
        reply,             // status line, headers, body, then the ending
        close_unanswered,  // close the connection without a byte
        reset_unanswered,  // reset the connection without a byte
        never,             // hold the connection open, silent, until the server stops
    };
    enum class Ending {
        keep_alive,  // ready for the next request on the connection
        close,       // close after the reply (always so without a Content-Length)
        reset,       // reset after the reply (after a short pause, so the bytes get there first)
    };

    std::string status_line = "HTTP/1.1 200 OK";
    std::vector<std::string> headers;  // "Name: value", sent as given; "{self}" and "{other}" expand
    std::string body;
    bool content_length = true;              // add "Content-Length: <declared or body size>"
    std::optional<std::size_t> declared_length;
    std::optional<std::size_t> body_cut;     // send only this many body bytes
    int delay_ms = 0;                        // wait before answering
    Answer answer = Answer::reply;
    Ending ending = Ending::keep_alive;
};

struct RecordedRequest {
    std::string request_line;
    std::vector<std::string> header_lines;  // in order, as received
    std::string body;
    // The value of the first header of that name (any letter case), blanks trimmed.
    std::optional<std::string> header(std::string_view name) const;
};

// A loopback HTTP/1.1 server on a random 127.x.y.z address and a free port that records every
// request and answers from a script. Plain sockets: it runs natively and inside a Wine test exe.
class ScriptedHttpServer {
public:
    explicit ScriptedHttpServer(std::vector<ScriptedReply> script);
    ~ScriptedHttpServer();  // stops: closes every connection, joins every thread
    ScriptedHttpServer(const ScriptedHttpServer&) = delete;
    ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

    const std::string& host() const { return host_; }
    std::uint16_t port() const { return port_; }
    std::string base_url() const;        // "http://127.x.y.z:port"
    void set_other(std::string url);     // what "{other}" in reply headers expands to

    std::vector<RecordedRequest> requests() const;

private:
    struct Connection;
    void accept_loop();
    void serve(std::shared_ptr<Connection> connection);
    ScriptedReply next_reply();
    bool wait_or_stop(int milliseconds);
    std::string expand(std::string text) const;

    std::vector<ScriptedReply> script_;
    std::string host_;
    std::uint16_t port_ = 0;
    std::uintptr_t listener_;
    std::string other_;

    mutable std::mutex mutex_;
    std::condition_variable stop_signal_;
    bool stopping_ = false;
    std::size_t next_reply_ = 0;
    std::vector<RecordedRequest> requests_;
    std::vector<std::thread> threads_;
    std::thread acceptor_;
};

// A loopback port that nothing listens on (bound once, then closed), with its address.
struct ClosedPort {
    std::string host;
    std::uint16_t port = 0;
};
ClosedPort closed_loopback_port();

}  // namespace mervolt
