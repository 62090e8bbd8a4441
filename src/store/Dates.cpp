#include "store/Dates.h"

#include <cmath>

namespace fnk::store {

namespace {
const QDate kEpoch(1899, 12, 30);
// Years 100 to 9999, the range the record format has always allowed.
constexpr double kMinDay = -657434.0;
constexpr double kMaxDay = 2958465.0;
}  // namespace

bool isValidDay(double day)
{
    return std::isfinite(day) && day >= kMinDay && day < kMaxDay + 1.0;
}

QDate dateFromDay(double day)
{
    if (!isValidDay(day))
        return {};
    return kEpoch.addDays(qint64(std::trunc(day)));
}

double dayFromDate(const QDate& date)
{
    return double(kEpoch.daysTo(date));
}

QString shortDatePattern(const QLocale& locale)
{
    QString p = locale.dateFormat(QLocale::ShortFormat);
    if (!p.contains(QLatin1String("yyyy")))
        p.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return p;
}

QString formatShortDate(const QDate& date, const QLocale& locale)
{
    if (!date.isValid())
        return {};
    return locale.toString(date, shortDatePattern(locale));
}

QString formatDay(double day, const QLocale& locale)
{
    return formatShortDate(dateFromDay(day), locale);
}

QDate parseShortDate(const QString& text, const QLocale& locale)
{
    const QString t = text.trimmed();
    return locale.toDate(t, shortDatePattern(locale));
}

}  // namespace fnk::store
