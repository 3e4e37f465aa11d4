#pragma once
#include <array>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace demo {

// The operations a fault can be set on.
enum class Operation { ping, denglu, nas, sousuo, member, ip };
inline constexpr size_t operation_count = 6;

enum class FaultMode {
    normal,
    notok,    // the reply is "OK\r\n" (for the ping: answered, but not "ok")
    garbage,  // the reply is bytes that are not UTF-8
    empty,    // the reply is empty
    slow,     // the reply comes after delay_ms
    close,    // the connection is dropped unanswered
};

struct Fault {
    FaultMode mode = FaultMode::normal;
    int delay_ms = 0;
};

// "ping", "denglu", ...; "any" names all of them. nullopt for an unknown name.
std::optional<std::vector<Operation>> parse_operations(std::string_view name);
std::optional<FaultMode> parse_fault_mode(std::string_view name);

// The faults the tests switch on, shared by the HTTP threads.
class FaultBoard {
public:
    void set(const std::vector<Operation>& operations, Fault fault);
    Fault fault(Operation operation) const;
    void force_gzip(bool on);
    bool gzip_forced() const;
    // Every operation normal, gzip no longer forced.
    void clear();

private:
    mutable std::mutex mutex_;
    std::array<Fault, operation_count> faults_{};
    bool gzip_forced_ = false;
};

}  // namespace demo
