#include "view/ColumnLayout.h"

#include "store/Text1252.h"

namespace fnk::view {

const QStringList& ColumnLayout::codes()
{
    static const QStringList c = {QStringLiteral("-n12-"), QStringLiteral("-1n2-"),
                                  QStringLiteral("-12n-"), QStringLiteral("-n21-"),
                                  QStringLiteral("-2n1-"), QStringLiteral("-21n-"),
                                  QStringLiteral("--n12")};
    return c;
}

bool ColumnLayout::isValid(const QString& code) { return codes().contains(code); }

QString ColumnLayout::next(const QString& code)
{
    const int i = int(codes().indexOf(code));
    if (i < 0)
        return code;
    return codes().at((i + 1) % codes().size());
}

std::array<Field, 4> ColumnLayout::fields(const QString& code)
{
    using F = Field;
    if (code == QLatin1String("-1n2-"))
        return {F::User1, F::Note, F::User2, F::Category};
    if (code == QLatin1String("-12n-"))
        return {F::User1, F::User2, F::Note, F::Category};
    if (code == QLatin1String("-n21-"))
        return {F::Note, F::User2, F::User1, F::Category};
    if (code == QLatin1String("-2n1-"))
        return {F::User2, F::Note, F::User1, F::Category};
    if (code == QLatin1String("-21n-"))
        return {F::User2, F::User1, F::Note, F::Category};
    if (code == QLatin1String("--n12"))
        return {F::Category, F::Note, F::User1, F::User2};
    return {F::Note, F::User1, F::User2, F::Category};
}

QString headerString(const QString& layoutCode, const QString& user1Name, const QString& user2Name)
{
    // The names as stored: ten characters with their padding.
    const QString u1 = store::decode1252(store::fixedField(user1Name, 10));
    const QString u2 = store::decode1252(store::fixedField(user2Name, 10));
    const QString sp4(4, QLatin1Char(' '));
    const QString sp204(204, QLatin1Char(' '));
    const bool categoryThird = layoutCode == QLatin1String("--n12");

    QString h = QStringLiteral("<Date") + QString(12, QLatin1Char(' ')) + QStringLiteral("|>Amount")
        + QString(7, QLatin1Char(' '));
    const auto cols = ColumnLayout::fields(layoutCode);
    for (int i = 0; i < 4; ++i) {
        const bool last = i == 3;
        QString cell;
        switch (cols[size_t(i)]) {
        case Field::Note: cell = QStringLiteral("Note") + QString(58, QLatin1Char(' ')); break;
        case Field::User1: cell = u1 + (last && categoryThird ? sp204 : sp4); break;
        case Field::User2: cell = u2 + (last && categoryThird ? sp204 : sp4); break;
        case Field::Category: cell = QStringLiteral("Category") + (categoryThird ? sp4 : sp204); break;
        }
        h += QStringLiteral("|<") + cell;
    }
    h += QStringLiteral("|||");
    return h;
}

QList<HeaderCell> parseHeaderString(const QString& header)
{
    QList<HeaderCell> out;
    for (const QString& piece : header.split(QLatin1Char('|'))) {
        HeaderCell c;
        QString t = piece;
        if (t.startsWith(QLatin1Char('<')) || t.startsWith(QLatin1Char('>'))) {
            c.rightAligned = t.startsWith(QLatin1Char('>'));
            t.remove(0, 1);
        }
        c.width = int(t.size());
        c.title = t.trimmed();
        out << c;
    }
    return out;
}

}  // namespace fnk::view
