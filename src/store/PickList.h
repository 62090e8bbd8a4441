#pragma once

#include <QString>
#include <QStringList>

namespace fnk::store {

// The pick list of one user field: "udf1.dat" or "udf2.dat" in the data
// folder, one Windows-1252 value per line, each line ended by CR LF, in the
// order the values were added.  Each call opens the file, does its work and
// closes it again; a missing file is created empty first.  Values compare
// with leading and trailing spaces removed, case-sensitively.  Failures throw
// FileError, and a failed write leaves the list as it was.
class PickList {
public:
    static constexpr int kValueWidth = 10;

    PickList(QString listPath, QString workPath)
        : path_(std::move(listPath)), workPath_(std::move(workPath))
    {
    }
    // The list of user field 1 or 2 in `dataFolder`, with its work file
    // "udf1.tmp" or "udf2.tmp" beside it.
    static PickList forField(const QString& dataFolder, int field);

    const QString& path() const { return path_; }
    const QString& workPath() const { return workPath_; }

    // Every line in file order, as stored.  A line ends at CR LF (a lone LF
    // or CR is taken as a line end too); a last line without one still
    // counts.
    QStringList load() const;

    // Whether some line equals `value`.
    bool contains(const QString& value) const;

    // Remembers a value typed into the field: appends its first 10
    // characters as typed (leading spaces kept) as a new last line, unless
    // those characters are empty or all spaces or the list already holds
    // them.  Returns whether a line was added.
    bool add(const QString& typed);

    // Drops every line equal to `value`, duplicates included, by writing the
    // lines kept to the work file, started empty, which then takes the list's
    // place in one step.  Returns how many lines were dropped.
    int remove(const QString& value);

private:
    QString path_;
    QString workPath_;
};

}  // namespace fnk::store
