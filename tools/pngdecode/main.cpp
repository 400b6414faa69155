// The `pngdecode` command-line tool; see PngDecodeTool.h.
#include "PngDecodeTool.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#if defined(_WIN32)
#include "TextCodec.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(rt::WideToUtf8(argv[i]));
#else
int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
#endif
    std::string message;
    int rc = 1;
    try {
        rc = pngdecodetool::RunPngDecodeTool(args, message);
    } catch (const std::exception& e) {
        message = std::string("pngdecode: ") + e.what();
    }
    if (!message.empty()) std::fprintf(stderr, "%s\n", message.c_str());
    return rc;
}
