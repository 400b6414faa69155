#pragma once
// inflate [--engine=builtin|zlib] CAPACITY IN OUT: inflates the zlib stream in file IN into at most
// CAPACITY bytes and writes them to file OUT. Arguments are UTF-8.
#include <span>
#include <string>

namespace inflatetool {

// The process exit code: 0 on success; 1 on failure, with `message` set to the one line to print.
int RunInflateTool(std::span<const std::string> args, std::string& message);

} // namespace inflatetool
