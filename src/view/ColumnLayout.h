#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace fnk::view {

// The order of note (n), user field 1 (1), user field 2 (2) and the category
// after the fixed Date and Amount columns.
enum class Field { Note, User1, User2, Category };

struct ColumnLayout {
    // The seven layout codes, in the order "Change Display Order" cycles them.
    static const QStringList& codes();
    static bool isValid(const QString& code);
    // The next code in the cycle; an unknown code is returned unchanged.
    static QString next(const QString& code);
    // The four layout columns for a code ("-n12-" when the code is unknown).
    static std::array<Field, 4> fields(const QString& code);
};

// The list's header string: titles with "<" or ">" alignment marks, cells
// separated by "|", the title widths setting the column widths.
QString headerString(const QString& layoutCode, const QString& user1Name, const QString& user2Name);

struct HeaderCell {
    QString title;  // trimmed
    int width = 0;  // characters, padding included
    bool rightAligned = false;
};
QList<HeaderCell> parseHeaderString(const QString& header);

}  // namespace fnk::view
