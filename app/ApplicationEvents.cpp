#include "app/ApplicationEvents.h"

#include <QCoreApplication>
#include <QEvent>

TApplicationEvents::TApplicationEvents(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("ApplicationEvents"));
    QCoreApplication::instance()->installEventFilter(this);
}

TApplicationEvents::~TApplicationEvents()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool TApplicationEvents::eventFilter(QObject* watched, QEvent* event)
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
        emit InputHandled();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
