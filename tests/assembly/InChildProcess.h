#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/Process.h"

namespace quill::test {

// The engine loads once per process and cannot start again once ended, so tests of its
// start and end, or of a different engine file, run in a child process of their own: this
// test program again, with only the current test. True in that child; in the parent false,
// after checking its outcome.
inline bool InChildProcess() {
    static constexpr char kChildMark[] = "QUILLBY_WK_TEST_CHILD";
    if (std::getenv(kChildMark) != nullptr) {
        return true;
    }
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string filter = std::string(info->test_suite_name()) + "." + info->name();
    const RunResult r =
        Run({self, "--gtest_filter=" + filter}, {{kChildMark, "1"}}, std::chrono::seconds(120));
    EXPECT_TRUE(r.succeeded()) << r.Describe() << "\n" << r.stdOut;
    return false;
}

}  // namespace quill::test
