#include "ui/pages/page_colorfilter.h"

#include <QColorDialog>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

#include "document/document.h"
#include "tone/color_filter.h"
#include "ui/form_main.h"
#include "ui/pages/page_controls.h"

namespace kira {

namespace {

QColor ToQColor(std::uint32_t color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

// Four coloured squares: the button's glyph.
QIcon PaletteGlyph() {
  QPixmap glyph(16, 16);
  glyph.fill(Qt::transparent);
  QPainter p(&glyph);
  p.fillRect(1, 1, 6, 6, Qt::red);
  p.fillRect(9, 1, 6, 6, Qt::green);
  p.fillRect(1, 9, 6, 6, Qt::blue);
  p.fillRect(9, 9, 6, 6, Qt::yellow);
  return QIcon(glyph);
}

}  // namespace

TPageColorFilter::TPageColorFilter(TFormMain& main, const TPageEntry& page)
    : TTablePage(main, page, QStringLiteral("ButtonCOL"), kColorFilterEffect) {
  auto* group = new QGroupBox(tr("カラー"), this);
  group->setObjectName(QStringLiteral("GroupBox6"));
  auto* colourRow = new QHBoxLayout(group);
  panelCOL_ = new QFrame(group);
  panelCOL_->setObjectName(QString::fromStdString(ParamRow(Params(), "color").name));
  panelCOL_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panelCOL_->setFixedSize(64, 25);
  panelCOL_->setAutoFillBackground(true);
  speedButton1_ = new QToolButton(group);
  speedButton1_->setObjectName(QStringLiteral("SpeedButton1"));
  speedButton1_->setIcon(PaletteGlyph());
  speedButton1_->setFixedSize(25, 25);
  colourRow->addWidget(panelCOL_);
  colourRow->addWidget(speedButton1_);
  colourRow->addStretch(1);
  Body()->addWidget(group);

  auto* densityRow = new QHBoxLayout;
  auto* label6 = new QLabel(tr("濃度"), this);
  label6->setObjectName(QStringLiteral("Label6"));
  densityRow->addWidget(label6);
  densityRow->addWidget(Make(this, "density").spinEdit);
  densityRow->addStretch(1);
  Body()->addLayout(densityRow);

  SetFilterColor(OpenedColorFilterSettings().color);
  connect(speedButton1_, &QToolButton::clicked, this, [this] { Main().Run([this] { SpeedButton1Click(); }); });
}

void TPageColorFilter::SetFilterColor(std::uint32_t color) {
  color_ = color & 0xFFFFFF;
  QPalette palette = panelCOL_->palette();
  palette.setColor(QPalette::Window, ToQColor(color_));
  panelCOL_->setPalette(palette);
}

void TPageColorFilter::OpenFromMenu() {
  if (const TBitmap* image = ColorFilterHistogramImage(Doc())) Main().DrawHistogram(*image);
  TEffectPage::OpenFromMenu();
}

void TPageColorFilter::TabSheetShow() {
  const TColorFilterSettings opened = OpenedColorFilterSettings();
  SetFilterColor(opened.color);
  ResetControls(this, Params());
}

void TPageColorFilter::SpeedButton1Click() {
  QColorDialog dialog(dialogColor_, this);
  dialog.setObjectName(QStringLiteral("ColorDialog1"));
  if (dialog.exec() != QDialog::Accepted) return;
  dialogColor_ = dialog.selectedColor();
  SetFilterColor(ColorRef(static_cast<std::uint8_t>(dialogColor_.red()), static_cast<std::uint8_t>(dialogColor_.green()),
                          static_cast<std::uint8_t>(dialogColor_.blue())));
  SettingsChanged(panelCOL_);
}

TStepValues TPageColorFilter::StepValues() const {
  TStepValues values = ReadControls(this, Params());
  values.Set("color", RgbHexOfColor(color_));
  return values;
}

TColorFilterSettings TPageColorFilter::Settings() const {
  return {color_, ReadControls(this, Params()).Get("density")};
}

}  // namespace kira
