// Settings tables of the effect pages. Each page describes its settings once,
// one row per setting: the batch tool's key, kind, range and default, and the
// editor's control that holds it with everything the control needs (object
// name, range, steps, hint, caption, the value label that follows it). That
// one table builds the page's controls, resets them, reads them back, and
// gives the batch tool its parsing, error messages and --help. It is the only
// place a default, a range or a control's object name is written. A page
// registers a TStepSpec whose run maps the values to its settings struct and
// runs the page's Preview and Apply on a document, as a user would.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "document/document.h"
#include "document/translatable.h"

namespace kira {

enum class TParamKind {
  Integer,        // min..max
  IntegerOrAuto,  // min..max or the word "auto" (stored as kAutoValue)
  Choice,         // one of choices; stored as the index
  HexColor,       // six hex digits RRGGBB; stored as 0xRRGGBB
};

inline constexpr int kAutoValue = -1;

// The editor's control that holds a row's value.
enum class TControlKind {
  None,      // no control, or one the page makes itself (the colour panel)
  SpinEdit,  // a spin edit
  TrackBar,  // a horizontal track bar, ticks below
  CheckBox,  // a check box: 0 or 1
  Radios,    // a Choice: one radio button per choice, in the choices' order
};

struct TRadioChoice {
  std::string name;     // object name
  std::string caption;
};

// One setting. Rows are written with designated initialisers, so that a row
// reads without this struct beside it.
struct TParamSpec {
  // The batch tool's side.
  std::string key;
  TParamKind kind = TParamKind::Integer;
  int min = 0;
  int max = 0;
  // The default value, or the default choice's index. A default outside
  // min..max stands for one the page takes from the picture: the control is
  // then left alone when the page is reset.
  int def = 0;
  std::vector<std::string> choices;  // Choice only
  std::string help;                  // extra words for --help, if any
  // A key that stands for one of several rows of the page's table, picked by
  // the Choice row choiceOf: perChoice names each choice's row ("" where a
  // choice has none), as "position" stands for the track bar of the chosen
  // brightness kind. PerChoiceRow gives it the range of those rows, and
  // CheckPerChoice checks a value against the chosen one.
  std::string choiceOf;
  std::vector<std::string> perChoice;

  // The editor's side.
  TControlKind control = TControlKind::None;
  std::string name;               // object name (spin edit, track bar, check box, colour panel)
  std::vector<TRadioChoice> radios;  // Radios: in the order the page tests them
  // The control's range where it differs from min..max (used when
  // controlMax > controlMin): a spin edit that may hold 0 before the page is
  // opened while the batch tool needs at least 1.
  int controlMin = 0;
  int controlMax = 0;
  // The arrow keys' step, and the step of Page Up / Page Down and of a click
  // in a track bar's groove; 0 for the usual ones (LineStep, PageStep).
  int lineStep = 0;
  int pageStep = 0;
  int tickInterval = 0;  // track bar: the spacing of its ticks
  std::string hint;       // tool tip, if any
  bool rangeHint = false;  // the tool tip is the control's range, "min～max"
  std::string caption;   // check box text
  // The value label right of a track bar: object name, its text until the
  // track bar first moves (when empty, the default's text), and the text for
  // a position after that.
  std::string label;
  std::string labelCaption;
  std::string (*format)(int position) = nullptr;

  // The control's range.
  int ControlMin() const { return controlMax > controlMin ? controlMin : min; }
  int ControlMax() const { return controlMax > controlMin ? controlMax : max; }
  // The steps the control takes. Every track bar moves by 10 on the arrow
  // keys, by its page step otherwise (10 when the row gives none), where its
  // range has at least four times as many positions; in a shorter range the
  // arrow step is 1 and the page step a quarter of the positions (at least
  // 1), so that no step runs from one end to the other. A spin edit steps
  // by 1.
  int LineStep() const {
    if (lineStep > 0 || control != TControlKind::TrackBar) return lineStep > 0 ? lineStep : 1;
    return Fits(kTrackBarStep) ? kTrackBarStep : 1;
  }
  int PageStep() const {
    const int step = pageStep > 0 ? pageStep : kTrackBarStep;
    return Fits(step) ? step : std::max(1, (ControlMax() - ControlMin() + 1) / 4);
  }
  static constexpr int kTrackBarStep = 10;
  // Whether resetting the page sets the control to def.
  bool HasDefault() const { return kind == TParamKind::Choice || (def >= min && def <= max); }
  bool Fits(int step) const { return 4 * step <= ControlMax() - ControlMin() + 1; }
};

// The row of a table with the given key (std::out_of_range when there is
// none).
const TParamSpec& ParamRow(const std::vector<TParamSpec>& params, const std::string& key);

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
  // The random generator's state the step starts from (key "seed" of a step
  // that draws); none: it goes on from the state before it.
  const std::optional<std::uint32_t>& Seed() const { return seed_; }
  void SetSeed(std::uint32_t seed) { seed_ = seed; }

 private:
  const std::vector<TParamSpec>* params_ = nullptr;
  std::map<std::string, int> given_;
  std::optional<std::uint32_t> seed_;
};

// A per-choice row over table, with the range that spans its rows.
TParamSpec PerChoiceRow(const std::vector<TParamSpec>& table, TParamSpec row);
// The row of table that a per-choice row stands for under a choice; null
// where that choice has none.
const TParamSpec* RowOfChoice(const std::vector<TParamSpec>& table, const TParamSpec& row, int choice);
// "" when a given value of a per-choice row lies in the chosen choice's row;
// otherwise the usage error, naming the choice.
std::string CheckPerChoice(const std::vector<TParamSpec>& table, const TParamSpec& row, const TStepValues& values);

struct TStepSpec {
  std::string name;
  std::string page;  // what the step does, for --help
  std::vector<TParamSpec> params;
  // Cross-key checks (a range that depends on another key); returns "" when
  // fine, otherwise a message naming the offending word.
  std::function<std::string(const TStepValues&)> check;
  // The step draws from the random generator: it also takes the key "seed"
  // (0..4294967295), the generator's state before it.
  bool random = false;
  // Why the step with these values gives another picture on every run (a
  // generator seeded from the clock); "" when it repeats.
  std::function<std::string(const TStepValues&)> unrepeatable;
  // Opens the page, sets the values, Preview, Apply. False with a message when
  // the step cannot run.
  std::function<bool(TDocument&, const TStepValues&, std::string& error)> run;
};

// The key a random step takes for the generator's state before it.
inline constexpr const char* kSeedKey = "seed";

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
