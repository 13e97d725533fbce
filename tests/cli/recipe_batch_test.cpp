// kirabox-batch --recipe: the same bytes as the steps given one by one, with
// one file or many, any number of jobs, any shard and any --seed for a step
// that carries its own; a damaged recipe is a usage error naming its line.
#include <filesystem>
#include <fstream>

#include "pages/recipe.h"
#include "tests/cli/batch_fixture.h"

namespace kira {
namespace {

namespace fs = std::filesystem;

class RecipeBatch : public TBatchFixture {
 protected:
  void Write(const std::string& name, const std::string& text) const { std::ofstream(P(name)) << text; }
  std::string Inputs(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) {
      const std::string path = P("in/p" + std::to_string(i) + (i % 2 ? ".bmp" : ".png"));
      fs::create_directories(dir / "in");
      EXPECT_TRUE(SavePicture(Noise(17 + 6 * i, 1 + 9 * i, i + 1), path));
      s += " " + path;
    }
    return s;
  }
};

constexpr const char* kSteps =
    "softness:kind=gaussian,level=1 art2:kind=spray,level=12,seed=777 sharpness:kind=focus,amount=40";

TEST_F(RecipeBatch, GivesTheBytesOfTheStepsWithOneFileOrManyWhateverSeedJobsAndShards) {
  Write("look.kbr", RecipeHeader() + "\n# three steps\nsoftness:kind=gaussian,level=1\n\n"
                                     "art2:kind=spray,level=12,seed=777\n");
  const std::string inputs = Inputs(4);
  const std::string first = P("in/p0.png");
  ASSERT_EQ(Batch(first + " " + P("steps.png") + " " + kSteps), 0);
  // The recipe's steps come before those on the command line.
  ASSERT_EQ(Batch("--seed 5 --recipe " + P("look.kbr") + " " + first + " " + P("one.png") +
                  " sharpness:kind=focus,amount=40"), 0);
  EXPECT_TRUE(Read("one.png") == Read("steps.png"));

  const struct {
    const char* options;
    const char* out;
  } runs[] = {{"--jobs 1", "o1"}, {"--jobs 3 --seed 9", "o2"}, {"--shard 1/2", "o3"}, {"--shard 2/2", "o3"}};
  for (const auto& r : runs) {
    fs::create_directories(dir / r.out);
    std::string err;
    ASSERT_EQ(Batch(std::string(r.options) + " --recipe " + P("look.kbr") + " --out-dir " + P(r.out) + inputs +
                        " -- sharpness:kind=focus,amount=40", &err), 0) << err;
  }
  for (const char* out : {"o1", "o2", "o3"}) {
    EXPECT_TRUE(Read(std::string(out) + "/p0.png") == Read("steps.png")) << out;
    EXPECT_TRUE(Read(std::string(out) + "/p3.bmp") == Read("o1/p3.bmp")) << out;
  }
}

TEST_F(RecipeBatch, DamagedRecipeIsAUsageErrorNamingFileAndLineAndWritesNothing) {
  const std::string input = Inputs(1);
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"softness\n", "look.kbr:1: not a recipe"},
      {"# kirabox 0.1 recipe\nsoftness\nsoftness:level=x\n", "look.kbr:3: 'x' is not an integer for 'level'"},
  };
  for (const auto& c : cases) {
    Write("look.kbr", c.text);
    std::string err;
    EXPECT_EQ(Batch("--recipe " + P("look.kbr") + input + " " + P("out.png"), &err), 2);
    EXPECT_NE(err.find(P(c.error)), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(P("out.png")));
  }
  std::string err;
  EXPECT_EQ(Batch("--recipe " + P("none.kbr") + " --out-dir " + dir.string() + input, &err), 2);
  EXPECT_NE(err.find("none.kbr: cannot read"), std::string::npos) << err;
}

}  // namespace
}  // namespace kira
