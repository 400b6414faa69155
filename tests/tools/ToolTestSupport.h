#pragma once
// What the command-line tools' tests share: a scratch folder of their own for input and output files
// (names in UTF-8, Chinese ones too), and running the tool program itself from its build folder.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tooltest {

using Bytes = std::vector<uint8_t>;

std::string Utf8(const std::filesystem::path& p);

class ToolFolderTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Writes the file into the folder; its path in UTF-8.
    std::string Write(const char8_t* name, const Bytes& bytes);
    std::string Path(const char8_t* name) const { return Utf8(dir_ / name); }
    Bytes Read(const char8_t* name) const;

    std::filesystem::path dir_;
};

// Runs the tool (tools-bin/NAME.exe beside tests-bin on Windows; nativePath on the host) with the
// arguments, given in UTF-8 as one command line; its exit status, or -1 when it did not end in 30 s.
int RunToolProgram(const char* name, const char* nativePath, const std::string& args);

} // namespace tooltest
