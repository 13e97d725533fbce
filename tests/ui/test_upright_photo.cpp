// A phone photo stored sideways opens upright in the editor and is saved so.
#include <QFile>

#include "tests/core/phone_photo.h"
#include "tests/ui/ui_test_support.h"

using namespace kira;
using namespace kira::test;

class TestUprightPhoto : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString Path(const QString& name) const { return dir_.filePath(name); }
  static QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void sidewaysPhoneShotOpensAndSavesUpright() {
    // A 640 x 480 photo as a phone held upright stores it: orientation 6.
    const QByteArray plain = ReadAll(QStringLiteral(KIRA_TESTDATA "/jpeg/landscape_640x480.jpg"));
    QVERIFY(!plain.isEmpty());
    const std::string phone = kira::testing::WithExif(plain.toStdString(), kira::testing::PhoneExif(6, true, 640, 480));
    // In a folder of its own: the save dialog then opens on a folder
    // without the file, whose name it proposes.
    QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("camera")));
    QFile file(Path("camera/phone.jpg"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(phone.data(), static_cast<qint64>(phone.size()));
    file.close();

    TWindows w;
    w.main->OpenImageFile(Path("camera/phone.jpg"));
    QCOMPARE(w.Doc().Source().Width(), 480);
    QCOMPARE(w.Doc().Source().Height(), 640);

    AnswerFileDialog(Path("saved.jpg"));
    w.main->PMenuSClick();
    const TBitmap saved = ReadBack(Path("saved.jpg"));
    QCOMPARE(saved.Width(), 480);
    QCOMPARE(saved.Height(), 640);
    const QByteArray bytes = ReadAll(Path("saved.jpg"));
    const auto seen = kira::testing::SeeExif(kira::testing::MetadataOf(bytes.toStdString()).first);
    QCOMPARE(seen.orientation, 1);
    QVERIFY(w.errors.isEmpty());
  }
};

QTEST_MAIN(TestUprightPhoto)
#include "test_upright_photo.moc"
