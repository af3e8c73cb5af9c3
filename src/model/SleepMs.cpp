#include "model/SleepMs.h"

#include <QThread>

void SleepMs(int milliseconds)
{
    if (milliseconds > 0)
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}
