#include "platform/file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "platform/platform.h"
#include "support/test_support.h"

namespace pim::platform {
namespace {

using test::TempDir;

std::vector<std::string> Lines(std::string_view text) {
  MemorySource source(text);
  LineReader reader(source);
  std::vector<std::string> lines;
  std::string line;
  while (reader.Next(line))
    lines.push_back(line);
  return lines;
}

TEST(LineReaderTest, SplitsAtLineFeeds) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Lines(""), V{});
  EXPECT_EQ(Lines("a"), V{"a"});
  EXPECT_EQ(Lines("a\n"), V{"a"});
  EXPECT_EQ(Lines("a\r\n\nb"), (V{"a\r", "", "b"}));
  EXPECT_EQ(Lines(std::string("x\0y\n", 4)), V{std::string("x\0y", 3)});
}

TEST(LineReaderTest, ReadsLinesLongerThanItsBuffer) {
  const std::string long_line(200000, 'q');
  const auto lines = Lines(long_line + "\nend\n" + long_line);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], long_line);
  EXPECT_EQ(lines[1], "end");
  EXPECT_EQ(lines[2], long_line);
}

TEST(FileTest, WritesAndReadsBack) {
  TempDir dir;
  const std::string path = dir.File("f.txt");
  std::string big(100000, 'z');
  {
    OutputFile out(path);
    out.Write("head\n");
    out.Write(big);
    out.Close();
  }
  EXPECT_EQ(test::ReadFile(path), "head\n" + big);
  InputFile in(path);
  LineReader reader(in);
  std::string line;
  ASSERT_TRUE(reader.Next(line));
  EXPECT_EQ(line, "head");
}

TEST(FileTest, FailuresNameTheCauseAndTheFile) {
  TempDir dir;
  try {
    InputFile in(dir.File("missing"));
    FAIL() << "opened a missing file";
  } catch (const FileError& e) {
    EXPECT_EQ(e.error(), ENOENT);
    EXPECT_EQ(std::string(e.what()),
              "Cannot open \"" + dir.File("missing") + "\": No such file or directory.");
  }
  // A folder where a file should be is a file error, whether read or written.
  EXPECT_THROW(InputFile in(dir.path()), FileError);
  EXPECT_THROW(OutputFile out(dir.path()), FileError);
  EXPECT_THROW(OutputFile out(""), FileError);
  EXPECT_THROW(OutputFile out(dir.File("no/such/folder")), FileError);
}

TEST(PathExistsTest, FindsFilesAndFolders) {
  TempDir dir;
  test::WriteFile(dir.File("f"), "");
  EXPECT_TRUE(PathExists(dir.File("f")));
  EXPECT_TRUE(PathExists(dir.path()));
  EXPECT_FALSE(PathExists(dir.File("g")));
  EXPECT_FALSE(PathExists(""));
}

}  // namespace
}  // namespace pim::platform
