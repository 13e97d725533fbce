// The star-filter page through its controls: defaults on showing, the flag
// that makes Preview reuse edited points, the tool buttons, and the hand
// editing with the mouse on the picture.
#include <QCheckBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>

#include "starfilter/brightpoints.h"
#include "pages/star_page.h"
#include "tests/ui/ui_test_support.h"

using namespace kira;
using namespace kira::test;

namespace {

// Grey picture with white pixels at (10, 8), (30, 20) and one of sum 700.
TBitmap StarPicture() {
  TBitmap b(40, 30);
  for (int y = 0; y < 30; ++y) {
    std::uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < 40; ++x) row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = 50;
  }
  auto set = [&b](int x, int y, int v0, int v1, int v2) {
    std::uint8_t* p = b.ScanLine(y) + 3 * x;
    p[0] = static_cast<std::uint8_t>(v0);
    p[1] = static_cast<std::uint8_t>(v1);
    p[2] = static_cast<std::uint8_t>(v2);
  };
  set(10, 8, 255, 255, 255);
  set(30, 20, 255, 255, 255);
  set(20, 15, 200, 250, 250);
  return b;
}

int NonBlack(const TBitmap& b) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const std::uint8_t* p = b.ScanLine(y) + 3 * x;
      n += (p[0] | p[1] | p[2]) != 0;
    }
  return n;
}

}  // namespace

class TestStarFilter : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

  void Open(TWindows& w) {
    w.main->OpenImageFile(WritePicture(dir_.filePath("star.bmp"), StarPicture()));
    w.Click("ButtonX");
  }
  template <class T>
  T* C(TWindows& w, const char* name) {
    auto* c = w.main->Control<T>(QString::fromLatin1(name));
    if (!c) qFatal("no control %s", name);
    return c;
  }
  QWidget* Image1(TWindows& w) { return w.Image().Image1(); }
  void Drag(TWindows& w, QPoint from, QPoint to) {
    QTest::mousePress(Image1(w), Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(Image1(w), to);
    QTest::mouseRelease(Image1(w), Qt::LeftButton, Qt::NoModifier, to);
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void controlsCarryTheirNamesRangesAndCaptions() {
    TWindows w;
    struct {
      const char* name;
      int min, max, def;
      const char* hint;
    } spins[] = {{"SpinEditV", 0, 765, 764, "0～765"}, {"SpinEditM", 0, 10, 10, "0～10"},
                 {"SpinEditL", 0, 256, 32, "0～256"},  {"SpinEditR", 0, 180, 0, "0～180"},
                 {"SpinEditD", 0, 100, 50, "0～100"}};
    for (const auto& s : spins) {
      auto* spin = C<QSpinBox>(w, s.name);
      QCOMPARE(spin->minimum(), s.min);
      QCOMPARE(spin->maximum(), s.max);
      QCOMPARE(spin->value(), s.def);
      QCOMPARE(spin->toolTip(), QString::fromUtf8(s.hint));
    }
    QCOMPARE(w.Button("ButtonBPC")->text(), QStringLiteral("輝点抽出"));
    QCOMPARE(w.Button("ButtonBPR")->text(), QStringLiteral("輝点リセット"));
    QCOMPARE(w.Button("ButtonAPP")->text(), QStringLiteral("プレビュー"));
    QCOMPARE(w.Button("ButtonBP1")->text(), QStringLiteral("輝点"));
    QCOMPARE(C<QToolButton>(w, "SpeedButtonVA")->text(), QStringLiteral("A"));
    QCOMPARE(C<QToolButton>(w, "SpeedButtonNOP")->text(), QStringLiteral("R"));
    QCOMPARE(C<QToolButton>(w, "SpeedButtonCUT")->toolTip(), QStringLiteral("範囲内の輝点を削除"));
    QCOMPARE(C<QToolButton>(w, "SpeedButtonPUT")->toolTip(), QStringLiteral("輝点を追加"));
    QCOMPARE(C<QRadioButton>(w, "RadioButtonCROSS")->text(), QStringLiteral("クロス"));
    QCOMPARE(C<QRadioButton>(w, "RadioButtonSNOW")->text(), QStringLiteral("スノー"));
    QCOMPARE(C<QRadioButton>(w, "RadioButtonSUNNY")->text(), QStringLiteral("サニー"));
    QCOMPARE(C<QRadioButton>(w, "RadioButton3")->text(), QStringLiteral("x3"));
    QCOMPARE(C<QCheckBox>(w, "CheckBoxSoftX")->text(), QStringLiteral("ソフトクロス"));
  }

  void showingThePageResetsControlsAndFlag() {
    TWindows w;
    Open(w);
    C<QSpinBox>(w, "SpinEditV")->setValue(10);
    C<QSpinBox>(w, "SpinEditL")->setValue(100);
    C<QRadioButton>(w, "RadioButtonSUNNY")->setChecked(true);
    C<QRadioButton>(w, "RadioButton2")->setChecked(true);
    C<QCheckBox>(w, "CheckBoxSoftX")->setChecked(true);
    C<QToolButton>(w, "SpeedButtonCUT")->click();
    w.Click("ButtonBPC");
    QVERIFY(w.Doc().BrightPointsReady());
    w.Click("ButtonCAN1");
    w.Click("ButtonX");
    QCOMPARE(C<QSpinBox>(w, "SpinEditV")->value(), 764);
    QCOMPARE(C<QSpinBox>(w, "SpinEditL")->value(), 32);
    QVERIFY(C<QRadioButton>(w, "RadioButtonCROSS")->isChecked());
    QVERIFY(C<QRadioButton>(w, "RadioButton1")->isChecked());
    QVERIFY(!C<QCheckBox>(w, "CheckBoxSoftX")->isChecked());
    QVERIFY(!C<QToolButton>(w, "SpeedButtonCUT")->isChecked());
    QVERIFY(!w.Doc().BrightPointsReady());
  }

  void previewExtractsDrawsAndReleasesTheTool() {
    TWindows w;
    Open(w);
    C<QSpinBox>(w, "SpinEditL")->setValue(6);
    C<QRadioButton>(w, "RadioButtonSNOW")->setChecked(true);
    C<QToolButton>(w, "SpeedButtonPUT")->click();
    QVERIFY(C<QToolButton>(w, "SpeedButtonPUT")->isChecked());
    w.Click("ButtonAPP");
    QCOMPARE(w.Doc().ViewLabel(), TViewLabel::BMP3);
    QVERIFY(!C<QToolButton>(w, "SpeedButtonPUT")->isChecked());
    QCOMPARE(NonBlack(w.Doc().BrightPoints()), 2);
    TDocument ref;
    ref.OpenPicture(StarPicture());
    TStarSettings s;
    StarPageShown(ref, s);
    s.Length = 6;
    s.Kind = TStarKind::Snow;
    StarPreview(ref, s);
    QVERIFY(w.Doc().Result() == ref.Result());
    QVERIFY(!QApplication::overrideCursor());
  }

  void previewReusesEditedPointsUntilReset() {
    TWindows w;
    Open(w);
    w.Click("ButtonBPC");
    QCOMPARE(w.Doc().ViewLabel(), TViewLabel::BMP2);
    QCOMPARE(NonBlack(w.Doc().BrightPoints()), 2);
    // Cut the point at (10, 8), dragging from lower right to upper left.
    C<QToolButton>(w, "SpeedButtonCUT")->click();
    Drag(w, QPoint(15, 12), QPoint(5, 4));
    QVERIFY(!w.Image().Shape1()->isVisible());
    QCOMPARE(NonBlack(w.Doc().BrightPoints()), 1);
    // Without automatic preview a new threshold waits for the points to be
    // extracted again; with it, the points follow the threshold at once.
    w.main->SetAutoPreview(false);
    C<QSpinBox>(w, "SpinEditV")->setValue(600);
    w.Click("ButtonAPP");
    QCOMPARE(NonBlack(w.Doc().BrightPoints()), 1);
    w.main->SetAutoPreview(true);
    C<QSpinBox>(w, "SpinEditV")->setValue(601);
    w.Settle();
    QCOMPARE(NonBlack(w.Doc().BrightPoints()), 3);
    w.Click("ButtonBPR");
    QVERIFY(w.Doc().BrightPoints().Empty());
    QCOMPARE(w.Doc().ViewLabel(), TViewLabel::BMP1);
    w.Click("ButtonAPP");
    QCOMPARE(NonBlack(w.Doc().BrightPoints()), 3);
  }

  void putAddsZoomedPointsOfTheChosenSize() {
    TWindows w;
    Open(w);
    w.Click("ButtonBP1");
    C<QToolButton>(w, "SpeedButtonPUT")->click();
    C<QRadioButton>(w, "RadioButton2")->setChecked(true);
    w.Doc().SetZoomPercent(200);
    w.Image().ApplyZoom(200);
    // The flag is clear: the first put starts an all-black set; at 200 % the
    // pointer at (6, 8) is the pixel (3, 4).
    QTest::mouseClick(Image1(w), Qt::LeftButton, Qt::NoModifier, QPoint(6, 8));
    QVERIFY(w.Doc().BrightPointsReady());
    QCOMPARE(NonBlack(w.Doc().BrightPoints()), 4);
    const std::uint8_t* p = w.Doc().BrightPoints().ScanLine(5) + 3 * 4;
    QCOMPARE(int(p[2]), 255);
    // Tool still down: a drag does not move the picture.
    const QPoint before = Image1(w)->pos();
    Drag(w, QPoint(20, 20), QPoint(50, 53));  // released over (25, 26)
    QCOMPARE(Image1(w)->pos(), before);
    QCOMPARE(NonBlack(w.Doc().BrightPoints()), 8);
    QCOMPARE(int(w.Doc().BrightPoints().ScanLine(27)[3 * 26]), 255);
  }

  void toolButtonsFormOneGroupThatMayBeAllUp() {
    TWindows w;
    Open(w);
    auto* cut = C<QToolButton>(w, "SpeedButtonCUT");
    auto* put = C<QToolButton>(w, "SpeedButtonPUT");
    cut->click();
    put->click();
    QVERIFY(put->isChecked());
    QVERIFY(!cut->isChecked());
    put->click();
    QVERIFY(!put->isChecked());
    cut->click();
    C<QToolButton>(w, "SpeedButtonNOP")->click();
    QVERIFY(!cut->isChecked());
    QVERIFY(!put->isChecked());
    // No tool: dragging moves the picture again.
    const QPoint before = Image1(w)->pos();
    Drag(w, QPoint(5, 5), QPoint(15, 9));
    QCOMPARE(Image1(w)->pos(), before + QPoint(10, 4));
  }

  void automaticThresholdDoesNotExtract() {
    TWindows w;
    Open(w);
    C<QToolButton>(w, "SpeedButtonVA")->click();
    QCOMPARE(C<QSpinBox>(w, "SpinEditV")->value(), 764);
    QVERIFY(!C<QToolButton>(w, "SpeedButtonVA")->isChecked());
    QVERIFY(!w.Doc().BrightPointsReady());
  }

  void putAfterCancelWritesNothing() {
    TWindows w;
    Open(w);
    w.Click("ButtonBPC");
    C<QToolButton>(w, "SpeedButtonPUT")->click();
    w.Click("ButtonCAN1");  // the tool stays down, the points are emptied
    QTest::mouseClick(Image1(w), Qt::LeftButton, Qt::NoModifier, QPoint(3, 4));
    QVERIFY(w.Doc().BrightPoints().Empty());
    QVERIFY(w.errors.isEmpty());
  }
};

QTEST_MAIN(TestStarFilter)
#include "test_starfilter.moc"
