#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>

namespace fnk::store {

// Windows-1252 is the 8-bit code page of every data file.  Conversion happens
// only at the file boundary.  A character outside the code page is written as
// its nearest equivalent (accents dropped, typographic spaces and dashes made
// plain) or as "?".
QString decode1252(const char* bytes, std::size_t length);
QString decode1252(const QByteArray& bytes);
QByteArray encode1252(const QString& text);
// The same, appended to `out`.
void appendEncoded1252(QByteArray& out, const QString& text);
char encode1252Char(QChar c);
// Whether every character of `text` has its own place in the code page, so
// that it is stored as typed rather than as a stand-in.
bool fits1252(const QString& text);

// A fixed-width text field: cut at the width, padded on the right with spaces.
void writeField(char* dest, std::size_t width, const QString& text);
QByteArray fixedField(const QString& text, std::size_t width);

// Removes leading and trailing spaces (only the space character, as the
// program trims codes and pick-list values before it compares them).
QString trimSpaces(const QString& text);

// Upper case of one code-page byte, as the program's searches compare texts.
unsigned char upper1252(unsigned char byte);
// Upper-cases a byte range in place.
void upper1252InPlace(char* bytes, std::size_t length);
// A text upper-cased as the searches compare it: through the code page, one
// byte at a time, so that the text sought and the stored texts are treated
// alike ("ß" and "µ" stay as they are).
QString upper1252(const QString& text);

}  // namespace fnk::store
