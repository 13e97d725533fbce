// The main window on a 1280 x 720 screen: wm_screen_checks.h.
#include "tests/ui/wm/wm_screen_checks.h"

class TestScreen : public QObject {
  Q_OBJECT

 private slots:
  void everyPageFitsWithItsHistogram() { kira::test::CheckEveryPageFitsTheScreen(); }
};

QTEST_MAIN(TestScreen)
#include "test_wm_screen_1280x720.moc"
