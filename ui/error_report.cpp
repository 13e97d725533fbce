#include "ui/error_report.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

#include "ui/translation.h"

namespace kira {

namespace {
std::function<void(const QString&)>& Sink() {
  static std::function<void(const QString&)> sink;
  return sink;
}
}  // namespace

void ReportError(QWidget* parent, const QString& text) {
  if (Sink()) {
    Sink()(text);
    return;
  }
  QMessageBox::critical(parent, AppTitle(), text);
}

void ReportNote(QWidget* parent, const QString& text) {
  if (Sink()) {
    Sink()(text);
    return;
  }
  QMessageBox::information(parent, AppTitle(), text);
}

void SetErrorSink(std::function<void(const QString&)> sink) { Sink() = std::move(sink); }

QString FileErrorText(const QString& headline, const QString& path, const QString& detail) {
  const QString name = QFileInfo(path).fileName();
  if (detail.isEmpty()) return headline + QLatin1Char('\n') + path;
  if (!name.isEmpty() && detail.contains(name)) return headline + QLatin1Char('\n') + detail;
  return headline + QLatin1Char('\n') + path + QStringLiteral(": ") + detail;
}

QString SaveFormatsText() {
  return QCoreApplication::translate("kira::ErrorReport", "保存できる形式は JPEG (.jpg, .jpeg)、PNG (.png)、TIFF (.tif, .tiff)、WebP (.webp) と BMP (.bmp) です。");
}

QString OutOfMemoryText() {
  return QCoreApplication::translate("kira::ErrorReport", "メモリが不足しています。処理を中止しました。");
}

QString ExceptionText(const std::exception& e) {
  return QCoreApplication::translate("kira::ErrorReport", "処理中にエラーが発生しました。\n") + QString::fromLocal8Bit(e.what());
}

QString UnknownErrorText() { return QCoreApplication::translate("kira::ErrorReport", "処理中に不明なエラーが発生しました。"); }

}  // namespace kira
