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

void TDocument::ButtonORG1Click() { Show(TViewLabel::BMP1, source_, false); }
void TDocument::ButtonBP1Click() { Show(TViewLabel::BMP2, brightPoints_, false); }
void TDocument::ButtonDST1Click() { Show(TViewLabel::BMP3, result_, true); }

void TDocument::ReturnToMenu() {
  brightPoints_.Clear();
  result_.Clear();
  ButtonORG1Click();
  host_->ShowMenuPage();
}

void TDocument::Preview(const std::function<void(TBitmap&)>& effect) {
  if (source_.Empty()) return;
  TBusyScope busy(*host_);
  result_ = source_;
  try {
    effect(result_);
  } catch (...) {
    // A half-done result must never be applied: the edit goes back to having
    // no result, so that Apply runs the Preview again instead of copying it.
    result_.Clear();
    throw;
  }
  ButtonDST1Click();
}

void TDocument::Apply(const std::function<void()>& preview, bool renewCaption) {
  if (result_.Empty() && preview) preview();
  source_ = result_;
  if (renewCaption) host_->ShowFileCaption();
  ReturnToMenu();
}

void TDocument::ApplyAccumulated() {
  if (!result_.Empty()) {
    source_ = result_;
    host_->ShowFileCaption();
  }
  ReturnToMenu();
}

void TDocument::Accumulate(const std::function<void(TBitmap&)>& change) {
  if (source_.Empty()) return;
  TBusyScope busy(*host_);
  if (result_.Empty()) result_ = source_;
  change(result_);
  ButtonDST1Click();
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
