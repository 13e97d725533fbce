// The brightness page: gamma, exposure by tilt, exposure by shift and
// contrast, each with a track bar and a value label, and the curve picture.
// The labels, pictures and curves come from pages/brightness_page.h; this
// class only holds the controls.
#pragma once

#include <array>

#include "core/bitmap.h"
#include "pages/brightness_page.h"
#include "ui/pages/effect_page.h"

class QLabel;
class QRadioButton;
class QSlider;

namespace kira {

class TPageBrightness : public TEffectPage {
  Q_OBJECT

 public:
  TPageBrightness(TFormMain& main, const TPageEntry& page);

  // ButtonBrightClick: the tilt, shift and contrast track bars go to their
  // defaults (their change handlers run), then the page opens.
  void OpenFromMenu() override;
  // TabSheet6Show: the default kind selected, all four track bars at their
  // defaults, the identity line in the picture.
  void TabSheetShow() override;
  // ButtonGammaCorrectionClick.
  void Preview() override;
  TPreviewTask PreviewTask() override;
  // ButtonOK6Click.
  void Apply() override;

  // The controls as the page's settings.
  TBrightnessSettings Settings() const;
  // The picture ImageGamma shows (255 x 255 before it is stretched).
  const TBitmap& CurvePicture() const { return picture_; }

 private:
  // TrackBarGammaChange, TrackBarBrightness1Change, TrackBarBrightness2Change,
  // TrackBarContrastChange.
  void TrackBarChange(TBrightnessKind kind);
  // RadioButtonGammaClick, RadioButtonBrightness1Click,
  // RadioButtonBrightness2Click, RadioButtonContrastClick.
  void RadioClick(TBrightnessKind kind);
  void Show(TBrightnessKind kind, TBrightnessView view);
  void ShowPicture(TBitmap picture);

  // By kind: gamma, tilt, shift, contrast.
  std::array<QRadioButton*, kBrightnessKindCount> radios_{};
  std::array<QSlider*, kBrightnessKindCount> bars_{};
  std::array<QLabel*, kBrightnessKindCount> labels_{};
  QLabel* imageGamma_ = nullptr;
  TBitmap picture_;
};

}  // namespace kira
