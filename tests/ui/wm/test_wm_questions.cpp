// Work and the keyboard with a window manager, as a user meets them: the
// question before another photo replaces applied work, Esc after a pan, and
// the open dialog leaving nothing behind over the picture.
#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QTest>

#include "ui/ui_test_support.h"

using namespace kira;
using namespace kira::test;

class TestWmQuestions : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString Path(const QString& name) const { return dir_.filePath(name); }

  static void Activate(TWindows& w) {
    w.main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.main.get()));
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void afterAnApplyOpeningAnotherPhotoAsksAndSaveSavesFirst() {
    TWindows w;
    Activate(w);
    w.main->OpenImageFile(WritePicture(Path("first.jpg"), Pattern(64, 48)));
    w.Click("ButtonMono");
    w.Click("ButtonOK4");
    const TBitmap work = w.Doc().Source();
    const QString next = WritePicture(Path("second.bmp"), Pattern(30, 20));

    TQuestionAnswer answer(TQuestionAnswer::Save, Path("work.bmp"));
    AnswerFileDialog(next);
    w.main->PMenuOClick();
    QVERIFY(answer.asked);
    QVERIFY(ReadBack(Path("work.bmp")) == work);
    QCOMPARE(w.Doc().CurrentFileName(), std::string("second.bmp"));
    QVERIFY(!w.main->UndoItem()->isEnabled());
    QVERIFY(w.errors.isEmpty());
  }

  void escAfterAPanCancelsThePage() {
    TWindows w;
    Activate(w);
    w.main->OpenImageFile(WritePicture(Path("pan.bmp"), Pattern(200, 150)));
    const TBitmap source = w.Doc().Source();
    w.Click("ButtonMono");
    w.Click("ButtonMonochrome");
    QVERIFY(!w.Doc().Result().Empty());
    // A drag on the picture, by the pointer as the user moves it.
    QWidget* image1 = w.Image().Image1();
    const QPoint before = image1->pos();
    QTest::mousePress(image1, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QTest::mouseMove(image1, QPoint(35, 30));
    QTest::mouseRelease(image1, Qt::LeftButton, Qt::NoModifier, QPoint(35, 30));
    QCOMPARE(image1->pos(), before + QPoint(15, 10));
    QCOMPARE(QApplication::focusWidget(), &w.Image());
    // Esc goes where the keyboard is.
    QTest::keyClick(w.main->windowHandle(), Qt::Key_Escape);
    QVERIFY(w.main->isVisible());
    QCOMPARE(w.main->OpenPageNumber(), 0);
    QVERIFY(w.Doc().Result().Empty());
    QVERIFY(w.Doc().Source() == source);
  }

  void theOpenDialogLeavesNoCompletionOverThePicture() {
    TWindows w;
    Activate(w);
    WritePicture(Path("complete-me.bmp"), Pattern(8, 8));
    QFileDialog* dialog = w.main->OpenPictureDialog1();
    QPointer<QAbstractItemView> popup;
    bool typed = false;
    QTimer::singleShot(0, [&] {
      dialog->setDirectory(dir_.path());
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (!QTest::qWaitFor([&] { return name->hasFocus(); })) return dialog->reject();
      // The start of the name brings up the completion; the dialog then
      // opens the whole name with the completion still up.
      QTest::keyClicks(name, QStringLiteral("comp"));
      popup = name->completer()->popup();
      QTest::qWaitFor([&] { return popup->isVisible(); });
      // (On a slow machine the folder may not be listed yet, or the
      // completion may have closed itself: it is then put up as a fast
      // typist sees it.)
      name->setText(QStringLiteral("complete-me.bmp"));
      if (!popup->isVisible()) popup->show();
      typed = popup->isVisible();
      QMetaObject::invokeMethod(dialog, "accept");
    });
    w.main->PMenuOClick();
    QVERIFY(typed);
    QCOMPARE(w.Doc().CurrentFileName(), std::string("complete-me.bmp"));
    QTest::qWait(100);
    QVERIFY(!popup->isVisible());
  }
};

QTEST_MAIN(TestWmQuestions)
#include "test_wm_questions.moc"
