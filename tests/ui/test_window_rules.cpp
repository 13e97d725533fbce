// Rules of the windows that the other window tests do not reach: the page
// control shows only the page that the menu, Apply, Cancel or an open chose,
// whatever the toolkit's own navigation keys do; the file dialogs show their
// filters as written and find pictures whatever the letter case of their
// extension.
#include <QComboBox>
#include <QFileSystemModel>
#include <QListView>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QWheelEvent>

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
    QVERIFY(w.Doc().BrightPointsReady());
    QTest::keyClick(w.Button("ButtonAPP"), Qt::Key_Tab, Qt::ControlModifier);
    QTabBar* bar = pages->tabBar();
    bar->setFocus();
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_Left, Qt::Key_Up, Qt::Key_End, Qt::Key_Home})
      QTest::keyClick(bar, key);
    // Nor does the wheel over the tab bar.
    for (int delta : {120, -120, -120}) {
      QWheelEvent wheel(QPointF(5, 5), bar->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
                        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(bar, &wheel);
    }
    QCOMPARE(w.main->OpenPageNumber(), 1);
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("TabSheet1"));
    QCOMPARE(w.VisibleTabs(), 1);
    QCOMPARE(length->value(), 100);
    QVERIFY(w.Doc().BrightPointsReady());

    // The page's own way back still works, and reopening resets it.
    w.Click("ButtonCAN1");
    QCOMPARE(w.main->OpenPageNumber(), 0);
    w.Click("ButtonX");
    QCOMPARE(length->value(), 32);
    QVERIFY(w.errors.isEmpty());
  }

  void dialogsShowTheirFiltersAndListUpperCaseNames() {
    TWindows w;
    QDir(dir_.path()).mkdir(QStringLiteral("listing"));
    const QString folder = Path("listing");
    for (const char* name : {"LOUD.JPG", "quiet.jpg", "Mixed.JpEg", "PIC.BMP", "other.png"})
      WritePicture(folder + "/" + name, Pattern(3, 2));

    const auto look = [&](QFileDialog* dialog, const QStringList& filters, const QStringList& listed) {
      dialog->setDirectory(folder);
      QStringList shownFilters, shownFiles;
      QTimer::singleShot(0, [&] {
        auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* model = dialog->findChild<QFileSystemModel*>();
        auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
        if (combo && model && view) {
          for (int i = 0; i < combo->count(); ++i) shownFilters << combo->itemText(i);
          // The folder is read in the background; the dialog is closed in
          // any case, and an empty listing fails the comparison below.
          QTest::qWaitFor([&] { return model->rowCount(view->rootIndex()) > 0; }, 5000);
          for (int i = 0; i < model->rowCount(view->rootIndex()); ++i)
            if (!view->isRowHidden(i)) shownFiles << model->index(i, 0, view->rootIndex()).data().toString();
        }
        dialog->reject();
      });
      dialog->exec();
      shownFiles.sort();
      QCOMPARE(shownFilters, filters);
      QCOMPARE(shownFiles, listed);
    };
    look(w.main->OpenPictureDialog1(),
         {QStringLiteral("画像ファイル (*.jpg;*.jpeg;*.png;*.gif;*.tif;*.tiff;*.webp;*.heic;*.heif;*.avif;*.bmp)"),
          QStringLiteral("JPEG イメージファイル (*.jpg)"), QStringLiteral("JPEG イメージファイル (*.jpeg)"),
          QStringLiteral("ビットマップ (*.bmp)"), QStringLiteral("すべてのファイル (*.*)")},
         {QStringLiteral("LOUD.JPG"), QStringLiteral("Mixed.JpEg"), QStringLiteral("PIC.BMP"), QStringLiteral("other.png"),
          QStringLiteral("quiet.jpg")});
    look(w.main->SavePictureDialog1(),
         {QStringLiteral("JPEG (*.JPG)"), QStringLiteral("JPEG (*.JPEG)"), QStringLiteral("ビットマップ (*.BMP"),
          QStringLiteral("PNG (*.PNG)"), QStringLiteral("TIFF (*.TIF)"), QStringLiteral("TIFF (*.TIFF)"),
          QStringLiteral("WebP (*.WEBP)")},
         {QStringLiteral("LOUD.JPG"), QStringLiteral("quiet.jpg")});
  }
};

QTEST_MAIN(TestWindowRules)
#include "test_window_rules.moc"
