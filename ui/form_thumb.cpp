#include "ui/form_thumb.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include "core/image_files.h"
#include "core/parallel_rows.h"
#include "ui/bitmap_image.h"
#include "ui/error_report.h"
#include "ui/form_main.h"

namespace kira {

namespace {

const QColor kGridLineColour(192, 192, 192);

QColor Background() { return QColor(kThumbBackground.red, kThumbBackground.green, kThumbBackground.blue); }

QString FromLocal(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

// The busy cursor for as long as the object lives.
struct TBusyCursor {
  TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

}  // namespace

// ---- StringGridThumb ------------------------------------------------------

TThumbGrid::TThumbGrid(QWidget* parent) : QAbstractScrollArea(parent) {
  setObjectName(QStringLiteral("StringGridThumb"));
  setFrameShape(QFrame::NoFrame);
  viewport()->setMouseTracking(true);
  // Cells cover everything they paint; the viewport need not be cleared first.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

void TThumbGrid::SetShape(int cols, int rows, int cellSize) {
  cols_ = std::max(1, cols);
  rows_ = std::max(1, rows);
  cellSize_ = std::max(1, cellSize);
  row_ = std::min(row_, rows_ - 1);
  col_ = std::min(col_, cols_ - 1);
  UpdateScrollBars();
  viewport()->update();
}

void TThumbGrid::SetCurrentCell(int row, int col) {
  if (row < 0 || col < 0 || row >= rows_ || col >= cols_) return;
  row_ = row;
  col_ = col;
}

bool TThumbGrid::CellAt(QPoint viewportPos, int& row, int& col) const {
  const int pitch = cellSize_ + kThumbGridLine;
  const int x = viewportPos.x() + horizontalScrollBar()->value();
  const int y = viewportPos.y() + verticalScrollBar()->value();
  if (x < 0 || y < 0) return false;
  col = x / pitch;
  row = y / pitch;
  return col < cols_ && row < rows_;
}

QRect TThumbGrid::CellRect(int row, int col) const {
  const int pitch = cellSize_ + kThumbGridLine;
  return QRect(col * pitch - horizontalScrollBar()->value(), row * pitch - verticalScrollBar()->value(),
               cellSize_, cellSize_);
}

void TThumbGrid::UpdateScrollBars() {
  const int pitch = cellSize_ + kThumbGridLine;
  const QSize view = viewport()->size();
  horizontalScrollBar()->setRange(0, std::max(0, cols_ * pitch - view.width()));
  horizontalScrollBar()->setPageStep(view.width());
  horizontalScrollBar()->setSingleStep(pitch);
  verticalScrollBar()->setRange(0, std::max(0, rows_ * pitch - view.height()));
  verticalScrollBar()->setPageStep(view.height());
  verticalScrollBar()->setSingleStep(pitch);
}

void TThumbGrid::PaintCells(QPainter& painter, const QRect& area) {
  painter.fillRect(area, kGridLineColour);
  if (!drawCell) return;
  const int pitch = cellSize_ + kThumbGridLine;
  const int sx = horizontalScrollBar()->value(), sy = verticalScrollBar()->value();
  // Only the cells that meet the area to paint.
  const int c0 = std::max(0, (area.left() + sx) / pitch);
  const int c1 = std::min(cols_ - 1, (area.right() + sx) / pitch);
  const int r0 = std::max(0, (area.top() + sy) / pitch);
  const int r1 = std::min(rows_ - 1, (area.bottom() + sy) / pitch);
  for (int r = r0; r <= r1; ++r) {
    for (int c = c0; c <= c1; ++c) {
      const QRect rect = CellRect(r, c);
      painter.save();
      painter.setClipRect(rect);
      drawCell(painter, r, c, rect);
      painter.restore();
    }
  }
}

void TThumbGrid::paintEvent(QPaintEvent* event) {
  const QRect area = event->rect();
  QPainter painter(viewport());
  if (!doubleBuffered_) {
    PaintCells(painter, area);
    return;
  }
  // Flicker prevention: the cells are put together off screen and shown at once.
  QImage buffer(area.size(), QImage::Format_RGB32);
  {
    QPainter off(&buffer);
    off.translate(-area.topLeft());
    PaintCells(off, area);
  }
  painter.drawImage(area.topLeft(), buffer);
}

void TThumbGrid::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void TThumbGrid::mousePressEvent(QMouseEvent* event) {
  int row = 0, col = 0;
  if (CellAt(event->position().toPoint(), row, col)) {
    SetCurrentCell(row, col);
  }
  QAbstractScrollArea::mousePressEvent(event);
}

void TThumbGrid::mouseMoveEvent(QMouseEvent* event) {
  if (mouseMoved) mouseMoved(event->position().toPoint());
  QAbstractScrollArea::mouseMoveEvent(event);
}

void TThumbGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  int row = 0, col = 0;
  if (CellAt(event->position().toPoint(), row, col)) SetCurrentCell(row, col);
  event->accept();
  if (doubleClicked) doubleClicked();
}

void TThumbGrid::scrollContentsBy(int, int) { viewport()->update(); }

// ---- TFormThumb -------------------------------------------------------------

TFormThumb::TFormThumb() : QWidget(nullptr, Qt::Window) {
  setObjectName(QStringLiteral("FormThumb"));
  SetCaption(QString());
  resize(kDesignWidth, kDesignHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(StartPosition(screen->geometry().size(), size()));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  grid_ = new TThumbGrid(this);
  layout->addWidget(grid_);
  grid_->SetShape(kThumbMinColumns, kThumbMinRows, cellSize_);
  grid_->drawCell = [this](QPainter& painter, int row, int col, const QRect& rect) {
    Guarded(this, [&] { DrawThumbCell(painter, row, col, rect); });
  };
  grid_->mouseMoved = [this](QPoint pos) { Guarded(this, [&] { StringGridThumbMouseMove(pos); }); };
  grid_->doubleClicked = [this] { Guarded(this, [&] { StringGridThumbDblClick(); }); };

  // Over the grid, outside the layout; shown only during the reading pass.
  labelRead_ = new QLabel(QString::fromLatin1(kReadingIdle), this);
  labelRead_->setObjectName(QStringLiteral("LabelRead"));
  QFont bold = labelRead_->font();
  bold.setBold(true);
  bold.setItalic(true);
  bold.setPixelSize(16);
  labelRead_->setFont(bold);
  labelRead_->adjustSize();
  labelRead_->hide();

  CreateMenu();
}

QPoint TFormThumb::StartPosition(QSize screen, QSize window) {
  return QPoint((screen.width() - window.width()) / 2,
                screen.height() - window.height() - 48);
}

void TFormThumb::CreateMenu() {
  pMenu1_ = new QMenu(this);
  pMenu1_->setObjectName(QStringLiteral("PMenu1"));
  auto item = [this](const char* name, const QString& caption) {
    QAction* action = pMenu1_->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
  };
  QAction* pMenuR = item("PMenuR", tr("再読込(&R)"));
  pMenu1_->addSeparator()->setObjectName(QStringLiteral("N1"));
  pMenuS_ = item("PMenuS", tr("ｽﾓｰﾙ(&S)"));
  pMenuM_ = item("PMenuM", tr("ﾐﾃﾞｨｱﾑ(&M)"));
  pMenuL_ = item("PMenuL", tr("ﾗｰｼﾞ(&L)"));
  pMenu1_->addSeparator()->setObjectName(QStringLiteral("N2"));
  pMenuF_ = item("PMenuF", tr("ちらつき防止(&F)"));

  // The three sizes are one choice: exactly one of them is ticked.
  auto* sizes = new QActionGroup(this);
  sizes->setExclusive(true);
  for (QAction* a : {pMenuS_, pMenuM_, pMenuL_}) {
    a->setCheckable(true);
    sizes->addAction(a);
  }
  pMenuM_->setChecked(true);
  pMenuF_->setCheckable(true);
  pMenuF_->setChecked(false);

  connect(pMenuR, &QAction::triggered, this, [this] { Guarded(this, [this] { PMenuRClick(); }); });
  connect(pMenuS_, &QAction::triggered, this, [this] { Guarded(this, [this] { PMenuSClick(); }); });
  connect(pMenuM_, &QAction::triggered, this, [this] { Guarded(this, [this] { PMenuMClick(); }); });
  connect(pMenuL_, &QAction::triggered, this, [this] { Guarded(this, [this] { PMenuLClick(); }); });
  // The action ticks and unticks itself; the handler follows its state.
  connect(pMenuF_, &QAction::triggered, this, [this] { Guarded(this, [this] { PMenuFClick(); }); });
}

TFormMain* TFormThumb::Main() {
  if (!main_) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* main = qobject_cast<TFormMain*>(w)) {
        main_ = main;
        break;
      }
    }
  }
  return main_;
}

void TFormThumb::ChooseFolder(TFormMain& main) {
  main_ = &main;
  QFileDialog dialog(&main, tr("画像フォルダ"));
  dialog.setObjectName(QStringLiteral("FolderDialog"));
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ShowDirsOnly);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (!pictureFolder_.isEmpty() && QFileInfo(pictureFolder_).isDir())
    dialog.setDirectory(pictureFolder_);
  else
    dialog.setDirectory(main.OpenPictureDialog1()->directory());
  if (dialog.exec() != QDialog::Accepted) return;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return;
  pictureFolder_ = chosen.first();
  main.OpenPictureDialog1()->setDirectory(pictureFolder_);
  SetCaption(pictureFolder_);
  show();
  ScanPictureFolder(pictureFolder_);
}

void TFormThumb::BringBack() {
  setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
  show();
  raise();
  activateWindow();
}

void TFormThumb::ScanPictureFolder(const QString& folder) {
  TBusyCursor busy;
  files_ = kira::ScanPictureFolder(QFile::encodeName(folder).toStdString());
  ReloadThumbnails();
}

void TFormThumb::ReloadThumbnails() {
  const int pass = ++passNumber_;
  grid_->hide();
  labelRead_->show();
  labelRead_->raise();
  FormResize();
  // The pass reads its own copy: the events it lets run may list another
  // folder meanwhile.
  const std::vector<std::string> files = files_;
  const int n = static_cast<int>(files.size());
  const int cellSize = cellSize_;
  ReadThumbnails(files, cellSize, cache_, DefaultThreads(), [&](int k) {
    labelRead_->setText(QString::fromStdString(ReadingText(k, n)));
    labelRead_->adjustSize();
    QCoreApplication::processEvents();
    return pass == passNumber_;
  });
  // A pass started meanwhile has done the rest.
  if (pass != passNumber_) return;
  labelRead_->setText(QString::fromLatin1(kReadingIdle));
  labelRead_->adjustSize();
  labelRead_->hide();
  grid_->show();
  grid_->viewport()->update();
  setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
  raise();
  activateWindow();
}

void TFormThumb::FormResize() {
  const int n = static_cast<int>(files_.size());
  // The grid fills the client area; a vertical scroll bar, when the rows need
  // one, takes its width from it.
  int clientWidth = width();
  TThumbLayout layout = ThumbLayout(clientWidth, cellSize_, n);
  if (layout.rows * (cellSize_ + kThumbGridLine) > height()) {
    clientWidth -= style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    layout = ThumbLayout(clientWidth, cellSize_, n);
  }
  grid_->SetShape(layout.columns, layout.rows, cellSize_);
  labelRead_->move(CentredOffset(width(), labelRead_->width()), CentredOffset(height(), labelRead_->height()));
}

void TFormThumb::DrawThumbCell(QPainter& painter, int row, int col, const QRect& rect) {
  painter.fillRect(rect, Background());
  const int i = ThumbIndex(row, col, grid_->ColCount(), static_cast<int>(files_.size()));
  if (i < 0) return;
  const TThumbnail& t = cache_.Get(files_[static_cast<std::size_t>(i)], cellSize_);
  const QImage picture = BitmapView(t.bitmap);
  if (picture.isNull()) return;
  painter.drawImage(rect.topLeft(), picture);
  if (t.noImage) {
    // One line in the middle, inside the frame.
    const QRect inside(rect.left() + 1, rect.top() + 1, picture.width() - 2, picture.height() - 2);
    painter.save();
    painter.setClipRect(inside, Qt::IntersectClip);
    painter.setPen(Qt::black);
    painter.setFont(font());
    painter.drawText(QRect(rect.topLeft(), picture.size()), Qt::AlignCenter | Qt::TextSingleLine,
                     QStringLiteral("No Image"));
    painter.restore();
  }
}

void TFormThumb::StringGridThumbMouseMove(QPoint viewportPos) {
  int row = 0, col = 0;
  int i = -1;
  if (grid_->CellAt(viewportPos, row, col))
    i = ThumbIndex(row, col, grid_->ColCount(), static_cast<int>(files_.size()));
  if (i >= 0)
    SetCaption(QLatin1Char('[') + FromLocal(FileNamePart(files_[static_cast<std::size_t>(i)])) + QLatin1Char(']'));
  else
    SetCaption(QString());
}

void TFormThumb::SetCaption(const QString& text) {
  // One blank is an empty title the toolkit leaves alone.
  setWindowTitle(text.isEmpty() ? QStringLiteral(" ") : text);
}

void TFormThumb::StringGridThumbDblClick() {
  TBusyCursor busy;
  TFormMain* main = Main();
  const int i = ThumbIndex(grid_->Row(), grid_->Col(), grid_->ColCount(), static_cast<int>(files_.size()));
  if (i >= 0) {
    const std::string path = files_[static_cast<std::size_t>(i)];
    SetCaption(QLatin1Char('[') + FromLocal(FileNamePart(path)) + QLatin1Char(']'));
    // The editor reads it by content, as the browser did.
    if (main) main->Run([&] { main->OpenImageFile(FromLocal(path)); });
  } else {
    SetCaption(QString());
  }
  if (main) {
    main->activateWindow();
    main->setFocus();
  }
}

void TFormThumb::PMenuRClick() {
  ScanPictureFolder(pictureFolder_);
}

void TFormThumb::SetCellSize(int size) {
  cellSize_ = size;
  pMenuS_->setChecked(size == kThumbSmall);
  pMenuM_->setChecked(size == kThumbMedium);
  pMenuL_->setChecked(size == kThumbLarge);
  ReloadThumbnails();
}

void TFormThumb::PMenuSClick() { SetCellSize(kThumbSmall); }
void TFormThumb::PMenuMClick() { SetCellSize(kThumbMedium); }
void TFormThumb::PMenuLClick() { SetCellSize(kThumbLarge); }

void TFormThumb::PMenuFClick() { grid_->SetDoubleBuffered(pMenuF_->isChecked()); }

void TFormThumb::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Guarded(this, [this] {
    FitFrameToDesign();
    FormResize();
  });
}

void TFormThumb::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  FitFrameToDesign();
}

void TFormThumb::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  FitFrameToDesign();
}

void TFormThumb::FitFrameToDesign() {
  if (frameFitted_ || !isVisible()) return;
  // The frame is known once the window manager has put its own around the
  // window; without one there is none and the inside is the whole window.
  const QRect frame = frameGeometry();
  if (frame.size() == size()) return;
  frameFitted_ = true;
  if (size() != QSize(kDesignWidth, kDesignHeight)) return;
  const QSize border = frame.size() - size();
  resize(QSize(kDesignWidth, kDesignHeight) - border);
  if (const QScreen* s = screen()) move(StartPosition(s->geometry().size(), QSize(kDesignWidth, kDesignHeight)));
}

void TFormThumb::contextMenuEvent(QContextMenuEvent* event) { pMenu1_->exec(event->globalPos()); }

}  // namespace kira
