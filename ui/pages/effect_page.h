// The frame every effect page shares: the page's body of controls on top,
// then its Preview button "プレビュー", the view buttons "オリジナル" and
// "加工後" in the group "表示画像", Apply "適用" and Cancel "キャンセル" (the
// page's Esc button). The controls are named after the page number n:
// ButtonORGn, ButtonDSTn, ButtonOKn, ButtonCANn; the Preview button has its
// own name per page (ButtonAPP, ButtonCOL, …).
//
// A page reads its controls into settings and forwards the user's intent to
// the document; it never touches pixels itself.
#pragma once

#include <QString>
#include <functional>
#include <QWidget>

#include "document/preview_runner.h"
#include "pages/page_list.h"


class QGroupBox;
class QPushButton;
class QVBoxLayout;

namespace kira {

class TDocument;
class TFormMain;

class TEffectPage : public QWidget {
  Q_OBJECT

 public:
  // previewName empty: the page has no Preview button (rotation page). The
  // number and caption are the page list's row.
  TEffectPage(TFormMain& main, const TPageEntry& page, const QString& previewName);

  int Number() const { return page_.number; }
  const TPageEntry& Entry() const { return page_; }
  QString Caption() const { return caption_; }

  QPushButton* PreviewButton() const { return previewButton_; }
  QPushButton* OrgButton() const { return orgButton_; }
  QPushButton* DstButton() const { return dstButton_; }
  QPushButton* OkButton() const { return okButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }
  QGroupBox* ViewGroup() const { return viewGroup_; }
  // The view group's layout, for a page with a third view button (輝点).
  QVBoxLayout* ViewLayout() const { return viewLayout_; }

  // The handler of the page's menu button (ButtonReSizeClick, ButtonXClick,
  // …): resets what the menu button resets, then opens the page.
  virtual void OpenFromMenu();
  // The page's show handler (TabSheet1Show … TabSheet13Show): runs whenever
  // the page becomes the one displayed and sets the page's defaults.
  virtual void TabSheetShow() {}
  // The Preview button's handler; Apply runs it on an empty result. It reads
  // the controls and forwards to the page's logic in pages/. A page without
  // its effect leaves the result a copy of the source.
  virtual void Preview();
  // The same Preview for the controls as they are now, as a task to run off
  // the window's thread (document/preview_runner.h): the same bytes. None:
  // the Preview button runs Preview on this thread, controls run nothing.
  virtual TPreviewTask PreviewTask();
  // What follows a finished run on the window's thread (the star page
  // releases its tools), or nothing.
  virtual TPreviewRunner::TThen AfterPreview() { return {}; }

  // Live preview: every control of the page that holds a setting re-runs the
  // Preview off the window's thread when the user changes it (and automatic
  // preview is on). The changes of one pass of events make one request.
  // Called once the page's controls exist.
  void WatchControls();
  // The request of changes not yet made is made now (before an Apply).
  void FlushLivePreview();
  // The Preview button: the same run, off the window's thread, whether
  // automatic preview is on or not.
  void RequestPreview();
  // The show handler, and the menu button's handler, with live preview held
  // off (what they set is no user's change).
  void ShowPage();
  void OpenPage();
  // The Apply button's handler (ButtonOK1Click … ButtonOK13Click).
  virtual void Apply();

 protected:
  // Where a page puts its own controls, above the common ones.
  QVBoxLayout* Body() const { return body_; }
  TFormMain& Main() const { return main_; }
  TDocument& Doc() const;
  // A setting changed by the user (a control of the page, or the page's own
  // handler after a dialog): a live preview when automatic preview is on.
  void SettingsChanged(QObject* control = nullptr);
  // A control is about to ask for a live preview (the star page forgets its
  // bright points when the threshold or density moved).
  virtual void ControlMoved(QObject* /*control*/) {}

 private:
  TFormMain& main_;
  const TPageEntry& page_;
  QString caption_;
  QVBoxLayout* body_ = nullptr;
  QGroupBox* viewGroup_ = nullptr;
  QVBoxLayout* viewLayout_ = nullptr;
  QPushButton* previewButton_ = nullptr;
  QPushButton* orgButton_ = nullptr;
  QPushButton* dstButton_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  // Runs a handler whose control changes make no live preview.
  void Held(const std::function<void()>& handler);

  bool livePending_ = false;
  bool holdLive_ = false;
};

}  // namespace kira
