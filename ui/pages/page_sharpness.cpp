#include "ui/pages/page_sharpness.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "ui/form_main.h"
#include "ui/pages/page_controls.h"

namespace kira {

TPageSharpness::TPageSharpness(TFormMain& main)
    : TEffectPage(main, 7, QStringLiteral("ButtonSHARP")) {
  auto* group = new QGroupBox(QStringLiteral("シャープネス"), this);
  group->setObjectName(QStringLiteral("GroupBox13"));
  auto* column = new QVBoxLayout(group);
  const TParamSpec& amount = ParamRow(SharpnessParams(), "amount");
  trackBarSharp_ = MakeTrackBar(group, {"TrackBarSharp", amount.min, amount.max, amount.def, 20, 10, "0～100"});
  AddEndLabelledRow(column, group, trackBarSharp_, nullptr, nullptr);
  // In the order the page tests them.
  column->addWidget(MakeRadio(group, "RadioButtonSharpen", "シャープン"));
  column->addWidget(MakeRadio(group, "RadioButtonFocus", "フォーカス"));
  Body()->addWidget(group);
  ResetControls(this, SharpnessParams());
}

void TPageSharpness::OpenFromMenu() {
  trackBarSharp_->setValue(0);
  TEffectPage::OpenFromMenu();
}

void TPageSharpness::TabSheetShow() { ResetControls(this, SharpnessParams()); }

TSharpnessSettings TPageSharpness::Settings() const {
  return SharpnessSettingsOf(ReadControls(this, SharpnessParams()));
}

void TPageSharpness::Preview() { SharpnessPreview(Doc(), Settings()); }

void TPageSharpness::Apply() { ApplySharpness(Doc(), Settings()); }

}  // namespace kira
