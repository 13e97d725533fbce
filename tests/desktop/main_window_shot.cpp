// The screenshot software centres show: the main window at 1024 x 600 with a
// photo of lights at dusk under the star filter's Preview, grabbed on the offscreen
// platform and written as PNG. The window's language follows LANGUAGE/LANG.
//   main_window_shot PHOTO OUT.png
#include <QAbstractButton>
#include <QApplication>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <cstdio>

#include "ui/app_font.h"
#include "ui/application.h"
#include "ui/error_report.h"
#include "ui/form_main.h"

namespace {

template <class T>
T& Find(const kira::TFormMain& main, const char* name) {
  T* control = main.Control<T>(QString::fromLatin1(name));
  if (!control) qFatal("no control %s", name);
  return *control;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: main_window_shot PHOTO OUT.png\n");
    return 2;
  }
  kira::TApplication app(argc, argv);
  QApplication::setFont(kira::EditorFont());
  QString error;
  kira::SetErrorSink([&error](const QString& text) { error = text; });

  kira::TFormMain main;
  main.resize(1024, 600);
  main.show();
  if (!QTest::qWaitForWindowExposed(&main)) qFatal("main window not exposed");
  main.SetFirstViewMinPixels(0);
  main.OpenImageFile(QString::fromLocal8Bit(argv[1]));
  if (!error.isEmpty()) qFatal("%s", qPrintable(error));

  // The star page with a few more points and longer rays than its defaults.
  Find<QAbstractButton>(main, "ButtonX").click();
  Find<QSpinBox>(main, "SpinEditV").setValue(760);
  Find<QSpinBox>(main, "SpinEditL").setValue(40);
  Find<QAbstractButton>(main, "ButtonAPP").click();
  main.Document().Previews().Finish();
  if (!error.isEmpty()) qFatal("%s", qPrintable(error));
  if (main.Document().Result().Empty()) qFatal("the star filter left no result");
  // At 70 %, which keeps the PNG small; the page from its top.
  for (int i = 0; i < 6; ++i) main.ZoomDown();
  QTest::qWait(50);
  for (QScrollArea* area : main.findChildren<QScrollArea*>()) area->verticalScrollBar()->setValue(0);
  QTest::qWait(50);

  if (!main.grab().save(QString::fromLocal8Bit(argv[2]), "PNG", 9)) qFatal("cannot write %s", argv[2]);
  return 0;
}
