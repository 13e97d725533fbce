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
};

}  // namespace kira
