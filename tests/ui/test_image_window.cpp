// The image window: caption, showing working images, zoom by wheel, keys and
// menu, the zoom keeping the picture point under the middle, panning and the
// double click.
#include <QMdiSubWindow>
#include <QWheelEvent>

#include "document/view_geometry.h"
#include "tests/ui/ui_test_support.h"

using namespace kira;
using namespace kira::test;

namespace {

void Wheel(QWidget* target, int notches) {
  for (int i = 0; i < std::abs(notches); ++i) {
    QWheelEvent event(QPointF(20, 20), target->mapToGlobal(QPointF(20, 20)), QPoint(),
                      QPoint(0, notches > 0 ? 120 : -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
  }
}

// The picture coordinate (in source pixels, as a real) under the middle of
// the image window's client area.
double PointUnderMiddle(TFormImage& image, int length, bool horizontal) {
  const QWidget* image1 = image.Image1();
  const int c = (horizontal ? image.width() : image.height()) / 2;
  const int pos = horizontal ? image1->x() : image1->y();
  const int size = horizontal ? image1->width() : image1->height();
  return static_cast<double>(c - pos) / size * length;
}

}  // namespace

class TestImageWindow : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString Path(const QString& name) const { return dir_.filePath(name); }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void captionAfterOpenAndAfterTurnApplied() {
    TWindows w;
    QCOMPARE(w.Image().Caption(), QString());
    w.main->OpenImageFile(WritePicture(Path("beach.jpg"), Pattern(640, 480)));
    QCOMPARE(w.Image().Caption(), QStringLiteral("beach.jpg (640x480)"));
    QCOMPARE(w.Image().Frame()->windowTitle(), QStringLiteral("beach.jpg (640x480)"));
    // The view buttons and other Applies leave it alone.
    w.Click("ButtonSharpen");
    w.Click("ButtonOK7");
    QCOMPARE(w.Image().Caption(), QStringLiteral("beach.jpg (640x480)"));
    w.Click("ButtonRotate");
    w.Click("BitBtnRight");
    QCOMPARE(w.Image().Caption(), QStringLiteral("beach.jpg (640x480)"));
    w.Click("ButtonOK12");
    QCOMPARE(w.Image().Caption(), QStringLiteral("beach.jpg (480x640)"));
  }

  void openingCentresThePictureAtTheZoom() {
    TWindows w;
    w.main->OpenImageFile(WritePicture(Path("centre.bmp"), Pattern(101, 51)));
    const QWidget* image1 = w.Image().Image1();
    QCOMPARE(image1->size(), QSize(101, 51));
    const QWidget* frame = w.Image().Frame();
    QCOMPARE(image1->x(), (frame->width() - 101) / 2);
    QCOMPARE(image1->y(), (frame->height() - 51) / 2);
  }

  void aPictureOpensAt100WhenItFitsAndFittedWhenNot() {
    TWindows w;
    const QSize client = w.Image().size();
    // Each row: the picture's size, the zoom before, whether it fits at 100 %.
    struct {
      int width, height, zoomBefore;
      bool fits;
    } rows[] = {
        {400, 300, 20, true},
        {client.width(), client.height(), 250, true},
        {client.width() + 1, 40, 100, false},
        {40, client.height() + 1, 250, false},
        {3 * client.width(), 2 * client.height(), 5, false},
    };
    for (const auto& r : rows) {
      w.Doc().SetZoomPercent(r.zoomBefore);
      w.main->OpenImageFile(WritePicture(Path("sized.bmp"), Pattern(r.width, r.height)));
      const int z = r.fits ? 100 : FitZoomPercent(r.width, r.height, client.width(), client.height());
      QVERIFY(z <= 100);
      QCOMPARE(w.Doc().ZoomPercent(), z);
      const QRect picture = w.Image().Image1()->geometry();
      QCOMPARE(picture.size(), QSize(ZoomedLength(r.width, z), ZoomedLength(r.height, z)));
      QVERIFY(w.Image().rect().contains(picture));
    }
  }

  void wheelAndKeysZoomWithinBoundsOnlyWithAPicture() {
    TWindows w;
    // Before the first picture the wheel and the keys do nothing; 100 %
    // from the menu still applies.
    Wheel(w.main.get(), 3);
    QTest::keyClick(&w.Image(), Qt::Key_Up);
    QCOMPARE(w.Doc().ZoomPercent(), 100);
    w.main->PMenu100Click();
    QCOMPARE(w.main->windowTitle(), QStringLiteral("キラボックス Ver. 0.32 (100%)"));

    w.main->OpenImageFile(WritePicture(Path("zoom.bmp"), Pattern(40, 20)));
    Wheel(&w.Image(), 30);
    QCOMPARE(w.Doc().ZoomPercent(), 250);
    QCOMPARE(w.Image().Image1()->size(), QSize(100, 50));
    Wheel(w.main.get(), 2);
    QCOMPARE(w.Doc().ZoomPercent(), 250);
    QCOMPARE(w.main->windowTitle(), QStringLiteral("キラボックス Ver. 0.32 (250%)"));
    w.main->PMenu100Click();
    QCOMPARE(w.Doc().ZoomPercent(), 100);
    Wheel(w.main.get(), -19);
    QCOMPARE(w.Doc().ZoomPercent(), 5);
    Wheel(w.main.get(), -1);
    QCOMPARE(w.Doc().ZoomPercent(), 5);
    QCOMPARE(w.Image().Image1()->size(), QSize(2, 1));  // 2 and 1 rounded to even

    // Up / M zoom in, Down / N out, letters with or without Shift, from
    // either window.
    QTest::keyClick(&w.Image(), Qt::Key_Up);
    QTest::keyClick(&w.Image(), Qt::Key_M, Qt::ShiftModifier);
    QTest::keyClick(w.main.get(), Qt::Key_M);
    QCOMPARE(w.Doc().ZoomPercent(), 20);
    QTest::keyClick(w.main.get(), Qt::Key_N);
    QTest::keyClick(&w.Image(), Qt::Key_Down);
    QCOMPARE(w.Doc().ZoomPercent(), 10);
    QVERIFY(w.main->isVisible());
  }

  void zoomKeepsThePointUnderTheMiddleAlsoWhenDragged() {
    TWindows w;
    w.main->OpenImageFile(WritePicture(Path("keep.bmp"), Pattern(300, 200)));
    TFormImage& image = w.Image();
    QWidget* image1 = image.Image1();
    // Drag the picture off-centre first.
    const QPoint start(10, 10);
    QTest::mousePress(image1, Qt::LeftButton, Qt::NoModifier, start);
    QTest::mouseMove(image1, start + QPoint(-70, 45));
    QTest::mouseRelease(image1, Qt::LeftButton, Qt::NoModifier, start + QPoint(-70, 45));
    // Each notch keeps the point to within a pixel of the screen: the new
    // position and the new size are both whole pixels.
    double x0 = PointUnderMiddle(image, 300, true);
    double y0 = PointUnderMiddle(image, 200, false);
    for (int notch : {1, 1, 1, 1, 1, -1, -1, -1, -1, -1, -1, -1, -1, 1}) {
      Wheel(w.main.get(), notch);
      const double pixel = 100.0 / w.Doc().ZoomPercent();  // source pixels per screen pixel
      const double x = PointUnderMiddle(image, 300, true);
      const double y = PointUnderMiddle(image, 200, false);
      QVERIFY2(std::abs(x - x0) <= pixel, qPrintable(QString("x %1 -> %2").arg(x0).arg(x)));
      QVERIFY2(std::abs(y - y0) <= pixel, qPrintable(QString("y %1 -> %2").arg(y0).arg(y)));
      x0 = x;
      y0 = y;
    }
  }

  void draggingMovesThePictureWithoutBounds() {
    TWindows w;
    QWidget* image1 = w.Image().Image1();
    // Nothing opened: a press does not start panning.
    const QPoint before = image1->pos();
    QTest::mousePress(image1, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseMove(image1, QPoint(40, 40));
    QTest::mouseRelease(image1, Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
    QCOMPARE(image1->pos(), before);

    w.main->OpenImageFile(WritePicture(Path("pan.bmp"), Pattern(60, 40)));
    const QPoint start = image1->pos();
    QTest::mousePress(image1, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QVERIFY(w.Image().PanMode());
    QTest::mouseMove(image1, QPoint(-995, 25));
    QTest::mouseRelease(image1, Qt::LeftButton, Qt::NoModifier, QPoint(-995, 25));
    QVERIFY(!w.Image().PanMode());
    QCOMPARE(image1->pos(), start + QPoint(-1000, 20));
    // The right button never pans.
    QTest::mousePress(image1, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    QVERIFY(!w.Image().PanMode());
    QTest::mouseRelease(image1, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));

    // Showing the source keeps the top-left corner, unless the picture lies
    // wholly beyond the left edge as here: then it is centred again.
    w.Doc().ShowSource();
    QCOMPARE(image1->x(), (w.Image().Frame()->width() - 60) / 2);
  }

  void resultOfTheSameSizeStaysWhereItWas() {
    TWindows w;
    w.main->OpenImageFile(WritePicture(Path("stay.bmp"), Pattern(50, 30)));
    QWidget* image1 = w.Image().Image1();
    image1->move(image1->pos() + QPoint(13, -7));
    const QPoint placed = image1->pos();
    w.Click("ButtonRotate");
    w.Click("BitBtnFlip");
    QCOMPARE(image1->pos(), placed);
    // A turned result keeps its centre: the width and height swap around it.
    w.Click("BitBtnLeft");
    QCOMPARE(image1->size(), QSize(30, 50));
    QCOMPARE(image1->pos(), placed + QPoint(10, -10));
  }

  void doubleClickTogglesMaximised() {
    TWindows w;
    QMdiSubWindow* frame = w.Image().Frame();
    QVERIFY(frame->isMaximized());
    QTest::mouseDClick(&w.Image(), Qt::LeftButton);
    QVERIFY(!frame->isMaximized());
    w.Image().FormDblClick();
    QVERIFY(frame->isMaximized());
  }

  void theImageWindowCannotBeClosed() {
    TWindows w;
    QMdiSubWindow* frame = w.Image().Frame();
    QVERIFY(!frame->close());
    QTest::keyClick(&w.Image(), Qt::Key_W, Qt::ControlModifier);
    QTest::keyClick(&w.Image(), Qt::Key_F4, Qt::ControlModifier);
    QVERIFY(frame->isVisible());
    QVERIFY(!(frame->windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(w.main->isVisible());
  }

  void emptyWorkingImageShowsAsNothing() {
    TWindows w;
    w.main->OpenImageFile(WritePicture(Path("empty.bmp"), Pattern(8, 8)));
    w.Doc().ShowResult();
    QCOMPARE(w.Image().Image1()->size(), QSize(0, 0));
    QCOMPARE(w.Doc().ViewLabel(), TViewLabel::BMP3);
  }
};

QTEST_MAIN(TestImageWindow)
#include "test_image_window.moc"
