// The thumbnail browser: a top-level window beside the main frame that shows
// the pictures of one folder. It is created visible and empty.
#pragma once

#include <QWidget>

namespace kira {

class TFormThumb : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kDesignWidth = 566;
  static constexpr int kDesignHeight = 257;

  TFormThumb();

  // Horizontally centred, the bottom edge 48 pixels above the screen's.
  static QPoint StartPosition(QSize screen, QSize window);
};

}  // namespace kira
