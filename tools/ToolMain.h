#pragma once
// The start of the command-line developer tools: the arguments as UTF-8 on every system, the tool's
// message on standard error, and an exception (a failed allocation on a huge input) as one more message.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#if defined(_WIN32)
#include "runtime/TextCodec.h"
#endif

namespace tooling {

#if defined(_WIN32)
inline std::vector<std::string> ToolArgs(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(rt::WideToUtf8(argv[i]));
    return args;
}
#else
inline std::vector<std::string> ToolArgs(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}
#endif

// run(args, message) is the tool itself; its result is the exit status.
template <class Run> int RunTool(const char* name, Run run, const std::vector<std::string>& args) {
    std::string message;
    int rc = 1;
    try {
        rc = run(args, message);
    } catch (const std::exception& e) {
        message = std::string(name) + ": " + e.what();
    }
    if (!message.empty()) std::fprintf(stderr, "%s\n", message.c_str());
    return rc;
}

} // namespace tooling
