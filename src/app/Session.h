#pragma once

#include "app/FolderLock.h"
#include "app/Settings.h"
#include "view/DateRange.h"
#include "view/ListBuilder.h"

#include <QObject>
#include <QString>

namespace fnk::app {

// The program-wide state of one run: folders, settings, range, category
// filter, search and the window modes.  The main window owns one.
//
// The record file in use changes, or its records are renumbered, only
// through setDataFolder(), setMacroEdit() and recordsChangedBeneath(), which
// only the Ledger calls.  Each announces it, so that everything holding a record number (the record
// panel, the list's rows) lets it go before the next command can write
// through it.
class Session : public QObject {
    Q_OBJECT
    QString dataFolder_;
    QString macroFile_;
    QString privateFolder_;
    bool macroMode_ = false;
    quint64 epoch_ = 0;

public:
    explicit Session(QObject* parent = nullptr) : QObject(parent) {}

    QString programFolder;  // ends in "/"
    // The data folder (ends in "/"), the macro file of macro edit mode
    // (empty otherwise) and the mode: read them here, change them only
    // through the setters below.
    const QString& dataFolder{dataFolder_};
    const QString& macroFile{macroFile_};
    const bool& macroMode{macroMode_};

    SettingsRecord settings;
    view::DateRange range;

    QString rememberedCode = QString(10, QLatin1Char(' '));
    QString rememberedName = QStringLiteral("All Categories");
    QString searchText;  // the search in force; empty when none

    bool freeSelection = false;

    // The lock on the data folder.  Read-only: another copy holds the data
    // folder, so every command that writes is off.  The settings stay
    // unwritten for the whole run when the program folder was held by
    // another copy at start-up.
    FolderLock folderLock;
    bool readOnly = false;
    bool settingsReadOnly = false;

    QString recordFile() const
    {
        return macroMode_ && !macroFile_.isEmpty() ? macroFile_
                                                   : dataFolder_ + QStringLiteral("fennick.dat");
    }
    QString categoryFile() const { return dataFolder_ + QStringLiteral("category.dat"); }
    // Where reports write their work files, their text, the copy an editor
    // opens and a PDF printed without a printer (ends in "/").  The data
    // folder; while it is open read-only, a folder of this run's own, so that
    // a folder that cannot be written still gives reports and another copy's
    // report files are never written over.
    QString reportFolder() const
    {
        return readOnly && !privateFolder_.isEmpty() ? privateFolder_ : dataFolder_;
    }

    // Counts every change of the record file and every renumbering; a record
    // number is good only for the count it was taken under.
    quint64 recordEpoch() const { return epoch_; }

    void showAllCategories()
    {
        rememberedCode = QString(10, QLatin1Char(' '));
        rememberedName = QStringLiteral("All Categories");
    }

    // What the list builder needs from all of this.
    view::ListQuery listQuery() const;

private:
    // Only the ledger changes the record file in use or renumbers it.
    friend class Ledger;
    // Makes `folder` (with its trailing "/") the data folder.
    void setDataFolder(const QString& folder);
    // Macro edit on `file`; an empty name ends macro edit.
    void setMacroEdit(const QString& file);
    // The current record file was rewritten or added to by a whole-file
    // command (purge, restore, a backup restored, an import, a macro played).
    void recordsChangedBeneath();

public:

signals:
    // Another file is now the current record file (or the data folder changed).
    void recordFileChanged();
    // The same record file, but its records may now have other numbers.
    void recordsRenumbered();
};

}  // namespace fnk::app
