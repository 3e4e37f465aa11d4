#pragma once
#include <string>
#include <string_view>

namespace standin {

// The arguments of a Windows command line: what follows the program name (quoted or not),
// leading blanks dropped, the rest exactly as given.
std::string_view arguments_of(std::string_view command_line);

// Appends "<program> <arguments>" and CR LF to the log named by MERVOLT_STANDIN_LOG
// (default C:\stand-ins.log), so tests can see which commands ran.
void log_invocation(std::string_view program, std::string_view arguments);

// The environment variable's value, or the fallback when it is unset or empty.
std::string environment_or(const char* name, const char* fallback);

// Writes the bytes unchanged (no line-end translation) to standard output.
void write_output(std::string_view bytes);

}  // namespace standin
