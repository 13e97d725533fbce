// The saturation and peripheral pages: controls and defaults, labels, opening
// rules, Preview and Apply through the buttons, and the same bytes as
// kirabox-batch for the same settings.
#include <QLabel>
#include <QProcess>
#include <QRadioButton>
#include <QSlider>

#include "effects/color_effects.h"
#include "effects/lighting.h"
#include "tests/ui/ui_test_support.h"

using namespace kira;
using namespace kira::test;

class TestSaturationPeripheral : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  const QString photo_ = QStringLiteral(KIRA_TESTDATA "/photos/rocket.jpg");

  template <class T>
  static T* C(TWindows& w, const char* name) {
    auto* c = w.main->Control<T>(QString::fromLatin1(name));
    if (!c) qFatal("no control %s", name);
    return c;
  }
  static QString Text(TWindows& w, const char* label) { return C<QLabel>(w, label)->text(); }
  static void OpenWith(TWindows& w, const TBitmap& picture, const char* menuButton) {
    w.Doc().OpenPicture(picture);
    w.Doc().ReturnToMenu();
    w.Click(QString::fromLatin1(menuButton));
  }

  TBitmap RunBatch(const QStringList& steps) {
    const QString out = dir_.filePath(QStringLiteral("batch.bmp"));
    QFile::remove(out);
    QProcess batch;
    batch.start(QStringLiteral(KIRA_BATCH_BIN), QStringList{photo_, out} + steps);
    if (!batch.waitForFinished(120000) || batch.exitCode() != 0)
      qFatal("kirabox-batch failed: %s", batch.readAllStandardError().constData());
    return ReadBack(out);
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void labelsFollowTheTrackBarsAndOpeningResetsThem() {
    TWindows w;
    OpenWith(w, Pattern(8, 6), "ButtonSaturat");
    QCOMPARE(w.main->OpenPageNumber(), 8);
    C<QRadioButton>(w, "RadioButtonLuminance")->setChecked(true);
    C<QSlider>(w, "TrackBarSaturation")->setValue(-20);
    QCOMPARE(Text(w, "LabelSaturation"), QStringLiteral("-20"));
    w.Click(QStringLiteral("ButtonCAN8"));
    w.Click(QStringLiteral("ButtonSaturat"));
    QVERIFY(C<QRadioButton>(w, "RadioButtonSaturation")->isChecked());
    QCOMPARE(C<QSlider>(w, "TrackBarSaturation")->value(), 0);
    QCOMPARE(Text(w, "LabelSaturation"), QStringLiteral("0"));

    w.Click(QStringLiteral("ButtonCAN8"));
    w.Click(QStringLiteral("ButtonEffect1"));
    QCOMPARE(w.main->OpenPageNumber(), 9);
    C<QRadioButton>(w, "RadioButtonVaseline")->setChecked(true);
    C<QSlider>(w, "TrackBarEffect1")->setValue(7);
    QCOMPARE(Text(w, "LabelEffect1"), QStringLiteral("7"));
    w.Click(QStringLiteral("ButtonCAN9"));
    w.Click(QStringLiteral("ButtonEffect1"));
    QVERIFY(C<QRadioButton>(w, "RadioButtonSpotLight")->isChecked());
    QCOMPARE(C<QSlider>(w, "TrackBarEffect1")->value(), 50);
    QCOMPARE(Text(w, "LabelEffect1"), QStringLiteral("50"));
  }

  void previewAndApplyRunTheCheckedEffect() {
    TWindows w;
    const TBitmap picture = Pattern(31, 20);
    OpenWith(w, picture, "ButtonSaturat");
    C<QRadioButton>(w, "RadioButtonLuminance")->setChecked(true);
    C<QSlider>(w, "TrackBarSaturation")->setValue(-20);
    w.Click(QStringLiteral("ButtonSaturation"));
    TBitmap want = picture;
    QVERIFY(AdjustLuminance(want, -20));
    QVERIFY(w.Doc().Result() == want);
    w.Click(QStringLiteral("ButtonOK8"));
    QVERIFY(w.Doc().Source() == want);

    // Radius 40 % of 31 is 12.4, so 12 pixels.
    w.Click(QStringLiteral("ButtonEffect1"));
    C<QRadioButton>(w, "RadioButtonColorSpotLight")->setChecked(true);
    C<QSlider>(w, "TrackBarEffect1")->setValue(40);
    w.Click(QStringLiteral("ButtonOK9"));  // Apply runs the Preview first
    QVERIFY(ColorSpotLight(want, 12));
    QVERIFY(w.Doc().Source() == want);
    QVERIFY(w.Doc().Result().Empty());
    QVERIFY(w.errors.isEmpty());
  }

  void aRadiusOfNoPixelsKeepsThePicture() {
    TWindows w;
    const TBitmap picture = Pattern(30, 20);
    OpenWith(w, picture, "ButtonEffect1");
    C<QSlider>(w, "TrackBarEffect1")->setValue(1);  // 0.3 pixels
    w.Click(QStringLiteral("ButtonEffectView"));
    QVERIFY(w.Doc().Result() == picture);
    QVERIFY(w.errors.isEmpty());
  }

  void theBatchToolGivesTheSameBytes() {
    TWindows w;
    w.main->OpenImageFile(photo_);
    w.Click(QStringLiteral("ButtonEffect1"));
    C<QRadioButton>(w, "RadioButtonVaseline")->setChecked(true);
    C<QSlider>(w, "TrackBarEffect1")->setValue(40);
    w.Click(QStringLiteral("ButtonEffectView"));
    w.Click(QStringLiteral("ButtonOK9"));
    w.Click(QStringLiteral("ButtonSaturat"));
    C<QRadioButton>(w, "RadioButtonLuminance")->setChecked(true);
    C<QSlider>(w, "TrackBarSaturation")->setValue(-20);
    w.Click(QStringLiteral("ButtonOK8"));
    w.Click(QStringLiteral("ButtonEffect1"));
    C<QRadioButton>(w, "RadioButtonColorSpotLight")->setChecked(true);
    w.Click(QStringLiteral("ButtonOK9"));
    w.Click(QStringLiteral("ButtonSaturat"));
    C<QSlider>(w, "TrackBarSaturation")->setValue(65);
    w.Click(QStringLiteral("ButtonOK8"));
    const TBitmap batch = RunBatch({QStringLiteral("peripheral:kind=vaseline,radius=40"),
                                    QStringLiteral("saturation:kind=luminance,amount=-20"),
                                    QStringLiteral("peripheral:kind=colorspotlight"),
                                    QStringLiteral("saturation:amount=65")});
    QCOMPARE(batch.Width(), 640);
    QVERIFY(w.Doc().Source() == batch);
  }
};

QTEST_MAIN(TestSaturationPeripheral)
#include "test_saturation_peripheral.moc"
