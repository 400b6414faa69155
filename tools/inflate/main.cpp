// The `inflate` command-line tool; see InflateTool.h.
#include "tools/ToolMain.h"
#include "tools/inflate/InflateTool.h"

#if defined(_WIN32)
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
    return tooling::RunTool("inflate", inflatetool::RunInflateTool, tooling::ToolArgs(argc, argv));
}
