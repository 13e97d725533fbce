#include <QApplication>
#include <QScreen>
#include <QStringList>
#include <QTimer>

#include "ui/app_font.h"
#include "ui/application.h"
#include "ui/form_main.h"
#include "ui/form_thumb.h"

int main(int argc, char* argv[]) {
  kira::TApplication app(argc, argv);
  QApplication::setFont(kira::EditorFont());

  kira::TFormMain formMain;
  // The screen's work area first, for a desktop without a window manager
  // that would do the maximising.
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    formMain.setGeometry(screen->availableGeometry());
  formMain.showMaximized();
  formMain.FormThumb().show();

  // A picture named on the command line (a desktop launcher's %f) opens as
  // if it had been chosen in the open dialog, once the windows are up.
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) {
    const QString path = args.at(1);
    QTimer::singleShot(0, &formMain, [&formMain, path] {
      formMain.Run([&] { formMain.OpenImageFile(path); });
    });
  }
  return QApplication::exec();
}
