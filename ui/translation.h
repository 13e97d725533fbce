// The editor's language. Japanese is the source language of every text; an
// English translation (translations/kirabox_en.ts, built into the program) is
// laid over it when the desktop speaks anything else. The toolkit's own
// dialogs follow: its Japanese texts are loaded for Japanese, and English is
// its own.
#pragma once

#include <QString>
#include <string>

class QCoreApplication;

namespace kira {

enum class TLanguage { Japanese, English };

// The language of a locale name as the environment gives it ("ja",
// "ja_JP.UTF-8", "en_GB", "de"). Japanese for a Japanese locale and for none
// at all ("", "C", "C.UTF-8", "POSIX": the program as it always was); English
// for any other.
TLanguage LanguageOfLocale(const QString& locale);
// The desktop's language: the first entry of LANGUAGE (a colon list), else
// the first set of LC_ALL, LC_MESSAGES and LANG.
TLanguage LanguageOfEnvironment();

// Puts the editor's and the toolkit's texts of language in place of those
// installed before; later widgets speak it. False when a translation could
// not be loaded (the toolkit's Japanese is optional: qt6-translations-l10n).
bool InstallTranslation(QCoreApplication& app, TLanguage language);
TLanguage InstalledLanguage();

// A text marked with KIRA_TR_NOOP below the window layer, translated under
// its context (kTrPages, kTrSettings, …).
QString Tr(const char* context, const std::string& text);

// The main window's title ("キラボックス Ver. 0.32"), and with the zoom after
// it ("キラボックス Ver. 0.32 (100%)").
QString AppTitle();
QString ZoomTitle(int zoomPercent);

}  // namespace kira
