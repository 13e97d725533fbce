#include "pages/recipe.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "effects/random.h"

#ifndef KIRA_VERSION
#define KIRA_VERSION "0"
#endif

namespace kira {

namespace {

constexpr std::size_t kMaxRecipeBytes = std::size_t{1} << 20;
// How a step that cannot be replayed is written.
constexpr const char* kLeftOut = "# left out: ";

std::string ValueText(const TParamSpec& p, int v) {
  switch (p.kind) {
    case TParamKind::Choice: return p.choices.at(static_cast<std::size_t>(v));
    case TParamKind::HexColor: {
      char buf[8];
      std::snprintf(buf, sizeof buf, "%06x", static_cast<unsigned>(v) & 0xFFFFFFu);
      return buf;
    }
    case TParamKind::IntegerOrAuto:
      if (v == kAutoValue) return "auto";
      break;
    case TParamKind::Integer: break;
  }
  return std::to_string(v);
}

bool HasKey(const std::vector<TParamSpec>& table, const std::string& key) {
  for (const TParamSpec& p : table) {
    if (p.key == key) return true;
  }
  return false;
}

// Whether the step takes key at its value beside its choices.
bool Accepts(const TStepSpec& step, const TStepValues& values, const std::string& key) {
  if (!step.check) return true;
  TStepValues probe(&step.params);
  for (const TParamSpec& p : step.params) {
    if (p.kind == TParamKind::Choice) probe.Set(p.key, values.Get(p.key));
  }
  probe.Set(key, values.Get(key));
  return step.check(probe).empty();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Trimmed(const std::string& s) {
  const std::size_t first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

std::string StepLine(const TStepSpec& step, const TStepValues& values) {
  std::string line = step.name;
  char sep = ':';
  for (const TParamSpec& p : step.params) {
    // A default outside the range is one the step takes elsewhere (the
    // picture's size, the kind's own track bar): the step does so again.
    const bool elsewhere = p.kind == TParamKind::Integer && (p.def < p.min || p.def > p.max);
    if (elsewhere && !values.Given(p.key)) continue;
    if (p.kind != TParamKind::Choice && !Accepts(step, values, p.key)) continue;
    line += sep + p.key + "=" + ValueText(p, values.Get(p.key));
    sep = ',';
  }
  if (values.Seed()) line += sep + std::string(kSeedKey) + "=" + std::to_string(*values.Seed());
  return line;
}

std::string PageStepLine(const TPageEntry& page, const TStepValues& pageValues) {
  const std::vector<TStepSpec> steps = page.steps();
  const TStepSpec& step = steps.back();
  const std::vector<TParamSpec>& table = *pageValues.Params();
  TStepValues values(&step.params);
  for (const TParamSpec& p : step.params) {
    if (!p.choiceOf.empty()) {
      if (const TParamSpec* row = RowOfChoice(table, p, pageValues.Get(p.choiceOf))) {
        values.Set(p.key, pageValues.Get(row->key));
      }
    } else if (HasKey(table, p.key)) {
      values.Set(p.key, pageValues.Get(p.key));
    }
  }
  const std::string line = StepLine(step, values);
  if (step.unrepeatable) {
    if (const std::string why = step.unrepeatable(values); !why.empty()) return kLeftOut + line + " (" + why + ")";
  }
  return line;
}

bool RunStep(TDocument& doc, const TStepSpec& step, const TStepValues& values, std::string& error) {
  if (values.Seed()) RandSeed() = *values.Seed();
  doc.NoteStep(StepLine(step, values));
  return step.run(doc, values, error);
}

std::string RecipeHeader() { return std::string("# kirabox ") + KIRA_VERSION + " recipe"; }

bool ParseRecipe(const std::string& text, const std::string& name, std::vector<TRecipeStep>& steps,
                 std::string& error) {
  steps.clear();
  const std::vector<std::string> lines = Lines(text);
  if (lines.empty() || Trimmed(lines[0]).rfind("# kirabox ", 0) != 0) {
    error = name + ":1: not a recipe (the first line is not '# kirabox VERSION recipe')";
    return false;
  }
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string line = Trimmed(lines[i]);
    if (line.empty() || line[0] == '#') continue;
    TRecipeStep s;
    s.line = static_cast<int>(i) + 1;
    s.text = line;
    std::string why;
    s.step = ParseStep(AllSteps(), line, s.values, why);
    if (!s.step) {
      error = name + ":" + std::to_string(s.line) + ": " + why;
      steps.clear();
      return false;
    }
    steps.push_back(std::move(s));
  }
  return true;
}

bool ReadRecipe(const std::string& path, std::vector<TRecipeStep>& steps, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot read (" + std::strerror(errno) + ")";
    return false;
  }
  std::string text;
  char buf[4096];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) {
    text.append(buf, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxRecipeBytes) {
      error = path + ": too large for a recipe (over 1 MiB)";
      return false;
    }
  }
  if (in.bad()) {
    error = path + ": cannot read";
    return false;
  }
  return ParseRecipe(text, path, steps, error);
}

TRecipeText WriteRecipe(const std::vector<TStepRecord>& applied) {
  TRecipeText r;
  r.text = RecipeHeader() + "\n";
  for (const TStepRecord& record : applied) {
    const std::vector<std::string> lines = Lines(record.line);
    if (lines.empty()) {
      r.text += kLeftOut + std::string("an Apply whose settings were not recorded\n");
      ++r.leftOut;
      continue;
    }
    bool commented = false;
    for (const std::string& line : lines) {
      if (!line.empty() && line[0] == '#') {
        commented = commented || line.rfind(kLeftOut, 0) == 0;
        r.text += line + "\n";
        continue;
      }
      const TStepSpec* step = FindStep(line.substr(0, line.find(':')).c_str());
      std::string written = line;
      if (step && step->random && line.find(std::string(kSeedKey) + "=") == std::string::npos) {
        written += line.find(':') == std::string::npos ? ':' : ',';
        written += kSeedKey;
        written += '=';
        written += std::to_string(record.randomState);
      }
      r.text += written + "\n";
      ++r.steps;
    }
    if (commented) ++r.leftOut;
  }
  return r;
}

std::string SaveRecipe(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return path + ": cannot write (" + std::strerror(errno) + ")";
  out << text;
  out.close();
  if (!out) return path + ": cannot write";
  return "";
}

}  // namespace kira
