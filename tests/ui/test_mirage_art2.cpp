// The mirage page and the second art-effects page: their controls and
// defaults, the labels, the show rules, Preview and Apply; and the same
// settings through the editor and through kirabox-batch giving the same bytes.
#include <QLabel>
#include <QProcess>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

#include "effects/mirage.h"
#include "effects/noise.h"
#include "effects/random.h"
#include "pages/mirage_page.h"
#include "tests/ui/ui_test_support.h"

using namespace kira;
using namespace kira::test;

class TestMirageArt2 : public QObject {
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
  static QString Label(TWindows& w, const char* name) { return C<QLabel>(w, name)->text(); }
  static void WithPicture(TWindows& w, const TBitmap& picture) {
    w.Doc().OpenPicture(picture);
    w.Doc().ReturnToMenu();
  }

  // args: the options, the photo, the steps; the output goes in after the photo.
  TBitmap RunBatch(const QStringList& args) {
    const QString out = dir_.filePath(QStringLiteral("batch.bmp"));
    QFile::remove(out);
    const qsizetype input = args.indexOf(photo_);
    QProcess batch;
    batch.start(QStringLiteral(KIRA_BATCH_BIN), args.mid(0, input + 1) + QStringList{out} + args.mid(input + 1));
    if (!batch.waitForFinished(120000) || batch.exitCode() != 0)
      qFatal("kirabox-batch failed: %s", batch.readAllStandardError().constData());
    return ReadBack(out);
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void mirageLabelsFollowAndShowResets() {
    TWindows w;
    w.Click(QStringLiteral("ButtonMirage"));
    C<QSlider>(w, "TrackBarNoudo")->setValue(16);
    C<QSlider>(w, "TrackBarDiff")->setValue(55);
    QCOMPARE(Label(w, "LabelNoudo"), QStringLiteral("1.00"));
    QCOMPARE(Label(w, "LabelDiff"), QStringLiteral("55"));
    C<QSlider>(w, "TrackBarNoudo")->setValue(0);
    QCOMPARE(Label(w, "LabelNoudo"), QStringLiteral("0.20"));
    C<QRadioButton>(w, "RadioButtonMirageB")->setChecked(true);
    C<QRadioButton>(w, "RadioButtonDark")->setChecked(true);
    C<QSpinBox>(w, "SpinEditMirageNo")->setValue(24);
    w.Click(QStringLiteral("ButtonCAN10"));
    w.Click(QStringLiteral("ButtonMirage"));
    QVERIFY(C<QRadioButton>(w, "RadioButtonMirageA")->isChecked());
    QVERIFY(C<QRadioButton>(w, "RadioButtonABrend")->isChecked());
    QCOMPARE(C<QSpinBox>(w, "SpinEditMirageNo")->value(), 5);
    QCOMPARE(Label(w, "LabelNoudo"), QStringLiteral("0.70"));
    QCOMPARE(Label(w, "LabelDiff"), QStringLiteral("30"));
  }

  void miragePreviewAndApply() {
    TWindows w;
    const TBitmap picture = Pattern(64, 48);
    WithPicture(w, picture);
    w.Click(QStringLiteral("ButtonMirage"));
    C<QRadioButton>(w, "RadioButtonMirageB")->setChecked(true);
    C<QRadioButton>(w, "RadioButtonDark")->setChecked(true);
    C<QSpinBox>(w, "SpinEditMirageNo")->setValue(9);
    C<QSpinBox>(w, "SpinEditDeg")->setValue(135);
    C<QSlider>(w, "TrackBarNoudo")->setValue(3);
    w.Click(QStringLiteral("ButtonMirageView"));
    TBitmap expected = picture;
    QVERIFY(MirageLinePriority(expected, 9, 135, 30, MirageDensity(3), true));
    QVERIFY(w.Doc().Result() == expected);
    QCOMPARE(QString::fromLatin1(ViewLabelText(w.Doc().ViewLabel())), QStringLiteral("BMP3"));
    w.Click(QStringLiteral("ButtonOK10"));
    QVERIFY(w.Doc().Source() == expected);
    QCOMPARE(w.main->OpenPageNumber(), 0);
    QVERIFY(w.errors.isEmpty());
  }

  void art2PreviewDrawsFromTheGenerator() {
    TWindows w;
    const TBitmap picture = Pattern(40, 30);
    WithPicture(w, picture);
    w.Click(QStringLiteral("ButtonEffect3"));
    C<QRadioButton>(w, "RadioButtonEFCT32")->setChecked(true);
    C<QSlider>(w, "TrackBarEFCT31")->setValue(30);
    RandSeed() = 11;
    w.Click(QStringLiteral("ButtonEFCT3"));
    TBitmap expected = picture;
    RandSeed() = 11;
    QVERIFY(MonoNoise(expected, 30));
    QVERIFY(w.Doc().Result() == expected);
    // A second Preview goes on from where the first left the generator.
    w.Click(QStringLiteral("ButtonEFCT3"));
    QVERIFY(!(w.Doc().Result() == expected));
    w.Click(QStringLiteral("ButtonOK13"));
    QCOMPARE(w.Doc().Source().PixelFormat(), TPixelFormat::pf24bit);
    QVERIFY(w.errors.isEmpty());
  }

  // The command of the issue: the editor started with the same generator
  // state gives the same bytes.
  void batchMatchesTheEditor() {
    TWindows w;
    w.main->OpenImageFile(photo_);
    RandSeed() = 7;
    w.Click(QStringLiteral("ButtonMirage"));
    C<QRadioButton>(w, "RadioButtonMirageB")->setChecked(true);
    C<QRadioButton>(w, "RadioButtonDark")->setChecked(true);
    C<QSpinBox>(w, "SpinEditMirageNo")->setValue(9);
    w.Click(QStringLiteral("ButtonMirageView"));
    w.Click(QStringLiteral("ButtonOK10"));
    w.Click(QStringLiteral("ButtonEffect3"));
    C<QRadioButton>(w, "RadioButtonEFCT34")->setChecked(true);
    C<QSlider>(w, "TrackBarEFCT31")->setValue(20);
    w.Click(QStringLiteral("ButtonOK13"));  // Apply without Preview
    const TBitmap batch = RunBatch({QStringLiteral("--seed"), QStringLiteral("7"), photo_,
                                    QStringLiteral("mirage:kind=line,mode=dark,faces=9"),
                                    QStringLiteral("art2:kind=spray,level=20")});
    QCOMPARE(batch.Width(), w.Doc().Source().Width());
    QVERIFY(w.Doc().Source() == batch);
  }

  void circleModesAndNoiseMatchTheBatchTool() {
    TWindows w;
    w.main->OpenImageFile(photo_);
    RandSeed() = 0;
    w.Click(QStringLiteral("ButtonMirage"));
    C<QRadioButton>(w, "RadioButtonBright")->setChecked(true);
    C<QSpinBox>(w, "SpinEditDeg")->setValue(0);
    C<QSlider>(w, "TrackBarDiff")->setValue(12);
    C<QSlider>(w, "TrackBarNoudo")->setValue(16);
    w.Click(QStringLiteral("ButtonOK10"));
    w.Click(QStringLiteral("ButtonMirage"));
    w.Click(QStringLiteral("ButtonOK10"));  // the defaults: circle, blend
    w.Click(QStringLiteral("ButtonEffect3"));
    w.Click(QStringLiteral("ButtonOK13"));  // colour noise 64
    const TBitmap batch =
        RunBatch({photo_, QStringLiteral("mirage:mode=bright,angle=0,offset=12,density=16"),
                  QStringLiteral("mirage"), QStringLiteral("art2")});
    QVERIFY(w.Doc().Source() == batch);
  }
};

QTEST_MAIN(TestMirageArt2)
#include "test_mirage_art2.moc"
