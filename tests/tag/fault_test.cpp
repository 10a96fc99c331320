#include "scratch_dir.h"

#include "quorvane/tag/files.h"
#include "quorvane/tag/tag_error.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane::tag::test {
namespace {

namespace fs = std::filesystem;

struct RefusedInput {
    const char* name;
    // Makes the input in the scratch folder; returns its path.
    std::function<fs::path(const quorvane::test::ScratchDir&)> make;
    const char* message;
};

const RefusedInput kRefused[] = {
    {"Missing", [](const auto& dir) { return dir.path() / "missing.csv"; },
     "No such file or directory"},
    {"Folder", [](const auto& dir) { return dir.path(); }, "is a directory"},
    // Nobody ever writes to it: an open that waited would hang the test.
    {"FifoWithoutWriter",
     [](const auto& dir) {
         const fs::path path = dir.path() / "pipe";
         mkfifo(path.c_str(), 0600);
         return path;
     },
     "not a regular file"},
    {"Device", [](const auto&) { return fs::path("/dev/zero"); }, "not a regular file"},
};

TEST(InputFile, RefusesWhatIsNoRegularFile) {
    for (const RefusedInput& c : kRefused) {
        SCOPED_TRACE(c.name);
        quorvane::test::ScratchDir dir;
        try {
            InputFile file(c.make(dir));
            ADD_FAILURE() << "opened";
        } catch (const TagError& error) {
            EXPECT_EQ(error.code(), ErrorCode::OpenFailed);
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

TEST(InputFile, UnreadableFileIsOpenFailure) {
    quorvane::test::ScratchDir dir;
    const fs::path path = dir.Write("secret.csv", "a");
    fs::permissions(path, fs::perms::none);
    if (access(path.c_str(), R_OK) == 0) {
        GTEST_SKIP() << "running with the right to read any file (root): cannot test";
    }
    EXPECT_THROW(InputFile{path}, TagError);
}

} // namespace
} // namespace quorvane::tag::test
