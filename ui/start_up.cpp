#include "ui/start_up.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "ui/form_main.h"
#include "ui/form_thumb.h"

namespace kira {

void ShowAtStartUp(TFormMain& main, const QString& picture) {
  // The browser first, without taking the keyboard: the main window, mapped
  // after it, then stands in front and is the active one.
  TFormThumb& thumb = main.FormThumb();
  thumb.setAttribute(Qt::WA_ShowWithoutActivating, true);
  thumb.show();
  thumb.setAttribute(Qt::WA_ShowWithoutActivating, false);

  // The screen's work area first, for a desktop without a window manager
  // that would do the maximising.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) main.setGeometry(screen->availableGeometry());
  main.showMaximized();
  main.raise();
  main.activateWindow();

  // Opened as if it had been chosen in the open dialog.
  if (!picture.isEmpty()) {
    QTimer::singleShot(0, &main, [&main, picture] { main.Run([&] { main.OpenImageFile(picture); }); });
  }
}

}  // namespace kira
