#include "ui/form_main.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCompleter>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QProgressBar>
#include <QSettings>
#include <QTimer>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "core/image_files.h"
#include "document/view_geometry.h"
#include "pages/page_list.h"
#include "ui/form_image.h"
#include "ui/form_thumb.h"
#include "ui/histogram_view.h"
#include "ui/pages/effect_page.h"
#include "ui/pages/page_menu.h"
#include "ui/pages/page_widgets.h"
#include "ui/translation.h"

namespace kira {

namespace {

constexpr int kHistogramWidth = 181;
constexpr int kHistogramHeight = 120;

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString FromLocalPath(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

bool IsPictureName(const QString& path) { return FileKindOf(LocalPath(path)) != TFileKind::Unknown; }

// The editor's settings kept between runs (~/.config/kirabox/kirabox.conf).
constexpr const char* kSettingsName = "kirabox";
const QString kQualityKey = QStringLiteral("save/quality");
const QString kAutoPreviewKey = QStringLiteral("view/autoPreview");
// A Preview shorter than this shows no progress.
constexpr int kProgressAfterMs = 300;

// The quality of JPEG and WebP under the save dialog's name field, as last
// chosen. A WebP at 100 is saved losslessly.
QSpinBox* AddQualityChoice(QFileDialog* dialog) {
  auto* quality = new QSpinBox(dialog);
  quality->setObjectName(QStringLiteral("SaveQuality"));
  quality->setRange(kMinQuality, kMaxQuality);
  const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, kSettingsName, kSettingsName);
  quality->setValue(std::clamp(settings.value(kQualityKey, kDefaultQuality).toInt(), kMinQuality, kMaxQuality));
  quality->setToolTip(QCoreApplication::translate("kira::TFormMain",
                                                  "JPEG と WebP の品質 (1～100)。WebP は 100 で可逆圧縮になります。"));
  auto* grid = qobject_cast<QGridLayout*>(dialog->layout());
  if (!grid) return quality;
  auto* label = new QLabel(QCoreApplication::translate("kira::TFormMain", "品質 (JPEG, WebP):"), dialog);
  label->setBuddy(quality);
  const int row = grid->rowCount();
  grid->addWidget(label, row, 0);
  grid->addWidget(quality, row, 1, Qt::AlignLeft);
  return quality;
}

// A name typed without extension gets the one of the chosen file type: the
// pattern in the last parentheses of the filter.
void FollowFilterWithSuffix(QFileDialog* dialog) {
  QObject::connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
    QString ext = filter.section(QStringLiteral("(*."), -1);
    ext.chop(1);
    if (!ext.isEmpty()) dialog->setDefaultSuffix(ext);
  });
}

// A preview pane beside the file list of a (non-native) file dialog. The
// preview is read scaled by Qt's own reader: it is only a glance at the file,
// not the picture the editor opens.
void AddPicturePreview(QFileDialog* dialog) {
  auto* grid = qobject_cast<QGridLayout*>(dialog->layout());
  if (!grid) return;
  auto* preview = new QLabel(dialog);
  preview->setObjectName(QStringLiteral("PicturePreview"));
  preview->setFixedSize(160, 160);
  preview->setFrameShape(QFrame::StyledPanel);
  preview->setAlignment(Qt::AlignCenter);
  grid->addWidget(preview, 1, grid->columnCount(), 1, 1);
  QObject::connect(dialog, &QFileDialog::currentChanged, preview, [preview](const QString& path) {
    Guarded(preview, [&] {
      preview->clear();
      QImageReader reader(path);
      const QSize size = reader.size();
      if (!reader.canRead() || size.isEmpty()) return;
      reader.setScaledSize(size.scaled(preview->size() - QSize(4, 4), Qt::KeepAspectRatio));
      const QImage image = reader.read();
      if (!image.isNull()) preview->setPixmap(QPixmap::fromImage(image));
    });
  });
}

// The file-name completion of Qt's dialog is a window of its own: closed by
// Return in the name field while it is up, the dialog would leave it
// standing over the picture.
void CloseCompletionWithDialog(QFileDialog* dialog) {
  QObject::connect(dialog, &QDialog::finished, dialog, [dialog] {
    for (QCompleter* completer : dialog->findChildren<QCompleter*>()) completer->popup()->hide();
  });
}

// Held off while an effect runs: the user's mouse, keys, wheel, context menu
// and close requests. A click on Cancel during a Preview must not run inside
// it, or the Preview would go on to fill a result for a page already closed.
class TInputHold : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Shortcut:
      case QEvent::ShortcutOverride:
      case QEvent::Wheel:
      case QEvent::ContextMenu:
      case QEvent::Drop:
        return true;
      case QEvent::Close:
        event->ignore();
        return true;
      default:
        return false;
    }
  }
};

}  // namespace

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("FormMain"));
  document_.SetHost(this);
  setWindowTitle(AppTitle());
  setAcceptDrops(true);

  auto* central = new QWidget(this);
  auto* row = new QHBoxLayout(central);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  mdiArea_ = new QMdiArea(central);
  mdiArea_->setObjectName(QStringLiteral("ClientArea"));
  mdiArea_->setBackground(QColor(128, 128, 128));
  row->addWidget(mdiArea_, 1);
  setCentralWidget(central);
  CreatePanel();
  row->addWidget(panel1_);

  formImage_ = new TFormImage(*this);
  // No system menu and no minimise, maximise or close button: the user
  // cannot close the image window.
  imageSubWindow_ = mdiArea_->addSubWindow(
      formImage_, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  imageSubWindow_->setObjectName(QStringLiteral("FormImageFrame"));
  imageSubWindow_->setSystemMenu(nullptr);
  // Nor by a keyboard shortcut of the frame: its close requests are refused.
  imageSubWindow_->installEventFilter(this);
  formImage_->SetFrame(imageSubWindow_);
  imageSubWindow_->showMaximized();

  formThumb_ = new TFormThumb;

  CreatePopupMenu();
  CreateDialogs();
  ShowMenuPage();
}

TFormMain::~TFormMain() {
  CancelOpening();
  document_.Previews().Stop();
  // The widgets go first, while the document they show is still alive, and
  // without page-change signals from a page control being torn down.
  pageControl_->blockSignals(true);
  delete formThumb_;
  delete takeCentralWidget();
}

void TFormMain::CreatePanel() {
  panel1_ = new QWidget(this);
  panel1_->setObjectName(QStringLiteral("Panel1"));
  panel1_->setFixedWidth(kPanelWidth);
  auto* column = new QVBoxLayout(panel1_);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  pageControl_ = new QTabWidget(panel1_);
  pageControl_->setObjectName(QStringLiteral("PageControl1"));
  pageControl_->setTabPosition(QTabWidget::East);
  pageControl_->setUsesScrollButtons(false);
  menuPage_ = new TPageMenu(*this);
  pageControl_->addTab(menuPage_, tr("メニュー"));
  // The two lists of pages agree, or the editor does not start.
  if (const std::string problem = PageWidgetsProblem(); !problem.empty()) qFatal("%s", problem.c_str());
  pages_.assign(1, nullptr);
  for (const TPageEntry& page : AllPages()) {
    pages_.push_back(PageWidget(page)->make(*this, page));
    pages_.back()->WatchControls();
    pageControl_->addTab(pages_.back(), pages_.back()->Caption());
  }
  connect(pageControl_, &QTabWidget::currentChanged, this, &TFormMain::PageControlChanged);

  // On a low screen a page may be taller than the room above the histogram:
  // the page area then scrolls, and the histogram stays at the bottom. Only
  // the displayed page counts for the height (a page control otherwise asks
  // for the tallest of its pages).
  auto* pageArea = new QScrollArea(panel1_);
  pageArea->setObjectName(QStringLiteral("PageArea"));
  pageArea->setFrameShape(QFrame::NoFrame);
  pageArea->setWidgetResizable(true);
  pageArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  pageArea->setWidget(pageControl_);
  auto fitShownPage = [this] {
    const int shown = pageControl_->currentIndex();
    for (int i = 0; i < pageControl_->count(); ++i) {
      pageControl_->widget(i)->setSizePolicy(QSizePolicy::Preferred,
                                             i == shown ? QSizePolicy::Preferred : QSizePolicy::Ignored);
    }
  };
  connect(pageControl_, &QTabWidget::currentChanged, this, fitShownPage);
  fitShownPage();
  column->addWidget(pageArea, 1);

  // A thin bar under the page while a long Preview runs; its room is kept so
  // that the page does not jump.
  previewProgress_ = new QProgressBar(panel1_);
  previewProgress_->setObjectName(QStringLiteral("PreviewProgress"));
  previewProgress_->setRange(0, 1000);
  previewProgress_->setTextVisible(false);
  previewProgress_->setFixedHeight(6);
  QSizePolicy keepRoom = previewProgress_->sizePolicy();
  keepRoom.setRetainSizeWhenHidden(true);
  previewProgress_->setSizePolicy(keepRoom);
  previewProgress_->hide();
  column->addWidget(previewProgress_);
  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(50);
  connect(progressTimer_, &QTimer::timeout, this, [this] {
    TPreviewRunner& runner = document_.Previews();
    if (!runner.Busy()) {
      progressTimer_->stop();
      previewProgress_->hide();
      return;
    }
    if (runner.RunningMilliseconds() < kProgressAfterMs) return;
    previewProgress_->setValue(static_cast<int>(std::max(0.0, runner.Progress()) * 1000));
    previewProgress_->show();
  });
  document_.Previews().SetErrorHandler([this](std::exception_ptr error) {
    Run([&error] { std::rethrow_exception(error); });
  });

  auto* panel3 = new QWidget(panel1_);
  panel3->setObjectName(QStringLiteral("Panel3"));
  panel3->setFixedHeight(137);
  imageHistogram_ = new QLabel(panel3);
  imageHistogram_->setObjectName(QStringLiteral("ImageHistogram"));
  imageHistogram_->setGeometry(8, 8, kHistogramWidth, kHistogramHeight);
  imageHistogram_->setScaledContents(true);
  column->addWidget(panel3);
}

void TFormMain::CreatePopupMenu() {
  popupMenu1_ = new QMenu(this);
  popupMenu1_->setObjectName(QStringLiteral("PopupMenu1"));
  auto item = [this](const char* name, const QString& caption) {
    QAction* action = popupMenu1_->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
  };
  auto separator = [this](const char* name) {
    popupMenu1_->addSeparator()->setObjectName(QString::fromLatin1(name));
  };
  QAction* pMenuO = item("PMenuO", tr("ﾌｧｲﾙ開く (&O)"));
  pMenuS_ = item("PMenuS", tr("ﾌｧｲﾙ保存 (&S)"));
  separator("N3");
  pMenuUndo_ = item("PMenuUndo", tr("元に戻す(&U)"));
  // Y as in Ctrl+Y: R is the RGB histogram's letter.
  pMenuRedo_ = item("PMenuRedo", tr("やり直し(&Y)"));
  QAction* pMenuRecipeSave = item("PMenuRecipeSave", tr("レシピを保存(&E)..."));
  QAction* pMenuRecipeApply = item("PMenuRecipeApply", tr("レシピを適用(&A)..."));
  separator("N4");
  QAction* pMenuT = item("PMenuT", tr("サムネイル一覧(&T)"));
  QAction* pMenuTBack = item("PMenuTBack", tr("サムネイル一覧に戻る(&B)"));
  separator("N1");
  QAction* pMenu100 = item("PMenu100", tr("表示サイズ 100% (&1)"));
  QAction* pMenuFit = item("PMenuFit", tr("画面に合わせる(&F)"));
  pMenuR_ = item("PMenuR", tr("RGBヒストグラム(&R)"));
  pMenuR_->setCheckable(true);
  pMenuAuto_ = item("PMenuAuto", tr("自動プレビュー(&P)"));
  pMenuAuto_->setCheckable(true);
  pMenuAuto_->setChecked(
      QSettings(QSettings::NativeFormat, QSettings::UserScope, kSettingsName, kSettingsName)
          .value(kAutoPreviewKey, true)
          .toBool());
  separator("N2");
  QAction* pMenuX = item("PMenuX", tr("終了 (&X)"));

  connect(pMenuO, &QAction::triggered, this, [this] { Run([this] { PMenuOClick(); }); });
  connect(pMenuS_, &QAction::triggered, this, [this] { Run([this] { PMenuSClick(); }); });
  connect(pMenuT, &QAction::triggered, this, [this] { Run([this] { PMenuTClick(); }); });
  connect(pMenuTBack, &QAction::triggered, this, [this] { Run([this] { formThumb_->BringBack(); }); });
  connect(pMenu100, &QAction::triggered, this, [this] { Run([this] { PMenu100Click(); }); });
  // The action ticks and unticks itself; the handler follows its state.
  connect(pMenuR_, &QAction::triggered, this, [this] {
    Run([this] {
      document_.SetRgbHistogram(pMenuR_->isChecked());
      // Before the first picture the view label is empty and nothing is drawn.
      if (document_.ViewLabel() != TViewLabel::None) DrawHistogram(document_.ShownImage());
    });
  });
  connect(pMenuX, &QAction::triggered, this, [this] { Run([this] { PMenuXClick(); }); });
  connect(pMenuAuto_, &QAction::triggered, this, [this](bool on) { Run([this, on] { SetAutoPreview(on); }); });

  // The keys of undo and redo work in the whole frame, the image window
  // included, with or without the menu open.
  pMenuUndo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  pMenuRedo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                            QKeySequence(Qt::CTRL | Qt::Key_Y)});
  addAction(pMenuUndo_);
  addAction(pMenuRedo_);
  connect(pMenuUndo_, &QAction::triggered, this, [this] { Run([this] { PMenuUndoClick(); }); });
  connect(pMenuRedo_, &QAction::triggered, this, [this] { Run([this] { PMenuRedoClick(); }); });
  connect(pMenuFit, &QAction::triggered, this, [this] { Run([this] { PMenuFitClick(); }); });
  connect(pMenuRecipeSave, &QAction::triggered, this, [this] { Run([this] { PMenuRecipeSaveClick(); }); });
  connect(pMenuRecipeApply, &QAction::triggered, this, [this] { Run([this] { PMenuRecipeApplyClick(); }); });
  connect(popupMenu1_, &QMenu::aboutToShow, this, &TFormMain::UpdateHistoryItems);
  UpdateHistoryItems();
}

void TFormMain::UpdateHistoryItems() {
  if (!pMenuUndo_) return;
  pMenuS_->setEnabled(!document_.ShownImage().Empty());
  pMenuUndo_->setEnabled(document_.CanUndo());
  pMenuRedo_->setEnabled(document_.CanRedo());
}

void TFormMain::CreateDialogs() {
  openPictureDialog1_ = new QFileDialog(this);
  openPictureDialog1_->setObjectName(QStringLiteral("OpenPictureDialog1"));
  // Qt's own dialog, so that the picture preview pane can be added. Qt reads
  // the patterns from the last parentheses of an entry and hides them; the
  // descriptions show as written.
  openPictureDialog1_->setOptions(QFileDialog::DontUseNativeDialog |
                                  QFileDialog::HideNameFilterDetails);
  openPictureDialog1_->setAcceptMode(QFileDialog::AcceptOpen);
  openPictureDialog1_->setFileMode(QFileDialog::ExistingFile);
  openPictureDialog1_->setNameFilters({
      tr("画像ファイル (*.jpg;*.jpeg;*.png;*.gif;*.tif;*.tiff;*.webp;*.heic;*.heif;*.avif;*.bmp) "
                     "(*.jpg *.jpeg *.png *.gif *.tif *.tiff *.webp *.heic *.heif *.avif *.bmp)"),
      tr("JPEG イメージファイル (*.jpg) (*.jpg)"),
      tr("JPEG イメージファイル (*.jpeg) (*.jpeg)"),
      tr("ビットマップ (*.bmp) (*.bmp)"),
      // Files are read by content: a picture under any name opens.
      tr("すべてのファイル (*.*) (*)"),
  });
  AddPicturePreview(openPictureDialog1_);
  CloseCompletionWithDialog(openPictureDialog1_);

  savePictureDialog1_ = new QFileDialog(this);
  savePictureDialog1_->setObjectName(QStringLiteral("SavePictureDialog1"));
  // The overwrite prompt is on: DontConfirmOverwrite is not among the options.
  savePictureDialog1_->setOptions(QFileDialog::DontUseNativeDialog |
                                  QFileDialog::HideNameFilterDetails);
  savePictureDialog1_->setAcceptMode(QFileDialog::AcceptSave);
  savePictureDialog1_->setFileMode(QFileDialog::AnyFile);
  savePictureDialog1_->setDefaultSuffix(QStringLiteral("jpg"));
  savePictureDialog1_->setNameFilters({
      QStringLiteral("JPEG (*.JPG) (*.jpg)"),
      QStringLiteral("JPEG (*.JPEG) (*.jpeg)"),
      // The description lacks its closing parenthesis, as it always has.
      tr("ビットマップ (*.BMP (*.bmp)"),
      QStringLiteral("PNG (*.PNG) (*.png)"),
      QStringLiteral("TIFF (*.TIF) (*.tif)"),
      QStringLiteral("TIFF (*.TIFF) (*.tiff)"),
      QStringLiteral("WebP (*.WEBP) (*.webp)"),
  });
  AddPicturePreview(savePictureDialog1_);
  saveQuality_ = AddQualityChoice(savePictureDialog1_);
  FollowFilterWithSuffix(savePictureDialog1_);
  CloseCompletionWithDialog(savePictureDialog1_);
}

TEffectPage* TFormMain::Page(int number) const {
  return number >= 1 && number < static_cast<int>(pages_.size()) ? pages_[static_cast<std::size_t>(number)] : nullptr;
}

int TFormMain::OpenPageNumber() const { return pageControl_->currentIndex(); }

void TFormMain::OpenEffectPage(int number) {
  if (!Page(number)) return;
  FinishOpening();
  shownPage_ = number;
  // The effect page's tab is made visible before it is selected, and the
  // menu page's hidden last, so that the tab bar never moves its selection
  // to a third page on its own.
  pageControl_->setTabVisible(number, true);
  pageControl_->setCurrentIndex(number);
  pageControl_->setTabVisible(0, false);
}

void TFormMain::ShowMenuPage() {
  shownPage_ = 0;
  pageControl_->setTabVisible(0, true);
  pageControl_->setCurrentIndex(0);
  for (int n = 1; n < static_cast<int>(pages_.size()); ++n) pageControl_->setTabVisible(n, false);
  // Every Apply, undo, redo and open ends here.
  UpdateHistoryItems();
}

void TFormMain::PageControlChanged(int index) {
  // Pages change by the menu buttons, Apply, Cancel and an open only. The
  // toolkit's own tab navigation (Ctrl+Tab, the arrow keys on the tab bar)
  // also reaches hidden pages, which would show a page without its opening
  // (the resize page without its sizes) and with no way back by its tab: it
  // is undone, and no show handler runs for it.
  if (index != shownPage_) {
    const QSignalBlocker quiet(pageControl_);
    pageControl_->setCurrentIndex(shownPage_);
    return;
  }
  if (TEffectPage* page = Page(index)) Run([page] { page->ShowPage(); });
}

void TFormMain::BeginBusy() {
  if (busyDepth_++ == 0) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!inputHold_) inputHold_ = new TInputHold(this);
    qApp->installEventFilter(inputHold_);
  }
  // One pass of pending events, so that the cursor is on screen before the
  // work starts. The user's input waits in the queue until the work is done.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TFormMain::EndBusy() {
  if (busyDepth_ > 0 && --busyDepth_ == 0) {
    qApp->removeEventFilter(inputHold_);
    QApplication::restoreOverrideCursor();
  }
}

void TFormMain::ShowWorkingImage(const TBitmap& image, bool keepCentre) {
  formImage_->ShowWorkingImage(image, keepCentre);
}

void TFormMain::DrawHistogram(const TBitmap& image) {
  imageHistogram_->setPixmap(QPixmap::fromImage(
      RenderHistogram(image, document_.RgbHistogram(), kHistogramWidth, kHistogramHeight)));
}

void TFormMain::ShowFileCaption() { formImage_->ShowFileCaption(); }

void TFormMain::CentreImage() { formImage_->CentreImage(); }

void TFormMain::PreviewEnded() {
  // On the worker's thread: the run is taken in on this window's thread.
  QMetaObject::invokeMethod(
      this,
      [this] {
        Run([this] { document_.Previews().Deliver(); });
        if (!document_.Previews().Busy()) previewProgress_->hide();
      },
      Qt::QueuedConnection);
}

bool TFormMain::AutoPreview() const { return pMenuAuto_->isChecked(); }

void TFormMain::SetAutoPreview(bool on) {
  pMenuAuto_->setChecked(on);
  QSettings(QSettings::NativeFormat, QSettings::UserScope, kSettingsName, kSettingsName).setValue(kAutoPreviewKey, on);
}

void TFormMain::WatchPreview() {
  if (!progressTimer_->isActive()) progressTimer_->start();
}

void TFormMain::OpenImageFile(const QString& path) {
  // A file that is no picture opens nothing and loses nothing: it is named,
  // without the question about unsaved work first.
  if (const std::string problem = CheckPictureFile(LocalPath(path)); !problem.empty()) {
    ReportError(this, FileErrorText(tr("ファイルを開けませんでした。"), path,
                                    QString::fromStdString(problem)));
    return;
  }
  // During a two-step open the work before it was already given up.
  if (opening_)
    CancelOpening();
  else if (!MayDiscardChanges(TDiscardReason::Open))
    return;
  if (StartFirstView(path)) return;
  std::string error;
  TOpenOutcome outcome;
  {
    TBusyScope busy(*this);
    outcome = document_.OpenImageFile(LocalPath(path), &error);
  }
  if (outcome == TOpenOutcome::Failed) {
    ReportError(this, FileErrorText(tr("ファイルを開けませんでした。"), path,
                                    QString::fromStdString(error)));
  } else if (outcome == TOpenOutcome::Opened) {
    AfterOpen();
  }
}

void TFormMain::AfterOpen() {
  savePictureDialog1_->selectFile(FromLocalPath(document_.ProposedSaveName()));
  // Whatever the zoom of the last picture: the whole picture, at 100 %
  // when it fits.
  const TBitmap& source = document_.Source();
  if (FitZoomPercent(source.Width(), source.Height(), formImage_->width(), formImage_->height()) >= 100) {
    PMenu100Click();
    formImage_->CentreImage();
    // Centred on the frame's size, a picture nearly as large as the window
    // would lose an edge under the title bar: then on the inner area.
    if (!formImage_->rect().contains(formImage_->Image1()->geometry())) formImage_->CentreInClientArea();
  } else {
    PMenuFitClick();
  }
}

void TFormMain::HandleDroppedFiles(const QMimeData* data) {
  if (!data || !data->hasUrls()) return;
  const QList<QUrl> urls = data->urls();
  // Only the first file of a drop is opened.
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  OpenImageFile(urls.first().toLocalFile());
}

void TFormMain::PMenuOClick() {
  if (openPictureDialog1_->exec() != QDialog::Accepted) return;
  const QStringList files = openPictureDialog1_->selectedFiles();
  if (files.isEmpty()) return;
  // Opened by content, whatever the extension; OpenImageFile names a file
  // that is no picture.
  OpenImageFile(files.first());
}

void TFormMain::PMenuSClick() { SaveWithDialog(); }

bool TFormMain::SaveWithDialog() {
  FinishOpening();
  // What is saved is the newest result, not one still being made.
  document_.Previews().Finish();
  // Nothing to save: no dialog.
  if (document_.ShownImage().Empty()) return false;
  if (savePictureDialog1_->exec() != QDialog::Accepted) return false;
  const QStringList files = savePictureDialog1_->selectedFiles();
  if (files.isEmpty()) return false;
  // Another extension writes nothing; the user is told why.
  if (!IsPictureName(files.first())) {
    ReportError(this, SaveFormatsText());
    return false;
  }
  const int quality = saveQuality_->value();
  QSettings(QSettings::NativeFormat, QSettings::UserScope, kSettingsName, kSettingsName).setValue(kQualityKey, quality);
  std::string error;
  bool saved;
  {
    TBusyScope busy(*this);
    saved = document_.SaveShownImage(LocalPath(files.first()), &error, TSaveOptions{quality});
  }
  if (!saved && !error.empty()) {
    ReportError(this, FileErrorText(tr("ファイルを保存できませんでした。"),
                                    files.first(), QString::fromStdString(error)));
  }
  return saved;
}

void TFormMain::PMenuTClick() {
  // The folder dialog "画像フォルダ" on the picture folder; a chosen folder
  // becomes the picture folder and the open dialog's folder, and fills the
  // thumbnail browser.
  formThumb_->ChooseFolder(*this);
}

void TFormMain::PMenu100Click() {
  FinishOpening();
  document_.SetZoomPercent(100);
  formImage_->ApplyZoom(100);
}

void TFormMain::PMenuRClick() { pMenuR_->trigger(); }

void TFormMain::PMenuXClick() { close(); }

void TFormMain::ButtonExitClick() { close(); }

void TFormMain::PMenuUndoClick() {
  FinishOpening();
  document_.Undo();
  UpdateHistoryItems();
}

void TFormMain::PMenuRedoClick() {
  FinishOpening();
  document_.Redo();
  UpdateHistoryItems();
}

void TFormMain::PMenuFitClick() {
  FinishOpening();
  const TBitmap& shown = document_.ShownImage();
  if (shown.Empty()) return;
  document_.SetZoomPercent(FitZoomPercent(shown.Width(), shown.Height(), formImage_->width(), formImage_->height()));
  formImage_->ApplyZoom(document_.ZoomPercent());
  formImage_->CentreInClientArea();
}

bool TFormMain::MayDiscardChanges(TDiscardReason reason) {
  if (!document_.HasUnsavedChanges()) return true;
  const QString text = reason == TDiscardReason::Close
                           ? tr("保存されていない変更があります。終了する前に保存しますか?")
                           : tr("保存されていない変更があります。別のファイルを開く前に保存しますか?");
  QMessageBox box(QMessageBox::Question, AppTitle(), text, QMessageBox::NoButton, this);
  box.setObjectName(QStringLiteral("CloseQuestion"));
  QPushButton* save = box.addButton(tr("保存"), QMessageBox::AcceptRole);
  save->setObjectName(QStringLiteral("CloseQuestionSave"));
  QPushButton* discard = box.addButton(tr("保存しない"), QMessageBox::DestructiveRole);
  discard->setObjectName(QStringLiteral("CloseQuestionDiscard"));
  QPushButton* cancel = box.addButton(tr("キャンセル"), QMessageBox::RejectRole);
  cancel->setObjectName(QStringLiteral("CloseQuestionCancel"));
  box.setDefaultButton(cancel);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == discard) return true;
  // A cancelled or failed save loses nothing: the caller stops.
  return box.clickedButton() == save && SaveWithDialog();
}

void TFormMain::ZoomUp() {
  FinishOpening();
  if (document_.Source().Empty()) return;
  document_.SetZoomPercent(ZoomIn(document_.ZoomPercent()));
  formImage_->ApplyZoom(document_.ZoomPercent());
}

void TFormMain::ZoomDown() {
  FinishOpening();
  if (document_.Source().Empty()) return;
  document_.SetZoomPercent(ZoomOut(document_.ZoomPercent()));
  formImage_->ApplyZoom(document_.ZoomPercent());
}

void TFormMain::FormMouseWheel(int notches) {
  for (; notches > 0; --notches) ZoomUp();
  for (; notches < 0; ++notches) ZoomDown();
}

void TFormMain::HandleWheel(QWheelEvent* event) {
  // Fine-grained wheels and touchpads send parts of a notch; whole notches
  // of 120 units each are counted.
  wheelRemainder_ += event->angleDelta().y();
  const int notches = wheelRemainder_ / 120;
  wheelRemainder_ -= notches * 120;
  event->accept();
  if (notches != 0) Run([this, notches] { FormMouseWheel(notches); });
}

bool TFormMain::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
  if (modifiers & (Qt::ControlModifier | Qt::AltModifier)) {
    // Held with Ctrl or Alt, Esc and Z are never the keys that close. The
    // undo and redo keys arrive here when their items are greyed (nothing to
    // do) or a control let them pass; the zoom keys work as without.
    const bool ctrlOnly = (modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier);
    if (ctrlOnly && key == Qt::Key_Z) {
      if (modifiers & Qt::ShiftModifier)
        PMenuRedoClick();
      else
        PMenuUndoClick();
      return true;
    }
    if (ctrlOnly && key == Qt::Key_Y) {
      PMenuRedoClick();
      return true;
    }
    if (key == Qt::Key_Z || key == Qt::Key_Escape) return false;
  }
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_M:
      ZoomUp();
      return true;
    case Qt::Key_Down:
    case Qt::Key_N:
      ZoomDown();
      return true;
    case Qt::Key_Escape:
      // With an effect page open Esc is its Cancel button, from either
      // window: a click on the picture (every pan) moves the keyboard there.
      // On the menu page it closes like Z.
      if (TEffectPage* page = Page(OpenPageNumber())) {
        page->CancelButton()->click();
        return true;
      }
      ButtonExitClick();
      return true;
    case Qt::Key_Z:
      ButtonExitClick();
      return true;
    case Qt::Key_F:
      PMenuFitClick();
      return true;
    default:
      return false;
  }
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == imageSubWindow_ && event->type() == QEvent::Close) {
    event->ignore();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TFormMain::keyPressEvent(QKeyEvent* event) {
  bool used = false;
  Run([&] { used = FormKeyDown(event->key(), event->modifiers()); });
  if (used)
    event->accept();
  else
    QMainWindow::keyPressEvent(event);
}

void TFormMain::wheelEvent(QWheelEvent* event) { HandleWheel(event); }

void TFormMain::contextMenuEvent(QContextMenuEvent* event) {
  popupMenu1_->exec(event->globalPos());
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  Run([this, event] { HandleDroppedFiles(event->mimeData()); });
}

void TFormMain::closeEvent(QCloseEvent* event) {
  // Every way of closing comes here, the window manager's included: work
  // that would be lost is asked about first.
  bool mayClose = false;
  // During a two-step open the work before it was already given up.
  if (opening_) {
    CancelOpening();
    mayClose = true;
  } else {
    Run([&] { mayClose = MayDiscardChanges(); });
  }
  if (!mayClose) {
    event->ignore();
    return;
  }
  // Closing the main window ends the program: the thumbnail browser, a
  // top-level window of its own, goes with it.
  formThumb_->close();
  event->accept();
}

}  // namespace kira
