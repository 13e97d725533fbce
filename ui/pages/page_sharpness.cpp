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
  trackBarSharp_ = MakeTrackBar(group, {"TrackBarSharp", 0, 100, 0, 20, 10, "0～100"});
  AddEndLabelledRow(column, group, trackBarSharp_, nullptr, nullptr);
  radioButtonSharpen_ = MakeRadio(group, "RadioButtonSharpen", "シャープン");
  radioButtonFocus_ = MakeRadio(group, "RadioButtonFocus", "フォーカス");
  radioButtonSharpen_->setChecked(true);
  column->addWidget(radioButtonSharpen_);
  column->addWidget(radioButtonFocus_);
  Body()->addWidget(group);
}

void TPageSharpness::OpenFromMenu() {
  trackBarSharp_->setValue(0);
  TEffectPage::OpenFromMenu();
}

void TPageSharpness::TabSheetShow() {
  radioButtonSharpen_->setChecked(true);
  trackBarSharp_->setValue(0);
}

}  // namespace kira
