#include "pages/rotate_page.h"

#include "effects/geometry.h"

namespace kira {

bool ApplyTurn(TBitmap& image, TTurn turn) {
  switch (turn) {
    case TTurn::Left: return RotateBitmap90(image, 0);
    case TTurn::Right: return RotateBitmap90(image, 1);
    case TTurn::Flip: return FlipBitmap(image, 1);
  }
  return false;
}

void TurnResult(TDocument& doc, TTurn turn) {
  doc.Accumulate([turn](TBitmap& result) { ApplyTurn(result, turn); });
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
