#pragma once
// The translations of the user's language, installed for the life of the object: the window's
// own (meshcfg_<language>.qm) and the toolkit's, for its dialogs. The description's texts are
// the source, so a Chinese locale shows them as they are; every other locale shows English.

#include <QLocale>
#include <QString>
#include <QTranslator>

namespace widgets {

class Translations {
  public:
    // Where the built and the installed window's translations are: share/meshcfg/translations
    // beside the program's bin folder.
    static QString installedFolder();

    explicit Translations(const QLocale& locale = QLocale(),
                          const QString& folder = installedFolder());
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

  private:
    QTranslator m_window;
    QTranslator m_toolkit;
};

}  // namespace widgets
