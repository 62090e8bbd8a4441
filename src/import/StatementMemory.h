#pragma once

// What the statement import remembers in the data folder between runs: the
// ids of the transactions already imported ("fnk_seen.txt") and the rules
// that give a note its category ("fnk_rule.txt").  Both are UTF-8 text, one
// entry a line, read whole and rewritten whole through a work file beside
// them ("<name>.wrk"), flushed and renamed over the old file in one step.

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace fnk::imports {

// The ids of imported transactions, each with the tag of the run that
// imported it: the record number of that run's first record.  A line is
// "<tag><TAB><id>".  An import that is taken back forgets its ids with
// forgetRun(), so that the same statement can be imported again.
class SeenIds {
public:
    static QString pathIn(const QString& dataFolder);  // ".../fnk_seen.txt"

    // Reads the file; a missing file holds no ids.  Lines that do not read
    // are left out.  Throws store::FileError.
    static SeenIds read(const QString& path);

    bool contains(const QString& id) const { return ids_.contains(id); }
    qsizetype size() const { return ids_.size(); }
    // Adds the ids under `runTag`; ids already held keep their tag.
    void add(const QStringList& ids, const QString& runTag);
    // Drops the ids of one run; returns how many.
    qsizetype forgetRun(const QString& runTag);

    // Rewrites the whole file through its work file.  Throws store::FileError.
    void write(const QString& path) const;

    // Reads, adds and writes in one step.
    static void record(const QString& path, const QStringList& ids, const QString& runTag);
    // Reads, forgets one run's ids and writes when any went; returns how
    // many went.  Throws store::FileError.
    static qsizetype forgetRun(const QString& path, const QString& runTag);

private:
    struct Entry {
        QString tag;
        QString id;
    };
    QList<Entry> entries_;  // in the order they were added
    QSet<QString> ids_;
};

// "note contains <text> -> category": a line is "<text><TAB><category code>".
// The longest text a note contains (letter case aside) decides; among equal
// lengths the earlier line.
class CategoryRules {
public:
    struct Rule {
        QString text;
        QString category;
    };

    static QString pathIn(const QString& dataFolder);  // ".../fnk_rule.txt"
    static CategoryRules read(const QString& path);    // throws store::FileError
    void write(const QString& path) const;             // throws store::FileError

    // The category for a note, or an empty text when no rule matches.
    QString categoryFor(const QString& note) const;
    // Adds a rule; one with the same text (letter case aside) is replaced.
    void set(const QString& text, const QString& category);
    const QList<Rule>& rules() const { return rules_; }

private:
    QList<Rule> rules_;
};

}  // namespace fnk::imports
