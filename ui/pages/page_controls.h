// Small makers for the controls the effect pages share in kind: track bars
// (horizontal, ticks below), their right-aligned value labels, radio buttons.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "document/steps.h"

class QBoxLayout;
class QSpinBox;
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

QSlider* MakeTrackBar(QWidget* parent, const TTrackBarSpec& design);
// A value label with its design-time caption (leading blanks, "   50"); the
// track bar's change handler later writes the plain number.
QLabel* MakeValueLabel(QWidget* parent, const char* name, const char* caption);
QRadioButton* MakeRadio(QWidget* parent, const char* name, const char* caption);
// A caption label at either end of a track bar ("弱" … "強"), in one row.
void AddEndLabelledRow(QBoxLayout* into, QWidget* parent, QSlider* trackBar,
                       const char* leftName, const char* rightName);
// A track bar with its value label right of it, in one row.
void AddValueRow(QBoxLayout* into, QSlider* trackBar, QLabel* valueLabel);

// The row of a page's settings table with the given key (std::out_of_range
// when there is none).
const TParamSpec& ParamRow(const std::vector<TParamSpec>& params, const std::string& key);

// A spin edit for a row of a settings table: the control's object name, the
// row's range and default.
QSpinBox* MakeSpinEdit(QWidget* parent, const TParamSpec& row);
// A spin edit's value: its text read as an integer, the minimum when the text
// is none, the nearest bound when it lies outside.
int SpinValue(const QSpinBox* spin);

// Every control the table names on the page takes its row's default: spin
// edits, track bars and check boxes their value (no change signals), a
// choice's radio button of the default is checked. The page's show handlers
// use this, so that the table is the one place a default is written.
void ResetControls(QWidget* page, const std::vector<TParamSpec>& params);
// The values of the controls the table names, as the batch tool would give
// them. A choice is the first checked radio button in the table's order; with
// none checked it keeps the default.
TStepValues ReadControls(const QWidget* page, const std::vector<TParamSpec>& params);

}  // namespace kira
