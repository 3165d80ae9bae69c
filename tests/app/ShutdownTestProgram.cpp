// The program as vorn runs it, for tests that end it with signals. It adds unsaved results once
// the window is shown, prints "ready" and the text of every message box on stdout, and answers
// the boxes in turn ("none" leaves one for the test).
//   vorn_shutdown_test_program [--changes N] [--answers Yes,Cancel,none,...]
#include "app/ProgramEntry.h"
#include "app/TMainForm.h"
#include "storage/TMainDataModule.h"
#include "tests/support/SampleResults.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

QMessageBox::StandardButton buttonNamed(const QString& name)
{
    if (name == QStringLiteral("Yes"))
        return QMessageBox::Yes;
    if (name == QStringLiteral("No"))
        return QMessageBox::No;
    if (name == QStringLiteral("Cancel"))
        return QMessageBox::Cancel;
    if (name == QStringLiteral("Ok"))
        return QMessageBox::Ok;
    return QMessageBox::NoButton;
}

void addResults(TMainDataModule* module, int count)
{
    module->BeginUpdate();
    for (int i = 0; i < count; ++i) {
        module->AddResult(SampleResults::shutdown(i));
    }
    module->SortResults();
    module->EndUpdate();
    module->NotifyScroll();
}

} // namespace

int main(int argc, char* argv[])
{
    int changes = 0;
    QStringList answers;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--changes") == 0)
            changes = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--answers") == 0)
            answers = QString::fromUtf8(argv[i + 1]).split(u',');
    }
    int programArgc = 1;
    return runProgram(programArgc, argv, [changes, answers](TMainForm& form) mutable {
        if (changes > 0)
            addResults(form.MainDataModule, changes);
        auto* watcher = new QTimer(&form);
        auto seen = std::make_shared<QPointer<QWidget>>();
        QObject::connect(watcher, &QTimer::timeout, watcher, [seen, answers]() mutable {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box == seen->data())
                return;
            *seen = box;
            std::printf("box: %s\n", qPrintable(box->text().replace(u'\r', u' ')));
            std::fflush(stdout);
            const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
            if (QAbstractButton* button = box->button(buttonNamed(answer)))
                button->click();
        });
        watcher->start(20);
        std::printf("ready\n");
        std::fflush(stdout);
    });
}
