#include "platform/Clock.h"

namespace fnk::platform {

QDate Clock::today() const
{
    if (fixed_)
        return *fixed_;
    return QDate::currentDate();
}

QDateTime Clock::now() const
{
    if (fixed_)
        return QDateTime(*fixed_, QTime(12, 0));
    return QDateTime::currentDateTime();
}

Clock& clock()
{
    static Clock c;
    return c;
}

}  // namespace fnk::platform
