#pragma once

// TAV_HTTP_PROXY ("host:port") points Qt's application proxy at the local web service, so that it can stand
// in for the version service and the picture host too. Used by both programs; a real installation leaves it
// unset.
class TavProxySetting
{
public:
    // Returns whether a proxy was set; a value that is not host:port is logged and ignored.
    static bool apply();
};
