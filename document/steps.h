// Settings tables of the effect pages. Each page describes its settings once
// (stable ASCII key, kind, range, default, the control that holds it); that one
// table resets the page's controls, reads them back, and gives the batch tool
// its parsing, error messages and --help. It is the only place a default is
// written. A page registers a TStepSpec whose run maps the values to its
// settings struct and runs the page's Preview and Apply on a document, as a
// user would.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "document/document.h"

namespace kira {

enum class TParamKind {
  Integer,        // min..max
  IntegerOrAuto,  // min..max or the word "auto" (stored as kAutoValue)
  Choice,         // one of choices; stored as the index
  HexColor,       // six hex digits RRGGBB; stored as 0xRRGGBB
};

inline constexpr int kAutoValue = -1;

struct TParamSpec {
  std::string key;
  TParamKind kind = TParamKind::Integer;
  int min = 0;
  int max = 0;
  int def = 0;                       // default value, or default choice index
  std::vector<std::string> choices;  // Choice only
  std::string help;                  // extra words for --help, if any
  // The editor's control holding the value (object name): a spin edit, track
  // bar or check box for the integer kinds; for a Choice, one radio button per
  // choice in the same order. Empty where no control holds it as such.
  std::string control;
  std::vector<std::string> choiceControls;
};

class TStepValues {
 public:
  TStepValues() = default;
  explicit TStepValues(const std::vector<TParamSpec>* params) : params_(params) {}
  // The given value, or the parameter's default. A key that is not in the
  // table throws std::out_of_range: a mistyped key never reads as 0.
  int Get(const std::string& key) const;
  bool Given(const std::string& key) const { return given_.count(key) != 0; }
  // Also refuses (std::out_of_range) a key that is not in the table.
  void Set(const std::string& key, int value);
  void SetDefaults(const std::vector<TParamSpec>* params) { params_ = params; }
  const std::vector<TParamSpec>* Params() const { return params_; }

 private:
  const std::vector<TParamSpec>* params_ = nullptr;
  std::map<std::string, int> given_;
};

struct TStepSpec {
  std::string name;
  std::string page;  // what the step does, for --help
  std::vector<TParamSpec> params;
  // Cross-key checks (a range that depends on another key); returns "" when
  // fine, otherwise a message naming the offending word.
  std::function<std::string(const TStepValues&)> check;
  // Opens the page, sets the values, Preview, Apply. False with a message when
  // the step cannot run.
  std::function<bool(TDocument&, const TStepValues&, std::string& error)> run;
};

// Parses "NAME" or "NAME:KEY=VALUE[,KEY=VALUE...]" against the registered
// steps. On a usage error returns nullptr with a message naming the word.
const TStepSpec* ParseStep(const std::vector<TStepSpec>& steps, const std::string& text,
                           TStepValues& values, std::string& error);

// One line per step with its keys, ranges and defaults.
std::string DescribeSteps(const std::vector<TStepSpec>& steps);

// A word of the command line as a usage error echoes it: in quotes, cut to
// 40 characters with "..." after them, a control character (a line break)
// shown as '?', so that the message stays one short line.
std::string QuoteWord(const std::string& word);

// Integer parsing shared by the batch tool: optional sign, decimal digits,
// no spaces; false when not an integer or out of the int range.
bool ParseInt(const std::string& text, long long& value);

}  // namespace kira
