// The editor's application object: a last guard under every handler, so that
// an exception that escaped one (out of memory in the toolkit's own code
// called from a handler, say) becomes a message box and the program goes on.
#pragma once

#include <QApplication>

class QCoreApplication;

namespace kira {

// Loads the toolkit's own Japanese texts (qtbase_ja from the toolkit's
// translations folder), so that the standard dialogs and buttons ("Open",
// "Cancel", …) speak the program's language. False when they are missing;
// the program then runs with the toolkit's English.
bool InstallToolkitTranslations(QCoreApplication& app);

class TApplication : public QApplication {
  Q_OBJECT

 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace kira
