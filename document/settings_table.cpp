#include "document/settings_table.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace kira {

namespace {

const TParamSpec& FindParam(const std::vector<TParamSpec>* params, const std::string& key) {
  if (params) {
    for (const TParamSpec& p : *params) {
      if (p.key == key) return p;
    }
  }
  throw std::out_of_range("no setting '" + key + "' in the page's table");
}

}  // namespace

const TParamSpec& ParamRow(const std::vector<TParamSpec>& params, const std::string& key) {
  return FindParam(&params, key);
}

TParamSpec PerChoiceRow(const std::vector<TParamSpec>& table, TParamSpec row) {
  bool first = true;
  for (std::size_t i = 0; i < row.perChoice.size(); ++i) {
    if (const TParamSpec* target = RowOfChoice(table, row, static_cast<int>(i))) {
      row.min = first ? target->min : std::min(row.min, target->min);
      row.max = first ? target->max : std::max(row.max, target->max);
      first = false;
    }
  }
  return row;
}

const TParamSpec* RowOfChoice(const std::vector<TParamSpec>& table, const TParamSpec& row, int choice) {
  if (choice < 0 || choice >= static_cast<int>(row.perChoice.size())) return nullptr;
  const std::string& key = row.perChoice[static_cast<std::size_t>(choice)];
  return key.empty() ? nullptr : &FindParam(&table, key);
}

std::string CheckPerChoice(const std::vector<TParamSpec>& table, const TParamSpec& row, const TStepValues& values) {
  if (!values.Given(row.key)) return "";
  const int choice = values.Get(row.choiceOf);
  const std::string& name = FindParam(&table, row.choiceOf).choices.at(static_cast<std::size_t>(choice));
  const TParamSpec* target = RowOfChoice(table, row, choice);
  if (!target) return "'" + row.key + "' is refused for " + name + ", which has no " + row.key;
  const int v = values.Get(row.key);
  if (v >= target->min && v <= target->max) return "";
  return row.key + " '" + std::to_string(v) + "' is outside " + std::to_string(target->min) + ".." +
         std::to_string(target->max) + " for " + name;
}

int TStepValues::Get(const std::string& key) const {
  const TParamSpec& p = FindParam(params_, key);
  if (auto it = given_.find(key); it != given_.end()) return it->second;
  return p.def;
}

void TStepValues::Set(const std::string& key, int value) {
  FindParam(params_, key);
  given_[key] = value;
}

std::string QuoteWord(const std::string& word) {
  constexpr std::size_t kShown = 40;
  std::string shown = "'";
  std::size_t characters = 0;
  for (const char c : word) {
    const auto byte = static_cast<unsigned char>(c);
    const bool starts = (byte & 0xC0) != 0x80;  // not a UTF-8 continuation byte
    if (starts && characters++ == kShown) {
      shown += "...";
      break;
    }
    shown += byte < 0x20 || byte == 0x7F ? '?' : c;
  }
  return shown + "'";
}

bool ParseInt(const std::string& text, long long& value) {
  if (text.empty() || text.size() > 20) return false;
  std::size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (i == text.size()) return false;
  for (std::size_t j = i; j < text.size(); ++j) {
    if (!std::isdigit(static_cast<unsigned char>(text[j]))) return false;
  }
  errno = 0;
  value = std::strtoll(text.c_str(), nullptr, 10);
  return errno == 0;
}

namespace {

bool ParseHexColor(const std::string& text, int& value) {
  if (text.size() != 6) return false;
  int v = 0;
  for (char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    v = v * 16 + (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10);
  }
  value = v;
  return true;
}

std::string JoinChoices(const std::vector<std::string>& choices) {
  std::string s;
  for (const std::string& c : choices) s += (s.empty() ? "" : ", ") + c;
  return s;
}

bool ParseValue(const TParamSpec& p, const std::string& text, int& value, std::string& error) {
  switch (p.kind) {
    case TParamKind::Choice:
      for (std::size_t i = 0; i < p.choices.size(); ++i) {
        if (p.choices[i] == text) {
          value = static_cast<int>(i);
          return true;
        }
      }
      error = QuoteWord(text) + " is not a value of '" + p.key + "' (" + JoinChoices(p.choices) + ")";
      return false;
    case TParamKind::HexColor:
      if (ParseHexColor(text, value)) return true;
      error = QuoteWord(text) + " is not a colour for '" + p.key + "' (six hex digits RRGGBB)";
      return false;
    case TParamKind::IntegerOrAuto:
      if (text == "auto") {
        value = kAutoValue;
        return true;
      }
      [[fallthrough]];
    case TParamKind::Integer: {
      long long v = 0;
      if (!ParseInt(text, v)) {
        error = QuoteWord(text) + " is not an integer for '" + p.key + "'";
        return false;
      }
      if (v < p.min || v > p.max) {
        error = QuoteWord(text) + " is outside the range of '" + p.key + "' (" + std::to_string(p.min) + ".." +
                std::to_string(p.max) + ")";
        return false;
      }
      value = static_cast<int>(v);
      return true;
    }
  }
  return false;
}

}  // namespace

const TStepSpec* ParseStep(const std::vector<TStepSpec>& steps, const std::string& text, TStepValues& values,
                           std::string& error) {
  const std::size_t colon = text.find(':');
  const std::string name = text.substr(0, colon);
  const TStepSpec* step = nullptr;
  for (const TStepSpec& s : steps) {
    if (s.name == name) step = &s;
  }
  if (!step) {
    error = "unknown step " + QuoteWord(name);
    return nullptr;
  }
  values = TStepValues();
  values.SetDefaults(&step->params);
  if (colon != std::string::npos) {
    const std::string rest = text.substr(colon + 1);
    std::size_t start = 0;
    while (true) {
      const std::size_t comma = rest.find(',', start);
      const std::string item = rest.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      const std::size_t eq = item.find('=');
      if (eq == std::string::npos) {
        error = QuoteWord(item) + " in step '" + name + "' is not KEY=VALUE";
        return nullptr;
      }
      const std::string key = item.substr(0, eq);
      const std::string val = item.substr(eq + 1);
      if (step->random && key == kSeedKey) {
        long long seed = 0;
        if (!ParseInt(val, seed) || seed < 0 || seed > 4294967295LL) {
          error = QuoteWord(val) + " is not a seed for '" + name + "' (0..4294967295)";
          return nullptr;
        }
        values.SetSeed(static_cast<std::uint32_t>(seed));
        if (comma == std::string::npos) break;
        start = comma + 1;
        continue;
      }
      const TParamSpec* param = nullptr;
      for (const TParamSpec& p : step->params) {
        if (p.key == key) param = &p;
      }
      if (!param) {
        error = "unknown key " + QuoteWord(key) + " for step '" + name + "'";
        return nullptr;
      }
      int v = 0;
      if (!ParseValue(*param, val, v, error)) return nullptr;
      values.Set(key, v);
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  }
  if (step->check) {
    error = step->check(values);
    if (!error.empty()) return nullptr;
  }
  return step;
}

std::string DescribeSteps(const std::vector<TStepSpec>& steps) {
  std::ostringstream out;
  for (const TStepSpec& s : steps) {
    out << "  " << s.name << "  -- " << s.page << "\n";
    for (const TParamSpec& p : s.params) {
      out << "      " << p.key << ": ";
      switch (p.kind) {
        case TParamKind::Choice:
          out << JoinChoices(p.choices) << " (" << p.choices.at(static_cast<std::size_t>(p.def)) << ")";
          break;
        case TParamKind::HexColor: {
          char buf[8];
          std::snprintf(buf, sizeof buf, "%06x", p.def);
          out << "RRGGBB (" << buf << ")";
          break;
        }
        case TParamKind::IntegerOrAuto:
          out << p.min << ".." << p.max << " or auto (" << (p.def == kAutoValue ? std::string("auto") : std::to_string(p.def)) << ")";
          break;
        case TParamKind::Integer:
          out << p.min << ".." << p.max;
          // A default outside the range stands for one taken from the picture
          // (the help text says which); it is not printed as a number.
          if (p.def >= p.min && p.def <= p.max) out << " (" << p.def << ")";
          break;
      }
      if (!p.help.empty()) out << "; " << p.help;
      out << "\n";
    }
    if (s.random) {
      out << "      " << kSeedKey << ": 0..4294967295; the random generator's state before the step (by default it goes on\n"
          << "        from --seed and the steps before); a saved recipe gives it\n";
    }
  }
  return out.str();
}

}  // namespace kira
