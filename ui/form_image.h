// The image window: the one child window of the main window's frame. Its
// image control Image1 stretches the shown working image to the zoomed size;
// the picture is moved by dragging it and zoomed from both windows.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include "core/bitmap.h"

class QMdiSubWindow;

namespace kira {

class TFormMain;

// The image control: draws one bitmap stretched to its own size. It keeps a
// pointer to the bitmap object (a working image of the document, which lives
// as long as the windows) and looks at the bitmap's rows when it paints, so a
// bitmap that changes or empties itself meanwhile is never read stale.
class TImageControl : public QWidget {
  Q_OBJECT

 public:
  explicit TImageControl(QWidget* parent);
  void SetPicture(const TBitmap* bitmap);
  const TBitmap* Picture() const { return picture_; }

 signals:
  void MouseDown(Qt::MouseButton button, QPoint pos);
  void MouseMove(QPoint pos);
  void MouseUp(Qt::MouseButton button, QPoint pos);
  void DoubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  const TBitmap* picture_ = nullptr;
};

// The selection outline over the picture: white, dash-dot-dot, hollow.
class TShape : public QWidget {
  Q_OBJECT

 public:
  explicit TShape(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A tool of the star-filter page that takes over the left button on the
// picture while it is down. Positions are relative to Image1.
class TImageMouseTool {
 public:
  virtual ~TImageMouseTool() = default;
  virtual void ToolMouseDown(QPoint /*pos*/) {}
  virtual void ToolMouseMove(QPoint /*pos*/) {}
  virtual void ToolMouseUp(QPoint /*pos*/) {}
};

// The largest zoom step (5 .. 250 %) at which a picture of width x height
// fits in the client area, the zoomed size rounded as the zoom commands round
// it; 5 % when not even that fits, 100 % for an empty picture.
int FitZoomPercent(int width, int height, int clientWidth, int clientHeight);

// Where the image window goes when it leaves the maximised state: about two
// thirds of the frame's client area, near its top-left corner.
QRect NormalGeometry(QSize clientArea);

class TFormImage : public QWidget {
  Q_OBJECT

 public:
  explicit TFormImage(TFormMain& main);

  // The frame window around this one inside the main window's frame; set
  // once by the main window.
  void SetFrame(QMdiSubWindow* frame);
  QMdiSubWindow* Frame() const { return frame_; }

  TImageControl* Image1() const { return image1_; }
  TShape* Shape1() const { return shape1_; }
  QString Caption() const { return caption_; }

  void ShowWorkingImage(const TBitmap& image, bool keepCentre);
  void ShowFileCaption();
  // A reduced picture standing for one of width x height, at the zoom and
  // place the full picture will open with.
  void ShowFirstView(const TBitmap& view, int width, int height);
  // The shown working image back at `geometry` (after a first view).
  void RestoreView(const QRect& geometry);
  void ApplyZoom(int zoomPercent);
  void CentreImage();
  // Centres the picture in the window's client area (fit to window).
  void CentreInClientArea();

  // Maximised -> normal, at NormalGeometry when the window would otherwise
  // be a stub; normal -> maximised. A double click on the picture, on the
  // window, or on the title bar of the normal window.
  void FormDblClick();
  void Image1MouseDown(Qt::MouseButton button, QPoint pos);
  void Image1MouseMove(QPoint pos);
  void Image1MouseUp(Qt::MouseButton button, QPoint pos);

  // The star-filter page's cut and put tools; null while none is down.
  void SetMouseTool(TImageMouseTool* tool) { tool_ = tool; }
  bool PanMode() const { return panMode_; }
  bool Selecting() const { return selecting_; }
  void SetSelecting(bool on) { selecting_ = on; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  int OuterWidth() const;
  int OuterHeight() const;

  TFormMain& main_;
  QMdiSubWindow* frame_ = nullptr;
  TImageControl* image1_ = nullptr;
  TShape* shape1_ = nullptr;
  TImageMouseTool* tool_ = nullptr;
  QString caption_;
  bool panMode_ = false;
  bool selecting_ = false;
  QPoint pressPoint_;
  QPoint currentPoint_;
  QPoint imageAtPress_;
};

}  // namespace kira
