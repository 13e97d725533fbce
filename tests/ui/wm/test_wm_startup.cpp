// Start-up with a window manager: the main window in front with the
// keyboard, the thumbnail browser behind it at its designed outer size, and
// the browser brought back without reading its folder again.
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTest>

#include "tests/ui/ui_test_support.h"
#include "ui/start_up.h"

using namespace kira;
using namespace kira::test;

namespace {

// Pixels of the browser's cell colour on the screen over a rectangle: none
// while another window covers it.
int CellColouredPixels(const QRect& area) {
  const QImage shown = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                           .toImage()
                           .convertToFormat(QImage::Format_RGB32);
  int n = 0;
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x) n += shown.pixelColor(x, y) == QColor(255, 250, 205);
  return n;
}

bool MainHoldsTheKeyboard(TFormMain& main) {
  return main.isActiveWindow() && QGuiApplication::focusWindow() == main.windowHandle() &&
         QApplication::focusWidget() && main.isAncestorOf(QApplication::focusWidget());
}

}  // namespace

class TestStartUp : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

 private slots:
  void mainWindowInFrontWithTheKeyboard() {
    // A dark picture larger than the window, named on the command line.
    const QString photo = WritePicture(dir_.path() + QStringLiteral("/big.bmp"), TBitmap(2000, 1500));
    TFormMain main;
    ShowAtStartUp(main, photo);
    QTRY_VERIFY_WITH_TIMEOUT(MainHoldsTheKeyboard(main), 5000);
    QTRY_COMPARE(main.Document().Source().Width(), 2000);
    TFormThumb& thumb = main.FormThumb();
    QVERIFY(thumb.isVisible());
    QVERIFY(!thumb.isActiveWindow());
    QTest::qWait(200);
    QCOMPARE(CellColouredPixels(thumb.geometry()), 0);

    // The zoom keys, typed at the window that has the keyboard.
    const int opened = main.Document().ZoomPercent();
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_N);
    QVERIFY(main.Document().ZoomPercent() < opened);
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_F);
    QCOMPARE(main.Document().ZoomPercent(),
             FitZoomPercent(2000, 1500, main.FormImage().width(), main.FormImage().height()));

    // Designed as the outer size: frame included, its bottom 48 pixels above
    // the screen's, centred.
    const QRect screen = thumb.screen()->geometry();
    QTRY_COMPARE(thumb.frameGeometry().size(), QSize(566, 257));
    QCOMPARE(thumb.frameGeometry().bottom() + 1, screen.height() - 48);
    QCOMPARE(thumb.frameGeometry().left(), (screen.width() - 566) / 2);
  }

  void browserComesBackWithoutReading() {
    const QString folder = dir_.path() + QStringLiteral("/photos");
    QDir().mkpath(folder);
    for (const char* name : {"img10.jpg", "img2.jpg", "IMG1.bmp", "img11.bmp"})
      WritePicture(folder + QLatin1Char('/') + QLatin1String(name), Pattern(30, 20));
    TFormMain main;
    ShowAtStartUp(main);
    QTRY_VERIFY_WITH_TIMEOUT(MainHoldsTheKeyboard(main), 5000);
    TFormThumb& thumb = main.FormThumb();
    thumb.ScanPictureFolder(folder);
    QTRY_VERIFY(thumb.isActiveWindow());
    QStringList names;
    for (const std::string& f : thumb.Files()) names << QFileInfo(QString::fromStdString(f)).fileName();
    QCOMPARE(names, QStringList({"IMG1.bmp", "img2.jpg", "img10.jpg", "img11.bmp"}));

    // A double click opens the picture; the browser falls behind.
    TThumbGrid* grid = thumb.StringGridThumb();
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, grid->CellRect(0, 1).center());
    QCOMPARE(main.Document().CurrentFileName(), std::string("img2.jpg"));
    QTRY_VERIFY(MainHoldsTheKeyboard(main));
    QTRY_COMPARE(CellColouredPixels(thumb.geometry()), 0);

    // Back by the main window's pop-up item, with no reading pass.
    int passes = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] { passes += thumb.LabelRead()->isVisible(); });
    watch.start(0);
    QAction* back = main.PopupMenu1()->findChild<QAction*>(QStringLiteral("PMenuTBack"));
    QVERIFY(back);
    back->trigger();
    QTRY_VERIFY(thumb.isActiveWindow());
    QTRY_VERIFY(CellColouredPixels(thumb.geometry()) > 1000);
    QCOMPARE(passes, 0);
    QCOMPARE(thumb.Files().size(), std::size_t{4});
  }
};

QTEST_MAIN(TestStartUp)
#include "test_wm_startup.moc"
