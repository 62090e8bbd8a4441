#include "app/CommandStates.h"

namespace fnk::app {

namespace {

constexpr const char* kNames[kCommandCount] = {
    "mu_File", "mu_Records", "mu_Macro", "mu_Search", "mu_DisplayRange", "mu_ListMode", "mu_ReportS",
    "mu_Help",
    "mu_DefaultDataFolder", "mu_AlternateFolder1", "mu_AlternateFolder2", "mu_SelectDataFolder",
    "mu_Import", "mu_Backup", "mu_CreateBackup", "mu_RestoreBackup", "mu_ReIndex", "mu_ConfigSettings",
    "mu_Exit",
    "mu_Undo", "mu_Redo", "mu_NewEntry", "mu_EditEntry", "mu_PurgeDeletedRecords", "mu_RestoreDeletedRecords",
    "mu_NewCategory", "mu_EditCategory",
    "mu_PlayMacro", "mu_MacroCreate", "mu_MacroQuit",
    "mu_SearchFragment", "mu_SearchComplete", "mu_SearchUDF1", "mu_SearchUDF2", "mu_AllCats",
    "mu_ClearTheGrid",
    "mu_DefaultRange", "mu_FiscalYear", "mu_previousYear", "mu_NextYear", "mu_SelectDates",
    "mu_30Days", "mu_60days", "mu_90days", "mu_180days", "mu_365days", "mu_730days", "mu_1095days",
    "mu_1460days", "mu_1825days",
    "mu_NewReport", "mu_QuitReports",
    "mu_ReturnToList", "mu_ReportSummary", "mu_ReportFull", "mu_ReportSummaryWide",
    "mu_ReportFullUser", "mu_PrintReport", "mu_EditReport", "mu_WriteText", "mu_ReportChart",
    "mu_WriteComma", "mu_WriteCommaSummary", "mu_NotesOpen",
    "mu_HelpContents", "mu_HelpAbout", "mu_HelpWeb", "mu_ToolTipsOff", "mu_ToolTipsOn",
    "mu_GridFormat", "mu_NoBold", "mu_Game", "mu_TinyCalc",
};

// The commands that write to the data folder (or to the macro file in edit).
constexpr Command kWriting[] = {
    Command::NewEntry, Command::EditEntry, Command::PurgeDeletedRecords,
    Command::RestoreDeletedRecords, Command::NewCategory, Command::EditCategory, Command::PlayMacro,
    Command::MacroCreate, Command::Import, Command::CreateBackup, Command::RestoreBackup,
    Command::ReIndex, Command::NotesOpen};

constexpr Command kFolderCommands[] = {Command::DefaultDataFolder, Command::AlternateFolder1,
                                       Command::AlternateFolder2, Command::SelectDataFolder};

// The report on screen is what these work on.
constexpr Command kReportOutput[] = {Command::ReturnToList, Command::PrintReport,
                                     Command::EditReport,   Command::WriteText,
                                     Command::WriteComma,   Command::WriteCommaSummary,
                                     Command::ReportChart};

}  // namespace

QString commandName(Command c) { return QLatin1String(kNames[std::size_t(c)]); }

bool CommandStates::button(Command c, ButtonRole role) const
{
    switch (role) {
    case ButtonRole::Plain:
        return on(c);
    case ButtonRole::LedgerOnly:
        return on(c) && !reportShown;
    case ButtonRole::ReportViewer:
        return reportShown && !reportBuilding;
    }
    return false;
}

CommandStates commandStates(const Modes& m)
{
    CommandStates s;
    s.reportShown = m.reportShown;
    s.reportBuilding = m.reportBuilding;
    if (m.reportBuilding) {
        // The window answers, but every command and both lists wait.
        s.mainGrid = s.categoryGrid = false;
        return s;
    }
    s.command.fill(true);
    auto set = [&s](Command c, bool on) { s.command[std::size_t(c)] = on; };

    // The menus.  Free selection takes the File, Records and Macro menus away
    // until a report made in it is closed; a report on screen takes the
    // list's menus away; macro edit those that would leave the macro file.
    const bool ledgerMenus = !m.reportShown && (!m.freeSelection || m.reportClosedInFreeSelection);
    set(Command::FileMenu, ledgerMenus && !m.macroEdit);
    set(Command::RecordsMenu, ledgerMenus);
    set(Command::MacroMenu, ledgerMenus);
    for (Command c : {Command::SearchMenu, Command::RangeMenu, Command::ListModeMenu})
        set(c, !m.reportShown && !m.macroEdit);
    set(Command::ReportsMenu, !m.macroEdit);

    for (Command c : kWriting)
        set(c, !m.readOnly);
    set(Command::ConfigSettings, !m.settingsReadOnly);
    for (Command c : kFolderCommands)
        set(c, !m.macroEdit && !m.importOpen);
    set(Command::PlayMacro, !m.readOnly && !m.macroEdit);
    set(Command::MacroCreate, !m.readOnly && !m.macroEdit);
    set(Command::MacroQuit, m.macroEdit);
    // The import window keeps the statement ids and rules it read: the files
    // stay as it left them until it closes.
    set(Command::Undo, !m.readOnly && !m.importOpen && m.canUndo);
    set(Command::Redo, !m.readOnly && !m.importOpen && m.canRedo);

    set(Command::NewReport, !m.freeSelection);
    set(Command::QuitReports, m.freeSelection);
    for (Command c : kReportOutput)
        set(c, m.reportShown);
    return s;
}

}  // namespace fnk::app
