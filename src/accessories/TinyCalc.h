#pragma once

#include <QMainWindow>
#include <QString>

#include <optional>

class QLabel;
class QLineEdit;
class QLocale;

namespace fnk::accessories
{

enum class CalcOperation { Add, Subtract, Multiply, Divide };

// The language-neutral text of a single-precision value: a space before zero
// and positive values, "-" before negative ones, at most seven significant
// digits, no zero before the decimal point (" .3333333"), and the exponent
// form (" 1E+07", " 1.5E-10") from ten million up and below one ten-thousandth.
QString singleText(float value);

// Reads text as the given locale reads a decimal number and rounds it to
// single precision.  Nothing when the text is no number or the value lies
// beyond the single-precision range.
std::optional<float> readSingle(const QString& text, const QLocale& locale);

// top op bottom in single precision.  Nothing on a division by zero or a
// result beyond the single-precision range.
std::optional<float> calculate(float top, float bottom, CalcOperation op);

// The small calculator window "TinyCalc": a top and a bottom number, one of
// four operations and the result.  An operand that is no number, a division
// by zero or a result out of range shows an error text in the result box.
// A window of its own that does not block the one that opened it; it is
// deleted when closed.
class TinyCalc : public QMainWindow
{
    Q_OBJECT
public:
    explicit TinyCalc(QWidget* parent = nullptr);

public slots:
    void TCAdd_Click();
    void TCSub_Click();
    void TCMul_Click();
    void TCDiv_Click();
    void TCClear_Click();
    void TCRepeat_Click();

private:
    void buildControls();
    void operate(CalcOperation op, const QString& caption);
    QLocale topLocale() const;

    QLineEdit* topBox_ = nullptr;
    QLabel* opLabel_ = nullptr;
    QLineEdit* bottomBox_ = nullptr;
    QLineEdit* resultBox_ = nullptr;

    // The result box holds an error text, not a result.
    bool errorShown_ = false;
    // The result text "result on top" last put in the top box.  While the
    // top box still holds it, it is read in the form it was written in.
    QString carriedResult_;
};

} // namespace fnk::accessories
