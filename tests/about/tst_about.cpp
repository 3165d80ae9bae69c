#include "about/AboutCommand.h"
#include "about/TAboutForm.h"
#include "tests/support/ModalAnswer.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUrl>

namespace {

QString value(const char* key)
{
    QString v;
    QueryVersionString(programVersionInfo(), QLatin1String(key), v);
    return v;
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void versionStrings_data();
    void versionStrings();
    void labelsShowTheVersionStrings_data();
    void labelsShowTheVersionStrings();
    void linksOpenTheirTargets_data();
    void linksOpenTheirTargets();
    void labelsKeepApartAndClicksOpenOnlyTheirOwnLink_data();
    void labelsKeepApartAndClicksOpenOnlyTheirOwnLink();
    void missingKeyKeepsInitialText_data();
    void missingKeyKeepsInitialText();
    void longTextsWrapInFixedLabels();
    void escapeAndCloseButtonClose_data();
    void escapeAndCloseButtonClose();
};

void TestAbout::versionStrings_data()
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
    QTest::newRow("CompanyWeb has no scheme") << "CompanyWeb" << QString();
    QTest::newRow("missing key") << "LegalCopyright" << QString();
}

void TestAbout::versionStrings()
{
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QString v = QStringLiteral("stale");
    const bool found = QueryVersionString(programVersionInfo(), key, v);
    QCOMPARE(found, key != QLatin1String("LegalCopyright"));
    if (!expected.isEmpty())
        QCOMPARE(v, expected);
    QCOMPARE(v.isEmpty(), !found);
    QVERIFY(!v.contains(QLatin1String("://")));
}

void TestAbout::labelsShowTheVersionStrings_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QPoint>("position");
    QTest::newRow("product") << "ProductNameLabel" << value("ProductName") << QPoint(16, 16);
    QTest::newRow("comments") << "CommentsLabel" << value("Comments") << QPoint(16, 32);
    QTest::newRow("version") << "FileVersionLabel"
                             << "Версия 1.0.1.1," << QPoint(16, 64);
    QTest::newRow("year beside it") << "YearLabel"
                                    << "2010 г." << QPoint(104, 64);
    QTest::newRow("company") << "CompanyNameLabel" << value("CompanyName") << QPoint(16, 88);
    QTest::newRow("phone") << "CompanyPhoneLabel"
                           << "тел. " + value("CompanyPhone") << QPoint(16, 104);
    QTest::newRow("e-mail") << "CompanyEMailLabel"
                            << "e-mail: " + value("CompanyEMail") << QPoint(16, 136);
    QTest::newRow("web") << "CompanyWebLabel"
                         << "http://" + value("CompanyWeb") << QPoint(144, 136);
}

void TestAbout::labelsShowTheVersionStrings()
{
    QFETCH(QString, label);
    QFETCH(QString, text);
    QFETCH(QPoint, position);
    TAboutForm form;
    form.LoadVersionInfo();
    auto* l = form.findChild<QLabel*>(label);
    QCOMPARE(l->text(), text);
    QCOMPARE(l->pos(), position);
    auto* version = form.findChild<QLabel*>(QStringLiteral("FileVersionLabel"));
    QVERIFY(version->geometry().right() < 104);
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

void TestAbout::labelsKeepApartAndClicksOpenOnlyTheirOwnLink_data()
{
    QTest::addColumn<QString>("email"); // empty: the program's own
    QTest::addColumn<QString>("web");
    QTest::newRow("program's values") << QString() << QString();
    QTest::newRow("long e-mail") << "technical.support@vorn.example"
                                 << "vorn.example";
}

void TestAbout::labelsKeepApartAndClicksOpenOnlyTheirOwnLink()
{
    QFETCH(QString, email);
    QFETCH(QString, web);
    VersionInfo info = programVersionInfo();
    if (!email.isEmpty()) {
        info.removeIf([](const auto& entry) {
            return entry.first == u"CompanyEMail" || entry.first == u"CompanyWeb";
        });
        info += {{QStringLiteral("CompanyEMail"), email}, {QStringLiteral("CompanyWeb"), web}};
    }
    TAboutForm form;
    QStringList urls;
    form.setUrlOpener([&](const QUrl& url) { urls << url.toString(); });
    form.LoadVersionInfo(info);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    const QList<QLabel*> labels = form.findChildren<QLabel*>();
    QCOMPARE(labels.size(), 8);
    for (QLabel* a : labels) {
        QVERIFY2(form.rect().contains(a->geometry()), qPrintable(a->objectName()));
        for (QLabel* b : labels)
            QVERIFY2(a == b || !a->geometry().intersects(b->geometry()),
                     qPrintable(a->objectName() + " overlaps " + b->objectName()));
    }

    for (const char* name : {"CompanyEMailLabel", "CompanyWebLabel"}) {
        auto* link = form.findChild<QLabel*>(QLatin1String(name));
        const QRect r = link->geometry();
        for (const QPoint p :
             {QPoint(r.left(), r.center().y()), r.center(), QPoint(r.right(), r.center().y())}) {
            urls.clear();
            QWidget* hit = form.childAt(p);
            QCOMPARE(hit, static_cast<QWidget*>(link));
            QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(&form, p));
            QCOMPARE(urls, QStringList{QByteArray(name).contains("EMail") ? form.CompanyEMailURL()
                                                                          : form.CompanyWebURL()});
        }
    }
}

void TestAbout::missingKeyKeepsInitialText_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("label");
    QTest::newRow("ProductName") << "ProductName"
                                 << "ProductNameLabel";
    QTest::newRow("FileVersion") << "FileVersion"
                                 << "FileVersionLabel";
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
    VersionInfo info = programVersionInfo();
    info.removeIf([&](const auto& entry) { return entry.first == key; });
    TAboutForm form;
    QStringList urls;
    form.setUrlOpener([&](const QUrl& url) { urls << url.toString(); });
    form.LoadVersionInfo(info);
    form.show();

    for (QLabel* l : form.findChildren<QLabel*>())
        QCOMPARE(l->text() == l->objectName(), l->objectName() == label);
    QTest::mouseClick(form.findChild<QLabel*>(label), Qt::LeftButton);
    QVERIFY(urls.isEmpty());
}

void TestAbout::longTextsWrapInFixedLabels()
{
    const QString longText = QStringLiteral("очень длинный текст ").repeated(20);
    TAboutForm form;
    form.LoadVersionInfo({{QStringLiteral("Comments"), longText},
                          {QStringLiteral("CompanyPhone"), longText},
                          {QStringLiteral("CompanyName"), longText}});
    for (const char* name : {"CommentsLabel", "CompanyPhoneLabel"}) {
        auto* l = form.findChild<QLabel*>(QLatin1String(name));
        QCOMPARE(l->size(), QSize(249, 25));
        QVERIFY(l->wordWrap());
    }
    QVERIFY(form.findChild<QLabel*>(QStringLiteral("CompanyNameLabel"))->width() > 249);
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
    QStringList focusable;
    Qt::WindowFlags flags;
    ModalAnswer answer([&](QWidget* w) {
        shownVersion = w->findChild<QLabel*>(QStringLiteral("FileVersionLabel"))->text();
        flags = w->windowFlags();
        for (QWidget* c : w->findChildren<QWidget*>()) {
            if (c->focusPolicy() != Qt::NoFocus)
                focusable << c->objectName();
        }
        if (escape)
            QTest::keyClick(w, Qt::Key_Escape);
        else
            w->findChild<QPushButton*>(QStringLiteral("CloseButton"))->click();
    });
    showAboutWindow(&owner);
    QVERIFY(answer.appeared());
    QCOMPARE(answer.title(), QStringLiteral("О программе"));
    QCOMPARE(shownVersion, QStringLiteral("Версия 1.0.1.1,"));
    QVERIFY(!(flags & Qt::WindowCloseButtonHint));
    QCOMPARE(focusable, QStringList{QStringLiteral("CloseButton")});
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
