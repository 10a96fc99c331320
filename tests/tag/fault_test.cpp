#include "scratch_dir.h"

#include "quorvane/tag/field_reader.h"
#include "quorvane/tag/file_byte_source.h"
#include "quorvane/tag/table_builder.h"
#include "quorvane/tag/tag_error.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane::tag::test {
namespace {

namespace fs = std::filesystem;

std::size_t OpenDescriptors() {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

class Faults : public testing::Test {
protected:
    fs::path Write(const std::string& name, const std::string& bytes) {
        return m_scratch.Write(name, bytes);
    }

    static ErrorCode OpenCode(const fs::path& path) {
        FieldReader reader;
        try {
            reader.Open(path);
        } catch (const TagError& error) {
            return error.code();
        }
        return ErrorCode::InputPastEnd; // stands for "opened"
    }

    quorvane::test::ScratchDir m_scratch;
    const fs::path& m_dir = m_scratch.path();
};

TEST_F(Faults, MissingFileIsOpenFailure) {
    EXPECT_EQ(OpenCode(m_dir / "missing.csv"), ErrorCode::OpenFailed);
}

TEST_F(Faults, DirectoryIsOpenFailure) {
    EXPECT_EQ(OpenCode(m_dir), ErrorCode::OpenFailed);
}

TEST_F(Faults, UnreadableFileIsOpenFailure) {
    const fs::path path = Write("secret.csv", "a");
    fs::permissions(path, fs::perms::none);
    if (access(path.c_str(), R_OK) == 0) {
        GTEST_SKIP() << "running with the right to read any file (root): cannot test";
    }
    EXPECT_EQ(OpenCode(path), ErrorCode::OpenFailed);
}

TEST_F(Faults, FifoIsRefusedWithoutBlocking) {
    // Nobody ever writes to it: an open that waited would hang the test.
    const fs::path path = m_dir / "pipe";
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(OpenCode(path), ErrorCode::OpenFailed);
}

TEST_F(Faults, DeviceIsRefused) {
    EXPECT_EQ(OpenCode("/dev/zero"), ErrorCode::OpenFailed);
    EXPECT_EQ(OpenCode("/dev/null"), ErrorCode::OpenFailed);
}

TEST_F(Faults, MessageNamesTheCause) {
    try {
        FieldReader reader;
        reader.Open(m_dir);
        FAIL();
    } catch (const TagError& error) {
        EXPECT_STREQ(error.what(), "is a directory");
    }
}

TEST_F(Faults, FileIsClosedOnEveryWayOut) {
    const fs::path path = Write("data.csv", "a,b\r\nc");
    const std::size_t before = OpenDescriptors();
    {
        FieldReader reader;
        reader.Open(path);
        EXPECT_EQ(OpenDescriptors(), before + 1);
        reader.Close();
        EXPECT_EQ(OpenDescriptors(), before);
    }
    {
        FieldReader reader;
        reader.Open(path);
        EXPECT_THROW(
            {
                while (true) {
                    reader.ReadField();
                }
            },
            TagError);
    }
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_THROW(
        {
            FieldReader reader;
            reader.Open(m_dir);
        },
        TagError);
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_THROW(ConvertFile(path, 0, {}), TagError);
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(Faults, ReopeningReadsTheNewFile) {
    FieldReader reader;
    reader.Open(Write("one.csv", "1"));
    reader.Open(Write("two.csv", "2"));
    EXPECT_EQ(reader.ReadField(), u"2");
    EXPECT_TRUE(reader.AtEnd());
}

TEST_F(Faults, ReadAfterCloseFails) {
    FieldReader reader;
    reader.Open(Write("data.csv", "a"));
    reader.Close();
    try {
        reader.AtEnd();
        FAIL();
    } catch (const TagError& error) {
        EXPECT_EQ(error.code(), ErrorCode::ReadFailed);
    }
}

TEST_F(Faults, FileTruncatedWhileReadingGivesWhatWasRead) {
    // Two blocks' worth of fields; the file shrinks after the first block.
    std::string bytes;
    for (int i = 0; i < 400000; ++i) {
        bytes += "abcd,";
    }
    const fs::path path = Write("shrinks.csv", bytes);
    FieldReader reader;
    reader.Open(path);
    EXPECT_EQ(reader.ReadField(), u"abcd");
    fs::resize_file(path, 10);
    std::size_t fields = 1;
    while (!reader.AtEnd()) {
        reader.ReadField();
        ++fields;
    }
    EXPECT_GT(fields, 1u);
    EXPECT_LT(fields, 400000u);
}

} // namespace
} // namespace quorvane::tag::test
