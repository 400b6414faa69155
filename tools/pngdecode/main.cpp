// The `pngdecode` command-line tool; see PngDecodeTool.h.
#include "tools/ToolMain.h"
#include "tools/pngdecode/PngDecodeTool.h"

#if defined(_WIN32)
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
    return tooling::RunTool("pngdecode", pngdecodetool::RunPngDecodeTool, tooling::ToolArgs(argc, argv));
}
