#include "ui/application.h"

#include "ui/error_report.h"
#include "ui/translation.h"

namespace kira {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  InstallTranslation(*this, LanguageOfEnvironment());
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  Guarded(activeWindow(), [&] { handled = QApplication::notify(receiver, event); });
  return handled;
}

}  // namespace kira
