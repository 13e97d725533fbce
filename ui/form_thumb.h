// The thumbnail browser: a top-level window beside the main frame that shows
// the pictures of one folder, in natural order of their names, as square
// cells in a grid. It is shown empty behind the main window at start-up; the
// main window's folder choice fills it, and its "back" item brings it to the
// front again as it was. Hovering a cell shows the file's name in the title
// bar, a double click opens the file in the editor (or says why it cannot).
//
// The listing, the layout arithmetic and the cell pictures are in
// pages/thumbnails; this window paints the visible cells, writes "No Image"
// into the cells of unreadable files and runs the reading pass with its
// progress label.
#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "pages/thumbnails.h"

class QAction;
class QLabel;
class QMenu;

namespace kira {

class TFormMain;

// StringGridThumb: square cells of one size with grid lines between them,
// painted by a callback, only the ones in view. Holds the current cell (the
// one last pressed) and the double-buffering switch.
class TThumbGrid : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TThumbGrid(QWidget* parent);

  int ColCount() const { return cols_; }
  int RowCount() const { return rows_; }
  int CellSize() const { return cellSize_; }
  int GridLineWidth() const { return kThumbGridLine; }
  void SetShape(int cols, int rows, int cellSize);
  int Row() const { return row_; }
  int Col() const { return col_; }
  void SetCurrentCell(int row, int col);
  bool DoubleBuffered() const { return doubleBuffered_; }
  void SetDoubleBuffered(bool on) { doubleBuffered_ = on; }

  // The cell under a point of the viewport: false outside every cell. A grid
  // line belongs to the cell left of it (above it).
  bool CellAt(QPoint viewportPos, int& row, int& col) const;
  // The cell's square in viewport coordinates.
  QRect CellRect(int row, int col) const;

  std::function<void(QPainter&, int row, int col, const QRect&)> drawCell;
  std::function<void(QPoint viewportPos)> mouseMoved;
  std::function<void()> doubleClicked;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void PaintCells(QPainter& painter, const QRect& area);
  void UpdateScrollBars();

  int cols_ = kThumbMinColumns;
  int rows_ = kThumbMinRows;
  int cellSize_ = kThumbMedium;
  int row_ = 0;
  int col_ = 0;
  bool doubleBuffered_ = false;
};

class TFormThumb : public QWidget {
  Q_OBJECT

 public:
  // The window's outer size, its frame included where a window manager
  // draws one.
  static constexpr int kDesignWidth = 566;
  static constexpr int kDesignHeight = 257;

  TFormThumb();

  // Horizontally centred, the bottom edge 48 pixels above the screen's.
  static QPoint StartPosition(QSize screen, QSize window);

  // The main window's folder choice: the folder dialog "画像フォルダ" on the
  // picture folder (before the first choice, on the open dialog's folder); a
  // chosen folder becomes the picture folder and the open dialog's folder,
  // names this window, shows it and fills it. Cancel changes nothing.
  void ChooseFolder(TFormMain& main);
  // The main window's "back" item: the window shown in its normal state, in
  // front and active, its files and pictures as they were (nothing is read).
  void BringBack();
  // The folder last chosen ("" before the first choice).
  const QString& PictureFolder() const { return pictureFolder_; }

  // Lists the folder's picture files, then runs the reading pass, with the
  // busy cursor until the pass is done.
  void ScanPictureFolder(const QString& folder);
  // The reading pass: grid hidden, "Reading k/N  " after each file with one
  // pass of pending events, then the grid shown and the window brought to
  // the front in its normal state.
  void ReloadThumbnails();
  // Cell size, columns and rows from the grid's width and the file count;
  // the progress label centred.
  void FormResize();
  // Paints one cell: the background, and the file's cell picture when the
  // cell holds one.
  void DrawThumbCell(QPainter& painter, int row, int col, const QRect& rect);
  // Hover: "[name]" in the title, or an empty title past the last file.
  void StringGridThumbMouseMove(QPoint viewportPos);
  // Opens the current cell's file in the editor and hands the focus back. A
  // file the editor does not open is named in an error message.
  void StringGridThumbDblClick();
  // The title bar's text. An empty one is shown empty (the toolkit would
  // otherwise put the program's name there).
  void SetCaption(const QString& text);
  QString Caption() const { return windowTitle().trimmed(); }

  void PMenuRClick();
  void PMenuSClick();
  void PMenuMClick();
  void PMenuLClick();
  void PMenuFClick();

  TThumbGrid* StringGridThumb() const { return grid_; }
  QLabel* LabelRead() const { return labelRead_; }
  QMenu* PMenu1() const { return pMenu1_; }
  int CellSize() const { return cellSize_; }
  const std::vector<std::string>& Files() const { return files_; }
  // Used by the double click and the reload item; found among the top-level
  // windows when not set.
  void SetMainWindow(TFormMain* main) { main_ = main; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void CreateMenu();
  // Once a window manager's frame is known: the frame, not the inside, takes
  // the design size and the start position, unless the size was changed
  // before.
  void FitFrameToDesign();
  void SetCellSize(int size);
  TFormMain* Main();

  TThumbGrid* grid_ = nullptr;
  QLabel* labelRead_ = nullptr;
  QMenu* pMenu1_ = nullptr;
  QAction* pMenuS_ = nullptr;
  QAction* pMenuM_ = nullptr;
  QAction* pMenuL_ = nullptr;
  QAction* pMenuF_ = nullptr;
  TFormMain* main_ = nullptr;
  QString pictureFolder_;
  std::vector<std::string> files_;  // local paths, in listing order
  int cellSize_ = kThumbMedium;
  TThumbCache cache_;
  // Counts reading passes; a pass started from the events of another one
  // finishes the work, and the older pass stops.
  int passNumber_ = 0;
  bool frameFitted_ = false;
};

}  // namespace kira
