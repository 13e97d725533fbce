// The thumbnail browser window: folder choice, the reading pass and its
// progress label, layout and sizes, painting of the visible cells, hover
// captions and opening by double click.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>

#include "pages/thumbnails.h"
#include "tests/ui/ui_test_support.h"
#include "ui/bitmap_image.h"

using namespace kira;
using namespace kira::test;

namespace {

const QString kData = QStringLiteral(KIRA_TESTDATA);

// Chooses `folder` in the folder dialog that the next modal exec shows, or
// cancels it when folder is empty.
void AnswerFolderDialog(const QString& folder, QString* title = nullptr) {
  QTimer::singleShot(0, [folder, title] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) qFatal("no folder dialog open");
    if (title) *title = dialog->windowTitle();
    if (folder.isEmpty()) {
      QMetaObject::invokeMethod(dialog, "reject");
      return;
    }
    dialog->setDirectory(folder);
    QMetaObject::invokeMethod(dialog, "accept");
  });
}

// Records the progress label's text each time pending events run, and
// whether the busy cursor was shown each time.
struct TProgressRecorder {
  explicit TProgressRecorder(QLabel* label) {
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [this, label] {
      if (label->isVisible() && (texts.isEmpty() || texts.last() != label->text())) {
        texts << label->text();
        const QCursor* cursor = QApplication::overrideCursor();
        busy = busy && cursor && cursor->shape() == Qt::WaitCursor;
      }
    });
    timer.start();
  }
  QTimer timer;
  QStringList texts;
  bool busy = true;
};

int IndexOf(TFormThumb& thumb, const QString& name) {
  const auto& files = thumb.Files();
  for (std::size_t i = 0; i < files.size(); ++i)
    if (QFileInfo(QFile::decodeName(QByteArray::fromStdString(files[i]))).fileName() == name)
      return static_cast<int>(i);
  qFatal("file %s not listed", qPrintable(name));
}

QPoint CellCentre(TFormThumb& thumb, int index) {
  TThumbGrid* grid = thumb.StringGridThumb();
  return grid->CellRect(index / grid->ColCount(), index % grid->ColCount()).center();
}

QAction* Item(TFormThumb& thumb, const char* name) {
  auto* action = thumb.PMenu1()->findChild<QAction*>(QString::fromLatin1(name));
  if (!action) {
    for (QAction* a : thumb.PMenu1()->actions())
      if (a->objectName() == QLatin1String(name)) action = a;
  }
  if (!action) qFatal("no menu item %s", name);
  return action;
}

}  // namespace

class TestThumbnails : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString folder_;

  // 17 files: 14 pictures of different shapes, a PNG named .jpg, a GIF with a
  // lower-case signature and a text file named .bmp; beside them files the
  // browser does not list.
  void MakeFolder() {
    folder_ = dir_.path() + QStringLiteral("/photos");
    QDir().mkpath(folder_);
    for (int i = 0; i < 7; ++i) {
      WritePicture(folder_ + QStringLiteral("/p%1.jpg").arg(i), Pattern(40 + 13 * i, 30 + 7 * i));
      WritePicture(folder_ + QStringLiteral("/b%1.bmp").arg(i), Pattern(20 + 5 * i, 60 - 6 * i));
    }
    QFile::copy(kData + QStringLiteral("/wrong-extension/png_content_named.jpg"),
                folder_ + QStringLiteral("/png_content_named.jpg"));
    QFile::copy(kData + QStringLiteral("/gif/lowercase_signature_gif89a.gif"),
                folder_ + QStringLiteral("/lower.gif"));
    QFile broken(folder_ + QStringLiteral("/broken.bmp"));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture");
    broken.close();
    for (const char* other : {"notes.txt", "photo.psd", "noext"}) {
      QFile f(folder_ + QLatin1Char('/') + QLatin1String(other));
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
  }

  // A main window whose browser shows the folder at 600 x 257.
  void Choose(TWindows& w) {
    TFormThumb& thumb = w.main->FormThumb();
    thumb.resize(600, 257);
    AnswerFolderDialog(folder_);
    thumb.ChooseFolder(*w.main);
    QCOMPARE(thumb.Files().size(), std::size_t{17});
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    MakeFolder();
  }

  void folderChoiceFillsTheBrowserWithProgress() {
    TWindows w;
    TFormThumb& thumb = w.main->FormThumb();
    QVERIFY(thumb.Caption().isEmpty());
    QVERIFY(thumb.LabelRead()->isHidden());
    QCOMPARE(thumb.LabelRead()->text(), QStringLiteral("Reading 000/000  "));
    QCOMPARE(thumb.StringGridThumb()->ColCount(), 5);
    QCOMPARE(thumb.StringGridThumb()->RowCount(), 2);

    TProgressRecorder progress(thumb.LabelRead());
    QString dialogTitle;
    AnswerFolderDialog(folder_, &dialogTitle);
    w.main->PMenuTClick();
    progress.timer.stop();
    QCOMPARE(dialogTitle, QStringLiteral("画像フォルダ"));
    QCOMPARE(thumb.windowTitle(), folder_);
    QCOMPARE(thumb.PictureFolder(), folder_);
    QVERIFY(thumb.isVisible());
    QCOMPARE(w.main->OpenPictureDialog1()->directory().absolutePath(), QDir(folder_).absolutePath());
    QCOMPARE(thumb.Files().size(), std::size_t{17});
    QCOMPARE(IndexOf(thumb, QStringLiteral("b0.bmp")), 0);
    QCOMPARE(IndexOf(thumb, QStringLiteral("p6.jpg")), 15);
    // One pass of pending events after each file, the count unpadded.
    QStringList expected;
    for (int k = 1; k <= 17; ++k) expected << QStringLiteral("Reading %1/17  ").arg(k);
    QCOMPARE(progress.texts, expected);
    QVERIFY(progress.busy);
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(thumb.LabelRead()->isHidden());
    QCOMPARE(thumb.LabelRead()->text(), QStringLiteral("Reading 000/000  "));
    QVERIFY(thumb.StringGridThumb()->isVisible());

    // Cancelling the dialog changes nothing. The dialog opens on the folder.
    QString openedOn;
    QTimer::singleShot(0, [&openedOn] {
      if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
        openedOn = dialog->directory().absolutePath();
    });
    AnswerFolderDialog(QString());
    thumb.ChooseFolder(*w.main);
    QCOMPARE(openedOn, QDir(folder_).absolutePath());
    QCOMPARE(thumb.windowTitle(), folder_);
    QCOMPARE(thumb.Files().size(), std::size_t{17});

    // Reload lists the same folder again.
    Item(thumb, "PMenuR")->trigger();
    QCOMPARE(thumb.Files().size(), std::size_t{17});
    QVERIFY(w.errors.isEmpty());
  }

  void layoutAndTheSizeChoice() {
    TWindows w;
    Choose(w);
    TFormThumb& thumb = w.main->FormThumb();
    TThumbGrid* grid = thumb.StringGridThumb();
    QCOMPARE(grid->ColCount(), 7);
    QCOMPARE(grid->RowCount(), 3);
    QCOMPARE(grid->CellSize(), 80);
    QVERIFY(Item(thumb, "PMenuM")->isChecked());

    Item(thumb, "PMenuL")->trigger();
    QCOMPARE(grid->CellSize(), 112);
    Item(thumb, "PMenuS")->trigger();
    QCOMPARE(grid->CellSize(), 48);
    QCOMPARE(grid->ColCount(), 11);
    QCOMPARE(grid->RowCount(), 2);
    QVERIFY(Item(thumb, "PMenuS")->isChecked());
    QVERIFY(!Item(thumb, "PMenuM")->isChecked());
    QVERIFY(!Item(thumb, "PMenuL")->isChecked());
    // The size does not list the folder again.
    QCOMPARE(thumb.Files().size(), std::size_t{17});

    // Flicker prevention follows its tick.
    QVERIFY(!grid->DoubleBuffered());
    Item(thumb, "PMenuF")->trigger();
    QVERIFY(Item(thumb, "PMenuF")->isChecked());
    QVERIFY(grid->DoubleBuffered());
    Item(thumb, "PMenuF")->trigger();
    QVERIFY(!grid->DoubleBuffered());

    // A narrow window keeps five columns.
    thumb.resize(200, 257);
    QCOMPARE(grid->ColCount(), 5);
  }

  void cellsShowTheirPictures() {
    TWindows w;
    Choose(w);
    TFormThumb& thumb = w.main->FormThumb();
    TThumbGrid* grid = thumb.StringGridThumb();
    for (bool doubleBuffered : {false, true}) {
      grid->SetDoubleBuffered(doubleBuffered);
      const QImage shown = grid->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB888);
      for (const QString& name : {QStringLiteral("p3.jpg"), QStringLiteral("b5.bmp"),
                                  QStringLiteral("png_content_named.jpg"), QStringLiteral("lower.gif")}) {
        const int i = IndexOf(thumb, name);
        const QRect cell = grid->CellRect(i / grid->ColCount(), i % grid->ColCount());
        const TThumbnail t = MakeThumbnail(thumb.Files()[static_cast<std::size_t>(i)], 80, 80, true);
        QVERIFY2(!t.noImage, qPrintable(name));
        const QImage expected = BitmapView(t.bitmap).convertToFormat(QImage::Format_RGB888);
        QCOMPARE(shown.copy(cell), expected);
      }
      // "No Image": the frame, and something written inside it.
      const int broken = IndexOf(thumb, QStringLiteral("broken.bmp"));
      const QImage cell = shown.copy(grid->CellRect(broken / grid->ColCount(), broken % grid->ColCount()));
      QCOMPARE(cell.pixelColor(0, 0), QColor(Qt::black));
      QCOMPARE(cell.pixelColor(79, 79), QColor(Qt::black));
      int written = 0;
      for (int y = 1; y < 79; ++y)
        for (int x = 1; x < 79; ++x) written += cell.pixelColor(x, y) != QColor(255, 250, 205);
      QVERIFY(written > 20);
      // A cell past the last file stays plain.
      const QImage plain = shown.copy(grid->CellRect(2, 6));
      QCOMPARE(plain.pixelColor(0, 0), QColor(255, 250, 205));
      QCOMPARE(plain.pixelColor(40, 40), QColor(255, 250, 205));
    }
  }

  void hoverShowsTheName() {
    TWindows w;
    Choose(w);
    TFormThumb& thumb = w.main->FormThumb();
    TThumbGrid* grid = thumb.StringGridThumb();
    const int i = IndexOf(thumb, QStringLiteral("lower.gif"));
    thumb.StringGridThumbMouseMove(CellCentre(thumb, i));
    QCOMPARE(thumb.windowTitle(), QStringLiteral("[lower.gif]"));
    // Past the last file, then outside every cell.
    thumb.StringGridThumbMouseMove(grid->CellRect(2, 5).center());
    QCOMPARE(thumb.Caption(), QString());
    // An empty title is kept a blank, or the toolkit would show the program's name.
    QVERIFY(!thumb.windowTitle().isEmpty());
    thumb.StringGridThumbMouseMove(CellCentre(thumb, 0));
    QVERIFY(thumb.windowTitle().startsWith(QLatin1Char('[')));
    thumb.StringGridThumbMouseMove(QPoint(-5, 10));
    QCOMPARE(thumb.Caption(), QString());
    // Through a real pointer move over the grid.
    QMouseEvent move(QEvent::MouseMove, QPointF(CellCentre(thumb, i)), grid->viewport()->mapToGlobal(QPointF(CellCentre(thumb, i))),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &move);
    QCOMPARE(thumb.windowTitle(), QStringLiteral("[lower.gif]"));
  }

  void doubleClickOpensInTheEditor() {
    TWindows w;
    Choose(w);
    TFormThumb& thumb = w.main->FormThumb();
    TThumbGrid* grid = thumb.StringGridThumb();
    const int jpeg = IndexOf(thumb, QStringLiteral("p2.jpg"));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(thumb, jpeg));
    QCOMPARE(thumb.windowTitle(), QStringLiteral("[p2.jpg]"));
    QCOMPARE(w.Doc().Source().Width(), 66);
    QCOMPARE(w.Doc().Source().Height(), 44);
    QVERIFY(w.errors.isEmpty());

    // The editor reads by content, as the browser does: a PNG named .jpg and
    // a GIF open as what they are.
    const int png = IndexOf(thumb, QStringLiteral("png_content_named.jpg"));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(thumb, png));
    QCOMPARE(thumb.windowTitle(), QStringLiteral("[png_content_named.jpg]"));
    QCOMPARE(w.Doc().Source().Width(), 32);
    const int gif = IndexOf(thumb, QStringLiteral("lower.gif"));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(thumb, gif));
    QCOMPARE(w.Doc().Source().Width(), 320);
    QVERIFY(w.errors.isEmpty());

    // Words named .bmp: named in one message, the picture stays.
    const int words = IndexOf(thumb, QStringLiteral("broken.bmp"));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(thumb, words));
    QCOMPARE(w.errors.size(), 1);
    QVERIFY2(w.errors.last().contains(folder_ + QStringLiteral("/broken.bmp")), qPrintable(w.errors.last()));
    QCOMPARE(w.Doc().Source().Width(), 320);

    // Past the last file: the caption empties and nothing opens.
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, grid->CellRect(2, 6).center());
    QCOMPARE(thumb.Caption(), QString());
    QCOMPARE(w.Doc().Source().Width(), 320);
    QCOMPARE(w.errors.size(), 1);
  }

  void sizeChosenDuringThePassWins() {
    // The reading pass lets events run; a size chosen meanwhile starts a new
    // pass, and the older one must stop rather than go on with stale state.
    TWindows w;
    Choose(w);
    TFormThumb& thumb = w.main->FormThumb();
    bool chosen = false;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (!chosen && thumb.LabelRead()->text() == QStringLiteral("Reading 3/17  ")) {
        chosen = true;
        Item(thumb, "PMenuS")->trigger();
      }
    });
    timer.start();
    Item(thumb, "PMenuL")->trigger();
    timer.stop();
    QVERIFY(chosen);
    QCOMPARE(thumb.CellSize(), 48);
    QCOMPARE(thumb.StringGridThumb()->CellSize(), 48);
    QVERIFY(thumb.LabelRead()->isHidden());
    QVERIFY(thumb.StringGridThumb()->isVisible());
    QVERIFY(Item(thumb, "PMenuS")->isChecked());
    QVERIFY(!Item(thumb, "PMenuL")->isChecked());
  }
};

QTEST_MAIN(TestThumbnails)
#include "test_thumbnails.moc"
