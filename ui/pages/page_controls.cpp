#include "ui/pages/page_controls.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include "ui/translation.h"

namespace kira {

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

template <class T>
T* Find(const QWidget* page, const std::string& name) {
  return name.empty() ? nullptr : page->findChild<T*>(Text(name));
}

void ShowValue(QWidget* page, const TParamSpec& row, int value) {
  if (!row.format) return;
  if (auto* label = Find<QLabel>(page, row.label)) label->setText(Text(row.format(value)));
}

}  // namespace

TControls MakeControls(QWidget* parent, const TParamSpec& row) {
  TControls c;
  switch (row.control) {
    case TControlKind::None:
      break;
    case TControlKind::SpinEdit:
      c.spinEdit = new QSpinBox(parent);
      c.spinEdit->setObjectName(Text(row.name));
      c.spinEdit->setRange(row.ControlMin(), row.ControlMax());
      c.spinEdit->setValue(row.def);
      c.spinEdit->setSingleStep(row.LineStep());
      if (row.rangeHint) {
        c.spinEdit->setToolTip(QCoreApplication::translate("kira::PageControls", "%1～%2").arg(row.ControlMin()).arg(row.ControlMax()));
      } else if (!row.hint.empty()) {
        c.spinEdit->setToolTip(Tr(kTrSettings, row.hint));
      }
      c.spinEdit->setFixedWidth(64);
      break;
    case TControlKind::TrackBar:
      c.trackBar = new QSlider(Qt::Horizontal, parent);
      c.trackBar->setObjectName(Text(row.name));
      c.trackBar->setRange(row.ControlMin(), row.ControlMax());
      c.trackBar->setValue(row.def);
      c.trackBar->setSingleStep(row.LineStep());
      c.trackBar->setPageStep(row.PageStep());
      c.trackBar->setTickPosition(QSlider::TicksBelow);
      c.trackBar->setTickInterval(row.tickInterval);
      if (!row.hint.empty()) c.trackBar->setToolTip(Tr(kTrSettings, row.hint));
      if (!row.label.empty()) {
        const std::string caption = row.labelCaption.empty() && row.format ? row.format(row.def) : row.labelCaption;
        c.label = new QLabel(Text(caption), parent);
        c.label->setObjectName(Text(row.label));
        c.label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        c.label->setFixedWidth(30);
        if (row.format) {
          QObject::connect(c.trackBar, &QSlider::valueChanged, c.label,
                           [label = c.label, format = row.format](int v) { label->setText(Text(format(v))); });
        }
      }
      break;
    case TControlKind::CheckBox:
      c.checkBox = new QCheckBox(Tr(kTrSettings, row.caption), parent);
      c.checkBox->setObjectName(Text(row.name));
      c.checkBox->setChecked(row.def != 0);
      break;
    case TControlKind::Radios:
      for (const TRadioChoice& r : row.radios) {
        auto* radio = new QRadioButton(Tr(kTrSettings, r.caption), parent);
        radio->setObjectName(Text(r.name));
        c.radios.push_back(radio);
      }
      if (row.def >= 0 && row.def < static_cast<int>(c.radios.size()))
        c.radios[static_cast<std::size_t>(row.def)]->setChecked(true);
      break;
  }
  return c;
}

void AddEndLabelledRow(QBoxLayout* into, QWidget* parent, QSlider* trackBar,
                       const char* leftName, const char* rightName) {
  auto* row = new QHBoxLayout;
  auto* left = new QLabel(QCoreApplication::translate("kira::PageControls", "弱"), parent);
  auto* right = new QLabel(QCoreApplication::translate("kira::PageControls", "強"), parent);
  if (leftName) left->setObjectName(QString::fromLatin1(leftName));
  if (rightName) right->setObjectName(QString::fromLatin1(rightName));
  row->addWidget(left);
  row->addWidget(trackBar, 1);
  row->addWidget(right);
  into->addLayout(row);
}

void AddValueRow(QBoxLayout* into, const TControls& controls) {
  auto* row = new QHBoxLayout;
  row->addWidget(controls.trackBar, 1);
  row->addWidget(controls.label);
  into->addLayout(row);
}

int SpinValue(const QSpinBox* spin) {
  bool ok = false;
  const int v = spin->cleanText().trimmed().toInt(&ok);
  if (!ok) return spin->minimum();
  return v < spin->minimum() ? spin->minimum() : (v > spin->maximum() ? spin->maximum() : v);
}

void ResetControls(QWidget* page, const std::vector<TParamSpec>& params) {
  for (const TParamSpec& p : params) {
    if (!p.HasDefault()) continue;
    if (auto* spin = Find<QSpinBox>(page, p.name)) {
      const QSignalBlocker quiet(spin);
      spin->setValue(p.def);
    } else if (auto* bar = Find<QSlider>(page, p.name)) {
      const int before = bar->value();
      {
        const QSignalBlocker quiet(bar);
        bar->setValue(p.def);
      }
      if (bar->value() != before) ShowValue(page, p, bar->value());
    } else if (auto* box = Find<QCheckBox>(page, p.name)) {
      const QSignalBlocker quiet(box);
      box->setChecked(p.def != 0);
    }
    if (p.control == TControlKind::Radios && p.def >= 0 && p.def < static_cast<int>(p.radios.size())) {
      if (auto* radio = Find<QRadioButton>(page, p.radios[static_cast<std::size_t>(p.def)].name)) {
        const QSignalBlocker quiet(radio);
        radio->setChecked(true);
      }
    }
  }
}

void SetToDefault(QWidget* page, const TParamSpec& row) {
  if (auto* spin = Find<QSpinBox>(page, row.name)) spin->setValue(row.def);
  if (auto* bar = Find<QSlider>(page, row.name)) bar->setValue(row.def);
  if (auto* box = Find<QCheckBox>(page, row.name)) box->setChecked(row.def != 0);
}

TStepValues ReadControls(const QWidget* page, const std::vector<TParamSpec>& params) {
  TStepValues values(&params);
  for (const TParamSpec& p : params) {
    if (const auto* spin = Find<QSpinBox>(page, p.name)) {
      values.Set(p.key, SpinValue(spin));
    } else if (const auto* bar = Find<QSlider>(page, p.name)) {
      values.Set(p.key, bar->value());
    } else if (const auto* box = Find<QCheckBox>(page, p.name)) {
      values.Set(p.key, box->isChecked() ? 1 : 0);
    }
    for (std::size_t i = 0; i < p.radios.size(); ++i) {
      const auto* radio = Find<QRadioButton>(page, p.radios[i].name);
      if (radio && radio->isChecked()) {
        values.Set(p.key, static_cast<int>(i));
        break;
      }
    }
  }
  return values;
}

}  // namespace kira
