// The windows in the user's language: the description's texts as they are in a Chinese locale,
// English in every other, and the toolkit's own dialogs in the locale's language.

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QtTest>

#include "CAboutDlg.h"
#include "CDialog_Mesh.h"
#include "CDialog_Net_Path.h"
#include "CMeshcfgDlg.h"
#include "Translations.h"

namespace {

// Every text a window shows: its title, group boxes, labels and buttons.
QStringList shownTexts(const QWidget& window) {
    QStringList texts{window.windowTitle()};
    for (const QGroupBox* box : window.findChildren<QGroupBox*>()) texts << box->title();
    for (const QLabel* label : window.findChildren<QLabel*>()) texts << label->text();
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>())
        texts << button->text();
    return texts;
}

QString dataBoxTitle(const app::CMeshcfgDlg& dlg) {
    for (const QGroupBox* box : dlg.findChildren<QGroupBox*>())
        if (box->geometry().contains(dlg.item<QWidget>(res::kIdLog)->geometry()))
            return box->title();
    return {};
}

}  // namespace

class TranslationTest : public QObject {
    Q_OBJECT

  private slots:
    void windowsSpeakTheLocale_data();
    void windowsSpeakTheLocale();
};

void TranslationTest::windowsSpeakTheLocale_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("dataBox");  // the log's group box
    QTest::addColumn<QString>("cancel");   // the toolkit's own button
    QTest::newRow("English") << "en_US"
                             << "Data log"
                             << "Cancel";
    QTest::newRow("German") << "de_DE"
                            << "Data log"
                            << "Abbrechen";
    QTest::newRow("Chinese") << "zh_CN"
                             << "数据信息框"
                             << "取消";
    QTest::newRow("Chinese, Taiwan") << "zh_TW"
                                     << "数据信息框"
                                     << "取消";
}

void TranslationTest::windowsSpeakTheLocale() {
    QFETCH(QString, locale);
    QFETCH(QString, dataBox);
    QFETCH(QString, cancel);
    const widgets::Translations translations{QLocale(locale),
                                             QStringLiteral(MESHCFG_TRANSLATIONS_DIR)};
    app::CMeshcfgDlg dlg;
    dlg.stopTimer();
    display::CDialog_Mesh mesh;
    display::CDialog_Net_Path path;
    app::CAboutDlg about;
    QStringList texts = shownTexts(dlg) + shownTexts(mesh) + shownTexts(path) + shownTexts(about);
    emit dlg.log().customContextMenuRequested({});
    QVERIFY(dlg.logMenu());
    texts << dlg.logMenu()->title();
    for (const QAction* action : dlg.logMenu()->actions()) texts << action->text();
    dlg.logMenu()->close();

    QCOMPARE(dataBoxTitle(dlg), dataBox);
    const bool chinese = locale.startsWith(u"zh");
    static const QRegularExpression han(QStringLiteral("\\p{Han}"));
    QCOMPARE(texts.filter(han).isEmpty(), !chinese);
    if (!chinese) QVERIFY2(texts.contains(QStringLiteral("Copy all")), qPrintable(texts.join('|')));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), cancel);
}

QTEST_MAIN(TranslationTest)
#include "TranslationTest.moc"
