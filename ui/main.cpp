#include <QApplication>
#include <QStringList>

#include "ui/app_font.h"
#include "ui/application.h"
#include "ui/form_main.h"
#include "ui/start_up.h"

int main(int argc, char* argv[]) {
  kira::TApplication app(argc, argv);
  QApplication::setFont(kira::EditorFont());

  kira::TFormMain formMain;
  const QStringList args = QApplication::arguments();
  kira::ShowAtStartUp(formMain, args.size() > 1 ? args.at(1) : QString());
  return QApplication::exec();
}
