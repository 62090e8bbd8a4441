// Texts at the file boundary: the Windows-1252 code page, fixed-width fields,
// upper-casing of stored bytes, and day numbers with their date texts.

#include "store/Dates.h"
#include "store/Text1252.h"
#include "support/TestSupport.h"

#include <QtTest>

#include <cmath>

using namespace fnk::store;
using fnk::testsupport::Fixture;

class TextTest : public QObject {
    Q_OBJECT

private slots:
    void everyByteRoundTrips();
    void typographicCharacters();
    void charactersOutsideTheCodePage_data();
    void charactersOutsideTheCodePage();
    void fixedWidthFields();
    void trimsOnlySpaces();
    void upperCaseOfBytes();
    void upperCaseOfTextsMatchesTheStoredBytes();
    void whatFitsTheCodePage();
    void dayNumbers();
    void dateTexts();
};

void TextTest::everyByteRoundTrips()
{
    QByteArray all(256, '\0');
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    const QString text = decode1252(all);
    QCOMPARE(text.size(), qsizetype(256));
    QCOMPARE(encode1252(text), all);
}

void TextTest::typographicCharacters()
{
    const QString typed = QStringLiteral("€ ‘a’ “b” – — … ™ Š œ Ÿ é");
    const QByteArray bytes = encode1252(typed);
    QCOMPARE(bytes, QByteArray("\x80 \x91" "a\x92 \x93" "b\x94 \x96 \x97 \x85 \x99 \x8A \x9C \x9F \xE9"));
    QCOMPARE(decode1252(bytes), typed);
}

void TextTest::charactersOutsideTheCodePage_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("narrow no-break space") << QStringLiteral("1\u202F000") << QByteArray("1 000");
    QTest::newRow("em space") << QStringLiteral("a\u2003b") << QByteArray("a b");
    QTest::newRow("minus sign") << QStringLiteral("\u22125") << QByteArray("-5");
    QTest::newRow("non-breaking hyphen") << QStringLiteral("x\u2011y") << QByteArray("x-y");
    QTest::newRow("accent dropped") << QStringLiteral("Łódź ő") << QByteArray("?\xF3" "dz o");
    QTest::newRow("greek") << QStringLiteral("Ω") << QByteArray("?");
    QTest::newRow("han") << QStringLiteral("中文") << QByteArray("??");
    QTest::newRow("emoji is one character") << QStringLiteral("a😀b") << QByteArray("a?b");
}

void TextTest::charactersOutsideTheCodePage()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(encode1252(text), bytes);
}

void TextTest::fixedWidthFields()
{
    QCOMPARE(fixedField(QStringLiteral("abc"), 10), QByteArray("abc       "));
    QCOMPARE(fixedField(QStringLiteral("0123456789ABC"), 10), QByteArray("0123456789"));
    QCOMPARE(fixedField(QString(), 4), QByteArray("    "));
    QCOMPARE(fixedField(QStringLiteral(" x "), 4), QByteArray(" x  "));
    QCOMPARE(fixedField(QStringLiteral("€uro"), 2), QByteArray("\x80u"));

    char dest[6];
    std::memset(dest, '#', sizeof dest);
    writeField(dest, 5, QStringLiteral("ab"));
    QCOMPARE(QByteArray(dest, 6), QByteArray("ab   #"));
}

void TextTest::trimsOnlySpaces()
{
    QCOMPARE(trimSpaces(QStringLiteral("  FO  ")), QStringLiteral("FO"));
    QCOMPARE(trimSpaces(QStringLiteral("   ")), QString());
    QCOMPARE(trimSpaces(QStringLiteral(" a b ")), QStringLiteral("a b"));
    QCOMPARE(trimSpaces(QStringLiteral("\tFO\u00A0")), QStringLiteral("\tFO\u00A0"));
}

void TextTest::upperCaseOfBytes()
{
    QCOMPARE(upper1252('a'), static_cast<unsigned char>('A'));
    QCOMPARE(upper1252('z'), static_cast<unsigned char>('Z'));
    QCOMPARE(upper1252('A'), static_cast<unsigned char>('A'));
    QCOMPARE(upper1252('1'), static_cast<unsigned char>('1'));
    QCOMPARE(upper1252(' '), static_cast<unsigned char>(' '));
    QCOMPARE(upper1252(0xE9), static_cast<unsigned char>(0xC9));  // é
    QCOMPARE(upper1252(0x9A), static_cast<unsigned char>(0x8A));  // š
    QCOMPARE(upper1252(0x9C), static_cast<unsigned char>(0x8C));  // œ
    QCOMPARE(upper1252(0xFF), static_cast<unsigned char>(0x9F));  // ÿ
    QCOMPARE(upper1252(0xDF), static_cast<unsigned char>(0xDF));  // ß has no one-letter capital
    QCOMPARE(upper1252(0xB5), static_cast<unsigned char>(0xB5));  // µ's capital is not in the page
    QCOMPARE(upper1252(0xF7), static_cast<unsigned char>(0xF7));  // ÷

    QByteArray code("wa\xE9z     ");
    upper1252InPlace(code.data(), std::size_t(code.size()));
    QCOMPARE(code, QByteArray("WA\xC9Z     "));
}

void TextTest::upperCaseOfTextsMatchesTheStoredBytes()
{
    // The text sought is upper-cased as the stored bytes are, letter for letter.
    QCOMPARE(upper1252(QStringLiteral("straße")), QStringLiteral("STRAßE"));
    QCOMPARE(upper1252(QStringLiteral("µg élan œuvre ÿ")), QStringLiteral("µG ÉLAN ŒUVRE Ÿ"));
    QCOMPARE(upper1252(QStringLiteral("|udf1|bank")), QStringLiteral("|UDF1|BANK"));
    for (const QString& t : {QStringLiteral("Straße"), QStringLiteral("µ-Meter"),
                             QStringLiteral("naïve Æsir")}) {
        QByteArray stored = encode1252(t);
        upper1252InPlace(stored.data(), std::size_t(stored.size()));
        QCOMPARE(encode1252(upper1252(t)), stored);
    }
}

void TextTest::whatFitsTheCodePage()
{
    QVERIFY(fits1252(QString()));
    QVERIFY(fits1252(QStringLiteral("Grüße € 12 œ Ÿ ‰")));
    QVERIFY(!fits1252(QStringLiteral("пароль")));
    QVERIFY(!fits1252(QStringLiteral("ab\u0301")));   // a combining mark is stored as "?"
    QVERIFY(!fits1252(QStringLiteral("\u2009")));     // a thin space is stored as a space
    QVERIFY(!fits1252(QString::fromUcs4(U"key\U0001F511")));
}

void TextTest::dayNumbers()
{
    QCOMPARE(dayFromDate(QDate(2002, 1, 1)), 37257.0);
    QCOMPARE(dayFromDate(QDate(1899, 12, 30)), 0.0);
    QCOMPARE(dayFromDate(QDate(1899, 12, 29)), -1.0);
    QCOMPARE(dateFromDay(37257.0), QDate(2002, 1, 1));
    QCOMPARE(dateFromDay(37257.99), QDate(2002, 1, 1));  // a time of day is not a day
    QCOMPARE(dateFromDay(60.0), QDate(1900, 2, 28));
    QCOMPARE(dateFromDay(61.0), QDate(1900, 3, 1));
    QCOMPARE(dateFromDay(dayFromDate(QDate(9999, 12, 31))), QDate(9999, 12, 31));
    QCOMPARE(dateFromDay(dayFromDate(QDate(100, 1, 1))), QDate(100, 1, 1));

    for (double bad : {qQNaN(), qInf(), -qInf(), 1e300, -1e300, 2958466.0, -657435.0}) {
        QVERIFY(!isValidDay(bad));
        QVERIFY(!dateFromDay(bad).isValid());
    }
}

void TextTest::dateTexts()
{
    Fixture fx;
    QCOMPARE(formatDay(37257.0), QStringLiteral("1/1/2002"));
    QCOMPARE(formatDay(dayFromDate(QDate(2026, 12, 7))), QStringLiteral("12/7/2026"));
    QCOMPARE(formatDay(qQNaN()), QString());
    QCOMPARE(formatDay(1e300), QString());
    QCOMPARE(formatDay(-qInf()), QString());
    QCOMPARE(formatShortDate(QDate()), QString());

    QCOMPARE(parseShortDate(QStringLiteral(" 1/1/2002 ")), QDate(2002, 1, 1));
    QVERIFY(!parseShortDate(QStringLiteral("13/45/2002")).isValid());
    QVERIFY(!parseShortDate(QStringLiteral("soon")).isValid());
    // Years the record format cannot hold are no dates (found by fuzzing).
    QVERIFY(!parseShortDate(QStringLiteral("12/30/0011")).isValid());
    QVERIFY(!parseShortDate(QStringLiteral("1/1/0099")).isValid());
    QCOMPARE(parseShortDate(QStringLiteral("1/1/0100")), QDate(100, 1, 1));

    // The four-digit year makes every short date read back, in other
    // locales too.
    const QLocale german(QLocale::German, QLocale::Germany);
    for (const QDate& d : {QDate(1930, 5, 17), QDate(2002, 1, 1), QDate(2099, 12, 31)}) {
        QCOMPARE(parseShortDate(formatShortDate(d)), d);
        QCOMPARE(parseShortDate(formatShortDate(d, german), german), d);
    }
    QVERIFY(shortDatePattern(german).contains(QLatin1String("yyyy")));
}

QTEST_GUILESS_MAIN(TextTest)
#include "test_text.moc"
