// The main window on a 1366 x 768 screen: wm_screen_checks.h.
#include "tests/ui/wm/wm_screen_checks.h"

class TestScreen : public QObject {
  Q_OBJECT

 private slots:
  void everyPageFitsWithItsHistogram() { kira::test::CheckEveryPageFitsTheScreen(); }
};

QTEST_MAIN(TestScreen)
#include "test_wm_screen.moc"
