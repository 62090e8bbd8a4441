#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

namespace fnk::imports {

// Reads a Windows-1252 text file line by line.  A line ends at a carriage
// return, a line feed or the pair of them; a last line without an end still
// counts, and a file that ends in a line end has no empty line after it.
// Opening and reading failures throw store::FileError.
class TextLines {
public:
    explicit TextLines(const QString& path);
    // The next line, decoded; false at the end of the file.
    bool next(QString& line);

private:
    bool fill();
    QFile file_;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    bool atEnd_ = false;
};

qint64 countLines(const QString& path);
QStringList firstLines(const QString& path, int count);

}  // namespace fnk::imports
