// route.exe stand-in for the test prefix: records the command and answers as route does,
// changing nothing.
#include <windows.h>

#include <string>

#include "stand_in_log.h"

int main() {
    const std::string_view arguments = standin::arguments_of(GetCommandLineA());
    standin::log_invocation("route", arguments);
    const std::string_view command = arguments.substr(0, arguments.find_first_of(" \t"));
    if (command == "add" || command == "delete" || command == "change") standin::write_output(" 操作完成!\r\n");
    return 0;
}
