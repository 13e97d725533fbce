// An effect page whose controls are built from its settings table and whose
// Preview and Apply are its effect's (pages/page_effect.h): the show handler
// resets the controls to the table's defaults, Preview and Apply read them
// into settings and hand them to the effect. A page derived from it only
// arranges its controls, and overrides what it does otherwise.
#pragma once

#include <vector>

#include "pages/page_effect.h"
#include "pages/page_list.h"
#include "pages/recipe.h"
#include "ui/pages/effect_page.h"
#include "ui/pages/page_controls.h"

namespace kira {

template <class TSettings>
class TTablePage : public TEffectPage {
 public:
  TTablePage(TFormMain& main, const TPageEntry& page, const QString& previewName,
             const TPageEffect<TSettings>& effect)
      : TEffectPage(main, page, previewName), effect_(effect) {}

  // TabSheet<n>Show: every control at its row's default.
  void TabSheetShow() override { ResetControls(this, Params()); }
  void Preview() override {
    NoteStep();
    effect_.Preview(Doc(), Settings());
  }
  TPreviewTask PreviewTask() override {
    TPreviewTask task = effect_.Task(Settings());
    task.step = PageStepLine(Entry(), StepValues());
    return task;
  }
  void Apply() override {
    NoteStep();
    effect_.Apply(Doc(), Settings());
  }

  // The controls as the page's settings.
  virtual TSettings Settings() const { return effect_.settingsOf(ReadControls(this, Params())); }
  // The controls as the batch step's values over the page's table.
  virtual TStepValues StepValues() const { return ReadControls(this, Params()); }

 protected:
  const std::vector<TParamSpec>& Params() const { return Entry().params(); }
  // The control of the row with the given key, to arrange (built once).
  TControls Make(QWidget* parent, const char* key) { return MakeControls(parent, ParamRow(Params(), key)); }
  // The step the Preview about to run stands for, kept with its result.
  void NoteStep() const { Doc().NoteStep(PageStepLine(Entry(), StepValues())); }

 private:
  const TPageEffect<TSettings>& effect_;
};

}  // namespace kira
