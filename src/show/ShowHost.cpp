#include "show/ShowHost.h"

namespace {

CShowHost* g_installedHost = nullptr;

} // namespace

CShowHost& ShowHost()
{
    static CShowHost silent;
    return g_installedHost ? *g_installedHost : silent;
}

void SetShowHost(CShowHost* host)
{
    g_installedHost = host;
}
