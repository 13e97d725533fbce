// The main window: a multiple-document frame holding the image window, the
// effect pages docked on the right with the histogram under them, and the
// pop-up menu. It owns the document (the working images and the edit cycle)
// and is the document's host: it shows images, the busy cursor, the
// histogram and the menu page when the document asks.
#pragma once

#include <QMainWindow>
#include <QRect>
#include <QSpinBox>
#include <QString>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "document/document.h"
#include "ui/error_report.h"

class QAction;
class QFileDialog;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMimeData;
class QProgressBar;
class QTabWidget;
class QTimer;

namespace kira {

class TEffectPage;
class TFormImage;
class TFormThumb;
class TPageMenu;

class TFormMain : public QMainWindow, public TDocumentHost {
  Q_OBJECT

 public:
  static constexpr int kPanelWidth = 198;

  explicit TFormMain(QWidget* parent = nullptr);
  ~TFormMain() override;

  // What the pages and the other windows work with.
  TDocument& Document() { return document_; }
  TFormImage& FormImage() { return *formImage_; }
  TFormThumb& FormThumb() { return *formThumb_; }
  // Effect page n (TabSheet<n>) of the page list; null for another number.
  TEffectPage* Page(int number) const;
  QTabWidget* PageControl() const { return pageControl_; }
  QWidget* Panel1() const { return panel1_; }
  // A control anywhere in the main window by its object name.
  template <class T>
  T* Control(const QString& name) const {
    return findChild<T*>(name);
  }
  // The effect page shown, 0 while the menu page is shown.
  int OpenPageNumber() const;

  // Runs a handler so that an error becomes a message box over this window.
  template <class F>
  void Run(F&& handler) noexcept {
    Guarded(this, std::forward<F>(handler));
  }

  // Page switching: the effect page alone, or the menu page alone.
  void OpenEffectPage(int number);

  // TDocumentHost
  void BeginBusy() override;
  void EndBusy() override;
  void ShowWorkingImage(const TBitmap& image, bool keepCentre) override;
  void DrawHistogram(const TBitmap& image) override;
  void ShowMenuPage() override;
  void ShowFileCaption() override;
  void CentreImage() override;
  void PreviewEnded() override;

  // "自動プレビュー" on the pop-up menu: the effect pages preview by
  // themselves when a control changes. On by default, remembered between runs.
  bool AutoPreview() const;
  void SetAutoPreview(bool on);
  QAction* AutoPreviewItem() const { return pMenuAuto_; }
  // A Preview was asked of the runner: the progress bar watches it, shown
  // once it has run about 300 ms.
  void WatchPreview();
  QProgressBar* PreviewProgress() const { return previewProgress_; }

  // Opens a picture as the open command, a drop and the thumbnails do,
  // after the question when work would be lost. A picture that fits the
  // image window at 100 % opens at 100 %, a larger one fitted.
  void OpenImageFile(const QString& path);
  // A JPEG of at least this many pixels opens in two steps: a reduced
  // decode (libjpeg's DCT scaling) is shown at once, scaled to the view,
  // while the full decode runs on a worker thread; the full picture then
  // opens exactly as a plain open would. 0 opens every file in one step.
  static constexpr std::int64_t kFirstViewMinPixels = 6'000'000;
  void SetFirstViewMinPixels(std::int64_t pixels) { firstViewMinPixels_ = pixels; }
  // True while a full decode runs; the document still holds the picture
  // before it.
  bool Opening() const { return opening_ != nullptr; }
  // Waits for a running full decode and opens its picture (or reports its
  // error). Whatever needs the picture calls it first: the effect pages,
  // save, undo and redo, the zoom.
  void FinishOpening();
  // Opens the first local file of a drop.
  void HandleDroppedFiles(const QMimeData* data);

  // Pop-up menu commands.
  void PMenuOClick();
  void PMenuSClick();
  // The save dialog and the save of the shown image; true when the file was
  // written. A cancelled dialog, another extension or a failed save is
  // false, the last two with a message.
  bool SaveWithDialog();
  void PMenuTClick();
  void PMenu100Click();
  void PMenuRClick();
  void PMenuXClick();
  void ButtonExitClick();
  // "元に戻す(&U)" (Ctrl+Z) and "やり直し(&Y)" (Ctrl+Shift+Z, Ctrl+Y): the
  // source before the last Apply, or the one last undone; greyed when there
  // is none.
  void PMenuUndoClick();
  void PMenuRedoClick();
  // "レシピを保存..." and "レシピを適用...": a file dialog, then the
  // recipe's save or its Apply below.
  void PMenuRecipeSaveClick();
  void PMenuRecipeApplyClick();
  // Writes the steps applied since the picture was opened (undone ones left
  // out) as a recipe; the steps that cannot be replayed are comments in it,
  // and the save says so in one line. True when written.
  bool SaveRecipeTo(const QString& path);
  // Runs a recipe on the open picture, one Apply (one undo step) per line,
  // stopping at the first line that fails with a message naming it. A recipe
  // with an unknown step, key or value changes nothing. True when every line
  // ran.
  bool ApplyRecipeFrom(const QString& path);
  // "画面に合わせる(&F)" and the F key: the largest zoom step that shows the
  // whole picture in the image window, centred.
  void PMenuFitClick();
  // What is about to replace the work: the end of the program or another
  // file.
  enum class TDiscardReason { Close, Open };
  // The question before work would be lost, asked only when there is some:
  // "保存" runs the save dialog, "保存しない" goes on without, "キャンセル"
  // (the default, also Esc) stops. True when the caller may go on: nothing
  // to lose, the work saved, or the user chose to lose it.
  bool MayDiscardChanges(TDiscardReason reason = TDiscardReason::Close);

  // Zoom commands shared with the image window.
  void ZoomUp();
  void ZoomDown();
  // Wheel notches: positive up, negative down; one zoom step each.
  void FormMouseWheel(int notches);
  // A wheel event over either window: whole notches, partial turns summed.
  void HandleWheel(QWheelEvent* event);
  // The keys of both windows; true when the key was used. Esc cancels an
  // open effect page, wherever the keyboard is, and closes the program on
  // the menu page. A key held with Ctrl or Alt never closes the program
  // (Ctrl+Z is undo).
  bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);

  QMenu* PopupMenu1() const { return popupMenu1_; }
  QAction* UndoItem() const { return pMenuUndo_; }
  QAction* RedoItem() const { return pMenuRedo_; }
  QAction* SaveItem() const { return pMenuS_; }
  QFileDialog* OpenPictureDialog1() const { return openPictureDialog1_; }
  QFileDialog* SavePictureDialog1() const { return savePictureDialog1_; }
  QLabel* ImageHistogram() const { return imageHistogram_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreatePanel();
  void CreatePopupMenu();
  void CreateDialogs();
  void PageControlChanged(int index);
  // Greys the undo and redo items by the document's history, and the save
  // item while there is no picture.
  void UpdateHistoryItems();

  struct TOpening;
  // The first view of a large JPEG and the full decode started; true when
  // the open was handled so (shown, or its error reported), false when the
  // file is for the one-step open.
  bool StartFirstView(const QString& path);
  // The worker's result, on the GUI thread; a stale one is dropped.
  void OpeningDone(const std::shared_ptr<TOpening>& opening);
  // Stops a running full decode and shows again what was shown before.
  void CancelOpening();
  // The save name, zoom and position of a picture just opened.
  void AfterOpen();

  TDocument document_;
  std::shared_ptr<TOpening> opening_;
  std::thread decoder_;
  TBitmap firstView_;       // the reduced picture shown while decoding
  QRect viewBefore_;        // the picture's place before the first view
  std::int64_t firstViewMinPixels_ = kFirstViewMinPixels;
  QMdiArea* mdiArea_ = nullptr;
  QMdiSubWindow* imageSubWindow_ = nullptr;
  TFormImage* formImage_ = nullptr;
  TFormThumb* formThumb_ = nullptr;
  QWidget* panel1_ = nullptr;
  QTabWidget* pageControl_ = nullptr;
  TPageMenu* menuPage_ = nullptr;
  std::vector<TEffectPage*> pages_;  // by number; [0] is null (the menu page)
  QLabel* imageHistogram_ = nullptr;
  QMenu* popupMenu1_ = nullptr;
  QAction* pMenuR_ = nullptr;
  QAction* pMenuS_ = nullptr;
  QAction* pMenuUndo_ = nullptr;
  QAction* pMenuRedo_ = nullptr;
  QAction* pMenuAuto_ = nullptr;
  QProgressBar* previewProgress_ = nullptr;
  QTimer* progressTimer_ = nullptr;
  QFileDialog* openPictureDialog1_ = nullptr;
  QFileDialog* savePictureDialog1_ = nullptr;
  QSpinBox* saveQuality_ = nullptr;  // in the save dialog: JPEG and WebP quality
  int wheelRemainder_ = 0;
  int busyDepth_ = 0;
  QObject* inputHold_ = nullptr;  // installed on the application while busy
  // The page the page control is to display: 0 (menu) or the open effect page.
  int shownPage_ = 0;
};

}  // namespace kira
