// Texts below the window layer that reach the editor's window (page captions,
// radio and check box captions, tool tips, value-label patterns, the program's
// name) are written in Japanese, the source language, and marked with
// KIRA_TR_NOOP(context, text). The mark changes nothing here: the text stays
// the plain literal, and kirabox-batch never translates. The translation tool
// (lupdate, told that KIRA_TR_NOOP is QT_TRANSLATE_NOOP) collects them under
// their context, and the editor looks each up where it puts it on a widget.
#pragma once

#include <initializer_list>
#include <string>

#define KIRA_TR_NOOP(context, text) text

namespace kira {

// The contexts of the marked texts.
inline constexpr const char* kTrPages = "kira::Pages";        // page captions
inline constexpr const char* kTrSettings = "kira::Settings";  // settings-table captions and hints
inline constexpr const char* kTrLabels = "kira::Labels";      // value-label patterns
inline constexpr const char* kTrTitle = "kira::Title";        // the program's name

// A pattern with %1, %2, … filled in, as the editor's translated patterns are.
inline std::string FillIn(std::string pattern, std::initializer_list<std::string> args) {
  int n = 1;
  for (const std::string& arg : args) {
    const std::string mark = "%" + std::to_string(n++);
    if (const auto at = pattern.find(mark); at != std::string::npos) pattern.replace(at, mark.size(), arg);
  }
  return pattern;
}

}  // namespace kira
