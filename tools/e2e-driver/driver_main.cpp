// mervolt-driver.exe: drives the windows of another program in the same Wine prefix, one
// command per line on stdin, one reply line on stdout (see protocol.h).
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "commands.h"

int main() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string reply;
        try {
            auto request = driver::Request::parse(line);
            if (driver::is_quit(request)) break;
            reply = driver::answer(request);
        } catch (const std::exception& error) {
            reply = driver::JsonObject().flag("ok", false).text("error", error.what()).str();
        }
        std::fwrite(reply.data(), 1, reply.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    return 0;
}
