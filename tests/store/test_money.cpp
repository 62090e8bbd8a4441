// Money: the amount clean-up, reading cleaned text into ten-thousandths, and
// the currency and plain texts.

#include "store/Money.h"
#include "support/TestSupport.h"

#include <QtTest>

#include <limits>

using namespace fnk::store;
using fnk::testsupport::Fixture;

namespace {
constexpr Money kMin = std::numeric_limits<Money>::min();
constexpr Money kMax = std::numeric_limits<Money>::max();
}  // namespace

class MoneyTest : public QObject {
    Q_OBJECT

private slots:
    void cleanUpKeepsDigitsAndSeparators();
    void parseRounding_data();
    void parseRounding();
    void parseRefuses_data();
    void parseRefuses();
    void parseUsesLocaleSeparators();
    void currencyText_data();
    void currencyText();
    void currencyTextAtTheLimits();
    void rightAlignedMoney();
    void plainTexts();
};

void MoneyTest::cleanUpKeepsDigitsAndSeparators()
{
    QString input = QStringLiteral("  $1,234.50-  ");
    QString output;
    FixNumberString(input, output);
    QCOMPARE(input, QStringLiteral("$1,234.50-"));  // the caller sees it trimmed
    QCOMPARE(output, QStringLiteral("1,234.50"));

    // Kept characters are appended to what the output already holds.
    QString more = QStringLiteral("- 1 2a.b3 ");
    FixNumberString(more, output);
    QCOMPARE(more, QStringLiteral("- 1 2a.b3"));
    QCOMPARE(output, QStringLiteral("1,234.5012.3"));

    QString empty = QStringLiteral("   ");
    QString none;
    FixNumberString(empty, none);
    QVERIFY(empty.isEmpty());
    QVERIFY(none.isEmpty());
}

void MoneyTest::parseRounding_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("value");
    QTest::newRow("grouped") << "1,234.50" << qint64(12345000);
    QTest::newRow("whole") << "250" << qint64(2500000);
    QTest::newRow("leading decimal") << ".5" << qint64(5000);
    QTest::newRow("trailing decimal") << "7." << qint64(70000);
    QTest::newRow("zero") << "0" << qint64(0);
    QTest::newRow("half to even down") << "0.00005" << qint64(0);
    QTest::newRow("half to even up") << "0.00015" << qint64(2);
    QTest::newRow("half to even stays") << "0.00025" << qint64(2);
    QTest::newRow("above half") << "0.000151" << qint64(2);
    QTest::newRow("below half") << "0.000149999" << qint64(1);
    QTest::newRow("half then zeros") << "0.000250000" << qint64(2);
    QTest::newRow("half then digit") << "0.000250001" << qint64(3);
    QTest::newRow("carry into whole") << "1.99995" << qint64(20000);
    QTest::newRow("largest") << "922,337,203,685,477.5807" << qint64(kMax);
    QTest::newRow("largest rounded down") << "922337203685477.58074" << qint64(kMax);
}

void MoneyTest::parseRounding()
{
    Fixture fx;
    QFETCH(QString, text);
    QFETCH(qint64, value);
    const AmountParse p = parseCleanAmount(text);
    QVERIFY2(p.ok, qPrintable(p.problem));
    QCOMPARE(p.value, Money(value));
}

void MoneyTest::parseRefuses_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("no digits") << ".,";
    QTest::newRow("two decimals") << "1.2.3";
    QTest::newRow("grouping after decimal") << "1.2,3";
    QTest::newRow("one past the largest") << "922337203685477.5808";
    QTest::newRow("rounds past the largest") << "922337203685477.58075";
    QTest::newRow("whole part too large") << "922337203685478";
    QTest::newRow("far too large") << "99999999999999999999999999999999";
}

void MoneyTest::parseRefuses()
{
    Fixture fx;
    QFETCH(QString, text);
    const AmountParse p = parseCleanAmount(text);
    QVERIFY(!p.ok);
    QVERIFY(!p.problem.isEmpty());
}

void MoneyTest::parseUsesLocaleSeparators()
{
    Fixture fx;
    const QLocale german(QLocale::German, QLocale::Germany);
    AmountParse p = parseCleanAmount(QStringLiteral("1.234,50"), german);
    QVERIFY(p.ok);
    QCOMPARE(p.value, Money(12345000));
    QVERIFY(!parseCleanAmount(QStringLiteral("1,2,3"), german).ok);
    QVERIFY(!parseCleanAmount(QStringLiteral("1,2.3"), german).ok);
}

void MoneyTest::currencyText_data()
{
    QTest::addColumn<qint64>("amount");
    QTest::addColumn<QString>("text");
    QTest::newRow("income") << qint64(125000) << "$12.50";
    QTest::newRow("expense") << qint64(-125000) << "($12.50)";
    QTest::newRow("zero") << qint64(0) << "$0.00";
    QTest::newRow("grouping") << qint64(12345678900) << "$1,234,567.89";
    QTest::newRow("cents round up") << qint64(125050) << "$12.51";
    QTest::newRow("cents round down") << qint64(125049) << "$12.50";
    QTest::newRow("tiny negative shows no sign") << qint64(-49) << "$0.00";
    QTest::newRow("hundred million") << qint64(1000000000000) << "$100,000,000.00";
}

void MoneyTest::currencyText()
{
    Fixture fx;
    QFETCH(qint64, amount);
    QFETCH(QString, text);
    QCOMPARE(formatCurrency(Money(amount)), text);
}

void MoneyTest::currencyTextAtTheLimits()
{
    Fixture fx;
    QCOMPARE(formatCurrency(kMax), QStringLiteral("$922,337,203,685,477.58"));
    QCOMPARE(formatCurrency(kMin), QStringLiteral("($922,337,203,685,477.58)"));
    QString right;
    MoneyRight(kMin, right);
    QCOMPARE(right, QStringLiteral("($922,337,203,685,477.58)"));  // longer: unpadded
    QCOMPARE(plainAmount(kMin), QStringLiteral("-922337203685477.5808"));
    QCOMPARE(plainAmount(kMax), QStringLiteral("922337203685477.5807"));

    // Other locales keep their own symbol place, separators and grouping,
    // also when one locale follows another.
    const QLocale de(QLocale::German, QLocale::Germany);
    const QLocale in(QLocale::Hindi, QLocale::India);
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    for (int round = 0; round < 2; ++round) {
        QCOMPARE(formatCurrency(-12345678, de), QStringLiteral("-1.234,57\u00A0\u20AC"));
        QCOMPARE(formatCurrency(Money(1234567) * kMoneyScale, in),
                 in.toCurrencyString(qlonglong(1234567)) + QStringLiteral(".00"));
        QCOMPARE(formatCurrency(Money(1234567) * kMoneyScale, us), QStringLiteral("$1,234,567.00"));
    }
}

void MoneyTest::rightAlignedMoney()
{
    Fixture fx;
    QCOMPARE(moneyRightWidth(), 15);
    QString out = QStringLiteral("left over");
    MoneyRight(125000, out);
    QCOMPARE(out, QString(9, QLatin1Char(' ')) + QStringLiteral("$12.50"));
    MoneyRight(-125000, out);
    QCOMPARE(out, QString(7, QLatin1Char(' ')) + QStringLiteral("($12.50)"));
    MoneyRight(Money(100000000) * kMoneyScale, out);
    QCOMPARE(out, QStringLiteral("$100,000,000.00"));
    MoneyRight(Money(1000000000) * kMoneyScale, out);
    QCOMPARE(out, QStringLiteral("$1,000,000,000.00"));
}

void MoneyTest::plainTexts()
{
    Fixture fx;
    QCOMPARE(plainAmount(125000), QStringLiteral("12.5"));
    QCOMPARE(plainAmount(-2500000), QStringLiteral("-250"));
    QCOMPARE(plainAmount(0), QStringLiteral("0"));
    QCOMPARE(plainAmount(1), QStringLiteral("0.0001"));
    QCOMPARE(plainAmount(-10500), QStringLiteral("-1.05"));
    QCOMPARE(editAmountText(125000), QStringLiteral("12.5"));
    QCOMPARE(editAmountText(125000, QLocale(QLocale::German, QLocale::Germany)),
             QStringLiteral("12,5"));

    // The entry panel's text reads back to the same amount.
    for (Money m : {Money(1), Money(125000), Money(12345678901), kMax}) {
        const AmountParse p = parseCleanAmount(editAmountText(m));
        QVERIFY(p.ok);
        QCOMPARE(p.value, m);
    }
}

QTEST_GUILESS_MAIN(MoneyTest)
#include "test_money.moc"
