#pragma once

#include <QDate>
#include <QString>

namespace fnk::view {

// The date range of the list and the reports, both ends included, with the
// text of the range panel of the status bar.
class DateRange {
public:
    struct Preset {
        const char* command;  // menu command name
        const char* caption;
        int days;
        const char* label;    // status panel label
    };
    static const Preset (&presets())[9];
    static QString labelFor(int days);  // empty when no preset has that span

    // Fiscal year of a date: the year of the date, less one before the
    // fiscal-year start day of that year.
    static int fiscalYearOf(const QDate& date, int startMonth, int startDay);
    // The start of a fiscal year; a start day past the month's end falls back
    // to the month's last day, a month out of range to January.
    static QDate fiscalYearStart(int year, int startMonth, int startDay);

    // code 0: the fiscal year held in currentFiscalYear; otherwise a span of
    // `code` days ending today (moved back 365 days per year back).
    void SetRange(int code, int yearsBack, const QDate& today);
    void setFiscalYearRange();
    // The calendars' pair: refused (false, with the message text) when the
    // latest lies before the earliest, in which case the range is unchanged.
    bool acceptDates(const QDate& earliest, const QDate& latest, QString* refusal);

    void setFiscalStart(int month, int day)
    {
        startMonth_ = month;
        startDay_ = day;
    }
    int currentFiscalYear = 2000;

    const QDate& earliest() const { return earliest_; }
    const QDate& latest() const { return latest_; }
    const QString& statusText() const { return status_; }
    QString earliestText() const;
    QString latestText() const;

private:
    QDate earliest_;
    QDate latest_;
    QString status_;
    int startMonth_ = 1;
    int startDay_ = 1;
};

}  // namespace fnk::view
