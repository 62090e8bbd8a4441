#pragma once

#include <QDate>
#include <QDateTime>

#include <optional>

namespace fnk::platform {

// The one source of "today" for the whole program.  Tests fix the date;
// otherwise it is the system's local date.
class Clock {
public:
    QDate today() const;
    QDateTime now() const;
    void setToday(const QDate& date) { fixed_ = date; }
    void useSystemDate() { fixed_.reset(); }
    bool isFixed() const { return fixed_.has_value(); }

private:
    std::optional<QDate> fixed_;
};

Clock& clock();

}  // namespace fnk::platform
