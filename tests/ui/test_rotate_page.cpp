// The rotation page: presses act at once and accumulate on the result, Apply
// takes the result without a Preview and renews the caption.
#include "effects/geometry.h"
#include "tests/ui/ui_test_support.h"

using namespace kira;
using namespace kira::test;

class TestRotatePage : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  TBitmap original_ = Pattern(5, 3);

  void Open(TWindows& w) {
    w.main->OpenImageFile(WritePicture(dir_.filePath("turn.bmp"), original_));
    w.Click("ButtonRotate");
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void controls() {
    TWindows w;
    QCOMPARE(w.Button("BitBtnLeft")->text(), QStringLiteral("90ﾟ"));
    QCOMPARE(w.Button("BitBtnRight")->text(), QStringLiteral("90ﾟ"));
    QCOMPARE(w.Button("BitBtnFlip")->text(), QStringLiteral("フリップ"));
    for (const char* name : {"BitBtnLeft", "BitBtnRight", "BitBtnFlip"})
      QVERIFY(!w.Button(name)->icon().isNull());
    // No Preview button on this page.
    QCOMPARE(w.main->Control<QWidget>(QStringLiteral("TabSheet12"))->findChildren<QPushButton*>().size(), 7);
  }

  void pressesAccumulateOnTheResult() {
    TWindows w;
    Open(w);
    w.Click("BitBtnLeft");
    QCOMPARE(w.Doc().ViewLabel(), TViewLabel::BMP3);
    QCOMPARE(w.Doc().Result().Width(), 3);
    w.Click("BitBtnLeft");
    TBitmap halfTurn = original_;
    RotateBitmap90(halfTurn, 0);
    RotateBitmap90(halfTurn, 0);
    QVERIFY(w.Doc().Result() == halfTurn);
    // Back to where it started: left, right.
    w.Click("BitBtnRight");
    w.Click("BitBtnRight");
    QVERIFY(w.Doc().Result() == original_);
    // The source never moved meanwhile.
    QVERIFY(w.Doc().Source() == original_);

    // The view buttons look at either image without ending the edit.
    w.Click("ButtonORG12");
    QCOMPARE(w.Doc().ViewLabel(), TViewLabel::BMP1);
    w.Click("BitBtnFlip");
    TBitmap mirrored = original_;
    FlipBitmap(mirrored, 1);
    QVERIFY(w.Doc().Result() == mirrored);
    w.Click("BitBtnFlip");
    QVERIFY(w.Doc().Result() == original_);
    QVERIFY(!QApplication::overrideCursor());
  }

  void fourRightTurnsGiveTheSourceBack() {
    TWindows w;
    Open(w);
    for (int i = 0; i < 4; ++i) w.Click("BitBtnRight");
    QVERIFY(w.Doc().Result() == original_);
  }

  void applyTakesTheTurnedResultAndRenewsTheCaption() {
    TWindows w;
    Open(w);
    w.Click("BitBtnRight");
    const TBitmap turned = w.Doc().Result();
    w.Click("ButtonOK12");
    QVERIFY(w.Doc().Source() == turned);
    QCOMPARE(w.Image().Caption(), QStringLiteral("turn.bmp (3x5)"));
    QCOMPARE(w.main->OpenPageNumber(), 0);
    QVERIFY(w.Doc().Result().Empty());
    QCOMPARE(w.Doc().ViewLabel(), TViewLabel::BMP1);
  }

  void applyOrCancelWithoutPressChangesNothing() {
    TWindows w;
    Open(w);
    w.Click("ButtonOK12");
    QVERIFY(w.Doc().Source() == original_);
    QCOMPARE(w.main->OpenPageNumber(), 0);
    w.Click("ButtonRotate");
    w.Click("BitBtnLeft");
    w.Click("ButtonCAN12");
    QVERIFY(w.Doc().Source() == original_);
    QCOMPARE(w.Image().Caption(), QStringLiteral("turn.bmp (5x3)"));
  }

  void pressesWithoutAPictureDoNothing() {
    TWindows w;
    w.Click("ButtonRotate");
    for (const char* name : {"BitBtnLeft", "BitBtnRight", "BitBtnFlip", "ButtonOK12"})
      w.Click(name);
    QVERIFY(w.Doc().Source().Empty());
    QVERIFY(w.errors.isEmpty());
    QCOMPARE(w.main->OpenPageNumber(), 0);
  }
};

QTEST_MAIN(TestRotatePage)
#include "test_rotate_page.moc"
