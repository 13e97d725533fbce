#include <gtest/gtest.h>

#include <stdexcept>

#include "document/settings_table.h"

namespace kira {
namespace {

std::vector<TStepSpec> Steps() {
  TStepSpec a;
  a.name = "demo";
  a.page = "demo page";
  a.params = {{"level", TParamKind::Integer, -5, 10, 3, {}, ""},
              {"kind", TParamKind::Choice, 0, 0, 1, {"one", "two"}, ""},
              {"threshold", TParamKind::IntegerOrAuto, 0, 765, 764, {}, ""},
              {"color", TParamKind::HexColor, 0, 0xffffff, 0xffffff, {}, ""}};
  a.check = [](const TStepValues& v) {
    return v.Get("kind") == 0 && v.Given("level") ? std::string("'level' is refused for kind 'one'") : std::string();
  };
  return {a};
}

TEST(Steps, ParsesKeysAndKeepsDefaults) {
  const auto steps = Steps();
  TStepValues v;
  std::string error;
  ASSERT_NE(ParseStep(steps, "demo", v, error), nullptr) << error;
  EXPECT_EQ(v.Get("level"), 3);
  EXPECT_EQ(v.Get("kind"), 1);
  EXPECT_FALSE(v.Given("level"));
  ASSERT_NE(ParseStep(steps, "demo:level=-5,threshold=auto,color=FF8000", v, error), nullptr) << error;
  EXPECT_EQ(v.Get("level"), -5);
  EXPECT_TRUE(v.Given("level"));
  EXPECT_EQ(v.Get("threshold"), kAutoValue);
  EXPECT_EQ(v.Get("color"), 0xff8000);
  EXPECT_EQ(v.Get("kind"), 1);
}

TEST(Steps, UsageErrorsNameTheOffendingWord) {
  const auto steps = Steps();
  TStepValues v;
  std::string error;
  struct Case {
    const char* text;
    const char* word;
  } cases[] = {{"blur", "blur"},
               {"demo:size=3", "size"},
               {"demo:level=11", "11"},
               {"demo:level=1.5", "1.5"},
               {"demo:level=", "level"},
               {"demo:kind=three", "three"},
               {"demo:color=12345", "12345"},
               {"demo:color=12345g", "12345g"},
               {"demo:level", "level"},
               {"demo:kind=one,level=2", "level"},
               {"demo:threshold=99999999999999999999999", "99999999999999999999999"}};
  for (const Case& c : cases) {
    EXPECT_EQ(ParseStep(steps, c.text, v, error), nullptr) << c.text;
    EXPECT_NE(error.find(c.word), std::string::npos) << c.text << " -> " << error;
  }
}

// An echoed word stays one short line: 40 characters (not bytes: a UTF-8
// character is never split), then "...", control characters shown as '?'.
TEST(Steps, EchoedWordsAreCutAndKeptOnOneLine) {
  const std::string forty(40, 'x');
  std::string kana;
  for (int i = 0; i < 41; ++i) kana += "\u30AD";  // three bytes each
  const struct {
    std::string word, shown;
  } cases[] = {{"", "''"},
               {"blur", "'blur'"},
               {forty, "'" + forty + "'"},
               {forty + "y", "'" + forty + "...'"},
               {kana, "'" + kana.substr(0, 40 * 3) + "...'"},
               {"a\nb\tc\x7F", "'a?b?c?'"}};
  for (const auto& c : cases) EXPECT_EQ(QuoteWord(c.word), c.shown) << c.word;

  const auto steps = Steps();
  TStepValues v;
  std::string error;
  for (const std::string& text : {std::string(500, 'q'), "demo:" + std::string(500, 'k') + "=1",
                                  "demo:kind=" + std::string(500, 'v'), std::string("demo:level=1\n2")}) {
    EXPECT_EQ(ParseStep(steps, text, v, error), nullptr);
    EXPECT_LT(error.size(), 120u) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

TEST(Steps, AKeyOutsideTheTableIsAnErrorNeverZero) {
  const auto steps = Steps();
  TStepValues v(&steps[0].params);
  EXPECT_THROW(v.Get("levle"), std::out_of_range);
  EXPECT_THROW(v.Set("levle", 1), std::out_of_range);
  EXPECT_THROW(TStepValues().Get("level"), std::out_of_range);
  EXPECT_EQ(v.Get("level"), 3);
}

TEST(Steps, HelpListsKeysRangesAndDefaults) {
  const std::string help = DescribeSteps(Steps());
  EXPECT_NE(help.find("demo"), std::string::npos);
  EXPECT_NE(help.find("level: -5..10 (3)"), std::string::npos);
  EXPECT_NE(help.find("kind: one, two (two)"), std::string::npos);
  EXPECT_NE(help.find("or auto (764)"), std::string::npos);
  EXPECT_NE(help.find("(ffffff)"), std::string::npos);
}

}  // namespace
}  // namespace kira
