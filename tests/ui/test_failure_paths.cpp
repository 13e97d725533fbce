// Failures in the editor end in the error message box and lose nothing:
// memory running out in any page's Preview or Apply, a save onto a full disk
// or into a folder that refuses it, an open of a picture too large.
#include <QAbstractButton>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QTest>

#include "core/file_faults.h"
#include "core/working_memory.h"
#include "tests/ui/ui_test_support.h"

using namespace kira;
using namespace kira::test;

namespace {

struct TPageButtons {
  const char* menu;     // the menu page's button that opens the page
  const char* preview;  // the rotate page has no Preview: its turn button
  const char* apply;
};

const TPageButtons kPages[] = {
    {"ButtonX", "ButtonAPP", "ButtonOK1"},
    {"ButtonC", "ButtonCOL", "ButtonOK2"},
    {"ButtonSoftness", "ButtonSOFT", "ButtonOK3"},
    {"ButtonMono", "ButtonMonochrome", "ButtonOK4"},
    {"ButtonReSize", "ButtonReS", "ButtonOK5"},
    {"ButtonBright", "ButtonGammaCorrection", "ButtonOK6"},
    {"ButtonSharpen", "ButtonSHARP", "ButtonOK7"},
    {"ButtonSaturat", "ButtonSaturation", "ButtonOK8"},
    {"ButtonEffect1", "ButtonEffectView", "ButtonOK9"},
    {"ButtonMirage", "ButtonMirageView", "ButtonOK10"},
    {"ButtonEffect2", "ButtonEFCT2", "ButtonOK11"},
    {"ButtonRotate", "BitBtnLeft", "ButtonOK12"},
    {"ButtonEffect3", "ButtonEFCT3", "ButtonOK13"},
};

struct TFaultReset {
  ~TFaultReset() {
    FailPixelAllocationsAfter(-1);
    SetAvailableMemoryForTests(-1);
    SetFileFaults(TFileFaults{});
  }
};

std::string Contents(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

// As AnswerFileDialog, for a file that is there: the overwrite question that
// follows is answered "yes".
void AnswerFileDialogReplacing(const QString& path) {
  QTimer::singleShot(0, [path] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) qFatal("no file dialog open");
    QTimer::singleShot(0, [] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) qFatal("no overwrite question");
      box->button(QMessageBox::Yes)->click();
    });
    const QFileInfo info(path);
    dialog->setDirectory(info.absolutePath());
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!name) qFatal("file dialog without a name field");
    name->setText(info.fileName());
    QMetaObject::invokeMethod(dialog, "accept");
  });
}

}  // namespace

class TestFailurePaths : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString photo_;
  TBitmap picture_ = Pattern(41, 29);

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    photo_ = WritePicture(dir_.filePath(QStringLiteral("photo.bmp")), picture_);
  }

  // Each page: Preview, then Apply, with every pixel allocation failing. Each
  // ends in the out-of-memory box, the source stays, and once memory is back
  // the same buttons work.
  void outOfMemoryInEveryPage() {
    TFaultReset reset;
    for (const TPageButtons& page : kPages) {
      TWindows w;
      w.main->OpenImageFile(photo_);
      QVERIFY(w.Doc().Source() == picture_);
      w.Click(QString::fromLatin1(page.menu));
      QVERIFY2(w.main->OpenPageNumber() != 0, page.menu);

      FailPixelAllocationsAfter(0);
      w.Click(QString::fromLatin1(page.preview));
      FailPixelAllocationsAfter(-1);
      QCOMPARE(w.errors, QStringList{OutOfMemoryText()});
      QVERIFY2(w.Doc().Source() == picture_, page.preview);

      FailPixelAllocationsAfter(0);
      w.Click(QString::fromLatin1(page.apply));
      FailPixelAllocationsAfter(-1);
      QVERIFY2(w.Doc().Source() == picture_, page.apply);
      // The rotate page's Apply takes a result that is there or nothing; it
      // allocates nothing and so cannot fail.
      if (QByteArray(page.apply) != "ButtonOK12") {
        QCOMPARE(w.errors, (QStringList{OutOfMemoryText(), OutOfMemoryText()}));
      }

      if (w.main->OpenPageNumber() == 0) w.Click(QString::fromLatin1(page.menu));
      w.Click(QString::fromLatin1(page.preview));
      QVERIFY2(!w.Doc().Result().Empty(), page.preview);
      QVERIFY(w.errors.size() <= 2);
    }
  }

  void failedSaveKeepsTheOldFile() {
    TFaultReset reset;
    TWindows w;
    w.main->OpenImageFile(photo_);
    const QString target = dir_.filePath(QStringLiteral("saved.jpg"));
    {
      QFile f(target);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("old picture");
    }
    const TFileFaults faults[] = {{EACCES, -1, 0}, {0, 300, 0}, {0, -1, EIO}};
    for (const TFileFaults& fault : faults) {
      SetFileFaults(fault);
      AnswerFileDialogReplacing(target);
      w.main->PMenuSClick();
      SetFileFaults(TFileFaults{});
    }
    QCOMPARE(w.errors.size(), 3);
    for (const QString& e : w.errors) QVERIFY2(e.contains(QStringLiteral("cannot write")), qPrintable(e));
    QCOMPARE(Contents(target), std::string("old picture"));
    QVERIFY(w.Doc().Source() == picture_);
  }

  void pictureTooLargeForMemoryIsRefusedAtOpen() {
    TFaultReset reset;
    TWindows w;
    w.main->OpenImageFile(photo_);
    const QString big = WritePicture(dir_.filePath(QStringLiteral("big.bmp")), Pattern(400, 300));
    SetAvailableMemoryForTests(1 << 20);
    w.main->OpenImageFile(big);
    SetAvailableMemoryForTests(-1);
    QCOMPARE(w.errors.size(), 1);
    QVERIFY2(w.errors[0].contains(QStringLiteral("not enough memory to edit a picture of 400 x 300")),
             qPrintable(w.errors[0]));
    QVERIFY(w.Doc().Source() == picture_);
  }
};

QTEST_MAIN(TestFailurePaths)
#include "test_failure_paths.moc"
