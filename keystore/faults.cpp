// Fault injection in the stand-in: every registry call counted, logged
// when asked, and failed when it is the one chosen.
#include "handles.h"

namespace keystore::internal {

namespace {

long g_calls = 0;
std::vector<std::string> g_callLog;
bool g_recordCalls = false;
long g_failAt = 0;
LONG g_failCode = 0;
long g_actAt = 0;
std::function<void()> g_action;

}  // namespace

bool CallFails(LONG* code)
{
    ++g_calls;
    if (g_actAt != 0 && g_calls == g_actAt) {
        g_actAt = 0;
        std::function<void()> action = std::move(g_action);
        action();
    }
    if (g_failAt == 0 || g_calls != g_failAt)
        return false;
    *code = g_failCode;
    return true;
}

bool RecordingCalls()
{
    return g_recordCalls;
}

void RecordCall(const std::string& call)
{
    g_callLog.push_back(call);
}

void ClearFaults()
{
    g_calls = 0;
    g_failAt = 0;
    g_actAt = 0;
    g_action = nullptr;
    g_callLog.clear();
    g_recordCalls = false;
}

}  // namespace keystore::internal

namespace keystore {

using internal::g_calls;

void RecordCalls(bool on)
{
    internal::g_recordCalls = on;
}

std::vector<std::string> CallLog()
{
    return internal::g_callLog;
}

long CallCount()
{
    return g_calls;
}

void FailCall(long failAt, LONG code)
{
    internal::g_failAt = failAt == 0 ? 0 : g_calls + failAt;
    internal::g_failCode = code;
}

void BeforeCall(long at, std::function<void()> action)
{
    internal::g_actAt = at == 0 ? 0 : g_calls + at;
    internal::g_action = std::move(action);
}

}  // namespace keystore
