// The batch tool and the editor run the same pages: the same settings on the
// same photo must give the same bytes, whichever of the two ran them.
#include <QCheckBox>
#include <QProcess>
#include <QRadioButton>
#include <QSpinBox>

#include "tests/ui/ui_test_support.h"

using namespace kira;
using namespace kira::test;

class TestBatchParity : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  const QString photo_ = QStringLiteral(KIRA_TESTDATA "/photos/rocket.jpg");

  TBitmap RunBatch(const QStringList& steps) {
    const QString out = dir_.filePath(QStringLiteral("batch.bmp"));
    QFile::remove(out);
    QProcess batch;
    batch.start(QStringLiteral(KIRA_BATCH_BIN), QStringList{photo_, out} + steps);
    if (!batch.waitForFinished(120000) || batch.exitCode() != 0)
      qFatal("kirabox-batch failed: %s", batch.readAllStandardError().constData());
    return ReadBack(out);
  }
  template <class T>
  T* C(TWindows& w, const char* name) {
    auto* c = w.main->Control<T>(QString::fromLatin1(name));
    if (!c) qFatal("no control %s", name);
    return c;
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void starFilterMatchesTheEditor() {
    TWindows w;
    w.main->OpenImageFile(photo_);
    w.Click(QStringLiteral("ButtonX"));
    C<QSpinBox>(w, "SpinEditL")->setValue(64);
    C<QSpinBox>(w, "SpinEditR")->setValue(30);
    C<QRadioButton>(w, "RadioButtonSUNNY")->setChecked(true);
    w.Click(QStringLiteral("ButtonAPP"));
    w.Click(QStringLiteral("ButtonOK1"));
    const TBitmap batch = RunBatch({QStringLiteral("star:kind=sunny,angle=30,length=64")});
    QCOMPARE(batch.Width(), 640);
    QVERIFY(w.Doc().Source() == batch);
  }

  void softCrossAndThinningMatchTheEditor() {
    TWindows w;
    w.main->OpenImageFile(photo_);
    w.Click(QStringLiteral("ButtonX"));
    C<QSpinBox>(w, "SpinEditV")->setValue(600);
    C<QSpinBox>(w, "SpinEditM")->setValue(4);
    C<QSpinBox>(w, "SpinEditD")->setValue(80);
    C<QRadioButton>(w, "RadioButtonSNOW")->setChecked(true);
    C<QCheckBox>(w, "CheckBoxSoftX")->setChecked(true);
    w.Click(QStringLiteral("ButtonOK1"));  // Apply without Preview
    const TBitmap batch =
        RunBatch({QStringLiteral("star:threshold=600,density=4,intensity=80,kind=snow,soft=1")});
    QVERIFY(w.Doc().Source() == batch);
  }

  void resizeAndRotateMatchTheEditor() {
    TWindows w;
    w.main->OpenImageFile(photo_);
    w.Click(QStringLiteral("ButtonReSize"));
    QSpinBox* width = C<QSpinBox>(w, "SpinEditNewW");
    width->findChild<QLineEdit*>()->setText(QStringLiteral("500"));
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(width, &out);
    QCOMPARE(C<QSpinBox>(w, "SpinEditNewH")->value(), 334);
    C<QRadioButton>(w, "RadioButtonLagrange")->setChecked(true);
    w.Click(QStringLiteral("ButtonOK5"));
    w.Click(QStringLiteral("ButtonRotate"));
    w.Click(QStringLiteral("BitBtnLeft"));
    w.Click(QStringLiteral("BitBtnFlip"));
    w.Click(QStringLiteral("ButtonOK12"));
    const TBitmap batch = RunBatch({QStringLiteral("resize:width=500,method=lagrange"),
                                    QStringLiteral("rotate:turn=left"), QStringLiteral("rotate:turn=flip")});
    QCOMPARE(batch.Width(), 334);
    QVERIFY(w.Doc().Source() == batch);
  }
};

QTEST_MAIN(TestBatchParity)
#include "test_batch_parity.moc"
