#include "store/Dates.h"

#include <QHash>

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
    // Asked for on every date shown; the last locale's answer is kept, for
    // each thread (reports are built beside the window's thread).
    static thread_local QLocale cachedLocale;
    static thread_local QString cached;
    if (!cached.isEmpty() && cachedLocale == locale)
        return cached;
    QString p = locale.dateFormat(QLocale::ShortFormat);
    if (!p.contains(QLatin1String("yyyy")))
        p.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    cachedLocale = locale;
    cached = p;
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
    // Lists and reports show the same few thousand days over and over; each
    // thread keeps its own.
    static thread_local QLocale cachedLocale;
    static thread_local QHash<qint64, QString> cache;
    if (!isValidDay(day))
        return {};
    if (cachedLocale != locale || cache.size() > 200000) {
        cache.clear();
        cachedLocale = locale;
    }
    const qint64 key = qint64(std::trunc(day));
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return it.value();
    const QString text = formatShortDate(dateFromDay(day), locale);
    cache.insert(key, text);
    return text;
}

QDate parseShortDate(const QString& text, const QLocale& locale)
{
    const QString t = text.trimmed();
    const QDate d = locale.toDate(t, shortDatePattern(locale));
    // A year before 100 reads as a date, but no record can hold its day.
    return d.isValid() && isValidDay(dayFromDate(d)) ? d : QDate();
}

}  // namespace fnk::store
