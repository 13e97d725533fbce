// Small makers for the controls the effect pages share in kind: track bars
// (horizontal, ticks below), their right-aligned value labels, radio buttons.
#pragma once

#include <QString>

class QBoxLayout;
class QLabel;
class QRadioButton;
class QSlider;
class QWidget;

namespace kira {

struct TTrackBarSpec {
  const char* name;
  int min, max, value;
  int pageSize;   // 0: the toolkit's default
  int frequency;  // tick spacing
  const char* hint;
};

QSlider* MakeTrackBar(QWidget* parent, const TTrackBarSpec& spec);
// A value label with its design-time caption (leading blanks, "   50"); the
// track bar's change handler later writes the plain number.
QLabel* MakeValueLabel(QWidget* parent, const char* name, const char* caption);
QRadioButton* MakeRadio(QWidget* parent, const char* name, const char* caption);
// A caption label at either end of a track bar ("弱" … "強"), in one row.
void AddEndLabelledRow(QBoxLayout* into, QWidget* parent, QSlider* trackBar,
                       const char* leftName, const char* rightName);
// A track bar with its value label right of it, in one row.
void AddValueRow(QBoxLayout* into, QSlider* trackBar, QLabel* valueLabel);

}  // namespace kira
