#include "app/InputWatcher.h"

#include <QCoreApplication>
#include <QEvent>

InputWatcher::InputWatcher(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("ApplicationEvents"));
    QCoreApplication::instance()->installEventFilter(this);
}

InputWatcher::~InputWatcher()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool InputWatcher::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::InputMethod:
    case QEvent::Drop:
    case QEvent::FocusIn:
    case QEvent::Shortcut:
        emit inputHandled();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
