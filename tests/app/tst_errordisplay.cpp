#include "app/ErrorDisplay.h"
#include "app/VornApplication.h"
#include "storage/StorageError.h"
#include "tests/support/ModalAnswer.h"

#include <QMessageBox>
#include <QTest>
#include <functional>
#include <new>
#include <stdexcept>

Q_DECLARE_METATYPE(std::function<void()>)

namespace {

class Thrower : public QObject
{
public:
    explicit Thrower(std::function<void()> raise) : m_raise(std::move(raise)) {}
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            m_raise();
        return QObject::event(e);
    }

private:
    std::function<void()> m_raise;
};

} // namespace

class TestErrorDisplay : public QObject
{
    Q_OBJECT

private slots:
    void escapedErrorIsShownAndTheProgramGoesOn_data()
    {
        QTest::addColumn<std::function<void()>>("raise");
        QTest::addColumn<QString>("text");
        QTest::newRow("error") << std::function<void()>([] {
            throw std::runtime_error("Кабель отключен");
        }) << QStringLiteral("Кабель отключен.");
        QTest::newRow("out of memory") << std::function<void()>([] { throw std::bad_alloc(); })
                                       << QStringLiteral("Недостаточно памяти.");
    }

    void escapedErrorIsShownAndTheProgramGoesOn()
    {
        QFETCH(std::function<void()>, raise);
        QFETCH(QString, text);
        Thrower thrower(raise);
        ModalAnswer box(ModalAnswer::pressButton(QMessageBox::Ok));
        QEvent event(QEvent::User);
        QApplication::sendEvent(&thrower, &event);
        QVERIFY(box.appeared());
        QCOMPARE(box.title(), QStringLiteral("ВОРН-1.0"));
        QCOMPARE(box.text(), text);
    }

    void guardShowsTheErrorAndReportsIt()
    {
        ModalAnswer box([](QWidget* w) {
            auto* message = qobject_cast<QMessageBox*>(w);
            QVERIFY(message);
            QCOMPARE(message->icon(), QMessageBox::Critical);
            message->accept();
        });
        const bool ran = ErrorDisplay::guard([] { throw std::runtime_error("Ошибка."); });
        QVERIFY(!ran);
        QVERIFY(box.appeared());
        QCOMPARE(box.text(), QStringLiteral("Ошибка."));
        QVERIFY(ErrorDisplay::guard([] {}));
    }

    // The box holds the Russian sentences alone; the engine's English detail is for the
    // terminal.
    void storageErrorShowsOnlyItsSentences()
    {
        const StorageError full(QStringLiteral("На диске нет места."),
                                "I/O error during \"write\" operation for file \"p.fdb\"\n"
                                "-Error while trying to write to file\n-No space left on device");
        ModalAnswer box(ModalAnswer::pressButton(QMessageBox::Ok));
        ErrorDisplay::guard([&] { throw StorageError(QStringLiteral("Не удалось сохранить!"), full); });
        QVERIFY(box.appeared());
        QCOMPARE(box.text(), QStringLiteral("Не удалось сохранить!\nНа диске нет места."));
    }
};

int main(int argc, char* argv[])
{
    VornApplication app(argc, argv);
    TestErrorDisplay test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_errordisplay.moc"
