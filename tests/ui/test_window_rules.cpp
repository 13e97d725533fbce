// Rules of the windows that the other window tests do not reach: the page
// control shows only the page that the menu, Apply, Cancel or an open chose,
// whatever the toolkit's own navigation keys do.
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>

#include "tests/ui/ui_test_support.h"

using namespace kira;
using namespace kira::test;

class TestWindowRules : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString Path(const QString& name) const { return dir_.filePath(name); }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void tabNavigationKeysReachNoHiddenPage() {
    TWindows w;
    w.main->OpenImageFile(WritePicture(Path("tabs.bmp"), Pattern(8, 6)));
    QTabWidget* pages = w.main->PageControl();

    // From the menu page: Ctrl+Tab and Ctrl+PageDown would step to the
    // star-filter page, which then would show without its tab.
    QPushButton* rotate = w.Button("ButtonRotate");
    rotate->setFocus();
    QTest::keyClick(rotate, Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(rotate, Qt::Key_PageDown, Qt::ControlModifier);
    QTest::keyClick(rotate, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(w.main->OpenPageNumber(), 0);
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("TabSheet0"));

    // From an open page: its settings stay (no show handler ran), and the
    // tab bar's own arrow keys do not move to a hidden page either.
    w.Click("ButtonX");
    auto* length = w.main->Control<QSpinBox>(QStringLiteral("SpinEditL"));
    length->setValue(100);
    w.Click("ButtonBPC");
    QVERIFY(w.Doc().BrightPointsReady);
    QTest::keyClick(w.Button("ButtonAPP"), Qt::Key_Tab, Qt::ControlModifier);
    QTabBar* bar = pages->tabBar();
    bar->setFocus();
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_Left, Qt::Key_Up, Qt::Key_End, Qt::Key_Home})
      QTest::keyClick(bar, key);
    QCOMPARE(w.main->OpenPageNumber(), 1);
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("TabSheet1"));
    QCOMPARE(w.VisibleTabs(), 1);
    QCOMPARE(length->value(), 100);
    QVERIFY(w.Doc().BrightPointsReady);

    // The page's own way back still works, and reopening resets it.
    w.Click("ButtonCAN1");
    QCOMPARE(w.main->OpenPageNumber(), 0);
    w.Click("ButtonX");
    QCOMPARE(length->value(), 32);
    QVERIFY(w.errors.isEmpty());
  }
};

QTEST_MAIN(TestWindowRules)
#include "test_window_rules.moc"
