// The calculator: the language-neutral number text, the locale's reading of
// the boxes, single-precision arithmetic and the window's buttons, where a
// failed step shows what went wrong instead of a number.

#include "accessories/TinyCalc.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <limits>

using namespace fnk;
using accessories::CalcOperation;
using accessories::TinyCalc;

namespace
{

struct Calc : testsupport::Fixture {
    QPointer<TinyCalc> window = new TinyCalc;

    Calc() { window->show(); }
    ~Calc() { delete window; }

    template <typename T = QWidget> T* child(const char* name) const
    {
        T* w = window->findChild<T*>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QString text(const char* name) const { return child<QLineEdit>(name)->text(); }
    QString op() const { return child<QLabel>("TCOp")->text(); }
    void type(const char* name, const QString& text) const
    {
        child<QLineEdit>(name)->clear();
        QTest::keyClicks(child<QLineEdit>(name), text);
    }
    void click(const char* name) const
    {
        QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton);
    }
    // Types both numbers, presses the button and gives the result box.
    QString run(const QString& top, const char* button, const QString& bottom) const
    {
        type("TCTopNum", top);
        type("TCBotNum", bottom);
        click(button);
        return text("TCResult");
    }
};

} // namespace

class TinyCalcTest : public QObject
{
    Q_OBJECT

private slots:
    void numberText_data();
    void numberText();
    void readingFollowsLocaleAndSinglePrecision();
    void calculateRefusesDivisionByZeroAndOverflow();
    void windowControls();
    void operationsShowResultAndCaption();
    void failedStepsShowAnError();
    void resultOnTopAndClear();
    void carriedResultReadsBackInCommaLocale();
    void exitClosesWindow();
};

void TinyCalcTest::numberText_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    const auto row = [](const char* name, float v, const char* t) {
        QTest::newRow(name) << v << QString::fromLatin1(t);
    };
    row("zero", 0.0f, " 0");
    row("minus zero", -0.0f, " 0");
    row("five", 2.0f + 3.0f, " 5");
    row("minus one", 2.0f - 3.0f, "-1");
    row("one third", 1.0f / 3.0f, " .3333333");
    row("two thirds rounds", 2.0f / 3.0f, " .6666667");
    row("minus half", -0.5f, "-.5");
    row("tenths in single", 0.1f + 0.2f, " .3");
    row("decimals", 123.456f, " 123.456");
    row("seven digits", 9999999.0f, " 9999999");
    row("rounds up into exponent", 9999999.5f, " 1E+07");
    row("ten million", 1e7f, " 1E+07");
    row("eight digits", 12345678.0f, " 1.234568E+07");
    row("large", 1e20f, " 1E+20");
    row("large negative", -1e20f, "-1E+20");
    row("largest single", std::numeric_limits<float>::max(), " 3.402823E+38");
    row("ten-thousandth", 0.0001f, " .0001");
    row("small", 0.00001f, " 1E-05");
    row("tiny negative", -1.5e-10f, "-1.5E-10");
    row("smallest single", std::numeric_limits<float>::denorm_min(), " 1.401298E-45");
}

void TinyCalcTest::numberText()
{
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(accessories::singleText(value), text);
}

void TinyCalcTest::readingFollowsLocaleAndSinglePrecision()
{
    using accessories::readSingle;
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale de(QLocale::German, QLocale::Germany);

    QCOMPARE(readSingle(QStringLiteral(" 5"), us), 5.0f);
    QCOMPARE(readSingle(QStringLiteral(".5"), us), 0.5f);
    QCOMPARE(readSingle(QStringLiteral("-2.25"), us), -2.25f);
    QCOMPARE(readSingle(QStringLiteral("1,234.5"), us), 1234.5f);
    QCOMPARE(readSingle(QStringLiteral(" 1E+20"), us), 1e20f);
    QCOMPARE(readSingle(QStringLiteral("1,5"), de), 1.5f);
    // Rounded to single precision on reading: 2^24 + 1 is no single.
    QCOMPARE(readSingle(QStringLiteral("16777217"), us), 16777216.0f);
    QCOMPARE(readSingle(QStringLiteral("0.1"), us), 0.1f);

    for (const char* bad : {"", " ", "abc", "7x", "1e39", "-1e39"})
        QVERIFY2(!readSingle(QString::fromLatin1(bad), us), bad);
}

void TinyCalcTest::calculateRefusesDivisionByZeroAndOverflow()
{
    using accessories::calculate;
    QCOMPARE(calculate(16777216.0f, 1.0f, CalcOperation::Add), 16777216.0f);
    QCOMPARE(calculate(7.0f, 2.0f, CalcOperation::Multiply), 14.0f);
    QCOMPARE(calculate(-3.0f, 0.5f, CalcOperation::Divide), -6.0f);
    QCOMPARE(calculate(0.0f, 5.0f, CalcOperation::Divide), 0.0f);

    const float big = std::numeric_limits<float>::max();
    QVERIFY(!calculate(5.0f, 0.0f, CalcOperation::Divide));
    QVERIFY(!calculate(0.0f, 0.0f, CalcOperation::Divide));
    QVERIFY(!calculate(3e38f, 10.0f, CalcOperation::Multiply));
    QVERIFY(!calculate(big, big, CalcOperation::Add));
    QVERIFY(!calculate(-big, big, CalcOperation::Subtract));
    QVERIFY(!calculate(big, 1e-10f, CalcOperation::Divide));
}

void TinyCalcTest::windowControls()
{
    Calc c;
    QCOMPARE(c.window->objectName(), QStringLiteral("TinyCalc"));
    QCOMPARE(c.window->windowTitle(), QStringLiteral("TinyCalc"));
    QVERIFY(c.window->isWindow());
    QCOMPARE(c.window->windowModality(), Qt::NonModal);
    QCOMPARE(c.op(), QStringLiteral("?"));
    for (const char* box : {"TCTopNum", "TCBotNum", "TCResult"})
        QVERIFY(c.text(box).isEmpty());

    struct Button {
        const char *name, *caption, *tip;
    };
    for (const Button& b :
         {Button{"TCAdd", "+", "Add"}, Button{"TCSub", "-", "Subtract"},
          Button{"TCMul", "&x", "Multiply"}, Button{"TCDiv", "/", "Divide"},
          Button{"TCClear", "&C", "Clear"}, Button{"TCRepeat", "&result on top", ""}}) {
        const auto* w = c.child<QPushButton>(b.name);
        QCOMPARE(w->text(), QString::fromLatin1(b.caption));
        QCOMPARE(w->toolTip(), QString::fromLatin1(b.tip));
    }
    QCOMPARE(c.child<QMenu>("tcmnuFile")->title(), QStringLiteral("&File"));
    QCOMPARE(c.child<QAction>("tcmnuExit")->text(), QStringLiteral("E&xit"));
}

void TinyCalcTest::operationsShowResultAndCaption()
{
    Calc c;
    QCOMPARE(c.run("2", "TCAdd", "3"), QStringLiteral(" 5"));
    QCOMPARE(c.op(), QStringLiteral("+"));
    QCOMPARE(c.run("2", "TCSub", "3"), QStringLiteral("-1"));
    QCOMPARE(c.op(), QStringLiteral("-"));
    QCOMPARE(c.run("1", "TCDiv", "3"), QStringLiteral(" .3333333"));
    QCOMPARE(c.op(), QStringLiteral("/"));
    QCOMPARE(c.run("2.5", "TCMul", "-4"), QStringLiteral("-10"));
    QCOMPARE(c.op(), QStringLiteral("x"));
    QCOMPARE(c.run("0.1", "TCAdd", "0.2"), QStringLiteral(" .3"));
    QCOMPARE(c.run("1e10", "TCMul", "1e10"), QStringLiteral(" 1E+20"));
    QCOMPARE(c.run("1", "TCDiv", "1e20"), QStringLiteral(" 1E-20"));
    // Both numbers are singles: the 1 of 2^24 + 1 is lost on reading.
    QCOMPARE(c.run("16777217", "TCSub", "16777216"), QStringLiteral(" 0"));
    // The boxes keep what was typed.
    QCOMPARE(c.text("TCTopNum"), QStringLiteral("16777217"));
}

void TinyCalcTest::failedStepsShowAnError()
{
    Calc c;
    QCOMPARE(c.run("2", "TCAdd", "3"), QStringLiteral(" 5"));
    // Division by zero: no number at all, not the earlier result.
    QCOMPARE(c.run("5", "TCDiv", "0"), QStringLiteral("Error: division by zero"));
    QCOMPARE(c.op(), QStringLiteral("/"));

    // An operand that is no number is never read as an earlier one.
    QCOMPARE(c.run("7", "TCSub", "1"), QStringLiteral(" 6"));
    QCOMPARE(c.run("abc", "TCAdd", "1"), QStringLiteral("Error: the top number is not a number"));
    QCOMPARE(c.run("7", "TCAdd", "1x"), QStringLiteral("Error: the bottom number is not a number"));
    QCOMPARE(c.run("7", "TCMul", ""), QStringLiteral("Error: the bottom number is not a number"));
    QCOMPARE(c.run("1e39", "TCMul", "1"), QStringLiteral("Error: the top number is out of range"));
    QCOMPARE(c.run("1", "TCMul", "-1e39"), QStringLiteral("Error: the bottom number is out of range"));
    QCOMPARE(c.run("3e38", "TCMul", "10"), QStringLiteral("Error: the result is out of range"));
    QCOMPARE(c.op(), QStringLiteral("x"));
    QCOMPARE(c.port.messagesShown().size(), 0);

    // "result on top" carries no error text; a good step shows a number again.
    c.type("TCTopNum", QStringLiteral("4"));
    c.click("TCRepeat");
    QCOMPARE(c.text("TCTopNum"), QStringLiteral("4"));
    QCOMPARE(c.text("TCResult"), QStringLiteral("Error: the result is out of range"));
    QCOMPARE(c.run("3e38", "TCDiv", "10"), QStringLiteral(" 3E+37"));
}

void TinyCalcTest::resultOnTopAndClear()
{
    Calc c;
    c.run("2", "TCAdd", "3");
    c.click("TCRepeat");
    QCOMPARE(c.text("TCTopNum"), QStringLiteral(" 5"));
    QVERIFY(c.text("TCBotNum").isEmpty());
    QVERIFY(c.text("TCResult").isEmpty());
    QCOMPARE(c.op(), QStringLiteral("+"));

    // The next operation goes on from the result text.
    c.type("TCBotNum", QStringLiteral("4"));
    c.click("TCMul");
    QCOMPARE(c.text("TCResult"), QStringLiteral(" 20"));
    // One third goes on as the seven-digit text, not the exact single.
    c.run("1", "TCDiv", "3");
    c.click("TCRepeat");
    c.type("TCBotNum", QStringLiteral("3"));
    c.click("TCMul");
    QCOMPARE(c.text("TCResult"), QStringLiteral(" .9999999"));

    c.click("TCClear");
    for (const char* box : {"TCTopNum", "TCBotNum", "TCResult"})
        QVERIFY(c.text(box).isEmpty());
    QCOMPARE(c.op(), QStringLiteral("x"));
    // Empty boxes hold no numbers: nothing earlier is used.
    c.click("TCAdd");
    QCOMPARE(c.text("TCResult"), QStringLiteral("Error: the top number is not a number"));
}

void TinyCalcTest::carriedResultReadsBackInCommaLocale()
{
    Calc c;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(c.run("1,5", "TCMul", "0,8"), QStringLiteral(" 1.2"));
    c.click("TCRepeat");
    c.type("TCBotNum", QStringLiteral("1"));
    c.click("TCAdd");
    QCOMPARE(c.text("TCResult"), QStringLiteral(" 2.2"));
    // Typed over, the top box is read as the locale reads it again.
    QCOMPARE(c.run("2,5", "TCAdd", "1"), QStringLiteral(" 3.5"));
}

void TinyCalcTest::exitClosesWindow()
{
    Calc c;
    QVERIFY(c.window->isVisible());
    c.child<QAction>("tcmnuExit")->trigger();
    QTRY_VERIFY(c.window.isNull()); // closed windows are deleted
}

QTEST_MAIN(TinyCalcTest)
#include "test_tiny_calc.moc"
