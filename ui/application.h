// The editor's application object: a last guard under every handler, so that
// an exception that escaped one (out of memory in the toolkit's own code
// called from a handler, say) becomes a message box and the program goes on.
// It speaks the desktop's language (ui/translation.h).
#pragma once

#include <QApplication>

namespace kira {

class TApplication : public QApplication {
  Q_OBJECT

 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace kira
