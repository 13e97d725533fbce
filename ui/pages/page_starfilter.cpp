#include "ui/pages/page_starfilter.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "document/document.h"
#include "starfilter/editing.h"
#include "ui/form_main.h"
#include "ui/pages/page_controls.h"

namespace kira {

namespace {

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

QToolButton* MakeSpeedButton(QWidget* parent, const QString& name, bool checkable) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setCheckable(checkable);
  button->setAutoRaise(false);
  button->setFixedSize(25, 25);
  return button;
}

enum class TToolGlyph { Cut, Put };

QIcon ToolIcon(TToolGlyph glyph) {
  QPixmap pixmap(18, 18);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  const QColor ink(0, 64, 160);
  if (glyph == TToolGlyph::Cut) {
    // A dashed selection with a cross: points inside it go.
    p.setPen(QPen(ink, 1, Qt::DashLine));
    p.drawRect(2, 2, 13, 13);
    p.setPen(QPen(Qt::red, 2));
    p.drawLine(5, 5, 12, 12);
    p.drawLine(12, 5, 5, 12);
  } else {
    // A small star: a point is added.
    p.setPen(QPen(ink, 2));
    p.drawLine(9, 2, 9, 16);
    p.drawLine(2, 9, 16, 9);
    p.setPen(QPen(ink, 1));
    p.drawLine(4, 4, 14, 14);
    p.drawLine(14, 4, 4, 14);
  }
  p.end();
  return QIcon(pixmap);
}

}  // namespace

TPageStarFilter::TPageStarFilter(TFormMain& main, const TPageEntry& page)
    : TEffectPage(main, page, QStringLiteral("ButtonAPP")) {
  auto make = [this](QWidget* parent, const char* key) { return MakeControls(parent, ParamRow(StarParams(), key)); };
  // Threshold and density, with the automatic threshold beside the former.
  auto* pointsGrid = new QGridLayout;
  spinEditV_ = make(this, "threshold").spinEdit;
  speedButtonVA_ = MakeSpeedButton(this, QStringLiteral("SpeedButtonVA"), true);
  speedButtonVA_->setText(QStringLiteral("A"));
  spinEditM_ = make(this, "density").spinEdit;
  pointsGrid->addWidget(new QLabel(tr("しきい値"), this), 0, 0);
  pointsGrid->addWidget(spinEditV_, 0, 1);
  pointsGrid->addWidget(speedButtonVA_, 0, 2);
  pointsGrid->addWidget(new QLabel(tr("密度"), this), 1, 0);
  pointsGrid->addWidget(spinEditM_, 1, 1);
  Body()->addLayout(pointsGrid);

  // Bright-point operations: extract, reset, and the editing tools.
  auto* pointsBox = new QGroupBox(tr("輝点操作"), this);
  auto* pointsLayout = new QVBoxLayout(pointsBox);
  buttonBPC_ = MakeButton(pointsBox, QStringLiteral("ButtonBPC"), tr("輝点抽出"));
  buttonBPR_ = MakeButton(pointsBox, QStringLiteral("ButtonBPR"), tr("輝点リセット"));
  pointsLayout->addWidget(buttonBPC_);
  pointsLayout->addWidget(buttonBPR_);
  auto* tools = new QHBoxLayout;
  speedButtonCUT_ = MakeSpeedButton(pointsBox, QStringLiteral("SpeedButtonCUT"), true);
  speedButtonCUT_->setIcon(ToolIcon(TToolGlyph::Cut));
  speedButtonCUT_->setToolTip(tr("範囲内の輝点を削除"));
  speedButtonPUT_ = MakeSpeedButton(pointsBox, QStringLiteral("SpeedButtonPUT"), true);
  speedButtonPUT_->setIcon(ToolIcon(TToolGlyph::Put));
  speedButtonPUT_->setToolTip(tr("輝点を追加"));
  speedButtonNOP_ = MakeSpeedButton(pointsBox, QStringLiteral("SpeedButtonNOP"), false);
  speedButtonNOP_->setText(QStringLiteral("R"));
  tools->addWidget(speedButtonCUT_);
  tools->addWidget(speedButtonPUT_);
  tools->addWidget(speedButtonNOP_);
  tools->addStretch(1);
  pointsLayout->addLayout(tools);
  // The size of added points; a group of its own, apart from the kind.
  auto* sizes = new QWidget(pointsBox);
  auto* sizesLayout = new QHBoxLayout(sizes);
  sizesLayout->setContentsMargins(0, 0, 0, 0);
  radioButton1_ = new QRadioButton(QStringLiteral("x1"), sizes);
  radioButton1_->setObjectName(QStringLiteral("RadioButton1"));
  radioButton2_ = new QRadioButton(QStringLiteral("x2"), sizes);
  radioButton2_->setObjectName(QStringLiteral("RadioButton2"));
  radioButton3_ = new QRadioButton(QStringLiteral("x3"), sizes);
  radioButton3_->setObjectName(QStringLiteral("RadioButton3"));
  radioButton1_->setChecked(true);
  sizesLayout->addWidget(radioButton1_);
  sizesLayout->addWidget(radioButton2_);
  sizesLayout->addWidget(radioButton3_);
  pointsLayout->addWidget(sizes);
  Body()->addWidget(pointsBox);

  // The rays.
  auto* raysGrid = new QGridLayout;
  spinEditL_ = make(this, "length").spinEdit;
  spinEditR_ = make(this, "angle").spinEdit;
  spinEditD_ = make(this, "intensity").spinEdit;
  raysGrid->addWidget(new QLabel(tr("長さ"), this), 0, 0);
  raysGrid->addWidget(spinEditL_, 0, 1);
  raysGrid->addWidget(new QLabel(tr("角度"), this), 1, 0);
  raysGrid->addWidget(spinEditR_, 1, 1);
  raysGrid->addWidget(new QLabel(tr("濃度"), this), 2, 0);
  raysGrid->addWidget(spinEditD_, 2, 1);
  Body()->addLayout(raysGrid);
  // Both grids share the label column's width, so the spin edits line up.
  for (QGridLayout* grid : {pointsGrid, raysGrid}) {
    grid->setColumnMinimumWidth(0, 60);
    grid->setColumnStretch(3, 1);
  }

  auto* kindBox = new QGroupBox(tr("種別"), this);
  auto* kindLayout = new QVBoxLayout(kindBox);
  const std::vector<QRadioButton*> kinds = make(kindBox, "kind").radios;
  radioButtonCROSS_ = kinds.at(0);
  radioButtonSNOW_ = kinds.at(1);
  radioButtonSUNNY_ = kinds.at(2);
  kindLayout->addWidget(radioButtonCROSS_);
  kindLayout->addWidget(radioButtonSNOW_);
  kindLayout->addWidget(radioButtonSUNNY_);
  Body()->addWidget(kindBox);

  checkBoxSoftX_ = make(this, "soft").checkBox;
  Body()->addWidget(checkBoxSoftX_);

  // The third view button, between "オリジナル" and "加工後".
  buttonBP1_ = MakeButton(ViewGroup(), QStringLiteral("ButtonBP1"), tr("輝点"));
  buttonBP1_->setFixedSize(121, 25);
  ViewLayout()->insertWidget(1, buttonBP1_, 0, Qt::AlignHCenter);

  connect(buttonBP1_, &QPushButton::clicked, this, [this] { Main().Run([this] { Doc().ShowBrightPoints(); }); });
  connect(buttonBPC_, &QPushButton::clicked, this, [this] { Main().Run([this] { ButtonBPCClick(); }); });
  connect(buttonBPR_, &QPushButton::clicked, this, [this] { Main().Run([this] { ButtonBPRClick(); }); });
  connect(speedButtonVA_, &QToolButton::clicked, this, [this] { Main().Run([this] { SpeedButtonVAClick(); }); });
  connect(speedButtonNOP_, &QToolButton::clicked, this,
          [this] { Main().Run([this] { SpeedButtonNOPClick(); }); });
  connect(speedButtonCUT_, &QToolButton::toggled, this,
          [this](bool down) { ToolButtonToggled(TEditTool::Cut, down); });
  connect(speedButtonPUT_, &QToolButton::toggled, this,
          [this](bool down) { ToolButtonToggled(TEditTool::Put, down); });
  // A tool acts only while its page is shown: leaving the page (Apply,
  // Cancel, an open, an undo) releases it, so that the picture can be dragged
  // again on the menu page.
  connect(Main().PageControl(), &QTabWidget::currentChanged, this, [this](int index) {
    if (index != Number() && settings_.Tool != TEditTool::None) SpeedButtonNOPClick();
  });
}

void TPageStarFilter::ReadControls() {
  // Radio buttons are tested in the table's order; the first one selected wins.
  StarSettingsFrom(kira::ReadControls(this, StarParams()), settings_);
  settings_.PointSize = radioButton2_->isChecked() ? 2 : (radioButton3_->isChecked() ? 3 : 1);
}

void TPageStarFilter::WriteControls() {
  const QSignalBlocker b1(spinEditV_), b2(spinEditM_), b3(spinEditL_), b4(spinEditR_), b5(spinEditD_);
  spinEditV_->setValue(settings_.Threshold);
  spinEditL_->setValue(settings_.Length);
  spinEditR_->setValue(settings_.Angle);
  spinEditD_->setValue(settings_.Intensity);
  spinEditM_->setValue(settings_.Density);
  (settings_.PointSize == 3 ? radioButton3_ : settings_.PointSize == 2 ? radioButton2_ : radioButton1_)
      ->setChecked(true);
  (settings_.Kind == TStarKind::Sunny  ? radioButtonSUNNY_
   : settings_.Kind == TStarKind::Snow ? radioButtonSNOW_
                                       : radioButtonCROSS_)
      ->setChecked(true);
  checkBoxSoftX_->setChecked(settings_.SoftCross);
  SyncTool();
}

void TPageStarFilter::ToolButtonToggled(TEditTool tool, bool down) {
  if (down)
    settings_.Tool = tool;
  else if (settings_.Tool == tool)
    settings_.Tool = TEditTool::None;
  SyncTool();
}

void TPageStarFilter::SyncTool() {
  {
    const QSignalBlocker bc(speedButtonCUT_), bp(speedButtonPUT_);
    speedButtonCUT_->setChecked(settings_.Tool == TEditTool::Cut);
    speedButtonPUT_->setChecked(settings_.Tool == TEditTool::Put);
  }
  // A drag that was under way when the tool changed ends without an outline.
  if (settings_.Tool != TEditTool::Cut && selection_.Selecting) {
    selection_.Selecting = false;
    Main().FormImage().Shape1()->hide();
  }
  Main().FormImage().SetMouseTool(settings_.Tool == TEditTool::None ? nullptr : this);
}

void TPageStarFilter::TabSheetShow() {
  StarPageShown(Doc(), settings_);
  WriteControls();
}

void TPageStarFilter::Preview() {
  ReadControls();
  StarPreview(Doc(), settings_);
  SyncTool();
}

TPreviewTask TPageStarFilter::PreviewTask() {
  ReadControls();
  return StarPreviewTask(Doc(), settings_);
}

TPreviewRunner::TThen TPageStarFilter::AfterPreview() {
  return [this](bool) {
    ReleaseEditTools(settings_);
    SyncTool();
  };
}

void TPageStarFilter::ControlMoved(QObject* control) {
  // New points for a new threshold or density; the other settings draw the
  // rays from the points there are.
  if (control == spinEditV_ || control == spinEditM_) Doc().SetBrightPointsReady(false);
}

void TPageStarFilter::ButtonBPCClick() {
  ReadControls();
  ExtractStarPoints(Doc(), settings_);
  SyncTool();
}

void TPageStarFilter::ButtonBPRClick() { ResetStarPoints(Doc()); }

void TPageStarFilter::SpeedButtonVAClick() {
  ReadControls();
  AutoThreshold(Doc(), settings_);
  WriteControls();
  speedButtonVA_->setChecked(false);
  SettingsChanged(spinEditV_);
}

void TPageStarFilter::SpeedButtonNOPClick() {
  ReleaseEditTools(settings_);
  SyncTool();
}

void TPageStarFilter::ToolMouseDown(QPoint pos) {
  ReadControls();
  const QPoint client = pos + Main().FormImage().Image1()->pos();
  if (!StarMouseDown(Doc(), settings_, client.x(), client.y(), selection_)) return;
  TShape* shape = Main().FormImage().Shape1();
  shape->setGeometry(client.x(), client.y(), 0, 0);
  shape->show();
  shape->raise();
  Main().FormImage().SetSelecting(true);
}

void TPageStarFilter::ToolMouseMove(QPoint pos) {
  if (!selection_.Selecting) return;
  const QPoint client = pos + Main().FormImage().Image1()->pos();
  const TShapeRect r = SelectionShape(selection_.PressX, selection_.PressY, client.x(), client.y());
  Main().FormImage().Shape1()->setGeometry(r.Left, r.Top, r.Width, r.Height);
  // Let the outline be drawn while the pointer moves.
  QCoreApplication::processEvents();
}

void TPageStarFilter::ToolMouseUp(QPoint pos) {
  ReadControls();
  const QPoint image1 = Main().FormImage().Image1()->pos();
  if (settings_.Tool == TEditTool::Cut) Main().FormImage().Shape1()->hide();
  StarMouseUp(Doc(), settings_, selection_, pos.x(), pos.y(), image1.x(), image1.y());
  Main().FormImage().Image1()->update();
}

}  // namespace kira
