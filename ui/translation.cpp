#include "ui/translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstring>

#include "document/view_geometry.h"

// The resource's initialiser is a global function: it cannot be named from
// inside a namespace.
static void InitTranslationResource() { Q_INIT_RESOURCE(kira_translations); }

namespace kira {

namespace {

TLanguage& Installed() {
  static TLanguage language = TLanguage::Japanese;
  return language;
}

// The translators in place, removed when another language is installed.
QList<QTranslator*>& Translators() {
  static QList<QTranslator*> translators;
  return translators;
}

bool Add(QCoreApplication& app, const QString& name, const QString& folder) {
  auto* translator = new QTranslator(&app);
  if (!translator->load(name, folder) || !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return false;
  }
  Translators().append(translator);
  return true;
}

}  // namespace

TLanguage LanguageOfLocale(const QString& locale) {
  const QString language = locale.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0)
                               .section(QLatin1Char('_'), 0, 0).section(QLatin1Char('-'), 0, 0);
  if (language.isEmpty() || language == QLatin1String("C") || language == QLatin1String("POSIX") ||
      language == QLatin1String("ja")) {
    return TLanguage::Japanese;
  }
  return TLanguage::English;
}

TLanguage LanguageOfEnvironment() {
  const QString first = qEnvironmentVariable("LANGUAGE").section(QLatin1Char(':'), 0, 0);
  if (!first.isEmpty()) return LanguageOfLocale(first);
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const QString value = qEnvironmentVariable(name);
    if (!value.isEmpty()) return LanguageOfLocale(value);
  }
  return TLanguage::Japanese;
}

bool InstallTranslation(QCoreApplication& app, TLanguage language) {
  for (QTranslator* translator : Translators()) {
    QCoreApplication::removeTranslator(translator);
    delete translator;
  }
  Translators().clear();
  Installed() = language;
  if (language == TLanguage::English) {
    InitTranslationResource();
    return Add(app, QStringLiteral("kirabox_en"), QStringLiteral(":/i18n"));
  }
  return Add(app, QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

TLanguage InstalledLanguage() { return Installed(); }

QString Tr(const char* context, const std::string& text) {
  return QCoreApplication::translate(context, text.c_str());
}

QString AppTitle() {
  return Tr(kTrTitle, kAppName) + QString::fromUtf8(kAppTitle + std::strlen(kAppName));
}

QString ZoomTitle(int zoomPercent) { return AppTitle() + QStringLiteral(" (%1%)").arg(zoomPercent); }

}  // namespace kira
