// The menu page (TabSheet0): one button per effect page, and the exit button.
#pragma once

#include <QWidget>

namespace kira {

class TFormMain;

class TPageMenu : public QWidget {
  Q_OBJECT

 public:
  explicit TPageMenu(TFormMain& main);

  // The page each menu button opens, in the buttons' order from the top.
  struct TEntry {
    const char* name;
    const char* caption;
    int page;  // 0: the exit button
  };
  static const TEntry kEntries[14];
};

}  // namespace kira
