// Live preview: the effect pages preview by themselves off the window's
// thread as their controls change. Whatever the timing, the picture the user
// ends with is the batch tool's for the last settings, Cancel leaves the
// source, Apply takes the current settings, and the history sees only Apply.
#include <QProcess>
#include <QRadioButton>
#include <QSlider>

#include "tests/ui/ui_test_support.h"
#include "ui/pages/effect_page.h"
#include "ui/pages/page_widgets.h"

using namespace kira;
using namespace kira::test;

class TestLivePreview : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString photo_;

  TBitmap RunBatch(const QString& step) {
    const QString out = dir_.filePath(QStringLiteral("batch.bmp"));
    QFile::remove(out);
    QProcess batch;
    batch.start(QStringLiteral(KIRA_BATCH_BIN), {photo_, out, step});
    if (!batch.waitForFinished(120000) || batch.exitCode() != 0)
      qFatal("kirabox-batch failed: %s", batch.readAllStandardError().constData());
    return ReadBack(out);
  }
  // The softness page open on the photo, its radial blur chosen.
  static void OpenRadial(TWindows& w, const QString& photo) {
    w.main->OpenImageFile(photo);
    w.Click(QStringLiteral("ButtonSoftness"));
    w.main->Control<QRadioButton>(QStringLiteral("RadioButtonRadialBlur"))->setChecked(true);
  }
  static QSlider* Level(TWindows& w) { return w.main->Control<QSlider>(QStringLiteral("TrackBarSoftness")); }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    // Large enough that a radial blur takes a while, small enough for the
    // sanitized build.
    photo_ = WritePicture(dir_.filePath(QStringLiteral("live.bmp")), Pattern(1200, 900));
  }

  void aBurstOfChangesEndsInTheBatchBytesOfTheLast() {
    TWindows w;
    OpenRadial(w, photo_);
    const TBitmap source = w.Doc().Source();
    // Steps taken one by one, some with the events in between, some at once.
    for (int level = 1; level <= 5; ++level) {
      Level(w)->setValue(level);
      if (level % 2) QCoreApplication::processEvents();
    }
    w.Settle();
    QVERIFY(w.Doc().Result() == RunBatch(QStringLiteral("softness:kind=radial,level=5")));
    QCOMPARE(w.Doc().ViewLabel(), TViewLabel::BMP3);
    QVERIFY(w.Doc().Source() == source);
    // A live result is no work to lose, and no step of the history.
    QVERIFY(!w.Doc().HasUnsavedChanges());
    QCOMPARE(w.Doc().UndoSteps(), std::size_t{0});
    QVERIFY(!w.main->PreviewProgress()->isVisible());
  }

  // What a page sets as it opens (the resize page's sizes, the defaults) is
  // no user's change: no page previews by itself on opening.
  void openingAPageMakesNoPreview() {
    TWindows w;
    w.main->OpenImageFile(photo_);
    for (const TPageWidgetEntry& entry : PageWidgets()) {
      w.Click(QString::fromLatin1(entry.menuButton));
      QVERIFY2(w.Doc().Result().Empty(), entry.menuButton);
      w.main->Page(w.main->OpenPageNumber())->CancelButton()->click();
    }
  }

  void cancelAndEscDuringAPreviewLeaveTheSourceAndNoResult() {
    for (const bool byEsc : {false, true}) {
      TWindows w;
      OpenRadial(w, photo_);
      const TBitmap source = w.Doc().Source();
      Level(w)->setValue(6);
      QCoreApplication::processEvents();  // the run starts
      if (byEsc)
        QVERIFY(w.main->FormKeyDown(Qt::Key_Escape, Qt::NoModifier));
      else
        w.main->Page(w.main->OpenPageNumber())->CancelButton()->click();
      QVERIFY(!w.Doc().Previews().Busy());
      QTest::qWait(20);  // a late word from the worker changes nothing
      QVERIFY(w.Doc().Result().Empty());
      QVERIFY(w.Doc().Source() == source);
      QCOMPARE(w.main->OpenPageNumber(), 0);
      QVERIFY(w.errors.isEmpty());
    }
  }

  void applyDuringAPreviewAppliesTheCurrentSettings() {
    TWindows w;
    OpenRadial(w, photo_);
    Level(w)->setValue(2);
    QCoreApplication::processEvents();  // level 2 runs
    Level(w)->setValue(4);              // not yet asked for
    w.Click(QStringLiteral("ButtonOK%1").arg(w.main->OpenPageNumber()));
    QVERIFY(w.Doc().Source() == RunBatch(QStringLiteral("softness:kind=radial,level=4")));
    QCOMPARE(w.Doc().UndoSteps(), std::size_t{1});
    QCOMPARE(w.Doc().AppliedSteps().back().line, std::string("softness:kind=radial,level=4"));
    QVERIFY(w.Doc().HasUnsavedChanges());
    QVERIFY(w.Doc().Undo());
    QVERIFY(w.Doc().Source() == ReadBack(photo_));
  }

  void withAutomaticPreviewOffOnlyThePreviewButtonPreviews() {
    {
      TWindows w;
      w.main->AutoPreviewItem()->trigger();  // the user unticks it
      QVERIFY(!w.main->AutoPreview());
      OpenRadial(w, photo_);
      Level(w)->setValue(3);
      w.Settle();
      QVERIFY(w.Doc().Result().Empty());
      w.Click(QStringLiteral("ButtonSOFT"));
      QVERIFY(w.Doc().Result() == RunBatch(QStringLiteral("softness:kind=radial,level=3")));
      // As before live preview: a pending Preview is work to lose.
      QVERIFY(w.Doc().HasUnsavedChanges());
      w.main->Page(w.main->OpenPageNumber())->CancelButton()->click();
    }
    TWindows again;  // remembered between runs
    QVERIFY(!again.main->AutoPreview());
    again.main->SetAutoPreview(true);
  }
};

QTEST_MAIN(TestLivePreview)
#include "test_live_preview.moc"
