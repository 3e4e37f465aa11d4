#include "fault_board.h"

#include <utility>

namespace demo {
namespace {

constexpr std::pair<std::string_view, Operation> operation_names[] = {
    {"ping", Operation::ping},     {"denglu", Operation::denglu}, {"nas", Operation::nas},
    {"sousuo", Operation::sousuo}, {"member", Operation::member}, {"ip", Operation::ip},
};

constexpr std::pair<std::string_view, FaultMode> mode_names[] = {
    {"normal", FaultMode::normal}, {"notok", FaultMode::notok}, {"garbage", FaultMode::garbage},
    {"empty", FaultMode::empty},   {"slow", FaultMode::slow},   {"close", FaultMode::close},
};

}  // namespace

std::optional<std::vector<Operation>> parse_operations(std::string_view name) {
    std::vector<Operation> operations;
    for (const auto& [text, operation] : operation_names)
        if (name == "any" || name == text) operations.push_back(operation);
    if (operations.empty()) return std::nullopt;
    return operations;
}

std::optional<FaultMode> parse_fault_mode(std::string_view name) {
    for (const auto& [text, mode] : mode_names)
        if (name == text) return mode;
    return std::nullopt;
}

void FaultBoard::set(const std::vector<Operation>& operations, Fault fault) {
    std::lock_guard lock(mutex_);
    for (Operation operation : operations) faults_[static_cast<size_t>(operation)] = fault;
}

Fault FaultBoard::fault(Operation operation) const {
    std::lock_guard lock(mutex_);
    return faults_[static_cast<size_t>(operation)];
}

void FaultBoard::force_gzip(bool on) {
    std::lock_guard lock(mutex_);
    gzip_forced_ = on;
}

bool FaultBoard::gzip_forced() const {
    std::lock_guard lock(mutex_);
    return gzip_forced_;
}

void FaultBoard::clear() {
    std::lock_guard lock(mutex_);
    faults_.fill(Fault{});
    gzip_forced_ = false;
}

}  // namespace demo
