// Windows report errors in one way: a message box with a clear text. Every
// handler runs through Guarded so that no exception reaches Qt's event loop.
#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <new>

class QWidget;

namespace kira {

// Shows the message box (or hands the text to the sink set for tests).
void ReportError(QWidget* parent, const QString& text);

// The same for a notice that is no error (an information box).
void ReportNote(QWidget* parent, const QString& text);

// Replaces the message box, e.g. by a recorder in tests; an empty function
// restores the message box.
void SetErrorSink(std::function<void(const QString&)> sink);

// A failed open or save: the headline, then the reader's or writer's
// message, which names the file itself ("photo.bmp: not a BMP file"). The
// file is named once: its path goes in front only when the message does not
// name it already.
QString FileErrorText(const QString& headline, const QString& path, const QString& detail);
// What can be saved, for a name with another extension.
QString SaveFormatsText();

QString OutOfMemoryText();
QString ExceptionText(const std::exception& e);
QString UnknownErrorText();

// Runs a handler; an exception becomes a message box and the program goes on.
template <class F>
void Guarded(QWidget* parent, F&& handler) noexcept {
  try {
    try {
      handler();
    } catch (const std::bad_alloc&) {
      ReportError(parent, OutOfMemoryText());
    } catch (const std::exception& e) {
      ReportError(parent, ExceptionText(e));
    } catch (...) {
      ReportError(parent, UnknownErrorText());
    }
  } catch (...) {
    // Reporting itself failed (no memory left for the box): nothing more can
    // be done, but the exception must still not reach the event loop.
  }
}

}  // namespace kira
