// The resize page: its controls, the labels on opening, the aspect rule on
// leaving a field, Preview and Apply; and the histogram under the pages.
#include <QApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <memory>

#include "core/bitmap.h"
#include "document/document.h"
#include "effects/resample.h"
#include "tests/ui/test_objects.h"
#include "ui/error_report.h"
#include "ui/form_image.h"
#include "ui/form_main.h"
#include "ui/histogram_view.h"

using namespace kira;

namespace {

TBitmap Picture(int width, int height) {
  TBitmap b(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = b.ScanLine(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(x * 7 + y * 3);
      p[1] = static_cast<std::uint8_t>(x * 5 + 17);
      p[2] = static_cast<std::uint8_t>(y * 11 + 5);
    }
  return b;
}

TBitmap Grey(int width, int height, std::uint8_t v) {
  TBitmap b(width, height);
  for (int y = 0; y < height; ++y)
    for (int i = 0; i < 3 * width; ++i) b.ScanLine(y)[i] = v;
  return b;
}

struct TWindow {
  TWindow() {
    SetErrorSink([this](const QString& text) { errors << text; });
    main = std::make_unique<TFormMain>();
    main->resize(1000, 700);
    main->show();
    if (!QTest::qWaitForWindowExposed(main.get())) qFatal("main window not exposed");
  }
  ~TWindow() { SetErrorSink({}); }

  template <class T>
  T* Get(const char* name) {
    T* control = main->Control<T>(QString::fromLatin1(name));
    if (!control) qFatal("no control %s", name);
    return control;
  }
  QString Text(const char* label) { return Get<QLabel>(label)->text(); }
  QSpinBox* Spin(const char* name) { return Get<QSpinBox>(name); }
  // A picture as the source, shown as after an open, then the menu button.
  void OpenWith(const TBitmap& picture) {
    main->Document().OpenPicture(picture);
    main->Document().ReturnToMenu();
    Get<QPushButton>("ButtonReSize")->click();
  }
  // Types a value into a spin edit and moves the focus away, as a user does.
  void TypeAndLeave(const char* name, int value) {
    QSpinBox* spin = Spin(name);
    spin->findChild<QLineEdit*>()->setText(QString::number(value));
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(spin, &out);
  }

  QStringList errors;
  std::unique_ptr<TFormMain> main;
};

}  // namespace

class TestResizePage : public QObject {
  Q_OBJECT

 private slots:
  void controlsBeforeOpening() {
    TWindow w;
    QCOMPARE(w.Text("Label8"), QStringLiteral("幅"));
    QCOMPARE(w.Text("Label9"), QStringLiteral("高さ"));
    QCOMPARE(w.Text("LabelW"), QStringLiteral("Width"));
    QCOMPARE(w.Text("LabelH"), QStringLiteral("Height"));
    QCOMPARE(w.Text("LabelRatio"), QStringLiteral("Ratio W:H"));
    QCOMPARE(w.Get<QGroupBox>("GroupBox12")->title(), QStringLiteral("種別"));
  }

  void openingShowsSizeAndRatio() {
    TWindow w;
    w.OpenWith(Picture(640, 480));
    QCOMPARE(w.main->OpenPageNumber(), 5);
    QCOMPARE(w.Text("LabelRatio"), QStringLiteral("比率 4 : 3"));
    QCOMPARE(w.Text("LabelW"), QStringLiteral("幅　 = 640"));
    QCOMPARE(w.Text("LabelH"), QStringLiteral("高さ = 480"));
    QCOMPARE(w.Spin("SpinEditNewW")->value(), 640);
    QCOMPARE(w.Spin("SpinEditNewH")->value(), 480);
  }

  void openingSelectsBicubicAgain() {
    TWindow w;
    w.OpenWith(Picture(16, 9));
    w.Get<QRadioButton>("RadioButtonMitchell")->setChecked(true);
    w.Get<QPushButton>("ButtonCAN5")->click();
    w.Get<QPushButton>("ButtonReSize")->click();
    QVERIFY(w.Get<QRadioButton>("RadioButtonBicubic")->isChecked());
    QCOMPARE(w.Text("LabelRatio"), QStringLiteral("比率 16 : 9"));
  }

  void openingWithNoPicture() {
    TWindow w;
    w.Get<QPushButton>("ButtonReSize")->click();
    QCOMPARE(w.Text("LabelRatio"), QStringLiteral("比率 0 : 0"));
    QCOMPARE(w.Text("LabelW"), QStringLiteral("幅　 = 0"));
    // Leaving a field divides by zero: swallowed, the other keeps its value.
    w.Spin("SpinEditNewH")->setValue(77);
    w.TypeAndLeave("SpinEditNewW", 500);
    QCOMPARE(w.Spin("SpinEditNewH")->value(), 77);
    QVERIFY(w.errors.isEmpty());
  }

  void leavingAFieldKeepsTheAspectRatio() {
    TWindow w;
    w.OpenWith(Picture(640, 480));
    w.TypeAndLeave("SpinEditNewW", 500);
    QCOMPARE(w.Spin("SpinEditNewH")->value(), 375);
    w.TypeAndLeave("SpinEditNewH", 100);
    QCOMPARE(w.Spin("SpinEditNewW")->value(), 133);
    // Values set by the program run no rule.
    w.Spin("SpinEditNewW")->setValue(320);
    QCOMPARE(w.Spin("SpinEditNewH")->value(), 100);
  }

  void realFocusChangeRunsTheRule() {
    TWindow w;
    w.OpenWith(Picture(640, 480));
    QApplication::setActiveWindow(w.main.get());
    if (!QTest::qWaitForWindowActive(w.main.get())) QSKIP("no active window on this platform");
    QSpinBox* width = w.Spin("SpinEditNewW");
    width->setFocus(Qt::TabFocusReason);
    width->selectAll();
    QTest::keyClicks(width, "320");
    w.Spin("SpinEditNewH")->setFocus(Qt::TabFocusReason);
    QCOMPARE(w.Spin("SpinEditNewH")->value(), 240);
  }

  void previewAndApplyUseTheChosenMethod() {
    TWindow w;
    const TBitmap source = Picture(12, 9);
    w.OpenWith(source);
    w.Spin("SpinEditNewW")->setValue(20);
    w.Spin("SpinEditNewH")->setValue(7);
    w.Get<QRadioButton>("RadioButtonLagrange")->setChecked(true);
    w.Get<QPushButton>("ButtonReS")->click();
    w.main->Document().Previews().Finish();
    TBitmap expected = source;
    QVERIFY(ResampleBitmap(expected, 20, 7, kResampleLagrange));
    QVERIFY(w.main->Document().Result() == expected);
    QCOMPARE(w.main->Document().ViewLabel(), TViewLabel::BMP3);
    QVERIFY(w.main->Document().Source() == source);

    w.Get<QPushButton>("ButtonOK5")->click();
    QVERIFY(w.main->Document().Source() == expected);
    QVERIFY(w.main->FormImage().Caption().contains(QStringLiteral("20x7")));
    QCOMPARE(w.main->OpenPageNumber(), 0);
    QVERIFY(w.errors.isEmpty());
  }

  void applyWithoutPreviewAndAZeroSize() {
    TWindow w;
    const TBitmap source = Picture(8, 6);
    w.OpenWith(source);
    w.Spin("SpinEditNewW")->setValue(0);
    // The resampler refuses a side of 0; the picture stays as it was.
    w.Get<QPushButton>("ButtonOK5")->click();
    QVERIFY(w.main->Document().Source() == source);
    QVERIFY(w.errors.isEmpty());
  }
};

class TestHistogramView : public QObject {
  Q_OBJECT

 private slots:
  void midGreyPeakAndPenOrder() {
    // Bins at 118 of 120; only the vertex at x = 93 rises, to y = 81.
    const QImage lum = RenderHistogram(Grey(40, 30, 128), false, 181, 120);
    QCOMPARE(lum.size(), QSize(181, 120));
    QCOMPARE(lum.pixelColor(93, 81), QColor(Qt::black));
    QCOMPARE(lum.pixelColor(93, 60), QColor(Qt::white));
    QCOMPARE(lum.pixelColor(30, 60), QColor(Qt::white));
    // The red curve is drawn last, over the others.
    const QImage rgb = RenderHistogram(Grey(40, 30, 128), true, 181, 120);
    QCOMPARE(rgb.pixelColor(93, 81), QColor(255, 0, 0));
  }

  void menuItemRedrawsAndTogglesBack() {
    TWindow w;
    QAction* item = w.main->findChild<QAction*>(QStringLiteral("PMenuR"));
    QVERIFY(item);
    QLabel* view = w.Get<QLabel>("ImageHistogram");
    w.main->Document().OpenPicture(Picture(30, 20));
    w.main->Document().ReturnToMenu();
    const QImage before = view->pixmap().toImage();
    item->trigger();
    QVERIFY(w.main->Document().RgbHistogram());
    QVERIFY(view->pixmap().toImage() != before);
    item->trigger();
    QVERIFY(!w.main->Document().RgbHistogram());
    QVERIFY(view->pixmap().toImage() == before);
  }

  void colourFilterPageRedrawsTheHistogram() {
    TWindow w;
    QLabel* view = w.Get<QLabel>("ImageHistogram");
    const TBitmap source = Picture(30, 20);
    w.main->Document().OpenPicture(source);
    w.main->Document().ReturnToMenu();
    // The flag changed behind the histogram's back: only a redraw shows it.
    w.main->Document().SetRgbHistogram(true);
    const QImage rgb = RenderHistogram(source, true, 181, 120);
    QVERIFY(view->pixmap().toImage().convertToFormat(rgb.format()) != rgb);
    w.Get<QPushButton>("ButtonC")->click();
    QCOMPARE(w.main->OpenPageNumber(), 2);
    QVERIFY(view->pixmap().toImage().convertToFormat(rgb.format()) == rgb);
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  TestResizePage page;
  TestHistogramView histogram;
  return kira::test::RunTestObjects(argc, argv, {&page, &histogram});
}

#include "test_resize.moc"
