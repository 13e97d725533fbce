// The Preview, Apply and batch step every effect page shares, made from the
// page's effect. A page writes its effect on a picture and how the table's
// values become its settings, and gives them here:
//
//   inline constexpr TPageEffect<TSharpnessSettings> kSharpnessEffect{
//       .fromSource = SharpenPictureInto, .settingsOf = SharpnessSettingsOf};
//
// Preview runs the effect through the document's Preview frame (nothing on
// an empty source, the source kept as the result when the effect fails),
// Apply runs Preview first when there is no result, and Step gives the batch
// step that reads the values into settings and applies them as a user would.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/bitmap.h"
#include "document/document.h"
#include "document/settings_table.h"
#include "effects/random.h"

namespace kira {

// A task whose run draws from the program's generator as a Preview on the
// window's thread would: from the state it has when the run starts, which it
// has again after a stopped run and goes on from after a finished one.
inline TPreviewTask RandomBound(std::function<void(TPreviewWork&)> begin,
                                std::function<bool(const TDocument&, TPreviewWork&)> run) {
  TPreviewTask task;
  task.begin = [begin = std::move(begin)](TPreviewWork& work) {
    work.random = RandSeed();
    if (begin) begin(work);
  };
  task.run = [run = std::move(run)](const TDocument& doc, TPreviewWork& work) {
    const TRandomScope bound(work.random);
    return run(doc, work);
  };
  task.end = [](TPreviewWork& work) { RandSeed() = work.random; };
  return task;
}

template <class TSettings>
struct TPageEffect {
  // One of the two: the effect on a copy of the source, in place …
  bool (*inPlace)(TBitmap& image, const TSettings& settings) = nullptr;
  // … or from the source into the result.
  bool (*fromSource)(const TBitmap& source, TBitmap& result, const TSettings& settings) = nullptr;
  // The settings a batch step's values stand for.
  TSettings (*settingsOf)(const TStepValues& values) = nullptr;
  // Apply renews the image window's caption (the picture's size changed).
  bool renewCaption = false;

  // The page's Preview: the effect's success.
  bool Preview(TDocument& doc, const TSettings& settings) const {
    if (inPlace) return doc.PreviewInPlace([&](TBitmap& result) { return inPlace(result, settings); });
    return doc.Preview([&](const TBitmap& source, TBitmap& result) { return fromSource(source, result, settings); });
  }
  // The page's Preview as a task to run off the window's thread, giving the
  // bytes Preview gives for the same settings.
  TPreviewTask Task(const TSettings& settings) const {
    return RandomBound({}, [effect = *this, settings](const TDocument& doc, TPreviewWork& work) {
      if (!effect.inPlace) return effect.fromSource(doc.Source(), work.result, settings);
      work.result = doc.Source();
      return effect.inPlace(work.result, settings);
    });
  }
  // The page's Apply: Preview when there is no result, the result becomes the
  // source, menu page.
  void Apply(TDocument& doc, const TSettings& settings) const {
    doc.Apply([&] { Preview(doc, settings); }, renewCaption);
  }
  // The batch step: settings from the values, then Apply.
  TStepSpec Step(std::string name, std::string page, std::vector<TParamSpec> params) const {
    TStepSpec s;
    s.name = std::move(name);
    s.page = std::move(page);
    s.params = std::move(params);
    s.run = [effect = *this](TDocument& doc, const TStepValues& v, std::string&) {
      effect.Apply(doc, effect.settingsOf(v));
      return true;
    };
    return s;
  }
};

}  // namespace kira
