#include "ui/form_image.h"

#include <algorithm>

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QWheelEvent>

#include "document/view_geometry.h"
#include "ui/bitmap_image.h"
#include "ui/form_main.h"
#include "ui/translation.h"

namespace kira {

TImageControl::TImageControl(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Image1"));
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TImageControl::SetPicture(const TBitmap* bitmap) {
  picture_ = bitmap;
  update();
}

void TImageControl::paintEvent(QPaintEvent* event) {
  if (!picture_ || width() <= 0 || height() <= 0) return;
  const QImage view = BitmapView(*picture_);
  if (view.isNull()) return;
  // Only the exposed part is drawn: at 250 % a large photograph is far
  // bigger than the screen, and the picture may lie mostly outside it.
  const QRectF target = event->rect();
  const qreal sx = static_cast<qreal>(view.width()) / width();
  const qreal sy = static_cast<qreal>(view.height()) / height();
  const QRectF source(target.x() * sx, target.y() * sy, target.width() * sx, target.height() * sy);
  QPainter painter(this);
  painter.drawImage(target, view, source);
}

void TImageControl::mousePressEvent(QMouseEvent* event) {
  emit MouseDown(event->button(), event->position().toPoint());
}

void TImageControl::mouseMoveEvent(QMouseEvent* event) {
  emit MouseMove(event->position().toPoint());
}

void TImageControl::mouseReleaseEvent(QMouseEvent* event) {
  emit MouseUp(event->button(), event->position().toPoint());
}

void TImageControl::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit DoubleClicked();
}

TShape::TShape(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Shape1"));
  setAttribute(Qt::WA_TransparentForMouseEvents);
  hide();
}

void TShape::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(QPen(Qt::white, 1, Qt::DashDotDotLine));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

int FitZoomPercent(int width, int height, int clientWidth, int clientHeight) {
  if (width <= 0 || height <= 0) return 100;
  for (int z = kZoomMax; z > kZoomMin; z -= kZoomStep) {
    if (ZoomedLength(width, z) <= clientWidth && ZoomedLength(height, z) <= clientHeight) return z;
  }
  return kZoomMin;
}

QRect NormalGeometry(QSize clientArea) {
  const int w = std::max(160, clientArea.width() * 2 / 3);
  const int h = std::max(120, clientArea.height() * 2 / 3);
  const int margin = std::min(16, std::max(0, clientArea.width() / 20));
  return QRect(margin, margin, w, h);
}

TFormImage::TFormImage(TFormMain& main) : main_(main) {
  setObjectName(QStringLiteral("FormImage"));
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(128, 128, 128));
  setPalette(pal);

  image1_ = new TImageControl(this);
  image1_->setGeometry(32, 32, 297, 217);
  shape1_ = new TShape(this);

  connect(image1_, &TImageControl::MouseDown, this, [this](Qt::MouseButton b, QPoint p) {
    main_.Run([&] { Image1MouseDown(b, p); });
  });
  connect(image1_, &TImageControl::MouseMove, this,
          [this](QPoint p) { main_.Run([&] { Image1MouseMove(p); }); });
  connect(image1_, &TImageControl::MouseUp, this, [this](Qt::MouseButton b, QPoint p) {
    main_.Run([&] { Image1MouseUp(b, p); });
  });
  connect(image1_, &TImageControl::DoubleClicked, this,
          [this] { main_.Run([&] { FormDblClick(); }); });
}

void TFormImage::SetFrame(QMdiSubWindow* frame) {
  if (frame_) frame_->removeEventFilter(this);
  frame_ = frame;
  // The title bar of the normal window belongs to the frame: a double click
  // there maximises the window again.
  if (frame_) frame_->installEventFilter(this);
}

bool TFormImage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == frame_ && event->type() == QEvent::MouseButtonDblClick &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    main_.Run([this] { FormDblClick(); });
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

int TFormImage::OuterWidth() const { return frame_ ? frame_->width() : width(); }
int TFormImage::OuterHeight() const { return frame_ ? frame_->height() : height(); }

void TFormImage::ShowWorkingImage(const TBitmap& image, bool keepCentre) {
  const int z = main_.Document().ZoomPercent();
  const int oldWidth = image1_->width();
  const int oldHeight = image1_->height();
  image1_->SetPicture(nullptr);
  const int w = ShownLength(image.Width(), z);
  const int h = ShownLength(image.Height(), z);
  int left = image1_->x();
  int top = image1_->y();
  image1_->resize(w, h);
  bool centre = false;
  if (!keepCentre) {
    // The top-left corner stays while the size changes, unless the picture
    // would lie wholly beyond the left or top edge.
    centre = left + w <= 0 || top + h <= 0;
  } else {
    left += KeepCentreShift(oldWidth, w);
    top += KeepCentreShift(oldHeight, h);
    // The right-hand bound leaves out the width of the main window's panel,
    // which covers that part of a maximised image window.
    centre = left + w <= 0 || top + h <= 0 || left > width() - main_.Panel1()->width() ||
             top > height();
  }
  image1_->move(left, top);
  if (centre) CentreImage();
  image1_->SetPicture(&image);
}

void TFormImage::ShowFirstView(const TBitmap& view, int width, int height) {
  // As the open will place the full picture: at 100 % when it fits, else
  // the largest zoom that shows it whole.
  const int fit = FitZoomPercent(width, height, this->width(), this->height());
  const int z = std::min(fit, 100);
  image1_->SetPicture(nullptr);
  image1_->resize(ZoomedLength(width, z), ZoomedLength(height, z));
  if (fit >= 100) {
    CentreImage();
    if (!rect().contains(image1_->geometry())) CentreInClientArea();
  } else {
    CentreInClientArea();
  }
  image1_->SetPicture(&view);
}

void TFormImage::RestoreView(const QRect& geometry) {
  image1_->setGeometry(geometry);
  image1_->SetPicture(&main_.Document().ShownImage());
}

void TFormImage::ShowFileCaption() {
  const TDocument& doc = main_.Document();
  caption_ = QString::fromStdString(
      FileCaption(doc.CurrentFileName(), doc.Source().Width(), doc.Source().Height()));
  setWindowTitle(caption_);
  if (frame_) frame_->setWindowTitle(caption_);
}

void TFormImage::ApplyZoom(int zoomPercent) {
  const TDocument& doc = main_.Document();
  const int w0 = image1_->width();
  const int h0 = image1_->height();
  int w = w0;
  int h = h0;
  if (doc.ViewLabel() != TViewLabel::None) {
    const TBitmap& image = doc.ShownImage();
    w = ZoomedLength(image.Width(), zoomPercent);
    h = ZoomedLength(image.Height(), zoomPercent);
  }
  const int left = ZoomedPosition(image1_->x(), w0, w, width(), OuterWidth());
  const int top = ZoomedPosition(image1_->y(), h0, h, height(), OuterHeight());
  image1_->setGeometry(left, top, w, h);
  main_.setWindowTitle(ZoomTitle(zoomPercent));
}

void TFormImage::CentreImage() {
  image1_->move(CentredPosition(OuterWidth(), image1_->width()),
                CentredPosition(OuterHeight(), image1_->height()));
}

void TFormImage::CentreInClientArea() {
  image1_->move((width() - image1_->width()) / 2, (height() - image1_->height()) / 2);
}

void TFormImage::FormDblClick() {
  if (!frame_) return;
  if (!frame_->isMaximized()) {
    frame_->showMaximized();
    return;
  }
  frame_->showNormal();
  // The toolkit would restore the window it was before it was first
  // maximised: a stub in the corner with no room for the picture. A window
  // too small, or out of the frame, gets a real size and place instead.
  if (QMdiArea* area = frame_->mdiArea()) {
    const QSize client = area->viewport()->size();
    const QRect normal = NormalGeometry(client);
    const QRect now = frame_->geometry();
    if (now.width() < normal.width() / 2 || now.height() < normal.height() / 2 ||
        !QRect(QPoint(0, 0), client).intersects(now))
      frame_->setGeometry(normal);
  }
  // The picture is shown in the smaller window, not left beyond its edges.
  CentreImage();
}

void TFormImage::Image1MouseDown(Qt::MouseButton button, QPoint pos) {
  if (button != Qt::LeftButton) return;
  setFocus(Qt::MouseFocusReason);
  if (tool_) {
    tool_->ToolMouseDown(pos);
    return;
  }
  if (main_.Document().ViewLabel() == TViewLabel::None) return;
  imageAtPress_ = image1_->pos();
  pressPoint_ = pos + image1_->pos();
  panMode_ = true;
}

void TFormImage::Image1MouseMove(QPoint pos) {
  if (tool_) {
    tool_->ToolMouseMove(pos);
    return;
  }
  if (!panMode_) return;
  currentPoint_ = pos + image1_->pos();
  image1_->move(imageAtPress_ + currentPoint_ - pressPoint_);
}

void TFormImage::Image1MouseUp(Qt::MouseButton button, QPoint pos) {
  if (button != Qt::LeftButton) return;
  panMode_ = false;
  selecting_ = false;
  if (tool_) tool_->ToolMouseUp(pos);
}

void TFormImage::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  main_.Run([this] { ApplyZoom(main_.Document().ZoomPercent()); });
}

void TFormImage::keyPressEvent(QKeyEvent* event) {
  main_.Run([&] { main_.FormKeyDown(event->key(), event->modifiers()); });
  // Every key stops here, bound or not: passed on to the main window, it
  // would be handled a second time.
  event->accept();
}

void TFormImage::wheelEvent(QWheelEvent* event) {
  // The wheel zooms through the main window, whichever window is under it.
  main_.HandleWheel(event);
}

void TFormImage::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) main_.Run([this] { FormDblClick(); });
}

void TFormImage::contextMenuEvent(QContextMenuEvent* event) {
  // The main window's pop-up menu also opens over the picture, which covers
  // most of the frame.
  main_.PopupMenu1()->exec(event->globalPos());
}

}  // namespace kira
