// A large JPEG opens in two steps, a reduced picture first and the full one
// from a worker thread. Every case compares with a window that opens the
// same file in one step; the pictures are made small and the two-step open
// asked for from one pixel.
#include <QFile>

#include "core/bitmap.h"
#include "tests/core/phone_photo.h"
#include "tests/ui/ui_test_support.h"
#include "ui/pages/effect_page.h"

using namespace kira;
using namespace kira::test;

namespace {

// A window that opens every JPEG in two steps (twoStep) or in one.
struct TOpener : TWindows {
  explicit TOpener(bool twoStep) { main->SetFirstViewMinPixels(twoStep ? 1 : 0); }
  void WaitOpened() {
    QTRY_VERIFY_WITH_TIMEOUT(!main->Opening(), 20000);
  }
};

void CompareOpened(TOpener& two, TOpener& one) {
  QVERIFY(two.Doc().Source() == one.Doc().Source());
  QCOMPARE(two.Doc().Metadata().exif, one.Doc().Metadata().exif);
  QCOMPARE(two.Doc().ZoomPercent(), one.Doc().ZoomPercent());
  QCOMPARE(two.Image().Caption(), one.Image().Caption());
  QCOMPARE(two.Image().Image1()->geometry(), one.Image().Image1()->geometry());
  QCOMPARE(two.Doc().ProposedSaveName(), one.Doc().ProposedSaveName());
  QCOMPARE(two.Doc().ViewLabel(), one.Doc().ViewLabel());
  QVERIFY(two.errors.isEmpty());
}

}  // namespace

class TestFirstView : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString Path(const QString& name) const { return dir_.filePath(name); }
  QString big_, phone_, small_;

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    big_ = WritePicture(Path("big.jpg"), Pattern(1601, 1203));
    small_ = WritePicture(Path("small.bmp"), Pattern(40, 30));
    // Stored sideways, with its EXIF block: the first view turns too.
    QFile in(QStringLiteral(KIRA_TESTDATA "/jpeg/landscape_640x480.jpg"));
    QVERIFY(in.open(QIODevice::ReadOnly));
    const std::string phone =
        kira::testing::WithExif(in.readAll().toStdString(), kira::testing::PhoneExif(6, true, 640, 480));
    phone_ = Path("phone.jpg");
    QFile out(phone_);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(phone.data(), static_cast<qint64>(phone.size()));
  }

  void fullPictureEndsAsOneStepOpen_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("plain") << big_;
    QTest::newRow("sideways phone photo") << phone_;
  }
  void fullPictureEndsAsOneStepOpen() {
    QFETCH(QString, file);
    TOpener two(true), one(false);
    two.main->OpenImageFile(small_);
    one.main->OpenImageFile(small_);
    two.main->OpenImageFile(file);
    // The first view is up; the document still holds the picture before.
    QVERIFY(two.main->Opening());
    QCOMPARE(two.Doc().Source().Width(), 40);
    one.main->OpenImageFile(file);
    QVERIFY(!one.main->Opening());
    two.WaitOpened();
    CompareOpened(two, one);
  }

  // What needs the picture, started right after the open, waits for the
  // full one: an effect page's Preview, and a save.
  void actionRightAfterOpenUsesFullPicture_data() {
    QTest::addColumn<bool>("save");
    QTest::newRow("preview") << false;
    QTest::newRow("save") << true;
  }
  void actionRightAfterOpenUsesFullPicture() {
    QFETCH(bool, save);
    TBitmap results[2];
    for (bool twoStep : {true, false}) {
      TOpener w(twoStep);
      w.main->OpenImageFile(phone_);
      QCOMPARE(w.main->Opening(), twoStep);
      if (save) {
        const QString out = Path(twoStep ? "two.bmp" : "one.bmp");
        AnswerFileDialog(out);
        w.main->PMenuSClick();
        results[twoStep] = ReadBack(out);
      } else {
        w.main->OpenEffectPage(4);
        w.main->Page(4)->PreviewButton()->click();
        w.Settle();
        results[twoStep] = w.Doc().Result();
      }
      QVERIFY(!w.main->Opening());
      QVERIFY(w.errors.isEmpty());
    }
    QCOMPARE(results[1].Width(), 480);
    QVERIFY(results[1] == results[0]);
  }

  // Another file opened during the decode, a JPEG in two steps or a BMP in
  // one: it is the one that stays, and the first decode never lands.
  void secondOpenDuringDecodeWins_data() {
    QTest::addColumn<bool>("secondIsJpeg");
    QTest::newRow("jpeg") << true;
    QTest::newRow("bmp") << false;
  }
  void secondOpenDuringDecodeWins() {
    QFETCH(bool, secondIsJpeg);
    TOpener two(true), one(false);
    const QString second = secondIsJpeg ? phone_ : small_;
    two.main->OpenImageFile(big_);
    QVERIFY(two.main->Opening());
    two.main->OpenImageFile(second);
    QCOMPARE(two.main->Opening(), secondIsJpeg);
    two.WaitOpened();
    QTest::qWait(50);
    one.main->OpenImageFile(second);
    CompareOpened(two, one);
  }

  void closeOrDestroyDuringDecode() {
    {
      TOpener w(true);
      w.main->OpenImageFile(big_);
      QVERIFY(w.main->Opening());
      QVERIFY(w.main->close());
      QVERIFY(!w.main->Opening());
      QVERIFY(w.Doc().Source().Empty());
    }
    TOpener w(true);
    w.main->OpenImageFile(big_);
    w.main.reset();
    QTest::qWait(20);  // a result the worker posted must not reach the dead window
  }

  // A damaged file, found by the first decode, or a failure of the full one
  // alone (its memory refused): one message naming the file, and the picture
  // before stays, where it was.
  void damagedFileLeavesPictureBefore_data() {
    QTest::addColumn<bool>("fullDecodeFails");
    QTest::newRow("cut short") << false;
    QTest::newRow("full decode fails") << true;
  }
  void damagedFileLeavesPictureBefore() {
    QFETCH(bool, fullDecodeFails);
    QString file = big_;
    if (!fullDecodeFails) {
      QFile in(big_);
      QVERIFY(in.open(QIODevice::ReadOnly));
      const QByteArray bytes = in.readAll();
      file = Path("cut.jpg");
      QFile out(file);
      QVERIFY(out.open(QIODevice::WriteOnly));
      out.write(bytes.left(bytes.size() / 2));
    }
    TOpener w(true);
    w.main->OpenImageFile(small_);
    const TBitmap before = w.Doc().Source();
    const QRect place = w.Image().Image1()->geometry();
    const QString caption = w.Image().Caption();
    // The full picture's storage fails, whichever thread asks first.
    if (fullDecodeFails) FailPixelAllocationsAfter(0, std::size_t{1601} * 1203 * 3);
    w.main->OpenImageFile(file);
    QCOMPARE(w.main->Opening(), fullDecodeFails);
    w.WaitOpened();
    FailPixelAllocationsAfter(-1);
    QCOMPARE(w.errors.size(), 1);
    QVERIFY2(w.errors[0].contains(QFileInfo(file).fileName()), qPrintable(w.errors[0]));
    QVERIFY(w.Doc().Source() == before);
    QCOMPARE(w.Image().Image1()->geometry(), place);
    QCOMPARE(w.Image().Caption(), caption);
  }
};

QTEST_MAIN(TestFirstView)
#include "test_first_view.moc"
