#include "document/document.h"

#include "core/image_files.h"

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
  brightPoints_.Clear();
  result_.Clear();
  ShowSource();
  host_->ShowMenuPage();
}

bool TDocument::Preview(const TEffect& effect) {
  if (source_.Empty()) return true;
  TBusyScope busy(*host_);
  bool done = false;
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

void TDocument::Apply(const std::function<void()>& preview, bool renewCaption) {
  if (result_.Empty() && preview) preview();
  source_ = std::move(result_);
  result_.Clear();
  if (renewCaption) host_->ShowFileCaption();
  ReturnToMenu();
}

void TDocument::ApplyAccumulated() {
  if (!result_.Empty()) {
    source_ = std::move(result_);
    result_.Clear();
    host_->ShowFileCaption();
  }
  ReturnToMenu();
}

void TDocument::Accumulate(const std::function<void(TBitmap&)>& change) {
  if (source_.Empty()) return;
  TBusyScope busy(*host_);
  if (result_.Empty()) result_ = source_;
  change(result_);
  ShowResult();
}

TOpenOutcome TDocument::OpenImageFile(const std::string& path, std::string* error) {
  if (FileKindOf(path) == TFileKind::Unknown) return TOpenOutcome::Ignored;
  TLoadResult loaded = LoadPicture(path);
  if (!loaded) {
    if (error) *error = loaded.error;
    return TOpenOutcome::Failed;
  }
  source_ = std::move(*loaded.bitmap);
  CurrentFileName = FileNamePart(path);
  ReturnToMenu();
  host_->ShowFileCaption();
  host_->CentreImage();
  ProposedSaveName = PathWithoutExtension(path);
  return TOpenOutcome::Opened;
}

bool TDocument::SaveShownImage(const std::string& path, std::string* error) const {
  const TBitmap& image = ShownImage();
  if (image.Empty() || FileKindOf(path) == TFileKind::Unknown) {
    if (error) error->clear();
    return false;
  }
  TSaveResult saved = SavePicture(image, path);
  if (!saved && error) *error = saved.error;
  return saved.ok;
}

}  // namespace kira
