#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace widgets {

namespace {

// The language of the window's translation for every locale but a Chinese one.
constexpr QLocale::Language kTranslatedTo = QLocale::English;

}  // namespace

QString Translations::installedFolder() {
    return QCoreApplication::applicationDirPath() +
           QStringLiteral("/../share/meshcfg/translations");
}

Translations::Translations(const QLocale& locale, const QString& folder) {
    if (locale.language() != QLocale::Chinese &&
        m_window.load(QLocale(kTranslatedTo), QStringLiteral("meshcfg"), QStringLiteral("_"),
                      folder))
        QCoreApplication::installTranslator(&m_window);
    if (m_toolkit.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&m_toolkit);
}

Translations::~Translations() {
    QCoreApplication::removeTranslator(&m_toolkit);
    QCoreApplication::removeTranslator(&m_window);
}

}  // namespace widgets
