// The menu page (TabSheet0): one button per effect page, in the order of the
// editor's page list, and the exit button "終了" (ButtonExit) below them.
#pragma once

#include <QWidget>

namespace kira {

class TFormMain;

class TPageMenu : public QWidget {
  Q_OBJECT

 public:
  explicit TPageMenu(TFormMain& main);

  // The buttons stand where they are placed, not in a layout: the page asks
  // for the room down to the exit button and a margin below it, so that a
  // low page area scrolls to it.
  QSize minimumSizeHint() const override;
  QSize sizeHint() const override { return minimumSizeHint(); }
};

}  // namespace kira
