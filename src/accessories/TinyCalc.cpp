#include "accessories/TinyCalc.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <charconv>
#include <cmath>
#include <limits>

namespace fnk::accessories
{

namespace
{

constexpr int kSignificantDigits = 7;

QPushButton* button(QWidget* parent, const char* name, const QString& caption,
                    const QString& tip = QString())
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    if (!tip.isEmpty())
        b->setToolTip(tip);
    return b;
}

QLineEdit* box(QWidget* parent, const char* name, bool readOnly = false)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setAlignment(Qt::AlignRight);
    e->setReadOnly(readOnly);
    return e;
}

} // namespace

QString singleText(float value)
{
    if (value == 0.0f) // minus zero shows as zero too
        return QStringLiteral(" 0");
    // The shortest of the fixed and exponent forms with seven significant
    // digits, as printf's "%.7G" writes it, but independent of the C locale.
    char digits[64];
    const auto done = std::to_chars(digits, digits + sizeof digits, std::fabs(double(value)),
                                    std::chars_format::general, kSignificantDigits);
    QString text = QString::fromLatin1(digits, int(done.ptr - digits)).toUpper();
    if (text.startsWith(QLatin1String("0.")))
        text.remove(0, 1);
    text.prepend(std::signbit(value) ? QLatin1Char('-') : QLatin1Char(' '));
    return text;
}

namespace
{

enum class Reading { Number, NotANumber, OutOfRange };

Reading readOperand(const QString& text, const QLocale& locale, float& value)
{
    bool ok = false;
    const double v = locale.toDouble(text, &ok);
    if (!ok || !std::isfinite(v))
        return Reading::NotANumber;
    if (std::fabs(v) > double(std::numeric_limits<float>::max()))
        return Reading::OutOfRange;
    value = float(v);
    return Reading::Number;
}

// What the result box shows for an operand that cannot be used; empty for
// a number.
QString operandError(Reading reading, const QString& which)
{
    switch (reading) {
    case Reading::Number:
        return QString();
    case Reading::NotANumber:
        return QStringLiteral("Error: the %1 number is not a number").arg(which);
    case Reading::OutOfRange:
        return QStringLiteral("Error: the %1 number is out of range").arg(which);
    }
    return QString();
}

} // namespace

std::optional<float> readSingle(const QString& text, const QLocale& locale)
{
    float value = 0.0f;
    if (readOperand(text, locale, value) != Reading::Number)
        return std::nullopt;
    return value;
}

std::optional<float> calculate(float top, float bottom, CalcOperation op)
{
    float result = 0.0f;
    switch (op) {
    case CalcOperation::Add:
        result = top + bottom;
        break;
    case CalcOperation::Subtract:
        result = top - bottom;
        break;
    case CalcOperation::Multiply:
        result = top * bottom;
        break;
    case CalcOperation::Divide:
        if (bottom == 0.0f)
            return std::nullopt;
        result = top / bottom;
        break;
    }
    if (!std::isfinite(result))
        return std::nullopt;
    return result;
}

TinyCalc::TinyCalc(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TinyCalc"));
    setWindowTitle(QStringLiteral("TinyCalc"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::NonModal);
    buildControls();
}

void TinyCalc::buildControls()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("tcmnuFile"));
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("tcmnuExit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);

    topBox_ = box(central, "TCTopNum");
    opLabel_ = new QLabel(QStringLiteral("?"), central);
    opLabel_->setObjectName(QStringLiteral("TCOp"));
    bottomBox_ = box(central, "TCBotNum");
    auto* rule = new QFrame(central);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    auto* equals = new QLabel(QStringLiteral("="), central);
    resultBox_ = box(central, "TCResult", true);
    topBox_->setAccessibleName(QStringLiteral("First number"));
    bottomBox_->setAccessibleName(QStringLiteral("Second number"));
    resultBox_->setAccessibleName(QStringLiteral("Result"));

    column->addWidget(topBox_);
    column->addWidget(opLabel_);
    column->addWidget(bottomBox_);
    column->addWidget(rule);
    column->addWidget(equals);
    column->addWidget(resultBox_);

    auto* add = button(central, "TCAdd", QStringLiteral("+"), QStringLiteral("Add"));
    auto* sub = button(central, "TCSub", QStringLiteral("-"), QStringLiteral("Subtract"));
    auto* mul = button(central, "TCMul", QStringLiteral("&x"), QStringLiteral("Multiply"));
    auto* div = button(central, "TCDiv", QStringLiteral("/"), QStringLiteral("Divide"));
    auto* clear = button(central, "TCClear", QStringLiteral("&C"), QStringLiteral("Clear"));
    auto* repeat = button(central, "TCRepeat", QStringLiteral("&result on top"));
    auto* keys = new QHBoxLayout;
    for (QPushButton* b : {add, sub, mul, div, clear}) {
        b->setFixedWidth(32);
        keys->addWidget(b);
    }
    column->addLayout(keys);
    column->addWidget(repeat);
    setCentralWidget(central);

    connect(add, &QPushButton::clicked, this, &TinyCalc::TCAdd_Click);
    connect(sub, &QPushButton::clicked, this, &TinyCalc::TCSub_Click);
    connect(mul, &QPushButton::clicked, this, &TinyCalc::TCMul_Click);
    connect(div, &QPushButton::clicked, this, &TinyCalc::TCDiv_Click);
    connect(clear, &QPushButton::clicked, this, &TinyCalc::TCClear_Click);
    connect(repeat, &QPushButton::clicked, this, &TinyCalc::TCRepeat_Click);
}

void TinyCalc::TCAdd_Click()
{
    operate(CalcOperation::Add, QStringLiteral("+"));
}
void TinyCalc::TCSub_Click()
{
    operate(CalcOperation::Subtract, QStringLiteral("-"));
}
void TinyCalc::TCMul_Click()
{
    operate(CalcOperation::Multiply, QStringLiteral("x"));
}
void TinyCalc::TCDiv_Click()
{
    operate(CalcOperation::Divide, QStringLiteral("/"));
}

QLocale TinyCalc::topLocale() const
{
    // A carried result is written language-neutrally; reading it as the
    // locale does would misread it wherever the decimal point is a comma.
    if (!carriedResult_.isEmpty() && topBox_->text() == carriedResult_)
        return QLocale::c();
    return QLocale();
}

// The result box shows the result, or why there is none: never a number
// that was not computed from the two boxes as they are.
void TinyCalc::operate(CalcOperation op, const QString& caption)
{
    opLabel_->setText(caption);
    float top = 0.0f;
    float bottom = 0.0f;
    QString error =
        operandError(readOperand(topBox_->text(), topLocale(), top), QStringLiteral("top"));
    if (error.isEmpty())
        error = operandError(readOperand(bottomBox_->text(), QLocale(), bottom),
                             QStringLiteral("bottom"));
    if (error.isEmpty()) {
        if (const auto result = calculate(top, bottom, op)) {
            errorShown_ = false;
            resultBox_->setText(singleText(*result));
            return;
        }
        error = op == CalcOperation::Divide && bottom == 0.0f
            ? QStringLiteral("Error: division by zero")
            : QStringLiteral("Error: the result is out of range");
    }
    errorShown_ = true;
    resultBox_->setText(error);
}

void TinyCalc::TCClear_Click()
{
    errorShown_ = false;
    topBox_->clear();
    bottomBox_->clear();
    resultBox_->clear();
    carriedResult_.clear();
}

void TinyCalc::TCRepeat_Click()
{
    if (errorShown_)
        return; // no result to go on from
    carriedResult_ = resultBox_->text();
    topBox_->setText(carriedResult_);
    bottomBox_->clear();
    resultBox_->clear();
}

} // namespace fnk::accessories
