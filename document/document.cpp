#include "document/document.h"

#include <utility>

#include "core/image_files.h"
#include "effects/random.h"

namespace kira {

const char* ViewLabelText(TViewLabel label) {
  switch (label) {
    case TViewLabel::BMP1: return "BMP1";
    case TViewLabel::BMP2: return "BMP2";
    case TViewLabel::BMP3: return "BMP3";
    case TViewLabel::None: break;
  }
  return "";
}

TDocument::TDocument() = default;

const TBitmap& TDocument::ShownImage() const {
  switch (viewLabel_) {
    case TViewLabel::BMP2: return brightPoints_;
    case TViewLabel::BMP3: return result_;
    default: return source_;
  }
}

void TDocument::Show(TViewLabel label, const TBitmap& image, bool keepCentre) {
  host_->ShowWorkingImage(image, keepCentre);
  viewLabel_ = label;
  host_->DrawHistogram(image);
}

void TDocument::ShowSource() { Show(TViewLabel::BMP1, source_, false); }
void TDocument::ShowBrightPoints() { Show(TViewLabel::BMP2, brightPoints_, false); }
void TDocument::ShowResult() { Show(TViewLabel::BMP3, result_, true); }

void TDocument::ReturnToMenu() {
  previews_.Stop();
  resultLive_ = false;
  brightPoints_.Clear();
  result_.Clear();
  noted_.clear();
  resultStep_ = {};
  ShowSource();
  host_->ShowMenuPage();
}

bool TDocument::Preview(const TEffect& effect) {
  previews_.Stop();
  if (source_.Empty()) return true;
  resultLive_ = false;
  TBusyScope busy(*host_);
  bool done = false;
  resultStep_ = {noted_, RandSeed()};
  try {
    done = effect(source_, result_);
    // An effect refuses before it changes anything: the result is then a
    // plain copy of the source, never an earlier preview.
    if (!done) result_ = source_;
  } catch (...) {
    // A half-done result must never be applied: the edit goes back to having
    // no result, so that Apply runs the Preview again instead of copying it.
    result_.Clear();
    throw;
  }
  ShowResult();
  return done;
}

bool TDocument::PreviewInPlace(const std::function<bool(TBitmap&)>& effect) {
  return Preview([&effect](const TBitmap& source, TBitmap& result) {
    result = source;
    return effect(result);
  });
}

void TDocument::TakePreview(TPreviewWork& work, bool live) {
  std::swap(result_, work.result);
  if (work.newBrightPoints) {
    std::swap(brightPoints_, work.brightPoints);
    brightPointsReady_ = true;
  }
  resultLive_ = live;
  resultStep_ = {work.step, work.randomBefore};
  ShowResult();
}

void TDocument::DropResult() {
  const bool shown = viewLabel_ == TViewLabel::BMP3;
  result_.Clear();
  if (shown) ShowSource();
}
void TDocument::NoteResult(std::string line) { resultStep_ = {std::move(line), RandSeed()}; }

void TDocument::Apply(const std::function<void()>& preview, bool renewCaption) {
  previews_.Finish();
  if (result_.Empty() && preview) preview();
  ReplaceSource(std::move(result_));
  result_.Clear();
  if (renewCaption) host_->ShowFileCaption();
  ReturnToMenu();
}

void TDocument::ApplyAccumulated() {
  previews_.Stop();
  if (!result_.Empty()) {
    ReplaceSource(std::move(result_));
    result_.Clear();
    host_->ShowFileCaption();
  }
  ReturnToMenu();
}

void TDocument::ReplaceSource(TBitmap&& picture) {
  // An Apply with no picture at all (nothing opened) changes nothing.
  if (source_.Empty() && picture.Empty()) return;
  if (!source_.Empty()) {
    // The slot first: should it fail for want of memory, nothing has moved.
    undo_.emplace_back();
    undo_.back().picture = std::move(source_);
    undo_.back().version = sourceVersion_;
    historyBytes_ += BytesOf(undo_.back().picture);
    for (const TStep& step : redo_) historyBytes_ -= BytesOf(step.picture);
    redo_.clear();
  }
  undone_.clear();
  applied_.push_back(std::move(resultStep_));
  resultStep_ = {};
  source_ = std::move(picture);
  sourceVersion_ = nextVersion_++;
  TrimHistory();
}

bool TDocument::StepBack(std::deque<TStep>& from, std::deque<TStep>& to) {
  previews_.Stop();
  if (from.empty()) return false;
  to.emplace_back();
  TStep& kept = to.back();
  TStep& back = from.back();
  historyBytes_ = historyBytes_ - BytesOf(back.picture) + BytesOf(source_);
  kept.picture = std::move(source_);
  kept.version = sourceVersion_;
  source_ = std::move(back.picture);
  sourceVersion_ = back.version;
  from.pop_back();
  // The record of the step moves with the picture it made.
  std::vector<TStepRecord>& recordsFrom = &from == &undo_ ? applied_ : undone_;
  std::vector<TStepRecord>& recordsTo = &from == &undo_ ? undone_ : applied_;
  if (!recordsFrom.empty()) {
    recordsTo.push_back(std::move(recordsFrom.back()));
    recordsFrom.pop_back();
  }
  TrimHistory();
  // As after an Apply that changed the size: the caption follows the source.
  host_->ShowFileCaption();
  ReturnToMenu();
  return true;
}

bool TDocument::Undo() { return StepBack(undo_, redo_); }
bool TDocument::Redo() { return StepBack(redo_, undo_); }

void TDocument::TrimHistory() {
  // Oldest first: the far end of the undo steps, then the far end of the
  // redo steps. The one step left is kept whatever its size.
  while (historyBytes_ > historyLimit_ && undo_.size() + redo_.size() > 1) {
    std::deque<TStep>& from = undo_.empty() ? redo_ : undo_;
    historyBytes_ -= BytesOf(from.front().picture);
    from.pop_front();
  }
}

void TDocument::SetHistoryLimit(std::size_t bytes) {
  historyLimit_ = bytes;
  TrimHistory();
}

void TDocument::ClearHistory() {
  undo_.clear();
  redo_.clear();
  historyBytes_ = 0;
}

bool TDocument::HasUnsavedChanges() const {
  return (!result_.Empty() && !resultLive_) || sourceVersion_ != savedVersion_;
}

void TDocument::Accumulate(const std::function<void(TBitmap&)>& change) {
  previews_.Stop();
  if (source_.Empty()) return;
  TBusyScope busy(*host_);
  if (result_.Empty()) result_ = source_;
  change(result_);
  ShowResult();
}

void TDocument::AccumulateFrom(const std::function<void(const TBitmap&, TBitmap&)>& change) {
  previews_.Stop();
  if (source_.Empty()) return;
  TBusyScope busy(*host_);
  change(result_.Empty() ? source_ : result_, result_);
  ShowResult();
}

TOpenOutcome TDocument::OpenImageFile(const std::string& path, std::string* error, TOrientation orientation) {
  TLoadResult loaded = LoadPicture(path, orientation);
  if (!loaded) {
    if (error) *error = loaded.error;
    return TOpenOutcome::Failed;
  }
  OpenLoaded(std::move(loaded), path);
  return TOpenOutcome::Opened;
}

void TDocument::OpenLoaded(TLoadResult&& loaded, const std::string& path) {
  OpenPicture(std::move(*loaded.bitmap), path);
  metadata_ = std::move(loaded.metadata);
}

void TDocument::OpenPicture(TBitmap picture, const std::string& path) {
  previews_.Stop();
  source_ = std::move(picture);
  metadata_ = TPhotoMetadata();
  ClearHistory();
  applied_.clear();
  undone_.clear();
  sourceVersion_ = nextVersion_++;
  savedVersion_ = sourceVersion_;
  currentFileName_ = FileNamePart(path);
  ReturnToMenu();
  host_->ShowFileCaption();
  host_->CentreImage();
  proposedSaveName_ = PathWithoutExtension(path);
}

bool TDocument::SaveShownImage(const std::string& path, std::string* error, const TSaveOptions& options) {
  const TBitmap& image = ShownImage();
  if (image.Empty() || FileKindOf(path) == TFileKind::Unknown) {
    if (error) error->clear();
    return false;
  }
  TSaveResult saved = SavePicture(image, path, metadata_, options);
  if (!saved && error) *error = saved.error;
  if (saved.ok && &image == &source_) savedVersion_ = sourceVersion_;
  return saved.ok;
}

}  // namespace kira
