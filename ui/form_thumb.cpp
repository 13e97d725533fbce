#include "ui/form_thumb.h"

#include <QGuiApplication>
#include <QScreen>

namespace kira {

TFormThumb::TFormThumb() : QWidget(nullptr, Qt::Window) {
  setObjectName(QStringLiteral("FormThumb"));
  resize(kDesignWidth, kDesignHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(StartPosition(screen->geometry().size(), size()));
}

QPoint TFormThumb::StartPosition(QSize screen, QSize window) {
  return QPoint((screen.width() - window.width()) / 2,
                screen.height() - window.height() - 48);
}

}  // namespace kira
