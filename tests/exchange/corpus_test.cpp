// Real-world vCard and vCalendar files from other projects (tests/corpus/) through both phone
// passes: none is what this library writes (folded lines, photos, vCard 3.0, iCalendar), and
// every one must go through without a failure, a crash or a leak. The fuzzers take them further.
#include <filesystem>

#include "handler/handler_fixture.h"

#ifndef PIM_CORPUS_DIR
#error "PIM_CORPUS_DIR must name the unpacked tests/corpus"
#endif

namespace pim::test {
namespace {

using CorpusTest = HandlerTest;

TEST_F(CorpusTest, EverySampleGoesThroughEveryPassOfBothSides) {
  int samples = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(PIM_CORPUS_DIR)) {
    if (!entry.is_regular_file()) continue;
    SCOPED_TRACE(entry.path().string());
    ++samples;
    const std::string sample = ReadFile(entry.path());
    std::string changes;
    ASSERT_EQ(h_.Init(), 0);
    ASSERT_EQ(Prepare(), 0);
    ASSERT_EQ(h_.RetrievePIM(), 0);
    EXPECT_EQ(Pass(h_.SyncVCard, sample, changes), 0);
    EXPECT_EQ(Pass(h_.SyncVCal, sample, changes), 0);
    EXPECT_EQ(h_.UpdatePIM(), 0);
    h_.Deinit();
    ClearCaptures();
  }
  EXPECT_GE(samples, 40);
}

}  // namespace
}  // namespace pim::test
