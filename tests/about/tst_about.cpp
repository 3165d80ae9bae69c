#include "ModalAnswer.h"
#include "TAboutForm.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUrl>

namespace {

VersionInfo without(const QString& key)
{
    VersionInfo info = ProgramVersionInfo();
    info.removeIf([&](const auto& entry) { return entry.first == key; });
    return info;
}

QString value(const QString& key)
{
    QString v;
    QueryVersionString(ProgramVersionInfo(), key, v);
    return v;
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void versionTableHasEveryKey_data();
    void versionTableHasEveryKey();
    void queryOfMissingKeyAnswersFalse();
    void labelsShowTheTable_data();
    void labelsShowTheTable();
    void versionLineWithYearBeside();
    void linksOpenTheirTargets_data();
    void linksOpenTheirTargets();
    void missingKeyKeepsInitialText_data();
    void missingKeyKeepsInitialText();
    void longTextsWrapInFixedLabels();
    void windowHasNoCloseBoxAndOneFocus();
    void escapeAndCloseButtonClose_data();
    void escapeAndCloseButtonClose();
};

void TestAbout::versionTableHasEveryKey_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ProductName") << "ProductName"
                                 << "ВОРН";
    QTest::newRow("Comments") << "Comments"
                              << "Измеритель силы натяжения арматуры";
    QTest::newRow("FileVersion") << "FileVersion"
                                 << "1.0.1.1";
    QTest::newRow("Year") << "Year"
                          << "2010 г.";
    QTest::newRow("FileDescription") << "FileDescription"
                                     << "Программа связи ВОРН-1.0";
    QTest::newRow("ProductVersion") << "ProductVersion"
                                    << "1.0";
    QTest::newRow("InternalName") << "InternalName"
                                  << "vorn";
    QTest::newRow("CompanyName") << "CompanyName" << QString();
    QTest::newRow("CompanyPhone") << "CompanyPhone" << QString();
    QTest::newRow("CompanyEMail") << "CompanyEMail" << QString();
    QTest::newRow("CompanyWeb") << "CompanyWeb" << QString();
    QTest::newRow("OriginalFilename") << "OriginalFilename" << QString();
}

void TestAbout::versionTableHasEveryKey()
{
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QString v = QStringLiteral("stale");
    QVERIFY(QueryVersionString(ProgramVersionInfo(), key, v));
    QVERIFY(!v.isEmpty());
    if (!expected.isEmpty())
        QCOMPARE(v, expected);
}

void TestAbout::queryOfMissingKeyAnswersFalse()
{
    QString v = QStringLiteral("stale");
    QVERIFY(!QueryVersionString(ProgramVersionInfo(), QStringLiteral("LegalCopyright"), v));
    QVERIFY(v.isEmpty());
    QVERIFY(!QueryVersionString(ProgramVersionInfo(), QStringLiteral("productname"), v));
}

void TestAbout::labelsShowTheTable_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::newRow("product") << "ProductNameLabel" << value("ProductName");
    QTest::newRow("comments") << "CommentsLabel" << value("Comments");
    QTest::newRow("version") << "FileVersionLabel"
                             << "Версия 1.0.1.1,";
    QTest::newRow("year") << "YearLabel"
                          << "2010 г.";
    QTest::newRow("company") << "CompanyNameLabel" << value("CompanyName");
    QTest::newRow("phone") << "CompanyPhoneLabel"
                           << "тел. " + value("CompanyPhone");
    QTest::newRow("e-mail") << "CompanyEMailLabel"
                            << "e-mail: " + value("CompanyEMail");
    QTest::newRow("web") << "CompanyWebLabel"
                         << "http://" + value("CompanyWeb");
}

void TestAbout::labelsShowTheTable()
{
    QFETCH(QString, label);
    QFETCH(QString, text);
    TAboutForm form;
    form.LoadVersionInfo();
    auto* l = form.findChild<QLabel*>(label);
    QVERIFY(l);
    QCOMPARE(l->text(), text);
}

void TestAbout::versionLineWithYearBeside()
{
    TAboutForm form;
    form.LoadVersionInfo();
    auto* version = form.findChild<QLabel*>(QStringLiteral("FileVersionLabel"));
    auto* year = form.findChild<QLabel*>(QStringLiteral("YearLabel"));
    QCOMPARE(version->text(), QStringLiteral("Версия 1.0.1.1,"));
    QCOMPARE(version->pos(), QPoint(16, 64));
    QCOMPARE(year->pos(), QPoint(104, 64));
    QVERIFY(version->geometry().right() < year->x());
}

void TestAbout::linksOpenTheirTargets_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("opened");
    QTest::newRow("e-mail") << "CompanyEMailLabel"
                            << "mailto:" + value("CompanyEMail");
    QTest::newRow("web") << "CompanyWebLabel"
                         << "http://" + value("CompanyWeb");
}

void TestAbout::linksOpenTheirTargets()
{
    QFETCH(QString, label);
    QFETCH(QString, opened);
    TAboutForm form;
    QStringList urls;
    form.setUrlOpener([&](const QUrl& url) { urls << url.toString(); });
    form.LoadVersionInfo();
    form.show();
    auto* l = form.findChild<QLabel*>(label);
    QCOMPARE(l->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(l, Qt::LeftButton);
    QCOMPARE(urls, QStringList{opened});
}

void TestAbout::missingKeyKeepsInitialText_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("label");
    QTest::newRow("ProductName") << "ProductName"
                                 << "ProductNameLabel";
    QTest::newRow("Comments") << "Comments"
                              << "CommentsLabel";
    QTest::newRow("FileVersion") << "FileVersion"
                                 << "FileVersionLabel";
    QTest::newRow("Year") << "Year"
                          << "YearLabel";
    QTest::newRow("CompanyName") << "CompanyName"
                                 << "CompanyNameLabel";
    QTest::newRow("CompanyPhone") << "CompanyPhone"
                                  << "CompanyPhoneLabel";
    QTest::newRow("CompanyEMail") << "CompanyEMail"
                                  << "CompanyEMailLabel";
    QTest::newRow("CompanyWeb") << "CompanyWeb"
                                << "CompanyWebLabel";
}

void TestAbout::missingKeyKeepsInitialText()
{
    QFETCH(QString, key);
    QFETCH(QString, label);
    TAboutForm form;
    QStringList urls;
    form.setUrlOpener([&](const QUrl& url) { urls << url.toString(); });
    form.LoadVersionInfo(without(key));
    form.show();

    auto* l = form.findChild<QLabel*>(label);
    QCOMPARE(l->text(), label);
    for (QLabel* other : form.findChildren<QLabel*>()) {
        if (other != l)
            QVERIFY2(other->text() != other->objectName(), qPrintable(other->objectName()));
    }

    QTest::mouseClick(l, Qt::LeftButton);
    QVERIFY(urls.isEmpty());
    QCOMPARE(form.CompanyEMailURL().isEmpty(), key == QLatin1String("CompanyEMail"));
    QCOMPARE(form.CompanyWebURL().isEmpty(), key == QLatin1String("CompanyWeb"));
}

void TestAbout::longTextsWrapInFixedLabels()
{
    const QString longText = QStringLiteral("очень длинный текст ").repeated(20);
    VersionInfo info{{QStringLiteral("Comments"), longText},
                     {QStringLiteral("CompanyPhone"), longText},
                     {QStringLiteral("CompanyName"), longText}};
    TAboutForm form;
    form.LoadVersionInfo(info);
    for (const char* name : {"CommentsLabel", "CompanyPhoneLabel"}) {
        auto* l = form.findChild<QLabel*>(QLatin1String(name));
        QCOMPARE(l->geometry(), QRect(l->x(), l->y(), 249, 25));
        QVERIFY(l->wordWrap());
    }
    QVERIFY(form.findChild<QLabel*>(QStringLiteral("CompanyNameLabel"))->width() > 249);
}

void TestAbout::windowHasNoCloseBoxAndOneFocus()
{
    TAboutForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("О программе"));
    QVERIFY(!(form.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(form.windowFlags() & Qt::WindowSystemMenuHint));
    QCOMPARE(form.size(), QSize(274, 197));
    QList<QWidget*> focusable;
    for (QWidget* w : form.findChildren<QWidget*>()) {
        if (w->focusPolicy() != Qt::NoFocus)
            focusable << w;
    }
    QCOMPARE(focusable.size(), 1);
    QCOMPARE(focusable.first()->objectName(), QStringLiteral("CloseButton"));
    QCOMPARE(form.findChild<QPushButton*>(QStringLiteral("CloseButton"))->text(),
             QStringLiteral("Закрыть"));
}

void TestAbout::escapeAndCloseButtonClose_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("Escape") << true;
    QTest::newRow("Закрыть") << false;
}

void TestAbout::escapeAndCloseButtonClose()
{
    QFETCH(bool, escape);
    QWidget owner;
    owner.show();
    QString shownVersion;
    ModalAnswer answer([&](QWidget* w) {
        if (auto* l = w->findChild<QLabel*>(QStringLiteral("FileVersionLabel")))
            shownVersion = l->text();
        if (escape)
            QTest::keyClick(w, Qt::Key_Escape);
        else
            w->findChild<QPushButton*>(QStringLiteral("CloseButton"))->click();
    });
    ShowAboutWindow(&owner);
    QVERIFY(answer.appeared());
    QCOMPARE(answer.title(), QStringLiteral("О программе"));
    QCOMPARE(shownVersion, QStringLiteral("Версия 1.0.1.1,"));
    QVERIFY(!owner.findChild<TAboutForm*>());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
