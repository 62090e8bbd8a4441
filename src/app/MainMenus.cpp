#include "app/MainMenus.h"

#include "platform/Accessibility.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QToolButton>

#include <algorithm>

namespace fnk::app {

namespace {

struct MenuItem {
    const char* name;     // nullptr: a separator
    const char* caption;
    QKeyCombination key = QKeyCombination();
    QKeyCombination otherKey = QKeyCombination();
};

struct MenuDef {
    const char* name;
    const char* caption;
    std::vector<MenuItem> items;
};

constexpr QKeyCombination ctrl(Qt::Key k) { return QKeyCombination(Qt::ControlModifier, k); }
constexpr QKeyCombination key(Qt::Key k) { return QKeyCombination(k); }
const MenuItem kSep{nullptr, nullptr};

const std::vector<MenuDef>& menuDefs()
{
    static const std::vector<MenuDef> defs = {
        {"mu_File", "&File",
         {{"mu_DefaultDataFolder", "&Default Data Folder"},
          {"mu_AlternateFolder1", "Alternate Folder &1"},
          {"mu_AlternateFolder2", "Alternate Folder &2"},
          {"mu_SelectDataFolder", "&Select Data Folder"},
          kSep,
          {"mu_Import", "Comma-Delimited or CSV &Import"},
          kSep,
          {"mu_Backup", "Data &Backup (complete)"},
          {"mu_CreateBackup", "&Create Internal Backup File"},
          {"mu_RestoreBackup", "&Restore Internal Backup File"},
          kSep,
          {"mu_ReIndex", "Re-I&ndex"},
          {"mu_ConfigSettings", "&Program Settings"},
          kSep,
          {"mu_Exit", "E&xit"}}},
        {"mu_Records", "&Records",
         {{"mu_Undo", "&Undo", ctrl(Qt::Key_Z)},
          {"mu_Redo", "Re&do", QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z),
           ctrl(Qt::Key_Y)},
          kSep,
          {"mu_NewEntry", "&New Entry", key(Qt::Key_F2)},
          {"mu_EditEntry", "&Edit Entry"},
          kSep,
          {"mu_PurgeDeletedRecords", "&Purge Deleted Records"},
          {"mu_RestoreDeletedRecords", "&Restore Deleted Records"},
          kSep,
          {"mu_NewCategory", "New &Category"},
          {"mu_EditCategory", "Edit C&ategory"}}},
        {"mu_Macro", "&Macro",
         {{"mu_PlayMacro", "&Play a Macro", key(Qt::Key_F3)},
          kSep,
          {"mu_MacroCreate", "&Create / Edit Macro"},
          {"mu_MacroQuit", "&Quit Macro Edit"}}},
        {"mu_Search", "&Search",
         {{"mu_SearchFragment", "&Word Fragment", key(Qt::Key_F5)},
          {"mu_SearchComplete", "&Complete Word", key(Qt::Key_F6)},
          kSep,
          {"mu_SearchUDF1", "User-defined field #&1"},
          {"mu_SearchUDF2", "User-defined field #&2"},
          kSep,
          {"mu_AllCats", "Show &All Categories", key(Qt::Key_F8)},
          {"mu_ClearTheGrid", "C&lear (Show Nothing)"}}},
        {"mu_DisplayRange", "R&ange",
         {{"mu_DefaultRange", "&Default Range", ctrl(Qt::Key_F1)},
          kSep,
          {"mu_FiscalYear", "Current &Fiscal Year", ctrl(Qt::Key_F2)},
          {"mu_previousYear", "&Previous Fiscal Year", ctrl(Qt::Key_F3)},
          {"mu_NextYear", "&Next Fiscal Year", ctrl(Qt::Key_F4)},
          kSep,
          {"mu_SelectDates", "&Select Dates"},
          kSep,
          {"mu_30Days", "&30 Days"},
          {"mu_60days", "&60 Days"},
          {"mu_90days", "&90 Days"},
          {"mu_180days", "1&80 days"},
          {"mu_365days", "&1 Year"},
          {"mu_730days", "&2 Years"},
          {"mu_1095days", "3 &Years"},
          {"mu_1460days", "&4 Years"},
          {"mu_1825days", "&5 Years"}}},
        {"mu_ListMode", "L&ist Mode",
         {{"mu_NewReport", "&Free Selection - Add/Subtract"},
          {"mu_QuitReports", "&Category/Search Result Only"}}},
        {"mu_ReportS", "R&eports",
         {{"mu_ReturnToList", "&Close Report Window", ctrl(Qt::Key_R)},
          kSep,
          {"mu_ReportSummary", "&Summary Report - Narrow Format", ctrl(Qt::Key_A)},
          {"mu_ReportFull", "&Full Report - Narrow Format (no User Fields)", ctrl(Qt::Key_B)},
          {"mu_ReportSummaryWide", "Summary Report - &Wide Format", ctrl(Qt::Key_C)},
          {"mu_ReportFullUser", "Full Report - Wide Format (w/ &User Fields)", ctrl(Qt::Key_D)},
          kSep,
          {"mu_PrintReport", "&Print Report", ctrl(Qt::Key_P)},
          {"mu_EditReport", "&Edit Report With Word Processor", ctrl(Qt::Key_E)},
          {"mu_WriteText", "Write Report to &Text File", ctrl(Qt::Key_T)},
          {"mu_ReportChart", "C&hart of this Report", ctrl(Qt::Key_G)},
          kSep,
          {"mu_WriteComma", "E&xport Full Report Data to .txt or .csv format", ctrl(Qt::Key_F)},
          {"mu_WriteCommaSummary", "Export Su&mmary Report Data to .txt or .csv Format",
           ctrl(Qt::Key_S)},
          kSep,
          {"mu_NotesOpen", "Open &Note File", key(Qt::Key_F4)}}},
        {"mu_Help", "&Help",
         {{"mu_HelpContents", "&Contents", key(Qt::Key_F1)},
          {"mu_HelpAbout", "&About"},
          {"mu_HelpWeb", "&Visit Tovermill on the Web", key(Qt::Key_F7)},
          kSep,
          {"mu_ToolTipsOff", "Turn off \"&Tool Tips\""},
          {"mu_ToolTipsOn", "Turn on \"&Tool Tips\""},
          {"mu_GridFormat", "Change &Display Order", key(Qt::Key_F9)},
          {"mu_NoBold", "&Bold Fonts"},
          kSep,
          {"mu_Game", "Play A &Game"},
          {"mu_TinyCalc", "Ca&lculator"}}},
    };
    return defs;
}

}  // namespace

QHash<QString, QAction*> buildMainMenus(QMenuBar* bar)
{
    QHash<QString, QAction*> actions;
    for (const MenuDef& m : menuDefs()) {
        QMenu* menu = bar->addMenu(QString::fromUtf8(m.caption));
        menu->setObjectName(QLatin1String(m.name));
        menu->menuAction()->setObjectName(QLatin1String(m.name));
        actions.insert(QLatin1String(m.name), menu->menuAction());
        for (const MenuItem& it : m.items) {
            if (!it.name) {
                menu->addSeparator();
                continue;
            }
            QAction* a = menu->addAction(QString::fromUtf8(it.caption));
            a->setObjectName(QLatin1String(it.name));
            if (it.otherKey != QKeyCombination())
                a->setShortcuts({QKeySequence(it.key), QKeySequence(it.otherKey)});
            else if (it.key != QKeyCombination())
                a->setShortcut(QKeySequence(it.key));
            actions.insert(QLatin1String(it.name), a);
        }
        // Entries whose text the settings change get their key as the menu opens.
        platform::giveAccessKeys(menu);
    }
    return actions;
}

void bindCommandSlots(const std::array<QAction*, kCommandCount>& commands,
                      const QList<QObject*>& receivers, const QStringList& boundElsewhere)
{
    const QMetaMethod triggered = QMetaMethod::fromSignal(&QAction::triggered);
    QStringList unbound;
    for (std::size_t i = 0; i < kCommandCount; ++i) {
        QAction* a = commands[i];
        if (a->menu() || boundElsewhere.contains(commandName(Command(i))))
            continue;
        const QByteArray slot = commandName(Command(i)).toLatin1() + "()";
        const auto bind = [&](QObject* r) {
            const int index = r->metaObject()->indexOfSlot(slot.constData());
            return index >= 0 && QObject::connect(a, triggered, r, r->metaObject()->method(index));
        };
        if (std::none_of(receivers.begin(), receivers.end(), bind))
            unbound << commandName(Command(i));
    }
    if (!unbound.isEmpty())
        qFatal("commands without a slot: %s", qPrintable(unbound.join(QLatin1Char(' '))));
}

const std::vector<ToolButtonDef>& toolButtonDefs()
{
    static const std::vector<ToolButtonDef> defs = {
        {"btn_New", "Insert a new record", "mu_NewEntry", "document-new", "new", ButtonRole::LedgerOnly},
        {"btn_Open", "Open a different data set", "mu_SelectDataFolder", "document-open", "open", ButtonRole::LedgerOnly},
        {"btn_Macro", "Paste in a macro file", "mu_PlayMacro", nullptr, "macro", ButtonRole::LedgerOnly},
        {"btn_Notes", "Open this year's general notes", "mu_NotesOpen", nullptr, "notes", ButtonRole::Plain},
        {"btn_Calc", "Calculator", "mu_TinyCalc", "accessories-calculator", "calc", ButtonRole::Plain},
        {"btn_Help", "Help ", "mu_HelpContents", "help-contents", "help", ButtonRole::Plain},
        {"btn_BackUp", "Run the data backup utility", "mu_Backup", nullptr, "backup", ButtonRole::LedgerOnly},
        {"btn_ModeBlue", "Switch to free selection mode", "mu_NewReport", nullptr, "modeblue", ButtonRole::LedgerOnly},
        {"btn_ModeWhite", "Quit free selection mode", "mu_QuitReports", nullptr, "modewhite", ButtonRole::LedgerOnly},
        {"btn_Summary", "Summary report, narrow format", "mu_ReportSummary", nullptr, "summary", ButtonRole::Plain},
        {"btn_Full", "Full report, narrow format", "mu_ReportFull", nullptr, "full", ButtonRole::Plain},
        {"btn_SummaryWide", "Summary report, wide format", "mu_ReportSummaryWide", nullptr, "summarywide", ButtonRole::Plain},
        {"btn_FullWide", "Full report, wide format", "mu_ReportFullUser", nullptr, "fullwide", ButtonRole::Plain},
        {"brn_Print", "Print the report", "mu_PrintReport", "document-print", "print", ButtonRole::ReportViewer},
        {"btn_EditReport", "Edit report in word processor", "mu_EditReport", "document-edit", "editreport", ButtonRole::ReportViewer},
        {"btn_CloseReport", "Close report viewer", "mu_ReturnToList", "window-close", "closereport", ButtonRole::ReportViewer},
        {"btn_Web", "Visit Tovermill on the web!", "mu_HelpWeb", "internet-web-browser", "web", ButtonRole::Plain},
    };
    return defs;
}

QToolButton* makeToolButton(const ToolButtonDef& b, QWidget* parent)
{
    auto* t = new QToolButton(parent);
    t->setObjectName(QLatin1String(b.name));
    t->setToolTip(QString::fromUtf8(b.tip));
    // The desktop theme's picture where it has one of the same meaning, else
    // our own.  Reports and the free selection mode always use ours: a theme
    // has no picture that tells narrow from wide or summary from full.
    const QIcon own(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(b.resourceIcon)));
    t->setIcon(b.themeIcon ? QIcon::fromTheme(QLatin1String(b.themeIcon), own) : own);
    t->setIconSize(QSize(24, 24));
    t->setAutoRaise(true);
    return t;
}

}  // namespace fnk::app
