#include "ui/pages/page_monochrome.h"

#include <QRadioButton>
#include <QVBoxLayout>

#include "document/document.h"
#include "ui/pages/page_controls.h"

namespace kira {

TPageMonochrome::TPageMonochrome(TFormMain& main) : TEffectPage(main, 4, QStringLiteral("ButtonMonochrome")) {
  const struct {
    const char* caption;
    const char* background;
  } kinds[kGreyKindCount] = {
      {"モノクローム", "#000000"}, {"赤フィルター", "#ff0000"},   {"緑フィルター", "#008000"},
      {"青フィルター", "#0000ff"}, {"グレースケール", "#808080"},
  };
  const TParamSpec& kind = MonochromeParams().front();
  for (int k = 0; k < kGreyKindCount; ++k) {
    radios_[k] = MakeRadio(this, kind.choiceControls[k].c_str(), kinds[k].caption);
    radios_[k]->setStyleSheet(QStringLiteral("QRadioButton { background-color: %1; color: white; padding: 2px; }")
                                  .arg(QString::fromLatin1(kinds[k].background)));
    Body()->addWidget(radios_[k]);
  }
  radios_[0]->setChecked(true);
}

void TPageMonochrome::TabSheetShow() { ResetControls(this, MonochromeParams()); }

TMonochromeSettings TPageMonochrome::Settings() const {
  TMonochromeSettings s;
  for (int k = 0; k < kGreyKindCount; ++k) s.checked[k] = radios_[k]->isChecked();
  return s;
}

void TPageMonochrome::Preview() { MonochromePreview(Doc(), Settings()); }

void TPageMonochrome::Apply() { ApplyMonochrome(Doc(), Settings()); }

}  // namespace kira
