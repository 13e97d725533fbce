// A generator per batch job: jobs on their own threads draw from their own
// states, the program's one generator stays as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "effects/noise.h"
#include "effects/random.h"
#include "tests/effects/picture_util.h"

namespace kira {
namespace {

bool SameBytes(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y) {
    for (int i = 0; i < a.Width() * 3; ++i) {
      if (a.ScanLine(y)[i] != b.ScanLine(y)[i]) return false;
    }
  }
  return true;
}

// One job: colour noise, mono noise and spray, as a batch file
// would run them, on the calling thread's generator. Returns the picture and
// the state it ends in (*end).
TBitmap Job(const TBitmap& picture, int threads, std::uint32_t* end) {
  TBitmap b = picture;
  EXPECT_TRUE(ColorNoise(b, 40, threads));
  EXPECT_TRUE(MonoNoise(b, 17, threads));
  EXPECT_TRUE(Spray(b, 5));
  *end = RandSeed();
  return b;
}

TEST(RandomScope, JobsSideBySideDrawWhatOneJobAloneDraws) {
  struct TCase {
    int w, h, threads;
    std::uint32_t start;
  };
  const TCase cases[] = {{1, 1, 1, 0}, {37, 23, 2, 7}, {64, 5, 2, 4294967295u}, {9, 40, 1, 123456}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h << " seed " << c.start);
    const TBitmap picture = testpic::Random24(c.w, c.h, 11);
    // Alone, on the program's generator.
    RandSeed() = c.start;
    std::uint32_t aloneEnd = 0;
    const TBitmap alone = Job(picture, c.threads, &aloneEnd);

    RandSeed() = 999;  // the editor's state, which the jobs must not touch
    std::vector<TBitmap> results(4);
    std::vector<std::uint32_t> ends(4);
    std::vector<std::thread> jobs;
    for (int j = 0; j < 4; ++j) {
      jobs.emplace_back([&, j] {
        std::uint32_t state = c.start;
        TRandomScope scope(state);
        results[j] = Job(picture, c.threads, &ends[j]);
        EXPECT_EQ(state, ends[j]);
      });
    }
    for (std::thread& t : jobs) t.join();
    EXPECT_EQ(RandSeed(), 999u);
    for (int j = 0; j < 4; ++j) {
      EXPECT_TRUE(SameBytes(results[j], alone)) << "job " << j;
      EXPECT_EQ(ends[j], aloneEnd) << "job " << j;
    }
  }
}

TEST(RandomScope, NestedScopesGiveTheOuterStateBack) {
  RandSeed() = 5;
  std::uint32_t outer = 100, inner = 200;
  {
    TRandomScope a(outer);
    Random(10);
    EXPECT_EQ(outer, 100u * 134775813u + 1u);
    {
      TRandomScope b(inner);
      Random(10);
      EXPECT_EQ(inner, 200u * 134775813u + 1u);
    }
    EXPECT_EQ(&RandSeed(), &outer);
  }
  EXPECT_EQ(RandSeed(), 5u);
}

}  // namespace
}  // namespace kira
