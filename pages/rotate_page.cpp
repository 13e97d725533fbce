#include "pages/rotate_page.h"

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

void TurnResult(TDocument& doc, TTurn turn) {
  doc.AccumulateFrom([turn](const TBitmap& from, TBitmap& into) { ApplyTurnInto(from, into, turn); });
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
