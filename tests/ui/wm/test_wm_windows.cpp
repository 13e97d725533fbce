// Focus and stacking with a window manager: which window is in front and
// where the keyboard goes.
#include <QApplication>
#include <QTest>

#include "ui/ui_test_support.h"

using namespace kira;

class TestWindowManager : public QObject {
  Q_OBJECT

 private slots:
  void shownMainWindowIsActiveAndFitsTheScreen() {
    test::TWindows w;
    w.main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.main.get()));
    QVERIFY(QApplication::focusWidget() && w.main->isAncestorOf(QApplication::focusWidget()));
    const QRect screen = w.main->screen()->availableGeometry();
    QVERIFY2(screen.contains(w.main->frameGeometry()), "the main window runs off the screen");
  }
};

QTEST_MAIN(TestWindowManager)
#include "test_wm_windows.moc"
