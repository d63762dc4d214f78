// Timestamp queries in the browser, through WebGL2's
// EXT_disjoint_timer_query_webgl2 where the browser offers it (called from
// JavaScript: emscripten's GL library does not carry it). Without it the
// device has no timestamp queries.

#include "Platform/DeviceGL.h"

#include <emscripten.h>

namespace gen
{

namespace
{

// The queries live in a JavaScript table; 0 is no query.
EM_JS(int, WebTimerAvailable, (), {
    return GLctx && GLctx.getExtension('EXT_disjoint_timer_query_webgl2') &&
        GLctx.getQuery(0x8E28 /* TIMESTAMP_EXT */, 0x8864 /* QUERY_COUNTER_BITS_EXT */) > 0 ? 1 : 0;
});
EM_JS(int, WebTimerCreate, (), {
    Module.tessavinQueries = Module.tessavinQueries || [null];
    Module.tessavinQueries.push(GLctx.createQuery());
    return Module.tessavinQueries.length - 1;
});
EM_JS(void, WebTimerDelete, (int id), {
    GLctx.deleteQuery(Module.tessavinQueries[id]);
    Module.tessavinQueries[id] = null;
});
EM_JS(void, WebTimerIssue, (int id), {
    GLctx.getExtension('EXT_disjoint_timer_query_webgl2').queryCounterEXT(Module.tessavinQueries[id], 0x8E28 /* TIMESTAMP_EXT */);
});
// Nanoseconds, or -1 while the result is not there (or a disjoint event
// made it meaningless).
EM_JS(double, WebTimerResult, (int id), {
    var query = Module.tessavinQueries[id];
    if (!GLctx.getQueryParameter(query, 0x8867 /* QUERY_RESULT_AVAILABLE */) ||
        GLctx.getParameter(0x8FBB /* GPU_DISJOINT_EXT */))
    {
        return -1;
    }
    return GLctx.getQueryParameter(query, 0x8866 /* QUERY_RESULT */);
});

class CTimestampQueryWeb : public CTimestampQuery, public CDeviceChild
{
public:
    explicit CTimestampQueryWeb(CDeviceGL* device) : CDeviceChild(device), Id(WebTimerCreate())
    {
    }

    ~CTimestampQueryWeb() override
    {
        if (Alive())
        {
            WebTimerDelete(Id);
        }
    }

    void Issue() override
    {
        if (Alive())
        {
            WebTimerIssue(Id);
            Issued = true;
        }
    }

    // A browser never blocks on a query: waiting is the same as asking.
    bool GetTime(std::uint64_t& nanoseconds, bool) override
    {
        if (!Alive() || !Issued)
        {
            return false;
        }
        const double time = WebTimerResult(Id);
        if (time < 0)
        {
            return false;
        }
        nanoseconds = static_cast<std::uint64_t>(time);
        return true;
    }

private:
    int Id = 0;
    bool Issued = false;
};

} // namespace

CTimestampQuery* CDeviceGL::CreateTimestampQuery()
{
    return WebTimerAvailable() ? new CTimestampQueryWeb(this) : nullptr;
}

} // namespace gen
