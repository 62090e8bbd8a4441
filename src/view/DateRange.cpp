#include "view/DateRange.h"

#include "store/Dates.h"

namespace fnk::view {

namespace {
const DateRange::Preset kPresets[9] = {
    {"mu_30Days", "30 Days", 30, "30 Days - "},
    {"mu_60days", "60 Days", 60, "60 Days - "},
    {"mu_90days", "90 Days", 90, "90 Days - "},
    {"mu_180days", "180 days", 180, "180 Days - "},
    {"mu_365days", "1 Year", 365, "1 Year - "},
    {"mu_730days", "2 Years", 730, "2 Years - "},
    {"mu_1095days", "3 Years", 1095, "3 Years - "},
    {"mu_1460days", "4 Years", 1460, "4 Years - "},
    {"mu_1825days", "5 Years", 1825, "5 Years - "},
};
const QString kJoin = QStringLiteral("  >>  ");
}  // namespace

const DateRange::Preset (&DateRange::presets())[9] { return kPresets; }

QString DateRange::labelFor(int days)
{
    for (const Preset& p : kPresets)
        if (p.days == days)
            return QString::fromLatin1(p.label);
    return {};
}

QDate DateRange::fiscalYearStart(int year, int startMonth, int startDay)
{
    const int month = (startMonth >= 1 && startMonth <= 12) ? startMonth : 1;
    const int last = QDate(year, month, 1).daysInMonth();
    const int day = std::clamp(startDay, 1, last > 0 ? last : 28);
    return QDate(year, month, day);
}

int DateRange::fiscalYearOf(const QDate& date, int startMonth, int startDay)
{
    const int y = date.year();
    return date < fiscalYearStart(y, startMonth, startDay) ? y - 1 : y;
}

QString DateRange::earliestText() const { return store::formatShortDate(earliest_); }
QString DateRange::latestText() const { return store::formatShortDate(latest_); }

void DateRange::SetRange(int code, int yearsBack, const QDate& today)
{
    if (code == 0) {
        setFiscalYearRange();
        return;
    }
    latest_ = today.addDays(-365LL * yearsBack);
    earliest_ = latest_.addDays(-qint64(code));
    status_ = labelFor(code) + earliestText() + kJoin + latestText();
}

void DateRange::setFiscalYearRange()
{
    earliest_ = fiscalYearStart(currentFiscalYear, startMonth_, startDay_);
    latest_ = fiscalYearStart(currentFiscalYear + 1, startMonth_, startDay_).addDays(-1);
    status_ = QStringLiteral("FY ") + QString::number(latest_.year()) + QStringLiteral(" - ")
        + earliestText() + kJoin + latestText();
}

bool DateRange::acceptDates(const QDate& earliest, const QDate& latest, QString* refusal)
{
    if (latest < earliest) {
        if (refusal)
            *refusal = QStringLiteral("The latest date you have selected: ")
                + store::formatShortDate(latest) + QStringLiteral("\n\n")
                + QStringLiteral(" is older than the earliest: ") + store::formatShortDate(earliest)
                + QStringLiteral("\n\n") + QStringLiteral("Please try again.");
        return false;
    }
    earliest_ = earliest;
    latest_ = latest;
    status_ = earliestText() + kJoin + latestText();
    return true;
}

}  // namespace fnk::view
