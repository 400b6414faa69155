// The `inflate` command-line tool; see InflateTool.h.
#include "InflateTool.h"
#include "ToolMain.h"

#if defined(_WIN32)
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
    return tooling::RunTool("inflate", inflatetool::RunInflateTool, tooling::ToolArgs(argc, argv));
}
