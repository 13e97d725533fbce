#include "pages/rotate_page.h"

#include <string>

#include "effects/geometry.h"

namespace kira {

bool ApplyTurnInto(const TBitmap& from, TBitmap& into, TTurn turn) {
  switch (turn) {
    case TTurn::Left: return RotateBitmap90Into(from, into, 0);
    case TTurn::Right: return RotateBitmap90Into(from, into, 1);
    case TTurn::Flip: return FlipBitmapInto(from, into, 1);
  }
  return false;
}

bool ApplyTurn(TBitmap& image, TTurn turn) { return ApplyTurnInto(image, image, turn); }

namespace {

constexpr const char* kTurnNames[] = {"left", "right", "flip"};
constexpr TTurn kTurns[] = {TTurn::Left, TTurn::Right, TTurn::Flip};

// A picture whose pixels all differ, small and not square, so that two press
// sequences turn it alike exactly when they turn every picture alike.
TBitmap Probe() {
  TBitmap probe(3, 2, TPixelFormat::pf24bit);
  for (int y = 0; y < 2; ++y) {
    for (int i = 0; i < 9; ++i) probe.ScanLine(y)[i] = static_cast<std::uint8_t>(y * 9 + i + 1);
  }
  return probe;
}

TBitmap Turned(std::vector<TTurn> turns) {
  TBitmap b = Probe();
  for (TTurn t : turns) ApplyTurn(b, t);
  return b;
}

std::string TurnLines(const std::vector<TTurn>& turns) {
  if (turns.empty()) return "# rotate: the presses turned the picture back as it was";
  std::string lines;
  for (TTurn t : turns) lines += std::string(lines.empty() ? "" : "\n") + "rotate:turn=" + kTurnNames[static_cast<int>(t)];
  return lines;
}

std::vector<TTurn> TurnsOfLines(const std::string& lines) {
  std::vector<TTurn> turns;
  std::size_t start = 0;
  while (start < lines.size()) {
    std::size_t end = lines.find('\n', start);
    if (end == std::string::npos) end = lines.size();
    const std::string line = lines.substr(start, end - start);
    for (int t = 0; t < 3; ++t) {
      if (line == std::string("rotate:turn=") + kTurnNames[t]) turns.push_back(kTurns[t]);
    }
    start = end + 1;
  }
  return turns;
}

}  // namespace

std::vector<TTurn> FewestTurns(const std::vector<TTurn>& turns) {
  const TBitmap target = Turned(turns);
  // Each of the eight turns and mirrors of a picture is three presses at most.
  std::vector<std::vector<TTurn>> level = {{}};
  for (int length = 0; length <= 3; ++length) {
    std::vector<std::vector<TTurn>> next;
    for (const std::vector<TTurn>& seq : level) {
      if (Turned(seq) == target) return seq;
      for (TTurn t : kTurns) {
        next.push_back(seq);
        next.back().push_back(t);
      }
    }
    level = std::move(next);
  }
  return turns;
}

void TurnResult(TDocument& doc, TTurn turn) {
  const bool fresh = doc.Result().Empty();
  std::vector<TTurn> turns = fresh ? std::vector<TTurn>{} : TurnsOfLines(doc.ResultStep().line);
  doc.AccumulateFrom([turn](const TBitmap& from, TBitmap& into) { ApplyTurnInto(from, into, turn); });
  if (doc.Result().Empty()) return;
  turns.push_back(turn);
  doc.NoteResult(TurnLines(FewestTurns(turns)));
}

std::vector<TStepSpec> RotateSteps() {
  TStepSpec s;
  s.name = "rotate";
  s.page = "rotation: one press of a button, then Apply";
  s.params = {{.key = "turn", .kind = TParamKind::Choice, .def = 1, .choices = {"left", "right", "flip"}}};
  s.run = [](TDocument& doc, const TStepValues& v, std::string&) {
    TurnResult(doc, static_cast<TTurn>(v.Get("turn")));
    doc.ApplyAccumulated();
    return true;
  };
  return {s};
}

}  // namespace kira
