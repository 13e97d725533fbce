// The brightness, colour-filter and monochrome pages: their controls, the
// labels and the curve picture following the track bars, the opening rules,
// the colour dialog, Preview and Apply; and the same three steps through the
// controls and through kirabox-batch.
#include <QColorDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

#include "pages/brightness_page.h"
#include "tests/ui/test_objects.h"
#include "tests/ui/ui_test_support.h"
#include "tone/color_filter.h"
#include "tone/monochrome.h"
#include "tone/tone_curves.h"
#include "ui/histogram_view.h"
#include "ui/pages/page_brightness.h"

using namespace kira;
using namespace kira::test;

namespace {

template <class T>
T* C(TWindows& w, const char* name) {
  auto* c = w.main->Control<T>(QString::fromLatin1(name));
  if (!c) qFatal("no control %s", name);
  return c;
}

QString Text(TWindows& w, const char* label) { return C<QLabel>(w, label)->text(); }

void OpenWith(TWindows& w, const TBitmap& picture, const char* menuButton) {
  w.Doc().OpenPicture(picture);
  w.Doc().ReturnToMenu();
  w.Click(QString::fromLatin1(menuButton));
}

const TBitmap& ShownCurve(TWindows& w) {
  auto* page = qobject_cast<TPageBrightness*>(w.main->Page(6));
  if (!page) qFatal("no brightness page");
  return page->CurvePicture();
}

TBitmap Curve(void (*draw)(TBitmap&, double), double p) {
  TBitmap b;
  draw(b, p);
  return b;
}

// Answers the colour dialog that the next modal exec shows: records the
// colour it opened with, then picks `choice` or cancels (invalid choice).
void AnswerColorDialog(QColor* openedWith, QColor choice) {
  QTimer::singleShot(0, [openedWith, choice] {
    auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
    if (!dialog) qFatal("no colour dialog open");
    *openedWith = dialog->currentColor();
    if (choice.isValid()) {
      dialog->setCurrentColor(choice);
      dialog->accept();
    } else {
      dialog->reject();
    }
  });
}

QColor PanelColour(TWindows& w) { return C<QFrame>(w, "PanelCOL")->palette().color(QPalette::Window); }

}  // namespace

class TestBrightnessPage : public QObject {
  Q_OBJECT

 private slots:
  // What the table does not say: the curve picture, identity at the start.
  void curvePictureAtStart() {
    TWindows w;
    QCOMPARE(C<QFrame>(w, "Panel2")->size(), QSize(145, 145));
    QCOMPARE(C<QLabel>(w, "ImageGamma")->size(), QSize(141, 141));
    QVERIFY(ShownCurve(w) == IdentityPicture());
  }

  void labelsAndPictureFollowTheTrackBars() {
    TWindows w;
    OpenWith(w, Pattern(8, 8), "ButtonBright");
    QSlider* gamma = C<QSlider>(w, "TrackBarGamma");
    const struct {
      int position;
      const char* text;
    } gammaLabels[] = {{-70, "0.23"}, {-65, "0.28"}, {-45, "0.50"}, {-15, "0.83"}, {-5, "0.94"}, {70, "4.50"}};
    for (const auto& g : gammaLabels) {
      gamma->setValue(g.position);
      QCOMPARE(Text(w, "LabelGamma"), QString::fromLatin1(g.text));
      QVERIFY(ShownCurve(w) == Curve(DrawGammaCurve, GammaLabelX(g.position)));
    }
    C<QSlider>(w, "TrackBarBrightness1")->setValue(-35);
    QCOMPARE(Text(w, "LabelBrightness1"), QStringLiteral("-35.00"));
    QVERIFY(ShownCurve(w) == Curve(DrawTiltCurve, -35));
    C<QSlider>(w, "TrackBarBrightness2")->setValue(70);
    QCOMPARE(Text(w, "LabelBrightness2"), QStringLiteral("70.00"));
    QVERIFY(ShownCurve(w) == Curve(DrawShiftCurve, 70));
    C<QSlider>(w, "TrackBarContrast")->setValue(90);
    QCOMPARE(Text(w, "LabelContrast"), QStringLiteral("90.00"));
    QVERIFY(ShownCurve(w) == Curve(DrawContrastCurve, 90));
    // Selecting a radio button draws its own curve again.
    C<QRadioButton>(w, "RadioButtonBrightness1")->click();
    QVERIFY(ShownCurve(w) == Curve(DrawTiltCurve, -35));
    QVERIFY(w.errors.isEmpty());
  }

  void contrastButtonShowsTheIdentityLine() {
    TWindows w;
    OpenWith(w, Pattern(8, 8), "ButtonBright");
    C<QSlider>(w, "TrackBarContrast")->setValue(40);
    QVERIFY(ShownCurve(w) == Curve(DrawContrastCurve, 40));
    C<QRadioButton>(w, "RadioButtonContrast")->click();
    QCOMPARE(Text(w, "LabelContrast"), QStringLiteral("40.00"));
    QVERIFY(ShownCurve(w) == IdentityPicture());
    C<QSlider>(w, "TrackBarContrast")->setValue(41);
    QVERIFY(ShownCurve(w) == Curve(DrawContrastCurve, 41));
  }

  void previewAppliesTheSelectedCurveNotTheLastMoved() {
    TWindows w;
    const TBitmap source = Pattern(23, 9);
    OpenWith(w, source, "ButtonBright");
    C<QRadioButton>(w, "RadioButtonBrightness1")->click();
    C<QSlider>(w, "TrackBarBrightness1")->setValue(20);
    C<QSlider>(w, "TrackBarGamma")->setValue(30);
    QVERIFY(ShownCurve(w) == Curve(DrawGammaCurve, GammaLabelX(30)));
    w.Click(QStringLiteral("ButtonGammaCorrection"));
    TBitmap expected = source;
    TiltCurve(expected, 20);
    QVERIFY(w.Doc().Result() == expected);
    QCOMPARE(w.Doc().ViewLabel(), TViewLabel::BMP3);
    QVERIFY(w.Doc().Source() == source);
    w.Click(QStringLiteral("ButtonOK6"));
    QVERIFY(w.Doc().Source() == expected);
    QCOMPARE(w.main->OpenPageNumber(), 0);
  }

  void applyWithoutPreviewAndPositionZero() {
    TWindows w;
    const TBitmap source = Pattern(11, 5);
    OpenWith(w, source, "ButtonBright");
    w.Click(QStringLiteral("ButtonGammaCorrection"));
    QVERIFY(w.Doc().Result() == source);
    w.Click(QStringLiteral("ButtonCAN6"));
    w.Click(QStringLiteral("ButtonBright"));
    C<QRadioButton>(w, "RadioButtonBrightness2")->click();
    C<QSlider>(w, "TrackBarBrightness2")->setValue(-12);
    w.Click(QStringLiteral("ButtonOK6"));
    TBitmap expected = source;
    ShiftCurve(expected, -12);
    QVERIFY(w.Doc().Source() == expected);
  }

  void reopeningResetsEverything() {
    TWindows w;
    OpenWith(w, Pattern(8, 8), "ButtonBright");
    C<QSlider>(w, "TrackBarGamma")->setValue(-65);
    C<QSlider>(w, "TrackBarBrightness1")->setValue(10);
    C<QSlider>(w, "TrackBarBrightness2")->setValue(-20);
    C<QSlider>(w, "TrackBarContrast")->setValue(60);
    C<QRadioButton>(w, "RadioButtonContrast")->click();
    w.Click(QStringLiteral("ButtonCAN6"));
    w.Click(QStringLiteral("ButtonBright"));
    QCOMPARE(w.main->OpenPageNumber(), 6);
    QVERIFY(C<QRadioButton>(w, "RadioButtonGamma")->isChecked());
    for (const char* bar : {"TrackBarGamma", "TrackBarBrightness1", "TrackBarBrightness2", "TrackBarContrast"})
      QCOMPARE(C<QSlider>(w, bar)->value(), 0);
    QCOMPARE(Text(w, "LabelGamma"), QStringLiteral("1.00"));
    for (const char* label : {"LabelBrightness1", "LabelBrightness2", "LabelContrast"})
      QCOMPARE(Text(w, label), QStringLiteral("0.00"));
    QVERIFY(ShownCurve(w) == IdentityPicture());
  }
};

class TestColorFilterPage : public QObject {
  Q_OBJECT

 private slots:
  void controlsAtStart() {
    TWindows w;
    QCOMPARE(C<QGroupBox>(w, "GroupBox6")->title(), QStringLiteral("カラー"));
    QCOMPARE(Text(w, "Label6"), QStringLiteral("濃度"));
    QCOMPARE(PanelColour(w), QColor(255, 255, 255));
    QVERIFY(C<QToolButton>(w, "SpeedButton1"));
  }

  void dialogOpensOnTheLastChosenColour() {
    TWindows w;
    OpenWith(w, Pattern(4, 4), "ButtonC");
    QColor opened;
    // Black the first time, not the panel's white.
    AnswerColorDialog(&opened, QColor(255, 128, 0));
    C<QToolButton>(w, "SpeedButton1")->click();
    QCOMPARE(opened, QColor(0, 0, 0));
    QCOMPARE(PanelColour(w), QColor(255, 128, 0));
    // Cancelling changes nothing.
    AnswerColorDialog(&opened, QColor());
    C<QToolButton>(w, "SpeedButton1")->click();
    QCOMPARE(opened, QColor(255, 128, 0));
    QCOMPARE(PanelColour(w), QColor(255, 128, 0));
    // Reopening the page makes the panel white again; the dialog remembers.
    w.Click(QStringLiteral("ButtonCAN2"));
    C<QSpinBox>(w, "SpinEditCOLD")->setValue(90);
    w.Click(QStringLiteral("ButtonC"));
    QCOMPARE(PanelColour(w), QColor(255, 255, 255));
    QCOMPARE(C<QSpinBox>(w, "SpinEditCOLD")->value(), 50);
    AnswerColorDialog(&opened, QColor(10, 20, 30));
    C<QToolButton>(w, "SpeedButton1")->click();
    QCOMPARE(opened, QColor(255, 128, 0));
    QVERIFY(w.errors.isEmpty());
  }

  void previewUsesPanelAndDensity() {
    TWindows w;
    const TBitmap source = Pattern(19, 7);
    OpenWith(w, source, "ButtonC");
    QColor opened;
    AnswerColorDialog(&opened, QColor(255, 0, 0));
    C<QToolButton>(w, "SpeedButton1")->click();
    C<QSpinBox>(w, "SpinEditCOLD")->setValue(70);
    w.Click(QStringLiteral("ButtonCOL"));
    TBitmap expected = source;
    ColorFilter(expected, ColorRef(255, 0, 0), 30);
    QVERIFY(w.Doc().Result() == expected);
    // Density 0 leaves the picture; a second Preview starts from the source.
    C<QSpinBox>(w, "SpinEditCOLD")->setValue(0);
    w.Click(QStringLiteral("ButtonCOL"));
    QVERIFY(w.Doc().Result() == source);
    // Apply takes the last Preview as it is, not the density set since.
    C<QSpinBox>(w, "SpinEditCOLD")->setValue(70);
    w.Click(QStringLiteral("ButtonOK2"));
    QVERIFY(w.Doc().Source() == source);
  }

  void menuButtonPrefersTheResultForTheHistogram() {
    TWindows w;
    QLabel* view = w.main->ImageHistogram();
    w.Doc().OpenPicture(Pattern(30, 20));
    w.Doc().ReturnToMenu();
    TBitmap result = Pattern(30, 20);
    WeightedGrey(result, GreyWeightsFor(TGreyKind::Monochrome));
    w.Doc().Result() = result;
    const QImage expected = RenderHistogram(result, false, 181, 120);
    QVERIFY(view->pixmap().toImage().convertToFormat(expected.format()) != expected);
    w.Click(QStringLiteral("ButtonC"));
    QVERIFY(view->pixmap().toImage().convertToFormat(expected.format()) == expected);
  }
};

class TestMonochromePage : public QObject {
  Q_OBJECT

 private slots:
  void radioButtonsAndPreview() {
    TWindows w;
    const TBitmap source = Pattern(13, 6);
    OpenWith(w, source, "ButtonMono");
    const char* names[] = {"RadioButtonMono1", "RadioButtonMono2", "RadioButtonMono3", "RadioButtonMono4",
                           "RadioButtonMono5"};
    const char* captions[] = {"モノクローム", "赤フィルター", "緑フィルター", "青フィルター", "グレースケール"};
    for (int k = 0; k < 5; ++k) {
      QRadioButton* radio = C<QRadioButton>(w, names[k]);
      QCOMPARE(radio->text(), QString::fromUtf8(captions[k]));
      QCOMPARE(radio->isChecked(), k == 0);
      radio->click();
      w.Click(QStringLiteral("ButtonMonochrome"));
      TBitmap expected = source;
      WeightedGrey(expected, GreyWeightsFor(static_cast<TGreyKind>(k)));
      QVERIFY2(w.Doc().Result() == expected, names[k]);
    }
    // Reopening selects the monochrome kind again.
    w.Click(QStringLiteral("ButtonCAN4"));
    w.Click(QStringLiteral("ButtonMono"));
    QVERIFY(C<QRadioButton>(w, "RadioButtonMono1")->isChecked());
    w.Click(QStringLiteral("ButtonOK4"));
    TBitmap expected = source;
    WeightedGrey(expected, GreyWeightsFor(TGreyKind::Monochrome));
    QVERIFY(w.Doc().Source() == expected);
  }
};

class TestTonePagesParity : public QObject {
  Q_OBJECT

 private slots:
  void threeStepsMatchTheBatchTool() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString photo = QStringLiteral(KIRA_TESTDATA "/photos/rocket.jpg");
    TWindows w;
    w.main->OpenImageFile(photo);
    QVERIFY(!w.Doc().Source().Empty());

    w.Click(QStringLiteral("ButtonBright"));
    C<QRadioButton>(w, "RadioButtonContrast")->click();
    C<QSlider>(w, "TrackBarContrast")->setValue(40);
    w.Click(QStringLiteral("ButtonOK6"));

    w.Click(QStringLiteral("ButtonC"));
    QColor opened;
    AnswerColorDialog(&opened, QColor(0xff, 0x80, 0x00));
    C<QToolButton>(w, "SpeedButton1")->click();
    C<QSpinBox>(w, "SpinEditCOLD")->setValue(70);
    w.Click(QStringLiteral("ButtonCOL"));
    w.Click(QStringLiteral("ButtonOK2"));

    w.Click(QStringLiteral("ButtonMono"));
    C<QRadioButton>(w, "RadioButtonMono2")->click();
    w.Click(QStringLiteral("ButtonOK4"));

    const QString out = dir.filePath(QStringLiteral("batch.bmp"));
    QProcess batch;
    batch.start(QStringLiteral(KIRA_BATCH_BIN),
                {photo, out, QStringLiteral("brightness:kind=contrast,position=40"),
                 QStringLiteral("colorfilter:color=ff8000,density=70"), QStringLiteral("monochrome:kind=red")});
    QVERIFY(batch.waitForFinished(120000));
    QVERIFY2(batch.exitCode() == 0, batch.readAllStandardError().constData());
    const TBitmap fromBatch = ReadBack(out);
    QVERIFY(!fromBatch.Empty());
    QVERIFY(w.Doc().Source() == fromBatch);
    QVERIFY(w.errors.isEmpty());
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  TestBrightnessPage brightness;
  TestColorFilterPage colorFilter;
  TestMonochromePage monochrome;
  TestTonePagesParity parity;
  return kira::test::RunTestObjects(argc, argv, {&brightness, &colorFilter, &monochrome, &parity});
}

#include "test_tone_pages.moc"
