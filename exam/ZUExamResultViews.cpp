#include "ZUExamResultViews.h"

namespace {
ZUExamResultViews* g_views = nullptr;
}

void ZUExamResultViews::install(ZUExamResultViews* views)
{
    g_views = views;
}

ZUExamResultViews* ZUExamResultViews::installed()
{
    return g_views;
}
