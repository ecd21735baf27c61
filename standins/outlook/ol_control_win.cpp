// standins/outlook/ol_control_win.cpp: the control channel's commands (README.md lists them).
#include "common/failure_log.h"
#include "common/handle_win.h"
#include "standins/outlook/ol_host_win.h"

#include <cstdlib>

namespace olstandin
{
namespace
{
[[nodiscard]] bool ParseIndex(const std::string& p_sText, size_t& p_nIndex)
{
    if (p_sText.empty() || p_sText.size() > 6 || p_sText.find_first_not_of("0123456789") != std::string::npos)
        return false;
    p_nIndex = std::strtoul(p_sText.c_str(), nullptr, 10);
    return true;
}

[[nodiscard]] bool ParseRows(const std::string& p_sText, std::vector<int>& p_vRows)
{
    size_t start = 0;
    while (start < p_sText.size())
    {
        size_t end = p_sText.find(',', start);
        if (end == std::string::npos)
            end = p_sText.size();
        size_t row = 0;
        if (!ParseIndex(p_sText.substr(start, end - start), row))
            return false;
        p_vRows.push_back(static_cast<int>(row));
        start = end + 1;
    }
    return true;
}

[[nodiscard]] bool WriteText(const std::string& p_sPath, const std::string& p_sText)
{
    unique_file file(
        CreateFileA(p_sPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return LOG_IF_WIN32_BOOL_FALSE(file.get() != nullptr) &&
           LOG_IF_WIN32_BOOL_FALSE(
               WriteFile(file.get(), p_sText.data(), static_cast<DWORD>(p_sText.size()), &written, nullptr));
}
} // namespace

bool RunControlCommand(CHost& p_oHost, const std::string& p_sCommand)
{
    const size_t space = p_sCommand.find(' ');
    const std::string verb = p_sCommand.substr(0, space);
    const std::string argument = space == std::string::npos ? std::string() : p_sCommand.substr(space + 1);
    CExplorer* explorer = p_oHost.ExplorerAt(0);
    if (verb == "new-explorer")
        return p_oHost.OpenExplorer() != nullptr;
    if (verb == "close-explorer")
    {
        size_t index = 0;
        CExplorer* target = argument.empty() || ParseIndex(argument, index) ? p_oHost.ExplorerAt(index) : nullptr;
        return target != nullptr && PostMessageA(target->Window(), WM_CLOSE, 0, 0) != 0;
    }
    if (verb == "quit")
    {
        p_oHost.CloseAll();
        return true;
    }
    if (verb == "close-item")
    {
        CInspector* inspector = p_oHost.LatestInspector();
        return inspector != nullptr && PostMessageA(inspector->Window(), WM_CLOSE, 0, 0) != 0;
    }
    if (verb == "new-note")
        return p_oHost.OpenNoteChecked();
    if (verb == "fill" || verb == "send")
    {
        CNote* note = p_oHost.LatestNote();
        if (note == nullptr)
            return false;
        if (verb == "send")
            return note->Send();
        const size_t field = argument.find(' ');
        return field != std::string::npos && note->Fill(argument.substr(0, field), argument.substr(field + 1));
    }
    if (explorer == nullptr)
        return false;
    if (verb == "folder")
        return explorer->ShowFolder(argument);
    if (verb == "select")
    {
        std::vector<int> rows;
        return ParseRows(argument, rows) && explorer->Select(rows);
    }
    if (verb == "menu")
        return explorer->ClickMenu(argument);
    if (verb == "button")
        return explorer->ClickButton(argument);
    if (verb == "dump-menus")
        return !argument.empty() && WriteText(argument, explorer->DumpMenus());
    if (verb == "bar-click")
        return explorer->Bars() != nullptr && explorer->Bars()->ClickByPath(argument);
    if (verb == "bar-move")
    {
        const size_t element = argument.find(' ');
        size_t before = 0;
        return element != std::string::npos && ParseIndex(argument.substr(0, element), before) &&
               explorer->Bars() != nullptr &&
               explorer->Bars()->MoveByElement(argument.substr(element + 1), static_cast<LONG>(before));
    }
    if (verb == "bar-delete")
        return explorer->Bars() != nullptr && explorer->Bars()->DeleteByElement(argument);
    if (verb == "dump-bars")
        return !argument.empty() && explorer->Bars() != nullptr && WriteText(argument, explorer->Bars()->Dump());
    LOG_FAILURE("unknown control command '%s'", p_sCommand.c_str());
    return false;
}
} // namespace olstandin
