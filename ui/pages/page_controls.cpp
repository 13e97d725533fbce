#include "ui/pages/page_controls.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <stdexcept>

namespace kira {

QSlider* MakeTrackBar(QWidget* parent, const TTrackBarSpec& design) {
  auto* bar = new QSlider(Qt::Horizontal, parent);
  bar->setObjectName(QString::fromLatin1(design.name));
  bar->setRange(design.min, design.max);
  bar->setValue(design.value);
  if (design.pageSize > 0) bar->setPageStep(design.pageSize);
  bar->setTickPosition(QSlider::TicksBelow);
  bar->setTickInterval(design.frequency);
  bar->setToolTip(QString::fromUtf8(design.hint));
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

const TParamSpec& ParamRow(const std::vector<TParamSpec>& params, const std::string& key) {
  for (const TParamSpec& p : params) {
    if (p.key == key) return p;
  }
  throw std::out_of_range("no setting '" + key + "' in the page's table");
}

QSpinBox* MakeSpinEdit(QWidget* parent, const TParamSpec& row) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(QString::fromStdString(row.control));
  spin->setRange(row.min, row.max);
  spin->setValue(row.def);
  spin->setToolTip(QStringLiteral("%1～%2").arg(row.min).arg(row.max));
  spin->setFixedWidth(64);
  return spin;
}

int SpinValue(const QSpinBox* spin) {
  bool ok = false;
  const int v = spin->cleanText().trimmed().toInt(&ok);
  if (!ok) return spin->minimum();
  return v < spin->minimum() ? spin->minimum() : (v > spin->maximum() ? spin->maximum() : v);
}

namespace {

template <class T>
T* Find(const QWidget* page, const std::string& name) {
  return name.empty() ? nullptr : page->findChild<T*>(QString::fromStdString(name));
}

}  // namespace

void ResetControls(QWidget* page, const std::vector<TParamSpec>& params) {
  for (const TParamSpec& p : params) {
    if (auto* spin = Find<QSpinBox>(page, p.control)) {
      const QSignalBlocker quiet(spin);
      spin->setValue(p.def);
    } else if (auto* bar = Find<QSlider>(page, p.control)) {
      const QSignalBlocker quiet(bar);
      bar->setValue(p.def);
    } else if (auto* box = Find<QCheckBox>(page, p.control)) {
      const QSignalBlocker quiet(box);
      box->setChecked(p.def != 0);
    }
    if (p.kind == TParamKind::Choice && p.def >= 0 && p.def < static_cast<int>(p.choiceControls.size())) {
      if (auto* radio = Find<QRadioButton>(page, p.choiceControls[static_cast<std::size_t>(p.def)])) {
        const QSignalBlocker quiet(radio);
        radio->setChecked(true);
      }
    }
  }
}

TStepValues ReadControls(const QWidget* page, const std::vector<TParamSpec>& params) {
  TStepValues values(&params);
  for (const TParamSpec& p : params) {
    if (const auto* spin = Find<QSpinBox>(page, p.control)) {
      values.Set(p.key, SpinValue(spin));
    } else if (const auto* bar = Find<QSlider>(page, p.control)) {
      values.Set(p.key, bar->value());
    } else if (const auto* box = Find<QCheckBox>(page, p.control)) {
      values.Set(p.key, box->isChecked() ? 1 : 0);
    }
    for (std::size_t i = 0; i < p.choiceControls.size(); ++i) {
      const auto* radio = Find<QRadioButton>(page, p.choiceControls[i]);
      if (radio && radio->isChecked()) {
        values.Set(p.key, static_cast<int>(i));
        break;
      }
    }
  }
  return values;
}

}  // namespace kira
