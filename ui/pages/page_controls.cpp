#include "ui/pages/page_controls.h"

#include <QBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>

namespace kira {

QSlider* MakeTrackBar(QWidget* parent, const TTrackBarSpec& spec) {
  auto* bar = new QSlider(Qt::Horizontal, parent);
  bar->setObjectName(QString::fromLatin1(spec.name));
  bar->setRange(spec.min, spec.max);
  bar->setValue(spec.value);
  if (spec.pageSize > 0) bar->setPageStep(spec.pageSize);
  bar->setTickPosition(QSlider::TicksBelow);
  bar->setTickInterval(spec.frequency);
  bar->setToolTip(QString::fromUtf8(spec.hint));
  return bar;
}

QLabel* MakeValueLabel(QWidget* parent, const char* name, const char* caption) {
  auto* label = new QLabel(QString::fromUtf8(caption), parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setFixedWidth(30);
  return label;
}

QRadioButton* MakeRadio(QWidget* parent, const char* name, const char* caption) {
  auto* radio = new QRadioButton(QString::fromUtf8(caption), parent);
  radio->setObjectName(QString::fromLatin1(name));
  return radio;
}

void AddEndLabelledRow(QBoxLayout* into, QWidget* parent, QSlider* trackBar,
                       const char* leftName, const char* rightName) {
  auto* row = new QHBoxLayout;
  auto* left = new QLabel(QStringLiteral("弱"), parent);
  auto* right = new QLabel(QStringLiteral("強"), parent);
  if (leftName) left->setObjectName(QString::fromLatin1(leftName));
  if (rightName) right->setObjectName(QString::fromLatin1(rightName));
  row->addWidget(left);
  row->addWidget(trackBar, 1);
  row->addWidget(right);
  into->addLayout(row);
}

void AddValueRow(QBoxLayout* into, QSlider* trackBar, QLabel* valueLabel) {
  auto* row = new QHBoxLayout;
  row->addWidget(trackBar, 1);
  row->addWidget(valueLabel);
  into->addLayout(row);
}

}  // namespace kira
