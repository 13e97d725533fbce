#include "ui/application.h"

#include <QLibraryInfo>
#include <QTranslator>

#include "ui/error_report.h"

namespace kira {

bool InstallToolkitTranslations(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return false;
  }
  return true;
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  InstallToolkitTranslations(*this);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  Guarded(activeWindow(), [&] { handled = QApplication::notify(receiver, event); });
  return handled;
}

}  // namespace kira
