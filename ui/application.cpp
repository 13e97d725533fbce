#include "ui/application.h"

#include "ui/error_report.h"

namespace kira {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  Guarded(activeWindow(), [&] { handled = QApplication::notify(receiver, event); });
  return handled;
}

}  // namespace kira
