// The softness and sharpness pages: their controls and opening rules, Preview
// and Apply driven through the controls, and the same bytes as kirabox-batch.
#include <QProcess>
#include <QRadioButton>
#include <QSlider>

#include "pages/sharpness_page.h"
#include "pages/softness_page.h"
#include "tests/ui/ui_test_support.h"

using namespace kira;
using namespace kira::test;

class TestSoftSharpPages : public QObject {
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
  void Open(TWindows& w, const TBitmap& picture) {
    w.Doc().OpenPicture(picture);
    w.Doc().ReturnToMenu();
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  // Every kind at every level through the controls gives the page's effect.
  void softnessPreviewFollowsTheControls() {
    const char* radios[] = {"RadioButtonBlur", "RadioButtonGaussianBlur", "RadioButtonRadialBlur",
                            "RadioButtonAngleBlur", "RadioButtonSoften"};
    const TBitmap picture = Pattern(23, 17);
    TWindows w;
    Open(w, picture);
    w.Click(QStringLiteral("ButtonSoftness"));
    for (int kind = 0; kind < 5; ++kind)
      for (int p = 0; p <= 6; ++p) {
        C<QRadioButton>(w, radios[kind])->setChecked(true);
        C<QSlider>(w, "TrackBarSoftness")->setValue(p);
        w.Click(QStringLiteral("ButtonSOFT"));
        TBitmap expected = picture;
        SoftenPicture(expected, {static_cast<TSoftnessKind>(kind), p});
        QVERIFY2(w.Doc().Result() == expected, radios[kind]);
        QVERIFY(w.Doc().Source() == picture);
      }
    QVERIFY(w.errors.isEmpty());
  }

  void sharpnessApplyWithoutPreview() {
    const TBitmap picture = Pattern(19, 12);
    TWindows w;
    Open(w, picture);
    w.Click(QStringLiteral("ButtonSharpen"));
    C<QRadioButton>(w, "RadioButtonFocus")->setChecked(true);
    C<QSlider>(w, "TrackBarSharp")->setValue(45);
    w.Click(QStringLiteral("ButtonOK7"));
    TBitmap expected = picture;
    SharpenPicture(expected, {TSharpnessKind::Focus, 45});
    QVERIFY(w.Doc().Source() == expected);
    QVERIFY(w.Doc().Result().Empty());
    w.Click(QStringLiteral("ButtonSharpen"));
    C<QSlider>(w, "TrackBarSharp")->setValue(100);
    w.Click(QStringLiteral("ButtonSHARP"));
    SharpenPicture(expected, {TSharpnessKind::Sharpen, 100});
    QVERIFY(w.Doc().Result() == expected);
  }

  void batchMatchesTheEditor() {
    TWindows w;
    w.main->OpenImageFile(photo_);
    w.Click(QStringLiteral("ButtonSoftness"));
    C<QRadioButton>(w, "RadioButtonRadialBlur")->setChecked(true);
    C<QSlider>(w, "TrackBarSoftness")->setValue(4);
    w.Click(QStringLiteral("ButtonSOFT"));
    w.Click(QStringLiteral("ButtonOK3"));
    w.Click(QStringLiteral("ButtonSharpen"));
    C<QRadioButton>(w, "RadioButtonFocus")->setChecked(true);
    C<QSlider>(w, "TrackBarSharp")->setValue(60);
    w.Click(QStringLiteral("ButtonOK7"));

    const QString out = dir_.filePath(QStringLiteral("batch.bmp"));
    QProcess batch;
    batch.start(QStringLiteral(KIRA_BATCH_BIN),
                {photo_, out, QStringLiteral("softness:kind=radial,level=4"),
                 QStringLiteral("sharpness:kind=focus,amount=60")});
    QVERIFY(batch.waitForFinished(120000));
    QCOMPARE(batch.exitCode(), 0);
    const TBitmap result = ReadBack(out);
    QCOMPARE(result.Width(), w.Doc().Source().Width());
    QVERIFY(w.Doc().Source() == result);
  }
};

QTEST_MAIN(TestSoftSharpPages)
#include "test_soft_sharp_pages.moc"
