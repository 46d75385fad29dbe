#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "platform/Files.h"

namespace fs = std::filesystem;
using platform::ReadError;
using platform::ReadFailure;
using platform::readWholeFile;

class FilesTest : public ::testing::Test {
  protected:
    FilesTest() {
        dir_ = fs::temp_directory_path() / ("tessavo-files-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    ~FilesTest() override { fs::remove_all(dir_); }
    std::string at(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

TEST_F(FilesTest, AFileIsReadUpToTheLimitAndNotABytePast) {
    std::ofstream(at("ten")) << "0123456789";
    EXPECT_EQ(readWholeFile(at("ten"), nullptr, 10), "0123456789");
    ReadError error;
    EXPECT_FALSE(readWholeFile(at("ten"), &error, 9));
    EXPECT_EQ(error.kind, ReadFailure::tooLarge);
    EXPECT_EQ(error.text, "larger than 9 bytes");
    std::ofstream(at("empty"));
    EXPECT_EQ(readWholeFile(at("empty")), "");
}
