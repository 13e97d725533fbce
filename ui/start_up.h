// The editor's windows at start-up: the main window maximised, in front and
// holding the keyboard, so that its keys work before any click; the
// thumbnail browser shown behind it; a picture named on the command line
// opened once the windows are up.
#pragma once

#include <QString>

namespace kira {

class TFormMain;

// picture: a path as a desktop launcher's %f gives it, or empty.
void ShowAtStartUp(TFormMain& main, const QString& picture = QString());

}  // namespace kira
