// The art-effects-1 page driven through its controls: each radio button runs
// its kind with its own track bar, the result is 24-bit, and the batch tool
// gives the same bytes for the same settings.
#include <QCheckBox>
#include <QProcess>
#include <QRadioButton>
#include <QSlider>

#include "pages/art1_page.h"
#include "tests/ui/ui_test_support.h"

using namespace kira;
using namespace kira::test;

class TestArt1Page : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  const QString photo_ = QStringLiteral(KIRA_TESTDATA "/photos/rocket.jpg");

  template <class T>
  T* C(TWindows& w, const char* name) {
    auto* c = w.main->Control<T>(QString::fromLatin1(name));
    if (!c) qFatal("no control %s", name);
    return c;
  }

  TBitmap RunBatch(const QString& step) {
    const QString out = dir_.filePath(QStringLiteral("art1.bmp"));
    QFile::remove(out);
    QProcess batch;
    batch.start(QStringLiteral(KIRA_BATCH_BIN), QStringList{photo_, out, step});
    if (!batch.waitForFinished(120000) || batch.exitCode() != 0)
      qFatal("kirabox-batch failed: %s", batch.readAllStandardError().constData());
    return ReadBack(out);
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void previewRunsTheCheckedKindWithItsTrackBar() {
    struct Case {
      const char* radio;
      const char* bar;  // null: the kind has none
      int position;
      bool continuous;
      TArt1Kind kind;
    };
    const Case cases[] = {
        {"RadioButtonEFCT21", "TrackBarEFCT21", 5, false, TArt1Kind::Watercolor},
        {"RadioButtonEFCT22", "TrackBarEFCT22", 200, false, TArt1Kind::Solarize},
        {"RadioButtonEFCT23", "TrackBarEFCT23", 11, false, TArt1Kind::FishEye},
        {"RadioButtonEFCT24", nullptr, 0, false, TArt1Kind::Sobel},
        {"RadioButtonEFCT25", "TrackBarEFCT25", 30, false, TArt1Kind::Edge1},
        {"RadioButtonEFCT26", "TrackBarEFCT26", 7, true, TArt1Kind::Edge2},
        {"RadioButtonEFCT26", "TrackBarEFCT26", 7, false, TArt1Kind::Edge2},
        {"RadioButtonEFCT27", nullptr, 0, false, TArt1Kind::Edge3},
        {"RadioButtonEFCT28", nullptr, 0, false, TArt1Kind::Negative},
    };
    const QString picture = WritePicture(dir_.filePath(QStringLiteral("pattern.bmp")), Pattern(37, 23));
    TWindows w;
    w.main->OpenImageFile(picture);
    for (const Case& c : cases) {
      w.Click(QStringLiteral("ButtonEffect2"));
      C<QRadioButton>(w, c.radio)->setChecked(true);
      if (c.bar) C<QSlider>(w, c.bar)->setValue(c.position);
      C<QCheckBox>(w, "CheckBox26")->setChecked(c.continuous);
      w.Click(QStringLiteral("ButtonEFCT2"));

      TArt1Settings s;
      s.kind = c.kind;
      s.watercolor = c.kind == TArt1Kind::Watercolor ? c.position : s.watercolor;
      s.solarize = c.kind == TArt1Kind::Solarize ? c.position : s.solarize;
      s.fisheye = c.kind == TArt1Kind::FishEye ? c.position : s.fisheye;
      s.edge1 = c.kind == TArt1Kind::Edge1 ? c.position : s.edge1;
      s.edge2 = c.kind == TArt1Kind::Edge2 ? c.position : s.edge2;
      s.continuous = c.continuous;
      TBitmap expect = w.Doc().Source();
      QVERIFY(Art1Picture(expect, s));
      QCOMPARE(w.Doc().Result().PixelFormat(), TPixelFormat::pf24bit);
      QVERIFY2(w.Doc().Result() == expect, c.radio);
      w.Click(QStringLiteral("ButtonCAN11"));
    }
  }

  void edgeExtractionTwoMatchesTheBatchTool() {
    TWindows w;
    w.main->OpenImageFile(photo_);
    w.Click(QStringLiteral("ButtonEffect2"));
    C<QRadioButton>(w, "RadioButtonEFCT26")->setChecked(true);
    C<QSlider>(w, "TrackBarEFCT26")->setValue(30);
    C<QCheckBox>(w, "CheckBox26")->setChecked(true);
    w.Click(QStringLiteral("ButtonEFCT2"));
    w.Click(QStringLiteral("ButtonOK11"));
    QVERIFY(w.Doc().Source() == RunBatch(QStringLiteral("art1:kind=edge2,level=30,continuous=1")));
  }

  void fisheyeAndWatercolourMatchTheBatchTool() {
    TWindows w;
    w.main->OpenImageFile(photo_);
    w.Click(QStringLiteral("ButtonEffect2"));
    C<QRadioButton>(w, "RadioButtonEFCT23")->setChecked(true);
    C<QSlider>(w, "TrackBarEFCT23")->setValue(11);
    w.Click(QStringLiteral("ButtonOK11"));  // Apply without Preview
    QVERIFY(w.Doc().Source() == RunBatch(QStringLiteral("art1:kind=fisheye,level=11")));

    TWindows v;
    v.main->OpenImageFile(photo_);
    v.Click(QStringLiteral("ButtonEffect2"));
    v.Click(QStringLiteral("ButtonOK11"));  // the page's defaults: watercolour, reach 3
    QVERIFY(v.Doc().Source() == RunBatch(QStringLiteral("art1")));
  }
};

QTEST_MAIN(TestArt1Page)
#include "test_art1_page.moc"
