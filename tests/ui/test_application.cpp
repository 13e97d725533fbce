// The application object's last guard: an exception out of any event
// handler becomes a reported error, and the next events are served.
#include <QTest>
#include <stdexcept>

#include "ui/application.h"
#include "ui/error_report.h"

using namespace kira;

namespace {

class TThrowing : public QObject {
 public:
  int served = 0;
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw std::runtime_error("lost the file");
    if (e->type() == QEvent::User + 1) throw std::bad_alloc();
    ++served;
    return QObject::event(e);
  }
};

}  // namespace

class TestApplication : public QObject {
  Q_OBJECT

 private slots:
  void exceptionsFromHandlersAreReported() {
    QStringList errors;
    SetErrorSink([&](const QString& text) { errors << text; });
    TThrowing target;
    QEvent user(QEvent::User);
    QApplication::sendEvent(&target, &user);
    QEvent memory(static_cast<QEvent::Type>(QEvent::User + 1));
    QApplication::sendEvent(&target, &memory);
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    QEvent plain(static_cast<QEvent::Type>(QEvent::User + 2));
    QApplication::sendEvent(&target, &plain);
    SetErrorSink({});
    QCOMPARE(errors.size(), 3);
    QVERIFY(errors[0].contains(QStringLiteral("lost the file")));
    QCOMPARE(errors[1], OutOfMemoryText());
    QCOMPARE(target.served, 1);
  }
};

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  TestApplication test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_application.moc"
