#pragma once

// Which commands of the main window are on, worked out in one place from the
// window's modes.  The window gathers its modes, asks commandStates() and
// sets every action, tool button and list from the answer; nothing else turns
// a command on or off.

#include <QString>

#include <array>
#include <cstddef>

namespace fnk::app {

// Every command of the main window: the menus and their items.
enum class Command {
    // menus
    FileMenu, RecordsMenu, MacroMenu, SearchMenu, RangeMenu, ListModeMenu, ReportsMenu, HelpMenu,
    // File
    DefaultDataFolder, AlternateFolder1, AlternateFolder2, SelectDataFolder, Import, Backup,
    CreateBackup, RestoreBackup, ReIndex, ConfigSettings, Exit,
    // Records
    Undo, Redo, NewEntry, EditEntry, PurgeDeletedRecords, RestoreDeletedRecords, NewCategory, EditCategory,
    // Macro
    PlayMacro, MacroCreate, MacroQuit,
    // Search
    SearchFragment, SearchComplete, SearchUDF1, SearchUDF2, AllCats, ClearTheGrid,
    // Range
    DefaultRange, FiscalYear, PreviousYear, NextYear, SelectDates, Days30, Days60, Days90, Days180,
    Days365, Days730, Days1095, Days1460, Days1825,
    // List Mode
    NewReport, QuitReports,
    // Reports
    ReturnToList, ReportSummary, ReportFull, ReportSummaryWide, ReportFullUser, PrintReport,
    EditReport, WriteText, ReportChart, WriteComma, WriteCommaSummary, NotesOpen,
    // Help
    HelpContents, HelpAbout, HelpWeb, ToolTipsOff, ToolTipsOn, GridFormat, NoBold, Game, TinyCalc,
    Count
};
constexpr std::size_t kCommandCount = std::size_t(Command::Count);

// The object name of the action of `c` ("mu_FiscalYear").
QString commandName(Command c);

// How a tool button follows its command.
enum class ButtonRole {
    Plain,        // as its command
    LedgerOnly,   // as its command, and off while a report is on screen
    ReportViewer  // on while a report is on screen
};

// The modes of the window.
struct Modes {
    bool readOnly = false;          // another copy holds the data folder
    bool settingsReadOnly = false;  // another copy held the program folder at start-up
    bool macroEdit = false;
    bool freeSelection = false;
    // A report was shown and closed since free selection began: closing it
    // gives back the File, Records and Macro menus, in this mode too.
    bool reportClosedInFreeSelection = false;
    bool reportShown = false;     // the report view is up (being built or on screen)
    bool reportBuilding = false;  // everything waits for the build
    bool importOpen = false;      // the import window writes to the data folder of its opening
    bool canUndo = false;         // the history holds a command to undo
    bool canRedo = false;         // ... or one undone to do again
};

struct CommandStates {
    std::array<bool, kCommandCount> command{};
    bool mainGrid = true;
    bool categoryGrid = true;
    bool reportShown = false;
    bool reportBuilding = false;

    bool on(Command c) const { return command[std::size_t(c)]; }
    bool button(Command c, ButtonRole role) const;
};

CommandStates commandStates(const Modes& modes);

}  // namespace fnk::app
