// Shared pieces of the window tests: small pictures written to a temporary
// folder, a main window on the offscreen platform, and a recorder in place
// of the error message box.
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>
#include <string>

#include "core/bitmap.h"
#include "core/image_files.h"
#include "ui/error_report.h"
#include "ui/form_image.h"
#include "ui/form_main.h"
#include "ui/form_thumb.h"

namespace kira::test {

// A picture whose every pixel differs from its neighbours, so that any turn,
// mirror or copy slip shows.
inline TBitmap Pattern(int width, int height) {
  TBitmap bitmap(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x + 0] = static_cast<std::uint8_t>(x * 7 + y * 3);
      row[3 * x + 1] = static_cast<std::uint8_t>(x * 5 + 17);
      row[3 * x + 2] = static_cast<std::uint8_t>(y * 11 + 5);
    }
  }
  return bitmap;
}

inline QString WritePicture(const QString& path, const TBitmap& bitmap) {
  const std::string local = QFile::encodeName(path).toStdString();
  const TSaveResult saved = FileKindOf(local) == TFileKind::Bmp ? SaveBmpFile(bitmap, local)
                                                                : SaveJpegFile(bitmap, local);
  if (!saved) qFatal("cannot write test picture %s: %s", qPrintable(path), saved.error.c_str());
  return path;
}

inline TBitmap ReadBack(const QString& path) {
  TLoadResult loaded = LoadPicture(QFile::encodeName(path).toStdString());
  return loaded ? std::move(*loaded.bitmap) : TBitmap();
}

// A shown main window with its error box replaced by a list of messages.
struct TWindows {
  TWindows() {
    // The settings kept between runs go to a folder of this test program's
    // own, shared by its windows one after another.
    static QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    SetErrorSink([this](const QString& text) { errors << text; });
    main = std::make_unique<TFormMain>();
    main->resize(1000, 700);
    main->show();
    if (!QTest::qWaitForWindowExposed(main.get())) qFatal("main window not exposed");
  }
  ~TWindows() { SetErrorSink({}); }

  TDocument& Doc() { return main->Document(); }
  TFormImage& Image() { return main->FormImage(); }
  QPushButton* Button(const QString& name) {
    auto* button = main->Control<QPushButton>(name);
    if (!button) qFatal("no button %s", qPrintable(name));
    return button;
  }
  // A click, then the Preview it may have started (or the live preview of
  // the changes before it) run to its end and taken in.
  void Click(const QString& name) {
    Button(name)->click();
    Settle();
  }
  void Settle() {
    QCoreApplication::processEvents();
    main->Document().Previews().Finish();
  }
  int VisibleTabs() const {
    int n = 0;
    for (int i = 0; i < main->PageControl()->count(); ++i) n += main->PageControl()->isTabVisible(i);
    return n;
  }

  QStringList errors;
  std::unique_ptr<TFormMain> main;
};

// Fills in the file dialog that the next modal exec shows, and confirms it.
// A question the dialog asks on top (an overwrite prompt) fails the test.
// A quality (1..100) is set in the save dialog's quality box.
inline void AnswerFileDialog(const QString& path, int quality = 0) {
  QTimer::singleShot(0, [path, quality] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) qFatal("no file dialog open");
    QTimer::singleShot(0, [owner = QPointer<QFileDialog>(dialog)] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box && owner && box->parentWidget() == owner)
        qFatal("unexpected question: %s", qPrintable(box->text()));
    });
    // As a user does: go to the folder and type the name. (selectFile leaves
    // the name field alone while it has the focus.)
    const QFileInfo info(path);
    dialog->setDirectory(info.absolutePath());
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!name) qFatal("file dialog without a name field");
    name->setText(info.fileName());
    // A row the dialog selected by itself, as the folder finished loading
    // after the name it was given, would win over the typed name.
    if (auto* list = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView")))
      list->selectionModel()->clear();
    if (quality > 0) {
      auto* box = dialog->findChild<QSpinBox*>(QStringLiteral("SaveQuality"));
      if (!box) qFatal("save dialog without a quality");
      box->setValue(quality);
    }
    QMetaObject::invokeMethod(dialog, "accept");
  });
}

// Answers the question about unsaved work when it opens during the next
// actions, also after other dialogs (it is looked for until it comes):
// records that it was asked and what it said, and presses the given button,
// or Return or Esc. After 保存 the save dialog is given savePath, or
// cancelled when there is none.
class TQuestionAnswer {
 public:
  enum TChoice { Save, Discard, Cancel, Return, Escape };
  explicit TQuestionAnswer(TChoice choice, const QString& savePath = {}) {
    poll_.setInterval(5);
    QObject::connect(&poll_, &QTimer::timeout, &poll_, [this, choice, savePath] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || box->objectName() != QStringLiteral("CloseQuestion")) return;
      poll_.stop();
      asked = true;
      text = box->text();
      defaultIsCancel = box->defaultButton() &&
                        box->defaultButton()->objectName() == QStringLiteral("CloseQuestionCancel");
      if (choice == Return || choice == Escape) {
        QTest::keyClick(box, choice == Return ? Qt::Key_Return : Qt::Key_Escape);
        return;
      }
      if (choice == Save && !savePath.isEmpty()) AnswerFileDialog(savePath);
      if (choice == Save && savePath.isEmpty()) {
        QTimer::singleShot(0, [] {
          auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
          if (!dialog) qFatal("no save dialog open");
          dialog->reject();
        });
      }
      const char* names[] = {"CloseQuestionSave", "CloseQuestionDiscard", "CloseQuestionCancel"};
      auto* button = box->findChild<QPushButton*>(QString::fromLatin1(names[choice]));
      if (!button) qFatal("question without %s", names[choice]);
      button->click();
    });
    poll_.start();
  }
  TQuestionAnswer(const TQuestionAnswer&) = delete;
  TQuestionAnswer& operator=(const TQuestionAnswer&) = delete;

  bool asked = false;
  bool defaultIsCancel = false;
  QString text;

 private:
  QTimer poll_;
};

}  // namespace kira::test
