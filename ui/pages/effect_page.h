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
#include <QWidget>

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
  // The Apply button's handler (ButtonOK1Click … ButtonOK13Click).
  virtual void Apply();

 protected:
  // Where a page puts its own controls, above the common ones.
  QVBoxLayout* Body() const { return body_; }
  TFormMain& Main() const { return main_; }
  TDocument& Doc() const;

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
};

}  // namespace kira
