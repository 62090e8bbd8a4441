#include "reports/WideReport.h"

#include "platform/Clock.h"
#include "reports/ReportFiles.h"
#include "store/Dates.h"
#include "store/LedgerRecord.h"
#include "store/Text1252.h"
#include "view/ColumnLayout.h"

#include <cstdlib>
#include <vector>

namespace fnk::reports {

namespace {

constexpr int kRuleWidth = 113;
constexpr int kFullBar = 59;
constexpr int kOwnerWidth = 40;
constexpr int kUserNameWidth = 10;

// The note and the two user fields in the order the layout code names them.
std::vector<view::Field> textFields(const QString& layoutCode)
{
    std::vector<view::Field> out;
    for (view::Field f : view::ColumnLayout::fields(layoutCode))
        if (f != view::Field::Category)
            out.push_back(f);
    return out;
}

}  // namespace

namespace detail {

QString wideHeadingBlock(const ReportContext& ctx)
{
    const std::vector<view::Field> fields = textFields(ctx.layoutCode);
    QString out;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i] == view::Field::Note) {
            out += QStringLiteral("Note") + QString(57, QLatin1Char(' '));
            continue;
        }
        const QString& name = fields[i] == view::Field::User1 ? ctx.user1Name : ctx.user2Name;
        out += fixedWidth(name, kUserNameWidth);
        if (i + 1 < fields.size())
            out += QStringLiteral("  ");
    }
    return out;
}

void appendWideFields(QByteArray& out, const std::vector<view::Field>& fields, const char* rec)
{
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const bool note = fields[i] == view::Field::Note;
        const std::size_t at = note ? store::LedgerRecord::kNote
            : fields[i] == view::Field::User1 ? store::LedgerRecord::kUserField1
                                              : store::LedgerRecord::kUserField2;
        appendField(out, rec + at,
                    note ? store::LedgerRecord::kNoteWidth : store::LedgerRecord::kUserWidth, false);
        if (i + 1 < fields.size())
            out += note ? " " : "  ";
    }
}

}  // namespace detail

void WriteWideReportHeader(const ReportContext& ctx)
{
    const QString title = QStringLiteral("Cashflow Record for ")
        + detail::fixedWidth(ctx.ownerName, kOwnerWidth) + QString(34, QLatin1Char(' '))
        + QStringLiteral("Printed: ") + store::formatShortDate(platform::clock().today());
    detail::appendToReport(ctx, detail::headerLines(ctx, title, kRuleWidth));
}

void WriteWideSummary(const ReportContext& ctx)
{
    QStringList out = detail::summaryLines(ctx, kFullBar);
    out << QString() << detail::rule(kRuleWidth) << QStringLiteral("   Open Items")
        << detail::rule(kRuleWidth);
    detail::ReportAppender report(ctx);
    report.lines(out);
    const std::vector<view::Field> fields = textFields(ctx.layoutCode);
    detail::openItemLines(report, ctx,
                          QStringLiteral("   Date           ") + detail::wideHeadingBlock(ctx),
                          [&fields](QByteArray& line, const char* rec) {
                              line += "   ";
                              detail::appendDate(line, store::rawEntryDate(rec));
                              line += "     ";
                              detail::appendWideFields(line, fields, rec);
                          });
    report.finish();
}

void WriteWideDetails(const ReportContext& ctx)
{
    const QString heading =
        QStringLiteral("Date               Amount  ") + detail::wideHeadingBlock(ctx);
    const std::vector<view::Field> fields = textFields(ctx.layoutCode);
    detail::ReportAppender report(ctx);
    detail::lineItemLines(report, ctx, kRuleWidth, heading, [&fields](QByteArray& line, const char* rec) {
        detail::appendDate(line, store::rawEntryDate(rec));
        line += "  ";
        detail::appendMoney(line, detail::absolute(store::rawAmount(rec)));
        line += "  ";
        detail::appendWideFields(line, fields, rec);
    });
    report.finish();
}

void WriteWideReportEnd(const ReportContext& ctx)
{
    detail::appendToReport(ctx, {detail::rule(kRuleWidth), QStringLiteral("   End of report")});
}

}  // namespace fnk::reports
