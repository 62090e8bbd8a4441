#pragma once

#include "app/FolderLock.h"
#include "app/Settings.h"
#include "view/DateRange.h"
#include "view/ListBuilder.h"

#include <QString>

namespace fnk::app {

// The program-wide state of one run: folders, settings, range, category
// filter, search and the window modes.  The main window owns one.
struct Session {
    QString programFolder;  // ends in "/"
    QString dataFolder;     // ends in "/"
    QString macroFile;      // the macro file in macro edit mode, else empty

    SettingsRecord settings;
    view::DateRange range;

    QString rememberedCode = QString(10, QLatin1Char(' '));
    QString rememberedName = QStringLiteral("All Categories");
    QString searchText;  // the search in force; empty when none

    double selectedRecord = 0;  // the record the edit commands act on
    bool freeSelection = false;
    bool macroMode = false;
    bool reportView = false;

    // The lock on the data folder.  Read-only: another copy holds the data
    // folder, so every command that writes is off.  The settings stay
    // unwritten for the whole run when the program folder was held by
    // another copy at start-up.
    FolderLock folderLock;
    bool readOnly = false;
    bool settingsReadOnly = false;

    QString recordFile() const
    {
        return macroMode && !macroFile.isEmpty() ? macroFile
                                                 : dataFolder + QStringLiteral("fennick.dat");
    }
    QString categoryFile() const { return dataFolder + QStringLiteral("category.dat"); }

    void showAllCategories()
    {
        rememberedCode = QString(10, QLatin1Char(' '));
        rememberedName = QStringLiteral("All Categories");
    }

    // What the list builder needs from all of this.
    view::ListQuery listQuery() const;
};

}  // namespace fnk::app
