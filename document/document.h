// The working images of the editor and the Preview / Apply / Cancel cycle that
// every effect page shares, without any window code. The windows implement
// TDocumentHost to show images, the busy cursor, the histogram and the menu
// page; the batch tool runs the same cycle with a host that does nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "core/image_files.h"
#include "core/photo_metadata.h"
#include "document/preview_runner.h"

namespace kira {

// Which working image the image window shows.
enum class TViewLabel { None, BMP1, BMP2, BMP3 };
const char* ViewLabelText(TViewLabel label);  // "", "BMP1", "BMP2", "BMP3"

class TDocumentHost {
 public:
  virtual ~TDocumentHost() = default;
  // Busy cursor on, and one pass of pending events so that it is drawn.
  virtual void BeginBusy() {}
  virtual void EndBusy() {}
  // Display a working image at the zoom percent, keeping the picture's centre
  // (true) or its top-left corner (false) where it was.
  virtual void ShowWorkingImage(const TBitmap& /*image*/, bool /*keepCentre*/) {}
  virtual void DrawHistogram(const TBitmap& /*image*/) {}
  // Page control back to the menu page alone.
  virtual void ShowMenuPage() {}
  // Renew the image window's caption from the file name and the source size.
  virtual void ShowFileCaption() {}
  // Centre the picture in the image window (after an open).
  virtual void CentreImage() {}
  // A Preview running off the window's thread has ended. Called on the
  // worker's thread: the window's thread must then call
  // Document().Previews().Deliver().
  virtual void PreviewEnded() {}
};

// Busy cursor for the length of a scope, restored on every path.
class TBusyScope {
 public:
  explicit TBusyScope(TDocumentHost& host) : host_(host) { host_.BeginBusy(); }
  ~TBusyScope() { host_.EndBusy(); }
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;

 private:
  TDocumentHost& host_;
};

enum class TOpenOutcome { Opened, Ignored, Failed };

// What an Apply did, kept beside the picture it replaced: the step as the
// batch tool writes it (empty when the page gave none; a line starting with
// '#' for a step that cannot be replayed from its settings; several lines
// for one Apply that replays as several steps), and the random generator's
// state before the Preview whose result was applied.
struct TStepRecord {
  std::string line;
  std::uint32_t randomState = 0;
};

class TDocument {
 public:
  TDocument();
  void SetHost(TDocumentHost* host) { host_ = host ? host : &nullHost_; }
  TDocumentHost& Host() { return *host_; }

  // The source changes only by Apply, Undo, Redo and opening a file. The
  // writable accessors, like every call below that changes a picture, first
  // stop a Preview running off the window's thread.
  TBitmap& BrightPoints() {
    previews_.Stop();
    return brightPoints_;
  }
  TBitmap& Result() {
    previews_.Stop();
    return result_;
  }
  const TBitmap& Source() const { return source_; }
  const TBitmap& BrightPoints() const { return brightPoints_; }
  const TBitmap& Result() const { return result_; }

  TViewLabel ViewLabel() const { return viewLabel_; }
  // The image named by the view label; the source image for the empty label.
  const TBitmap& ShownImage() const;

  // The image window's zoom, 5..250 in steps of 5.
  int ZoomPercent() const { return zoomPercent_; }
  void SetZoomPercent(int percent) { zoomPercent_ = percent; }
  // The file-name part of the file last opened, and the opened path without
  // its extension (the save dialog's proposal).
  const std::string& CurrentFileName() const { return currentFileName_; }
  const std::string& ProposedSaveName() const { return proposedSaveName_; }
  // Star filter: the bright-point image holds the points of the source.
  bool BrightPointsReady() const { return brightPointsReady_; }
  void SetBrightPointsReady(bool ready) { brightPointsReady_ = ready; }
  // The histogram draws the channel curves too.
  bool RgbHistogram() const { return rgbHistogram_; }
  void SetRgbHistogram(bool rgb) { rgbHistogram_ = rgb; }

  // The view routines: show the source ("オリジナル" buttons ButtonORGn), the
  // bright points (ButtonBP1) or the result ("加工後" buttons ButtonDSTn), set
  // the label, redraw the histogram.
  void ShowSource();
  void ShowBrightPoints();
  void ShowResult();

  // Empties the bright-point and result images, shows the source, menu page.
  void ReturnToMenu();

  // The common frame of a Preview: nothing on an empty source (true);
  // otherwise busy cursor, effect(source, result) writes the result, then the
  // result is shown. An effect that refuses (false) leaves a copy of the
  // source as the result at the least, and Preview returns false. The cursor
  // is restored also when the effect throws (the exception passes on); the
  // result is then left empty rather than half done, so that Apply runs the
  // Preview again instead of taking it.
  using TEffect = std::function<bool(const TBitmap& source, TBitmap& result)>;
  bool Preview(const TEffect& effect);
  // The same for an effect that changes a picture in place: result := source,
  // then effect(result).
  bool PreviewInPlace(const std::function<bool(TBitmap& result)>& effect);

  // Previews that run off the window's thread (the editor's live preview).
  TPreviewRunner& Previews() { return previews_; }
  // A finished run's pictures swapped in (the runner calls it on the
  // window's thread): the result, the bright points it extracted (flag
  // set); the result is shown. `live`: it does not count as unsaved work.
  void TakePreview(TPreviewWork& work, bool live);
  // A run that failed: no result, the source shown when the result was.
  void DropResult();

  // Apply: a Preview running off the window's thread is waited for; then
  // Preview first when the result is empty, the result moves into the
  // source, optionally the caption is renewed (resize page), ReturnToMenu.
  void Apply(const std::function<void()>& preview, bool renewCaption = false);
  // The rotation page's Apply: a non-empty result moves into the source and the
  // caption is renewed; an empty result changes nothing. Then ReturnToMenu.
  void ApplyAccumulated();
  // The step the page's next Preview runs, as the batch tool writes it; the
  // Preview frame keeps it, with the generator's state, as the record of
  // the result it makes, which an Apply of that result keeps.
  void NoteStep(std::string line) { noted_ = std::move(line); }
  // The record of the result for a page that makes it without the Preview
  // frame (star filter, rotation); the generator's state is taken now.
  void NoteResult(std::string line);
  const TStepRecord& ResultStep() const { return resultStep_; }
  // The records of the Apply steps that made the source since it was
  // opened, oldest first, as the history now stands (undone steps left out).
  // They outlive the pictures the history limit drops.
  const std::vector<TStepRecord>& AppliedSteps() const { return applied_; }
  // Cancel: ReturnToMenu; the source stays as it was.
  void Cancel() { ReturnToMenu(); }

  // The rotation page's buttons: nothing on an empty source; the result is
  // filled from the source only when empty, then changed in place, so that
  // presses accumulate. Shows the result.
  void Accumulate(const std::function<void(TBitmap& result)>& change);
  // The same for a change that writes a new picture into the result from
  // `from`: the source while the result is empty (no copy is made), the
  // result itself afterwards.
  void AccumulateFrom(const std::function<void(const TBitmap& from, TBitmap& result)>& change);

  // Opens a picture by its content, whatever its name (LoadPicture: JPEG,
  // BMP, PNG, GIF, TIFF, WebP, HEIC, AVIF), as the new source, converted to
  // 24 bits and upright by its orientation unless `orientation` says Keep.
  // A file of no known kind, unreadable or undecodable: Failed with a
  // one-line message naming it in *error, nothing changes. (Ignored is no
  // longer returned.)
  TOpenOutcome OpenImageFile(const std::string& path, std::string* error = nullptr,
                             TOrientation orientation = TOrientation::Apply);
  // Opens a picture already read from `path` (LoadPicture's result) as
  // OpenImageFile does, metadata included.
  void OpenLoaded(TLoadResult&& loaded, const std::string& path);
  // Opens a picture already in memory as OpenImageFile opens a file: it
  // becomes the source (24 bits), with no metadata, the history emptied and
  // the work counted as saved; `path` names it for the caption and the save
  // dialog.
  void OpenPicture(TBitmap picture, const std::string& path = "");
  // The EXIF block and colour profile of the JPEG last opened (none after a
  // BMP); a JPEG save writes them back.
  const TPhotoMetadata& Metadata() const { return metadata_; }
  // Saves the shown image by the extension of path. Returns false with a
  // message on a write error; an unknown extension or an empty image writes
  // nothing and returns false with an empty message. Saving the source
  // counts as saving the work (see HasUnsavedChanges). JPEG and WebP are
  // written at options.quality.
  bool SaveShownImage(const std::string& path, std::string* error = nullptr, const TSaveOptions& options = {});

  // The history of Apply. Every Apply that replaces a picture keeps the
  // source it replaced; Undo brings it back and keeps the undone picture for
  // Redo; a new Apply drops whatever could be redone. The pictures kept take
  // at most HistoryLimit() bytes together (oldest dropped first), except
  // that the most recent step stays even when it alone is larger. Opening a
  // file empties the history.
  static constexpr std::size_t kDefaultHistoryLimit = std::size_t{1} << 30;  // 1 GiB
  void SetHistoryLimit(std::size_t bytes);
  std::size_t HistoryLimit() const { return historyLimit_; }
  std::size_t HistoryBytes() const { return historyBytes_; }
  std::size_t UndoSteps() const { return undo_.size(); }
  std::size_t RedoSteps() const { return redo_.size(); }
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  // The source before the last Apply becomes the source again; the caption
  // is renewed and the edit returns to the menu (a pending preview is
  // dropped), as after an Apply. False, with nothing changed, when there is
  // nothing to undo.
  bool Undo();
  // The picture last undone becomes the source again, likewise.
  bool Redo();
  void ClearHistory();

  // True when closing would lose work: a picture was applied, undone or
  // redone since the last open or save of the source, or a preview is
  // pending (a result exists that a live preview did not make).
  bool HasUnsavedChanges() const;

 private:
  struct TStep {
    TBitmap picture;
    unsigned long long version = 0;  // the source's version it was
  };

  void Show(TViewLabel label, const TBitmap& image, bool keepCentre);
  // The new source replaces the current one, which is kept for Undo.
  void ReplaceSource(TBitmap&& picture);
  // Moves between the two stacks: from's last step becomes the source, the
  // source goes onto to.
  bool StepBack(std::deque<TStep>& from, std::deque<TStep>& to);
  void TrimHistory();
  static std::size_t BytesOf(const TBitmap& b) { return b.SizeInBytes(); }

  TDocumentHost nullHost_;
  TDocumentHost* host_ = &nullHost_;
  TBitmap source_, brightPoints_, result_;
  TViewLabel viewLabel_ = TViewLabel::None;
  int zoomPercent_ = 100;
  std::string currentFileName_, proposedSaveName_;
  bool brightPointsReady_ = false;
  bool rgbHistogram_ = false;
  bool resultLive_ = false;  // the result came from a live preview
  TPhotoMetadata metadata_;

  // The records of the steps the undo pictures lead to, and of those the
  // redo pictures stand for (the next to redo last); see AppliedSteps.
  std::vector<TStepRecord> applied_, undone_;
  std::string noted_;
  TStepRecord resultStep_;  // what made the result; cleared with it

  std::deque<TStep> undo_;  // oldest first
  std::deque<TStep> redo_;  // the next to redo last
  std::size_t historyLimit_ = kDefaultHistoryLimit;
  std::size_t historyBytes_ = 0;
  // Every source picture gets a version; the one last opened or saved is
  // remembered, so that undoing back to it counts as no change.
  unsigned long long sourceVersion_ = 0;
  unsigned long long nextVersion_ = 1;
  unsigned long long savedVersion_ = 0;

  // Last, so that a running Preview is stopped before any picture it reads
  // goes away.
  TPreviewRunner previews_{*this, [this] { host_->PreviewEnded(); }};
};

}  // namespace kira
