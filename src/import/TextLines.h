#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

namespace fnk::imports {

// How the bytes of an import file are read as text.
enum class TextEncoding {
    Detect,       // look at the whole file first (below)
    Windows1252,
    Utf8,
};

// A file that is valid UTF-8 and holds at least one character beyond ASCII
// is UTF-8; any other file is Windows-1252.  A leading UTF-8 byte-order mark
// is not counted either way.  Throws store::FileError.
TextEncoding detectEncoding(const QString& path);
// The same test on bytes in memory (the whole file).
TextEncoding detectEncoding(const QByteArray& bytes);

// Reads a text file line by line.  A line ends at a carriage return, a line
// feed or the pair of them; a last line without an end still counts, and a
// file that ends in a line end has no empty line after it.  A leading UTF-8
// byte-order mark is dropped.  Opening and reading failures throw
// store::FileError.
class TextLines {
public:
    explicit TextLines(const QString& path, TextEncoding encoding = TextEncoding::Detect);
    // The next line, decoded; false at the end of the file.
    bool next(QString& line);
    TextEncoding encoding() const { return encoding_; }

private:
    bool fill();
    QString decode(const char* bytes, qsizetype length) const;
    QFile file_;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    bool atEnd_ = false;
    TextEncoding encoding_;
};

qint64 countLines(const QString& path, TextEncoding encoding = TextEncoding::Detect);
QStringList firstLines(const QString& path, int count,
                       TextEncoding encoding = TextEncoding::Detect);

namespace testing {
// The size of each read (64 KB unless set; 0 sets it back), so that tests
// can put the reads' boundaries anywhere in a small file.
void setReadSize(qint64 bytes);
}  // namespace testing

}  // namespace fnk::imports
