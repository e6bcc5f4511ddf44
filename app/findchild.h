// A widget of the window by its object name, the controls' public names: a
// name the code gives and the window lacks is a mistake in the code, and the
// program stops there and says which.
#pragma once

#include <QObject>
#include <QString>

template<class T> T *requireChild(const QObject *parent, const QString &name)
{
    T *found = parent->findChild<T *>(name);
    if (!found)
        qFatal("the window has no %s", qPrintable(name));
    return found;
}
