#include "import/StatementMemory.h"

#include "store/FileIo.h"

#include <QDir>
#include <QFile>

namespace fnk::imports {

namespace {

// The file's lines, without their ends; none when it is missing.
QList<QByteArray> readLines(const QString& path)
{
    QFile f(path);
    if (!f.exists())
        return {};
    store::openFile(f, QIODevice::ReadOnly);
    const QByteArray all = store::readAt(f, 0, f.size());
    QList<QByteArray> lines = all.split('\n');
    for (QByteArray& l : lines)
        if (l.endsWith('\r'))
            l.chop(1);
    return lines;
}

// A text kept on one line: tabs and line ends become spaces.
QString oneLine(const QString& text)
{
    QString t = text;
    for (QChar& c : t)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    return t;
}

void writeWhole(const QString& path, const QByteArray& data)
{
    store::replaceWholeFile(path + QStringLiteral(".wrk"), path, data);
}

}  // namespace

// ------------------------------------------------------------------ seen ids

QString SeenIds::pathIn(const QString& dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("fnk_seen.txt"));
}

SeenIds SeenIds::read(const QString& path)
{
    SeenIds s;
    const QList<QByteArray> lines = readLines(path);
    s.entries_.reserve(lines.size());
    s.ids_.reserve(lines.size());
    for (const QByteArray& l : lines) {
        const qsizetype tab = l.indexOf('\t');
        if (tab <= 0 || tab + 1 >= l.size())
            continue;
        Entry e{QString::fromUtf8(l.left(tab)), QString::fromUtf8(l.mid(tab + 1))};
        if (s.ids_.contains(e.id))
            continue;
        s.ids_.insert(e.id);
        s.entries_.push_back(std::move(e));
    }
    return s;
}

void SeenIds::add(const QStringList& ids, const QString& runTag)
{
    const QString tag = oneLine(runTag);
    for (const QString& raw : ids) {
        const QString id = oneLine(raw);
        if (id.isEmpty() || ids_.contains(id))
            continue;
        ids_.insert(id);
        entries_.push_back({tag, id});
    }
}

qsizetype SeenIds::forgetRun(const QString& runTag)
{
    const QString tag = oneLine(runTag);
    const qsizetype before = entries_.size();
    entries_.removeIf([&](const Entry& e) {
        if (e.tag != tag)
            return false;
        ids_.remove(e.id);
        return true;
    });
    return before - entries_.size();
}

void SeenIds::write(const QString& path) const
{
    QByteArray out;
    for (const Entry& e : entries_)
        out += e.tag.toUtf8() + '\t' + e.id.toUtf8() + '\n';
    writeWhole(path, out);
}

void SeenIds::record(const QString& path, const QStringList& ids, const QString& runTag)
{
    SeenIds s = read(path);
    s.add(ids, runTag);
    s.write(path);
}

qsizetype SeenIds::forgetRun(const QString& path, const QString& runTag)
{
    SeenIds s = read(path);
    const qsizetype gone = s.forgetRun(runTag);
    if (gone > 0)
        s.write(path);
    return gone;
}

// --------------------------------------------------------------------- rules

QString CategoryRules::pathIn(const QString& dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("fnk_rule.txt"));
}

CategoryRules CategoryRules::read(const QString& path)
{
    CategoryRules r;
    for (const QByteArray& l : readLines(path)) {
        const qsizetype tab = l.indexOf('\t');
        if (tab <= 0)
            continue;
        const QString text = QString::fromUtf8(l.left(tab)).trimmed();
        const QString category = QString::fromUtf8(l.mid(tab + 1)).trimmed();
        if (!text.isEmpty() && !category.isEmpty())
            r.rules_.push_back({text, category});
    }
    return r;
}

void CategoryRules::write(const QString& path) const
{
    QByteArray out;
    for (const Rule& r : rules_)
        out += oneLine(r.text).toUtf8() + '\t' + oneLine(r.category).toUtf8() + '\n';
    writeWhole(path, out);
}

QString CategoryRules::categoryFor(const QString& note) const
{
    const Rule* best = nullptr;
    for (const Rule& r : rules_)
        if ((!best || r.text.size() > best->text.size()) && note.contains(r.text, Qt::CaseInsensitive))
            best = &r;
    return best ? best->category : QString();
}

void CategoryRules::set(const QString& text, const QString& category)
{
    const QString t = oneLine(text).trimmed();
    const QString c = oneLine(category).trimmed();
    if (t.isEmpty() || c.isEmpty())
        return;
    for (Rule& r : rules_) {
        if (r.text.compare(t, Qt::CaseInsensitive) == 0) {
            r = {t, c};
            return;
        }
    }
    rules_.push_back({t, c});
}

}  // namespace fnk::imports
