// The controls of the effect pages, built from the rows of their settings
// tables: a row says everything its control needs (object name, range,
// default, steps, hint, caption, the value label that follows it), so a page
// only arranges what MakeControls gives and adds what a table cannot say
// (group boxes, the curve picture, the colour panel).
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QString>
#include <string>
#include <vector>

#include "document/settings_table.h"

class QBoxLayout;

namespace kira {

// What one row builds; the members its control kind does not use stay null.
struct TControls {
  QSpinBox* spinEdit = nullptr;
  QSlider* trackBar = nullptr;  // horizontal, ticks below
  QLabel* label = nullptr;      // the track bar's value label, right-aligned
  QCheckBox* checkBox = nullptr;
  std::vector<QRadioButton*> radios;  // in the row's order
};

// The control of a row, at the row's default (the default radio button
// checked), children of parent. A track bar's value label shows the row's
// label caption and then, whenever the track bar moves, the row's format of
// the position.
TControls MakeControls(QWidget* parent, const TParamSpec& row);

// A caption label at either end of a track bar ("弱" … "強"), in one row.
void AddEndLabelledRow(QBoxLayout* into, QWidget* parent, QSlider* trackBar,
                       const char* leftName, const char* rightName);
// A track bar with its value label right of it, in one row.
void AddValueRow(QBoxLayout* into, const TControls& controls);

// A spin edit's value: its text read as an integer, the minimum when the text
// is none, the nearest bound when it lies outside.
int SpinValue(const QSpinBox* spin);

// Every control the table names on the page takes its row's default: spin
// edits, track bars and check boxes their value (no change signals), a
// choice's radio button of the default is checked; a value label follows a
// track bar that moved, as when the user moves it. A row whose default comes
// from the picture is left alone. The page's show handlers use this.
void ResetControls(QWidget* page, const std::vector<TParamSpec>& params);
// The one control of a row back to its default as a user would set it: its
// change handlers run.
void SetToDefault(QWidget* page, const TParamSpec& row);
// The values of the controls the table names, as the batch tool would give
// them. A choice is the first checked radio button in the table's order; with
// none checked it keeps the default.
TStepValues ReadControls(const QWidget* page, const std::vector<TParamSpec>& params);

}  // namespace kira
