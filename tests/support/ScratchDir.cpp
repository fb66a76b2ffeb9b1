// The temporary folder of one test.
#include "tests/support/ScratchDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include <unistd.h>

namespace fs = std::filesystem;

ScratchDir::ScratchDir(const std::string& prefix) {
    std::string test = "outside-a-test";
    if (const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info())
        test = std::string(info->test_suite_name()) + "." + info->name();
    std::replace(test.begin(), test.end(), '/', '_'); // parameterised cases are named "Case/0"
    path_ = fs::temp_directory_path() / (prefix + "-" + std::to_string(::getpid()) + "-" + test);
    fs::remove_all(path_);
    fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

MSTR ScratchDir::File(const std::string& name) const { return WStr::FromUTF8((path_ / name).string()); }

MSTR ScratchDir::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    std::ofstream(path_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return File(name);
}

size_t ScratchDir::Entries() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(path_), fs::directory_iterator()));
}
