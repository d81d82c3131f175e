// talvenctl list [--missing] [--format text|csv|json]: every control the
// listing finds, its server's state, and what its removal would take.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "census.h"
#include "output.h"
#include "plans.h"
#include "rows.h"
#include "verbs.h"
#include "views.h"

namespace {


// RFC 4180: a field in quotes, its quotes doubled.
std::string Csv(const std::string& text)
{
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string Json(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string JsonOrNull(const std::string& text)
{
    return text.empty() ? "null" : Json(text);
}

// Cells padded to their column's width in characters, two spaces apart,
// the last unpadded.
void PrintColumns(const std::vector<std::string>& cells, const size_t* widths)
{
    std::string line;
    for (size_t i = 0; i < cells.size(); ++i)
        line += i + 1 < cells.size() ? cells[i] + std::string(widths[i] - Characters(cells[i]) + 2, ' ') : cells[i];
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    Say(stdout, "%s\n", line.c_str());
}

void PrintText(const std::vector<Row>& rows)
{
    std::vector<std::vector<std::string>> lines = {{"CLSID", "STATE", "STORE", "NAME", "SERVER", "PROGID"}};
    for (const Row& row : rows) {
        std::string tail = row.progId;
        if (!row.note.empty())
            tail += (tail.empty() ? "(" : " (") + row.note + ")";
        lines.push_back({row.control.clsid, StateName(row.state), StoreName(row.store), row.control.name,
                         row.control.server, tail});
    }
    size_t widths[5] = {0, 0, 0, 0, 0};
    for (const auto& cells : lines) {
        for (size_t i = 0; i < 5; ++i)
            widths[i] = std::max(widths[i], Characters(cells[i]));
    }
    for (const auto& cells : lines)
        PrintColumns(cells, widths);
}

void PrintCsv(const std::vector<Row>& rows)
{
    Say(stdout, "name,clsid,server,server_state,server_note,progid,typelib,view,store\n");
    for (const Row& row : rows) {
        Say(stdout, "%s,%s,%s,%s,%s,%s,%s,%d,%s\n", Csv(row.control.name).c_str(),
                    Csv(row.control.clsid).c_str(), Csv(row.control.server).c_str(), StateName(row.state),
                    Csv(row.note).c_str(), Csv(row.progId).c_str(), Csv(row.typeLib).c_str(), row.view,
                    StoreName(row.store));
    }
}

void PrintJson(const std::vector<Row>& rows)
{
    Say(stdout, "[");
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        Say(stdout, "%s\n  {\"name\": %s, \"clsid\": %s, \"server\": %s, \"server_state\": \"%s\", "
                    "\"server_note\": %s, \"progid\": %s, \"typelib\": %s, \"view\": %d, \"store\": \"%s\"}",
                    i == 0 ? "" : ",", Json(row.control.name).c_str(), Json(row.control.clsid).c_str(),
                    Json(row.control.server).c_str(), StateName(row.state), JsonOrNull(row.note).c_str(),
                    JsonOrNull(row.progId).c_str(), JsonOrNull(row.typeLib).c_str(), row.view,
                    StoreName(row.store));
    }
    Say(stdout, "%s]\n", rows.empty() ? "" : "\n");
}

}  // namespace

ResultCode ListRows(const Scope& scope, bool missing, bool trees, std::vector<Row>* rows)
{
    std::vector<Control> controls;
    ResultCode listed = ListedControls(scope, &controls);
    // Each row as if its control were removed alone.
    Census census = {FindViews(scope).working, {}};
    if (listed == ERROR_SUCCESS && trees)
        listed = TakeCensus(scope, &census);
    DriveTypes drives = kNoDriveTypes;
    for (const Control& control : controls) {
        Row row = {};
        row.control = control;
        row.view = ViewBits(census.working);
        row.store = SingleStoreOf(scope.stores);
        row.state = CheckServer(control.server, census.working, &drives, &row.note);
        if (missing && row.state != ServerState::kMissing)
            continue;
        if (trees)
            NamedTreesOf(control, scope, census, &row.store, &row.progId, &row.typeLib);
        rows->push_back(row);
    }
    return listed;
}

int ListVerb(const Scope& scope, int argc, char** argv)
{
    bool missing = false;
    const char* format = "text";
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--missing") == 0)
            missing = true;
        else if (std::strcmp(argv[i], "--format") == 0 && i + 1 < argc)
            format = argv[++i];
        else
            return Usage((std::string("list: unknown argument ") + argv[i]).c_str());
    }
    if (std::strcmp(format, "text") != 0 && std::strcmp(format, "csv") != 0 && std::strcmp(format, "json") != 0)
        return Usage("list: the format is text, csv or json");

    std::vector<Row> rows;
    const ResultCode listed = ListRows(scope, missing, true, &rows);
    if (listed != ERROR_SUCCESS) {
        Say(stderr, "talvenctl: cannot list the controls: %s\n", Reason(listed, "CLSID").c_str());
        return kSomeNotDone;
    }
    if (format[0] == 't')
        PrintText(rows);
    else if (format[0] == 'c')
        PrintCsv(rows);
    else
        PrintJson(rows);
    return missing && !rows.empty() ? kSomeNotDone : kAllDone;
}
